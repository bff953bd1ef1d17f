#include "framework/sax_to_node_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlParseError;

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

TEST_F(SAXToNodeParserTest, BuildsTheElementTree) {
  const XMLNode& root = parse(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Input xmlns=\"urn:x\" b=\"two\" a=\"1\">\n"
      "  <info name=\"n\"><item>x</item></info>\n"
      "  <info/>\n"
      "</Input>");
  EXPECT_EQ(root.name(), "Input");
  EXPECT_EQ(root.nameSpace(), "urn:x");
  // The attributes by name; the namespace declaration is no attribute.
  EXPECT_EQ(root.attrs(), (std::map<std::string, std::string>{{"a", "1"}, {"b", "two"}}));
  ASSERT_NE(root.attr("b"), nullptr);
  EXPECT_EQ(*root.attr("b"), "two");
  ASSERT_EQ(root.children().size(), 2u);
  const XMLNode& info = *root.children()[0];
  EXPECT_EQ(info.name(), "info");
  EXPECT_EQ(*info.attr("name"), "n");
  ASSERT_EQ(info.children().size(), 1u);
  EXPECT_EQ(info.children()[0]->text(), "x");
  EXPECT_TRUE(root.children()[1]->children().empty());
  EXPECT_EQ(info.line(), 3);
  EXPECT_GT(info.column(), 1);
}

TEST_F(SAXToNodeParserTest, PrefixedNamesGiveLocalNameAndNamespace) {
  // An attribute in a namespace keeps its prefix: it is not the unprefixed attribute of the
  // same local name.
  const XMLNode& root =
      parse("<p:Input xmlns:p=\"urn:p\" xmlns:x=\"urn:x\" p:k=\"v\" x:uid=\"a\" uid=\"b\"/>");
  EXPECT_EQ(root.name(), "Input");
  EXPECT_EQ(root.nameSpace(), "urn:p");
  EXPECT_EQ(root.attrs(),
            (std::map<std::string, std::string>{{"p:k", "v"}, {"uid", "b"}, {"x:uid", "a"}}));
  EXPECT_EQ(root.attr("k"), nullptr);
}

