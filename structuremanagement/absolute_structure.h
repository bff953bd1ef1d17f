// createOrUpdateAbsoluteStructure: absolute occurrences and assembly arrangements.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/visibility.h"
#include "structuremanagement/structure_caches.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call: StructureManagementImpl constructs it, calls
// createOrUpdateAbsoluteStructure once and destroys it.
//
// Each input writes, in the context of its item revision's BOM view revision, the data of
// absolute occurrences (overrides of line attributes, quantity, transform, notes and attached
// datasets) and assembly arrangements with the absolute occurrences they hold. An occurrence
// names its line by the path of CAD occurrence ids below the top line or by an absolute
// occurrence. With `complete`, every absolute-occurrence datum of the view revision is removed
// before the input's data are written. Every input works in a BOM window of its own, in
// absolute-occurrence edit mode, saved when the input succeeds and closed on every path.
//
// Failures are error stacks: under the occurrence's client id (the next occurrence goes on),
// also for a dataset that cannot be attached or detached (the other steps go on), under the
// arrangement's client id (its occurrences are skipped), and without a key for an input that
// fails as a whole. A failing occurrence, arrangement or input leaves the store as it found it
// and is not reported in the output or the service data. Only a view type name that names no
// view type (215000) fails the whole call, with a ServiceException.
class SOACAD_API CreateOrUpdateAbsoluteStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  CreateOrUpdateAbsoluteStructureImpl() = default;
  CreateOrUpdateAbsoluteStructureImpl(const CreateOrUpdateAbsoluteStructureImpl&) = delete;
  CreateOrUpdateAbsoluteStructureImpl& operator=(const CreateOrUpdateAbsoluteStructureImpl&) =
      delete;
  virtual ~CreateOrUpdateAbsoluteStructureImpl() = default;

  // `absOccOutput` maps each occurrence's client id to its absolute occurrence, `asmArrOutput`
  // each arrangement's client id to the arrangement; both are reported as created or updated (an
  // object made by the call is reported as made only, however often later inputs update it).
  // With `complete`, the absolute occurrences whose data or attachments were removed are
  // reported as updated too. A view revision whose default arrangement an arrangement sets or
  // unsets is reported as updated.
  virtual StructureManagement::CreateOrUpdateAbsoluteStructureResponse
  createOrUpdateAbsoluteStructure(
      const std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const StructureManagement::CreateOrUpdateAbsoluteStructurePref& pref);

 private:
  using Info = StructureManagement::CreateOrUpdateAbsoluteStructureInfo;
  using AbsOccInfo = StructureManagement::AbsOccInfo;
  using AbsOccDataInfo = StructureManagement::AbsOccDataInfo;
  using AbsOccAttachment = StructureManagement::AbsOccAttachment;
  using AssemblyArrangementInfo = StructureManagement::AssemblyArrangementInfo;

  void doCreateOrUpdateAbsoluteStructure(const Info& info);
  // `arrangement` is null for the data of the view revision itself.
  void createOrUpdateAbsOcc(const AbsOccInfo& absOccInfo, Tag arrangement);
  // The line of `absOcc` when it is given, else of the CAD occurrence-id path; raises
  // kBomLineNotFound when there is none.
  Tag findBomLine(const std::vector<std::string>& cadOccIdPath, Tag absOcc);
  void createOrUpdateAssemblyArrangement(const AssemblyArrangementInfo& arrInfo);
  // Records that, in `arrangement`, the line's subassembly uses the arrangement named by client
  // id (one this call already wrote) or given; nothing when neither is given. Raises
  // kArrangementOfAnotherBvr unless that is an arrangement of the structure the line shows.
  void useAssemblyArrangement(Tag arrangement, Tag line,
                              const std::string& clientIdOfUsedArrangement, Tag usedArr);
  // `clientId` is the occurrence's, under which an attachment that fails is recorded.
  void setAbsOccData(Tag line, const AbsOccDataInfo& absOccData, const std::string& clientId);
  void removeAllAbsOccData();
  // These two record their failure under the occurrence's client id and return (the line is
  // one of the operation's own window, which is gone when the call answers).
  void attachDataSet(Tag line, const AbsOccAttachment& attachment, const std::string& clientId);
  void unattachDataSets(Tag line, const std::vector<AbsOccAttachment>& attachments,
                        const std::string& clientId);
  // Closes the window when one is open (raising when the host refuses) and forgets the input.
  void cleanup();

  // Created and updated objects of the current input, reported once it has succeeded.
  enum class Report { created, updated };
  void report(Report kind, Tag object) { pendingReports_.emplace_back(kind, object); }

  StructureManagement::CreateOrUpdateAbsoluteStructureResponse* response_ = nullptr;
  bool complete_ = false;
  const StructureManagement::CreateOrUpdateAbsoluteStructurePref* pref_ = nullptr;
  Tag viewType_;
  Tag bvr_;
  Tag window_;
  Tag topLine_;
  AbsoluteStructureCache cache_;
  BomLineAttributeHelper attributes_;
  // Made by this call: an input that updates one again reports it as made only. One that a
  // failing input made and its roll-back removed stays listed; its tag names nothing again.
  std::set<Tag> createdAbsOccs_;
  // The view revisions whose data `complete` removed in this call: an input's removal must not
  // take what an earlier input of the same call wrote.
  std::set<Tag> clearedBvrs_;
  ServiceData* serviceData_ = nullptr;
  std::vector<std::pair<Report, Tag>> pendingReports_;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
