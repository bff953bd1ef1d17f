#include "structuremanagement/absolute_structure.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::CreateOrUpdateAbsoluteStructureResponse
CreateOrUpdateAbsoluteStructureImpl::createOrUpdateAbsoluteStructure(
    const std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>&,
    const std::string&, bool, const StructureManagement::CreateOrUpdateAbsoluteStructurePref&) {
  throwNotAvailable("createOrUpdateAbsoluteStructure");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
