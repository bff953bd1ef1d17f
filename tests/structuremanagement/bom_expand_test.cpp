// Product-structure expansion against the host: the lines a window shows one level and all
// levels below a line, the line filters, the revisions' datasets, failures of lines, children
// and filters.
#include "structuremanagement/bom_expand.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/journal.h"
#include "host/object/store.h"
#include "structuremanagement/structure_caches.h"
#include "tests/host/structure_fixture.h"

namespace {

using Korvane::Soa::Cad::BOMExpandImpl;
using Korvane::Soa::Cad::kStructureContainsItself;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Filters = std::vector<StructureManagement::RelationAndTypesFilter>;
using Strings = std::vector<std::string>;

// On top of the structure fixture: r.asm.A has a model and a form by "ZOLT_specification", a
// drawing (class derived from Dataset) by "ZOLT_rendering" and ds.1 by "ZOLT_reference"; r.pin.A
// has a model.
const char* const kDatasets = R"(<fixture>
  <class name="DrawingDataset" parent="Dataset"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADDrawing" class="DrawingDataset" parent="Dataset"/>
  <type name="ZOLT_specification" class="ImanRelation"/><type name="ZOLT_rendering" class="ImanRelation"/>
  <object uid="ds.asm" class="Dataset" type="CADModel"/><object uid="fm.asm" class="Form"/>
  <object uid="ds.drawing" class="DrawingDataset" type="CADDrawing"/>
  <object uid="ds.pin" class="Dataset" type="CADModel"/>
  <relation type="ZOLT_specification" primary="r.asm.A" secondary="ds.asm"/>
  <relation type="ZOLT_rendering" primary="r.asm.A" secondary="ds.drawing"/>
  <relation type="ZOLT_specification" primary="r.asm.A" secondary="fm.asm"/>
  <relation type="ZOLT_reference" primary="r.asm.A" secondary="ds.1"/>
  <relation type="ZOLT_specification" primary="r.pin.A" secondary="ds.pin"/>
</fixture>)";

// Runs `action` on a thread with a 512 KB stack, as small as a server's worker threads have.
template <class Action>
void runOnSmallStack(Action&& action) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, 512 * 1024), 0);
  pthread_t thread;
  auto body = [](void* argument) -> void* {
    (*static_cast<Action*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, body, &action), 0);
  ASSERT_EQ(pthread_join(thread, nullptr), 0);
  pthread_attr_destroy(&attributes);
}

// What the window on r.asm.A (rule "Latest Working") shows below its top line.
const std::string kTop =
    "top(r.asm.A): occ.bolt(r.bolt.C) occ.plate(r.plate.B) occ.sub(r.sub.A) occ.gde() "
    "occ.lamp(r.lamp.A)";
const std::string kTopWithoutGde =
    "top(r.asm.A): occ.bolt(r.bolt.C) occ.plate(r.plate.B) occ.sub(r.sub.A) occ.lamp(r.lamp.A)";

class BOMExpandTest : public soacad_test::StructureTest {
 protected:
  void SetUp() override {
    StructureTest::SetUp();
    load(kDatasets);
    window_ = openWindow(tagOf("r.asm.A"), tagOf("rr.latest"));
  }

  // Runs an expansion; it must leave the host settled and no window open but the test's.
  template <class Response, class Info, class Pref>
  Response run(Response (BOMExpandImpl::*operation)(const Info&, const Pref&),
               const std::vector<Tag>& lines, StructureManagement::BOMLineFilter filter,
               bool expItemRev, const Filters& filters) {
    Info info;
    info.parentBomLine.assign(lines.begin(), lines.end());
    info.excludeFilter = filter;
    const Response response = settled([&] {
      return (BOMExpandImpl().*operation)(info, Pref{expItemRev, filters});
    });
    EXPECT_EQ(host::openBomWindows(), std::vector<Tag>{window_});
    return response;
  }
  StructureManagement::ExpandPSOneLevelResponse oneLevel(
      const std::vector<Tag>& lines,
      StructureManagement::BOMLineFilter filter = StructureManagement::None,
      bool expItemRev = false, const Filters& filters = {}) {
    return run(&BOMExpandImpl::expandPSOneLevelImpl, lines, filter, expItemRev, filters);
  }
  StructureManagement::ExpandPSAllLevelsResponse allLevels(
      const std::vector<Tag>& lines,
      StructureManagement::BOMLineFilter filter = StructureManagement::None,
      bool expItemRev = false, const Filters& filters = {}) {
    return run(&BOMExpandImpl::expandPSAllLevelsImpl, lines, filter, expItemRev, filters);
  }

