#include "structuremanagement/absolute_structure.h"
#include "structuremanagement/bom_expand.h"
#include "structuremanagement/bom_windows.h"
#include "structuremanagement/delete_structure.h"
#include "structuremanagement/not_available.h"
#include "structuremanagement/relative_structure.h"
#include "structuremanagement/revision_rules.h"
#include "structuremanagement/structure_management.h"
#include "structuremanagement/variant_rules.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace _2007_01 {

// Each slot builds its operation object on this stack for the one call (or calls a static
// operation), passes the arguments on unchanged and lets whatever it raises pass.

StructureManagement::CreateOrUpdateRelativeStructureResponse
StructureManagementImpl::createOrUpdateRelativeStructure(
    const std::vector<CreateOrUpdateRelativeStructureInfo>& info,
    const std::string& bomViewTypeName, bool complete,
    const CreateOrUpdateRelativeStructurePref& pref) {
  CreateOrUpdateRelativeStructureImpl operation;
  return operation.createOrUpdateRelativeStructure(info, bomViewTypeName, complete, pref);
}

StructureManagement::DeleteRelativeStructureResponse
StructureManagementImpl::deleteRelativeStructure(
    const std::vector<DeleteRelativeStructureInfo>& info, const std::string& bomViewTypeName,
    const DeleteRelativeStructurePref& pref) {
  DeleteRelativeStructureImpl operation;
  return operation.deleteRelativeStructure(info, bomViewTypeName, pref);
}

StructureManagement::CreateOrUpdateAbsoluteStructureResponse
StructureManagementImpl::createOrUpdateAbsoluteStructure(
    const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info,
    const std::string& bomViewTypeName, bool complete,
    const CreateOrUpdateAbsoluteStructurePref& pref) {
  CreateOrUpdateAbsoluteStructureImpl operation;
  return operation.createOrUpdateAbsoluteStructure(info, bomViewTypeName, complete, pref);
}

StructureManagement::ExpandPSOneLevelResponse StructureManagementImpl::expandPSOneLevel(
    const ExpandPSOneLevelInfo& info, const ExpandPSOneLevelPref& pref) {
  BOMExpandImpl operation;
  return operation.expandPSOneLevelImpl(info, pref);
}

StructureManagement::ExpandPSAllLevelsResponse StructureManagementImpl::expandPSAllLevels(
    const ExpandPSAllLevelsInfo& info, const ExpandPSAllLevelsPref& pref) {
  BOMExpandImpl operation;
  return operation.expandPSAllLevelsImpl(info, pref);
}

StructureManagement::CreateBOMWindowsResponse StructureManagementImpl::createBOMWindows(
    const std::vector<CreateBOMWindowsInfo>& info) {
  CreateBOMWindowsImpl operation;
  return operation.createBOMWindows(info);
}

StructureManagement::CloseBOMWindowsResponse StructureManagementImpl::closeBOMWindows(
    const std::vector<EIMRef<BOMWindow>>& bomWindows) {
  CloseBOMWindowsImpl operation;
  return operation.closeBOMWindows(bomWindows);
}

StructureManagement::DeleteAssemblyArrangementsResponse
StructureManagementImpl::deleteAssemblyArrangements(
    const std::vector<DeleteAssemblyArrangementsInfo>& info, const std::string& bomViewTypeName) {
  DeleteAssemblyArrangementsImpl operation;
  return operation.deleteAssemblyArrangements(info, bomViewTypeName);
}

StructureManagement::GetRevisionRulesResponse StructureManagementImpl::getRevisionRules() {
  return RevisionRulesImpl::getRevisionRules();
}

StructureManagement::GetVariantRulesResponse StructureManagementImpl::getVariantRules(
    const std::vector<POMRef<ZoltItemRevP>>& itemRevs) {
  return VariantRulesImpl::getVariantRules(itemRevs);
}

}  // namespace _2007_01

namespace _2007_06 {

StructureManagement::GetConfiguredItemRevisionResponse
StructureManagementImpl::getConfiguredItemRevision(
    const std::vector<GetConfiguredItemRevisionInfo>&) {
  throwNotAvailable("getConfiguredItemRevision");
}

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
