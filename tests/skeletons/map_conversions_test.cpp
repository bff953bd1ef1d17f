#include "skeletons/map_conversions.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using Korvane::Services::localEntries;
using Korvane::Services::wireEntries;
using Entry = std::pair<std::string, int>;

// Entries come out in ascending key order, and each local entry is gone by the time the next is
// converted: a map and its wire form are never both whole. A failure leaves the conversion with
// the entries not yet converted still in the map.
TEST(MapConversions, EntriesAreWrittenInKeyOrderEachLocalEntryGoingAsItIsConverted) {
  // The conversion takes the map by rvalue reference and empties it in place, so the size of
  // `local` seen from the callback is what is left of it.
  std::map<std::string, int> local = {{"b", 2}, {"a", 1}, {"c", 3}};
  std::vector<std::size_t> leftWhileConverting;
  const std::vector<Entry> wire =
      wireEntries<Entry>(std::move(local), [&](Entry& entry, const std::string& key, int value) {
        leftWhileConverting.push_back(local.size());
        entry = {key, value};
      });
  EXPECT_EQ(wire, (std::vector<Entry>{{"a", 1}, {"b", 2}, {"c", 3}}));
  EXPECT_EQ(leftWhileConverting, (std::vector<std::size_t>{3, 2, 1}));
  EXPECT_TRUE(local.empty());

  std::map<std::string, int> failing = {{"a", 1}, {"b", 2}, {"c", 3}};
  EXPECT_THROW(wireEntries<Entry>(std::move(failing),
                                  [](Entry&, const std::string& key, int) {
                                    if (key == "b") {
                                      throw std::runtime_error("cannot cross");
                                    }
                                  }),
               std::runtime_error);
  EXPECT_EQ(failing, (std::map<std::string, int>{{"b", 2}, {"c", 3}}));
}

// A repeated key keeps the value of its last entry, whatever the order of the keys.
TEST(MapConversions, ARepeatedKeyKeepsTheValueOfItsLastEntry) {
  const std::vector<Entry> wire = {{"b", 1}, {"a", 2}, {"b", 3}, {"a", 4}, {"c", 5}};
  const auto local = localEntries<std::string, int>(wire, [](const Entry& entry) { return entry; });
  EXPECT_EQ(local, (std::map<std::string, int>{{"a", 4}, {"b", 3}, {"c", 5}}));
  EXPECT_TRUE((localEntries<std::string, int>(std::vector<Entry>(), [](const Entry& entry) {
                 return entry;
               }).empty()));
}

}  // namespace