  // Puts a stored occurrence at the end of a view revision, as stored data may have it.
  void insertOccurrence(const std::string& bvr, const std::string& occurrence) {
    ASSERT_EQ(host::Store::instance().insertReference(tagOf(bvr), "occurrences",
                                                      static_cast<std::size_t>(-1),
                                                      tagOf(occurrence), host::WriteMode::host),
              0);
  }

  // "occurrence(revision)", then "[datasets]" when there are any; lines and objects by UID.
  std::string lineText(const std::string& line, const std::string& revision,
                       const Strings& datasets) {
    std::string text = occurrenceOf(tagOf(line)) + "(" + revision + ")";
    for (std::size_t i = 0; i < datasets.size(); ++i) {
      text += (i == 0 ? "[" : " ") + datasets[i];
    }
    return datasets.empty() ? text : text + "]";
  }
  Strings datasetUids(const std::vector<POMRef<>>& objects) {
    Strings uids;
    for (const POMRef<>& object : objects) {
      uids.push_back(uidOf(object.tag()));
    }
    return uids;
  }
  // One text per output: "parent: child child ...".
  template <class Response>
  Strings outputs(const Response& response) {
    Strings texts;
    for (const auto& output : response.output) {
      const auto& parent = output.parent;
      std::string text = lineText(uidOf(parent.bomLine.tag()), uidOf(parent.itemRevOfBOMLine.tag()),
                                  datasetUids(parent.parentDataset)) +
                         ":";
      for (const auto& child : output.children) {
        text += " " + lineText(uidOf(child.bomLine.tag()), uidOf(child.itemRevOfBOMLine.tag()),
                               datasetUids(child.dataset));
      }
      texts.push_back(text);
    }
    return texts;
  }
  // Loads the item i.<name> with a BOM view and the revisions r.<name>.0 to r.<name>.<levels>:
  // each but the last has a precise view revision that holds the next revision `uses` times.
  void loadLevels(const std::string& name, int levels, int uses) {
    std::string fixture = "<fixture><object uid=\"i." + name + "\" class=\"Item\">" +
                          "<prop name=\"item_id\" value=\"" + name + "\"/></object>" +
                          "<object uid=\"bv." + name + "\" class=\"PSBOMView\">" +
                          "<prop name=\"bom_view_type\" value=\"vt.view\"/>" +
                          "<prop name=\"parent_item\" value=\"i." + name + "\"/></object>";
    for (int level = 0; level <= levels; ++level) {
      const std::string revision = "r." + name + "." + std::to_string(level);
      fixture += "<object uid=\"" + revision + "\" class=\"ItemRevision\">" +
                 "<prop name=\"items_tag\" value=\"i." + name + "\"/>" +
                 "<prop name=\"item_revision_id\" value=\"" + std::to_string(level) +
                 "\"/></object>";
      if (level == levels) {
        break;
      }
      const std::string next = "r." + name + "." + std::to_string(level + 1);
      std::string occurrences;
      for (int use = 0; use < uses; ++use) {
        const std::string occurrence =
            "occ." + name + "." + std::to_string(level) + "." + std::to_string(use);
        occurrences += "<v value=\"" + occurrence + "\"/>";
        fixture += "<object uid=\"" + occurrence + "\" class=\"PSOccurrence\">" +
                   "<prop name=\"child_item\" value=\"i." + name + "\"/>" +
                   "<prop name=\"child_revision\" value=\"" + next + "\"/></object>";
      }
      fixture += "<object uid=\"bvr." + name + "." + std::to_string(level) +
                 "\" class=\"PSBOMViewRevision\"><prop name=\"bom_view\" value=\"bv." + name +
                 "\"/><prop name=\"parent_revision\" value=\"" + revision +
                 "\"/><prop name=\"is_precise\" value=\"true\"/><prop name=\"occurrences\">" +
                 occurrences + "</prop></object>";
    }
    load(fixture + "</fixture>");
  }

