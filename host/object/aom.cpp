#include "host/object/aom.h"

#include <string>
#include <utility>
#include <vector>

#include "host/object/cfm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::Value;
using host::ValueType;

// The current value of a property for a getter of `type` (`single`: one value at most).
int readTyped(Tag object, const char* name, ValueType type, bool single, const Value** value) {
  const host::PropertyDefinition* property = nullptr;
  const int status = Store::instance().read(object, name, value, &property);
  if (status != 0) {
    return status;
  }
  if (property->type != type || (single && property->isArray)) {
    return host::storeError(POM_wrong_value_type, {name});
  }
  return 0;
}

// A session write through a setter of `type` (`single`: a scalar property only).
int writeTyped(Tag object, const char* name, ValueType type, bool single, Value value) {
  Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  const host::PropertyDefinition* property = store.findProperty(found->classId, name);
  if (property == nullptr) {
    return host::storeError(POM_no_such_property, {name, store.classRecord(found->classId)->name});
  }
  if (property->type != type || (single && property->isArray)) {
    return host::storeError(POM_wrong_value_type, {name});
  }
  return store.write(object, name, std::move(value), host::WriteMode::session);
}

Value textValue(std::string text) {
  return Value{{std::move(text)}, {}};
}

}  // namespace

int AOM_refresh(Tag object, bool lock) {
  HOST_CALL("AOM_refresh", object);
  return Store::instance().refresh(object, lock);
}

int AOM_lock(Tag object) {
  HOST_CALL("AOM_lock", object);
  return Store::instance().refresh(object, true);
}

int AOM_save(Tag object) {
  HOST_CALL("AOM_save", object);
  return Store::instance().save(object);
}

int AOM_delete(Tag object) {
  HOST_CALL("AOM_delete", object);
  // A transient rule copy's entries are its own and nobody else's: they go with it.
  const std::vector<Tag> owned = host::entriesOwnedByRule(object);
  Store& store = Store::instance();
  if (const int status = store.remove(object)) {
    return status;
  }
  for (Tag entry : owned) {
    store.remove(entry);
  }
  return 0;
}

int AOM_is_modifiable(Tag object, bool* modifiable) {
  if (modifiable == nullptr) {
    return missingArgument("AOM_is_modifiable");
  }
  *modifiable = false;
  HOST_CALL("AOM_is_modifiable", object);
  const host::ObjectRecord* found = Store::instance().find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  *modifiable = found->modifiable;
  return 0;
}

int AOM_is_modifiable(Tag object, const char* propertyName, bool* modifiable) {
  if (modifiable == nullptr || propertyName == nullptr) {
    return missingArgument("AOM_is_modifiable");
  }
  *modifiable = false;
  HOST_CALL("AOM_is_modifiable", object);
  const Value* value = nullptr;
  const host::PropertyDefinition* property = nullptr;
  const int status = Store::instance().read(object, propertyName, &value, &property);
  if (status != 0) {
    return status;
  }
  *modifiable = Store::instance().find(object)->modifiable && property->modifiable;
  return 0;
}

int AOM_ask_prop_names(Tag object, int* count, char*** names) {
  if (count == nullptr || names == nullptr) {
    return missingArgument("AOM_ask_prop_names");
  }
  *count = 0;
  *names = nullptr;
  HOST_CALL("AOM_ask_prop_names", object);
  const Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  std::vector<std::string> list;
  for (const host::PropertyDefinition* property : store.properties(found->classId)) {
    list.push_back(property->name);
  }
  *names = host::allocateStrings(list);
  *count = static_cast<int>(list.size());
  return 0;
}

int AOM_ask_value_string(Tag object, const char* name, char** value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_string");
  }
  *value = nullptr;
  HOST_CALL("AOM_ask_value_string", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::string, true, &current)) {
    return status;
  }
  *value = SM_string_copy(current->texts.empty() ? "" : current->texts.front().c_str());
  return 0;
}

int AOM_ask_value_strings(Tag object, const char* name, int* count, char*** values) {
  if (name == nullptr || count == nullptr || values == nullptr) {
    return missingArgument("AOM_ask_value_strings");
  }
  *count = 0;
  *values = nullptr;
  HOST_CALL("AOM_ask_value_strings", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::string, false, &current)) {
    return status;
  }
  *values = host::allocateStrings(current->texts);
  *count = static_cast<int>(current->texts.size());
  return 0;
}

int AOM_ask_value_int(Tag object, const char* name, int* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_int");
  }
  *value = 0;
  HOST_CALL("AOM_ask_value_int", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::integer, true, &current)) {
    return status;
  }
  if (!current->texts.empty()) {
    host::parseInteger(current->texts.front(), value);
  }
  return 0;
}

int AOM_ask_value_double(Tag object, const char* name, double* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_double");
  }
  *value = 0;
  HOST_CALL("AOM_ask_value_double", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::real, true, &current)) {
    return status;
  }
  if (!current->texts.empty()) {
    host::parseReal(current->texts.front(), value);
  }
  return 0;
}

