// getAvailableTypes and generateAlternateIds, from request text to reply, through the registered
// DataManagement service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;

using Strings = std::vector<std::string>;

// A class hierarchy with types, a class without types, units of measure and alternate-id
// types.
const char* const kTypesFixture = R"(<fixture>
  <class name="Document" parent="Item"/>
  <class name="Drawing" parent="Document"/>
  <class name="Widget" parent="POM_object"/>
  <type name="Document" class="Document" parent="Item"/>
  <type name="Drawing" class="Drawing" parent="Document"/>
  <type name="CAD_Part" class="Item" parent="Item"/>
  <type name="CAD_AltId" class="Identifier" parent="Identifier"/>
  <type name="ERP_AltId" class="Identifier" parent="Identifier"/>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>
  <object uid="uom.kg" class="UnitOfMeasure"><prop name="symbol" value="kg"/></object>
  <object uid="ctx.1" class="Folder" type="Folder"/>
</fixture>)";

class AvailableTypesTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    load(kTypesFixture);
  }

  static std::string request(const Strings& classes) {
    std::string text = "<GetAvailableTypesInput>";
    for (const std::string& name : classes) {
      text += "<classe>" + name + "</classe>";
    }
    return text + "</GetAvailableTypesInput>";
  }

  Wire::GetAvailableTypesResponse available(const Strings& classes) {
    return responseOf<Wire::GetAvailableTypesResponse>(call("getAvailableTypes", request(classes)));
  }

  static Strings keys(const Wire::GetAvailableTypesResponse& response) {
    Strings result;
    for (const Wire::ClassToTypesMap& entry : response.getInputClassToTypeArray()) {
      result.push_back(entry.getKey());
    }
    return result;
  }

  static Strings typesOf(const Wire::GetAvailableTypesResponse& response,
                         const std::string& className) {
    for (const Wire::ClassToTypesMap& entry : response.getInputClassToTypeArray()) {
      if (entry.getKey() == className) {
        return entry.getValueArray();
      }
    }
    ADD_FAILURE() << "no entry for " << className;
    return {};
  }

  static Strings plainUids(const Wire::GetAvailableTypesResponse& response) {
    Strings result;
    for (const ModelBase::RefId& ref : response.getServiceData().getPlainObjArray()) {
      result.push_back(ref.getUid());
    }
    return result;
  }
};

TEST_F(AvailableTypesTest, EmptyClassListGivesEmptyMapAndServiceData) {
  const Wire::GetAvailableTypesResponse response = available({});
  EXPECT_TRUE(response.getInputClassToTypeArray().empty());
  EXPECT_TRUE(response.getServiceData().getPlainObjArray().empty());
  EXPECT_TRUE(response.getServiceData().getPartialErrorArray().empty());
}

TEST_F(AvailableTypesTest, ClassListsTypesOfItAndItsSubclassesAsPlainObjects) {
  const Wire::GetAvailableTypesResponse response = available({"Document"});
  EXPECT_EQ(typesOf(response, "Document"), (Strings{"Document", "Drawing"}));
  EXPECT_EQ(plainUids(response), (Strings{"type.Document", "type.Drawing"}));
}

TEST_F(AvailableTypesTest, EntriesComeInAscendingClassOrder) {
  const Wire::GetAvailableTypesResponse response = available({"Item", "Document", "Folder"});
  EXPECT_EQ(keys(response), (Strings{"Document", "Folder", "Item"}));
  EXPECT_EQ(typesOf(response, "Item"), (Strings{"Item", "Document", "Drawing", "CAD_Part"}));
}

TEST_F(AvailableTypesTest, UnitOfMeasureListsTheUnitsByName) {
  const Wire::GetAvailableTypesResponse response = available({"UnitOfMeasure"});
  EXPECT_EQ(typesOf(response, "UnitOfMeasure"), (Strings{"mm", "kg"}));
  EXPECT_EQ(plainUids(response), (Strings{"uom.mm", "uom.kg"}));
}

