#include "framework/sax_to_node_parser.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <random>
#include <string_view>
#include <type_traits>

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
#include "framework/wire_pool.h"

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

// A start value for name hashes, drawn once per process, so that a request cannot be written
// ahead of time with many names that fall into one probe chain (which would make every lookup
// walk the whole chain).
std::uint64_t nameHashSeed() {
  static const std::uint64_t seed = [] {
    std::random_device source;
    return (static_cast<std::uint64_t>(source()) << 32) ^ source();
  }();
  return seed;
}

// The hash of a name's UTF-16 text (FNV-1a from the process's seed, then mixed so that every bit
// of the state reaches the low bits that pick a slot); `length` receives the number of code units.
std::uint64_t nameHash(const XMLCh* text, std::size_t& length) {
  std::uint64_t hash = 0xcbf29ce484222325u ^ nameHashSeed();
  const XMLCh* end = text;
  for (; *end != 0; ++end) {
    hash = (hash ^ *end) * 0x100000001b3u;
  }
  length = static_cast<std::size_t>(end - text);
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdu;
  hash ^= hash >> 33;
  return hash;
}

// Whether the NUL-terminated `text` is `key`. Reads no further than text's end.
bool isText(const std::u16string& key, const XMLCh* text) {
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (text[i] != key[i]) {
      return false;
    }
  }
  return text[key.size()] == 0;
}

// Whether an attribute's qualified name has a prefix: only a prefixed attribute is in a
// namespace (a default namespace never applies to attributes).
bool hasPrefix(const XMLCh* qualifiedName) {
  for (const XMLCh* c = qualifiedName; *c != 0; ++c) {
    if (*c == u':') {
      return true;
    }
  }
  return false;
}

// The bytes `text` holds on the heap (0 when it is kept inside the string object).
template <class Char>
std::size_t heapBytes(const std::basic_string<Char>& text) {
  const std::less<const void*> before;
  const void* data = text.data();
  const bool inside = !before(data, &text) && before(data, &text + 1);
  return inside ? 0 : (text.capacity() + 1) * sizeof(Char);
}

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The 1-based line and column of byte `offset` of `text`, counted as the XML library counts
// them: lines end at line feeds, columns count characters (UTF-8 sequences count once).
[[noreturn]] void failAt(const std::string& text, std::size_t offset, const std::string& cause) {
  int line = 1;
  int column = 1;
  // A byte order mark is no character of the document.
  const std::size_t first = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  for (std::size_t i = first; i < offset && i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80 && column < std::numeric_limits<int>::max()) {
      ++column;
    }
  }
  throw XmlParseError(line, column, cause);
}

// The offset of the first byte of `text` that is NUL or that does not belong to a well-formed
// UTF-8 character (overlong forms, surrogates and code points past U+10FFFF are not), or npos.
// `length` receives the bytes of the faulty sequence up to and including the first wrong one.
std::size_t firstFaultyByte(const std::string& text, std::size_t& length) {
  const unsigned char* const data = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  constexpr std::uint64_t kLowBits = 0x0101010101010101u;
  std::size_t i = 0;
  while (i < size) {
    // Runs of ASCII without NUL, the bulk of every request, eight bytes at a time.
    std::uint64_t word = 0;
    while (i + sizeof word <= size) {
      std::memcpy(&word, data + i, sizeof word);
      if (((word | ((word - kLowBits) & ~word)) & kHighBits) != 0) {
        break;
      }
      i += sizeof word;
    }
    if (i == size) {
      break;
    }
    if (data[i] < 0x80) {
      if (data[i] == 0) {
        length = 1;
        return i;
      }
      ++i;
      continue;
    }
    const std::size_t bytes = utf8CharacterLength(std::string_view(text).substr(i), length);
    if (bytes == 0) {
      return i;
    }
    i += bytes;
  }
  return std::string::npos;
}

bool startsWith(const std::string& text, std::size_t at, std::string_view prefix) {
  return text.compare(at, prefix.size(), prefix.data(), prefix.size()) == 0;
}

bool isUtf8Name(std::string_view encoding) {
  const auto same = [](std::string_view name, std::string_view upper) {
    return name.size() == upper.size() &&
           std::equal(name.begin(), name.end(), upper.begin(), [](char a, char b) {
             return std::toupper(static_cast<unsigned char>(a)) == b;
           });
  };
  return same(encoding, "UTF-8") || same(encoding, "UTF8");
}

