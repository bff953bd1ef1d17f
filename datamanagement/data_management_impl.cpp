#include "datamanagement/attribute_mapping.h"
#include "datamanagement/create_or_update_parts.h"
#include "datamanagement/create_or_update_relations.h"
#include "datamanagement/data_management.h"
#include "datamanagement/expand.h"
#include "datamanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace _2007_01 {

DataManagement::GetAvailableTypesResponse DataManagementImpl::getAvailableTypes(
    const std::vector<std::string>&) {
  throwNotAvailable("getAvailableTypes");
}

DataManagement::GenerateAlternateIdsResponse DataManagementImpl::generateAlternateIds(
    const std::vector<GenerateAlternateIdsProperties>&) {
  throwNotAvailable("generateAlternateIds");
}

// Slots 2 to 9: each call constructs its operation object on this stack, calls the operation
// with the arguments unchanged and destroys the object after the call; nothing is kept.

DataManagement::CreateOrUpdatePartsResponse DataManagementImpl::createOrUpdateParts(
    const std::vector<PartInfo>& info) {
  CreateOrUpdatePartsImpl operation;
  return operation.createOrUpdateParts(info);
}

DataManagement::ExpandGRMRelationsResponse DataManagementImpl::expandGRMRelations(
    const std::vector<Tag>& objects, const ExpandGRMRelationsPref& pref) {
  ExpandImpl operation;
  return operation.expandGRMRelations(objects, pref);
}

DataManagement::ExpandPrimaryObjectsResponse DataManagementImpl::expandPrimaryObjects(
    const std::vector<Tag>& objects, const ExpandPrimaryObjectsPref& pref) {
  ExpandImpl operation;
  return operation.expandPrimaryObjects(objects, pref);
}

DataManagement::ExpandFoldersForCADResponse DataManagementImpl::expandFoldersForCAD(
    const std::vector<POMRef<Folder>>& folders, const ExpandFolderForCADPref& pref) {
  ExpandImpl operation;
  return operation.expandFoldersForCAD(folders, pref);
}

DataManagement::CreateOrUpdateRelationsResponse DataManagementImpl::createOrUpdateRelations(
    const std::vector<CreateOrUpdateRelationsInfo>& info, const bool& complete,
    const CreateOrUpdateRelationsPref& pref) {
  CreateOrUpdateRelationsImpl operation;
  return operation.createOrUpdateRelations(info, complete, pref);
}

DataManagement::GetAllAttrMappingsResponse DataManagementImpl::getAllAttrMappings() {
  AttributeMappingImpl operation;
  return operation.getAllAttrMappings();
}

DataManagement::GetAttrMappingsForDatasetTypeResponse
DataManagementImpl::getAttrMappingsForDatasetType(
    const std::vector<GetAttrMappingsForDatasetTypeCriteria>& criteria) {
  AttributeMappingImpl operation;
  return operation.getAttrMappingsForDatasetType(criteria);
}

DataManagement::ResolveAttrMappingsForDatasetResponse
DataManagementImpl::resolveAttrMappingsForDataset(
    const std::vector<ResolveAttrMappingsForDatasetInfo>& info) {
  AttributeMappingImpl operation;
  return operation.resolveAttrMappingsForDataset(info);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
