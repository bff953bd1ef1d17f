#include "framework/service_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/xml_stream.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Common::Xml::XmlStream;
using Korvane::Soa::Server::ServiceData;

class ServiceDataTest : public soacad_test::UserTest {
 protected:
  // Records one failure with `code` under the given key through the host's own path.
  template <class Key>
  void fail(ServiceData& data, int code, const Key& key) {
    try {
      ResultStatus status;
      status = code;
    } catch (IFail&) {
      data.addErrorStack(key);
    }
  }

  // The wire service data as a reply carries it (error values without their messages).
  static std::string xml(ServiceData& data) {
    XmlStream stream;
    data.getWireData().outputXML(stream, "sd");
    std::string text = stream.str();
    for (std::size_t at = text.find(" message=\""); at != std::string::npos;
         at = text.find(" message=\"", at)) {
      text.erase(at, text.find('"', at + 10) + 1 - at);
    }
    return text;
  }
};

// Copies share the error list and the wire data, and an assignment replaces both.
TEST_F(ServiceDataTest, CopiesShareAndAssignmentReplacesBothWireParts) {
  ServiceData source;
  ServiceData copy = source;
  fail(copy, 215022, std::string("s"));
  copy.addCreatedObject(tagOf("i.1"));
  ServiceData target;
  fail(target, 215023, std::string("t"));
  const ServiceData targetBefore = target;
  target = source;
  target.addUpdatedObject(tagOf("i.1"));
  EXPECT_EQ(xml(source),
            "<sd><updatedObj uid=\"i.1\"/><createdObj uid=\"i.1\"/><partialError clientId=\"s\">"
            "<errorValue code=\"215022\" level=\"3\"/></partialError></sd>");
  ServiceData before = targetBefore;
  EXPECT_EQ(xml(before),
            "<sd><partialError clientId=\"t\"><errorValue code=\"215023\" "
            "level=\"3\"/></partialError></sd>");
}

// A stack takes the whole error store, keyed by client id, by the object's UID or by nothing (the
// null tag keys nothing); an empty store records no stack; a bare IFail is explained on the store
// by the host itself.
TEST_F(ServiceDataTest, ErrorStacksAreKeyedAndTakeTheWholeStore) {
  ServiceData data;
  data.addErrorStack();
  data.addErrorStack(tagOf("i.1"));
  data.addErrorStack(std::string("client"));
  ERROR_store(EMH_severity_warning, 100);
  fail(data, 215050, std::string("client"));
  fail(data, POM_invalid_tag, tagOf("i.1"));
  fail(data, 215027, Tag(0));
  try {
    throw IFail(1);
  } catch (IFail&) {
    data.addErrorStack();
  }
  EXPECT_EQ(xml(data),
            "<sd><partialError clientId=\"client\"><errorValue code=\"100\" level=\"2\"/>"
            "<errorValue code=\"215050\" level=\"3\"/></partialError><partialError uid=\"i.1\">"
            "<errorValue code=\"7007\" level=\"3\"/></partialError><partialError>"
            "<errorValue code=\"215027\" level=\"3\"/></partialError><partialError>"
            "<errorValue code=\"1\" level=\"3\"/></partialError></sd>");
  EXPECT_TRUE(host::errorStore().empty());
}

