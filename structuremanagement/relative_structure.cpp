#include "structuremanagement/relative_structure.h"

#include <set>
#include <string>
#include <vector>

#include "datamanagement/operation_support.h"
#include "datamanagement/related_object_collector.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_parse_error.h"
#include "host/object/aom.h"
#include "host/object/bom.h"
#include "host/object/extensions.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/journal.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/pom_ref.h"
#include "host/object/ps.h"
#include "host/object/sizes.h"
#include "host/object/structure_objects.h"
#include "host/object/types.h"
#include "structuremanagement/structure_write_support.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using ServerServiceException = Korvane::Soa::Server::ServiceException;

// The module id of the trace scopes.
constexpr int kJournalModule = 24;

// Legacy transform factors at or below this are taken as unset.
constexpr double kSmallestLegacyFactor = 0.0001;

// Drops the session's lock and unsaved values of an object on a failure path. The status is not
// raised: its entry, if any, joins the failure being raised.
void releaseQuietly(Tag object) {
  if (object != NULLTAG) {
    AOM_refresh(object, false);
  }
}

// What an occurrence holds of the data a child writes through its line. Read from the
// occurrence itself, not through the line, which shows the absolute-occurrence overrides of its
// context where there are any. Taken before and after a child's writes, it tells whether they
// changed the occurrence.
struct OccurrenceData {
  double quantity = 0.0;
  bool asRequired = false;
  std::string seqNo;
  std::vector<std::string> noteTypes;
  std::vector<std::string> noteTexts;
  std::vector<double> transform;

  bool operator==(const OccurrenceData& other) const {
    return quantity == other.quantity && asRequired == other.asRequired && seqNo == other.seqNo &&
           noteTypes == other.noteTypes && noteTexts == other.noteTexts &&
           transform == other.transform;
  }
};

std::vector<std::string> stringsOf(Tag object, const char* name) {
  ResultStatus status;
  int count = 0;
  host::HostArray<char*> values;
  status = AOM_ask_value_strings(object, name, &count, values.out());
  std::vector<std::string> texts;
  for (int i = 0; i < count && values; ++i) {
    texts.emplace_back(values[static_cast<std::size_t>(i)]);
  }
  return texts;
}

OccurrenceData occurrenceDataOf(Tag occurrence) {
  OccurrenceData data;
  ResultStatus status;
  status = AOM_ask_value_double(occurrence, "quantity", &data.quantity);
  status = AOM_ask_value_logical(occurrence, "as_required", &data.asRequired);
  host::HostString seqNo;
  status = AOM_ask_value_string(occurrence, "seq_no", seqNo.out());
  data.seqNo = seqNo.str();
  data.noteTypes = stringsOf(occurrence, "note_types");
  data.noteTexts = stringsOf(occurrence, "note_texts");
  int count = 0;
  host::HostArray<double> transform;
  status = AOM_ask_value_doubles(occurrence, "transform", &count, transform.out());
  if (transform) {
    data.transform.assign(transform.get(), transform.get() + count);
  }
  return data;
}

}  // namespace

StructureManagement::CreateOrUpdateRelativeStructureResponse
CreateOrUpdateRelativeStructureImpl::createOrUpdateRelativeStructure(
    const std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>& info,
    const std::string& bomViewTypeName, bool complete,
    const StructureManagement::CreateOrUpdateRelativeStructurePref& pref) {
  Journal journal(kJournalModule, "StructureManagement::createOrUpdateRelativeStructure");
  journal.call();
  StructureManagement::CreateOrUpdateRelativeStructureResponse response;
  ServiceData serviceData;
  try {
    serviceData_ = &serviceData;
    complete_ = complete;
    pref_ = &pref;
    itemTypes_ = &pref.itemType;
    viewType_ = StructureManagementUtils::findBomViewType(bomViewTypeName);
    for (const Info& input : info) {
      doCreateOrUpdateRelativeStructure(input);
    }
    report(response);
    response.serviceData = serviceData;
  } catch (IFail&) {
    throw ServerServiceException();
  }
  return response;
}

