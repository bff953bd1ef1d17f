#include "framework/sax_to_node_parser.h"

#include <gtest/gtest.h>

#include <xercesc/sax2/Attributes.hpp>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlParseError;

// The tree on one line: name{namespace} attributes in document order 'text' (children; ...).
std::string dump(const XMLNode& node) {
  std::string out = node.name();
  if (!node.nameSpace().empty()) {
    out += "{" + node.nameSpace() + "}";
  }
  for (const XMLNode::Attribute& attribute : node.attributes()) {
    out += " " + *attribute.name + "=" + std::string(attribute.value);
  }
  if (!node.text().empty()) {
    out += " '" + node.text() + "'";
  }
  if (!node.children().empty()) {
    out += " (";
    for (const XMLNode* child : node.children()) {
      out += dump(*child) + ";";
    }
    out += ")";
  }
  return out;
}

class SAXToNodeParserTest : public ::testing::Test {
 protected:
  const XMLNode& parse(const std::string& text) { return parser_.parseString(text); }

  // Parses `text`, which must fail, and returns the error.
  XmlParseError failure(const std::string& text) {
    try {
      parser_.parseString(text);
    } catch (const XmlParseError& error) {
      return error;
    }
    ADD_FAILURE() << "parsed without error: " << text.substr(0, 200);
    return XmlParseError(0, 0, "none");
  }

  SAXToNodeParser parser_;
};

// Names and namespaces (an attribute in a namespace keeps its prefix: it is not the unprefixed
// attribute of the same local name; a namespace declaration is no attribute); an element's text
// is all its direct character data, CDATA and references included, as UTF-8; processing
// instructions and comments add nothing.
TEST_F(SAXToNodeParserTest, BuildsTheElementTree) {
  const std::string wide = "\xC2\x80\xDF\xBF\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const struct {
    std::string document;
    std::string tree;
  } cases[] = {
      {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Input xmlns=\"urn:x\" b=\"two\" a=\"1\">"
       "<info name=\"n\"><item>x</item></info><info/></Input>",
       "Input{urn:x} b=two a=1 (info{urn:x} name=n (item{urn:x} 'x';);info{urn:x};)"},
      {"<p:Input xmlns:p=\"urn:p\" xmlns:x=\"urn:x\" p:k=\"v\" x:uid=\"a\" uid=\"b\"/>",
       "Input{urn:p} p:k=v x:uid=a uid=b"},
      {"<t>a &amp; b<child>inner</child> c<![CDATA[<d>&]]>&#x20AC;</t>",
       "t 'a & b c<d>&\xE2\x82\xAC' (child 'inner';)"},
      {"<t a=\"" + wide + "&#x1F601;\">" + wide + "</t>",
       "t a=" + wide + "\xF0\x9F\x98\x81 '" + wide + "'"},
      {"<?pi before?><r><?pi data?><!-- note --><c/><?pi x?></r><?pi?>", "r (c;)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(dump(parse(c.document)), c.tree);
  }
  const XMLNode& root = parse("<r a=\"1\" p:k=\"v\" xmlns:p=\"urn:p\">\n  <e/></r>");
  EXPECT_EQ(root.attrs(), (std::map<std::string, std::string>{{"a", "1"}, {"p:k", "v"}}));
  EXPECT_EQ(*root.attr("a"), "1");
  EXPECT_EQ(root.attr("k"), nullptr);
  EXPECT_EQ(root.children()[0]->line(), 2);
  EXPECT_EQ(root.children()[0]->column(), 7);
}

