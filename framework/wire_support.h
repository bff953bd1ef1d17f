// What generated wire-record code (tools/wiregen.py) relies on: attribute and text readers that
// report malformed values, a reparse helper and the registry entry type.
#pragma once

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
// (empty, false, 0, the "no date" value) and answers false. A value that is not of the field's
// kind raises XmlParseError at the element's position, naming `record`, `field` and the value.
bool readString(const XMLNode& node, const std::string& field, std::string& value);
// "true", "false", "1" or "0".
bool readBool(const XMLNode& node, const char* record, const std::string& field, bool& value);
// A 32-bit decimal integer: an optional '-' and digits, nothing else.
bool readInt(const XMLNode& node, const char* record, const std::string& field, int& value);
// "YYYY-MM-DDThh:mm:ss" (see DateTime::fromString).
bool readDate(const XMLNode& node, const char* record, const std::string& field, DateTime& value);

// The value of a list element of doubles: the element's text (surrounding white space allowed).
double readDouble(const XMLNode& element, const char* record, const std::string& field);

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