void CreateOrUpdateRelativeStructureImpl::doCreateOrUpdateRelativeStructure(const Info& input) {
  Journal journal(kJournalModule, "StructureManagement::doCreateOrUpdateRelativeStructure");
  journal.call();
  precise_ = input.precise;
  parent_ = input.parent.tag();
  if (!complete_ && input.childInfo.empty()) {
    return;
  }
  // The whole input is undone when it fails: besides the window's edits, the view and view
  // revision it made and saved, and the sequence numbers written after the window was saved.
  MarkPoint mark;
  try {
    ResultStatus status;
    status = BOM_create_window(&window_);
    status = BOM_set_window_pack_all(window_, false);
    Tag bv;
    Tag bvr;
    const bool madeBvr = findOrCreateBvAndBvr(input.parent.tag(), bv, bvr);
    buildRelativeCache(input.childInfo);
    for (const ChildInfo& child : input.childInfo) {
      createOrUpdateRelativeOcc(child);
    }
    if (complete_) {
      cutBOMLinesNotInRelativeStructure();
    }
    status = BOM_save_window(window_);
    setDefaultSeqNos(bvr);
    // The view revision's list of occurrences changed (one made here is reported as made).
    if (!madeBvr && (!createdOccs_.empty() || !cutOccs_.empty())) {
      changedObjects_.push_back(bvr);
    }
    for (const auto& created : createdOccs_) {
      reports_.push_back({Report::created, created.second, std::string()});
    }
    for (const auto& updated : updatedOccs_) {
      reports_.push_back({Report::updated, updated.second, std::string()});
    }
    for (const auto& cut : cutOccs_) {
      cutInCall_.insert(cut.first);
      reports_.push_back({Report::deleted, cut.first, cut.second});
    }
    for (const Tag made : madeObjects_) {
      reports_.push_back({Report::created, made, std::string()});
    }
    for (const Tag changed : changedObjects_) {
      reports_.push_back({Report::updated, changed, std::string()});
    }
    for (const std::string& uid : goneUids_) {
      reports_.push_back({Report::deleted, NULLTAG, uid});
    }
    cleanup();
    mark.keep();
  } catch (...) {
    cleanupAfterFailure([this] { cleanup(); });
    throw;
  }
}

// The window's top line is set here, on the view found or made, rather than on no view before
// the lookup: a window without a view expands the default view type, so an input for another
// view type would otherwise be written into the default one's view revision.
bool CreateOrUpdateRelativeStructureImpl::findOrCreateBvAndBvr(Tag itemRev, Tag& bv, Tag& bvr) {
  ResultStatus status;
  Tag item;
  status = ITEM_ask_item_of_rev(itemRev, &item);
  bv = StructureManagementUtils::findBv(item, viewType_);
  bvr = NULLTAG;
  MarkPoint mark;
  if (bv == NULLTAG) {
    try {
      status = AOM_refresh(item, true);
      status = PS_create_bom_view(viewType_, "", "", item, &bv);
      status = AOM_save(bv);
      status = AOM_save(item);
      status = AOM_refresh(bv, false);
      status = AOM_refresh(item, false);
    } catch (IFail&) {
      releaseQuietly(bv);
      releaseQuietly(item);
      throw;
    }
    // The item now has one more view: a client that shows its views refreshes it.
    madeObjects_.push_back(bv);
    changedObjects_.push_back(item);
  }
  status = BOM_set_window_top_line(window_, NULLTAG, itemRev, bv, &topLine_);
  bvr = StructureManagementUtils::findBvr(itemRev, bv);
  if (bvr == NULLTAG) {
    try {
      status = AOM_refresh(itemRev, true);
      status = PS_create_bvr(bv, "", "", precise_, itemRev, &bvr);
      double factor = 1.0;
      status = PS__get_legacy_transform_units_pref(&factor);
      status = PS_set_legacy_transform_factor(bvr, factor > kSmallestLegacyFactor ? factor : 1.0);
      status = AOM_save(bvr);
      status = AOM_save(itemRev);
      status = AOM_refresh(bvr, false);
      status = AOM_refresh(itemRev, false);
    } catch (IFail&) {
      releaseQuietly(bvr);
      releaseQuietly(itemRev);
      throw;
    }
    madeObjects_.push_back(bvr);
    changedObjects_.push_back(itemRev);
    mark.keep();
    return true;
  }
  bool isPrecise = false;
  status = PS_ask_is_bvr_precise(bvr, &isPrecise);
  if (isPrecise != precise_) {
    setPrecise(bvr);
  }
  status = Utility::verifyCheckoutStateAsRequired(bvr, kBvrNotModifiable, kBvrNotCheckedOut);
  mark.keep();
  return false;
}

