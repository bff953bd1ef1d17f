#include "framework/wire_support.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {
namespace Wire {

namespace {

[[noreturn]] void malformed(const XMLNode& node, const char* record, const std::string& field,
                            std::string_view value, const char* expected) {
  throw XmlParseError(node.line(), node.column(),
                      std::string(record) + "." + field + ": " + XmlParseError::quote(value) +
                          " is not " + expected);
}

bool isXmlSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Whether a number beyond the range of a double (from_chars found it so) is too near zero rather
// than too large: whether the decimal exponent of its first significant digit, its exponent part
// included, is negative. `number` is an optional '-', digits with at most one '.', and an
// optional exponent part.
bool isBelowRange(std::string_view number) {
  std::size_t at = !number.empty() && number[0] == '-' ? 1 : 0;
  long long scale = 0;  // The first significant digit's decimal exponent, the exponent part aside.
  bool significant = false;
  bool fraction = false;
  for (; at < number.size() &&
         (std::isdigit(static_cast<unsigned char>(number[at])) != 0 || number[at] == '.');
       ++at) {
    if (number[at] == '.') {
      fraction = true;
    } else if (!significant) {
      scale -= fraction ? 1 : 0;
      significant = number[at] != '0';
    } else if (!fraction) {
      ++scale;
    }
  }
  long long exponent = 0;
  bool negative = false;
  if (at < number.size() && (number[at] == 'e' || number[at] == 'E')) {
    ++at;
    if (at < number.size() && (number[at] == '-' || number[at] == '+')) {
      negative = number[at] == '-';
      ++at;
    }
    // Saturated far beyond any exponent a double has, so that no digit string overflows it.
    constexpr long long kSaturated = 1000000000;
    for (; at < number.size() && std::isdigit(static_cast<unsigned char>(number[at])) != 0; ++at) {
      exponent = std::min(kSaturated, exponent * 10 + (number[at] - '0'));
    }
  }
  return scale + (negative ? -exponent : exponent) < 0;
}

// A list element of strings or doubles holds its value as text and nothing else.
void checkValueElement(const XMLNode& element, const char* record, const std::string& field) {
  const std::string where = std::string(record) + "." + field;
  if (!element.children().empty()) {
    refuseUnknownElement(*element.children().front(), where.c_str());
  }
  if (!element.attributes().empty()) {
    refuseUnknownAttribute(element, where.c_str(), {});
  }
}

}  // namespace

bool readString(const XMLNode& node, const std::string& field, std::string& value) {
  const std::string_view* text = node.attr(field);
  if (text == nullptr) {
    value.clear();
    return false;
  }
  value = *text;
  if (const std::size_t bytes = heapBytes(value)) {
    charge(node, bytes);
  }
  return true;
}

bool readBool(const XMLNode& node, const char* record, const std::string& field, bool& value,
              bool absent) {
  const std::string_view* text = node.attr(field);
  if (text == nullptr) {
    value = absent;
    return false;
  }
  if (*text == "true" || *text == "1") {
    value = true;
  } else if (*text == "false" || *text == "0") {
    value = false;
  } else {
    malformed(node, record, field, *text, "a flag (true, false, 1 or 0)");
  }
  return true;
}

bool readInt(const XMLNode& node, const char* record, const std::string& field, int& value,
             int absent) {
  const std::string_view* text = node.attr(field);
  if (text == nullptr) {
    value = absent;
    return false;
  }
  const char* first = text->data();
  const char* last = first + text->size();
  int parsed = 0;
  const auto result = std::from_chars(first, last, parsed);
  if (text->empty() || result.ec != std::errc() || result.ptr != last) {
    malformed(node, record, field, *text, "a 32-bit integer");
  }
  value = parsed;
  return true;
}

bool readDate(const XMLNode& node, const char* record, const std::string& field, DateTime& value) {
  const std::string_view* text = node.attr(field);
  if (text == nullptr) {
    value = DateTime();
    return false;
  }
  if (!value.fromString(*text)) {
    malformed(node, record, field, *text, "a date that exists (YYYY-MM-DDThh:mm:ss)");
  }
  return true;
}

const std::string& readText(const XMLNode& element, const char* record, const std::string& field) {
  checkValueElement(element, record, field);
  return element.text();
}

double readDouble(const XMLNode& element, const char* record, const std::string& field) {
  checkValueElement(element, record, field);
  const std::string& text = element.text();
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isXmlSpace(text[begin])) {
    ++begin;
  }
  while (end > begin && isXmlSpace(text[end - 1])) {
    --end;
  }
  // A leading '+' is a sign that from_chars does not take; it must be followed by the number.
  if (end - begin > 1 && text[begin] == '+' && text[begin + 1] != '-' && text[begin + 1] != '+') {
    ++begin;
  }
  const std::string_view number(text.data() + begin, end - begin);
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  const bool whole = !number.empty() && result.ptr == number.data() + number.size();
  if (whole && result.ec == std::errc::result_out_of_range) {
    // Nearer to zero than the smallest double reads as zero, as rounding to the nearest double
    // gives; beyond the largest double no value is near.
    if (isBelowRange(number)) {
      return number[0] == '-' ? -0.0 : 0.0;
    }
    throw XmlParseError(element.line(), element.column(),
                        std::string(record) + "." + field + ": " + XmlParseError::quote(text) +
                            " is out of the range of a double");
  }
  // from_chars reads "nan" and "inf" in any spelling: neither is a number a field can hold.
  if (!whole || result.ec != std::errc() || !std::isfinite(value)) {
    malformed(element, record, field, text, "a finite number");
  }
  return value;
}