// Refuses text that is not to be read as UTF-8 XML 1.0. The XML library would honour what the
// text says of itself: a byte order mark or the first bytes of another encoding, or an XML
// declaration naming another encoding or version 1.1 (where NEL and U+2028 end lines and separate
// attributes, and references to control characters are allowed). Every other check of the text is
// made as UTF-8 XML 1.0 and would then miss what the library reads, so such text is refused
// before anything else.
void checkEncodingAndVersion(const std::string& text, const std::string& documents) {
  static const struct {
    std::string_view start;
    const char* encoding;
  } kOtherEncodings[] = {
      {std::string_view("\0\0\xFE\xFF", 4), "UCS-4"},
      {std::string_view("\0\0\0<", 4), "UCS-4"},
      {std::string_view("<\0\0\0", 4), "UCS-4"},
      {"\xFE\xFF", "UTF-16"},
      {"\xFF\xFE", "UTF-16"},
      {std::string_view("\0<\0?", 4), "UTF-16"},
      {std::string_view("<\0?\0", 4), "UTF-16"},
      {"\x4C\x6F\xA7\x94", "EBCDIC"},
  };
  for (const auto& other : kOtherEncodings) {
    if (startsWith(text, 0, other.start)) {
      failAt(text, 0,
             std::string("text in ") + other.encoding + " refused: " + documents +
                 " are read as UTF-8");
    }
  }
  std::size_t at = startsWith(text, 0, "\xEF\xBB\xBF") ? 3 : 0;
  if (!startsWith(text, at, "<?xml") || at + 5 >= text.size() || !isSpace(text[at + 5])) {
    return;  // No declaration: UTF-8 XML 1.0.
  }
  const std::size_t declaration = at;
  at += 5;
  const auto malformed = [&text, &documents, declaration] {
    failAt(text, declaration,
           "malformed XML declaration: " + documents +
               " begin with <?xml version=\"1.0\"?>, which may also give encoding=\"UTF-8\" "
               "and standalone, or with no declaration");
  };
  // The pseudo-attribute `name` next in the declaration: its value, and where it starts.
  const auto next = [&text, &at](std::string_view name, std::string_view& value,
                                 std::size_t& where) {
    std::size_t i = at;
    if (i >= text.size() || !isSpace(text[i])) {
      return false;
    }
    while (i < text.size() && isSpace(text[i])) {
      ++i;
    }
    if (!startsWith(text, i, name)) {
      return false;
    }
    i += name.size();
    while (i < text.size() && isSpace(text[i])) {
      ++i;
    }
    if (i >= text.size() || text[i] != '=') {
      return false;
    }
    ++i;
    while (i < text.size() && isSpace(text[i])) {
      ++i;
    }
    if (i >= text.size() || (text[i] != '"' && text[i] != '\'')) {
      return false;
    }
    const std::size_t close = text.find(text[i], i + 1);
    if (close == std::string::npos) {
      return false;
    }
    where = i + 1;
    value = std::string_view(text).substr(where, close - where);
    at = close + 1;
    return true;
  };
  std::string_view value;
  std::size_t where = 0;
  if (!next("version", value, where)) {
    malformed();
  }
  if (value != "1.0") {
    failAt(text, where,
           "XML version " + XmlParseError::quote(value) + " refused: " + documents +
               " are read as XML 1.0");
  }
  if (next("encoding", value, where) && !isUtf8Name(value)) {
    failAt(text, where,
           "encoding " + XmlParseError::quote(value) + " refused: " + documents +
               " are read as UTF-8");
  }
  next("standalone", value, where);
  while (at < text.size() && isSpace(text[at])) {
    ++at;
  }
  if (!startsWith(text, at, "?>")) {
    malformed();
  }
}

