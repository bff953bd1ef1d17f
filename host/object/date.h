// The host's date value.
#pragma once

#include "framework/visibility.h"

SOACAD_API_BEGIN

// A date and time of day to the second, as the host stores it (month 1-12, day 1-31,
// hour 0-23, minute and second 0-59). All fields zero is the host's null date.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  bool isNull() const {
    return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0;
  }
  bool operator==(const Date& other) const {
    return year == other.year && month == other.month && day == other.day && hour == other.hour &&
           minute == other.minute && second == other.second;
  }
  bool operator!=(const Date& other) const { return !(*this == other); }
};

SOACAD_API_END
