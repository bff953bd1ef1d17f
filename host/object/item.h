// Items and item revisions: queries. A revision names its item in its property "items_tag";
// an item's revisions are the revisions that name it, oldest (first created) first.
#pragma once

#include "host/object/sizes.h"
#include "host/object/tag.h"

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