  std::string keyed(Tag object, int code) {
    return "uid:" + uidOf(object) + ": " + std::to_string(code);
  }

  Tag window_;
};

// --- One level --------------------------------------------------------------------------------

TEST_F(BOMExpandTest, OneLevelListsTheShownChildrenInOrderAndReportsEveryObject) {
  const auto response = oneLevel({topLine_});
  EXPECT_EQ(outputs(response), Strings{kTop});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  const auto& plain = response.serviceData.plainUids();
  EXPECT_EQ(plain.size(), 11u);  // Six lines and five revisions; the GDE line has none.
  EXPECT_EQ(plain.count(uidOf(childFor(topLine_, "occ.gde"))) + plain.count("r.lamp.A"), 2u);
}

TEST_F(BOMExpandTest, LineFiltersLeaveOutGdeLinesOnlyWhenAsked) {
  const std::pair<StructureManagement::BOMLineFilter, std::string> cases[] = {
      {StructureManagement::None, kTop},
      {StructureManagement::ExcludeOverridden, kTop},
      {StructureManagement::ExcludeICHistory, kTop},
      {StructureManagement::ExcludeGDEs, kTopWithoutGde},
      {StructureManagement::ExcludeNonZoltItemLines, kTopWithoutGde}};
  for (const auto& [filter, expected] : cases) {
    SCOPED_TRACE(filter);
    EXPECT_EQ(outputs(oneLevel({topLine_}, filter)), Strings{expected});
  }
}

TEST_F(BOMExpandTest, DatasetsFollowTheRevisionFlagAndTheRelationFilters) {
  const struct {
    bool expItemRev;
    Filters filters;
    std::string expected;  // The top line.
  } cases[] = {
      {false, {}, "top(r.asm.A)"},
      {false, {{"ZOLT_specification", {}}}, "top(r.asm.A)"},
      // Every dataset of the revision, a derived class included; the form is none.
      {true, {}, "top(r.asm.A)[ds.asm ds.drawing ds.1]"},
      // A filter keeps only what passes the "Dataset" type test.
      {true, {{"ZOLT_specification", {"Form", "CADModel"}}}, "top(r.asm.A)[ds.asm]"},
      {true, {{"ZOLT_rendering", {"CADDrawing"}}}, "top(r.asm.A)[ds.drawing]"},
      // A dataset that two filters reach is listed twice.
      {true, {{"ZOLT_specification", {}}, {"", {"CADModel"}}}, "top(r.asm.A)[ds.asm ds.asm]"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.expected);
    const auto response =
        oneLevel({topLine_}, StructureManagement::ExcludeGDEs, test.expItemRev, test.filters);
    const std::string top = outputs(response).at(0);
    EXPECT_EQ(top.substr(0, top.find(':')), test.expected);
    for (const auto& dataset : response.output.at(0).parent.parentDataset) {
      EXPECT_EQ(response.serviceData.plainUids().count(uidOf(dataset.tag())), 1u);
    }
    EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  }
}

TEST_F(BOMExpandTest, ChildrenHaveTheirDatasetsAndLinesWithoutRevisionNone) {
  ASSERT_EQ(BOM_window_show_unconfigured(window_), 0);
  EXPECT_EQ(outputs(oneLevel({childFor(topLine_, "occ.sub")}, StructureManagement::None, true)),
            Strings{"occ.sub(r.sub.A): occ.pin(r.pin.A)[ds.pin]"});
  const std::string top = outputs(oneLevel({topLine_}, StructureManagement::None, true)).at(0);
  EXPECT_NE(top.find(" occ.gde() occ.lamp(r.lamp.A) occ.ghost()"), std::string::npos) << top;
}

