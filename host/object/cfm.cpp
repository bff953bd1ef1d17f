#include "host/object/cfm.h"

#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/store.h"
#include "host/object/structure_support.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::WriteMode;

const host::BaseFixturePart kRevisionRuleClasses("cfm", R"(<fixture>
  <class name="ItemRevision" parent="WorkspaceObject">
    <property name="date_released" type="date"/>
    <property name="effectivity_unit_from" type="int"/>
    <property name="effectivity_unit_to" type="int"/>
    <property name="effectivity_end_item" type="reference"/>
  </class>
  <class name="RevisionRule" parent="WorkspaceObject">
    <property name="rule_unit" type="int"/>
    <property name="rule_end_item" type="reference"/>
    <property name="rule_end_item_rev" type="reference"/>
    <property name="rule_date" type="date"/>
    <property name="entries" type="reference" array="true"/>
  </class>
  <class name="RevisionRuleEntry" parent="POM_object">
    <property name="entry_type" type="int"/>
    <property name="override_folder" type="reference"/>
  </class>
  <type name="RevisionRule" class="RevisionRule"/>
  <type name="RevisionRuleEntry" class="RevisionRuleEntry"/>
  <message code="43001" text="The revision rule entry %1$ is not an override entry."/>
  <message code="43002" text="There is no revision rule."/>
  <message code="43003" text="%1$ is not a unit number."/>
</fixture>)");

constexpr const char* kRule = "RevisionRule";
constexpr const char* kEntry = "RevisionRuleEntry";

int requireRule(Tag rule) {
  return host::requireObject(rule, kRule);
}

int requireOverrideEntry(Tag entry) {
  if (const int status = host::requireObject(entry, kEntry)) {
    return status;
  }
  if (host::integerOf(entry, "entry_type", 0) != CFM_entry_override) {
    return host::storeError(CFM_not_override_entry, {tagText(entry)});
  }
  return 0;
}

// The later of two candidates by release date; a tie goes to the newer revision (`later`
// comes after `current` in the item's list).
bool releasedLater(Tag candidate, Tag best) {
  return best == NULLTAG || host::compareDates(host::dateOf(candidate, "date_released"),
                                               host::dateOf(best, "date_released")) >= 0;
}

Tag byOverride(Tag entry, Tag item) {
  const Tag folder = host::referenceOf(entry, "override_folder");
  for (Tag object : host::referencesOf(folder, "contents")) {
    if (Store::instance().isInstanceOf(object, "ItemRevision") &&
        host::referenceOf(object, "items_tag") == item) {
      return object;
    }
  }
  return NULLTAG;
}

Tag byDate(Tag rule, const host::TagList& revisions) {
  const Date ruleDate =
      host::hasValue(rule, "rule_date") ? host::dateOf(rule, "rule_date") : host::currentDate();
  Tag best;
  for (Tag revision : revisions) {
    if (!host::hasValue(revision, "date_released") ||
        host::compareDates(host::dateOf(revision, "date_released"), ruleDate) > 0) {
      continue;
    }
    if (releasedLater(revision, best)) {
      best = revision;
    }
  }
  return best;
}

Tag byUnit(Tag rule, const host::TagList& revisions) {
  const int unit = host::integerOf(rule, "rule_unit", -1);
  if (unit < 0) {
    return NULLTAG;
  }
  Tag endItem = host::referenceOf(rule, "rule_end_item");
  if (endItem == NULLTAG) {
    endItem = host::referenceOf(host::referenceOf(rule, "rule_end_item_rev"), "items_tag");
  }
  Tag best;
  for (Tag revision : revisions) {
    if (!host::hasValue(revision, "date_released") ||
        !host::hasValue(revision, "effectivity_unit_from")) {
      continue;
    }
    const int from = host::integerOf(revision, "effectivity_unit_from", 0);
    const int to = host::integerOf(revision, "effectivity_unit_to", -1);
    const Tag effectiveFor = host::referenceOf(revision, "effectivity_end_item");
    if (unit < from || (host::hasValue(revision, "effectivity_unit_to") && unit > to) ||
        (effectiveFor != NULLTAG && effectiveFor != endItem)) {
      continue;
    }
    if (releasedLater(revision, best)) {
      best = revision;
    }
  }
  return best;
}

