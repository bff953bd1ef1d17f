#include "host/object/bom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/pom.h"
#include "host/object/pom_object.h"
#include "host/object/ps.h"
#include "host/object/structure_objects.h"
#include "host/object/structure_support.h"
#include "tests/host/structure_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::ifailOf;
using Strings = std::vector<std::string>;

class BomWindowTest : public soacad_test::StructureTest {};

TEST_F(BomWindowTest, KeepsLinesWhileOpenAndExpandsSubassemblies) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  const std::vector<Tag> first = allChildren(topLine_);
  EXPECT_EQ(allChildren(topLine_), first);
  EXPECT_EQ(ask(BOM_ask_window_top_line, window), topLine_);

  const Tag sub = childFor(topLine_, "occ.sub");
  EXPECT_EQ(occurrencesOf(children(sub)), Strings{"occ.pin"});
  EXPECT_EQ(host::parentLineOf(children(sub)[0]), sub);
  EXPECT_TRUE(children(childFor(topLine_, "occ.bolt")).empty());

  EXPECT_EQ(BOM_close_window(window), 0);
  for (Tag line : first) {
    EXPECT_EQ(store().find(line), nullptr) << "lines go with their window";
  }
  EXPECT_EQ(BOM_close_window(window), POM_invalid_tag);
  EXPECT_EQ(ifailOf([&] { TAG_ask_pointer_of_tag_checked(tagOf("no.such")); }), POM_invalid_tag);
  EXPECT_EQ(storedCodes(), (std::vector<int>{POM_invalid_tag, POM_invalid_tag}));
}

// A line's children keep their lines from one expansion to the next whatever the order of the
// occurrences in their view revision; an occurrence listed twice has a line for each listing.
TEST_F(BomWindowTest, ChildLinesStayAcrossExpansionsInAnyOccurrenceOrder) {
  load(R"(<fixture>
    <object uid="occ.r1" class="PSOccurrence"><prop name="child_item" value="i.bolt"/></object>
    <object uid="occ.r2" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
    <object uid="occ.r3" class="PSOccurrence"><prop name="child_item" value="i.bolt"/></object>
    <object uid="i.rev" class="Item"><prop name="item_id" value="REV"/></object>
    <object uid="r.rev.A" class="ItemRevision">
      <prop name="items_tag" value="i.rev"/><prop name="item_revision_id" value="A"/></object>
    <object uid="bv.rev" class="PSBOMView">
      <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.rev"/></object>
    <object uid="bvr.rev" class="PSBOMViewRevision">
      <prop name="bom_view" value="bv.rev"/><prop name="parent_revision" value="r.rev.A"/>
      <prop name="occurrences">
        <v value="occ.r3"/><v value="occ.r2"/><v value="occ.r1"/><v value="occ.r2"/>
      </prop></object>
  </fixture>)");
  const Tag window = openWindow(tagOf("r.rev.A"));
  const Strings listed = {"occ.r3", "occ.r2", "occ.r1", "occ.r2"};
  const std::vector<Tag> first = allChildren(topLine_);
  ASSERT_EQ(occurrencesOf(first), listed);
  EXPECT_NE(first[1], first[3]);
  const std::vector<Tag> again = allChildren(topLine_);
  ASSERT_EQ(occurrencesOf(again), listed);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(again[i], first[i]) << i;
  }
  EXPECT_NE(again[1], again[3]);
  EXPECT_EQ(BOM_close_window(window), 0);
}

// A line whose occurrence left its view revision (cut and saved through another window) goes
// with the lines below it when its parent is expanded again; the other lines stay.
TEST_F(BomWindowTest, LinesOfOccurrencesThatLeftGoAtTheNextExpansion) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag top = topLine_;
  const std::vector<Tag> before = allChildren(top);
  const Tag sub = childFor(top, "occ.sub");
  const std::vector<Tag> below = allChildren(sub);
  ASSERT_FALSE(below.empty());

  const Tag other = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.sub")), 0);
  ASSERT_EQ(BOM_save_window(other), 0);
  ASSERT_EQ(BOM_close_window(other), 0);

  std::vector<Tag> kept = before;
  kept.erase(std::find(kept.begin(), kept.end(), sub));
  EXPECT_EQ(allChildren(top), kept);
  EXPECT_EQ(store().find(sub), nullptr);
  for (Tag line : below) {
    EXPECT_EQ(store().find(line), nullptr) << "the lines below it go too";
  }
  EXPECT_EQ(BOM_close_window(window), 0);
}

