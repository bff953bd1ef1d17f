#include "framework/xml_stream.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>

#include "framework/date_time.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// What the escaper does with each byte value.
enum ByteClass : std::uint8_t {
  kCopy,     // Written as it is.
  kEscape,   // Replaced by its entity or character reference.
  kReplace,  // Cannot appear in XML 1.0 (control character, stray UTF-8 byte): U+FFFD.
  kLead2,    // First byte of a two-byte UTF-8 sequence.
  kLead3,    // ... of a three-byte sequence.
  kLead4,    // ... of a four-byte sequence.
};

using ByteTable = std::array<std::uint8_t, 256>;

constexpr ByteTable makeTable(bool attribute) {
  ByteTable table{};
  for (int c = 0; c < 256; ++c) {
    std::uint8_t kind = kCopy;
    if (c < 0x20) {
      kind = kReplace;
    } else if (c >= 0x80 && c < 0xC2) {
      kind = kReplace;  // Continuation bytes without a lead, and the overlong leads C0, C1.
    } else if (c >= 0xC2 && c <= 0xDF) {
      kind = kLead2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      kind = kLead3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      kind = kLead4;
    } else if (c > 0xF4) {
      kind = kReplace;
    }
    if (c == '&' || c == '<' || c == '>' || c == '"' || c == '\'' || c == '\r') {
      kind = kEscape;
    }
    if (c == '\t' || c == '\n') {
      kind = attribute ? kEscape : kCopy;
    }
    table[c] = kind;
  }
  return table;
}

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8.

// The reference that replaces an escaped byte.
const char* referenceFor(unsigned char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&apos;";
    case '\t':
      return "&#9;";
    case '\n':
      return "&#10;";
    default:
      return "&#13;";
  }
}

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Measures the UTF-8 sequence whose lead byte of class `kind` is at `p` (`left` bytes remain).
// Sets `length` to the bytes it covers and answers whether XML can carry it. A sequence that is
// cut short, overlong, a UTF-16 surrogate or beyond U+10FFFF covers its longest valid prefix
// (at least the lead), so it becomes one U+FFFD; U+FFFE and U+FFFF are whole but not carried.
bool measureSequence(const unsigned char* p, std::size_t left, std::uint8_t kind,
                     std::size_t& length) {
  const std::size_t need = kind == kLead2 ? 2 : kind == kLead3 ? 3 : 4;
  const unsigned char lead = p[0];
  // The second byte's range, narrowed where the lead alone would allow forbidden values.
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead == 0xE0) {
    low = 0xA0;
  } else if (lead == 0xED) {
    high = 0x9F;
  } else if (lead == 0xF0) {
    low = 0x90;
  } else if (lead == 0xF4) {
    high = 0x8F;
  }
  length = 1;
  if (left < 2 || p[1] < low || p[1] > high) {
    return false;
  }
  length = 2;
  while (length < need && length < left && isContinuation(p[length])) {
    ++length;
  }
  if (length < need) {
    return false;
  }
  return !(lead == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF));
}

// Feeds `data` to `sink(const char*, std::size_t)` escaped by `table`. Runs of bytes that need no
// change go to the sink in one call.
template <class Sink>
void escape(const char* data, std::size_t size, const ByteTable& table, Sink&& sink) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  std::size_t runStart = 0;
  std::size_t i = 0;
  while (i < size) {
    if (i + 8 <= size && Writing::isPlainWord(data + i)) {
      i += 8;
      continue;
    }
    // The next eight bytes (or more, to finish a sequence) byte by byte.
    const std::size_t stop = i + 8 < size ? i + 8 : size;
    while (i < stop) {
      const std::uint8_t kind = table[bytes[i]];
      if (kind == kCopy) {
        ++i;
        continue;
      }
      std::size_t length = 1;
      if (kind >= kLead2 && measureSequence(bytes + i, size - i, kind, length)) {
        i += length;
        continue;
      }
      if (i > runStart) {
        sink(data + runStart, i - runStart);
      }
      if (kind == kEscape) {
        const char* reference = referenceFor(bytes[i]);
        sink(reference, std::char_traits<char>::length(reference));
      } else {
        sink(kReplacement, sizeof kReplacement - 1);
      }
      i += length;
      runStart = i;
    }
  }
  if (size > runStart) {
    sink(data + runStart, size - runStart);
  }
}

}  // namespace

XmlStreamFull::XmlStreamFull(std::size_t maxBytes)
    : std::length_error("the document would be longer than " + std::to_string(maxBytes) +
                        " bytes, the most this stream may hold"),
      maxBytes_(maxBytes) {}

XmlStream::XmlStream() {
  std::basic_ios<char>::rdbuf(&forward_);
}

XmlStream::XmlStream(std::size_t maxBytes) : maxBytes_(maxBytes) {
  std::basic_ios<char>::rdbuf(&forward_);
}

XmlStream::~XmlStream() {
  releaseBlocks();
}

XmlStream::Forward::int_type XmlStream::Forward::overflow(int_type c) {
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    stream_.append(traits_type::to_char_type(c));
  }
  return traits_type::not_eof(c);
}

std::streamsize XmlStream::Forward::xsputn(const char* data, std::streamsize size) {
  stream_.append(data, static_cast<std::size_t>(size));
  return size;
}

