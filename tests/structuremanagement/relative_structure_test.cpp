// Relative structure from a CAD assembly: occurrences updated in place, substituted, added with
// their data and sequence numbers, unclaimed ones cut, views made when missing, and a failing
// input undone with the whole call failed.
#include "structuremanagement/relative_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/object/arr.h"
#include "host/object/host_call.h"
#include "host/object/journal.h"
#include "host/object/ps.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/structuremanagement/structure_requests.h"
#include "tests/structuremanagement/structure_write_fixture.h"

namespace {

using Korvane::Soa::Cad::CreateOrUpdateRelativeStructureImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Info = StructureManagement::CreateOrUpdateRelativeStructureInfo;
using Child = StructureManagement::RelativeStructureChildInfo;
using Pref = StructureManagement::CreateOrUpdateRelativeStructurePref;
using Response = StructureManagement::CreateOrUpdateRelativeStructureResponse;
using soacad_test::ask;
namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;

class RelativeStructureTest : public soacad_test::StructureWriteTest {
 protected:
  Info input(const std::string& parentUid, std::vector<Child> children, bool precise = false) {
    return Info{tagOf(parentUid), std::move(children), precise};
  }
  Child child(const std::string& clientId, const std::string& cadOccId,
              const std::string& revisionUid) {
    return Child{clientId, cadOccId, tagOf(revisionUid), {}};
  }
  Response write(const std::vector<Info>& info, bool complete = false, const Pref& pref = Pref(),
                 const std::string& viewType = "") {
    return run([&] {
      return CreateOrUpdateRelativeStructureImpl().createOrUpdateRelativeStructure(info, viewType,
                                                                                   complete, pref);
    });
  }
  ServiceException failingWrite(const std::vector<Info>& info, bool complete = false,
                                const std::string& viewType = "") {
    return failureOf([&] {
      CreateOrUpdateRelativeStructureImpl().createOrUpdateRelativeStructure(info, viewType,
                                                                            complete, Pref());
    });
  }
  // Runs a write that must fail in a child and gives the failure's message (the child's client
  // id) and its code: the reason the host gave, taken from the error store with the failure.
  Strings childFailure(const std::vector<Info>& info) {
    ServiceException failure = failingWrite(info);
    EXPECT_TRUE(host::errorStore().empty());
    return {failure.getMessage(), failure.getCode()};
  }
  Strings outputOf(const Response& response) {
    Strings texts;
    for (const auto& entry : response.output) {
      texts.push_back(entry.first + "=" + uidOf(entry.second.tag()));
    }
    return texts;
  }
  bool exists(const std::string& uid) { return store().find(tagOf(uid)) != nullptr; }

