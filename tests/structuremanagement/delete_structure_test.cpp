// Deleting relative structure by CAD occurrence id (all of an input or nothing) and deleting
// assembly arrangements one by one.
#include "structuremanagement/delete_structure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/arr.h"
#include "host/object/host_call.h"
#include "host/object/structure_support.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/structuremanagement/structure_requests.h"
#include "tests/structuremanagement/structure_write_fixture.h"

namespace {

using Korvane::Soa::Cad::DeleteAssemblyArrangementsImpl;
using Korvane::Soa::Cad::DeleteRelativeStructureImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Info = StructureManagement::DeleteRelativeStructureInfo;
using Pref = StructureManagement::DeleteRelativeStructurePref;
using ArrangementsInfo = StructureManagement::DeleteAssemblyArrangementsInfo;
namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;

// The arrangement arr.user of ASM, whose entry for the subassembly's occurrence (through the
// path node pn.sub) uses the arrangement arr.sub of SUB.
const char* const kUserOfSub = R"(<fixture>
  <object uid="pn.sub" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
    <prop name="occurrence_path"><v value="occ.sub"/></prop></object>
  <object uid="arr.user" class="AssemblyArrangement"><prop name="context_bvr" value="bvr.asm"/>
    <prop name="anchor" value="anc.user"/>
    <prop name="used_path_nodes"><v value="pn.sub"/></prop>
    <prop name="used_anchors"><v value="anc.sub"/></prop>
    <prop name="used_occurrences"><v value="occ.sub"/></prop></object>
  <object uid="anc.user" class="ArrangementAnchor"/>
</fixture>)";

class DeleteStructureTest : public soacad_test::StructureWriteTest {
 protected:
  Info input(const std::string& parentUid, const Strings& ids) {
    return Info{tagOf(parentUid), ids};
  }
  StructureManagement::DeleteRelativeStructureResponse remove(const std::vector<Info>& info,
                                                              const std::string& attribute = "") {
    return run([&] {
      return DeleteRelativeStructureImpl().deleteRelativeStructure(info, "", Pref{attribute});
    });
  }
  std::string failingRemove(const std::vector<Info>& info, const std::string& attribute = "",
                            const std::string& viewType = "") {
    return failureOf([&] {
             DeleteRelativeStructureImpl().deleteRelativeStructure(info, viewType, Pref{attribute});
           })
        .getCode();
  }
  ArrangementsInfo arrangements(const std::string& revisionUid, const Strings& uids) {
    ArrangementsInfo info{tagOf(revisionUid), {}};
    for (const std::string& uid : uids) {
      info.arrangement.push_back(tagOf(uid));
    }
    return info;
  }
  StructureManagement::DeleteAssemblyArrangementsResponse removeArrangements(
      const std::vector<ArrangementsInfo>& info, const std::string& viewType = "") {
    return DeleteAssemblyArrangementsImpl().deleteAssemblyArrangements(info, viewType);
  }
  // deleteAssemblyArrangements of the revision's arrangements, sent as a request (its reply
  // checked against the store); the response's deleted UIDs and error stacks.
  std::pair<Strings, Strings> sendArrangements(const std::string& revisionUid,
                                               const Strings& uids) {
    const auto response = responseOf<Wire::DeleteAssemblyArrangementsResponse>(
        send("deleteAssemblyArrangements",
             soacad_test::deleteArrangementsRequest({{revisionUid, uids}})));
    Strings deleted;
    for (const auto& id : response.getServiceData().getDeletedObjArray()) {
      deleted.push_back(id.getUid());
    }
    return {deleted, partialErrorsOf(response)};
  }
  // deleteRelativeStructure of CAD occurrence ids (the occurrences' UIDs), one input per list,
  // sent as a request; the reply.
  host::Reply sendCuts(const std::string& parentUid, const std::vector<Strings>& inputs) {
    std::string content;
    for (const Strings& ids : inputs) {
      content += "<input><parent uid=\"" + parentUid + "\"/>";
      for (const std::string& id : ids) {
        content += "<childInfo>" + id + "</childInfo>";
      }
      content += "</input>";
    }
    return send("deleteRelativeStructure",
                soacad_test::requestOf("deleteRelativeStructure", R"( bomViewTypeName="")",
                                       content + R"(<pref cadOccIdAttrName=""/>)"));
  }
};

