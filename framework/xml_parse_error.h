// The one exception for request text that cannot be read.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// Raised when a document is not well-formed, breaks one of the parser's limits, or holds a
// value that does not fit the field a record reads it into. Names where (line and column,
// 1-based; 0 when not known) and why. what() reads "line L, column C: cause".
//
// Causes are bounded, so that no request can make a fault (and the line the host logs for it)
// as long as itself: what a cause quotes from the request goes through quote(), and a cause
// longer than kMaxCauseBytes (such as one of the XML library's, which quote names whole) is cut
// by excerpt().
class XmlParseError : public std::runtime_error {
 public:
  static constexpr std::size_t kMaxCauseBytes = 512;
  // Text of the request quoted in a cause: in double quotes, cut after kQuotedBytes bytes as
  // excerpt() cuts it, and then followed by its whole length (`"abc..."... (90 bytes)`).
  static constexpr std::size_t kQuotedBytes = 64;
  static std::string quote(std::string_view text);

  XmlParseError(int line, int column, const std::string& cause);

  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& cause() const { return cause_; }

 private:
  int line_;
  int column_;
  std::string cause_;
};

// Text of a request (or of anything else not to be trusted) in a message: its first `bytes` bytes
// (fewer, so that no UTF-8 character is cut), followed, when the text is longer, by "... (N
// bytes)", its whole length. What is not printable is escaped, so that the message stays one
// short line of UTF-8 text: \n, \r and \t; \xHH for other control characters and for each byte
// that is not part of a UTF-8 character; \uHHHH for the C1 controls and the line and paragraph
// separators. Printable UTF-8 text of at most `bytes` bytes comes back as it is, so messages
// that quote ordinary values read as they always did. Every message that quotes such text cuts
// it here: causes (quote, above), fault messages, error-store messages and enumerator texts.
std::string excerpt(std::string_view text, std::size_t bytes = XmlParseError::kQuotedBytes);

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
