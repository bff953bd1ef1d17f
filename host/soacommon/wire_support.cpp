#include "framework/wire_support.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {
namespace Wire {

namespace {

// Values are quoted in messages up to this many bytes, so that a huge attribute cannot make a
// huge message.
constexpr std::size_t kQuotedValueBytes = 64;

std::string quoted(std::string_view value) {
  if (value.size() <= kQuotedValueBytes) {
    return '"' + std::string(value) + '"';
  }
  std::size_t cut = kQuotedValueBytes;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) {
    --cut;  // Never split a UTF-8 character.
  }
  return '"' + std::string(value.substr(0, cut)) + "\"... (" + std::to_string(value.size()) +
         " bytes)";
}

[[noreturn]] void malformed(const XMLNode& node, const char* record, const std::string& field,
                            std::string_view value, const char* expected) {
  throw XmlParseError(
      node.line(), node.column(),
      std::string(record) + "." + field + ": " + quoted(value) + " is not " + expected);
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
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && isSpace(text[begin])) {
    ++begin;
  }
  while (end > begin && isSpace(text[end - 1])) {
    --end;
  }
  double value = 0;
  const auto result = std::from_chars(text.data() + begin, text.data() + end, value);
  // from_chars reads "nan" and "inf" in any spelling: neither is a number a field can hold.
  if (begin == end || result.ec != std::errc() || result.ptr != text.data() + end ||
      !std::isfinite(value)) {
    malformed(element, record, field, text, "a finite number");
  }
  return value;
}

void refuseUnknownAttribute(const XMLNode& node, const char* record,
                            std::initializer_list<const char*> known) {
  for (const XMLNode::Attribute& attribute : node.attributes()) {
    const std::string& name = *attribute.name;
    if (std::none_of(known.begin(), known.end(),
                     [&name](const char* field) { return name == field; })) {
      throw XmlParseError(node.line(), node.column(),
                          "unknown attribute " + quoted(name) + " in " + record);
    }
  }
  throw XmlParseError(node.line(), node.column(),
                      std::string("attributes that ") + record + " does not declare");
}

void refuseUnknownElement(const XMLNode& element, const char* record) {
  throw XmlParseError(element.line(), element.column(),
                      "unknown element " + quoted(element.name()) + " in " + record);
}

void refuseRepeatedElement(const XMLNode& element, const char* record) {
  throw XmlParseError(
      element.line(), element.column(),
      "element " + quoted(element.name()) + " given twice in " + record + ", which holds one");
}

}  // namespace Wire
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
