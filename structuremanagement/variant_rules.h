// Variant rules attached to item revisions: what a client may pass as the object that
// configures a BOM window (bom_windows.h).
#pragma once

#include <vector>

#include "framework/visibility.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class SOACAD_API VariantRulesImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

  // Maps each item revision to its secondary objects (over every relation type, in the host's
  // order) whose type's class is exactly "VariantRule" (objects of derived classes are not
  // listed); a revision without any gets an empty list. The rules are plain objects of the
  // service data. A null or failing revision is an error stack under its tag and has no entry.
  // Raises a ServiceException for an empty input.
  static StructureManagement::GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