  static std::string transformXml(const std::vector<double>& values) {
    std::string xml;
    for (double value : values) {
      xml += "<occTransform>" + std::to_string(value) + "</occTransform>";
    }
    return xml;
  }
  // Sends one child for the line of ASM whose occurrence is `cadOccId`, with the client id "k",
  // through the service (the reply checked against the store); what the reply reports: its
  // output entries ("k=<UID>") and then "updated <UID>" for each updated object.
  Strings sendChild(const std::string& cadOccId, const std::string& revisionUid,
                    const std::string& occInfo, bool precise = false) {
    const host::Reply reply =
        send("createOrUpdateRelativeStructure",
             soacad_test::relativeStructureRequest(
                 "r.asm.A", soacad_test::childInfo("k", cadOccId, revisionUid, occInfo), false,
                 precise));
    const auto response = responseOf<Wire::CreateOrUpdateRelativeStructureResponse>(reply);
    Strings reported = soacad_test::mapEntries(response.getOutputArray());
    for (const std::string& uid :
         soacad_test::modelUids(response.getServiceData().getUpdatedObjArray())) {
      reported.push_back("updated " + uid);
    }
    EXPECT_TRUE(response.getServiceData().getCreatedObjArray().empty());
    return reported;
  }
};

// A child whose line already shows its item (or, precise, its revision) is written in place. It
// is reported like a substituted one (output and updatedObj) when its data change what the
// occurrence holds, and not at all when the occurrence holds them already, so the same request
// sent again reports nothing.
TEST_F(RelativeStructureTest, AChildUpdatedInPlaceIsReportedWhenItsDataChangeTheOccurrence) {
  const std::string transform = transformXml(std::vector<double>(16, 0.5));
  const struct {
    const char* what;
    std::string occInfo;
    bool changes;
  } cases[] = {
      // The line shows the quantity override 7 of ao.bolt: only the occurrence's own changes.
      {"quantity", R"(<occInfo><attrsToSet name="bl_quantity" value="2"/></occInfo>)", true},
      {"as required", R"(<occInfo asRequired="true"/>)", true},
      {"sequence number", R"(<occInfo><attrsToSet name="bl_sequence_no" value="15"/></occInfo>)",
       true},
      {"note", R"(<occInfo><occNote noteType="CAD_OCC_ID" noteText="c9"/></occInfo>)", true},
      {"transform", "<occInfo>" + transform + "</occInfo>", true},
      {"what it holds", R"(<occInfo><attrsToSet name="bl_quantity" value="4"/>
         <attrsToSet name="bl_sequence_no" value="10"/>
         <occNote noteType="CAD_OCC_ID" noteText="c1"/></occInfo>)",
       false},
      {"no data", "<occInfo/>", false},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    SetUp();
    const Strings reported = test.changes ? Strings{"k=occ.bolt", "updated occ.bolt"} : Strings{};
    EXPECT_EQ(sendChild("occ.bolt", "r.bolt.B", test.occInfo), reported);
    EXPECT_EQ(savedTag(tagOf("occ.bolt"), "child_item"), tagOf("i.bolt"));
    EXPECT_EQ(sendChild("occ.bolt", "r.bolt.B", test.occInfo), Strings{}) << "sent again";
  }

  // Only the as-required flag changes: the plate has no quantity to lose.
  SetUp();
  const std::string asRequired = R"(<occInfo asRequired="true"/>)";
  EXPECT_EQ(sendChild("occ.plate", "r.plate.A", asRequired),
            (Strings{"k=occ.plate", "updated occ.plate"}));
  EXPECT_EQ(sendChild("occ.plate", "r.plate.A", asRequired), Strings{});

  // Precise: the line already shows the revision. Made precise, the view revision gives the
  // imprecise occurrences of items their revisions, and both are reported too.
  SetUp();
  EXPECT_EQ(sendChild("occ.plate", "r.plate.A", "<occInfo>" + transform + "</occInfo>", true),
            (Strings{"k=occ.plate", "updated occ.plate", "updated occ.bolt", "updated occ.sub",
                     "updated occ.lamp", "updated bvr.asm"}));
  EXPECT_EQ(sendChild("occ.plate", "r.plate.A", "<occInfo>" + transform + "</occInfo>", true),
            Strings{});
}

// The data land whether or not they are reported; a child that changes nothing beside one that
// does leaves only the latter in the reply.
TEST_F(RelativeStructureTest, OnlyTheChildrenWhoseDataChangedAreReported) {
  Child bolt = child("bolt", "occ.bolt", "r.bolt.B");
  bolt.occInfo.attrsToSet = {{"bl_quantity", "2"}};
  bolt.occInfo.occNote = {{"CAD_OCC_ID", "c9"}};
  Child plate = child("plate", "occ.plate", "r.plate.A");
  plate.occInfo.attrsToSet = {{"bl_sequence_no", "20"}};
  const Response response = write({input("r.asm.A", {bolt, plate})});
  EXPECT_EQ(outputOf(response), Strings{"bolt=occ.bolt"});
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), Strings{"occ.bolt"});
  EXPECT_EQ(savedText(tagOf("occ.bolt"), "quantity"), "2");
  EXPECT_EQ(noteOf("occ.bolt", "CAD_OCC_ID"), "c9");
}

