// Absolute structure: overrides of occurrences in the context of an assembly, found by path or
// by absolute occurrence, held by assembly arrangements, with failures kept to the occurrence,
// arrangement or input they belong to.
#include "structuremanagement/absolute_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "host/object/absocc.h"
#include "host/object/arr.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/structuremanagement/structure_requests.h"
#include "tests/structuremanagement/structure_write_fixture.h"

namespace {

using Korvane::Soa::Cad::CreateOrUpdateAbsoluteStructureImpl;
using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Info = StructureManagement::CreateOrUpdateAbsoluteStructureInfo;
using AbsOcc = StructureManagement::AbsOccInfo;
using Arrangement = StructureManagement::AssemblyArrangementInfo;
using Response = StructureManagement::CreateOrUpdateAbsoluteStructureResponse;
namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;

class AbsoluteStructureTest : public soacad_test::StructureWriteTest {
 protected:
  static AbsOcc byPath(const std::string& clientId, const Strings& path,
                       const std::string& quantity = "") {
    AbsOcc occurrence;
    occurrence.clientId = clientId;
    occurrence.cadOccIdPath = path;
    if (!quantity.empty()) {
      occurrence.absOccData.overridesToSet = {{"bl_quantity", quantity}};
    }
    return occurrence;
  }
  AbsOcc byAbsOcc(const std::string& clientId, const std::string& absOccUid,
                  const std::string& quantity) {
    AbsOcc occurrence = byPath(clientId, {}, quantity);
    occurrence.absOcc = tagOf(absOccUid);
    return occurrence;
  }
  Info input(std::vector<AbsOcc> occurrences, std::vector<Arrangement> arrangements = {},
             const std::string& revisionUid = "r.asm.A") {
    return Info{tagOf(revisionUid), std::move(occurrences), std::move(arrangements)};
  }
  static Arrangement arrangement(const std::string& clientId, Tag existing,
                                 std::vector<AbsOcc> occurrences, bool isDefault = false) {
    return Arrangement{clientId, existing, "Exploded", isDefault, "", "", std::move(occurrences)};
  }
  Response write(const std::vector<Info>& info, bool complete = false) {
    return run([&] {
      return CreateOrUpdateAbsoluteStructureImpl().createOrUpdateAbsoluteStructure(
          info, "", complete, StructureManagement::CreateOrUpdateAbsoluteStructurePref());
    });
  }
  std::string quantityAt(const Strings& path, Tag arrangement = NULLTAG) {
    return attributeAt("r.asm.A", path, "bl_quantity", arrangement);
  }
};

TEST_F(AbsoluteStructureTest, AnOverrideByPathMakesAnAbsoluteOccurrenceInTheContext) {
  const Response response = write({input({byPath("pin", {"occ.sub", "occ.pin"}, "3")})});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  const Tag absOcc =
      host::findAbsOccurrence(tagOf("bvr.asm"), {tagOf("occ.sub"), tagOf("occ.pin")});
  ASSERT_NE(absOcc, NULLTAG);
  EXPECT_EQ(response.absOccOutput.at("pin").tag(), absOcc);
  EXPECT_EQ(sorted(response.serviceData.createdUids()), Strings{uidOf(absOcc)});
  EXPECT_EQ(quantityAt({"occ.sub", "occ.pin"}), "3");
  EXPECT_EQ(attributeAt("r.sub.A", {"occ.pin"}, "bl_quantity"), "");

  // Written again (as required: the quantity "AR"), the same absolute occurrence is reported as
  // updated.
  AbsOcc asRequired = byPath("pin", {"occ.sub", "occ.pin"});
  asRequired.absOccData.asRequired = true;
  const Response again = write({input({asRequired})});
  EXPECT_EQ(again.absOccOutput.at("pin").tag(), absOcc);
  EXPECT_EQ(sorted(again.serviceData.updatedUids()), Strings{uidOf(absOcc)});
  EXPECT_EQ(quantityAt({"occ.sub", "occ.pin"}), "AR");
}

TEST_F(AbsoluteStructureTest, FailingOccurrencesAreErrorStacksAndTheOthersGoOn) {
  AbsOcc transform = byPath("t", {"occ.plate"}, "2");
  transform.absOccData.occTransform = std::vector<double>(17, 1.0);
  const Response response = write({input({
      byPath("none", {}),
      byPath("lost", {"occ.nothing"}),
      transform,
      byAbsOcc("bolt", "ao.bolt", "9"),
  })});
  EXPECT_EQ(errorsOf(response.serviceData), (Strings{"none: 215140", "lost: 215004", "t: 7013"}));
  ASSERT_EQ(response.absOccOutput.size(), 1u);
  EXPECT_EQ(response.absOccOutput.at("bolt").tag(), tagOf("ao.bolt"));
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), Strings{"ao.bolt"});
  EXPECT_EQ(quantityAt({"occ.bolt"}), "9");
  // The failing occurrence's quantity, written before its transform was refused, is gone.
  EXPECT_EQ(quantityAt({"occ.plate"}), "");
}

