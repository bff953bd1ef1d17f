#include "framework/date_time.h"

#include <gtest/gtest.h>

namespace {

using Korvane::Soa::Common::DateTime;

TEST(DateTimeTest, EqualValuesCompareEqualAndNeitherOrderedBefore) {
  const DateTime a(2007, 1, 31, 23, 59, 58);
  const DateTime b(2007, 1, 31, 23, 59, 58);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a != b);
  EXPECT_TRUE(a <= b);
  EXPECT_TRUE(a >= b);
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(a > b);
}

TEST(DateTimeTest, OrderIsChronologicalFieldByField) {
  const DateTime earlier(2007, 1, 31, 23, 59, 58);
  const DateTime laterSecond(2007, 1, 31, 23, 59, 59);
  const DateTime laterYear(2008, 1, 1, 0, 0, 0);
  const DateTime laterMonth(2007, 2, 1, 0, 0, 0);
  for (const DateTime& later : {laterSecond, laterYear, laterMonth}) {
    EXPECT_TRUE(later > earlier);
    EXPECT_TRUE(later >= earlier);
    EXPECT_FALSE(later <= earlier);
    EXPECT_TRUE(earlier < later);
    EXPECT_TRUE(earlier != later);
  }
}

TEST(DateTimeTest, WritesAndReadsTheWireForm) {
  const DateTime date(2007, 3, 4, 5, 6, 7);
  EXPECT_EQ(date.toString(), "2007-03-04T05:06:07");
  DateTime read;
  ASSERT_TRUE(read.fromString("2007-03-04T05:06:07"));
  EXPECT_EQ(read, date);
  EXPECT_EQ(DateTime().toString(), "0000-00-00T00:00:00");
  EXPECT_TRUE(read.fromString("0000-00-00T00:00:00"));
  EXPECT_EQ(read, DateTime());
}

TEST(DateTimeTest, RefusesOtherTextAndLeavesTheValue) {
  const DateTime kept(1999, 12, 31, 0, 0, 1);
  for (const char* text :
       {"", "2007-03-04", "2007-03-04 05:06:07", "2007-13-04T05:06:07", "2007-03-00T05:06:07",
        "2007-03-04T24:00:00", "2007-03-04T05:60:07", "2007-03-04T05:06:07Z", "20a7-03-04T05:06:07",
        "-007-03-04T05:06:07", "0000-00-00T00:00:01"}) {
    DateTime date = kept;
    EXPECT_FALSE(date.fromString(text)) << text;
    EXPECT_EQ(date, kept) << text;
  }
}

}  // namespace
