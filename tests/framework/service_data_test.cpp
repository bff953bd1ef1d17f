#include "framework/service_data.h"

#include <gtest/gtest.h>

#include "framework/utils.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Internal::Server::Utils;
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

  static std::vector<std::string> uids(const std::vector<Base::RefId>& refs) {
    std::vector<std::string> out;
    for (const Base::RefId& ref : refs)
      out.push_back(ref.getUid());
    return out;
  }
};

TEST_F(ServiceDataTest, CopiesShareErrorStacksAndWireData) {
  ServiceData original;
  ServiceData copy = original;

  fail(copy, 215022, std::string("part-1"));
  copy.addCreatedObject(tagOf("i.1"));

  ASSERT_EQ(original.getErrorArray().size(), 1u);
  EXPECT_EQ(original.getErrorArray()[0].getClientId(), "part-1");
  EXPECT_EQ(uids(original.getWireData().getCreatedObjArray()), (std::vector<std::string>{"i.1"}));
}

TEST_F(ServiceDataTest, AssignmentReplacesBothWireParts) {
  ServiceData source;
  fail(source, 215022, std::string("from-source"));
  ServiceData target;
  fail(target, 215023, std::string("from-target"));
  ServiceData targetBefore = target;  // Keeps the target's old wire parts alive.

  target = source;
  target.addUpdatedObject(tagOf("i.1"));

  ASSERT_EQ(target.getErrorArray().size(), 1u);
  EXPECT_EQ(target.getErrorArray()[0].getClientId(), "from-source");
  EXPECT_EQ(uids(source.getWireData().getUpdatedObjArray()), (std::vector<std::string>{"i.1"}));
  ASSERT_EQ(targetBefore.getErrorArray().size(), 1u);
  EXPECT_EQ(targetBefore.getErrorArray()[0].getClientId(), "from-target");
  EXPECT_TRUE(targetBefore.getWireData().getUpdatedObjArray().empty());
}