// Trees far larger than one block of nodes, child lists, attributes or texts, and attribute
// values of every length (across the end of a block, larger than a block, empty, with characters
// of every UTF-8 length at the cut): every element keeps its own children in order, its own
// attributes and its own text, wherever its siblings and descendants were stored while it was
// open. The trees of all shapes live side by side, each in a parser of its own, and the second
// round is built in the storage that the first round's parsers gave back.
TEST_F(SAXToNodeParserTest, LargeTreesKeepEveryElementsOwnChildrenAttributesAndText) {
  const std::string wide = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const std::vector<std::vector<std::string>> valueRuns = {
      {"", "a", "", "", "bc"},
      {std::string(31, 'x'), std::string(33, 'y'), std::string(4097, 'z'), std::string(70000, 'w'),
       std::string(300000, 'v'), "after"},
      {std::string(30, 'a') + wide, std::string(61, 'b') + wide, wide + std::string(4000, 'c'),
       std::string(262143, 'd') + wide, wide}};
  const struct {
    int groups;
    int itemsPerGroup;
  } shapes[] = {{1, 20000}, {3000, 3}, {50, 150}, {3, 6}};
  std::vector<std::string> texts;
  std::vector<std::string> trees;
  for (const auto& shape : shapes) {
    std::string text = "<r>head";
    std::string tree = "r 'headtail' (";
    for (int g = 0; g < shape.groups; ++g) {
      const std::string n = std::to_string(g);
      text += "<g n=\"" + n + "\">g" + n;
      tree += "g n=" + n + " 'g" + n + "' (";
      for (int i = 0; i < shape.itemsPerGroup; ++i) {
        const std::string a = n + "." + std::to_string(i);
        const std::string v = shape.itemsPerGroup == 6 ? valueRuns[g][i % valueRuns[g].size()] : "";
        text += "<i a=\"" + a + "\" b=\"x\" v=\"" + v + "\" w=\"" + v + v + "\"/>";
        tree += "i a=" + a + " b=x v=" + v + " w=" + v + v + ";";
      }
      text += "</g>";
      tree += ");";
    }
    texts.push_back(text + "tail</r>");
    trees.push_back(tree + ")");
  }
  for (int round = 0; round < 2; ++round) {
    std::vector<std::unique_ptr<SAXToNodeParser>> parsers;
    std::vector<const XMLNode*> roots;
    for (const std::string& text : texts) {
      parsers.push_back(std::make_unique<SAXToNodeParser>());
      roots.push_back(&parsers.back()->parseString(text));
    }
    for (std::size_t s = 0; s < roots.size(); ++s) {
      EXPECT_TRUE(dump(*roots[s]) == trees[s]) << shapes[s].groups << " groups, round " << round;
    }
  }
}

// Names are kept once per tree and found again by their text: many distinct names (the table
// grows many times), names that differ only in a character's high bits or only in length, and
// non-ASCII names each come back as themselves, and a repeated name is the same kept string.
TEST_F(SAXToNodeParserTest, EveryDistinctNameIsKeptOnceAndComesBackAsItself) {
  std::vector<std::string> names = {"a",
                                    "aa",
                                    "aaa",
                                    "\xC4\x80",
                                    "\xC5\x80",
                                    "\xE4\xB8\x80",
                                    "\xE5\xB8\x80",
                                    "x\xF0\x9F\x98\x80",
                                    "x\xF0\x9F\x98\x81"};
  for (int i = 0; i < 3000; ++i) {
    names.push_back("n" + std::to_string(i));
  }
  std::string text = "<r>";
  for (const std::string& name : names) {
    text += "<" + name + " " + name + "=\"1\"/><" + name + " " + name + "=\"2\"/>";
  }
  const XMLNode& root = parse(text + "</r>");
  ASSERT_EQ(root.children().size(), 2 * names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    const XMLNode& first = *root.children()[2 * i];
    const XMLNode& second = *root.children()[2 * i + 1];
    EXPECT_EQ(dump(first) + dump(second),
              names[i] + " " + names[i] + "=1" + names[i] + " " + names[i] + "=2");
    EXPECT_EQ(&first.name(), &second.name()) << names[i];
    EXPECT_EQ(first.attributes().begin()->name, &first.name()) << names[i];
  }
}

// Malformed text is refused with its line and column, and the parser is ready for the next one.
TEST_F(SAXToNodeParserTest, MalformedDocumentsReportLineAndColumn) {
  const XmlParseError error = failure("<a>\n  <b></a>");
  EXPECT_EQ(error.line(), 2);
  EXPECT_GT(error.column(), 0);
  EXPECT_FALSE(error.cause().empty());
  EXPECT_EQ(std::string(error.what()).rfind("line 2, column ", 0), 0u) << error.what();
  for (const char* text : {"", "plain text", "<a", "<a></b>", "<a b='1' b='2'/>", "<a>&bogus;</a>",
                           "<a/><b/>", "<a>&#0;</a>", "<a>\xFF</a>", "<1a/>"}) {
    EXPECT_GE(failure(text).line(), 1) << text;
  }
  parse("<first><a/><b/></first>");
  EXPECT_EQ(dump(parse("<third x=\"1\"/>")), "third x=1");
}