// The reference `name` of `object` when it names a live object; null otherwise. A rule keeps
// what it names after that is deleted (an end item, an override folder), which counts as none;
// a copy takes none.
Tag liveReferenceOf(Tag object, const char* name) {
  const Tag named = host::referenceOf(object, name);
  return Store::instance().isLive(named) ? named : NULLTAG;
}

int copyEntry(Tag entry, Tag* copy) {
  if (const int status = host::createObjectOfClass(kEntry, copy)) {
    return status;
  }
  host::writeInteger(*copy, "entry_type", host::integerOf(entry, "entry_type", 0),
                     WriteMode::initial);
  host::writeReference(*copy, "override_folder", liveReferenceOf(entry, "override_folder"),
                       WriteMode::initial);
  return 0;
}

}  // namespace

namespace host {

Tag defaultRevisionRule() {
  Store& store = Store::instance();
  const std::vector<Tag> rules = store.objectsOfClass(store.classId(kRule));
  if (const Preference* preference = lookUpPreference("CFM_default_revision_rule")) {
    const std::string name = preference->values.empty() ? std::string() : preference->values[0];
    for (Tag rule : rules) {
      if (textOf(rule, "object_name") == name) {
        return rule;
      }
    }
  }
  return rules.empty() ? NULLTAG : rules.front();
}

Tag configuredRevision(Tag rule, Tag item, std::string* how) {
  if (how != nullptr) {
    how->clear();
  }
  const TagList revisions = revisionsOfItem(item);
  if (rule == NULLTAG) {
    if (!revisions.empty() && how != nullptr) {
      *how = "Working";
    }
    return revisions.empty() ? NULLTAG : revisions.back();
  }
  for (Tag entry : referencesOf(rule, "entries")) {
    Tag found;
    const char* kind = "";
    switch (integerOf(entry, "entry_type", 0)) {
      case CFM_entry_working:
        found = revisions.empty() ? NULLTAG : revisions.back();
        kind = "Working";
        break;
      case CFM_entry_override:
        found = byOverride(entry, item);
        kind = "Override";
        break;
      case CFM_entry_date:
        found = byDate(rule, revisions);
        kind = "Date";
        break;
      case CFM_entry_unit:
        found = byUnit(rule, revisions);
        kind = "Unit";
        break;
      default:
        break;
    }
    if (found != NULLTAG) {
      if (how != nullptr) {
        *how = kind;
      }
      return found;
    }
  }
  return NULLTAG;
}

std::vector<Tag> entriesOfRule(Tag rule) {
  const ObjectRecord* record = Store::instance().findExisting(rule);
  if (record == nullptr ||
      !Store::instance().isDescendant(Store::instance().classId(kRule), record->classId)) {
    return {};
  }
  const PropertyState* entries = record->properties.find("entries");
  return entries == nullptr ? std::vector<Tag>() : std::vector<Tag>(entries->current().tags);
}

std::vector<Tag> entriesOwnedByRule(Tag rule) {
  const ObjectRecord* record = Store::instance().find(rule);
  if (record == nullptr || !record->newlyCreated) {
    return {};
  }
  std::vector<Tag> owned;
  for (Tag entry : entriesOfRule(rule)) {
    const ObjectRecord* found = Store::instance().find(entry);
    if (found != nullptr && found->newlyCreated) {
      owned.push_back(entry);
    }
  }
  return owned;
}

}  // namespace host

int CFM_find_default_rule(Tag* rule) {
  if (rule == nullptr) {
    return missingArgument("CFM_find_default_rule");
  }
  *rule = NULLTAG;
  HOST_CALL("CFM_find_default_rule", NULLTAG);
  const Tag found = host::defaultRevisionRule();
  if (found == NULLTAG) {
    return host::storeError(CFM_no_revision_rules);
  }
  *rule = found;
  return 0;
}

