// Creation of items and revisions in the host stand-in: master forms, types, ids, atomicity.
#include "host/object/item_create.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "tests/support/host_fixture.h"

namespace {

class ItemCreateTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <class name="PartForm" parent="Form"><property name="material" type="string"/></class>
      <type name="Part" class="Item" parent="Item"/>
      <type name="PartRevision" class="ItemRevision" parent="ItemRevision"/>
      <type name="PartMaster" class="PartForm" parent="Form"/>
    </fixture>)");
  }
  std::vector<Tag> masterForms(Tag object) { return secondaries(object, "ZOLT_master_form"); }
};

TEST_F(ItemCreateTest, ItemComesWithItsFirstRevisionAndAMasterFormForEach) {
  Tag item;
  Tag revision;
  ASSERT_EQ(ITEM_create_item("P-1", "Plate", "Part", "A", &item, &revision), 0);
  EXPECT_EQ(host::findItemById("P-1"), item);
  EXPECT_EQ(typeOf(item), "Part");
  EXPECT_EQ(typeOf(revision), "PartRevision");
  EXPECT_EQ(text(revision, "item_revision_id"), "A");
  EXPECT_EQ(text(revision, "object_name"), "Plate");
  EXPECT_EQ(soacad_test::ask(ITEM_ask_item_of_rev, revision), item);
  const std::vector<Tag> itemForms = masterForms(item);
  const std::vector<Tag> revisionForms = masterForms(revision);
  ASSERT_EQ(itemForms.size(), 1u);
  ASSERT_EQ(revisionForms.size(), 1u);
  EXPECT_EQ(typeOf(itemForms[0]), "PartMaster");              // "<type>Master" exists.
  EXPECT_EQ(typeOf(revisionForms[0]), "ItemRevisionMaster");  // "PartRevisionMaster" does not.
  EXPECT_EQ(text(revisionForms[0], "object_name"), "P-1/A");
  EXPECT_FALSE(store().find(item)->newlyCreated);
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(ItemCreateTest, BadTypesIdsAndDuplicatesFailLeavingNothing) {
  Tag item;
  Tag revision;
  const std::size_t before = store().objectsOfClass(store().classId("POM_object")).size();
  EXPECT_EQ(ITEM_create_item("X", "x", "Form", "A", &item, &revision), ITEM_invalid_item_type);
  EXPECT_EQ(ITEM_create_item("", "x", "Item", "A", &item, &revision), ITEM_invalid_id);
  EXPECT_EQ(ITEM_create_item(std::string(33, '1').c_str(), "x", "Item", "A", &item, &revision),
            ITEM_invalid_id);
  EXPECT_EQ(ITEM_create_item("000001", "x", "Item", "A", &item, &revision), ITEM_duplicate_id);
  EXPECT_EQ(item, NULLTAG);
  EXPECT_EQ(storedCodes(), (std::vector<int>{ITEM_invalid_item_type, ITEM_invalid_id,
                                             ITEM_invalid_id, ITEM_duplicate_id}));
  host::faultPlan().fail("GRM_create_relation", 7015, 2);  // The revision's master form.
  EXPECT_EQ(ITEM_create_item("P-2", "x", "Item", "A", &item, &revision), 7015);
  EXPECT_EQ(host::findItemById("P-2"), NULLTAG);
  EXPECT_EQ(store().objectsOfClass(store().classId("POM_object")).size(), before);
}

TEST_F(ItemCreateTest, RevisionsAreAddedOnceEachWithTheItemsName) {
  Tag item;
  Tag first;
  ASSERT_EQ(ITEM_create_item("P-3", "Gear", "Item", "A", &item, &first), 0);
  Tag second;
  ASSERT_EQ(ITEM_create_rev(item, "B", &second), 0);
  EXPECT_EQ(text(second, "object_name"), "Gear");
  EXPECT_EQ(typeOf(second), "ItemRevision");
  EXPECT_EQ(masterForms(second).size(), 1u);
  EXPECT_EQ(host::revisionsOfItem(item), (std::vector<Tag>{first, second}));
  Tag again;
  EXPECT_EQ(ITEM_create_rev(item, "B", &again), ITEM_duplicate_rev_id);
  EXPECT_EQ(ITEM_create_rev(tagOf("f.home"), "C", &again), POM_invalid_tag);
  EXPECT_EQ(again, NULLTAG);
}

// Enough items that the table of revisions by item grows several times, each with revisions made
// at different times: every item lists its own, oldest first, and the newest is its latest.
TEST_F(ItemCreateTest, ManyItemsEachListTheirOwnRevisions) {
  constexpr int kItems = 150;
  std::vector<Tag> items;
  std::vector<std::vector<Tag>> revisions(kItems);
  for (int at = 0; at < kItems; ++at) {
    Tag item;
    Tag first;
    ASSERT_EQ(
        ITEM_create_item(("M-" + std::to_string(at)).c_str(), "m", "Item", "A", &item, &first), 0);
    items.push_back(item);
    revisions[at].push_back(first);
  }
  for (int at = 0; at < kItems; at += 3) {
    for (const char* id : {"B", "C"}) {
      Tag revision;
      ASSERT_EQ(ITEM_create_rev(items[at], id, &revision), 0);
      revisions[at].push_back(revision);
    }
  }
  for (int at = 0; at < kItems; ++at) {
    EXPECT_EQ(std::vector<Tag>(host::revisionsOfItem(items[at])), revisions[at]) << at;
    EXPECT_EQ(soacad_test::ask(ITEM_ask_latest_rev, items[at]), revisions[at].back()) << at;
  }
  EXPECT_TRUE(host::revisionsOfItem(tagOf("f.home")).empty());

  // The same store saved and loaded again into a reset store: the table starts over, and
  // every item lists its revisions once each.
  auto uidsOf = [this](const std::vector<Tag>& tags) {
    std::vector<std::string> uids;
    for (Tag tag : tags) {
      uids.push_back(store().uidOfTag(tag));
    }
    return uids;
  };
  std::vector<std::vector<std::string>> revisionUids;
  for (const std::vector<Tag>& listed : revisions) {
    revisionUids.push_back(uidsOf(listed));
  }
  const std::vector<std::string> itemUids = uidsOf(items);
  const std::string saved = store().saveFixture();
  store().reset();
  store().loadFixture(saved);
  for (int at = 0; at < kItems; ++at) {
    EXPECT_EQ(uidsOf(host::revisionsOfItem(tagOf(itemUids[at]))), revisionUids[at]) << at;
  }
}

// An id, revision id or item written after the creation, by a host write (the generic setters
// may not write them) or undone by a rollback, is what finding and the duplicate checks see
// from then on.
TEST_F(ItemCreateTest, IdsWrittenLaterAreTheOnesFoundAndCheckedForDuplicates) {
  const auto write = [this](Tag object, const char* name, host::Value value) {
    return store().write(object, name, std::move(value), host::WriteMode::host);
  };
  Tag item;
  Tag revision;
  ASSERT_EQ(ITEM_create_item("P-4", "Bolt", "Item", "A", &item, &revision), 0);
  Tag other;
  Tag otherRevision;
  ASSERT_EQ(ITEM_create_item("P-5", "Nut", "Item", "A", &other, &otherRevision), 0);
  ASSERT_EQ(host::findItemById("P-4"), item);  // The index has taken both in.

  ASSERT_EQ(AOM_lock(item), 0);
  EXPECT_EQ(AOM_set_value_string(item, "item_id", "P-6"), POM_property_not_modifiable);
  ASSERT_EQ(write(item, "item_id", host::Value{{"P-6"}, {}}), 0);
  EXPECT_EQ(host::findItemById("P-6"), item);
  EXPECT_EQ(host::findItemById("P-4"), NULLTAG);
  Tag made;
  Tag madeRevision;
  EXPECT_EQ(ITEM_create_item("P-6", "x", "Item", "A", &made, &madeRevision), ITEM_duplicate_id);

  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(write(item, "item_id", host::Value{{"P-7"}, {}}), 0);
  EXPECT_EQ(host::findItemById("P-7"), item);
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(host::findItemById("P-7"), NULLTAG);
  EXPECT_EQ(host::findItemById("P-6"), item);
  ASSERT_EQ(AOM_refresh(item, false), 0);  // The unsaved id goes: the item is "P-4" again.
  EXPECT_EQ(host::findItemById("P-4"), item);
  EXPECT_EQ(host::findItemById("P-6"), NULLTAG);

  ASSERT_EQ(write(revision, "item_revision_id", host::Value{{"B"}, {}}), 0);
  EXPECT_EQ(host::findRevisionById(item, "B"), revision);
  EXPECT_EQ(host::findRevisionById(item, "A"), NULLTAG);
  EXPECT_EQ(ITEM_create_rev(item, "B", &made), ITEM_duplicate_rev_id);
  ASSERT_EQ(write(revision, "items_tag", host::Value{{}, {other}}), 0);
  EXPECT_EQ(host::findRevisionById(other, "B"), revision);
  EXPECT_EQ(host::findRevisionById(item, "B"), NULLTAG);
  EXPECT_EQ(host::revisionsOfItem(other), (std::vector<Tag>{otherRevision, revision}));
  EXPECT_TRUE(host::revisionsOfItem(item).empty());
  EXPECT_EQ(storedCodes(), (std::vector<int>{POM_property_not_modifiable, ITEM_duplicate_id,
                                             ITEM_duplicate_rev_id}));
}

// An id written before the index first looks at a new item, then dropped by a refresh: the item
// is found by its saved id again, and no longer by the one that went.
TEST_F(ItemCreateTest, AnIdDroppedByARefreshIsNoLongerTheOneFound) {
  Tag item;
  Tag revision;
  ASSERT_EQ(ITEM_create_item("P-8", "Pin", "Item", "A", &item, &revision), 0);
  ASSERT_EQ(AOM_lock(item), 0);
  ASSERT_EQ(store().write(item, "item_id", host::Value{{"P-9"}, {}}, host::WriteMode::host), 0);
  EXPECT_EQ(host::findItemById("P-9"), item);
  ASSERT_EQ(AOM_refresh(item, false), 0);
  EXPECT_EQ(host::findItemById("P-8"), item);
  EXPECT_EQ(host::findItemById("P-9"), NULLTAG);
}

}  // namespace