// --- Failures of lines and children ---------------------------------------------------------

TEST_F(BOMExpandTest, ParentsThatAreNoLinesAreKeyedAndTheOthersExpandedInOrder) {
  const Tag sub = childFor(topLine_, "occ.sub");
  const auto response = oneLevel({sub, tagOf("r.asm.A"), tagOf("no.such"), topLine_});
  EXPECT_EQ(outputs(response), (Strings{"occ.sub(r.sub.A): occ.pin(r.pin.A)", kTop}));
  EXPECT_EQ(errorsOf(response.serviceData), (Strings{"uid:r.asm.A: 7008", "uid:no.such: 7007"}));
}

TEST_F(BOMExpandTest, AChildThatCannotBeReadIsKeyedAndLeftOut) {
  for (const char* call : {"TAG_ask_pointer_of_tag_checked", "BOM_line_ask_attribute_tag"}) {
    SCOPED_TRACE(call);
    host::faultPlan().clear();
    const Tag plate = childFor(topLine_, "occ.plate");
    host::faultPlan().fail(call, POM_invalid_value, 0, plate);
    const auto response = oneLevel({topLine_});
    EXPECT_EQ(outputs(response), Strings{"top(r.asm.A): occ.bolt(r.bolt.C) occ.sub(r.sub.A) "
                                         "occ.gde() occ.lamp(r.lamp.A)"});
    EXPECT_EQ(errorsOf(response.serviceData), Strings{keyed(plate, POM_invalid_value)});
  }
}

TEST_F(BOMExpandTest, AParentWhoseRevisionCannotBeReadGivesNoOutputAndReleasesItsChildLines) {
  // The line's own revision is read after its children's, with the host's child array held.
  host::faultPlan().fail("BOM_line_ask_attribute_tag", POM_invalid_value, 0, topLine_);
  const auto response = oneLevel({topLine_, childFor(topLine_, "occ.plate")});
  EXPECT_EQ(outputs(response), Strings{"occ.plate(r.plate.B):"});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{keyed(topLine_, POM_invalid_value)});
}

// --- All levels -------------------------------------------------------------------------------

TEST_F(BOMExpandTest, AllLevelsWalksDepthFirstWithEachLineAfterItsDescendants) {
  const auto response = allLevels({topLine_});
  EXPECT_EQ(outputs(response), (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):",
                                        "occ.pin(r.pin.A):", "occ.sub(r.sub.A): occ.pin(r.pin.A)",
                                        "occ.gde():", "occ.lamp(r.lamp.A):", kTop}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  EXPECT_EQ(response.serviceData.plainUids().count("r.pin.A"), 1u);
}

TEST_F(BOMExpandTest, AFailureDeepInAWalkEndsItUnderItsEntryAndTheNextEntryIsWalked) {
  const Tag plate = childFor(topLine_, "occ.plate");
  host::faultPlan().fail("BOM_line_ask_child_lines", POM_invalid_value, 0,
                         childFor(topLine_, "occ.sub"));
  const auto response = allLevels({topLine_, plate});
  // What the walk appended before the failing line stays; the entry's own output is lost.
  EXPECT_EQ(outputs(response),
            (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):", "occ.plate(r.plate.B):"}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{keyed(topLine_, POM_invalid_value)});
}

// Stored data that make a structure contain itself (the host refuses to make them): the
// sub-assembly lists the assembly.
TEST_F(BOMExpandTest, AStructureThatContainsItselfIsListedButNotWalkedAgain) {
  load(R"(<fixture><object uid="occ.again" class="PSOccurrence">
    <prop name="child_item" value="i.asm"/></object></fixture>)");
  insertOccurrence("bvr.sub", "occ.again");
  const Tag again = childFor(childFor(topLine_, "occ.sub"), "occ.again");
  const auto response = allLevels({topLine_}, StructureManagement::ExcludeGDEs);
  EXPECT_EQ(outputs(response),
            (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):", "occ.pin(r.pin.A):",
                     "occ.sub(r.sub.A): occ.pin(r.pin.A) " + occurrenceOf(again) + "(r.asm.A)",
                     "occ.lamp(r.lamp.A):", kTopWithoutGde}));
  EXPECT_EQ(errorsOf(response.serviceData), Strings{keyed(again, kStructureContainsItself)});
  EXPECT_EQ(response.serviceData.getErrorArray()[0].getErrorValueArray()[0].getMessage(),
            "The BOM view revision bvr.asm of r.asm.A contains itself; it is listed but not "
            "expanded again.");
}