// With a CAD occurrence-id attribute that some lines lack, an empty element of a path names no
// line: the occurrence fails with 215004 and writes nothing, rather than writing onto whichever
// line carries no id.
TEST_F(AbsoluteStructureTest, AnEmptyCadOccurrenceIdNamesNoLine) {
  const std::string before = savedObjects();
  StructureManagement::CreateOrUpdateAbsoluteStructurePref pref;
  pref.cadOccIdAttrName = "CAD_OCC_ID";
  const Response response = run([&] {
    return CreateOrUpdateAbsoluteStructureImpl().createOrUpdateAbsoluteStructure(
        {input({byPath("empty", {""}, "5"), byPath("below", {"c3", ""}, "5")})}, "", false, pref);
  });
  EXPECT_EQ(errorsOf(response.serviceData), (Strings{"empty: 215004", "below: 215004"}));
  EXPECT_TRUE(response.absOccOutput.empty());
  EXPECT_EQ(savedObjects(), before);
}

// ao.pin lives in the context of SUB: a window shows it once below every use of SUB. Written in
// the context of an assembly, it must be shown by exactly one line; on none or on several the
// occurrence fails alone and nothing is written.
TEST_F(AbsoluteStructureTest, AnAbsoluteOccurrenceMustBeShownByExactlyOneLine) {
  const Response elsewhere = write({input({byAbsOcc("pin", "ao.pin", "2")}, {}, "r.frame.A")});
  EXPECT_EQ(errorsOf(elsewhere.serviceData), Strings{"pin: 215002"});

  const Response once = write({input({byAbsOcc("pin", "ao.pin", "2")})});
  EXPECT_EQ(errorsOf(once.serviceData), Strings{});
  EXPECT_EQ(quantityAt({"occ.sub", "occ.pin"}), "2");

  const Tag window = openWindow(tagOf("r.asm.A"));
  Tag second;
  ASSERT_EQ(BOM_line_add(topLine_, tagOf("i.sub"), tagOf("r.sub.A"), NULLTAG, &second), 0);
  ASSERT_EQ(BOM_save_window(window), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
  const Response twice = write({input({byAbsOcc("pin", "ao.pin", "5")})});
  EXPECT_EQ(errorsOf(twice.serviceData), Strings{"pin: 215002"});
  EXPECT_EQ(quantityAt({"occ.sub", "occ.pin"}), "2");
}

// Two inputs on one structure with complete: the data go once, before the first input, so the
// second keeps what the first wrote. ao.bolt, which loses its quantity override without being
// written again, is reported as updated.
TEST_F(AbsoluteStructureTest, CompleteRemovesAStructuresDataOncePerCall) {
  const Response response = write(
      {input({byPath("plate", {"occ.plate"}, "2")}), input({byPath("lamp", {"occ.lamp"}, "3")})},
      true);
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  EXPECT_EQ(store().find(tagOf("d.bolt.qty")), nullptr);
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), Strings{"ao.bolt"});
  EXPECT_EQ(response.serviceData.createdUids().size(), 2u);
  EXPECT_EQ(quantityAt({"occ.plate"}), "2");
  EXPECT_EQ(quantityAt({"occ.lamp"}), "3");
  for (const auto& entry : response.absOccOutput) {
    EXPECT_NE(store().find(entry.second.tag()), nullptr) << entry.first;
  }
}

