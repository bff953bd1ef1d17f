#include "host/object/dataset_write.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::Value;
using host::WriteMode;

const host::BaseFixturePart kDatasetWriting("dataset_write", R"(<fixture>
  <class name="Tool" parent="POM_object">
    <property name="tool_name" type="string"/>
    <property name="output_formats" type="string" array="true"/>
  </class>
  <class name="DatasetType" parent="POM_object">
    <property name="list_of_tools" type="reference" array="true"/>
    <property name="default_tool" type="reference"/>
  </class>
  <class name="RevisionAnchor" parent="POM_object">
    <property name="highest_revision" type="int"/>
  </class>
  <class name="Dataset" parent="WorkspaceObject">
    <property name="dataset_id" type="string" modifiable="false"/>
    <property name="dataset_rev" type="string" modifiable="false"/>
    <property name="rev_chain_anchor" type="reference" modifiable="false"/>
    <property name="tool_used" type="reference" modifiable="false"/>
    <property name="format_used" type="string" modifiable="false"/>
    <property name="ref_names" type="string" array="true" modifiable="false"/>
    <property name="ref_types" type="int" array="true" modifiable="false"/>
    <property name="ref_list" type="reference" array="true" modifiable="false"/>
  </class>
  <type name="Tool" class="Tool"/>
  <type name="RevisionAnchor" class="RevisionAnchor"/>
  <message code="51001" text="The dataset %1$ has no named reference at index %2$."/>
  <message code="51002" text="The dataset %1$ has no named reference %2$ to %3$."/>
  <message code="51003" text="%1$ is not a tool."/>
  <message code="51004" text="%1$ is not a dataset type."/>
  <message code="51005" text="The name %1$ is longer than %2$ characters."/>
  <message code="51006" text="The dataset %1$ already refers to %3$ as %2$."/>
</fixture>)");

// Texts of the CAD service's codes for datasets.
const host::BaseFixturePart kDatasetMessages("soacad_datasets", R"(<fixture>
  <message code="215020" text="The dataset %1$ cannot be modified by this user."/>
  <message code="215026" text="The dataset %1$ could not be created."/>
  <message code="215029" text="A new named-reference object needs a reference name."/>
  <message code="215030" text="The dataset %1$ is not checked out."/>
  <message code="215031" text="The tool of the dataset has no output format."/>
  <message code="26003" text="The tool was not found for the dataset type."/>
</fixture>)");

// Live objects of one class by the text of one of their properties. It follows the store at a
// cost proportional to the objects created since its last lookup (Store::createdSince); a
// lookup checks that a candidate is still live and still so named.
class ObjectsByName {
 public:
  ObjectsByName(const char* className, const char* property)
      : className_(className), property_(property) {}

  Tag find(const std::string& name) {
    refresh();
    auto found = byName_.find(name);
    if (found != byName_.end()) {
      for (Tag candidate : found->second) {
        if (Store::instance().isInstanceOf(candidate, className_) && nameOf(candidate) == name) {
          return candidate;
        }
      }
    }
    return NULLTAG;
  }

  void refresh() {
    host::refreshIndex(
        version_, {className_}, [this] { byName_.clear(); },
        [this](Tag object) {
          if (Store::instance().isInstanceOf(object, className_)) {
            host::fileInIndex(byName_[nameOf(object)], object);
          }
        });
  }

 private:
  std::string nameOf(Tag object) const {
    const Value* value = nullptr;
    if (Store::instance().read(object, property_, &value) != 0 || value->texts.empty()) {
      return std::string();
    }
    return value->texts.front();
  }

  const char* className_;
  const char* property_;
  std::unordered_map<std::string, std::vector<Tag>> byName_;
  std::uint64_t version_ = 0;
};

ObjectsByName& datasetTypes() {
  static ObjectsByName index("DatasetType", "datasettype_name");
  return index;
}

ObjectsByName& tools() {
  static ObjectsByName index("Tool", "tool_name");
  return index;
}

const host::LoadHook kFollowNames([] {
  datasetTypes().refresh();
  tools().refresh();
});

int requireInstance(Tag tag, const char* className, int code = POM_invalid_tag) {
  if (!Store::instance().isInstanceOf(tag, className)) {
    return host::storeError(code, {tagText(tag)});
  }
  return 0;
}

