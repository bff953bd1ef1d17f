#include "skeletons/datamanagement/data_management_iiop_skeleton.h"

#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "skeletons/field_conversions.h"
#include "skeletons/map_conversions.h"
#include "skeletons/request_handler.h"
#include "skeletons/service_ownership.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Datamanagement = Korvane::Schemas::Cad::_2007_01::Datamanagement;
using Korvane::Soa::Cad::_2007_01::DataManagementImpl;
using Korvane::Soa::Server::ServicePolicy;

DataManagementImpl* DataManagementIiopSkeleton::_service = nullptr;
ServicePolicy* DataManagementIiopSkeleton::_servicePolicy = nullptr;

namespace {

// The skeletons' shared ownership of `_service` and of the policy that initialize() makes.
SkeletonOwnership ownership;

// The handler's and the service call's mark prefixes. The handler's reads "Soa::Cad" although
// the class lives in Services::Cad: the marks are named as the monitoring tools know them.
const char* const kHandlerMarkPrefix = "Korvane::Soa::Cad::_2007_01::DataManagementIiopSkeleton::";
const char* const kServiceMarkPrefix = "Korvane::Soa::Cad::_2007_01::DataManagementImpl::";

HandlerNames handlerNames(const char* operation, const char* responseElement) {
  return HandlerNames(kHandlerMarkPrefix, kServiceMarkPrefix, operation, responseElement);
}

// The rules by field kind, through this skeleton's record conversions.
using Fields = Korvane::Services::FieldConversions<DataManagementIiopSkeleton>;

}  // namespace

DataManagementIiopSkeleton::DataManagementIiopSkeleton() {
  ownership.skeletonMade();
  serviceName_ = "DataManagement";
  operations_["expandPrimaryObjects"] = &DataManagementIiopSkeleton::expandPrimaryObjects;
  operations_["resolveAttrMappingsForDataset"] =
      &DataManagementIiopSkeleton::resolveAttrMappingsForDataset;
  operations_["getAttrMappingsForDatasetType"] =
      &DataManagementIiopSkeleton::getAttrMappingsForDatasetType;
  operations_["expandFoldersForCAD"] = &DataManagementIiopSkeleton::expandFoldersForCAD;
  operations_["createOrUpdateRelations"] = &DataManagementIiopSkeleton::createOrUpdateRelations;
  operations_["generateAlternateIds"] = &DataManagementIiopSkeleton::generateAlternateIds;
  operations_["getAvailableTypes"] = &DataManagementIiopSkeleton::getAvailableTypes;
  operations_["expandGRMRelations"] = &DataManagementIiopSkeleton::expandGRMRelations;
  operations_["createOrUpdateParts"] = &DataManagementIiopSkeleton::createOrUpdateParts;
  operations_["getAllAttrMappings"] = &DataManagementIiopSkeleton::getAllAttrMappings;
}

DataManagementIiopSkeleton::DataManagementIiopSkeleton(const DataManagementIiopSkeleton& other)
    : IiopSkeleton(other) {
  ownership.skeletonMade();
}

DataManagementIiopSkeleton& DataManagementIiopSkeleton::operator=(
    const DataManagementIiopSkeleton&) = default;

DataManagementIiopSkeleton::~DataManagementIiopSkeleton() {
  ownership.skeletonGone(_service, _servicePolicy);
}

void DataManagementIiopSkeleton::initialize() {
  ownership.choosePolicy(_service, _servicePolicy);
}

// --- Handlers ---------------------------------------------------------------------------------
// Each builds the service's arguments from its input record and calls its slot of `_service`.

std::string DataManagementIiopSkeleton::expandPrimaryObjects(const std::string& request) {
  static const HandlerNames names =
      handlerNames("expandPrimaryObjects", "ExpandPrimaryObjectsResponse");
  return handleRequest<Datamanagement::ExpandPrimaryObjectsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::ExpandPrimaryObjectsInput& input) {
        auto objects = Fields::localValue<std::vector<Tag>>(input.getObjectArray());
        return std::make_tuple(std::move(objects), toLocal(input.getPref()));
      },
      [](const std::vector<Tag>& objects, const DataManagement::ExpandPrimaryObjectsPref& pref) {
        return _service->expandPrimaryObjects(objects, pref);
      });
}

