// Privileges and the session's user and folders in the host stand-in.
#include "host/object/privilege.h"

#include <gtest/gtest.h>

#include "host/object/ifail.h"
#include "host/object/pom_ref.h"
#include "host/object/session.h"
#include "tests/support/host_fixture.h"

namespace {

class PrivilegeTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <object uid="u.other" class="User" type="User"><prop name="home_folder" value="i.1"/></object>
      <object uid="f.theirs" class="Folder" type="Folder"><prop name="owning_user" value="u.other"/></object>
    </fixture>)");
  }
  bool granted(const char* uid, const char* privilege) {
    bool answer = false;
    EXPECT_EQ(AM_check_privilege(tagOf(uid), privilege, &answer), 0);
    return answer;
  }
};

TEST_F(PrivilegeTest, WriteNeedsOwnershipOrNoOwnerAndAModifiableObject) {
  EXPECT_TRUE(granted("f.home", "WRITE"));
  EXPECT_TRUE(granted("i.1", "WRITE"));  // No owner.
  EXPECT_FALSE(granted("f.theirs", "WRITE"));
  EXPECT_TRUE(granted("f.theirs", "READ"));
  store().setModifiable(tagOf("f.home"), false);
  EXPECT_FALSE(granted("f.home", "WRITE"));
  bool answer = true;
  EXPECT_EQ(AM_check_privilege(tagOf("no.such"), "WRITE", &answer), POM_invalid_tag);
  EXPECT_FALSE(answer);
}

TEST_F(PrivilegeTest, SessionUserAndItsFolders) {
  EXPECT_EQ(loginUser::currentUserTag(), tagOf("u.jdoe"));
  POMRef<User> user(loginUser::currentUserTag());
  EXPECT_EQ(user->homeFolder(), tagOf("f.home"));
  EXPECT_EQ(user->newstuffFolder(), tagOf("f.newstuff"));
  POMRef<User> other(tagOf("u.other"));
  EXPECT_EQ(other->homeFolder(), NULLTAG);  // Names an item, not a folder.
  EXPECT_EQ(other->newstuffFolder(), NULLTAG);
}

}  // namespace
