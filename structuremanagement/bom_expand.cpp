#include "structuremanagement/bom_expand.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::ExpandPSOneLevelResponse BOMExpandImpl::expandPSOneLevelImpl(
    const StructureManagement::ExpandPSOneLevelInfo&,
    const StructureManagement::ExpandPSOneLevelPref&) {
  throwNotAvailable("expandPSOneLevel");
}

_2007_01::StructureManagement::ExpandPSAllLevelsResponse BOMExpandImpl::expandPSAllLevelsImpl(
    const StructureManagement::ExpandPSAllLevelsInfo&,
    const StructureManagement::ExpandPSAllLevelsPref&) {
  throwNotAvailable("expandPSAllLevels");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
