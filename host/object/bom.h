// BOM windows and BOM lines: configured, editable views of a product structure (ps.h).
//
// A window (class "BOMWindow") shows the structure below its top line as the window's
// revision rule (cfm.h; none set: the default rule, or the newest revisions when there is no
// rule at all) and variant rule configure it. Each line (class "BOMLine", type "ZoltItemLine";
// class "GDELine", type "GDELine", for an occurrence of a generic design element) stands for
// one occurrence, the top line for the top revision. Windows and lines are store objects, so
// they have tags and UIDs, mark points undo what is done through them, and the open windows
// are the live "BOMWindow" objects (host::openBomWindows).
//
// Configuration. A line's revision ("bl_revision") is the occurrence's revision when its view
// revision is precise and names one; otherwise the revision the rule configures for the
// occurrence's item, or null ("unconfigured"). The view revision a line expands is the one of
// its revision for the occurrence's "child_bom_view", else for the window's view type (the
// type of the view given to BOM_set_window_top_line), else for the default view type, else its
// first. An occurrence with a variant condition "option=value" whose option the window's
// variant rule sets to another value is configured out.
// - BOM_line_ask_all_child_lines lists a line for every occurrence, in the view revision's
//   order.
// - BOM_line_ask_child_lines lists what the window shows: no configured-out lines, no
//   unconfigured lines unless the window shows them (BOM_window_show_unconfigured), and with
//   pack-all on only the first of the lines of one item and revision.
// The same occurrence keeps the same line while the window is open.
//
// Edits (add, cut, substitute, precise, attribute values, quantity, transform, notes) change
// the view revision and its occurrences in the session only: they are unsaved values and new
// objects that BOM_save_window saves and BOM_close_window throws away. The first edit of a
// view revision needs it editable (modifiable, not checked out by another user: 7015). In
// absolute-occurrence edit mode (BOMWindow::setAbsOccEditMode) the attribute values, quantity,
// transform and notes of a line below the window's context line are written as overrides of
// its absolute occurrence instead (absocc.h); reads see those overrides in every window.
//
// Attributes (BOM_line_look_up_attribute): "bl_revision", "bl_item", "bl_occurrence" (tags),
// "bl_occurrence_uid" (the occurrence's UID), "bl_quantity" (a number, "AR" when as required,
// empty for one), "bl_sequence_no", "bl_absocc_uid_in_topline_context" (the UID of the line's
// absolute occurrence in the context of the top line; empty when none), and every note type
// (objects of class "PSNoteType", named by "object_name"). String queries answer tag
// attributes with the UID. Writable: "bl_quantity", "bl_sequence_no" and the note types (an
// empty note text removes the note).
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values first. Strings and arrays handed out are
// host blocks (SM_free).
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/extensions.h"
#include "host/object/ifail.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // BOM_line_look_up_attribute: no attribute of that name.
  BOM_no_such_attribute = 45001,
  // BOM_line_set_attribute_string: the attribute cannot be written.
  BOM_attribute_read_only = 45002,
  // BOM_line_ask_attribute_tag: the attribute is not a reference.
  BOM_attribute_not_a_reference = 45003,
  // Occurrence data asked of or written to a line without an occurrence (the top line).
  BOM_line_has_no_occurrence = 45004,
  // An edit below a line whose revision has no view revision (or no revision).
  BOM_line_has_no_structure = 45005,
  // A quantity text or value that is not one.
  BOM_invalid_quantity = 45006,
  // BOM_line_add / BOM_line_substitute / BOM_set_window_top_line: no child given, a revision
  // that is not of the item given, or a view that is not of the item.
  BOM_invalid_child = 45007,
  // A line of another window where the window's own is needed.
  BOM_line_not_in_window = 45008,
  // A child whose structure contains the structure it would be added to.
  BOM_structure_cycle = 45009,
};

