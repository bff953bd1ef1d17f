// Revision rules: the listing a client chooses from, and the rule a window gets for the
// client's own values (the rule itself, or a transient copy that carries them).
#include "structuremanagement/revision_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/soa_exceptions.h"
#include "host/object/cfm.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/host/structure_fixture.h"

namespace {

using Korvane::Soa::Cad::RevisionRulesImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Props = StructureManagement::RevisionRuleEntryProps;
using ServiceData = Korvane::Soa::Server::ServiceData;
using soacad_test::ask;
using Strings = std::vector<std::string>;

// On top of the structure fixture: rr.multi, named with 30 characters, with an end item
// revision and the entries override (f.o1), date, override (f.o2), override (f.o3) and an
// override entry without folder; rr.dated, a date rule with its own date.
const char* const kRules = R"(<fixture>
  <object uid="f.o1" class="Folder"/><object uid="f.o2" class="Folder"/>
  <object uid="f.o3" class="Folder"/><object uid="f.new2" class="Folder"/>
  <object uid="f.new3" class="Folder"/>
  <object uid="rr.multi" class="RevisionRule">
    <prop name="object_name" value="ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"/>
    <prop name="rule_end_item_rev" value="r.asm.A"/>
    <prop name="entries"><v value="rre.m1"/><v value="rre.mdate"/><v value="rre.m2"/>
      <v value="rre.m3"/><v value="rre.bare"/></prop></object>
  <object uid="rre.m1" class="RevisionRuleEntry">
    <prop name="entry_type" value="2"/><prop name="override_folder" value="f.o1"/></object>
  <object uid="rre.mdate" class="RevisionRuleEntry"><prop name="entry_type" value="3"/></object>
  <object uid="rre.m2" class="RevisionRuleEntry">
    <prop name="entry_type" value="2"/><prop name="override_folder" value="f.o2"/></object>
  <object uid="rre.m3" class="RevisionRuleEntry">
    <prop name="entry_type" value="2"/><prop name="override_folder" value="f.o3"/></object>
  <object uid="rre.bare" class="RevisionRuleEntry"><prop name="entry_type" value="2"/></object>
  <object uid="rr.dated" class="RevisionRule"><prop name="object_name" value="Dated"/>
    <prop name="rule_date" value="2020-06-01T00:00:00"/>
    <prop name="entries"><v value="rre.dated"/></prop></object>
  <object uid="rre.dated" class="RevisionRuleEntry"><prop name="entry_type" value="3"/></object>
</fixture>)";

class RevisionRuleTest : public soacad_test::StructureTest {
 protected:
  void SetUp() override {
    StructureTest::SetUp();
    load(kRules);
  }

  // askRuleToSet of the rule with that UID ("" for the default rule), checked settled.
  Tag ruleToSet(const std::string& ruleUid, const Props& props) {
    const Tag rule = ruleUid.empty() ? NULLTAG : tagOf(ruleUid);
    return settled([&] { return Tag(RevisionRulesImpl(rule).askRuleToSet(props, serviceData_)); });
  }
  Strings errors() { return errorsOf(serviceData_); }

  std::string name(Tag object) { return text(object, "object_name"); }
  // The folders of the rule's override entries, as UIDs ("" for none).
  Strings overrideFolders(Tag rule) {
    Strings folders;
    for (Tag entry : host::entriesOfRule(rule)) {
      if (store().find(entry) != nullptr && text(entry, "entry_type") == "2") {
        folders.push_back(uidOf(ask(CFM_override_entry_ask_folder, entry)));
      }
    }
    return folders;
  }

  StructureManagement::GetRevisionRulesResponse list() {
    return settled([] { return RevisionRulesImpl::getRevisionRules(); });
  }
  Strings rulesOf(const StructureManagement::GetRevisionRulesResponse& response) {
    Strings uids;
    for (const auto& info : response.output) {
      uids.push_back(uidOf(info.revRule.tag()));
    }
    return uids;
  }

  const Date kDate{2022, 2, 2, 0, 0, 0};
  ServiceData serviceData_;
};

// --- The rule for a window -------------------------------------------------------------------

