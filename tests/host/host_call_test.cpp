#include "host/object/host_call.h"

#include <gtest/gtest.h>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/pom.h"
#include "tests/support/host_fixture.h"

namespace {

class HostCallTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    item = tagOf("i.1");
    home = tagOf("f.home");
  }

  host::FaultPlan& plan() { return host::faultPlan(); }
  host::CallLog& log() { return host::callLog(); }

  Tag item;
  Tag home;
};

TEST_F(HostCallTest, CallsAreLoggedInOrderWithTheirTag) {
  AOM_refresh(item, true);
  AOM_save(item);
  AOM_refresh(home, false);
  AOM_refresh(item, false);
  EXPECT_EQ(log().names(),
            (std::vector<std::string>{"AOM_refresh", "AOM_save", "AOM_refresh", "AOM_refresh"}));
  EXPECT_EQ(log().names(item),
            (std::vector<std::string>{"AOM_refresh", "AOM_save", "AOM_refresh"}));
  EXPECT_EQ(log().count("AOM_refresh"), 3);
  log().clear();
  EXPECT_TRUE(log().entries().empty());
}

TEST_F(HostCallTest, ArmedCallFailsEveryTimeWithItsCodeStored) {
  plan().fail("AOM_save", 515001);
  EXPECT_EQ(AOM_save(item), 515001);
  EXPECT_EQ(AOM_save(home), 515001);
  EXPECT_EQ(storedCodes(), (std::vector<int>{515001, 515001}));
  EXPECT_EQ(AOM_refresh(item, true), 0);  // Other calls are not touched.
}

TEST_F(HostCallTest, NthCallOnly) {
  plan().fail("AOM_refresh", 515002, 2);
  EXPECT_EQ(AOM_refresh(item, true), 0);
  EXPECT_EQ(AOM_refresh(item, false), 515002);
  EXPECT_TRUE(store().find(item)->locked);  // The failed call did nothing.
  EXPECT_EQ(AOM_refresh(item, false), 0);
}

TEST_F(HostCallTest, OneTagOnly) {
  plan().fail("AOM_save", 515003, 0, home);
  EXPECT_EQ(AOM_save(item), 0);
  EXPECT_EQ(AOM_save(home), 515003);
}

TEST_F(HostCallTest, NthCallForOneTag) {
  plan().fail("AOM_save", 515004, 2, home);
  EXPECT_EQ(AOM_save(home), 0);
  EXPECT_EQ(AOM_save(item), 0);
  EXPECT_EQ(AOM_save(home), 515004);
}

TEST_F(HostCallTest, NullResultSucceedsWithNullOutputs) {
  plan().nullResult("POM_class_of_instance");
  Tag cls = item;
  EXPECT_EQ(POM_class_of_instance(item, &cls), 0);
  EXPECT_EQ(cls, NULLTAG);
  EXPECT_TRUE(host::errorStore().empty());
  // A call without outputs succeeds doing nothing.
  plan().nullResult("AOM_delete");
  EXPECT_EQ(AOM_delete(item), 0);
  EXPECT_EQ(item.isValid(), 0);
}

TEST_F(HostCallTest, FailedCallsAreLoggedToo) {
  plan().fail("AOM_lock", 515005);
  AOM_lock(item);
  EXPECT_EQ(log().names(item), std::vector<std::string>{"AOM_lock"});
  plan().clear();
  EXPECT_EQ(AOM_lock(item), 0);
}

TEST_F(HostCallTest, DisabledLogKeepsNothing) {
  log().setEnabled(false);
  AOM_save(item);
  log().setEnabled(true);
  EXPECT_TRUE(log().entries().empty());
}

TEST_F(HostCallTest, ResetClearsPlanAndLog) {
  plan().fail("AOM_save", 1);
  AOM_save(item);
  store().reset();
  EXPECT_TRUE(plan().empty());
  EXPECT_TRUE(log().entries().empty());
  EXPECT_TRUE(host::errorStore().empty());
}

}  // namespace
