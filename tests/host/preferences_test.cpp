// Preferences, checkout state and new ids of the host stand-in.
#include "host/object/preferences.h"

#include <gtest/gtest.h>

#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/res.h"
#include "host/object/types.h"
#include "host/object/user.h"
#include "tests/support/host_fixture.h"

namespace {

class PreferencesTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    load(soacad_test::kUserFixture);
    load(R"(<fixture><preferences>
      <preference name="Folder" scope="site"><v value="1"/></preference>
      <preference name="Folder" scope="user"><v value="2"/></preference>
      <preference name="Flags" scope="site"><v value="true"/><v value="maybe"/></preference>
    </preferences></fixture>)");
  }
  std::string take(char* text) {
    std::string copy = text == nullptr ? "(null)" : text;
    SM_free(text);
    return copy;
  }
};

TEST_F(PreferencesTest, MostSpecificScopeWinsUnlessAScopeIsSet) {
  int value = 0;
  ASSERT_EQ(PREF_ask_int_value("Folder", 0, &value), 0);
  EXPECT_EQ(value, 2);
  ASSERT_EQ(PREF_set_search_scope(PREF_scope_site), 0);
  ASSERT_EQ(PREF_ask_int_value("Folder", 0, &value), 0);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(PREF_set_search_scope(9), PREF_invalid_scope);
}

TEST_F(PreferencesTest, MissingIndexesAndBadValuesFail) {
  int count = -1;
  EXPECT_EQ(PREF_ask_value_count("Nothing", &count), PREF_not_found);
  EXPECT_EQ(count, 0);
  bool flag = false;
  ASSERT_EQ(PREF_ask_logical_value("Flags", 0, &flag), 0);
  EXPECT_TRUE(flag);
  EXPECT_EQ(PREF_ask_logical_value("Flags", 1, &flag), PREF_invalid_value);
  EXPECT_EQ(PREF_ask_logical_value("Flags", 2, &flag), PREF_invalid_index);
  char** values = nullptr;
  ASSERT_EQ(PREF_ask_char_values("Flags", &count, &values), 0);
  ASSERT_EQ(count, 2);
  EXPECT_STREQ(values[1], "maybe");
  MEM_free(values);
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(PreferencesTest, ItemIdsSkipIdsInUse) {
  bool modifiable = false;
  char* id = nullptr;
  ASSERT_EQ(USER_new_item_id(NULLTAG, NULLTAG, &modifiable, &id), 0);
  EXPECT_TRUE(modifiable);
  EXPECT_EQ(take(id), "000002");  // "000001" is the fixture's item.
  ASSERT_EQ(USER_new_item_id(NULLTAG, NULLTAG, &modifiable, &id), 0);
  EXPECT_EQ(take(id), "000003");
}

TEST_F(PreferencesTest, RevisionIdsFollowTheNewestRevision) {
  load(R"(<fixture>
    <object uid="r.z" class="ItemRevision" type="ItemRevision">
      <prop name="item_revision_id" value="AZ"/><prop name="items_tag" value="i.1"/>
    </object></fixture>)");
  bool modifiable = false;
  char* id = nullptr;
  ASSERT_EQ(USER_new_revision_id(tagOf("i.1"), NULLTAG, &modifiable, &id), 0);
  EXPECT_EQ(take(id), "BA");
  ASSERT_EQ(USER_new_revision_id(NULLTAG, NULLTAG, &modifiable, &id), 0);
  EXPECT_EQ(take(id), "A");
}

TEST_F(PreferencesTest, AlternateIdsFollowTheirPatternAndNeverRepeat) {
  load(R"(<fixture><type name="Alt" class="Form"/></fixture>)");
  Tag type;
  ZOLTTYPE_ask_type("Alt", &type);
  char* id = nullptr;
  ASSERT_EQ(USER_new_alt_id(NULLTAG, "PN-###-X", type, NULLTAG, &id), 0);
  EXPECT_EQ(take(id), "PN-001-X");
  ASSERT_EQ(USER_new_alt_id(NULLTAG, "PN-###-X", type, NULLTAG, &id), 0);
  EXPECT_EQ(take(id), "PN-002-X");
  ASSERT_EQ(USER_new_alt_id(tagOf("f.home"), "PN-###-X", type, NULLTAG, &id), 0);
  EXPECT_EQ(take(id), "PN-001-X");
  ASSERT_EQ(USER_new_alt_id(NULLTAG, "", type, NULLTAG, &id), 0);
  EXPECT_EQ(take(id), "000001");
  EXPECT_EQ(USER_new_alt_id(NULLTAG, "x", NULLTAG, NULLTAG, &id), POM_invalid_tag);
  EXPECT_EQ(id, nullptr);
  EXPECT_EQ(USER_new_alt_id(tagOf("gone"), "x", type, NULLTAG, &id), POM_invalid_tag);
}

TEST_F(PreferencesTest, IdCountersSurviveASavedStore) {
  load(R"(<fixture><type name="Alt" class="Form"/></fixture>)");
  Tag type;
  ZOLTTYPE_ask_type("Alt", &type);
  char* id = nullptr;
  bool modifiable = false;
  USER_new_alt_id(NULLTAG, "N#", type, NULLTAG, &id);
  SM_free(id);
  USER_new_item_id(NULLTAG, NULLTAG, &modifiable, &id);
  SM_free(id);

  const std::string saved = store().saveFixture();
  store().reset();
  load(saved);
  ZOLTTYPE_ask_type("Alt", &type);

  ASSERT_EQ(USER_new_alt_id(NULLTAG, "N#", type, NULLTAG, &id), 0);
  EXPECT_EQ(take(id), "N2");
  ASSERT_EQ(USER_new_item_id(NULLTAG, NULLTAG, &modifiable, &id), 0);
  EXPECT_EQ(take(id), "000003");
}

TEST_F(PreferencesTest, CheckoutState) {
  load(R"(<fixture><object uid="u.other" class="User" type="User"/>
    <object uid="i.theirs" class="Item" type="Item"><prop name="checked_out_user" value="u.other"/></object>
  </fixture>)");
  bool out = true;
  ASSERT_EQ(RES_is_checked_out(tagOf("i.1"), &out), 0);
  EXPECT_FALSE(out);
  EXPECT_EQ(RES_assert_object_modifiable(tagOf("i.1")), 0);
  EXPECT_EQ(RES_assert_object_modifiable(tagOf("i.theirs")), RES_object_not_modifiable);
  ASSERT_EQ(RES_is_checked_out(tagOf("i.theirs"), &out), 0);
  EXPECT_TRUE(out);
}

}  // namespace
