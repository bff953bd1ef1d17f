// Expansions: relations of objects (expandGRMRelations), their primary-side properties
// (expandPrimaryObjects) and one level of folders (expandFoldersForCAD).
#pragma once

#include <vector>

#include "datamanagement/data_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// Stateless: built on the caller's stack for a call.
class ExpandImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  DataManagement::ExpandGRMRelationsResponse expandGRMRelations(
      const std::vector<Tag>& objects, const DataManagement::ExpandGRMRelationsPref& pref);
  DataManagement::ExpandPrimaryObjectsResponse expandPrimaryObjects(
      const std::vector<Tag>& objects, const DataManagement::ExpandPrimaryObjectsPref& pref);
  DataManagement::ExpandFoldersForCADResponse expandFoldersForCAD(
      const std::vector<POMRef<Folder>>& folders,
      const DataManagement::ExpandFolderForCADPref& pref);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
