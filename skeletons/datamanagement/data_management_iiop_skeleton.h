// The DataManagement 2007-01 skeleton: the operation table through which the host reaches the
// service, the ten request handlers, and the conversions between the wire records
// (Datamanagement, generated from datamanagement.records) and the service's local records
// (DataManagement, datamanagement/data_management.h).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "datamanagement/data_management.h"
#include "framework/iiop_skeleton.h"
#include "framework/visibility.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/service_ownership.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

class DataManagementIiopSkeletonTestAccess;

// The skeleton's short service name is "DataManagement"; the registries know it by its full
// name "Cad-2007-01-DataManagement" (skeletons/startup.cpp).
//
// Ownership: `_service` and the policy that initialize() makes belong to the skeletons of this
// class together (skeletons/service_ownership.h).
//
// Conversions: stateless public statics. Wire-to-local (toLocal) copies every field; an object
// crosses as its UID's tag (Utils::uidToTag, untested), a typed reference with its object not
// loaded. Local-to-wire (toWire) builds fresh wire records; an object field whose tag cannot be
// made into a model object becomes the null model object, and such an element of an object
// list is left out, the host's error store being emptied in both cases. Maps cross as lists of
// key/value entries, written in ascending key order and read back with the last entry winning
// for a repeated key (skeletons/map_conversions.h). The record and response conversions are
// those of the records marked `local` in datamanagement.records, which the build generates.
class SOACAD_API DataManagementIiopSkeleton : public Korvane::Soa::Internal::Server::IiopSkeleton {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  // Service name "DataManagement" and the ten operations.
  DataManagementIiopSkeleton();
  DataManagementIiopSkeleton(const DataManagementIiopSkeleton& other);
  DataManagementIiopSkeleton& operator=(const DataManagementIiopSkeleton& other);
  ~DataManagementIiopSkeleton() override;

  // Sets `_servicePolicy` (SkeletonOwnership::choosePolicy).
  void initialize() override;

  // --- Request-side records, wire to local and back ----------------------------------------
#define SOACAD_DM_CONVERSIONS(Record)                                    \
  static DataManagement::Record toLocal(                                 \
      Korvane::Schemas::Cad::_2007_01::Datamanagement::Record wire);     \
  static Korvane::Schemas::Cad::_2007_01::Datamanagement::Record toWire( \
      DataManagement::Record local);
  SOACAD_DM_CONVERSIONS(RelationAndTypesFilter2)
  SOACAD_DM_CONVERSIONS(ExpandPrimaryObjectsPref)
  SOACAD_DM_CONVERSIONS(ExpandGRMRelationsPref)
  SOACAD_DM_CONVERSIONS(ExpandFolderForCADPref)
  SOACAD_DM_CONVERSIONS(CreateOrUpdateRelationsPref)
  SOACAD_DM_CONVERSIONS(CreateOrUpdateRelationsInfo)
  SOACAD_DM_CONVERSIONS(GenerateAlternateIdsProperties)
  SOACAD_DM_CONVERSIONS(GetAttrMappingsForDatasetTypeCriteria)
  SOACAD_DM_CONVERSIONS(ResolveAttrMappingsForDatasetInfo)
  SOACAD_DM_CONVERSIONS(PartInfo)
  SOACAD_DM_CONVERSIONS(ItemInfo)
  SOACAD_DM_CONVERSIONS(ItemRevInfo)
  SOACAD_DM_CONVERSIONS(DatasetInfo)
  SOACAD_DM_CONVERSIONS(AttributeInfo)
  SOACAD_DM_CONVERSIONS(ExtraObjectInfo)
  SOACAD_DM_CONVERSIONS(DatasetFileInfo)
  SOACAD_DM_CONVERSIONS(NamedReferenceObjectInfo)

