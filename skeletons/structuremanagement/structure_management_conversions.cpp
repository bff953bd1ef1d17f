// The conversions of the StructureManagement 2007-01 skeleton between the wire records and the
// local records.
//
// Every record conversion lists the record's fields in the local declaration order (the wire
// order differs in places; every getter and setter is independent, so the result is the same);
// the field's kind picks the rule through the overloads of fromWire (wire to local) and
// wireValue (local to wire) of skeletons/field_conversions.h.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/soa_exceptions.h"
#include "framework/utils.h"
#include "skeletons/field_conversions.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;
using Local = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Skeleton = StructureManagementIiopSkeleton;
using Korvane::Soa::Internal::Server::Utils;

namespace {

// The rules by field kind, through this skeleton's record conversions.
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
// Nothing is caught in a map conversion: a value that cannot cross fails the whole conversion.

// Client id to object: entries in ascending key order (the map's order).
template <class Entry, class T>
std::vector<Entry> wireObjectMap(const std::map<std::string, POMRef<T>>& local) {
  std::vector<Entry> wire;
  wire.reserve(local.size());
  for (const auto& pair : local) {
    Entry entry;
    entry.setKey(pair.first);
    entry.setValue(Utils::createWireModelObect(pair.second.tag()));
    wire.push_back(entry);
  }
  return wire;
}

// A repeated client id keeps the object of its last entry; the object is not loaded.
template <class T, class Entry>
std::map<std::string, POMRef<T>> localObjectMap(const std::vector<Entry>& wire) {
  std::map<std::string, POMRef<T>> local;
  for (const Entry& entry : wire) {
    local[entry.getKey()] = POMRef<T>(Utils::uidToTag(entry.getValue().getUid()));
  }
  return local;
}

// In the order in which a text is compared.
const EnumeratorText<Local::BOMLineFilter> kFilterTexts[] = {
    {Local::None, "None"},
    {Local::ExcludeOverridden, "ExcludeOverridden"},
    {Local::ExcludeICHistory, "ExcludeICHistory"},
    {Local::ExcludeGDEs, "ExcludeGDEs"},
    {Local::ExcludeNonZoltItemLines, "ExcludeNonZoltItemLines"},
};

}  // namespace

// --- Expansion ---------------------------------------------------------------------------------

Local::ExpandPSOneLevelInfo Skeleton::toLocal(Wire::ExpandPSOneLevelInfo wire) {
  Local::ExpandPSOneLevelInfo local;
  fromWire(local.parentBomLine, wire.getParentBomLineArray());
  local.excludeFilter = toLocalBOMLineFilter(wire.getExcludeFilter());
  return local;
}

Wire::ExpandPSOneLevelInfo Skeleton::toWire(Local::ExpandPSOneLevelInfo local) {
  Wire::ExpandPSOneLevelInfo wire;
  wire.setParentBomLineArray(wireValue(local.parentBomLine));
  wire.setExcludeFilter(wireValue(local.excludeFilter));
  return wire;
}

Local::ExpandPSAllLevelsInfo Skeleton::toLocal(Wire::ExpandPSAllLevelsInfo wire) {
  Local::ExpandPSAllLevelsInfo local;
  fromWire(local.parentBomLine, wire.getParentBomLineArray());
  local.excludeFilter = toLocalBOMLineFilter(wire.getExcludeFilter());
  return local;
}

Wire::ExpandPSAllLevelsInfo Skeleton::toWire(Local::ExpandPSAllLevelsInfo local) {
  Wire::ExpandPSAllLevelsInfo wire;
  wire.setParentBomLineArray(wireValue(local.parentBomLine));
  wire.setExcludeFilter(wireValue(local.excludeFilter));
  return wire;
}

