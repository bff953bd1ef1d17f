// Request text of any shape through the XML front and every base wire record: parsing must
// either succeed or raise XmlParseError, and whatever a record writes must read back into the
// same record (writing it again gives the same text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlParseError;

void checkRecord(const WireRecordType& type, const XMLNode& root) {
  std::string written;
  try {
    written = type.reparse(root, type.name);
  } catch (const XmlParseError&) {
    return;  // A value that does not fit its field.
  }
  // Our own output must always read back, and be stable.
  SAXToNodeParser again;
  const std::string rewritten = type.reparse(again.parseString(written), type.name);
  if (rewritten != written) {
    std::cerr << type.name << " is not stable:\n" << written << "\n" << rewritten << "\n";
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One parser for every input, as a server thread keeps one: reuse must leave nothing behind.
  static SAXToNodeParser parser;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const XMLNode* root = nullptr;
  try {
    root = &parser.parseString(text);
  } catch (const XmlParseError&) {
    return 0;
  }
  for (const WireRecordType& type : Korvane::Schemas::Soa::_2006_03::Base::recordTypes()) {
    checkRecord(type, *root);
  }
  return 0;
}
