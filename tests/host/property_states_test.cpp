// The containers an object's properties live in: the tags of a reference value (a few in place,
// more on the heap) and the states of an object's properties (ids and states in one block).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/object/store.h"
#include "host/object/value.h"

namespace {

using host::PropertyId;
using host::PropertyState;
using host::PropertyStates;
using host::TagList;

std::vector<Tag> tagsOf(const TagList& list) {
  return std::vector<Tag>(list);
}

std::vector<Tag> numbered(int count, int from = 1) {
  std::vector<Tag> tags;
  for (int at = 0; at < count; ++at) {
    tags.push_back(Tag(static_cast<std::uint32_t>(from + at)));
  }
  return tags;
}

// Every edit of a list, at each length around the point where its tags move to the heap.
TEST(TagListTest, EditsKeepTheOrderInPlaceAndOnTheHeap) {
  for (int length = 0; length <= 5; ++length) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::vector<Tag> start = numbered(length);
    for (int at = 0; at <= length; ++at) {
      TagList list(start);
      std::vector<Tag> expected = start;
      list.insert(list.begin() + at, Tag(99));
      expected.insert(expected.begin() + at, Tag(99));
      EXPECT_EQ(tagsOf(list), expected) << "insert at " << at;
      list.erase(list.begin() + at);
      expected.erase(expected.begin() + at);
      EXPECT_EQ(tagsOf(list), expected) << "erase at " << at;
    }
    TagList grown(start);
    grown.push_back(Tag(7));
    grown.resize(grown.size() + 2);
    std::vector<Tag> expected = start;
    expected.push_back(Tag(7));
    expected.resize(expected.size() + 2);
    EXPECT_EQ(tagsOf(grown), expected);
    grown.resize(1);
    EXPECT_EQ(tagsOf(grown), std::vector<Tag>(expected.begin(), expected.begin() + 1));
    grown.assign(std::size_t{4}, Tag(5));
    EXPECT_EQ(tagsOf(grown), std::vector<Tag>(4, Tag(5)));
    // Room made for as many tags as are in place, or for more, keeps the tags.
    for (int size = 0; size <= length + 2; ++size) {
      TagList sized(start);
      sized.reserve(static_cast<std::size_t>(size));
      EXPECT_EQ(tagsOf(sized), start) << "reserve " << size;
      sized.resize(static_cast<std::size_t>(size));
      std::vector<Tag> resized = start;
      resized.resize(static_cast<std::size_t>(size));
      EXPECT_EQ(tagsOf(sized), resized) << "resize " << size;
    }
  }
}

TEST(TagListTest, CopiesAndMovesAreWholeAndLeaveTheSourceUsable) {
  for (int length : {0, 1, 2, 3, 8}) {
    SCOPED_TRACE("length " + std::to_string(length));
    const std::vector<Tag> tags = numbered(length, 10);
    TagList original(tags);
    TagList copy(original);
    EXPECT_EQ(copy, original);
    copy.push_back(Tag(1));
    EXPECT_NE(copy, original) << "a copy has tags of its own";
    EXPECT_EQ(tagsOf(original), tags);

    TagList moved(std::move(copy));
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty.
    copy.push_back(Tag(3));
    EXPECT_EQ(tagsOf(copy), std::vector<Tag>{Tag(3)});
    std::vector<Tag> withOne = tags;
    withOne.push_back(Tag(1));
    EXPECT_EQ(tagsOf(moved), withOne);

    TagList target = numbered(3, 50);  // On the heap before it takes the other's tags.
    target = std::move(moved);
    EXPECT_EQ(tagsOf(target), withOne);
    target = original;
    EXPECT_EQ(tagsOf(target), tags);
    const TagList& same = target;
    target = same;  // Assigning a list to itself keeps it.
    EXPECT_EQ(tagsOf(target), tags);
  }
}

// Properties come in any order of ids; the states keep their values whatever was inserted or
// erased beside them, also when the block grows.
TEST(PropertyStatesTest, StatesStayWithTheirIdsThroughInsertsErasesAndCopies) {
  PropertyStates states;
  EXPECT_TRUE(states.empty());
  EXPECT_EQ(states.find(PropertyId{3}), nullptr);
  const std::vector<PropertyId> ids = {40, 10, 30, 20, 50, 5, 45, 35, 25, 15};
  for (PropertyId id : ids) {
    states[id].saved.texts = {"v" + std::to_string(id)};
    if (id % 20 == 0) {
      states[id].setWorking(host::Value{{}, {Tag(id)}});
    }
  }
  auto expectHeld = [](const PropertyStates& held, const std::vector<PropertyId>& expected) {
    ASSERT_EQ(held.size(), expected.size());
    for (std::size_t at = 0; at < expected.size(); ++at) {
      const PropertyId id = expected[at];
      EXPECT_EQ(held.idAt(at), id);
      const PropertyState* state = held.find(id);
      ASSERT_NE(state, nullptr) << id;
      EXPECT_EQ(state, &held.stateAt(at));
      EXPECT_EQ(state->saved.texts, std::vector<std::string>{"v" + std::to_string(id)});
      EXPECT_EQ(state->hasWorking(), id % 20 == 0) << id;
    }
  };
  expectHeld(states, {5, 10, 15, 20, 25, 30, 35, 40, 45, 50});
  EXPECT_EQ(&states[PropertyId{30}], states.find(PropertyId{30})) << "no second state";

  states.erase(PropertyId{5});
  states.erase(PropertyId{30});
  states.erase(PropertyId{50});
  states.erase(PropertyId{31});  // Nothing to erase.
  expectHeld(states, {10, 15, 20, 25, 35, 40, 45});

  PropertyStates copy(states);
  EXPECT_EQ(copy, states);
  copy[PropertyId{10}].saved.texts = {"changed"};
  EXPECT_FALSE(copy == states);
  expectHeld(states, {10, 15, 20, 25, 35, 40, 45});
  PropertyStates moved(std::move(copy));
  EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): moved-from is empty.
  copy = moved;
  EXPECT_EQ(copy, moved);
  copy = PropertyStates();
  EXPECT_TRUE(copy.empty());
  moved = states;
  expectHeld(moved, {10, 15, 20, 25, 35, 40, 45});
}

// Every block a set of states held, grown, copied or moved, is given back when the states go.
TEST(PropertyStatesTest, BlocksAreGivenBackWhenTheStatesGo) {
  const std::size_t before = host::propertyBlocksInUse();
  {
    PropertyStates states;
    for (PropertyId id = 1; id <= 20; ++id) {
      states[id].saved.texts = {"v"};
    }
    PropertyStates copy(states);
    PropertyStates moved(std::move(copy));
    copy = moved;
    moved = PropertyStates();
    EXPECT_EQ(host::propertyBlocksInUse(), before + 2);
  }
  EXPECT_EQ(host::propertyBlocksInUse(), before);
}

}  // namespace
