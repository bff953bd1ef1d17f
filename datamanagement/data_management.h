// The DataManagement 2007-01 service: its interface, local request and response records, and
// the implementation that the skeleton calls.
//
// Local records are plain values. Object references are host tags, or typed references
// (POMRef<T>) whose object the host loads on first use. Every response carries the call's
// ServiceData: the objects created, updated, deleted or returned and one error stack per failed
// input.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/service_data.h"
#include "framework/visibility.h"
#include "host/object/pom_ref.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace _2007_01 {

// The service interface. Its virtual slots are exactly the ten operations, in this order; each
// takes its arguments by const reference and returns its response by value. Per-input failures
// travel as error stacks in the response; a failure of the whole call is an exception
// (ServiceException, IFail).
class SOACAD_API DataManagement {
 public:
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // --- Filters and preferences ---------------------------------------------------------
  struct RelationAndTypesFilter2 {
    std::string relationName;
    std::vector<std::string> objectTypeName;
  };
  struct ExpandGRMRelationsPref {
    bool expItemRev = false;
    std::vector<RelationAndTypesFilter2> info;
  };
  struct ExpandPrimaryObjectsPref {
    bool expItemRev = false;
    std::vector<RelationAndTypesFilter2> info;
  };
  struct ExpandFolderForCADPref {
    bool expItemRev = false;
    int latestNRevs = 0;
    std::vector<RelationAndTypesFilter2> info;
  };
  struct CreateOrUpdateRelationsPref {
    std::vector<RelationAndTypesFilter2> info;
  };

  // --- Expansions ----------------------------------------------------------------------
  struct ExpandGRMRelationsData {
    std::vector<Tag> otherSideObject;
    std::string relationName;
  };
  struct ExpandGRMRelationsOutput {
    Tag inputObject;
    std::vector<ExpandGRMRelationsData> otherSideObjData;
  };
  struct ExpandGRMRelationsResponse {
    std::vector<ExpandGRMRelationsOutput> output;
    ServiceData serviceData;
  };
  struct ExpandPrimaryObjectsData {
    std::vector<Tag> otherSideObject;
    std::string relationName;
  };
  struct ExpandPrimaryObjectsOutput {
    Tag inputObject;
    std::vector<ExpandPrimaryObjectsData> otherSideObjData;
  };
  struct ExpandPrimaryObjectsResponse {
    std::vector<ExpandPrimaryObjectsOutput> output;
    ServiceData serviceData;
  };
  struct ExpandFoldersForCADItemRevOutput {
    POMRef<ItemRevision> outputItemRevs;
    std::vector<POMRef<Dataset>> outputDataset;
  };
  struct ExpandFoldersForCADItemOutput {
    POMRef<Item> outputItem;
    std::vector<ExpandFoldersForCADItemRevOutput> itemRevsOutput;
  };
  struct ExpandFoldersForCADOutput {
    POMRef<Folder> inputFolder;
    std::vector<POMRef<Folder>> fstlvlFolder;
    std::vector<ExpandFoldersForCADItemOutput> itemsOutput;
    std::vector<ExpandFoldersForCADItemRevOutput> itemRevsOutput;
  };
  struct ExpandFoldersForCADResponse {
    std::vector<ExpandFoldersForCADOutput> output;
    ServiceData serviceData;
  };

  // --- Attribute mappings --------------------------------------------------------------
  struct GetAttrMappingsForDatasetTypeCriteria {
    std::string datasetTypeName;
    std::string itemTypeName;
    bool exact = false;
  };
  struct PropDescriptor {
    std::string propName;
    std::string displayName;
    std::string defaultValue;
    int propValueType = 0;
    int propType = 0;
    bool isDisplayable = false;
    bool isArray = false;
    POMRef<ListOfValues> lov;
    bool isRequired = false;
    bool isEnabled = false;
    bool isModifiable = false;
    int attachedSpecifier = 0;
    int maxLength = 0;
    std::vector<std::string> interdependentProp;
  };
  struct AttrMappingInfo {
    POMRef<CadAttrMappingDefinition> cadAttrMappingDefinition;
    PropDescriptor propDesc;
  };
  struct GetAttrMappingsForDatasetTypeOutput {
    GetAttrMappingsForDatasetTypeCriteria criteria;
    std::vector<AttrMappingInfo> attrMappingInfo;
  };
  struct GetAttrMappingsForDatasetTypeResponse {
    std::vector<GetAttrMappingsForDatasetTypeOutput> output;
    ServiceData serviceData;
  };
  struct GetAllAttrMappingsResponse {
    std::vector<AttrMappingInfo> attrMappingInfo;
    ServiceData serviceData;
  };
  struct ResolveAttrMappingsForDatasetInfo {
    POMRef<Dataset> dataset;
    POMRef<ItemRevision> itemRev;
    std::vector<POMRef<CadAttrMappingDefinition>> cadAttrMappingDefinition;
  };
  struct MappedDatasetAttrProperty {
    std::string attrTitle;
    std::string datasetTypeName;
    std::string itemTypeName;
    Tag resolvedObject;
    std::string resolvedPropertyName;
  };
  struct ResolveAttrMappingsForDatasetOutput {
    POMRef<Dataset> dataset;
    std::vector<MappedDatasetAttrProperty> mappedPropertie;
  };
  struct ResolveAttrMappingsForDatasetResponse {
    std::vector<ResolveAttrMappingsForDatasetOutput> output;
    ServiceData serviceData;
  };

