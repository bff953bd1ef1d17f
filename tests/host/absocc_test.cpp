#include "host/object/absocc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "host/object/aom.h"
#include "host/object/arr.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/grm.h"
#include "host/object/pom.h"
#include "host/object/structure_objects.h"
#include "host/object/structure_support.h"
#include "tests/host/structure_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

// A window on ASM in absolute-occurrence edit mode, and the pin line below the subassembly.
class AbsoluteOccurrenceTest : public soacad_test::StructureTest {
 protected:
  void SetUp() override {
    StructureTest::SetUp();
    window_ = openWindow(tagOf("r.asm.A"));
    const BOMWindow view(window_);
    EXPECT_EQ(view.setAbsOccEditMode(true), 0);
    EXPECT_EQ(view.setCtxtLine(topLine_), 0);
    EXPECT_EQ(view.setIgnoreArrangements(false), 0);
    pin_ = lineAt({"occ.sub", "occ.pin"});
  }

  Tag pathAbsOcc() {
    return host::findAbsOccurrence(tagOf("bvr.asm"), {tagOf("occ.sub"), tagOf("occ.pin")});
  }

  Tag window_;
  Tag pin_;
};

TEST_F(AbsoluteOccurrenceTest, FirstOverrideMakesTheAbsoluteOccurrence) {
  EXPECT_EQ(attribute(pin_, "bl_absocc_uid_in_topline_context"), "");
  ASSERT_EQ(setAttribute(pin_, "bl_quantity", "3"), 0);
  ASSERT_EQ(setAttribute(pin_, "CAD_OCC_ID", "p1"), 0);
  const Tag absOcc = pathAbsOcc();
  ASSERT_NE(absOcc, NULLTAG);
  EXPECT_EQ(attribute(pin_, "bl_absocc_uid_in_topline_context"), uidOf(absOcc));
  EXPECT_EQ(attribute(pin_, "bl_quantity"), "3");
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "p1");
  EXPECT_FALSE(host::hasValue(tagOf("occ.pin"), "quantity")) << "the occurrence keeps its own";

  ASSERT_EQ(BOM_save_window(window_), 0);
  ASSERT_EQ(BOM_close_window(window_), 0);
  EXPECT_FALSE(ask(POM_is_newly_created, absOcc));

  // Another window reads the override in the same context, outside edit mode too.
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag pin = lineAt({"occ.sub", "occ.pin"});
  EXPECT_EQ(attribute(pin, "bl_quantity"), "3");
  EXPECT_EQ(askList(BOM__window_get_bomlines_from_absOcc, window, absOcc), std::vector<Tag>{pin});
  BOM_close_window(window);
  expectSettled();
}

// An absolute occurrence of SUB's own context is shown below every line that shows SUB, in tag
// order; one without a context is shown nowhere.
TEST_F(AbsoluteOccurrenceTest, AnOccurrenceOfASubassemblysContextIsShownBelowEachUse) {
  store().loadFixture(R"(<fixture>
    <object uid="ao.sub" class="AbsOccurrence"><prop name="context_bvr" value="bvr.sub"/>
      <prop name="occurrence_path"><v value="occ.pin"/></prop></object>
    <object uid="ao.bare" class="AbsOccurrence"/>
  </fixture>)");
  EXPECT_EQ(askList(BOM__window_get_bomlines_from_absOcc, window_, tagOf("ao.sub")),
            std::vector<Tag>{pin_});
  Tag second;
  ASSERT_EQ(BOM_line_add(topLine_, tagOf("i.sub"), tagOf("r.sub.A"), NULLTAG, &second), 0);
  const Tag secondPin = childFor(second, "occ.pin");
  ASSERT_NE(secondPin, NULLTAG);
  // The window is walked from its last child, so the later use is met first.
  std::vector<Tag> both = {pin_, secondPin};
  std::sort(both.begin(), both.end());
  EXPECT_EQ(askList(BOM__window_get_bomlines_from_absOcc, window_, tagOf("ao.sub")), both);
  EXPECT_TRUE(askList(BOM__window_get_bomlines_from_absOcc, window_, tagOf("ao.bare")).empty());
  ERROR_store_clear();
}