// Text the parser refuses before or while building the tree, with the position it names and a
// fragment of the cause.
TEST_F(SAXToNodeParserTest, HostileTextIsRefusedWithItsPosition) {
  const int most = SAXToNodeParser::kMaxAttributes;
  std::string tooMany = "<r>\n  <e";
  for (int i = 0; i <= most; ++i) {
    tooMany += " a" + std::to_string(i) + "='" + (i == 0 ? "x/>" : "") + "'";
  }
  tooMany += "/></r>";
  // Namespace declarations count as attributes.
  std::string declarations = "<r";
  for (int i = 0; i < most / 2; ++i) {
    declarations += " xmlns:p" + std::to_string(i) + "=\"urn:" + std::to_string(i) + "\"";
  }
  for (int i = 0; i <= most / 2; ++i) {
    declarations += " p" + std::to_string(i % (most / 2)) + ":a" + std::to_string(i) + "=\"\"";
  }
  declarations += "/>";
  // A flood of distinct names (each kept once) needs far more than its share of the XML
  // library's pools.
  std::string nameFlood = "<r>";
  for (int i = 0; i < 200000; ++i) {
    nameFlood += "<n" + std::to_string(1000000 + i) + "/>";
  }
  std::string oversize = "<r>";
  oversize.resize(SAXToNodeParser::kMaxDocumentBytes + 1, ' ');
  std::string deep;
  for (int i = 0; i <= SAXToNodeParser::kMaxDepth; ++i) {
    deep += "<e>";
  }
  const struct {
    std::string text;
    int line;
    int column;
    const char* cause;
  } cases[] = {
      {std::string("<r/>\0garbage", 12), 1, 5, "NUL character"},
      {std::string("<r>\n <a b='\0'/></r>", 19), 2, 8, "NUL character"},
      {std::string("\xC3\xA9\0", 3), 1, 2, "NUL character"},
      {tooMany, 2, 3, "more than 64 attributes"},
      {declarations, 1, 1, "more than 64 attributes"},
      {nameFlood + "</r>", 1, 0, "more than 4096 distinct names"},
      {oversize, 1, 1, "exceeds the limit"},
      {deep, 1, 3 * SAXToNodeParser::kMaxDepth + 4, "nested deeper"},
      // Document types are refused before any declaration is read: no entity expansion bomb
      // and no external entity gets that far.
      {"<!DOCTYPE r [<!ENTITY e \"expanded\">]>\n<r>&e;</r>", 1, 0, "DTD"},
      {"<!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
       "<r>&b;&b;&b;</r>",
       1, 0, "DTD"},
      {"<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>", 1, 0, "DTD"},
      {"<!DOCTYPE r SYSTEM \"http://127.0.0.1:1/r.dtd\"><r/>", 1, 0, "DTD"},
      {"<!DOCTYPE r PUBLIC \"-//x//y\" \"r.dtd\"><r/>", 1, 0, "DTD"},
      {"<r>\n&nbsp;</r>", 2, 0, ""},
  };
  for (const auto& c : cases) {
    const XmlParseError error = failure(c.text);
    EXPECT_EQ(error.line(), c.line) << c.text.substr(0, 40);
    if (c.column != 0) {
      EXPECT_EQ(error.column(), c.column) << c.text.substr(0, 40);
    }
    EXPECT_NE(error.cause().find(c.cause), std::string::npos) << error.what();
  }
  // A saved store is trusted text with a size limit of its own in place of the request's.
  EXPECT_EQ(parser_.parseTrustedString("<r/>", 4).name(), "r");
  EXPECT_THROW(parser_.parseTrustedString("<r/>", 3), XmlParseError);
}

