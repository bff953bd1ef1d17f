#include "framework/kv_str_x.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Korvane::Soa::Common::Xml::appendUtf8;
using Korvane::Soa::Common::Xml::KvStrX;

// UTF-16 text (terminated for KvStrX, counted for appendUtf8) and the UTF-8 it becomes: every
// encoded length, surrogate pairs, and lone or cut-off surrogates as replacement characters.
TEST(KvStrXTest, TranscodesToUtf8) {
  const struct {
    std::vector<XMLCh> text;
    const char* utf8;
  } cases[] = {
      {{}, ""},
      {{'a', 0xE9, 0x20AC, 0xD83D, 0xDE00}, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {{'a', 0xD800, 'b', 0xDC00},
       "a\xEF\xBF\xBD"
       "b\xEF\xBF\xBD"},
      {{0x41, 0x7F, 0x80, 0x7FF, 0x800, 0xFFFD, 0xDBFF, 0xDFFF},
       "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBD\xF4\x8F\xBF\xBF"},
      {{'z', 0xD83D}, "z\xEF\xBF\xBD"},
      // The first and last pairs of surrogates.
      {{0xD800, 0xDC00, 0xDBFF, 0xDFFF}, "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::vector<XMLCh> terminated = c.text;
    terminated.push_back(0);
    EXPECT_EQ(static_cast<const std::string&>(KvStrX(terminated.data())), c.utf8);
    std::string out = "keep:";
    appendUtf8(c.text.data(), c.text.size(), out);
    EXPECT_EQ(out, std::string("keep:") + c.utf8);
  }
  // A pair cut by the count: the half behind the count is never read.
  const XMLCh cutPair[] = {'z', 0xD83D, 0xDE00};
  std::string cut;
  appendUtf8(cutPair, 2, cut);
  EXPECT_EQ(cut, "z\xEF\xBF\xBD");
  EXPECT_STREQ(KvStrX(nullptr).localForm(), "");
  // A copy is a value of its own.
  const KvStrX first(std::vector<XMLCh>{'x', 'y', 0}.data());
  const KvStrX second(first);
  EXPECT_STREQ(second.localForm(), "xy");
  EXPECT_NE(second.localForm(), first.localForm());
}

}  // namespace
