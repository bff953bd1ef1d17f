#include "host/object/cfm.h"

#include <gtest/gtest.h>

#include "host/object/aom.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/uif.h"
#include "tests/host/structure_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class RevisionRuleTest : public soacad_test::StructureTest {
 protected:
  // The UID of the revision of `item` that `rule` configures ("" for none), and how.
  std::string configured(const char* rule, const char* item, std::string* how = nullptr) {
    Tag revision;
    host::HostString kind;
    EXPECT_EQ(CFM_item_ask_configured(tagOf(rule), tagOf(item), &revision, kind.out()), 0);
    if (how != nullptr) {
      *how = kind.str();
    }
    return store().uidOfTag(revision);
  }

  Tag copyOf(const char* rule, const char* name) {
    Tag copy;
    EXPECT_EQ(CFM_rule_copy(tagOf(rule), name, &copy), 0);
    return copy;
  }
};

// Each rule's entries choose the revision and say how; the next entry decides where one has no
// revision, and where none has, nothing is configured and nothing said. A revision stands for its
// item.
TEST_F(RevisionRuleTest, EntriesChooseTheRevision) {
  const struct {
    const char* rule;
    const char* item;
    const char* revision;
    const char* how;
  } cases[] = {
      {"rr.latest", "i.bolt", "r.bolt.C", "Working"},
      {"rr.released", "i.bolt", "r.bolt.B", "Date"},
      {"rr.unit", "i.bolt", "r.bolt.B", "Unit"},
      {"rr.override", "i.bolt", "r.bolt.A", "Override"},
      {"rr.override", "i.plate", "r.plate.B", nullptr},
      {"rr.released", "i.plate", "", ""},
      {"rr.latest", "r.bolt.A", "r.bolt.C", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + " " + c.item);
    std::string how = "unset";
    EXPECT_EQ(configured(c.rule, c.item, &how), c.revision);
    if (c.how != nullptr) {
      EXPECT_EQ(how, c.how);
    }
  }
  expectSettled();
}

TEST_F(RevisionRuleTest, DateUnitAndEndItemOfACopy) {
  const Tag copy = copyOf("rr.released", "Released at");
  ASSERT_EQ(CFM_rule_set_date(copy, Date{2020, 6, 1, 0, 0, 0}), 0);
  EXPECT_EQ(store().uidOfTag(host::configuredRevision(copy, tagOf("i.bolt"))), "r.bolt.A");
  EXPECT_EQ(ask(CFM_rule_ask_date, copy).year, 2020);
  ASSERT_EQ(CFM_rule_set_date(copy, POM_null_date()), 0);
  EXPECT_EQ(store().uidOfTag(host::configuredRevision(copy, tagOf("i.bolt"))), "r.bolt.B");

  const Tag byUnit = copyOf("rr.unit", "");
  EXPECT_EQ(text(byUnit, "object_name"), "By Unit");
  ASSERT_EQ(CFM_rule_set_unit(byUnit, 3), 0);
  EXPECT_EQ(store().uidOfTag(host::configuredRevision(byUnit, tagOf("i.bolt"))), "r.bolt.A");
  ASSERT_EQ(CFM_rule_set_end_item(byUnit, tagOf("i.sub")), 0);
  EXPECT_EQ(host::configuredRevision(byUnit, tagOf("i.bolt")), NULLTAG)
      << "effectivity of another end item";
  ASSERT_EQ(CFM_rule_set_end_item(byUnit, NULLTAG), 0);
  ASSERT_EQ(CFM_rule_set_end_item_rev(byUnit, tagOf("r.asm.A")), 0);
  EXPECT_EQ(store().uidOfTag(host::configuredRevision(byUnit, tagOf("i.bolt"))), "r.bolt.A");
  EXPECT_EQ(CFM_rule_set_unit(byUnit, -2), CFM_invalid_unit);
  ERROR_store_clear();
  ASSERT_EQ(CFM_rule_set_unit(byUnit, -1), 0);
  EXPECT_EQ(ask(CFM_rule_ask_unit, byUnit), -1);

  // The originals are untouched.
  EXPECT_EQ(ask(CFM_rule_ask_unit, tagOf("rr.unit")), 5);
  EXPECT_EQ(ask(CFM_rule_ask_end_item, tagOf("rr.unit")), tagOf("i.asm"));
  EXPECT_EQ(ask(CFM_rule_ask_end_item_rev, tagOf("rr.unit")), NULLTAG);
  EXPECT_EQ(ask(CFM_rule_ask_unit, tagOf("rr.latest")), -1);
}

