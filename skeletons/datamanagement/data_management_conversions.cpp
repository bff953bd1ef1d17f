// The conversions of DataManagementIiopSkeleton between the wire records and the local records.
//
// Every record conversion lists the record's fields in the local declaration order; the field's
// kind picks the rule through the overloads of fromWire (wire to local) and wireValue (local to
// wire) of skeletons/field_conversions.h, so each rule is written once.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/soa_exceptions.h"
#include "framework/utils.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/field_conversions.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;
using Local = Korvane::Soa::Cad::_2007_01::DataManagement;
using Skeleton = DataManagementIiopSkeleton;
using Korvane::Soa::Internal::Server::Utils;

namespace {

// The rules by field kind (skeletons/field_conversions.h), through this skeleton's record
// conversions.
using Fields = Korvane::Services::FieldConversions<Skeleton>;

template <class LocalValue, class WireValue>
void fromWire(LocalValue& local, const WireValue& wire) {
  Fields::fromWire(local, wire);
}

template <class LocalValue>
decltype(auto) wireValue(const LocalValue& local) {
  return Fields::wireValue(local);
}

template <class WireResponse>
void setServiceData(WireResponse& wire, Local::ServiceData& serviceData) {
  Fields::setServiceData(wire, serviceData);
}

// --- Maps --------------------------------------------------------------------------------------

// Entries in ascending key order (the map's order). Each entry of `local` goes as soon as it is
// converted, so that a large map and its wire form are never both whole.
template <class Entry, class Key>
std::vector<Entry> wireMap(std::map<Key, std::vector<std::string>>&& local) {
  std::vector<Entry> wire;
  wire.reserve(local.size());
  while (!local.empty()) {
    const auto first = local.begin();
    Entry entry;
    entry.setKey(first->first);
    entry.setValueArray(first->second);
    wire.push_back(entry);
    local.erase(first);
  }
  return wire;
}

// A repeated key keeps the value list of its last entry.
template <class Key, class Entry>
std::map<Key, std::vector<std::string>> localMap(const std::vector<Entry>& wire) {
  std::map<Key, std::vector<std::string>> local;
  for (const Entry& entry : wire) {
    local[entry.getKey()] = entry.getValueArray();
  }
  return local;
}

const EnumeratorText<Local::objectType> kObjectTypeTexts[] = {
    {Local::FolderT, "FolderT"},
    {Local::ItemT, "ItemT"},
    {Local::ItemRevisionT, "ItemRevisionT"},
    {Local::DatasetT, "DatasetT"},
    {Local::Others, "Others"},
};

}  // namespace

// --- Request-side records ----------------------------------------------------------------------

Local::RelationAndTypesFilter2 Skeleton::toLocal(Wire::RelationAndTypesFilter2 wire) {
  Local::RelationAndTypesFilter2 local;
  fromWire(local.relationName, wire.getRelationName());
  fromWire(local.objectTypeName, wire.getObjectTypeNameArray());
  return local;
}

Wire::RelationAndTypesFilter2 Skeleton::toWire(Local::RelationAndTypesFilter2 local) {
  Wire::RelationAndTypesFilter2 wire;
  wire.setRelationName(wireValue(local.relationName));
  wire.setObjectTypeNameArray(wireValue(local.objectTypeName));
  return wire;
}

