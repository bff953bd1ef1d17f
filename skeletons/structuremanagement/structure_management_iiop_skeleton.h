// The StructureManagement 2007-01 skeleton: the operation table through which the host reaches
// the service, the ten request handlers, and the conversions between the wire records
// (Structuremanagement, generated from structuremanagement_2007_01.records) and the service's
// local records (StructureManagement, structuremanagement/structure_management.h).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/visibility.h"
#include "skeletons/service_ownership.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

class StructureManagementIiopSkeletonTestAccess;

// The skeleton's short service name is "StructureManagement"; the registries know it by its full
// name "Cad-2007-01-StructureManagement" (skeletons/startup.cpp). The 2007-06 skeleton carries
// the same short name.
//
// Ownership: `_service` and the policy that initialize() makes belong to the skeletons of this
// class together (skeletons/service_ownership.h).
//
// Conversions: stateless public statics, by the rules of skeletons/field_conversions.h. The BOM
// line filter crosses as its enumerator's text. Maps cross as lists of key/value entries,
// written in ascending key order (client ids and attribute names as strings, item revisions by
// tag) and read back with the last entry winning for a repeated key (skeletons/map_conversions.h);
// unlike an object field of a record, a map value that the host cannot make into a model object
// fails the conversion. The record and response conversions are those of the records marked
// `local` in structuremanagement_2007_01.records, which the build generates.
class SOACAD_API StructureManagementIiopSkeleton
    : public Korvane::Soa::Internal::Server::IiopSkeleton {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

  // Service name "StructureManagement" and the ten operations.
  StructureManagementIiopSkeleton();
  StructureManagementIiopSkeleton(const StructureManagementIiopSkeleton& other);
  StructureManagementIiopSkeleton& operator=(const StructureManagementIiopSkeleton& other);
  ~StructureManagementIiopSkeleton() override;

  // Sets `_servicePolicy` (SkeletonOwnership::choosePolicy).
  void initialize() override;

  // --- Records, wire to local and back ---------------------------------------------------------
#define SOACAD_SM_CONVERSIONS(Record)                                         \
  static StructureManagement::Record toLocal(                                 \
      Korvane::Schemas::Cad::_2007_01::Structuremanagement::Record wire);     \
  static Korvane::Schemas::Cad::_2007_01::Structuremanagement::Record toWire( \
      StructureManagement::Record local);
  // Expansion.
  SOACAD_SM_CONVERSIONS(ExpandPSOneLevelInfo)
  SOACAD_SM_CONVERSIONS(ExpandPSAllLevelsInfo)
  SOACAD_SM_CONVERSIONS(ExpandPSOneLevelPref)
  SOACAD_SM_CONVERSIONS(ExpandPSAllLevelsPref)
  SOACAD_SM_CONVERSIONS(RelationAndTypesFilter)
  SOACAD_SM_CONVERSIONS(ExpandPSOneLevelOutput)
  SOACAD_SM_CONVERSIONS(ExpandPSAllLevelsOutput)
  SOACAD_SM_CONVERSIONS(ExpandPSParentData)
  SOACAD_SM_CONVERSIONS(ExpandPSData)
  // Relative structure.
  SOACAD_SM_CONVERSIONS(DeleteRelativeStructureInfo)
  SOACAD_SM_CONVERSIONS(DeleteRelativeStructurePref)
  SOACAD_SM_CONVERSIONS(CreateOrUpdateRelativeStructureInfo)
  SOACAD_SM_CONVERSIONS(RelativeStructureChildInfo)
  SOACAD_SM_CONVERSIONS(RelOccInfo)
  SOACAD_SM_CONVERSIONS(AttributesInfo)
  SOACAD_SM_CONVERSIONS(OccNote)
  SOACAD_SM_CONVERSIONS(CreateOrUpdateRelativeStructurePref)
  // Absolute structure and assembly arrangements.
  SOACAD_SM_CONVERSIONS(CreateOrUpdateAbsoluteStructureInfo)
  SOACAD_SM_CONVERSIONS(AssemblyArrangementInfo)
  SOACAD_SM_CONVERSIONS(AbsOccInfo)
  SOACAD_SM_CONVERSIONS(AbsOccDataInfo)
  SOACAD_SM_CONVERSIONS(AbsOccAttachment)
  SOACAD_SM_CONVERSIONS(CreateOrUpdateAbsoluteStructurePref)
  SOACAD_SM_CONVERSIONS(DeleteAssemblyArrangementsInfo)
  // BOM windows and rules.
  SOACAD_SM_CONVERSIONS(CreateBOMWindowsInfo)
  SOACAD_SM_CONVERSIONS(RevisionRuleConfigInfo)
  SOACAD_SM_CONVERSIONS(RevisionRuleEntryProps)
  SOACAD_SM_CONVERSIONS(OverrideInfo)
  SOACAD_SM_CONVERSIONS(CreateBOMWindowsOutput)
  SOACAD_SM_CONVERSIONS(RevisionRuleInfo)
#undef SOACAD_SM_CONVERSIONS

  // --- Responses (local to wire only) ----------------------------------------------------------
  // Each converts the result fields, then asks the response's ServiceData for
  // getNotifications(), inflateProperties() and getWireData(), in that order, and sets the
  // wire service data.
#define SOACAD_SM_RESPONSE(Response)                                            \
  static Korvane::Schemas::Cad::_2007_01::Structuremanagement::Response toWire( \
      StructureManagement::Response local);
  SOACAD_SM_RESPONSE(ExpandPSOneLevelResponse)
  SOACAD_SM_RESPONSE(ExpandPSAllLevelsResponse)
  SOACAD_SM_RESPONSE(DeleteRelativeStructureResponse)
  SOACAD_SM_RESPONSE(CreateOrUpdateRelativeStructureResponse)
  SOACAD_SM_RESPONSE(GetVariantRulesResponse)
  SOACAD_SM_RESPONSE(GetRevisionRulesResponse)
  SOACAD_SM_RESPONSE(CreateBOMWindowsResponse)
  SOACAD_SM_RESPONSE(CreateOrUpdateAbsoluteStructureResponse)
  SOACAD_SM_RESPONSE(CloseBOMWindowsResponse)
  SOACAD_SM_RESPONSE(DeleteAssemblyArrangementsResponse)
#undef SOACAD_SM_RESPONSE

  // --- Maps ------------------------------------------------------------------------------------
  using ItemRevisionToVariantRules =
      std::map<POMRef<ZoltItemRevP>, std::vector<POMRef<VariantRule>>>;

  static std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToAbsOccMap>
  toWireClientIdToAbsOccMap(std::map<std::string, POMRef<AbsOccurrence>> local);
  static std::map<std::string, POMRef<AbsOccurrence>> toLocalClientIdToAbsOccMap(
      std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToAbsOccMap> wire);

  static std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToAsmArrMap>
  toWireClientIdToAsmArrMap(std::map<std::string, POMRef<AssemblyArrangement>> local);
  static std::map<std::string, POMRef<AssemblyArrangement>> toLocalClientIdToAsmArrMap(
      std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToAsmArrMap> wire);

  static std::vector<
      Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToPSOccurrenceThreadMap>
  toWireClientIdToPSOccurrenceThreadMap(std::map<std::string, POMRef<PSOccurrenceThread>> local);
  static std::map<std::string, POMRef<PSOccurrenceThread>> toLocalClientIdToPSOccurrenceThreadMap(
      std::vector<
          Korvane::Schemas::Cad::_2007_01::Structuremanagement::ClientIdToPSOccurrenceThreadMap>
          wire);

  static std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ConfigureAttrStatusMap>
  toWireConfigureAttrStatusMap(std::map<std::string, bool> local);
  static std::map<std::string, bool> toLocalConfigureAttrStatusMap(
      std::vector<Korvane::Schemas::Cad::_2007_01::Structuremanagement::ConfigureAttrStatusMap>
          wire);

  static std::vector<
      Korvane::Schemas::Cad::_2007_01::Structuremanagement::ItemRevisionToVariantRulesMap>
  toWireItemRevisionToVariantRulesMap(ItemRevisionToVariantRules local);
  static ItemRevisionToVariantRules toLocalItemRevisionToVariantRulesMap(
      std::vector<
          Korvane::Schemas::Cad::_2007_01::Structuremanagement::ItemRevisionToVariantRulesMap>
          wire);

  // --- BOMLineFilter ---------------------------------------------------------------------------
  // The enumerator's text ("None" ... "ExcludeNonZoltItemLines"). Raises DomException
  // "Invalid Enum value" for a value outside the enumeration.
  static std::string toWire(StructureManagement::BOMLineFilter value);
  // The enumerator whose text is exactly `text` (case-sensitive, whole string). Raises
  // DomException "Invalid Enum value: " followed by the text for any other text.
  static StructureManagement::BOMLineFilter toLocalBOMLineFilter(std::string text);

 private:
  // Start-up sets `_service`; tests may put a stand-in service in its place.
  friend class Korvane::Services::ServiceStartup;
  friend class StructureManagementIiopSkeletonTestAccess;

  // The request handlers: request text in, reply text out.
  static std::string expandPSOneLevel(const std::string& request);
  static std::string deleteRelativeStructure(const std::string& request);
  static std::string createOrUpdateRelativeStructure(const std::string& request);
  static std::string getVariantRules(const std::string& request);
  static std::string getRevisionRules(const std::string& request);
  static std::string createBOMWindows(const std::string& request);
  static std::string createOrUpdateAbsoluteStructure(const std::string& request);
  static std::string closeBOMWindows(const std::string& request);
  static std::string deleteAssemblyArrangements(const std::string& request);
  static std::string expandPSAllLevels(const std::string& request);

  // The service singleton, made at load (skeletons/startup.cpp).
  static Korvane::Soa::Cad::_2007_01::StructureManagementImpl* _service;
  // The service's policy; null before initialize().
  static Korvane::Soa::Server::ServicePolicy* _servicePolicy;
};

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane
