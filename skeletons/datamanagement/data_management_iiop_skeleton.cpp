#include "skeletons/datamanagement/data_management_iiop_skeleton.h"

#include <tuple>

#include "framework/utils.h"
#include "skeletons/request_handler.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Datamanagement = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Cad::_2007_01::DataManagementImpl;
using Korvane::Soa::Internal::Server::Utils;
using Korvane::Soa::Server::ServicePolicy;

DataManagementImpl* DataManagementIiopSkeleton::_service = nullptr;
ServicePolicy* DataManagementIiopSkeleton::_servicePolicy = nullptr;

namespace {

// Skeleton objects of this class alive now; the last one to go releases the statics.
int liveSkeletons = 0;
// The policy that initialize() made (the skeletons own it), or null when `_servicePolicy` is the
// service itself or not set.
ServicePolicy* madePolicy = nullptr;

// The handler's and the service call's mark prefixes. The handler's reads "Soa::Cad" although
// the class lives in Services::Cad: the marks are named as the monitoring tools know them.
const char* const kHandlerMarkPrefix = "Korvane::Soa::Cad::_2007_01::DataManagementIiopSkeleton::";
const char* const kServiceMarkPrefix = "Korvane::Soa::Cad::_2007_01::DataManagementImpl::";

HandlerNames handlerNames(const char* operation, const char* responseElement) {
  return HandlerNames(kHandlerMarkPrefix, kServiceMarkPrefix, operation, responseElement);
}

// The tags of a list of wire objects, one per element, in order (UIDs untested).
std::vector<Tag> tagsOf(const std::vector<ModelBase::ModelObject>& objects) {
  std::vector<Tag> tags;
  tags.reserve(objects.size());
  for (const ModelBase::ModelObject& object : objects) {
    tags.push_back(Utils::uidToTag(object.getUid()));
  }
  return tags;
}

// Each element of a wire list converted by the skeleton's toLocal, in order.
template <class Wire>
auto localList(const std::vector<Wire>& wire)
    -> std::vector<decltype(DataManagementIiopSkeleton::toLocal(wire.front()))> {
  std::vector<decltype(DataManagementIiopSkeleton::toLocal(wire.front()))> local;
  local.reserve(wire.size());
  for (const Wire& element : wire) {
    local.push_back(DataManagementIiopSkeleton::toLocal(element));
  }
  return local;
}

}  // namespace

DataManagementIiopSkeleton::DataManagementIiopSkeleton() {
  ++liveSkeletons;
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
  ++liveSkeletons;
}

DataManagementIiopSkeleton& DataManagementIiopSkeleton::operator=(
    const DataManagementIiopSkeleton& other) {
  IiopSkeleton::operator=(other);
  return *this;
}

// Copies share the statics, so only the last skeleton releases them; they are reset so that
// nothing can reach the released objects.
DataManagementIiopSkeleton::~DataManagementIiopSkeleton() {
  if (--liveSkeletons > 0) {
    return;
  }
  delete madePolicy;
  madePolicy = nullptr;
  _servicePolicy = nullptr;
  delete _service;
  _service = nullptr;
}

void DataManagementIiopSkeleton::initialize() {
  delete madePolicy;
  madePolicy = nullptr;
  _servicePolicy = dynamic_cast<ServicePolicy*>(_service);
  if (_servicePolicy == nullptr) {
    madePolicy = new ServicePolicy();
    _servicePolicy = madePolicy;
  }
}

// --- Handlers ---------------------------------------------------------------------------------
// Each builds the service's arguments from its input record and calls its slot of `_service`.

std::string DataManagementIiopSkeleton::expandPrimaryObjects(const std::string& request) {
  static const HandlerNames names =
      handlerNames("expandPrimaryObjects", "ExpandPrimaryObjectsResponse");
  return handleRequest<Datamanagement::ExpandPrimaryObjectsInput, DataManagementIiopSkeleton>(
      names, FailureHandling::passToDispatcher, request,
      [](const Datamanagement::ExpandPrimaryObjectsInput& input) {
        std::vector<Tag> objects = tagsOf(input.getObjectArray());
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
        return std::make_tuple(localList(input.getInfoArray()));
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
        return std::make_tuple(localList(input.getInfoArray()));
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
        std::vector<POMRef<Folder>> folders;
        for (Tag tag : tagsOf(input.getFolderArray())) {
          folders.push_back(POMRef<Folder>(tag));
        }
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
        std::vector<DataManagement::CreateOrUpdateRelationsInfo> info =
            localList(input.getInfoArray());
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
        return std::make_tuple(localList(input.getInputArray()));
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
        std::vector<Tag> objects = tagsOf(input.getObjectArray());
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
        return std::make_tuple(localList(input.getInfoArray()));
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

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
