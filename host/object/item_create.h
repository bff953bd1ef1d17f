// Creation of items and item revisions.
//
// An item comes with its first revision, and each of them with a master form related to it by
// the relation type "ZOLT_master_form" (the form that holds the attributes the object's class
// does not have). Types follow the item type's name: the revision is of the type named
// "<item type>Revision" when that is an item-revision type, else "ItemRevision"; a master form
// is of the type "<item or revision type>Master" when that is a form type, else "ItemMaster" or
// "ItemRevisionMaster". The item's form is named after the item id, the revision's after
// "<item id>/<revision id>"; item and revision are named `name` and owned by the session's user.
//
// Both calls are all or nothing: a failure leaves no object behind. What they create is saved.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // ITEM_create_item: a live item already has that id.
  ITEM_duplicate_id = 46001,
  // ITEM_create_rev: the item already has a revision with that id.
  ITEM_duplicate_rev_id = 46002,
  // ITEM_create_item: the type name names no item type.
  ITEM_invalid_item_type = 46003,
  // An item or revision id that is empty or longer than ITEM_id_size_c characters.
  ITEM_invalid_id = 46004,
};

// A new item of the type `typeName` with the id `itemId` and the name `name`, and its first
// revision `revId`. Fails with ITEM_invalid_item_type, ITEM_invalid_id, ITEM_duplicate_id and
// POM_invalid_argument (a null text or out-argument).
int ITEM_create_item(const char* itemId, const char* name, const char* typeName, const char* revId,
                     Tag* item, Tag* revision);
// A new revision `revId` of `item`, named like the item. Fails with POM_invalid_tag for a tag
// that is not a live item, ITEM_invalid_id and ITEM_duplicate_rev_id.
int ITEM_create_rev(Tag item, const char* revId, Tag* revision);

SOACAD_API_END