// The sub-assembly's manufacturing view lists the sub-assembly again, through its own view:
// the same revision, another structure, so no cycle.
TEST_F(BOMExpandTest, ARevisionMetAgainThroughAnotherViewIsWalked) {
  load(R"(<fixture>
    <object uid="bv.sub.mfg" class="PSBOMView">
      <prop name="bom_view_type" value="vt.mfg"/><prop name="parent_item" value="i.sub"/></object>
    <object uid="bvr.sub.mfg" class="PSBOMViewRevision">
      <prop name="bom_view" value="bv.sub.mfg"/><prop name="parent_revision" value="r.sub.A"/>
      <prop name="occurrences"><v value="occ.m.pin"/></prop></object>
    <object uid="occ.m.pin" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
    <object uid="occ.sub.mfg" class="PSOccurrence"><prop name="child_item" value="i.sub"/>
      <prop name="child_bom_view" value="bv.sub.mfg"/></object>
  </fixture>)");
  insertOccurrence("bvr.sub", "occ.sub.mfg");
  const Tag sub = childFor(topLine_, "occ.sub");
  const auto response = allLevels({sub});
  EXPECT_EQ(outputs(response),
            (Strings{"occ.pin(r.pin.A):", "occ.m.pin(r.pin.A):",
                     "occ.sub.mfg(r.sub.A): occ.m.pin(r.pin.A)",
                     "occ.sub(r.sub.A): occ.pin(r.pin.A) occ.sub.mfg(r.sub.A)"}));
  EXPECT_TRUE(errorsOf(response.serviceData).empty());
}

// A subassembly used twice, side by side, is no cycle: each use is walked.
TEST_F(BOMExpandTest, AReusedSubassemblyIsWalkedWhereverItIsUsed) {
  load(R"(<fixture><object uid="occ.sub.2" class="PSOccurrence">
    <prop name="child_item" value="i.sub"/></object></fixture>)");
  insertOccurrence("bvr.asm", "occ.sub.2");
  const auto response = allLevels({topLine_}, StructureManagement::ExcludeGDEs);
  const Strings texts = outputs(response);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "occ.pin(r.pin.A):"), 2);
  EXPECT_TRUE(errorsOf(response.serviceData).empty());
}

// A chain of nested assemblies, each revision of one item holding the next: the walk keeps its
// path off the call stack, so a depth far beyond what a small thread stack could recurse
// through expands, every line after the one it holds.
TEST_F(BOMExpandTest, ADeepChainExpandsOnASmallStack) {
  constexpr int kDepth = 20000;
  loadLevels("c", kDepth, 1);
  const Tag window = openWindow(tagOf("r.c.0"));
  StructureManagement::ExpandPSAllLevelsResponse response;
  // Setting the top line again removes the old line tree, as deep as the chain.
  int retopped = -1;
  Tag newTop;
  runOnSmallStack([&] {
    StructureManagement::ExpandPSAllLevelsInfo info;
    info.parentBomLine.assign(1, topLine_);
    response = BOMExpandImpl().expandPSAllLevelsImpl(info, {false, {}});
    retopped = BOM_set_window_top_line(window, NULLTAG, tagOf("r.c.0"), NULLTAG, &newTop);
  });
  ASSERT_EQ(response.output.size(), static_cast<std::size_t>(kDepth + 1));
  EXPECT_EQ(retopped, 0);
  EXPECT_EQ(host::Store::instance().find(response.output.front().parent.bomLine.tag()), nullptr);
  EXPECT_TRUE(errorsOf(response.serviceData).empty());
  for (int level : {0, 1, kDepth / 2, kDepth}) {
    const auto& output = response.output[static_cast<std::size_t>(kDepth - level)];
    EXPECT_EQ(uidOf(output.parent.itemRevOfBOMLine.tag()), "r.c." + std::to_string(level));
    EXPECT_EQ(output.children.size(), level == kDepth ? 0u : 1u);
  }
  EXPECT_EQ(BOM_close_window(window), 0);
}

