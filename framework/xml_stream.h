// The output stream into which wire records write themselves as XML.
#pragma once

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
// through the writer is escaped, so whatever the strings hold the output is well-formed XML:
// the five XML specials become entities, tab, line feed and carriage return in attributes become
// character references (so they survive attribute normalisation), and characters that XML 1.0
// cannot carry at all (other control characters, invalid UTF-8) become U+FFFD.
//
// Usage: startElement("PartInfo"); attribute("clientId", id); ... endElement();
// Attributes must come before any child element or text of the same element.
class XmlStream : public std::stringstream {
 public:
  XmlStream();
  virtual ~XmlStream();

  // Opens a child element of the current one (or the root). The start tag stays open for
  // attributes until text, a child or the end of the element follows.
  void startElement(const std::string& name);
  // Closes the innermost open element ("/>" when it got no content).
  void endElement();

  void attribute(const std::string& name, const std::string& value);
  void attribute(const std::string& name, const char* value);
  void attribute(const std::string& name, bool value);
  void attribute(const std::string& name, int value);
  void attribute(const std::string& name, double value);
  void attribute(const std::string& name, const DateTime& value);

  // Character data inside the current element.
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
  void put(const char* data, std::size_t size);
  void put(const std::string& data) { put(data.data(), data.size()); }

  std::map<std::string, std::string> namespaces_;  // Namespace URI to prefix (unused so far).
  std::deque<std::string> openElements_;           // Names of the open elements, innermost last.
  bool startTagOpen_ = false;
  std::string scratch_;  // Reused buffer for escaping.
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