// The lines of an absolute occurrence are looked up one occurrence at a time along its path;
// what the window answers follows every change of the path's structures made between lookups,
// and every rollback of one.
TEST_F(AbsoluteOccurrenceTest, TheLinesOfAnAbsoluteOccurrenceFollowTheStructure) {
  ASSERT_EQ(setAttribute(pin_, "bl_quantity", "3"), 0);
  const Tag absOcc = pathAbsOcc();
  auto lines = [&] { return askList(BOM__window_get_bomlines_from_absOcc, window_, absOcc); };
  const std::vector<Tag> atPin = {pin_};
  const Tag sub = lineAt({"occ.sub"});
  struct Case {
    const char* name;
    std::function<void()> change;  // Under a mark point.
    std::vector<Tag> afterChange;
  };
  const std::vector<Case> cases = {
      {"the pin cut from the subassembly", [&] { ASSERT_EQ(BOM_line_cut(pin_), 0); }, {}},
      {"the pin's occurrence deleted on its own",
       [&] { ASSERT_EQ(AOM_delete(tagOf("occ.pin")), 0); },
       {}},
      {"another child added to the subassembly",
       [&] {
         Tag added;
         ASSERT_EQ(BOM_line_add(sub, tagOf("i.bolt"), NULLTAG, NULLTAG, &added), 0);
       },
       atPin},
      {"the subassembly cut from the assembly", [&] { ASSERT_EQ(BOM_line_cut(sub), 0); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(lines(), atPin);
    int mark = 0;
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    ASSERT_NO_FATAL_FAILURE(c.change());
    EXPECT_EQ(lines(), c.afterChange);
    ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
    EXPECT_EQ(lines(), atPin);
    // Changed and rolled back with no lookup between: the answer is the one before.
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    ASSERT_NO_FATAL_FAILURE(c.change());
    ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
    EXPECT_EQ(lines(), atPin);
  }
  // A line made for a new occurrence is found through its absolute occurrence.
  Tag added;
  ASSERT_EQ(BOM_line_add(sub, tagOf("i.bolt"), NULLTAG, NULLTAG, &added), 0);
  ASSERT_EQ(setAttribute(added, "bl_quantity", "2"), 0);
  const Tag addedAbsOcc = host::findAbsOccurrence(
      tagOf("bvr.asm"),
      {tagOf("occ.sub"), ask(BOM_line_ask_attribute_tag, added, attributeId("bl_occurrence"))});
  ASSERT_NE(addedAbsOcc, NULLTAG);
  EXPECT_EQ(askList(BOM__window_get_bomlines_from_absOcc, window_, addedAbsOcc),
            std::vector<Tag>{added});
  ERROR_store_clear();
}

// A child added to the subassembly in another window changes nothing the first window shows
// until it looks: its absolute occurrence is still found below the first window's subassembly.
TEST_F(AbsoluteOccurrenceTest, AChildAddedInAnotherWindowIsFoundThroughItsAbsoluteOccurrence) {
  ASSERT_EQ(setAttribute(pin_, "bl_quantity", "3"), 0);
  ASSERT_EQ(askList(BOM__window_get_bomlines_from_absOcc, window_, pathAbsOcc()),
            std::vector<Tag>{pin_});
  const Tag sub = lineAt({"occ.sub"});
  const Tag other = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOMWindow(other).setAbsOccEditMode(true), 0);
  ASSERT_EQ(BOMWindow(other).setCtxtLine(topLine_), 0);
  Tag added;
  ASSERT_EQ(BOM_line_add(lineAt({"occ.sub"}), tagOf("i.bolt"), NULLTAG, NULLTAG, &added), 0);
  ASSERT_EQ(setAttribute(added, "bl_quantity", "2"), 0);
  const Tag occurrence = attributeTag(added, "bl_occurrence");
  const Tag addedAbsOcc = host::findAbsOccurrence(tagOf("bvr.asm"), {tagOf("occ.sub"), occurrence});
  ASSERT_NE(addedAbsOcc, NULLTAG);

  const std::vector<Tag> found =
      askList(BOM__window_get_bomlines_from_absOcc, window_, addedAbsOcc);
  EXPECT_EQ(found, std::vector<Tag>{childFor(sub, uidOf(occurrence))});
  ERROR_store_clear();
}

TEST_F(AbsoluteOccurrenceTest, ClosingUnsavedDropsTheNewData) {
  const BOMLine pin(pin_);
  const double matrix[16] = {1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  ASSERT_EQ(pin.setTransform(matrix, 1), 0);
  ASSERT_EQ(pin.setQuantity(true, 0.0), 0);
  std::vector<double> transform;
  ASSERT_TRUE(host::findTransformOverride(pin_, &transform));
  EXPECT_EQ(transform.at(3), 5.0);
  EXPECT_EQ(attribute(pin_, "bl_quantity"), "AR");
  ASSERT_EQ(BOM_close_window(window_), 0);
  for (const char* made : {"AbsOccurrence", "AbsOccDataQualifier", "AbsOccData"}) {
    EXPECT_TRUE(store().objectsOfClass(store().classId(made)).empty()) << made;
  }
  expectSettled();
}

TEST_F(AbsoluteOccurrenceTest, ModifiedLineGetsItsAbsoluteOccurrence) {
  ASSERT_EQ(BOM_modified_bvr(pin_), 0);
  EXPECT_NE(pathAbsOcc(), NULLTAG);
  // The top line is no occurrence in its own context.
  EXPECT_EQ(BOM_modified_bvr(topLine_), 0);
  EXPECT_EQ(setAttribute(topLine_, "bl_sequence_no", "1"), BOM_line_has_no_occurrence);
}

TEST_F(AbsoluteOccurrenceTest, ArrangementsQualifyTheData) {
  Tag arrangement;
  ASSERT_EQ(ARR_create_assembly_arrangement(tagOf("bvr.asm"), false, "Open", "", "", &arrangement),
            0);
  ASSERT_EQ(setAttribute(pin_, "bl_sequence_no", "100"), 0);
  ASSERT_EQ(BOM_set_window_active_arrangement(window_, arrangement), 0);
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "100") << "the view revision's datum shows through";
  ASSERT_EQ(setAttribute(pin_, "bl_sequence_no", "200"), 0);
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "200");
  ASSERT_EQ(BOMWindow(window_).setIgnoreArrangements(true), 0);
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "100");
  ASSERT_EQ(BOM_save_window(window_), 0);

  std::vector<Tag> qualifiers;
  ASSERT_EQ(AbsOccDataQualifier::findByBvr(tagOf("bvr.asm"), &qualifiers), 0);
  ASSERT_EQ(qualifiers.size(), 2u);
  for (Tag qualifier : qualifiers) {
    ASSERT_EQ(AbsOccData::destroyAllForQual(qualifier), 0);
    ASSERT_EQ(qualifier.destroy(), 0);
  }
  ASSERT_EQ(AbsOccDataQualifier::findByBvr(tagOf("bvr.asm"), &qualifiers), 0);
  EXPECT_TRUE(qualifiers.empty());
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "");
  EXPECT_NE(pathAbsOcc(), NULLTAG) << "the absolute occurrence itself stays";
  BOM_close_window(window_);
  expectSettled();
}