// A tree may hold the larger of the parser's floor and eight times its text. Floods of tiny
// elements or attributes need far more than eight times their text: past the floor they are
// refused, naming both bounds, and below it they are read. (A parser with a floor of 1 MiB
// shows both sides with small documents; the real floor holds both floods.)
TEST_F(SAXToNodeParserTest, ATreeMayHoldTheLargerOfTheFloorAndEightTimesItsText) {
  std::string elementFlood = "<r>";
  std::string attributeFlood = "<r>";
  for (int i = 0; i < 200000; ++i) {
    elementFlood += "<a/>";
    attributeFlood += i < 100000 ? "<a b=''/>" : "";
  }
  elementFlood += "</r>";
  attributeFlood += "</r>";
  SAXToNodeParser small(1u << 20);
  for (const std::string* flood : {&elementFlood, &attributeFlood}) {
    try {
      small.parseString(*flood);
      ADD_FAILURE() << "a flood past the floor and the ratio was read";
    } catch (const XmlParseError& error) {
      EXPECT_EQ(error.line(), 1);
      EXPECT_NE(error.cause().find("request refused: its element tree and the records read from "
                                   "it would need more than " +
                                   std::to_string(8 * flood->size()) +
                                   " bytes in memory, the larger of 1048576 bytes "
                                   "(SAXToNodeParser::kHeldBytesFloor) and 8 times the "
                                   "request's size (SAXToNodeParser::kMaxHeldBytesPerTextByte)"),
                std::string::npos)
          << error.what();
    }
    EXPECT_EQ(parse(*flood).children().size(), flood == &elementFlood ? 200000u : 100000u);
    EXPECT_GT(parser_.heldBytes(), 8 * flood->size());
  }
  // Below the floor a tree may hold more than eight times its text.
  std::string tinyElements = "<r>";
  for (int i = 0; i < 10000; ++i) {
    tinyElements += "<a/>";
  }
  tinyElements += "</r>";
  EXPECT_EQ(small.parseString(tinyElements).children().size(), 10000u);
  EXPECT_GT(small.heldBytes(), 8 * tinyElements.size());
  EXPECT_LE(small.heldBytes(), std::size_t{1} << 20);
  // A saved store speaks of itself.
  try {
    small.parseTrustedString(elementFlood, SAXToNodeParser::kMaxDocumentBytes);
    ADD_FAILURE() << "a flood past the floor and the ratio was read";
  } catch (const XmlParseError& error) {
    EXPECT_EQ(error.cause().rfind("saved store refused: its element tree", 0), 0u) << error.what();
    EXPECT_NE(error.cause().find("8 times the saved store's size"), std::string::npos)
        << error.what();
  }
}

// What a tree is charged is what its elements take: every further element of the same shape
// adds the same bytes, and no element pays for the spare room of a block or a list (which would
// make a longer document cheaper, per byte, than a shorter one).
TEST_F(SAXToNodeParserTest, WhatATreeIsChargedGrowsByWhatEachElementTakes) {
  const std::string element = "<a b=\"v\">text</a>";
  std::size_t before = 0;
  std::size_t step = 0;
  for (int count = 1; count <= 600; ++count) {
    std::string text = "<r>";
    for (int i = 0; i < count; ++i) {
      text += element;
    }
    parse(text + "</r>");
    const std::size_t held = parser_.peakHeldBytes();
    if (count == 3) {
      step = held - before;
      EXPECT_GT(step, sizeof(XMLNode));
    } else if (count > 3) {
      ASSERT_EQ(held - before, step) << count << " elements";
    }
    before = held;
  }
}

