// The output stream into which wire records write themselves as XML.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
class DateTime;
namespace Xml {

// The pieces of writing that the stream's inline members share with its escaper: each library
// keeps its own (not exported).
SOACAD_API_END
namespace Writing {

// Copies `size` bytes; the short pieces that make up most of a document (names, ids, class
// names) are copied in place rather than by a call.
inline __attribute__((always_inline)) void copyBytes(char* to, const char* from, std::size_t size) {
  if (size >= 8 && size <= 16) {
    std::memcpy(to, from, 8);
    std::memcpy(to + size - 8, from + size - 8, 8);
  } else if (size >= 4 && size < 8) {
    std::memcpy(to, from, 4);
    std::memcpy(to + size - 4, from + size - 4, 4);
  } else if (size > 16) {
    std::memcpy(to, from, size);
  } else {
    for (std::size_t i = 0; i < size; ++i) {
      to[i] = from[i];
    }
  }
}

// Whether the eight bytes at `p` are all printable ASCII other than the five specials, so
// that they are written as they are in text and in attribute values alike.
inline __attribute__((always_inline)) bool isPlainWord(const char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  // A byte is below `limit` (at most 0x80) when subtracting it borrows into its high bit;
  // bytes with the high bit set are ruled out first, so no borrow crosses into them.
  const auto below = [](std::uint64_t w, std::uint64_t limit) {
    return (w - kOnes * limit) & ~w & kHighBits;
  };
  const auto has = [&below](std::uint64_t w, std::uint64_t value) {
    return below(w ^ (kOnes * value), 1);
  };
  if ((word & kHighBits) != 0 || below(word, 0x20) != 0) {
    return false;
  }
  return (has(word, '&') | has(word, '<') | has(word, '>') | has(word, '"') | has(word, '\'')) == 0;
}

// Whether `value` needs no escaping at all, as most values do.
inline bool isPlain(const char* data, std::size_t size) {
  if (size < 8) {
    for (std::size_t i = 0; i < size; ++i) {
      const unsigned char c = static_cast<unsigned char>(data[i]);
      if (c < 0x20 || c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"' || c == '\'') {
        return false;
      }
    }
    return true;
  }
  std::size_t at = 0;
  for (; at + 8 <= size; at += 8) {
    if (!isPlainWord(data + at)) {
      return false;
    }
  }
  // The last bytes as one word that overlaps the words already checked.
  return at == size || isPlainWord(data + size - 8);
}

}  // namespace Writing
SOACAD_API_BEGIN

// What an XmlStream throws when a piece would take its text past the stream's ceiling (see
// XmlStream(std::size_t)). Nothing past the ceiling is written; what was written before stays
// (a value that needs escaping may be cut where the refused piece began), and the document is
// unfinished.
class XmlStreamFull : public std::length_error {
 public:
  explicit XmlStreamFull(std::size_t maxBytes);
  // The ceiling that the text would have passed.
  std::size_t maxBytes() const { return maxBytes_; }

 private:
  std::size_t maxBytes_;
};

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
// written straight into the stream's own blocks (see below), which also receive what is
// written with `<<`; str() and takeText() join them into one string. The string stream
// part underneath holds nothing: read the text through this class, not through a reference to
// std::stringstream. The common pieces (start and end tags, attributes and text that need no
// escaping) are written inline, with one room check each.
//
// A stream may have a ceiling on its text: a piece that would take the text past it is refused
// (XmlStreamFull) before any memory is taken for it, so a document too large to be answered
// costs at most its ceiling. The stream never holds more than the ceiling, spare room included.
// The text grows in blocks that are never copied while it is written; takeText() hands it out
// as one string, giving each block back as it is copied.
class XmlStream : public std::stringstream {
 public:
  // A stream without a ceiling.
  XmlStream();
  // A stream whose text may have at most `maxBytes` bytes.
  explicit XmlStream(std::size_t maxBytes);
  virtual ~XmlStream();
  XmlStream(const XmlStream&) = delete;
  XmlStream& operator=(const XmlStream&) = delete;

  // Opens a child element of the current one (or the root). The start tag stays open for
  // attributes until text, a child or the end of the element follows.
  void startElement(const std::string& name) {
    closeStartTag();
    char* at = reserve(name.size() + 1);
    at[0] = '<';
    Writing::copyBytes(at + 1, name.data(), name.size());
    openElements_.emplace_back(at + 1, name.size());
    startTagOpen_ = true;
  }
  // Closes the innermost open element ("/>" when it got no content).
  // Throws std::logic_error when no element is open.
  void endElement() {
    if (openElements_.empty()) {
      refuseEndElement();
    }
    if (startTagOpen_) {
      char* at = reserve(2);
      at[0] = '/';
      at[1] = '>';
      startTagOpen_ = false;
    } else {
      const auto [name, length] = openElements_.back();
      char* at = reserve(length + 3);
      at[0] = '<';
      at[1] = '/';
      // The name stands earlier in the text, whose blocks never move.
      Writing::copyBytes(at + 2, name, length);
      at[length + 2] = '>';
    }
    openElements_.pop_back();
  }