// A view revision made precise gives its occurrences of items the revisions the window
// configures; which occurrences the change touched is read from them before and after, rather
// than assumed.
void CreateOrUpdateRelativeStructureImpl::setPrecise(Tag bvr) {
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> occurrences;
  status = PS_list_occurrences_of_bvr(bvr, &count, occurrences.out());
  std::vector<std::pair<Tag, Tag>> revisions;  // Each occurrence and its revision before.
  for (int i = 0; i < count && occurrences; ++i) {
    const Tag occurrence = occurrences[static_cast<std::size_t>(i)];
    Tag revision;
    status = AOM_ask_value_tag(occurrence, "child_revision", &revision);
    revisions.emplace_back(occurrence, revision);
  }
  status = BOM_line_set_precise(topLine_, precise_);
  for (const auto& [occurrence, before] : revisions) {
    Tag after;
    status = AOM_ask_value_tag(occurrence, "child_revision", &after);
    if (after != before) {
      changedObjects_.push_back(occurrence);
    }
  }
  changedObjects_.push_back(bvr);
}

void CreateOrUpdateRelativeStructureImpl::buildRelativeCache(
    const std::vector<ChildInfo>& childInfo) {
  Journal journal(kJournalModule, "StructureManagement::buildRelativeCache");
  journal.call();
  bool byCadOccId = false;
  for (const ChildInfo& child : childInfo) {
    if (!child.cadOccId.empty()) {
      byCadOccId = true;
      break;
    }
  }
  cache_.buildCache(topLine_, complete_, byCadOccId, pref_->cadOccIdAttrName, attributes_);
}

void CreateOrUpdateRelativeStructureImpl::createOrUpdateRelativeOcc(const ChildInfo& child) {
  Journal journal(kJournalModule, "StructureManagement::createOrUpdateRelativeOcc");
  journal.call();
  try {
    Tag line = cache_.findBomLineByCadOccId(child.cadOccId);
    Tag occ;
    bool seqNoGiven = false;
    if (line != NULLTAG) {
      const bool substituted = updateRelativeOcc(line, child.child.tag(), occ);
      const OccurrenceData before = occurrenceDataOf(occ);
      setRelOccData(line, false, child.occInfo, seqNoGiven);
      // An occurrence whose data took a value it did not hold is reported as updated, like a
      // substituted one, though the line already showed the child; data written again as they
      // were change nothing and report nothing.
      if (substituted || !(occurrenceDataOf(occ) == before)) {
        updatedOccs_.emplace_back(child.clientId, occ);
        occurrencesOfClientId_[child.clientId].push_back(occ);
      }
    } else {
      createRelativeOcc(child.child.tag(), child.clientId, line, occ);
      occurrencesOfClientId_[child.clientId].push_back(occ);
      setRelOccData(line, true, child.occInfo, seqNoGiven);
      if (!seqNoGiven) {
        newOccsWithoutSeqNo_.emplace_back(occ, child.child.tag());
      }
    }
    if (complete_) {
      cache_.removeOccTag(occ);
    }
  } catch (IFail& failure) {
    if (failure.ifail() != BOM_structure_cycle) {
      throw ServerServiceException(Korvane::Soa::Common::Xml::excerpt(child.clientId));
    }
    // The child is refused with the library's own code and text, under its client id.
    storeErrorWithTexts(kChildContainsParent, uidText(child.child.tag()), uidText(parent_));
    const ServerServiceException described;
    ServerServiceException refusal(Korvane::Soa::Common::Xml::excerpt(child.clientId));
    refusal.setCode(described.getCode());
    refusal.setLevel(described.getLevel());
    refusal.setDetails(described.getDetails());
    throw refusal;
  }
}

