// Product-structure expansion against the host: the lines a window shows one level and all
// levels below a line, the line filters, the revisions' datasets, failures of lines, children
// and filters, and the same through request text.
#include "structuremanagement/bom_expand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/host_call.h"
#include "host/object/journal.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/host/structure_fixture.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::BOMExpandImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Filters = std::vector<StructureManagement::RelationAndTypesFilter>;
namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
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

// What the window on r.asm.A (rule "Latest Working") shows below its top line.
const std::string kTop =
    "top(r.asm.A): occ.bolt(r.bolt.C) occ.plate(r.plate.B) occ.sub(r.sub.A) occ.gde() "
    "occ.lamp(r.lamp.A)";
const std::string kTopWithoutGde =
    "top(r.asm.A): occ.bolt(r.bolt.C) occ.plate(r.plate.B) occ.sub(r.sub.A) occ.lamp(r.lamp.A)";

class BOMExpandTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    load(soacad_test::kStructureFixture);
    load(kDatasets);
    ASSERT_EQ(BOM_create_window(&window_), 0);
    ASSERT_EQ(BOM_set_window_config_rule(window_, tagOf("rr.latest")), 0);
    ASSERT_EQ(BOM_set_window_top_line(window_, NULLTAG, tagOf("r.asm.A"), NULLTAG, &top_), 0);
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

  // A line by its occurrence's UID ("top" for a top line).
  std::string lineName(Tag line) {
    int id = 0;
    EXPECT_EQ(BOM_line_look_up_attribute("bl_occurrence", &id), 0);
    const Tag occurrence = soacad_test::ask(BOM_line_ask_attribute_tag, line, id);
    return occurrence == NULLTAG ? "top" : uidOf(occurrence);
  }
  Tag lineFor(Tag parent, const std::string& occurrence) {
    for (Tag child : soacad_test::askList(BOM_line_ask_all_child_lines, parent)) {
      if (lineName(child) == occurrence) {
        return child;
      }
    }
    ADD_FAILURE() << "no line for " << occurrence;
    return NULLTAG;
  }
  std::string uidOf(Tag tag) { return store().uidOfTag(tag); }

  // "occurrence(revision)", then "[datasets]" when there are any.
  std::string lineText(Tag line, Tag revision, const std::vector<POMRef<>>& datasets) {
    std::string text = lineName(line) + "(" + uidOf(revision) + ")";
    for (std::size_t i = 0; i < datasets.size(); ++i) {
      text +=
          (i == 0 ? "[" : " ") + uidOf(datasets[i].tag()) + (i + 1 == datasets.size() ? "]" : "");
    }
    return text;
  }
  // One text per output: "parent: child child ...".
  template <class Response>
  Strings outputs(const Response& response) {
    Strings texts;
    for (const auto& output : response.output) {
      const auto& parent = output.parent;
      std::string text =
          lineText(parent.bomLine.tag(), parent.itemRevOfBOMLine.tag(), parent.parentDataset) + ":";
      for (const auto& child : output.children) {
        text += " " + lineText(child.bomLine.tag(), child.itemRevOfBOMLine.tag(), child.dataset);
      }
      texts.push_back(text);
    }
    return texts;
  }
  static Strings errors(const StructureManagement::ServiceData& serviceData) {
    return soacad_test::stacks(serviceData.getErrorArray());
  }
  std::string keyed(Tag object, int code) {
    return "uid:" + uidOf(object) + ": " + std::to_string(code);
  }

  Tag window_;
  Tag top_;
};

// --- One level --------------------------------------------------------------------------------

TEST_F(BOMExpandTest, OneLevelListsTheShownChildrenInOrderAndReportsEveryObject) {
  const auto response = oneLevel({top_});
  EXPECT_EQ(outputs(response), Strings{kTop});
  EXPECT_EQ(errors(response.serviceData), Strings{});
  const auto& plain = response.serviceData.plainUids();
  EXPECT_EQ(plain.size(), 11u);  // Six lines and five revisions; the GDE line has none.
  EXPECT_EQ(plain.count(uidOf(lineFor(top_, "occ.gde"))) + plain.count("r.lamp.A"), 2u);
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
    EXPECT_EQ(outputs(oneLevel({top_}, filter)), Strings{expected});
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
        oneLevel({top_}, StructureManagement::ExcludeGDEs, test.expItemRev, test.filters);
    const auto& parent = response.output.at(0).parent;
    EXPECT_EQ(lineText(parent.bomLine.tag(), parent.itemRevOfBOMLine.tag(), parent.parentDataset),
              test.expected);
    for (const auto& dataset : parent.parentDataset) {
      EXPECT_EQ(response.serviceData.plainUids().count(uidOf(dataset.tag())), 1u);
    }
    EXPECT_EQ(errors(response.serviceData), Strings{});
  }
}

