// How a map of a local record crosses the wire, for every skeleton's map conversions (toWireX and
// toLocalX for a map entry record X): as a list of key/value entry records, written in ascending
// key order and read back with the last entry of a repeated key winning. Each map conversion
// says only how one entry is filled and read.
#pragma once

#include <map>
#include <utility>
#include <vector>

namespace Korvane {
namespace Services {

// The entries of `local` in ascending key order (the map's), each a new `Entry` filled by
// `setEntry(entry, key, value)`. Each entry of `local` is erased as soon as it is converted, so
// that a large map and its wire form are never both whole. Whatever `setEntry` raises leaves the
// conversion; the entries converted so far go with it.
template <class Entry, class Key, class Value, class SetEntry>
std::vector<Entry> wireEntries(std::map<Key, Value>&& local, SetEntry setEntry) {
  std::vector<Entry> wire;
  wire.reserve(local.size());
  while (!local.empty()) {
    const auto first = local.begin();
    Entry entry;
    setEntry(entry, first->first, first->second);
    wire.push_back(entry);
    local.erase(first);
  }
  return wire;
}

// The map of the entries of `wire`, each read by `keyAndValue(entry)` as a std::pair<Key, Value>,
// in list order: a repeated key keeps the value of its last entry.
template <class Key, class Value, class Entry, class KeyAndValue>
std::map<Key, Value> localEntries(const std::vector<Entry>& wire, KeyAndValue keyAndValue) {
  std::map<Key, Value> local;
  for (const Entry& entry : wire) {
    std::pair<Key, Value> keyed = keyAndValue(entry);
    local.insert_or_assign(std::move(keyed.first), std::move(keyed.second));
  }
  return local;
}

}  // namespace Services
}  // namespace Korvane