TEST_F(DeleteStructureTest, OccurrencesAreCutByTheirCadOccurrenceIds) {
  // An id named again, in the input or a later one on the same parent, is already cut. The
  // absolute occurrence ao.bolt, whose path holds occ.bolt, goes with it.
  const auto response =
      remove({input("r.asm.A", {"c3", "c1", "c3"}), input("r.asm.A", {"c1"})}, "CAD_OCC_ID");
  EXPECT_EQ(sorted(response.serviceData.deletedUids()),
            (Strings{"ao.bolt", "occ.bolt", "occ.sub"}));
  EXPECT_EQ(occurrencesIn("bvr.asm"), (Strings{"occ.plate", "occ.gde", "occ.lamp", "occ.ghost"}));
  EXPECT_EQ(store().find(tagOf("occ.bolt")), nullptr);
  // The default attribute is the occurrence's UID.
  remove({input("r.frame.A", {"occ.f.weld"})});
  EXPECT_EQ(occurrencesIn("bvr.frame"), (Strings{"occ.f.screw", "occ.f.bolt"}));
}

// A cut occurrence leaves nothing that names it: the absolute occurrences through it (with their
// data), its path nodes and the arrangements' entries that use them go with it. The reply names
// the absolute occurrences as deleted and the arrangements that lost entries as updated.
TEST_F(DeleteStructureTest, WhatNamesACutOccurrenceGoesWithItAndIsReported) {
  load(R"(<fixture>
    <object uid="ao.subpin" class="AbsOccurrence"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.sub"/><v value="occ.pin"/></prop></object>
    <object uid="pn.sub" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.sub"/></prop></object>
    <object uid="pn.plate" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.plate"/></prop></object>
  </fixture>)");
  const Tag open = tagOf("arr.open");
  for (const char* node : {"pn.sub", "pn.plate"}) {
    ASSERT_EQ(
        ARR__set_used_arrangement(tagOf("bvr.asm"), open, tagOf(node), tagOf("anc.sub"), NULLTAG),
        0);
  }
  const auto response =
      responseOf<Wire::DeleteRelativeStructureResponse>(sendCuts("r.asm.A", {{"occ.sub"}}));
  EXPECT_EQ(soacad_test::modelUids(response.getServiceData().getDeletedObjArray()),
            (Strings{"ao.subpin", "occ.sub"}));
  EXPECT_EQ(soacad_test::modelUids(response.getServiceData().getUpdatedObjArray()),
            (Strings{"bvr.asm", "arr.open"}));
  // An occurrence that nothing else names reports itself alone, with the view revision that
  // lists it no more.
  const auto alone =
      responseOf<Wire::DeleteRelativeStructureResponse>(sendCuts("r.asm.A", {{"occ.lamp"}}));
  EXPECT_EQ(soacad_test::modelUids(alone.getServiceData().getDeletedObjArray()),
            Strings{"occ.lamp"});
  EXPECT_EQ(soacad_test::modelUids(alone.getServiceData().getUpdatedObjArray()),
            Strings{"bvr.asm"});
  remove({input("r.asm.A", {"c1"})}, "CAD_OCC_ID");
  for (const char* gone : {"ao.bolt", "d.bolt.qty", "ao.subpin", "pn.sub"}) {
    EXPECT_EQ(store().find(tagOf(gone)), nullptr) << gone;
  }
  for (const char* kept : {"ao.pin", "pn.plate", "arr.open"}) {
    EXPECT_NE(store().find(tagOf(kept)), nullptr) << kept;
  }
  EXPECT_EQ(saved(open, "used_path_nodes").tags, std::vector<Tag>{tagOf("pn.plate")});
  EXPECT_EQ(saved(open, "used_anchors").tags, std::vector<Tag>{tagOf("anc.sub")});
  EXPECT_EQ(saved(open, "used_occurrences").tags.size(), 1u);
}

