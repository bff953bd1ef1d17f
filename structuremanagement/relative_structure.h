// createOrUpdateRelativeStructure: one level of a BOM view revision from a CAD assembly.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class CreateOrUpdateRelativeStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  CreateOrUpdateRelativeStructureImpl() = default;
  virtual ~CreateOrUpdateRelativeStructureImpl() = default;
  virtual StructureManagement::CreateOrUpdateRelativeStructureResponse
  createOrUpdateRelativeStructure(
      const std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const StructureManagement::CreateOrUpdateRelativeStructurePref& pref);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
