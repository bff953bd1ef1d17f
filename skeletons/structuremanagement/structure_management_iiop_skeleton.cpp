#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/utils.h"
#include "skeletons/field_conversions.h"
#include "skeletons/map_conversions.h"
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
    const StructureManagementIiopSkeleton&) = default;

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

// --- Maps and the BOMLineFilter enumeration -----------------------------------------------
// The record conversions are generated from structuremanagement_2007_01.records
// (tools/wiregen.py). Nothing is caught in a map conversion: unlike an object field of a record,
// a map key or value that the host cannot make into a model object fails the whole conversion.

namespace {

using Korvane::Soa::Internal::Server::Utils;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

// Client id to object; the object read back is not loaded.
template <class Entry, class T>
std::vector<Entry> wireObjectMap(std::map<std::string, POMRef<T>>&& local) {
  return wireEntries<Entry>(std::move(local),
                            [](Entry& entry, const std::string& key, const POMRef<T>& value) {
                              entry.setKey(key);
                              entry.setValue(Utils::createWireModelObect(value.tag()));
                            });
}

template <class T, class Entry>
std::map<std::string, POMRef<T>> localObjectMap(const std::vector<Entry>& wire) {
  return localEntries<std::string, POMRef<T>>(wire, [](const Entry& entry) {
    return std::make_pair(entry.getKey(), POMRef<T>(Utils::uidToTag(entry.getValue().getUid())));
  });
}

// In the order in which a text is compared.
const EnumeratorText<StructureManagement::BOMLineFilter> kFilterTexts[] = {
    {StructureManagement::None, "None"},
    {StructureManagement::ExcludeOverridden, "ExcludeOverridden"},
    {StructureManagement::ExcludeICHistory, "ExcludeICHistory"},
    {StructureManagement::ExcludeGDEs, "ExcludeGDEs"},
    {StructureManagement::ExcludeNonZoltItemLines, "ExcludeNonZoltItemLines"},
};

}  // namespace

std::vector<Structuremanagement::ClientIdToAbsOccMap>
StructureManagementIiopSkeleton::toWireClientIdToAbsOccMap(
    std::map<std::string, POMRef<AbsOccurrence>> local) {
  return wireObjectMap<Structuremanagement::ClientIdToAbsOccMap>(std::move(local));
}

std::map<std::string, POMRef<AbsOccurrence>>
StructureManagementIiopSkeleton::toLocalClientIdToAbsOccMap(
    std::vector<Structuremanagement::ClientIdToAbsOccMap> wire) {
  return localObjectMap<AbsOccurrence>(wire);
}

std::vector<Structuremanagement::ClientIdToAsmArrMap>
StructureManagementIiopSkeleton::toWireClientIdToAsmArrMap(
    std::map<std::string, POMRef<AssemblyArrangement>> local) {
  return wireObjectMap<Structuremanagement::ClientIdToAsmArrMap>(std::move(local));
}

std::map<std::string, POMRef<AssemblyArrangement>>
StructureManagementIiopSkeleton::toLocalClientIdToAsmArrMap(
    std::vector<Structuremanagement::ClientIdToAsmArrMap> wire) {
  return localObjectMap<AssemblyArrangement>(wire);
}

std::vector<Structuremanagement::ClientIdToPSOccurrenceThreadMap>
StructureManagementIiopSkeleton::toWireClientIdToPSOccurrenceThreadMap(
    std::map<std::string, POMRef<PSOccurrenceThread>> local) {
  return wireObjectMap<Structuremanagement::ClientIdToPSOccurrenceThreadMap>(std::move(local));
}

std::map<std::string, POMRef<PSOccurrenceThread>>
StructureManagementIiopSkeleton::toLocalClientIdToPSOccurrenceThreadMap(
    std::vector<Structuremanagement::ClientIdToPSOccurrenceThreadMap> wire) {
  return localObjectMap<PSOccurrenceThread>(wire);
}

std::vector<Structuremanagement::ConfigureAttrStatusMap>
StructureManagementIiopSkeleton::toWireConfigureAttrStatusMap(std::map<std::string, bool> local) {
  return wireEntries<Structuremanagement::ConfigureAttrStatusMap>(
      std::move(local),
      [](Structuremanagement::ConfigureAttrStatusMap& entry, const std::string& key, bool value) {
        entry.setKey(key);
        entry.setValue(value);
      });
}

std::map<std::string, bool> StructureManagementIiopSkeleton::toLocalConfigureAttrStatusMap(
    std::vector<Structuremanagement::ConfigureAttrStatusMap> wire) {
  return localEntries<std::string, bool>(
      wire, [](const Structuremanagement::ConfigureAttrStatusMap& entry) {
        return std::make_pair(entry.getKey(), entry.getValue());
      });
}

// Item revisions in ascending tag order; each entry's rules in the local list's order.
std::vector<Structuremanagement::ItemRevisionToVariantRulesMap>
StructureManagementIiopSkeleton::toWireItemRevisionToVariantRulesMap(
    ItemRevisionToVariantRules local) {
  return wireEntries<Structuremanagement::ItemRevisionToVariantRulesMap>(
      std::move(local),
      [](Structuremanagement::ItemRevisionToVariantRulesMap& entry,
         const POMRef<ZoltItemRevP>& itemRev, const std::vector<POMRef<VariantRule>>& rules) {
        entry.setKey(Utils::createWireModelObect(itemRev.tag()));
        std::vector<Fields::ModelObject> wireRules;
        wireRules.reserve(rules.size());
        for (const POMRef<VariantRule>& rule : rules) {
          wireRules.push_back(Utils::createWireModelObect(rule.tag()));
        }
        entry.setValueArray(wireRules);
      });
}

StructureManagementIiopSkeleton::ItemRevisionToVariantRules
StructureManagementIiopSkeleton::toLocalItemRevisionToVariantRulesMap(
    std::vector<Structuremanagement::ItemRevisionToVariantRulesMap> wire) {
  return localEntries<POMRef<ZoltItemRevP>, std::vector<POMRef<VariantRule>>>(
      wire, [](const Structuremanagement::ItemRevisionToVariantRulesMap& entry) {
        return std::make_pair(
            POMRef<ZoltItemRevP>(Utils::uidToTag(entry.getKey().getUid())),
            Fields::localValue<std::vector<POMRef<VariantRule>>>(entry.getValueArray()));
      });
}

std::string StructureManagementIiopSkeleton::toWire(StructureManagement::BOMLineFilter value) {
  return enumeratorText(kFilterTexts, value);
}

StructureManagement::BOMLineFilter StructureManagementIiopSkeleton::toLocalBOMLineFilter(
    std::string text) {
  return enumeratorOf(kFilterTexts, text);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
