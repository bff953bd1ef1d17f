// What the record generator writes for every description, checked over the records of all of
// them: each record writes the sample made from its description exactly as it read it, and
// reading refuses what a record does not declare or a value that does not fit its field.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XmlParseError;
using soacad_test::repeated;

TEST(WireRecordsTest, EveryRecordWritesItsSampleAsItReadIt) {
  for (const std::vector<WireRecordType>* types :
       {&Base::recordTypes(), &Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()}) {
    EXPECT_FALSE(types->empty());
    for (const WireRecordType& type : *types) {
      SAXToNodeParser parser;
      EXPECT_EQ(type.reparse(parser.parseString(type.sample), type.name), type.sample) << type.name;
    }
  }
}

std::vector<const WireRecordType*> allRecordTypes() {
  std::vector<const WireRecordType*> all;
  for (const std::vector<WireRecordType>* types :
       {&Base::recordTypes(), &Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()}) {
    for (const WireRecordType& type : *types) {
      all.push_back(&type);
    }
  }
  return all;
}

// The child elements of a document's root element, each as its text (samples write '<' only to
// start a tag), and the root's start and end tags around them.
struct Split {
  std::string start;
  std::vector<std::string> children;
  std::string end;
};

Split split(const std::string& document) {
  Split parts;
  if (document.compare(document.size() - 2, 2, "/>") == 0) {
    parts.start = document;
    return parts;
  }
  const std::size_t open = document.find('>') + 1;
  const std::size_t close = document.rfind("</");
  parts.start = document.substr(0, open);
  parts.end = document.substr(close);
  int depth = 0;
  std::size_t from = open;
  for (std::size_t at = open; at < close; at = document.find('<', at + 1)) {
    const std::size_t tagEnd = document.find('>', at);
    if (document[at + 1] == '/') {
      --depth;
    } else if (document[tagEnd - 1] != '/') {
      ++depth;
    }
    if (depth == 0) {
      parts.children.push_back(document.substr(from, tagEnd + 1 - from));
      from = tagEnd + 1;
    }
  }
  return parts;
}

std::string name(const std::string& element) {
  return element.substr(1, element.find_first_of(" />") - 1);
}

// Every record read from a large document under a Reading, which frees the tree behind the
// record as it reads: the samples' lists made long (each element of a list written many times
// over), so that the tree spans many blocks of every kind. The record gets every value, record
// fields, lists of strings and doubles and nested lists included, and writes the document back
// exactly. One parser reads them all, each tree laid out differently from the one before. Under
// the address sanitizer this also shows that nothing freed is read again.
TEST(WireRecordsTest, ARecordReadsALargeTreeOnceAsItIsFreed) {
  int lengthened = 0;
  SAXToNodeParser parser;
  for (const WireRecordType* type : allRecordTypes()) {
    const std::string text = type->sample;
    const Split sample = split(text);
    std::string document = sample.start;
    for (const std::string& child : sample.children) {
      // A list's elements come in pairs in a sample; a record field comes once.
      const bool listed = std::count_if(sample.children.begin(), sample.children.end(),
                                        [&child](const std::string& other) {
                                          return name(other) == name(child);
                                        }) > 1;
      const std::size_t copies = listed ? std::max<std::size_t>(1, 100000 / text.size()) : 1;
      for (std::size_t copy = 0; copy < copies; ++copy) {
        document += child;
      }
      lengthened += listed ? 1 : 0;
    }
    document += sample.end;
    const auto& root = parser.parseString(document);
    const SAXToNodeParser::Reading reading(parser);
    EXPECT_EQ(type->reparse(root, type->name), document) << type->name;
  }
  EXPECT_GT(lengthened, 100);
}