// No window keeps a line that went: a line that an expansion drops leaves its window's list of
// lines, and a window whose context line went has none (its top line serves).
TEST_F(BomWindowTest, ALineThatGoesLeavesItsWindow) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag top = topLine_;
  const Tag sub = childFor(top, "occ.sub");
  const Tag pin = childFor(sub, "occ.pin");
  const Tag plate = childFor(top, "occ.plate");
  ASSERT_EQ(BOMWindow(window).setCtxtLine(plate), 0);
  const Tag other = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.sub")), 0);  // Not saved.

  ASSERT_EQ(allChildren(top).size(), 5u);
  const std::vector<Tag> listed = host::referencesOf(window, "lines");
  EXPECT_EQ(std::find(listed.begin(), listed.end(), sub), listed.end());
  EXPECT_EQ(std::find(listed.begin(), listed.end(), pin), listed.end());
  EXPECT_EQ(listed.size(), 6u) << "the top line and its five children";
  EXPECT_EQ(host::referenceOf(window, "context_line"), plate) << "other lines went";
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.plate")), 0);
  ASSERT_EQ(allChildren(top).size(), 4u);
  EXPECT_EQ(host::referenceOf(window, "context_line"), NULLTAG);
  EXPECT_EQ(BOM_close_window(other), 0);
  EXPECT_EQ(BOM_close_window(window), 0);
}

// The lines of an occurrence that goes leave every window at once, with the lines below them:
// when a window's save deletes it, and when the window that made it closes unsaved.
TEST_F(BomWindowTest, TheLinesOfAnOccurrenceThatGoesLeaveEveryWindow) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag top = topLine_;
  const Tag sub = childFor(top, "occ.sub");
  const Tag pin = childFor(sub, "occ.pin");
  const Tag maker = openWindow(tagOf("r.asm.A"));
  const Tag added = ask(BOM_line_add, topLine_, tagOf("i.pin"), NULLTAG, NULLTAG);
  const Tag shown = childFor(top, uidOf(attributeTag(added, "bl_occurrence")));
  ASSERT_NE(shown, NULLTAG) << "the other window shows the unsaved occurrence";
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.sub")), 0);
  ASSERT_EQ(BOM_save_window(maker), 0);

  for (Tag gone : {sub, pin}) {
    EXPECT_EQ(store().find(gone), nullptr);
  }
  EXPECT_EQ(occurrencesOf(host::referencesOf(top, "child_lines")),
            (Strings{"occ.bolt", "occ.plate", "occ.gde", "occ.lamp", "occ.ghost",
                     uidOf(attributeTag(shown, "bl_occurrence"))}));
  const Tag third = openWindow(tagOf("r.asm.A"));
  const Tag made = ask(BOM_line_add, topLine_, tagOf("i.lamp"), NULLTAG, NULLTAG);
  const Tag madeShown = childFor(top, uidOf(attributeTag(made, "bl_occurrence")));
  ASSERT_NE(madeShown, NULLTAG);
  EXPECT_EQ(BOM_close_window(third), 0);
  EXPECT_EQ(store().find(madeShown), nullptr);
  EXPECT_EQ(host::referencesOf(top, "child_lines").size(), 6u);
  for (Tag line : host::referencesOf(window, "lines")) {
    EXPECT_NE(store().find(line), nullptr);
  }
  EXPECT_EQ(BOM_close_window(maker), 0);
  EXPECT_EQ(BOM_close_window(window), 0);
}

TEST_F(BomWindowTest, TopLineFromItemTakesTheConfiguredRevision) {
  Tag window;
  ASSERT_EQ(BOM_create_window(&window), 0);
  ASSERT_EQ(BOM_set_window_config_rule(window, tagOf("rr.latest")), 0);
  ASSERT_EQ(BOM_set_window_top_line(window, tagOf("i.asm"), NULLTAG, NULLTAG, &topLine_), 0);
  EXPECT_EQ(attributeTag(topLine_, "bl_revision"), tagOf("r.asm.A"));
  EXPECT_EQ(attributeTag(topLine_, "bl_occurrence"), NULLTAG);
  EXPECT_EQ(ask(BOM_ask_window_config_rule, window), tagOf("rr.latest"));

  Tag line;
  EXPECT_EQ(BOM_set_window_top_line(window, tagOf("i.bolt"), tagOf("r.asm.A"), NULLTAG, &line),
            BOM_invalid_child);
  EXPECT_EQ(BOM_set_window_top_line(window, NULLTAG, tagOf("r.asm.A"), tagOf("bv.sub"), &line),
            BOM_invalid_child);
  EXPECT_EQ(line, NULLTAG);
  EXPECT_EQ(storedCodes(), (std::vector<int>{BOM_invalid_child, BOM_invalid_child}));

  // A view alone names its item; a window without a rule of its own answers the default one.
  ASSERT_EQ(BOM_create_window(&window), 0);
  ASSERT_EQ(BOM_set_window_top_line(window, NULLTAG, NULLTAG, tagOf("bv.sub"), &topLine_), 0);
  EXPECT_EQ(attributeTag(topLine_, "bl_revision"), tagOf("r.sub.A"));
  EXPECT_EQ(ask(BOM_ask_window_config_rule, window), tagOf("rr.latest"));
}

