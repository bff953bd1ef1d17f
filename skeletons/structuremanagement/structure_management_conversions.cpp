// The conversions of the StructureManagement 2007-01 skeleton that are not field by field: its
// maps and the BOM line filter enumeration. The record conversions are generated from
// structuremanagement_2007_01.records.
//
// Nothing is caught in a map conversion: unlike an object field of a record, a map value or key
// that the host cannot make into a model object fails the whole conversion.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/utils.h"
#include "skeletons/field_conversions.h"
#include "skeletons/map_conversions.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Local = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Skeleton = StructureManagementIiopSkeleton;
using Korvane::Soa::Internal::Server::Utils;

namespace {

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
const EnumeratorText<Local::BOMLineFilter> kFilterTexts[] = {
    {Local::None, "None"},
    {Local::ExcludeOverridden, "ExcludeOverridden"},
    {Local::ExcludeICHistory, "ExcludeICHistory"},
    {Local::ExcludeGDEs, "ExcludeGDEs"},
    {Local::ExcludeNonZoltItemLines, "ExcludeNonZoltItemLines"},
};

}  // namespace

std::vector<Wire::ClientIdToAbsOccMap> Skeleton::toWireClientIdToAbsOccMap(
    std::map<std::string, POMRef<AbsOccurrence>> local) {
  return wireObjectMap<Wire::ClientIdToAbsOccMap>(std::move(local));
}

std::map<std::string, POMRef<AbsOccurrence>> Skeleton::toLocalClientIdToAbsOccMap(
    std::vector<Wire::ClientIdToAbsOccMap> wire) {
  return localObjectMap<AbsOccurrence>(wire);
}

std::vector<Wire::ClientIdToAsmArrMap> Skeleton::toWireClientIdToAsmArrMap(
    std::map<std::string, POMRef<AssemblyArrangement>> local) {
  return wireObjectMap<Wire::ClientIdToAsmArrMap>(std::move(local));
}

std::map<std::string, POMRef<AssemblyArrangement>> Skeleton::toLocalClientIdToAsmArrMap(
    std::vector<Wire::ClientIdToAsmArrMap> wire) {
  return localObjectMap<AssemblyArrangement>(wire);
}

std::vector<Wire::ClientIdToPSOccurrenceThreadMap> Skeleton::toWireClientIdToPSOccurrenceThreadMap(
    std::map<std::string, POMRef<PSOccurrenceThread>> local) {
  return wireObjectMap<Wire::ClientIdToPSOccurrenceThreadMap>(std::move(local));
}

std::map<std::string, POMRef<PSOccurrenceThread>> Skeleton::toLocalClientIdToPSOccurrenceThreadMap(
    std::vector<Wire::ClientIdToPSOccurrenceThreadMap> wire) {
  return localObjectMap<PSOccurrenceThread>(wire);
}

std::vector<Wire::ConfigureAttrStatusMap> Skeleton::toWireConfigureAttrStatusMap(
    std::map<std::string, bool> local) {
  return wireEntries<Wire::ConfigureAttrStatusMap>(
      std::move(local),
      [](Wire::ConfigureAttrStatusMap& entry, const std::string& key, bool value) {
        entry.setKey(key);
        entry.setValue(value);
      });
}

std::map<std::string, bool> Skeleton::toLocalConfigureAttrStatusMap(
    std::vector<Wire::ConfigureAttrStatusMap> wire) {
  return localEntries<std::string, bool>(wire, [](const Wire::ConfigureAttrStatusMap& entry) {
    return std::make_pair(entry.getKey(), entry.getValue());
  });
}

// Item revisions in ascending tag order; each entry's rules in the local list's order.
std::vector<Wire::ItemRevisionToVariantRulesMap> Skeleton::toWireItemRevisionToVariantRulesMap(
    ItemRevisionToVariantRules local) {
  return wireEntries<Wire::ItemRevisionToVariantRulesMap>(
      std::move(local),
      [](Wire::ItemRevisionToVariantRulesMap& entry, const POMRef<ZoltItemRevP>& itemRev,
         const std::vector<POMRef<VariantRule>>& rules) {
        entry.setKey(Utils::createWireModelObect(itemRev.tag()));
        std::vector<Korvane::Schemas::Soa::_2006_03::Base::ModelObject> wireRules;
        wireRules.reserve(rules.size());
        for (const POMRef<VariantRule>& rule : rules) {
          wireRules.push_back(Utils::createWireModelObect(rule.tag()));
        }
        entry.setValueArray(wireRules);
      });
}

Skeleton::ItemRevisionToVariantRules Skeleton::toLocalItemRevisionToVariantRulesMap(
    std::vector<Wire::ItemRevisionToVariantRulesMap> wire) {
  using Fields = FieldConversions<Skeleton>;
  return localEntries<POMRef<ZoltItemRevP>, std::vector<POMRef<VariantRule>>>(
      wire, [](const Wire::ItemRevisionToVariantRulesMap& entry) {
        return std::make_pair(
            POMRef<ZoltItemRevP>(Utils::uidToTag(entry.getKey().getUid())),
            Fields::localValue<std::vector<POMRef<VariantRule>>>(entry.getValueArray()));
      });
}

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
