// createOrUpdateRelations: relations between host objects, created, updated and (in complete
// mode) removed.
#pragma once

#include <string>
#include <vector>

#include "datamanagement/data_management.h"
#include "framework/visibility.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call: DataManagementImpl constructs it, calls createOrUpdateRelations once
// and destroys it.
//
// The inputs are first sorted into creations, grouped by primary object in order of first
// appearance, and updates (those that name a relation). Then, in complete mode only, the
// relations of each creation primary that the preference's filters name are deleted, except
// those that some input names in any role (relation, user data, primary or secondary object),
// whether that input succeeds or fails: a request never deletes what it talks about. Then the
// creations run, then the updates. The order of effects is fixed: all checks and lookups, all
// deletions, all creations, all updates; a listed relation that a creation makes again (same
// primary, secondary and type) is the one exception: it is deleted and created again as one
// step of that creation, so that a failed creation leaves it as it was. Complete mode leaves
// no relation naming a deleted one: a relation that another relation refers to (as its user
// data, primary or secondary object) is not deleted, and when a creation makes it again the
// creation keeps it, gives it the input's user data and reports it as updated.
//
// An input rejected while the lists are built (an object that is not valid, an unknown
// relation type) gets an error stack under its client id, the empty one included, and no
// output record; complete mode spares the relations between the primary and secondary object
// of a rejected creation (of its type, or of every filtered type when its type is unknown). A
// creation or update that fails later gets an error stack under its client id and an output
// record (a failed creation with relation 0).
//
// With "DEBUG_SOACAD" set (to any value, the empty one included) the call dumps its inputs and
// progress to standard output.
class SOACAD_API CreateOrUpdateRelationsImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  CreateOrUpdateRelationsImpl() = default;
  CreateOrUpdateRelationsImpl(const CreateOrUpdateRelationsImpl&) = default;
  CreateOrUpdateRelationsImpl& operator=(const CreateOrUpdateRelationsImpl&) = default;
  virtual ~CreateOrUpdateRelationsImpl() = default;

  // The outputs of the creations (in group order, each group in input order), then those of
  // the updates (in input order), and the call's service data: relations created and updated,
  // the UIDs of relations deleted, and the error stacks.
  virtual DataManagement::CreateOrUpdateRelationsResponse createOrUpdateRelations(
      const std::vector<DataManagement::CreateOrUpdateRelationsInfo>& info, bool complete,
      const DataManagement::CreateOrUpdateRelationsPref& pref);

 private:
  // Creates and saves the relation and reports it as created; 0 on success. An existing
  // relation of that type between the two objects, or any failure, is an error stack under
  // `clientId`, leaves no relation behind and returns 1 with `*relation` null.
  int createRelation(std::string clientId, Tag primary, Tag relationType, Tag secondary,
                     Tag userData, Tag* relation, ServiceData& serviceData);
  // As createRelation, when `replaced` is null. Otherwise the pair already has the relation
  // `replaced` of that type, which complete mode left to this creation: it is deleted and the
  // new one created as one step under a mark point, so that a failure anywhere leaves
  // `replaced` as it was (and not reported as deleted); on success `replaced` is reported
  // deleted by the UID it had.
  int replaceRelation(std::string clientId, Tag primary, Tag relationType, Tag secondary,
                      Tag userData, Tag replaced, Tag* relation, ServiceData& serviceData);
  // Sets the relation's user data and saves it; 0 on success. A failure is an error stack under
  // `clientId` and returns 1; the relation is not left locked either way.
  int updateRelation(std::string clientId, Tag relation, Tag userData, ServiceData& serviceData);

  bool debug_ = false;
  int indentLevel_ = 0;  // Of dump lines, in steps of three blanks.
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
