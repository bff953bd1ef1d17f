// The date value that date fields of wire records carry.
#pragma once

#include <string>
#include <string_view>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {

// A calendar date and time of day, to the second, without a time zone (the host's dates are
// in the server's reference time). Ordered chronologically, field by field.
class DateTime {
 public:
  // 0000-00-00T00:00:00, the "no date" value.
  DateTime() = default;
  DateTime(int year, int month, int day, int hour, int minute, int second)
      : year_(year), month_(month), day_(day), hour_(hour), minute_(minute), second_(second) {}
  DateTime(const DateTime&) = default;
  DateTime& operator=(const DateTime& other) {
    year_ = other.year_;
    month_ = other.month_;
    day_ = other.day_;
    hour_ = other.hour_;
    minute_ = other.minute_;
    second_ = other.second_;
    return *this;
  }
  ~DateTime() {}

  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }
  int hour() const { return hour_; }
  int minute() const { return minute_; }
  int second() const { return second_; }

  bool operator==(const DateTime& other) const;
  bool operator<(const DateTime& other) const;
  bool operator>(const DateTime& other) const;
  bool operator!=(const DateTime& other) const { return !(*this == other); }
  bool operator>=(const DateTime& other) const { return !(*this < other); }
  bool operator<=(const DateTime& other) const { return !(*this > other); }

  // "YYYY-MM-DDThh:mm:ss" (the wire form).
  std::string toString() const;
  // Reads the wire form; false (and the value unchanged) for any other text or for fields out
  // of range (month 1-12, day 1-31, hour 0-23, minute and second 0-59; or all zero).
  bool fromString(std::string_view text);

 private:
  int year_ = 0;
  int month_ = 0;
  int day_ = 0;
  int hour_ = 0;
  int minute_ = 0;
  int second_ = 0;
};

}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