TEST_F(RelativeStructureTest, AChildOfAnotherItemOrRevisionIsSubstitutedAndReportedUpdated) {
  const Response imprecise = write({input("r.asm.A", {child("k", "occ.bolt", "r.screw.A")})});
  EXPECT_EQ(outputOf(imprecise), Strings{"k=occ.bolt"});
  EXPECT_EQ(sorted(imprecise.serviceData.updatedUids()), Strings{"occ.bolt"});
  EXPECT_EQ(savedTag(tagOf("occ.bolt"), "child_item"), tagOf("i.screw"));

  // Precise: the view revision is made precise; the same revision is no substitution.
  const Response precise = write({input(
      "r.asm.A", {child("p", "occ.plate", "r.plate.B"), child("q", "occ.sub", "r.sub.A")}, true)});
  EXPECT_EQ(outputOf(precise), Strings{"p=occ.plate"});
  EXPECT_EQ(savedText(tagOf("bvr.asm"), "is_precise"), "true");
  EXPECT_EQ(savedTag(tagOf("occ.plate"), "child_revision"), tagOf("r.plate.B"));
}

TEST_F(RelativeStructureTest, NewChildrenAreAddedWithTheirDataAndSequenceNumbers) {
  Child lamp = child("lamp", "", "r.lamp.A");
  lamp.occInfo.attrsToSet = {{"bl_sequence_no", "55"}};
  lamp.occInfo.asRequired = true;
  Child pin = child("pin", "c-new", "r.pin.A");
  pin.occInfo.occTransform = std::vector<double>(16, 0.5);
  const Response response = write({input("r.asm.A", {child("bolt", "", "r.bolt.C"), pin, lamp})});
  ASSERT_EQ(response.output.size(), 3u);
  const Tag bolt = response.output.at("bolt").tag();
  const Tag newPin = response.output.at("pin").tag();
  const Tag newLamp = response.output.at("lamp").tag();
  EXPECT_EQ(occurrencesIn("bvr.asm").size(), 9u);
  EXPECT_EQ(occurrencesIn("bvr.asm").back(), uidOf(newLamp));
  EXPECT_EQ(response.serviceData.createdUids().size(), 3u);
  // The bolt takes the number its item has, the pin the next free one, the lamp its own.
  EXPECT_EQ(savedText(bolt, "seq_no"), "10");
  EXPECT_EQ(savedText(newPin, "seq_no"), "60");
  EXPECT_EQ(savedText(newLamp, "seq_no"), "55");
  EXPECT_EQ(savedText(newLamp, "as_required"), "true");
  EXPECT_EQ(saved(newPin, "transform").texts, Strings(16, "0.5"));
  EXPECT_EQ(savedTag(bolt, "child_item"), tagOf("i.bolt"));
}

TEST_F(RelativeStructureTest, CompleteCutsTheUnclaimedOccurrencesOfTheListedItemTypes) {
  struct Case {
    Strings itemTypes;
    Strings cut;
  };
  for (const Case& test :
       {Case{{}, {"occ.f.bolt", "occ.f.screw", "occ.f.weld"}},
        Case{{"Item"}, {"occ.f.bolt", "occ.f.screw"}}, Case{{"Fastener"}, {"occ.f.screw"}}}) {
    SCOPED_TRACE(test.cut.size());
    SetUp();
    Pref pref;
    pref.itemType = test.itemTypes;
    const Response response = write({input("r.frame.A", {})}, true, pref);
    EXPECT_EQ(sorted(response.serviceData.deletedUids()), test.cut);
    for (const std::string& uid : test.cut) {
      EXPECT_FALSE(exists(uid)) << uid;
    }
    EXPECT_EQ(occurrencesIn("bvr.frame").size(), 3u - test.cut.size());
  }
}

