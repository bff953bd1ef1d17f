#include "host/object/uif.h"

#include <string>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

}  // namespace

int AOM_UIF_ask_value(Tag object, const char* propertyName, char** value) {
  if (propertyName == nullptr || value == nullptr) {
    return missingArgument("AOM_UIF_ask_value");
  }
  *value = nullptr;
  HOST_CALL("AOM_UIF_ask_value", object);
  const Store& store = Store::instance();
  const host::Value* current = nullptr;
  if (const int status = store.read(object, propertyName, &current)) {
    return status;
  }
  std::string text;
  for (const std::string& element : current->texts) {
    text += (text.empty() ? "" : ",") + element;
  }
  for (Tag tag : current->tags) {
    text += (text.empty() ? "" : ",") + store.uidOfTag(tag);
  }
  *value = SM_string_copy(text.c_str());
  return 0;
}

int AOM_UIF_set_value(Tag object, const char* propertyName, const char* value) {
  if (propertyName == nullptr || value == nullptr) {
    return missingArgument("AOM_UIF_set_value");
  }
  HOST_CALL("AOM_UIF_set_value", object);
  Store& store = Store::instance();
  const host::Value* current = nullptr;
  const host::PropertyDefinition* property = nullptr;
  if (const int status = store.read(object, propertyName, &current, &property)) {
    return status;
  }
  host::Value next;
  const std::string text = value;
  if (!text.empty()) {
    if (property->type == host::ValueType::reference) {
      const Tag referenced = store.tagOfUid(text);
      if (store.find(referenced) == nullptr) {
        return host::storeError(POM_invalid_value, {propertyName, text});
      }
      next.tags.push_back(referenced);
    } else {
      next.texts.push_back(text);
    }
  }
  return store.write(object, propertyName, next, host::WriteMode::session);
}

int WSOM_ask_name(Tag object, char* name) {
  if (name == nullptr) {
    return missingArgument("WSOM_ask_name");
  }
  name[0] = '\0';
  HOST_CALL("WSOM_ask_name", object);
  const host::Value* current = nullptr;
  if (const int status = Store::instance().read(object, "object_name", &current)) {
    return status;
  }
  host::copyName(current->texts.empty() ? std::string() : current->texts.front(), name,
                 WSO_name_size_c);
  return 0;
}

int AOM_ask_name(Tag object, char** name) {
  if (name == nullptr) {
    return missingArgument("AOM_ask_name");
  }
  *name = nullptr;
  HOST_CALL("AOM_ask_name", object);
  const Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {host::tagText(object)});
  }
  std::string text;
  const host::Value* current = nullptr;
  if (store.findProperty(found->classId, "object_name") != nullptr &&
      store.read(object, "object_name", &current) == 0 && !current->texts.empty()) {
    text = current->texts.front();
  }
  *name = SM_string_copy(text.c_str());
  return 0;
}