// Complete takes the overrides and attachments of every absolute occurrence of the structure,
// under its own qualifier and its arrangements': each one that had some is changed and reported
// as updated, written again or not; sent again, only what the request writes is reported.
TEST_F(AbsoluteStructureTest, CompleteReportsTheAbsoluteOccurrencesWhoseDataItRemoved) {
  load(R"(<fixture>
    <object uid="ao.plate" class="AbsOccurrence"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.plate"/></prop></object>
    <object uid="ao.lamp" class="AbsOccurrence"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="occurrence_path"><v value="occ.lamp"/></prop></object>
    <object uid="q.open" class="AbsOccDataQualifier"><prop name="context_bvr" value="bvr.asm"/>
      <prop name="arrangement" value="arr.open"/></object>
    <relation class="AbsOccRelation" type="ZOLT_reference" primary="ao.lamp" secondary="ds.1">
      <prop name="qualifier" value="q.open"/></relation>
  </fixture>)");
  const std::string request = R"(
    <CreateOrUpdateAbsoluteStructureInput complete="true" bomViewTypeName="">
      <info><contextItemRev uid="r.asm.A"/>
        <bvrAbsOccInfo clientId="plate"><absOcc uid=""/><cadOccIdPath>occ.plate</cadOccIdPath>
          <absOccData asRequired="false" clientIdOfUsedArrangement="">
            <overridesToSet name="bl_quantity" value="2"/></absOccData></bvrAbsOccInfo>
      </info>
      <pref cadOccIdAttrName=""/>
    </CreateOrUpdateAbsoluteStructureInput>)";
  const auto updatedBy = [&] {
    const auto response = responseOf<Wire::CreateOrUpdateAbsoluteStructureResponse>(
        send("createOrUpdateAbsoluteStructure", request));
    Strings uids = soacad_test::modelUids(response.getServiceData().getUpdatedObjArray());
    std::sort(uids.begin(), uids.end());
    const Strings errors = partialErrorsOf(response);
    uids.insert(uids.end(), errors.begin(), errors.end());
    return uids;
  };
  // Should the host not tell what the removal takes, the input fails whole: nothing removed.
  host::faultPlan().fail("AbsOccData::findAbsOccsForQual", POM_invalid_tag);
  EXPECT_EQ(updatedBy(), Strings{": 7007"});
  host::faultPlan().clear();
  EXPECT_NE(store().find(tagOf("d.bolt.qty")), nullptr);

  EXPECT_EQ(updatedBy(), (Strings{"ao.bolt", "ao.lamp", "ao.plate"}));
  EXPECT_EQ(store().find(tagOf("d.bolt.qty")), nullptr);
  EXPECT_EQ(updatedBy(), Strings{"ao.plate"}) << "sent again";
}

// An occurrence for which the host makes no absolute occurrence, or answers one that names no
// object, fails alone instead of being reported with an empty UID.
TEST_F(AbsoluteStructureTest, AnOccurrenceWithoutAnAbsoluteOccurrenceFails) {
  for (const char* call : {"BOM_modified_bvr", "POM_string_to_tag"}) {
    SCOPED_TRACE(call);
    host::faultPlan().nullResult(call, 1);
    const Response response =
        write({input({byPath("plate", {"occ.plate"}), byPath("lamp", {"occ.lamp"}, "3")})});
    host::faultPlan().clear();
    EXPECT_EQ(errorsOf(response.serviceData),
              Strings{"plate: " + std::to_string(Korvane::Soa::Cad::kAbsOccNotMade)});
    EXPECT_EQ(response.absOccOutput.count("plate"), 0u);
    EXPECT_EQ(response.absOccOutput.count("lamp"), 1u);
    EXPECT_EQ(response.serviceData.createdUids().count(""), 0u);
  }
}