// Requests are read as UTF-8 XML 1.0 and nothing else: what the XML library would read as another
// version or encoding is refused before it reads anything, and bytes that are not UTF-8 are
// reported where they are.
TEST_F(SAXToNodeParserTest, OnlyUtf8Xml10IsRead) {
  // XML 1.1 takes NEL as white space: without the refusal the attribute bound would not see
  // these attributes, and the XML library would compare them pairwise.
  std::string nelAttributes = "<?xml version=\"1.1\"?><r";
  for (int i = 0; i <= SAXToNodeParser::kMaxAttributes; ++i) {
    nelAttributes += "\xC2\x85xmlns:p" + std::to_string(i) + "=\"u" + std::to_string(i) + "\"";
  }
  nelAttributes += "/>";
  const struct {
    std::string text;
    int line;
    int column;
    const char* cause;
  } cases[] = {
      {"<?xml version=\"1.1\"?><r>&#1;</r>", 1, 16, "XML version \"1.1\" refused"},
      {"<?xml version = '1.1' encoding='UTF-8'?><r/>", 1, 18, "XML version \"1.1\" refused"},
      {"\xEF\xBB\xBF<?xml\tversion=\"2.0\"?><r/>", 1, 16, "XML version \"2.0\" refused"},
      {nelAttributes, 1, 16, "XML version \"1.1\" refused"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9</r>", 1, 31,
       "encoding \"ISO-8859-1\" refused"},
      {"<?xml version=\"1.0\"\n encoding=\"UTF-16\"?><r/>", 2, 12, "encoding \"UTF-16\" refused"},
      {"\x4C\x6F\xA7\x94\x40\xA5\x85\x99", 1, 1, "text in EBCDIC refused"},
      {"\xFE\xFF<r/>", 1, 1, "text in UTF-16 refused"},
      {std::string("<\0?\0x\0m\0l\0", 10), 1, 1, "text in UTF-16 refused"},
      {std::string("\0\0\0<", 4), 1, 1, "text in UCS-4 refused"},
      {"<?xml encoding=\"UTF-8\"?><r/>", 1, 1, "malformed XML declaration"},
      {"<?xml version=\"1.0\" standalone=\"yes\" encoding=\"UTF-8\"?><r/>", 1, 1,
       "malformed XML declaration"},
      {"<?xml version=\"1.0\"", 1, 1, "malformed XML declaration"},
      {"<?xml version=\"1.0\"encoding=\"UTF-8\"?><r/>", 1, 1, "malformed XML declaration"},
      // Not UTF-8: a stray continuation byte, a lead byte cut short, an overlong form, a
      // surrogate, a code point past U+10FFFF, bytes that never start a character; each where
      // it is, wherever the XML library would have been reading.
      {"<r>\n  <a>x\xFF</a></r>", 2, 7, "not UTF-8 refused (0xFF)"},
      {"<r a=\"\xC3\xA9\xA9\"/>", 1, 8, "(0xA9)"},
      {"<r>\xC3</r>", 1, 4, "(0xC3 0x3C)"},
      {"<r>\xC3", 1, 4, "(0xC3)"},
      {"<r>\xC0\x80</r>", 1, 4, "(0xC0)"},
      {"<r>\xE0\x9F\xBF</r>", 1, 4, "(0xE0 0x9F)"},
      {"<r>\xED\xA0\x80</r>", 1, 4, "(0xED 0xA0)"},
      {"<r>\xF0\x8F\xBF\xBF</r>", 1, 4, "(0xF0 0x8F)"},
      {"<r>\xF4\x90\x80\x80</r>", 1, 4, "(0xF4 0x90)"},
      {"<r>\xF0\x90\x80</r>", 1, 4, "(0xF0 0x90 0x80 0x3C)"},
      {"<r>\xF5\x80\x80\x80</r>", 1, 4, "(0xF5)"},
      {"<r>" + std::string(5000, 'x') + "\n\xE2\x82\xAC\xE2\x82</r>", 2, 2, "(0xE2 0x82 0x3C)"},
  };
  for (const auto& c : cases) {
    const XmlParseError error = failure(c.text);
    EXPECT_EQ(error.line(), c.line) << c.text.substr(0, 60);
    EXPECT_EQ(error.column(), c.column) << c.text.substr(0, 60);
    EXPECT_NE(error.cause().find(c.cause), std::string::npos) << error.what();
  }
  // What is UTF-8 XML 1.0 is read, however its declaration is spaced and quoted; a processing
  // instruction whose target only begins with "xml" is no declaration. Characters of every
  // UTF-8 length at the edges of their ranges, and a text that ends where a word of the check
  // ends, are read as they are.
  const std::string edges =
      "\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD\xF0\x90\x80\x80"
      "\xF4\x8F\xBF\xBF";
  const struct {
    std::string text;
    std::string tree;
  } read[] = {
      {"<?xml version=\"1.0\"?><r/>", "r"},
      {"\xEF\xBB\xBF<?xml version = '1.0'  encoding = 'utf-8' standalone='yes' ?>\n<r/>", "r"},
      {"<?xml\r\nversion=\"1.0\"\tencoding=\"UTF8\"?><r/>", "r"},
      {"<?xml-model href=\"r.rng\"?><r/>", "r"},
      {"\xEF\xBB\xBF<r a=\"" + edges + "\">" + edges + "</r>", "r a=" + edges + " '" + edges + "'"},
      {"<r>123456789</r>", "r '123456789'"},
      {"<r>12345678</r>", "r '12345678'"},
  };
  for (const auto& c : read) {
    EXPECT_EQ(dump(parse(c.text)), c.tree);
  }
}

