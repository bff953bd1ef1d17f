// Folders: ordered lists of references to objects ("contents"), with a sort criterion that
// says in which order FL_ask_references lists them ("sort_criteria", null = as ordered).
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // The order in which the objects were put into the folder.
  FL_sort_as_ordered = 0,
  // By "object_name" (exact text order; equal names keep the folder's order).
  FL_sort_by_name = 1,
};

// Puts `object` into the folder before the object at `position` (0-based); a position past the
// end appends, a negative one puts it first. An object that is in the folder already stays
// where it is (status 0). The insertion is host bookkeeping: it needs no lock and lasts once
// the folder is saved (AOM_save); AOM_refresh(folder, false) drops it before that. Fails with
// POM_invalid_tag for a folder or object that is not live and with POM_not_modifiable for a
// folder that is not modifiable.
int FL_insert(Tag folder, Tag object, int position);
// The folder's sort criterion (FL_sort_as_ordered when it has none).
int FL_ask_sort_criteria(Tag folder, int* criteria);
// The folder's references in the order of `criteria` (host array, null when empty). A
// reference to an object that is no longer live is listed like any other. POM_invalid_value
// for a criterion that is none of the above.
int FL_ask_references(Tag folder, int criteria, int* count, Tag** references);

SOACAD_API_END
