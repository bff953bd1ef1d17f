#include "structuremanagement/delete_structure.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::DeleteRelativeStructureResponse
DeleteRelativeStructureImpl::deleteRelativeStructure(
    const std::vector<StructureManagement::DeleteRelativeStructureInfo>&, const std::string&,
    const StructureManagement::DeleteRelativeStructurePref&) {
  throwNotAvailable("deleteRelativeStructure");
}

_2007_01::StructureManagement::DeleteAssemblyArrangementsResponse
DeleteAssemblyArrangementsImpl::deleteAssemblyArrangements(
    const std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>&, const std::string&) {
  throwNotAvailable("deleteAssemblyArrangements");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
