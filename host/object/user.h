// New ids: item ids, revision ids and alternate ids, unique among the store's objects.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// A new item id (host string): six digits, the lowest number from a running counter that no
// item uses. `item` and `itemType` may be null; `modifiable` tells whether the caller may
// change the id (always true here).
int USER_new_item_id(Tag item, Tag itemType, bool* modifiable, char** id);
// A new revision id (host string) for `item`: "A" for an item without revisions (or a null
// item), otherwise the id after the newest revision's ("A" -> "B", "Z" -> "AA", "AZ" -> "BA";
// an id that is not letters gives "A").
int USER_new_revision_id(Tag item, Tag itemType, bool* modifiable, char** revisionId);
// A new alternate id (host string) of the type `idType` in the context `idContext` (null or a
// live object), under `parentAltId` (null or a live object): `pattern` with every run of '#'
// replaced by a counter of that many digits (at least); a pattern without '#' gets the counter
// appended, and an empty pattern is the counter alone, six digits. Each (context, type, pattern)
// has its own counter, so ids never repeat within it. 7007 for an `idType` that is not a type, or a
// context or parent that is not live.
int USER_new_alt_id(Tag idContext, const char* pattern, Tag idType, Tag parentAltId, char** newId);

SOACAD_API_END
