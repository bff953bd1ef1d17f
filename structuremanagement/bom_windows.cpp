#include "structuremanagement/bom_windows.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::CreateBOMWindowsResponse CreateBOMWindowsImpl::createBOMWindows(
    const std::vector<StructureManagement::CreateBOMWindowsInfo>&) {
  throwNotAvailable("createBOMWindows");
}

_2007_01::StructureManagement::CloseBOMWindowsResponse CloseBOMWindowsImpl::closeBOMWindows(
    const std::vector<EIMRef<BOMWindow>>&) {
  throwNotAvailable("closeBOMWindows");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
