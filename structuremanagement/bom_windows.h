// BOM windows: createBOMWindows opens configured windows, closeBOMWindows closes them.
#pragma once

#include <string>
#include <vector>

#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class CreateBOMWindowsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  CreateBOMWindowsImpl() = default;
  virtual ~CreateBOMWindowsImpl() = default;
  virtual StructureManagement::CreateBOMWindowsResponse createBOMWindows(
      const std::vector<StructureManagement::CreateBOMWindowsInfo>& info);
};

class CloseBOMWindowsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  CloseBOMWindowsImpl() = default;
  virtual ~CloseBOMWindowsImpl() = default;
  virtual StructureManagement::CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