int CFM_list(int* count, Tag** rules) {
  if (count == nullptr || rules == nullptr) {
    return missingArgument("CFM_list");
  }
  *count = 0;
  *rules = nullptr;
  HOST_CALL("CFM_list", NULLTAG);
  Store& store = Store::instance();
  const std::vector<Tag> list = store.objectsOfClass(store.classId(kRule));
  return host::handOutTags(list, count, rules);
}

int CFM_rule_ask_unit(Tag rule, int* unit) {
  if (unit == nullptr) {
    return missingArgument("CFM_rule_ask_unit");
  }
  *unit = -1;
  HOST_CALL("CFM_rule_ask_unit", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  *unit = host::integerOf(rule, "rule_unit", -1);
  return 0;
}

int CFM_rule_set_unit(Tag rule, int unit) {
  HOST_CALL("CFM_rule_set_unit", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  if (unit < -1) {
    return host::storeError(CFM_invalid_unit, {std::to_string(unit)});
  }
  if (unit == -1) {
    return host::clearValue(rule, "rule_unit", WriteMode::host);
  }
  return host::writeInteger(rule, "rule_unit", unit, WriteMode::host);
}

int CFM_rule_ask_end_item(Tag rule, Tag* item) {
  if (item == nullptr) {
    return missingArgument("CFM_rule_ask_end_item");
  }
  *item = NULLTAG;
  HOST_CALL("CFM_rule_ask_end_item", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  *item = host::referenceOf(rule, "rule_end_item");
  return 0;
}

int CFM_rule_set_end_item(Tag rule, Tag item) {
  HOST_CALL("CFM_rule_set_end_item", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  if (item != NULLTAG) {
    if (const int status = host::requireObject(item, "Item")) {
      return status;
    }
  }
  return host::writeReference(rule, "rule_end_item", item, WriteMode::host);
}

int CFM_rule_ask_end_item_rev(Tag rule, Tag* itemRevision) {
  if (itemRevision == nullptr) {
    return missingArgument("CFM_rule_ask_end_item_rev");
  }
  *itemRevision = NULLTAG;
  HOST_CALL("CFM_rule_ask_end_item_rev", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  *itemRevision = host::referenceOf(rule, "rule_end_item_rev");
  return 0;
}

int CFM_rule_set_end_item_rev(Tag rule, Tag itemRevision) {
  HOST_CALL("CFM_rule_set_end_item_rev", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  if (itemRevision != NULLTAG) {
    if (const int status = host::requireObject(itemRevision, "ItemRevision")) {
      return status;
    }
  }
  return host::writeReference(rule, "rule_end_item_rev", itemRevision, WriteMode::host);
}

int CFM_rule_ask_date(Tag rule, Date* date) {
  if (date == nullptr) {
    return missingArgument("CFM_rule_ask_date");
  }
  *date = Date();
  HOST_CALL("CFM_rule_ask_date", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  *date = host::dateOf(rule, "rule_date");
  return 0;
}

int CFM_rule_set_date(Tag rule, const Date& date) {
  HOST_CALL("CFM_rule_set_date", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  return host::writeDate(rule, "rule_date", date, WriteMode::host);
}

int CFM_rule_list_entries(Tag rule, int* count, int** entryTypes, Tag** entries) {
  if (count == nullptr || entryTypes == nullptr || entries == nullptr) {
    return missingArgument("CFM_rule_list_entries");
  }
  *count = 0;
  *entryTypes = nullptr;
  *entries = nullptr;
  HOST_CALL("CFM_rule_list_entries", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  std::vector<Tag> list;
  std::vector<int> types;
  for (Tag entry : host::referencesOf(rule, "entries")) {
    if (Store::instance().isInstanceOf(entry, kEntry)) {
      list.push_back(entry);
      types.push_back(host::integerOf(entry, "entry_type", 0));
    }
  }
  *entryTypes = host::allocateIntegers(types);
  return host::handOutTags(list, count, entries);
}

int CFM_override_entry_ask_folder(Tag entry, Tag* folder) {
  if (folder == nullptr) {
    return missingArgument("CFM_override_entry_ask_folder");
  }
  *folder = NULLTAG;
  HOST_CALL("CFM_override_entry_ask_folder", entry);
  if (const int status = requireOverrideEntry(entry)) {
    return status;
  }
  *folder = host::referenceOf(entry, "override_folder");
  return 0;
}

int CFM_override_entry_set_folder(Tag entry, Tag folder) {
  HOST_CALL("CFM_override_entry_set_folder", entry);
  if (const int status = requireOverrideEntry(entry)) {
    return status;
  }
  if (folder != NULLTAG) {
    if (const int status = host::requireObject(folder, "Folder")) {
      return status;
    }
  }
  return host::writeReference(entry, "override_folder", folder, WriteMode::host);
}

int CFM_rule_reevaluate(Tag rule) {
  HOST_CALL("CFM_rule_reevaluate", rule);
  return requireRule(rule);
}

int CFM_rule_copy(Tag rule, const char* name, Tag* copy) {
  if (copy == nullptr) {
    return missingArgument("CFM_rule_copy");
  }
  *copy = NULLTAG;
  HOST_CALL("CFM_rule_copy", rule);
  if (const int status = requireRule(rule)) {
    return status;
  }
  Store& store = Store::instance();
  std::vector<Tag> entries;
  for (Tag entry : host::referencesOf(rule, "entries")) {
    if (!store.isInstanceOf(entry, kEntry)) {
      continue;
    }
    Tag copied;
    if (const int status = copyEntry(entry, &copied)) {
      return status;
    }
    entries.push_back(copied);
  }
  Tag created;
  if (const int status =
          store.createObject(store.find(rule)->classId, store.find(rule)->type, &created)) {
    return status;
  }
  const std::string given = name != nullptr ? name : "";
  const std::string copyName = given.empty() ? host::textOf(rule, "object_name") : given;
  host::writeText(created, "object_name",
                  copyName.substr(0, host::utf8CharacterPrefixLength(copyName, WSO_name_size_c)),
                  WriteMode::initial);
  host::writeText(created, "object_desc", host::textOf(rule, "object_desc"), WriteMode::initial);
  host::writeReference(created, "owning_user", store.currentUser(), WriteMode::initial);
  if (host::hasValue(rule, "rule_unit")) {
    host::writeInteger(created, "rule_unit", host::integerOf(rule, "rule_unit", -1),
                       WriteMode::initial);
  }
  host::writeReference(created, "rule_end_item", liveReferenceOf(rule, "rule_end_item"),
                       WriteMode::initial);
  host::writeReference(created, "rule_end_item_rev", liveReferenceOf(rule, "rule_end_item_rev"),
                       WriteMode::initial);
  host::writeDate(created, "rule_date", host::dateOf(rule, "rule_date"), WriteMode::initial);
  host::writeReferences(created, "entries", entries, WriteMode::initial);
  *copy = created;
  return 0;
}

int CFM_item_ask_configured(Tag rule, Tag itemOrRevision, Tag* revision, char** how) {
  if (revision == nullptr || how == nullptr) {
    return missingArgument("CFM_item_ask_configured");
  }
  *revision = NULLTAG;
  *how = nullptr;
  HOST_CALL("CFM_item_ask_configured", itemOrRevision);
  if (const int status = requireRule(rule)) {
    return status;
  }
  Store& store = Store::instance();
  Tag item = itemOrRevision;
  if (store.isInstanceOf(itemOrRevision, "ItemRevision")) {
    item = host::referenceOf(itemOrRevision, "items_tag");
  } else if (const int status = host::requireObject(itemOrRevision, "Item")) {
    return status;
  }
  std::string kind;
  const Tag found = host::configuredRevision(rule, item, &kind);
  if (found != NULLTAG) {
    *revision = found;
    *how = SM_string_copy(kind.c_str());
  }
  return 0;
}