Tag referenceOf(Tag object, const char* property) {
  const Value* value = nullptr;
  if (Store::instance().read(object, property, &value) != 0 || value->tags.empty()) {
    return NULLTAG;
  }
  return value->tags.front();
}

int checkLength(const char* name, int size) {
  if (std::strlen(name) > static_cast<std::size_t>(size)) {
    return host::storeError(AE_name_too_long, {name, std::to_string(size)});
  }
  return 0;
}

// The dataset's named-reference list `property` read in place (null when it has none), for the
// calls that look at one reference or count them: their cost does not grow with the lists.
const Value* referenceList(Tag dataset, const char* property) {
  const Value* value = nullptr;
  return Store::instance().read(dataset, property, &value) == 0 ? value : nullptr;
}

// The number of named references (the shorter of the names and objects, as References reads).
std::size_t referenceCount(Tag dataset) {
  const Value* names = referenceList(dataset, "ref_names");
  const Value* objects = referenceList(dataset, "ref_list");
  return names == nullptr || objects == nullptr
             ? 0
             : std::min(names->texts.size(), objects->tags.size());
}

// A dataset's named references as three parallel lists. A fixture may leave the kinds out;
// a missing kind reads as 0. REQUIRES: a live dataset.
struct References {
  std::vector<std::string> names;
  std::vector<std::string> kinds;
  std::vector<Tag> objects;

  explicit References(Tag dataset) {
    const Store& store = Store::instance();
    const Value* value = nullptr;
    if (store.read(dataset, "ref_names", &value) == 0) {
      names = value->texts;
    }
    if (store.read(dataset, "ref_types", &value) == 0) {
      kinds = value->texts;
    }
    if (store.read(dataset, "ref_list", &value) == 0) {
      objects = value->tags;
    }
    const std::size_t count = std::min(names.size(), objects.size());
    names.resize(count);
    objects.resize(count);
    kinds.resize(count, "0");
  }
  std::size_t size() const { return names.size(); }
  int kind(std::size_t index) const {
    int parsed = 0;
    host::parseInteger(kinds[index], &parsed);
    return parsed;
  }
  // The owner's writes of the three lists (they need the lock): the first fails, changing
  // nothing, without it.
  int write(Tag dataset) const {
    Store& store = Store::instance();
    if (const int status = store.write(dataset, "ref_names", Value{names, {}}, WriteMode::owner)) {
      return status;
    }
    if (const int status = store.write(dataset, "ref_types", Value{kinds, {}}, WriteMode::owner)) {
      return status;
    }
    return store.write(dataset, "ref_list", Value{{}, objects}, WriteMode::owner);
  }
};

}  // namespace

namespace host {

Tag findDatasetType(const std::string& name) {
  return datasetTypes().find(name);
}

}  // namespace host

int AE_create_dataset_with_id(Tag datasetType, const char* name, const char* description,
                              const char* id, const char* revision, Tag* dataset) {
  if (dataset == nullptr) {
    return missingArgument("AE_create_dataset_with_id");
  }
  *dataset = NULLTAG;
  HOST_CALL("AE_create_dataset_with_id", datasetType);
  Store& store = Store::instance();
  if (const int status = requireInstance(datasetType, "DatasetType", AE_invalid_datasettype)) {
    return status;
  }
  const Value* typeName = nullptr;
  store.read(datasetType, "datasettype_name", &typeName);
  Tag objectType = typeName->texts.empty() ? NULLTAG : store.findType(typeName->texts.front());
  if (objectType == NULLTAG ||
      !store.isDescendant(store.classId("Dataset"),
                          store.classId(store.typeClassName(objectType)))) {
    objectType = store.findType("Dataset");
  }
  Tag anchor;
  if (const int status = store.createObject(store.classId("RevisionAnchor"),
                                            store.findType("RevisionAnchor"), &anchor)) {
    return status;
  }
  store.write(anchor, "highest_revision", Value{{"1"}, {}}, WriteMode::initial);
  store.save(anchor);
  Tag created;
  if (const int status = store.createObject(store.classId(store.typeClassName(objectType)),
                                            objectType, &created)) {
    store.remove(anchor);
    return status;
  }
  const std::pair<const char*, const char*> texts[] = {{"object_name", name},
                                                       {"object_desc", description},
                                                       {"dataset_id", id},
                                                       {"dataset_rev", revision}};
  for (const auto& [property, text] : texts) {
    if (text != nullptr && *text != '\0') {
      store.write(created, property, Value{{text}, {}}, WriteMode::initial);
    }
  }
  store.write(created, "dataset_type", Value{{}, {datasetType}}, WriteMode::initial);
  store.write(created, "rev_chain_anchor", Value{{}, {anchor}}, WriteMode::initial);
  if (store.currentUser() != NULLTAG) {
    store.write(created, "owning_user", Value{{}, {store.currentUser()}}, WriteMode::initial);
  }
  *dataset = created;
  return 0;
}