std::string DataManagementIiopSkeleton::resolveAttrMappingsForDataset(const std::string& request) {
  static const HandlerNames names =
      handlerNames("resolveAttrMappingsForDataset", "ResolveAttrMappingsForDatasetResponse");
  return handleRequest<Datamanagement::ResolveAttrMappingsForDatasetInput,
                       DataManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Datamanagement::ResolveAttrMappingsForDatasetInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>>(
                input.getInfoArray()));
      },
      [](const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>& info) {
        return _service->resolveAttrMappingsForDataset(info);
      });
}

std::string DataManagementIiopSkeleton::getAttrMappingsForDatasetType(const std::string& request) {
  static const HandlerNames names =
      handlerNames("getAttrMappingsForDatasetType", "GetAttrMappingsForDatasetTypeResponse");
  return handleRequest<Datamanagement::GetAttrMappingsForDatasetTypeInput,
                       DataManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Datamanagement::GetAttrMappingsForDatasetTypeInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>>(
                input.getInfoArray()));
      },
      [](const std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>& criteria) {
        return _service->getAttrMappingsForDatasetType(criteria);
      });
}

std::string DataManagementIiopSkeleton::expandFoldersForCAD(const std::string& request) {
  static const HandlerNames names =
      handlerNames("expandFoldersForCAD", "ExpandFoldersForCADResponse");
  return handleRequest<Datamanagement::ExpandFoldersForCADInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::ExpandFoldersForCADInput& input) {
        auto folders = Fields::localValue<std::vector<POMRef<Folder>>>(input.getFolderArray());
        return std::make_tuple(std::move(folders), toLocal(input.getPref()));
      },
      [](const std::vector<POMRef<Folder>>& folders,
         const DataManagement::ExpandFolderForCADPref& pref) {
        return _service->expandFoldersForCAD(folders, pref);
      });
}

std::string DataManagementIiopSkeleton::createOrUpdateRelations(const std::string& request) {
  static const HandlerNames names =
      handlerNames("createOrUpdateRelations", "CreateOrUpdateRelationsResponse");
  return handleRequest<Datamanagement::CreateOrUpdateRelationsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::CreateOrUpdateRelationsInput& input) {
        auto info = Fields::localValue<std::vector<DataManagement::CreateOrUpdateRelationsInfo>>(
            input.getInfoArray());
        const bool complete = input.getComplete();
        return std::make_tuple(std::move(info), complete, toLocal(input.getPref()));
      },
      [](const std::vector<DataManagement::CreateOrUpdateRelationsInfo>& info, const bool& complete,
         const DataManagement::CreateOrUpdateRelationsPref& pref) {
        return _service->createOrUpdateRelations(info, complete, pref);
      });
}

std::string DataManagementIiopSkeleton::generateAlternateIds(const std::string& request) {
  static const HandlerNames names =
      handlerNames("generateAlternateIds", "GenerateAlternateIdsResponse");
  return handleRequest<Datamanagement::GenerateAlternateIdsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::GenerateAlternateIdsInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<DataManagement::GenerateAlternateIdsProperties>>(
                input.getInputArray()));
      },
      [](const std::vector<DataManagement::GenerateAlternateIdsProperties>& properties) {
        return _service->generateAlternateIds(properties);
      });
}

std::string DataManagementIiopSkeleton::getAvailableTypes(const std::string& request) {
  static const HandlerNames names = handlerNames("getAvailableTypes", "GetAvailableTypesResponse");
  return handleRequest<Datamanagement::GetAvailableTypesInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::GetAvailableTypesInput& input) {
        return std::make_tuple(input.getClasseArray());
      },
      [](const std::vector<std::string>& classes) { return _service->getAvailableTypes(classes); });
}