// What records make while a Reading lives is charged with the tree: a document whose records far
// outweigh its text is refused at the element where the budget runs out, naming the bound, and
// read in full once no Reading charges it. Readings nest, each restoring the one before. (The
// parsers have a floor of 1 MiB, so that a flood of 1.3 MB passes it.)
TEST(WireRecordsTest, RecordsReadUnderAReadingAreChargedWithTheTree) {
  constexpr std::size_t kFloor = 1u << 20;
  // An <errorValue/> of 13 bytes makes a record of over a hundred.
  std::string flood = "<ErrorStack>";
  for (int i = 0; i < 100000; ++i) {
    flood += "<errorValue/>";
  }
  flood += "</ErrorStack>";
  Base::ErrorStack stack;
  {
    SAXToNodeParser outer(kFloor);
    outer.parseString("<r/>");
    const SAXToNodeParser::Reading outerReading(outer);
    {
      SAXToNodeParser parser(kFloor);
      const auto& root = parser.parseString(flood);
      const SAXToNodeParser::Reading reading(parser);
      try {
        stack.parse(root);
        ADD_FAILURE() << "a flood of records was read";
      } catch (const XmlParseError& error) {
        EXPECT_NE(error.cause().find("8 times the request's size "
                                     "(SAXToNodeParser::kMaxHeldBytesPerTextByte)"),
                  std::string::npos)
            << error.what();
        EXPECT_EQ(error.line(), 1);
        EXPECT_GT(error.column(), 12);
      }
    }
    // The outer reading charges again, to the small budget of its own short document.
    SAXToNodeParser parser(kFloor);
    EXPECT_THROW(stack.parse(parser.parseString(flood)), XmlParseError);
  }
  SAXToNodeParser parser(kFloor);
  stack.parse(parser.parseString(flood));
  EXPECT_EQ(stack.getErrorValueArray().size(), 100000u);
  // Under the real floor the same records are read.
  SAXToNodeParser real;
  const auto& root = real.parseString(flood);
  const SAXToNodeParser::Reading reading(real);
  stack.parse(root);
  EXPECT_EQ(stack.getErrorValueArray().size(), 100000u);
  EXPECT_GT(real.peakHeldBytes(), 8 * flood.size());
}

// What reading a request costs at its peak grows with every further input of the same shape,
// by no more than one input's whole cost: no input pays for the spare room of a list or of a tree
// block (under which a longer request could be cheaper, per byte, than a shorter one, and a
// request refused could be answered once made longer). Datasets of one part sit in a list beside
// the part's other fields (bare, so that their records outweigh their tree and the peak falls
// while they are read); windows are the only list of their input.
TEST(WireRecordsTest, ThePeakOfReadingGrowsSteadilyWithTheRequest) {
  namespace Data = Korvane::Schemas::Cad::_2007_01::Datamanagement;
  namespace Structure = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
  const auto peakOf = [](auto input, const std::string& text) {
    SAXToNodeParser parser;
    const auto& root = parser.parseString(text);
    const SAXToNodeParser::Reading reading(parser);
    input.parse(root);
    return parser.peakHeldBytes();
  };
  const auto datasets = [](int count) {
    std::string text =
        "<CreateOrUpdatePartsInput><info clientId=\"c\"><itemRevInput><itemRevision "
        "uid=\"r.000101.A\"/></itemRevInput>";
    for (int i = 0; i < count; ++i) {
      text += "<datasetInput/>";
    }
    return text + "</info></CreateOrUpdatePartsInput>";
  };
  const auto windows = [](int count) {
    return repeated("CreateBOMWindowsInput",
                    "<info clientId=\"w\"><item uid=\"i.000100\"/><revRuleConfigInfo "
                    "clientId=\"r\"><revRule uid=\"rr.latest\"/><props today=\"true\" "
                    "unitNo=\"-1\"/></revRuleConfigInfo></info>",
                    count);
  };
  // Small counts cross the doubling of the tree's first blocks; 1,024 the doubling of a list.
  std::vector<int> counts;
  for (int count = 1; count <= 80; ++count) {
    counts.push_back(count);
  }
  for (int count = 1016; count <= 1034; ++count) {
    counts.push_back(count);
  }
  for (const bool ofDatasets : {true, false}) {
    SCOPED_TRACE(ofDatasets ? "datasets of one part" : "BOM windows");
    const auto peak = [&](int count) {
      return ofDatasets ? peakOf(Data::CreateOrUpdatePartsInput(), datasets(count))
                        : peakOf(Structure::CreateBOMWindowsInput(), windows(count));
    };
    const std::size_t one = peak(1);
    std::size_t before = 0;
    int previous = 0;
    for (const int count : counts) {
      const std::size_t now = peak(count);
      if (count == previous + 1) {
        EXPECT_GE(now, before) << count << " inputs";
        EXPECT_LE(now - before, one) << count << " inputs";
      }
      before = now;
      previous = count;
    }
  }
}

