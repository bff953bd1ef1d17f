// One parsed XML element of a request document.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// An element with its attributes, its text and its child elements, as SAXToNodeParser builds it.
// Nodes are owned by the parser that made them (never by their parent), so that a deep tree is
// freed without recursion; a node and its children stay valid while that parser lives.
class XMLNode {
 public:
  XMLNode() = default;
  XMLNode(const XMLNode&) = delete;
  XMLNode& operator=(const XMLNode&) = delete;

  // The element's local name (without prefix).
  const std::string& name() const { return name_; }
  // The namespace URI of the element, empty when it has none.
  const std::string& nameSpace() const { return namespace_; }
  // The character data directly inside the element, concatenated in document order
  // (white space included; ignorable white space and processing instructions never arrive).
  const std::string& text() const { return text_; }
  // The child elements in document order.
  const std::vector<XMLNode*>& children() const { return children_; }
  // Attribute (local name) to value; each name at most once (the parser refuses a repeated
  // attribute). The parser keeps the attributes as a flat list, one allocation per element
  // rather than one per attribute, which keeps building large trees cheap; the map is made
  // from that list on the first call and lives as long as the node.
  const std::map<std::string, std::string>& attrs() const {
    if (attributeMap_.size() != attributes_.size()) {
      attributeMap_.insert(attributes_.begin(), attributes_.end());
    }
    return attributeMap_;
  }
  // The attribute's value, or null when the element does not carry it.
  const std::string* attr(const std::string& attributeName) const {
    for (const auto& attribute : attributes_) {
      if (attribute.first == attributeName) {
        return &attribute.second;
      }
    }
    return nullptr;
  }
  // Where the element's start tag ends in the document (1-based), for error messages;
  // 0 for a node that was not parsed.
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  friend class SAXToNodeParser;

  std::string name_;
  std::string namespace_;
  std::vector<XMLNode*> children_;
  std::string text_;
  int line_ = 0;
  std::vector<std::pair<std::string, std::string>> attributes_;  // In document order.
  int column_ = 0;
  // attrs(): made on demand; a node is read by the one request that parsed it.
  mutable std::map<std::string, std::string> attributeMap_;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