Local::ExpandPrimaryObjectsPref Skeleton::toLocal(Wire::ExpandPrimaryObjectsPref wire) {
  Local::ExpandPrimaryObjectsPref local;
  fromWire(local.expItemRev, wire.getExpItemRev());
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::ExpandPrimaryObjectsPref Skeleton::toWire(Local::ExpandPrimaryObjectsPref local) {
  Wire::ExpandPrimaryObjectsPref wire;
  wire.setExpItemRev(wireValue(local.expItemRev));
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::ExpandGRMRelationsPref Skeleton::toLocal(Wire::ExpandGRMRelationsPref wire) {
  Local::ExpandGRMRelationsPref local;
  fromWire(local.expItemRev, wire.getExpItemRev());
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::ExpandGRMRelationsPref Skeleton::toWire(Local::ExpandGRMRelationsPref local) {
  Wire::ExpandGRMRelationsPref wire;
  wire.setExpItemRev(wireValue(local.expItemRev));
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::ExpandFolderForCADPref Skeleton::toLocal(Wire::ExpandFolderForCADPref wire) {
  Local::ExpandFolderForCADPref local;
  fromWire(local.expItemRev, wire.getExpItemRev());
  fromWire(local.latestNRevs, wire.getLatestNRevs());
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::ExpandFolderForCADPref Skeleton::toWire(Local::ExpandFolderForCADPref local) {
  Wire::ExpandFolderForCADPref wire;
  wire.setExpItemRev(wireValue(local.expItemRev));
  wire.setLatestNRevs(wireValue(local.latestNRevs));
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::CreateOrUpdateRelationsPref Skeleton::toLocal(Wire::CreateOrUpdateRelationsPref wire) {
  Local::CreateOrUpdateRelationsPref local;
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::CreateOrUpdateRelationsPref Skeleton::toWire(Local::CreateOrUpdateRelationsPref local) {
  Wire::CreateOrUpdateRelationsPref wire;
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::CreateOrUpdateRelationsInfo Skeleton::toLocal(Wire::CreateOrUpdateRelationsInfo wire) {
  Local::CreateOrUpdateRelationsInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.relationType, wire.getRelationType());
  fromWire(local.primaryObject, wire.getPrimaryObject());
  fromWire(local.secondaryObject, wire.getSecondaryObject());
  fromWire(local.relation, wire.getRelation());
  fromWire(local.userData, wire.getUserData());
  return local;
}

Wire::CreateOrUpdateRelationsInfo Skeleton::toWire(Local::CreateOrUpdateRelationsInfo local) {
  Wire::CreateOrUpdateRelationsInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setRelationType(wireValue(local.relationType));
  wire.setPrimaryObject(wireValue(local.primaryObject));
  wire.setSecondaryObject(wireValue(local.secondaryObject));
  wire.setRelation(wireValue(local.relation));
  wire.setUserData(wireValue(local.userData));
  return wire;
}

Local::GenerateAlternateIdsProperties Skeleton::toLocal(Wire::GenerateAlternateIdsProperties wire) {
  Local::GenerateAlternateIdsProperties local;
  fromWire(local.idContext, wire.getIdContext());
  fromWire(local.pattern, wire.getPattern());
  fromWire(local.altIdType, wire.getAltIdType());
  fromWire(local.parentAltId, wire.getParentAltId());
  fromWire(local.count, wire.getCount());
  return local;
}

Wire::GenerateAlternateIdsProperties Skeleton::toWire(Local::GenerateAlternateIdsProperties local) {
  Wire::GenerateAlternateIdsProperties wire;
  wire.setIdContext(wireValue(local.idContext));
  wire.setPattern(wireValue(local.pattern));
  wire.setAltIdType(wireValue(local.altIdType));
  wire.setParentAltId(wireValue(local.parentAltId));
  wire.setCount(wireValue(local.count));
  return wire;
}

Local::GetAttrMappingsForDatasetTypeCriteria Skeleton::toLocal(
    Wire::GetAttrMappingsForDatasetTypeCriteria wire) {
  Local::GetAttrMappingsForDatasetTypeCriteria local;
  fromWire(local.datasetTypeName, wire.getDatasetTypeName());
  fromWire(local.itemTypeName, wire.getItemTypeName());
  fromWire(local.exact, wire.getExact());
  return local;
}

Wire::GetAttrMappingsForDatasetTypeCriteria Skeleton::toWire(
    Local::GetAttrMappingsForDatasetTypeCriteria local) {
  Wire::GetAttrMappingsForDatasetTypeCriteria wire;
  wire.setDatasetTypeName(wireValue(local.datasetTypeName));
  wire.setItemTypeName(wireValue(local.itemTypeName));
  wire.setExact(wireValue(local.exact));
  return wire;
}

Local::ResolveAttrMappingsForDatasetInfo Skeleton::toLocal(
    Wire::ResolveAttrMappingsForDatasetInfo wire) {
  Local::ResolveAttrMappingsForDatasetInfo local;
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.itemRev, wire.getItemRev());
  fromWire(local.cadAttrMappingDefinition, wire.getCadAttrMappingDefinitionArray());
  return local;
}

Wire::ResolveAttrMappingsForDatasetInfo Skeleton::toWire(
    Local::ResolveAttrMappingsForDatasetInfo local) {
  Wire::ResolveAttrMappingsForDatasetInfo wire;
  wire.setDataset(wireValue(local.dataset));
  wire.setItemRev(wireValue(local.itemRev));
  wire.setCadAttrMappingDefinitionArray(wireValue(local.cadAttrMappingDefinition));
  return wire;
}

Local::PartInfo Skeleton::toLocal(Wire::PartInfo wire) {
  Local::PartInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.itemInput, wire.getItemInput());
  fromWire(local.itemRevInput, wire.getItemRevInput());
  fromWire(local.datasetInput, wire.getDatasetInputArray());
  return local;
}

Wire::PartInfo Skeleton::toWire(Local::PartInfo local) {
  Wire::PartInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setItemInput(wireValue(local.itemInput));
  wire.setItemRevInput(wireValue(local.itemRevInput));
  wire.setDatasetInputArray(wireValue(local.datasetInput));
  return wire;
}

Local::ItemInfo Skeleton::toLocal(Wire::ItemInfo wire) {
  Local::ItemInfo local;
  fromWire(local.item, wire.getItem());
  fromWire(local.itemId, wire.getItemId());
  fromWire(local.itemType, wire.getItemType());
  fromWire(local.name, wire.getName());
  fromWire(local.description, wire.getDescription());
  fromWire(local.attrList, wire.getAttrListArray());
  fromWire(local.extraObject, wire.getExtraObjectArray());
  fromWire(local.folder, wire.getFolder());
  return local;
}

Wire::ItemInfo Skeleton::toWire(Local::ItemInfo local) {
  Wire::ItemInfo wire;
  wire.setItem(wireValue(local.item));
  wire.setItemId(wireValue(local.itemId));
  wire.setItemType(wireValue(local.itemType));
  wire.setName(wireValue(local.name));
  wire.setDescription(wireValue(local.description));
  wire.setAttrListArray(wireValue(local.attrList));
  wire.setExtraObjectArray(wireValue(local.extraObject));
  wire.setFolder(wireValue(local.folder));
  return wire;
}

Local::ItemRevInfo Skeleton::toLocal(Wire::ItemRevInfo wire) {
  Local::ItemRevInfo local;
  fromWire(local.itemRevision, wire.getItemRevision());
  fromWire(local.revId, wire.getRevId());
  fromWire(local.attrList, wire.getAttrListArray());
  fromWire(local.extraObject, wire.getExtraObjectArray());
  return local;
}

Wire::ItemRevInfo Skeleton::toWire(Local::ItemRevInfo local) {
  Wire::ItemRevInfo wire;
  wire.setItemRevision(wireValue(local.itemRevision));
  wire.setRevId(wireValue(local.revId));
  wire.setAttrListArray(wireValue(local.attrList));
  wire.setExtraObjectArray(wireValue(local.extraObject));
  return wire;
}

Local::DatasetInfo Skeleton::toLocal(Wire::DatasetInfo wire) {
  Local::DatasetInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.name, wire.getName());
  fromWire(local.description, wire.getDescription());
  fromWire(local.type, wire.getType());
  fromWire(local.id, wire.getId());
  fromWire(local.datasetRev, wire.getDatasetRev());
  fromWire(local.itemRevRelationName, wire.getItemRevRelationName());
  fromWire(local.createNewVersion, wire.getCreateNewVersion());
  fromWire(local.namedReferencePreference, wire.getNamedReferencePreference());
  fromWire(local.attrList, wire.getAttrListArray());
  fromWire(local.mappingAttribute, wire.getMappingAttributeArray());
  fromWire(local.extraObject, wire.getExtraObjectArray());
  fromWire(local.datasetFileInfo, wire.getDatasetFileInfoArray());
  fromWire(local.namedReferenceObjectInfo, wire.getNamedReferenceObjectInfoArray());
  return local;
}

Wire::DatasetInfo Skeleton::toWire(Local::DatasetInfo local) {
  Wire::DatasetInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setDataset(wireValue(local.dataset));
  wire.setName(wireValue(local.name));
  wire.setDescription(wireValue(local.description));
  wire.setType(wireValue(local.type));
  wire.setId(wireValue(local.id));
  wire.setDatasetRev(wireValue(local.datasetRev));
  wire.setItemRevRelationName(wireValue(local.itemRevRelationName));
  wire.setCreateNewVersion(wireValue(local.createNewVersion));
  wire.setNamedReferencePreference(wireValue(local.namedReferencePreference));
  wire.setAttrListArray(wireValue(local.attrList));
  wire.setMappingAttributeArray(wireValue(local.mappingAttribute));
  wire.setExtraObjectArray(wireValue(local.extraObject));
  wire.setDatasetFileInfoArray(wireValue(local.datasetFileInfo));
  wire.setNamedReferenceObjectInfoArray(wireValue(local.namedReferenceObjectInfo));
  return wire;
}

Local::AttributeInfo Skeleton::toLocal(Wire::AttributeInfo wire) {
  Local::AttributeInfo local;
  fromWire(local.name, wire.getName());
  fromWire(local.value, wire.getValue());
  return local;
}

Wire::AttributeInfo Skeleton::toWire(Local::AttributeInfo local) {
  Wire::AttributeInfo wire;
  wire.setName(wireValue(local.name));
  wire.setValue(wireValue(local.value));
  return wire;
}

Local::ExtraObjectInfo Skeleton::toLocal(Wire::ExtraObjectInfo wire) {
  Local::ExtraObjectInfo local;
  fromWire(local.object, wire.getObject());
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.relationTypeName, wire.getRelationTypeName());
  fromWire(local.typeName, wire.getTypeName());
  fromWire(local.attrNameValuePair, wire.getAttrNameValuePairArray());
  return local;
}

Wire::ExtraObjectInfo Skeleton::toWire(Local::ExtraObjectInfo local) {
  Wire::ExtraObjectInfo wire;
  wire.setObject(wireValue(local.object));
  wire.setClientId(wireValue(local.clientId));
  wire.setRelationTypeName(wireValue(local.relationTypeName));
  wire.setTypeName(wireValue(local.typeName));
  wire.setAttrNameValuePairArray(wireValue(local.attrNameValuePair));
  return wire;
}

Local::DatasetFileInfo Skeleton::toLocal(Wire::DatasetFileInfo wire) {
  Local::DatasetFileInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.fileName, wire.getFileName());
  fromWire(local.namedReferencedName, wire.getNamedReferencedName());
  fromWire(local.isText, wire.getIsText());
  fromWire(local.allowReplace, wire.getAllowReplace());
  return local;
}

Wire::DatasetFileInfo Skeleton::toWire(Local::DatasetFileInfo local) {
  Wire::DatasetFileInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setFileName(wireValue(local.fileName));
  wire.setNamedReferencedName(wireValue(local.namedReferencedName));
  wire.setIsText(wireValue(local.isText));
  wire.setAllowReplace(wireValue(local.allowReplace));
  return wire;
}

Local::NamedReferenceObjectInfo Skeleton::toLocal(Wire::NamedReferenceObjectInfo wire) {
  Local::NamedReferenceObjectInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.object, wire.getObject());
  fromWire(local.namedReferenceName, wire.getNamedReferenceName());
  fromWire(local.typeName, wire.getTypeName());
  fromWire(local.attrNameValuePair, wire.getAttrNameValuePairArray());
  return local;
}

Wire::NamedReferenceObjectInfo Skeleton::toWire(Local::NamedReferenceObjectInfo local) {
  Wire::NamedReferenceObjectInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setObject(wireValue(local.object));
  wire.setNamedReferenceName(wireValue(local.namedReferenceName));
  wire.setTypeName(wireValue(local.typeName));
  wire.setAttrNameValuePairArray(wireValue(local.attrNameValuePair));
  return wire;
}

// --- Response-side records ---------------------------------------------------------------------

Local::ExpandPrimaryObjectsOutput Skeleton::toLocal(Wire::ExpandPrimaryObjectsOutput wire) {
  Local::ExpandPrimaryObjectsOutput local;
  fromWire(local.inputObject, wire.getInputObject());
  fromWire(local.otherSideObjData, wire.getOtherSideObjDataArray());
  return local;
}

Wire::ExpandPrimaryObjectsOutput Skeleton::toWire(Local::ExpandPrimaryObjectsOutput local) {
  Wire::ExpandPrimaryObjectsOutput wire;
  wire.setInputObject(wireValue(local.inputObject));
  wire.setOtherSideObjDataArray(wireValue(local.otherSideObjData));
  return wire;
}

Local::ExpandPrimaryObjectsData Skeleton::toLocal(Wire::ExpandPrimaryObjectsData wire) {
  Local::ExpandPrimaryObjectsData local;
  fromWire(local.otherSideObject, wire.getOtherSideObjectArray());
  fromWire(local.relationName, wire.getRelationName());
  return local;
}

Wire::ExpandPrimaryObjectsData Skeleton::toWire(Local::ExpandPrimaryObjectsData local) {
  Wire::ExpandPrimaryObjectsData wire;
  wire.setOtherSideObjectArray(wireValue(local.otherSideObject));
  wire.setRelationName(wireValue(local.relationName));
  return wire;
}

Local::ExpandGRMRelationsOutput Skeleton::toLocal(Wire::ExpandGRMRelationsOutput wire) {
  Local::ExpandGRMRelationsOutput local;
  fromWire(local.inputObject, wire.getInputObject());
  fromWire(local.otherSideObjData, wire.getOtherSideObjDataArray());
  return local;
}

Wire::ExpandGRMRelationsOutput Skeleton::toWire(Local::ExpandGRMRelationsOutput local) {
  Wire::ExpandGRMRelationsOutput wire;
  wire.setInputObject(wireValue(local.inputObject));
  wire.setOtherSideObjDataArray(wireValue(local.otherSideObjData));
  return wire;
}

Local::ExpandGRMRelationsData Skeleton::toLocal(Wire::ExpandGRMRelationsData wire) {
  Local::ExpandGRMRelationsData local;
  fromWire(local.otherSideObject, wire.getOtherSideObjectArray());
  fromWire(local.relationName, wire.getRelationName());
  return local;
}

Wire::ExpandGRMRelationsData Skeleton::toWire(Local::ExpandGRMRelationsData local) {
  Wire::ExpandGRMRelationsData wire;
  wire.setOtherSideObjectArray(wireValue(local.otherSideObject));
  wire.setRelationName(wireValue(local.relationName));
  return wire;
}

Local::ExpandFoldersForCADOutput Skeleton::toLocal(Wire::ExpandFoldersForCADOutput wire) {
  Local::ExpandFoldersForCADOutput local;
  fromWire(local.inputFolder, wire.getInputFolder());
  fromWire(local.fstlvlFolder, wire.getFstlvlFolderArray());
  fromWire(local.itemsOutput, wire.getItemsOutputArray());
  fromWire(local.itemRevsOutput, wire.getItemRevsOutputArray());
  return local;
}

Wire::ExpandFoldersForCADOutput Skeleton::toWire(Local::ExpandFoldersForCADOutput local) {
  Wire::ExpandFoldersForCADOutput wire;
  wire.setInputFolder(wireValue(local.inputFolder));
  wire.setFstlvlFolderArray(wireValue(local.fstlvlFolder));
  wire.setItemsOutputArray(wireValue(local.itemsOutput));
  wire.setItemRevsOutputArray(wireValue(local.itemRevsOutput));
  return wire;
}

Local::ExpandFoldersForCADItemOutput Skeleton::toLocal(Wire::ExpandFoldersForCADItemOutput wire) {
  Local::ExpandFoldersForCADItemOutput local;
  fromWire(local.outputItem, wire.getOutputItem());
  fromWire(local.itemRevsOutput, wire.getItemRevsOutputArray());
  return local;
}

Wire::ExpandFoldersForCADItemOutput Skeleton::toWire(Local::ExpandFoldersForCADItemOutput local) {
  Wire::ExpandFoldersForCADItemOutput wire;
  wire.setOutputItem(wireValue(local.outputItem));
  wire.setItemRevsOutputArray(wireValue(local.itemRevsOutput));
  return wire;
}

Local::ExpandFoldersForCADItemRevOutput Skeleton::toLocal(
    Wire::ExpandFoldersForCADItemRevOutput wire) {
  Local::ExpandFoldersForCADItemRevOutput local;
  fromWire(local.outputItemRevs, wire.getOutputItemRevs());
  fromWire(local.outputDataset, wire.getOutputDatasetArray());
  return local;
}

Wire::ExpandFoldersForCADItemRevOutput Skeleton::toWire(
    Local::ExpandFoldersForCADItemRevOutput local) {
  Wire::ExpandFoldersForCADItemRevOutput wire;
  wire.setOutputItemRevs(wireValue(local.outputItemRevs));
  wire.setOutputDatasetArray(wireValue(local.outputDataset));
  return wire;
}

Local::GetAttrMappingsForDatasetTypeOutput Skeleton::toLocal(
    Wire::GetAttrMappingsForDatasetTypeOutput wire) {
  Local::GetAttrMappingsForDatasetTypeOutput local;
  fromWire(local.criteria, wire.getCriteria());
  fromWire(local.attrMappingInfo, wire.getAttrMappingInfoArray());
  return local;
}

Wire::GetAttrMappingsForDatasetTypeOutput Skeleton::toWire(
    Local::GetAttrMappingsForDatasetTypeOutput local) {
  Wire::GetAttrMappingsForDatasetTypeOutput wire;
  wire.setCriteria(wireValue(local.criteria));
  wire.setAttrMappingInfoArray(wireValue(local.attrMappingInfo));
  return wire;
}

Local::AttrMappingInfo Skeleton::toLocal(Wire::AttrMappingInfo wire) {
  Local::AttrMappingInfo local;
  fromWire(local.cadAttrMappingDefinition, wire.getCadAttrMappingDefinition());
  fromWire(local.propDesc, wire.getPropDesc());
  return local;
}

Wire::AttrMappingInfo Skeleton::toWire(Local::AttrMappingInfo local) {
  Wire::AttrMappingInfo wire;
  wire.setCadAttrMappingDefinition(wireValue(local.cadAttrMappingDefinition));
  wire.setPropDesc(wireValue(local.propDesc));
  return wire;
}

Local::PropDescriptor Skeleton::toLocal(Wire::PropDescriptor wire) {
  Local::PropDescriptor local;
  fromWire(local.propName, wire.getPropName());
  fromWire(local.displayName, wire.getDisplayName());
  fromWire(local.defaultValue, wire.getDefaultValue());
  fromWire(local.propValueType, wire.getPropValueType());
  fromWire(local.propType, wire.getPropType());
  fromWire(local.isDisplayable, wire.getIsDisplayable());
  fromWire(local.isArray, wire.getIsArray());
  fromWire(local.lov, wire.getLov());
  fromWire(local.isRequired, wire.getIsRequired());
  fromWire(local.isEnabled, wire.getIsEnabled());
  fromWire(local.isModifiable, wire.getIsModifiable());
  fromWire(local.attachedSpecifier, wire.getAttachedSpecifier());
  fromWire(local.maxLength, wire.getMaxLength());
  fromWire(local.interdependentProp, wire.getInterdependentPropArray());
  return local;
}

Wire::PropDescriptor Skeleton::toWire(Local::PropDescriptor local) {
  Wire::PropDescriptor wire;
  wire.setPropName(wireValue(local.propName));
  wire.setDisplayName(wireValue(local.displayName));
  wire.setDefaultValue(wireValue(local.defaultValue));
  wire.setPropValueType(wireValue(local.propValueType));
  wire.setPropType(wireValue(local.propType));
  wire.setIsDisplayable(wireValue(local.isDisplayable));
  wire.setIsArray(wireValue(local.isArray));
  wire.setLov(wireValue(local.lov));
  wire.setIsRequired(wireValue(local.isRequired));
  wire.setIsEnabled(wireValue(local.isEnabled));
  wire.setIsModifiable(wireValue(local.isModifiable));
  wire.setAttachedSpecifier(wireValue(local.attachedSpecifier));
  wire.setMaxLength(wireValue(local.maxLength));
  wire.setInterdependentPropArray(wireValue(local.interdependentProp));
  return wire;
}

Local::ResolveAttrMappingsForDatasetOutput Skeleton::toLocal(
    Wire::ResolveAttrMappingsForDatasetOutput wire) {
  Local::ResolveAttrMappingsForDatasetOutput local;
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.mappedPropertie, wire.getMappedPropertieArray());
  return local;
}