bool CreateOrUpdateRelativeStructureImpl::updateRelativeOcc(Tag line, Tag childRev, Tag& occ) {
  Journal journal(kJournalModule, "StructureManagement::updateRelativeOcc");
  journal.call();
  ResultStatus status;
  bool substituted = false;
  if (precise_) {
    if (attributes_.askAttributeTag(line, "bl_revision") != childRev) {
      status = BOM_line_substitute(line, NULLTAG, childRev, nullptr);
      substituted = true;
    }
  } else {
    Tag item;
    status = ITEM_ask_item_of_rev(childRev, &item);
    if (attributes_.askAttributeTag(line, "bl_item") != item) {
      status = BOM_line_substitute(line, item, NULLTAG, nullptr);
      substituted = true;
    }
  }
  occ = attributes_.askAttributeTag(line, "bl_occurrence");
  return substituted;
}

void CreateOrUpdateRelativeStructureImpl::createRelativeOcc(Tag childRev,
                                                            const std::string& clientId, Tag& line,
                                                            Tag& occ) {
  Journal journal(kJournalModule, "StructureManagement::createRelativeOcc");
  journal.call();
  ResultStatus status;
  if (precise_) {
    status = BOM_line_add(topLine_, NULLTAG, childRev, NULLTAG, &line);
  } else {
    Tag item;
    status = ITEM_ask_item_of_rev(childRev, &item);
    status = BOM_line_add(topLine_, item, NULLTAG, NULLTAG, &line);
  }
  occ = attributes_.askAttributeTag(line, "bl_occurrence");
  createdOccs_.emplace_back(clientId, occ);
}

void CreateOrUpdateRelativeStructureImpl::setRelOccData(Tag line, bool isNew,
                                                        const RelOccInfo& info, bool& seqNoGiven) {
  Journal journal(kJournalModule, "StructureManagement::setRelOccData");
  journal.call();
  const POMRef<BOMLine> bomLine(line);
  setLineAttributes(bomLine, attributes_, info.asRequired, info.attrsToSet);
  for (const StructureManagement::AttributesInfo& attribute : info.attrsToSet) {
    if (attribute.name == "bl_sequence_no") {
      seqNoGiven = true;
    }
  }
  ResultStatus status;
  if (!info.occTransform.empty()) {
    status = bomLine->setTransform(transformMatrix(info.occTransform).data(), 1);
  }
  for (const StructureManagement::OccNote& note : info.occNote) {
    attributes_.setAttributeString(line, note.noteType, note.noteText);
  }
  const bool changed =
      !info.attrsToSet.empty() || !info.occTransform.empty() || !info.occNote.empty();
  if (isNew || changed) {
    status = BOM_modified_bvr(line);
  }
}

