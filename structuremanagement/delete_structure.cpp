#include "structuremanagement/delete_structure.h"

#include <set>
#include <string>
#include <vector>

#include "datamanagement/operation_support.h"
#include "framework/soa_exceptions.h"
#include "host/object/absocc.h"
#include "host/object/arr.h"
#include "host/object/bom.h"
#include "host/object/extensions.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "structuremanagement/structure_write_support.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

// What deleting `arrangement` from `bvr` changes besides deleting it: the arrangements that use
// it lose those entries, the absolute occurrences with data or attachments under it lose them,
// and the view revision whose default it is loses its default. Asked before the deletion.
std::vector<Tag> whatDeletingChanges(Tag bvr, Tag arrangement) {
  ResultStatus status;
  std::vector<Tag> changes;
  int count = 0;
  host::HostArray<Tag> users;
  status = ARR__ask_arrangements_using_arrangement(arrangement, &count, users.out());
  for (int i = 0; i < count && users; ++i) {
    changes.push_back(users[static_cast<std::size_t>(i)]);
  }
  Tag qualifier;
  status = AbsOccDataQualifier::findByArrangement(bvr, arrangement, &qualifier);
  if (qualifier != NULLTAG) {
    std::vector<Tag> absOccs;
    status = AbsOccData::findAbsOccsForQual(qualifier, &absOccs);
    changes.insert(changes.end(), absOccs.begin(), absOccs.end());
  }
  Tag defaultArrangement;
  status = ARR_ask_bvr_default_arrangement(bvr, &defaultArrangement);
  if (defaultArrangement == arrangement) {
    changes.push_back(bvr);
  }
  return changes;
}

}  // namespace

// --- deleteRelativeStructure -----------------------------------------------------------------

StructureManagement::DeleteRelativeStructureResponse
DeleteRelativeStructureImpl::deleteRelativeStructure(
    const std::vector<StructureManagement::DeleteRelativeStructureInfo>& info,
    const std::string& bomViewTypeName,
    const StructureManagement::DeleteRelativeStructurePref& pref) {
  StructureManagement::DeleteRelativeStructureResponse response;
  ServiceData serviceData;
  try {
    serviceData_ = &serviceData;
    pref_ = &pref;
    viewType_ = StructureManagementUtils::findBomViewType(bomViewTypeName);
    for (const StructureManagement::DeleteRelativeStructureInfo& input : info) {
      doDeleteRelativeStructure(input);
    }
    response.serviceData = serviceData;
  } catch (IFail&) {
    throw Korvane::Soa::Server::ServiceException();
  }
  return response;
}

void DeleteRelativeStructureImpl::doDeleteRelativeStructure(
    const StructureManagement::DeleteRelativeStructureInfo& input) {
  try {
    if (input.childInfo.empty()) {
      raiseError(kNothingToDelete);
    }
    const Tag parent = input.parent.tag();
    PomResultStatus pomStatus;
    bool valid = false;
    pomStatus = POM_is_tag_valid(parent, &valid);
    if (!valid) {
      raiseErrorWithTexts(kParentNotValid, objectText(parent));
    }
    if (parent.isValid("ItemRevision") != 0) {
      raiseErrorWithTexts(kParentNotItemRevision, objectText(parent));
    }
    // The view is looked up before the window opens, so that the window shows that view (a
    // window without one shows the default view type's structure, whatever the call named).
    Tag bv;
    Tag bvr;
    StructureManagementUtils::findBvAndBvr(parent, viewType_, bv, bvr);
    // An id named again, in this input or an earlier one on the same parent, is gone already
    // and is skipped before the structure is asked for ids: an input that names only such ids
    // has nothing left to cut, however few ids the structure still carries.
    std::vector<const std::string*> toCut;
    for (const std::string& cadOccId : input.childInfo) {
      if (cutIds_.emplace(parent, cadOccId).second) {
        toCut.push_back(&cadOccId);
      }
    }
    if (toCut.empty()) {
      return;
    }
    ResultStatus status;
    status = BOM_create_window(&window_);
    status = BOM_set_window_pack_all(window_, false);
    status = BOM_set_window_top_line(window_, NULLTAG, parent, bv, &topLine_);
    cache_.buildCache(topLine_, false, true, pref_->cadOccIdAttrName, attributes_);
    if (cache_.cadOccIdCacheSize() == 0) {
      raiseError(kNoCadOccIds);
    }
    for (const std::string* cadOccId : toCut) {
      deleteRelativeOcc(*cadOccId, cutUids_);
    }
    status = BOM_save_window(window_);
    for (const std::string& uid : cutUids_) {
      serviceData_->addDeletedObject(uid);
    }
    // The view revision lost occurrences from its list.
    serviceData_->addUpdatedObject(bvr);
    for (const Tag arrangement : changedArrangements_) {
      serviceData_->addUpdatedObject(arrangement);
    }
    cleanup();
  } catch (...) {
    cleanupAfterFailure([this] { cleanup(); });
    throw;
  }
}

