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

using soacad_test::ask;
using soacad_test::askList;

class PreferencesTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture><preferences>
      <preference name="Folder" scope="site"><v value="1"/></preference>
      <preference name="Folder" scope="user"><v value="2"/></preference>
      <preference name="Flags" scope="site"><v value="true"/><v value="maybe"/></preference>
    </preferences></fixture>)");
  }
};

TEST_F(PreferencesTest, MostSpecificScopeWinsUnlessAScopeIsSet) {
  EXPECT_EQ(ask(PREF_ask_int_value, "Folder", 0), 2);
  ASSERT_EQ(PREF_set_search_scope(PREF_scope_site), 0);
  EXPECT_EQ(ask(PREF_ask_int_value, "Folder", 0), 1);
  EXPECT_EQ(PREF_set_search_scope(9), PREF_invalid_scope);
}

TEST_F(PreferencesTest, MissingIndexesAndBadValuesFail) {
  int count = -1;
  EXPECT_EQ(PREF_ask_value_count("Nothing", &count), PREF_not_found);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(ask(PREF_ask_logical_value, "Flags", 0));
  bool flag = false;
  EXPECT_EQ(PREF_ask_logical_value("Flags", 1, &flag), PREF_invalid_value);
  EXPECT_EQ(PREF_ask_logical_value("Flags", 2, &flag), PREF_invalid_index);
  EXPECT_EQ(askList(PREF_ask_char_values, "Flags"), (std::vector<std::string>{"true", "maybe"}));
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(PreferencesTest, RevisionIdsFollowTheNewestRevision) {
  load(R"(<fixture>
    <object uid="r.z" class="ItemRevision" type="ItemRevision">
      <prop name="item_revision_id" value="AZ"/><prop name="items_tag" value="i.1"/>
    </object></fixture>)");
  bool modifiable = false;
  EXPECT_EQ(ask(USER_new_revision_id, tagOf("i.1"), NULLTAG, &modifiable), "BA");
  EXPECT_EQ(ask(USER_new_revision_id, NULLTAG, NULLTAG, &modifiable), "A");
}

TEST_F(PreferencesTest, AlternateIdsFollowTheirPatternAndNeverRepeat) {
  load(R"(<fixture><type name="Alt" class="Form"/></fixture>)");
  const Tag type = ask(ZOLTTYPE_ask_type, "Alt");
  EXPECT_EQ(ask(USER_new_alt_id, NULLTAG, "PN-###-X", type, NULLTAG), "PN-001-X");
  EXPECT_EQ(ask(USER_new_alt_id, NULLTAG, "PN-###-X", type, NULLTAG), "PN-002-X");
  EXPECT_EQ(ask(USER_new_alt_id, tagOf("f.home"), "PN-###-X", type, NULLTAG), "PN-001-X");
  EXPECT_EQ(ask(USER_new_alt_id, NULLTAG, "", type, NULLTAG), "000001");
  char* id = reinterpret_cast<char*>(this);  // A failing call clears its output.
  EXPECT_EQ(USER_new_alt_id(NULLTAG, "x", NULLTAG, NULLTAG, &id), POM_invalid_tag);
  EXPECT_EQ(id, nullptr);
  EXPECT_EQ(USER_new_alt_id(tagOf("gone"), "x", type, NULLTAG, &id), POM_invalid_tag);
}

TEST_F(PreferencesTest, IdCountersSurviveASavedStore) {
  load(R"(<fixture><type name="Alt" class="Form"/></fixture>)");
  bool modifiable = false;
  EXPECT_EQ(ask(USER_new_alt_id, NULLTAG, "N#", ask(ZOLTTYPE_ask_type, "Alt"), NULLTAG), "N1");
  EXPECT_EQ(ask(USER_new_item_id, NULLTAG, NULLTAG, &modifiable), "000002");
  const std::string saved = store().saveFixture();
  store().reset();
  load(saved);
  EXPECT_EQ(ask(USER_new_alt_id, NULLTAG, "N#", ask(ZOLTTYPE_ask_type, "Alt"), NULLTAG), "N2");
  EXPECT_EQ(ask(USER_new_item_id, NULLTAG, NULLTAG, &modifiable), "000003");
}

}  // namespace