// An element's text is all its direct character data, CDATA and references included, as UTF-8;
// processing instructions and comments add nothing.
TEST_F(SAXToNodeParserTest, TextIsAllDirectCharacterData) {
  const std::string utf8 = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const struct {
    std::string document;
    std::string text;
    std::string firstChild;
  } cases[] = {
      {"<t>a &amp; b<child>inner</child> c<![CDATA[<d>&]]>&#x20AC;</t>", "a & b c<d>&\xE2\x82\xAC",
       "inner"},
      {"<t>" + utf8 + "</t>", utf8, ""},
      {"<?pi before?><r><?pi data?><!-- note --><c/><?pi x?></r><?pi?>", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    const XMLNode& root = parse(c.document);
    EXPECT_EQ(root.text(), c.text);
    if (!root.children().empty()) {
      EXPECT_EQ(root.children()[0]->text(), c.firstChild);
      EXPECT_EQ(root.children().size(), 1u);
    }
  }
  EXPECT_EQ(*parse("<t a=\"" + utf8 + "&#x1F601;\"/>").attr("a"), utf8 + "\xF0\x9F\x98\x81");
}

// A tree far larger than one block of nodes, child lists, attributes or texts: every element
// keeps its own children in order, its own attributes and its own text, wherever its siblings
// and descendants were stored while it was open.
TEST_F(SAXToNodeParserTest, LargeTreesKeepEveryElementsOwnChildrenAttributesAndText) {
  const struct {
    int groups;
    int itemsPerGroup;
  } shapes[] = {{1, 20000}, {3000, 3}, {50, 150}};
  for (const auto& shape : shapes) {
    std::string text = "<r>head";
    for (int g = 0; g < shape.groups; ++g) {
      text += "<g n=\"" + std::to_string(g) + "\">g" + std::to_string(g);
      for (int i = 0; i < shape.itemsPerGroup; ++i) {
        text += "<i a=\"" + std::to_string(g) + "." + std::to_string(i) + "\" b=\"x\"/>";
      }
      text += "</g>";
    }
    text += "tail</r>";
    const XMLNode& root = parse(text);
    SCOPED_TRACE(std::to_string(shape.groups) + " groups");
    EXPECT_EQ(root.text(), "headtail");
    ASSERT_EQ(root.children().size(), static_cast<std::size_t>(shape.groups));
    int g = 0;
    for (const XMLNode* group : root.children()) {
      ASSERT_EQ(group->name(), "g");
      EXPECT_EQ(*group->attr("n"), std::to_string(g));
      EXPECT_EQ(group->text(), "g" + std::to_string(g));
      ASSERT_EQ(group->children().size(), static_cast<std::size_t>(shape.itemsPerGroup));
      for (int i = 0; i < shape.itemsPerGroup; ++i) {
        const XMLNode& item = *group->children()[static_cast<std::size_t>(i)];
        EXPECT_EQ(item.attrs(),
                  (std::map<std::string, std::string>{
                      {"a", std::to_string(g) + "." + std::to_string(i)}, {"b", "x"}}));
        EXPECT_TRUE(item.children().empty());
        EXPECT_EQ(item.text(), "");
      }
      ++g;
    }
    EXPECT_EQ(*root.children().rbegin(), root.children()[root.children().size() - 1]);
  }
}

// Attribute values are kept side by side in blocks: each keeps exactly its own bytes whatever
// its length and wherever it falls, across the end of a block, larger than a block, empty, and
// with characters of every UTF-8 length at the cut.
TEST_F(SAXToNodeParserTest, AttributeValuesOfEveryLengthAndKindAreKeptWhole) {
  const std::string wide = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
  const struct {
    const char* kind;
    std::vector<std::string> values;
  } cases[] = {
      {"empty between others", {"", "a", "", "", "bc"}},
      {"growing past every block size",
       {std::string(31, 'x'), std::string(33, 'y'), std::string(4097, 'z'), std::string(70000, 'w'),
        std::string(300000, 'v'), "after"}},
      {"wide characters at every cut",
       {std::string(30, 'a') + wide, std::string(61, 'b') + wide, wide + std::string(4000, 'c'),
        std::string(262143, 'd') + wide, wide}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.kind);
    std::string text = "<r>";
    for (const std::string& value : test.values) {
      text += "<e v=\"" + value + "\" w=\"" + value + value + "\"/>";
    }
    const XMLNode& root = parse(text + "</r>");
    ASSERT_EQ(root.children().size(), test.values.size());
    for (std::size_t i = 0; i < test.values.size(); ++i) {
      const XMLNode& element = *root.children()[i];
      ASSERT_NE(element.attr("v"), nullptr);
      EXPECT_EQ(*element.attr("v"), test.values[i]) << i;
      EXPECT_EQ(*element.attr("w"), test.values[i] + test.values[i]) << i;
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
    EXPECT_EQ(first.name(), names[i]);
    EXPECT_EQ(&first.name(), &second.name()) << names[i];
    ASSERT_EQ(first.attrs().size(), 1u);
    EXPECT_EQ(*first.attributes().begin()->name, names[i]);
    EXPECT_EQ(first.attributes().begin()->name, &first.name()) << names[i];
    EXPECT_EQ(*second.attr(names[i]), "2");
  }
}

TEST_F(SAXToNodeParserTest, ParserIsReusableAndEachParseReplacesTheTree) {
  parse("<first><a/><b/></first>");
  const XMLNode& second = parse("<second/>");
  EXPECT_EQ(second.name(), "second");
  EXPECT_TRUE(second.children().empty());
  failure("<broken>");
  EXPECT_EQ(parse("<third x=\"1\"/>").name(), "third");
}

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
}

TEST_F(SAXToNodeParserTest, NestingDeeperThanTheLimitIsRefused) {
  const int allowed = SAXToNodeParser::kMaxDepth;
  std::string deep;
  for (int i = 0; i < allowed; ++i) {
    deep += "<e>";
  }
  std::string close;
  for (int i = 0; i < allowed; ++i) {
    close += "</e>";
  }
  EXPECT_EQ(parse(deep + close).name(), "e");
  const XmlParseError error = failure(deep + "<e></e>" + close);
  EXPECT_EQ(error.line(), 1);
  EXPECT_GT(error.column(), 3 * allowed);
  EXPECT_NE(error.cause().find("nested deeper"), std::string::npos) << error.what();
}

// A saved store is trusted text with a size limit of its own in place of the request's.
TEST_F(SAXToNodeParserTest, TrustedTextHasItsOwnSizeLimit) {
  SAXToNodeParser parser;
  EXPECT_EQ(parser.parseTrustedString("<r/>", 4).name(), "r");
  EXPECT_THROW(parser.parseTrustedString("<r/>", 3), XmlParseError);
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
  // Floods of tiny elements need far more than their share of tree memory.
  std::string elementFlood = "<r>";
  for (int i = 0; i < 200000; ++i) {
    elementFlood += "<a/>";
  }
  elementFlood += "</r>";
  // So do floods of distinct names, each of which is kept once.
  std::string nameFlood = "<r>";
  for (int i = 0; i < 200000; ++i) {
    nameFlood += "<n" + std::to_string(1000000 + i) + "/>";
  }
  nameFlood += "</r>";
  std::string oversize = "<r>";
  oversize.resize(SAXToNodeParser::kMaxDocumentBytes + 1, ' ');
  std::string attributeFlood = "<r>";
  for (int i = 0; i < 100000; ++i) {
    attributeFlood += "<a b=''/>";
  }
  attributeFlood += "</r>";
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
      {elementFlood, 1, 0, "10 times the request's size"},
      {attributeFlood, 1, 0, "10 times the request's size"},
      {nameFlood, 1, 0, "10 times the request's size"},
      {oversize, 1, 1, "exceeds the limit"},
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
}

// What looks like a breach but is not: the bound itself, markup inside comments, CDATA,
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
  ordinary += "</r>";
  EXPECT_EQ(parse(ordinary).children().size(), 50000u);
}

}  // namespace