Local::ExpandPSOneLevelPref Skeleton::toLocal(Wire::ExpandPSOneLevelPref wire) {
  Local::ExpandPSOneLevelPref local;
  fromWire(local.expItemRev, wire.getExpItemRev());
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::ExpandPSOneLevelPref Skeleton::toWire(Local::ExpandPSOneLevelPref local) {
  Wire::ExpandPSOneLevelPref wire;
  wire.setExpItemRev(wireValue(local.expItemRev));
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::ExpandPSAllLevelsPref Skeleton::toLocal(Wire::ExpandPSAllLevelsPref wire) {
  Local::ExpandPSAllLevelsPref local;
  fromWire(local.expItemRev, wire.getExpItemRev());
  fromWire(local.info, wire.getInfoArray());
  return local;
}

Wire::ExpandPSAllLevelsPref Skeleton::toWire(Local::ExpandPSAllLevelsPref local) {
  Wire::ExpandPSAllLevelsPref wire;
  wire.setExpItemRev(wireValue(local.expItemRev));
  wire.setInfoArray(wireValue(local.info));
  return wire;
}

Local::RelationAndTypesFilter Skeleton::toLocal(Wire::RelationAndTypesFilter wire) {
  Local::RelationAndTypesFilter local;
  fromWire(local.relationName, wire.getRelationName());
  fromWire(local.relationTypeName, wire.getRelationTypeNameArray());
  return local;
}

Wire::RelationAndTypesFilter Skeleton::toWire(Local::RelationAndTypesFilter local) {
  Wire::RelationAndTypesFilter wire;
  wire.setRelationName(wireValue(local.relationName));
  wire.setRelationTypeNameArray(wireValue(local.relationTypeName));
  return wire;
}

Local::ExpandPSOneLevelOutput Skeleton::toLocal(Wire::ExpandPSOneLevelOutput wire) {
  Local::ExpandPSOneLevelOutput local;
  fromWire(local.parent, wire.getParent());
  fromWire(local.children, wire.getChildrenArray());
  return local;
}

Wire::ExpandPSOneLevelOutput Skeleton::toWire(Local::ExpandPSOneLevelOutput local) {
  Wire::ExpandPSOneLevelOutput wire;
  wire.setParent(wireValue(local.parent));
  wire.setChildrenArray(wireValue(local.children));
  return wire;
}

Local::ExpandPSAllLevelsOutput Skeleton::toLocal(Wire::ExpandPSAllLevelsOutput wire) {
  Local::ExpandPSAllLevelsOutput local;
  fromWire(local.parent, wire.getParent());
  fromWire(local.children, wire.getChildrenArray());
  return local;
}

Wire::ExpandPSAllLevelsOutput Skeleton::toWire(Local::ExpandPSAllLevelsOutput local) {
  Wire::ExpandPSAllLevelsOutput wire;
  wire.setParent(wireValue(local.parent));
  wire.setChildrenArray(wireValue(local.children));
  return wire;
}

Local::ExpandPSParentData Skeleton::toLocal(Wire::ExpandPSParentData wire) {
  Local::ExpandPSParentData local;
  fromWire(local.bomLine, wire.getBomLine());
  fromWire(local.itemRevOfBOMLine, wire.getItemRevOfBOMLine());
  fromWire(local.parentDataset, wire.getParentDatasetArray());
  return local;
}

Wire::ExpandPSParentData Skeleton::toWire(Local::ExpandPSParentData local) {
  Wire::ExpandPSParentData wire;
  wire.setBomLine(wireValue(local.bomLine));
  wire.setItemRevOfBOMLine(wireValue(local.itemRevOfBOMLine));
  wire.setParentDatasetArray(wireValue(local.parentDataset));
  return wire;
}

Local::ExpandPSData Skeleton::toLocal(Wire::ExpandPSData wire) {
  Local::ExpandPSData local;
  fromWire(local.bomLine, wire.getBomLine());
  fromWire(local.itemRevOfBOMLine, wire.getItemRevOfBOMLine());
  fromWire(local.dataset, wire.getDatasetArray());
  return local;
}

Wire::ExpandPSData Skeleton::toWire(Local::ExpandPSData local) {
  Wire::ExpandPSData wire;
  wire.setBomLine(wireValue(local.bomLine));
  wire.setItemRevOfBOMLine(wireValue(local.itemRevOfBOMLine));
  wire.setDatasetArray(wireValue(local.dataset));
  return wire;
}

// --- Relative structure ------------------------------------------------------------------------

Local::DeleteRelativeStructureInfo Skeleton::toLocal(Wire::DeleteRelativeStructureInfo wire) {
  Local::DeleteRelativeStructureInfo local;
  fromWire(local.parent, wire.getParent());
  fromWire(local.childInfo, wire.getChildInfoArray());
  return local;
}

Wire::DeleteRelativeStructureInfo Skeleton::toWire(Local::DeleteRelativeStructureInfo local) {
  Wire::DeleteRelativeStructureInfo wire;
  wire.setParent(wireValue(local.parent));
  wire.setChildInfoArray(wireValue(local.childInfo));
  return wire;
}

Local::DeleteRelativeStructurePref Skeleton::toLocal(Wire::DeleteRelativeStructurePref wire) {
  Local::DeleteRelativeStructurePref local;
  fromWire(local.cadOccIdAttrName, wire.getCadOccIdAttrName());
  return local;
}

Wire::DeleteRelativeStructurePref Skeleton::toWire(Local::DeleteRelativeStructurePref local) {
  Wire::DeleteRelativeStructurePref wire;
  wire.setCadOccIdAttrName(wireValue(local.cadOccIdAttrName));
  return wire;
}

Local::CreateOrUpdateRelativeStructureInfo Skeleton::toLocal(
    Wire::CreateOrUpdateRelativeStructureInfo wire) {
  Local::CreateOrUpdateRelativeStructureInfo local;
  fromWire(local.parent, wire.getParent());
  fromWire(local.childInfo, wire.getChildInfoArray());
  fromWire(local.precise, wire.getPrecise());
  return local;
}

Wire::CreateOrUpdateRelativeStructureInfo Skeleton::toWire(
    Local::CreateOrUpdateRelativeStructureInfo local) {
  Wire::CreateOrUpdateRelativeStructureInfo wire;
  wire.setParent(wireValue(local.parent));
  wire.setChildInfoArray(wireValue(local.childInfo));
  wire.setPrecise(wireValue(local.precise));
  return wire;
}

Local::RelativeStructureChildInfo Skeleton::toLocal(Wire::RelativeStructureChildInfo wire) {
  Local::RelativeStructureChildInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.cadOccId, wire.getCadOccId());
  fromWire(local.child, wire.getChild());
  fromWire(local.occInfo, wire.getOccInfo());
  return local;
}

Wire::RelativeStructureChildInfo Skeleton::toWire(Local::RelativeStructureChildInfo local) {
  Wire::RelativeStructureChildInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setCadOccId(wireValue(local.cadOccId));
  wire.setChild(wireValue(local.child));
  wire.setOccInfo(wireValue(local.occInfo));
  return wire;
}

Local::RelOccInfo Skeleton::toLocal(Wire::RelOccInfo wire) {
  Local::RelOccInfo local;
  fromWire(local.attrsToSet, wire.getAttrsToSetArray());
  fromWire(local.asRequired, wire.getAsRequired());
  fromWire(local.occTransform, wire.getOccTransformArray());
  fromWire(local.occNote, wire.getOccNoteArray());
  return local;
}

Wire::RelOccInfo Skeleton::toWire(Local::RelOccInfo local) {
  Wire::RelOccInfo wire;
  wire.setAttrsToSetArray(wireValue(local.attrsToSet));
  wire.setAsRequired(wireValue(local.asRequired));
  wire.setOccTransformArray(wireValue(local.occTransform));
  wire.setOccNoteArray(wireValue(local.occNote));
  return wire;
}

Local::AttributesInfo Skeleton::toLocal(Wire::AttributesInfo wire) {
  Local::AttributesInfo local;
  fromWire(local.name, wire.getName());
  fromWire(local.value, wire.getValue());
  return local;
}

Wire::AttributesInfo Skeleton::toWire(Local::AttributesInfo local) {
  Wire::AttributesInfo wire;
  wire.setName(wireValue(local.name));
  wire.setValue(wireValue(local.value));
  return wire;
}

Local::OccNote Skeleton::toLocal(Wire::OccNote wire) {
  Local::OccNote local;
  fromWire(local.noteType, wire.getNoteType());
  fromWire(local.noteText, wire.getNoteText());
  return local;
}

Wire::OccNote Skeleton::toWire(Local::OccNote local) {
  Wire::OccNote wire;
  wire.setNoteType(wireValue(local.noteType));
  wire.setNoteText(wireValue(local.noteText));
  return wire;
}

Local::CreateOrUpdateRelativeStructurePref Skeleton::toLocal(
    Wire::CreateOrUpdateRelativeStructurePref wire) {
  Local::CreateOrUpdateRelativeStructurePref local;
  fromWire(local.cadOccIdAttrName, wire.getCadOccIdAttrName());
  fromWire(local.itemType, wire.getItemTypeArray());
  return local;
}

Wire::CreateOrUpdateRelativeStructurePref Skeleton::toWire(
    Local::CreateOrUpdateRelativeStructurePref local) {
  Wire::CreateOrUpdateRelativeStructurePref wire;
  wire.setCadOccIdAttrName(wireValue(local.cadOccIdAttrName));
  wire.setItemTypeArray(wireValue(local.itemType));
  return wire;
}

// --- Absolute structure and assembly arrangements ----------------------------------------------

Local::CreateOrUpdateAbsoluteStructureInfo Skeleton::toLocal(
    Wire::CreateOrUpdateAbsoluteStructureInfo wire) {
  Local::CreateOrUpdateAbsoluteStructureInfo local;
  fromWire(local.contextItemRev, wire.getContextItemRev());
  fromWire(local.bvrAbsOccInfo, wire.getBvrAbsOccInfoArray());
  fromWire(local.arrAbsOccInfo, wire.getArrAbsOccInfoArray());
  return local;
}

Wire::CreateOrUpdateAbsoluteStructureInfo Skeleton::toWire(
    Local::CreateOrUpdateAbsoluteStructureInfo local) {
  Wire::CreateOrUpdateAbsoluteStructureInfo wire;
  wire.setContextItemRev(wireValue(local.contextItemRev));
  wire.setBvrAbsOccInfoArray(wireValue(local.bvrAbsOccInfo));
  wire.setArrAbsOccInfoArray(wireValue(local.arrAbsOccInfo));
  return wire;
}

Local::AssemblyArrangementInfo Skeleton::toLocal(Wire::AssemblyArrangementInfo wire) {
  Local::AssemblyArrangementInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.arrangement, wire.getArrangement());
  fromWire(local.name, wire.getName());
  fromWire(local.isDefault, wire.getIsDefault());
  fromWire(local.description, wire.getDescription());
  fromWire(local.externalUid, wire.getExternalUid());
  fromWire(local.absOccInfo, wire.getAbsOccInfoArray());
  return local;
}

