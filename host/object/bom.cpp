#include "host/object/bom.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/object/absocc.h"
#include "host/object/arr.h"
#include "host/object/cfm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/ps.h"
#include "host/object/store.h"
#include "host/object/structure_objects.h"
#include "host/object/structure_support.h"
#include "host/object/tag_table.h"
#include "host/object/value.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::WriteMode;

const host::BaseFixturePart kBomClasses("bom", R"(<fixture>
  <class name="BOMWindow" parent="POM_object">
    <property name="top_line" type="reference"/>
    <property name="config_rule" type="reference"/>
    <property name="view_type" type="reference"/>
    <property name="pack_all" type="logical"/>
    <property name="show_unconfigured" type="logical"/>
    <property name="active_arrangement" type="reference"/>
    <property name="abs_occ_edit_mode" type="logical"/>
    <property name="context_line" type="reference"/>
    <property name="ignore_arrangements" type="logical"/>
    <property name="variant_rule" type="reference"/>
    <property name="option_set" type="reference"/>
    <property name="variant_configs" type="reference" array="true"/>
    <property name="on_bulletin_board" type="logical"/>
    <property name="lines" type="reference" array="true"/>
    <property name="made" type="reference" array="true"/>
    <property name="changed" type="reference" array="true"/>
    <property name="deletions" type="reference" array="true"/>
  </class>
  <class name="BOMLine" parent="POM_object">
    <property name="bom_window" type="reference"/>
    <property name="parent_line" type="reference"/>
    <property name="parent_bvr" type="reference"/>
    <property name="occurrence" type="reference"/>
    <property name="top_item" type="reference"/>
    <property name="top_revision" type="reference"/>
    <property name="top_bom_view" type="reference"/>
    <property name="child_lines" type="reference" array="true"/>
  </class>
  <class name="GDELine" parent="BOMLine"/>
  <class name="VariantRule" parent="WorkspaceObject">
    <property name="option_names" type="string" array="true"/>
    <property name="option_values" type="string" array="true"/>
    <property name="bom_window" type="reference"/>
  </class>
  <class name="StoredOptionSet" parent="WorkspaceObject">
    <property name="option_names" type="string" array="true"/>
    <property name="option_values" type="string" array="true"/>
  </class>
  <class name="OptionSet" parent="POM_object">
    <property name="bom_window" type="reference"/>
  </class>
  <class name="VariantConfig" parent="POM_object">
    <property name="variant_rule" type="reference"/>
    <property name="option_sets" type="reference" array="true"/>
    <property name="option_names" type="string" array="true"/>
    <property name="option_values" type="string" array="true"/>
  </class>
  <type name="BOMWindow" class="BOMWindow"/>
  <type name="BOMLine" class="BOMLine"/>
  <type name="ZoltItemLine" class="BOMLine" parent="BOMLine"/>
  <type name="GDELine" class="GDELine" parent="BOMLine"/>
  <type name="VariantRuleP" class="VariantRule"/>
  <type name="VariantRule" class="VariantRule" parent="VariantRuleP"/>
  <type name="StoredOptionSet" class="StoredOptionSet"/>
  <type name="OptionSet" class="OptionSet"/>
  <type name="VariantConfig" class="VariantConfig"/>
  <message code="45001" text="There is no BOM line attribute %1$."/>
  <message code="45002" text="The BOM line attribute %1$ cannot be set."/>
  <message code="45003" text="The BOM line attribute %1$ is not a reference."/>
  <message code="45004" text="The BOM line %1$ has no occurrence."/>
  <message code="45005" text="The BOM line %1$ has no structure to change."/>
  <message code="45006" text="&quot;%1$&quot; is not a quantity."/>
  <message code="45007" text="%1$ and %2$ do not make a child of a structure."/>
  <message code="45008" text="The BOM line %1$ is not a line of the window %2$."/>
  <message code="45009" text="%1$ contains the structure %2$ and cannot become a child of it."/>
</fixture>)");

constexpr const char* kWindow = "BOMWindow";
constexpr const char* kLine = "BOMLine";
constexpr const char* kVariantRule = "VariantRule";

// --- Attribute names ---------------------------------------------------------------------------

struct BuiltIn {
  const char* name;
  int id;
};
const BuiltIn kBuiltIns[] = {
    {"bl_revision", BOM_attribute_revision},
    {"bl_item", BOM_attribute_item},
    {"bl_occurrence", BOM_attribute_occurrence},
    {"bl_occurrence_uid", BOM_attribute_occurrence_uid},
    {"bl_quantity", BOM_attribute_quantity},
    {"bl_sequence_no", BOM_attribute_sequence_no},
    {"bl_absocc_uid_in_topline_context", BOM_attribute_absocc_uid_in_topline_context},
    {"bl_bomview_rev", BOM_attribute_bomview_rev},
};

// Note types get ids in the order they are first looked up, until the next reset.
std::vector<std::string>& noteAttributes() {
  static std::vector<std::string> names;
  return names;
}
const host::ResetHook kForgetNoteAttributes([] { noteAttributes().clear(); });

// The name of an attribute id; null for an id that names none.
const std::string* attributeName(int id) {
  static std::vector<std::string> builtInNames = [] {
    std::vector<std::string> names;
    for (const BuiltIn& builtIn : kBuiltIns) {
      names.push_back(builtIn.name);
    }
    return names;
  }();
  if (id >= BOM_attribute_revision && id <= BOM_attribute_bomview_rev) {
    return &builtInNames[static_cast<std::size_t>(id - BOM_attribute_revision)];
  }
  const std::vector<std::string>& notes = noteAttributes();
  if (id >= BOM_first_note_attribute &&
      static_cast<std::size_t>(id - BOM_first_note_attribute) < notes.size()) {
    return &notes[static_cast<std::size_t>(id - BOM_first_note_attribute)];
  }
  return nullptr;
}

bool isNoteType(const std::string& name) {
  Store& store = Store::instance();
  for (Tag noteType : store.objectsOfClass(store.classId("PSNoteType"))) {
    if (host::textOf(noteType, "object_name") == name) {
      return true;
    }
  }
  return false;
}

int requireAttribute(int id, const std::string** name) {
  *name = attributeName(id);
  if (*name == nullptr) {
    return host::storeError(BOM_no_such_attribute, {std::to_string(id)});
  }
  return 0;
}

// --- Windows and lines --------------------------------------------------------------------------

int requireWindow(Tag window) {
  return host::requireObject(window, kWindow);
}

int requireLine(Tag line) {
  return host::requireObject(line, kLine);
}

Tag occurrenceOf(Tag line) {
  return host::referenceOf(line, "occurrence");
}

bool isGde(Tag object) {
  return Store::instance().isInstanceOf(object, "GDE");
}

// The item an occurrence uses (null for a generic design element).
Tag occurrenceItem(Tag occurrence) {
  const Tag item = host::referenceOf(occurrence, "child_item");
  if (item != NULLTAG) {
    return isGde(item) ? NULLTAG : item;
  }
  return host::referenceOf(host::referenceOf(occurrence, "child_revision"), "items_tag");
}

// The rule that configures the window: its own, else the default one (null: newest revisions).
Tag windowRule(Tag window) {
  const Tag rule = host::referenceOf(window, "config_rule");
  return Store::instance().isInstanceOf(rule, "RevisionRule") ? rule : host::defaultRevisionRule();
}

Tag configuredRevisionOfLine(Tag line) {
  const Tag window = host::windowOfLine(line);
  const Tag occurrence = occurrenceOf(line);
  if (occurrence == NULLTAG) {
    const Tag revision = host::referenceOf(line, "top_revision");
    return revision != NULLTAG
               ? revision
               : host::configuredRevision(windowRule(window), host::referenceOf(line, "top_item"));
  }
  if (isGde(host::referenceOf(occurrence, "child_item"))) {
    return NULLTAG;
  }
  const Tag revision = host::referenceOf(occurrence, "child_revision");
  if (revision != NULLTAG && host::flagOf(host::referenceOf(line, "parent_bvr"), "is_precise")) {
    return revision;
  }
  return host::configuredRevision(windowRule(window), occurrenceItem(occurrence));
}

Tag itemOfLine(Tag line) {
  const Tag occurrence = occurrenceOf(line);
  if (occurrence != NULLTAG) {
    return occurrenceItem(occurrence);
  }
  const Tag item = host::referenceOf(line, "top_item");
  return item != NULLTAG ? item
                         : host::referenceOf(host::referenceOf(line, "top_revision"), "items_tag");
}

