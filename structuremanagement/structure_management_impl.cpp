#include <cstring>

#include "datamanagement/operation_support.h"
#include "host/object/cfm.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "structuremanagement/absolute_structure.h"
#include "structuremanagement/bom_expand.h"
#include "structuremanagement/bom_windows.h"
#include "structuremanagement/delete_structure.h"
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

namespace {

// The library's own code: the revision a rule configures for an object could not be worked out.
constexpr int kConfiguredRevisionNotFound = 215150;

}  // namespace

// Objects of another class than exactly "Item" or "ItemRevision" (a dataset, a class derived
// from either) are passed over without output or error, as are objects that the rule
// configures no revision of.
StructureManagement::GetConfiguredItemRevisionResponse
StructureManagementImpl::getConfiguredItemRevision(
    const std::vector<GetConfiguredItemRevisionInfo>& info) {
  GetConfiguredItemRevisionResponse response;
  ServiceData serviceData;
  for (const GetConfiguredItemRevisionInfo& input : info) {
    const Tag object = input.object;
    if (object.isValid() != 0) {
      // This host already explains a failing validity answer on the store; once is enough.
      if (ERROR_store_ask_last_ifail() != POM_invalid_tag) {
        storeError(POM_invalid_tag, objectText(object));
      }
      serviceData.addErrorStack(object);
      continue;
    }
    try {
      ResultStatus status;
      Tag classId;
      status = POM_class_of_instance(object, &classId);
      host::HostString className;
      status = POM_name_of_class(classId, className.out());
      if (std::strcmp(className.c_str(), "Item") == 0 ||
          std::strcmp(className.c_str(), "ItemRevision") == 0) {
        Tag configured;
        host::HostString how;
        status = CFM_item_ask_configured(input.revRule.tag(), object, &configured, how.out());
        if (configured != NULLTAG) {
          GetConfiguredItemRevisionOutput output;
          output.inputInfo = input;
          output.configuredItemRev = configured;
          response.output.push_back(output);
        }
      }
    } catch (IFail&) {
      ERROR_store(EMH_severity_error, kConfiguredRevisionNotFound);
      serviceData.addErrorStack(object);
    }
  }
  response.serviceData = serviceData;
  return response;
}

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