TEST_F(BOMExpandTest, ChildrenHaveTheirDatasetsAndLinesWithoutRevisionNone) {
  ASSERT_EQ(BOM_window_show_unconfigured(window_), 0);
  EXPECT_EQ(outputs(oneLevel({lineFor(top_, "occ.sub")}, StructureManagement::None, true)),
            Strings{"occ.sub(r.sub.A): occ.pin(r.pin.A)[ds.pin]"});
  const std::string top = outputs(oneLevel({top_}, StructureManagement::None, true)).at(0);
  EXPECT_NE(top.find(" occ.gde() occ.lamp(r.lamp.A) occ.ghost()"), std::string::npos) << top;
}

TEST_F(BOMExpandTest, AFailingFilterIsAnUnkeyedStackAndTheNextFilterStillRuns) {
  const Tag pin = lineFor(lineFor(top_, "occ.sub"), "occ.pin");
  const auto response = oneLevel({pin}, StructureManagement::None, true,
                                 {{"ZOLT_no_such_relation", {}}, {"ZOLT_specification", {}}});
  EXPECT_EQ(outputs(response), Strings{"occ.pin(r.pin.A)[ds.pin]:"});
  EXPECT_EQ(errors(response.serviceData), Strings{": 215028"});
}

// --- Failures of lines and children ---------------------------------------------------------

TEST_F(BOMExpandTest, ParentsThatAreNoLinesAreKeyedAndTheOthersExpandedInOrder) {
  const Tag sub = lineFor(top_, "occ.sub");
  const auto response = oneLevel({sub, tagOf("r.asm.A"), tagOf("no.such"), top_});
  EXPECT_EQ(outputs(response), (Strings{"occ.sub(r.sub.A): occ.pin(r.pin.A)", kTop}));
  EXPECT_EQ(errors(response.serviceData), (Strings{"uid:r.asm.A: 7007", "uid:no.such: 7007"}));
}

TEST_F(BOMExpandTest, AChildThatCannotBeReadIsKeyedAndLeftOut) {
  for (const char* call : {"TAG_ask_pointer_of_tag_checked", "BOM_line_ask_attribute_tag"}) {
    SCOPED_TRACE(call);
    host::faultPlan().clear();
    const Tag plate = lineFor(top_, "occ.plate");
    host::faultPlan().fail(call, POM_invalid_value, 0, plate);
    const auto response = oneLevel({top_});
    EXPECT_EQ(outputs(response), Strings{"top(r.asm.A): occ.bolt(r.bolt.C) occ.sub(r.sub.A) "
                                         "occ.gde() occ.lamp(r.lamp.A)"});
    EXPECT_EQ(errors(response.serviceData), Strings{keyed(plate, POM_invalid_value)});
  }
}

TEST_F(BOMExpandTest, AParentWhoseRevisionCannotBeReadGivesNoOutputAndReleasesItsChildLines) {
  // The line's own revision is read after its children's, with the host's child array held.
  host::faultPlan().fail("BOM_line_ask_attribute_tag", POM_invalid_value, 0, top_);
  const auto response = oneLevel({top_, lineFor(top_, "occ.plate")});
  EXPECT_EQ(outputs(response), Strings{"occ.plate(r.plate.B):"});
  EXPECT_EQ(errors(response.serviceData), Strings{keyed(top_, POM_invalid_value)});
}

// --- All levels -------------------------------------------------------------------------------

TEST_F(BOMExpandTest, AllLevelsWalksDepthFirstWithEachLineAfterItsDescendants) {
  const auto response = allLevels({top_});
  EXPECT_EQ(outputs(response), (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):",
                                        "occ.pin(r.pin.A):", "occ.sub(r.sub.A): occ.pin(r.pin.A)",
                                        "occ.gde():", "occ.lamp(r.lamp.A):", kTop}));
  EXPECT_EQ(errors(response.serviceData), Strings{});
  EXPECT_EQ(response.serviceData.plainUids().count("r.pin.A"), 1u);
}

TEST_F(BOMExpandTest, AllLevelsNeitherListsNorWalksFilteredLines) {
  const auto response = allLevels({top_}, StructureManagement::ExcludeGDEs, true,
                                  {{"ZOLT_specification", {"CADModel"}}});
  EXPECT_EQ(outputs(response),
            (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):", "occ.pin(r.pin.A)[ds.pin]:",
                     "occ.sub(r.sub.A): occ.pin(r.pin.A)[ds.pin]",
                     "occ.lamp(r.lamp.A):", "top(r.asm.A)[ds.asm]" + kTopWithoutGde.substr(12)}));
}