// The XML library keeps every distinct name of a document in pools of its own: element names
// (qualified ones apart), namespace prefixes and namespace URIs are bounded together.
TEST_F(SAXToNodeParserTest, DistinctNamesAreBounded) {
  const std::size_t most = SAXToNodeParser::kMaxNames;
  // The root's name, the empty namespace URI of elements in none and most - 2 other distinct
  // names: the bound itself is read.
  // Comments make each text long enough that the tree's own budget would let it through.
  const std::string padding = "<!--" + std::string(200, ' ') + "-->";
  std::string atTheBound = "<r>";
  for (std::size_t i = 2; i < most; ++i) {
    atTheBound += "<a" + std::to_string(i) + "/>" + padding;
  }
  EXPECT_EQ(parse(atTheBound + "</r>").children().size(), most - 2);
  EXPECT_NE(failure(atTheBound + "<b/></r>").cause().find("more than 4096 distinct names"),
            std::string::npos);
  // Each kind alone past the bound: declared prefixes, namespace URIs, and qualified names made
  // of a few prefixes and local names.
  std::string prefixes = "<r>";
  std::string uris = "<r>";
  for (std::size_t i = 0; i < most; ++i) {
    const std::string n = std::to_string(i);
    prefixes += "<e xmlns:q" + n + "=\"urn:p\"/>" + padding;
    uris += "<e xmlns=\"urn:" + n + "\"/>" + padding;
  }
  std::string qualified = "<r";
  for (int prefix = 0; prefix < 60; ++prefix) {
    qualified += " xmlns:p" + std::to_string(prefix) + "=\"urn:p\"";
  }
  qualified += ">";
  for (int prefix = 0; prefix < 60; ++prefix) {
    for (int local = 0; local < 70; ++local) {
      qualified += "<p" + std::to_string(prefix) + ":e" + std::to_string(local) + "/>" + padding;
    }
  }
  for (const std::string& text : {prefixes, uris, qualified}) {
    EXPECT_NE(failure(text + "</r>").cause().find("distinct names"), std::string::npos)
        << text.substr(0, 80);
  }
}

