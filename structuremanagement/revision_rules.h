// Revision rules: the rules a client may choose, and transient copies with client settings.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class RevisionRulesImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  static StructureManagement::GetRevisionRulesResponse getRevisionRules();
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
