#include "host/object/arr.h"

#include <gtest/gtest.h>

#include "host/object/absocc.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/pom.h"
#include "host/object/structure_objects.h"
#include "host/object/structure_support.h"
#include "tests/host/structure_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class ArrangementTest : public soacad_test::StructureTest {
 protected:
  Tag create(const char* name, bool isDefault, Tag bvr = NULLTAG) {
    Tag arrangement;
    EXPECT_EQ(ARR_create_assembly_arrangement(bvr != NULLTAG ? bvr : tagOf("bvr.asm"), isDefault,
                                              name, "desc", "ext-1", &arrangement),
              0);
    return arrangement;
  }
};

TEST_F(ArrangementTest, CreatesSavedArrangementsAndTheDefault) {
  const Tag open = create("Open", true);
  const Tag closed = create("Closed", false);
  EXPECT_FALSE(ask(POM_is_newly_created, open));
  EXPECT_EQ(savedText(open, "external_uid"), "ext-1");
  EXPECT_EQ(ask(ARR_ask_bvr_default_arrangement, tagOf("bvr.asm")), open);
  const Tag anchor = ask(ARR__ask_arrangement_anchor, open);
  EXPECT_NE(anchor, NULLTAG);
  EXPECT_NE(anchor, ask(ARR__ask_arrangement_anchor, closed));

  ASSERT_EQ(ARR__set_default_arrangement(tagOf("bvr.asm"), closed, true), 0);
  EXPECT_EQ(savedTag(tagOf("bvr.asm"), "default_arrangement"), closed);
  ASSERT_EQ(ARR__set_default_arrangement(tagOf("bvr.asm"), NULLTAG, true), 0);
  EXPECT_EQ(ask(ARR_ask_bvr_default_arrangement, tagOf("bvr.asm")), NULLTAG);
  expectSettled();
}

// A deleted arrangement stops being the active arrangement of the windows that have it; a window
// that had it and was given another one keeps that one, also through a rollback and a reload.
TEST_F(ArrangementTest, ADeletedArrangementLeavesTheWindowsThatHadItActive) {
  const Tag open = create("Open", false);
  const Tag closed = create("Closed", false);
  const Tag first = openWindow(tagOf("r.asm.A"));
  const Tag second = openWindow(tagOf("r.asm.A"));
  const Tag third = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOM_set_window_active_arrangement(first, open), 0);
  ASSERT_EQ(BOM_set_window_active_arrangement(second, open), 0);
  ASSERT_EQ(BOM_set_window_active_arrangement(second, closed), 0);
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(ARR_delete_arrangement_from_bvr(tagOf("bvr.asm"), open), 0);
  EXPECT_EQ(host::referenceOf(first, "active_arrangement"), NULLTAG);
  EXPECT_EQ(host::referenceOf(second, "active_arrangement"), closed);
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(host::referenceOf(first, "active_arrangement"), open);

  // A saved session: the windows are filed again as they load.
  const std::vector<std::string> uids = uidsOf({first, second, third, open, closed});
  const std::string session = store().saveFixture();
  store().reset();
  load(session);
  ASSERT_EQ(BOM_set_window_active_arrangement(tagOf(uids[2]), tagOf(uids[4])), 0);
  ASSERT_EQ(ARR_delete_arrangement_from_bvr(tagOf("bvr.asm"), tagOf(uids[4])), 0);
  EXPECT_EQ(host::referenceOf(tagOf(uids[0]), "active_arrangement"), tagOf(uids[3]));
  EXPECT_EQ(host::referenceOf(tagOf(uids[1]), "active_arrangement"), NULLTAG);
  EXPECT_EQ(host::referenceOf(tagOf(uids[2]), "active_arrangement"), NULLTAG);
  expectSettled();
}

// A name longer than the host keeps loses the characters that do not fit whole.
TEST_F(ArrangementTest, ALongNameIsCutOnACharacterBoundary) {
  std::string name = "a";
  for (int i = 0; i < 40; ++i) {
    name += "\xC3\xA9";  // U+00E9, two bytes.
  }
  EXPECT_EQ(savedText(create(name.c_str(), false), "object_name"), name.substr(0, 31));
}

TEST_F(ArrangementTest, DeletesOnlyArrangementsOfTheViewRevision) {
  const Tag open = create("Open", true);
  const Tag foreign = create("Foreign", false, tagOf("bvr.sub"));
  const Tag anchor = ask(ARR__ask_arrangement_anchor, open);
  EXPECT_EQ(ARR_delete_arrangement_from_bvr(tagOf("bvr.asm"), foreign), ARR_not_of_bvr);
  ERROR_store_clear();

  // The arrangement's data go with it.
  const Tag window = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOMWindow(window).setAbsOccEditMode(true), 0);
  ASSERT_EQ(BOM_set_window_active_arrangement(window, open), 0);
  ASSERT_EQ(setAttribute(childFor(topLine_, "occ.bolt"), "bl_sequence_no", "7"), 0);
  ASSERT_EQ(BOM_save_window(window), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
  const Tag qualifier = host::findQualifier(tagOf("bvr.asm"), open);
  ASSERT_NE(qualifier, NULLTAG);

  ASSERT_EQ(ARR_delete_arrangement_from_bvr(tagOf("bvr.asm"), open), 0);
  for (Tag gone : {open, anchor, qualifier}) {
    EXPECT_EQ(store().find(gone), nullptr);
  }
  EXPECT_EQ(ask(ARR_ask_bvr_default_arrangement, tagOf("bvr.asm")), NULLTAG);
  expectSettled();
}

