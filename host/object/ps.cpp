#include "host/object/ps.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/preferences.h"
#include "host/object/sizes.h"
#include "host/object/store.h"
#include "host/object/structure_support.h"
#include "host/object/tag_table.h"
#include "host/object/value.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::WriteMode;

const host::BaseFixturePart kStructureClasses("ps", R"(<fixture>
  <class name="PSViewType" parent="POM_object">
    <property name="view_type_name" type="string"/>
  </class>
  <class name="PSBOMView" parent="WorkspaceObject">
    <property name="bom_view_type" type="reference"/>
    <property name="parent_item" type="reference"/>
  </class>
  <class name="PSBOMViewRevision" parent="WorkspaceObject">
    <property name="bom_view" type="reference"/>
    <property name="parent_revision" type="reference"/>
    <property name="is_precise" type="logical"/>
    <property name="legacy_transform_factor" type="double"/>
    <property name="occurrences" type="reference" array="true"/>
    <property name="default_arrangement" type="reference"/>
  </class>
  <class name="PSOccurrence" parent="POM_object">
    <property name="child_item" type="reference"/>
    <property name="child_revision" type="reference"/>
    <property name="child_bom_view" type="reference"/>
    <property name="occurrence_thread" type="reference"/>
    <property name="quantity" type="double"/>
    <property name="as_required" type="logical"/>
    <property name="seq_no" type="string"/>
    <property name="transform" type="double" array="true"/>
    <property name="note_types" type="string" array="true"/>
    <property name="note_texts" type="string" array="true"/>
    <property name="variant_conditions" type="string" array="true"/>
  </class>
  <class name="PSOccurrenceThread" parent="POM_object"/>
  <class name="PSNoteType" parent="WorkspaceObject"/>
  <class name="GDE" parent="WorkspaceObject"/>
  <type name="PSViewType" class="PSViewType"/>
  <type name="PSBOMView" class="PSBOMView"/>
  <type name="PSBOMViewRevision" class="PSBOMViewRevision"/>
  <type name="PSOccurrence" class="PSOccurrence"/>
  <type name="PSOccurrenceThread" class="PSOccurrenceThread"/>
  <type name="PSNoteType" class="PSNoteType"/>
  <type name="GDE" class="GDE"/>
  <message code="44001" text="The item %1$ already has a BOM view of type %2$."/>
  <message code="44002" text="The BOM view %1$ is not a view of the item of %2$."/>
  <message code="44003" text="The item revision %2$ already has a revision of the BOM view %1$."/>
  <message code="44004" text="The occurrence %2$ is not in the BOM view revision %1$."/>
  <message code="44005" text="%1$ is not a valid legacy transform factor."/>
</fixture>)");

constexpr const char* kViewType = "PSViewType";
constexpr const char* kBomView = "PSBOMView";
constexpr const char* kBvr = "PSBOMViewRevision";
constexpr const char* kOccurrence = "PSOccurrence";

host::KeyedIndex& viewsByItem() {
  static host::KeyedIndex index(kBomView, [](Tag view) -> host::KeyedIndex::Key {
    const Tag item = host::referenceOf(view, "parent_item");
    return item == NULLTAG ? host::KeyedIndex::Key() : host::KeyedIndex::Key{item};
  });
  return index;
}

host::KeyedIndex& bvrsByRevision() {
  static host::KeyedIndex index(kBvr, [](Tag bvr) -> host::KeyedIndex::Key {
    const Tag revision = host::referenceOf(bvr, "parent_revision");
    return revision == NULLTAG ? host::KeyedIndex::Key() : host::KeyedIndex::Key{revision};
  });
  return index;
}

// See host::occurrenceUsesOf. Filed by tag, not by what the tags name, so that an occurrence
// listed before it exists, or naming a revision that does not exist yet, is filed all the same.
class WhereUsedIndex {
 public:
  std::vector<host::OccurrenceUse> usesOf(Tag item) {
    refresh();
    std::vector<host::OccurrenceUse> uses;
    auto take = [&](Tag child) {
      const host::TagList* named = byChild_.find(child);
      if (named == nullptr) {
        return;
      }
      for (Tag occurrence : *named) {
        if (const host::TagList* held = holders_.find(occurrence)) {
          for (Tag holder : *held) {
            uses.push_back({occurrence, holder});
          }
        }
      }
    };
    take(item);
    for (Tag revision : host::revisionsOfItem(item)) {
      take(revision);
    }
    return uses;
  }

