// The look-ups a client makes before it opens windows: the variant rules attached to item
// revisions, and the revision of an item that a revision rule configures.
#include "structuremanagement/variant_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/soa_exceptions.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"
#include "tests/host/structure_fixture.h"

namespace {

using Korvane::Soa::Cad::VariantRulesImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Configured = Korvane::Soa::Cad::_2007_06::StructureManagement;
using Strings = std::vector<std::string>;

// On top of the structure fixture, r.asm.A also has (in this order) vr.sub, of a class derived
// from VariantRule, vr.set, of a class whose name only starts with "VariantRule", the dataset
// ds.1 and vr.blue under another relation type; vr.red came first. s.1 is of a class derived
// from Item.
const char* const kAttached = R"(<fixture>
  <class name="ConfiguratorRule" parent="VariantRule"/>
  <type name="ConfiguratorRule" class="ConfiguratorRule" parent="VariantRule"/>
  <class name="VariantRuleSet" parent="VariantRule"/>
  <type name="VariantRuleSet" class="VariantRuleSet" parent="VariantRule"/>
  <class name="SpecialItem" parent="Item"/>
  <type name="SpecialItem" class="SpecialItem" parent="Item"/>
  <object uid="vr.sub" class="ConfiguratorRule" type="ConfiguratorRule"/>
  <object uid="vr.set" class="VariantRuleSet" type="VariantRuleSet"/>
  <object uid="s.1" class="SpecialItem" type="SpecialItem"/>
  <relation type="ZOLT_variant_rule" primary="r.asm.A" secondary="vr.sub"/>
  <relation type="ZOLT_variant_rule" primary="r.asm.A" secondary="vr.set"/>
  <relation type="ZOLT_reference" primary="r.asm.A" secondary="ds.1"/>
  <relation type="ZOLT_reference" primary="r.asm.A" secondary="vr.blue"/>
</fixture>)";

class LookUpTest : public soacad_test::StructureTest {
 protected:
  void SetUp() override {
    StructureTest::SetUp();
    load(kAttached);
  }

  StructureManagement::GetVariantRulesResponse variantRules(const std::vector<Tag>& revisions) {
    const std::vector<POMRef<ZoltItemRevP>> input(revisions.begin(), revisions.end());
    return settled([&] { return VariantRulesImpl::getVariantRules(input); });
  }
  // The revision's map entry as UIDs; {"<none>"} when it has none.
  Strings rulesOf(const StructureManagement::GetVariantRulesResponse& response, Tag revision) {
    const auto found = response.inputItemRevToVarRule.find(POMRef<ZoltItemRevP>(revision));
    if (found == response.inputItemRevToVarRule.end()) {
      return {"<none>"};
    }
    Strings uids;
    for (const auto& rule : found->second) {
      uids.push_back(uidOf(rule.tag()));
    }
    return uids;
  }

  Configured::GetConfiguredItemRevisionResponse configured(
      const std::vector<Configured::GetConfiguredItemRevisionInfo>& info) {
    return settled([&] {
      return Korvane::Soa::Cad::_2007_06::StructureManagementImpl().getConfiguredItemRevision(info);
    });
  }
  // One text per output: "object rule configured-revision", by UID.
  Strings outputsOf(const Configured::GetConfiguredItemRevisionResponse& response) {
    Strings texts;
    for (const auto& output : response.output) {
      texts.push_back(uidOf(output.inputInfo.object) + " " + uidOf(output.inputInfo.revRule.tag()) +
                      " " + uidOf(output.configuredItemRev.tag()));
    }
    return texts;
  }
  Configured::GetConfiguredItemRevisionInfo ask(const std::string& objectUid,
                                                const std::string& ruleUid) {
    return {objectUid.empty() ? NULLTAG : tagOf(objectUid),
            ruleUid.empty() ? NULLTAG : tagOf(ruleUid)};
  }
};

// --- Variant rules ---------------------------------------------------------------------------

