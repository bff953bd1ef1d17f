// Deleting relative structure and assembly arrangements.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class DeleteRelativeStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  DeleteRelativeStructureImpl() = default;
  virtual ~DeleteRelativeStructureImpl() = default;
  virtual StructureManagement::DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<StructureManagement::DeleteRelativeStructureInfo>& info,
      const std::string& bomViewTypeName,
      const StructureManagement::DeleteRelativeStructurePref& pref);
};

class DeleteAssemblyArrangementsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  DeleteAssemblyArrangementsImpl() = default;
  virtual ~DeleteAssemblyArrangementsImpl() = default;
  virtual StructureManagement::DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
