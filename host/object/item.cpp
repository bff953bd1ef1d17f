#include "host/object/item.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "host/object/tag_table.h"

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

// Single-valued reference, null when unset.
Tag referenceOf(Tag object, const char* name) {
  const host::Value* value = nullptr;
  if (Store::instance().read(object, name, &value) != 0 || value->tags.size() != 1) {
    return NULLTAG;
  }
  return value->tags.front();
}

class ItemIndex {
 public:
  Tag item(const std::string& id) {
    refresh();
    auto found = byId_.find(id);
    if (found == byId_.end()) {
      return NULLTAG;
    }
    for (Tag candidate : found->second) {
      if (Store::instance().find(candidate) != nullptr && textOf(candidate, "item_id") == id) {
        return candidate;
      }
    }
    return NULLTAG;
  }

  host::TagList revisions(Tag item) {
    refresh();
    host::TagList live;
    if (const host::TagList* found = revisions_.find(item)) {
      for (Tag revision : *found) {
        if (isRevisionOf(revision, item)) {
          live.push_back(revision);
        }
      }
    }
    return live;
  }

  // The newest live revision of the item, found from the newest end of its list.
  Tag latestRevision(Tag item) {
    refresh();
    if (const host::TagList* found = revisions_.find(item)) {
      for (std::size_t at = found->size(); at-- > 0;) {
        if (isRevisionOf((*found)[at], item)) {
          return (*found)[at];
        }
      }
    }
    return NULLTAG;
  }

  // The live revision of the item with the revision id; null when there is none.
  Tag revision(Tag item, const std::string& revisionId) {
    refresh();
    auto found = byRevisionId_.find(revisionKey(item, revisionId));
    if (found != byRevisionId_.end()) {
      for (Tag candidate : found->second) {
        if (isRevisionOf(candidate, item) && textOf(candidate, "item_revision_id") == revisionId) {
          return candidate;
        }
      }
    }
    return NULLTAG;
  }

  void refresh() {
    host::refreshIndex(
        version_, {"Item", "ItemRevision"}, changed_,
        [this] {
          byId_.clear();
          revisions_.clear();
          byRevisionId_.clear();
        },
        [this](Tag object, host::Filing how) {
          const Store& store = Store::instance();
          if (store.isInstanceOf(object, "Item")) {
            host::fileInIndex(byId_[textOf(object, "item_id")], object, how);
          } else if (store.isInstanceOf(object, "ItemRevision")) {
            const Tag item = referenceOf(object, "items_tag");
            host::fileInIndex(revisions_[item], object, how);
            host::fileInIndex(byRevisionId_[revisionKey(item, textOf(object, "item_revision_id"))],
                              object, how);
          }
        });
  }

  // The object's id, revision id or item may have changed: it is filed again under what it
  // holds at the next lookup (its entries under the old key stay, and lookups pass over them).
  void keyChanged(Tag object) { changed_.push_back(object); }

 private:
  static bool isRevisionOf(Tag revision, Tag item) {
    return Store::instance().find(revision) != nullptr &&
           referenceOf(revision, "items_tag") == item;
  }

  // The item's tag (four bytes) followed by the revision id.
  static std::string revisionKey(Tag item, const std::string& revisionId) {
    const std::uint32_t tag = item;
    std::string key(reinterpret_cast<const char*>(&tag), sizeof tag);
    return key + revisionId;
  }

  std::unordered_map<std::string, std::vector<Tag>> byId_;
  // The revisions of each item, two of them in place: finding an item's revisions reads one
  // entry rather than a bucket, a node and a list.
  host::TagListsByTag revisions_;
  // Revisions by (item, revision id), as written when they were made.
  std::unordered_map<std::string, std::vector<Tag>> byRevisionId_;
  std::uint64_t version_ = 0;
  // Objects whose keys were written (or rolled back) since the last refresh.
  std::vector<Tag> changed_;
};

ItemIndex& itemIndex() {
  static ItemIndex index;
  return index;
}

const host::LoadHook kFollowItems([] { itemIndex().refresh(); });
// A session may write an item's id, a revision's id or item like any other property.
const host::PropertyWatch kWatchItemIds("item_id", [](Tag item) { itemIndex().keyChanged(item); });
const host::PropertyWatch kWatchRevisionIds("item_revision_id",
                                            [](Tag revision) { itemIndex().keyChanged(revision); });
const host::PropertyWatch kWatchRevisionItems("items_tag", [](Tag revision) {
  itemIndex().keyChanged(revision);
});

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
  const std::vector<Tag> list = itemIndex().revisions(item);
  return host::handOutTags(list, count, revisions);
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
  *revision = itemIndex().latestRevision(item);
  return 0;
}

namespace host {

Tag findItemById(const std::string& id) {
  return itemIndex().item(id);
}

TagList revisionsOfItem(Tag item) {
  return itemIndex().revisions(item);
}

Tag findRevisionById(Tag item, const std::string& revisionId) {
  return itemIndex().revision(item, revisionId);
}

}  // namespace host