Wire::ResolveAttrMappingsForDatasetOutput Skeleton::toWire(
    Local::ResolveAttrMappingsForDatasetOutput local) {
  Wire::ResolveAttrMappingsForDatasetOutput wire;
  wire.setDataset(wireValue(local.dataset));
  wire.setMappedPropertieArray(wireValue(local.mappedPropertie));
  return wire;
}

Local::MappedDatasetAttrProperty Skeleton::toLocal(Wire::MappedDatasetAttrProperty wire) {
  Local::MappedDatasetAttrProperty local;
  fromWire(local.attrTitle, wire.getAttrTitle());
  fromWire(local.datasetTypeName, wire.getDatasetTypeName());
  fromWire(local.itemTypeName, wire.getItemTypeName());
  fromWire(local.resolvedObject, wire.getResolvedObject());
  fromWire(local.resolvedPropertyName, wire.getResolvedPropertyName());
  return local;
}

Wire::MappedDatasetAttrProperty Skeleton::toWire(Local::MappedDatasetAttrProperty local) {
  Wire::MappedDatasetAttrProperty wire;
  wire.setAttrTitle(wireValue(local.attrTitle));
  wire.setDatasetTypeName(wireValue(local.datasetTypeName));
  wire.setItemTypeName(wireValue(local.itemTypeName));
  wire.setResolvedObject(wireValue(local.resolvedObject));
  wire.setResolvedPropertyName(wireValue(local.resolvedPropertyName));
  return wire;
}

