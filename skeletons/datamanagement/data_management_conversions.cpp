// The conversions of DataManagementIiopSkeleton that are not field by field: its two maps and the
// objectType enumeration. The record conversions are generated from datamanagement.records.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/field_conversions.h"
#include "skeletons/map_conversions.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
using Local = Korvane::Soa::Cad::_2007_01::DataManagement;
using Skeleton = DataManagementIiopSkeleton;
using Strings = std::vector<std::string>;

namespace {

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

const EnumeratorText<Local::objectType> kObjectTypeTexts[] = {
    {Local::FolderT, "FolderT"},
    {Local::ItemT, "ItemT"},
    {Local::ItemRevisionT, "ItemRevisionT"},
    {Local::DatasetT, "DatasetT"},
    {Local::Others, "Others"},
};

}  // namespace

std::vector<Wire::ClassToTypesMap> Skeleton::toWireClassToTypesMap(
    std::map<std::string, Strings> local) {
  return wireStringsMap<Wire::ClassToTypesMap>(std::move(local));
}

std::map<std::string, Strings> Skeleton::toLocalClassToTypesMap(
    std::vector<Wire::ClassToTypesMap> wire) {
  return localStringsMap<std::string>(wire);
}

std::vector<Wire::IndexToAltId> Skeleton::toWireIndexToAltId(std::map<int, Strings> local) {
  return wireStringsMap<Wire::IndexToAltId>(std::move(local));
}

std::map<int, Strings> Skeleton::toLocalIndexToAltId(std::vector<Wire::IndexToAltId> wire) {
  return localStringsMap<int>(wire);
}

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