TEST_F(LookUpTest, EachRevisionMapsToItsVariantRulesOfExactlyThatClass) {
  const auto response = variantRules({tagOf("r.asm.A"), tagOf("r.bolt.A")});
  EXPECT_EQ(rulesOf(response, tagOf("r.asm.A")), (Strings{"vr.red", "vr.blue"}));
  EXPECT_EQ(rulesOf(response, tagOf("r.bolt.A")), Strings{}) << "an entry with an empty list";
  EXPECT_EQ(response.serviceData.plainUids(), (std::set<std::string>{"vr.red", "vr.blue"}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
}

TEST_F(LookUpTest, AFailingRevisionIsAnErrorStackWithoutEntryAndTheNextGoesOn) {
  host::faultPlan().fail("GRM_list_secondary_objects_only", 99, 0, tagOf("r.bolt.A"));
  const auto response = variantRules({NULLTAG, tagOf("r.bolt.A"), tagOf("r.asm.A")});
  EXPECT_EQ(errorsOf(response.serviceData), (Strings{": 7007", "uid:r.bolt.A: 99"}));
  EXPECT_EQ(rulesOf(response, NULLTAG), Strings{"<none>"});
  EXPECT_EQ(rulesOf(response, tagOf("r.bolt.A")), Strings{"<none>"});
  EXPECT_EQ(rulesOf(response, tagOf("r.asm.A")), (Strings{"vr.red", "vr.blue"}));
}

TEST_F(LookUpTest, NoRevisionsFailTheCallSayingWhatIsMissing) {
  try {
    VariantRulesImpl::getVariantRules({});
    ADD_FAILURE() << "no ServiceException";
  } catch (Korvane::Soa::Server::ServiceException& exception) {
    EXPECT_EQ(exception.getMessage(),
              "The request names no item revision (itemRev): give at least one whose variant "
              "rules are wanted.");
  }
  expectSettled();
}

// --- The configured item revision ------------------------------------------------------------

TEST_F(LookUpTest, ItemsAndRevisionsGetTheRevisionTheRuleConfigures) {
  const auto response = configured({ask("i.bolt", "rr.released"), ask("r.bolt.A", "rr.latest"),
                                    ask("ds.1", "rr.latest"), ask("s.1", "rr.latest"),
                                    ask("i.ghost", "rr.latest"), ask("i.plate", "rr.override")});
  // No output for a dataset, a derived class or an item without revision.
  EXPECT_EQ(outputsOf(response),
            (Strings{"i.bolt rr.released r.bolt.B", "r.bolt.A rr.latest r.bolt.C",
                     "i.plate rr.override r.plate.B"}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
}

TEST_F(LookUpTest, InvalidObjectsAndFailingLookUpsAreErrorStacksUnderTheObject) {
  const auto response = configured({ask("no.such", "rr.latest"), ask("", "rr.latest"),
                                    ask("i.bolt", ""), ask("i.pin", "rr.latest")});
  EXPECT_EQ(errorsOf(response.serviceData),
            (Strings{"uid:no.such: 7007", ": 7007", "uid:i.bolt: 7007 215150"}));
  EXPECT_EQ(outputsOf(response), Strings{"i.pin rr.latest r.pin.A"});
  EXPECT_TRUE(configured({}).output.empty());
}

}  // namespace

// Messages name the object a client gave by its UID ("no object" for none), never by a tag
// number or by nothing; an object of the wrong class is reported as such.
TEST_F(LookUpTest, MessagesNameTheObjectByItsUid) {
  const struct {
    const char* service;
    const char* operation;
    const char* request;
    const char* message;
  } cases[] = {
      {"Cad-2007-01-StructureManagement", "getVariantRules",
       R"(<GetVariantRulesInput><itemRev uid=""/></GetVariantRulesInput>)",
       "Not a valid object: no object."},
      {"Cad-2007-06-StructureManagement", "getConfiguredItemRevision",
       R"(<GetConfiguredItemRevisionInput><input><object uid="no.such"/><revRule uid="rr.unit"/>
          </input></GetConfiguredItemRevisionInput>)",
       "Not a valid object: no.such."},
      {"Cad-2007-06-StructureManagement", "getConfiguredItemRevision",
       R"(<GetConfiguredItemRevisionInput><input><object uid="i.bolt"/><revRule uid="r.bolt.A"/>
          </input></GetConfiguredItemRevisionInput>)",
       "r.bolt.A is not of class RevisionRule."},
      {"Cad-2007-01-StructureManagement", "createBOMWindows",
       R"(<CreateBOMWindowsInput><info clientId="c"><itemRev uid="r.asm.A"/>
          <revRuleConfigInfo><revRule uid="rr.unit"/><props unitNo="6"><endItem uid="r.asm.A"/>
          </props></revRuleConfigInfo></info></CreateBOMWindowsInput>)",
       "r.asm.A is not of class Item."},
  };
  for (const auto& test : cases) {
    const host::Reply reply = call(test.service, test.operation, test.request);
    EXPECT_NE(reply.text.find(std::string("message=\"") + test.message + "\""), std::string::npos)
        << test.operation << ": " << reply.text;
  }
  for (Tag window : host::openBomWindows()) {
    EXPECT_EQ(BOM_close_window(window), 0);
  }
}
