#include "host/object/item.h"

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

// POM_invalid_tag unless `tag` is a live object of `className`.
int requireClass(Tag tag, const char* className) {
  if (!Store::instance().isInstanceOf(tag, className)) {
    return host::storeError(POM_invalid_tag, {tagText(tag)});
  }
  return 0;
}

// The single text value of a string property, "" when null.
std::string textOf(Tag object, const char* name) {
  const host::Value* value = nullptr;
  if (Store::instance().read(object, name, &value) != 0 || value->texts.empty()) {
    return std::string();
  }
  return value->texts.front();
}

std::vector<Tag> revisionsOf(Tag item) {
  Store& store = Store::instance();
  std::vector<Tag> revisions;
  for (Tag revision : store.objectsOfClass(store.classId("ItemRevision"))) {
    const host::Value* value = nullptr;
    if (store.read(revision, "items_tag", &value) == 0 && value->tags.size() == 1 &&
        value->tags.front() == item) {
      revisions.push_back(revision);
    }
  }
  return revisions;
}

}  // namespace

int ITEM_ask_item_of_rev(Tag revision, Tag* item) {
  if (item == nullptr) {
    return missingArgument("ITEM_ask_item_of_rev");
  }
  *item = NULLTAG;
  HOST_CALL("ITEM_ask_item_of_rev", revision);
  if (const int status = requireClass(revision, "ItemRevision")) {
    return status;
  }
  const host::Value* value = nullptr;
  if (const int status = Store::instance().read(revision, "items_tag", &value)) {
    return status;
  }
  *item = value->tags.empty() ? NULLTAG : value->tags.front();
  return 0;
}

int ITEM_ask_type(Tag item, char* typeName) {
  if (typeName == nullptr) {
    return missingArgument("ITEM_ask_type");
  }
  typeName[0] = '\0';
  HOST_CALL("ITEM_ask_type", item);
  if (const int status = requireClass(item, "Item")) {
    return status;
  }
  const Store& store = Store::instance();
  host::copyName(store.typeName(store.find(item)->type), typeName, ZOLTTYPE_name_size_c);
  return 0;
}

int ITEM_ask_id(Tag item, char* id) {
  if (id == nullptr) {
    return missingArgument("ITEM_ask_id");
  }
  id[0] = '\0';
  HOST_CALL("ITEM_ask_id", item);
  if (const int status = requireClass(item, "Item")) {
    return status;
  }
  host::copyName(textOf(item, "item_id"), id, ITEM_id_size_c);
  return 0;
}

int ITEM_ask_rev_id(Tag revision, char* revId) {
  if (revId == nullptr) {
    return missingArgument("ITEM_ask_rev_id");
  }
  revId[0] = '\0';
  HOST_CALL("ITEM_ask_rev_id", revision);
  if (const int status = requireClass(revision, "ItemRevision")) {
    return status;
  }
  host::copyName(textOf(revision, "item_revision_id"), revId, ITEM_id_size_c);
  return 0;
}

int ITEM_list_all_revs(Tag item, int* count, Tag** revisions) {
  if (count == nullptr || revisions == nullptr) {
    return missingArgument("ITEM_list_all_revs");
  }
  *count = 0;
  *revisions = nullptr;
  HOST_CALL("ITEM_list_all_revs", item);
  if (const int status = requireClass(item, "Item")) {
    return status;
  }
  const std::vector<Tag> list = revisionsOf(item);
  *revisions = host::allocateTags(list);
  *count = static_cast<int>(list.size());
  return 0;
}

int ITEM_ask_latest_rev(Tag item, Tag* revision) {
  if (revision == nullptr) {
    return missingArgument("ITEM_ask_latest_rev");
  }
  *revision = NULLTAG;
  HOST_CALL("ITEM_ask_latest_rev", item);
  if (const int status = requireClass(item, "Item")) {
    return status;
  }
  const std::vector<Tag> list = revisionsOf(item);
  if (!list.empty()) {
    *revision = list.back();
  }
  return 0;
}
