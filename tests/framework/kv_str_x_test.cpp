#include "framework/kv_str_x.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Korvane::Soa::Common::Xml::appendUtf8;
using Korvane::Soa::Common::Xml::KvStrX;

TEST(KvStrXTest, NullAndEmptyGiveTheEmptyString) {
  const XMLCh empty[] = {0};
  const KvStrX fromEmpty(empty);
  EXPECT_STREQ(fromEmpty.localForm(), "");
  EXPECT_EQ(static_cast<const std::string&>(fromEmpty), "");
  const KvStrX fromNull(nullptr);
  EXPECT_STREQ(fromNull.localForm(), "");
}

TEST(KvStrXTest, TranscodesNonAsciiToUtf8) {
  // "é€" and U+1F600 as a surrogate pair.
  const XMLCh text[] = {'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 0};
  const KvStrX narrow(text);
  EXPECT_EQ(static_cast<const std::string&>(narrow), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(KvStrXTest, CopiesAreIndependentValues) {
  const XMLCh text[] = {'x', 'y', 0};
  KvStrX first(text);
  const KvStrX second(first);
  EXPECT_STREQ(second.localForm(), "xy");
  EXPECT_NE(second.localForm(), first.localForm());
}

TEST(KvStrXTest, LoneSurrogatesBecomeReplacementCharacters) {
  const XMLCh text[] = {'a', 0xD800, 'b', 0xDC00, 0};
  const KvStrX narrow(text);
  EXPECT_EQ(static_cast<const std::string&>(narrow),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(Utf16ToUtf8Test, CoversEveryEncodedLength) {
  const XMLCh text[] = {0x41, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFD, 0xDBFF, 0xDFFF};
  std::string out = "keep:";
  appendUtf8(text, sizeof text / sizeof text[0], out);
  EXPECT_EQ(out, "keep:A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
}

TEST(Utf16ToUtf8Test, SurrogateCutOffAtTheEndBecomesReplacement) {
  const XMLCh text[] = {'z', 0xD83D};
  std::string out;
  appendUtf8(text, 2, out);
  EXPECT_EQ(out, "z\xEF\xBF\xBD");
}

}  // namespace
