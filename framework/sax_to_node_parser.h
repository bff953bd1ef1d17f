// The parser front: request text to a tree of XMLNodes, on the XML library's SAX2 interface.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <xercesc/sax2/DefaultHandler.hpp>

#include "framework/visibility.h"
#include "framework/xml_node.h"
#include "framework/xml_parse_error.h"

SOACAD_API_BEGIN

XERCES_CPP_NAMESPACE_BEGIN
class InputSource;
class SAX2XMLReader;
XERCES_CPP_NAMESPACE_END

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

namespace Wire {
// Declared with the record readers (framework/wire_support.h).
void charge(const XMLNode& at, std::size_t bytes);
void reach(const XMLNode& element);
}  // namespace Wire

// Request text is untrusted. The parser therefore reads it as UTF-8 XML 1.0 only (a document
// declaring another version or encoding, or beginning as another encoding, is refused, as are
// bytes that are not UTF-8), processes no DTD (a document with a DOCTYPE is refused outright, so
// no entity is ever declared or expanded), loads nothing from outside the text, refuses any NUL
// byte, and bounds the document's size, its nesting depth, the attributes of one element, the
// distinct names it uses and the memory of the tree it makes and of the records read from it
// (see Reading). Every failure raises XmlParseError with line, column and a cause of bounded
// length; nothing recurses over the tree, neither building nor destroying it.
class SAXToNodeParser : public xercesc::DefaultHandler {
 public:
  // Larger than any batch a CAD client sends (10,000 parts with datasets and files is about
  // 20 MB of text) several times over, while bounding the memory one request can make the
  // server spend while reading it (see kHeldBytesFloor and kMaxHeldBytesPerTextByte).
  static constexpr std::size_t kMaxDocumentBytes = 128u * 1024u * 1024u;
  // The deepest wire record nests well under 16 elements; the limit leaves ample room and
  // keeps every recursive walk over a parsed tree (record parse) bounded.
  static constexpr int kMaxDepth = 256;
  // The attributes of one element, namespace declarations included. The widest record has 12
  // fields, so real requests stay far below it. The XML library compares an element's
  // attributes pairwise for repeats, which is quadratic in their number and runs before any
  // handler sees the element; the bound is therefore checked on the text before the library
  // reads it.
  static constexpr int kMaxAttributes = 64;
  // Distinct names in one document: element and attribute names, qualified element names,
  // namespace prefixes and namespace URIs. The XML library keeps each distinct one in pools of
  // its own for the whole parse (an element declaration per qualified element name, a pool entry
  // per prefix and per URI, several hundred bytes each), which the tree's budget does not see.
  // All records together have about 300 field names and a request uses a few dozen, so the bound
  // is far above any real request while the library's pools stay within a few megabytes.
  static constexpr std::size_t kMaxNames = 4096;
  // What a request holds while it is read, its node tree (nodes, child lists, names, attribute
  // values and text) and the wire records built from the tree (while a Reading lives), may take
  // the larger of kHeldBytesFloor and kMaxHeldBytesPerTextByte times the request text. A document
  // that would need more is refused, before the service sees it.
  //
  // Any request may hold kHeldBytesFloor, whatever its shape: a valid request with the least text
  // per input (UIDs only, no optional attribute, a bare element for each record) makes records of
  // up to about 190 times its text (a window to open carries eight object references and four
  // records, whatever its text gives). At that ratio the floor still holds about 200,000 inputs,
  // many times any real CAD batch (tens of thousands of inputs with their datasets), while a
  // small hostile request can make the server spend no more than the floor.
  static constexpr std::size_t kHeldBytesFloor = 256u * 1024u * 1024u;
  // Past the floor (a text of more than 32 MiB), a request may hold this many times its text, so
  // that a flood of tiny elements, attributes or records with default members cannot make the
  // server spend more than eight times the request's own size; a request that large is answered
  // when its inputs carry enough text (names, values, ids) for what they make. With the text
  // itself and the XML library's buffers the largest request then costs the server at most about
  // ten times its size, about 1.3 GB.
  static constexpr std::size_t kMaxHeldBytesPerTextByte = 8;
  // What is charged is what is held: nodes, child lists, attributes, values and texts as they are
  // taken (the spare room of the block they sit in is not), list storage as the records reserve
  // it (exactly what a list holds: a record counts its list elements before reading them) and
  // every record slot. So what a request is charged grows with every element it adds and never
  // by a jump, and a request refused is never answered once it is made longer in the same shape.
  // The tree's blocks leave at most 256 KiB unused for each of its five kinds: that spare room,
  // about a megabyte, is the only memory of the reading that is not charged.

