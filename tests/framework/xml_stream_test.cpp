#include "framework/xml_stream.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "framework/date_time.h"
#include "framework/sax_to_node_parser.h"

namespace {

using Korvane::Soa::Common::DateTime;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XmlStream;

std::string escapedText(const std::string& value) {
  std::string out;
  XmlStream::escapeText(value, out);
  return out;
}

std::string escapedAttribute(const std::string& value) {
  std::string out;
  XmlStream::escapeAttribute(value, out);
  return out;
}

const std::string kReplacement = "\xEF\xBF\xBD";

TEST(XmlStreamTest, WritesNestedElementsAttributesAndText) {
  XmlStream stream;
  stream.startElement("Response");
  stream.attribute("name", std::string("a"));
  stream.attribute("count", -12);
  stream.attribute("flag", true);
  stream.attribute("off", false);
  stream.attribute("date", DateTime(2007, 1, 2, 3, 4, 5));
  stream.attribute("null", static_cast<const char*>(nullptr));
  stream.startElement("empty");
  stream.endElement();
  stream.textElement("item", "x");
  stream.textElement("number", 0.1);
  stream.startElement("text");
  stream.text("t");
  stream.endElement();
  stream.endElement();
  EXPECT_EQ(stream.str(),
            "<Response name=\"a\" count=\"-12\" flag=\"true\" off=\"false\" "
            "date=\"2007-01-02T03:04:05\" null=\"\"><empty/><item>x</item><number>0.1</number>"
            "<text>t</text></Response>");
}

TEST(XmlStreamTest, DoublesUseTheShortestFormThatReadsBack) {
  XmlStream stream;
  stream.startElement("d");
  stream.attribute("a", 0.1);
  stream.attribute("b", -2.5e-300);
  stream.attribute("c", 100.0);
  stream.attribute("d", 1.0 / 3.0);
  stream.endElement();
  EXPECT_EQ(stream.str(), "<d a=\"0.1\" b=\"-2.5e-300\" c=\"100\" d=\"0.3333333333333333\"/>");
}

TEST(XmlStreamTest, TakeTextHandsOutEverythingAndStartsAgain) {
  XmlStream stream;
  stream.startElement("a");
  stream.text("t");
  stream << "<raw " << 7 << "/>";
  stream.endElement();
  EXPECT_EQ(stream.str(), "<a>t<raw 7/></a>");
  EXPECT_EQ(stream.takeText(), "<a>t<raw 7/></a>");
  EXPECT_EQ(stream.str(), "");
  EXPECT_THROW(stream.endElement(), std::logic_error);
  stream.textElement("b", "");
  EXPECT_EQ(stream.takeText(), "<b></b>");
}

// End tags repeat names written long before, across many moves of the growing buffer.
TEST(XmlStreamTest, DeepAndLongDocumentsCloseEveryElementByItsName) {
  XmlStream stream;
  std::string expected;
  std::vector<std::string> names;
  for (int depth = 0; depth < 300; ++depth) {
    names.push_back("level" + std::to_string(depth) + std::string(depth % 7, 'x'));
    stream.startElement(names.back());
    stream.text(std::string(depth * 5, 'a'));
    expected += "<" + names.back() + ">" + std::string(depth * 5, 'a');
  }
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    stream.endElement();
    expected += "</" + *name + ">";
  }
  EXPECT_EQ(stream.takeText(), expected);
}

TEST(XmlStreamTest, MisuseIsRefusedRatherThanWrittenMalformed) {
  XmlStream stream;
  EXPECT_THROW(stream.endElement(), std::logic_error);
  EXPECT_THROW(stream.text("x"), std::logic_error);
  stream.startElement("e");
  stream.text("body");
  EXPECT_THROW(stream.attribute("late", 1), std::logic_error);
}