TEST_F(AvailableTypesTest, ClassNamedTwiceMapsOnce) {
  const Wire::GetAvailableTypesResponse response = available({"Document", "Document"});
  EXPECT_EQ(keys(response), (Strings{"Document"}));
  EXPECT_EQ(typesOf(response, "Document"), (Strings{"Document", "Drawing"}));
  EXPECT_EQ(plainUids(response).size(), 2u);
}

TEST_F(AvailableTypesTest, ClassWithoutTypesMapsToEmptyList) {
  const Wire::GetAvailableTypesResponse response = available({"Widget"});
  EXPECT_EQ(keys(response), (Strings{"Widget"}));
  EXPECT_TRUE(typesOf(response, "Widget").empty());
}

TEST_F(AvailableTypesTest, FailingClassHasNoEntryAndOneUnkeyedErrorStack) {
  const Wire::GetAvailableTypesResponse response = available({"Folder", "NoSuchClass", "Form"});
  EXPECT_EQ(keys(response), (Strings{"Folder", "Form"}));
  ASSERT_EQ(response.getServiceData().getPartialErrorArray().size(), 1u);
  const ModelBase::ErrorStack& stack = response.getServiceData().getPartialErrorArray()[0];
  EXPECT_FALSE(stack.isClientIdSet());
  EXPECT_FALSE(stack.isUidSet());
  ASSERT_EQ(stack.getErrorValueArray().size(), 1u);
  EXPECT_EQ(stack.getErrorValueArray()[0].getCode(), 7010);
  EXPECT_EQ(stack.getErrorValueArray()[0].getMessage(), "There is no class NoSuchClass.");
}

TEST_F(AvailableTypesTest, FailingNameLookupFailsTheWholeCallAndReleasesTheArray) {
  host::faultPlan().fail("ZOLTTYPE_ask_name", 7007, 2);
  const host::Reply reply = call("getAvailableTypes", request({"Document"}));
  EXPECT_TRUE(reply.fault);
  EXPECT_NE(reply.text.find("code=\"7007\""), std::string::npos) << reply.text;
}

TEST_F(AvailableTypesTest, FailingUnitNameFailsTheWholeCall) {
  host::faultPlan().fail("UOM_ask_name", 7007, 1);
  EXPECT_TRUE(call("getAvailableTypes", request({"UnitOfMeasure"})).fault);
}

TEST_F(AvailableTypesTest, LongUnitNameIsCutAtTheTypeNameSize) {
  const std::string longName(40, 'u');
  load("<fixture><object uid=\"uom.long\" class=\"UnitOfMeasure\"><prop name=\"symbol\" value=\"" +
       longName + "\"/></object></fixture>");
  const Wire::GetAvailableTypesResponse response = available({"UnitOfMeasure"});
  EXPECT_EQ(typesOf(response, "UnitOfMeasure"), (Strings{"mm", "kg", std::string(32, 'u')}));
}

class AlternateIdsTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    load(kTypesFixture);
  }

  struct Input {
    std::string altIdType;
    int count;
    std::string pattern;
    std::string idContext;
  };

  static std::string request(const std::vector<Input>& inputs) {
    std::string text = "<GenerateAlternateIdsInput>";
    for (const Input& input : inputs) {
      text += "<input altIdType=\"" + input.altIdType + "\" count=\"" +
              std::to_string(input.count) + "\" pattern=\"" + input.pattern +
              "\"><idContext uid=\"" + input.idContext + "\"/><parentAltId uid=\"\"/></input>";
    }
    return text + "</GenerateAlternateIdsInput>";
  }

  Wire::GenerateAlternateIdsResponse generate(const std::vector<Input>& inputs) {
    return responseOf<Wire::GenerateAlternateIdsResponse>(
        call("generateAlternateIds", request(inputs)));
  }

  static std::vector<int> keys(const Wire::GenerateAlternateIdsResponse& response) {
    std::vector<int> result;
    for (const Wire::IndexToAltId& entry : response.getInputIndexToAltIdArray()) {
      result.push_back(entry.getKey());
    }
    return result;
  }

  static Strings idsOf(const Wire::GenerateAlternateIdsResponse& response, int key) {
    for (const Wire::IndexToAltId& entry : response.getInputIndexToAltIdArray()) {
      if (entry.getKey() == key) {
        return entry.getValueArray();
      }
    }
    ADD_FAILURE() << "no entry for " << key;
    return {};
  }

  static std::vector<int> errorCodes(const Wire::GenerateAlternateIdsResponse& response) {
    std::vector<int> codes;
    for (const ModelBase::ErrorStack& stack : response.getServiceData().getPartialErrorArray()) {
      for (const ModelBase::ErrorValue& value : stack.getErrorValueArray()) {
        codes.push_back(value.getCode());
      }
    }
    return codes;
  }
};

