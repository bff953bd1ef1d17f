#include "host/object/property.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

constexpr const char* kDescriptorClass = "PropertyDescriptor";

const host::BaseFixturePart kPropertyClasses("property", R"(<fixture>
  <class name="PropertyDescriptor" parent="POM_object">
    <property name="property_name" type="string"/>
    <property name="display_name" type="string"/>
    <property name="initial_value" type="string"/>
    <property name="value_type" type="int"/>
    <property name="property_type" type="int"/>
    <property name="displayable" type="logical"/>
    <property name="required" type="logical"/>
    <property name="enabled" type="logical"/>
    <property name="modifiable" type="logical"/>
    <property name="max_values" type="int"/>
    <property name="max_length" type="int"/>
    <property name="lov" type="reference"/>
    <property name="lov_attach_specifier" type="int"/>
    <property name="owning_type" type="reference"/>
  </class>
  <type name="PropertyDescriptor" class="PropertyDescriptor"/>
  <class name="ListOfValues" parent="POM_object">
    <property name="interdependent_properties" type="string" array="true"/>
  </class>
</fixture>)");

// Values of an object's own properties, read without touching the error store: the object is
// known to be live and of the class that defines them, or a null value answers.
const host::Value* valueOf(Tag object, const char* name) {
  static const host::Value kNull;
  const host::Value* value = nullptr;
  const Store& store = Store::instance();
  if (store.find(object) == nullptr ||
      store.findProperty(store.find(object)->classId, name) == nullptr) {
    return &kNull;
  }
  store.read(object, name, &value);
  return value;
}

std::string textOf(Tag object, const char* name) {
  const host::Value* value = valueOf(object, name);
  return value->texts.empty() ? std::string() : value->texts.front();
}

bool hasText(Tag object, const char* name) {
  return !valueOf(object, name)->texts.empty();
}

int intOf(Tag object, const char* name, int otherwise) {
  const host::Value* value = valueOf(object, name);
  int number = otherwise;
  if (!value->texts.empty()) {
    host::parseInteger(value->texts.front(), &number);
  }
  return number;
}

bool flagOf(Tag object, const char* name, bool otherwise) {
  const host::Value* value = valueOf(object, name);
  bool flag = otherwise;
  if (!value->texts.empty()) {
    host::parseLogical(value->texts.front(), &flag);
  }
  return flag;
}

Tag tagOf(Tag object, const char* name) {
  const host::Value* value = valueOf(object, name);
  return value->tags.empty() ? NULLTAG : value->tags.front();
}

// What the host hands out by pointer and keeps until the next reset, and the property handles.
struct HostViews {
  std::map<std::pair<std::uint32_t, std::string>, std::unique_ptr<PropertyDescriptor>>
      descriptors;  // Key: (descriptor tag, "") or (class id, property name).
  std::unordered_map<Tag, std::unique_ptr<EIMObject>> objects;
  std::map<std::pair<std::uint32_t, std::string>, Tag> handleOf;
  std::vector<std::pair<Tag, std::string>> handles;  // Index: handle - kPropertyTagBase.
};

HostViews& views() {
  static HostViews instance;
  return instance;
}

const host::ResetHook kForgetViews([] { views() = HostViews(); });

PropertyDescriptor* descriptorView(Tag descriptor, Tag classId, const std::string& name) {
  auto& slot = views().descriptors[{descriptor != NULLTAG ? descriptor : classId, name}];
  if (!slot) {
    slot = std::make_unique<PropertyDescriptor>(descriptor, classId, name);
  }
  return slot.get();
}

// The property a handle stands for; null for a tag that is not a handle.
const std::pair<Tag, std::string>* handleTarget(Tag tag) {
  const std::uint32_t number = tag;
  const std::vector<std::pair<Tag, std::string>>& handles = views().handles;
  if (number < host::kPropertyTagBase || number - host::kPropertyTagBase >= handles.size()) {
    return nullptr;
  }
  return &handles[number - host::kPropertyTagBase];
}

int valueTypeCode(host::ValueType type) {
  switch (type) {
    case host::ValueType::string:
      return PROP_value_string;
    case host::ValueType::integer:
      return PROP_value_int;
    case host::ValueType::real:
      return PROP_value_double;
    case host::ValueType::logical:
      return PROP_value_logical;
    case host::ValueType::date:
      return PROP_value_date;
    case host::ValueType::reference:
      return PROP_value_reference;
  }
  return 0;
}

}  // namespace

