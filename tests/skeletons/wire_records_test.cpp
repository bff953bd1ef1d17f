// What the record generator writes for every description, checked over the records of all of
// them: each record writes the sample made from its description exactly as it read it, and
// reading refuses what a record does not declare or a value that does not fit its field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"

namespace {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XmlParseError;

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
