// The StructureManagement services (2007-01 and 2007-06): their interfaces, local request and
// response records, and the implementations that the skeletons call.
//
// Local records are plain values. An object reference is a typed host reference (POMRef<T>)
// whose object the host loads on first use; a reference made from a tag holds no object yet.
// Every response carries the call's ServiceData. The implementations hold no state: each call
// builds its operation object on the stack (or calls a static operation) and lets whatever that
// raises pass to the skeleton.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/service_data.h"
#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/pom_ref.h"
#include "host/object/structure_objects.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace _2007_01 {

class SOACAD_API StructureManagement {
 public:
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // Which child lines an expansion leaves out.
  enum BOMLineFilter {
    None = 0,
    ExcludeOverridden = 1,
    ExcludeICHistory = 2,
    ExcludeGDEs = 3,
    ExcludeNonZoltItemLines = 4,
  };

  // --- Product-structure expansion -----------------------------------------------------
  struct RelationAndTypesFilter {
    std::string relationName;                   // A relation type name; empty: all of them.
    std::vector<std::string> relationTypeName;  // The object type names to keep.
  };
  struct ExpandPSOneLevelInfo {
    std::vector<POMRef<BOMLine>> parentBomLine;
    BOMLineFilter excludeFilter = None;
  };
  struct ExpandPSOneLevelPref {
    bool expItemRev = false;                   // False: no datasets are reported.
    std::vector<RelationAndTypesFilter> info;  // Empty: every dataset of the revision.
  };
  struct ExpandPSParentData {
    POMRef<BOMLine> bomLine;
    POMRef<> itemRevOfBOMLine;
    std::vector<POMRef<>> parentDataset;
  };
  struct ExpandPSData {
    POMRef<BOMLine> bomLine;
    POMRef<> itemRevOfBOMLine;
    std::vector<POMRef<>> dataset;
  };
  struct ExpandPSOneLevelOutput {
    ExpandPSParentData parent;
    std::vector<ExpandPSData> children;
  };
  struct ExpandPSOneLevelResponse {
    std::vector<ExpandPSOneLevelOutput> output;
    ServiceData serviceData;
  };
  struct ExpandPSAllLevelsInfo {
    std::vector<POMRef<BOMLine>> parentBomLine;
    BOMLineFilter excludeFilter = None;
  };
  struct ExpandPSAllLevelsPref {
    bool expItemRev = false;
    std::vector<RelationAndTypesFilter> info;
  };
  struct ExpandPSAllLevelsOutput {
    ExpandPSParentData parent;
    std::vector<ExpandPSData> children;
  };
  struct ExpandPSAllLevelsResponse {
    std::vector<ExpandPSAllLevelsOutput> output;
    ServiceData serviceData;
  };

  // --- Revision rules and BOM windows --------------------------------------------------
  struct OverrideInfo {
    POMRef<> ruleEntry;  // An override entry of a revision rule.
    POMRef<> folder;     // Its override folder.
  };
  struct RevisionRuleEntryProps {
    int unitNo = -1;  // Negative: not given.
    Date date;
    bool today = false;
    POMRef<> endItem;
    POMRef<> endItemRevision;
    std::vector<OverrideInfo> overrideFolder;
  };
  struct RevisionRuleConfigInfo {
    std::string clientId;
    POMRef<> revRule;  // Null: the host's default rule.
    RevisionRuleEntryProps props;
  };
  struct RevisionRuleInfo {
    POMRef<> revRule;
    // Keyed "rule_unit", "rule_date", "rule_end_item", "rule_end_item_rev".
    std::map<std::string, bool> hasValueStatus;
    std::vector<OverrideInfo> overrideFolder;
  };
  struct GetRevisionRulesResponse {
    std::vector<RevisionRuleInfo> output;
    ServiceData serviceData;
  };
  struct CreateBOMWindowsInfo {
    std::string clientId;
    POMRef<> item;
    POMRef<> itemRev;
    POMRef<> bomView;
    RevisionRuleConfigInfo revRuleConfigInfo;
    Tag objectForConfigure;              // A variant rule or a stored option set; 0: none.
    POMRef<> activeAssemblyArrangement;  // Null: none.
  };
  struct CreateBOMWindowsOutput {
    std::string clientId;
    POMRef<> bomWindow;
    POMRef<> bomLine;  // The window's top line.
  };
  struct CreateBOMWindowsResponse {
    std::vector<CreateBOMWindowsOutput> output;
    ServiceData serviceData;
  };
  struct CloseBOMWindowsResponse {
    ServiceData serviceData;
  };

