// What generated wire-record code (tools/wiregen.py) relies on: attribute and text readers that
// report malformed values, a reparse helper and the registry entry type.
#pragma once

#include <initializer_list>
#include <string>

#include "framework/date_time.h"
#include "framework/xml_node.h"
#include "framework/xml_parse_error.h"
#include "framework/xml_stream.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// One record type of a generated description, for tests and fuzzing.
struct WireRecordType {
  const char* name;  // The record's name (also the root element of `sample`).
  // Parses `node` into a fresh record and returns what the record writes back as `elementName`.
  // Raises XmlParseError for a malformed value.
  std::string (*reparse)(const XMLNode& node, const std::string& elementName);
  // A document of this record with every field set, exactly as outputXML writes it.
  const char* sample;
};

namespace Wire {

// The readers of a field kept in an attribute of `node`. Each stores the attribute's value and
// answers true when the attribute is there; when it is not, each stores the field's default
// (empty, `absent`, the "no date" value) and answers false. A value that is not of the field's
// kind raises XmlParseError at the element's position, naming `record`, `field` and the value.
bool readString(const XMLNode& node, const std::string& field, std::string& value);
// "true", "false", "1" or "0".
bool readBool(const XMLNode& node, const char* record, const std::string& field, bool& value,
              bool absent = false);
// A 32-bit decimal integer: an optional '-' and digits, nothing else.
bool readInt(const XMLNode& node, const char* record, const std::string& field, int& value,
             int absent = 0);
// "YYYY-MM-DDThh:mm:ss" (see DateTime::fromString), a date that exists, or the "no date" value.
bool readDate(const XMLNode& node, const char* record, const std::string& field, DateTime& value);

// The value of a list element of strings: the element's text. The element carries nothing else.
const std::string& readText(const XMLNode& element, const char* record, const std::string& field);
// The value of a list element of doubles: the element's text (surrounding white space allowed),
// a finite number. The element carries nothing else.
double readDouble(const XMLNode& element, const char* record, const std::string& field);

// Refuse what a record does not declare, naming it, the record and the position.
// `node` carries an attribute not named in `known` (the record's attribute fields).
[[noreturn]] void refuseUnknownAttribute(const XMLNode& node, const char* record,
                                         std::initializer_list<const char*> known);
// `element` is a child that the record has no field for.
[[noreturn]] void refuseUnknownElement(const XMLNode& element, const char* record);
// `element` is a second element of a field that holds one record.
[[noreturn]] void refuseRepeatedElement(const XMLNode& element, const char* record);

// Parses `node` into a fresh Record and writes it back as `elementName`.
template <class Record>
std::string reparse(const XMLNode& node, const std::string& elementName) {
  Record record;
  record.parse(node);
  XmlStream stream;
  record.outputXML(stream, elementName);
  return stream.takeText();
}

}  // namespace Wire
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