void CreateOrUpdateRelativeStructureImpl::cutBOMLinesNotInRelativeStructure() {
  Journal journal(kJournalModule, "StructureManagement::cutBOMLinesNotInRelativeStructure");
  journal.call();
  const std::map<Tag, Tag>* remaining = cache_.getOccTagToBomLineMap();
  if (remaining == nullptr || remaining->empty()) {
    return;
  }
  ResultStatus status;
  std::set<std::string> typeNames;
  for (const std::string& name : *itemTypes_) {
    typeNames.insert(name);
    Tag type;
    status = ZOLTTYPE_find_type(name.c_str(), "ITEM", &type);
    int count = 0;
    host::HostArray<Tag> subtypes;
    status = ZOLTTYPE_ask_subtypes(type, &count, subtypes.out());
    for (int i = 0; i < count && subtypes; ++i) {
      char subtypeName[ZOLTTYPE_name_size_c + 1] = "";
      status = ZOLTTYPE_ask_name(subtypes[static_cast<std::size_t>(i)], subtypeName);
      typeNames.insert(subtypeName);
    }
  }
  for (const auto& entry : *remaining) {
    const Tag occurrence = entry.first;
    const Tag line = entry.second;
    // A line without an item (a generic design element) has no item type: it is cut only when
    // every type is.
    char typeName[ZOLTTYPE_name_size_c + 1] = "";
    const Tag item = attributes_.askAttributeTag(line, "bl_item");
    if (item != NULLTAG) {
      status = ITEM_ask_type(item, typeName);
    }
    if (typeNames.empty() || (item != NULLTAG && typeNames.count(typeName) != 0)) {
      host::HostString uid;
      status = POM_tag_to_uid(occurrence, uid.out());
      collectWhatGoesWith(occurrence, goneUids_, changedObjects_);
      status = BOM_line_cut(line);
      cutOccs_.emplace_back(occurrence, uid.str());
    }
  }
}

void CreateOrUpdateRelativeStructureImpl::setDefaultSeqNos(Tag bvr) {
  if (newOccsWithoutSeqNo_.empty()) {
    return;
  }
  ResultStatus status;
  try {
    status = AOM_lock(bvr);
    for (const auto& entry : newOccsWithoutSeqNo_) {
      Tag item;
      status = ITEM_ask_item_of_rev(entry.second, &item);
      host::HostString seqNo;
      status = USER_ask_new_seqno(bvr, item, seqNo.out());
      if (!seqNo) {
        status = USER_ask_for_new_sequence_no(bvr, seqNo.out());
      }
      status = PS_set_seq_no(bvr, entry.first, seqNo.get());
    }
    status = AOM_save(bvr);
    status = AOM_refresh(bvr, false);
  } catch (IFail&) {
    releaseQuietly(bvr);
    throw;
  }
}

void CreateOrUpdateRelativeStructureImpl::cleanup() {
  topLine_ = NULLTAG;
  cache_.clear();
  createdOccs_.clear();
  updatedOccs_.clear();
  cutOccs_.clear();
  madeObjects_.clear();
  changedObjects_.clear();
  goneUids_.clear();
  newOccsWithoutSeqNo_.clear();
  closeWindow(window_);
}

void CreateOrUpdateRelativeStructureImpl::report(
    StructureManagement::CreateOrUpdateRelativeStructureResponse& response) {
  // A client id names the last occurrence given to it that is still there: one that a later
  // input cut is passed over for the one before it, so that an id used for several parents is
  // not dropped while an occurrence it made lives.
  for (const auto& [clientId, occurrences] : occurrencesOfClientId_) {
    for (auto occurrence = occurrences.rbegin(); occurrence != occurrences.rend(); ++occurrence) {
      if (cutInCall_.count(*occurrence) == 0) {
        response.output[clientId] = *occurrence;
        break;
      }
    }
  }
  for (const Report& entry : reports_) {
    if (entry.kind == Report::deleted) {
      serviceData_->addDeletedObject(entry.uid);
    } else if (cutInCall_.count(entry.object) == 0) {
      if (entry.kind == Report::created) {
        serviceData_->addCreatedObject(entry.object);
      } else {
        serviceData_->addUpdatedObject(entry.object);
      }
    }
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
