// Variant rules attached to item revisions.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class VariantRulesImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  static StructureManagement::GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
