// Narrow (UTF-8) copies of the XML library's UTF-16 strings.
#pragma once

#include <string>

#include <xercesc/util/XercesDefs.hpp>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// Holds the UTF-8 form of a UTF-16 string of the XML library. The transcoded buffer that the
// library hands back is released with the library's own allocator (XMLString::release).
class KvStrX {
 public:
  // A null pointer gives the empty string.
  explicit KvStrX(const XMLCh* text);
  KvStrX(const KvStrX&) = default;
  KvStrX& operator=(const KvStrX&) = default;
  ~KvStrX() = default;

  // Valid while this object lives.
  const char* localForm() const { return text_.c_str(); }
  operator const std::string&() const { return text_; }

 private:
  KvStrX() = default;

  std::string text_;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