// Ids of the built-in attributes; note types get ids from BOM_first_note_attribute up.
enum : int {
  BOM_attribute_revision = 1,
  BOM_attribute_item = 2,
  BOM_attribute_occurrence = 3,
  BOM_attribute_occurrence_uid = 4,
  BOM_attribute_quantity = 5,
  BOM_attribute_sequence_no = 6,
  BOM_attribute_absocc_uid_in_topline_context = 7,
  // The BOM view revision whose occurrences are the line's child lines (null for none).
  BOM_attribute_bomview_rev = 8,
  BOM_first_note_attribute = 1001,
};

// --- Windows -----------------------------------------------------------------------------
// A new, empty window: no top line, no rule set, pack-all off, unconfigured lines hidden.
int BOM_create_window(Tag* window);
// Saves what the window's edits changed and made, and deletes what they cut with what goes with
// it (see BOM_line_cut). POM_not_modifiable, with nothing saved or deleted, when one of the
// objects to delete may not be deleted.
int BOM_save_window(Tag window);
// Throws away the window's unsaved edits (objects they made are removed, changed ones get
// their saved values back) and deletes the window, its lines and what belongs to it (its
// variant rule, option set and variant configurations). When the window's revision rule has
// been deleted (a transient copy, see CFM_rule_copy), its entries go too.
int BOM_close_window(Tag window);
// Sets the window's top line (replacing any earlier one and its lines) on `itemRevision`, or,
// when it is null, on the revision of `item` (or of the item of `bomView`) that the window's
// rule configures. `bomView` (may be null) chooses the view to expand. Fails with 7007 for
// objects of the wrong class and BOM_invalid_child when they do not belong together or name
// no item.
int BOM_set_window_top_line(Tag window, Tag item, Tag itemRevision, Tag bomView, Tag* topLine);
int BOM_set_window_config_rule(Tag window, Tag rule);
// The rule set, else the default rule (null only when there is no rule at all).
int BOM_ask_window_config_rule(Tag window, Tag* rule);
int BOM_set_window_pack_all(Tag window, bool packAll);
// Child lines without a configured revision are listed too.
int BOM_window_show_unconfigured(Tag window);
// An arrangement (or null for none) whose absolute-occurrence data the window uses and writes.
// ARR_not_of_bvr for an arrangement of another view revision than the top line's.
int BOM_set_window_active_arrangement(Tag window, Tag arrangement);

// --- Variant configuration -------------------------------------------------------------------
// Variant rules ("VariantRule", types "VariantRuleP" and below) and stored option sets
// ("StoredOptionSet") hold option values as the parallel lists "option_names" and
// "option_values". Each window has a variant rule of its own (made with the window).
// Gives the window's variant rule the option values of `variantRule`.
int BOM_window_apply_full_vrule(Tag window, Tag variantRule);
int BOM_window_ask_variant_rule(Tag window, Tag* variantRule);
// The option set of the line's window (made on first request; it goes with the window).
int BOM_line_ask_sos(Tag line, Tag* optionSet);
// A variant configuration of a window's variant rule over `optionSets`, starting from the
// rule's option values. It belongs to the rule's window and goes with it.
int BOM_create_variant_config(Tag variantRule, int optionSetCount, const Tag* optionSets,
                              Tag* config);
// Drops every option value of the configuration.
int BOM_variant_config_clear(Tag config);
// Sets the configuration's options to the values of the stored option set.
int BOM_sos_db_read(Tag storedOptionSet, Tag config);
// Gives the configuration's variant rule the configuration's option values.
int BOM_variant_config_apply(Tag config);