Wire::AssemblyArrangementInfo Skeleton::toWire(Local::AssemblyArrangementInfo local) {
  Wire::AssemblyArrangementInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setArrangement(wireValue(local.arrangement));
  wire.setName(wireValue(local.name));
  wire.setIsDefault(wireValue(local.isDefault));
  wire.setDescription(wireValue(local.description));
  wire.setExternalUid(wireValue(local.externalUid));
  wire.setAbsOccInfoArray(wireValue(local.absOccInfo));
  return wire;
}

Local::AbsOccInfo Skeleton::toLocal(Wire::AbsOccInfo wire) {
  Local::AbsOccInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.absOcc, wire.getAbsOcc());
  fromWire(local.cadOccIdPath, wire.getCadOccIdPathArray());
  fromWire(local.absOccData, wire.getAbsOccData());
  return local;
}

Wire::AbsOccInfo Skeleton::toWire(Local::AbsOccInfo local) {
  Wire::AbsOccInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setAbsOcc(wireValue(local.absOcc));
  wire.setCadOccIdPathArray(wireValue(local.cadOccIdPath));
  wire.setAbsOccData(wireValue(local.absOccData));
  return wire;
}

Local::AbsOccDataInfo Skeleton::toLocal(Wire::AbsOccDataInfo wire) {
  Local::AbsOccDataInfo local;
  fromWire(local.overridesToSet, wire.getOverridesToSetArray());
  fromWire(local.overridesToRemove, wire.getOverridesToRemoveArray());
  fromWire(local.asRequired, wire.getAsRequired());
  fromWire(local.occTransform, wire.getOccTransformArray());
  fromWire(local.occNote, wire.getOccNoteArray());
  fromWire(local.attachment, wire.getAttachmentArray());
  fromWire(local.attachmentsToUnattach, wire.getAttachmentsToUnattachArray());
  fromWire(local.clientIdOfUsedArrangement, wire.getClientIdOfUsedArrangement());
  fromWire(local.usedArr, wire.getUsedArr());
  return local;
}