Local::CreateOrUpdateRelationsOutput Skeleton::toLocal(Wire::CreateOrUpdateRelationsOutput wire) {
  Local::CreateOrUpdateRelationsOutput local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.relation, wire.getRelation());
  return local;
}

Wire::CreateOrUpdateRelationsOutput Skeleton::toWire(Local::CreateOrUpdateRelationsOutput local) {
  Wire::CreateOrUpdateRelationsOutput wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setRelation(wireValue(local.relation));
  return wire;
}

Local::CreateOrUpdatePartsOutput Skeleton::toLocal(Wire::CreateOrUpdatePartsOutput wire) {
  Local::CreateOrUpdatePartsOutput local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.item, wire.getItem());
  fromWire(local.itemRev, wire.getItemRev());
  fromWire(local.datasetOutput, wire.getDatasetOutputArray());
  fromWire(local.extraItemObj, wire.getExtraItemObjArray());
  fromWire(local.extraItemRevObj, wire.getExtraItemRevObjArray());
  return local;
}

Wire::CreateOrUpdatePartsOutput Skeleton::toWire(Local::CreateOrUpdatePartsOutput local) {
  Wire::CreateOrUpdatePartsOutput wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setItem(wireValue(local.item));
  wire.setItemRev(wireValue(local.itemRev));
  wire.setDatasetOutputArray(wireValue(local.datasetOutput));
  wire.setExtraItemObjArray(wireValue(local.extraItemObj));
  wire.setExtraItemRevObjArray(wireValue(local.extraItemRevObj));
  return wire;
}