// A cut deletes, at the save, what goes with the occurrence; when one of those objects may not be
// deleted (an absolute occurrence through it, its data or attachments, a path node through it),
// the input fails with 7015 and nothing is cut.
TEST_F(DeleteStructureTest, ACutWhoseAbsoluteOccurrencesMayNotGoCutsNothing) {
  load(R"(<fixture>
    <relation uid="rel.bolt" class="AbsOccRelation" type="ZOLT_reference" primary="ao.bolt"
      secondary="ds.1"><prop name="qualifier" value="q.asm"/></relation>
    <object uid="pn.bolt" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.bolt"/></prop></object>
  </fixture>)");
  for (const char* fixed : {"d.bolt.qty", "rel.bolt", "ao.bolt", "pn.bolt", "occ.bolt"}) {
    SCOPED_TRACE(fixed);
    ASSERT_EQ(store().setModifiable(tagOf(fixed), false), 0);
    const std::string before = savedObjects();
    const host::Reply reply = sendCuts("r.asm.A", {{"occ.bolt"}});
    EXPECT_TRUE(reply.fault);
    EXPECT_NE(reply.text.find("code=\"7015\""), std::string::npos) << reply.text;
    EXPECT_EQ(savedObjects(), before);
    ASSERT_EQ(store().setModifiable(tagOf(fixed), true), 0);
  }
  EXPECT_FALSE(sendCuts("r.asm.A", {{"occ.bolt"}}).fault);
  for (const char* gone : {"occ.bolt", "ao.bolt", "d.bolt.qty", "rel.bolt", "pn.bolt"}) {
    EXPECT_EQ(store().find(tagOf(gone)), nullptr) << gone;
  }
}

// An occurrence that its structure lists twice is cut with both entries: the structure lists no
// occurrence that the save deleted.
TEST_F(DeleteStructureTest, AnOccurrenceListedTwiceIsCutWithBothEntries) {
  ASSERT_EQ(store().write(tagOf("bvr.frame"), "occurrences",
                          host::Value{{},
                                      {tagOf("occ.f.screw"), tagOf("occ.f.bolt"),
                                       tagOf("occ.f.weld"), tagOf("occ.f.bolt")}},
                          host::WriteMode::initial),
            0);
  const host::Reply reply = sendCuts("r.frame.A", {{"occ.f.bolt"}});
  ASSERT_FALSE(reply.fault) << reply.text;
  EXPECT_EQ(occurrencesIn("bvr.frame"), (Strings{"occ.f.screw", "occ.f.weld"}));
  EXPECT_EQ(saved(tagOf("bvr.frame"), "occurrences").tags.size(), 2u);
  EXPECT_EQ(store().find(tagOf("occ.f.bolt")), nullptr);
}