TEST_F(RevisionRuleTest, PropsThatAskForNothingGiveTheRuleItself) {
  for (const char* rule : {"rr.latest", "rr.unit", "rr.override", "rr.multi", "rr.dated"}) {
    EXPECT_EQ(ruleToSet(rule, Props()), tagOf(rule)) << rule;
  }
  EXPECT_EQ(ruleToSet("", Props()), tagOf("rr.latest")) << "the default rule";
  EXPECT_EQ(calls("CFM_rule_copy"), 0);
  EXPECT_EQ(errors(), Strings{});
}

TEST_F(RevisionRuleTest, AValueTheRuleHasNoEntryForIsReportedAndNeedsNoCopy) {
  Props unit, endItem, endItemRevision, today, date;
  unit.unitNo = 3;
  endItem.endItem = tagOf("i.asm");
  endItemRevision.endItemRevision = tagOf("r.asm.A");
  today.today = true;
  date.date = kDate;
  for (const Props& props : {unit, endItem, endItemRevision, today, date}) {
    serviceData_ = ServiceData();
    EXPECT_EQ(ruleToSet("rr.latest", props), tagOf("rr.latest"));
    EXPECT_EQ(errors(), Strings{"uid:rr.latest: 710044"});
  }
  EXPECT_EQ(calls("CFM_rule_copy"), 0);
}

TEST_F(RevisionRuleTest, ValuesTheRuleTakesGoOnATransientCopyAndTheOthersAreReported) {
  Props props;
  props.unitNo = 7;
  props.endItem = tagOf("i.plate");
  props.date = kDate;  // rr.unit has no date entry.
  const Tag copy = ruleToSet("rr.unit", props);

  ASSERT_NE(copy, tagOf("rr.unit"));
  EXPECT_TRUE(RevisionRulesImpl::isRevisionRuleTransient(copy));
  EXPECT_FALSE(RevisionRulesImpl::isRevisionRuleTransient(tagOf("rr.unit")));
  EXPECT_EQ(name(copy), "By Unit(CAD-Modified)");
  EXPECT_EQ(ask(CFM_rule_ask_unit, copy), 7);
  EXPECT_EQ(ask(CFM_rule_ask_end_item, copy), tagOf("i.plate"));
  EXPECT_TRUE(ask(CFM_rule_ask_date, copy).isNull());
  EXPECT_EQ(ask(CFM_rule_ask_unit, tagOf("rr.unit")), 5) << "the rule itself is unchanged";
  EXPECT_EQ(ask(CFM_rule_ask_end_item, tagOf("rr.unit")), tagOf("i.asm"));
  EXPECT_EQ(errors(), Strings{"uid:rr.unit: 710044"});
}

TEST_F(RevisionRuleTest, TodayConfiguresByTheNullDateWhateverTheDateHolds) {
  Props today;
  today.today = true;
  today.date = kDate;
  EXPECT_TRUE(ask(CFM_rule_ask_date, ruleToSet("rr.dated", today)).isNull());
  today.today = false;
  EXPECT_EQ(ask(CFM_rule_ask_date, ruleToSet("rr.dated", today)), kDate);
  EXPECT_EQ(ask(CFM_rule_ask_date, tagOf("rr.dated")), (Date{2020, 6, 1, 0, 0, 0}));
  EXPECT_EQ(errors(), Strings{});
}

