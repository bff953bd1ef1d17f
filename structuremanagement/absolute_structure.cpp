#include "structuremanagement/absolute_structure.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "datamanagement/operation_support.h"
#include "framework/soa_exceptions.h"
#include "host/object/absocc.h"
#include "host/object/aom.h"
#include "host/object/arr.h"
#include "host/object/bom.h"
#include "host/object/extensions.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/pom_ref.h"
#include "host/object/structure_objects.h"
#include "structuremanagement/structure_write_support.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

const char* const kAbsOccUidAttribute = "bl_absocc_uid_in_topline_context";

bool hasText(const host::HostString& text) {
  return text.get() != nullptr && text.c_str()[0] != '\0';
}

}  // namespace

StructureManagement::CreateOrUpdateAbsoluteStructureResponse
CreateOrUpdateAbsoluteStructureImpl::createOrUpdateAbsoluteStructure(
    const std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>& info,
    const std::string& bomViewTypeName, bool complete,
    const StructureManagement::CreateOrUpdateAbsoluteStructurePref& pref) {
  StructureManagement::CreateOrUpdateAbsoluteStructureResponse response;
  ServiceData serviceData;
  response_ = &response;
  serviceData_ = &serviceData;
  complete_ = complete;
  pref_ = &pref;
  try {
    viewType_ = StructureManagementUtils::findBomViewType(bomViewTypeName);
  } catch (IFail&) {
    throw Korvane::Soa::Server::ServiceException();
  }
  for (const Info& input : info) {
    doCreateOrUpdateAbsoluteStructure(input);
  }
  response.serviceData = serviceData;
  return response;
}

void CreateOrUpdateAbsoluteStructureImpl::doCreateOrUpdateAbsoluteStructure(const Info& input) {
  // A failing input is undone as a whole, also what the host changes at once (the data that
  // `complete` removes, arrangements), so its output entries go with it.
  const auto absOccOutputBefore = response_->absOccOutput;
  const auto asmArrOutputBefore = response_->asmArrOutput;
  pendingReports_.clear();
  std::optional<MarkPoint> mark;
  Tag cleared;
  try {
    mark.emplace();
    Tag bv;
    StructureManagementUtils::findBvAndBvr(input.contextItemRev.tag(), viewType_, bv, bvr_);
    if (complete_ && clearedBvrs_.insert(bvr_).second) {
      cleared = bvr_;
      removeAllAbsOccData();
    }
    ResultStatus status;
    status = BOM_create_window(&window_);
    status = BOM_set_window_pack_all(window_, false);
    // On the view found rather than on none: a window without a view expands the default view
    // type, which would put another view type's data into the default one's structure.
    status = BOM_set_window_top_line(window_, NULLTAG, input.contextItemRev.tag(), bv, &topLine_);
    const EIMRef<BOMWindow> window(window_);
    status = window->setAbsOccEditMode(true);
    status = window->setCtxtLine(topLine_);
    status = window->setIgnoreArrangements(false);
    cache_.init(window_, topLine_, pref_->cadOccIdAttrName, attributes_);
    for (const AbsOccInfo& absOccInfo : input.bvrAbsOccInfo) {
      createOrUpdateAbsOcc(absOccInfo, NULLTAG);
    }
    for (const AssemblyArrangementInfo& arrInfo : input.arrAbsOccInfo) {
      createOrUpdateAssemblyArrangement(arrInfo);
    }
    status = BOM_save_window(window_);
    cleanup();
    mark->keep();
    for (const auto& pending : pendingReports_) {
      if (pending.first == Report::created) {
        serviceData_->addCreatedObject(pending.second);
      } else {
        serviceData_->addUpdatedObject(pending.second);
      }
    }
    pendingReports_.clear();
  } catch (IFail&) {
    cleanupAfterFailure([this] { cleanup(); });
    mark.reset();
    response_->absOccOutput = absOccOutputBefore;
    response_->asmArrOutput = asmArrOutputBefore;
    pendingReports_.clear();
    // The roll-back brought the removed data back: the next input on it removes them.
    clearedBvrs_.erase(cleared);
    serviceData_->addErrorStack();
  } catch (...) {
    cleanupAfterFailure([this] { cleanup(); });
    throw;
  }
}

void CreateOrUpdateAbsoluteStructureImpl::removeAllAbsOccData() {
  ResultStatus status;
  std::vector<Tag> qualifiers;
  status = AbsOccDataQualifier::findByBvr(bvr_, &qualifiers);
  for (const Tag qualifier : qualifiers) {
    // The absolute occurrences stay but lose their overrides and attachments: they are changed,
    // whether or not the input writes them again.
    std::vector<Tag> absOccs;
    status = AbsOccData::findAbsOccsForQual(qualifier, &absOccs);
    status = AbsOccData::destroyAllForQual(qualifier);
    status = qualifier.destroy();
    for (const Tag absOcc : absOccs) {
      report(Report::updated, absOcc);
    }
  }
}