Wire::AbsOccDataInfo Skeleton::toWire(Local::AbsOccDataInfo local) {
  Wire::AbsOccDataInfo wire;
  wire.setOverridesToSetArray(wireValue(local.overridesToSet));
  wire.setOverridesToRemoveArray(wireValue(local.overridesToRemove));
  wire.setAsRequired(wireValue(local.asRequired));
  wire.setOccTransformArray(wireValue(local.occTransform));
  wire.setOccNoteArray(wireValue(local.occNote));
  wire.setAttachmentArray(wireValue(local.attachment));
  wire.setAttachmentsToUnattachArray(wireValue(local.attachmentsToUnattach));
  wire.setClientIdOfUsedArrangement(wireValue(local.clientIdOfUsedArrangement));
  wire.setUsedArr(wireValue(local.usedArr));
  return wire;
}

Local::AbsOccAttachment Skeleton::toLocal(Wire::AbsOccAttachment wire) {
  Local::AbsOccAttachment local;
  fromWire(local.dataset, wire.getDataset());
  fromWire(local.relationTypeName, wire.getRelationTypeName());
  return local;
}

Wire::AbsOccAttachment Skeleton::toWire(Local::AbsOccAttachment local) {
  Wire::AbsOccAttachment wire;
  wire.setDataset(wireValue(local.dataset));
  wire.setRelationTypeName(wireValue(local.relationTypeName));
  return wire;
}

