#include "host/object/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace host {

TagList::TagList(TagList&& other) noexcept {
  construct();
  takeFrom(other);
}

TagList& TagList::operator=(const TagList& other) {
  if (this != &other) {
    assign(other.begin(), other.end());
  }
  return *this;
}

TagList& TagList::operator=(TagList&& other) noexcept {
  if (this != &other) {
    release();
    takeFrom(other);
  }
  return *this;
}

void TagList::takeFrom(TagList& other) noexcept {
  size_ = other.size_;
  capacity_ = other.capacity_;
  if (other.onHeap()) {
    storage_.many = other.storage_.many;
    other.capacity_ = kInPlace;
    other.construct();
  } else {
    std::copy(other.storage_.few, other.storage_.few + size_, storage_.few);
  }
  other.size_ = 0;
}

void TagList::release() {
  if (onHeap()) {
    delete[] storage_.many;
    capacity_ = kInPlace;
    construct();
  }
}

void TagList::reserve(size_type capacity) {
  if (capacity <= capacity_) {
    return;
  }
  Tag* grown = new Tag[capacity];
  std::copy(begin(), end(), grown);
  const std::uint32_t size = size_;
  release();
  storage_.many = grown;
  capacity_ = static_cast<std::uint32_t>(capacity);
  size_ = size;
}

void TagList::resize(size_type size) {
  reserve(size);
  std::fill(data() + std::min<size_type>(size, size_), data() + size, Tag());
  size_ = static_cast<std::uint32_t>(size);
}

void TagList::push_back(Tag tag) {
  if (size_ == capacity_) {
    reserve(std::size_t{capacity_} * 2);
  }
  data()[size_++] = tag;
}

TagList::iterator TagList::insert(const_iterator position, Tag tag) {
  const std::size_t at = static_cast<std::size_t>(position - begin());
  push_back(tag);
  std::rotate(begin() + at, end() - 1, end());
  return begin() + at;
}

TagList::iterator TagList::erase(const_iterator position) {
  const std::size_t at = static_cast<std::size_t>(position - begin());
  std::copy(begin() + at + 1, end(), begin() + at);
  --size_;
  return begin() + at;
}

namespace {

struct TypeName {
  ValueType type;
  const char* name;
};
constexpr TypeName kTypeNames[] = {
    {ValueType::string, "string"}, {ValueType::integer, "int"},
    {ValueType::real, "double"},   {ValueType::logical, "logical"},
    {ValueType::date, "date"},     {ValueType::reference, "reference"},
};

// Reads exactly `digits` decimal digits at `text[at]`.
bool readDigits(const std::string& text, std::size_t at, int digits, int* value) {
  int result = 0;
  for (int i = 0; i < digits; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') {
      return false;
    }
    result = result * 10 + (c - '0');
  }
  *value = result;
  return true;
}

// The whole text as a number (an optional leading '+' allowed); `value` is left alone when the
// text is anything else.
template <class Number>
bool parseNumber(const std::string& text, Number* value) {
  if (text.empty()) {
    return false;
  }
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (*begin == '+') {
    ++begin;
  }
  Number result = 0;
  const auto parsed = std::from_chars(begin, end, result);
  if (parsed.ec != std::errc() || parsed.ptr != end) {
    return false;
  }
  *value = result;
  return true;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool validDate(const Date& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= daysInMonth(d.year, d.month) && d.hour >= 0 && d.hour <= 23 && d.minute >= 0 &&
         d.minute <= 59 && d.second >= 0 && d.second <= 59;
}

}  // namespace

const char* valueTypeName(ValueType type) {
  for (const TypeName& entry : kTypeNames) {
    if (entry.type == type) {
      return entry.name;
    }
  }
  return "string";
}

bool parseValueType(const std::string& name, ValueType* type) {
  for (const TypeName& entry : kTypeNames) {
    if (name == entry.name) {
      *type = entry.type;
      return true;
    }
  }
  return false;
}

std::string integerText(int value) {
  return std::to_string(value);
}

std::string realText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string logicalText(bool value) {
  return value ? "true" : "false";
}

std::string dateText(const Date& date) {
  if (date.isNull()) {
    return std::string();
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", date.year, date.month,
                date.day, date.hour, date.minute, date.second);
  return buffer;
}

bool parseInteger(const std::string& text, int* value) {
  return parseNumber(text, value);
}

bool parseReal(const std::string& text, double* value) {
  double result = 0;
  if (!parseNumber(text, &result) || !std::isfinite(result)) {
    return false;
  }
  *value = result;
  return true;
}

bool parseLogical(const std::string& text, bool* value) {
  if (text == "true" || text == "1") {
    *value = true;
  } else if (text == "false" || text == "0") {
    *value = false;
  } else {
    return false;
  }
  return true;
}

bool parseDate(const std::string& text, Date* date) {
  // YYYY-MM-DDThh:mm:ss
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  Date result;
  if (!readDigits(text, 0, 4, &result.year) || !readDigits(text, 5, 2, &result.month) ||
      !readDigits(text, 8, 2, &result.day) || !readDigits(text, 11, 2, &result.hour) ||
      !readDigits(text, 14, 2, &result.minute) || !readDigits(text, 17, 2, &result.second) ||
      !validDate(result)) {
    return false;
  }
  *date = result;
  return true;
}

bool canonicalText(ValueType type, const std::string& text, std::string* canonical) {
  switch (type) {
    case ValueType::string:
      *canonical = text;
      return true;
    case ValueType::integer: {
      int value = 0;
      if (!parseInteger(text, &value)) {
        return false;
      }
      *canonical = integerText(value);
      return true;
    }
    case ValueType::real: {
      double value = 0;
      if (!parseReal(text, &value)) {
        return false;
      }
      *canonical = realText(value);
      return true;
    }
    case ValueType::logical: {
      bool value = false;
      if (!parseLogical(text, &value)) {
        return false;
      }
      *canonical = logicalText(value);
      return true;
    }
    case ValueType::date: {
      Date value;
      if (!parseDate(text, &value)) {
        return false;
      }
      *canonical = dateText(value);
      return true;
    }
    case ValueType::reference:
      return false;
  }
  return false;
}

}  // namespace host
