#include "datamanagement/attribute_mapping.h"

#include "datamanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

AttributeMappingImpl::DataManagement::GetAllAttrMappingsResponse
AttributeMappingImpl::getAllAttrMappings() {
  throwNotAvailable("getAllAttrMappings");
}

AttributeMappingImpl::DataManagement::GetAttrMappingsForDatasetTypeResponse
AttributeMappingImpl::getAttrMappingsForDatasetType(
    const std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>&) {
  throwNotAvailable("getAttrMappingsForDatasetType");
}

AttributeMappingImpl::DataManagement::ResolveAttrMappingsForDatasetResponse
AttributeMappingImpl::resolveAttrMappingsForDataset(
    const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>&) {
  throwNotAvailable("resolveAttrMappingsForDataset");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