  void file(Tag bvr, Tag occurrence) {
    if (occurrence == NULLTAG) {
      return;
    }
    host::TagList& holders = holders_[occurrence];
    if (std::find(holders.begin(), holders.end(), bvr) == holders.end()) {
      holders.push_back(bvr);
    }
    fileChildren(occurrence);
  }

  void refresh() {
    host::refreshIndex(
        version_, {kBvr, kOccurrence},
        [this] {
          byChild_.clear();
          filed_.clear();
          holders_.clear();
        },
        [this](Tag object) {
          const Store& store = Store::instance();
          if (store.isInstanceOf(object, kOccurrence)) {
            fileChildren(object);
          } else if (store.isInstanceOf(object, kBvr)) {
            for (Tag occurrence : host::occurrencesOf(object)) {
              file(object, occurrence);
            }
            // A store loaded with an open window's cut lists the occurrence only as saved.
            if (const host::Value* saved = host::savedBeneathUnsaved(object, "occurrences")) {
              for (Tag occurrence : saved->tags) {
                file(object, occurrence);
              }
            }
          }
        });
  }

 private:
  // Files the occurrence under the child item and child revision it names now and, beneath an
  // unsaved substitution, as saved.
  void fileChildren(Tag occurrence) {
    for (const char* name : {"child_item", "child_revision"}) {
      fileChild(host::referenceOf(occurrence, name), occurrence);
      if (const host::Value* saved = host::savedBeneathUnsaved(occurrence, name)) {
        for (Tag child : saved->tags) {
          fileChild(child, occurrence);
        }
      }
    }
  }

  void fileChild(Tag child, Tag occurrence) {
    const std::uint64_t key =
        (static_cast<std::uint64_t>(static_cast<std::uint32_t>(child)) << 32) |
        static_cast<std::uint32_t>(occurrence);
    if (child != NULLTAG && filed_.insert(key).second) {
      byChild_[child].push_back(occurrence);
    }
  }

  // The occurrences by each item or revision they have named as their child.
  host::TagListsByTag byChild_;
  std::unordered_set<std::uint64_t> filed_;  // (child, occurrence) pairs byChild_ holds.
  // The view revisions that have listed each occurrence.
  host::TagListsByTag holders_;
  std::uint64_t version_ = 0;
};

WhereUsedIndex& whereUsed() {
  static WhereUsedIndex index;
  return index;
}

const host::LoadHook kFollowViews([] {
  viewsByItem().refresh();
  bvrsByRevision().refresh();
  whereUsed().refresh();
});

int requireLocked(Tag object) {
  const host::ObjectRecord* found = Store::instance().find(object);
  if (!found->locked) {
    return host::storeError(POM_not_locked, {tagText(object)});
  }
  return 0;
}

// The item an occurrence uses, by itself or through its revision.
Tag childItemOf(Tag occurrence) {
  const Tag child = host::referenceOf(occurrence, "child_item");
  return child != NULLTAG
             ? child
             : host::referenceOf(host::referenceOf(occurrence, "child_revision"), "items_tag");
}

bool seqNoNumber(const std::string& text, long* number);

// What the sequence-number calls need of one view revision, read once and then kept while
// nothing changes the store but the numbers PS_set_seq_no writes: a platform keeps them with
// the view revision, so that numbering new occurrences one by one does not read every
// occurrence each time. The last view revision asked about is kept.
struct SeqNoIndex {
  Tag bvr;
  std::uint64_t changeCount = 0;
  bool valid = false;
  std::unordered_map<Tag, std::size_t> positions;  // Of the occurrences in the list.
  long highest = 0;                                // The highest number (0: none).
  // Per item, its first numbered occurrence in the list: position and number.
  std::unordered_map<Tag, std::pair<std::size_t, std::string>> byItem;

  bool holds(Tag occurrence) const { return positions.count(occurrence) != 0; }

