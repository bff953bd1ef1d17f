#include "host/object/folder.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

const host::BaseFixturePart kFolderClass("folder", R"(<fixture>
  <class name="Folder" parent="WorkspaceObject">
    <property name="sort_criteria" type="int"/>
  </class>
</fixture>)");

int requireFolder(Tag folder) {
  if (!Store::instance().isInstanceOf(folder, "Folder")) {
    return host::storeError(POM_invalid_tag, {tagText(folder)});
  }
  return 0;
}

std::string nameOf(Tag object) {
  const Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(object);
  const host::Value* value = nullptr;
  if (found == nullptr || store.findProperty(found->classId, "object_name") == nullptr ||
      store.read(object, "object_name", &value) != 0 || value->texts.empty()) {
    return std::string();
  }
  return value->texts.front();
}

}  // namespace

int FL_insert(Tag folder, Tag object, int position) {
  HOST_CALL("FL_insert", folder);
  Store& store = Store::instance();
  if (const int status = requireFolder(folder)) {
    return status;
  }
  if (store.find(object) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  if (!store.find(folder)->modifiable) {
    return host::storeError(POM_not_modifiable, {tagText(folder)});
  }
  const host::Value* current = nullptr;
  if (const int status = store.read(folder, "contents", &current)) {
    return status;
  }
  if (std::find(current->tags.begin(), current->tags.end(), object) != current->tags.end()) {
    return 0;
  }
  return store.insertReference(folder, "contents",
                               position < 0 ? 0 : static_cast<std::size_t>(position), object,
                               host::WriteMode::host);
}

int FL_ask_sort_criteria(Tag folder, int* criteria) {
  if (criteria == nullptr) {
    return missingArgument("FL_ask_sort_criteria");
  }
  *criteria = FL_sort_as_ordered;
  HOST_CALL("FL_ask_sort_criteria", folder);
  if (const int status = requireFolder(folder)) {
    return status;
  }
  const host::Value* value = nullptr;
  if (const int status = Store::instance().read(folder, "sort_criteria", &value)) {
    return status;
  }
  if (!value->texts.empty()) {
    host::parseInteger(value->texts.front(), criteria);
  }
  return 0;
}

int FL_ask_references(Tag folder, int criteria, int* count, Tag** references) {
  if (count == nullptr || references == nullptr) {
    return missingArgument("FL_ask_references");
  }
  *count = 0;
  *references = nullptr;
  HOST_CALL("FL_ask_references", folder);
  if (const int status = requireFolder(folder)) {
    return status;
  }
  if (criteria != FL_sort_as_ordered && criteria != FL_sort_by_name) {
    return host::storeError(POM_invalid_value, {"sort_criteria", std::to_string(criteria)});
  }
  const host::Value* value = nullptr;
  if (const int status = Store::instance().read(folder, "contents", &value)) {
    return status;
  }
  std::vector<Tag> list = value->tags;
  if (criteria == FL_sort_by_name) {
    std::vector<std::pair<std::string, Tag>> named;
    named.reserve(list.size());
    for (Tag object : list) {
      named.emplace_back(nameOf(object), object);
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < named.size(); ++i) {
      list[i] = named[i].second;
    }
  }
  return host::handOutTags(list, count, references);
}