// Checks, in one pass over the text and before the XML library reads it, what the library
// would only see too late or not at all: a NUL byte (which ends the library's reading of the
// document silently), bytes that are not UTF-8 (which the library reports only where it happens
// to be reading, often line 1, column 1), and an element with more attributes than
// `maxAttributes` (the library compares an element's attributes pairwise before any handler is
// called). Markup that is not well-formed ends the check of attributes; the library then reports
// it.
void checkMarkup(const std::string& text, int maxAttributes, const std::string& documents) {
  checkEncodingAndVersion(text, documents);
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t faultLength = 0;
  const std::size_t fault = firstFaultyByte(text, faultLength);
  if (fault != std::string::npos) {
    if (data[fault] == 0) {
      failAt(text, fault, "NUL character refused: " + documents + " are text");
    }
    std::string bytes;
    for (std::size_t k = 0; k < faultLength; ++k) {
      static const char kDigits[] = "0123456789ABCDEF";
      const unsigned char byte = static_cast<unsigned char>(data[fault + k]);
      bytes += std::string(k == 0 ? "" : " ") + "0x" + kDigits[byte >> 4] + kDigits[byte & 15];
    }
    failAt(text, fault,
           "bytes that are not UTF-8 refused (" + bytes + "): " + documents + " are UTF-8 text");
  }
  const auto skipPast = [&text](std::size_t from, const char* end) {
    const std::size_t found = text.find(end, from);
    return found == std::string::npos ? std::string::npos : found + std::strlen(end);
  };
  std::size_t i = 0;
  while (i < size) {
    const void* open = std::memchr(data + i, '<', size - i);
    if (open == nullptr) {
      return;
    }
    const std::size_t tag = static_cast<std::size_t>(static_cast<const char*>(open) - data);
    i = tag + 1;
    const char kind = i < size ? data[i] : '\0';
    if (kind == '/') {
      i = skipPast(i + 1, ">");
    } else if (kind == '!' && text.compare(i, 3, "!--") == 0) {
      i = skipPast(i + 3, "-->");
    } else if (kind == '!' && text.compare(i, 8, "![CDATA[") == 0) {
      i = skipPast(i + 8, "]]>");
    } else if (kind == '!' && text.compare(i, 8, "!DOCTYPE") == 0) {
      // The XML library reports a document type declaration to the handler only when it
      // declares something, so it is refused here, whatever it holds.
      failAt(text, tag,
             "document type declaration refused: " + documents + " may not declare a DTD");
    } else if (kind == '!') {
      return;  // Not well-formed: the XML library reports it.
    } else if (kind == '?') {
      i = skipPast(i + 1, "?>");
    } else {
      // A start tag: its name, then name="value" pairs up to '>' or '/>'.
      while (i < size && !isSpace(data[i]) && data[i] != '>' && data[i] != '/') {
        ++i;
      }
      int attributes = 0;
      while (true) {
        while (i < size && isSpace(data[i])) {
          ++i;
        }
        if (i >= size || data[i] == '>' || data[i] == '/') {
          break;
        }
        while (i < size && !isSpace(data[i]) && data[i] != '=' && data[i] != '>') {
          ++i;
        }
        while (i < size && isSpace(data[i])) {
          ++i;
        }
        if (i >= size || data[i] != '=') {
          return;
        }
        ++i;
        while (i < size && isSpace(data[i])) {
          ++i;
        }
        if (i >= size || (data[i] != '"' && data[i] != '\'')) {
          return;
        }
        const std::size_t close = text.find(data[i], i + 1);
        if (close == std::string::npos) {
          return;
        }
        i = close + 1;
        if (++attributes > maxAttributes) {
          failAt(text, tag,
                 "element with more than " + std::to_string(maxAttributes) +
                     " attributes (namespace declarations included) refused");
        }
      }
    }
  }
}

bool isPredefinedEntity(const std::string& name) {
  return name == "amp" || name == "lt" || name == "gt" || name == "quot" || name == "apos";
}

}  // namespace

const SAXToNodeParser::Subject SAXToNodeParser::kRequest = {"request", "requests"};
const SAXToNodeParser::Subject SAXToNodeParser::kSavedStore = {"saved store", "saved stores"};

SAXToNodeParser::SAXToNodeParser(std::size_t heldBytesFloor)
    : heldBytesFloor_(heldBytesFloor), subject_(&kRequest) {
  initializeXmlLibrary();
  reader_.reset(xercesc::XMLReaderFactory::createXMLReader());
  configureReader(*reader_);
  reader_->setContentHandler(this);
  reader_->setErrorHandler(this);
  reader_->setLexicalHandler(this);
  reader_->setEntityResolver(this);
}

SAXToNodeParser::~SAXToNodeParser() = default;