// The option values of the window's variant rule.
std::map<std::string, std::string> windowOptions(Tag window) {
  std::map<std::string, std::string> options;
  const Tag rule = host::referenceOf(window, "variant_rule");
  const std::vector<std::string> names = host::textsOf(rule, "option_names");
  const std::vector<std::string> values = host::textsOf(rule, "option_values");
  for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
    options[names[i]] = values[i];
  }
  return options;
}

bool configuredOut(const std::map<std::string, std::string>& options, Tag occurrence) {
  if (options.empty()) {
    return false;
  }
  for (const std::string& condition : host::textsOf(occurrence, "variant_conditions")) {
    const std::size_t equals = condition.find('=');
    if (equals == std::string::npos) {
      continue;
    }
    auto option = options.find(condition.substr(0, equals));
    if (option != options.end() && option->second != condition.substr(equals + 1)) {
      return true;
    }
  }
  return false;
}

void appendReference(Tag object, const char* name, Tag value) {
  Store::instance().insertReference(object, name, static_cast<std::size_t>(-1), value,
                                    WriteMode::initial);
}

int makeLine(Tag window, Tag parent, Tag parentBvr, Tag occurrence, Tag* line) {
  const bool gde = occurrence != NULLTAG && isGde(host::referenceOf(occurrence, "child_item"));
  if (const int status = host::createObjectOfClass(gde ? "GDELine" : kLine, line,
                                                   gde ? "GDELine" : "ZoltItemLine")) {
    return status;
  }
  host::writeReference(*line, "bom_window", window, WriteMode::initial);
  host::writeReference(*line, "parent_line", parent, WriteMode::initial);
  host::writeReference(*line, "parent_bvr", parentBvr, WriteMode::initial);
  host::writeReference(*line, "occurrence", occurrence, WriteMode::initial);
  appendReference(window, "lines", *line);
  return 0;
}

// The child lines of a line by occurrence, as its last synchronisation left them, for lines whose
// children are looked up one occurrence at a time (the path of an absolute occurrence). The memo
// holds while the line's structure is the same view revision and neither the line (its child
// list) nor that view revision (its occurrence list) changed since (Store::changeStamp); the line
// it answers is checked to be live and still of that structure, and its occurrence still an
// occurrence, so that what the stamps do not cover (an object deleted or brought back on its own)
// makes the lookup synchronise again rather than answer wrongly.
struct ChildLineMemo {
  Tag bvr;
  std::uint32_t bvrStamp = 0;
  std::uint32_t lineStamp = 0;
  std::unordered_map<Tag, Tag> byOccurrence;  // The first child line of each occurrence.
  std::vector<Tag> skipped;  // Entries of the occurrence list that were no occurrence then.
};

std::unordered_map<Tag, ChildLineMemo>& childLineMemos() {
  static std::unordered_map<Tag, ChildLineMemo> memos;
  return memos;
}
const host::ResetHook kForgetChildLineMemos([] { childLineMemos().clear(); });
const host::LoadHook kForgetChildLineMemosOnLoad([] { childLineMemos().clear(); });

// What names a line besides its parent once it went: its window's list of lines, the window's
// context line, the memo of its children.
void forgetLine(Tag window, Tag line) {
  Store::instance().removeReference(window, "lines", line, WriteMode::initial);
  if (host::referenceOf(window, "context_line") == line) {
    host::writeReference(window, "context_line", NULLTAG, WriteMode::initial);
  }
  childLineMemos().erase(line);
}

// Removes the line and every line below it, each after the lines below it, children in their
// order. Walks with a stack of its own: a line tree is as deep as the structure it shows.
void removeLineTree(Tag line) {
  Store& store = Store::instance();
  const Tag window = host::windowOfLine(line);
  struct Frame {
    Tag line;
    std::vector<Tag> children;
    std::size_t next = 0;
  };
  std::vector<Frame> pending;
  auto enter = [&](Tag at) {
    if (store.find(at) != nullptr) {
      pending.push_back(Frame{at, host::referencesOf(at, "child_lines")});
    }
  };
  enter(line);
  while (!pending.empty()) {
    Frame& top = pending.back();
    if (top.next < top.children.size()) {
      enter(top.children[top.next++]);
      continue;
    }
    store.remove(top.line);
    forgetLine(window, top.line);
    pending.pop_back();
  }
}

// A line for every occurrence of the structure below `line`, in its order: the lines made
// before are kept, new occurrences get new lines, lines whose occurrence left go.
std::vector<Tag> syncChildLines(Tag line) {
  Store& store = Store::instance();
  const Tag window = host::windowOfLine(line);
  const Tag bvr = host::structureOfLine(line);
  const std::vector<Tag> before = host::referencesOf(line, "child_lines");
  // The lines that may stay, the first of each occurrence, sorted by occurrence: each occurrence
  // is found by a binary search in one array, with no node allocated per child (a line may have
  // 100,000 children, synchronised at every expansion). When the occurrences come in the order
  // of the lines, as they do when nothing changed, each is the entry after the last one found and
  // needs no search, and the array is sorted already.
  struct Kept {
    std::uint32_t occurrence;
    Tag child;
    std::uint32_t at;  // Its position in `before`.
    bool taken;
  };
  std::vector<Kept> kept;
  kept.reserve(before.size());
  for (std::size_t at = 0; at < before.size(); ++at) {
    const Tag child = before[at];
    if (store.find(child) != nullptr && host::referenceOf(child, "parent_bvr") == bvr) {
      kept.push_back(Kept{occurrenceOf(child), child, static_cast<std::uint32_t>(at), false});
    }
  }
  auto byOccurrence = [](const Kept& a, const Kept& b) { return a.occurrence < b.occurrence; };
  if (!std::is_sorted(kept.begin(), kept.end(), byOccurrence)) {
    std::stable_sort(kept.begin(), kept.end(), byOccurrence);
  }
  kept.erase(std::unique(kept.begin(), kept.end(),
                         [](const Kept& a, const Kept& b) { return a.occurrence == b.occurrence; }),
             kept.end());
  std::vector<Tag> lines;
  auto next = kept.begin();
  if (bvr != NULLTAG) {
    for (Tag occurrence : host::occurrencesOf(bvr)) {
      if (!store.isInstanceOf(occurrence, "PSOccurrence")) {
        continue;
      }
      auto found = next != kept.end() && next->occurrence == occurrence
                       ? next
                       : std::lower_bound(kept.begin(), kept.end(),
                                          Kept{occurrence, NULLTAG, 0, false}, byOccurrence);
      Tag child;
      if (found != kept.end() && found->occurrence == occurrence && !found->taken) {
        child = found->child;
        found->taken = true;
        next = found + 1;
      } else if (makeLine(window, line, bvr, occurrence, &child) != 0) {
        continue;
      }
      lines.push_back(child);
    }
  }
  // A line of `before` stays when it was taken; every other one goes, in the order listed.
  std::vector<bool> stays(before.size());
  for (const Kept& entry : kept) {
    stays[entry.at] = entry.taken;
  }
  for (std::size_t at = 0; at < before.size(); ++at) {
    if (!stays[at]) {
      removeLineTree(before[at]);
    }
  }
  if (lines != before) {
    host::writeReferences(line, "child_lines", lines, WriteMode::initial);
  }
  return lines;
}

bool isOccurrence(Tag object) {
  return Store::instance().isInstanceOf(object, "PSOccurrence");
}

// What each window's list of deletions holds, as a set: asking whether a window deletes an object
// costs a probe, not a pass over a list that grows with every deletion of the edit. A window's set
// is dropped whenever the store changes that list (a rollback, the save that empties it) and made
// again from the list when next asked; windowDeletes adds its own entry in place.
std::unordered_map<Tag, std::unordered_set<Tag>>& deletionSets() {
  static std::unordered_map<Tag, std::unordered_set<Tag>> sets;
  return sets;
}
const host::ResetHook kForgetDeletionSets([] { deletionSets().clear(); });
const host::PropertyWatch kWatchDeletions("deletions",
                                          [](Tag window) { deletionSets().erase(window); });

// The memo's answer for `occurrence` below `line` when it still holds: true with `*child` set
// (null: no child line has that occurrence); false when the line must be synchronised.
bool memoisedChildLine(Tag line, Tag bvr, Tag occurrence, Tag* child) {
  const auto& memos = childLineMemos();
  auto memo = memos.find(line);
  const Store& store = Store::instance();
  if (memo == memos.end() || memo->second.bvr != bvr ||
      memo->second.bvrStamp != store.changeStamp(bvr) ||
      memo->second.lineStamp != store.changeStamp(line)) {
    return false;
  }
  auto found = memo->second.byOccurrence.find(occurrence);
  if (found == memo->second.byOccurrence.end()) {
    const std::vector<Tag>& skipped = memo->second.skipped;
    *child = NULLTAG;
    return std::find(skipped.begin(), skipped.end(), occurrence) == skipped.end() ||
           !isOccurrence(occurrence);
  }
  *child = found->second;
  return store.isLive(*child) && host::referenceOf(*child, "parent_bvr") == bvr &&
         isOccurrence(occurrence);
}

