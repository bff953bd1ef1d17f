#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

#include <tuple>
#include <utility>

#include "skeletons/field_conversions.h"
#include "skeletons/request_handler.h"
#include "skeletons/service_ownership.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Structuremanagement = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Korvane::Soa::Cad::_2007_01::StructureManagementImpl;
using Korvane::Soa::Server::ServicePolicy;

StructureManagementImpl* StructureManagementIiopSkeleton::_service = nullptr;
ServicePolicy* StructureManagementIiopSkeleton::_servicePolicy = nullptr;

namespace {

using Fields = Korvane::Services::FieldConversions<StructureManagementIiopSkeleton>;

// The skeletons' shared ownership of `_service` and of the policy that initialize() makes.
SkeletonOwnership ownership;

// The handler's and the service call's mark prefixes. The handler's reads "Soa::Cad" although
// the class lives in Services::Cad: the marks are named as the monitoring tools know them.
const char* const kHandlerMarkPrefix =
    "Korvane::Soa::Cad::_2007_01::StructureManagementIiopSkeleton::";
const char* const kServiceMarkPrefix = "Korvane::Soa::Cad::_2007_01::StructureManagementImpl::";

HandlerNames handlerNames(const char* operation, const char* responseElement) {
  return HandlerNames(kHandlerMarkPrefix, kServiceMarkPrefix, operation, responseElement);
}

}  // namespace

StructureManagementIiopSkeleton::StructureManagementIiopSkeleton() {
  ownership.skeletonMade();
  serviceName_ = "StructureManagement";
  operations_["expandPSOneLevel"] = &StructureManagementIiopSkeleton::expandPSOneLevel;
  operations_["deleteRelativeStructure"] =
      &StructureManagementIiopSkeleton::deleteRelativeStructure;
  operations_["createOrUpdateRelativeStructure"] =
      &StructureManagementIiopSkeleton::createOrUpdateRelativeStructure;
  operations_["getVariantRules"] = &StructureManagementIiopSkeleton::getVariantRules;
  operations_["getRevisionRules"] = &StructureManagementIiopSkeleton::getRevisionRules;
  operations_["createBOMWindows"] = &StructureManagementIiopSkeleton::createBOMWindows;
  operations_["createOrUpdateAbsoluteStructure"] =
      &StructureManagementIiopSkeleton::createOrUpdateAbsoluteStructure;
  operations_["closeBOMWindows"] = &StructureManagementIiopSkeleton::closeBOMWindows;
  operations_["deleteAssemblyArrangements"] =
      &StructureManagementIiopSkeleton::deleteAssemblyArrangements;
  operations_["expandPSAllLevels"] = &StructureManagementIiopSkeleton::expandPSAllLevels;
}

StructureManagementIiopSkeleton::StructureManagementIiopSkeleton(
    const StructureManagementIiopSkeleton& other)
    : IiopSkeleton(other) {
  ownership.skeletonMade();
}

StructureManagementIiopSkeleton& StructureManagementIiopSkeleton::operator=(
    const StructureManagementIiopSkeleton& other) {
  IiopSkeleton::operator=(other);
  return *this;
}

StructureManagementIiopSkeleton::~StructureManagementIiopSkeleton() {
  ownership.skeletonGone(_service, _servicePolicy);
}

void StructureManagementIiopSkeleton::initialize() {
  ownership.choosePolicy(_service, _servicePolicy);
}

// --- Handlers ---------------------------------------------------------------------------------
// Each builds the service's arguments from its input record and calls its slot of `_service`.
// The handlers of the operations that write or delete structure or read rules answer a failure
// of the call with a fault document; the window and expansion handlers let it pass.

std::string StructureManagementIiopSkeleton::expandPSOneLevel(const std::string& request) {
  static const HandlerNames names = handlerNames("expandPSOneLevel", "ExpandPSOneLevelResponse");
  return handleRequest<Structuremanagement::ExpandPSOneLevelInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Structuremanagement::ExpandPSOneLevelInput& input) {
        StructureManagement::ExpandPSOneLevelInfo info = toLocal(input.getInput());
        return std::make_tuple(std::move(info), toLocal(input.getPref()));
      },
      [](const StructureManagement::ExpandPSOneLevelInfo& info,
         const StructureManagement::ExpandPSOneLevelPref& pref) {
        return _service->expandPSOneLevel(info, pref);
      });
}

std::string StructureManagementIiopSkeleton::deleteRelativeStructure(const std::string& request) {
  static const HandlerNames names =
      handlerNames("deleteRelativeStructure", "DeleteRelativeStructureResponse");
  return handleRequest<Structuremanagement::DeleteRelativeStructureInput,
                       StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::DeleteRelativeStructureInput& input) {
        auto info =
            Fields::localValue<std::vector<StructureManagement::DeleteRelativeStructureInfo>>(
                input.getInputArray());
        std::string bomViewTypeName = input.getBomViewTypeName();
        return std::make_tuple(std::move(info), std::move(bomViewTypeName),
                               toLocal(input.getPref()));
      },
      [](const std::vector<StructureManagement::DeleteRelativeStructureInfo>& info,
         const std::string& bomViewTypeName,
         const StructureManagement::DeleteRelativeStructurePref& pref) {
        return _service->deleteRelativeStructure(info, bomViewTypeName, pref);
      });
}