Local::CreateOrUpdateAbsoluteStructurePref Skeleton::toLocal(
    Wire::CreateOrUpdateAbsoluteStructurePref wire) {
  Local::CreateOrUpdateAbsoluteStructurePref local;
  fromWire(local.cadOccIdAttrName, wire.getCadOccIdAttrName());
  return local;
}

Wire::CreateOrUpdateAbsoluteStructurePref Skeleton::toWire(
    Local::CreateOrUpdateAbsoluteStructurePref local) {
  Wire::CreateOrUpdateAbsoluteStructurePref wire;
  wire.setCadOccIdAttrName(wireValue(local.cadOccIdAttrName));
  return wire;
}

Local::DeleteAssemblyArrangementsInfo Skeleton::toLocal(Wire::DeleteAssemblyArrangementsInfo wire) {
  Local::DeleteAssemblyArrangementsInfo local;
  fromWire(local.itemRev, wire.getItemRev());
  fromWire(local.arrangement, wire.getArrangementArray());
  return local;
}

Wire::DeleteAssemblyArrangementsInfo Skeleton::toWire(Local::DeleteAssemblyArrangementsInfo local) {
  Wire::DeleteAssemblyArrangementsInfo wire;
  wire.setItemRev(wireValue(local.itemRev));
  wire.setArrangementArray(wireValue(local.arrangement));
  return wire;
}

