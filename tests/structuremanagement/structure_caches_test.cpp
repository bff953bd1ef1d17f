// The lookups shared by the structure writes: view types, views and view revisions with their
// failures, attribute ids looked up once, and the line caches of a window.
#include "structuremanagement/structure_caches.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "tests/structuremanagement/structure_write_fixture.h"

namespace {

using Korvane::Soa::Cad::AbsoluteStructureCache;
using Korvane::Soa::Cad::BomLineAttributeHelper;
using Korvane::Soa::Cad::RelativeStructureCache;
using Korvane::Soa::Cad::StructureManagementUtils;
using soacad_test::ifailOf;
using Strings = std::vector<std::string>;

class StructureLookupTest : public soacad_test::StructureWriteTest {
 protected:
  // The failure of findBvAndBvr for the revision and view type.
  Strings bvAndBvrFailure(const std::string& revisionUid, const std::string& viewTypeUid) {
    Tag bv = 1;
    Tag bvr = 1;
    const int code = ifailOf([&] {
      StructureManagementUtils::findBvAndBvr(tagOf(revisionUid), tagOf(viewTypeUid), bv, bvr);
    });
    EXPECT_NE(code, 0);
    return takeNewestEntry();
  }
};

TEST_F(StructureLookupTest, ViewTypesByNameWithTheDefaultForTheEmptyName) {
  EXPECT_EQ(StructureManagementUtils::findBomViewType(""), tagOf("vt.view"));
  EXPECT_EQ(StructureManagementUtils::findBomViewType("manufacturing"), tagOf("vt.mfg"));
  EXPECT_EQ(ifailOf([] { StructureManagementUtils::findBomViewType("View"); }), 215000);
  EXPECT_EQ(takeNewestEntry(), (Strings{"215000", "View"}));  // The name it did not find.
  expectSettled();
}

TEST_F(StructureLookupTest, MissingViewOrViewRevisionNamesWhatIsMissing) {
  EXPECT_EQ(bvAndBvrFailure("r.asm.A", "vt.mfg"), (Strings{"215044", "manufacturing", "ASM"}));
  EXPECT_EQ(bvAndBvrFailure("r.kit.A", "vt.view"), (Strings{"215043", "KIT", "A"}));
  host::faultPlan().nullResult("ITEM_ask_item_of_rev");
  EXPECT_EQ(bvAndBvrFailure("r.asm.A", "vt.view"), (Strings{"215042", "A"}));
  expectSettled();
}

TEST_F(StructureLookupTest, TheViewRevisionMustBeChangeable) {
  load(R"(<fixture><preferences><preference name="SOACAD_checkout_required">
    <v value="true"/></preference></preferences></fixture>)");
  EXPECT_EQ(bvAndBvrFailure("r.asm.A", "vt.view").front(), "215005");
  store().setModifiable(tagOf("bvr.asm"), false);
  EXPECT_EQ(bvAndBvrFailure("r.asm.A", "vt.view").front(), "215006");
}

class LineCacheTest : public StructureLookupTest {
 protected:
  void SetUp() override {
    StructureLookupTest::SetUp();
    window_ = openWindow(tagOf("r.asm.A"));
  }
  void TearDown() override {
    EXPECT_EQ(BOM_close_window(window_), 0);
    expectSettled();
  }
  // The occurrence of a line a cache found ("top" for the top line, "" for none).
  std::string found(Tag line) { return line == NULLTAG ? "" : occurrenceOf(line); }
  std::string byPath(AbsoluteStructureCache& cache, const Strings& path) {
    return found(cache.findBomLineByCadOccIdPath(path));
  }

  Tag window_;
  BomLineAttributeHelper attributes_;
};

TEST_F(LineCacheTest, AttributeIdsAreLookedUpOncePerName) {
  attributes_.askAttributeTag(topLine_, "bl_revision");
  attributes_.askAttributeString(topLine_, "bl_revision");
  attributes_.askAttributeString(topLine_, "CAD_OCC_ID");
  EXPECT_EQ(calls("BOM_line_look_up_attribute"), 2);
  EXPECT_EQ(ifailOf([&] { attributes_.askAttributeString(topLine_, "no_such_attribute"); }), 45001);
  ERROR_store_clear();
}

TEST_F(LineCacheTest, PathsLeadFromTheTopLineThroughTheChildLines) {
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "", attributes_);
  EXPECT_EQ(byPath(cache, {}), "top");
  EXPECT_EQ(byPath(cache, {"occ.plate"}), "occ.plate");
  EXPECT_EQ(byPath(cache, {"occ.sub", "occ.pin"}), "occ.pin");
  EXPECT_EQ(byPath(cache, {"occ.nothing"}), "");
  EXPECT_EQ(byPath(cache, {"occ.nothing", "occ.pin"}), "");
  EXPECT_EQ(byPath(cache, {"occ.plate", "occ.pin"}), "");
}

// Paths given in the order of the lines read each line's children once, all of them: every
// later sibling, and an id that no sibling has, costs no host call.
TEST_F(LineCacheTest, EachLinesChildrenAreReadOnceWhateverTheOrderOfThePaths) {
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "CAD_OCC_ID", attributes_);
  const int childLines = static_cast<int>(allChildren(topLine_).size());
  host::callLog().clear();
  EXPECT_EQ(byPath(cache, {"c1"}), "occ.bolt");
  EXPECT_EQ(byPath(cache, {"c2"}), "occ.plate");
  EXPECT_EQ(byPath(cache, {"c3"}), "occ.sub");
  EXPECT_EQ(byPath(cache, {"c9"}), "");
  EXPECT_EQ(byPath(cache, {"c1"}), "occ.bolt");
  EXPECT_EQ(calls("BOM_line_ask_all_child_lines"), 1);
  EXPECT_EQ(calls("BOM_line_ask_attribute_string"), childLines);
  cache.clear();
  EXPECT_EQ(byPath(cache, {"c2"}), "occ.plate");
  EXPECT_EQ(calls("BOM_line_ask_all_child_lines"), 2);
}

