#include "framework/xml_parse_error.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

XmlParseError::XmlParseError(int line, int column, const std::string& cause)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                         ": " + cause),
      line_(line),
      column_(column),
      cause_(cause) {}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