  // Takes in that `occurrence` now has `number`; false when the index cannot follow (a number
  // that went down or away), so that it is read again.
  bool numbered(Tag occurrence, const std::string& number) {
    const Tag item = childItemOf(occurrence);
    const std::size_t position = positions.at(occurrence);
    auto entry = byItem.find(item);
    const bool wasFirst = entry != byItem.end() && entry->second.first == position;
    long value = 0;
    const bool isNumber = seqNoNumber(number, &value);
    if (wasFirst && (number.empty() || (isNumber && value < highest))) {
      return false;
    }
    if (!number.empty() && (entry == byItem.end() || position <= entry->second.first)) {
      byItem[item] = {position, number};
    }
    if (isNumber) {
      highest = std::max(highest, value);
    }
    return true;
  }
};

SeqNoIndex& seqNoIndexOf(Tag bvr) {
  static SeqNoIndex index;
  const host::Store& store = host::Store::instance();
  if (index.valid && index.bvr == bvr && index.changeCount == store.changeCount()) {
    return index;
  }
  index = SeqNoIndex();
  index.bvr = bvr;
  const std::vector<Tag> occurrences = host::occurrencesOf(bvr);
  for (std::size_t i = 0; i < occurrences.size(); ++i) {
    index.positions.emplace(occurrences[i], i);
    const std::string number = host::textOf(occurrences[i], "seq_no");
    long value = 0;
    if (seqNoNumber(number, &value)) {
      index.highest = std::max(index.highest, value);
    }
    if (!number.empty()) {
      index.byItem.emplace(childItemOf(occurrences[i]), std::make_pair(i, number));
    }
  }
  index.changeCount = store.changeCount();
  index.valid = true;
  return index;
}

const host::ResetHook kForgetSeqNoIndex([] { seqNoIndexOf(NULLTAG).valid = false; });

int requireOccurrenceOf(Tag bvr, Tag occurrence) {
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  if (const int status = host::requireObject(occurrence, kOccurrence)) {
    return status;
  }
  if (!seqNoIndexOf(bvr).holds(occurrence)) {
    return host::storeError(PS_occurrence_not_in_bvr, {tagText(bvr), tagText(occurrence)});
  }
  return 0;
}

// Sequence numbers above this are not counted as numbers, so the next one always fits.
constexpr long kHighestSeqNo = 999999999;

// The number a sequence number text stands for; false for a text that is not a whole number.
bool seqNoNumber(const std::string& text, long* number) {
  if (text.empty()) {
    return false;
  }
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE || value < 0 || value > kHighestSeqNo) {
    return false;
  }
  *number = value;
  return true;
}

std::string cutName(const std::string& name) {
  return host::cutName(name, WSO_name_size_c);
}

}  // namespace

namespace host {

std::vector<Tag> bomViewsOfItem(Tag item) {
  return viewsByItem().find({item});
}

std::vector<Tag> bomViewRevisionsOf(Tag itemRevision) {
  return bvrsByRevision().find({itemRevision});
}

Tag defaultViewType() {
  Store& store = Store::instance();
  const std::vector<Tag> types = store.objectsOfClass(store.classId(kViewType));
  if (const Preference* preference = lookUpPreference("PS_default_view_type")) {
    const std::string name = preference->values.empty() ? std::string() : preference->values[0];
    for (Tag type : types) {
      if (textOf(type, "view_type_name") == name) {
        return type;
      }
    }
  }
  return types.empty() ? NULLTAG : types.front();
}

Tag bomViewRevisionFor(Tag itemRevision, Tag viewType) {
  const std::vector<Tag> bvrs = bomViewRevisionsOf(itemRevision);
  const Tag wanted = viewType != NULLTAG ? viewType : defaultViewType();
  for (Tag bvr : bvrs) {
    if (referenceOf(referenceOf(bvr, "bom_view"), "bom_view_type") == wanted) {
      return bvr;
    }
  }
  return viewType == NULLTAG && !bvrs.empty() ? bvrs.front() : NULLTAG;
}

Tag bomViewRevisionOfView(Tag itemRevision, Tag bomView) {
  for (Tag bvr : bomViewRevisionsOf(itemRevision)) {
    if (referenceOf(bvr, "bom_view") == bomView) {
      return bvr;
    }
  }
  return NULLTAG;
}

std::vector<Tag> occurrencesOf(Tag bvr) {
  return referencesOf(bvr, "occurrences");
}

std::vector<OccurrenceUse> occurrenceUsesOf(Tag item) {
  return whereUsed().usesOf(item);
}

void fileOccurrenceUse(Tag bvr, Tag occurrence) {
  whereUsed().file(bvr, occurrence);
}

int requireStructureEditable(Tag bvr) {
  const Store& store = Store::instance();
  bool modifiable = false;
  if (!store.isLive(bvr, &modifiable)) {
    return storeError(POM_invalid_tag, {tagText(bvr)});
  }
  const Tag checkedOutBy = referenceOf(bvr, "checked_out_user");
  if (!modifiable || (checkedOutBy != NULLTAG && checkedOutBy != store.currentUser())) {
    return storeError(POM_not_modifiable, {tagText(bvr)});
  }
  return 0;
}

}  // namespace host