// A copy is named after the rule's whole name, however many bytes its characters take, and
// the name is cut after 32 characters, never inside one.
TEST_F(RevisionRuleTest, ACopyIsNamedAfterTheWholeRuleNameCutAtThirtyTwoCharacters) {
  auto times = [](int count, const std::string& text) {
    std::string result;
    for (int i = 0; i < count; ++i) {
      result += text;
    }
    return result;
  };
  const struct {
    std::string rule;
    std::string copy;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123(C"},
      {"a" + times(15, "\u00c4"), "a" + times(15, "\u00c4") + "(CAD-Modified)"},
      {times(31, "\u00c4"), times(31, "\u00c4") + "("},
      {times(33, "\u20ac"), times(32, "\u20ac")},
      {"", "(CAD-Modified)"},
      // A saved rule's own name may end with the suffix: its copy still differs from it.
      {"Mine(CAD-Modified)", "Mine(CAD-Modified)(CAD-Modified)"},
  };
  Props today;
  today.today = true;
  int next = 0;
  for (const auto& test : cases) {
    const std::string uid = "rr.named." + std::to_string(next++);
    load("<fixture><object uid=\"" + uid +
         "\" class=\"RevisionRule\"><prop name=\"object_name\" value=\"" + test.rule +
         "\"/><prop name=\"entries\"><v value=\"rre.dated\"/></prop></object></fixture>");
    EXPECT_EQ(name(ruleToSet(uid, today)), test.copy) << test.rule;
  }
  EXPECT_EQ(errors(), Strings{});
}

TEST_F(RevisionRuleTest, OverrideFoldersGoOnTheCopysEntriesAtTheSamePositions) {
  Props props;
  props.overrideFolder = {{tagOf("rre.m2"), tagOf("f.new2")}, {tagOf("rre.m3"), tagOf("f.new3")}};
  const Tag copy = ruleToSet("rr.multi", props);
  ASSERT_NE(copy, tagOf("rr.multi"));
  EXPECT_EQ(overrideFolders(copy), (Strings{"f.o1", "f.new2", "f.new3", ""}));
  EXPECT_EQ(overrideFolders(tagOf("rr.multi")), (Strings{"f.o1", "f.o2", "f.o3", ""}));
  EXPECT_EQ(errors(), Strings{});
}

TEST_F(RevisionRuleTest, OverrideFoldersForEntriesThatCannotTakeThemAreReportedAndIgnored) {
  // Another rule's entry; an entry of the rule without a folder.
  for (const char* entry : {"rre.override", "rre.bare"}) {
    serviceData_ = ServiceData();
    Props props;
    props.overrideFolder = {{tagOf("rre.m1"), tagOf("f.new2")}, {tagOf(entry), tagOf("f.new3")}};
    EXPECT_EQ(ruleToSet("rr.multi", props), tagOf("rr.multi")) << entry;
    EXPECT_EQ(errors(), Strings{"uid:rr.multi: 710043"}) << entry;
  }
  // A rule without override entries ignores them silently.
  serviceData_ = ServiceData();
  Props props;
  props.overrideFolder = {{tagOf("rre.override"), tagOf("f.new2")}};
  EXPECT_EQ(ruleToSet("rr.latest", props), tagOf("rr.latest"));
  EXPECT_EQ(errors(), Strings{});
  EXPECT_EQ(calls("CFM_rule_copy"), 0);
}

using EmptyHostTest = soacad_test::HostTest;

TEST_F(EmptyHostTest, ARuleIsNeededWhereTheDefaultRuleIsAsked) {
  EXPECT_EQ(soacad_test::ifailOf([] { RevisionRulesImpl rule(NULLTAG); }), CFM_no_revision_rules);
  ERROR_store_clear();
}

// --- Listing ---------------------------------------------------------------------------------

TEST_F(RevisionRuleTest, ListsTheSavedRulesWithWhatTheyHave) {
  Tag copy;
  ASSERT_EQ(CFM_rule_copy(tagOf("rr.unit"), "transient", &copy), 0);
  const auto response = list();
  ASSERT_EQ(rulesOf(response), (Strings{"rr.latest", "rr.released", "rr.unit", "rr.override",
                                        "rr.multi", "rr.dated"}));

  using Status = std::map<std::string, bool>;
  EXPECT_EQ(response.output[2].hasValueStatus, (Status{{"rule_date", false},
                                                       {"rule_end_item", true},
                                                       {"rule_end_item_rev", false},
                                                       {"rule_unit", true}}));
  EXPECT_EQ(response.output[4].hasValueStatus, (Status{{"rule_date", true},
                                                       {"rule_end_item", false},
                                                       {"rule_end_item_rev", true},
                                                       {"rule_unit", false}}));
  const auto& overrides = response.output[4].overrideFolder;
  ASSERT_EQ(overrides.size(), 4u);
  EXPECT_EQ(overrides[1].ruleEntry.tag(), tagOf("rre.m2"));
  EXPECT_EQ(overrides[1].folder.tag(), tagOf("f.o2"));
  EXPECT_EQ(overrides[3].ruleEntry.tag(), tagOf("rre.bare"));
  EXPECT_EQ(overrides[3].folder.tag(), NULLTAG);

  const auto& plain = response.serviceData.plainUids();
  for (const char* uid : {"rr.latest", "rr.multi", "i.asm", "r.asm.A", "f.o1", "rre.m1", "rre.bare",
                          "rre.override", "f.override"}) {
    EXPECT_EQ(plain.count(uid), 1u) << uid;
  }
  EXPECT_EQ(plain.count(uidOf(copy)), 0u);
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
}

// A rule keeps naming its end item, end item revision and override folders when they are
// deleted. Such a reference is none: the listing neither names the object nor says the rule has
// the value, and a window's values are checked against the same answer.
TEST_F(RevisionRuleTest, AReferenceToADeletedObjectCountsAsNone) {
  for (const char* uid : {"i.asm", "r.asm.A", "f.o2"}) {
    ASSERT_EQ(store().remove(tagOf(uid)), 0) << uid;
  }
  const host::Reply reply = send("getRevisionRules", "<GetRevisionRulesInput/>");
  for (const char* uid : {"i.asm", "r.asm.A", "f.o2"}) {
    EXPECT_EQ(reply.text.find("\"" + std::string(uid) + "\""), std::string::npos) << uid;
  }

  const auto response = list();
  ASSERT_EQ(rulesOf(response)[2], "rr.unit");
  EXPECT_FALSE(response.output[2].hasValueStatus.at("rule_end_item"));
  EXPECT_TRUE(response.output[2].hasValueStatus.at("rule_unit"));
  ASSERT_EQ(rulesOf(response)[4], "rr.multi");
  EXPECT_FALSE(response.output[4].hasValueStatus.at("rule_end_item_rev"));
  const auto& overrides = response.output[4].overrideFolder;
  ASSERT_EQ(overrides.size(), 4u);
  EXPECT_EQ(overrides[0].folder.tag(), tagOf("f.o1"));
  EXPECT_EQ(overrides[1].folder.tag(), NULLTAG);
  EXPECT_EQ(response.serviceData.plainUids().count("rre.m2"), 1u) << "the entry itself lives";

  // The client's end item is a value the rule no longer takes; an entry whose folder is gone
  // cannot be given another.
  Props endItem;
  endItem.endItem = tagOf("i.plate");
  EXPECT_EQ(ruleToSet("rr.unit", endItem), tagOf("rr.unit"));
  Props folder;
  folder.overrideFolder = {{tagOf("rre.m2"), tagOf("f.new2")}};
  EXPECT_EQ(ruleToSet("rr.multi", folder), tagOf("rr.multi"));
  EXPECT_EQ(errors(), (Strings{"uid:rr.unit: 710044", "uid:rr.multi: 710043"}));
}

// Unit 0 is a unit; only a rule without one (-1) reports none.
TEST_F(RevisionRuleTest, AUnitOfZeroIsReportedAsAUnit) {
  ASSERT_EQ(store().write(tagOf("rr.unit"), "rule_unit", host::Value{{"0"}, {}},
                          host::WriteMode::initial),
            0);
  const auto response = list();
  ASSERT_EQ(rulesOf(response)[2], "rr.unit");
  EXPECT_TRUE(response.output[2].hasValueStatus.at("rule_unit"));
  EXPECT_FALSE(response.output[0].hasValueStatus.at("rule_unit"));
}

TEST_F(RevisionRuleTest, ARuleThatCannotBeDescribedIsAnErrorStackOfItsOwn) {
  host::faultPlan().fail("CFM_rule_list_entries", 99, 0, tagOf("rr.unit"));
  const auto response = list();
  EXPECT_EQ(rulesOf(response),
            (Strings{"rr.latest", "rr.released", "rr.override", "rr.multi", "rr.dated"}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{"uid:rr.unit: 99"});
}

TEST_F(RevisionRuleTest, RulesThatCannotBeListedFailTheCall) {
  for (const char* call : {"CFM_list", "POM_is_newly_created"}) {
    host::faultPlan().clear();
    host::faultPlan().fail(call, 99);
    EXPECT_THROW(RevisionRulesImpl::getRevisionRules(), Korvane::Soa::Server::ServiceException)
        << call;
    ERROR_store_clear();
    expectSettled();
  }
}

}  // namespace
