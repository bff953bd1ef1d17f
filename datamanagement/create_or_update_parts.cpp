#include "datamanagement/create_or_update_parts.h"

#include "datamanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

CreateOrUpdatePartsImpl::DataManagement::CreateOrUpdatePartsResponse
CreateOrUpdatePartsImpl::createOrUpdateParts(const std::vector<DataManagement::PartInfo>&) {
  throwNotAvailable("createOrUpdateParts");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