// Objects are reported once per list in order of first mention (the null tag never); inflating
// returns each reported object once, in that order, with its requested properties, and leaves
// out objects deleted since they were reported.
TEST_F(ServiceDataTest, ObjectsAreReportedOnceAndInflatedWithTheirProperties) {
  ServiceData data;
  data.addPlainObject(tagOf("f.home"));
  data.addPlainObject(tagOf("i.1"));
  data.addPlainObject(tagOf("f.home"));
  data.addPlainObject(NULLTAG);
  data.addCreatedObject(tagOf("i.1"));
  data.addUpdatedObject(tagOf("f.newstuff"));
  data.addDeletedObject("gone.1");
  data.addDeletedObject("gone.1");
  data.addProperty(tagOf("i.1"), "object_name");
  data.addProperty(tagOf("f.home"), "contents");
  data.addCreatedObject(tagOf("u.jdoe"));
  ASSERT_EQ(AOM_delete(tagOf("f.newstuff")), 0);
  data.getNotifications();
  data.inflateProperties();
  EXPECT_EQ(xml(data),
            "<sd><updatedObj uid=\"f.newstuff\"/><deletedObj uid=\"gone.1\"/>"
            "<createdObj uid=\"i.1\"/><createdObj uid=\"u.jdoe\"/><plainObj uid=\"f.home\"/>"
            "<plainObj uid=\"i.1\"/><dataObject uid=\"i.1\" className=\"Item\" type=\"Item\">"
            "<propertie modifiable=\"true\" name=\"object_name\" uiValue=\"First item\">"
            "<value isNull=\"false\" value=\"First item\"/></propertie></dataObject>"
            "<dataObject uid=\"u.jdoe\" className=\"User\" type=\"User\"/>"
            "<dataObject uid=\"f.home\" className=\"Folder\" type=\"Folder\">"
            "<propertie modifiable=\"false\" name=\"contents\" uiValue=\"i.1\">"
            "<value isNull=\"false\" value=\"i.1\"/></propertie></dataObject></sd>");
  EXPECT_TRUE(host::errorStore().empty());
}

// An object reported in several lists comes once, where it is first mentioned (created, updated,
// plain), and one that only has requested properties once after them, with all of them in name
// order. Copies of a collector share its lists, so an object that two copies each report is
// listed twice; inflating still returns it once.
TEST_F(ServiceDataTest, EachObjectIsInflatedOnceWhateverReportedIt) {
  // The data objects of a collector, as "uid:property,property" each, in order.
  const auto dataObjects = [](ServiceData& data) {
    std::string text;
    for (const auto& model : data.getWireData().getDataObjectArray()) {
      text += model.getUid() + ":";
      for (const auto& property : model.getPropertieArray()) {
        text += property.getName() + ",";
      }
      text += " ";
    }
    return text;
  };
  ServiceData data;
  data.addUpdatedObject(tagOf("u.jdoe"));
  data.addPlainObject(tagOf("i.1"));
  data.addProperty(tagOf("f.newstuff"), "owning_user");
  data.addProperty(tagOf("i.1"), "item_id");
  data.addProperty(tagOf("f.newstuff"), "object_name");
  data.addPlainObject(tagOf("u.jdoe"));
  data.addUpdatedObject(tagOf("f.home"));
  data.addCreatedObject(tagOf("f.home"));
  data.inflateProperties();
  EXPECT_EQ(dataObjects(data), "f.home: u.jdoe: i.1:item_id, f.newstuff:object_name,owning_user, ");

  // Two copies report the same object apart, in each list in turn.
  using Report = void (ServiceData::*)(const Tag&);
  for (const Report report : {&ServiceData::addCreatedObject, &ServiceData::addUpdatedObject,
                              &ServiceData::addPlainObject}) {
    ServiceData first;
    first.addPlainObject(tagOf("i.1"));
    ServiceData second = first;
    (first.*report)(tagOf("f.home"));
    (second.*report)(tagOf("f.home"));
    second.addProperty(tagOf("f.home"), "object_name");
    second.inflateProperties();
    EXPECT_EQ(dataObjects(second).find("f.home:object_name, "),
              dataObjects(second).rfind("f.home:object_name, "));
    EXPECT_NE(dataObjects(second).find("i.1: "), std::string::npos);
  }
}

// Each value of a property is one element; a property with no value still carries one,
// flagged isNull, so that a client can tell "no value" from "not asked for".
TEST_F(ServiceDataTest, InflatedPropertiesCarryTheirValuesOrOneNullValue) {
  const struct {
    const char* uid;
    const char* property;
    const char* values;
  } cases[] = {
      {"i.1", "object_desc", "<value isNull=\"true\" value=\"\"/>"},
      {"f.newstuff", "contents", "<value isNull=\"true\" value=\"\"/>"},
      {"f.home", "contents", "<value isNull=\"false\" value=\"i.1\"/>"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.uid) + "." + test.property);
    ServiceData data;
    data.addProperty(tagOf(test.uid), test.property);
    data.inflateProperties();
    const std::string text = xml(data);
    EXPECT_NE(text.find(std::string("\">") + test.values + "</propertie>"), std::string::npos)
        << text;
  }
}

}  // namespace
