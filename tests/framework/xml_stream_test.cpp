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

// Every kind of value; doubles in the shortest form that reads back; raw text; takeText hands
// out everything and starts again; misuse is refused rather than written malformed.
TEST(XmlStreamTest, WritesElementsAttributesAndText) {
  XmlStream stream;
  EXPECT_THROW(stream.endElement(), std::logic_error);
  EXPECT_THROW(stream.text("x"), std::logic_error);
  stream.startElement("Response");
  stream.attribute("name", std::string("a"));
  stream.attribute("count", -12);
  stream.attribute("flag", true);
  stream.attribute("off", false);
  stream.attribute("date", DateTime(2007, 1, 2, 3, 4, 5));
  stream.attribute("null", static_cast<const char*>(nullptr));
  stream.attribute("a", 0.1);
  stream.attribute("b", -2.5e-300);
  stream.attribute("c", 100.0);
  stream.attribute("d", 1.0 / 3.0);
  stream.startElement("empty");
  stream.endElement();
  stream.textElement("number", 0.1);
  stream.text("t");
  EXPECT_THROW(stream.attribute("late", 1), std::logic_error);
  stream << "<raw " << 7 << '/' << '>';
  stream.endElement();
  const std::string expected =
      "<Response name=\"a\" count=\"-12\" flag=\"true\" off=\"false\" date=\"2007-01-02T03:04:05\" "
      "null=\"\" a=\"0.1\" b=\"-2.5e-300\" c=\"100\" d=\"0.3333333333333333\"><empty/>"
      "<number>0.1</number>t<raw 7/></Response>";
  EXPECT_EQ(stream.str(), expected);
  EXPECT_EQ(stream.takeText(), expected);
  EXPECT_EQ(stream.str(), "");
  EXPECT_THROW(stream.endElement(), std::logic_error);
  stream.textElement("b", "");
  EXPECT_EQ(stream.takeText(), "<b></b>");
}

// Names and plain values of every short length, and deep documents whose end tags repeat names
// written long before, across many moves of the growing buffer.
TEST(XmlStreamTest, NamesAndValuesOfEveryLengthAndDepthAreWrittenWhole) {
  XmlStream stream;
  std::string expected;
  std::vector<std::string> names;
  for (std::size_t depth = 0; depth < 300; ++depth) {
    std::string value;
    for (std::size_t i = 0; i < depth % 41; ++i) {
      value += static_cast<char>('a' + i % 26);
    }
    names.push_back("n" + value + std::to_string(depth));
    const std::string& name = names.back();
    stream.startElement(name);
    stream.attribute(name, value);
    stream.textElement(name, value);
    stream.text(value + std::string(depth * 5, 'a'));
    expected += "<" + name + " " + name + "=\"" + value + "\"><" + name + ">" + value + "</" +
                name + ">" + value + std::string(depth * 5, 'a');
  }
  for (auto name = names.rbegin(); name != names.rend(); ++name) {
    stream.endElement();
    expected += "</" + *name + ">";
  }
  EXPECT_EQ(stream.takeText(), expected);
}

// A document many blocks long, with pieces of every size falling across the ends of blocks,
// values that need escaping found only after their room was taken, and a value larger than
// any block: the text is exactly what was written, part way through and at the end, and a
// stream used again after takeText() writes the same document again.
TEST(XmlStreamTest, LongDocumentsAreWrittenWholeAcrossBlocks) {
  XmlStream stream;
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    std::string expected;
    stream.startElement("document");
    expected += "<document>";
    for (int i = 0; i < 4000; ++i) {
      std::string value(static_cast<std::size_t>(i * 37 % 3001), static_cast<char>('a' + i % 26));
      std::string written = value;
      if (i % 5 == 0) {
        value += "&";
        written += "&amp;";
      }
      if (i == 2000) {
        value = written = std::string(3u << 20, 'v');
      }
      stream.startElement("e");
      stream.attribute("v", value);
      stream.text(value);
      stream.endElement();
      expected += "<e v=\"" + written + "\">" + written + "</e>";
      if (i == 3000) {
        ASSERT_EQ(stream.str(), expected);
      }
    }
    stream.endElement();
    expected += "</document>";
    ASSERT_EQ(stream.takeText(), expected);
  }
}

// A stream with a ceiling writes up to it and refuses, whole, the piece that would pass it: the
// text stays what it was, within the ceiling, and the stream goes on taking pieces that fit.
// Across many blocks (a ceiling of megabytes) the text never passes the ceiling either, and
// what was written before the refusal is handed out whole.
TEST(XmlStreamTest, AStreamWithACeilingRefusesThePieceThatWouldPassIt) {
  XmlStream stream(16);
  stream.startElement("a");
  stream.attribute("v", std::string("12345"));
  stream.text("xy");
  ASSERT_EQ(stream.str(), "<a v=\"12345\">xy");
  try {
    stream.text("abc");
    ADD_FAILURE() << "a piece past the ceiling was written";
  } catch (const Korvane::Soa::Common::Xml::XmlStreamFull& full) {
    EXPECT_EQ(full.maxBytes(), 16u);
    EXPECT_NE(std::string(full.what()).find("16 bytes"), std::string::npos) << full.what();
  }
  EXPECT_EQ(stream.str(), "<a v=\"12345\">xy");
  stream.text("z");
  EXPECT_EQ(stream.size(), 16u);
  EXPECT_THROW(stream.text("&"), Korvane::Soa::Common::Xml::XmlStreamFull);
  EXPECT_THROW(stream.endElement(), Korvane::Soa::Common::Xml::XmlStreamFull);
  EXPECT_EQ(stream.takeText(), "<a v=\"12345\">xyz");

  const std::size_t ceiling = 3 * 1024 * 1024 + 5;
  XmlStream large(ceiling);
  std::string expected;
  large.startElement("d");
  expected += "<d>";
  const std::string value(1000, 'v');
  for (;;) {
    try {
      large.textElement("e", value);
    } catch (const Korvane::Soa::Common::Xml::XmlStreamFull&) {
      break;
    }
    expected += "<e>" + value + "</e>";
    ASSERT_LE(large.size(), ceiling);
  }
  EXPECT_GT(expected.size() + 1007, ceiling);
  EXPECT_EQ(large.size(), expected.size());
  EXPECT_EQ(large.takeText(), expected);
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

// Valid UTF-8 passes unchanged; control characters but tab, line feed and carriage return, and
// every invalid sequence (a lone continuation byte, an overlong form, a surrogate, beyond
// U+10FFFF, U+FFFE, a bad lead byte, a sequence cut short) become replacement characters; any
// bytes at all give a well-formed document that reads back.
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
  EXPECT_EQ(*root.attr("a"), expected);
  EXPECT_EQ(root.children()[0]->text(), expected);
}

}  // namespace
