#include "host/object/ps.h"

#include <gtest/gtest.h>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/pom.h"
#include "host/object/preferences.h"
#include "tests/host/structure_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class ProductStructureTest : public soacad_test::StructureTest {
 protected:
  void setPreference(const char* name, const char* value) {
    store().setPreference(host::Preference{name, "site", {value}});
  }
};

TEST_F(ProductStructureTest, FindsViewTypesViewsAndViewRevisions) {
  EXPECT_EQ(ask(PS_find_view_type, "view"), tagOf("vt.view"));
  EXPECT_EQ(ask(PS_find_view_type, "nothing"), NULLTAG);
  EXPECT_EQ(ask(PS_ask_default_view_type), tagOf("vt.view"));
  setPreference("PS_default_view_type", "manufacturing");
  EXPECT_EQ(ask(PS_ask_default_view_type), tagOf("vt.mfg"));
  EXPECT_EQ(ask(PS_ask_view_type_name, tagOf("vt.mfg")), "manufacturing");

  EXPECT_EQ(askList(ITEM_list_bom_views, tagOf("i.asm")), std::vector<Tag>{tagOf("bv.asm")});
  EXPECT_EQ(askList(ITEM_rev_list_bom_view_revs, tagOf("r.asm.A")),
            std::vector<Tag>{tagOf("bvr.asm")});
  EXPECT_TRUE(askList(ITEM_list_bom_views, tagOf("i.bolt")).empty());
  EXPECT_EQ(ask(PS_ask_bom_view_type, tagOf("bv.asm")), tagOf("vt.view"));
  EXPECT_EQ(ask(PS_ask_bom_view_of_bvr, tagOf("bvr.asm")), tagOf("bv.asm"));
  EXPECT_FALSE(ask(PS_ask_is_bvr_precise, tagOf("bvr.asm")));
  expectSettled();
}

TEST_F(ProductStructureTest, CreatesViewsAndViewRevisionsOfLockedObjects) {
  const Tag item = tagOf("i.bolt");
  const Tag revision = tagOf("r.bolt.A");
  Tag view = 1;
  EXPECT_EQ(PS_create_bom_view(tagOf("vt.view"), "", "", item, &view), POM_not_locked);
  EXPECT_EQ(view, NULLTAG);
  ERROR_store_clear();

  ASSERT_EQ(AOM_refresh(item, true), 0);
  ASSERT_EQ(PS_create_bom_view(tagOf("vt.view"), "", "", item, &view), 0);
  EXPECT_EQ(text(view, "object_name"), "BOLT-view");
  Tag again;
  EXPECT_EQ(PS_create_bom_view(tagOf("vt.view"), "", "", item, &again), PS_duplicate_view);
  ERROR_store_clear();

  ASSERT_EQ(AOM_refresh(revision, true), 0);
  Tag bvr;
  EXPECT_EQ(PS_create_bvr(tagOf("bv.asm"), "", "", true, revision, &bvr), PS_view_not_of_item);
  ASSERT_EQ(PS_create_bvr(view, "", "", true, revision, &bvr), 0);
  EXPECT_EQ(PS_create_bvr(view, "", "", true, revision, &again), PS_duplicate_bvr);
  EXPECT_EQ(storedCodes(), (std::vector<int>{PS_view_not_of_item, PS_duplicate_bvr}));
  ERROR_store_clear();
  EXPECT_EQ(text(bvr, "object_name"), "BOLT/A-view");
  EXPECT_TRUE(ask(PS_ask_is_bvr_precise, bvr));
  EXPECT_TRUE(ask(POM_is_newly_created, bvr));
  EXPECT_EQ(askList(ITEM_rev_list_bom_view_revs, revision), std::vector<Tag>{bvr});
}

TEST_F(ProductStructureTest, LegacyTransformFactorComesFromThePreference) {
  EXPECT_EQ(ask(PS__get_legacy_transform_units_pref), 1.0);
  setPreference("PS_legacy_transform_factor", "0.001");
  EXPECT_EQ(ask(PS__get_legacy_transform_units_pref), 0.001);
  setPreference("PS_legacy_transform_factor", "metres");
  double factor = 0.0;
  EXPECT_EQ(PS__get_legacy_transform_units_pref(&factor), PREF_invalid_value);
  EXPECT_EQ(factor, 1.0);

  EXPECT_EQ(PS_set_legacy_transform_factor(tagOf("bvr.asm"), 0.0), PS_invalid_transform_factor);
  ERROR_store_clear();
  ASSERT_EQ(PS_set_legacy_transform_factor(tagOf("bvr.asm"), 25.4), 0);
  EXPECT_EQ(ask(PS_ask_legacy_transform_factor, tagOf("bvr.asm")), 25.4);
  ASSERT_EQ(AOM_save(tagOf("bvr.asm")), 0);
  EXPECT_EQ(savedText(tagOf("bvr.asm"), "legacy_transform_factor"), "25.4");
}

