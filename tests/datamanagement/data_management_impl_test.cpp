// getAvailableTypes and generateAlternateIds, from request text to reply, through the registered
// DataManagement service.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;

using Strings = std::vector<std::string>;
using soacad_test::stacks;

// A class hierarchy with types, a class without types, units of measure and alternate-id
// types.
const char* const kTypesFixture = R"(<fixture>
  <class name="Document" parent="Item"/><class name="Drawing" parent="Document"/>
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

std::string keyText(const std::string& key) {
  return key;
}
std::string keyText(int key) {
  return std::to_string(key);
}

// Each entry of a map reply as "key: value value ...", in reply order.
template <class Entries>
Strings entries(const Entries& map) {
  Strings texts;
  for (const auto& entry : map) {
    std::string text = keyText(entry.getKey()) + ":";
    for (const std::string& value : entry.getValueArray()) {
      text += " " + value;
    }
    texts.push_back(text);
  }
  return texts;
}

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
};

TEST_F(AvailableTypesTest, EachClassMapsOnceInAscendingOrderToItsTypesAndThoseOfItsSubclasses) {
  const struct {
    Strings classes;
    Strings map;
    Strings plain;
  } cases[] = {
      {{}, {}, {}},
      {{"Document"}, {"Document: Document Drawing"}, {"type.Document", "type.Drawing"}},
      {{"Item", "Document", "Folder"},
       {"Document: Document Drawing", "Folder: Folder", "Item: Item Document Drawing CAD_Part"},
       {"type.Item", "type.Document", "type.Drawing", "type.CAD_Part", "type.Folder"}},
      {{"Document", "Document"}, {"Document: Document Drawing"}, {"type.Document", "type.Drawing"}},
      {{"Widget"}, {"Widget:"}, {}},
      // Units of measure are listed by name.
      {{"UnitOfMeasure"}, {"UnitOfMeasure: mm kg"}, {"uom.mm", "uom.kg"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(request(test.classes));
    const Wire::GetAvailableTypesResponse response = available(test.classes);
    EXPECT_EQ(entries(response.getInputClassToTypeArray()), test.map);
    Strings plain;
    for (const auto& ref : response.getServiceData().getPlainObjArray()) {
      plain.push_back(ref.getUid());
    }
    EXPECT_EQ(plain, test.plain);
    EXPECT_EQ(stacks(response.getServiceData().getPartialErrorArray()), Strings{});
  }
}

TEST_F(AvailableTypesTest, FailingClassHasNoEntryAndOneUnkeyedErrorStack) {
  const Wire::GetAvailableTypesResponse response = available({"Folder", "NoSuchClass", "Form"});
  EXPECT_EQ(entries(response.getInputClassToTypeArray()),
            (Strings{"Folder: Folder", "Form: Form ItemMaster ItemRevisionMaster"}));
  const auto& errors = response.getServiceData().getPartialErrorArray();
  ASSERT_EQ(stacks(errors), Strings{": 7010"});
  EXPECT_FALSE(errors[0].isClientIdSet());
  EXPECT_FALSE(errors[0].isUidSet());
  EXPECT_EQ(errors[0].getErrorValueArray()[0].getMessage(), "There is no class NoSuchClass.");
}

// A failing name lookup, of a type or of a unit, fails the whole call (and releases the array of
// types: every call checks the host is left settled).
TEST_F(AvailableTypesTest, FailingNameLookupFailsTheWholeCall) {
  const struct {
    const char* call;
    int nth;
    const char* className;
  } cases[] = {{"ZOLTTYPE_ask_name", 2, "Document"}, {"UOM_ask_name", 1, "UnitOfMeasure"}};
  for (const auto& test : cases) {
    host::faultPlan().clear();
    host::faultPlan().fail(test.call, 7007, test.nth);
    const host::Reply reply = call("getAvailableTypes", request({test.className}));
    EXPECT_TRUE(reply.fault) << test.call;
    EXPECT_NE(reply.text.find("code=\"7007\""), std::string::npos) << reply.text;
  }
}

// A unit symbol longer than a type name is cut to the type name's size, never inside a
// character: the reply holds the whole characters that fit and no replacement character.
TEST_F(AvailableTypesTest, LongUnitNameIsCutAtTheTypeNameSizeOnACharacterBoundary) {
  std::string accents;
  for (int i = 0; i < 40; ++i) {
    accents += "\xC3\xA9";  // U+00E9, two bytes.
  }
  const std::string euro = "\xE2\x82\xAC";  // U+20AC, three bytes.
  struct Case {
    std::string symbol;
    std::string shown;
  };
  const Case cases[] = {
      {std::string(40, 'u'), std::string(32, 'u')},
      {"a" + accents, "a" + accents.substr(0, 30)},
      {std::string(30, 'u') + euro, std::string(30, 'u')},
      {std::string(29, 'u') + euro, std::string(29, 'u') + euro},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.shown);
    SetUp();
    load(R"(<fixture><object uid="uom.long" class="UnitOfMeasure"><prop name="symbol" value=")" +
         test.symbol + R"("/></object></fixture>)");
    EXPECT_EQ(entries(available({"UnitOfMeasure"}).getInputClassToTypeArray()),
              Strings{"UnitOfMeasure: mm kg " + test.shown});
  }
}

