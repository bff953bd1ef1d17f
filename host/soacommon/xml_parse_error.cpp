#include "framework/xml_parse_error.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

// The first `bytes` bytes of `text`, or fewer so that no UTF-8 character is split.
std::string_view head(std::string_view text, std::size_t bytes) {
  if (text.size() <= bytes) {
    return text;
  }
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
    --bytes;
  }
  return text.substr(0, bytes);
}

std::string bounded(const std::string& cause) {
  if (cause.size() <= XmlParseError::kMaxCauseBytes) {
    return cause;
  }
  return std::string(head(cause, XmlParseError::kMaxCauseBytes)) + "... (" +
         std::to_string(cause.size()) + " bytes)";
}

}  // namespace

std::string XmlParseError::quote(std::string_view text) {
  std::string quoted = "\"";
  // Control characters are written as escapes, so that a cause stays on one line.
  for (const char c : head(text, kQuotedBytes)) {
    static const char kDigits[] = "0123456789ABCDEF";
    const unsigned char code = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\t') {
      quoted += "\\t";
    } else if (code < 0x20 || code == 0x7F) {
      quoted += std::string("\\x") + kDigits[code >> 4] + kDigits[code & 15];
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  if (text.size() > kQuotedBytes) {
    quoted += "... (" + std::to_string(text.size()) + " bytes)";
  }
  return quoted;
}

XmlParseError::XmlParseError(int line, int column, const std::string& cause)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                         ": " + bounded(cause)),
      line_(line),
      column_(column),
      cause_(bounded(cause)) {}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