TEST_F(ProductStructureTest, SequenceNumbersForNewOccurrences) {
  const Tag bvr = tagOf("bvr.asm");
  EXPECT_EQ(ask(USER_ask_new_seqno, bvr, tagOf("i.bolt")), "10");
  EXPECT_EQ(ask(USER_ask_new_seqno, bvr, tagOf("i.pin")), "<null>");
  EXPECT_EQ(ask(USER_ask_for_new_sequence_no, bvr), "30");
  EXPECT_EQ(ask(USER_ask_for_new_sequence_no, tagOf("bvr.sub")), "10");

  EXPECT_EQ(PS_set_seq_no(bvr, tagOf("occ.ghost"), "25"), POM_not_locked);
  EXPECT_EQ(PS_set_seq_no(bvr, tagOf("occ.pin"), "25"), PS_occurrence_not_in_bvr);
  ERROR_store_clear();
  ASSERT_EQ(AOM_lock(bvr), 0);
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.ghost"), "25"), 0);
  ASSERT_EQ(AOM_refresh(bvr, false), 0);
  EXPECT_EQ(savedText(tagOf("occ.ghost"), "seq_no"), "25") << "kept at once";
  EXPECT_EQ(ask(PS_ask_seq_no, bvr, tagOf("occ.ghost")), "25");
  EXPECT_EQ(ask(USER_ask_for_new_sequence_no, bvr), "30");
  expectSettled();
}

// The numbers are kept between calls: each answer must follow every way a number changes,
// through these calls or any other.
TEST_F(ProductStructureTest, SequenceNumbersFollowEveryChange) {
  const Tag bvr = tagOf("bvr.asm");
  ASSERT_EQ(AOM_lock(bvr), 0);
  const auto next = [&] { return ask(USER_ask_for_new_sequence_no, bvr); };
  const auto ofItem = [&](const char* item) { return ask(USER_ask_new_seqno, bvr, tagOf(item)); };
  EXPECT_EQ(next(), "30");
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.sub"), "70"), 0);
  EXPECT_EQ(next(), "80");
  EXPECT_EQ(ofItem("i.sub"), "70");
  // Lowered, cleared: the highest and the item's number come from the others.
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.sub"), "5"), 0);
  EXPECT_EQ(next(), "30");
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.bolt"), ""), 0);
  EXPECT_EQ(ofItem("i.bolt"), "<null>");
  EXPECT_EQ(next(), "30");
  // An earlier occurrence of the item numbered later is the one asked for.
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.ghost"), "44"), 0);
  EXPECT_EQ(ofItem("i.ghost"), "44");
  // A number written and rolled back.
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(PS_set_seq_no(bvr, tagOf("occ.plate"), "90"), 0);
  EXPECT_EQ(next(), "100");
  bool changed = false;
  ASSERT_EQ(POM_roll_to_markpoint(mark, &changed), 0);
  EXPECT_EQ(next(), "50");
  EXPECT_EQ(ofItem("i.plate"), "20");
  // A number written through a window.
  openWindow(tagOf("r.asm.A"));
  ASSERT_EQ(setAttribute(childFor(topLine_, "occ.lamp"), "bl_sequence_no", "200"), 0);
  EXPECT_EQ(next(), "210");
  EXPECT_EQ(ofItem("i.lamp"), "200");
}

TEST_F(ProductStructureTest, OccurrencesKeepTheirThreadAcrossRevisions) {
  EXPECT_EQ(askList(PS_list_occurrences_of_bvr, tagOf("bvr.asm.old")),
            std::vector<Tag>{tagOf("occ.bolt.old")});
  EXPECT_EQ(ask(PS_ask_occurrence_thread, tagOf("occ.bolt")),
            ask(PS_ask_occurrence_thread, tagOf("occ.bolt.old")));
  EXPECT_EQ(ask(PS_ask_occurrence_thread, tagOf("occ.pin")), NULLTAG);
  expectSettled();
}

}  // namespace