void CreateOrUpdateAbsoluteStructureImpl::createOrUpdateAbsOcc(const AbsOccInfo& absOccInfo,
                                                               Tag arrangement) {
  // A failing occurrence leaves nothing half-written in the window (its data are saved with the
  // window when the input succeeds). Its line is found before the mark: the lines the window
  // makes to find it are no write of this occurrence, so a failure keeps them, and the cache
  // that found them stays right; a failure costs what a success does instead of every next
  // occurrence making the window's lines again.
  std::optional<MarkPoint> mark;
  try {
    const AbsOccDataInfo& data = absOccInfo.absOccData;
    if (absOccInfo.cadOccIdPath.empty() && absOccInfo.absOcc.tag() == NULLTAG) {
      raiseError(kAbsOccNotGiven);
    }
    const Tag line = findBomLine(absOccInfo.cadOccIdPath, absOccInfo.absOcc.tag());
    mark.emplace();
    host::HostString uid = attributes_.askAttributeString(line, kAbsOccUidAttribute);
    const bool exists = hasText(uid);
    if (arrangement != NULLTAG) {
      useAssemblyArrangement(arrangement, line, data.clientIdOfUsedArrangement, data.usedArr.tag());
    }
    setAbsOccData(line, data, absOccInfo.clientId);
    if (!exists) {
      uid = attributes_.askAttributeString(line, kAbsOccUidAttribute);
    }
    Tag absOcc;
    PomResultStatus pomStatus;
    pomStatus = POM_string_to_tag(uid.c_str(), &absOcc);
    if (absOcc == NULLTAG) {
      // The host made no absolute occurrence for the line: nothing to answer with.
      raiseErrorWithTexts(kAbsOccNotMade, uidText(line));
    }
    mark->keep();
    response_->absOccOutput[absOccInfo.clientId] = absOcc;
    if (exists) {
      if (createdAbsOccs_.count(absOcc) == 0) {
        report(Report::updated, absOcc);
      }
    } else {
      report(Report::created, absOcc);
      createdAbsOccs_.insert(absOcc);
    }
  } catch (IFail&) {
    // Everything the cache holds was found before the mark, which the roll-back restores.
    mark.reset();
    serviceData_->addErrorStack(absOccInfo.clientId);
  }
}

Tag CreateOrUpdateAbsoluteStructureImpl::findBomLine(const std::vector<std::string>& cadOccIdPath,
                                                     Tag absOcc) {
  const Tag line = absOcc != NULLTAG ? cache_.findBomLineByAbsOcc(absOcc)
                                     : cache_.findBomLineByCadOccIdPath(cadOccIdPath);
  if (line == NULLTAG) {
    raiseError(kBomLineNotFound);
  }
  return line;
}

void CreateOrUpdateAbsoluteStructureImpl::useAssemblyArrangement(
    Tag arrangement, Tag line, const std::string& clientIdOfUsedArrangement, Tag usedArr) {
  Tag used;
  if (!clientIdOfUsedArrangement.empty()) {
    auto found = response_->asmArrOutput.find(clientIdOfUsedArrangement);
    if (found == response_->asmArrOutput.end()) {
      raiseError(kUsedArrangementNotFound);
    }
    used = found->second.tag();
  } else if (usedArr != NULLTAG) {
    used = usedArr;
  } else {
    return;
  }
  ResultStatus status;
  Tag anchor;
  status = ARR__ask_arrangement_anchor(used, &anchor);
  // The subassembly the line shows uses one of its own arrangements: an arrangement of another
  // view revision holds none of its data. The arrangement being written is one of them (the
  // context's structure never lies below itself), and so is any arrangement when the line
  // shows no structure.
  Tag usedContext;
  status = AOM_ask_value_tag(used, "context_bvr", &usedContext);
  const Tag subassembly = attributes_.askAttributeTag(line, "bl_bomview_rev");
  if (subassembly == NULLTAG || usedContext != subassembly) {
    raiseErrorWithTexts(kArrangementOfAnotherBvr, uidText(used), objectText(subassembly));
  }
  Tag pathNode;
  status = ME_create_meapprpathnode_from_bomline(line, &pathNode);
  const Tag occurrence = attributes_.askAttributeTag(line, "bl_occurrence");
  status = ARR__set_used_arrangement(bvr_, arrangement, pathNode, anchor, occurrence);
}

