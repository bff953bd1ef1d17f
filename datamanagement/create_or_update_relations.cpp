#include "datamanagement/create_or_update_relations.h"

#include "datamanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

CreateOrUpdateRelationsImpl::DataManagement::CreateOrUpdateRelationsResponse
CreateOrUpdateRelationsImpl::createOrUpdateRelations(
    const std::vector<DataManagement::CreateOrUpdateRelationsInfo>&, const bool&,
    const DataManagement::CreateOrUpdateRelationsPref&) {
  throwNotAvailable("createOrUpdateRelations");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