  // --- Relations -----------------------------------------------------------------------
  struct CreateOrUpdateRelationsInfo {
    std::string clientId;
    std::string relationType;  // The relation type's name.
    Tag primaryObject;
    Tag secondaryObject;
    POMRef<ImanRelation> relation;
    Tag userData;
  };
  struct CreateOrUpdateRelationsOutput {
    std::string clientId;
    POMRef<ImanRelation> relation;
  };
  struct CreateOrUpdateRelationsResponse {
    std::vector<CreateOrUpdateRelationsOutput> output;
    ServiceData serviceData;
  };

  // --- Types and ids -------------------------------------------------------------------
  struct GenerateAlternateIdsProperties {
    Tag idContext;
    std::string pattern;
    std::string altIdType;
    Tag parentAltId;
    int count = 0;
  };
  struct GenerateAlternateIdsResponse {
    // Zero-based input index to the ids generated for it; a failed input has no entry.
    std::map<int, std::vector<std::string>> inputIndexToAltId;
    ServiceData serviceData;
  };
  struct GetAvailableTypesResponse {
    // Class name to the names of its types.
    std::map<std::string, std::vector<std::string>> inputClassToType;
    ServiceData serviceData;
  };

  // --- Parts ---------------------------------------------------------------------------
  struct AttributeInfo {
    std::string name;
    std::string value;
  };
  struct ExtraObjectInfo {
    Tag object;
    std::string clientId;
    std::string relationTypeName;
    std::string typeName;
    std::vector<AttributeInfo> attrNameValuePair;
  };
  struct ItemInfo {
    POMRef<Item> item;
    std::string itemId;
    std::string itemType;
    std::string name;
    std::string description;
    std::vector<AttributeInfo> attrList;
    std::vector<ExtraObjectInfo> extraObject;
    POMRef<Folder> folder;
  };
  struct ItemRevInfo {
    POMRef<ItemRevision> itemRevision;
    std::string revId;
    std::vector<AttributeInfo> attrList;
    std::vector<ExtraObjectInfo> extraObject;
  };
  struct DatasetFileInfo {
    std::string clientId;
    std::string fileName;
    std::string namedReferencedName;
    bool isText = false;
    bool allowReplace = false;
  };
  struct NamedReferenceObjectInfo {
    std::string clientId;
    Tag object;
    std::string namedReferenceName;
    std::string typeName;
    std::vector<AttributeInfo> attrNameValuePair;
  };
  struct DatasetInfo {
    std::string clientId;
    POMRef<Dataset> dataset;
    std::string name;
    std::string description;
    std::string type;
    std::string id;
    std::string datasetRev;
    std::string itemRevRelationName;
    bool createNewVersion = false;
    std::string namedReferencePreference;  // Name of a host preference.
    std::vector<AttributeInfo> attrList;
    std::vector<AttributeInfo> mappingAttribute;
    std::vector<ExtraObjectInfo> extraObject;
    std::vector<DatasetFileInfo> datasetFileInfo;
    std::vector<NamedReferenceObjectInfo> namedReferenceObjectInfo;
  };
  struct PartInfo {
    std::string clientId;
    ItemInfo itemInput;
    ItemRevInfo itemRevInput;
    std::vector<DatasetInfo> datasetInput;
  };
  struct DatasetFileTicketInfo {
    DatasetFileInfo datasetFileInfo;
    std::string ticket;  // The file's write ticket.
  };
  struct CommitDatasetFileInfo {
    POMRef<Dataset> dataset;
    bool createNewVersion = false;
    std::vector<DatasetFileTicketInfo> datasetFileTicketInfo;
  };
  struct ExtraObjectOutput {
    std::string clientId;
    Tag object;
  };
  struct DatasetOutput {
    std::string clientId;
    POMRef<Dataset> dataset;
    std::vector<CommitDatasetFileInfo> commitInfo;
    std::vector<ExtraObjectOutput> extraObj;
    std::vector<ExtraObjectOutput> namedRefObj;
  };
  struct CreateOrUpdatePartsOutput {
    std::string clientId;
    POMRef<Item> item;
    POMRef<ItemRevision> itemRev;
    std::vector<DatasetOutput> datasetOutput;
    std::vector<ExtraObjectOutput> extraItemObj;
    std::vector<ExtraObjectOutput> extraItemRevObj;
  };
  struct CreateOrUpdatePartsResponse {
    std::vector<CreateOrUpdatePartsOutput> output;
    ServiceData serviceData;
  };

