#include "framework/xml_parse_error.h"

#include "framework/kv_str_x.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// The first `bytes` bytes of `text`, or up to three fewer so that no UTF-8 character is split.
std::string_view head(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) {
    return text;
  }
  const std::size_t most = bytes;
  while (bytes > 0 && most - bytes < 3 &&
         (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
    --bytes;
  }
  return text.substr(0, bytes);
}

// Appends the escape of `code` (\xHH for a byte, \uHHHH for a code point) to `out`.
void appendEscape(std::string& out, char kind, unsigned code, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += '\\';
  out += kind;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out += kDigits[(code >> shift) & 15];
  }
}

// Appends the first `bytes` bytes of `text` (see head) to `out`, escaped as excerpt says.
void appendEscapedHead(std::string& out, std::string_view text, std::size_t bytes) {
  const std::string_view shown = head(text, bytes);
  std::size_t i = 0;
  while (i < shown.size()) {
    const unsigned char c = static_cast<unsigned char>(shown[i]);
    std::size_t faulty = 0;
    const std::size_t length = c < 0x80 ? 1 : utf8CharacterLength(shown.substr(i), faulty);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F || length == 0) {
      appendEscape(out, 'x', c, 2);
    } else if (length == 2 && c == 0xC2 && static_cast<unsigned char>(shown[i + 1]) < 0xA0) {
      appendEscape(out, 'u', static_cast<unsigned char>(shown[i + 1]), 4);  // U+0080 to U+009F.
    } else if (length == 3 && shown.compare(i, 2, "\xE2\x80") == 0 &&
               (shown[i + 2] == '\xA8' || shown[i + 2] == '\xA9')) {
      appendEscape(out, 'u', 0x2000 + static_cast<unsigned char>(shown[i + 2]) - 0x80, 4);
    } else {
      out.append(shown, i, length);
    }
    i += length == 0 ? 1 : length;
  }
}

// "... (N bytes)" when `text` is longer than `bytes`, else nothing.
std::string lengthNote(std::string_view text, std::size_t bytes) {
  return text.size() > bytes ? "... (" + std::to_string(text.size()) + " bytes)" : std::string();
}

}  // namespace

std::string excerpt(std::string_view text, std::size_t bytes) {
  std::string shown;
  appendEscapedHead(shown, text, bytes);
  return shown + lengthNote(text, bytes);
}

std::string XmlParseError::quote(std::string_view text) {
  std::string quoted = "\"";
  appendEscapedHead(quoted, text, kQuotedBytes);
  return quoted + '"' + lengthNote(text, kQuotedBytes);
}

XmlParseError::XmlParseError(int line, int column, const std::string& cause)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                         ": " + excerpt(cause, kMaxCauseBytes)),
      line_(line),
      column_(column),
      cause_(excerpt(cause, kMaxCauseBytes)) {}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