void refuseNonSpaceText(const XMLNode& node, const char* record) {
  const std::string& text = node.text();
  const auto begin = std::find_if_not(text.begin(), text.end(), isXmlSpace);
  if (begin == text.end()) {
    return;
  }
  const auto end = std::find_if_not(text.rbegin(), text.rend(), isXmlSpace).base();
  throw XmlParseError(node.line(), node.column(),
                      "text " + XmlParseError::quote(std::string_view(&*begin, end - begin)) +
                          " in " + record + ", which holds no text (only attributes and elements)");
}

void addText(std::vector<std::string>& list, const XMLNode& element, const char* record,
             const std::string& field) {
  const std::string& text = readText(element, record, field);
  makeRoom(list, 1, element);
  list.push_back(text);
  if (const std::size_t bytes = heapBytes(list.back())) {
    charge(element, bytes);
  }
}

void addDouble(std::vector<double>& list, const XMLNode& element, const char* record,
               const std::string& field) {
  const double value = readDouble(element, record, field);
  makeRoom(list, 1, element);
  list.push_back(value);
}

void refuseUnknownAttribute(const XMLNode& node, const char* record,
                            std::initializer_list<const char*> known) {
  for (const XMLNode::Attribute& attribute : node.attributes()) {
    const std::string& name = *attribute.name;
    if (std::none_of(known.begin(), known.end(),
                     [&name](const char* field) { return name == field; })) {
      throw XmlParseError(node.line(), node.column(),
                          "unknown attribute " + XmlParseError::quote(name) + " in " + record);
    }
  }
  throw XmlParseError(node.line(), node.column(),
                      std::string("attributes that ") + record + " does not declare");
}

void refuseUnknownElement(const XMLNode& element, const char* record) {
  throw XmlParseError(element.line(), element.column(),
                      "unknown element " + XmlParseError::quote(element.name()) + " in " + record);
}

void refuseRepeatedElement(const XMLNode& element, const char* record) {
  throw XmlParseError(element.line(), element.column(),
                      "element " + XmlParseError::quote(element.name()) + " given twice in " +
                          record + ", which holds one");
}

}  // namespace Wire
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