TEST_F(RelativeStructureTest, CompleteKeepsWhatAChildClaims) {
  Pref pref;
  pref.cadOccIdAttrName = "CAD_OCC_ID";
  const Response response = write({input("r.frame.A", {child("b", "b1", "r.bolt.A")})}, true, pref);
  EXPECT_EQ(occurrencesIn("bvr.frame"), Strings{"occ.f.bolt"});
  EXPECT_EQ(sorted(response.serviceData.deletedUids()), (Strings{"occ.f.screw", "occ.f.weld"}));
}

TEST_F(RelativeStructureTest, AMissingViewAndViewRevisionAreMadeWithTheLegacyFactor) {
  struct Case {
    const char* preference;
    double factor;
  };
  for (const Case& test : {Case{nullptr, 1.0}, Case{"2.5", 2.5}, Case{"0.00001", 1.0}}) {
    SCOPED_TRACE(test.factor);
    SetUp();
    if (test.preference != nullptr) {
      load(std::string("<fixture><preferences><preference name=\"PS_legacy_transform_factor\">"
                       "<v value=\"") +
           test.preference + "\"/></preference></preferences></fixture>");
    }
    const Response response = write({input("r.pin.A", {child("s", "", "r.screw.A")}, true)});
    ASSERT_EQ(bvrsOf("r.pin.A").size(), 1u);
    const Tag bvr = tagOf(bvrsOf("r.pin.A")[0]);
    EXPECT_EQ(savedText(bvr, "is_precise"), "true");
    EXPECT_EQ(ask(PS_ask_legacy_transform_factor, bvr), test.factor);
    EXPECT_EQ(uidsOf(host::occurrencesOf(bvr)), Strings{uidOf(response.output.at("s").tag())});
  }
}

TEST_F(RelativeStructureTest, AnotherViewTypeIsWrittenIntoItsOwnViewRevision) {
  write({input("r.asm.A", {child("s", "", "r.screw.A")})}, false, Pref(), "manufacturing");
  EXPECT_EQ(occurrencesIn("bvr.asm").size(), 6u);
  ASSERT_EQ(bvrsOf("r.asm.A").size(), 2u);
  EXPECT_EQ(occurrencesIn(bvrsOf("r.asm.A")[1]).size(), 1u);
}

TEST_F(RelativeStructureTest, AFailingChildFailsTheCallAndUndoesItsInputOnly) {
  Child frameBolt = child("b", "occ.f.bolt", "r.bolt.A");
  frameBolt.occInfo.attrsToSet = {{"bl_quantity", "5"}};
  // The child's failure names the child and carries the reason.
  EXPECT_EQ(childFailure(
                {input("r.frame.A", {frameBolt}), input("r.pin.A", {child("bad", "", "no.such")})}),
            (Strings{"bad", "7007"}));
  EXPECT_EQ(savedText(tagOf("occ.f.bolt"), "quantity"), "5");
  EXPECT_TRUE(host::bomViewsOfItem(tagOf("i.pin")).empty());
}

// A child whose structure holds the parent, directly or further down, would make a structure
// that contains itself: the child fails with the library's code and nothing of its input stays.
TEST_F(RelativeStructureTest, AChildWhoseStructureHoldsTheParentIsRefused) {
  const std::string before = savedObjects();
  const struct {
    const char* parent;
    const char* cadOccId;
    const char* child;
  } cases[] = {
      {"r.sub.A", "", "r.sub.A"},         // itself
      {"r.sub.A", "", "r.asm.A"},         // the assembly that holds it
      {"r.sub.A", "occ.pin", "r.asm.A"},  // substituted in place of a child
      {"r.frame.A", "occ.f.bolt", "r.frame.A"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::string(test.parent) + " " + test.child);
    const ServiceException failure =
        failingWrite({input(test.parent, {child("loop", test.cadOccId, test.child)}, true)});
    EXPECT_EQ(failure.getMessage(), "loop");
    EXPECT_EQ(failure.getCode(), std::to_string(Korvane::Soa::Cad::kChildContainsParent));
    EXPECT_EQ(failure.getDetails().back(), "The child " + std::string(test.child) +
                                               " contains the parent " + test.parent +
                                               " in its structure; a structure cannot contain "
                                               "itself.");
    EXPECT_EQ(savedObjects(), before);
  }
}