// --- PropertyDescriptor ----------------------------------------------------------------------

int PropertyDescriptor::askPropertyDescriptor(Tag descriptor, PropertyDescriptor** result) {
  if (result == nullptr) {
    return missingArgument("PropertyDescriptor::askPropertyDescriptor");
  }
  *result = nullptr;
  HOST_CALL("PropertyDescriptor::askPropertyDescriptor", descriptor);
  if (!Store::instance().isInstanceOf(descriptor, kDescriptorClass)) {
    return host::storeError(POM_invalid_tag, {tagText(descriptor)});
  }
  *result = descriptorView(descriptor, NULLTAG, std::string());
  return 0;
}

std::string PropertyDescriptor::name() const {
  return tag_ != NULLTAG ? textOf(tag_, "property_name") : propertyName_;
}

int PropertyDescriptor::valueType() const {
  if (tag_ != NULLTAG) {
    return intOf(tag_, "value_type", 0);
  }
  const host::PropertyDefinition* definition =
      Store::instance().findProperty(classId_, propertyName_);
  return definition == nullptr ? 0 : valueTypeCode(definition->type);
}

int PropertyDescriptor::propertyType() const {
  if (tag_ != NULLTAG) {
    return intOf(tag_, "property_type", 0);
  }
  const host::PropertyDefinition* definition =
      Store::instance().findProperty(classId_, propertyName_);
  return definition != nullptr && definition->type == host::ValueType::reference
             ? PROP_type_reference
             : PROP_type_attribute;
}

int PropertyDescriptor::maxNumberOfElements() const {
  if (tag_ != NULLTAG) {
    return intOf(tag_, "max_values", 1);
  }
  const host::PropertyDefinition* definition =
      Store::instance().findProperty(classId_, propertyName_);
  return definition != nullptr && definition->isArray ? -1 : 1;
}

int PropertyDescriptor::maxStringLength() const {
  return tag_ != NULLTAG ? intOf(tag_, "max_length", 0) : 0;
}

bool PropertyDescriptor::isRequired() const {
  return tag_ != NULLTAG && flagOf(tag_, "required", false);
}

bool PropertyDescriptor::isEnabled() const {
  return tag_ == NULLTAG || flagOf(tag_, "enabled", true);
}

bool PropertyDescriptor::isModifiable() const {
  if (tag_ != NULLTAG) {
    return flagOf(tag_, "modifiable", true);
  }
  const host::PropertyDefinition* definition =
      Store::instance().findProperty(classId_, propertyName_);
  return definition != nullptr && definition->modifiable;
}

int PropertyDescriptor::askLOVAttachSpecifier() const {
  return tag_ != NULLTAG && tagOf(tag_, "lov") != NULLTAG ? intOf(tag_, "lov_attach_specifier", 0)
                                                          : 0;
}

int PropertyDescriptor::presentationName(std::string* displayName) const {
  if (displayName == nullptr) {
    return missingArgument("PropertyDescriptor::presentationName");
  }
  displayName->clear();
  HOST_CALL("PropertyDescriptor::presentationName", tag_);
  *displayName =
      tag_ != NULLTAG && hasText(tag_, "display_name") ? textOf(tag_, "display_name") : name();
  return 0;
}

int PropertyDescriptor::isDisplayable(bool* displayable) const {
  if (displayable == nullptr) {
    return missingArgument("PropertyDescriptor::isDisplayable");
  }
  *displayable = false;
  HOST_CALL("PropertyDescriptor::isDisplayable", tag_);
  *displayable = tag_ == NULLTAG || flagOf(tag_, "displayable", true);
  return 0;
}

int PropertyDescriptor::askListOfValues(ListOfValues** lov) const {
  if (lov == nullptr) {
    return missingArgument("PropertyDescriptor::askListOfValues");
  }
  *lov = nullptr;
  HOST_CALL("PropertyDescriptor::askListOfValues", tag_);
  const Tag attached = tag_ != NULLTAG ? tagOf(tag_, "lov") : NULLTAG;
  if (attached == NULLTAG) {
    return 0;
  }
  if (!Store::instance().isInstanceOf(attached, ListOfValues::kHostClassName)) {
    return host::storeError(POM_invalid_tag, {tagText(attached)});
  }
  *lov = new ListOfValues(attached);
  return 0;
}

// --- ListOfValues, ZoltType ------------------------------------------------------------------