int AE_ask_dataset_anchor(Tag dataset, Tag* anchor) {
  if (anchor == nullptr) {
    return missingArgument("AE_ask_dataset_anchor");
  }
  *anchor = NULLTAG;
  HOST_CALL("AE_ask_dataset_anchor", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  *anchor = referenceOf(dataset, "rev_chain_anchor");
  return 0;
}

int AE_ask_anchor_highest_revision(Tag anchor, int* revision) {
  if (revision == nullptr) {
    return missingArgument("AE_ask_anchor_highest_revision");
  }
  *revision = 0;
  HOST_CALL("AE_ask_anchor_highest_revision", anchor);
  if (const int status = requireInstance(anchor, "RevisionAnchor")) {
    return status;
  }
  const Value* value = nullptr;
  Store::instance().read(anchor, "highest_revision", &value);
  if (!value->texts.empty()) {
    host::parseInteger(value->texts.front(), revision);
  }
  return 0;
}

int AE_ask_tool_output_formats(Tag tool, int* count, char*** formats) {
  if (count == nullptr || formats == nullptr) {
    return missingArgument("AE_ask_tool_output_formats");
  }
  *count = 0;
  *formats = nullptr;
  HOST_CALL("AE_ask_tool_output_formats", tool);
  if (const int status = requireInstance(tool, "Tool", AE_invalid_tool)) {
    return status;
  }
  const Value* value = nullptr;
  Store::instance().read(tool, "output_formats", &value);
  *formats = host::allocateStrings(value->texts);
  *count = static_cast<int>(value->texts.size());
  return 0;
}

int AE_set_dataset_format(Tag dataset, const char* format) {
  if (format == nullptr) {
    return missingArgument("AE_set_dataset_format");
  }
  HOST_CALL("AE_set_dataset_format", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  if (const int status = checkLength(format, AE_format_name_size_c)) {
    return status;
  }
  return Store::instance().write(dataset, "format_used",
                                 *format == '\0' ? Value() : Value{{format}, {}}, WriteMode::owner);
}

int AE_ask_dataset_tool(Tag dataset, Tag* tool) {
  if (tool == nullptr) {
    return missingArgument("AE_ask_dataset_tool");
  }
  *tool = NULLTAG;
  HOST_CALL("AE_ask_dataset_tool", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  *tool = referenceOf(dataset, "tool_used");
  return 0;
}

int AE_set_dataset_tool(Tag dataset, Tag tool) {
  HOST_CALL("AE_set_dataset_tool", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  if (const int status = requireInstance(tool, "Tool", AE_invalid_tool)) {
    return status;
  }
  return Store::instance().write(dataset, "tool_used", Value{{}, {tool}}, WriteMode::owner);
}

int AE_is_dataset_locked(Tag dataset, bool* locked) {
  if (locked == nullptr) {
    return missingArgument("AE_is_dataset_locked");
  }
  *locked = false;
  HOST_CALL("AE_is_dataset_locked", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  *locked = Store::instance().find(dataset)->locked;
  return 0;
}

int AE_ask_dataset_ref_count(Tag dataset, int* count) {
  if (count == nullptr) {
    return missingArgument("AE_ask_dataset_ref_count");
  }
  *count = 0;
  HOST_CALL("AE_ask_dataset_ref_count", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  *count = static_cast<int>(referenceCount(dataset));
  return 0;
}

int AE_find_dataset_named_ref(Tag dataset, int index, char* name, int* referenceType, Tag* object) {
  if (name == nullptr || referenceType == nullptr || object == nullptr) {
    return missingArgument("AE_find_dataset_named_ref");
  }
  name[0] = '\0';
  *referenceType = 0;
  *object = NULLTAG;
  HOST_CALL("AE_find_dataset_named_ref", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  if (index < 0 || static_cast<std::size_t>(index) >= referenceCount(dataset)) {
    return host::storeError(AE_invalid_reference_index,
                            {Store::instance().uidOfTag(dataset), std::to_string(index)});
  }
  const std::size_t at = static_cast<std::size_t>(index);
  host::copyName(referenceList(dataset, "ref_names")->texts[at], name, AE_reference_size_c);
  const Value* kinds = referenceList(dataset, "ref_types");
  if (kinds != nullptr && at < kinds->texts.size()) {
    host::parseInteger(kinds->texts[at], referenceType);
  }
  *object = referenceList(dataset, "ref_list")->tags[at];
  return 0;
}

int AE_ask_dataset_named_ref(Tag dataset, const char* name, int* referenceType, Tag* object) {
  if (name == nullptr || referenceType == nullptr || object == nullptr) {
    return missingArgument("AE_ask_dataset_named_ref");
  }
  *referenceType = 0;
  *object = NULLTAG;
  HOST_CALL("AE_ask_dataset_named_ref", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  const References references(dataset);
  for (std::size_t i = 0; i < references.size(); ++i) {
    if (references.names[i] == name) {
      *referenceType = references.kind(i);
      *object = references.objects[i];
      break;
    }
  }
  return 0;
}

int AE_add_dataset_named_ref(Tag dataset, const char* name, int referenceType, Tag object) {
  if (name == nullptr) {
    return missingArgument("AE_add_dataset_named_ref");
  }
  HOST_CALL("AE_add_dataset_named_ref", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  if (const int status = checkLength(name, AE_reference_size_c)) {
    return status;
  }
  if (Store::instance().find(object) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  References references(dataset);
  for (std::size_t i = 0; i < references.size(); ++i) {
    if (references.objects[i] == object && references.names[i] == name) {
      const Store& store = Store::instance();
      return host::storeError(AE_reference_exists,
                              {store.uidOfTag(dataset), name, store.uidOfTag(object)});
    }
  }
  references.names.emplace_back(name);
  references.kinds.push_back(std::to_string(referenceType));
  references.objects.push_back(object);
  return references.write(dataset);
}

int AE_remove_dataset_named_ref_by_tag(Tag dataset, const char* name, Tag object) {
  if (name == nullptr) {
    return missingArgument("AE_remove_dataset_named_ref_by_tag");
  }
  HOST_CALL("AE_remove_dataset_named_ref_by_tag", dataset);
  if (const int status = requireInstance(dataset, "Dataset")) {
    return status;
  }
  References references(dataset);
  for (std::size_t i = 0; i < references.size(); ++i) {
    if (references.names[i] == name && references.objects[i] == object) {
      const auto at = static_cast<std::ptrdiff_t>(i);
      references.names.erase(references.names.begin() + at);
      references.kinds.erase(references.kinds.begin() + at);
      references.objects.erase(references.objects.begin() + at);
      return references.write(dataset);
    }
  }
  const Store& store = Store::instance();
  return host::storeError(AE_reference_not_found,
                          {store.uidOfTag(dataset), name, store.uidOfTag(object)});
}

int Tool::find(const char* name, Tag* tool) {
  if (name == nullptr || tool == nullptr) {
    return missingArgument("Tool::find");
  }
  *tool = NULLTAG;
  HOST_CALL("Tool::find", NULLTAG);
  *tool = tools().find(name);
  return 0;
}

int DatasetType::listOfTool(int* count, Tag** tools) const {
  if (count == nullptr || tools == nullptr) {
    return missingArgument("DatasetType::listOfTool");
  }
  *count = 0;
  *tools = nullptr;
  HOST_CALL("DatasetType::listOfTool", tag());
  if (const int status = requireInstance(tag(), "DatasetType", AE_invalid_datasettype)) {
    return status;
  }
  const Value* value = nullptr;
  Store::instance().read(tag(), "list_of_tools", &value);
  return host::handOutTags(value->tags, count, tools);
}

Tag DatasetType::defaultToolTag() const {
  const Tag tool = referenceOf(tag(), "default_tool");
  return Store::instance().isInstanceOf(tool, "Tool") ? tool : NULLTAG;
}