std::string StructureManagementIiopSkeleton::createOrUpdateRelativeStructure(
    const std::string& request) {
  static const HandlerNames names =
      handlerNames("createOrUpdateRelativeStructure", "CreateOrUpdateRelativeStructureResponse");
  return handleRequest<Structuremanagement::CreateOrUpdateRelativeStructureInput,
                       StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::CreateOrUpdateRelativeStructureInput& input) {
        auto info = Fields::localValue<
            std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>>(
            input.getInputArray());
        std::string bomViewTypeName = input.getBomViewTypeName();
        const bool complete = input.getComplete();
        return std::make_tuple(std::move(info), std::move(bomViewTypeName), complete,
                               toLocal(input.getPref()));
      },
      [](const std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>& info,
         const std::string& bomViewTypeName, const bool& complete,
         const StructureManagement::CreateOrUpdateRelativeStructurePref& pref) {
        return _service->createOrUpdateRelativeStructure(info, bomViewTypeName, complete, pref);
      });
}

std::string StructureManagementIiopSkeleton::getVariantRules(const std::string& request) {
  static const HandlerNames names = handlerNames("getVariantRules", "GetVariantRulesResponse");
  return handleRequest<Structuremanagement::GetVariantRulesInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::GetVariantRulesInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<POMRef<ZoltItemRevP>>>(input.getItemRevArray()));
      },
      [](const std::vector<POMRef<ZoltItemRevP>>& itemRevs) {
        return _service->getVariantRules(itemRevs);
      });
}

std::string StructureManagementIiopSkeleton::getRevisionRules(const std::string& request) {
  static const HandlerNames names = handlerNames("getRevisionRules", "GetRevisionRulesResponse");
  return handleRequest<Structuremanagement::GetRevisionRulesInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::GetRevisionRulesInput&) { return std::make_tuple(); },
      []() { return _service->getRevisionRules(); });
}

std::string StructureManagementIiopSkeleton::createBOMWindows(const std::string& request) {
  static const HandlerNames names = handlerNames("createBOMWindows", "CreateBOMWindowsResponse");
  return handleRequest<Structuremanagement::CreateBOMWindowsInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Structuremanagement::CreateBOMWindowsInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<StructureManagement::CreateBOMWindowsInfo>>(
                input.getInfoArray()));
      },
      [](const std::vector<StructureManagement::CreateBOMWindowsInfo>& info) {
        return _service->createBOMWindows(info);
      });
}

std::string StructureManagementIiopSkeleton::createOrUpdateAbsoluteStructure(
    const std::string& request) {
  static const HandlerNames names =
      handlerNames("createOrUpdateAbsoluteStructure", "CreateOrUpdateAbsoluteStructureResponse");
  return handleRequest<Structuremanagement::CreateOrUpdateAbsoluteStructureInput,
                       StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::CreateOrUpdateAbsoluteStructureInput& input) {
        auto info = Fields::localValue<
            std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>>(
            input.getInfoArray());
        std::string bomViewTypeName = input.getBomViewTypeName();
        const bool complete = input.getComplete();
        return std::make_tuple(std::move(info), std::move(bomViewTypeName), complete,
                               toLocal(input.getPref()));
      },
      [](const std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>& info,
         const std::string& bomViewTypeName, const bool& complete,
         const StructureManagement::CreateOrUpdateAbsoluteStructurePref& pref) {
        return _service->createOrUpdateAbsoluteStructure(info, bomViewTypeName, complete, pref);
      });
}

std::string StructureManagementIiopSkeleton::closeBOMWindows(const std::string& request) {
  static const HandlerNames names = handlerNames("closeBOMWindows", "CloseBOMWindowsResponse");
  return handleRequest<Structuremanagement::CloseBOMWindowsInput, StructureManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Structuremanagement::CloseBOMWindowsInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<EIMRef<BOMWindow>>>(input.getBomWindowArray()));
      },
      [](const std::vector<EIMRef<BOMWindow>>& bomWindows) {
        return _service->closeBOMWindows(bomWindows);
      });
}

std::string StructureManagementIiopSkeleton::deleteAssemblyArrangements(
    const std::string& request) {
  static const HandlerNames names =
      handlerNames("deleteAssemblyArrangements", "DeleteAssemblyArrangementsResponse");
  return handleRequest<Structuremanagement::DeleteAssemblyArrangementsInput,
                       StructureManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Structuremanagement::DeleteAssemblyArrangementsInput& input) {
        auto info =
            Fields::localValue<std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>>(
                input.getInfoArray());
        std::string bomViewTypeName = input.getBomViewTypeName();
        return std::make_tuple(std::move(info), std::move(bomViewTypeName));
      },
      [](const std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>& info,
         const std::string& bomViewTypeName) {
        return _service->deleteAssemblyArrangements(info, bomViewTypeName);
      });
}

std::string StructureManagementIiopSkeleton::expandPSAllLevels(const std::string& request) {
  static const HandlerNames names = handlerNames("expandPSAllLevels", "ExpandPSAllLevelsResponse");
  return handleRequest<Structuremanagement::ExpandPSAllLevelsInput,
                       StructureManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Structuremanagement::ExpandPSAllLevelsInput& input) {
        StructureManagement::ExpandPSAllLevelsInfo info = toLocal(input.getInput());
        return std::make_tuple(std::move(info), toLocal(input.getPref()));
      },
      [](const StructureManagement::ExpandPSAllLevelsInfo& info,
         const StructureManagement::ExpandPSAllLevelsPref& pref) {
        return _service->expandPSAllLevels(info, pref);
      });
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
