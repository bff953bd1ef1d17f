// CAD attribute mappings: their definitions, their resolution for a dataset, and the writing
// of mapped attribute values.
#pragma once

#include <vector>

#include "datamanagement/data_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class AttributeMappingImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  AttributeMappingImpl() = default;
  AttributeMappingImpl(const AttributeMappingImpl&) = default;
  AttributeMappingImpl& operator=(const AttributeMappingImpl&) = default;
  virtual ~AttributeMappingImpl() = default;

  virtual DataManagement::GetAllAttrMappingsResponse getAllAttrMappings();
  virtual DataManagement::GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>& criteria);
  virtual DataManagement::ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>& info);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
