#include "structuremanagement/relative_structure.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::CreateOrUpdateRelativeStructureResponse
CreateOrUpdateRelativeStructureImpl::createOrUpdateRelativeStructure(
    const std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>&,
    const std::string&, bool, const StructureManagement::CreateOrUpdateRelativeStructurePref&) {
  throwNotAvailable("createOrUpdateRelativeStructure");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