// The plain-run scan: a special alone in a plain run of any length, short ones included, is
// escaped at every offset, in attribute values, in text and in text elements.
TEST(XmlStreamEscapeTest, ASpecialAnywhereInAPlainRunIsEscaped) {
  struct Case {
    char special;
    const char* inText;
    const char* inAttribute;
  };
  const Case cases[] = {{'&', "&amp;", "&amp;"},
                        {'<', "&lt;", "&lt;"},
                        {'>', "&gt;", "&gt;"},
                        {'"', "&quot;", "&quot;"},
                        {'\'', "&apos;", "&apos;"},
                        {'\r', "&#13;", "&#13;"},
                        {'\t', "\t", "&#9;"},
                        {'\n', "\n", "&#10;"},
                        {'\x01', "\xEF\xBF\xBD", "\xEF\xBF\xBD"},
                        {'\x80', "\xEF\xBF\xBD", "\xEF\xBF\xBD"}};
  for (const Case& c : cases) {
    for (const std::size_t length : {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 40}) {
      const std::string plain(length, 'p');
      for (std::size_t offset = 0; offset <= plain.size(); ++offset) {
        std::string value = plain;
        value.insert(offset, 1, c.special);
        const std::string before = plain.substr(0, offset);
        const std::string after = plain.substr(offset);
        SCOPED_TRACE(std::to_string(static_cast<unsigned char>(c.special)) + " at " +
                     std::to_string(offset));
        EXPECT_EQ(escapedText(value), before + c.inText + after);
        EXPECT_EQ(escapedAttribute(value), before + c.inAttribute + after);
        XmlStream stream;
        stream.startElement("e");
        stream.attribute("a", value);
        stream.text(value);
        stream.textElement("t", value);
        stream.endElement();
        EXPECT_EQ(stream.str(), "<e a=\"" + before + c.inAttribute + after + "\">" + before +
                                    c.inText + after + "<t>" + before + c.inText + after +
                                    "</t></e>");
      }
    }
  }
}

// Names and plain values of every short length, and long ones, are written whole.
TEST(XmlStreamTest, NamesAndValuesOfEveryLengthAreWrittenWhole) {
  for (std::size_t length = 0; length <= 40; ++length) {
    SCOPED_TRACE(length);
    std::string value;
    for (std::size_t i = 0; i < length; ++i) {
      value += static_cast<char>('a' + i % 26);
    }
    const std::string name = "n" + value;
    XmlStream stream;
    stream.startElement(name);
    stream.attribute(name, value);
    stream.textElement(name, value);
    stream.startElement(name);
    stream.text(value);
    stream.endElement();
    stream.endElement();
    EXPECT_EQ(stream.takeText(), "<" + name + " " + name + "=\"" + value + "\"><" + name + ">" +
                                     value + "</" + name + "><" + name + ">" + value + "</" + name +
                                     "></" + name + ">");
  }
}

// Valid UTF-8 passes unchanged; control characters but tab, line feed and carriage return, and
// every invalid sequence (a lone continuation byte, an overlong form, a surrogate, beyond
// U+10FFFF, U+FFFE, a bad lead byte, a sequence cut short) become replacement characters.
TEST(XmlStreamEscapeTest, InvalidTextBecomesReplacement) {
  const std::string r = kReplacement;
  const std::string valid = "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBD";
  const struct {
    std::string text;
    std::string escaped;
  } cases[] = {
      {valid, valid},
      {std::string("a\0b\x01\x1F\x7F", 6), "a" + r + "b" + r + r + "\x7F"},
      {"a\x80z", "a" + r + "z"},
      {"\xC0\xAF", r + r},
      {"\xE0\x80\x80", r + r + r},
      {"\xED\xA0\x80", r + r + r},
      {"\xF4\x90\x80\x80", r + r + r + r},
      {"\xEF\xBF\xBE", r},
      {"\xFF", r},
      {"x\xE2\x82", "x" + r},
      {"\xE2\x82<", r + "&lt;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.escaped);
    EXPECT_EQ(escapedText(c.text), c.escaped);
    EXPECT_EQ(escapedAttribute(c.text), c.escaped);
  }
}

TEST(XmlStreamEscapeTest, AnyBytesGiveAWellFormedDocumentThatReadsBack) {
  std::string every;
  std::string expected;
  for (int c = 1; c < 256; ++c) {
    every += static_cast<char>(c);
    const bool carried = c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x80);
    expected += carried ? std::string(1, static_cast<char>(c)) : kReplacement;
  }
  XmlStream stream;
  stream.startElement("e");
  stream.attribute("a", every);
  stream.textElement("t", every);
  stream.endElement();
  SAXToNodeParser parser;
  const auto& root = parser.parseString(stream.str());
  ASSERT_NE(root.attr("a"), nullptr);
  EXPECT_EQ(*root.attr("a"), expected);
  ASSERT_EQ(root.children().size(), 1u);
  EXPECT_EQ(root.children()[0]->text(), expected);
}

}  // namespace