int PS_find_view_type(const char* name, Tag* viewType) {
  if (name == nullptr || viewType == nullptr) {
    return missingArgument("PS_find_view_type");
  }
  *viewType = NULLTAG;
  HOST_CALL("PS_find_view_type", NULLTAG);
  Store& store = Store::instance();
  for (Tag type : store.objectsOfClass(store.classId(kViewType))) {
    if (host::textOf(type, "view_type_name") == name) {
      *viewType = type;
      return 0;
    }
  }
  return 0;
}

int PS_ask_default_view_type(Tag* viewType) {
  if (viewType == nullptr) {
    return missingArgument("PS_ask_default_view_type");
  }
  *viewType = NULLTAG;
  HOST_CALL("PS_ask_default_view_type", NULLTAG);
  *viewType = host::defaultViewType();
  return 0;
}

int PS_ask_view_type_name(Tag viewType, char** name) {
  if (name == nullptr) {
    return missingArgument("PS_ask_view_type_name");
  }
  *name = nullptr;
  HOST_CALL("PS_ask_view_type_name", viewType);
  if (const int status = host::requireObject(viewType, kViewType)) {
    return status;
  }
  *name = SM_string_copy(host::textOf(viewType, "view_type_name").c_str());
  return 0;
}

int PS_create_bom_view(Tag viewType, const char* name, const char* description, Tag item,
                       Tag* bomView) {
  if (bomView == nullptr) {
    return missingArgument("PS_create_bom_view");
  }
  *bomView = NULLTAG;
  HOST_CALL("PS_create_bom_view", item);
  if (const int status = host::requireObject(viewType, kViewType)) {
    return status;
  }
  if (const int status = host::requireObject(item, "Item")) {
    return status;
  }
  if (const int status = requireLocked(item)) {
    return status;
  }
  const std::string typeName = host::textOf(viewType, "view_type_name");
  const std::string itemId = host::textOf(item, "item_id");
  for (Tag existing : host::bomViewsOfItem(item)) {
    if (host::referenceOf(existing, "bom_view_type") == viewType) {
      return host::storeError(PS_duplicate_view, {itemId, typeName});
    }
  }
  Tag view;
  if (const int status = host::createObjectOfClass(kBomView, &view)) {
    return status;
  }
  const std::string given = name != nullptr ? name : "";
  host::writeReference(view, "bom_view_type", viewType, WriteMode::initial);
  host::writeReference(view, "parent_item", item, WriteMode::initial);
  host::writeText(view, "object_name", cutName(given.empty() ? itemId + "-" + typeName : given),
                  WriteMode::initial);
  host::writeText(view, "object_desc", description != nullptr ? description : "",
                  WriteMode::initial);
  host::writeReference(view, "owning_user", Store::instance().currentUser(), WriteMode::initial);
  *bomView = view;
  return 0;
}

