// The output stream into which wire records write themselves as XML.
#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <sstream>
#include <string>

namespace Korvane {
namespace Soa {
namespace Common {
class DateTime;
namespace Xml {

// A std::stringstream with an element writer on top. Every text and attribute value that goes
// through the writer is escaped, so whatever the strings hold the output is well-formed XML and
// reads back as the same text:
// - the five XML specials (& < > " ') become entities, in text and in attributes;
// - in attributes, tab, line feed and carriage return become character references (so they
//   survive attribute-value normalisation); in text, carriage return does (so it survives
//   end-of-line normalisation), while tab and line feed stay as they are;
// - what XML 1.0 cannot carry at all (other control characters, U+FFFE, U+FFFF and bytes that
//   are not valid UTF-8) becomes U+FFFD.
// Element and attribute names are not escaped: they come from the program, never from a request,
// and must be XML names. No XML declaration is written.
//
// Usage: startElement("PartInfo"); attribute("clientId", id); ... endElement();
// Attributes must come before any child element or text of the same element. The writer writes
// straight into the stream's buffer, so str() shows everything written so far.
class XmlStream : public std::stringstream {
 public:
  XmlStream();
  virtual ~XmlStream();

  // Opens a child element of the current one (or the root). The start tag stays open for
  // attributes until text, a child or the end of the element follows.
  void startElement(const std::string& name);
  // Closes the innermost open element ("/>" when it got no content).
  // Throws std::logic_error when no element is open.
  void endElement();

  // Each throws std::logic_error unless a start tag is open (see the usage note above).
  // A null `value` writes an empty attribute. Doubles are written in their shortest form that
  // reads back as the same value; bools as "true"/"false"; dates as "YYYY-MM-DDThh:mm:ss".
  void attribute(const std::string& name, const std::string& value);
  void attribute(const std::string& name, const char* value);
  void attribute(const std::string& name, bool value);
  void attribute(const std::string& name, int value);
  void attribute(const std::string& name, double value);
  void attribute(const std::string& name, const DateTime& value);

  // Character data inside the current element. Throws std::logic_error when no element is open.
  void text(const std::string& value);
  void text(double value);

  // An element with only text: <name>value</name>.
  void textElement(const std::string& name, const std::string& value);
  void textElement(const std::string& name, double value);

  // Appends `value` to `out` escaped for element content / for an attribute value.
  static void escapeText(const std::string& value, std::string& out);
  static void escapeAttribute(const std::string& value, std::string& out);

 private:
  void closeStartTag();
  void requireStartTag(const std::string& attributeName) const;
  void put(const char* data, std::size_t size);
  void put(const std::string& data) { put(data.data(), data.size()); }
  // Writes ` name="` + raw + `"` for values that need no escaping (numbers, flags, dates).
  void plainAttribute(const std::string& name, const char* raw, std::size_t size);

  std::map<std::string, std::string> namespaces_;  // Namespace URI to prefix (unused so far).
  std::deque<std::string> openElements_;           // Names of the open elements, innermost last.
  bool startTagOpen_ = false;
  std::string scratch_;  // Reused buffer for escaping.
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
