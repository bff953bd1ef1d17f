#include "framework/date_time.h"

#include <cstdio>
#include <tuple>

namespace Korvane {
namespace Soa {
namespace Common {

namespace {

// Reads `count` decimal digits at `text`; false when any of them is not a digit.
bool readDigits(const char* text, int count, int& value) {
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return false;
    }
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

}  // namespace

bool DateTime::operator==(const DateTime& other) const {
  return year_ == other.year_ && month_ == other.month_ && day_ == other.day_ &&
         hour_ == other.hour_ && minute_ == other.minute_ && second_ == other.second_;
}

bool DateTime::operator<(const DateTime& other) const {
  return std::tie(year_, month_, day_, hour_, minute_, second_) <
         std::tie(other.year_, other.month_, other.day_, other.hour_, other.minute_, other.second_);
}

bool DateTime::operator>(const DateTime& other) const {
  return other < *this;
}

std::string DateTime::toString() const {
  // Wide enough for six fields of any int value, so the text is never cut.
  char buffer[96];
  const int length = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", year_,
                                   month_, day_, hour_, minute_, second_);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

namespace {

// Days of `month` (1-12) in `year` of the Gregorian calendar.
int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

}  // namespace

bool DateTime::fromString(std::string_view text) {
  // YYYY-MM-DDThh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  const char* p = text.data();
  int year, month, day, hour, minute, second;
  if (!readDigits(p, 4, year) || !readDigits(p + 5, 2, month) || !readDigits(p + 8, 2, day) ||
      !readDigits(p + 11, 2, hour) || !readDigits(p + 14, 2, minute) ||
      !readDigits(p + 17, 2, second)) {
    return false;
  }
  const bool noDate =
      year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0;
  const bool inRange = month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month) &&
                       hour <= 23 && minute <= 59 && second <= 59;
  if (!noDate && !inRange) {
    return false;
  }
  *this = DateTime(year, month, day, hour, minute, second);
  return true;
}

}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
