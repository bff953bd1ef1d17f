// Assembly arrangements: named sets of absolute-occurrence data of a BOM view revision.
//
// An arrangement (class "AssemblyArrangement": "object_name", "object_desc", "external_uid",
// "context_bvr", "anchor", and the arrangements its subassemblies use as three parallel lists
// "used_path_nodes", "used_anchors", "used_occurrences") has an anchor (class
// "ArrangementAnchor") that stands for it where another arrangement uses it. A view revision
// names its default arrangement in "default_arrangement". Appearance path nodes (class
// "MEAppearancePathNode": "context_bvr", "occurrence_path") name a line's place below its top
// line.
//
// Unlike BOM line edits, these calls change the store at once (saved values; mark points still
// undo them): an arrangement outlives the window it was made in. Changes to a view revision
// need it editable (modifiable, not checked out by another user: 7015).
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values first.
#pragma once

#include "framework/visibility.h"
#include "host/object/extensions.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // The arrangement is not one of the view revision's.
  ARR_not_of_bvr = 42001,
};

// A new arrangement of the view revision, saved, with its anchor; the view revision's default
// when `isDefault`. The name is cut at WSO_name_size_c characters.
int ARR_create_assembly_arrangement(Tag bvr, bool isDefault, const char* name,
                                    const char* description, const char* externalUid,
                                    Tag* arrangement);
// The view revision's default arrangement; null when it has none.
int ARR_ask_bvr_default_arrangement(Tag bvr, Tag* arrangement);
// Makes `arrangement` (null: none) the view revision's default. With `save` the change is kept
// at once; without, it is an unsaved value of the view revision (host bookkeeping, no lock).
int ARR__set_default_arrangement(Tag bvr, Tag arrangement, bool save);
int ARR__ask_arrangement_anchor(Tag arrangement, Tag* anchor);
// Records that, in `arrangement`, the subassembly at `pathNode` (occurrence `occurrence`) uses
// the arrangement that `anchor` stands for; a later call for the same path node replaces it.
int ARR__set_used_arrangement(Tag bvr, Tag arrangement, Tag pathNode, Tag anchor, Tag occurrence);
// Deletes the arrangement, its anchor and its absolute-occurrence data and attachments, clears
// it as the view revision's default and as the active arrangement of the windows that have it,
// and removes the entries of the arrangements that use it.
// ARR_not_of_bvr for an arrangement of another view revision; POM_not_modifiable, with nothing
// deleted, when one of the objects to delete may not be.
int ARR_delete_arrangement_from_bvr(Tag bvr, Tag arrangement);
// The appearance path node of the line's place below its window's top line (made and saved when
// there is none yet). The top line has none: BOM_line_has_no_occurrence.
int ME_create_meapprpathnode_from_bomline(Tag line, Tag* pathNode);

namespace host {

// POM_not_modifiable (on the error store) when one of the appearance path nodes whose path
// holds `occurrence` may not be deleted; otherwise 0.
int requirePathNodesDeletable(Tag occurrence);
// Deletes the appearance path nodes whose path holds `occurrence` and the entries of the
// arrangements that use them (host bookkeeping: also of an arrangement a session may not
// change): called when the occurrence is deleted, so that nothing names it. REQUIRES:
// requirePathNodesDeletable(occurrence) answered 0.
void forgetPathNodesOf(Tag occurrence);

}  // namespace host

SOACAD_API_END