// The attribute bound holds however the XML library came to see an element's attributes: the
// handler counts them, namespace declarations included, as the element starts.
TEST_F(SAXToNodeParserTest, TheHandlerCountsAnElementsAttributes) {
  // Attributes as the XML library hands them over: `count` in no namespace.
  class Attributes : public xercesc::Attributes {
   public:
    explicit Attributes(std::size_t count) : count_(count) {}
    XMLSize_t getLength() const override { return count_; }
    const XMLCh* getURI(const XMLSize_t) const override { return u""; }
    const XMLCh* getLocalName(const XMLSize_t index) const override { return name(index); }
    const XMLCh* getQName(const XMLSize_t index) const override { return name(index); }
    const XMLCh* getType(const XMLSize_t) const override { return u"CDATA"; }
    const XMLCh* getValue(const XMLSize_t) const override { return u"v"; }
    bool getIndex(const XMLCh*, const XMLCh*, XMLSize_t&) const override { return false; }
    int getIndex(const XMLCh*, const XMLCh*) const override { return -1; }
    bool getIndex(const XMLCh*, XMLSize_t&) const override { return false; }
    int getIndex(const XMLCh*) const override { return -1; }
    const XMLCh* getType(const XMLCh*, const XMLCh*) const override { return nullptr; }
    const XMLCh* getType(const XMLCh*) const override { return nullptr; }
    const XMLCh* getValue(const XMLCh*, const XMLCh*) const override { return nullptr; }
    const XMLCh* getValue(const XMLCh*) const override { return nullptr; }

   private:
    const XMLCh* name(XMLSize_t index) const {
      names_.resize(count_);
      names_[index] = u"a" + std::u16string(1, static_cast<char16_t>(u'A' + index));
      return names_[index].c_str();
    }
    std::size_t count_;
    mutable std::vector<std::u16string> names_;
  };
  const int most = SAXToNodeParser::kMaxAttributes;
  // A parse leaves the tree's budget set, so that elements can be started by hand.
  parse("<r/>");
  const auto start = [this](int declarations, std::size_t attributes) {
    for (int i = 0; i < declarations; ++i) {
      const std::u16string prefix = u"p" + std::u16string(1, static_cast<char16_t>(u'A' + i));
      parser_.startPrefixMapping(prefix.c_str(), u"urn:p");
    }
    parser_.startElement(u"", u"e", u"e", Attributes(attributes));
  };
  EXPECT_NO_THROW(start(0, most));
  EXPECT_NO_THROW(start(4, most - 4));  // The declarations of the element before are not counted.
  EXPECT_NO_THROW(start(most, 0));
  for (const auto& [declarations, attributes] :
       {std::pair<int, std::size_t>(0, most + 1), std::pair<int, std::size_t>(4, most - 3),
        std::pair<int, std::size_t>(most + 1, 0)}) {
    try {
      start(declarations, attributes);
      ADD_FAILURE() << declarations << " declarations and " << attributes << " attributes";
    } catch (const XmlParseError& error) {
      EXPECT_NE(error.cause().find("more than 64 attributes"), std::string::npos) << error.what();
    }
  }
}

// Causes are bounded whatever the request holds: a name or an entity of a megabyte is quoted in
// part, and a cause of the XML library's own that names them is cut.
TEST_F(SAXToNodeParserTest, CausesAreOfBoundedLength) {
  const std::string huge(1 << 20, 'n');
  for (const std::string& text : {"<!DOCTYPE " + huge + "><r/>", "<r>&" + huge + ";</r>",
                                  "<" + huge + "></b>", "<r " + huge + "='1' " + huge + "='2'/>"}) {
    const XmlParseError error = failure(text);
    EXPECT_LE(error.cause().size(), XmlParseError::kMaxCauseBytes + 32) << error.cause().size();
    EXPECT_LE(std::string(error.what()).size(), XmlParseError::kMaxCauseBytes + 64);
  }
  // A quote is cut between characters, never inside one, and says how long the whole was.
  std::string wide;
  for (int i = 0; i < 30; ++i) {
    wide += "\xE2\x82\xAC";
  }
  EXPECT_EQ(XmlParseError::quote(wide), "\"" + wide.substr(0, 63) + "\"... (90 bytes)");
  EXPECT_EQ(XmlParseError::quote(std::string(64, 'a')), "\"" + std::string(64, 'a') + "\"");
  // A cause of the bound's length is kept whole; a longer one is cut and says how long it was.
  const std::string most(XmlParseError::kMaxCauseBytes, 'c');
  EXPECT_EQ(XmlParseError(1, 2, most).cause(), most);
  EXPECT_EQ(XmlParseError(1, 2, most + "d").cause(), most + "... (513 bytes)");
  // A cause stays on one line.
  EXPECT_EQ(XmlParseError::quote("a\r\nb\t\x01\x7F"), "\"a\\r\\nb\\t\\x01\\x7F\"");
}

