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
  };
  std::vector<const WireRecordType*> types;
  for (const WireRecordType& type : Base::recordTypes()) {
    types.push_back(&type);
  }
  for (const WireRecordType& type :
       Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()) {
    types.push_back(&type);
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
