#include "framework/kv_str_x.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

void initializeXmlLibrary() {
  // Never terminated: parsers and strings of the library may live in static objects of other
  // libraries, whose destruction order relative to ours is unknown.
  static const bool initialized = [] {
    xercesc::XMLPlatformUtils::Initialize();
    return true;
  }();
  (void)initialized;
}

namespace {

bool isHighSurrogate(char32_t code) {
  return code >= 0xD800 && code <= 0xDBFF;
}

bool isLowSurrogate(char32_t code) {
  return code >= 0xDC00 && code <= 0xDFFF;
}

bool hasUnpairedSurrogate(const XMLCh* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (isHighSurrogate(text[i]) && i + 1 < length && isLowSurrogate(text[i + 1])) {
      ++i;
    } else if (text[i] >= 0xD800 && text[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::size_t utf8CharacterLength(std::string_view text, std::size_t& faulty) {
  const auto* data = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  if (size == 0) {
    faulty = 0;
    return 0;
  }
  const unsigned char lead = data[0];
  if (lead < 0x80) {
    return 1;
  }
  // The range of the second byte depends on the first; the others are 0x80 to 0xBF.
  std::size_t bytes = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    bytes = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    bytes = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    bytes = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  } else {
    faulty = 1;
    return 0;
  }
  for (std::size_t k = 1; k < bytes; ++k) {
    const unsigned char next = k < size ? data[k] : 0;
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) {
      faulty = k + 1 < size ? k + 1 : size;
      return 0;
    }
  }
  return bytes;
}

std::size_t utf8Length(const XMLCh* chars, std::size_t length) {
  std::size_t bytes = length;  // One byte per unit, plus what each wider one adds.
  for (std::size_t i = 0; i < length; ++i) {
    const char32_t code = chars[i];
    if (code < 0x80) {
      continue;
    }
    if (code < 0x800) {
      bytes += 1;
    } else if (isHighSurrogate(code) && i + 1 < length && isLowSurrogate(chars[i + 1])) {
      bytes += 2;  // Two units, four bytes.
      ++i;
    } else {
      bytes += 2;  // Three bytes, U+FFFD for a lone surrogate included.
    }
  }
  return bytes;
}

char* writeUtf8(const XMLCh* chars, std::size_t length, char* out) {
  std::size_t i = 0;
  while (i < length) {
    // Runs of ASCII, the bulk of every request, are copied without further tests.
    while (i < length && chars[i] < 0x80) {
      *out++ = static_cast<char>(chars[i++]);
    }
    if (i == length) {
      break;
    }
    char32_t code = chars[i++];
    if (isHighSurrogate(code) && i < length && isLowSurrogate(chars[i])) {
      code = 0x10000 + ((code - 0xD800) << 10) + (chars[i++] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x800) {
      *out++ = static_cast<char>(0xC0 | (code >> 6));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out++ = static_cast<char>(0xE0 | (code >> 12));
      *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      *out++ = static_cast<char>(0xF0 | (code >> 18));
      *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *out++ = static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

void appendUtf8(const XMLCh* chars, std::size_t length, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + utf8Length(chars, length));
  writeUtf8(chars, length, &out[0] + start);
}

KvStrX::KvStrX(const XMLCh* text) {
  if (text == nullptr || *text == 0) {
    return;
  }
  initializeXmlLibrary();
  const std::size_t length = xercesc::XMLString::stringLen(text);
  // The library's UTF-8 transcoder turns an unpaired surrogate into bytes that are not UTF-8;
  // such text takes our converter, which puts U+FFFD in its place.
  if (hasUnpairedSurrogate(text, length)) {
    appendUtf8(text, length, text_);
    return;
  }
  try {
    // The transcoder owns its buffer and frees it with the library's memory manager.
    xercesc::TranscodeToStr narrow(text, length, "UTF-8");
    text_.assign(reinterpret_cast<const char*>(narrow.str()), narrow.length());
  } catch (const xercesc::XMLException&) {
    text_.clear();
    appendUtf8(text, length, text_);
  }
}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