// --- BOM windows and rules ---------------------------------------------------------------------

Local::CreateBOMWindowsInfo Skeleton::toLocal(Wire::CreateBOMWindowsInfo wire) {
  Local::CreateBOMWindowsInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.item, wire.getItem());
  fromWire(local.itemRev, wire.getItemRev());
  fromWire(local.bomView, wire.getBomView());
  fromWire(local.revRuleConfigInfo, wire.getRevRuleConfigInfo());
  fromWire(local.objectForConfigure, wire.getObjectForConfigure());
  fromWire(local.activeAssemblyArrangement, wire.getActiveAssemblyArrangement());
  return local;
}

Wire::CreateBOMWindowsInfo Skeleton::toWire(Local::CreateBOMWindowsInfo local) {
  Wire::CreateBOMWindowsInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setItem(wireValue(local.item));
  wire.setItemRev(wireValue(local.itemRev));
  wire.setBomView(wireValue(local.bomView));
  wire.setRevRuleConfigInfo(wireValue(local.revRuleConfigInfo));
  wire.setObjectForConfigure(wireValue(local.objectForConfigure));
  wire.setActiveAssemblyArrangement(wireValue(local.activeAssemblyArrangement));
  return wire;
}

Local::RevisionRuleConfigInfo Skeleton::toLocal(Wire::RevisionRuleConfigInfo wire) {
  Local::RevisionRuleConfigInfo local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.revRule, wire.getRevRule());
  fromWire(local.props, wire.getProps());
  return local;
}

Wire::RevisionRuleConfigInfo Skeleton::toWire(Local::RevisionRuleConfigInfo local) {
  Wire::RevisionRuleConfigInfo wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setRevRule(wireValue(local.revRule));
  wire.setProps(wireValue(local.props));
  return wire;
}

Local::RevisionRuleEntryProps Skeleton::toLocal(Wire::RevisionRuleEntryProps wire) {
  Local::RevisionRuleEntryProps local;
  fromWire(local.unitNo, wire.getUnitNo());
  fromWire(local.date, wire.getDate());
  fromWire(local.today, wire.getToday());
  fromWire(local.endItem, wire.getEndItem());
  fromWire(local.endItemRevision, wire.getEndItemRevision());
  fromWire(local.overrideFolder, wire.getOverrideFolderArray());
  return local;
}

Wire::RevisionRuleEntryProps Skeleton::toWire(Local::RevisionRuleEntryProps local) {
  Wire::RevisionRuleEntryProps wire;
  wire.setUnitNo(wireValue(local.unitNo));
  wire.setDate(wireValue(local.date));
  wire.setToday(wireValue(local.today));
  wire.setEndItem(wireValue(local.endItem));
  wire.setEndItemRevision(wireValue(local.endItemRevision));
  wire.setOverrideFolderArray(wireValue(local.overrideFolder));
  return wire;
}

Local::OverrideInfo Skeleton::toLocal(Wire::OverrideInfo wire) {
  Local::OverrideInfo local;
  fromWire(local.ruleEntry, wire.getRuleEntry());
  fromWire(local.folder, wire.getFolder());
  return local;
}

Wire::OverrideInfo Skeleton::toWire(Local::OverrideInfo local) {
  Wire::OverrideInfo wire;
  wire.setRuleEntry(wireValue(local.ruleEntry));
  wire.setFolder(wireValue(local.folder));
  return wire;
}

Local::CreateBOMWindowsOutput Skeleton::toLocal(Wire::CreateBOMWindowsOutput wire) {
  Local::CreateBOMWindowsOutput local;
  fromWire(local.clientId, wire.getClientId());
  fromWire(local.bomWindow, wire.getBomWindow());
  fromWire(local.bomLine, wire.getBomLine());
  return local;
}