int AOM_ask_value_doubles(Tag object, const char* name, int* count, double** values) {
  if (name == nullptr || count == nullptr || values == nullptr) {
    return missingArgument("AOM_ask_value_doubles");
  }
  *count = 0;
  *values = nullptr;
  HOST_CALL("AOM_ask_value_doubles", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::real, false, &current)) {
    return status;
  }
  if (current->texts.empty()) {
    return 0;
  }
  double* block = static_cast<double*>(SM_alloc(current->texts.size() * sizeof(double)));
  if (block != nullptr) {
    for (std::size_t i = 0; i < current->texts.size(); ++i) {
      block[i] = 0.0;
      host::parseReal(current->texts[i], &block[i]);
    }
    *values = block;
    *count = static_cast<int>(current->texts.size());
  }
  return 0;
}

int AOM_ask_value_logical(Tag object, const char* name, bool* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_logical");
  }
  *value = false;
  HOST_CALL("AOM_ask_value_logical", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::logical, true, &current)) {
    return status;
  }
  if (!current->texts.empty()) {
    host::parseLogical(current->texts.front(), value);
  }
  return 0;
}

int AOM_ask_value_date(Tag object, const char* name, Date* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_date");
  }
  *value = Date();
  HOST_CALL("AOM_ask_value_date", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::date, true, &current)) {
    return status;
  }
  if (!current->texts.empty()) {
    host::parseDate(current->texts.front(), value);
  }
  return 0;
}

int AOM_ask_value_tag(Tag object, const char* name, Tag* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("AOM_ask_value_tag");
  }
  *value = NULLTAG;
  HOST_CALL("AOM_ask_value_tag", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::reference, true, &current)) {
    return status;
  }
  if (!current->tags.empty()) {
    *value = current->tags.front();
  }
  return 0;
}

int AOM_ask_value_tags(Tag object, const char* name, int* count, Tag** values) {
  if (name == nullptr || count == nullptr || values == nullptr) {
    return missingArgument("AOM_ask_value_tags");
  }
  *count = 0;
  *values = nullptr;
  HOST_CALL("AOM_ask_value_tags", object);
  const Value* current = nullptr;
  if (const int status = readTyped(object, name, ValueType::reference, false, &current)) {
    return status;
  }
  return host::handOutTags(current->tags, count, values);
}

int AOM_set_value_string(Tag object, const char* name, const char* value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_string");
  }
  HOST_CALL("AOM_set_value_string", object);
  return writeTyped(object, name, ValueType::string, true,
                    value == nullptr ? Value() : textValue(value));
}

int AOM_set_value_strings(Tag object, const char* name, int count, const char* const* values) {
  if (name == nullptr || count < 0 || (count > 0 && values == nullptr)) {
    return missingArgument("AOM_set_value_strings");
  }
  HOST_CALL("AOM_set_value_strings", object);
  Value value;
  for (int i = 0; i < count; ++i) {
    value.texts.emplace_back(values[i] == nullptr ? "" : values[i]);
  }
  return writeTyped(object, name, ValueType::string, false, std::move(value));
}

int AOM_set_value_int(Tag object, const char* name, int value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_int");
  }
  HOST_CALL("AOM_set_value_int", object);
  return writeTyped(object, name, ValueType::integer, true, textValue(host::integerText(value)));
}

int AOM_set_value_double(Tag object, const char* name, double value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_double");
  }
  HOST_CALL("AOM_set_value_double", object);
  return writeTyped(object, name, ValueType::real, true, textValue(host::realText(value)));
}

int AOM_set_value_logical(Tag object, const char* name, bool value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_logical");
  }
  HOST_CALL("AOM_set_value_logical", object);
  return writeTyped(object, name, ValueType::logical, true, textValue(host::logicalText(value)));
}

int AOM_set_value_date(Tag object, const char* name, const Date& value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_date");
  }
  HOST_CALL("AOM_set_value_date", object);
  return writeTyped(object, name, ValueType::date, true,
                    value.isNull() ? Value() : textValue(host::dateText(value)));
}

int AOM_set_value_tag(Tag object, const char* name, Tag value) {
  if (name == nullptr) {
    return missingArgument("AOM_set_value_tag");
  }
  HOST_CALL("AOM_set_value_tag", object);
  return writeTyped(object, name, ValueType::reference, true, Value{{}, {value}});
}

int AOM_set_value_tags(Tag object, const char* name, int count, const Tag* values) {
  if (name == nullptr || count < 0 || (count > 0 && values == nullptr)) {
    return missingArgument("AOM_set_value_tags");
  }
  HOST_CALL("AOM_set_value_tags", object);
  return writeTyped(object, name, ValueType::reference, false,
                    Value{{}, std::vector<Tag>(values, values + count)});
}
