#include "datamanagement/expand.h"

#include "datamanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

ExpandImpl::DataManagement::ExpandGRMRelationsResponse ExpandImpl::expandGRMRelations(
    const std::vector<Tag>&, const DataManagement::ExpandGRMRelationsPref&) {
  throwNotAvailable("expandGRMRelations");
}

ExpandImpl::DataManagement::ExpandPrimaryObjectsResponse ExpandImpl::expandPrimaryObjects(
    const std::vector<Tag>&, const DataManagement::ExpandPrimaryObjectsPref&) {
  throwNotAvailable("expandPrimaryObjects");
}

ExpandImpl::DataManagement::ExpandFoldersForCADResponse ExpandImpl::expandFoldersForCAD(
    const std::vector<POMRef<Folder>>&, const DataManagement::ExpandFolderForCADPref&) {
  throwNotAvailable("expandFoldersForCAD");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