// Records read under a Reading are charged for what they hold: each record with the default
// records it makes, the storage of its lists, and strings too long to sit inside a string object.
// Once the reading is over, what the parser holds is mostly records (the tree behind them is
// freed), and at least what the records take.
TEST(WireRecordsTest, RecordsAreChargedForWhatTheyHold) {
  namespace Wire = Korvane::Soa::Common::Xml::Wire;
  const int count = 100000;
  {
    const std::string text(40, 'x');
    SAXToNodeParser parser;
    const auto& root = parser.parseString(
        repeated("DeleteRelativeStructureInfo", "<childInfo>" + text + "</childInfo>", count));
    const SAXToNodeParser::Reading reading(parser);
    Korvane::Schemas::Cad::_2007_01::Structuremanagement::DeleteRelativeStructureInfo info;
    info.parse(root);
    EXPECT_GE(parser.heldBytes(), count * (sizeof(std::string) + Wire::heapBytes(text.size() + 1)));
  }
  SAXToNodeParser parser;
  const auto& root = parser.parseString(repeated("ErrorStack", "<errorValue code=\"1\"/>", count));
  const SAXToNodeParser::Reading reading(parser);
  Base::ErrorStack stack;
  stack.parse(root);
  EXPECT_GE(parser.heldBytes(),
            count * (sizeof(Base::ErrorValue) + Base::ErrorValueImpl::defaultBytes()));
}

