// createOrUpdateRelations: relations between host objects, created, updated and (in complete
// mode) removed.
#pragma once

#include <vector>

#include "datamanagement/data_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call.
class CreateOrUpdateRelationsImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  CreateOrUpdateRelationsImpl() = default;
  virtual ~CreateOrUpdateRelationsImpl() = default;

  virtual DataManagement::CreateOrUpdateRelationsResponse createOrUpdateRelations(
      const std::vector<DataManagement::CreateOrUpdateRelationsInfo>& info, const bool& complete,
      const DataManagement::CreateOrUpdateRelationsPref& pref);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