  // The kind of a persistent object as the folder expansion classifies it.
  enum objectType { FolderT = 0, ItemT = 1, ItemRevisionT = 2, DatasetT = 3, Others = 4 };

  DataManagement() = default;
  DataManagement(const DataManagement&) = default;
  DataManagement& operator=(const DataManagement&) { return *this; }
  // Slot 0: the type names of each class ("UnitOfMeasure": the units of measure).
  virtual GetAvailableTypesResponse getAvailableTypes(const std::vector<std::string>& classes) = 0;
  // Slot 1.
  virtual GenerateAlternateIdsResponse generateAlternateIds(
      const std::vector<GenerateAlternateIdsProperties>& properties) = 0;
  // Slot 2.
  virtual CreateOrUpdatePartsResponse createOrUpdateParts(const std::vector<PartInfo>& info) = 0;
  // Slot 3.
  virtual ExpandGRMRelationsResponse expandGRMRelations(const std::vector<Tag>& objects,
                                                        const ExpandGRMRelationsPref& pref) = 0;
  // Slot 4.
  virtual ExpandPrimaryObjectsResponse expandPrimaryObjects(
      const std::vector<Tag>& objects, const ExpandPrimaryObjectsPref& pref) = 0;
  // Slot 5.
  virtual ExpandFoldersForCADResponse expandFoldersForCAD(
      const std::vector<POMRef<Folder>>& folders, const ExpandFolderForCADPref& pref) = 0;
  // Slot 6.
  virtual CreateOrUpdateRelationsResponse createOrUpdateRelations(
      const std::vector<CreateOrUpdateRelationsInfo>& info, const bool& complete,
      const CreateOrUpdateRelationsPref& pref) = 0;
  // Slot 7.
  virtual GetAllAttrMappingsResponse getAllAttrMappings() = 0;
  // Slot 8.
  virtual GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<GetAttrMappingsForDatasetTypeCriteria>& criteria) = 0;
  // Slot 9.
  virtual ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<ResolveAttrMappingsForDatasetInfo>& info) = 0;

  // Virtual so that the service singleton is released soundly through any of its types, and
  // declared after the operations so that its slots follow theirs: a host calls the
  // operations by slot.
  virtual ~DataManagement() = default;
};

// The implementation. It holds no state: getAvailableTypes and generateAlternateIds are done
// here; every other operation constructs its operation object for the one call.
class SOACAD_API DataManagementImpl : public DataManagement {
 public:
  DataManagementImpl() = default;
  DataManagementImpl(const DataManagementImpl&) = default;
  DataManagementImpl& operator=(const DataManagementImpl&) { return *this; }

  GetAvailableTypesResponse getAvailableTypes(const std::vector<std::string>& classes) override;
  GenerateAlternateIdsResponse generateAlternateIds(
      const std::vector<GenerateAlternateIdsProperties>& properties) override;
  CreateOrUpdatePartsResponse createOrUpdateParts(const std::vector<PartInfo>& info) override;
  ExpandGRMRelationsResponse expandGRMRelations(const std::vector<Tag>& objects,
                                                const ExpandGRMRelationsPref& pref) override;
  ExpandPrimaryObjectsResponse expandPrimaryObjects(const std::vector<Tag>& objects,
                                                    const ExpandPrimaryObjectsPref& pref) override;
  ExpandFoldersForCADResponse expandFoldersForCAD(const std::vector<POMRef<Folder>>& folders,
                                                  const ExpandFolderForCADPref& pref) override;
  CreateOrUpdateRelationsResponse createOrUpdateRelations(
      const std::vector<CreateOrUpdateRelationsInfo>& info, const bool& complete,
      const CreateOrUpdateRelationsPref& pref) override;
  GetAllAttrMappingsResponse getAllAttrMappings() override;
  GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<GetAttrMappingsForDatasetTypeCriteria>& criteria) override;
  ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<ResolveAttrMappingsForDatasetInfo>& info) override;
};

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