void CreateOrUpdateAbsoluteStructureImpl::setAbsOccData(Tag line, const AbsOccDataInfo& data,
                                                        const std::string& clientId) {
  const POMRef<BOMLine> bomLine(line);
  setLineAttributes(bomLine, attributes_, data.asRequired, data.overridesToSet);
  ResultStatus status;
  for (const std::string& name : data.overridesToRemove) {
    status = BOM__line_remove_absocc_property(line, name.c_str(), topLine_);
  }
  if (!data.occTransform.empty()) {
    status = bomLine->setTransform(transformMatrix(data.occTransform).data(), 1);
  }
  for (const StructureManagement::OccNote& note : data.occNote) {
    attributes_.setAttributeString(line, note.noteType, note.noteText);
  }
  for (const AbsOccAttachment& attachment : data.attachment) {
    attachDataSet(line, attachment, clientId);
  }
  unattachDataSets(line, data.attachmentsToUnattach, clientId);
  status = BOM_modified_bvr(line);
}

void CreateOrUpdateAbsoluteStructureImpl::attachDataSet(Tag line,
                                                        const AbsOccAttachment& attachment,
                                                        const std::string& clientId) {
  try {
    ResultStatus status;
    Tag relationType;
    status = GRM_find_relation_type(attachment.relationTypeName.c_str(), &relationType);
    status = BOM__line_add_absocc_relation(line, relationType, attachment.dataset.tag());
  } catch (IFail&) {
    serviceData_->addErrorStack(clientId);
  }
}

void CreateOrUpdateAbsoluteStructureImpl::unattachDataSets(
    Tag line, const std::vector<AbsOccAttachment>& attachments, const std::string& clientId) {
  try {
    std::map<std::string, std::set<Tag>> byRelationType;
    for (const AbsOccAttachment& attachment : attachments) {
      byRelationType[attachment.relationTypeName].insert(attachment.dataset.tag());
    }
    ResultStatus status;
    for (auto& group : byRelationType) {
      std::set<Tag>& datasets = group.second;
      int count = 0;
      host::HostArray<Tag> relations;
      status = BOM__line_ask_absocc_relation(line, NULLTAG, group.first.c_str(), NULLTAG, &count,
                                             relations.out());
      for (int i = 0; i < count && relations; ++i) {
        const Tag relation = relations[static_cast<std::size_t>(i)];
        Tag dataset;
        status = GRM_ask_secondary(relation, &dataset);
        if (datasets.count(dataset) != 0) {
          status = BOM__line_remove_absocc_relation(line, NULLTAG, relation);
          datasets.erase(dataset);
        }
      }
    }
  } catch (IFail&) {
    serviceData_->addErrorStack(clientId);
  }
}

void CreateOrUpdateAbsoluteStructureImpl::createOrUpdateAssemblyArrangement(
    const AssemblyArrangementInfo& arrInfo) {
  try {
    Tag arrangement = arrInfo.arrangement.tag();
    Report kind = Report::updated;
    // The view revision names its default arrangement: it changes with it.
    bool defaultChanged = false;
    {
      // The arrangement is made or changed at once; should the window refuse it as its active
      // arrangement, that is undone and the arrangement fails.
      MarkPoint mark;
      ResultStatus status;
      if (arrangement == NULLTAG) {
        status = ARR_create_assembly_arrangement(bvr_, arrInfo.isDefault, arrInfo.name.c_str(),
                                                 arrInfo.description.c_str(),
                                                 arrInfo.externalUid.c_str(), &arrangement);
        kind = Report::created;
        defaultChanged = arrInfo.isDefault;
      } else {
        // Only an arrangement of this structure can hold its occurrences' data.
        Tag context;
        status = AOM_ask_value_tag(arrangement, "context_bvr", &context);
        if (context != bvr_) {
          raiseErrorWithTexts(kArrangementOfAnotherBvr, uidText(arrangement), uidText(bvr_));
        }
        Tag current;
        status = ARR_ask_bvr_default_arrangement(bvr_, &current);
        if (current == arrangement && !arrInfo.isDefault) {
          status = ARR__set_default_arrangement(bvr_, NULLTAG, true);
          defaultChanged = true;
        } else if (current != arrangement && arrInfo.isDefault) {
          status = ARR__set_default_arrangement(bvr_, arrangement, true);
          defaultChanged = true;
        }
      }
      // Its occurrences' data go under the active arrangement: a window that keeps another
      // one would write them into the wrong arrangement, so a refusal fails the arrangement.
      status = BOM_set_window_active_arrangement(window_, arrangement);
      mark.keep();
    }
    report(kind, arrangement);
    if (defaultChanged) {
      report(Report::updated, bvr_);
    }
    response_->asmArrOutput[arrInfo.clientId] = arrangement;
    for (const AbsOccInfo& absOccInfo : arrInfo.absOccInfo) {
      createOrUpdateAbsOcc(absOccInfo, arrangement);
    }
  } catch (IFail&) {
    serviceData_->addErrorStack(arrInfo.clientId);
  }
}

void CreateOrUpdateAbsoluteStructureImpl::cleanup() {
  bvr_ = NULLTAG;
  topLine_ = NULLTAG;
  cache_.clear();
  closeWindow(window_);
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