TEST_F(BOMExpandTest, AFailureDeepInAWalkEndsItUnderItsEntryAndTheNextEntryIsWalked) {
  const Tag plate = lineFor(top_, "occ.plate");
  host::faultPlan().fail("BOM_line_ask_child_lines", POM_invalid_value, 0,
                         lineFor(top_, "occ.sub"));
  const auto response = allLevels({top_, plate});
  // What the walk appended before the failing line stays; the entry's own output is lost.
  EXPECT_EQ(outputs(response),
            (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):", "occ.plate(r.plate.B):"}));
  EXPECT_EQ(errors(response.serviceData), Strings{keyed(top_, POM_invalid_value)});
}

TEST_F(BOMExpandTest, AStructureThatContainsItselfIsListedButNotWalkedAgain) {
  Tag again;
  ASSERT_EQ(BOM_line_add(lineFor(top_, "occ.sub"), tagOf("i.asm"), NULLTAG, NULLTAG, &again), 0);
  const auto response = allLevels({top_}, StructureManagement::ExcludeGDEs);
  EXPECT_EQ(outputs(response),
            (Strings{"occ.bolt(r.bolt.C):", "occ.plate(r.plate.B):", "occ.pin(r.pin.A):",
                     "occ.sub(r.sub.A): occ.pin(r.pin.A) " + lineName(again) + "(r.asm.A)",
                     "occ.lamp(r.lamp.A):", kTopWithoutGde}));
  EXPECT_EQ(errors(response.serviceData), Strings{keyed(again, BOM_invalid_child)});
}

// --- Both ---------------------------------------------------------------------------------------

TEST_F(BOMExpandTest, AnEmptyInputGivesAnEmptyResponse) {
  const auto one = oneLevel({});
  const auto all = allLevels({});
  EXPECT_TRUE(one.output.empty() && all.output.empty());
  EXPECT_TRUE(one.serviceData.plainUids().empty() && all.serviceData.plainUids().empty());
  EXPECT_TRUE(one.serviceData.getErrorArray().empty() && all.serviceData.getErrorArray().empty());
}

TEST_F(BOMExpandTest, BothExpansionsTraceTheirSteps) {
  const Tag sub = lineFor(top_, "occ.sub");
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

// --- Request text -----------------------------------------------------------------------------

TEST_F(BOMExpandTest, OneLevelFromRequestText) {
  const auto response = responseOf<Wire::ExpandPSOneLevelResponse>(call(
      "Cad-2007-01-StructureManagement", "expandPSOneLevel",
      "<ExpandPSOneLevelInput><input excludeFilter=\"ExcludeGDEs\"><parentBomLine uid=\"" +
          uidOf(lineFor(top_, "occ.sub")) + "\"/><parentBomLine uid=\"no.such\"/></input>" +
          "<pref expItemRev=\"true\"><info relationName=\"ZOLT_specification\">"
          "<relationTypeName>CADModel</relationTypeName></info></pref></ExpandPSOneLevelInput>"));
  ASSERT_EQ(response.getOutputArray().size(), 1u);
  const auto& parent = response.getOutputArray()[0].getParent();
  EXPECT_EQ(lineName(tagOf(parent.getBomLine().getUid())), "occ.sub");
  EXPECT_EQ(parent.getItemRevOfBOMLine().getUid(), "r.sub.A");
  EXPECT_TRUE(parent.getParentDatasetArray().empty());
  const auto& children = response.getOutputArray()[0].getChildrenArray();
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(lineName(tagOf(children[0].getBomLine().getUid())), "occ.pin");
  EXPECT_EQ(children[0].getItemRevOfBOMLine().getUid(), "r.pin.A");
  ASSERT_EQ(children[0].getDatasetArray().size(), 1u);
  EXPECT_EQ(children[0].getDatasetArray()[0].getUid(), "ds.pin");
  EXPECT_EQ(soacad_test::stacks(response.getServiceData().getPartialErrorArray()),
            Strings{"uid:no.such: 7007"});
  EXPECT_EQ(response.getServiceData().getPlainObjArray().size(), 5u);
}

TEST_F(BOMExpandTest, AllLevelsFromRequestText) {
  const auto response = responseOf<Wire::ExpandPSAllLevelsResponse>(
      call("Cad-2007-01-StructureManagement", "expandPSAllLevels",
           "<ExpandPSAllLevelsInput><input excludeFilter=\"None\"><parentBomLine uid=\"" +
               uidOf(lineFor(top_, "occ.sub")) + "\"/></input></ExpandPSAllLevelsInput>"));
  const auto& output = response.getOutputArray();
  ASSERT_EQ(output.size(), 2u);
  EXPECT_EQ(output[0].getParent().getItemRevOfBOMLine().getUid(), "r.pin.A");
  EXPECT_TRUE(output[0].getChildrenArray().empty());
  EXPECT_EQ(output[1].getParent().getItemRevOfBOMLine().getUid(), "r.sub.A");
  EXPECT_EQ(output[1].getChildrenArray().size(), 1u);
  EXPECT_TRUE(response.getServiceData().getPartialErrorArray().empty());
}

}  // namespace