TEST_F(AlternateIdsTest, EmptyInputListGivesEmptyMap) {
  const Wire::GenerateAlternateIdsResponse response = generate({});
  EXPECT_TRUE(response.getInputIndexToAltIdArray().empty());
  EXPECT_TRUE(response.getServiceData().getPartialErrorArray().empty());
}

TEST_F(AlternateIdsTest, GeneratesCountIdsFromThePattern) {
  const Wire::GenerateAlternateIdsResponse response =
      generate({{"CAD_AltId", 3, "ALT-###", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{0}));
  EXPECT_EQ(idsOf(response, 0), (Strings{"ALT-001", "ALT-002", "ALT-003"}));
}

TEST_F(AlternateIdsTest, SecondOfThreeFailingGivesKeysZeroAndTwoAndOneErrorStack) {
  const Wire::GenerateAlternateIdsResponse response = generate({{"CAD_AltId", 1, "A-#", "ctx.1"},
                                                                {"NoSuchIdType", 1, "B-#", "ctx.1"},
                                                                {"ERP_AltId", 2, "C-#", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{0, 2}));
  EXPECT_EQ(idsOf(response, 2), (Strings{"C-1", "C-2"}));
  ASSERT_EQ(response.getServiceData().getPartialErrorArray().size(), 1u);
  EXPECT_FALSE(response.getServiceData().getPartialErrorArray()[0].isClientIdSet());
  EXPECT_EQ(errorCodes(response), (std::vector<int>{7007}));
}

TEST_F(AlternateIdsTest, CountZeroOrNegativeMapsToEmptyListAfterTheTypeLookup) {
  const Wire::GenerateAlternateIdsResponse response =
      generate({{"CAD_AltId", 0, "A-#", "ctx.1"}, {"CAD_AltId", -5, "B-#", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{0, 1}));
  EXPECT_TRUE(idsOf(response, 0).empty());
  EXPECT_TRUE(idsOf(response, 1).empty());
  EXPECT_EQ(host::callLog().count("ZOLTTYPE_find_type"), 2);
  EXPECT_EQ(host::callLog().count("USER_new_alt_id"), 0);
}

TEST_F(AlternateIdsTest, FailureInTheMiddleDropsTheIdsAlreadyMadeForThatInput) {
  host::faultPlan().fail("USER_new_alt_id", 215099, 3);
  const Wire::GenerateAlternateIdsResponse response =
      generate({{"CAD_AltId", 1, "A-#", "ctx.1"}, {"CAD_AltId", 4, "B-#", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{0}));
  EXPECT_EQ(errorCodes(response), (std::vector<int>{215099}));
}

TEST_F(AlternateIdsTest, InvalidContextFailsOnlyThatInput) {
  const Wire::GenerateAlternateIdsResponse response =
      generate({{"CAD_AltId", 1, "A-#", "no.such.object"}, {"CAD_AltId", 1, "A-#", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{1}));
  EXPECT_EQ(errorCodes(response), (std::vector<int>{7007}));
}

TEST_F(AlternateIdsTest, CountBeyondTheCallLimitFailsThatInputWithoutGeneratingIds) {
  const Wire::GenerateAlternateIdsResponse response =
      generate({{"CAD_AltId", 2147483647, "A-#", "ctx.1"}, {"CAD_AltId", 1, "B-#", "ctx.1"}});
  EXPECT_EQ(keys(response), (std::vector<int>{1}));
  EXPECT_EQ(errorCodes(response), (std::vector<int>{7013}));
  EXPECT_EQ(host::callLog().count("USER_new_alt_id"), 1);
}

}  // namespace
