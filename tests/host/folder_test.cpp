// Folders of the host stand-in: insertion, sort criteria and listing.
#include "host/object/folder.h"

#include <gtest/gtest.h>

#include <vector>

#include "host/object/aom.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "tests/support/host_fixture.h"

namespace {

class FolderTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <object uid="o.b" class="Form" type="Form"><prop name="object_name" value="b"/></object>
      <object uid="o.a" class="Form" type="Form"><prop name="object_name" value="a"/></object>
      <object uid="o.c" class="Form" type="Form"><prop name="object_name" value="b"/></object>
      <object uid="f.sorted" class="Folder" type="Folder"><prop name="sort_criteria" value="1"/>
        <prop name="contents"><v value="o.b"/><v value="o.a"/><v value="o.c"/></prop></object>
    </fixture>)");
  }
  std::vector<Tag> references(const char* folder, int criteria) {
    return soacad_test::askList(FL_ask_references, tagOf(folder), criteria);
  }
};

TEST_F(FolderTest, InsertionsLandAtTheirPositionAndPastTheEndAppend) {
  const Tag folder = tagOf("f.newstuff");
  ASSERT_EQ(FL_insert(folder, tagOf("o.a"), 999), 0);
  ASSERT_EQ(FL_insert(folder, tagOf("o.b"), 0), 0);
  ASSERT_EQ(FL_insert(folder, tagOf("o.c"), 1), 0);
  ASSERT_EQ(FL_insert(folder, tagOf("o.a"), 0), 0);  // Already there: stays where it is.
  EXPECT_EQ(references("f.newstuff", FL_sort_as_ordered),
            (std::vector<Tag>{tagOf("o.b"), tagOf("o.c"), tagOf("o.a")}));
  // Host bookkeeping: no lock needed, lasting once saved, dropped by a refresh before that.
  ASSERT_EQ(AOM_refresh(folder, false), 0);
  EXPECT_TRUE(references("f.newstuff", FL_sort_as_ordered).empty());
  ASSERT_EQ(FL_insert(folder, tagOf("o.a"), 999), 0);
  ASSERT_EQ(AOM_save(folder), 0);
  ASSERT_EQ(AOM_refresh(folder, false), 0);
  EXPECT_EQ(references("f.newstuff", FL_sort_as_ordered), std::vector<Tag>{tagOf("o.a")});
}

TEST_F(FolderTest, InsertionRefusesWhatIsNoFolderNoObjectOrNotModifiable) {
  EXPECT_EQ(FL_insert(tagOf("o.a"), tagOf("o.b"), 0), POM_invalid_tag);
  EXPECT_EQ(FL_insert(tagOf("f.home"), tagOf("no.such"), 0), POM_invalid_tag);
  store().setModifiable(tagOf("f.home"), false);
  EXPECT_EQ(FL_insert(tagOf("f.home"), tagOf("o.a"), 0), POM_not_modifiable);
}

// A folder's contents are FL_insert's to change: a session may not, even with the folder
// locked, through a setter or a list change; the call that owns them (WriteMode::owner) may.
TEST_F(FolderTest, ContentsAreNoSessionsToWrite) {
  const Tag folder = tagOf("f.newstuff");
  ASSERT_EQ(AOM_lock(folder), 0);
  const Tag item = tagOf("o.a");
  EXPECT_EQ(AOM_set_value_tags(folder, "contents", 1, &item), POM_property_not_modifiable);
  EXPECT_EQ(store().insertReference(folder, "contents", 0, item, host::WriteMode::session),
            POM_property_not_modifiable);
  EXPECT_TRUE(references("f.newstuff", FL_sort_as_ordered).empty());
  ASSERT_EQ(store().insertReference(folder, "contents", 0, item, host::WriteMode::owner), 0);
  EXPECT_EQ(references("f.newstuff", FL_sort_as_ordered), std::vector<Tag>{item});
  ASSERT_EQ(AOM_refresh(folder, false), 0);
  EXPECT_EQ(store().insertReference(folder, "contents", 0, item, host::WriteMode::owner),
            POM_not_locked);
}

TEST_F(FolderTest, SortCriteriaOrderTheReferences) {
  EXPECT_EQ(soacad_test::ask(FL_ask_sort_criteria, tagOf("f.sorted")), FL_sort_by_name);
  int criteria = -1;
  ASSERT_EQ(FL_ask_sort_criteria(tagOf("f.home"), &criteria), 0);
  EXPECT_EQ(criteria, FL_sort_as_ordered);
  EXPECT_EQ(references("f.sorted", FL_sort_by_name),
            (std::vector<Tag>{tagOf("o.a"), tagOf("o.b"), tagOf("o.c")}));
  EXPECT_EQ(references("f.sorted", FL_sort_as_ordered),
            (std::vector<Tag>{tagOf("o.b"), tagOf("o.a"), tagOf("o.c")}));
  int count = 0;
  Tag* list = nullptr;
  EXPECT_EQ(FL_ask_references(tagOf("f.sorted"), 7, &count, &list), POM_invalid_value);
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

}  // namespace