// Each arrangement's qualifier is found on its own, through its creation, its arrangement's
// deletion and the rollback of either.
TEST_F(ArrangementTest, EachArrangementsQualifierIsFoundThroughRollbacks) {
  const Tag bvr = tagOf("bvr.asm");
  const Tag window = openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(BOMWindow(window).setAbsOccEditMode(true), 0);
  const Tag bolt = childFor(topLine_, "occ.bolt");
  auto qualify = [&](Tag arrangement) {
    EXPECT_EQ(BOM_set_window_active_arrangement(window, arrangement), 0);
    EXPECT_EQ(setAttribute(bolt, "bl_sequence_no", "7"), 0);
    return host::findQualifier(bvr, arrangement);
  };
  const Tag open = create("Open", false);
  const Tag closed = create("Closed", false);
  const Tag own = qualify(NULLTAG);
  const Tag ofOpen = qualify(open);
  const Tag ofClosed = qualify(closed);
  EXPECT_NE(own, NULLTAG);
  EXPECT_NE(ofOpen, NULLTAG);
  EXPECT_NE(ofClosed, NULLTAG);
  EXPECT_NE(ofOpen, ofClosed);
  EXPECT_NE(own, ofOpen);
  ASSERT_EQ(BOM_save_window(window), 0);

  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(ARR_delete_arrangement_from_bvr(bvr, open), 0);
  EXPECT_EQ(host::findQualifier(bvr, open), NULLTAG);
  EXPECT_EQ(host::findQualifier(bvr, closed), ofClosed);
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(host::findQualifier(bvr, open), ofOpen);

  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  const Tag later = create("Later", false);
  EXPECT_NE(qualify(later), NULLTAG);
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(host::findQualifier(bvr, later), NULLTAG);
  EXPECT_EQ(host::findQualifier(bvr, NULLTAG), own);
  BOM_close_window(window);
  expectSettled();
}

TEST_F(ArrangementTest, RecordsUsedArrangementsByPathNode) {
  const Tag outer = create("Outer", false);
  const Tag inner = create("Inner", false, tagOf("bvr.sub"));
  const Tag window = openWindow(tagOf("r.asm.A"));
  const Tag sub = childFor(topLine_, "occ.sub");
  const Tag node = ask(ME_create_meapprpathnode_from_bomline, sub);
  EXPECT_EQ(ask(ME_create_meapprpathnode_from_bomline, sub), node) << "one node per place";
  EXPECT_NE(ask(ME_create_meapprpathnode_from_bomline, children(sub)[0]), node);
  Tag none = 1;
  EXPECT_EQ(ME_create_meapprpathnode_from_bomline(topLine_, &none), BOM_line_has_no_occurrence);
  EXPECT_EQ(none, NULLTAG);
  ERROR_store_clear();

  const Tag anchor = ask(ARR__ask_arrangement_anchor, inner);
  ASSERT_EQ(ARR__set_used_arrangement(tagOf("bvr.asm"), outer, node, anchor, tagOf("occ.sub")), 0);
  ASSERT_EQ(ARR__set_used_arrangement(tagOf("bvr.asm"), outer, node, anchor, tagOf("occ.sub")), 0);
  EXPECT_EQ(host::referencesOf(outer, "used_path_nodes"), std::vector<Tag>{node});
  EXPECT_EQ(host::referencesOf(outer, "used_anchors"), std::vector<Tag>{anchor});
  // The arrangements an occurrence's deletion would change: those using a node through it.
  create("Idle", false);
  EXPECT_EQ(askList(ARR__ask_arrangements_using_occurrence, tagOf("occ.sub")),
            std::vector<Tag>{outer});
  EXPECT_TRUE(askList(ARR__ask_arrangements_using_occurrence, tagOf("occ.pin")).empty())
      << "a node through it that no arrangement uses";
  EXPECT_TRUE(askList(ARR__ask_arrangements_using_occurrence, tagOf("occ.plate")).empty());
  Tag* unasked = nullptr;
  EXPECT_EQ(ARR__ask_arrangements_using_occurrence(tagOf("occ.sub"), nullptr, &unasked),
            POM_invalid_argument);
  ERROR_store_clear();
  EXPECT_EQ(ARR__set_used_arrangement(tagOf("bvr.sub"), outer, node, anchor, tagOf("occ.sub")),
            ARR_not_of_bvr);
  ERROR_store_clear();
  BOM_close_window(window);
  expectSettled();
}

}  // namespace