TEST_F(BomWindowTest, VariantRulesConfigureOccurrencesOut) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOM_window_apply_full_vrule(window, tagOf("vr.red")), 0);
  EXPECT_EQ(childFor(topLine_, "occ.lamp"), children(topLine_).back());

  // The stored option set road: the window's rule takes the set's values through a config.
  const Tag variantRule = ask(BOM_window_ask_variant_rule, window);
  const Tag optionSet = ask(BOM_line_ask_sos, topLine_);
  Tag config = ask(BOM_create_variant_config, variantRule, 1, &optionSet);
  ASSERT_EQ(BOM_variant_config_clear(config), 0);
  ASSERT_EQ(BOM_sos_db_read(tagOf("sos.blue"), config), 0);
  ASSERT_EQ(BOM_variant_config_apply(config), 0);
  EXPECT_EQ(occurrencesOf(children(topLine_)),
            (Strings{"occ.bolt", "occ.plate", "occ.sub", "occ.gde"}));
  EXPECT_EQ(allChildren(topLine_).size(), 6u) << "configured-out lines still exist";
  EXPECT_EQ(host::textsOf(tagOf("vr.red"), "option_values"), Strings{"red"});

  ASSERT_EQ(BOM_close_window(window), 0);
  for (Tag owned : {variantRule, optionSet, config}) {
    EXPECT_EQ(store().find(owned), nullptr) << "the window's variant objects go with it";
  }
  // Only a window's own rule is configured through a config.
  EXPECT_EQ(BOM_create_variant_config(tagOf("vr.red"), 0, nullptr, &config), POM_invalid_tag);
}

TEST_F(BomWindowTest, PackAllShowsOneLinePerItemAndRevision) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  ask(BOM_line_add, topLine_, tagOf("i.bolt"), NULLTAG, NULLTAG);
  EXPECT_EQ(children(topLine_).size(), 6u);
  ASSERT_EQ(BOM_set_window_pack_all(window, true), 0);
  EXPECT_EQ(occurrencesOf(children(topLine_)),
            (Strings{"occ.bolt", "occ.plate", "occ.sub", "occ.gde", "occ.lamp"}));
}

class BomLineTest : public soacad_test::StructureTest {};

TEST_F(BomLineTest, AttributesReadTheOccurrence) {
  openWindow(tagOf("r.asm.A"));
  const Tag bolt = childFor(topLine_, "occ.bolt");
  settled([&] {
    EXPECT_EQ(attribute(bolt, "bl_quantity"), "4");
    EXPECT_EQ(attribute(bolt, "bl_sequence_no"), "10");
    EXPECT_EQ(attribute(bolt, "CAD_OCC_ID"), "c1");
    EXPECT_EQ(attribute(bolt, "bl_occurrence_uid"), "occ.bolt");
    EXPECT_EQ(attribute(bolt, "bl_item"), "i.bolt");
    EXPECT_EQ(attribute(bolt, "bl_absocc_uid_in_topline_context"), "");
    EXPECT_EQ(attribute(topLine_, "bl_quantity"), "");
    EXPECT_EQ(attribute(childFor(topLine_, "occ.sub"), "CAD_OCC_ID"), "c3");
    // A line whose item has no revision.
    EXPECT_EQ(attributeTag(childFor(topLine_, "occ.ghost"), "bl_item"), tagOf("i.ghost"));
    EXPECT_EQ(attributeTag(childFor(topLine_, "occ.ghost"), "bl_revision"), NULLTAG);
    return 0;
  });

  int id = 0;
  EXPECT_EQ(BOM_line_look_up_attribute("no_such_attribute", &id), BOM_no_such_attribute);
  EXPECT_EQ(BOM_line_set_attribute_string(bolt, BOM_attribute_item, "x"), BOM_attribute_read_only);
  Tag tag = 1;
  EXPECT_EQ(BOM_line_ask_attribute_tag(bolt, BOM_attribute_quantity, &tag),
            BOM_attribute_not_a_reference);
  EXPECT_EQ(tag, NULLTAG);
  EXPECT_EQ(setAttribute(topLine_, "bl_quantity", "2"), BOM_line_has_no_occurrence);
  EXPECT_EQ(setAttribute(bolt, "bl_quantity", "two"), BOM_invalid_quantity);
  EXPECT_EQ(storedCodes(), (std::vector<int>{BOM_no_such_attribute, BOM_attribute_read_only,
                                             BOM_attribute_not_a_reference,
                                             BOM_line_has_no_occurrence, BOM_invalid_quantity}));
}