int PS_create_bvr(Tag bomView, const char* name, const char* description, bool precise,
                  Tag itemRevision, Tag* bvr) {
  if (bvr == nullptr) {
    return missingArgument("PS_create_bvr");
  }
  *bvr = NULLTAG;
  HOST_CALL("PS_create_bvr", itemRevision);
  if (const int status = host::requireObject(bomView, kBomView)) {
    return status;
  }
  if (const int status = host::requireObject(itemRevision, "ItemRevision")) {
    return status;
  }
  if (const int status = requireLocked(itemRevision)) {
    return status;
  }
  const Tag item = host::referenceOf(itemRevision, "items_tag");
  if (host::referenceOf(bomView, "parent_item") != item) {
    return host::storeError(PS_view_not_of_item, {tagText(bomView), tagText(itemRevision)});
  }
  if (host::bomViewRevisionOfView(itemRevision, bomView) != NULLTAG) {
    return host::storeError(PS_duplicate_bvr, {tagText(bomView), tagText(itemRevision)});
  }
  Tag created;
  if (const int status = host::createObjectOfClass(kBvr, &created)) {
    return status;
  }
  const std::string given = name != nullptr ? name : "";
  const std::string defaultName =
      host::textOf(item, "item_id") + "/" + host::textOf(itemRevision, "item_revision_id") + "-" +
      host::textOf(host::referenceOf(bomView, "bom_view_type"), "view_type_name");
  host::writeReference(created, "bom_view", bomView, WriteMode::initial);
  host::writeReference(created, "parent_revision", itemRevision, WriteMode::initial);
  host::writeFlag(created, "is_precise", precise, WriteMode::initial);
  host::writeText(created, "object_name", cutName(given.empty() ? defaultName : given),
                  WriteMode::initial);
  host::writeText(created, "object_desc", description != nullptr ? description : "",
                  WriteMode::initial);
  host::writeReference(created, "owning_user", Store::instance().currentUser(), WriteMode::initial);
  *bvr = created;
  return 0;
}

int PS_ask_bom_view_type(Tag bomView, Tag* viewType) {
  if (viewType == nullptr) {
    return missingArgument("PS_ask_bom_view_type");
  }
  *viewType = NULLTAG;
  HOST_CALL("PS_ask_bom_view_type", bomView);
  if (const int status = host::requireObject(bomView, kBomView)) {
    return status;
  }
  *viewType = host::referenceOf(bomView, "bom_view_type");
  return 0;
}