TEST_F(ServiceDataTest, ErrorStacksAreKeyedAndTakeTheWholeStore) {
  ServiceData data;
  // An empty error store records no stack.
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

  // A bare IFail is explained on the store by the host itself.
  ASSERT_EQ(soacad_test::stacks(data.getErrorArray()),
            (std::vector<std::string>{"client: 100 215050", "uid:i.1: 7007", ": 215027", ": 1"}));
  const auto& stacks = data.getErrorArray();
  EXPECT_TRUE(stacks[0].isClientIdSet());
  EXPECT_EQ(stacks[0].getErrorValueArray()[0].getLevel(), EMH_severity_warning);
  EXPECT_EQ(stacks[0].getErrorValueArray()[1].getLevel(), EMH_severity_error);
  EXPECT_TRUE(stacks[1].isUidSet());
  EXPECT_FALSE(stacks[1].isClientIdSet());
  // The null tag keys nothing: no uid="" on the wire.
  EXPECT_FALSE(stacks[2].isClientIdSet() || stacks[2].isUidSet());
  EXPECT_FALSE(stacks[3].isClientIdSet() || stacks[3].isUidSet());
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(ServiceDataTest, ObjectsAreReportedOncePerListInOrderOfFirstMention) {
  ServiceData data;
  data.addPlainObject(tagOf("f.home"));
  data.addPlainObject(tagOf("i.1"));
  data.addPlainObject(tagOf("f.home"));
  data.addPlainObject(NULLTAG);
  data.addCreatedObject(tagOf("i.1"));
  data.addDeletedObject("gone.1");
  data.addDeletedObject("gone.1");

  const Base::ServiceData& wire = data.getWireData();
  EXPECT_EQ(uids(wire.getPlainObjArray()), (std::vector<std::string>{"f.home", "i.1"}));
  EXPECT_EQ(uids(wire.getCreatedObjArray()), (std::vector<std::string>{"i.1"}));
  EXPECT_EQ(uids(wire.getDeletedObjArray()), (std::vector<std::string>{"gone.1"}));
}

TEST_F(ServiceDataTest, InflateReturnsEachObjectOnceWithItsRequestedProperties) {
  ServiceData data;
  data.addUpdatedObject(tagOf("i.1"));
  data.addPlainObject(tagOf("i.1"));
  data.addProperty(tagOf("i.1"), "object_name");
  data.addProperty(tagOf("f.home"), "contents");

  data.getNotifications();
  data.inflateProperties();
  const auto& models = data.getWireData().getDataObjectArray();

  ASSERT_EQ(models.size(), 2u);
  EXPECT_EQ(models[0].getUid(), "i.1");
  EXPECT_EQ(models[0].getClassName(), "Item");
  EXPECT_EQ(models[0].getType(), "Item");
  ASSERT_EQ(models[0].getPropertieArray().size(), 1u);
  const Base::Property& name = models[0].getPropertieArray()[0];
  EXPECT_EQ(name.getName(), "object_name");
  EXPECT_EQ(name.getUiValue(), "First item");
  ASSERT_EQ(name.getValueArray().size(), 1u);
  EXPECT_FALSE(name.getValueArray()[0].getIsNull());
  EXPECT_EQ(models[1].getUid(), "f.home");
  ASSERT_EQ(models[1].getPropertieArray().size(), 1u);
  EXPECT_EQ(models[1].getPropertieArray()[0].getValueArray()[0].getValue(), "i.1");
}

// Each value of a property is one element; a property with no value still carries one,
// flagged isNull, so that a client can tell "no value" from "not asked for".
TEST_F(ServiceDataTest, InflatedPropertiesCarryTheirValuesOrOneNullValue) {
  const struct {
    const char* uid;
    const char* property;
    std::vector<std::string> values;  // Empty: one value flagged isNull.
    const char* uiValue;
  } cases[] = {
      {"i.1", "object_name", {"First item"}, "First item"},
      {"f.home", "contents", {"i.1"}, "i.1"},
      {"i.1", "object_desc", {}, ""},
      {"f.newstuff", "contents", {}, ""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.uid) + "." + test.property);
    ServiceData data;
    data.addPlainObject(tagOf(test.uid));
    data.addProperty(tagOf(test.uid), test.property);
    data.inflateProperties();
    const auto& models = data.getWireData().getDataObjectArray();
    ASSERT_EQ(models.size(), 1u);
    ASSERT_EQ(models[0].getPropertieArray().size(), 1u);
    const Base::Property& property = models[0].getPropertieArray()[0];
    EXPECT_EQ(property.getUiValue(), test.uiValue);
    const auto& values = property.getValueArray();
    if (test.values.empty()) {
      ASSERT_EQ(values.size(), 1u);
      EXPECT_TRUE(values[0].isIsNullSet());
      EXPECT_TRUE(values[0].getIsNull());
      EXPECT_EQ(values[0].getValue(), "");
      continue;
    }
    ASSERT_EQ(values.size(), test.values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      EXPECT_TRUE(values[i].isIsNullSet());
      EXPECT_FALSE(values[i].getIsNull());
      EXPECT_EQ(values[i].getValue(), test.values[i]);
    }
  }
}

TEST_F(ServiceDataTest, InflateLeavesOutObjectsDeletedSinceTheyWereReported) {
  ServiceData data;
  data.addCreatedObject(tagOf("i.1"));
  ASSERT_EQ(AOM_delete(tagOf("i.1")), 0);

  data.inflateProperties();

  EXPECT_TRUE(data.getWireData().getDataObjectArray().empty());
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(ServiceDataTest, ModelObjectsForNullValidAndInvalidTags) {
  EXPECT_EQ(Utils::createWireModelObect(NULLTAG).getUid(), "");
  EXPECT_FALSE(Utils::createWireModelObect(NULLTAG).isClassNameSet());
  EXPECT_EQ(Utils::createWireModelObect(tagOf("f.home")).getClassName(), "Folder");

  const Tag unknown = Utils::uidToTag("no.such.uid");
  EXPECT_NE(unknown, NULLTAG);
  EXPECT_EQ(Utils::uidToTag(""), 0u);
  try {
    Utils::createWireModelObect(unknown);
    FAIL() << "an unknown tag makes no model object";
  } catch (IFail& failure) {
    EXPECT_EQ(failure.ifail(), POM_invalid_tag);
  }
  EXPECT_EQ(storedCodes(), (std::vector<int>{POM_invalid_tag}));
}

}  // namespace
