#include "host/object/pom_ref.h"

#include <gtest/gtest.h>

#include <map>

#include "host/object/aom.h"
#include "host/object/ifail.h"
#include "tests/support/host_fixture.h"

namespace {

class PomRefTest : public soacad_test::UserTest {
 protected:
  // The code of the IFail that loading the reference raises, 0 when it loads.
  template <class Ref>
  int loadFailure(const Ref& ref) {
    return soacad_test::ifailOf([&] { ref.get(); });
  }
};

TEST_F(PomRefTest, ObjectIsLoadedOnFirstUseOnly) {
  POMRef<Item> ref = tagOf("i.1");
  EXPECT_EQ(ref.tag(), tagOf("i.1"));
  EXPECT_EQ(ref.loadedObject(), nullptr);
  EXPECT_EQ(ref->tag(), tagOf("i.1"));
  ASSERT_NE(ref.loadedObject(), nullptr);
  EXPECT_EQ(ref->className(), "Item");
  ref = tagOf("f.home");  // A new tag: nothing loaded again.
  EXPECT_EQ(ref.loadedObject(), nullptr);
}

TEST_F(PomRefTest, TagWithoutObjectRaises7007AfterStoringIt) {
  EXPECT_EQ(loadFailure(POMRef<Item>(tagOf("unknown-uid"))), POM_invalid_tag);
  EXPECT_EQ(storedCodes(), std::vector<int>{POM_invalid_tag});
  EXPECT_EQ(loadFailure(POMRef<Item>(NULLTAG)), POM_invalid_tag);
  POMRef<> deleted = tagOf("i.1");
  ASSERT_EQ(AOM_delete(deleted.tag()), 0);
  EXPECT_EQ(loadFailure(deleted), POM_invalid_tag);
  EXPECT_EQ(deleted.loadedObject(), nullptr);
}

TEST_F(PomRefTest, ObjectOfAnotherClassIsRefused) {
  EXPECT_EQ(loadFailure(POMRef<Folder>(tagOf("i.1"))), POM_invalid_tag);
  EXPECT_EQ(loadFailure(EIMRef<Dataset>(tagOf("i.1"))), POM_invalid_tag);
  // Ancestor classes accept their descendants.
  EXPECT_EQ(loadFailure(POMRef<WorkspaceObject>(tagOf("i.1"))), 0);
  EXPECT_EQ(loadFailure(POMRef<ZoltObject>(tagOf("u.jdoe"))), 0);
  EXPECT_EQ(loadFailure(POMRef<ZoltType>(store().findType("Item"))), 0);
}

}  // namespace