// A rule keeps its end item, end item revision and override folders when they are deleted; its
// copy takes none of them and keeps the live ones.
TEST_F(RevisionRuleTest, ACopyNamesNothingThatWasDeleted) {
  ASSERT_EQ(store().write(tagOf("rr.override"), "rule_end_item_rev",
                          host::Value{{}, {tagOf("r.asm.0")}}, host::WriteMode::initial),
            0);
  ASSERT_EQ(store().write(tagOf("rr.override"), "rule_end_item", host::Value{{}, {tagOf("i.asm")}},
                          host::WriteMode::initial),
            0);
  for (const char* gone : {"r.asm.0", "f.override"}) {
    ASSERT_EQ(store().remove(tagOf(gone)), 0);
  }
  const Tag copy = copyOf("rr.override", "");
  EXPECT_EQ(ask(CFM_rule_ask_end_item_rev, copy), NULLTAG);
  EXPECT_EQ(ask(CFM_rule_ask_end_item, copy), tagOf("i.asm"));
  const std::vector<Tag> entries = host::entriesOfRule(copy);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(ask(CFM_override_entry_ask_folder, entries[0]), NULLTAG);
  EXPECT_EQ(ask(CFM_rule_ask_end_item_rev, tagOf("rr.override")), tagOf("r.asm.0"));
}

TEST_F(RevisionRuleTest, ListsRulesAndTheDefaultOne) {
  EXPECT_EQ(uidsOf(askList(CFM_list)),
            (std::vector<std::string>{"rr.latest", "rr.released", "rr.unit", "rr.override"}));
  EXPECT_EQ(ask(CFM_find_default_rule), tagOf("rr.latest"));
  store().setPreference(host::Preference{"CFM_default_revision_rule", "site", {"Released"}});
  EXPECT_EQ(ask(CFM_find_default_rule), tagOf("rr.released"));
  expectSettled();

  host::Store::instance().reset();
  Tag rule = 1;
  EXPECT_EQ(CFM_find_default_rule(&rule), CFM_no_revision_rules);
  EXPECT_EQ(rule, NULLTAG);
}

TEST_F(RevisionRuleTest, EntriesAndOverrideFolders) {
  int count = 0;
  host::HostArray<int> types;
  host::HostArray<Tag> entries;
  ASSERT_EQ(CFM_rule_list_entries(tagOf("rr.override"), &count, types.out(), entries.out()), 0);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(types[0], CFM_entry_override);
  EXPECT_EQ(types[1], CFM_entry_working);
  EXPECT_EQ(entries[0], tagOf("rre.override"));
  EXPECT_EQ(ask(CFM_override_entry_ask_folder, tagOf("rre.override")), tagOf("f.override"));

  Tag folder = 1;
  EXPECT_EQ(CFM_override_entry_ask_folder(tagOf("rre.working"), &folder), CFM_not_override_entry);
  EXPECT_EQ(folder, NULLTAG);
  ERROR_store_clear();

  const Tag copy = copyOf("rr.override", "Copy");
  const std::vector<Tag> copied = host::entriesOfRule(copy);
  ASSERT_EQ(copied.size(), 2u);
  EXPECT_NE(copied[0], tagOf("rre.override"));
  ASSERT_EQ(CFM_override_entry_set_folder(copied[0], tagOf("f.home")), 0);
  EXPECT_EQ(ask(CFM_override_entry_ask_folder, copied[0]), tagOf("f.home"));
  EXPECT_EQ(ask(CFM_override_entry_ask_folder, tagOf("rre.override")), tagOf("f.override"));
  EXPECT_EQ(CFM_rule_reevaluate(copy), 0);
}

TEST_F(RevisionRuleTest, TransientCopyLivesWithItsWindow) {
  const Tag copy = copyOf("rr.latest", "Latest Working with a name that is far too long");
  EXPECT_EQ(ask(AOM_ask_name, copy), "Latest Working with a name that ");
  EXPECT_TRUE(ask(POM_is_newly_created, copy));
  const std::vector<Tag> entries = host::entriesOfRule(copy);
  ASSERT_EQ(entries.size(), 1u);

  const Tag window = openWindow(tagOf("r.asm.A"), copy);
  ASSERT_EQ(AOM_delete(copy), 0);
  ASSERT_EQ(BOM_close_window(window), 0);
  EXPECT_EQ(store().find(entries[0]), nullptr) << "the deleted copy's entries go with the window";
  EXPECT_NE(store().find(tagOf("rre.latest")), nullptr);

  const Tag window2 = openWindow(tagOf("r.asm.A"), tagOf("rr.latest"));
  ASSERT_EQ(BOM_close_window(window2), 0);
  EXPECT_NE(store().find(tagOf("rr.latest")), nullptr) << "a saved rule stays";
  expectSettled();
}

}  // namespace