TEST_F(BomLineTest, QuantityParserAndSetter) {
  openWindow(tagOf("r.asm.A"));
  const BOMLine bolt(childFor(topLine_, "occ.bolt"));
  bool asRequired = true;
  double quantity = 1.0;
  EXPECT_EQ(bolt.parseQuantity("2.5", &asRequired, &quantity), 0);
  EXPECT_FALSE(asRequired);
  EXPECT_EQ(quantity, 2.5);
  EXPECT_EQ(bolt.parseQuantity("ar", &asRequired, &quantity), 0);
  EXPECT_TRUE(asRequired);
  EXPECT_EQ(bolt.parseQuantity("-1", &asRequired, &quantity), BOM_invalid_quantity);
  EXPECT_FALSE(asRequired);
  ERROR_store_clear();

  ASSERT_EQ(bolt.setQuantity(true, 0.0), 0);
  EXPECT_EQ(attribute(bolt.tag(), "bl_quantity"), "AR");
  ASSERT_EQ(bolt.setQuantity(false, 3.0), 0);
  EXPECT_EQ(attribute(bolt.tag(), "bl_quantity"), "3");
  ASSERT_EQ(setAttribute(bolt.tag(), "bl_quantity", ""), 0);
  EXPECT_EQ(attribute(bolt.tag(), "bl_quantity"), "");
}

TEST_F(BomLineTest, SavedEditsLastAndClosingKeepsThem) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag pin = ask(BOM_line_add, topLine_, NULLTAG, tagOf("r.pin.A"), NULLTAG);
  ASSERT_EQ(setAttribute(pin, "bl_quantity", "2"), 0);
  ASSERT_EQ(setAttribute(pin, "CAD_OCC_ID", "c9"), 0);
  ASSERT_EQ(setAttribute(childFor(topLine_, "occ.bolt"), "CAD_OCC_ID", ""), 0);
  const double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1};
  ASSERT_EQ(BOMLine(pin).setTransform(matrix, 1), 0);
  const Tag occurrence = attributeTag(pin, "bl_occurrence");
  EXPECT_EQ(allChildren(topLine_).back(), pin);
  EXPECT_TRUE(ask(POM_is_newly_created, occurrence));

  ASSERT_EQ(BOM_save_window(window), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
  EXPECT_FALSE(ask(POM_is_newly_created, occurrence));
  EXPECT_EQ(saved(tagOf("bvr.asm"), "occurrences").tags.back(), occurrence);
  EXPECT_EQ(savedText(occurrence, "quantity"), "2");
  EXPECT_EQ(saved(occurrence, "note_texts").texts, Strings{"c9"});
  EXPECT_EQ(saved(occurrence, "transform").texts.at(12), "10");
  EXPECT_EQ(savedTag(occurrence, "child_revision"), tagOf("r.pin.A"));
  EXPECT_NE(ask(PS_ask_occurrence_thread, occurrence), NULLTAG);
  EXPECT_TRUE(saved(tagOf("occ.bolt"), "note_types").texts.empty());
  expectSettled();
}

TEST_F(BomLineTest, ClosingUnsavedThrowsEditsAway) {
  const std::string before = savedObjects();
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag added = ask(BOM_line_add, topLine_, tagOf("i.pin"), NULLTAG, NULLTAG);
  ASSERT_EQ(setAttribute(childFor(topLine_, "occ.bolt"), "bl_sequence_no", "99"), 0);
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.plate")), 0);
  ASSERT_EQ(BOM_line_substitute(childFor(topLine_, "occ.sub"), tagOf("i.lamp"), NULLTAG, nullptr),
            0);
  EXPECT_EQ(occurrencesOf(allChildren(topLine_)),
            (Strings{"occ.bolt", "occ.sub", "occ.gde", "occ.lamp", "occ.ghost",
                     store().uidOfTag(attributeTag(added, "bl_occurrence"))}));

  ASSERT_EQ(BOM_close_window(window), 0);
  EXPECT_EQ(savedObjects(), before);
  EXPECT_EQ(text(tagOf("occ.bolt"), "seq_no"), "10") << "no unsaved value stays behind";
  expectSettled();
}