void SAXToNodeParser::configureReader(xercesc::SAX2XMLReader& reader) {
  using xercesc::XMLUni;
  reader.setFeature(XMLUni::fgSAX2CoreNameSpaces, true);
  reader.setFeature(XMLUni::fgSAX2CoreNameSpacePrefixes, false);
  reader.setFeature(XMLUni::fgSAX2CoreValidation, false);
  reader.setFeature(XMLUni::fgXercesDynamic, false);
  reader.setFeature(XMLUni::fgXercesSchema, false);
  reader.setFeature(XMLUni::fgXercesLoadSchema, false);
  // Nothing is ever read from outside the text: no external DTD, no default entity resolution
  // (which would open files or URLs), and resolveEntity refuses whatever is still asked.
  reader.setFeature(XMLUni::fgXercesLoadExternalDTD, false);
  reader.setFeature(XMLUni::fgXercesDisableDefaultEntityResolution, true);
}

void SAXToNodeParser::configureInput(xercesc::InputSource& input) {
  // The text was checked as UTF-8 before the library reads it; the library reads it so too,
  // whatever its first bytes or a declaration might make it guess.
  input.setEncoding(xercesc::XMLUni::fgUTF8EncodingString);
}

namespace {

// The name table's first size (a power of two).
constexpr std::size_t kFirstNameSlots = 64;
// Blocks start at this many elements and double up to this many bytes.
constexpr std::size_t kFirstBlockSize = 32;
constexpr std::size_t kMaxBlockBytes = 256u * 1024u;

// Tree blocks of kMaxBlockBytes are chunks of the wire pool's (see WirePool::takeChunk): a large
// tree would otherwise take fresh pages from the system for every request and fault on each, and
// a block freed while a Reading goes on is what the records made meanwhile take next, so that the
// request's memory does not grow while its tree turns into records.
static_assert(kMaxBlockBytes == WirePool::kChunkBytes, "tree blocks are wire pool chunks");

}  // namespace

template <class T>
T* SAXToNodeParser::Blocks<T>::take(std::size_t count, SAXToNodeParser& parser) {
  parser.charge(count * sizeof(T));
  if (blocks_.empty() || blocks_.back().count - blocks_.back().used < count) {
    constexpr std::size_t kLargest = kMaxBlockBytes / sizeof(T);
    std::size_t size =
        blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().count * 2, kLargest);
    size = std::max(size, count);
    blocks_.reserve(blocks_.size() + 1);
    const std::size_t bytes = size == kLargest ? kMaxBlockBytes : size * sizeof(T);
    void* storage = bytes == kMaxBlockBytes ? WirePool::takeChunk() : ::operator new(bytes);
    T* items = static_cast<T*>(storage);
    try {
      std::uninitialized_default_construct_n(items, size);
    } catch (...) {
      if (bytes == kMaxBlockBytes) {
        WirePool::giveChunk(storage);
      } else {
        ::operator delete(storage);
      }
      throw;
    }
    blocks_.push_back(Block{items, size, bytes, 0});
  }
  Block& last = blocks_.back();
  T* at = last.items + last.used;
  last.used += count;
  return at;
}

template <class T>
void SAXToNodeParser::Blocks<T>::release(Block& block) {
  std::destroy_n(block.items, block.count);
  if (block.bytes == kMaxBlockBytes) {
    WirePool::giveChunk(block.items);
  } else {
    ::operator delete(block.items);
  }
  block.items = nullptr;
}

template <class T>
std::size_t SAXToNodeParser::Blocks<T>::blockOf(const T* item) const {
  const std::less<const T*> before;
  for (std::size_t at = freed_; at < blocks_.size(); ++at) {
    const Block& block = blocks_[at];
    if (!before(item, block.items) && before(item, block.items + block.count)) {
      return at;
    }
  }
  return blocks_.size();
}

template <class T>
std::size_t SAXToNodeParser::Blocks<T>::freeBefore(std::size_t end) {
  std::size_t charged = 0;
  for (; freed_ < end && freed_ < blocks_.size(); ++freed_) {
    Block& block = blocks_[freed_];
    charged += block.used * sizeof(T);
    if constexpr (std::is_same_v<T, std::string>) {
      for (std::size_t i = 0; i < block.used; ++i) {
        charged += heapBytes(block.items[i]);
      }
    }
    release(block);
  }
  return charged;
}

template <class T>
void SAXToNodeParser::Blocks<T>::clear() {
  for (std::size_t at = freed_; at < blocks_.size(); ++at) {
    release(blocks_[at]);
  }
  blocks_.clear();
  freed_ = 0;
}