// Making the parent's view revision imprecise gives each occurrence the revision the rule
// configures: when that would have a child's structure hold the parent (a precise child of an
// older revision of an assembly that holds the parent), the call fails with the host's refusal,
// which names that revision, and the view revision stays as it was.
TEST_F(RelativeStructureTest, AParentMadeImpreciseSoThatAChildHoldsItIsRefused) {
  const Response added = write({input("r.sub.A", {child("old", "", "r.asm.0")}, true)});
  ASSERT_EQ(added.output.size(), 1u);
  const std::string occurrence = uidOf(added.output.begin()->second.tag());
  const std::string before = savedObjects();
  const ServiceException failure =
      failingWrite({input("r.sub.A", {child("old", occurrence, "r.asm.0")}, false)});
  EXPECT_EQ(failure.getCode(), "45009");
  EXPECT_EQ(failure.getDetails().back(),
            "r.asm.A contains the structure bvr.sub and cannot become a child of it.");
  EXPECT_EQ(savedObjects(), before);
  EXPECT_TRUE(ask(PS_ask_is_bvr_precise, tagOf("bvr.sub")));
}

// Two children with one client id: the output keeps the last, the service data lists both.
TEST_F(RelativeStructureTest, EveryOccurrenceMadeIsReportedWhenClientIdsRepeat) {
  const Response response =
      write({input("r.frame.A", {child("dup", "", "r.pin.A"), child("dup", "", "r.lamp.A")})});
  const Strings occurrences = occurrencesIn("bvr.frame");
  ASSERT_EQ(occurrences.size(), 5u);
  EXPECT_EQ(outputOf(response), Strings{"dup=" + occurrences[4]});
  EXPECT_EQ(sorted(response.serviceData.createdUids()), sorted({occurrences[3], occurrences[4]}));
}

// One client id for a child updated in place and a later child added: the output names the
// occurrence of the later child, as for any repeated client id.
TEST_F(RelativeStructureTest, ARepeatedClientIdNamesTheLastChildsOccurrence) {
  const Response response = write(
      {input("r.frame.A", {child("dup", "occ.f.screw", "r.pin.A"), child("dup", "", "r.lamp.A")})});
  const Strings occurrences = occurrencesIn("bvr.frame");
  ASSERT_EQ(occurrences.size(), 4u);
  EXPECT_EQ(outputOf(response), Strings{"dup=" + occurrences[3]});
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), (Strings{"bvr.frame", "occ.f.screw"}));
}

// With complete, a later input for the same parent cuts what an earlier one made or
// substituted: the reply names only live objects, the cut ones as deleted.
TEST_F(RelativeStructureTest, WhatALaterInputCutsLeavesTheOutputAndIsReportedDeleted) {
  const Response response = write(
      {input("r.frame.A", {child("new", "", "r.pin.A"), child("sub", "occ.f.screw", "r.lamp.A"),
                           child("kept", "occ.f.bolt", "r.bolt.A")}),
       input("r.frame.A", {child("again", "occ.f.bolt", "r.bolt.A")})},
      true);
  EXPECT_EQ(occurrencesIn("bvr.frame"), Strings{"occ.f.bolt"});
  EXPECT_TRUE(response.output.empty());
  EXPECT_TRUE(response.serviceData.createdUids().empty());
  // Only the view revision, whose list of occurrences changed, is left updated.
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), Strings{"bvr.frame"});
  EXPECT_EQ(response.serviceData.deletedUids().count("occ.f.screw"), 1u);
  EXPECT_EQ(response.serviceData.deletedUids().size(), 3u);
}