  // Reads the current tree once into wire records. While it lives on a thread, the records that
  // parse on that thread charge what they make (Wire::charge) to the request's budget, shared
  // with the tree, past which the request is refused; and the parser frees the tree behind the
  // element being read (Wire::reach), since a record reads its elements once, in document order,
  // and never goes back. So a large request never holds its whole tree and its whole input
  // record at once.
  // REQUIRES: while it lives, the tree is read only by one record's parse, from its root;
  // afterwards what was read is gone: the tree is not read again.
  // Not a documented host interface (host/object/extensions.h).
  class Reading {
   public:
    explicit Reading(SAXToNodeParser& parser);
    ~Reading();
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;

   private:
    SAXToNodeParser* previous_;  // Restored at the end: readings nest.
  };

  // `heldBytesFloor` is what any document may hold whatever its size (kHeldBytesFloor; tests
  // pass a smaller one to reach the bound with small documents).
  explicit SAXToNodeParser(std::size_t heldBytesFloor = kHeldBytesFloor);
  virtual ~SAXToNodeParser();
  SAXToNodeParser(const SAXToNodeParser&) = delete;
  SAXToNodeParser& operator=(const SAXToNodeParser&) = delete;

  // Parses `text` and returns its root element, owned by this parser until it is destroyed or
  // parses again (which first drops the previous tree). Raises XmlParseError on any failure and
  // then holds no tree.
  const XMLNode& parseString(const std::string& text);
  // The same for trusted text of the host's own (a saved store), which has a size limit of its
  // own, `maxBytes`, instead of kMaxDocumentBytes; every other bound still holds, and faults
  // speak of a saved store instead of a request.
  const XMLNode& parseTrustedString(const std::string& text, std::size_t maxBytes);

  // How the parser sets up the XML library's reader and the input of a parse; a benchmark's bare
  // reader is set up with these, so that it reads exactly as the parser does.
  static void configureReader(xercesc::SAX2XMLReader& reader);
  static void configureInput(xercesc::InputSource& input);

  // What the current tree holds, with what the records read from it under a Reading hold (as
  // charged: tree blocks freed behind the reading are taken off), for tests and benchmarks.
  std::size_t heldBytes() const { return heldBytes_; }
  // The most heldBytes() has been since the current parse began: what the budget was held to.
  std::size_t peakHeldBytes() const { return peakHeldBytes_; }

  // The handlers that add nothing to the tree.
  void startDocument() override {}
  void endDocument() override {}
  void ignorableWhitespace(const XMLCh* const /*chars*/, const XMLSize_t /*length*/) override {}
  void processingInstruction(const XMLCh* const /*target*/, const XMLCh* const /*data*/) override {}