// Each refusal names the record the value appeared in and its line. Documents are read as the
// record their root names: <ErrorValue>, <ErrorStack>, <Property> or <PartInfo>.
TEST(WireRecordsTest, WhatDoesNotFitTheRecordIsRefused) {
  const struct {
    const char* document;
    int line;
    const char* cause;
  } cases[] = {
      {"<ErrorValue code=\"12x\"/>", 1, "ErrorValue.code: \"12x\" is not a 32-bit integer"},
      {"<ErrorValue code=\"\"/>", 1, "ErrorValue.code"},
      {"<ErrorValue code=\"+1\"/>", 1, "ErrorValue.code"},
      {"<ErrorValue level=\"2147483648\"/>", 1, "ErrorValue.level"},
      {"<ErrorValue level=\" 1\"/>", 1, "ErrorValue.level"},
      {"<Property>\n<value isNull=\"yes\"/></Property>", 2,
       "PropertyValue.isNull: \"yes\" is not a flag"},
      {"<ErrorValue code=\"1\" bogus=\"2\"/>", 1, "unknown attribute \"bogus\" in ErrorValue"},
      {"<ErrorValue xmlns:x=\"urn:x\" x:code=\"1\"/>", 1,
       "unknown attribute \"x:code\" in ErrorValue"},
      {"<ErrorValue><child/></ErrorValue>", 1, "unknown element \"child\" in ErrorValue"},
      {"<ErrorStack><errorValue/>\n<errorvalue/></ErrorStack>", 2,
       "unknown element \"errorvalue\" in ErrorStack"},
      {"<ErrorStack><errorValue code=\"1\" Code=\"2\"/></ErrorStack>", 1,
       "unknown attribute \"Code\" in ErrorValue"},
      {"<PartInfo><itemInput/>\n<itemInput/></PartInfo>", 2,
       "element \"itemInput\" given twice in PartInfo"},
      // A record's element holds no text but white space: a value written as text is refused,
      // never dropped.
      {"<ExpandPrimaryObjectsInput>\n  <object>i.000102</object>\n</ExpandPrimaryObjectsInput>", 2,
       "text \"i.000102\" in ModelObject, which holds no text"},
      {"<ErrorStack>\n  <errorValue/> x\n</ErrorStack>", 1, "text \"x\" in ErrorStack"},
      {"<ErrorValue><![CDATA[1]]></ErrorValue>", 1, "text \"1\" in ErrorValue"},
      {"<ErrorValue>&#160;</ErrorValue>", 1, "in ErrorValue, which holds no text"},
      // Doubles: a sign must lead the number itself; beyond the largest double is out of range.
      {"<RelOccInfo><occTransform>+-1</occTransform></RelOccInfo>", 1,
       "RelOccInfo.occTransform: \"+-1\" is not a finite number"},
      {"<RelOccInfo><occTransform>++1</occTransform></RelOccInfo>", 1, "is not a finite number"},
      {"<RelOccInfo><occTransform>+</occTransform></RelOccInfo>", 1, "is not a finite number"},
      {"<RelOccInfo><occTransform>+inf</occTransform></RelOccInfo>", 1, "is not a finite number"},
      {"<RelOccInfo><occTransform>1e309</occTransform></RelOccInfo>", 1,
       "RelOccInfo.occTransform: \"1e309\" is out of the range of a double"},
      {"<RelOccInfo><occTransform>-0.001e312</occTransform></RelOccInfo>", 1,
       "is out of the range of a double"},
      {"<RelOccInfo><occTransform>12345e305</occTransform></RelOccInfo>", 1,
       "is out of the range of a double"},
  };
  std::vector<const WireRecordType*> types;
  for (const WireRecordType& type : Base::recordTypes()) {
    types.push_back(&type);
  }
  for (const std::vector<WireRecordType>* described :
       {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes()}) {
    for (const WireRecordType& type : *described) {
      types.push_back(&type);
    }
  }
  for (const auto& c : cases) {
    SAXToNodeParser parser;
    const auto& root = parser.parseString(c.document);
    try {
      for (const WireRecordType* type : types) {
        if (root.name() == type->name) {
          type->reparse(root, type->name);
        }
      }
      ADD_FAILURE() << "accepted " << c.document;
    } catch (const XmlParseError& error) {
      EXPECT_NE(error.cause().find(c.cause), std::string::npos) << error.what();
      EXPECT_EQ(error.line(), c.line) << error.what();
    }
  }
  // Namespace declarations are not attributes; "-0" is 0; ints and flags take their whole range.
  const struct {
    const char* document;
    const char* fields;
  } accepted[] = {
      {"<ErrorValue xmlns=\"urn:d\" xmlns:p=\"urn:p\" code=\"-0\" level=\"7\"/>", "0 7"},
      {"<ErrorValue code=\"-2147483648\" level=\"2147483647\"/>", "-2147483648 2147483647"},
      {"<Property modifiable=\"1\"/>", "1"},
      {"<Property modifiable=\"0\"/>", "0"},
  };
  // White space between a record's children is no text; a double may carry a '+', and one
  // nearer to zero than the smallest double reads as zero (its sign kept), as rounding gives.
  const struct {
    const char* document;
    const char* written;
  } read[] = {
      {"<ErrorStack>\n\t<errorValue code=\"1\" level=\"2\"/>\r\n </ErrorStack>",
       "<ErrorStack><errorValue code=\"1\" level=\"2\"/></ErrorStack>"},
      {"<RelOccInfo asRequired=\"false\"> <occTransform> +1.5 </occTransform>"
       "<occTransform>+.5e1</occTransform><occTransform>1e-400</occTransform>"
       "<occTransform>-0.0001e-320</occTransform><occTransform>4.9e-324</occTransform>"
       "<occTransform>1.7976931348623157e308</occTransform></RelOccInfo>",
       "<RelOccInfo "
       "asRequired=\"false\"><occTransform>1.5</occTransform><occTransform>5</occTransform>"
       "<occTransform>0</occTransform><occTransform>-0</occTransform>"
       "<occTransform>5e-324</occTransform><occTransform>1.7976931348623157e+308</occTransform>"
       "</RelOccInfo>"},
  };
  for (const auto& c : read) {
    SAXToNodeParser parser;
    const auto& root = parser.parseString(c.document);
    for (const WireRecordType* type : types) {
      if (root.name() == type->name) {
        EXPECT_EQ(type->reparse(root, type->name), c.written);
      }
    }
  }
  Base::ErrorValue value;
  Base::Property property;
  for (const auto& c : accepted) {
    SAXToNodeParser parser;
    const auto& root = parser.parseString(c.document);
    std::string fields;
    if (root.name() == "Property") {
      property.parse(root);
      fields = std::to_string(property.getModifiable());
    } else {
      value.parse(root);
      fields = std::to_string(value.getCode()) + " " + std::to_string(value.getLevel());
    }
    EXPECT_EQ(fields, c.fields) << c.document;
  }
}

}  // namespace