// What a client's open window shows can be deleted by a later request: the lines of a cut
// occurrence leave the window with the lines below them, and a deleted arrangement stops being
// the window's active one, so that the store names neither. A line that went answers an error.
TEST_F(DeleteStructureTest, AnOpenWindowKeepsNothingThatALaterRequestDeleted) {
  const host::Reply opened =
      send("createBOMWindows", soacad_test::createWindowRequest(
                                   "w", R"(<item uid=""/><itemRev uid="r.asm.A"/><bomView uid=""/>
      <revRuleConfigInfo clientId="r"><revRule uid=""/><props/></revRuleConfigInfo>
      <objectForConfigure uid=""/><activeAssemblyArrangement uid="arr.open"/>)"));
  const auto windows = responseOf<Wire::CreateBOMWindowsResponse>(opened).getOutputArray();
  ASSERT_EQ(windows.size(), 1u) << opened.text;
  const Tag window = tagOf(windows[0].getBomWindow().getUid());
  topLine_ = tagOf(windows[0].getBomLine().getUid());
  ASSERT_FALSE(
      send("expandPSAllLevels", soacad_test::expandRequest("expandPSAllLevels", uidOf(topLine_)))
          .fault);
  const Tag sub = lineAt({"occ.sub"});
  const Tag pin = lineAt({"occ.sub", "occ.pin"});
  ASSERT_NE(pin, NULLTAG);
  ASSERT_EQ(host::referenceOf(window, "active_arrangement"), tagOf("arr.open"));

  ASSERT_FALSE(sendCuts("r.asm.A", {{"occ.sub"}}).fault);
  EXPECT_EQ(sendArrangements("r.asm.A", {"arr.open"}),
            (std::pair<Strings, Strings>{{"arr.open"}, {}}));
  EXPECT_EQ(store().find(sub), nullptr);
  EXPECT_EQ(store().find(pin), nullptr);
  EXPECT_EQ(host::referenceOf(window, "active_arrangement"), NULLTAG);
  EXPECT_EQ(occurrencesOf(host::referencesOf(topLine_, "child_lines")),
            (Strings{"occ.bolt", "occ.plate", "occ.gde", "occ.lamp", "occ.ghost"}));
  for (Tag line : host::referencesOf(window, "lines")) {
    EXPECT_NE(store().find(line), nullptr) << "the window lists no line that went";
  }
  const auto expanded = responseOf<Wire::ExpandPSOneLevelResponse>(
      send("expandPSOneLevel", soacad_test::expandRequest("expandPSOneLevel", uidOf(sub))));
  EXPECT_TRUE(expanded.getOutputArray().empty());
  EXPECT_EQ(partialErrorsOf(expanded), Strings{"uid:" + uidOf(sub) + ": 7007"});
}

// Ids that an earlier input of the call cut are skipped before the structure is asked for ids,
// so that an input naming only those is done, not a fault for a structure without ids.
TEST_F(DeleteStructureTest, AnIdCutByAnEarlierInputIsSkippedBeforeTheStructureIsAsked) {
  const host::Reply reply =
      sendCuts("r.frame.A", {{"occ.f.screw", "occ.f.bolt", "occ.f.weld"}, {"occ.f.bolt"}});
  ASSERT_FALSE(reply.fault) << reply.text;
  EXPECT_EQ(occurrencesIn("bvr.frame"), Strings{});
  for (const char* uid : {"occ.f.screw", "occ.f.bolt", "occ.f.weld"}) {
    EXPECT_NE(reply.text.find(uid), std::string::npos) << uid;
  }
  // An id the structure never carried still fails, once nothing else is left to cut.
  EXPECT_EQ(failingRemove({input("r.frame.A", {"occ.f.bolt", "gone"})}), "215047");
}

TEST_F(DeleteStructureTest, AnInputFailsAsAWholeAndEndsTheCall) {
  const std::string before = savedObjects();
  EXPECT_EQ(failingRemove({input("r.asm.A", {})}), "215046");
  EXPECT_EQ(calls("BOM_create_window"), 0);
  EXPECT_EQ(failingRemove({input("no.such", {"c1"})}), "215040");
  EXPECT_EQ(failingRemove({input("i.asm", {"c1"})}), "215041");
  EXPECT_EQ(failingRemove({input("r.kit.A", {"c1"})}), "215043");
  EXPECT_EQ(failingRemove({input("r.sub.A", {"x"})}, "CAD_OCC_ID"), "215047");
  EXPECT_EQ(failingRemove({input("r.asm.A", {"c1"})}, "CAD_OCC_ID", "nothing"), "215000");
  EXPECT_EQ(failingRemove({input("r.asm.A", {"c1", "c7", "c2"})}, "CAD_OCC_ID"), "215048");
  EXPECT_EQ(savedObjects(), before);

  // Inputs before the failing one stay saved.
  EXPECT_EQ(failingRemove({input("r.frame.A", {"s1"}), input("r.asm.A", {"c7"})}, "CAD_OCC_ID"),
            "215048");
  EXPECT_EQ(occurrencesIn("bvr.frame"), (Strings{"occ.f.bolt", "occ.f.weld"}));
  EXPECT_EQ(occurrencesIn("bvr.asm").size(), 6u);
}

TEST_F(DeleteStructureTest, ArrangementsAreDeletedOneByOne) {
  const auto response = run([&] {
    return removeArrangements({arrangements("r.asm.A", {"arr.sub", "arr.open"})});
  });
  EXPECT_EQ(sorted(response.serviceData.deletedUids()), Strings{"arr.open"});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{"uid:arr.sub: 42001"});
  EXPECT_EQ(store().find(tagOf("arr.open")), nullptr);
  EXPECT_NE(store().find(tagOf("arr.sub")), nullptr);
}