Wire::CreateBOMWindowsOutput Skeleton::toWire(Local::CreateBOMWindowsOutput local) {
  Wire::CreateBOMWindowsOutput wire;
  wire.setClientId(wireValue(local.clientId));
  wire.setBomWindow(wireValue(local.bomWindow));
  wire.setBomLine(wireValue(local.bomLine));
  return wire;
}

Local::RevisionRuleInfo Skeleton::toLocal(Wire::RevisionRuleInfo wire) {
  Local::RevisionRuleInfo local;
  fromWire(local.revRule, wire.getRevRule());
  local.hasValueStatus = toLocalConfigureAttrStatusMap(wire.getHasValueStatuArray());
  fromWire(local.overrideFolder, wire.getOverrideFolderArray());
  return local;
}

Wire::RevisionRuleInfo Skeleton::toWire(Local::RevisionRuleInfo local) {
  Wire::RevisionRuleInfo wire;
  wire.setRevRule(wireValue(local.revRule));
  wire.setHasValueStatuArray(toWireConfigureAttrStatusMap(std::move(local.hasValueStatus)));
  wire.setOverrideFolderArray(wireValue(local.overrideFolder));
  return wire;
}

// --- Responses -----------------------------------------------------------------------------------

Wire::ExpandPSOneLevelResponse Skeleton::toWire(Local::ExpandPSOneLevelResponse local) {
  Wire::ExpandPSOneLevelResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::ExpandPSAllLevelsResponse Skeleton::toWire(Local::ExpandPSAllLevelsResponse local) {
  Wire::ExpandPSAllLevelsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::DeleteRelativeStructureResponse Skeleton::toWire(
    Local::DeleteRelativeStructureResponse local) {
  Wire::DeleteRelativeStructureResponse wire;
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CreateOrUpdateRelativeStructureResponse Skeleton::toWire(
    Local::CreateOrUpdateRelativeStructureResponse local) {
  Wire::CreateOrUpdateRelativeStructureResponse wire;
  wire.setOutputArray(toWireClientIdToPSOccurrenceThreadMap(std::move(local.output)));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GetVariantRulesResponse Skeleton::toWire(Local::GetVariantRulesResponse local) {
  Wire::GetVariantRulesResponse wire;
  wire.setInputItemRevToVarRuleArray(
      toWireItemRevisionToVariantRulesMap(std::move(local.inputItemRevToVarRule)));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::GetRevisionRulesResponse Skeleton::toWire(Local::GetRevisionRulesResponse local) {
  Wire::GetRevisionRulesResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CreateBOMWindowsResponse Skeleton::toWire(Local::CreateBOMWindowsResponse local) {
  Wire::CreateBOMWindowsResponse wire;
  wire.setOutputArray(wireValue(local.output));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CreateOrUpdateAbsoluteStructureResponse Skeleton::toWire(
    Local::CreateOrUpdateAbsoluteStructureResponse local) {
  Wire::CreateOrUpdateAbsoluteStructureResponse wire;
  wire.setAbsOccOutputArray(toWireClientIdToAbsOccMap(std::move(local.absOccOutput)));
  wire.setAsmArrOutputArray(toWireClientIdToAsmArrMap(std::move(local.asmArrOutput)));
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::CloseBOMWindowsResponse Skeleton::toWire(Local::CloseBOMWindowsResponse local) {
  Wire::CloseBOMWindowsResponse wire;
  setServiceData(wire, local.serviceData);
  return wire;
}

Wire::DeleteAssemblyArrangementsResponse Skeleton::toWire(
    Local::DeleteAssemblyArrangementsResponse local) {
  Wire::DeleteAssemblyArrangementsResponse wire;
  setServiceData(wire, local.serviceData);
  return wire;
}

// --- Maps ----------------------------------------------------------------------------------------

std::vector<Wire::ClientIdToAbsOccMap> Skeleton::toWireClientIdToAbsOccMap(
    std::map<std::string, POMRef<AbsOccurrence>> local) {
  return wireObjectMap<Wire::ClientIdToAbsOccMap>(local);
}

std::map<std::string, POMRef<AbsOccurrence>> Skeleton::toLocalClientIdToAbsOccMap(
    std::vector<Wire::ClientIdToAbsOccMap> wire) {
  return localObjectMap<AbsOccurrence>(wire);
}

std::vector<Wire::ClientIdToAsmArrMap> Skeleton::toWireClientIdToAsmArrMap(
    std::map<std::string, POMRef<AssemblyArrangement>> local) {
  return wireObjectMap<Wire::ClientIdToAsmArrMap>(local);
}

std::map<std::string, POMRef<AssemblyArrangement>> Skeleton::toLocalClientIdToAsmArrMap(
    std::vector<Wire::ClientIdToAsmArrMap> wire) {
  return localObjectMap<AssemblyArrangement>(wire);
}

std::vector<Wire::ClientIdToPSOccurrenceThreadMap> Skeleton::toWireClientIdToPSOccurrenceThreadMap(
    std::map<std::string, POMRef<PSOccurrenceThread>> local) {
  return wireObjectMap<Wire::ClientIdToPSOccurrenceThreadMap>(local);
}

std::map<std::string, POMRef<PSOccurrenceThread>> Skeleton::toLocalClientIdToPSOccurrenceThreadMap(
    std::vector<Wire::ClientIdToPSOccurrenceThreadMap> wire) {
  return localObjectMap<PSOccurrenceThread>(wire);
}

std::vector<Wire::ConfigureAttrStatusMap> Skeleton::toWireConfigureAttrStatusMap(
    std::map<std::string, bool> local) {
  std::vector<Wire::ConfigureAttrStatusMap> wire;
  wire.reserve(local.size());
  for (const auto& pair : local) {
    Wire::ConfigureAttrStatusMap entry;
    entry.setKey(pair.first);
    entry.setValue(pair.second);
    wire.push_back(entry);
  }
  return wire;
}

std::map<std::string, bool> Skeleton::toLocalConfigureAttrStatusMap(
    std::vector<Wire::ConfigureAttrStatusMap> wire) {
  std::map<std::string, bool> local;
  for (const Wire::ConfigureAttrStatusMap& entry : wire) {
    local[entry.getKey()] = entry.getValue();
  }
  return local;
}

// Item revisions in ascending tag order; each entry's rules in the local list's order.
std::vector<Wire::ItemRevisionToVariantRulesMap> Skeleton::toWireItemRevisionToVariantRulesMap(
    ItemRevisionToVariantRules local) {
  std::vector<Wire::ItemRevisionToVariantRulesMap> wire;
  wire.reserve(local.size());
  for (const auto& pair : local) {
    Wire::ItemRevisionToVariantRulesMap entry;
    entry.setKey(Utils::createWireModelObect(pair.first.tag()));
    std::vector<ModelBase::ModelObject> rules;
    rules.reserve(pair.second.size());
    for (const POMRef<VariantRule>& rule : pair.second) {
      rules.push_back(Utils::createWireModelObect(rule.tag()));
    }
    entry.setValueArray(rules);
    wire.push_back(entry);
  }
  return wire;
}

StructureManagementIiopSkeleton::ItemRevisionToVariantRules
Skeleton::toLocalItemRevisionToVariantRulesMap(
    std::vector<Wire::ItemRevisionToVariantRulesMap> wire) {
  ItemRevisionToVariantRules local;
  for (const Wire::ItemRevisionToVariantRulesMap& entry : wire) {
    std::vector<POMRef<VariantRule>> rules;
    fromWire(rules, entry.getValueArray());
    local[POMRef<ZoltItemRevP>(Utils::uidToTag(entry.getKey().getUid()))] = std::move(rules);
  }
  return local;
}

// --- BOMLineFilter -------------------------------------------------------------------------------

std::string Skeleton::toWire(Local::BOMLineFilter value) {
  return enumeratorText(kFilterTexts, value);
}

Local::BOMLineFilter Skeleton::toLocalBOMLineFilter(std::string text) {
  return enumeratorOf(kFilterTexts, text);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