  // --- Relative structure --------------------------------------------------------------
  struct AttributesInfo {
    std::string name;  // A BOM line attribute name.
    std::string value;
  };
  struct OccNote {
    std::string noteType;  // A note type, used as a BOM line attribute name.
    std::string noteText;
  };
  struct RelOccInfo {
    std::vector<AttributesInfo> attrsToSet;
    bool asRequired = false;
    std::vector<double> occTransform;  // 16 values; empty: leave unchanged.
    std::vector<OccNote> occNote;
  };
  struct RelativeStructureChildInfo {
    std::string clientId;
    std::string cadOccId;  // The CAD occurrence id.
    POMRef<> child;        // The child item revision.
    RelOccInfo occInfo;
  };
  struct CreateOrUpdateRelativeStructureInfo {
    POMRef<> parent;  // The item revision.
    std::vector<RelativeStructureChildInfo> childInfo;
    bool precise = false;
  };
  struct CreateOrUpdateRelativeStructurePref {
    std::string cadOccIdAttrName;       // Empty: "bl_occurrence_uid".
    std::vector<std::string> itemType;  // Item types whose unlisted lines are cut.
  };
  struct CreateOrUpdateRelativeStructureResponse {
    std::map<std::string, POMRef<PSOccurrenceThread>> output;  // Client id to thread.
    ServiceData serviceData;
  };
  struct DeleteRelativeStructureInfo {
    POMRef<> parent;                     // The item revision.
    std::vector<std::string> childInfo;  // The CAD occurrence ids to delete.
  };
  struct DeleteRelativeStructurePref {
    std::string cadOccIdAttrName;  // Empty: "bl_occurrence_uid".
  };
  struct DeleteRelativeStructureResponse {
    ServiceData serviceData;
  };

  // --- Absolute structure and assembly arrangements ------------------------------------
  struct AbsOccAttachment {
    POMRef<> dataset;
    std::string relationTypeName;
  };
  struct AbsOccDataInfo {
    std::vector<AttributesInfo> overridesToSet;
    std::vector<std::string> overridesToRemove;
    bool asRequired = false;
    std::vector<double> occTransform;
    std::vector<OccNote> occNote;
    std::vector<AbsOccAttachment> attachment;
    std::vector<AbsOccAttachment> attachmentsToUnattach;
    std::string clientIdOfUsedArrangement;
    POMRef<> usedArr;  // An assembly arrangement.
  };
  struct AbsOccInfo {
    std::string clientId;
    POMRef<AbsOccurrence> absOcc;
    // The CAD occurrence ids from below the top line down to the line.
    std::vector<std::string> cadOccIdPath;
    AbsOccDataInfo absOccData;
  };
  struct AssemblyArrangementInfo {
    std::string clientId;
    POMRef<AssemblyArrangement> arrangement;  // Null: create one.
    std::string name;
    bool isDefault = false;
    std::string description;
    std::string externalUid;
    std::vector<AbsOccInfo> absOccInfo;
  };
  struct CreateOrUpdateAbsoluteStructureInfo {
    POMRef<> contextItemRev;
    std::vector<AbsOccInfo> bvrAbsOccInfo;
    std::vector<AssemblyArrangementInfo> arrAbsOccInfo;
  };
  struct CreateOrUpdateAbsoluteStructurePref {
    std::string cadOccIdAttrName;  // Empty: "bl_occurrence_uid".
  };
  struct CreateOrUpdateAbsoluteStructureResponse {
    std::map<std::string, POMRef<AbsOccurrence>> absOccOutput;        // Client id to occurrence.
    std::map<std::string, POMRef<AssemblyArrangement>> asmArrOutput;  // Client id to arrangement.
    ServiceData serviceData;
  };
  struct DeleteAssemblyArrangementsInfo {
    POMRef<> itemRev;
    std::vector<POMRef<>> arrangement;
  };
  struct DeleteAssemblyArrangementsResponse {
    ServiceData serviceData;
  };

  // --- Variant rules -------------------------------------------------------------------
  struct GetVariantRulesResponse {
    std::map<POMRef<ZoltItemRevP>, std::vector<POMRef<VariantRule>>> inputItemRevToVarRule;
    ServiceData serviceData;
  };

