#include "framework/sax_to_node_parser.h"

#include <algorithm>
#include <limits>
#include <new>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>
#include <xercesc/util/XMLUni.hpp>

#include "framework/kv_str_x.h"

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

namespace {

int toPosition(XMLFileLoc location) {
  return location > static_cast<XMLFileLoc>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(location);
}

// Names and values are mostly short ASCII: those are narrowed in one pass over the text.
void assignUtf8(const XMLCh* text, std::string& out) {
  out.clear();
  if (text == nullptr) {
    return;
  }
  const XMLCh* end = text;
  while (*end != 0 && *end < 0x80) {
    ++end;
  }
  if (*end != 0) {
    appendUtf8(text, xercesc::XMLString::stringLen(text), out);
    return;
  }
  out.resize(static_cast<std::size_t>(end - text));
  char* target = &out[0];
  for (const XMLCh* c = text; c != end; ++c) {
    *target++ = static_cast<char>(*c);
  }
}

bool isPredefinedEntity(const std::string& name) {
  return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
}

}  // namespace

SAXToNodeParser::SAXToNodeParser() {
  initializeXmlLibrary();
  reader_.reset(xercesc::XMLReaderFactory::createXMLReader());
  using xercesc::XMLUni;
  reader_->setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
  reader_->setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, false);
  reader_->setFeature(XMLUni::fgSAX2CoreValidation, false);
  reader_->setFeature(XMLUni::fgXercesDynamic, false);
  reader_->setFeature(XMLUni::fgXercesSchema, false);
  reader_->setFeature(XMLUni::fgXercesLoadSchema, false);
  // Nothing is ever read from outside the text: no external DTD, no default entity resolution
  // (which would open files or URLs), and resolveEntity refuses whatever is still asked.
  reader_->setFeature(XMLUni::fgXercesLoadExternalDTD, false);
  reader_->setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
  reader_->setContentHandler(this);
  reader_->setErrorHandler(this);
  reader_->setLexicalHandler(this);
  reader_->setEntityResolver(this);
}

SAXToNodeParser::~SAXToNodeParser() = default;

namespace {

constexpr std::size_t kFirstBlockNodes = 32;
constexpr std::size_t kMaxBlockNodes = 256;

}  // namespace

void SAXToNodeParser::clear() {
  blocks_.clear();
  lastBlockSize_ = 0;
  lastBlockUsed_ = 0;
  open_.clear();
  locator_ = nullptr;
}

XMLNode& SAXToNodeParser::newNode() {
  if (lastBlockUsed_ == lastBlockSize_) {
    const std::size_t size =
        blocks_.empty() ? kFirstBlockNodes : std::min(lastBlockSize_ * 2, kMaxBlockNodes);
    blocks_.emplace_back(new XMLNode[size]);
    lastBlockSize_ = size;
    lastBlockUsed_ = 0;
  }
  return blocks_.back()[lastBlockUsed_++];
}

const XMLNode& SAXToNodeParser::parseString(const std::string& text) {
  clear();
  if (text.size() > kMaxDocumentBytes) {
    throw XmlParseError(1, 1,
                        "document of " + std::to_string(text.size()) +
                            " bytes exceeds the limit of " + std::to_string(kMaxDocumentBytes) +
                            " bytes");
  }
  xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                    "request");
  try {
    reader_->parse(source);
  } catch (const XmlParseError&) {
    clear();
    throw;
  } catch (const xercesc::SAXParseException& exc) {
    clear();
    throw XmlParseError(toPosition(exc.getLineNumber()), toPosition(exc.getColumnNumber()),
                        KvStrX(exc.getMessage()));
  } catch (const xercesc::SAXException& exc) {
    clear();
    throw XmlParseError(0, 0, KvStrX(exc.getMessage()));
  } catch (const xercesc::OutOfMemoryException&) {
    clear();
    throw std::bad_alloc();
  } catch (const xercesc::XMLException& exc) {
    clear();
    throw XmlParseError(0, 0, KvStrX(exc.getMessage()));
  } catch (...) {
    clear();
    throw;
  }
  open_.clear();
  locator_ = nullptr;
  if (blocks_.empty()) {
    throw XmlParseError(1, 1, "document has no root element");
  }
  return blocks_.front()[0];
}

void SAXToNodeParser::setDocumentLocator(const xercesc::Locator* const locator) {
  locator_ = locator;
}

void SAXToNodeParser::fail(const std::string& cause) {
  int line = 0;
  int column = 0;
  if (locator_ != nullptr) {
    line = toPosition(locator_->getLineNumber());
    column = toPosition(locator_->getColumnNumber());
  }
  throw XmlParseError(line, column, cause);
}

void SAXToNodeParser::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                   const XMLCh* const /*qname*/, const xercesc::Attributes& attrs) {
  if (open_.size() >= static_cast<std::size_t>(kMaxDepth)) {
    fail("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
  }
  XMLNode& node = newNode();
  assignUtf8(localname, node.name_);
  assignUtf8(uri, node.namespace_);
  const XMLSize_t count = attrs.getLength();
  node.attributes_.resize(count);
  for (XMLSize_t i = 0; i < count; ++i) {
    assignUtf8(attrs.getLocalName(i), node.attributes_[i].first);
    assignUtf8(attrs.getValue(i), node.attributes_[i].second);
  }
  if (locator_ != nullptr) {
    node.line_ = toPosition(locator_->getLineNumber());
    node.column_ = toPosition(locator_->getColumnNumber());
  }
  if (!open_.empty()) {
    std::vector<XMLNode*>& siblings = open_.back()->children_;
    // Most elements that have children have a few: one allocation instead of one per child.
    if (siblings.capacity() == 0) {
      siblings.reserve(4);
    }
    siblings.push_back(&node);
  }
  open_.push_back(&node);
}

void SAXToNodeParser::endElement(const XMLCh* const /*uri*/, const XMLCh* const /*localname*/,
                                 const XMLCh* const /*qname*/) {
  if (!open_.empty()) {
    open_.pop_back();
  }
}

void SAXToNodeParser::characters(const XMLCh* const chars, const XMLSize_t length) {
  if (!open_.empty()) {
    appendUtf8(chars, length, open_.back()->text_);
  }
}

void SAXToNodeParser::startDTD(const XMLCh* const name, const XMLCh* const /*publicId*/,
                               const XMLCh* const /*systemId*/) {
  fail("document type declaration '" + std::string(KvStrX(name)) +
       "' refused: requests may not declare a DTD");
}

void SAXToNodeParser::startEntity(const XMLCh* const name) {
  const KvStrX entity(name);
  if (!isPredefinedEntity(entity)) {
    fail("entity '" + std::string(entity) + "' refused: requests may not use entities");
  }
}

xercesc::InputSource* SAXToNodeParser::resolveEntity(const XMLCh* const /*publicId*/,
                                                     const XMLCh* const systemId) {
  fail("external entity '" + std::string(KvStrX(systemId)) +
       "' refused: nothing is loaded from outside a request");
}

void SAXToNodeParser::warning(const xercesc::SAXParseException& /*exc*/) {}

void SAXToNodeParser::error(const xercesc::SAXParseException& exc) {
  throw XmlParseError(toPosition(exc.getLineNumber()), toPosition(exc.getColumnNumber()),
                      KvStrX(exc.getMessage()));
}

void SAXToNodeParser::fatalError(const xercesc::SAXParseException& exc) {
  throw XmlParseError(toPosition(exc.getLineNumber()), toPosition(exc.getColumnNumber()),
                      KvStrX(exc.getMessage()));
}

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