TEST_F(LineCacheTest, ARepeatedCadOccurrenceIdFindsTheFirstLineByPathAndTheLastInTheRelativeMap) {
  attributes_.setAttributeString(childFor(topLine_, "occ.plate"), "CAD_OCC_ID", "c1");
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "CAD_OCC_ID", attributes_);
  // Looking up c3 first memoises the siblings c1 (bolt) and c1 (plate) on the way.
  EXPECT_EQ(byPath(cache, {"c3"}), "occ.sub");
  EXPECT_EQ(byPath(cache, {"c1"}), "occ.bolt");
  AbsoluteStructureCache fresh;
  fresh.init(window_, topLine_, "CAD_OCC_ID", attributes_);
  EXPECT_EQ(byPath(fresh, {"c1"}), "occ.bolt");

  RelativeStructureCache relative;
  relative.buildCache(topLine_, false, true, "CAD_OCC_ID", attributes_);
  EXPECT_EQ(found(relative.findBomLineByCadOccId("c1")), "occ.plate");
  EXPECT_EQ(relative.cadOccIdCacheSize(), 2);  // c1 and c3; the other lines carry none.
}

// A line without a CAD occurrence id is passed over: an empty path element names no line, not
// whichever child carries no id, and the lines that carry one are still found.
TEST_F(LineCacheTest, AnEmptyPathElementFindsNoLine) {
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "CAD_OCC_ID", attributes_);
  EXPECT_EQ(byPath(cache, {""}), "");
  EXPECT_EQ(byPath(cache, {"c3", ""}), "");
  EXPECT_EQ(byPath(cache, {"c2"}), "occ.plate");
  cache.init(window_, topLine_, "", attributes_);
  EXPECT_EQ(byPath(cache, {""}), "");
}

TEST_F(LineCacheTest, AnAbsoluteOccurrenceIsFoundOnExactlyOneLine) {
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "", attributes_);
  EXPECT_EQ(found(cache.findBomLineByAbsOcc(tagOf("ao.bolt"))), "occ.bolt");
  const int asked = calls("BOM__window_get_bomlines_from_absOcc");
  cache.findBomLineByAbsOcc(tagOf("ao.bolt"));
  EXPECT_EQ(calls("BOM__window_get_bomlines_from_absOcc"), asked);
  // ao.pin lives in the context of SUB, which this window shows once, below occ.sub.
  const Tag pin = cache.findBomLineByAbsOcc(tagOf("ao.pin"));
  EXPECT_EQ(found(pin), "occ.pin");
  EXPECT_EQ(host::parentLineOf(pin), childFor(topLine_, "occ.sub"));
}

TEST_F(LineCacheTest, AnAbsoluteOccurrenceOnSeveralLinesOrOnNoneIsNotUnique) {
  // SUB used a second time: its absolute occurrence ao.pin is shown below both uses.
  Tag second;
  ASSERT_EQ(BOM_line_add(topLine_, tagOf("i.sub"), tagOf("r.sub.A"), NULLTAG, &second), 0);
  AbsoluteStructureCache cache;
  cache.init(window_, topLine_, "", attributes_);
  EXPECT_EQ(ifailOf([&] { cache.findBomLineByAbsOcc(tagOf("ao.pin")); }), 215002);
  ERROR_store_clear();
  // A window on the bolt alone shows neither context.
  const Tag bolt = openWindow(tagOf("r.bolt.A"));
  cache.init(bolt, topLine_, "", attributes_);
  EXPECT_EQ(ifailOf([&] { cache.findBomLineByAbsOcc(tagOf("ao.pin")); }), 215002);
  ERROR_store_clear();
  EXPECT_EQ(BOM_close_window(bolt), 0);
}

TEST_F(LineCacheTest, RelativeMapsExistOnlyWhenAskedFor) {
  RelativeStructureCache cache;
  EXPECT_EQ(cache.getOccTagToBomLineMap(), nullptr);
  EXPECT_EQ(cache.findBomLineByOccTag(tagOf("occ.bolt")), NULLTAG);
  EXPECT_EQ(cache.findBomLineByCadOccId("c1"), NULLTAG);
  cache.removeOccTag(tagOf("occ.bolt"));
  cache.buildCache(topLine_, false, false, "", attributes_);
  EXPECT_EQ(calls("BOM_line_ask_all_child_lines"), 0);

  cache.buildCache(topLine_, true, false, "", attributes_);
  EXPECT_EQ(cache.occTagCacheSize(), 6);
  EXPECT_EQ(cache.cadOccIdCacheSize(), 0);
  EXPECT_EQ(found(cache.findBomLineByOccTag(tagOf("occ.gde"))), "occ.gde");
  cache.removeOccTag(tagOf("occ.gde"));
  EXPECT_EQ(cache.findBomLineByOccTag(tagOf("occ.gde")), NULLTAG);
  // The default attribute is the occurrence's UID; the occurrence map is kept.
  cache.buildCache(topLine_, false, true, "", attributes_);
  EXPECT_EQ(found(cache.findBomLineByCadOccId("occ.lamp")), "occ.lamp");
  EXPECT_EQ(cache.occTagCacheSize(), 5);
  cache.clear();
  EXPECT_EQ(cache.occTagCacheSize() + cache.cadOccIdCacheSize(), 0);
}

}  // namespace