// A client id used under two parents names the occurrence it made last that still lives: a
// later input that cuts the newer one leaves the older one in the output.
TEST_F(RelativeStructureTest, AClientIdKeepsItsLastOccurrenceThatStillLives) {
  const host::Reply reply = send("createOrUpdateRelativeStructure", R"(
    <CreateOrUpdateRelativeStructureInput complete="true" bomViewTypeName="">
      <input precise="false"><parent uid="r.frame.A"/>
        <childInfo clientId="a" cadOccId=""><child uid="r.pin.A"/><occInfo/></childInfo>
      </input>
      <input precise="false"><parent uid="r.sub.A"/>
        <childInfo clientId="a" cadOccId=""><child uid="r.lamp.A"/><occInfo/></childInfo>
      </input>
      <input precise="false"><parent uid="r.sub.A"/></input>
      <pref cadOccIdAttrName=""/>
    </CreateOrUpdateRelativeStructureInput>)");
  const auto response = responseOf<Wire::CreateOrUpdateRelativeStructureResponse>(reply);
  const Strings frame = occurrencesIn("bvr.frame");
  ASSERT_EQ(frame.size(), 1u) << "complete kept only the new child";
  EXPECT_EQ(occurrencesIn("bvr.sub"), Strings{});
  EXPECT_EQ(soacad_test::mapEntries(response.getOutputArray()), Strings{"a=" + frame[0]});
}

class RelativeStructureReplyTest : public RelativeStructureTest {
 protected:
  // Sends one input on `parentUid` with the children `childInfo` (XML); what the reply
  // reports. The reply is checked against the store by send().
  soacad_test::Reported sendInput(const std::string& parentUid, const std::string& childInfo,
                                  bool complete) {
    return soacad_test::reportedBy(responseOf<Wire::CreateOrUpdateRelativeStructureResponse>(
        send("createOrUpdateRelativeStructure",
             soacad_test::relativeStructureRequest(parentUid, childInfo, complete))));
  }
};

// The views a write makes for its parent are made objects, and the item and revision they were
// made for change with them; a view revision that gains or loses occurrences changes too. An
// input on a parent whose views exist reports neither item nor revision.
TEST_F(RelativeStructureReplyTest, TheViewsMadeAndTheViewRevisionChangedAreReported) {
  const struct {
    const char* parent;
    const char* item;
    bool makesView;
    bool makesBvr;
  } cases[] = {
      {"r.pin.A", "i.pin", true, true},    // no view at all
      {"r.kit.A", "i.kit", false, true},   // a view without view revision
      {"r.asm.A", "i.asm", false, false},  // both there
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.parent);
    SetUp();
    const soacad_test::Reported first =
        sendInput(test.parent, soacad_test::childInfo("s", "", "r.screw.A"), false);
    const Strings bvrs = bvrsOf(test.parent);
    ASSERT_EQ(bvrs.size(), 1u);
    const Strings occurrences = occurrencesIn(bvrs[0]);
    soacad_test::Reported expected{{occurrences.back()}, {}, {}};
    if (test.makesView) {
      expected.created.push_back(uidOf(host::bomViewsOfItem(tagOf(test.item)).at(0)));
      expected.updated.push_back(test.item);
    }
    if (test.makesBvr) {
      expected.created.push_back(bvrs[0]);
      expected.updated.push_back(test.parent);
    } else {
      expected.updated.push_back(bvrs[0]);
    }
    std::sort(expected.created.begin(), expected.created.end());
    std::sort(expected.updated.begin(), expected.updated.end());
    EXPECT_EQ(first, expected);
    // Sent again, the views are there: only the new occurrence and its view revision.
    const soacad_test::Reported again =
        sendInput(test.parent, soacad_test::childInfo("s", "", "r.screw.A"), false);
    EXPECT_EQ(again, (soacad_test::Reported{{occurrencesIn(bvrs[0]).back()}, {bvrs[0]}, {}}));
  }
}