TEST_F(AbsoluteOccurrenceTest, AttachmentsAndRemovedOverrides) {
  const Tag reference = ask(GRM_find_relation_type, "ZOLT_reference");
  ASSERT_EQ(BOM__line_add_absocc_relation(pin_, reference, tagOf("ds.1")), 0);
  ASSERT_EQ(BOM__line_add_absocc_relation(pin_, reference, tagOf("ds.1")), 0);
  const std::vector<Tag> attached =
      askList(BOM__line_ask_absocc_relation, pin_, NULLTAG, "ZOLT_reference", NULLTAG);
  ASSERT_EQ(attached.size(), 1u) << "attaching twice attaches once";
  EXPECT_EQ(ask(GRM_ask_secondary, attached[0]), tagOf("ds.1"));
  EXPECT_TRUE(askList(BOM__line_ask_absocc_relation, pin_, NULLTAG, "Other", NULLTAG).empty());
  EXPECT_EQ(BOM__line_add_absocc_relation(pin_, NULLTAG, tagOf("ds.1")), GRM_invalid_relation_type);
  ERROR_store_clear();

  ASSERT_EQ(setAttribute(pin_, "CAD_OCC_ID", "p1"), 0);
  ASSERT_EQ(BOM_save_window(window_), 0);
  ASSERT_EQ(BOM__line_remove_absocc_relation(pin_, NULLTAG, attached[0]), 0);
  ASSERT_EQ(BOM__line_remove_absocc_property(pin_, "CAD_OCC_ID", NULLTAG), 0);
  ASSERT_EQ(BOM__line_remove_absocc_property(pin_, "bl_quantity", NULLTAG), 0);
  EXPECT_TRUE(askList(BOM__line_ask_absocc_relation, pin_, NULLTAG, "", NULLTAG).empty());
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "");
  EXPECT_NE(store().find(attached[0]), nullptr) << "deleted when the window is saved";
  ASSERT_EQ(BOM_save_window(window_), 0);
  EXPECT_EQ(store().find(attached[0]), nullptr);
  BOM_close_window(window_);
  expectSettled();
}

