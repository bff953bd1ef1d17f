// Narrow (UTF-8) copies of the XML library's UTF-16 strings.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <xercesc/util/XercesDefs.hpp>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// Initialises the XML library for the process on the first call (thread-safe) and leaves it
// initialised until exit, so that objects of it that outlive any one user stay valid. Every
// entry point that calls the library's API calls this first.
void initializeXmlLibrary();

// Appends the UTF-8 form of `length` UTF-16 code units to `out`. Surrogate pairs become one
// four-byte character; a surrogate without its partner becomes U+FFFD, so the result is always
// valid UTF-8.
void appendUtf8(const XMLCh* chars, std::size_t length, std::string& out);
// The bytes of the UTF-8 form of `length` UTF-16 code units, as appendUtf8 makes it.
std::size_t utf8Length(const XMLCh* chars, std::size_t length);
// Writes that form to `out`, which has room for utf8Length(chars, length) bytes; returns the end.
char* writeUtf8(const XMLCh* chars, std::size_t length, char* out);

// The bytes (1 to 4) of the well-formed UTF-8 character that `text` begins with, or 0 when it
// begins with none: an empty text, a stray continuation byte, a lead byte that no character
// begins with, a sequence cut short, an overlong form, a UTF-16 surrogate or a code point past
// U+10FFFF. For 0, `faulty` receives the bytes of the faulty sequence up to and including the
// first wrong one (at least 1 for a text that is not empty).
std::size_t utf8CharacterLength(std::string_view text, std::size_t& faulty);

// Holds the UTF-8 form of a UTF-16 string of the XML library. The transcoded buffer that the
// library hands back is released with the library's own memory manager, never with delete[].
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

SOACAD_API_END
