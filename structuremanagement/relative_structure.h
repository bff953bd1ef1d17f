// createOrUpdateRelativeStructure: one level of a BOM view revision from a CAD assembly.
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
// createOrUpdateRelativeStructure once and destroys it.
//
// Each input writes one occurrence per child into the BOM view revision of its parent revision
// (the view and view revision are made when missing), keyed by the child's CAD occurrence id: a
// child whose id a line of the structure carries updates that line, any other child is added.
// With `complete`, the occurrences that no child claimed are cut (only those of the
// preference's item types and their subtypes, when it names any). Every input works in a BOM
// window of its own, saved when the input succeeds and closed on every path.
//
// Any failure ends the whole call: a failing child raises ServiceException with the child's
// client id as its message (the host's error store keeps the reason), any other failure a
// ServiceException that describes the host's error store. Inputs before the failing one stay saved;
// the failing input leaves the store as it was (its window closed unsaved, what it made or saved
// undone). No error stacks are recorded.
class SOACAD_API CreateOrUpdateRelativeStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  CreateOrUpdateRelativeStructureImpl() = default;
  CreateOrUpdateRelativeStructureImpl(const CreateOrUpdateRelativeStructureImpl&) = delete;
  CreateOrUpdateRelativeStructureImpl& operator=(const CreateOrUpdateRelativeStructureImpl&) =
      delete;
  virtual ~CreateOrUpdateRelativeStructureImpl() = default;

  // The output maps each child's client id to its occurrence (made, substituted, or updated in
  // place when the child's data changed it; the last child of a client id wins); every such
  // occurrence is reported created or updated, and every cut one deleted, in the service data. An
  // occurrence that a later input cuts is reported only as deleted and leaves the output. The
  // service data also name what changes with them: a view and view revision made for the parent
  // (created) with the item and revision they were made for (updated); the view revision when
  // its occurrences or its precision change, and the occurrences that a change to precise gives
  // a revision (updated); and what goes with a cut occurrence: the absolute occurrences through
  // it (deleted) and the arrangements that lose entries through it (updated). An empty
  // `bomViewTypeName` means the host's default view type; a name of no view type fails the call
  // (215000) before any input is looked at.
  virtual StructureManagement::CreateOrUpdateRelativeStructureResponse
  createOrUpdateRelativeStructure(
      const std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const StructureManagement::CreateOrUpdateRelativeStructurePref& pref);

 private:
  using Info = StructureManagement::CreateOrUpdateRelativeStructureInfo;
  using ChildInfo = StructureManagement::RelativeStructureChildInfo;
  using RelOccInfo = StructureManagement::RelOccInfo;

  void doCreateOrUpdateRelativeStructure(const Info& info);
  // The view of the revision's item for the operation's view type and the revision's view
  // revision of it, made (and saved) when missing; an existing view revision is made precise
  // or imprecise as the input asks and must be changeable by the user. Undone when it fails.
  // What it makes and changes goes to madeObjects_ and changedObjects_; answers whether it made
  // the view revision.
  bool findOrCreateBvAndBvr(Tag itemRev, Tag& bv, Tag& bvr);
  // Makes the view revision precise or imprecise through the top line and records it, with the
  // occurrences whose revision that changes, in changedObjects_.
  void setPrecise(Tag bvr);
  void buildRelativeCache(const std::vector<ChildInfo>& childInfo);
  // Raises ServiceException(child.clientId) when the child fails (the client id as
  // Xml::excerpt shows it: a long one is cut).
  // A child whose structure contains the parent's is refused with kChildContainsParent.
  void createOrUpdateRelativeOcc(const ChildInfo& child);
  // Substitutes the child for what the line shows when that is another revision (precise) or
  // item (imprecise); gives the line's occurrence and whether it substituted.
  bool updateRelativeOcc(Tag line, Tag childRev, Tag& occ);
  void createRelativeOcc(Tag childRev, const std::string& clientId, Tag& line, Tag& occ);
  // Writes quantity, attributes, transform and notes; `seqNoGiven` tells whether a
  // "bl_sequence_no" was among the attributes.
  void setRelOccData(Tag line, bool isNew, const RelOccInfo& info, bool& seqNoGiven);
  void cutBOMLinesNotInRelativeStructure();
  // Gives the new occurrences that got no sequence number from the client the host's numbers.
  void setDefaultSeqNos(Tag bvr);
  // Closes the window when one is open (raising when the host refuses) and empties what the
  // input collected.
  void cleanup();
  // Fills the output and the service data from the reports, leaving out what was cut later.
  void report(StructureManagement::CreateOrUpdateRelativeStructureResponse& response);

  ServiceData* serviceData_ = nullptr;
  bool complete_ = false;
  const StructureManagement::CreateOrUpdateRelativeStructurePref* pref_ = nullptr;
  const std::vector<std::string>* itemTypes_ = nullptr;
  Tag viewType_;
  Tag window_;
  Tag topLine_;
  bool precise_ = false;
  RelativeStructureCache cache_;
  BomLineAttributeHelper attributes_;
  // Child client id and occurrence, one entry per child, in the children's order.
  std::vector<std::pair<std::string, Tag>> createdOccs_;
  std::vector<std::pair<std::string, Tag>> updatedOccs_;
  std::vector<std::pair<Tag, std::string>> cutOccs_;  // Occurrence and its UID.
  // What else the input made, changed and deleted (the UIDs of absolute occurrences that go
  // with a cut occurrence), reported when it succeeds.
  std::vector<Tag> madeObjects_;
  std::vector<Tag> changedObjects_;
  std::vector<std::string> goneUids_;
  // What the succeeded inputs report, in order, and the occurrences that an input cut: those
  // leave the output and are reported only as deleted when the call ends.
  struct Report {
    enum Kind { created, updated, deleted } kind;
    Tag object;
    std::string uid;  // Of a deleted object.
  };
  std::vector<Report> reports_;
  std::set<Tag> cutInCall_;
  // The occurrences each client id was given, made or updated, in the order of the inputs and
  // their children; the output takes the last one that no input cut. (A failing input fails the
  // call, which then answers no output.)
  std::map<std::string, std::vector<Tag>> occurrencesOfClientId_;
  Tag parent_;
  // Each occurrence made without a sequence number and its child item revision, in the order they
  // were made, which is the order of their tags (a new object takes the next tag): they are
  // numbered in that order.
  std::vector<std::pair<Tag, Tag>> newOccsWithoutSeqNo_;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