  // The handlers that build the tree.
  void setDocumentLocator(const xercesc::Locator* const locator) override;
  void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                    const xercesc::Attributes& attrs) override;
  void endElement(const XMLCh* const uri, const XMLCh* const localname,
                  const XMLCh* const qname) override;
  void characters(const XMLCh* const chars, const XMLSize_t length) override;
  // Called for each namespace declaration of an element before the element's startElement.
  void startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri) override;
  void startDTD(const XMLCh* const name, const XMLCh* const publicId,
                const XMLCh* const systemId) override;
  void startEntity(const XMLCh* const name) override;
  xercesc::InputSource* resolveEntity(const XMLCh* const publicId,
                                      const XMLCh* const systemId) override;
  void warning(const xercesc::SAXParseException& exc) override;
  void error(const xercesc::SAXParseException& exc) override;
  void fatalError(const xercesc::SAXParseException& exc) override;

 private:
  // What a document is, as its faults name it: one ("request") and many ("requests").
  struct Subject {
    const char* one;
    const char* many;
  };
  static const Subject kRequest;
  static const Subject kSavedStore;

  const XMLNode& parse(const std::string& text, std::size_t maxBytes, const Subject& subject);
  [[noreturn]] void fail(const std::string& cause);

  // Runs of T side by side in blocks that never move, so that what is handed out stays where
  // it is while the tree grows; blocks grow geometrically, so a large tree takes few
  // allocations. What is taken is charged to the tree, and credited back when a Reading frees
  // its block. The storage of the largest blocks is kept by the thread for its next parses (up
  // to a bound), which spares a large request the page faults of fresh memory.
  template <class T>
  class Blocks {
   public:
    Blocks() = default;
    Blocks(const Blocks&) = delete;
    Blocks& operator=(const Blocks&) = delete;
    ~Blocks() { clear(); }

    // `count` fresh elements side by side, charged to `parser`.
    T* take(std::size_t count, SAXToNodeParser& parser);
    // The first element taken (the root, for nodes); null when none was.
    T* first() const { return blocks_.empty() ? nullptr : blocks_.front().items; }
    // The blocks made so far, freed ones included; blocks are numbered in the order made.
    std::size_t count() const { return blocks_.size(); }
    // The number of the block holding `item`, looked for among the blocks not freed yet;
    // count() when none holds it.
    std::size_t blockOf(const T* item) const;
    // Frees the blocks numbered below `end` that are not freed yet, with what they hold, and
    // returns the bytes they were charged.
    std::size_t freeBefore(std::size_t end);
    void clear();

   private:
    struct Block {
      T* items;
      std::size_t count;
      std::size_t bytes;  // Of storage under the items.
      std::size_t used;   // Elements taken (and charged).
    };
    void release(Block& block);

    std::vector<Block> blocks_;
    std::size_t freed_ = 0;  // The blocks before this one are freed (their items null).
  };

  // How many blocks of each other kind had been made when a block of nodes was made: the
  // blocks before the last of those hold only what elements before that block's first node
  // took, so they can go once a Reading has passed that node.
  struct BlocksMade {
    std::size_t childLists;
    std::size_t attributes;
    std::size_t values;
    std::size_t texts;
  };

  // A name of the current tree with the UTF-16 text it was found by.
  struct KeptName {
    std::u16string key;
    std::string name;
    std::uint64_t hash;
  };

  // An element being read: its node, where its children start in `pending_`, and its text
  // (null until some arrives).
  struct Open {
    XMLNode* node;
    std::size_t firstChild;
    std::string* text;
  };

  friend void Wire::charge(const XMLNode& at, std::size_t bytes);
  friend void Wire::reach(const XMLNode& element);

  void clear();
  // Counts `bytes` more of tree memory; refuses the document when the tree outgrows its budget.
  void charge(std::size_t bytes);
  // Counts `bytes` more that a record read from the tree makes; refuses the request at `at`
  // when what it holds outgrows its budget.
  void chargeRecord(const XMLNode& at, std::size_t bytes);
  // Frees what lies wholly before `element` in document order (see Reading).
  void freeBefore(const XMLNode& element);
  // The one copy of the name `text` in the current tree.
  const std::string* keepName(const XMLCh* text);
  // The name `text` in the table (index + 1 into names_), added when it is new.
  std::uint32_t findName(const XMLCh* text);
  // A copy of the attribute value `text` in the current tree, as UTF-8.
  std::string_view keepValue(const XMLCh* text);

  std::unique_ptr<xercesc::SAX2XMLReader> reader_;  // Made once, reused by every parse.
  // The current tree: its nodes in document order (the first is the root), the child lists,
  // attributes and attribute values of all of them, and their texts.
  Blocks<XMLNode> nodes_;
  Blocks<XMLNode*> childLists_;
  Blocks<XMLNode::Attribute> attributes_;
  Blocks<char> values_;  // Attribute values, side by side.
  Blocks<std::string> texts_;
  std::vector<Open> open_;                  // The elements being read, innermost last.
  std::vector<XMLNode*> pending_;           // The children read so far of each open element.
  std::vector<BlocksMade> nodeBlocksMade_;  // One for each block of nodes_.
  // Element and attribute names of the tree, found through an open-addressed table by their
  // UTF-16 text, so that a name seen before is neither narrowed nor copied again.
  std::deque<KeptName> names_;
  std::vector<std::uint32_t> nameSlots_;  // Index + 1 into names_; 0 for a free slot.
  // The names last found, by where the XML library handed them over and their first
  // characters: the library hands the same name over from the same place again and again, so
  // most names are found here by one comparison of their text.
  struct RecentName {
    const XMLCh* text;
    std::uint32_t index;  // Index + 1 into names_; 0 for none.
  };
  std::array<RecentName, 256> recentNames_{};
  int declarations_ = 0;  // Namespace declarations of the element about to start.
  // Memory the current tree takes, with the records read from it while a Reading lives.
  std::size_t heldBytes_ = 0;
  std::size_t peakHeldBytes_ = 0;
  std::size_t heldBytesFloor_;  // See kHeldBytesFloor.
  std::size_t heldBudget_ = 0;  // What the current document may take.
  // The most children that waited at once in `pending_`, as charged.
  std::size_t pendingCharged_ = 0;
  const Subject* subject_;                     // What the current document is.
  const xercesc::Locator* locator_ = nullptr;  // Valid during a parse only.
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