// What a message quotes is short and printable: ordinary text as it is; a long text cut after
// its first 64 bytes (or another bound), never inside a character, and followed by its length;
// bytes that are not UTF-8, control characters and the characters that end lines escaped. A
// declaration naming a raw byte as its encoding is quoted with the byte escaped.
TEST_F(SAXToNodeParserTest, WhatAMessageQuotesIsShortAndPrintable) {
  using Korvane::Soa::Common::Xml::excerpt;
  EXPECT_EQ(excerpt("ExcludeGDEs"), "ExcludeGDEs");
  EXPECT_EQ(excerpt("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
            "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(excerpt(std::string(64, 'a')), std::string(64, 'a'));
  EXPECT_EQ(excerpt(std::string(65, 'a')), std::string(64, 'a') + "... (65 bytes)");
  EXPECT_EQ(excerpt(std::string(1 << 20, 'Q')), std::string(64, 'Q') + "... (1048576 bytes)");
  EXPECT_EQ(excerpt(std::string(600, 'c'), 512), std::string(512, 'c') + "... (600 bytes)");
  const struct {
    std::string text;
    std::string shown;
  } escapes[] = {
      {"a\xFF"
       "b",
       "a\\xFFb"},                                       // No UTF-8 lead byte.
      {"\xC0\xAF", "\\xC0\\xAF"},                        // Overlong.
      {"\x80x", "\\x80x"},                               // A continuation byte without its lead.
      {"\xE2\x82", "\\xE2\\x82"},                        // Cut short.
      {"\xED\xA0\x80", "\\xED\\xA0\\x80"},               // A surrogate.
      {"\xC2\x85", "\\u0085"},                           // C1 control (NEL).
      {"\xE2\x80\xA8|\xE2\x80\xA9", "\\u2028|\\u2029"},  // Line and paragraph separators.
      {"a\r\nb\t\x01\x7F", "a\\r\\nb\\t\\x01\\x7F"},
  };
  for (const auto& escape : escapes) {
    EXPECT_EQ(excerpt(escape.text), escape.shown);
  }
  // A text of bytes that are not UTF-8 is shown in part too, however they fall at the cut.
  std::string stray;
  for (int i = 0; i < 64; ++i) {
    stray += "\\x80";
  }
  EXPECT_EQ(excerpt(std::string(1000, '\x80')), stray.substr(0, 61 * 4) + "... (1000 bytes)");
  EXPECT_EQ(XmlParseError::quote("\xFF"), "\"\\xFF\"");
  const XmlParseError declared = failure("<?xml version=\"1.0\" encoding=\"\xFF\"?><r/>");
  EXPECT_EQ(declared.cause(), "encoding \"\\xFF\" refused: requests are read as UTF-8");
}

// What looks like a breach but is not: the bounds themselves, markup inside comments, CDATA,
// processing instructions and attribute values, and a large document of ordinary elements.
TEST_F(SAXToNodeParserTest, TextWithinTheBoundsIsRead) {
  std::string most = "<r";
  for (int i = 0; i < SAXToNodeParser::kMaxAttributes; ++i) {
    most += " a" + std::to_string(i) + "=\"&gt; /> '\"";
  }
  most += "/>";
  EXPECT_EQ(parse(most).attrs().size(), static_cast<std::size_t>(SAXToNodeParser::kMaxAttributes));
  std::string hidden = "<r>";
  for (int i = 0; i <= SAXToNodeParser::kMaxAttributes; ++i) {
    hidden += " a" + std::to_string(i) + "=''";
  }
  const std::string wrapped =
      "<!--<e" + hidden + "-->" + "<?pi <e" + hidden + "?>" + "<![CDATA[<e" + hidden + "]]>";
  EXPECT_EQ(parse("<r>" + wrapped + "</r>").children().size(), 0u);
  std::string ordinary = "<r>";
  for (int i = 0; i < 50000; ++i) {
    ordinary += "<info clientId=\"c" + std::to_string(i) + "\"><object uid=\"u" +
                std::to_string(i) + "\"/></info>";
  }
  EXPECT_EQ(parse(ordinary + "</r>").children().size(), 50000u);
  std::string deep;
  std::string close;
  for (int i = 0; i < SAXToNodeParser::kMaxDepth; ++i) {
    deep += "<e>";
    close += "</e>";
  }
  EXPECT_EQ(parse(deep + close).name(), "e");
}

}  // namespace
