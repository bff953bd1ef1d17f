// createOrUpdateParts: items, revisions, forms, folders, datasets, named references and file
// tickets of the parts a CAD client saves.
#pragma once

#include <vector>

#include "datamanagement/data_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call: DataManagementImpl constructs it, calls createOrUpdateParts once and
// destroys it.
class CreateOrUpdatePartsImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  CreateOrUpdatePartsImpl() = default;
  virtual ~CreateOrUpdatePartsImpl() = default;

  // One output per input, in input order, and the call's service data.
  virtual DataManagement::CreateOrUpdatePartsResponse createOrUpdateParts(
      const std::vector<DataManagement::PartInfo>& info);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