// An arrangement of another structure is refused whatever isDefault says, and nothing is
// written under it.
TEST_F(AbsoluteStructureTest, AnArrangementOfAnotherStructureIsRefused) {
  const std::string before = savedObjects();
  for (bool isDefault : {false, true}) {
    const Response response =
        write({input({}, {arrangement("sub", tagOf("arr.sub"), {byPath("bolt", {"occ.bolt"}, "1")},
                                      isDefault)})});
    EXPECT_EQ(errorsOf(response.serviceData),
              Strings{"sub: " + std::to_string(Korvane::Soa::Cad::kArrangementOfAnotherBvr)});
    EXPECT_TRUE(response.asmArrOutput.empty());
    EXPECT_EQ(savedObjects(), before);
  }
  // The window refuses it too.
  const Tag window = openWindow(tagOf("r.asm.A"));
  EXPECT_EQ(BOM_set_window_active_arrangement(window, tagOf("arr.sub")), ARR_not_of_bvr);
  ERROR_store_clear();
  EXPECT_EQ(BOM_set_window_active_arrangement(window, tagOf("arr.open")), 0);
  EXPECT_EQ(BOM_close_window(window), 0);
}

// The lines found for an occurrence are the window's, not the occurrence's: after a failure the
// next occurrence finds them again without the window making them again, so that a failing
// occurrence costs what a succeeding one does.
TEST_F(AbsoluteStructureTest, FailingOccurrencesDoNotMakeTheWindowsLinesAgain) {
  auto generatedUids = [&](int failures) {
    std::vector<AbsOcc> occurrences;
    for (int i = 0; i < failures; ++i) {
      occurrences.push_back(byPath("f" + std::to_string(i), {"occ.sub", "occ.pin"}, "-1"));
    }
    auto handedOut = [&] {
      const auto counter = store().counters().find("uid");
      return counter == store().counters().end() ? std::uint64_t{0} : counter->second;
    };
    const std::uint64_t before = handedOut();
    const Response response = write({input(occurrences)});
    EXPECT_EQ(errorsOf(response.serviceData).size(), static_cast<std::size_t>(failures));
    return handedOut() - before;
  };
  const std::uint64_t one = generatedUids(1);
  EXPECT_EQ(generatedUids(4), one);
}

TEST_F(AbsoluteStructureTest, AFailingInputIsUndoneAsAWholeAndTheNextGoesOn) {
  const std::string before = savedObjects();
  host::faultPlan().fail("BOM_save_window", POM_not_modifiable, 1);
  const Response response =
      write({input({byPath("plate", {"occ.plate"}, "2")}, {arrangement("x", NULLTAG, {})}),
             input({}, {}, "r.kit.A")},
            true);
  EXPECT_EQ(errorsOf(response.serviceData), (Strings{": 7015", ": 215043"}));
  EXPECT_TRUE(response.absOccOutput.empty());
  EXPECT_TRUE(response.asmArrOutput.empty());
  EXPECT_TRUE(response.serviceData.createdUids().empty());
  EXPECT_EQ(savedObjects(), before);
}