Local::DatasetOutput Skeleton::toLocal(Wire::DatasetOutput wire) {
  Local::DatasetOutput local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.commitInfo, wire.getCommitInfoArray());
  fromWire(local.extraObj, wire.getExtraObjArray());
  fromWire(local.namedRefObj, wire.getNamedRefObjArray());
  return local;
}

Wire::DatasetOutput Skeleton::toWire(Local::DatasetOutput local) {
  Wire::DatasetOutput wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setDataset(wireValue(local.dataset));
  wire.setCommitInfoArray(wireValue(local.commitInfo));
  wire.setExtraObjArray(wireValue(local.extraObj));
  wire.setNamedRefObjArray(wireValue(local.namedRefObj));
  return wire;
}

Local::CommitDatasetFileInfo Skeleton::toLocal(Wire::CommitDatasetFileInfo wire) {
  Local::CommitDatasetFileInfo local;
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.createNewVersion, wire.getCreateNewVersion());
  fromWire(local.datasetFileTicketInfo, wire.getDatasetFileTicketInfoArray());
  return local;
}

Wire::CommitDatasetFileInfo Skeleton::toWire(Local::CommitDatasetFileInfo local) {
  Wire::CommitDatasetFileInfo wire;
  wire.setDataset(wireValue(local.dataset));
  wire.setCreateNewVersion(wireValue(local.createNewVersion));
  wire.setDatasetFileTicketInfoArray(wireValue(local.datasetFileTicketInfo));
  return wire;
}

