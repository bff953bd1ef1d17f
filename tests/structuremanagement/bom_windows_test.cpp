// BOM windows for a client: opened configured by a revision rule and a variant rule or stored
// option set, reported by client id, and closed again with their transient rule copies.
#include "structuremanagement/bom_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/cfm.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/pom.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "structuremanagement/revision_rules.h"
#include "tests/host/structure_fixture.h"
#include "tests/structuremanagement/structure_requests.h"

namespace {

using Korvane::Soa::Cad::CloseBOMWindowsImpl;
using Korvane::Soa::Cad::CreateBOMWindowsImpl;
using Korvane::Soa::Cad::RevisionRulesImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Info = StructureManagement::CreateBOMWindowsInfo;
using soacad_test::ask;
namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Strings = std::vector<std::string>;

class BomWindowsTest : public soacad_test::StructureTest {
 protected:
  // An input for the revision `revisionUid` under `clientId`, configured by `ruleUid` (the
  // default rule when empty).
  Info input(const std::string& clientId, const std::string& revisionUid,
             const std::string& ruleUid = "") {
    Info info{clientId, NULLTAG, tagOf(revisionUid), NULLTAG, {}, NULLTAG, NULLTAG};
    info.revRuleConfigInfo.revRule = ruleUid.empty() ? NULLTAG : tagOf(ruleUid);
    return info;
  }
  StructureManagement::CreateBOMWindowsResponse create(const std::vector<Info>& info) {
    return settled([&] { return CreateBOMWindowsImpl().createBOMWindows(info); });
  }
  StructureManagement::CloseBOMWindowsResponse close(const std::vector<Tag>& windows) {
    std::vector<EIMRef<BOMWindow>> references(windows.begin(), windows.end());
    return settled([&] { return CloseBOMWindowsImpl().closeBOMWindows(references); });
  }
  // The one window an input opened.
  Tag openOne(const Info& info) {
    const auto response = create({info});
    EXPECT_EQ(errorsOf(response.serviceData), Strings{});
    return response.output.empty() ? NULLTAG : response.output[0].bomWindow.tag();
  }
  static Strings clientIds(const StructureManagement::CreateBOMWindowsResponse& response) {
    Strings ids;
    for (const auto& output : response.output) {
      ids.push_back(output.clientId);
    }
    return ids;
  }
  bool showsLamp(Tag window) {
    const Strings shown = occurrencesOf(children(ask(BOM_ask_window_top_line, window)));
    return std::find(shown.begin(), shown.end(), "occ.lamp") != shown.end();
  }
};

TEST_F(BomWindowsTest, AWindowConfiguredByItsRuleOnlyIsReportedAndClosedAgain) {
  const auto response = create({input("c1", "r.asm.A", "rr.released")});
  ASSERT_EQ(clientIds(response), Strings{"c1"});
  const Tag window = response.output[0].bomWindow.tag();
  const Tag topLine = response.output[0].bomLine.tag();
  EXPECT_EQ(host::openBomWindows(), std::vector<Tag>{window});
  EXPECT_EQ(ask(BOM_ask_window_top_line, window), topLine);
  EXPECT_EQ(ask(BOM_ask_window_config_rule, window), tagOf("rr.released"));
  EXPECT_TRUE(PSEBulletinBoard::contains(window));
  EXPECT_EQ(occurrencesOf(children(topLine)),
            (Strings{"occ.bolt", "occ.plate", "occ.sub", "occ.gde", "occ.lamp", "occ.ghost"}))
      << "unconfigured lines shown, no variant rule";
  EXPECT_EQ(response.serviceData.createdUids(),
            (std::set<std::string>{uidOf(window), uidOf(topLine)}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});

  // The top line the window was reported with goes with it.
  const std::set<std::string> closedUids = {uidOf(window), uidOf(topLine)};
  const auto closed = close({window});
  EXPECT_EQ(closed.serviceData.deletedUids(), closedUids);
  EXPECT_TRUE(host::openBomWindows().empty());
  EXPECT_NE(store().find(tagOf("rr.released")), nullptr) << "a saved rule stays";
}

TEST_F(BomWindowsTest, TheObjectForConfigureAppliesVariantRulesAndOptionSetsOnly) {
  const struct {
    const char* object;
    bool lampShown;
  } cases[] = {{"vr.blue", false}, {"vr.red", true}, {"sos.blue", false}, {"ds.1", true}};
  for (const auto& test : cases) {
    Info info = input("c", "r.asm.A", "rr.latest");
    info.objectForConfigure = tagOf(test.object);
    const Tag window = openOne(info);
    EXPECT_EQ(showsLamp(window), test.lampShown) << test.object;
    close({window});
  }
  EXPECT_TRUE(host::openBomWindows().empty());
}

TEST_F(BomWindowsTest, ARefusedArrangementDoesNotStopTheInput) {
  Info info = input("c", "r.asm.A");
  info.activeAssemblyArrangement = tagOf("ds.1");
  EXPECT_NE(openOne(info), NULLTAG);
}

TEST_F(BomWindowsTest, AFailingInputLeavesNothingBehindAndTheNextOnesGoOn) {
  Info transient = input("copy", "r.asm.A", "rr.unit");
  transient.revRuleConfigInfo.props.unitNo = 7;
  Info optionSet = input("sos", "r.asm.A");
  optionSet.objectForConfigure = tagOf("sos.blue");
  Info overridden = input("override", "r.asm.A", "rr.override");
  overridden.revRuleConfigInfo.props.overrideFolder = {{tagOf("rre.override"), tagOf("f.home")}};
  const struct {
    const char* fault;  // Empty: the input itself is wrong.
    Info info;
    const char* stack;
    int nth = 0;  // Which call fails; 0: every call.
  } cases[] = {
      {"", input("bad", "no.such"), "bad: 7007"},
      {"BOM_set_window_config_rule", transient, "copy: 99"},
      {"BOM_set_window_pack_all", transient, "copy: 99"},
      {"BOM_sos_db_read", optionSet, "sos: 99"},
      {"Tag::object", optionSet, "sos: 99"},
      {"PSEBulletinBoard::add", input("board", "r.asm.A"), "board: 99"},
      // The copy's entries, listed after the rule's own.
      {"CFM_rule_list_entries", overridden, "override: 99", 2},
      {"POM_forget_markpoint", input("forget", "r.asm.A"), "forget: 99"},
  };
  for (const auto& test : cases) {
    host::faultPlan().clear();
    if (*test.fault != '\0') {
      host::faultPlan().fail(test.fault, 99, test.nth);
    }
    const std::string before = savedObjects();
    const auto response = create({test.info});
    EXPECT_EQ(errorsOf(response.serviceData), Strings{test.stack}) << test.fault;
    EXPECT_TRUE(response.output.empty()) << test.fault;
    EXPECT_TRUE(response.serviceData.createdUids().empty()) << test.fault;
    EXPECT_TRUE(host::openBomWindows().empty()) << test.fault;
    EXPECT_EQ(savedObjects(), before) << test.fault;
  }

  host::faultPlan().clear();
  const auto response =
      create({input("first", "r.asm.A"), input("bad", "no.such"), input("last", "r.sub.A")});
  EXPECT_EQ(clientIds(response), (Strings{"first", "last"}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{"bad: 7007"});
  EXPECT_EQ(host::openBomWindows().size(), 2u);
  close(host::openBomWindows());
}

// A window opened with another window's transient copy as its rule gets a copy of its own, so
// that closing either window, in either order, leaves the other configured as it was.
TEST_F(BomWindowsTest, EachWindowDeletesOnlyTheCopyItsOwnCreationMade) {
  for (const bool ownerFirst : {true, false}) {
    Info modified = input("owner", "r.asm.A", "rr.unit");
    modified.revRuleConfigInfo.props.unitNo = 7;
    const Tag owner = openOne(modified);
    const Tag ownersCopy = ask(BOM_ask_window_config_rule, owner);
    ASSERT_TRUE(RevisionRulesImpl::isRevisionRuleTransient(ownersCopy));
    const Tag borrower = openOne(input("borrower", "r.asm.A", uidOf(ownersCopy)));
    const Tag borrowersCopy = ask(BOM_ask_window_config_rule, borrower);
    ASSERT_NE(borrowersCopy, ownersCopy);
    EXPECT_TRUE(RevisionRulesImpl::isRevisionRuleTransient(borrowersCopy));
    EXPECT_EQ(ask(CFM_rule_ask_unit, borrowersCopy), 7);
    EXPECT_EQ(text(borrowersCopy, "object_name"), "By Unit(CAD-Modified)") << "no second suffix";

    const Tag first = ownerFirst ? owner : borrower;
    const Tag second = ownerFirst ? borrower : owner;
    const Tag secondsCopy = ownerFirst ? borrowersCopy : ownersCopy;
    EXPECT_EQ(errorsOf(close({first}).serviceData), Strings{});
    EXPECT_EQ(ask(BOM_ask_window_config_rule, second), secondsCopy) << ownerFirst;
    EXPECT_EQ(ask(CFM_rule_ask_unit, secondsCopy), 7) << ownerFirst;
    EXPECT_EQ(errorsOf(close({second}).serviceData), Strings{});
    EXPECT_EQ(store().find(ownersCopy), nullptr);
    EXPECT_EQ(store().find(borrowersCopy), nullptr);
  }
}

// A window that fails to close stays open with its copy; the copy goes when it closes.
TEST_F(BomWindowsTest, AWindowThatFailsToCloseKeepsItsCopy) {
  Info modified = input("modified", "r.asm.A", "rr.unit");
  modified.revRuleConfigInfo.props.unitNo = 7;
  const Tag window = openOne(modified);
  const Tag copy = ask(BOM_ask_window_config_rule, window);
  const std::set<std::string> closedUids = {uidOf(window),
                                            uidOf(ask(BOM_ask_window_top_line, window))};

  host::faultPlan().fail("BOM_close_window", 99);
  const auto failed = close({window});
  EXPECT_EQ(errorsOf(failed.serviceData), Strings{"uid:" + uidOf(window) + ": 99"});
  EXPECT_TRUE(failed.serviceData.deletedUids().empty());
  EXPECT_EQ(host::openBomWindows(), std::vector<Tag>{window});
  EXPECT_EQ(ask(BOM_ask_window_config_rule, window), copy);
  EXPECT_EQ(ask(CFM_rule_ask_unit, copy), 7);

  // A copy the host refuses to delete stays; the window is closed all the same.
  host::faultPlan().clear();
  host::faultPlan().fail("AOM_delete", 99);
  const auto kept = close({window});
  EXPECT_EQ(errorsOf(kept.serviceData), Strings{});
  EXPECT_EQ(kept.serviceData.deletedUids(), closedUids);
  EXPECT_TRUE(host::openBomWindows().empty());
  EXPECT_NE(store().find(copy), nullptr);

  host::faultPlan().clear();
  const Tag next = openOne(modified);
  const Tag nextCopy = ask(BOM_ask_window_config_rule, next);
  const std::vector<Tag> nextEntries = host::entriesOfRule(nextCopy);
  ASSERT_FALSE(nextEntries.empty());
  const std::set<std::string> nextUids = {uidOf(next), uidOf(ask(BOM_ask_window_top_line, next))};
  EXPECT_EQ(close({next}).serviceData.deletedUids(), nextUids);
  EXPECT_EQ(store().find(nextCopy), nullptr);
  for (Tag entry : nextEntries) {
    EXPECT_EQ(store().find(entry), nullptr) << "the copy's entries go with it";
  }
  EXPECT_NE(store().find(copy), nullptr) << "only the closing window's own copy goes";
}

// Opening a window reports it and its top line as made; closing it through the service reports
// both as gone (the reply checked against the store), each window once.
TEST_F(BomWindowsTest, AClosedWindowIsReportedDeletedWithItsTopLine) {
  const Tag first = openOne(input("first", "r.asm.A"));
  const Tag second = openOne(input("second", "r.sub.A"));
  std::set<std::string> expected;
  for (const Tag window : {first, second}) {
    expected.insert({uidOf(window), uidOf(ask(BOM_ask_window_top_line, window))});
  }
  const auto response = responseOf<Wire::CloseBOMWindowsResponse>(
      send("closeBOMWindows", "<CloseBOMWindowsInput><bomWindow uid=\"" + uidOf(first) +
                                  "\"/><bomWindow uid=\"" + uidOf(second) +
                                  "\"/></CloseBOMWindowsInput>"));
  const Strings deleted = soacad_test::reportedBy(response).deleted;
  EXPECT_EQ(std::set<std::string>(deleted.begin(), deleted.end()), expected);
  EXPECT_EQ(deleted.size(), 4u);
}

TEST_F(BomWindowsTest, AWindowThatIsGoneIsAnErrorStackAndTheOthersAreClosed) {
  const Tag gone = openOne(input("gone", "r.asm.A"));
  const Tag open = openOne(input("open", "r.asm.A"));
  const std::set<std::string> openUids = {uidOf(open), uidOf(ask(BOM_ask_window_top_line, open))};
  ASSERT_EQ(BOM_close_window(gone), 0);
  const auto closed = close({gone, open});
  EXPECT_EQ(errorsOf(closed.serviceData), Strings{"uid:" + uidOf(gone) + ": 7007"});
  EXPECT_EQ(closed.serviceData.deletedUids(), openUids);
  EXPECT_TRUE(host::openBomWindows().empty());
}

// A window of a host without any revision rule has no rule to clean up, and is closed all the
// same.
using RulelessHostTest = soacad_test::HostTest;

TEST_F(RulelessHostTest, AWindowWithoutAnyRuleIsClosed) {
  Tag window;
  ASSERT_EQ(BOM_create_window(&window), 0);
  ASSERT_EQ(soacad_test::ask(BOM_ask_window_config_rule, window), NULLTAG);
  const std::string uid = uidOf(window);
  std::vector<EIMRef<BOMWindow>> windows{EIMRef<BOMWindow>(window)};
  const auto closed = settled([&] { return CloseBOMWindowsImpl().closeBOMWindows(windows); });
  EXPECT_TRUE(closed.serviceData.getErrorArray().empty());
  EXPECT_EQ(closed.serviceData.deletedUids(), std::set<std::string>{uid});
  EXPECT_TRUE(host::openBomWindows().empty());
}

// --- From request text -----------------------------------------------------------------------

// A request that gives no rule values (no props, or no rule at all) opens the window on the
// rule itself: an omitted unit is "not given", never unit 0, so there is no error for a unit
// the rule lacks and no transient copy for a rule that has a unit entry.
TEST_F(BomWindowsTest, OmittedRuleValuesUseTheRuleAsItIs) {
  const struct {
    const char* configInfo;
    const char* rule;  // The rule the window must be configured by; empty for the default rule.
  } cases[] = {
      {"<revRuleConfigInfo><revRule uid=\"rr.unit\"/></revRuleConfigInfo>", "rr.unit"},
      {"<revRuleConfigInfo><revRule uid=\"rr.latest\"/><props/></revRuleConfigInfo>", "rr.latest"},
      {"", ""},
  };
  for (const auto& test : cases) {
    const auto created = responseOf<Wire::CreateBOMWindowsResponse>(
        send("createBOMWindows",
             soacad_test::createWindowRequest(
                 "c", std::string(R"(<itemRev uid="r.asm.A"/>)") + test.configInfo)));
    ASSERT_EQ(created.getOutputArray().size(), 1u) << test.configInfo;
    EXPECT_EQ(partialErrorsOf(created), Strings{}) << test.configInfo;
    const Tag window = tagOf(created.getOutputArray()[0].getBomWindow().getUid());
    const Tag rule = soacad_test::ask(BOM_ask_window_config_rule, window);
    if (*test.rule != '\0') {
      EXPECT_EQ(rule, tagOf(test.rule)) << test.configInfo;
    }
    EXPECT_FALSE(soacad_test::ask(POM_is_newly_created, rule)) << test.configInfo;
    close(host::openBomWindows());
  }
}

// A rule whose end item was deleted counts it as none; the copy a window gets for a client's unit
// names no deleted object (the reply checker of send() finds a reference to one).
TEST_F(BomWindowsTest, ARuleCopyTakesNoDeletedEndItem) {
  ASSERT_EQ(store().remove(tagOf("i.asm")), 0);
  const auto created = responseOf<Wire::CreateBOMWindowsResponse>(
      send("createBOMWindows",
           soacad_test::createWindowRequest(
               "c", R"(<itemRev uid="r.sub.A"/><revRuleConfigInfo><revRule uid="rr.unit"/>)"
                    R"(<props unitNo="3"/></revRuleConfigInfo>)")));
  ASSERT_EQ(created.getOutputArray().size(), 1u);
  const Tag copy =
      ask(BOM_ask_window_config_rule, tagOf(created.getOutputArray()[0].getBomWindow().getUid()));
  EXPECT_NE(copy, tagOf("rr.unit"));
  EXPECT_EQ(ask(CFM_rule_ask_end_item, copy), NULLTAG);
  EXPECT_EQ(ask(CFM_rule_ask_unit, copy), 3);
}

// A session saved to the store file and loaded again goes on as if it had never left the
// process: the window's rule copy keeps the client's unit, date and override folders, and the
// window its variant configuration.
TEST_F(BomWindowsTest, ASavedSessionExpandsAsTheUnsavedOne) {
  const struct {
    const char* rule;
    const char* props;
    const char* objectForConfigure;
  } cases[] = {
      {"rr.unit", "<props unitNo=\"3\"/>", ""},
      {"rr.released", "<props unitNo=\"-1\" date=\"2020-06-01T00:00:00\"/>", ""},
      {"rr.override",
       "<props unitNo=\"-1\"><overrideFolder><ruleEntry uid=\"rre.override\"/><folder "
       "uid=\"f.home\"/>"
       "</overrideFolder></props>",
       ""},
      {"rr.latest", "<props unitNo=\"-1\"/>", "sos.blue"},
  };
  for (const auto& test : cases) {
    const auto created = responseOf<Wire::CreateBOMWindowsResponse>(
        send("createBOMWindows",
             soacad_test::createWindowRequest(
                 "c", std::string(R"(<itemRev uid="r.asm.A"/><revRuleConfigInfo><revRule uid=")") +
                          test.rule + R"("/>)" + test.props + "</revRuleConfigInfo>" +
                          R"(<objectForConfigure uid=")" + test.objectForConfigure + R"("/>)")));
    ASSERT_EQ(created.getOutputArray().size(), 1u) << test.rule;
    EXPECT_EQ(partialErrorsOf(created), Strings{}) << test.rule;
    const std::string expand = soacad_test::expandRequest(
        "expandPSAllLevels", created.getOutputArray()[0].getBomLine().getUid());
    const host::Reply inProcess = send("expandPSAllLevels", expand);
    ASSERT_FALSE(inProcess.fault) << inProcess.text;

    const std::string saved = store().saveFixture();
    store().reset();
    load(saved);
    EXPECT_EQ(store().saveFixture(), saved) << test.rule;
    EXPECT_EQ(send("expandPSAllLevels", expand).text, inProcess.text) << test.rule;
    close(host::openBomWindows());
  }
}

}  // namespace