// What the window marked for deletion is hidden until a rollback takes the mark back; the save
// empties the list, so an override set again afterwards shows.
TEST_F(AbsoluteOccurrenceTest, RemovedOverridesFollowRollbacksAndSaves) {
  ASSERT_EQ(setAttribute(pin_, "CAD_OCC_ID", "p1"), 0);
  ASSERT_EQ(setAttribute(pin_, "bl_sequence_no", "10"), 0);
  ASSERT_EQ(BOM_save_window(window_), 0);
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(BOM__line_remove_absocc_property(pin_, "CAD_OCC_ID", NULLTAG), 0);
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "");
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "p1");

  ASSERT_EQ(BOM__line_remove_absocc_property(pin_, "CAD_OCC_ID", NULLTAG), 0);
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "10");
  ASSERT_EQ(BOM__line_remove_absocc_property(pin_, "bl_sequence_no", NULLTAG), 0);
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "");
  EXPECT_EQ(attribute(pin_, "bl_sequence_no"), "");
  ASSERT_EQ(BOM_save_window(window_), 0);
  ASSERT_EQ(setAttribute(pin_, "CAD_OCC_ID", "p2"), 0);
  EXPECT_EQ(attribute(pin_, "CAD_OCC_ID"), "p2");
  BOM_close_window(window_);
  expectSettled();
}

TEST_F(AbsoluteOccurrenceTest, SavedStructureLoadsBack) {
  const Tag reference = ask(GRM_find_relation_type, "ZOLT_reference");
  ASSERT_EQ(BOM__line_add_absocc_relation(pin_, reference, tagOf("ds.1")), 0);
  ASSERT_EQ(BOMLine(pin_).setQuantity(false, 2.0), 0);
  ASSERT_EQ(BOM_save_window(window_), 0);
  const std::string saved = store().saveFixture();
  store().reset();
  load(saved);
  EXPECT_EQ(store().saveFixture(), saved);
  EXPECT_EQ(host::openBomWindows().size(), 1u) << "an open window is part of the store";
}

TEST_F(AbsoluteOccurrenceTest, ContextThatMayNotChangeRefusesOverrides) {
  store().setModifiable(tagOf("bvr.asm"), false);
  EXPECT_EQ(setAttribute(pin_, "bl_sequence_no", "1"), POM_not_modifiable);
  EXPECT_EQ(pathAbsOcc(), NULLTAG);
}

}  // namespace
