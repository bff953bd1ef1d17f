// createOrUpdateAbsoluteStructure: absolute occurrences and assembly arrangements.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class CreateOrUpdateAbsoluteStructureImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  CreateOrUpdateAbsoluteStructureImpl() = default;
  virtual ~CreateOrUpdateAbsoluteStructureImpl() = default;
  virtual StructureManagement::CreateOrUpdateAbsoluteStructureResponse
  createOrUpdateAbsoluteStructure(
      const std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const StructureManagement::CreateOrUpdateAbsoluteStructurePref& pref);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