void SAXToNodeParser::clear() {
  nodes_.clear();
  childLists_.clear();
  attributes_.clear();
  values_.clear();
  texts_.clear();
  open_.clear();
  std::vector<XMLNode*>().swap(pending_);
  pendingCharged_ = 0;
  nodeBlocksMade_.clear();
  locator_ = nullptr;
  declarations_ = 0;
  names_.clear();
  nameSlots_.clear();
  recentNames_.fill(RecentName{nullptr, 0});
  heldBytes_ = 0;
  peakHeldBytes_ = 0;
}

namespace {

// The cause of a refusal past the budget `budget` of a document (`subject`: "request") whose
// floor is `floor`.
std::string overBudget(const std::string& subject, std::size_t budget, std::size_t floor) {
  return subject + " refused: its element tree and the records read from it would need more than " +
         std::to_string(budget) + " bytes in memory, the larger of " + std::to_string(floor) +
         " bytes (SAXToNodeParser::kHeldBytesFloor) and " +
         std::to_string(SAXToNodeParser::kMaxHeldBytesPerTextByte) + " times the " + subject +
         "'s size (SAXToNodeParser::kMaxHeldBytesPerTextByte)";
}

// The parser whose tree the thread is reading into records (see SAXToNodeParser::Reading).
thread_local SAXToNodeParser* reading = nullptr;

}  // namespace

void SAXToNodeParser::charge(std::size_t bytes) {
  heldBytes_ += bytes;
  peakHeldBytes_ = std::max(peakHeldBytes_, heldBytes_);
  if (heldBytes_ > heldBudget_) {
    fail(overBudget(subject_->one, heldBudget_, heldBytesFloor_));
  }
}

void SAXToNodeParser::chargeRecord(const XMLNode& at, std::size_t bytes) {
  heldBytes_ += bytes;
  peakHeldBytes_ = std::max(peakHeldBytes_, heldBytes_);
  if (heldBytes_ > heldBudget_) {
    throw XmlParseError(at.line(), at.column(),
                        overBudget(subject_->one, heldBudget_, heldBytesFloor_));
  }
}

void SAXToNodeParser::freeBefore(const XMLNode& element) {
  const std::size_t block = nodes_.blockOf(&element);
  if (block == nodes_.count()) {
    return;
  }
  // Whatever the blocks of other kinds held before the element's block of nodes was made
  // belongs to elements before it, all read; the last of them may go on to hold later ones.
  const BlocksMade& made = nodeBlocksMade_[block];
  const auto allButLast = [](std::size_t count) { return count == 0 ? 0 : count - 1; };
  std::size_t freed = nodes_.freeBefore(block);
  freed += childLists_.freeBefore(allButLast(made.childLists));
  freed += attributes_.freeBefore(allButLast(made.attributes));
  freed += values_.freeBefore(allButLast(made.values));
  freed += texts_.freeBefore(allButLast(made.texts));
  heldBytes_ -= std::min(freed, heldBytes_);
}

SAXToNodeParser::Reading::Reading(SAXToNodeParser& parser) : previous_(reading) {
  reading = &parser;
}

SAXToNodeParser::Reading::~Reading() {
  reading = previous_;
}

namespace Wire {

void charge(const XMLNode& at, std::size_t bytes) {
  if (reading != nullptr) {
    reading->chargeRecord(at, bytes);
  }
}

void reach(const XMLNode& element) {
  if (reading != nullptr) {
    reading->freeBefore(element);
  }
}

}  // namespace Wire

const std::string* SAXToNodeParser::keepName(const XMLCh* text) {
  static const XMLCh kNoText = 0;
  if (text == nullptr) {
    text = &kNoText;
  }
  const std::uintptr_t place = reinterpret_cast<std::uintptr_t>(text) >> 3;
  RecentName& recent =
      recentNames_[(place ^ text[0] ^ (text[0] == 0 ? 0u : text[1] * 31u)) % recentNames_.size()];
  if (recent.index != 0 && isText(names_[recent.index - 1].key, text)) {
    return &names_[recent.index - 1].name;
  }
  recent = {text, findName(text)};
  return &names_[recent.index - 1].name;
}