  // --- Response-side records, local to wire and back ---------------------------------------
  SOACAD_DM_CONVERSIONS(ExpandPrimaryObjectsOutput)
  SOACAD_DM_CONVERSIONS(ExpandPrimaryObjectsData)
  SOACAD_DM_CONVERSIONS(ExpandGRMRelationsOutput)
  SOACAD_DM_CONVERSIONS(ExpandGRMRelationsData)
  SOACAD_DM_CONVERSIONS(ExpandFoldersForCADOutput)
  SOACAD_DM_CONVERSIONS(ExpandFoldersForCADItemOutput)
  SOACAD_DM_CONVERSIONS(ExpandFoldersForCADItemRevOutput)
  SOACAD_DM_CONVERSIONS(GetAttrMappingsForDatasetTypeOutput)
  SOACAD_DM_CONVERSIONS(AttrMappingInfo)
  SOACAD_DM_CONVERSIONS(PropDescriptor)
  SOACAD_DM_CONVERSIONS(ResolveAttrMappingsForDatasetOutput)
  SOACAD_DM_CONVERSIONS(MappedDatasetAttrProperty)
  SOACAD_DM_CONVERSIONS(CreateOrUpdateRelationsOutput)
  SOACAD_DM_CONVERSIONS(CreateOrUpdatePartsOutput)
  SOACAD_DM_CONVERSIONS(DatasetOutput)
  SOACAD_DM_CONVERSIONS(CommitDatasetFileInfo)
  SOACAD_DM_CONVERSIONS(DatasetFileTicketInfo)
  SOACAD_DM_CONVERSIONS(ExtraObjectOutput)
#undef SOACAD_DM_CONVERSIONS

  // --- Responses (local to wire only) -------------------------------------------------------
  // Each converts the result field, then asks the response's ServiceData for
  // getNotifications(), inflateProperties() and getWireData(), in that order, and sets the
  // wire service data.
#define SOACAD_DM_RESPONSE(Response)                                       \
  static Korvane::Schemas::Cad::_2007_01::Datamanagement::Response toWire( \
      DataManagement::Response local);
  SOACAD_DM_RESPONSE(ExpandPrimaryObjectsResponse)
  SOACAD_DM_RESPONSE(ResolveAttrMappingsForDatasetResponse)
  SOACAD_DM_RESPONSE(GetAttrMappingsForDatasetTypeResponse)
  SOACAD_DM_RESPONSE(ExpandFoldersForCADResponse)
  SOACAD_DM_RESPONSE(CreateOrUpdateRelationsResponse)
  SOACAD_DM_RESPONSE(GenerateAlternateIdsResponse)
  SOACAD_DM_RESPONSE(GetAvailableTypesResponse)
  SOACAD_DM_RESPONSE(ExpandGRMRelationsResponse)
  SOACAD_DM_RESPONSE(CreateOrUpdatePartsResponse)
  SOACAD_DM_RESPONSE(GetAllAttrMappingsResponse)
#undef SOACAD_DM_RESPONSE

  // --- Maps ----------------------------------------------------------------------------------
  static std::vector<Korvane::Schemas::Cad::_2007_01::Datamanagement::ClassToTypesMap>
  toWireClassToTypesMap(std::map<std::string, std::vector<std::string>> local);
  static std::map<std::string, std::vector<std::string>> toLocalClassToTypesMap(
      std::vector<Korvane::Schemas::Cad::_2007_01::Datamanagement::ClassToTypesMap> wire);
  static std::vector<Korvane::Schemas::Cad::_2007_01::Datamanagement::IndexToAltId>
  toWireIndexToAltId(std::map<int, std::vector<std::string>> local);
  static std::map<int, std::vector<std::string>> toLocalIndexToAltId(
      std::vector<Korvane::Schemas::Cad::_2007_01::Datamanagement::IndexToAltId> wire);

  // --- objectType ----------------------------------------------------------------------------
  // The enumerator's text ("FolderT" ... "Others"). Raises DomException "Invalid Enum value"
  // for a value outside the enumeration.
  static std::string toWire(DataManagement::objectType value);
  // The enumerator whose text is exactly `text` (case-sensitive). Raises DomException
  // "Invalid Enum value: " followed by the text for any other text.
  static DataManagement::objectType toLocalobjectType(std::string text);

 private:
  // Start-up sets `_service`; tests may put a stand-in service in its place.
  friend class Korvane::Services::ServiceStartup;
  friend class DataManagementIiopSkeletonTestAccess;

  // The request handlers: request text in, reply text out.
  static std::string expandPrimaryObjects(const std::string& request);
  static std::string resolveAttrMappingsForDataset(const std::string& request);
  static std::string getAttrMappingsForDatasetType(const std::string& request);
  static std::string expandFoldersForCAD(const std::string& request);
  static std::string createOrUpdateRelations(const std::string& request);
  static std::string generateAlternateIds(const std::string& request);
  static std::string getAvailableTypes(const std::string& request);
  static std::string expandGRMRelations(const std::string& request);
  static std::string createOrUpdateParts(const std::string& request);
  static std::string getAllAttrMappings(const std::string& request);

  // The service singleton, made at load (skeletons/startup.cpp).
  static Korvane::Soa::Cad::_2007_01::DataManagementImpl* _service;
  // The service's policy; null before initialize().
  static Korvane::Soa::Server::ServicePolicy* _servicePolicy;
};

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
