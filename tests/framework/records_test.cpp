#include "framework/base_records.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"

namespace {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlParseError;
using Korvane::Soa::Common::Xml::XmlStream;

// Exposes the implementation object and the adopting constructor of a record.
template <class Record, class Impl>
class Exposed : public Record {
 public:
  Exposed() = default;
  explicit Exposed(Impl* adopted) : Record(adopted) {}
  Impl& impl() const { return this->getHandleObject(); }
  int count() const { return impl().askRefCount(); }
};
using ExposedErrorValue = Exposed<Base::ErrorValue, Base::ErrorValueImpl>;
using ExposedErrorStack = Exposed<Base::ErrorStack, Base::ErrorStackImpl>;

template <class Record>
std::string write(const Record& record, const std::string& elementName) {
  XmlStream stream;
  record.outputXML(stream, elementName);
  return stream.str();
}

class RecordsTest : public ::testing::Test {
 protected:
  const XMLNode& node(const std::string& text) { return parser_.parseString(text); }
  SAXToNodeParser parser_;
};

// Copies, assigned records and records held in lists share one implementation object; a
// self-assignment keeps it and its count.
TEST_F(RecordsTest, CopiesAndHoldersShareTheImplementationObject) {
  ExposedErrorValue first;
  Base::ErrorValue copy(first);
  copy.setCode(5);
  EXPECT_EQ(first.getCode(), 5);
  Base::ErrorValue assigned;
  assigned = first;
  assigned.setMessage("shared");
  EXPECT_EQ(copy.getMessage(), "shared");
  Base::ErrorValueImpl* object = &first.impl();
  Base::ErrorValue& alias = first;
  alias = first;
  EXPECT_EQ(&first.impl(), object);
  EXPECT_EQ(first.count(), 3);

  Base::ErrorStack stack;
  Base::ErrorValue value;
  stack.addErrorValue(value);
  value.setCode(7);
  EXPECT_EQ(stack.getErrorValueArray().at(0).getCode(), 7);
  Base::ServiceData serviceData;
  Base::ModelObject model;
  serviceData.addDataObject(model);
  model.setUid("uid1");
  EXPECT_EQ(serviceData.getDataObjectArray().at(0).getUid(), "uid1");
}

// A copied implementation object starts with the source's count and shares its inner records; a
// clone adopted by a record is counted once, keeps its own fields and leaks nothing when it goes.
TEST_F(RecordsTest, ImplementationCopiesAndClonesShareInnerRecords) {
  ExposedErrorStack stack;
  Base::ErrorValue inner;
  stack.addErrorValue(inner);
  stack.setClientId("c");
  Base::ErrorStackImpl copy(stack.impl());
  EXPECT_EQ(copy.askRefCount(), stack.count());
  EXPECT_TRUE(copy.isClientIdSet());
  {
    ExposedErrorStack clone(stack.impl().reallyClone());
    EXPECT_EQ(clone.count(), 1);
    EXPECT_NE(&clone.impl(), &stack.impl());
    clone.setClientId("only the clone");
    EXPECT_EQ(stack.getClientId(), "c");
    inner.setCode(9);
    EXPECT_EQ(clone.getErrorValueArray().at(0).getCode(), 9);
    EXPECT_EQ(copy.getErrorValueArray().at(0).getCode(), 9);
  }
  EXPECT_EQ(stack.count(), 1);
}

// Setting a field sets its companion, which starts unset; a list setter replaces, an adder appends.
TEST_F(RecordsTest, SettersSetTheCompanionAndDefaultsAreUnset) {
  Base::ErrorStack stack;
  EXPECT_FALSE(stack.isClientIdSet());
  EXPECT_FALSE(stack.isClientIndexSet());
  EXPECT_EQ(stack.getClientIndex(), 0);
  stack.setClientIndex(0);
  EXPECT_TRUE(stack.isClientIndexSet());
  stack.setIsClientIndexSet(false);
  EXPECT_FALSE(stack.isClientIndexSet());

  Base::PropertyValue value;
  value.setIsNull(true);
  EXPECT_TRUE(value.isIsNullSet());
  EXPECT_TRUE(value.getIsNull());

  Base::Preference preference;
  preference.addValue(Base::PreferenceValue());
  preference.addValue(Base::PreferenceValue());
  EXPECT_EQ(preference.getValueArray().size(), 2u);
  preference.setValueArray({Base::PreferenceValue()});
  EXPECT_EQ(preference.getValueArray().size(), 1u);
}

TEST_F(RecordsTest, UnsetCompanionsAreOmittedAndPlainFieldsAlwaysWritten) {
  Base::ErrorValue value;
  EXPECT_EQ(write(value, "ev"), "<ev code=\"0\" level=\"0\"/>");
  value.setMessage("m");
  EXPECT_EQ(write(value, "ev"), "<ev message=\"m\" code=\"0\" level=\"0\"/>");
  Base::ModelObject object;
  EXPECT_EQ(write(object, "o"), "<o uid=\"\"/>");
}

// Parsing replaces every field; list elements are fresh records, not the ones held before.
TEST_F(RecordsTest, ParseMakesTheRecordEqualToTheElement) {
  Base::ErrorStack stack;
  stack.setClientId("old");
  stack.setClientIndex(4);
  Base::ErrorValue kept;
  kept.setCode(11);
  stack.addErrorValue(kept);
  stack.parse(
      node("<anything uid=\"u\"><errorValue code=\"1\"/>"
           "<errorValue message=\"m\" code=\"2\" level=\"3\"/></anything>"));
  EXPECT_FALSE(stack.isClientIdSet());
  EXPECT_EQ(stack.getClientId(), "");
  EXPECT_FALSE(stack.isClientIndexSet());
  EXPECT_TRUE(stack.isUidSet());
  ASSERT_EQ(stack.getErrorValueArray().size(), 2u);
  EXPECT_EQ(stack.getErrorValueArray()[1].getMessage(), "m");
  EXPECT_EQ(stack.getErrorValueArray()[1].getLevel(), 3);
  EXPECT_EQ(stack.getErrorValueArray()[0].getCode(), 1);
  EXPECT_EQ(kept.getCode(), 11);
}

// Values that do not fit their fields, and whatever a record does not declare, are refused,
// named with the record they appeared in and their line. Documents are read as an ErrorValue
// (<e>), an ErrorStack (<s>) or a Property (<p>).
TEST_F(RecordsTest, WhatDoesNotFitTheRecordIsRefused) {
  const struct {
    const char* document;
    int line;
    const char* cause;
  } cases[] = {
      {"<e code=\"12x\"/>", 1, "ErrorValue.code: \"12x\" is not a 32-bit integer"},
      {"<e code=\"\"/>", 1, "ErrorValue.code"},
      {"<e code=\"+1\"/>", 1, "ErrorValue.code"},
      {"<e level=\"2147483648\"/>", 1, "ErrorValue.level"},
      {"<e level=\" 1\"/>", 1, "ErrorValue.level"},
      {"<p>\n<value isNull=\"yes\"/></p>", 2, "PropertyValue.isNull: \"yes\" is not a flag"},
      {"<e code=\"1\" bogus=\"2\"/>", 1, "unknown attribute \"bogus\" in ErrorValue"},
      {"<e xmlns:x=\"urn:x\" x:code=\"1\"/>", 1, "unknown attribute \"x:code\" in ErrorValue"},
      {"<e><child/></e>", 1, "unknown element \"child\" in ErrorValue"},
      {"<s><errorValue/>\n<errorvalue/></s>", 2, "unknown element \"errorvalue\" in ErrorStack"},
      {"<s><errorValue code=\"1\" Code=\"2\"/></s>", 1, "unknown attribute \"Code\" in ErrorValue"},
  };
  for (const auto& c : cases) {
    try {
      const XMLNode& root = node(c.document);
      if (root.name() == "e") {
        Base::ErrorValue().parse(root);
      } else if (root.name() == "s") {
        Base::ErrorStack().parse(root);
      } else {
        Base::Property().parse(root);
      }
      ADD_FAILURE() << "accepted " << c.document;
    } catch (const XmlParseError& error) {
      EXPECT_NE(error.cause().find(c.cause), std::string::npos) << error.what();
      EXPECT_EQ(error.line(), c.line) << error.what();
    }
  }
  // Namespace declarations are not attributes; "-0" is 0; ints and flags take their whole range.
  Base::ErrorValue value;
  value.parse(node("<e xmlns=\"urn:d\" xmlns:p=\"urn:p\" code=\"-0\" level=\"7\"/>"));
  EXPECT_EQ(std::make_pair(value.getCode(), value.getLevel()), std::make_pair(0, 7));
  value.parse(node("<e code=\"-2147483648\" level=\"2147483647\"/>"));
  EXPECT_EQ(std::make_pair(value.getCode(), value.getLevel()),
            std::make_pair(-2147483647 - 1, 2147483647));
  Base::Property property;
  property.parse(node("<p modifiable=\"1\"/>"));
  EXPECT_TRUE(property.getModifiable());
  property.parse(node("<p modifiable=\"0\"/>"));
  EXPECT_FALSE(property.getModifiable());
}

// Long lists are written in order whatever their length, lists inside list elements included
// (empty, single and longer ones), around the distances at which the walk fetches ahead. Under
// the sanitizers this also shows that fetching ahead never reads past a list's end.
TEST_F(RecordsTest, ListsOfEveryLengthAreWrittenInOrder) {
  // <name ...attributes/> or <name ...attributes>content</name>.
  const auto element = [](const std::string& start, const std::string& content) {
    return content.empty()
               ? "<" + start + "/>"
               : "<" + start + ">" + content + "</" + start.substr(0, start.find(' ')) + ">";
  };
  for (const int length : {0, 1, 3, 4, 5, 15, 16, 17, 33, 200}) {
    SCOPED_TRACE(length);
    Base::PartialErrors errors;
    Base::ServiceData serviceData;
    std::string stacks;
    std::string objects;
    for (int index = 0; index < length; ++index) {
      const std::string id = std::to_string(index);
      Base::ErrorStack stack;
      stack.setUid("u" + id);
      std::string values;
      for (int value = 0; value < index % 3; ++value) {
        Base::ErrorValue entry;
        entry.setCode(index * 10 + value);
        stack.addErrorValue(entry);
        values += element(
            "errorValue code=\"" + std::to_string(index * 10 + value) + "\" level=\"0\"", "");
      }
      errors.addError(stack);
      stacks += element("error uid=\"u" + id + "\"", values);

      Base::ModelObject object;
      object.setUid("o" + id);
      std::string properties;
      if (index % 2 == 1) {
        Base::Property property;
        property.setName("p" + id);
        Base::PropertyValue value;
        value.setValue(id);
        property.addValue(value);
        object.addPropertie(property);
        properties = element("propertie modifiable=\"false\" name=\"p" + id + "\" uiValue=\"\"",
                             element("value value=\"" + id + "\"", ""));
      }
      serviceData.addDataObject(object);
      objects += element("dataObject uid=\"o" + id + "\"", properties);
    }
    EXPECT_EQ(write(errors, "pe"), element("pe", stacks));
    EXPECT_EQ(write(serviceData, "sd"), element("sd", objects));
  }
}

TEST_F(RecordsTest, EveryRecordSampleRoundTripsExactly) {
  const auto& types = Base::recordTypes();
  ASSERT_EQ(types.size(), 11u);
  for (const auto& type : types) {
    SCOPED_TRACE(type.name);
    const XMLNode& root = node(type.sample);
    EXPECT_EQ(root.name(), type.name);
    const std::string once = type.reparse(root, type.name);
    EXPECT_EQ(once, type.sample);
    SAXToNodeParser again;
    EXPECT_EQ(type.reparse(again.parseString(once), type.name), once);
  }
}

TEST_F(RecordsTest, SamplesCarrySpecialCharactersAndLists) {
  const auto& types = Base::recordTypes();
  Base::ServiceData serviceData;
  for (const auto& type : types) {
    if (std::string(type.name) == "ServiceData") {
      serviceData.parse(node(type.sample));
    }
  }
  ASSERT_EQ(serviceData.getPartialErrorArray().size(), 2u);
  const Base::ErrorStack& stack = serviceData.getPartialErrorArray()[0];
  EXPECT_EQ(stack.getErrorValueArray().size(), 2u);
  EXPECT_NE(stack.getClientId().find("<&>\"'\t\n\r \xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"),
            std::string::npos);
}

}  // namespace