int ListOfValues::askInterdependents(int* count, char*** names) const {
  if (count == nullptr || names == nullptr) {
    return missingArgument("ListOfValues::askInterdependents");
  }
  *count = 0;
  *names = nullptr;
  HOST_CALL("ListOfValues::askInterdependents", tag());
  if (!Store::instance().isInstanceOf(tag(), kHostClassName)) {
    return host::storeError(POM_invalid_tag, {tagText(tag())});
  }
  const std::vector<std::string>& list = valueOf(tag(), "interdependent_properties")->texts;
  *names = host::allocateStrings(list);
  *count = static_cast<int>(list.size());
  return 0;
}

int ZoltType::askPropertyDescriptor(const char* name, PropertyDescriptor** descriptor) const {
  if (name == nullptr || descriptor == nullptr) {
    return missingArgument("ZoltType::askPropertyDescriptor");
  }
  *descriptor = nullptr;
  HOST_CALL("ZoltType::askPropertyDescriptor", tag());
  Store& store = Store::instance();
  if (!store.isInstanceOf(tag(), kHostClassName)) {
    return host::storeError(POM_invalid_tag, {tagText(tag())});
  }
  // A declared descriptor of this type or of the nearest ancestor type that has one.
  const std::vector<Tag> declared = store.objectsOfClass(store.classId(kDescriptorClass));
  for (Tag type = tag(); type != NULLTAG; type = store.parentType(type)) {
    for (Tag candidate : declared) {
      if (tagOf(candidate, "owning_type") == type && textOf(candidate, "property_name") == name) {
        *descriptor = descriptorView(candidate, NULLTAG, std::string());
        return 0;
      }
    }
  }
  const Tag classId = store.classId(store.typeClassName(tag()));
  if (store.findProperty(classId, name) != nullptr) {
    *descriptor = descriptorView(NULLTAG, classId, name);
  }
  return 0;
}

// --- Objects and property handles ------------------------------------------------------------

int EIMObject::askTypeTag(Tag* type) const {
  if (type == nullptr) {
    return missingArgument("EIMObject::askTypeTag");
  }
  *type = NULLTAG;
  HOST_CALL("EIMObject::askTypeTag", tag());
  const host::ObjectRecord* object = Store::instance().find(tag());
  if (object == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(tag())});
  }
  *type = object->type;
  return 0;
}

int PROP_ask_object(Tag tag, EIMObject** object) {
  if (object == nullptr) {
    return missingArgument("PROP_ask_object");
  }
  *object = nullptr;
  HOST_CALL("PROP_ask_object", tag);
  const std::pair<Tag, std::string>* handle = handleTarget(tag);
  const Tag target = handle != nullptr ? handle->first : tag;
  if (Store::instance().find(target) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(tag)});
  }
  std::unique_ptr<EIMObject>& slot = views().objects[target];
  if (!slot) {
    slot = std::make_unique<EIMObject>(target);
  }
  *object = slot.get();
  return 0;
}

int PROP_ask_name(Tag property, char** name) {
  if (name == nullptr) {
    return missingArgument("PROP_ask_name");
  }
  *name = nullptr;
  HOST_CALL("PROP_ask_name", property);
  const std::pair<Tag, std::string>* handle = handleTarget(property);
  if (handle == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(property)});
  }
  *name = SM_string_copy(handle->second.c_str());
  return 0;
}

int PROPDESC_ask_prule_init_value(Tag descriptor, char** value) {
  if (value == nullptr) {
    return missingArgument("PROPDESC_ask_prule_init_value");
  }
  *value = nullptr;
  HOST_CALL("PROPDESC_ask_prule_init_value", descriptor);
  if (!Store::instance().isInstanceOf(descriptor, kDescriptorClass)) {
    return host::storeError(POM_invalid_tag, {tagText(descriptor)});
  }
  if (hasText(descriptor, "initial_value")) {
    *value = SM_string_copy(textOf(descriptor, "initial_value").c_str());
  }
  return 0;
}

namespace host {

Tag propertyTag(Tag object, const std::string& name) {
  HostViews& all = views();
  auto found = all.handleOf.find({object, name});
  if (found != all.handleOf.end()) {
    return found->second;
  }
  const Tag handle(kPropertyTagBase + static_cast<std::uint32_t>(all.handles.size()));
  all.handles.emplace_back(object, name);
  all.handleOf.emplace(std::make_pair(static_cast<std::uint32_t>(object), name), handle);
  return handle;
}

}  // namespace host