TEST_F(DeleteStructureTest, ArrangementsOfAViewRevisionThatCannotBeFoundFailTheCall) {
  EXPECT_EQ(failureOf([&] {
              removeArrangements({arrangements("r.asm.A", {"arr.open"})}, "nothing");
            }).getCode(),
            "215000");
  // The view revision's lookup is not caught: the host's IFail leaves the operation.
  EXPECT_EQ(
      soacad_test::ifailOf([&] {
        removeArrangements({arrangements("r.asm.A", {"arr.open"}), arrangements("r.kit.A", {})});
      }),
      215043);
  ERROR_store_clear();
  EXPECT_EQ(store().find(tagOf("arr.open")), nullptr);
}

// Deleting an arrangement deletes its anchor, qualifier and the qualifier's data and
// attachments, or nothing: one of them that may not be deleted leaves the arrangement whole.
TEST_F(DeleteStructureTest, AnArrangementThatCannotBeDeletedWhollyStaysWhole) {
  load(R"(<fixture>
    <object uid="q.open" class="AbsOccDataQualifier"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="arrangement" value="arr.open"/></object>
    <object uid="d.open.qty" class="AbsOccData">
      <prop name="abs_occurrence" value="ao.bolt"/><prop name="qualifier" value="q.open"/>
      <prop name="attribute_name" value="bl_quantity"/><prop name="attribute_value" value="2"/>
    </object>
    <object uid="d.open.note" class="AbsOccData">
      <prop name="abs_occurrence" value="ao.bolt"/><prop name="qualifier" value="q.open"/>
      <prop name="attribute_name" value="CAD_note"/><prop name="attribute_value" value="x"/>
    </object>
    <relation uid="rel.open" class="AbsOccRelation" type="ZOLT_reference" primary="ao.bolt"
      secondary="ds.1"><prop name="qualifier" value="q.open"/></relation>
  </fixture>)");
  for (const char* fixed : {"d.open.note", "rel.open", "q.open", "anc.open", "arr.open"}) {
    SCOPED_TRACE(fixed);
    ASSERT_EQ(store().setModifiable(tagOf(fixed), false), 0);
    const std::string before = savedObjects();
    EXPECT_EQ(sendArrangements("r.asm.A", {"arr.open"}),
              (std::pair<Strings, Strings>{{}, {"uid:arr.open: 7015"}}));
    EXPECT_EQ(savedObjects(), before);
    ASSERT_EQ(store().setModifiable(tagOf(fixed), true), 0);
  }
  EXPECT_EQ(sendArrangements("r.asm.A", {"arr.open"}),
            (std::pair<Strings, Strings>{{"arr.open"}, {}}));
  for (const char* gone : {"d.open.qty", "d.open.note", "rel.open", "q.open", "anc.open"}) {
    EXPECT_EQ(store().find(tagOf(gone)), nullptr) << gone;
  }
}

// An arrangement that others use (a subassembly's arrangement, used through the path node of
// the subassembly's occurrence) takes those entries with it, whatever view revision the users
// belong to, so that no saved arrangement names its deleted anchor.
TEST_F(DeleteStructureTest, ArrangementsThatUseADeletedOneLoseThoseEntries) {
  load(R"(<fixture>
    <object uid="pn.plate" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.plate"/></prop></object>
    <object uid="arr.other" class="AssemblyArrangement"><prop name="context_bvr" value="bvr.sub"/>
      <prop name="anchor" value="anc.other"/></object>
    <object uid="anc.other" class="ArrangementAnchor"/>
  </fixture>)");
  load(kUserOfSub);
  const Tag open = tagOf("arr.open");
  ASSERT_EQ(ARR__set_used_arrangement(tagOf("bvr.asm"), open, tagOf("pn.sub"), tagOf("anc.sub"),
                                      tagOf("occ.sub")),
            0);
  ASSERT_EQ(ARR__set_used_arrangement(tagOf("bvr.asm"), open, tagOf("pn.plate"), tagOf("anc.other"),
                                      tagOf("occ.plate")),
            0);
  EXPECT_EQ(sendArrangements("r.sub.A", {"arr.sub"}),
            (std::pair<Strings, Strings>{{"arr.sub"}, {}}));
  EXPECT_EQ(saved(open, "used_path_nodes").tags, std::vector<Tag>{tagOf("pn.plate")});
  EXPECT_EQ(saved(open, "used_anchors").tags, std::vector<Tag>{tagOf("anc.other")});
  EXPECT_EQ(saved(open, "used_occurrences").tags, std::vector<Tag>{tagOf("occ.plate")});
  for (const char* emptied : {"used_path_nodes", "used_anchors", "used_occurrences"}) {
    EXPECT_TRUE(saved(tagOf("arr.user"), emptied).isNull()) << emptied;
  }
  EXPECT_EQ(store().saveFixture().find("anc.sub"), std::string::npos);
}