  // Each throws std::logic_error unless a start tag is open (see the usage note above).
  // A null `value` writes an empty attribute. Doubles are written in their shortest form that
  // reads back as the same value; bools as "true"/"false"; dates as "YYYY-MM-DDThh:mm:ss".
  void attribute(const std::string& name, const std::string& value) {
    requireStartTag(name);
    const std::size_t nameSize = name.size();
    const std::size_t valueSize = value.size();
    // Room for the value as it is; a value that needs escaping gives that room back.
    char* at = reserve(nameSize + valueSize + 4);
    at[0] = ' ';
    Writing::copyBytes(at + 1, name.data(), nameSize);
    at += nameSize + 1;
    at[0] = '=';
    at[1] = '"';
    if (Writing::isPlain(value.data(), valueSize)) {
      Writing::copyBytes(at + 2, value.data(), valueSize);
      at[valueSize + 2] = '"';
    } else {
      at_ -= valueSize + 1;
      appendEscaped(value, kAttributeTable);
      *reserve(1) = '"';
    }
  }
  void attribute(const std::string& name, const char* value);
  void attribute(const std::string& name, bool value);
  void attribute(const std::string& name, int value);
  void attribute(const std::string& name, double value);
  void attribute(const std::string& name, const DateTime& value);

  // Character data inside the current element. Throws std::logic_error when no element is open.
  void text(const std::string& value) {
    requireElement();
    closeStartTag();
    appendValue(value, kTextTable);
  }
  void text(double value);

  // An element with only text: <name>value</name>.
  void textElement(const std::string& name, const std::string& value) {
    closeStartTag();
    const std::size_t nameSize = name.size();
    const std::size_t valueSize = value.size();
    if (!Writing::isPlain(value.data(), valueSize)) {
      startElement(name);
      text(value);
      endElement();
      return;
    }
    char* at = reserve(2 * nameSize + valueSize + 5);
    at[0] = '<';
    Writing::copyBytes(at + 1, name.data(), nameSize);
    at += nameSize + 1;
    at[0] = '>';
    Writing::copyBytes(at + 1, value.data(), valueSize);
    at += valueSize + 1;
    at[0] = '<';
    at[1] = '/';
    Writing::copyBytes(at + 2, name.data(), nameSize);
    at[nameSize + 2] = '>';
  }
  void textElement(const std::string& name, double value);

  // The text written so far.
  std::string str() const;
  // The bytes of the text written so far.
  std::size_t size() const { return finishedBytes_ + static_cast<std::size_t>(at_ - begin_); }
  // Hands out the text written so far; the stream starts again empty, with no element open.
  // Each block is given back as soon as it is copied into the text, so handing out a long text
  // takes about its size once more at the most, not twice.
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

  // What the escaper does with each byte value, in text and in attribute values.
  using ByteTable = std::array<std::uint8_t, 256>;
  static const ByteTable kTextTable;
  static const ByteTable kAttributeTable;

  // Where the next `size` bytes go; the caller writes exactly that many.
  char* reserve(std::size_t size) {
    if (static_cast<std::size_t>(end_ - at_) < size) {
      grow(size);
    }
    char* at = at_;
    at_ += size;
    return at;
  }
  // Starts a new block with room for at least `needed` bytes. Throws XmlStreamFull when the
  // text and `needed` more bytes would pass the ceiling.
  void grow(std::size_t needed);
  // Gives every block back: the stream is empty.
  void releaseBlocks() noexcept;
  void append(const char* data, std::size_t size) {
    if (size != 0) {
      Writing::copyBytes(reserve(size), data, size);
    }
  }
  void append(const std::string& data) { append(data.data(), data.size()); }
  void append(char c) { *reserve(1) = c; }
  // Appends `value` escaped by `table` (text or attribute values).
  void appendValue(const std::string& value, const ByteTable& table) {
    if (Writing::isPlain(value.data(), value.size())) {
      append(value.data(), value.size());
    } else {
      appendEscaped(value, table);
    }
  }
  void appendEscaped(const std::string& value, const ByteTable& table);
  void closeStartTag() {
    if (startTagOpen_) {
      *reserve(1) = '>';
      startTagOpen_ = false;
    }
  }
  void requireStartTag(const std::string& attributeName) const {
    if (!startTagOpen_) {
      refuseAttribute(attributeName);
    }
  }
  void requireElement() const {
    if (openElements_.empty()) {
      refuseText();
    }
  }
  [[noreturn]] static void refuseAttribute(const std::string& attributeName);
  [[noreturn]] static void refuseText();
  [[noreturn]] static void refuseEndElement();
  // Writes ` name="` + raw + `"` for values that need no escaping (numbers, flags, dates).
  void plainAttribute(const std::string& name, const char* raw, std::size_t size);

  std::map<std::string, std::string> namespaces_;  // Namespace URI to prefix (unused so far).
  // Where the name of each open element stands in the text (start, length), innermost last:
  // the end tag copies it from there.
  std::vector<std::pair<const char*, std::size_t>> openElements_;
  bool startTagOpen_ = false;
  // The text is written into blocks that never move and grow geometrically, so the stream
  // neither clears nor copies what it holds as it grows; str() and takeText() join the blocks
  // in one copy. The finished blocks in order, then the current one: from begin_, written up
  // to at_, room up to end_.
  struct Block {
    char* data;
    std::size_t used;
    std::size_t capacity;
  };
  // Blocks from kMappedBlockBytes up are mapped from the system rather than taken from the
  // heap, so that a block given back returns its memory at once: a long text handed out by
  // takeText() would otherwise be held twice, once in the heap's keeping.
  static constexpr std::size_t kMappedBlockBytes = 256 * 1024;
  static char* allocateBlock(std::size_t capacity);
  static void releaseBlock(char* data, std::size_t capacity) noexcept;

  std::size_t maxBytes_ = std::numeric_limits<std::size_t>::max();
  std::vector<Block> finished_;
  std::size_t finishedBytes_ = 0;
  char* begin_ = nullptr;
  char* at_ = nullptr;
  char* end_ = nullptr;
  Forward forward_{*this};
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