std::string DataManagementIiopSkeleton::expandGRMRelations(const std::string& request) {
  static const HandlerNames names =
      handlerNames("expandGRMRelations", "ExpandGRMRelationsResponse");
  return handleRequest<Datamanagement::ExpandGRMRelationsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::ExpandGRMRelationsInput& input) {
        auto objects = Fields::localValue<std::vector<Tag>>(input.getObjectArray());
        return std::make_tuple(std::move(objects), toLocal(input.getPref()));
      },
      [](const std::vector<Tag>& objects, const DataManagement::ExpandGRMRelationsPref& pref) {
        return _service->expandGRMRelations(objects, pref);
      });
}

std::string DataManagementIiopSkeleton::createOrUpdateParts(const std::string& request) {
  static const HandlerNames names =
      handlerNames("createOrUpdateParts", "CreateOrUpdatePartsResponse");
  return handleRequest<Datamanagement::CreateOrUpdatePartsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::CreateOrUpdatePartsInput& input) {
        return std::make_tuple(
            Fields::localValue<std::vector<DataManagement::PartInfo>>(input.getInfoArray()));
      },
      [](const std::vector<DataManagement::PartInfo>& info) {
        return _service->createOrUpdateParts(info);
      });
}

std::string DataManagementIiopSkeleton::getAllAttrMappings(const std::string& request) {
  static const HandlerNames names =
      handlerNames("getAllAttrMappings", "GetAllAttrMappingsResponse");
  return handleRequest<Datamanagement::GetAllAttrMappingsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::faultDocument, request,
      [](const Datamanagement::GetAllAttrMappingsInput&) { return std::make_tuple(); },
      []() { return _service->getAllAttrMappings(); });
}

// --- Maps and the objectType enumeration ---------------------------------------------------
// The record conversions are generated from datamanagement.records (tools/wiregen.py).

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using Strings = std::vector<std::string>;

// Both maps hold a list of strings under each key.
template <class Entry, class Key>
std::vector<Entry> wireStringsMap(std::map<Key, Strings>&& local) {
  return wireEntries<Entry>(std::move(local),
                            [](Entry& entry, const Key& key, const Strings& value) {
                              entry.setKey(key);
                              entry.setValueArray(value);
                            });
}

template <class Key, class Entry>
std::map<Key, Strings> localStringsMap(const std::vector<Entry>& wire) {
  return localEntries<Key, Strings>(wire, [](const Entry& entry) {
    return std::make_pair(entry.getKey(), entry.getValueArray());
  });
}

const EnumeratorText<DataManagement::objectType> kObjectTypeTexts[] = {
    {DataManagement::FolderT, "FolderT"},
    {DataManagement::ItemT, "ItemT"},
    {DataManagement::ItemRevisionT, "ItemRevisionT"},
    {DataManagement::DatasetT, "DatasetT"},
    {DataManagement::Others, "Others"},
};

}  // namespace

std::vector<Datamanagement::ClassToTypesMap> DataManagementIiopSkeleton::toWireClassToTypesMap(
    std::map<std::string, Strings> local) {
  return wireStringsMap<Datamanagement::ClassToTypesMap>(std::move(local));
}

std::map<std::string, Strings> DataManagementIiopSkeleton::toLocalClassToTypesMap(
    std::vector<Datamanagement::ClassToTypesMap> wire) {
  return localStringsMap<std::string>(wire);
}

std::vector<Datamanagement::IndexToAltId> DataManagementIiopSkeleton::toWireIndexToAltId(
    std::map<int, Strings> local) {
  return wireStringsMap<Datamanagement::IndexToAltId>(std::move(local));
}

std::map<int, Strings> DataManagementIiopSkeleton::toLocalIndexToAltId(
    std::vector<Datamanagement::IndexToAltId> wire) {
  return localStringsMap<int>(wire);
}

std::string DataManagementIiopSkeleton::toWire(DataManagement::objectType value) {
  return enumeratorText(kObjectTypeTexts, value);
}

DataManagement::objectType DataManagementIiopSkeleton::toLocalobjectType(std::string text) {
  return enumeratorOf(kObjectTypeTexts, text);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