std::uint32_t SAXToNodeParser::findName(const XMLCh* text) {
  std::size_t length = 0;
  const std::uint64_t hash = nameHash(text, length);
  if (nameSlots_.empty()) {
    nameSlots_.assign(kFirstNameSlots, 0);
    charge(kFirstNameSlots * sizeof(std::uint32_t));
  }
  std::size_t mask = nameSlots_.size() - 1;
  std::size_t slot = hash & mask;
  for (; nameSlots_[slot] != 0; slot = (slot + 1) & mask) {
    const KeptName& kept = names_[nameSlots_[slot] - 1];
    if (kept.hash == hash && kept.key.size() == length &&
        std::equal(kept.key.begin(), kept.key.end(), text)) {
      return nameSlots_[slot];
    }
  }
  if (names_.size() == kMaxNames) {
    fail("more than " + std::to_string(kMaxNames) +
         " distinct names (of elements, attributes, namespace prefixes and URIs) refused");
  }
  names_.push_back({std::u16string(text, length), std::string(), hash});
  KeptName& kept = names_.back();
  appendUtf8(text, length, kept.name);
  // The deque's element and both texts' own storage.
  charge(sizeof(KeptName) + heapBytes(kept.key) + heapBytes(kept.name));
  nameSlots_[slot] = static_cast<std::uint32_t>(names_.size());
  // At most half full, so that a probe ends soon.
  if (names_.size() * 2 > nameSlots_.size()) {
    charge(nameSlots_.size() * sizeof(std::uint32_t));
    std::vector<std::uint32_t> slots(nameSlots_.size() * 2, 0);
    mask = slots.size() - 1;
    for (std::size_t index = 0; index < names_.size(); ++index) {
      std::size_t at = names_[index].hash & mask;
      while (slots[at] != 0) {
        at = (at + 1) & mask;
      }
      slots[at] = static_cast<std::uint32_t>(index + 1);
    }
    nameSlots_.swap(slots);
  }
  return static_cast<std::uint32_t>(names_.size());
}

std::string_view SAXToNodeParser::keepValue(const XMLCh* text) {
  if (text == nullptr || *text == 0) {
    return {};
  }
  // Mostly short ASCII: its length is found on the way, and it is copied in a second pass
  // over what is still in the cache.
  const XMLCh* end = text;
  while (*end != 0 && *end < 0x80) {
    ++end;
  }
  std::size_t units = static_cast<std::size_t>(end - text);
  std::size_t bytes = units;
  if (*end != 0) {
    units += xercesc::XMLString::stringLen(end);
    bytes = utf8Length(text, units);
  }
  char* kept = values_.take(bytes, *this);
  writeUtf8(text, units, kept);
  return std::string_view(kept, bytes);
}

const XMLNode& SAXToNodeParser::parseString(const std::string& text) {
  return parse(text, kMaxDocumentBytes, kRequest);
}

const XMLNode& SAXToNodeParser::parseTrustedString(const std::string& text, std::size_t maxBytes) {
  return parse(text, maxBytes, kSavedStore);
}