// With complete, what goes with an occurrence the input cuts is reported as it is when
// deleteRelativeStructure cuts it: the absolute occurrences through it are deleted, and the
// arrangements that lose entries through it are updated, with the view revision that lost it.
// Should the host not tell what goes, the call fails whole.
TEST_F(RelativeStructureReplyTest, CompleteReportsWhatGoesAndChangesWithTheOccurrencesItCuts) {
  load(R"(<fixture>
    <object uid="ao.subpin" class="AbsOccurrence"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.sub"/><v value="occ.pin"/></prop></object>
    <object uid="pn.sub" class="MEAppearancePathNode"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.sub"/></prop></object>
  </fixture>)");
  ASSERT_EQ(ARR__set_used_arrangement(tagOf("bvr.asm"), tagOf("arr.open"), tagOf("pn.sub"),
                                      tagOf("anc.sub"), NULLTAG),
            0);
  const std::string keepPlate = soacad_test::childInfo("plate", "occ.plate", "r.plate.A");
  for (const char* call :
       {"BOM__occurrence_ask_absoccs", "ARR__ask_arrangements_using_occurrence"}) {
    SCOPED_TRACE(call);
    host::faultPlan().fail(call, POM_invalid_tag);
    EXPECT_TRUE(send("createOrUpdateRelativeStructure",
                     soacad_test::relativeStructureRequest("r.asm.A", keepPlate, true))
                    .fault);
    host::faultPlan().clear();
  }
  EXPECT_EQ(sendInput("r.asm.A", keepPlate, true),
            (soacad_test::Reported{{},
                                   {"arr.open", "bvr.asm"},
                                   {"ao.bolt", "ao.subpin", "occ.bolt", "occ.gde", "occ.ghost",
                                    "occ.lamp", "occ.sub"}}));
  EXPECT_EQ(occurrencesIn("bvr.asm"), Strings{"occ.plate"});
  EXPECT_TRUE(saved(tagOf("arr.open"), "used_path_nodes").isNull());
}

TEST_F(RelativeStructureTest, FailuresOfTheWholeInputOrCallLeaveTheStoreAsItWas) {
  const std::string before = savedObjects();
  Child transform = child("t", "occ.bolt", "r.bolt.A");
  transform.occInfo.attrsToSet = {{"bl_quantity", "3"}};
  transform.occInfo.occTransform = std::vector<double>(15, 1.0);
  EXPECT_EQ(childFailure({input("r.asm.A", {transform})}), (Strings{"t", "7013"}));

  EXPECT_EQ(
      failingWrite({input("r.asm.A", {child("s", "", "r.screw.A")})}, false, "nothing").getCode(),
      "215000");
  EXPECT_EQ(calls("BOM_create_window"), 1);

  // The sequence numbers come after the window's save: failing there undoes the save too.
  host::faultPlan().fail("PS_set_seq_no", POM_not_locked);
  EXPECT_EQ(failingWrite({input("r.asm.A", {child("s", "", "r.screw.A")})}).getCode(), "7014");
  host::faultPlan().clear();

  load(R"(<fixture><preferences><preference name="SOACAD_checkout_required">
    <v value="true"/></preference></preferences></fixture>)");
  EXPECT_EQ(failingWrite({input("r.asm.A", {child("s", "", "r.screw.A")})}).getCode(), "215005");
  load(R"(<fixture><preferences><preference name="SOACAD_checkout_required">
    <v value="false"/></preference></preferences></fixture>)");
  EXPECT_EQ(savedObjects(), before);
}

TEST_F(RelativeStructureTest, EachStepIsTraced) {
  write({input("r.asm.A", {child("k", "occ.bolt", "r.bolt.A")})});
  const Strings expected = {"StructureManagement::createOrUpdateRelativeStructure",
                            "StructureManagement::doCreateOrUpdateRelativeStructure",
                            "StructureManagement::buildRelativeCache",
                            "StructureManagement::createOrUpdateRelativeOcc",
                            "StructureManagement::updateRelativeOcc",
                            "StructureManagement::setRelOccData"};
  EXPECT_EQ(host::journal().steps(), expected);
}

}  // namespace
