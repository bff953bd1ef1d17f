#include "host/object/journal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/host_fixture.h"

namespace {

class JournalTest : public soacad_test::HostTest {};

TEST_F(JournalTest, ScopesRecordTheirStepsNestedAndCloseOnEveryPath) {
  {
    Journal outer(40, "outer");
    outer.call();
    outer.call();  // Entered once.
    try {
      Journal inner(40, "inner");
      inner.call();
      EXPECT_EQ(host::journal().openScopes(), 2);
      throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(host::journal().openScopes(), 1);
    Journal unused(40, "never entered");
  }
  EXPECT_EQ(host::journal().openScopes(), 0);
  EXPECT_EQ(host::journal().steps(), (std::vector<std::string>{"outer", "inner"}));
  EXPECT_EQ(host::journal().entries()[1].depth, 1);
  EXPECT_EQ(host::journal().entries()[1].module, 40);
}

}  // namespace
