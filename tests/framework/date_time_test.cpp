#include "framework/date_time.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Korvane::Soa::Common::DateTime;

// Every operator agrees with the chronological order, which compares field by field.
TEST(DateTimeTest, OrderIsChronologicalFieldByField) {
  const DateTime earlier(2007, 1, 31, 23, 59, 58);
  const struct {
    DateTime other;
    int order;  // Of `other` against `earlier`.
  } cases[] = {{DateTime(2007, 1, 31, 23, 59, 58), 0},
               {DateTime(2007, 1, 31, 23, 59, 59), 1},
               {DateTime(2008, 1, 1, 0, 0, 0), 1},
               {DateTime(2007, 2, 1, 0, 0, 0), 1},
               {DateTime(2007, 1, 31, 23, 58, 59), -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.other.toString());
    const DateTime& other = c.other;
    EXPECT_EQ(
        std::vector<bool>({other == earlier, other != earlier,
                           other<earlier, other <= earlier, other> earlier, other >= earlier}),
        std::vector<bool>(
            {c.order == 0, c.order != 0, c.order<0, c.order <= 0, c.order> 0, c.order >= 0}));
  }
}

// The wire form reads back; any other text is refused and leaves the value as it was.
TEST(DateTimeTest, ReadsTheWireFormOnly) {
  DateTime read;
  EXPECT_EQ(DateTime(2007, 3, 4, 5, 6, 7).toString(), "2007-03-04T05:06:07");
  ASSERT_TRUE(read.fromString("2007-03-04T05:06:07"));
  EXPECT_EQ(read, DateTime(2007, 3, 4, 5, 6, 7));
  EXPECT_TRUE(read.fromString(DateTime().toString()));
  EXPECT_EQ(read.toString(), "0000-00-00T00:00:00");
  for (const char* text :
       {"", "2007-03-04", "2007-03-04 05:06:07", "2007-13-04T05:06:07", "2007-03-00T05:06:07",
        "2007-03-04T24:00:00", "2007-03-04T05:60:07", "2007-03-04T05:06:07Z", "20a7-03-04T05:06:07",
        "-007-03-04T05:06:07", "0000-00-00T00:00:01"}) {
    DateTime date = DateTime(1999, 12, 31, 0, 0, 1);
    EXPECT_FALSE(date.fromString(text)) << text;
    EXPECT_EQ(date, DateTime(1999, 12, 31, 0, 0, 1)) << text;
  }
}

}  // namespace