class AlternateIdsTest : public AvailableTypesTest {
 protected:
  // Sends one input per text "altIdType count pattern idContext".
  Wire::GenerateAlternateIdsResponse generate(const Strings& inputs) {
    std::string text = "<GenerateAlternateIdsInput>";
    for (const std::string& input : inputs) {
      std::istringstream fields(input);
      std::string type, count, pattern, context;
      fields >> type >> count >> pattern >> context;
      text += "<input altIdType=\"" + type + "\" count=\"" + count + "\" pattern=\"" + pattern +
              "\"><idContext uid=\"" + context + "\"/><parentAltId uid=\"\"/></input>";
    }
    return responseOf<Wire::GenerateAlternateIdsResponse>(
        call("generateAlternateIds", text + "</GenerateAlternateIdsInput>"));
  }
};

// Each input maps its index to `count` ids made from its pattern; an input that fails has no
// entry and one unkeyed error stack, and the ids it made before failing are dropped. One call
// makes at most 100,000 ids: an input that would pass the limit fails without making any, one
// that reaches it exactly does not.
TEST_F(AlternateIdsTest, InputsMapToTheirIdsAndFailuresToUnkeyedStacks) {
  const struct {
    Strings inputs;
    int failingCall;  // The nth USER_new_alt_id that fails, or 0.
    Strings map;
    Strings errors;
    int made;  // Calls of USER_new_alt_id, failing ones included.
  } cases[] = {
      {{}, 0, {}, {}, 0},
      {{"CAD_AltId 3 ALT-### ctx.1"}, 0, {"0: ALT-001 ALT-002 ALT-003"}, {}, 3},
      {{"CAD_AltId 1 A-# ctx.1", "NoSuchIdType 1 B-# ctx.1", "ERP_AltId 2 C-# ctx.1"},
       0,
       {"0: A-1", "2: C-1 C-2"},
       {": 7013"},
       3},
      // A name that is no identifier type fails also when no id is asked for.
      {{"NoSuchIdType 0 A-# ctx.1", "Document 0 A-# ctx.1"}, 0, {}, {": 7013", ": 7013"}, 0},
      {{"CAD_AltId 0 A-# ctx.1", "CAD_AltId -5 B-# ctx.1"}, 0, {"0:", "1:"}, {}, 0},
      {{"CAD_AltId 1 A-# ctx.1", "CAD_AltId 4 B-# ctx.1"}, 3, {"0: A-1"}, {": 215099"}, 3},
      {{"CAD_AltId 1 A-# no.such.object", "CAD_AltId 1 A-# ctx.1"}, 0, {"1: A-1"}, {": 7007"}, 2},
      {{"CAD_AltId 2147483647 A-# ctx.1", "CAD_AltId 1 B-# ctx.1"}, 0, {"1: B-1"}, {": 7013"}, 1},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.inputs.empty() ? "none" : test.inputs.back());
    SetUp();
    if (test.failingCall != 0) {
      host::faultPlan().fail("USER_new_alt_id", 215099, test.failingCall);
    }
    const Wire::GenerateAlternateIdsResponse response = generate(test.inputs);
    EXPECT_EQ(entries(response.getInputIndexToAltIdArray()), test.map);
    EXPECT_EQ(stacks(response.getServiceData().getPartialErrorArray()), test.errors);
    for (const auto& stack : response.getServiceData().getPartialErrorArray()) {
      EXPECT_FALSE(stack.isClientIdSet() || stack.isUidSet());
    }
    EXPECT_EQ(host::callLog().count("ZOLTTYPE_find_type"), static_cast<int>(test.inputs.size()));
    EXPECT_EQ(host::callLog().count("USER_new_alt_id"), test.made);
  }
  // The error names the field and the value.
  const auto unknownType = generate({"NoSuchIdType 2 A-# ctx.1"}).getServiceData();
  ASSERT_EQ(unknownType.getPartialErrorArray().size(), 1u);
  EXPECT_EQ(unknownType.getPartialErrorArray()[0].getErrorValueArray()[0].getMessage(),
            "\"NoSuchIdType\" is not a valid value of the property altIdType.");
  const Wire::GenerateAlternateIdsResponse response =
      generate({"CAD_AltId 99999 A-# ctx.1", "CAD_AltId 2 B-# ctx.1", "CAD_AltId 1 C-# ctx.1"});
  EXPECT_EQ(stacks(response.getServiceData().getPartialErrorArray()), Strings{": 7013"});
  EXPECT_EQ(
      response.getServiceData().getPartialErrorArray()[0].getErrorValueArray()[0].getMessage(),
      "\"2\" is not a valid value of the property count (a request makes at most 100000 "
      "ids; 99999 were made before this input).");
  const Strings made = entries(response.getInputIndexToAltIdArray());
  ASSERT_EQ(made.size(), 2u);
  EXPECT_EQ(made[0].substr(made[0].size() - 8), " A-99999");
  EXPECT_EQ(made[1], "2: C-1");
}

}  // namespace
