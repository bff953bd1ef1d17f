// The host indexes' table of tag lists by tag.
#include "host/object/tag_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Keys that share their low bits (made at a stride of 64) and keys next to each other each keep
// their own list through the table's growth; a cleared table holds nothing.
TEST(TagListsByTagTest, EveryKeyKeepsItsOwnListThroughCollisionsAndGrowth) {
  host::TagListsByTag table;
  EXPECT_EQ(table.find(Tag(5)), nullptr);
  std::vector<Tag> keys;
  for (std::uint32_t at = 1; at <= 300; ++at) {
    keys.push_back(Tag(at % 3 == 0 ? at * 64 : at));
  }
  for (std::size_t at = 0; at < keys.size(); ++at) {
    for (std::size_t count = 0; count <= at % 4; ++count) {
      table[keys[at]].push_back(Tag(static_cast<std::uint32_t>(1000 + count)));
    }
  }
  for (std::size_t at = 0; at < keys.size(); ++at) {
    const host::TagList* tags = table.find(keys[at]);
    ASSERT_NE(tags, nullptr) << at;
    ASSERT_EQ(tags->size(), at % 4 + 1) << at;
    EXPECT_EQ(tags->back(), Tag(static_cast<std::uint32_t>(1000 + at % 4))) << at;
  }
  EXPECT_EQ(table.find(Tag(7 * 64 + 1)), nullptr);
  EXPECT_TRUE(table[Tag(7 * 64 + 1)].empty()) << "a new key starts with an empty list";
  table.clear();
  EXPECT_EQ(table.find(keys[0]), nullptr);
  EXPECT_EQ(table.find(keys[2]), nullptr);
}

}  // namespace