// --- Lines -------------------------------------------------------------------------------------
int BOM_line_ask_child_lines(Tag line, int* count, Tag** children);
int BOM_line_ask_all_child_lines(Tag line, int* count, Tag** children);
// The id of a line attribute; BOM_no_such_attribute for a name that is none.
int BOM_line_look_up_attribute(const char* name, int* attribute);
int BOM_line_ask_attribute_tag(Tag line, int attribute, Tag* value);
int BOM_line_ask_attribute_string(Tag line, int attribute, char** value);
int BOM_line_set_attribute_string(Tag line, int attribute, const char* value);
// A new occurrence of `itemRevision` (precise), or of `item` when the revision is null, at
// the end of the structure below `parent`, with a new thread; its line is the new line.
// `bomView` (may be null) is the child's view to expand. BOM_structure_cycle when the child's
// structure, as the window configures it, contains the structure of `parent`.
int BOM_line_add(Tag parent, Tag item, Tag itemRevision, Tag bomView, Tag* newLine);
// The line's occurrence now uses `itemRevision` (its item with it), or `item` without a
// revision. The occurrence, its thread and the line stay; `newLine` (may be null) gets the line.
// BOM_structure_cycle, as for BOM_line_add, when the new child's structure contains the line's
// parent structure.
int BOM_line_substitute(Tag line, Tag item, Tag itemRevision, Tag* newLine);
// Removes the line's occurrence from the structure, with every entry of it the structure lists
// (deleted when the window is saved), and the line with the lines below it from the window. The
// save refuses (POM_not_modifiable, nothing deleted) when the occurrence or what goes with it
// (its absolute occurrences with their data and attachments, its path nodes) may not be deleted;
// the lines of other windows that show it go with it.
int BOM_line_cut(Tag line);
// Makes the view revision the line expands precise or imprecise. Made precise, occurrences
// without a revision take the one configured now. BOM_structure_cycle, as for BOM_line_add, when
// an occurrence would then show a structure that contains the view revision.
int BOM_line_set_precise(Tag line, bool precise);
// Tells the window that the view revision holding the line changed, so that it is saved with
// the window. In absolute-occurrence edit mode, a line below the context line gets its
// absolute occurrence (made when missing), so that an input without overrides still has one.
int BOM_modified_bvr(Tag line);

// The bulletin board of the structure editor: windows whose changes it announces.
class PSEBulletinBoard {
 public:
  // Puts the window on the board. A failing status raises IFail.
  static status_t add(Tag window, bool notify);
  // Whether the window is on the board.
  static bool contains(Tag window);
};

namespace host {

// The open windows, oldest first: tests assert that an operation left none open.
std::vector<Tag> openBomWindows();

// For the absolute-occurrence and arrangement modules.
// The window of a line; null for anything else.
Tag windowOfLine(Tag line);
Tag topLineOf(Tag window);
// The line's parent line; null for a top line.
Tag parentLineOf(Tag line);
// The view revision whose occurrences are the line's children; null when none.
Tag structureOfLine(Tag line);
// Every child line (BOM_line_ask_all_child_lines), made as needed.
std::vector<Tag> allChildLines(Tag line);
// The first of allChildLines(line) whose occurrence is `occurrence`; null when none is. While
// neither the line's child list nor its structure's occurrence list changed since the last
// lookup below the line, this costs one hash probe, not a pass over every child.
Tag childLineOf(Tag line, Tag occurrence);
// The occurrences from below `ancestor` down to `line`; false when `line` is not below it.
bool occurrencePathBelow(Tag line, Tag ancestor, std::vector<Tag>* path);
// Objects an edit of the window made (saved with the window, removed when it closes unsaved)
// and existing objects an edit changed in the session or marked for deletion at the save.
void windowMade(Tag window, Tag object);
void windowChanged(Tag window, Tag object);
void windowDeletes(Tag window, Tag object);
// Whether the window's edits marked the object for deletion.
bool deletedInWindow(Tag window, Tag object);
// Removes every line of every window that shows `occurrence`, with the lines below it: called
// when the occurrence goes, so that no line names it. Costs what it removes (an index of lines
// by occurrence), not the windows' lines.
void forgetLinesOf(Tag occurrence);
// Gives every window whose active arrangement is `arrangement` none: called when the arrangement
// is deleted, so that no window names it.
void forgetActiveArrangement(Tag arrangement);

}  // namespace host

SOACAD_API_END