TEST_F(BomLineTest, CutsOfSeveralSiblingsRollBackInOrder) {
  openWindow(tagOf("r.asm.A"));
  const Tag bvr = tagOf("bvr.asm");
  const std::vector<Tag> lines = allChildren(topLine_);
  const std::vector<Tag> occurrences = host::occurrencesOf(bvr);
  const std::string next = ask(USER_ask_new_seqno, bvr, tagOf("i.bolt"));
  // First, middle and last, in an order that moves the positions of the ones cut later.
  const std::vector<const char*> cuts = {"occ.sub", "occ.bolt", "occ.ghost"};
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  for (const char* cut : cuts) {
    ASSERT_EQ(BOM_line_cut(childFor(topLine_, cut)), 0) << cut;
  }
  EXPECT_EQ(occurrencesOf(allChildren(topLine_)), (Strings{"occ.plate", "occ.gde", "occ.lamp"}));
  EXPECT_EQ(host::occurrencesOf(bvr).size(), occurrences.size() - cuts.size());

  bool changed = false;
  ASSERT_EQ(POM_roll_to_markpoint(mark, &changed), 0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(host::occurrencesOf(bvr), occurrences);
  EXPECT_EQ(allChildren(topLine_), lines) << "the same lines, in their order";
  EXPECT_EQ(ask(USER_ask_new_seqno, bvr, tagOf("i.bolt")), next);
  // What the rollback brought back can be cut again at once.
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.plate")), 0);
  EXPECT_EQ(occurrencesOf(allChildren(topLine_)),
            (Strings{"occ.bolt", "occ.sub", "occ.gde", "occ.lamp", "occ.ghost"}));
}

TEST_F(BomLineTest, CutAndSubstituteAreSavedWithTheWindow) {
  const Tag window = openWindow(tagOf("r.asm.A"));
  Tag substituted;
  ASSERT_EQ(
      BOM_line_substitute(childFor(topLine_, "occ.bolt"), NULLTAG, tagOf("r.bolt.A"), &substituted),
      0);
  EXPECT_EQ(substituted, childFor(topLine_, "occ.bolt")) << "the occurrence keeps its line";
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.ghost")), 0);
  EXPECT_EQ(childFor(topLine_, "occ.ghost"), NULLTAG);
  EXPECT_NE(store().find(tagOf("occ.ghost")), nullptr) << "deleted only when saved";
  ASSERT_EQ(BOM_save_window(window), 0);
  BOM_close_window(window);

  EXPECT_EQ(store().find(tagOf("occ.ghost")), nullptr);
  EXPECT_EQ(saved(tagOf("bvr.asm"), "occurrences").tags.size(), 5u);
  EXPECT_EQ(savedTag(tagOf("occ.bolt"), "child_revision"), tagOf("r.bolt.A"));
  EXPECT_EQ(savedTag(tagOf("occ.bolt"), "occurrence_thread"), tagOf("th.bolt"));
}

TEST_F(BomLineTest, PreciseViewRevisionUsesTheOccurrencesRevisions) {
  const Tag window = openWindow(tagOf("r.asm.A"), tagOf("rr.latest"));
  ASSERT_EQ(BOM_line_set_precise(topLine_, true), 0);
  EXPECT_TRUE(ask(PS_ask_is_bvr_precise, tagOf("bvr.asm")));
  EXPECT_EQ(attributeTag(childFor(topLine_, "occ.plate"), "bl_revision"), tagOf("r.plate.A"));
  // Occurrences without a revision take the configured one.
  EXPECT_EQ(host::referenceOf(tagOf("occ.bolt"), "child_revision"), tagOf("r.bolt.C"));
  BOM_close_window(window);
  EXPECT_FALSE(ask(PS_ask_is_bvr_precise, tagOf("bvr.asm")));
}

// A child whose structure holds the parent's, directly or further down, is refused: adding it
// or substituting it for a child would make a structure that contains itself.
TEST_F(BomLineTest, AChildThatWouldMakeAStructureContainItselfIsRefused) {
  const std::string before = savedObjects();
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag sub = childFor(topLine_, "occ.sub");
  const Tag pin = childFor(sub, "occ.pin");
  Tag added = 1;
  const struct {
    Tag parent;
    Tag item;
    Tag revision;
  } refused[] = {
      {topLine_, tagOf("i.asm"), NULLTAG},  // itself, by item
      {sub, NULLTAG, tagOf("r.sub.A")},     // itself, by revision
      {sub, tagOf("i.asm"), NULLTAG},       // the assembly holding it
  };
  for (const auto& test : refused) {
    EXPECT_EQ(BOM_line_add(test.parent, test.item, test.revision, NULLTAG, &added),
              BOM_structure_cycle);
    EXPECT_EQ(added, NULLTAG);
  }
  EXPECT_EQ(BOM_line_substitute(pin, tagOf("i.asm"), NULLTAG, nullptr), BOM_structure_cycle);
  ERROR_store_clear();
  // Another item's structure is fine, also one reused elsewhere in the assembly.
  EXPECT_EQ(BOM_line_add(topLine_, tagOf("i.sub"), NULLTAG, NULLTAG, &added), 0);
  EXPECT_EQ(BOM_line_substitute(pin, tagOf("i.bolt"), NULLTAG, nullptr), 0);
  BOM_close_window(window);
  EXPECT_EQ(savedObjects(), before);
}

// Making a structure precise or imprecise changes what its occurrences show: a change that
// would have one of them show a structure holding the one being changed is refused, with
// nothing written, both ways and also for a structure that an unsaved cut only takes the
// occurrence out of.
TEST_F(BomLineTest, APreciseSwitchThatWouldMakeAStructureContainItselfIsRefused) {
  // SUB holds ASM's older revision precisely: made imprecise, it would hold ASM (latest A), which
  // holds SUB.
  load(R"(<fixture>
    <object uid="occ.sub.asm" class="PSOccurrence">
      <prop name="child_item" value="i.asm"/><prop name="child_revision" value="r.asm.0"/></object>
  </fixture>)");
  ASSERT_EQ(store().write(tagOf("bvr.sub"), "occurrences",
                          host::Value{{}, {tagOf("occ.pin"), tagOf("occ.sub.asm")}},
                          host::WriteMode::initial),
            0);
  ASSERT_EQ(store().write(tagOf("bvr.sub"), "is_precise", host::Value{{"true"}, {}},
                          host::WriteMode::initial),
            0);
  const std::string before = savedObjects();
  Tag window = openWindow(tagOf("r.sub.A"), tagOf("rr.latest"));
  EXPECT_EQ(BOM_line_set_precise(topLine_, false), BOM_structure_cycle);
  EXPECT_EQ(takeNewestEntry(), (Strings{"45009", "r.asm.A", "bvr.sub"}));
  EXPECT_TRUE(ask(PS_ask_is_bvr_precise, tagOf("bvr.sub")));
  // Cut in an unsaved window, the occurrence may still come back: the switch stays refused.
  const Tag cutter = openWindow(tagOf("r.sub.A"));
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.sub.asm")), 0);
  EXPECT_EQ(BOM_line_set_precise(topLine_, false), BOM_structure_cycle);
  ERROR_store_clear();
  ASSERT_EQ(BOM_close_window(cutter), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
  EXPECT_EQ(savedObjects(), before);

  // The other way: imprecise under a rule that configures SUB (released) but no revision of ASM,
  // SUB shows nothing there; made precise, it would show r.asm.A.
  ASSERT_EQ(store().write(tagOf("occ.sub.asm"), "child_revision",
                          host::Value{{}, {tagOf("r.asm.A")}}, host::WriteMode::initial),
            0);
  ASSERT_EQ(store().write(tagOf("r.sub.A"), "date_released",
                          host::Value{{"2020-01-01T00:00:00"}, {}}, host::WriteMode::initial),
            0);
  ASSERT_EQ(store().write(tagOf("bvr.sub"), "is_precise", host::Value{{"false"}, {}},
                          host::WriteMode::initial),
            0);
  window = openWindow(tagOf("r.sub.A"), tagOf("rr.released"));
  EXPECT_EQ(BOM_line_set_precise(topLine_, true), BOM_structure_cycle);
  ERROR_store_clear();
  EXPECT_FALSE(ask(PS_ask_is_bvr_precise, tagOf("bvr.sub")));
  // A switch that shows no such structure is made.
  ASSERT_EQ(BOM_line_cut(childFor(topLine_, "occ.sub.asm")), 0);
  ASSERT_EQ(BOM_save_window(window), 0);
  EXPECT_EQ(BOM_line_set_precise(topLine_, true), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
}

// Assemblies k0 ... k6 (item i.kN, revision r.kN.A, view revision bvr.kN): k0 holds k1 twice
// and three parts, k1 holds k2, k2 holds k3 through k3's manufacturing view (which holds k5),
// k3's own view holds k4; k4, k5 and k6 are empty.
const char* const kNestedAssemblies = R"(<fixture>
  <object uid="bv.k3mfg" class="PSBOMView">
    <prop name="bom_view_type" value="vt.mfg"/><prop name="parent_item" value="i.k3"/></object>
  <object uid="bvr.k3mfg" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.k3mfg"/><prop name="parent_revision" value="r.k3.A"/>
    <prop name="occurrences"><v value="occ.k3.k5"/></prop></object>
  <object uid="occ.k0.k1" class="PSOccurrence"><prop name="child_item" value="i.k1"/></object>
  <object uid="occ.k0.k1b" class="PSOccurrence"><prop name="child_item" value="i.k1"/></object>
  <object uid="occ.k0.bolt" class="PSOccurrence"><prop name="child_item" value="i.bolt"/></object>
  <object uid="occ.k0.plate" class="PSOccurrence"><prop name="child_item" value="i.plate"/></object>
  <object uid="occ.k0.pin" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
  <object uid="occ.k1.k2" class="PSOccurrence"><prop name="child_item" value="i.k2"/></object>
  <object uid="occ.k2.k3" class="PSOccurrence">
    <prop name="child_item" value="i.k3"/><prop name="child_bom_view" value="bv.k3mfg"/></object>
  <object uid="occ.k3.k4" class="PSOccurrence"><prop name="child_item" value="i.k4"/></object>
  <object uid="occ.k3.k5" class="PSOccurrence"><prop name="child_item" value="i.k5"/></object>
</fixture>)";

// Item i.kN, its revision r.kN.A and view bv.kN, and bvr.kN listing the occurrences.
std::string nestedAssembly(int n, const std::vector<std::string>& occurrences) {
  std::string out = R"(<fixture><object uid="i.K" class="Item"/>
    <object uid="r.K.A" class="ItemRevision"><prop name="items_tag" value="i.K"/></object>
    <object uid="bv.K" class="PSBOMView">
      <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.K"/></object>
    <object uid="bvr.K" class="PSBOMViewRevision">
      <prop name="bom_view" value="bv.K"/><prop name="parent_revision" value="r.K.A"/>
      <prop name="occurrences">)";
  for (const std::string& occurrence : occurrences) {
    out += "<v value=\"" + occurrence + "\"/>";
  }
  out += "</prop></object></fixture>";
  const std::string k = "k" + std::to_string(n);
  for (std::size_t at = out.find('K'); at != std::string::npos; at = out.find('K', at)) {
    out.replace(at, 1, k);
  }
  return out;
}

// Whether a child would make a structure contain itself is answered by the structure as it is
// now, as the window configures it, through the view each occurrence names, whichever end of a
// deep structure the edit is made at: also after edits not saved yet in other open windows,
// which count both as made (an add) and as not made (a cut or substitution that its window may
// still drop by closing unsaved).
TEST_F(BomLineTest, ACycleIsFoundFromEitherEndOfADeepStructure) {
  const std::vector<std::vector<std::string>> held = {
      {"occ.k0.k1", "occ.k0.bolt", "occ.k0.plate", "occ.k0.pin", "occ.k0.k1b"},
      {"occ.k1.k2"},
      {"occ.k2.k3"},
      {"occ.k3.k4"},
      {},
      {},
      {}};
  // Each step opens a window on `top` and adds `item` below its top line, or substitutes `item`
  // for the child line of `occurrence`, or cuts that line when `item` is null.
  struct Step {
    const char* top;
    const char* occurrence;
    const char* item;
    int expected;
  };
  const int cycle = BOM_structure_cycle;
  const std::vector<std::pair<const char*, std::vector<Step>>> kCases = {
      {"the top below the bottom, through another view", {{"r.k5.A", nullptr, "i.k0", cycle}}},
      {"below what the other view holds", {{"r.k4.A", nullptr, "i.k0", 0}}},
      {"into the structure it holds", {{"r.k2.A", nullptr, "i.k1", cycle}}},
      {"what it holds already, once more", {{"r.k0.A", nullptr, "i.k5", 0}}},
      {"the same revision through its own view",
       {{"r.k5.A", nullptr, "i.k3", 0}, {"r.k4.A", nullptr, "i.k3", cycle}}},
      {"a use cut in an open window",
       {{"r.k1.A", "occ.k1.k2", nullptr, 0}, {"r.k5.A", nullptr, "i.k0", cycle}}},
      {"a use cut in an open window, met from below",
       {{"r.k6.A", nullptr, "i.k4", 0},
        {"r.k6.A", nullptr, "i.k4", 0},
        {"r.k6.A", nullptr, "i.k4", 0},
        {"r.k3.A", "occ.k3.k4", nullptr, 0},
        {"r.k5.A", nullptr, "i.k3", 0},
        {"r.k4.A", nullptr, "i.k2", cycle}}},
      {"one of two uses of a subassembly cut",
       {{"r.k0.A", "occ.k0.k1", nullptr, 0}, {"r.k5.A", nullptr, "i.k0", cycle}}},
      {"a use added in an open window",
       {{"r.k5.A", nullptr, "i.k6", 0}, {"r.k6.A", nullptr, "i.k0", cycle}}},
      {"a use substituted in an open window",
       {{"r.k1.A", "occ.k1.k2", "i.k6", 0}, {"r.k6.A", nullptr, "i.k0", cycle}}},
  };
  for (const auto& [name, steps] : kCases) {
    SCOPED_TRACE(name);
    SetUp();
    for (std::size_t n = 0; n < held.size(); ++n) {
      load(nestedAssembly(static_cast<int>(n), held[n]));
    }
    load(kNestedAssemblies);
    const std::string before = savedObjects();
    std::vector<Tag> windows;
    for (const Step& step : steps) {
      windows.push_back(openWindow(tagOf(step.top)));
      Tag line = 1;
      int status = 0;
      if (step.occurrence == nullptr) {
        status = BOM_line_add(topLine_, tagOf(step.item), NULLTAG, NULLTAG, &line);
        EXPECT_EQ(line == NULLTAG, status != 0);
      } else if (step.item == nullptr) {
        status = BOM_line_cut(childFor(topLine_, step.occurrence));
      } else {
        status = BOM_line_substitute(childFor(topLine_, step.occurrence), tagOf(step.item), NULLTAG,
                                     nullptr);
      }
      EXPECT_EQ(status, step.expected) << step.top << " " << (step.item ? step.item : "cut");
      ERROR_store_clear();
    }
    for (auto window = windows.rbegin(); window != windows.rend(); ++window) {
      BOM_close_window(*window);
    }
    EXPECT_EQ(savedObjects(), before);
  }
}

// A cut or substitution another window has not saved is still in the saved store: a child that
// would close a cycle through it is refused, since that window may close unsaved and leave a
// structure that contains itself. Once it is saved, the child is fine. A store saved with the
// window open (a session kept in a file) answers the same after loading.
TEST_F(BomLineTest, AnEditNotSavedYetInAnotherWindowStillCountsForACycle) {
  const std::vector<std::vector<std::string>> held = {
      {"occ.k0.k1", "occ.k0.bolt", "occ.k0.plate", "occ.k0.pin", "occ.k0.k1b"},
      {"occ.k1.k2"},
      {"occ.k2.k3"},
      {"occ.k3.k4"},
      {},
      {},
      {}};
  // k0 holds k1 twice: the cut and the substitution take out the use of k2 in k1, the only
  // way from k0 down to k5.
  const std::vector<std::pair<const char*, std::function<void(Tag)>>> edits = {
      {"a cut", [this](Tag line) { EXPECT_EQ(BOM_line_cut(line), 0); }},
      {"a substitution",
       [this](Tag line) {
         EXPECT_EQ(BOM_line_substitute(line, tagOf("i.k6"), NULLTAG, nullptr), 0);
       }},
  };
  for (const auto& [name, edit] : edits) {
    for (const bool reload : {false, true}) {
      SCOPED_TRACE(std::string(name) + (reload ? ", store reloaded" : ""));
      SetUp();
      for (std::size_t n = 0; n < held.size(); ++n) {
        load(nestedAssembly(static_cast<int>(n), held[n]));
      }
      load(kNestedAssemblies);
      Tag editing = openWindow(tagOf("r.k1.A"));
      edit(childFor(topLine_, "occ.k1.k2"));
      if (reload) {
        const std::string session = store().saveFixture();
        store().reset();
        load(session);
        ASSERT_EQ(host::openBomWindows().size(), 1u);
        editing = host::openBomWindows().front();
      }
      const Tag adding = openWindow(tagOf("r.k5.A"));
      Tag line;
      EXPECT_EQ(BOM_line_add(topLine_, tagOf("i.k0"), NULLTAG, NULLTAG, &line),
                BOM_structure_cycle);
      ERROR_store_clear();
      EXPECT_EQ(BOM_save_window(editing), 0);
      EXPECT_EQ(BOM_line_add(topLine_, tagOf("i.k0"), NULLTAG, NULLTAG, &line), 0);
      EXPECT_EQ(BOM_close_window(adding), 0);
      EXPECT_EQ(BOM_close_window(editing), 0);
    }
  }
}

// A structure no session may change, or one another user has checked out.
TEST_F(BomLineTest, StructureThatMayNotChangeRefusesEdits) {
  const std::vector<std::pair<const char*, std::function<void()>>> kCases = {
      {"not modifiable", [this] { store().setModifiable(tagOf("bvr.asm"), false); }},
      {"checked out by another user",
       [this] {
         load("<fixture><object uid=\"u.other\" class=\"User\" type=\"User\"/></fixture>");
         ASSERT_EQ(store().write(tagOf("bvr.asm"), "checked_out_user",
                                 host::Value{{}, {tagOf("u.other")}}, host::WriteMode::initial),
                   0);
       }},
  };
  for (const auto& [name, refuse] : kCases) {
    SCOPED_TRACE(name);
    SetUp();
    ASSERT_NO_FATAL_FAILURE(refuse());
    openWindow(tagOf("r.asm.A"));
    Tag added = 1;
    EXPECT_EQ(BOM_line_add(topLine_, tagOf("i.pin"), NULLTAG, NULLTAG, &added), POM_not_modifiable);
    EXPECT_EQ(added, NULLTAG);
    EXPECT_EQ(setAttribute(childFor(topLine_, "occ.bolt"), "bl_sequence_no", "5"),
              POM_not_modifiable);
    EXPECT_EQ(BOM_line_cut(childFor(topLine_, "occ.bolt")), POM_not_modifiable);
    ERROR_store_clear();
    // The child's own structure is not the assembly's.
    EXPECT_EQ(setAttribute(children(childFor(topLine_, "occ.sub"))[0], "bl_sequence_no", "5"), 0);
  }
}

}  // namespace