// --- The ceiling on lines ----------------------------------------------------------------------

// The lines of one call are bounded, however few the request names: each expanded line and its
// child lines count. A structure of eight levels below its top, each revision holding the next
// twice,
// lists 511 lines and, as children, 510 more; a call at that ceiling is answered, one below it
// fails as a whole with a fault that names the ceiling, and so does a single level asked for
// again and again.
TEST_F(BOMExpandTest, ACallListsAtMostItsCeilingOfLines) {
  constexpr int kLevels = 8;
  loadLevels("d", kLevels, 2);
  const Tag window = openWindow(tagOf("r.d.0"));
  StructureManagement::ExpandPSAllLevelsInfo all;
  all.parentBomLine.assign(1, topLine_);
  StructureManagement::ExpandPSOneLevelInfo one;
  one.parentBomLine.assign(3, topLine_);
  using Run = std::function<std::size_t(BOMExpandImpl&)>;
  const struct {
    const char* call;
    Run run;  // The outputs.
    std::size_t lines;
    std::size_t outputs;
  } cases[] = {
      {"all levels",
       [&](BOMExpandImpl& e) {
         return e.expandPSAllLevelsImpl(all, {false, {}}).output.size();
       },
       1021, 511},
      // The top line and its two children, three times.
      {"one level",
       [&](BOMExpandImpl& e) {
         return e.expandPSOneLevelImpl(one, {false, {}}).output.size();
       },
       9, 3},
  };
  // "<n> outputs", or the fault's code and message.
  const auto outcome = [](const Run& run, std::size_t ceiling) {
    BOMExpandImpl expansion(ceiling);
    try {
      return std::to_string(run(expansion)) + " outputs";
    } catch (Korvane::Soa::Server::ServiceException& fault) {
      return fault.getCode() + ": " + fault.getMessage();
    }
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.call);
    EXPECT_EQ(outcome(test.run, test.lines), std::to_string(test.outputs) + " outputs");
    EXPECT_EQ(outcome(test.run, test.lines - 1),
              "215164: The expansion would list more than " + std::to_string(test.lines - 1) +
                  " BOM lines, the most one call may list (BOMExpandImpl::kMaxListedLines); "
                  "expand fewer lines or fewer levels at a time.");
  }
  EXPECT_TRUE(host::errorStore().empty());
  EXPECT_EQ(BOM_close_window(window), 0);
}

// --- Both ---------------------------------------------------------------------------------------

TEST_F(BOMExpandTest, BothExpansionsTraceTheirSteps) {
  const Tag sub = childFor(topLine_, "occ.sub");
  host::journal().clear();
  oneLevel({sub});
  EXPECT_EQ(host::journal().steps(),
            (Strings{"StructureManagement::expandPSOneLevelImpl", "BOMExpandImpl::doExpand",
                     "BOMExpandImpl::populatePSData", "BOMExpandImpl::populatePSData"}));
  host::journal().clear();
  allLevels({sub});
  EXPECT_EQ(host::journal().steps(),
            (Strings{"BOMExpandImpl::expandPSAllLevelsImpl", "BOMExpandImpl::doExpandAll",
                     "BOMExpandImpl::doExpand", "BOMExpandImpl::populatePSData",
                     "BOMExpandImpl::populatePSData", "BOMExpandImpl::doExpandAll",
                     "BOMExpandImpl::doExpand", "BOMExpandImpl::populatePSData"}));
}

}  // namespace
