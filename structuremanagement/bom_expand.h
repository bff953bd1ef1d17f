// Product-structure expansion: one level or all levels below BOM lines.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class BOMExpandImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  StructureManagement::ExpandPSOneLevelResponse expandPSOneLevelImpl(
      const StructureManagement::ExpandPSOneLevelInfo& info,
      const StructureManagement::ExpandPSOneLevelPref& pref);
  StructureManagement::ExpandPSAllLevelsResponse expandPSAllLevelsImpl(
      const StructureManagement::ExpandPSAllLevelsInfo& info,
      const StructureManagement::ExpandPSAllLevelsPref& pref);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