std::vector<Tag> shownChildLines(Tag line) {
  const Tag window = host::windowOfLine(line);
  const std::map<std::string, std::string> options = windowOptions(window);
  const bool showUnconfigured = host::flagOf(window, "show_unconfigured");
  const bool packAll = host::flagOf(window, "pack_all");
  std::set<std::pair<Tag, Tag>> packed;
  std::vector<Tag> shown;
  for (Tag child : syncChildLines(line)) {
    const Tag occurrence = occurrenceOf(child);
    if (isGde(host::referenceOf(occurrence, "child_item"))) {
      shown.push_back(child);
      continue;
    }
    if (configuredOut(options, occurrence)) {
      continue;
    }
    const Tag revision = configuredRevisionOfLine(child);
    if (revision == NULLTAG && !showUnconfigured) {
      continue;
    }
    if (packAll && !packed.insert({occurrenceItem(occurrence), revision}).second) {
      continue;
    }
    shown.push_back(child);
  }
  return shown;
}

// --- Occurrence data ---------------------------------------------------------------------------

std::string quantityText(bool asRequired, double quantity, bool hasQuantity) {
  if (asRequired) {
    return "AR";
  }
  return hasQuantity ? host::realText(quantity) : std::string();
}

int parseQuantityText(const std::string& text, bool* asRequired, double* quantity) {
  *asRequired = false;
  *quantity = 0.0;
  if (text.empty()) {
    return 0;
  }
  if (text.size() == 2 && (text[0] == 'A' || text[0] == 'a') &&
      (text[1] == 'R' || text[1] == 'r')) {
    *asRequired = true;
    return 0;
  }
  double value = 0.0;
  if (!host::parseReal(text, &value) || !std::isfinite(value) || !(value > 0.0)) {
    return host::storeError(BOM_invalid_quantity, {text});
  }
  *quantity = value;
  return 0;
}

std::string noteOf(Tag occurrence, const std::string& noteType) {
  const std::vector<std::string> types = host::textsOf(occurrence, "note_types");
  const std::vector<std::string> texts = host::textsOf(occurrence, "note_texts");
  for (std::size_t i = 0; i < types.size() && i < texts.size(); ++i) {
    if (types[i] == noteType) {
      return texts[i];
    }
  }
  return std::string();
}

// The value of a string attribute as the line's window reads it.
std::string attributeText(Tag line, int id, const std::string& name) {
  Store& store = Store::instance();
  const Tag occurrence = occurrenceOf(line);
  switch (id) {
    case BOM_attribute_revision:
      return store.uidOfTag(configuredRevisionOfLine(line));
    case BOM_attribute_item:
      return store.uidOfTag(itemOfLine(line));
    case BOM_attribute_occurrence:
    case BOM_attribute_occurrence_uid:
      return store.uidOfTag(occurrence);
    case BOM_attribute_absocc_uid_in_topline_context:
      return host::absOccurrenceUidInTopLineContext(line);
    case BOM_attribute_bomview_rev:
      return store.uidOfTag(host::structureOfLine(line));
    default:
      break;
  }
  if (occurrence == NULLTAG) {
    return std::string();
  }
  std::string value;
  if (host::findOverride(line, name, &value)) {
    return value;
  }
  switch (id) {
    case BOM_attribute_quantity:
      return quantityText(host::flagOf(occurrence, "as_required"),
                          host::realOf(occurrence, "quantity", 0.0),
                          host::hasValue(occurrence, "quantity"));
    case BOM_attribute_sequence_no:
      return host::textOf(occurrence, "seq_no");
    default:
      return noteOf(occurrence, name);
  }
}

// The line's occurrence, for a change of its data; BOM_line_has_no_occurrence for the top line.
int occurrenceForEdit(Tag line, Tag* occurrence) {
  *occurrence = occurrenceOf(line);
  if (*occurrence == NULLTAG) {
    return host::storeError(BOM_line_has_no_occurrence, {tagText(line)});
  }
  return 0;
}

// Writes occurrence data of the line in the session and records the change with the window.
// The view revision holding the occurrence must be editable (an override in context needs the
// context's view revision instead, see absocc.h).
int writeOccurrenceData(Tag line, Tag occurrence,
                        const std::vector<std::pair<const char*, host::Value>>& values) {
  if (const int status = host::requireStructureEditable(host::referenceOf(line, "parent_bvr"))) {
    return status;
  }
  Store& store = Store::instance();
  for (const auto& value : values) {
    if (const int status = store.write(occurrence, value.first, value.second, WriteMode::host)) {
      return status;
    }
  }
  host::windowChanged(host::windowOfLine(line), occurrence);
  return 0;
}

host::Value texts(std::vector<std::string> values) {
  return host::Value{std::move(values), {}};
}

host::Value optionalText(const std::string& value) {
  return value.empty() ? host::Value() : texts({value});
}