int PS_ask_bom_view_of_bvr(Tag bvr, Tag* bomView) {
  if (bomView == nullptr) {
    return missingArgument("PS_ask_bom_view_of_bvr");
  }
  *bomView = NULLTAG;
  HOST_CALL("PS_ask_bom_view_of_bvr", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  *bomView = host::referenceOf(bvr, "bom_view");
  return 0;
}

int PS_ask_is_bvr_precise(Tag bvr, bool* precise) {
  if (precise == nullptr) {
    return missingArgument("PS_ask_is_bvr_precise");
  }
  *precise = false;
  HOST_CALL("PS_ask_is_bvr_precise", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  *precise = host::flagOf(bvr, "is_precise");
  return 0;
}

int ITEM_list_bom_views(Tag item, int* count, Tag** bomViews) {
  if (count == nullptr || bomViews == nullptr) {
    return missingArgument("ITEM_list_bom_views");
  }
  *count = 0;
  *bomViews = nullptr;
  HOST_CALL("ITEM_list_bom_views", item);
  if (const int status = host::requireObject(item, "Item")) {
    return status;
  }
  return host::handOutTags(host::bomViewsOfItem(item), count, bomViews);
}

int ITEM_rev_list_bom_view_revs(Tag itemRevision, int* count, Tag** bvrs) {
  if (count == nullptr || bvrs == nullptr) {
    return missingArgument("ITEM_rev_list_bom_view_revs");
  }
  *count = 0;
  *bvrs = nullptr;
  HOST_CALL("ITEM_rev_list_bom_view_revs", itemRevision);
  if (const int status = host::requireObject(itemRevision, "ItemRevision")) {
    return status;
  }
  return host::handOutTags(host::bomViewRevisionsOf(itemRevision), count, bvrs);
}

int PS__get_legacy_transform_units_pref(double* factor) {
  if (factor == nullptr) {
    return missingArgument("PS__get_legacy_transform_units_pref");
  }
  *factor = 1.0;
  HOST_CALL("PS__get_legacy_transform_units_pref", NULLTAG);
  const host::Preference* preference = host::lookUpPreference("PS_legacy_transform_factor");
  if (preference == nullptr || preference->values.empty()) {
    return 0;
  }
  double value = 0.0;
  if (!host::parseReal(preference->values.front(), &value)) {
    return host::storeError(PREF_invalid_value,
                            {"PS_legacy_transform_factor", preference->values.front()});
  }
  *factor = value;
  return 0;
}

int PS_set_legacy_transform_factor(Tag bvr, double factor) {
  HOST_CALL("PS_set_legacy_transform_factor", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  if (!(factor > 0.0)) {
    return host::storeError(PS_invalid_transform_factor, {host::realText(factor)});
  }
  return host::writeReal(bvr, "legacy_transform_factor", factor, WriteMode::host);
}

int PS_ask_legacy_transform_factor(Tag bvr, double* factor) {
  if (factor == nullptr) {
    return missingArgument("PS_ask_legacy_transform_factor");
  }
  *factor = 1.0;
  HOST_CALL("PS_ask_legacy_transform_factor", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  *factor = host::realOf(bvr, "legacy_transform_factor", 1.0);
  return 0;
}

int PS_list_occurrences_of_bvr(Tag bvr, int* count, Tag** occurrences) {
  if (count == nullptr || occurrences == nullptr) {
    return missingArgument("PS_list_occurrences_of_bvr");
  }
  *count = 0;
  *occurrences = nullptr;
  HOST_CALL("PS_list_occurrences_of_bvr", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  return host::handOutTags(host::occurrencesOf(bvr), count, occurrences);
}

int PS_ask_occurrence_thread(Tag occurrence, Tag* thread) {
  if (thread == nullptr) {
    return missingArgument("PS_ask_occurrence_thread");
  }
  *thread = NULLTAG;
  HOST_CALL("PS_ask_occurrence_thread", occurrence);
  if (const int status = host::requireObject(occurrence, kOccurrence)) {
    return status;
  }
  *thread = host::referenceOf(occurrence, "occurrence_thread");
  return 0;
}

int PS_ask_seq_no(Tag bvr, Tag occurrence, char** seqNo) {
  if (seqNo == nullptr) {
    return missingArgument("PS_ask_seq_no");
  }
  *seqNo = nullptr;
  HOST_CALL("PS_ask_seq_no", bvr);
  if (const int status = requireOccurrenceOf(bvr, occurrence)) {
    return status;
  }
  if (host::hasValue(occurrence, "seq_no")) {
    *seqNo = SM_string_copy(host::textOf(occurrence, "seq_no").c_str());
  }
  return 0;
}

int PS_set_seq_no(Tag bvr, Tag occurrence, const char* seqNo) {
  HOST_CALL("PS_set_seq_no", bvr);
  if (const int status = requireOccurrenceOf(bvr, occurrence)) {
    return status;
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  if (const int status = requireLocked(bvr)) {
    return status;
  }
  const std::string number = seqNo != nullptr ? seqNo : "";
  SeqNoIndex& index = seqNoIndexOf(bvr);
  if (const int status = host::writeText(occurrence, "seq_no", number, WriteMode::initial)) {
    return status;
  }
  index.valid = index.numbered(occurrence, number);
  index.changeCount = host::Store::instance().changeCount();
  return 0;
}

int USER_ask_new_seqno(Tag bvr, Tag item, char** seqNo) {
  if (seqNo == nullptr) {
    return missingArgument("USER_ask_new_seqno");
  }
  *seqNo = nullptr;
  HOST_CALL("USER_ask_new_seqno", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  const SeqNoIndex& index = seqNoIndexOf(bvr);
  auto found = index.byItem.find(item);
  if (found != index.byItem.end()) {
    *seqNo = SM_string_copy(found->second.second.c_str());
  }
  return 0;
}

int USER_ask_for_new_sequence_no(Tag bvr, char** seqNo) {
  if (seqNo == nullptr) {
    return missingArgument("USER_ask_for_new_sequence_no");
  }
  *seqNo = nullptr;
  HOST_CALL("USER_ask_for_new_sequence_no", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  const long highest = seqNoIndexOf(bvr).highest;
  *seqNo = SM_string_copy(std::to_string((highest / 10 + 1) * 10).c_str());
  return 0;
}