const XMLNode& SAXToNodeParser::parse(const std::string& text, std::size_t maxBytes,
                                      const Subject& subject) {
  clear();
  subject_ = &subject;
  if (text.size() > maxBytes) {
    throw XmlParseError(1, 1,
                        "document of " + std::to_string(text.size()) +
                            " bytes exceeds the limit of " + std::to_string(maxBytes) + " bytes");
  }
  checkMarkup(text, kMaxAttributes, subject.many);
  heldBudget_ = std::max(heldBytesFloor_, kMaxHeldBytesPerTextByte * text.size());
  xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                    "request");
  // The library reads the text where it is instead of a copy of its own: `text` outlives the
  // parse.
  source.setCopyBufToStream(false);
  configureInput(source);
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
  // A flat document leaves a long list of pending children behind; its storage goes now.
  heldBytes_ -= std::min(heldBytes_, pendingCharged_ * sizeof(XMLNode*));
  std::vector<XMLNode*>().swap(pending_);
  pendingCharged_ = 0;
  locator_ = nullptr;
  const XMLNode* root = nodes_.first();
  if (root == nullptr) {
    throw XmlParseError(1, 1, "document has no root element");
  }
  return *root;
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
                                   const XMLCh* const qname, const xercesc::Attributes& attrs) {
  // The text was checked for this before the library read it; the count is made again as the
  // library saw the element, so that no reading of the text that differs can get past it.
  const XMLSize_t count = attrs.getLength();
  const int declarations = declarations_;
  declarations_ = 0;
  if (count + static_cast<XMLSize_t>(declarations) > static_cast<XMLSize_t>(kMaxAttributes)) {
    fail("element with more than " + std::to_string(kMaxAttributes) +
         " attributes (namespace declarations included) refused");
  }
  if (open_.size() >= static_cast<std::size_t>(kMaxDepth)) {
    fail("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
  }
  XMLNode& node = *nodes_.take(1, *this);
  if (nodeBlocksMade_.size() < nodes_.count()) {
    nodeBlocksMade_.push_back(
        BlocksMade{childLists_.count(), attributes_.count(), values_.count(), texts_.count()});
  }
  node.name_ = keepName(localname);
  node.namespace_ = keepName(uri);
  // Only an element in a namespace can have a prefix; most requests use none.
  if (uri != nullptr && *uri != 0 && qname != nullptr && hasPrefix(qname)) {
    keepName(qname);  // Counted: the library keeps each distinct qualified element name.
  }
  if (count != 0) {
    XMLNode::Attribute* attributes = attributes_.take(count, *this);
    for (XMLSize_t i = 0; i < count; ++i) {
      // An attribute in a namespace keeps its prefix, so that it is never taken for a field.
      const XMLCh* qualifiedName = attrs.getQName(i);
      attributes[i].name =
          keepName(hasPrefix(qualifiedName) ? qualifiedName : attrs.getLocalName(i));
      attributes[i].value = keepValue(attrs.getValue(i));
    }
    node.attributes_ = attributes;
    node.attributeCount_ = static_cast<std::uint32_t>(count);
  }
  if (locator_ != nullptr) {
    node.line_ = toPosition(locator_->getLineNumber());
    node.column_ = toPosition(locator_->getColumnNumber());
  }
  if (!open_.empty()) {
    // The children of open elements wait here until their parent ends: a flat flood of
    // elements makes this list as long as the document, so the most it holds is charged too.
    if (pending_.size() == pendingCharged_) {
      charge(sizeof(XMLNode*));
      ++pendingCharged_;
    }
    pending_.push_back(&node);
  }
  open_.push_back({&node, pending_.size(), nullptr});
}

void SAXToNodeParser::endElement(const XMLCh* const /*uri*/, const XMLCh* const /*localname*/,
                                 const XMLCh* const /*qname*/) {
  if (open_.empty()) {
    return;
  }
  const Open element = open_.back();
  open_.pop_back();
  // The element's children move from the pending list to a run of their own.
  const std::size_t count = pending_.size() - element.firstChild;
  if (count != 0) {
    XMLNode** children = childLists_.take(count, *this);
    std::copy(pending_.begin() + static_cast<std::ptrdiff_t>(element.firstChild), pending_.end(),
              children);
    element.node->children_ = children;
    element.node->childCount_ = static_cast<std::uint32_t>(count);
    pending_.resize(element.firstChild);
  }
}

void SAXToNodeParser::characters(const XMLCh* const chars, const XMLSize_t length) {
  if (open_.empty() || length == 0) {
    return;
  }
  Open& element = open_.back();
  if (element.text == nullptr) {
    element.text = texts_.take(1, *this);
    element.node->text_ = element.text;
  }
  std::string& text = *element.text;
  const std::size_t before = heapBytes(text);
  appendUtf8(chars, length, text);
  charge(heapBytes(text) - before);
}

void SAXToNodeParser::startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri) {
  // Counted: the library keeps each distinct prefix and URI, and the declaration is one of the
  // element's attributes.
  keepName(prefix);
  keepName(uri);
  ++declarations_;
}

void SAXToNodeParser::startDTD(const XMLCh* const name, const XMLCh* const /*publicId*/,
                               const XMLCh* const /*systemId*/) {
  fail("document type declaration " + XmlParseError::quote(std::string(KvStrX(name))) +
       " refused: " + subject_->many + " may not declare a DTD");
}

void SAXToNodeParser::startEntity(const XMLCh* const name) {
  const KvStrX entity(name);
  if (!isPredefinedEntity(entity)) {
    fail("entity " + XmlParseError::quote(static_cast<const std::string&>(entity)) +
         " refused: " + subject_->many + " may not use entities");
  }
}

xercesc::InputSource* SAXToNodeParser::resolveEntity(const XMLCh* const /*publicId*/,
                                                     const XMLCh* const systemId) {
  fail("external entity " + XmlParseError::quote(std::string(KvStrX(systemId))) +
       " refused: nothing is loaded from outside a " + subject_->one);
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
