// The one exception for request text that cannot be read.
#pragma once

#include <stdexcept>
#include <string>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// Raised when a document is not well-formed, breaks one of the parser's limits, or holds a
// value that does not fit the field a record reads it into. Names where (line and column,
// 1-based; 0 when not known) and why. what() reads "line L, column C: cause".
class XmlParseError : public std::runtime_error {
 public:
  XmlParseError(int line, int column, const std::string& cause);

  int line() const { return line_; }
  int column() const { return column_; }
  const std::string& cause() const { return cause_; }

 private:
  int line_;
  int column_;
  std::string cause_;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