// Deleting an arrangement changes what it leaves: the arrangements whose entries used it, the
// absolute occurrences that had data under it and the view revision whose default it was. Each
// is reported as updated, unless the same call deletes it too.
TEST_F(DeleteStructureTest, WhatADeletedArrangementChangesIsReportedUpdated) {
  const auto deleteArrangements = [&](const std::vector<std::pair<std::string, Strings>>& of) {
    return soacad_test::reportedBy(responseOf<Wire::DeleteAssemblyArrangementsResponse>(
        send("deleteAssemblyArrangements", soacad_test::deleteArrangementsRequest(of))));
  };
  // A fresh store with the arrangements above; its failures are fatal at each call (an ASSERT in
  // a lambda returns from the lambda only).
  const auto setUp = [&] {
    SetUp();
    load(kUserOfSub);
    load(R"(<fixture>
      <object uid="q.sub" class="AbsOccDataQualifier"><prop name="context_bvr" value="bvr.sub"/>
        <prop name="arrangement" value="arr.sub"/></object>
      <object uid="d.pin.qty" class="AbsOccData">
        <prop name="abs_occurrence" value="ao.pin"/><prop name="qualifier" value="q.sub"/>
        <prop name="attribute_name" value="bl_quantity"/><prop name="attribute_value" value="2"/>
      </object>
    </fixture>)");
    ASSERT_EQ(ARR__set_default_arrangement(tagOf("bvr.sub"), tagOf("arr.sub"), true), 0);
  };
  ASSERT_NO_FATAL_FAILURE(setUp());
  // An arrangement nothing else names reports itself alone.
  EXPECT_EQ(deleteArrangements({{"r.asm.A", {"arr.open"}}}),
            (soacad_test::Reported{{}, {}, {"arr.open"}}));
  EXPECT_EQ(deleteArrangements({{"r.sub.A", {"arr.sub"}}}),
            (soacad_test::Reported{{}, {"ao.pin", "arr.user", "bvr.sub"}, {"arr.sub"}}));
  EXPECT_TRUE(saved(tagOf("arr.user"), "used_anchors").isNull());
  EXPECT_EQ(savedTag(tagOf("bvr.sub"), "default_arrangement"), NULLTAG);
  EXPECT_EQ(store().find(tagOf("d.pin.qty")), nullptr);

  ASSERT_NO_FATAL_FAILURE(setUp());
  EXPECT_EQ(deleteArrangements({{"r.sub.A", {"arr.sub"}}, {"r.asm.A", {"arr.user"}}}),
            (soacad_test::Reported{{}, {"ao.pin", "bvr.sub"}, {"arr.sub", "arr.user"}}));
  // Should the host not tell what a deletion changes, that arrangement stays whole.
  ASSERT_NO_FATAL_FAILURE(setUp());
  for (const char* call :
       {"ARR__ask_arrangements_using_arrangement", "AbsOccDataQualifier::findByArrangement"}) {
    SCOPED_TRACE(call);
    host::faultPlan().fail(call, POM_invalid_tag);
    EXPECT_EQ(sendArrangements("r.sub.A", {"arr.sub"}),
              (std::pair<Strings, Strings>{{}, {"uid:arr.sub: 7007"}}));
    host::faultPlan().clear();
    EXPECT_NE(store().find(tagOf("arr.sub")), nullptr);
  }
}

}  // namespace