TEST_F(AbsoluteStructureTest, ArrangementsHoldTheirOwnDataAndAreReportedOnce) {
  const Response response =
      write({input({byPath("plate", {"occ.plate"}, "2")},
                   {arrangement("x", NULLTAG, {byPath("plate again", {"occ.plate"}, "5")}, true),
                    arrangement("open", tagOf("arr.open"), {byPath("bolt", {"occ.bolt"}, "1")})})});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{});
  const Tag created = response.asmArrOutput.at("x").tag();
  EXPECT_EQ(response.asmArrOutput.at("open").tag(), tagOf("arr.open"));
  const Tag plate = response.absOccOutput.at("plate").tag();
  EXPECT_EQ(response.absOccOutput.at("plate again").tag(), plate);
  EXPECT_EQ(sorted(response.serviceData.createdUids()), sorted({uidOf(created), uidOf(plate)}));
  // The view revision names the new arrangement as its default.
  EXPECT_EQ(sorted(response.serviceData.updatedUids()), sorted({"arr.open", "ao.bolt", "bvr.asm"}));
  EXPECT_EQ(savedTag(tagOf("bvr.asm"), "default_arrangement"), created);
  EXPECT_EQ(quantityAt({"occ.plate"}), "2");
  EXPECT_EQ(quantityAt({"occ.plate"}, created), "5");
  EXPECT_EQ(quantityAt({"occ.bolt"}, tagOf("arr.open")), "1");
  EXPECT_EQ(quantityAt({"occ.bolt"}), "7");

  const Response undefault = write({input({}, {arrangement("x", created, {}, false)})});
  EXPECT_EQ(savedTag(tagOf("bvr.asm"), "default_arrangement"), NULLTAG);
  EXPECT_EQ(sorted(undefault.serviceData.updatedUids()), sorted({uidOf(created), "bvr.asm"}));
}

// The view revision names its default arrangement: an arrangement made the default, or one that
// stops being it, changes the view revision, which is reported as updated; an arrangement that
// stays what it was leaves it out.
TEST_F(AbsoluteStructureTest, AViewRevisionWhoseDefaultArrangementChangesIsReported) {
  const auto write = [&](const std::string& arrangementUid, bool isDefault) {
    const std::string request = soacad_test::absoluteStructureRequest(
        "r.asm.A",
        std::string(R"(<arrAbsOccInfo clientId="a" name="Exploded" description="" externalUid="" )"
                    R"(isDefault=")") +
            (isDefault ? "true" : "false") + R"("><arrangement uid=")" + arrangementUid +
            R"("/></arrAbsOccInfo>)",
        false);
    const auto response = responseOf<Wire::CreateOrUpdateAbsoluteStructureResponse>(
        send("createOrUpdateAbsoluteStructure", request));
    EXPECT_EQ(partialErrorsOf(response), Strings{});
    return soacad_test::reportedBy(response).updated;
  };
  EXPECT_EQ(write("", false), Strings{});
  EXPECT_EQ(write("", true), Strings{"bvr.asm"});
  EXPECT_EQ(write("arr.open", true), (Strings{"arr.open", "bvr.asm"}));
  EXPECT_EQ(write("arr.open", true), Strings{"arr.open"});
  EXPECT_EQ(write("arr.open", false), (Strings{"arr.open", "bvr.asm"}));
  EXPECT_EQ(write("arr.open", false), Strings{"arr.open"});
}

TEST_F(AbsoluteStructureTest, UsedArrangementsAreNamedByClientIdOfThisCallOrGiven) {
  AbsOcc unknown = byPath("unknown", {"occ.sub"});
  unknown.absOccData.clientIdOfUsedArrangement = "missing";
  AbsOcc given = byPath("given", {"occ.sub"});
  given.absOccData.usedArr = tagOf("arr.sub");
  const Response response = write({input({}, {arrangement("x", NULLTAG, {unknown, given})})});
  EXPECT_EQ(errorsOf(response.serviceData), Strings{"unknown: 215003"});
  const Tag created = response.asmArrOutput.at("x").tag();
  EXPECT_EQ(saved(created, "used_anchors").tags, std::vector<Tag>{tagOf("anc.sub")});
}