Local::DatasetFileTicketInfo Skeleton::toLocal(Wire::DatasetFileTicketInfo wire) {
  Local::DatasetFileTicketInfo local;
  fromWire(local.datasetFileInfo, wire.getDatasetFileInfo());
  fromWire(local.ticket, wire.getTicket());
  return local;
}

Wire::DatasetFileTicketInfo Skeleton::toWire(Local::DatasetFileTicketInfo local) {
  Wire::DatasetFileTicketInfo wire;
  wire.setDatasetFileInfo(wireValue(local.datasetFileInfo));
  wire.setTicket(wireValue(local.ticket));
  return wire;
}

Local::ExtraObjectOutput Skeleton::toLocal(Wire::ExtraObjectOutput wire) {
  Local::ExtraObjectOutput local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.object, wire.getObject());
  return local;
}

Wire::ExtraObjectOutput Skeleton::toWire(Local::ExtraObjectOutput local) {
  Wire::ExtraObjectOutput wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setObject(wireValue(local.object));
  return wire;
}

// --- Responses -----------------------------------------------------------------------------------

Wire::ExpandPrimaryObjectsResponse Skeleton::toWire(Local::ExpandPrimaryObjectsResponse local) {
  Wire::ExpandPrimaryObjectsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::ResolveAttrMappingsForDatasetResponse Skeleton::toWire(
    Local::ResolveAttrMappingsForDatasetResponse local) {
  Wire::ResolveAttrMappingsForDatasetResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GetAttrMappingsForDatasetTypeResponse Skeleton::toWire(
    Local::GetAttrMappingsForDatasetTypeResponse local) {
  Wire::GetAttrMappingsForDatasetTypeResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::ExpandFoldersForCADResponse Skeleton::toWire(Local::ExpandFoldersForCADResponse local) {
  Wire::ExpandFoldersForCADResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CreateOrUpdateRelationsResponse Skeleton::toWire(
    Local::CreateOrUpdateRelationsResponse local) {
  Wire::CreateOrUpdateRelationsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GenerateAlternateIdsResponse Skeleton::toWire(Local::GenerateAlternateIdsResponse local) {
  Wire::GenerateAlternateIdsResponse wire;
  wire.setInputIndexToAltIdArray(toWireIndexToAltId(std::move(local.inputIndexToAltId)));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GetAvailableTypesResponse Skeleton::toWire(Local::GetAvailableTypesResponse local) {
  Wire::GetAvailableTypesResponse wire;
  wire.setInputClassToTypeArray(toWireClassToTypesMap(std::move(local.inputClassToType)));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::ExpandGRMRelationsResponse Skeleton::toWire(Local::ExpandGRMRelationsResponse local) {
  Wire::ExpandGRMRelationsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CreateOrUpdatePartsResponse Skeleton::toWire(Local::CreateOrUpdatePartsResponse local) {
  Wire::CreateOrUpdatePartsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GetAllAttrMappingsResponse Skeleton::toWire(Local::GetAllAttrMappingsResponse local) {
  Wire::GetAllAttrMappingsResponse wire;
  wire.setAttrMappingInfoArray(wireValue(local.attrMappingInfo));
  setServiceData(wire, local.serviceData);
  return wire;
}

// --- Maps ----------------------------------------------------------------------------------------

std::vector<Wire::ClassToTypesMap> Skeleton::toWireClassToTypesMap(
    std::map<std::string, std::vector<std::string>> local) {
  return wireMap<Wire::ClassToTypesMap>(std::move(local));
}

std::map<std::string, std::vector<std::string>> Skeleton::toLocalClassToTypesMap(
    std::vector<Wire::ClassToTypesMap> wire) {
  return localMap<std::string>(wire);
}

std::vector<Wire::IndexToAltId> Skeleton::toWireIndexToAltId(
    std::map<int, std::vector<std::string>> local) {
  return wireMap<Wire::IndexToAltId>(std::move(local));
}

std::map<int, std::vector<std::string>> Skeleton::toLocalIndexToAltId(
    std::vector<Wire::IndexToAltId> wire) {
  return localMap<int>(wire);
}

// --- objectType ----------------------------------------------------------------------------------

std::string Skeleton::toWire(Local::objectType value) {
  return enumeratorText(kObjectTypeTexts, value);
}

Local::objectType Skeleton::toLocalobjectType(std::string text) {
  return enumeratorOf(kObjectTypeTexts, text);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