int setNote(Tag line, Tag occurrence, const std::string& noteType, const std::string& text) {
  std::vector<std::string> types = host::textsOf(occurrence, "note_types");
  std::vector<std::string> notes = host::textsOf(occurrence, "note_texts");
  notes.resize(types.size());
  auto found = std::find(types.begin(), types.end(), noteType);
  if (found != types.end()) {
    const std::size_t at = static_cast<std::size_t>(found - types.begin());
    if (text.empty()) {
      types.erase(found);
      notes.erase(notes.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
      notes[at] = text;
    }
  } else if (!text.empty()) {
    types.push_back(noteType);
    notes.push_back(text);
  }
  return writeOccurrenceData(line, occurrence,
                             {{"note_types", texts(types)}, {"note_texts", texts(notes)}});
}

int setQuantityOfLine(Tag line, bool asRequired, double quantity) {
  if (!std::isfinite(quantity) || quantity < 0.0) {
    return host::storeError(BOM_invalid_quantity, {host::realText(quantity)});
  }
  Tag occurrence;
  if (const int status = occurrenceForEdit(line, &occurrence)) {
    return status;
  }
  const bool hasQuantity = !asRequired && quantity > 0.0;
  if (host::absoluteEditApplies(line)) {
    return host::writeOverride(line, "bl_quantity",
                               quantityText(asRequired, quantity, hasQuantity));
  }
  return writeOccurrenceData(
      line, occurrence,
      {{"as_required", asRequired ? texts({"true"}) : host::Value()},
       {"quantity", hasQuantity ? texts({host::realText(quantity)}) : host::Value()}});
}

// The child an add or a substitution names: the revision's item, or the item alone.
int resolveChild(Tag item, Tag revision, bool allowGde, Tag* childItem) {
  *childItem = NULLTAG;
  Store& store = Store::instance();
  if (revision != NULLTAG) {
    if (const int status = host::requireObject(revision, "ItemRevision")) {
      return status;
    }
    const Tag ofRevision = host::referenceOf(revision, "items_tag");
    if (item != NULLTAG && item != ofRevision) {
      return host::storeError(BOM_invalid_child, {tagText(item), tagText(revision)});
    }
    *childItem = ofRevision;
    return 0;
  }
  if (item == NULLTAG) {
    return host::storeError(BOM_invalid_child, {tagText(item), tagText(revision)});
  }
  if (!store.isInstanceOf(item, "Item") && !(allowGde && isGde(item))) {
    return host::storeError(POM_invalid_tag, {tagText(item)});
  }
  *childItem = item;
  return 0;
}

// The structure a child in `window` shows: that of the revision the occurrence names (when the
// parent is `precise`) or the window's rule configures, through `view` when one is named, else
// through the window's view type. Null for a child without one.
Tag childStructure(Tag window, bool precise, Tag childItem, Tag revision, Tag view) {
  if (childItem == NULLTAG || isGde(childItem)) {
    return NULLTAG;
  }
  const Tag configured = revision != NULLTAG && precise
                             ? revision
                             : host::configuredRevision(windowRule(window), childItem);
  if (configured == NULLTAG) {
    return NULLTAG;
  }
  if (view != NULLTAG) {
    const Tag bvr = host::bomViewRevisionOfView(configured, view);
    if (bvr != NULLTAG) {
      return bvr;
    }
  }
  return host::bomViewRevisionFor(configured, host::referenceOf(window, "view_type"));
}

// The cycle check counts what a structure holds in the saved store as well as what the session
// reads: an edit that another open window has not saved (a cut, a substitution, a change of the
// precise flag) is taken back when that window closes unsaved, so a child refused neither way
// can never make the saved store contain itself, whichever windows are saved in the end.

// The first tag of a saved value, or of what the session reads when it has no unsaved value.
Tag savedReferenceOr(const host::Value* saved, Tag object, const char* name) {
  if (saved == nullptr) {
    return host::referenceOf(object, name);
  }
  return saved->tags.empty() ? NULLTAG : saved->tags.front();
}

// The view revision's occurrences as the session reads them, then those of its saved list
// that an unsaved change took out.
std::vector<Tag> occurrencesEitherWay(Tag bvr) {
  std::vector<Tag> occurrences = host::occurrencesOf(bvr);
  if (const host::Value* saved = host::savedBeneathUnsaved(bvr, "occurrences")) {
    std::unordered_set<Tag> listed(occurrences.begin(), occurrences.end());
    for (Tag occurrence : saved->tags) {
      if (listed.insert(occurrence).second) {
        occurrences.push_back(occurrence);
      }
    }
  }
  return occurrences;
}

// The structures the occurrence shows in `window` below a view revision that is `precise` now
// and `savedPrecise` as saved (see childStructure): the one it shows now and, when it shows
// another one by the saved values of its child, revision, view or that flag, that one (null when
// it is the same or none).
std::array<Tag, 2> childStructuresWith(Tag window, bool precise, bool savedPrecise,
                                       Tag occurrence) {
  const Tag now = childStructure(window, precise, occurrenceItem(occurrence),
                                 host::referenceOf(occurrence, "child_revision"),
                                 host::referenceOf(occurrence, "child_bom_view"));
  const host::Value* item = host::savedBeneathUnsaved(occurrence, "child_item");
  const host::Value* revision = host::savedBeneathUnsaved(occurrence, "child_revision");
  const host::Value* view = host::savedBeneathUnsaved(occurrence, "child_bom_view");
  if (item == nullptr && revision == nullptr && view == nullptr && precise == savedPrecise) {
    return {now, NULLTAG};
  }
  const Tag savedRevision = savedReferenceOr(revision, occurrence, "child_revision");
  Tag savedItem = savedReferenceOr(item, occurrence, "child_item");
  if (savedItem == NULLTAG) {
    savedItem = host::referenceOf(savedRevision, "items_tag");
  }
  const Tag before = childStructure(window, savedPrecise, savedItem, savedRevision,
                                    savedReferenceOr(view, occurrence, "child_bom_view"));
  return {now, before == now ? NULLTAG : before};
}

// The structures the occurrence shows below `parentBvr` in `window`: now and, beneath an unsaved
// child, view or precise flag of the parent, as saved (see childStructuresWith).
std::array<Tag, 2> childStructuresOf(Tag window, Tag parentBvr, Tag occurrence) {
  const bool precise = host::flagOf(parentBvr, "is_precise");
  bool savedPrecise = precise;
  if (const host::Value* saved = host::savedBeneathUnsaved(parentBvr, "is_precise")) {
    savedPrecise = !saved->texts.empty() && saved->texts.front() == "true";
  }
  return childStructuresWith(window, precise, savedPrecise, occurrence);
}

// The position in `froms` of a structure that is `bvr` or shows it anywhere below it as the
// window configures it, now or as saved; -1 when none does. Walks with a stack of its own and
// reads each structure once, however often it is used.
int structureReaches(Tag window, const std::vector<Tag>& froms, Tag bvr) {
  std::vector<std::pair<Tag, int>> pending;  // A structure and the position it was reached from.
  std::unordered_set<Tag> seen;
  for (std::size_t at = 0; at < froms.size(); ++at) {
    if (seen.insert(froms[at]).second) {
      pending.emplace_back(froms[at], static_cast<int>(at));
    }
  }
  while (!pending.empty()) {
    const auto [at, from] = pending.back();
    pending.pop_back();
    if (at == bvr) {
      return from;
    }
    for (Tag occurrence : occurrencesEitherWay(at)) {
      for (Tag below : childStructuresOf(window, at, occurrence)) {
        if (below != NULLTAG && seen.insert(below).second) {
          pending.emplace_back(below, from);
        }
      }
    }
  }
  return -1;
}

// What structureReaches answers, searched from both ends: down from `froms` through each
// structure's occurrences, and up from `bvr` through the structures that use it
// (host::occurrenceUsesOf), each step on the side that has read fewer occurrences so far.
// Either side running out of structures answers "none", so a call costs about twice the smaller
// side's whole search: putting an assembly on top of a deep one reads the few uses of the new
// parent, and putting a new assembly below a deep one reads the new child's structure, where a
// walk down alone reads the whole depth below the child each time (building a deep structure
// from the bottom up would cost its depth squared).
//
// An order of the structures kept from one edit to the next could answer in amortised constant
// time, but which structure an occurrence shows depends on the window's rule, on releases and on
// the parent's precise flag, so no such order holds for long; the search keeps nothing but the
// where-used index of stored facts. That index may still list a use that no longer holds (an
// occurrence cut in an open window), so the two sides meeting is confirmed by the walk down.
int structureReachesEitherWay(Tag window, const std::vector<Tag>& froms, Tag bvr) {
  std::vector<Tag> down;
  std::unordered_set<Tag> downSeen;
  for (std::size_t at = 0; at < froms.size(); ++at) {
    if (froms[at] == bvr) {
      return static_cast<int>(at);
    }
    if (downSeen.insert(froms[at]).second) {
      down.push_back(froms[at]);
    }
  }
  std::vector<Tag> up{bvr};
  std::unordered_set<Tag> upSeen{bvr};
  std::size_t downRead = 0;
  std::size_t upRead = 0;
  while (!down.empty() && !up.empty()) {
    if (downRead <= upRead) {
      const Tag at = down.back();
      down.pop_back();
      const std::vector<Tag> occurrences = occurrencesEitherWay(at);
      downRead += 1 + occurrences.size();
      for (Tag occurrence : occurrences) {
        for (Tag below : childStructuresOf(window, at, occurrence)) {
          if (below == NULLTAG || !downSeen.insert(below).second) {
            continue;
          }
          if (upSeen.count(below) != 0) {
            return structureReaches(window, froms, bvr);
          }
          down.push_back(below);
        }
      }
    } else {
      const Tag at = up.back();
      up.pop_back();
      const Tag item = host::referenceOf(host::referenceOf(at, "parent_revision"), "items_tag");
      const std::vector<host::OccurrenceUse> uses = host::occurrenceUsesOf(item);
      upRead += 1 + uses.size();
      for (const host::OccurrenceUse& use : uses) {
        // A use that no longer holds (a deleted occurrence or holder) shows nothing or at most
        // leads the search up a way it need not go: a meeting is confirmed below.
        const std::array<Tag, 2> shown = childStructuresOf(window, use.holder, use.occurrence);
        if ((shown[0] != at && shown[1] != at) || !upSeen.insert(use.holder).second) {
          continue;
        }
        if (downSeen.count(use.holder) != 0) {
          return structureReaches(window, froms, bvr);
        }
        up.push_back(use.holder);
      }
    }
  }
  return -1;
}

// BOM_structure_cycle when a child of `item` (or `revision`, through `view`) below the
// structure `bvr` would show a structure that contains `bvr`.
int refuseCycle(Tag window, Tag bvr, Tag item, Tag revision, Tag view) {
  const Tag below = childStructure(window, host::flagOf(bvr, "is_precise"), item, revision, view);
  if (below != NULLTAG && structureReachesEitherWay(window, {below}, bvr) >= 0) {
    return host::storeError(BOM_structure_cycle,
                            {tagText(revision != NULLTAG ? revision : item), tagText(bvr)});
  }
  return 0;
}

// BOM_structure_cycle when making `bvr` precise or imprecise would have one of its occurrences
// show a structure that contains `bvr`: a structure an occurrence shows only with the new flag
// (by its child as the session reads it or as saved), searched from all of them at once. The
// error names the revision of the first one that does.
int refusePreciseCycle(Tag window, Tag bvr, bool precise) {
  std::vector<Tag> changed;
  std::unordered_set<Tag> taken;
  for (Tag occurrence : occurrencesEitherWay(bvr)) {
    const std::array<Tag, 2> shown = childStructuresOf(window, bvr, occurrence);
    for (Tag below : childStructuresWith(window, precise, precise, occurrence)) {
      if (below != NULLTAG && below != shown[0] && below != shown[1] &&
          taken.insert(below).second) {
        changed.push_back(below);
      }
    }
  }
  const int at = structureReachesEitherWay(window, changed, bvr);
  if (at >= 0) {
    return host::storeError(
        BOM_structure_cycle,
        {tagText(host::referenceOf(changed[static_cast<std::size_t>(at)], "parent_revision")),
         tagText(bvr)});
  }
  return 0;
}

// The window's own variant rule, made on first request.
int windowVariantRule(Tag window, Tag* rule) {
  *rule = host::referenceOf(window, "variant_rule");
  if (*rule != NULLTAG) {
    return 0;
  }
  if (const int status = host::createObjectOfClass(kVariantRule, rule)) {
    return status;
  }
  host::writeReference(*rule, "bom_window", window, WriteMode::initial);
  return host::writeReference(window, "variant_rule", *rule, WriteMode::initial);
}

void copyOptions(Tag from, Tag to) {
  host::writeTexts(to, "option_names", host::textsOf(from, "option_names"), WriteMode::initial);
  host::writeTexts(to, "option_values", host::textsOf(from, "option_values"), WriteMode::initial);
}

// Tags in first-seen order without repeats.
std::vector<Tag> distinct(const std::vector<Tag>& tags) {
  std::vector<Tag> result;
  std::unordered_map<Tag, bool> seen;
  for (Tag tag : tags) {
    if (seen.emplace(tag, true).second) {
      result.push_back(tag);
    }
  }
  return result;
}

int bulletinBoardAdd(Tag window) {
  HOST_CALL("PSEBulletinBoard::add", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  return host::writeFlag(window, "on_bulletin_board", true, WriteMode::initial);
}

// The lines of every window by the occurrence they show, so that the lines of an occurrence that
// goes are found without reading every window. A line's occurrence is written when it is made and
// never changes, so the index only takes in the lines that appeared since its last lookup
// (host::refreshIndex); a lookup passes over the lines that went since and drops them.
class LinesByOccurrence {
 public:
  std::vector<Tag> linesOf(Tag occurrence) {
    refresh();
    std::vector<Tag> lines;
    if (byOccurrence_.find(occurrence) == nullptr) {
      return lines;
    }
    host::TagList& filed = byOccurrence_[occurrence];
    for (Tag line : filed) {
      if (Store::instance().isLive(line)) {
        lines.push_back(line);
      }
    }
    filed = host::TagList(lines);
    return lines;
  }

 private:
  void refresh() {
    host::refreshIndex(
        version_, {kLine}, [this] { byOccurrence_.clear(); },
        [this](Tag object) {
          const Tag occurrence = occurrenceOf(object);
          if (occurrence != NULLTAG && Store::instance().isInstanceOf(object, kLine)) {
            host::fileInIndex(byOccurrence_[occurrence], object);
          }
        });
  }

  host::TagListsByTag byOccurrence_;
  std::uint64_t version_ = 0;
};

LinesByOccurrence& linesByOccurrence() {
  static LinesByOccurrence index;
  return index;
}

// The windows by each arrangement made their active one, so that deleting an arrangement finds
// the windows that use it without reading every window. BOM_set_window_active_arrangement files
// each window it writes; a window made or brought back since the last lookup is filed under the
// arrangement it has then. A superset (a window given another arrangement stays filed): a lookup
// checks each window's own value.
class WindowsByArrangement {
 public:
  std::vector<Tag> windowsUsing(Tag arrangement) {
    refresh();
    std::vector<Tag> windows;
    auto filed = byArrangement_.find(arrangement);
    if (filed != byArrangement_.end()) {
      for (Tag window : filed->second) {
        if (Store::instance().isLive(window) &&
            host::referenceOf(window, "active_arrangement") == arrangement) {
          windows.push_back(window);
        }
      }
    }
    return windows;
  }

  void file(Tag arrangement, Tag window) {
    std::vector<Tag>& windows = byArrangement_[arrangement];
    if (std::find(windows.begin(), windows.end(), window) == windows.end()) {
      windows.push_back(window);
    }
  }

 private:
  void refresh() {
    host::refreshIndex(
        version_, {kWindow}, [this] { byArrangement_.clear(); },
        [this](Tag object) {
          const Tag arrangement = host::referenceOf(object, "active_arrangement");
          if (arrangement != NULLTAG && Store::instance().isInstanceOf(object, kWindow)) {
            file(arrangement, object);
          }
        });
  }

  std::unordered_map<Tag, std::vector<Tag>> byArrangement_;
  std::uint64_t version_ = 0;
};

WindowsByArrangement& windowsByArrangement() {
  static WindowsByArrangement index;
  return index;
}

}  // namespace

// --- host-internal ---------------------------------------------------------------------------

namespace host {

std::vector<Tag> openBomWindows() {
  Store& store = Store::instance();
  return store.objectsOfClass(store.classId(kWindow));
}

Tag windowOfLine(Tag line) {
  return referenceOf(line, "bom_window");
}

Tag topLineOf(Tag window) {
  return referenceOf(window, "top_line");
}

Tag parentLineOf(Tag line) {
  return referenceOf(line, "parent_line");
}

Tag structureOfLine(Tag line) {
  const Tag revision = configuredRevisionOfLine(line);
  if (revision == NULLTAG) {
    return NULLTAG;
  }
  const Tag occurrence = occurrenceOf(line);
  const Tag view = occurrence != NULLTAG ? referenceOf(occurrence, "child_bom_view")
                                         : referenceOf(line, "top_bom_view");
  if (view != NULLTAG) {
    const Tag bvr = bomViewRevisionOfView(revision, view);
    if (bvr != NULLTAG) {
      return bvr;
    }
  }
  return bomViewRevisionFor(revision, referenceOf(windowOfLine(line), "view_type"));
}

std::vector<Tag> allChildLines(Tag line) {
  return syncChildLines(line);
}

Tag childLineOf(Tag line, Tag occurrence) {
  const Tag bvr = structureOfLine(line);
  Tag child;
  if (memoisedChildLine(line, bvr, occurrence, &child)) {
    return child;
  }
  ChildLineMemo memo;
  for (Tag synced : syncChildLines(line)) {
    memo.byOccurrence.emplace(occurrenceOf(synced), synced);
  }
  if (bvr != NULLTAG) {
    for (Tag listed : occurrencesOf(bvr)) {
      if (!isOccurrence(listed)) {
        memo.skipped.push_back(listed);
      }
    }
  }
  const Store& store = Store::instance();
  memo.bvr = bvr;
  memo.bvrStamp = store.changeStamp(bvr);
  memo.lineStamp = store.changeStamp(line);
  auto found = memo.byOccurrence.find(occurrence);
  child = found == memo.byOccurrence.end() ? NULLTAG : found->second;
  childLineMemos()[line] = std::move(memo);
  return child;
}

bool occurrencePathBelow(Tag line, Tag ancestor, std::vector<Tag>* path) {
  path->clear();
  for (Tag at = line; at != NULLTAG; at = parentLineOf(at)) {
    if (at == ancestor) {
      std::reverse(path->begin(), path->end());
      return !path->empty();
    }
    path->push_back(occurrenceOf(at));
  }
  path->clear();
  return false;
}

void forgetLinesOf(Tag occurrence) {
  Store& store = Store::instance();
  for (Tag line : linesByOccurrence().linesOf(occurrence)) {
    // A line below another line of the occurrence went with that one.
    if (store.isLive(line)) {
      store.removeReference(parentLineOf(line), "child_lines", line, WriteMode::initial);
      removeLineTree(line);
    }
  }
}

void forgetActiveArrangement(Tag arrangement) {
  for (Tag window : windowsByArrangement().windowsUsing(arrangement)) {
    writeReference(window, "active_arrangement", NULLTAG, WriteMode::initial);
  }
}

void windowMade(Tag window, Tag object) {
  appendReference(window, "made", object);
}

void windowChanged(Tag window, Tag object) {
  appendReference(window, "changed", object);
}

void windowDeletes(Tag window, Tag object) {
  // Taken out while the list changes (the change drops it) and put back with the new entry.
  auto set = deletionSets().extract(window);
  const int status = Store::instance().insertReference(
      window, "deletions", static_cast<std::size_t>(-1), object, WriteMode::initial);
  if (status == 0 && !set.empty()) {
    set.mapped().insert(object);
    deletionSets().insert(std::move(set));
  }
}

bool deletedInWindow(Tag window, Tag object) {
  if (!Store::instance().isLive(window)) {
    return false;
  }
  auto [set, made] = deletionSets().try_emplace(window);
  if (made) {
    const std::vector<Tag> deletions = referencesOf(window, "deletions");
    set->second.insert(deletions.begin(), deletions.end());
  }
  return set->second.count(object) != 0;
}

}  // namespace host

// --- Windows
// ---------------------------------------------------------------------------------------

int BOM_create_window(Tag* window) {
  if (window == nullptr) {
    return missingArgument("BOM_create_window");
  }
  *window = NULLTAG;
  HOST_CALL("BOM_create_window", NULLTAG);
  Tag created;
  if (const int status = host::createObjectOfClass(kWindow, &created)) {
    return status;
  }
  host::writeFlag(created, "pack_all", false, WriteMode::initial);
  host::writeFlag(created, "show_unconfigured", false, WriteMode::initial);
  host::writeFlag(created, "abs_occ_edit_mode", false, WriteMode::initial);
  host::writeFlag(created, "ignore_arrangements", false, WriteMode::initial);
  *window = created;
  return 0;
}

int BOM_save_window(Tag window) {
  HOST_CALL("BOM_save_window", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  Store& store = Store::instance();
  const std::vector<Tag> deletions = distinct(host::referencesOf(window, "deletions"));
  // All or nothing: what goes with a deleted occurrence (its absolute occurrences with their data
  // and attachments, its path nodes) must be deletable as well.
  for (Tag object : deletions) {
    if (const int status = host::requireModifiable(object)) {
      return status;
    }
    if (store.isInstanceOf(object, "PSOccurrence")) {
      if (const int status = host::requireAbsOccurrencesDeletable(object)) {
        return status;
      }
      if (const int status = host::requirePathNodesDeletable(object)) {
        return status;
      }
    }
  }
  for (Tag object : deletions) {
    if (store.find(object) == nullptr) {
      continue;
    }
    // What names a deleted occurrence goes with it.
    if (store.isInstanceOf(object, "PSOccurrence")) {
      host::forgetAbsOccurrencesOf(object);
      host::forgetPathNodesOf(object);
      host::forgetLinesOf(object);
    }
    store.remove(object);
  }
  std::vector<Tag> kept = host::referencesOf(window, "made");
  const std::vector<Tag> changed = host::referencesOf(window, "changed");
  kept.insert(kept.end(), changed.begin(), changed.end());
  for (Tag object : distinct(kept)) {
    if (store.find(object) != nullptr) {
      store.save(object);
    }
  }
  for (const char* list : {"made", "changed", "deletions"}) {
    host::clearValue(window, list, WriteMode::initial);
  }
  return 0;
}

int BOM_close_window(Tag window) {
  HOST_CALL("BOM_close_window", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  Store& store = Store::instance();
  for (Tag object : distinct(host::referencesOf(window, "made"))) {
    if (store.find(object) != nullptr) {
      // Another window may show an occurrence this one made: its lines go with it.
      if (store.isInstanceOf(object, "PSOccurrence")) {
        host::forgetLinesOf(object);
      }
      store.remove(object);
    }
  }
  for (Tag object : distinct(host::referencesOf(window, "changed"))) {
    const host::ObjectRecord* found = store.find(object);
    if (found == nullptr) {
      continue;
    }
    // Dropping the unsaved values also releases the lock; a lock the session held stays.
    const bool locked = found->locked;
    store.refresh(object, false);
    if (locked) {
      store.refresh(object, true);
    }
  }
  for (Tag line : host::referencesOf(window, "lines")) {
    childLineMemos().erase(line);
    if (store.find(line) != nullptr) {
      store.remove(line);
    }
  }
  std::vector<Tag> owned = host::referencesOf(window, "variant_configs");
  owned.push_back(host::referenceOf(window, "variant_rule"));
  owned.push_back(host::referenceOf(window, "option_set"));
  for (Tag object : owned) {
    if (store.find(object) != nullptr) {
      store.remove(object);
    }
  }
  return store.remove(window);
}

int BOM_set_window_top_line(Tag window, Tag item, Tag itemRevision, Tag bomView, Tag* topLine) {
  if (topLine == nullptr) {
    return missingArgument("BOM_set_window_top_line");
  }
  *topLine = NULLTAG;
  HOST_CALL("BOM_set_window_top_line", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  if (bomView != NULLTAG) {
    if (const int status = host::requireObject(bomView, "PSBOMView")) {
      return status;
    }
  }
  Tag topItem;
  if (const int status = resolveChild(item == NULLTAG && itemRevision == NULLTAG
                                          ? host::referenceOf(bomView, "parent_item")
                                          : item,
                                      itemRevision, false, &topItem)) {
    return status;
  }
  if (bomView != NULLTAG) {
    if (host::referenceOf(bomView, "parent_item") != topItem) {
      return host::storeError(BOM_invalid_child, {tagText(bomView), tagText(topItem)});
    }
  }
  const Tag previous = host::topLineOf(window);
  if (previous != NULLTAG) {
    removeLineTree(previous);
  }
  Tag line;
  if (const int status = makeLine(window, NULLTAG, NULLTAG, NULLTAG, &line)) {
    return status;
  }
  host::writeReference(line, "top_item", topItem, WriteMode::initial);
  host::writeReference(line, "top_revision", itemRevision, WriteMode::initial);
  host::writeReference(line, "top_bom_view", bomView, WriteMode::initial);
  host::writeReference(window, "top_line", line, WriteMode::initial);
  host::writeReference(window, "context_line", NULLTAG, WriteMode::initial);
  host::writeReference(window, "view_type", host::referenceOf(bomView, "bom_view_type"),
                       WriteMode::initial);
  *topLine = line;
  return 0;
}

int BOM_ask_window_top_line(Tag window, Tag* topLine) {
  if (topLine == nullptr) {
    return missingArgument("BOM_ask_window_top_line");
  }
  *topLine = NULLTAG;
  HOST_CALL("BOM_ask_window_top_line", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  *topLine = host::topLineOf(window);
  return 0;
}

int BOM_set_window_config_rule(Tag window, Tag rule) {
  HOST_CALL("BOM_set_window_config_rule", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  if (const int status = host::requireObject(rule, "RevisionRule")) {
    return status;
  }
  return host::writeReference(window, "config_rule", rule, WriteMode::initial);
}

int BOM_ask_window_config_rule(Tag window, Tag* rule) {
  if (rule == nullptr) {
    return missingArgument("BOM_ask_window_config_rule");
  }
  *rule = NULLTAG;
  HOST_CALL("BOM_ask_window_config_rule", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  *rule = windowRule(window);
  return 0;
}

int BOM_set_window_pack_all(Tag window, bool packAll) {
  HOST_CALL("BOM_set_window_pack_all", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  return host::writeFlag(window, "pack_all", packAll, WriteMode::initial);
}

int BOM_window_show_unconfigured(Tag window) {
  HOST_CALL("BOM_window_show_unconfigured", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  return host::writeFlag(window, "show_unconfigured", true, WriteMode::initial);
}

int BOM_set_window_active_arrangement(Tag window, Tag arrangement) {
  HOST_CALL("BOM_set_window_active_arrangement", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  if (arrangement != NULLTAG) {
    if (const int status = host::requireObject(arrangement, "AssemblyArrangement")) {
      return status;
    }
    // An arrangement holds the data of one structure: that of the window's top line.
    const Tag top = host::topLineOf(window);
    const Tag bvr = top != NULLTAG ? host::structureOfLine(top) : NULLTAG;
    if (host::referenceOf(arrangement, "context_bvr") != bvr) {
      return host::storeError(ARR_not_of_bvr, {tagText(bvr), tagText(arrangement)});
    }
    windowsByArrangement().file(arrangement, window);
  }
  return host::writeReference(window, "active_arrangement", arrangement, WriteMode::initial);
}

// --- Variant configuration
// ------------------------------------------------------------------------

int BOM_window_apply_full_vrule(Tag window, Tag variantRule) {
  HOST_CALL("BOM_window_apply_full_vrule", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  if (const int status = host::requireObject(variantRule, kVariantRule)) {
    return status;
  }
  Tag own;
  if (const int status = windowVariantRule(window, &own)) {
    return status;
  }
  copyOptions(variantRule, own);
  return 0;
}

int BOM_window_ask_variant_rule(Tag window, Tag* variantRule) {
  if (variantRule == nullptr) {
    return missingArgument("BOM_window_ask_variant_rule");
  }
  *variantRule = NULLTAG;
  HOST_CALL("BOM_window_ask_variant_rule", window);
  if (const int status = requireWindow(window)) {
    return status;
  }
  return windowVariantRule(window, variantRule);
}

int BOM_line_ask_sos(Tag line, Tag* optionSet) {
  if (optionSet == nullptr) {
    return missingArgument("BOM_line_ask_sos");
  }
  *optionSet = NULLTAG;
  HOST_CALL("BOM_line_ask_sos", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const Tag window = host::windowOfLine(line);
  Tag set = host::referenceOf(window, "option_set");
  if (set == NULLTAG) {
    if (const int status = host::createObjectOfClass("OptionSet", &set)) {
      return status;
    }
    host::writeReference(set, "bom_window", window, WriteMode::initial);
    host::writeReference(window, "option_set", set, WriteMode::initial);
  }
  *optionSet = set;
  return 0;
}

int BOM_create_variant_config(Tag variantRule, int optionSetCount, const Tag* optionSets,
                              Tag* config) {
  if (config == nullptr || optionSetCount < 0 || (optionSetCount > 0 && optionSets == nullptr)) {
    return missingArgument("BOM_create_variant_config");
  }
  *config = NULLTAG;
  HOST_CALL("BOM_create_variant_config", variantRule);
  if (const int status = host::requireObject(variantRule, kVariantRule)) {
    return status;
  }
  const Tag window = host::referenceOf(variantRule, "bom_window");
  if (Store::instance().find(window) == nullptr) {
    // Only a window's own variant rule is configured this way; its window owns the config.
    return host::storeError(POM_invalid_tag, {tagText(variantRule)});
  }
  std::vector<Tag> sets;
  for (int i = 0; i < optionSetCount; ++i) {
    if (const int status = host::requireObject(optionSets[i], "OptionSet")) {
      return status;
    }
    sets.push_back(optionSets[i]);
  }
  Tag created;
  if (const int status = host::createObjectOfClass("VariantConfig", &created)) {
    return status;
  }
  host::writeReference(created, "variant_rule", variantRule, WriteMode::initial);
  host::writeReferences(created, "option_sets", sets, WriteMode::initial);
  copyOptions(variantRule, created);
  appendReference(window, "variant_configs", created);
  *config = created;
  return 0;
}

int BOM_variant_config_clear(Tag config) {
  HOST_CALL("BOM_variant_config_clear", config);
  if (const int status = host::requireObject(config, "VariantConfig")) {
    return status;
  }
  host::clearValue(config, "option_names", WriteMode::initial);
  return host::clearValue(config, "option_values", WriteMode::initial);
}

int BOM_sos_db_read(Tag storedOptionSet, Tag config) {
  HOST_CALL("BOM_sos_db_read", storedOptionSet);
  if (const int status = host::requireObject(storedOptionSet, "StoredOptionSet")) {
    return status;
  }
  if (const int status = host::requireObject(config, "VariantConfig")) {
    return status;
  }
  std::vector<std::string> names = host::textsOf(config, "option_names");
  std::vector<std::string> values = host::textsOf(config, "option_values");
  values.resize(names.size());
  const std::vector<std::string> readNames = host::textsOf(storedOptionSet, "option_names");
  const std::vector<std::string> readValues = host::textsOf(storedOptionSet, "option_values");
  for (std::size_t i = 0; i < readNames.size() && i < readValues.size(); ++i) {
    auto found = std::find(names.begin(), names.end(), readNames[i]);
    if (found != names.end()) {
      values[static_cast<std::size_t>(found - names.begin())] = readValues[i];
    } else {
      names.push_back(readNames[i]);
      values.push_back(readValues[i]);
    }
  }
  host::writeTexts(config, "option_names", names, WriteMode::initial);
  return host::writeTexts(config, "option_values", values, WriteMode::initial);
}

int BOM_variant_config_apply(Tag config) {
  HOST_CALL("BOM_variant_config_apply", config);
  if (const int status = host::requireObject(config, "VariantConfig")) {
    return status;
  }
  const Tag rule = host::referenceOf(config, "variant_rule");
  if (const int status = host::requireObject(rule, kVariantRule)) {
    return status;
  }
  copyOptions(config, rule);
  return 0;
}

// --- Lines ---------------------------------------------------------------------------------------

int BOM_line_ask_child_lines(Tag line, int* count, Tag** children) {
  if (count == nullptr || children == nullptr) {
    return missingArgument("BOM_line_ask_child_lines");
  }
  *count = 0;
  *children = nullptr;
  HOST_CALL("BOM_line_ask_child_lines", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  return host::handOutTags(shownChildLines(line), count, children);
}

int BOM_line_ask_all_child_lines(Tag line, int* count, Tag** children) {
  if (count == nullptr || children == nullptr) {
    return missingArgument("BOM_line_ask_all_child_lines");
  }
  *count = 0;
  *children = nullptr;
  HOST_CALL("BOM_line_ask_all_child_lines", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  return host::handOutTags(syncChildLines(line), count, children);
}

int BOM_line_look_up_attribute(const char* name, int* attribute) {
  if (name == nullptr || attribute == nullptr) {
    return missingArgument("BOM_line_look_up_attribute");
  }
  *attribute = 0;
  HOST_CALL("BOM_line_look_up_attribute", NULLTAG);
  for (const BuiltIn& builtIn : kBuiltIns) {
    if (std::string(name) == builtIn.name) {
      *attribute = builtIn.id;
      return 0;
    }
  }
  std::vector<std::string>& notes = noteAttributes();
  auto known = std::find(notes.begin(), notes.end(), name);
  if (known != notes.end()) {
    *attribute = BOM_first_note_attribute + static_cast<int>(known - notes.begin());
    return 0;
  }
  if (!isNoteType(name)) {
    return host::storeError(BOM_no_such_attribute, {name});
  }
  notes.push_back(name);
  *attribute = BOM_first_note_attribute + static_cast<int>(notes.size() - 1);
  return 0;
}

int BOM_line_ask_attribute_tag(Tag line, int attribute, Tag* value) {
  if (value == nullptr) {
    return missingArgument("BOM_line_ask_attribute_tag");
  }
  *value = NULLTAG;
  HOST_CALL("BOM_line_ask_attribute_tag", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const std::string* name = nullptr;
  if (const int status = requireAttribute(attribute, &name)) {
    return status;
  }
  switch (attribute) {
    case BOM_attribute_revision:
      *value = configuredRevisionOfLine(line);
      return 0;
    case BOM_attribute_item:
      *value = itemOfLine(line);
      return 0;
    case BOM_attribute_occurrence:
      *value = occurrenceOf(line);
      return 0;
    case BOM_attribute_bomview_rev:
      *value = host::structureOfLine(line);
      return 0;
    default:
      return host::storeError(BOM_attribute_not_a_reference, {*name});
  }
}

int BOM_line_ask_attribute_string(Tag line, int attribute, char** value) {
  if (value == nullptr) {
    return missingArgument("BOM_line_ask_attribute_string");
  }
  *value = nullptr;
  HOST_CALL("BOM_line_ask_attribute_string", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const std::string* name = nullptr;
  if (const int status = requireAttribute(attribute, &name)) {
    return status;
  }
  *value = SM_string_copy(attributeText(line, attribute, *name).c_str());
  return 0;
}

int BOM_line_set_attribute_string(Tag line, int attribute, const char* value) {
  HOST_CALL("BOM_line_set_attribute_string", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const std::string* name = nullptr;
  if (const int status = requireAttribute(attribute, &name)) {
    return status;
  }
  const std::string text = value != nullptr ? value : "";
  if (attribute < BOM_first_note_attribute && attribute != BOM_attribute_quantity &&
      attribute != BOM_attribute_sequence_no) {
    return host::storeError(BOM_attribute_read_only, {*name});
  }
  Tag occurrence;
  if (const int status = occurrenceForEdit(line, &occurrence)) {
    return status;
  }
  if (attribute == BOM_attribute_quantity) {
    bool asRequired = false;
    double quantity = 0.0;
    if (const int status = parseQuantityText(text, &asRequired, &quantity)) {
      return status;
    }
    return setQuantityOfLine(line, asRequired, quantity);
  }
  if (host::absoluteEditApplies(line)) {
    return host::writeOverride(line, *name, text);
  }
  if (attribute == BOM_attribute_sequence_no) {
    return writeOccurrenceData(line, occurrence, {{"seq_no", optionalText(text)}});
  }
  return setNote(line, occurrence, *name, text);
}

int BOM_line_add(Tag parent, Tag item, Tag itemRevision, Tag bomView, Tag* newLine) {
  if (newLine == nullptr) {
    return missingArgument("BOM_line_add");
  }
  *newLine = NULLTAG;
  HOST_CALL("BOM_line_add", parent);
  if (const int status = requireLine(parent)) {
    return status;
  }
  Tag childItem;
  if (const int status = resolveChild(item, itemRevision, true, &childItem)) {
    return status;
  }
  if (bomView != NULLTAG) {
    if (const int status = host::requireObject(bomView, "PSBOMView")) {
      return status;
    }
    if (host::referenceOf(bomView, "parent_item") != childItem) {
      return host::storeError(BOM_invalid_child, {tagText(bomView), tagText(childItem)});
    }
  }
  const Tag bvr = host::structureOfLine(parent);
  if (bvr == NULLTAG) {
    return host::storeError(BOM_line_has_no_structure, {tagText(parent)});
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  Store& store = Store::instance();
  const Tag window = host::windowOfLine(parent);
  if (const int status = refuseCycle(window, bvr, childItem, itemRevision, bomView)) {
    return status;
  }
  Tag thread;
  Tag occurrence;
  if (const int status = host::createObjectOfClass("PSOccurrenceThread", &thread)) {
    return status;
  }
  if (const int status = host::createObjectOfClass("PSOccurrence", &occurrence)) {
    store.remove(thread);
    return status;
  }
  host::writeReference(occurrence, "child_item", childItem, WriteMode::initial);
  host::writeReference(occurrence, "child_revision", itemRevision, WriteMode::initial);
  host::writeReference(occurrence, "child_bom_view", bomView, WriteMode::initial);
  host::writeReference(occurrence, "occurrence_thread", thread, WriteMode::initial);
  host::windowMade(window, thread);
  host::windowMade(window, occurrence);
  store.insertReference(bvr, "occurrences", static_cast<std::size_t>(-1), occurrence,
                        WriteMode::host);
  host::fileOccurrenceUse(bvr, occurrence);
  host::windowChanged(window, bvr);
  Tag line;
  if (const int status = makeLine(window, parent, bvr, occurrence, &line)) {
    return status;
  }
  appendReference(parent, "child_lines", line);
  *newLine = line;
  return 0;
}

int BOM_line_substitute(Tag line, Tag item, Tag itemRevision, Tag* newLine) {
  if (newLine != nullptr) {
    *newLine = NULLTAG;
  }
  HOST_CALL("BOM_line_substitute", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  Tag childItem;
  if (const int status = resolveChild(item, itemRevision, false, &childItem)) {
    return status;
  }
  Tag occurrence;
  if (const int status = occurrenceForEdit(line, &occurrence)) {
    return status;
  }
  const Tag bvr = host::referenceOf(line, "parent_bvr");
  if (const int status = refuseCycle(host::windowOfLine(line), bvr, childItem, itemRevision,
                                     host::referenceOf(occurrence, "child_bom_view"))) {
    return status;
  }
  const int status = writeOccurrenceData(
      line, occurrence,
      {{"child_item", host::Value{{}, {childItem}}},
       {"child_revision",
        itemRevision != NULLTAG ? host::Value{{}, {itemRevision}} : host::Value()}});
  // Also after a failure: the first write may have changed the child.
  host::fileOccurrenceUse(bvr, occurrence);
  if (status != 0) {
    return status;
  }
  if (newLine != nullptr) {
    *newLine = line;
  }
  return 0;
}

int BOM_line_cut(Tag line) {
  HOST_CALL("BOM_line_cut", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  Tag occurrence;
  if (const int status = occurrenceForEdit(line, &occurrence)) {
    return status;
  }
  Store& store = Store::instance();
  const Tag window = host::windowOfLine(line);
  const Tag bvr = host::referenceOf(line, "parent_bvr");
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  // Both lists lose one entry in place: cutting every child of a large assembly one by one
  // costs no copy of its lists. An occurrence the structure lists more than once leaves it with
  // every entry, since the save deletes it.
  for (bool removed = true; removed;) {
    if (const int status =
            store.removeReference(bvr, "occurrences", occurrence, WriteMode::host, &removed)) {
      return status;
    }
  }
  host::windowChanged(window, bvr);
  host::windowDeletes(window, occurrence);
  const Tag thread = host::referenceOf(occurrence, "occurrence_thread");
  const host::ObjectRecord* made = store.find(occurrence);
  if (made != nullptr && made->newlyCreated && store.find(thread) != nullptr &&
      store.find(thread)->newlyCreated) {
    host::windowDeletes(window, thread);
  }
  const Tag parent = host::parentLineOf(line);
  store.removeReference(parent, "child_lines", line, WriteMode::initial);
  removeLineTree(line);
  return 0;
}

int BOM_line_set_precise(Tag line, bool precise) {
  HOST_CALL("BOM_line_set_precise", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const Tag bvr = host::structureOfLine(line);
  if (bvr == NULLTAG) {
    return host::storeError(BOM_line_has_no_structure, {tagText(line)});
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  const Tag window = host::windowOfLine(line);
  if (const int status = refusePreciseCycle(window, bvr, precise)) {
    return status;
  }
  if (const int status = host::writeFlag(bvr, "is_precise", precise, WriteMode::host)) {
    return status;
  }
  host::windowChanged(window, bvr);
  if (!precise) {
    return 0;
  }
  const Tag rule = windowRule(window);
  for (Tag occurrence : host::occurrencesOf(bvr)) {
    if (host::referenceOf(occurrence, "child_revision") != NULLTAG ||
        isGde(host::referenceOf(occurrence, "child_item"))) {
      continue;
    }
    const Tag revision = host::configuredRevision(rule, occurrenceItem(occurrence));
    if (revision != NULLTAG) {
      host::writeReference(occurrence, "child_revision", revision, WriteMode::host);
      host::windowChanged(window, occurrence);
    }
  }
  return 0;
}

int BOM_modified_bvr(Tag line) {
  HOST_CALL("BOM_modified_bvr", line);
  if (const int status = requireLine(line)) {
    return status;
  }
  const Tag window = host::windowOfLine(line);
  const Tag bvr = occurrenceOf(line) != NULLTAG ? host::referenceOf(line, "parent_bvr")
                                                : host::structureOfLine(line);
  if (bvr != NULLTAG) {
    host::windowChanged(window, bvr);
  }
  if (host::absoluteEditApplies(line)) {
    Tag absOccurrence;
    return host::ensureAbsOccurrence(line, &absOccurrence);
  }
  return 0;
}

// --- Bulletin board
// --------------------------------------------------------------------------------

status_t PSEBulletinBoard::add(Tag window, bool /*notify*/) {
  return status_t(bulletinBoardAdd(window));
}

bool PSEBulletinBoard::contains(Tag window) {
  return Store::instance().find(window) != nullptr && host::flagOf(window, "on_bulletin_board");
}

// --- Views
// -------------------------------------------------------------------------------------------

int BOMWindow::setAbsOccEditMode(bool on) const {
  HOST_CALL("BOMWindow::setAbsOccEditMode", tag());
  if (const int status = requireWindow(tag())) {
    return status;
  }
  return host::writeFlag(tag(), "abs_occ_edit_mode", on, WriteMode::initial);
}

int BOMWindow::setCtxtLine(Tag line) const {
  HOST_CALL("BOMWindow::setCtxtLine", tag());
  if (const int status = requireWindow(tag())) {
    return status;
  }
  if (line != NULLTAG) {
    if (const int status = requireLine(line)) {
      return status;
    }
    if (host::windowOfLine(line) != tag()) {
      return host::storeError(BOM_line_not_in_window, {tagText(line), tagText(tag())});
    }
  }
  return host::writeReference(tag(), "context_line", line, WriteMode::initial);
}

int BOMWindow::setIgnoreArrangements(bool ignore) const {
  HOST_CALL("BOMWindow::setIgnoreArrangements", tag());
  if (const int status = requireWindow(tag())) {
    return status;
  }
  return host::writeFlag(tag(), "ignore_arrangements", ignore, WriteMode::initial);
}

int BOMLine::setQuantity(bool asRequired, double quantity) const {
  HOST_CALL("BOMLine::setQuantity", tag());
  if (const int status = requireLine(tag())) {
    return status;
  }
  return setQuantityOfLine(tag(), asRequired, quantity);
}

int BOMLine::parseQuantity(const char* text, bool* asRequired, double* quantity) const {
  if (asRequired == nullptr || quantity == nullptr) {
    return missingArgument("BOMLine::parseQuantity");
  }
  *asRequired = false;
  *quantity = 0.0;
  HOST_CALL("BOMLine::parseQuantity", tag());
  return parseQuantityText(text != nullptr ? text : "", asRequired, quantity);
}

int BOMLine::setTransform(const double matrix[16], int /*flag*/) const {
  if (matrix == nullptr) {
    return missingArgument("BOMLine::setTransform");
  }
  HOST_CALL("BOMLine::setTransform", tag());
  if (const int status = requireLine(tag())) {
    return status;
  }
  const std::vector<double> values(matrix, matrix + 16);
  for (double value : values) {
    if (!std::isfinite(value)) {
      return host::storeError(POM_invalid_value, {"transform", host::realText(value)});
    }
  }
  Tag occurrence;
  if (const int status = occurrenceForEdit(tag(), &occurrence)) {
    return status;
  }
  if (host::absoluteEditApplies(tag())) {
    return host::writeTransformOverride(tag(), values);
  }
  host::Value written;
  for (double value : values) {
    written.texts.push_back(host::realText(value));
  }
  return writeOccurrenceData(tag(), occurrence, {{"transform", written}});
}

Tag GDELine::object_class_id() {
  return Store::instance().classId(kHostClassName);
}