// A line's subassembly uses an arrangement of its own structure: the arrangement being written
// (itself), one of another view revision and any for a line without a structure are refused
// with 215162 for that occurrence alone; one that an earlier input of the call made for the
// subassembly is taken.
TEST_F(AbsoluteStructureTest, AUsedArrangementMustBeOneOfTheLinesSubassembly) {
  const auto using_ = [&](const std::string& clientId, const Strings& path, const char* usedUid,
                          const std::string& usedClientId = "") {
    AbsOcc occurrence = byPath(clientId, path);
    occurrence.absOccData.usedArr = usedUid == nullptr ? NULLTAG : tagOf(usedUid);
    occurrence.absOccData.clientIdOfUsedArrangement = usedClientId;
    return occurrence;
  };
  const Response response =
      write({input({}, {arrangement("folded", NULLTAG, {})}, "r.sub.A"),
             input({}, {arrangement("x", NULLTAG,
                                    {using_("itself", {"occ.sub"}, nullptr, "x"),
                                     using_("another", {"occ.sub"}, "arr.open"),
                                     using_("part", {"occ.bolt"}, "arr.sub"),
                                     using_("folded", {"occ.sub"}, nullptr, "folded")})})});
  EXPECT_EQ(errorsOf(response.serviceData),
            (Strings{"itself: 215162", "another: 215162", "part: 215162"}));
  const Tag created = response.asmArrOutput.at("x").tag();
  EXPECT_EQ(saved(created, "used_anchors").tags,
            std::vector<Tag>{savedTag(response.asmArrOutput.at("folded").tag(), "anchor")});
  EXPECT_EQ(response.absOccOutput.count("itself"), 0u);
}

// An attachment that fails is an error stack of its occurrence's client id (the line it was
// written through belongs to the operation's window, gone when the call answers); the
// occurrence's other data are written.
TEST_F(AbsoluteStructureTest, DatasetsAreAttachedAndDetachedAndFailuresKeyedByTheOccurrence) {
  AbsOcc attach = byPath("bolt", {"occ.bolt"});
  attach.absOccData.attachment = {{tagOf("ds.1"), "ZOLT_reference"}, {tagOf("ds.1"), "nothing"}};
  const Response attached = write({input({attach})});
  EXPECT_EQ(errorsOf(attached.serviceData), Strings{"bolt: 35011"});
  EXPECT_EQ(attached.absOccOutput.count("bolt"), 1u);
  EXPECT_EQ(secondaries(tagOf("ao.bolt"), "ZOLT_reference"), std::vector<Tag>{tagOf("ds.1")});

  AbsOcc detach = byPath("bolt", {"occ.bolt"});
  detach.absOccData.attachmentsToUnattach = {{tagOf("ds.1"), "ZOLT_reference"}};
  EXPECT_EQ(errorsOf(write({input({detach})}).serviceData), Strings{});
  EXPECT_TRUE(secondaries(tagOf("ao.bolt"), "ZOLT_reference").empty());
  host::faultPlan().fail("BOM__line_ask_absocc_relation", POM_invalid_tag);
  EXPECT_EQ(errorsOf(write({input({detach})}).serviceData), Strings{"bolt: 7007"});
  host::faultPlan().clear();
}

// An absolute occurrence that one input makes and a later input of the call updates is
// reported once, as made.
TEST_F(AbsoluteStructureTest, AnAbsoluteOccurrenceMadeAndUpdatedInOneCallIsReportedMade) {
  const Response response = write(
      {input({byPath("first", {"occ.plate"}, "2")}), input({byPath("again", {"occ.plate"}, "3")})});
  const Tag made = response.absOccOutput.at("first").tag();
  EXPECT_EQ(response.absOccOutput.at("again").tag(), made);
  EXPECT_EQ(sorted(response.serviceData.createdUids()), Strings{uidOf(made)});
  EXPECT_TRUE(response.serviceData.updatedUids().empty());
  EXPECT_EQ(quantityAt({"occ.plate"}), "3");
}

}  // namespace
