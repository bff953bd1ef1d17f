#include "host/object/error_store.h"

#include <gtest/gtest.h>

#include "host/object/ifail.h"
#include "tests/support/host_fixture.h"

namespace {

class ErrorStoreTest : public soacad_test::HostTest {
 protected:
  // The store as ERROR_store_ask reports it: "severity/code/message" per entry.
  std::vector<std::string> asked() {
    int count = -1;
    const int* severities = nullptr;
    const int* codes = nullptr;
    const char** texts = nullptr;
    EXPECT_EQ(ERROR_store_ask(&count, &severities, &codes, &texts, nullptr), 0);
    std::vector<std::string> entries;
    for (int i = 0; i < count; ++i) {
      entries.push_back(std::to_string(severities[i]) + "/" + std::to_string(codes[i]) + "/" +
                        texts[i]);
    }
    return entries;
  }
};

// The arrays ERROR_store_ask hands out are rebuilt after each change of the store, oldest first.
TEST_F(ErrorStoreTest, AskedArraysFollowTheStore) {
  ERROR_store(3, 123456, "Widget");
  EXPECT_EQ(asked(), std::vector<std::string>{"3/123456/Error 123456: Widget"});
  ERROR_store(2, 123457);
  EXPECT_EQ(asked(),
            (std::vector<std::string>{"3/123456/Error 123456: Widget", "2/123457/Error 123457"}));
}

TEST_F(ErrorStoreTest, TemplatesTakeTheTextsByPosition) {
  store().setMessageTemplate(215092, "%1$ failed with %2$ (%3$)");
  ERROR_store(3, 215092, "ZOLTTYPE_find_type", "7007");
  EXPECT_EQ(host::errorStore().entries().back().message, "ZOLTTYPE_find_type failed with 7007 ()");
  // Texts after the first null one are not taken.
  ERROR_store(3, 215000, "a", nullptr, "c");
  EXPECT_EQ(host::errorStore().entries().back().texts, std::vector<std::string>{"a"});
}

TEST_F(ErrorStoreTest, BaseFixtureExplainsHostCodes) {
  EXPECT_EQ(IFail(POM_invalid_tag).getMessage(), "Not a valid object: .");
  EXPECT_EQ(IFail(123456).getMessage(), "Error 123456");
}

TEST_F(ErrorStoreTest, ResultStatusRaisesAndExplainsOnce) {
  ResultStatus status;
  EXPECT_NO_THROW(status = 0);
  ERROR_store(3, 215022, "Widget");
  try {
    status = 215022;
    FAIL() << "no IFail";
  } catch (const IFail& failure) {
    EXPECT_EQ(failure.ifail(), 215022);
  }
  // The newest entry already explained the code: nothing is added.
  EXPECT_EQ(storedCodes(), std::vector<int>{215022});
  EXPECT_THROW(PomResultStatus(7007), IFail);
  EXPECT_EQ(storedCodes(), (std::vector<int>{215022, 7007}));
}

// The texts put into a message are often request text: each is cut after kMaxMessageTextBytes,
// and what is not printable in it escaped, so that a message (and the fault or partial error
// that carries it) stays short; texts of ordinary length are put in as they are.
TEST_F(ErrorStoreTest, TextsPutIntoAMessageAreShort) {
  const std::string huge(1 << 20, 'u');
  const std::string shown = huge.substr(0, host::kMaxMessageTextBytes) + "... (1048576 bytes)";
  ERROR_store(3, 7007, huge.c_str());
  EXPECT_EQ(host::errorStore().entries().back().message, "Not a valid object: " + shown + ".");
  ERROR_store(3, 123456, "Widget", huge.c_str(), "two\nlines");
  EXPECT_EQ(host::errorStore().entries().back().message,
            "Error 123456: Widget, " + shown + ", two\\nlines");
  EXPECT_EQ(host::errorStore().entries().back().texts[1], huge) << "the texts are kept whole";
}

}  // namespace
