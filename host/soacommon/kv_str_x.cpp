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

void appendUtf8(const XMLCh* chars, std::size_t length, std::string& out) {
  std::size_t i = 0;
  // Runs of ASCII, the bulk of every request, are copied without further tests.
  while (i < length) {
    std::size_t run = i;
    while (run < length && chars[run] < 0x80) {
      ++run;
    }
    if (run > i) {
      const std::size_t start = out.size();
      out.resize(start + (run - i));
      char* target = &out[start];
      for (std::size_t k = i; k < run; ++k) {
        *target++ = static_cast<char>(chars[k]);
      }
      i = run;
      if (i == length) {
        break;
      }
    }
    char32_t code = chars[i++];
    if (code >= 0xD800 && code <= 0xDBFF && i < length && chars[i] >= 0xDC00 &&
        chars[i] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (chars[i++] - 0xDC00);
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;
    }
    if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
}

namespace {

bool hasUnpairedSurrogate(const XMLCh* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (text[i] >= 0xD800 && text[i] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

}  // namespace

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
