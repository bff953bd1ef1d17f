#include "host/object/host_call.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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
  // Failed calls are logged too; a disabled log keeps nothing.
  plan().fail("AOM_lock", 515005);
  AOM_lock(item);
  EXPECT_EQ(log().names(item), std::vector<std::string>{"AOM_lock"});
  log().setEnabled(false);
  AOM_save(item);
  log().setEnabled(true);
  EXPECT_EQ(log().entries().size(), 1u);
}

// A fault armed for every call, the nth call, one tag's calls or the nth call for one tag fails
// just those calls with its code stored; a failed call does nothing, and other calls are not
// touched.
TEST_F(HostCallTest, ArmedFaultsFailTheirCallsOnly) {
  const struct {
    int nth;
    bool homeOnly;
    std::vector<int> saves;  // Of home, item, home.
  } cases[] = {
      {0, false, {515001, 515001, 515001}},
      {2, false, {0, 515001, 0}},
      {0, true, {515001, 0, 515001}},
      {2, true, {0, 0, 515001}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.nth) + (c.homeOnly ? " home" : ""));
    SetUp();
    plan().fail("AOM_save", 515001, c.nth, c.homeOnly ? home : NULLTAG);
    EXPECT_EQ(std::vector<int>({AOM_save(home), AOM_save(item), AOM_save(home)}), c.saves);
    EXPECT_EQ(storedCodes().size(),
              static_cast<std::size_t>(std::count(c.saves.begin(), c.saves.end(), 515001)));
    ERROR_store_clear();
    EXPECT_EQ(AOM_refresh(item, true), 0);
  }
  plan().fail("AOM_refresh", 515002, 1);
  EXPECT_EQ(AOM_refresh(item, false), 515002);
  EXPECT_TRUE(store().find(item)->locked);  // The failed call did nothing.
}

}  // namespace
