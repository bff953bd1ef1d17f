// Revision rules: which revision of an item a structure uses.
//
// A rule is an object of class "RevisionRule" (a workspace object, named by "object_name")
// with the values a client may set ("rule_unit": null or -1 for none; "rule_end_item";
// "rule_end_item_rev"; "rule_date": null for today) and the ordered list "entries" of objects
// of class "RevisionRuleEntry" ("entry_type", and for an override entry "override_folder").
// The entries are tried in order and the first that finds a revision of the item decides:
// - CFM_entry_working: the item's newest revision.
// - CFM_entry_override: the first revision of the item in the entry's override folder.
// - CFM_entry_date: the revision released last ("date_released") at or before the rule's date
//   (now when the rule has none).
// - CFM_entry_unit: among released revisions whose unit effectivity ("effectivity_unit_from"
//   to "effectivity_unit_to", open-ended when null) holds the rule's unit for the rule's end
//   item (or the item of its end item revision; a revision whose "effectivity_end_item" is null
//   serves any end item), the one released last. Finds nothing without a rule unit.
// A revision released at the same time as another wins when it is newer.
//
// Setters change the rule in the session (host bookkeeping: no lock, working values), so a
// transient copy (CFM_rule_copy) can be set up and used without ever being saved; AOM_save
// keeps the changes of a saved rule, AOM_refresh(rule, false) drops them.
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values first. Strings and arrays handed out are
// host blocks (SM_free).
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// Entry types of CFM_rule_list_entries.
enum : int {
  CFM_entry_working = 1,
  CFM_entry_override = 2,
  CFM_entry_date = 3,
  CFM_entry_unit = 4,
};

enum : int {
  // CFM_override_entry_*: the entry is not an override entry.
  CFM_not_override_entry = 43001,
  // CFM_find_default_rule: the store holds no revision rule.
  CFM_no_revision_rules = 43002,
  // CFM_rule_set_unit: a unit below -1.
  CFM_invalid_unit = 43003,
};

// The default rule: the one the preference "CFM_default_revision_rule" names, else the first
// rule made. CFM_no_revision_rules when there is none.
int CFM_find_default_rule(Tag* rule);
// Every live rule, oldest first (host array), transient copies included.
int CFM_list(int* count, Tag** rules);

// -1 when the rule has no unit.
int CFM_rule_ask_unit(Tag rule, int* unit);
// -1 removes the unit; below -1 fails with CFM_invalid_unit.
int CFM_rule_set_unit(Tag rule, int unit);
int CFM_rule_ask_end_item(Tag rule, Tag* item);
// An item, or null for none.
int CFM_rule_set_end_item(Tag rule, Tag item);
int CFM_rule_ask_end_item_rev(Tag rule, Tag* itemRevision);
// An item revision, or null for none.
int CFM_rule_set_end_item_rev(Tag rule, Tag itemRevision);
// The null date for a rule that configures by today's date.
int CFM_rule_ask_date(Tag rule, Date* date);
// The null date: configure by today's date.
int CFM_rule_set_date(Tag rule, const Date& date);
// The rule's entries in order and their types (two host arrays of `count` elements).
int CFM_rule_list_entries(Tag rule, int* count, int** entryTypes, Tag** entries);
// The override entry's folder; null when it has none.
int CFM_override_entry_ask_folder(Tag entry, Tag* folder);
// A folder, or null for none.
int CFM_override_entry_set_folder(Tag entry, Tag folder);
// Brings the rule up to date. Configurations are worked out whenever they are asked for, so
// this only checks the rule.
int CFM_rule_reevaluate(Tag rule);
// A transient copy of the rule and of its entries: newly created and never saved, named
// `name` (cut after WSO_name_size_c UTF-8 characters; null or empty: the rule's name), with the
// rule's values (an end item, end item revision or override folder that was deleted counts as
// none and is not copied). Deleting the copy (AOM_delete) deletes its entries with it.
int CFM_rule_copy(Tag rule, const char* name, Tag* copy);
// The revision of the item (or of a revision's item) that the rule configures, and how it was
// found ("Working", "Override", "Date" or "Unit", a host string); null and null when none.
int CFM_item_ask_configured(Tag rule, Tag itemOrRevision, Tag* revision, char** how);

namespace host {

// The default rule (see CFM_find_default_rule); null when there is none.
Tag defaultRevisionRule();
// The revision of `item` that `rule` configures (a null rule: the newest revision); null when
// none. `how` (may be null) gets the kind of entry that found it.
Tag configuredRevision(Tag rule, Tag item, std::string* how = nullptr);
// The entries of a rule, also after the rule itself was deleted; empty for anything else.
std::vector<Tag> entriesOfRule(Tag rule);
// The entries that a live transient copy (CFM_rule_copy) made for itself and that go when it
// is deleted; empty for a saved rule and for anything else.
std::vector<Tag> entriesOwnedByRule(Tag rule);

}  // namespace host

SOACAD_API_END
