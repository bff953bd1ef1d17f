// The output stream into which wire records write themselves as XML.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>

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
// Attributes must come before any child element or text of the same element. Everything is
// written straight into one growing buffer of the stream's own, which also receives what is
// written with `<<`; str() copies it, takeText() hands it out without a copy. The string stream
// part underneath holds nothing: read the text through this class, not through a reference to
// std::stringstream.
class XmlStream : public std::stringstream {
 public:
  XmlStream();
  virtual ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

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

  // The text written so far.
  std::string str() const { return std::string(buffer_.data(), used_); }
  // Hands out the text written so far without copying it; the stream starts again empty, with
  // no element open.
  std::string takeText();

  // Appends `value` to `out` escaped for element content / for an attribute value.
  static void escapeText(const std::string& value, std::string& out);
  static void escapeAttribute(const std::string& value, std::string& out);

 private:
  // Passes what is written with `<<` on to the stream's buffer.
  class Forward : public std::streambuf {
   public:
    explicit Forward(XmlStream& stream) : stream_(stream) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;

   private:
    XmlStream& stream_;
  };

  // Where the next `size` bytes go; the caller writes exactly that many.
  char* reserve(std::size_t size) {
    if (buffer_.size() - used_ < size) {
      grow(size);
    }
    char* at = &buffer_[used_];
    used_ += size;
    return at;
  }
  void grow(std::size_t size);
  void append(const char* data, std::size_t size);
  void append(const std::string& data) { append(data.data(), data.size()); }
  void append(char c) { *reserve(1) = c; }
  // Appends `value` escaped by the byte table of text or of attribute values.
  void appendEscaped(const std::string& value, const std::array<std::uint8_t, 256>& table);
  void closeStartTag();
  void requireStartTag(const std::string& attributeName) const;
  void requireElement() const;
  // Writes ` name="` + raw + `"` for values that need no escaping (numbers, flags, dates).
  void plainAttribute(const std::string& name, const char* raw, std::size_t size);

  std::map<std::string, std::string> namespaces_;  // Namespace URI to prefix (unused so far).
  // Where the name of each open element stands in the buffer (offset, length), innermost last:
  // the end tag copies it from there.
  std::deque<std::pair<std::size_t, std::size_t>> openElements_;
  bool startTagOpen_ = false;
  // The text: the first `used_` bytes of `buffer_`, which grows geometrically.
  std::string buffer_;
  std::size_t used_ = 0;
  Forward forward_{*this};
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
