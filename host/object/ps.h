// Product structure: BOM view types, BOM views, BOM view revisions and their occurrences.
//
// Objects and what ties them together (store classes, with the properties a fixture writes):
// - "PSViewType": a kind of BOM view ("view_type_name").
// - "PSBOMView": the structure of an item for one view type ("bom_view_type", "parent_item").
//   An item's views are the live views whose "parent_item" names it, oldest first.
// - "PSBOMViewRevision": the structure of one item revision ("bom_view", "parent_revision",
//   "is_precise", "legacy_transform_factor", and "occurrences": the ordered list of its
//   occurrences). A revision's view revisions are the live ones whose "parent_revision" names
//   it, oldest first.
// - "PSOccurrence": one use of a child in a view revision: "child_item" (an item, or a
//   generic design element, class "GDE"), "child_revision" (the revision a precise view
//   revision uses; null for an imprecise occurrence), "child_bom_view" (the child's view to
//   expand; null: the window's), "occurrence_thread", "quantity" (null: one), "as_required",
//   "seq_no", "transform" (16 doubles, a 4x4 matrix row by row; null: none), the notes as two
//   parallel lists "note_types" and "note_texts", and "variant_conditions" ("option=value",
//   every one must hold).
// - "PSOccurrenceThread": what an occurrence keeps across the view revisions of an assembly's
//   revisions: occurrences of several view revisions may share one.
// - "PSNoteType": a note type ("object_name"), usable as a BOM line attribute.
//
// The "bom_view_type", "parent_item", "bom_view" and "parent_revision" of a view or view
// revision are written when it is created and never changed (they key the lookups).
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values first. Lookups by name that find nothing
// answer status 0 and the null tag. Strings and arrays handed out are host blocks (SM_free).
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/extensions.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // PS_create_bom_view: the item already has a view of that type.
  PS_duplicate_view = 44001,
  // PS_create_bvr: the view is not a view of the revision's item.
  PS_view_not_of_item = 44002,
  // PS_create_bvr: the revision already has a view revision of that view.
  PS_duplicate_bvr = 44003,
  // PS_set_seq_no and the occurrence queries: the occurrence is not in the view revision.
  PS_occurrence_not_in_bvr = 44004,
  // PS_set_legacy_transform_factor: a factor that is not positive.
  PS_invalid_transform_factor = 44005,
};

// --- View types ------------------------------------------------------------------------
// The view type named `name`; null when there is none.
int PS_find_view_type(const char* name, Tag* viewType);
// The default view type: the one the preference "PS_default_view_type" names, else the
// first view type made; null when there is none.
int PS_ask_default_view_type(Tag* viewType);
// The view type's name (host string).
int PS_ask_view_type_name(Tag viewType, char** name);

// --- Views and view revisions ----------------------------------------------------------
// A new view of `item` (unsaved). The item must be locked by the session (POM_not_locked):
// the view is part of the item. An empty name becomes "<item id>-<view type name>" (at most
// WSO_name_size_c characters). PS_duplicate_view when the item has a view of that type.
int PS_create_bom_view(Tag viewType, const char* name, const char* description, Tag item,
                       Tag* bomView);
// A new, empty view revision of `bomView` for `itemRevision` (unsaved). The revision must be
// locked by the session. Fails with PS_view_not_of_item or PS_duplicate_bvr.
int PS_create_bvr(Tag bomView, const char* name, const char* description, bool precise,
                  Tag itemRevision, Tag* bvr);
int PS_ask_bom_view_type(Tag bomView, Tag* viewType);
int PS_ask_bom_view_of_bvr(Tag bvr, Tag* bomView);
int PS_ask_is_bvr_precise(Tag bvr, bool* precise);
// The views of an item / the view revisions of a revision, oldest first (host arrays).
int ITEM_list_bom_views(Tag item, int* count, Tag** bomViews);
int ITEM_rev_list_bom_view_revs(Tag itemRevision, int* count, Tag** bvrs);

// --- Legacy transform units --------------------------------------------------------------
// The factor of the preference "PS_legacy_transform_factor" (a number); 1.0, the null value
// of this call, when the preference is not set. PREF_invalid_value (1702) for a value that is
// not a number.
int PS__get_legacy_transform_units_pref(double* factor);
// Sets the view revision's legacy transform factor (host bookkeeping: no lock needed; the
// next AOM_save of the view revision keeps it). PS_invalid_transform_factor unless positive.
int PS_set_legacy_transform_factor(Tag bvr, double factor);
// 1.0 for a view revision that has none.
int PS_ask_legacy_transform_factor(Tag bvr, double* factor);

// --- Occurrences ----------------------------------------------------------------------------
int PS_ask_occurrence_thread(Tag occurrence, Tag* thread);
// The occurrence's sequence number (host string; null when it has none).
int PS_ask_seq_no(Tag bvr, Tag occurrence, char** seqNo);
// Sets the occurrence's sequence number (null or empty: none). The view revision must be
// locked by the session and modifiable (POM_not_locked, POM_not_modifiable); the number is
// written at once, so the AOM_save of the view revision that follows has nothing more to
// keep and AOM_refresh(bvr, false) does not take it back (a mark point does).
int PS_set_seq_no(Tag bvr, Tag occurrence, const char* seqNo);
// Sequence numbers for new occurrences (host strings): USER_ask_new_seqno gives the number of
// another occurrence of `item` in the view revision, so that one item keeps one number, and
// null when there is none; USER_ask_for_new_sequence_no gives the next free number: the
// highest numeric sequence number of the view revision plus 10, rounded down to a multiple of
// 10 ("10" for none).
int USER_ask_new_seqno(Tag bvr, Tag item, char** seqNo);
int USER_ask_for_new_sequence_no(Tag bvr, char** seqNo);

namespace host {

// The live views of an item and view revisions of a revision, oldest first.
std::vector<Tag> bomViewsOfItem(Tag item);
std::vector<Tag> bomViewRevisionsOf(Tag itemRevision);
// The view revision of `itemRevision` for `viewType`: the one whose view is of that type;
// with a null view type the one of the default view type, else the first; null when none.
Tag bomViewRevisionFor(Tag itemRevision, Tag viewType);
// The view revision of `itemRevision` whose view is `bomView`; null when none.
Tag bomViewRevisionOfView(Tag itemRevision, Tag bomView);
// The default view type (see PS_ask_default_view_type).
Tag defaultViewType();
// The view revision's occurrences as the session reads them (its unsaved list included).
std::vector<Tag> occurrencesOf(Tag bvr);
// Whether the session may change the view revision's structure: it is modifiable and not
// checked out by another user. 0, or POM_not_modifiable on the error store.
int requireStructureEditable(Tag bvr);

// An occurrence that may use an item and a view revision that may hold it.
struct OccurrenceUse {
  Tag occurrence;
  Tag holder;
};
// Where `item` is used: the occurrences whose child item is `item` or whose child revision is
// one of its revisions, each with a view revision that holds it, so that a search up from a
// structure to the structures using it costs what it finds. A superset of the uses as they are:
// an occurrence cut from its view revision, deleted, or given another child stays listed, so a
// caller checks each use against the store before relying on it. The index takes in the view
// revisions (with the occurrences they list) and the occurrences as they appear in the store
// (loaded, created, brought back by a rollback); the host calls that later put an occurrence in
// a view revision or give it another child file it again (fileOccurrenceUse).
std::vector<OccurrenceUse> occurrenceUsesOf(Tag item);
// Files the occurrence as held by `bvr` and as using the child item and revision it names now.
void fileOccurrenceUse(Tag bvr, Tag occurrence);

}  // namespace host

SOACAD_API_END
