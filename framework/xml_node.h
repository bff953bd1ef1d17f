// One parsed XML element of a request document.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

// An element with its attributes, its text and its child elements, as SAXToNodeParser builds it.
// Nodes are owned by the parser that made them (never by their parent), so that a deep tree is
// freed without recursion; a node and its children stay valid while that parser lives. Element
// and attribute names are kept once per parse by the parser and shared by the nodes, which keeps
// a node small: the parser bounds the tree's memory by the request's size.
class XMLNode {
 public:
  XMLNode() = default;
  XMLNode(const XMLNode&) = delete;
  XMLNode& operator=(const XMLNode&) = delete;

  // The element's local name (without prefix).
  const std::string& name() const { return *name_; }
  // The namespace URI of the element, empty when it has none.
  const std::string& nameSpace() const { return *namespace_; }
  // The character data directly inside the element, concatenated in document order
  // (white space included; ignorable white space and processing instructions never arrive).
  const std::string& text() const { return text_; }
  // The child elements in document order.
  const std::vector<XMLNode*>& children() const { return children_; }
  // Attribute name to value: an attribute in no namespace by its local name, any other by its
  // qualified name (prefix:name), so that only the former can be taken for a record's field;
  // namespace declarations are not attributes. Each name at most once (the parser refuses a
  // repeated attribute). The parser keeps the attributes as a flat list; the map is made from
  // that list on the first call and lives as long as the node.
  const std::map<std::string, std::string>& attrs() const {
    if (!attributeMap_) {
      attributeMap_.reset(new std::map<std::string, std::string>());
    }
    if (attributeMap_->size() != attributes_.size()) {
      for (const auto& attribute : attributes_) {
        attributeMap_->emplace(*attribute.first, attribute.second);
      }
    }
    return *attributeMap_;
  }
  // The attribute's value, or null when the element does not carry it.
  const std::string* attr(const std::string& attributeName) const {
    for (const auto& attribute : attributes_) {
      if (*attribute.first == attributeName) {
        return &attribute.second;
      }
    }
    return nullptr;
  }
  // The attributes in document order, each as its name and value.
  const std::vector<std::pair<const std::string*, std::string>>& attributeList() const {
    return attributes_;
  }
  // Where the element's start tag ends in the document (1-based), for error messages;
  // 0 for a node that was not parsed.
  int line() const { return line_; }
  int column() const { return column_; }

 private:
  friend class SAXToNodeParser;

  static const std::string* noName() {
    static const std::string empty;
    return &empty;
  }

  const std::string* name_ = noName();       // Kept by the parser.
  const std::string* namespace_ = noName();  // Kept by the parser.
  std::vector<XMLNode*> children_;
  std::string text_;
  int line_ = 0;
  int column_ = 0;
  // Names kept by the parser, values by the node; in document order.
  std::vector<std::pair<const std::string*, std::string>> attributes_;
  // attrs(): made on demand; a node is read by the one request that parsed it.
  mutable std::unique_ptr<std::map<std::string, std::string>> attributeMap_;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