char* XmlStream::allocateBlock(std::size_t capacity) {
  if (capacity < kMappedBlockBytes) {
    return static_cast<char*>(::operator new(capacity));
  }
  void* mapped =
      ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  return static_cast<char*>(mapped);
}

void XmlStream::releaseBlock(char* data, std::size_t capacity) noexcept {
  if (data == nullptr) {
    return;
  }
  if (capacity < kMappedBlockBytes) {
    ::operator delete(data);
  } else {
    ::munmap(data, capacity);
  }
}

void XmlStream::grow(std::size_t needed) {
  // The first block holds a small reply whole; blocks double up to kLargestBlock, and a piece
  // larger than that gets a block of its own size. No block reaches past the ceiling, so every
  // piece that fits in the room of a block fits under the ceiling too.
  constexpr std::size_t kFirstBlock = 4096;
  constexpr std::size_t kLargestBlock = 1024 * 1024;
  const std::size_t room = maxBytes_ - size();
  if (needed > room) {
    throw XmlStreamFull(maxBytes_);
  }
  const std::size_t current = static_cast<std::size_t>(end_ - begin_);
  std::size_t capacity = current == 0 ? kFirstBlock : std::min(2 * current, kLargestBlock);
  capacity = std::min(std::max(capacity, needed), room);
  finished_.reserve(finished_.size() + 1);
  char* block = allocateBlock(capacity);
  if (at_ != begin_) {
    finished_.push_back(Block{begin_, static_cast<std::size_t>(at_ - begin_), current});
    finishedBytes_ += finished_.back().used;
  } else {
    releaseBlock(begin_, current);
  }
  begin_ = block;
  at_ = block;
  end_ = block + capacity;
}

void XmlStream::releaseBlocks() noexcept {
  for (const Block& block : finished_) {
    releaseBlock(block.data, block.capacity);
  }
  finished_.clear();
  finishedBytes_ = 0;
  releaseBlock(begin_, static_cast<std::size_t>(end_ - begin_));
  begin_ = nullptr;
  at_ = nullptr;
  end_ = nullptr;
}

const XmlStream::ByteTable XmlStream::kTextTable = makeTable(false);
const XmlStream::ByteTable XmlStream::kAttributeTable = makeTable(true);

void XmlStream::appendEscaped(const std::string& value, const ByteTable& table) {
  escape(value.data(), value.size(), table,
         [this](const char* data, std::size_t size) { append(data, size); });
}

std::string XmlStream::str() const {
  std::string text;
  text.reserve(finishedBytes_ + static_cast<std::size_t>(at_ - begin_));
  for (const Block& block : finished_) {
    text.append(block.data, block.used);
  }
  if (at_ != begin_) {
    text.append(begin_, static_cast<std::size_t>(at_ - begin_));
  }
  return text;
}

std::string XmlStream::takeText() {
  std::string text;
  text.reserve(size());
  // The text's memory is taken as it is filled, block by block, while each block goes back.
  for (Block& block : finished_) {
    text.append(block.data, block.used);
    releaseBlock(block.data, block.capacity);
    block.data = nullptr;
  }
  if (at_ != begin_) {
    text.append(begin_, static_cast<std::size_t>(at_ - begin_));
  }
  releaseBlocks();
  openElements_.clear();
  startTagOpen_ = false;
  return text;
}

void XmlStream::refuseAttribute(const std::string& attributeName) {
  throw std::logic_error("XmlStream: attribute '" + attributeName +
                         "' written after the start tag was closed");
}

void XmlStream::refuseText() {
  throw std::logic_error("XmlStream: text outside any element");
}

void XmlStream::refuseEndElement() {
  throw std::logic_error("XmlStream: endElement without an open element");
}

void XmlStream::attribute(const std::string& name, const char* value) {
  attribute(name, value == nullptr ? std::string() : std::string(value));
}

void XmlStream::plainAttribute(const std::string& name, const char* raw, std::size_t size) {
  requireStartTag(name);
  char* at = reserve(name.size() + size + 4);
  at[0] = ' ';
  std::memcpy(at + 1, name.data(), name.size());
  at += name.size() + 1;
  at[0] = '=';
  at[1] = '"';
  std::memcpy(at + 2, raw, size);
  at[size + 2] = '"';
}

void XmlStream::attribute(const std::string& name, bool value) {
  if (value) {
    plainAttribute(name, "true", 4);
  } else {
    plainAttribute(name, "false", 5);
  }
}

void XmlStream::attribute(const std::string& name, int value) {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  plainAttribute(name, buffer, static_cast<std::size_t>(result.ptr - buffer));
}

void XmlStream::attribute(const std::string& name, double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  plainAttribute(name, buffer, static_cast<std::size_t>(result.ptr - buffer));
}

void XmlStream::attribute(const std::string& name, const DateTime& value) {
  const std::string text = value.toString();
  plainAttribute(name, text.data(), text.size());
}

void XmlStream::text(double value) {
  requireElement();
  closeStartTag();
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  append(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

void XmlStream::textElement(const std::string& name, double value) {
  startElement(name);
  text(value);
  endElement();
}

void XmlStream::escapeText(const std::string& value, std::string& out) {
  escape(value.data(), value.size(), kTextTable,
         [&out](const char* data, std::size_t size) { out.append(data, size); });
}

void XmlStream::escapeAttribute(const std::string& value, std::string& out) {
  escape(value.data(), value.size(), kAttributeTable,
         [&out](const char* data, std::size_t size) { out.append(data, size); });
}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
