// Deleting relative structure and assembly arrangements.
#pragma once

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

// One object per call: StructureManagementImpl constructs it, calls deleteRelativeStructure once
// and destroys it.
//
// Each input cuts the occurrences whose lines carry the given CAD occurrence ids from the BOM view
// revision of its parent revision, in a BOM window of its own that is saved only when every id
// of the input was cut and closed on every path. Any failure ends the whole call with a
// ServiceException that describes the host's error store; inputs before the failing one stay
// saved. No error stacks are recorded.
class SOACAD_API DeleteRelativeStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  DeleteRelativeStructureImpl() = default;
  DeleteRelativeStructureImpl(const DeleteRelativeStructureImpl&) = delete;
  DeleteRelativeStructureImpl& operator=(const DeleteRelativeStructureImpl&) = delete;
  virtual ~DeleteRelativeStructureImpl() = default;

  // The UIDs of the cut occurrences, and of the absolute occurrences whose path holds one, are
  // reported as deleted; the view revisions that lose them, and the arrangements that lose
  // used-arrangement entries through a cut occurrence, are reported as updated.
  virtual StructureManagement::DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<StructureManagement::DeleteRelativeStructureInfo>& info,
      const std::string& bomViewTypeName,
      const StructureManagement::DeleteRelativeStructurePref& pref);

 private:
  void doDeleteRelativeStructure(const StructureManagement::DeleteRelativeStructureInfo& info);
  // Cuts the line that carries `cadOccId` and appends its occurrence's UID to `uids`, with the
  // UIDs of the absolute occurrences that go with it (and the arrangements it changes to
  // changedArrangements_); raises 215048 when no line carries it.
  void deleteRelativeOcc(const std::string& cadOccId, std::vector<std::string>& uids);
  // Closes the window when one is open (raising when the host refuses) and forgets the input.
  void cleanup();

  std::vector<std::string> cutUids_;
  std::vector<Tag> changedArrangements_;
  // The parents and CAD occurrence ids cut in this call: an id named again is already gone.
  std::set<std::pair<Tag, std::string>> cutIds_;
  Tag window_;
  Tag topLine_;
  RelativeStructureCache cache_;
  BomLineAttributeHelper attributes_;
  // The call's view type, preference and service data.
  Tag viewType_;
  const StructureManagement::DeleteRelativeStructurePref* pref_ = nullptr;
  ServiceData* serviceData_ = nullptr;
};

// Deletes assembly arrangements of BOM view revisions. Opens no window.
class SOACAD_API DeleteAssemblyArrangementsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

  DeleteAssemblyArrangementsImpl() = default;
  DeleteAssemblyArrangementsImpl(const DeleteAssemblyArrangementsImpl&) = default;
  DeleteAssemblyArrangementsImpl& operator=(const DeleteAssemblyArrangementsImpl&) = default;
  virtual ~DeleteAssemblyArrangementsImpl() = default;

  // The UIDs of deleted arrangements are reported as deleted, and what their deletion changes
  // as updated: the arrangements that used them, the absolute occurrences that had data or
  // attachments under them, and a view revision whose default one went (an object a later
  // deletion of the call takes is reported only as deleted). An arrangement that cannot be
  // deleted is an error stack keyed by its tag and the next one goes on. A view type name that
  // names no view type raises ServiceException; an item revision whose view or view revision
  // cannot be found (or may not be changed) raises IFail, with the deletions of the inputs
  // before it done.
  virtual StructureManagement::DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
