// One parsed XML element of a request document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// An element with its attributes, its text and its child elements, as SAXToNodeParser builds it.
// Nodes are owned by the parser that made them (never by their parent), so that a deep tree is
// freed without recursion; a node, its children, names, text and attributes stay valid while
// that parser lives. The parser keeps everything of a tree in a few large blocks: element and
// attribute names once per parse, shared by the nodes; the child lists, attributes, attribute
// values and texts of all nodes side by side. A node itself only points into them, which keeps
// it small (64 bytes) and the tree's memory bounded by the request's size (the parser refuses a
// tree that outgrows it).
class XMLNode {
 public:
  // The child elements of a node, in document order.
  class Children {
   public:
    using const_iterator = XMLNode* const*;
    using const_reverse_iterator = std::reverse_iterator<const_iterator>;
    const_iterator begin() const { return first_; }
    const_iterator end() const { return first_ + size_; }
    const_reverse_iterator rbegin() const { return const_reverse_iterator(end()); }
    const_reverse_iterator rend() const { return const_reverse_iterator(begin()); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    XMLNode* front() const { return first_[0]; }
    XMLNode* operator[](std::size_t index) const { return first_[index]; }

   private:
    friend class XMLNode;
    Children(XMLNode* const* first, std::size_t size) : first_(first), size_(size) {}
    XMLNode* const* first_;
    std::size_t size_;
  };

  // One attribute: its name and its value, both kept by the parser.
  struct Attribute {
    const std::string* name;
    std::string_view value;
  };

  XMLNode() = default;
  XMLNode(const XMLNode&) = delete;
  XMLNode& operator=(const XMLNode&) = delete;

  // The element's local name (without prefix).
  const std::string& name() const { return *name_; }
  // The namespace URI of the element, empty when it has none.
  const std::string& nameSpace() const { return *namespace_; }
  // The character data directly inside the element, concatenated in document order
  // (white space included; ignorable white space and processing instructions never arrive).
  const std::string& text() const { return *text_; }
  // The child elements in document order.
  Children children() const { return Children(children_, childCount_); }
  // Attribute name to value: an attribute in no namespace by its local name, any other by its
  // qualified name (prefix:name), so that only the former can be taken for a record's field;
  // namespace declarations are not attributes. Each name at most once (the parser refuses a
  // repeated attribute). The map is made from the attributes on the first call and lives as
  // long as the node.
  const std::map<std::string, std::string>& attrs() const {
    if (!attributeMap_) {
      attributeMap_.reset(new std::map<std::string, std::string>());
      for (const Attribute& attribute : attributes()) {
        attributeMap_->emplace(*attribute.name, std::string(attribute.value));
      }
    }
    return *attributeMap_;
  }
  // The attribute's value, or null when the element does not carry it.
  const std::string_view* attr(const std::string& attributeName) const {
    for (const Attribute& attribute : attributes()) {
      if (*attribute.name == attributeName) {
        return &attribute.value;
      }
    }
    return nullptr;
  }
  // The attributes in document order.
  struct Attributes {
    const Attribute* first;
    std::size_t size;
    const Attribute* begin() const { return first; }
    const Attribute* end() const { return first + size; }
    bool empty() const { return size == 0; }
  };
  Attributes attributes() const { return {attributes_, attributeCount_}; }
  // Where the element's start tag ends in the document (1-based), for error messages;
  // 0 for a node that was not parsed.
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  friend class SAXToNodeParser;

  static const std::string* none() {
    static const std::string empty;
    return &empty;
  }

  const std::string* name_ = none();       // Kept by the parser.
  const std::string* namespace_ = none();  // Kept by the parser.
  const std::string* text_ = none();       // Kept by the parser.
  XMLNode* const* children_ = nullptr;     // Kept by the parser; in document order.
  const Attribute* attributes_ = nullptr;  // Kept by the parser; in document order.
  // attrs(): made on demand; a node is read by the one request that parsed it.
  mutable std::unique_ptr<std::map<std::string, std::string>> attributeMap_;
  std::uint32_t childCount_ = 0;
  std::uint32_t attributeCount_ = 0;
  int line_ = 0;
  int column_ = 0;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
