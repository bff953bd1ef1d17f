// Items and item revisions: queries. A revision names its item in its property "items_tag";
// an item's revisions are the revisions that name it, oldest (first created) first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/sizes.h"
#include "host/object/tag.h"
#include "host/object/value.h"

SOACAD_API_BEGIN

// The item of a revision. 7007 when `revision` is not a live item revision.
int ITEM_ask_item_of_rev(Tag revision, Tag* item);
// The name of the item's type into `typeName` (ZOLTTYPE_name_size_c + 1 characters).
int ITEM_ask_type(Tag item, char* typeName);
// The item id into `id` (ITEM_id_size_c + 1 characters).
int ITEM_ask_id(Tag item, char* id);
// The revision id into `revId` (ITEM_id_size_c + 1 characters).
int ITEM_ask_rev_id(Tag revision, char* revId);
// The item's revisions, oldest first (host array).
int ITEM_list_all_revs(Tag item, int* count, Tag** revisions);
// The newest revision of the item; null when it has none.
int ITEM_ask_latest_rev(Tag item, Tag* revision);

namespace host {

// Items by id and revisions by item, for lookups that stay cheap in large stores. The index
// follows the store by itself: each lookup takes in the objects created since the last one
// (Store::structureVersion).

// The live item whose "item_id" is `id`; null when there is none.
Tag findItemById(const std::string& id);
// The live revisions of `item`, oldest first.
TagList revisionsOfItem(Tag item);
// The live revision of `item` whose "item_revision_id" is `revisionId`; null when there is none.
Tag findRevisionById(Tag item, const std::string& revisionId);

}  // namespace host

SOACAD_API_END