void DeleteRelativeStructureImpl::deleteRelativeOcc(const std::string& cadOccId,
                                                    std::vector<std::string>& uids) {
  const Tag line = cache_.findBomLineByCadOccId(cadOccId);
  if (line == NULLTAG) {
    raiseErrorWithTexts(kCadOccIdNotFound, cadOccId);
  }
  const Tag occurrence = attributes_.askAttributeTag(line, "bl_occurrence");
  PomResultStatus pomStatus;
  host::HostString uid;
  pomStatus = POM_tag_to_uid(occurrence, uid.out());
  collectWhatGoesWith(occurrence, uids, changedArrangements_);
  ResultStatus status;
  status = BOM_line_cut(line);
  uids.push_back(uid.str());
}

void DeleteRelativeStructureImpl::cleanup() {
  topLine_ = NULLTAG;
  cache_.clear();
  cutUids_.clear();
  changedArrangements_.clear();
  closeWindow(window_);
}

// --- deleteAssemblyArrangements --------------------------------------------------------------

StructureManagement::DeleteAssemblyArrangementsResponse
DeleteAssemblyArrangementsImpl::deleteAssemblyArrangements(
    const std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>& info,
    const std::string& bomViewTypeName) {
  StructureManagement::DeleteAssemblyArrangementsResponse response;
  Korvane::Soa::Server::ServiceData serviceData;
  Tag viewType;
  try {
    viewType = StructureManagementUtils::findBomViewType(bomViewTypeName);
  } catch (IFail&) {
    throw Korvane::Soa::Server::ServiceException();
  }
  // What the deletions change, reported when the call ends unless a later deletion of the call
  // took it (an arrangement that used one deleted before it).
  std::vector<Tag> changed;
  std::set<Tag> deleted;
  for (const StructureManagement::DeleteAssemblyArrangementsInfo& input : info) {
    Tag bv;
    Tag bvr;
    StructureManagementUtils::findBvAndBvr(input.itemRev.tag(), viewType, bv, bvr);
    for (const POMRef<>& arrangement : input.arrangement) {
      try {
        PomResultStatus pomStatus;
        host::HostString uid;
        pomStatus = POM_tag_to_uid(arrangement.tag(), uid.out());
        const std::vector<Tag> changes = whatDeletingChanges(bvr, arrangement.tag());
        ResultStatus status;
        status = ARR_delete_arrangement_from_bvr(bvr, arrangement.tag());
        serviceData.addDeletedObject(uid.str());
        deleted.insert(arrangement.tag());
        changed.insert(changed.end(), changes.begin(), changes.end());
      } catch (IFail&) {
        serviceData.addErrorStack(arrangement.tag());
      }
    }
  }
  for (const Tag object : changed) {
    if (deleted.count(object) == 0) {
      serviceData.addUpdatedObject(object);
    }
  }
  response.serviceData = serviceData;
  return response;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
