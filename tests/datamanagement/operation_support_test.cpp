#include "datamanagement/operation_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "tests/support/host_fixture.h"

namespace {

using Korvane::Soa::Cad::MarkPoint;
using Korvane::Soa::Cad::ObjectLock;
using Korvane::Soa::Cad::raiseError;
using Korvane::Soa::Cad::raiseErrorWithTexts;
using Korvane::Soa::Cad::requireNameFits;
using Korvane::Soa::Cad::storeError;
using soacad_test::ask;
using soacad_test::ifailOf;
using Strings = std::vector<std::string>;

class OperationSupportTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    item = tagOf("i.1");
  }

  std::string name() { return ask(AOM_ask_value_string, item, "object_name"); }
  void rename(const char* value) {
    ASSERT_EQ(AOM_refresh(item, true), 0);
    ASSERT_EQ(AOM_set_value_string(item, "object_name", value), 0);
    ASSERT_EQ(AOM_save(item), 0);
    ASSERT_EQ(AOM_refresh(item, false), 0);
  }
  bool locked() { return store().find(item)->locked; }

  Tag item;
};

// --- Errors ------------------------------------------------------------------------------------

TEST_F(OperationSupportTest, AnEmptyNameIsNoParameterButAnEmptyTextIs) {
  storeError(215022, "");
  EXPECT_EQ(takeNewestEntry(), Strings{"215022"});
  storeError(215022, "Widget");
  EXPECT_EQ(takeNewestEntry(), (Strings{"215022", "Widget"}));
  Korvane::Soa::Cad::storeErrorWithTexts(215048, "");
  EXPECT_EQ(takeNewestEntry(), (Strings{"215048", ""}));
  Korvane::Soa::Cad::storeErrorWithTexts(215043, "", "A");
  EXPECT_EQ(takeNewestEntry(), (Strings{"215043", "", "A"}));
}

TEST_F(OperationSupportTest, ANameLongerThanItsBufferIsNotFound) {
  EXPECT_EQ(ifailOf([] { requireNameFits(std::string(4, 'x'), 4, 215022); }), 0);
  EXPECT_TRUE(host::errorStore().empty());
  EXPECT_EQ(ifailOf([] { requireNameFits(std::string(5, 'x'), 4, 215050); }), 215050);
  EXPECT_EQ(takeNewestEntry(), (Strings{"215050", "xxxxx"}));
}

// --- Mark points -------------------------------------------------------------------------------

TEST_F(OperationSupportTest, ARefusedForgetRollsTheStepBackAtOnce) {
  host::faultPlan().fail("POM_forget_markpoint", POM_invalid_markpoint);
  MarkPoint mark;
  rename("Rolled back");
  ASSERT_EQ(AOM_refresh(item, true), 0);
  EXPECT_EQ(ifailOf([&] { mark.keep(); }), POM_invalid_markpoint);
  // Undone before the guard's scope ends, and the lock the step took is given back.
  EXPECT_EQ(name(), "First item");
  EXPECT_FALSE(locked());
  EXPECT_EQ(store().markPointCount(), 0u);
  EXPECT_EQ(storedCodes(), std::vector<int>{POM_invalid_markpoint});
  host::errorStore().clear();
}

// --- Object locks ------------------------------------------------------------------------------

TEST_F(OperationSupportTest, AFailingReleaseJoinsOnlyAFailureThatUnwinds) {
  host::faultPlan().fail("AOM_refresh", POM_not_modifiable, 2);
  {
    ObjectLock lock;
    lock.lock(item);
  }
  EXPECT_TRUE(host::errorStore().empty());

  host::faultPlan().clear();
  host::faultPlan().fail("AOM_refresh", POM_not_modifiable, 2);
  EXPECT_EQ(ifailOf([&] {
              ObjectLock lock;
              lock.lock(item);
              raiseError(215022);
            }),
            215022);
  EXPECT_EQ(storedCodes(), (std::vector<int>{215022, POM_not_modifiable}));
}

}  // namespace
