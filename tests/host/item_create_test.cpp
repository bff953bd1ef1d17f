// Creation of items and revisions in the host stand-in: master forms, types, ids, atomicity.
#include "host/object/item_create.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
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

}  // namespace