  StructureManagement() = default;
  StructureManagement(const StructureManagement&) = default;
  StructureManagement& operator=(const StructureManagement&) = default;
  // Slot 0.
  virtual CreateOrUpdateRelativeStructureResponse createOrUpdateRelativeStructure(
      const std::vector<CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateRelativeStructurePref& pref) = 0;
  // Slot 1.
  virtual DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<DeleteRelativeStructureInfo>& info, const std::string& bomViewTypeName,
      const DeleteRelativeStructurePref& pref) = 0;
  // Slot 2.
  virtual CreateOrUpdateAbsoluteStructureResponse createOrUpdateAbsoluteStructure(
      const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateAbsoluteStructurePref& pref) = 0;
  // Slot 3.
  virtual ExpandPSOneLevelResponse expandPSOneLevel(const ExpandPSOneLevelInfo& info,
                                                    const ExpandPSOneLevelPref& pref) = 0;
  // Slot 4.
  virtual ExpandPSAllLevelsResponse expandPSAllLevels(const ExpandPSAllLevelsInfo& info,
                                                      const ExpandPSAllLevelsPref& pref) = 0;
  // Slot 5.
  virtual CreateBOMWindowsResponse createBOMWindows(
      const std::vector<CreateBOMWindowsInfo>& info) = 0;
  // Slot 6.
  virtual CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows) = 0;
  // Slot 7.
  virtual DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName) = 0;
  // Slot 8.
  virtual GetRevisionRulesResponse getRevisionRules() = 0;
  // Slot 9.
  virtual GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs) = 0;

  // Virtual so that the service singleton is released soundly through any of its types, and
  // declared after the operations so that its slots follow theirs: a host calls the
  // operations by slot.
  virtual ~StructureManagement() = default;
};

// The 2007-01 implementation: no state, not a ServicePolicy.
class SOACAD_API StructureManagementImpl : public StructureManagement {
 public:
  StructureManagementImpl() = default;
  StructureManagementImpl(const StructureManagementImpl&) = default;
  StructureManagementImpl& operator=(const StructureManagementImpl&) = default;

  CreateOrUpdateRelativeStructureResponse createOrUpdateRelativeStructure(
      const std::vector<CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateRelativeStructurePref& pref) override;
  DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<DeleteRelativeStructureInfo>& info, const std::string& bomViewTypeName,
      const DeleteRelativeStructurePref& pref) override;
  CreateOrUpdateAbsoluteStructureResponse createOrUpdateAbsoluteStructure(
      const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateAbsoluteStructurePref& pref) override;
  ExpandPSOneLevelResponse expandPSOneLevel(const ExpandPSOneLevelInfo& info,
                                            const ExpandPSOneLevelPref& pref) override;
  ExpandPSAllLevelsResponse expandPSAllLevels(const ExpandPSAllLevelsInfo& info,
                                              const ExpandPSAllLevelsPref& pref) override;
  CreateBOMWindowsResponse createBOMWindows(const std::vector<CreateBOMWindowsInfo>& info) override;
  CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows) override;
  DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName) override;
  GetRevisionRulesResponse getRevisionRules() override;
  GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs) override;
};

}  // namespace _2007_01

namespace _2007_06 {

class SOACAD_API StructureManagement {
 public:
  using ServiceData = Korvane::Soa::Server::ServiceData;

  struct GetConfiguredItemRevisionInfo {
    Tag object;        // An item or an item revision.
    POMRef<> revRule;  // A revision rule.
  };
  struct GetConfiguredItemRevisionOutput {
    GetConfiguredItemRevisionInfo inputInfo;  // A copy of the input.
    POMRef<> configuredItemRev;
  };
  struct GetConfiguredItemRevisionResponse {
    std::vector<GetConfiguredItemRevisionOutput> output;
    ServiceData serviceData;
  };

  StructureManagement() = default;
  StructureManagement(const StructureManagement&) = default;
  StructureManagement& operator=(const StructureManagement&) = default;
  // Slot 0.
  virtual GetConfiguredItemRevisionResponse getConfiguredItemRevision(
      const std::vector<GetConfiguredItemRevisionInfo>& info) = 0;

  // After the operation, as in the 2007-01 interface.
  virtual ~StructureManagement() = default;
};

// The 2007-06 implementation: the one operation is carried out here.
class SOACAD_API StructureManagementImpl : public StructureManagement {
 public:
  StructureManagementImpl() = default;
  StructureManagementImpl(const StructureManagementImpl&) = default;
  StructureManagementImpl& operator=(const StructureManagementImpl&) = default;

  GetConfiguredItemRevisionResponse getConfiguredItemRevision(
      const std::vector<GetConfiguredItemRevisionInfo>& info) override;
};

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
