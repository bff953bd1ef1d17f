// Mark points record each change as it is made and undo them newest first; the indexes of host
// modules follow creations, deletions and rollbacks without starting over.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/dataset.h"
#include "host/object/dataset_write.h"
#include "host/object/error_store.h"
#include "host/object/grm.h"
#include "host/object/item.h"
#include "host/object/item_create.h"
#include "host/object/pom.h"
#include "host/object/structure_support.h"
#include "tests/support/host_fixture.h"

namespace {

using host::Value;
using host::WriteMode;
using soacad_test::ask;

class MarkPointTest : public soacad_test::UserTest {
 public:
  void SetUp() override {
    UserTest::SetUp();
    item = tagOf("i.1");
    home = tagOf("f.home");
    newstuff = tagOf("f.newstuff");
    form = newForm();
    ASSERT_EQ(store().write(form, "object_name", Value{{"form"}, {}}, WriteMode::initial), 0);
  }

  Tag newForm(const std::string& uid = std::string()) {
    Tag created;
    EXPECT_EQ(
        store().createObject(store().classId("Form"), store().findType("Form"), &created, uid), 0);
    return created;
  }

  // Every record the steps may touch, as it is now (nothing for a tag that names no object).
  std::vector<std::optional<host::ObjectRecord>> records() {
    std::vector<std::optional<host::ObjectRecord>> result;
    for (Tag tag : {item, home, newstuff, form, tagOf("form.late")}) {
      const host::ObjectRecord* found = store().findExisting(tag);
      result.push_back(found == nullptr ? std::nullopt : std::make_optional(*found));
    }
    return result;
  }

  Tag item;
  Tag home;
  Tag newstuff;
  Tag form;
};

struct Step {
  const char* name;
  std::function<void(MarkPointTest&)> run;
};

void lockAndRename(Tag object, const char* name) {
  ASSERT_EQ(AOM_refresh(object, true), 0);
  ASSERT_EQ(AOM_set_value_string(object, "object_name", name), 0);
}

const std::vector<Step>& steps() {
  static const std::vector<Step> kSteps = {
      {"session write", [](MarkPointTest& t) { lockAndRename(t.item, "Renamed"); }},
      {"two session writes",
       [](MarkPointTest& t) {
         lockAndRename(t.item, "Once");
         ASSERT_EQ(AOM_set_value_string(t.item, "object_name", "Twice"), 0);
       }},
      {"session write then save",
       [](MarkPointTest& t) {
         lockAndRename(t.item, "Saved");
         ASSERT_EQ(AOM_save(t.item), 0);
       }},
      {"save, write, unlock",
       [](MarkPointTest& t) {
         lockAndRename(t.item, "Saved");
         ASSERT_EQ(AOM_save(t.item), 0);
         ASSERT_EQ(AOM_set_value_string(t.item, "object_desc", "dropped"), 0);
         ASSERT_EQ(AOM_refresh(t.item, false), 0);
       }},
      {"initial write over a saved value",
       [](MarkPointTest& t) {
         ASSERT_EQ(host::Store::instance().write(t.form, "object_name", Value{{"other"}, {}},
                                                 WriteMode::initial),
                   0);
       }},
      {"initial write over a working value",
       [](MarkPointTest& t) {
         lockAndRename(t.form, "working");
         ASSERT_EQ(host::Store::instance().write(t.form, "object_name", Value{{"initial"}, {}},
                                                 WriteMode::initial),
                   0);
       }},
      {"first write of a property",
       [](MarkPointTest& t) {
         ASSERT_EQ(host::Store::instance().write(t.form, "object_desc", Value{{"new"}, {}},
                                                 WriteMode::host),
                   0);
       }},
      {"host insertions into a list, then a save",
       [](MarkPointTest& t) {
         ASSERT_EQ(host::Store::instance().insertReference(t.home, "contents", 0, t.form,
                                                           WriteMode::host),
                   0);
         ASSERT_EQ(host::Store::instance().insertReference(t.home, "contents", 99, t.newstuff,
                                                           WriteMode::host),
                   0);
         ASSERT_EQ(host::Store::instance().save(t.home), 0);
         ASSERT_EQ(host::Store::instance().insertReference(t.home, "contents", 1, t.form,
                                                           WriteMode::host),
                   0);
       }},
      {"initial insertion into a new list",
       [](MarkPointTest& t) {
         ASSERT_EQ(host::Store::instance().insertReference(t.newstuff, "contents", 0, t.form,
                                                           WriteMode::initial),
                   0);
       }},
      {"removals from saved and working lists",
       [](MarkPointTest& t) {
         host::Store& store = host::Store::instance();
         ASSERT_EQ(store.insertReference(t.home, "contents", 0, t.form, WriteMode::initial), 0);
         ASSERT_EQ(store.insertReference(t.home, "contents", 99, t.newstuff, WriteMode::initial),
                   0);
         ASSERT_EQ(store.removeReference(t.home, "contents", t.form, WriteMode::host), 0);
         ASSERT_EQ(store.removeReference(t.home, "contents", t.newstuff, WriteMode::initial), 0);
       }},
      {"neighbours removed after a save, the later one first",
       [](MarkPointTest& t) {
         host::Store& store = host::Store::instance();
         ASSERT_EQ(store.insertReference(t.home, "contents", 0, t.form, WriteMode::host), 0);
         ASSERT_EQ(store.insertReference(t.home, "contents", 1, t.newstuff, WriteMode::host), 0);
         ASSERT_EQ(store.save(t.home), 0);
         ASSERT_EQ(store.removeReference(t.home, "contents", t.newstuff, WriteMode::host), 0);
         ASSERT_EQ(store.removeReference(t.home, "contents", t.form, WriteMode::host), 0);
       }},
      {"several removals from one list, read in between, one tag listed twice",
       [](MarkPointTest& t) {
         host::Store& store = host::Store::instance();
         std::vector<Tag> expected = host::referencesOf(t.home, "contents");
         for (Tag tag : {t.form, t.newstuff, t.item, t.form}) {
           ASSERT_EQ(store.insertReference(t.home, "contents", 99, tag, WriteMode::initial), 0);
           expected.push_back(tag);
         }
         auto removeFirst = [&](Tag tag, WriteMode mode = WriteMode::host) {
           ASSERT_EQ(store.removeReference(t.home, "contents", tag, mode), 0);
           auto at = std::find(expected.begin(), expected.end(), tag);
           if (at != expected.end()) {
             expected.erase(at);
           }
         };
         removeFirst(t.form);
         removeFirst(t.item);
         EXPECT_EQ(host::referencesOf(t.home, "contents"), expected);
         for (Tag tag : {t.form, t.form, t.newstuff, t.item}) {
           removeFirst(tag);
         }
         EXPECT_EQ(host::referencesOf(t.home, "contents"), expected);
         // An insertion and a save after removals see the list without them.
         const Tag late = t.newForm("form.late");
         for (Tag tag : {t.form, t.newstuff, late}) {
           ASSERT_EQ(store.insertReference(t.home, "contents", 99, tag, WriteMode::host), 0);
           expected.push_back(tag);
         }
         removeFirst(t.form);
         ASSERT_EQ(store.insertReference(t.home, "contents", 0, late, WriteMode::host), 0);
         expected.insert(expected.begin(), late);
         removeFirst(t.newstuff);
         ASSERT_EQ(store.save(t.home), 0);
         EXPECT_EQ(host::referencesOf(t.home, "contents"), expected);
         // Out of the list's order, back first: each removal takes the first entry of its tag,
         // none once they are gone (from the saved list, whose undo records must be exact).
         for (Tag tag : {t.form, t.newstuff, t.item, t.form, late, t.item}) {
           ASSERT_EQ(store.insertReference(t.home, "contents", 99, tag, WriteMode::initial), 0);
           expected.push_back(tag);
         }
         const std::vector<Tag> beforeRemovals = expected;
         int removals = 0;
         ASSERT_EQ(POM_place_markpoint(&removals), 0);
         for (Tag tag : {t.item, late, t.form, t.item, t.form, t.item, late, late, t.form}) {
           removeFirst(tag, WriteMode::initial);
         }
         EXPECT_EQ(host::referencesOf(t.home, "contents"), expected);
         ASSERT_EQ(POM_roll_to_markpoint(removals, nullptr), 0);
         EXPECT_EQ(host::referencesOf(t.home, "contents"), beforeRemovals);
       }},
      {"deletion with unsaved values",
       [](MarkPointTest& t) {
         lockAndRename(t.item, "Gone");
         ASSERT_EQ(AOM_delete(t.item), 0);
       }},
      {"not modifiable while locked",
       [](MarkPointTest& t) {
         ASSERT_EQ(AOM_refresh(t.item, true), 0);
         ASSERT_EQ(host::Store::instance().setModifiable(t.item, false), 0);
       }},
      {"creation with a known UID, then changes",
       [](MarkPointTest& t) {
         const Tag late = t.newForm("form.late");
         lockAndRename(late, "late");
         ASSERT_EQ(AOM_save(late), 0);
         ASSERT_EQ(
             host::Store::instance().insertReference(t.home, "contents", 0, late, WriteMode::host),
             0);
         ASSERT_EQ(AOM_delete(late), 0);
       }},
  };
  return kSteps;
}

// How a step is wrapped: under one mark; under an inner mark that is forgotten before the
// outer one is rolled back; or split by a mark placed between its first half and the rest.
enum class Nesting { single, forgottenInner, innerRolledBackFirst };

TEST_F(MarkPointTest, RollingBackRestoresEveryRecordExactly) {
  for (Nesting nesting :
       {Nesting::single, Nesting::forgottenInner, Nesting::innerRolledBackFirst}) {
    for (const Step& step : steps()) {
      SCOPED_TRACE(std::string(step.name) + " / nesting " +
                   std::to_string(static_cast<int>(nesting)));
      SetUp();
      const auto before = records();
      int outer = 0;
      ASSERT_EQ(POM_place_markpoint(&outer), 0);
      lockAndRename(form, "outer change");  // The outer mark journals something too.
      int inner = 0;
      ASSERT_EQ(POM_place_markpoint(&inner), 0);
      ASSERT_NO_FATAL_FAILURE(step.run(*this));
      if (nesting == Nesting::forgottenInner) {
        ASSERT_EQ(POM_forget_markpoint(inner), 0);
      } else if (nesting == Nesting::innerRolledBackFirst) {
        bool changed = false;
        ASSERT_EQ(POM_roll_to_markpoint(inner, &changed), 0);
        EXPECT_TRUE(changed);
        EXPECT_EQ(text(form, "object_name"), "outer change");
      }
      bool changed = false;
      ASSERT_EQ(POM_roll_to_markpoint(outer, &changed), 0);
      EXPECT_TRUE(changed);
      EXPECT_EQ(records(), before);
      EXPECT_EQ(store().markPointCount(), 0u);
    }
  }
}

// What a harness compares after a request: the objects the newest mark's journal names find the
// same first changed object as comparing the whole store with a snapshot, at the cost of the
// changes.
TEST_F(MarkPointTest, TheJournalFindsTheFirstChangedObjectAsTheWholeStoreDoes) {
  for (const Step& step : steps()) {
    SCOPED_TRACE(step.name);
    SetUp();
    const host::Store::Snapshot before = store().snapshot();
    int mark = 0;
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    EXPECT_EQ(store().firstChangedUnderNewestMark(before), NULLTAG);
    ASSERT_NO_FATAL_FAILURE(step.run(*this));
    const Tag changed = store().firstChangedObject(before);
    EXPECT_NE(changed, NULLTAG);
    EXPECT_EQ(store().firstChangedUnderNewestMark(before), changed);
    bool any = false;
    ASSERT_EQ(POM_roll_to_markpoint(mark, &any), 0);
    EXPECT_EQ(store().firstChangedObject(before), NULLTAG);
    EXPECT_EQ(store().firstChangedUnderNewestMark(before), NULLTAG);  // No mark left.
  }
}

// Unlocking drops the session's unsaved values; rolling back to a mark placed after they were
// written brings them back with the lock.
TEST_F(MarkPointTest, ValuesAnUnlockDroppedComeBackWithTheRollback) {
  lockAndRename(item, "Working");
  const host::Store::Snapshot before = store().snapshot();
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(AOM_refresh(item, false), 0);
  EXPECT_EQ(text(item, "object_name"), "First item");
  bool changed = false;
  ASSERT_EQ(POM_roll_to_markpoint(mark, &changed), 0);
  EXPECT_TRUE(changed);
  EXPECT_EQ(text(item, "object_name"), "Working");
  EXPECT_TRUE(store().find(item)->locked);
  EXPECT_EQ(store().firstChangedObject(before), NULLTAG);  // The same unsaved value.
}

TEST_F(MarkPointTest, ChangesThatChangeNothingAreNotReported) {
  const std::vector<Step> unchanged = {
      {"unlock of an unlocked object",
       [](MarkPointTest& t) { ASSERT_EQ(AOM_refresh(t.item, false), 0); }},
      {"initial write of the same value",
       [](MarkPointTest& t) {
         ASSERT_EQ(host::Store::instance().write(t.form, "object_name", Value{{"form"}, {}},
                                                 WriteMode::initial),
                   0);
       }},
      {"initial write of null to a property never written",
       [](MarkPointTest& t) {
         ASSERT_EQ(
             host::Store::instance().write(t.form, "object_desc", Value(), WriteMode::initial), 0);
       }},
      {"removal from a list that does not hold the tag",
       [](MarkPointTest& t) {
         host::Store& store = host::Store::instance();
         ASSERT_EQ(store.removeReference(t.home, "contents", t.form, WriteMode::host), 0);
         ASSERT_EQ(store.removeReference(t.newstuff, "contents", t.form, WriteMode::host), 0);
         ASSERT_EQ(store.removeReference(t.newstuff, "contents", t.form, WriteMode::initial), 0);
       }},
      {"save without unsaved values", [](MarkPointTest& t) { ASSERT_EQ(AOM_save(t.item), 0); }},
      {"modifiable made modifiable",
       [](MarkPointTest& t) { ASSERT_EQ(host::Store::instance().setModifiable(t.item, true), 0); }},
  };
  ASSERT_EQ(AOM_save(form), 0);
  for (const Step& step : unchanged) {
    SCOPED_TRACE(step.name);
    const auto before = records();
    int mark = 0;
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    ASSERT_NO_FATAL_FAILURE(step.run(*this));
    EXPECT_EQ(records(), before);
    bool changed = true;
    ASSERT_EQ(POM_roll_to_markpoint(mark, &changed), 0);
    EXPECT_FALSE(changed);
  }
}

// What host modules derive from an object holds while its change stamp is the one they saw.
TEST_F(MarkPointTest, EveryChangeOfAnObjectAndItsRollbackChangeItsStamp) {
  const std::vector<std::pair<const char*, std::function<int()>>> changes = {
      {"lock", [&] { return AOM_refresh(form, true); }},
      {"write",
       [&] {
         return store().write(form, "object_name", Value{{"renamed"}, {}});
       }},
      {"list insertion",
       [&] { return store().insertReference(home, "contents", 0, form, WriteMode::host); }},
      {"list removal",
       [&] { return store().removeReference(home, "contents", item, WriteMode::host); }},
      {"save", [&] { return AOM_save(form); }},
      {"unlock", [&] { return AOM_refresh(form, false); }},
      {"deletion", [&] { return AOM_delete(form); }},
  };
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    const std::uint32_t form0 = store().changeStamp(form);
    const std::uint32_t home0 = store().changeStamp(home);
    ASSERT_EQ(change(), 0);
    EXPECT_TRUE(store().changeStamp(form) != form0 || store().changeStamp(home) != home0);
  }
  const std::uint32_t form0 = store().changeStamp(form);
  const std::uint32_t home0 = store().changeStamp(home);
  const std::uint32_t item0 = store().changeStamp(item);
  store().valueOf(home, "contents");
  EXPECT_EQ(store().changeStamp(home), home0) << "a read changes nothing";
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_NE(store().changeStamp(form), form0);
  EXPECT_NE(store().changeStamp(home), home0);
  EXPECT_EQ(store().changeStamp(item), item0) << "the item itself never changed";
  const Tag made = newForm();
  EXPECT_NE(store().changeStamp(made), 0u);
}

// --- Indexes through creation, deletion and rollback ---------------------------------------

TEST_F(MarkPointTest, IndexesFollowRollbacks) {
  load(soacad_test::kCadModelFixture);
  const Tag specRelation = store().findType("ZOLT_specification");
  struct Case {
    const char* name;
    // Changes the store under a mark; what `found` answers afterwards, and after the rollback.
    std::function<void()> change;
    std::function<bool()> found;
    bool foundAfterChange;
    bool foundAfterRollback;
  };
  Tag relation = NULLTAG;
  const std::vector<Case> cases = {
      {"relation deleted, then rolled back",
       [&] {
         relation = ask(GRM_find_relation, item, form, specRelation);
         ASSERT_EQ(GRM_delete_relation(relation), 0);
       },
       [&] { return !secondaries(item, "ZOLT_specification").empty(); }, false, true},
      {"relation made and deleted between lookups, deletion rolled back",
       [&] {
         Tag made;
         ASSERT_EQ(GRM_create_relation(newstuff, form, specRelation, NULLTAG, &made), 0);
         int inner = 0;
         ASSERT_EQ(POM_place_markpoint(&inner), 0);
         ASSERT_EQ(GRM_delete_relation(made), 0);
         EXPECT_TRUE(secondaries(newstuff, "ZOLT_specification").empty());
         ASSERT_EQ(POM_roll_to_markpoint(inner, nullptr), 0);
       },
       [&] { return secondaries(newstuff, "ZOLT_specification") == std::vector<Tag>{form}; }, true,
       false},
      {"item made, then rolled back",
       [&] {
         Tag made;
         Tag revision;
         ASSERT_EQ(ITEM_create_item("000777", "made", "Item", "A", &made, &revision), 0);
       },
       [&] { return host::findItemById("000777") != NULLTAG; }, true, false},
      {"relation deleted, then rolled back, found between its ends",
       [&] { ASSERT_EQ(GRM_delete_relation(relation), 0); },
       [&] { return ask(GRM_find_relation, item, form, specRelation) == relation; }, false, true},
      {"relation made, then rolled back, found between its ends and refused as a duplicate",
       [&] {
         Tag made;
         ASSERT_EQ(GRM_create_relation(home, form, specRelation, NULLTAG, &made), 0);
       },
       [&] {
         if (ask(GRM_find_relation, home, form, specRelation) == NULLTAG) {
           return false;
         }
         Tag again;
         EXPECT_EQ(GRM_create_relation(home, form, specRelation, NULLTAG, &again),
                   GRM_relation_already_exists);
         ERROR_store_clear();
         return true;
       },
       true, false},
      {"item deleted, then rolled back", [&] { ASSERT_EQ(AOM_delete(item), 0); },
       [&] { return host::findItemById("000001") == item; }, false, true},
      {"revision made, then rolled back",
       [&] {
         Tag made;
         ASSERT_EQ(ITEM_create_rev(item, "B", &made), 0);
       },
       [&] {
         return host::findRevisionById(item, "B") != NULLTAG &&
                ask(ITEM_ask_latest_rev, item) == host::findRevisionById(item, "B");
       },
       true, false},
      {"revision deleted, then rolled back",
       [&] { ASSERT_EQ(AOM_delete(host::findRevisionById(item, "A")), 0); },
       [&] {
         return host::findRevisionById(item, "A") != NULLTAG &&
                ask(ITEM_ask_latest_rev, item) == host::findRevisionById(item, "A");
       },
       false, true},
      {"dataset type deleted, then rolled back",
       [&] { ASSERT_EQ(AOM_delete(tagOf("dt.model")), 0); },
       [&] { return ask(AE_find_datasettype, "CADModel") == tagOf("dt.model"); }, false, true},
  };
  ASSERT_EQ(GRM_create_relation(item, form, specRelation, NULLTAG, &relation), 0);
  Tag revision;
  ASSERT_EQ(ITEM_create_rev(item, "A", &revision), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.found(), c.foundAfterRollback);  // Looked up before: the indexes are current.
    int mark = 0;
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    ASSERT_NO_FATAL_FAILURE(c.change());
    EXPECT_EQ(c.found(), c.foundAfterChange);
    ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
    EXPECT_EQ(c.found(), c.foundAfterRollback);
  }
}

TEST_F(MarkPointTest, AnObjectMadeAgainWithItsUidIsListedOnce) {
  load(soacad_test::kCadModelFixture);
  const std::string relation =
      R"(<fixture><relation uid="rel.late" type="ZOLT_specification" primary="f.newstuff" )"
      "secondary=\"" +
      uidOf(form) + "\"/></fixture>";
  for (int round = 0; round < 2; ++round) {
    int mark = 0;
    ASSERT_EQ(POM_place_markpoint(&mark), 0);
    load(relation);
    EXPECT_EQ(secondaries(newstuff, "ZOLT_specification"), std::vector<Tag>{form});
    if (round == 0) {
      ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
      EXPECT_TRUE(secondaries(newstuff, "ZOLT_specification").empty());
    } else {
      ASSERT_EQ(POM_forget_markpoint(mark), 0);
    }
  }
}

// --- Unknown UIDs named by a request ------------------------------------------------------

TEST_F(MarkPointTest, UnknownUidsOfARequestAreReleasedWhenItEnds) {
  struct Case {
    const char* name;
    std::function<void(Tag)> use;  // What the request does with the unknown UID's tag.
    bool kept;
  };
  const std::vector<Case> cases = {
      {"only named", [](Tag) {}, false},
      {"named twice", [&](Tag tag) { EXPECT_EQ(tagOf("unknown.uid"), tag); }, false},
      {"held by a property",
       [&](Tag tag) {
         ASSERT_EQ(store().insertReference(home, "contents", 0, tag, WriteMode::host), 0);
       },
       true},
      {"written into a list",
       [&](Tag tag) {
         ASSERT_EQ(store().write(newstuff, "contents", Value{{}, {tag}}, WriteMode::initial), 0);
       },
       true},
      {"created with its UID", [&](Tag) { newForm("unknown.uid"); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Tag tag = NULLTAG;
    {
      host::RequestScope request;
      {
        host::RequestScope nested;  // Only the outermost scope releases.
        tag = tagOf("unknown.uid");
      }
      ASSERT_NE(tag, NULLTAG);
      EXPECT_EQ(uidOf(tag), "unknown.uid");
      ASSERT_NO_FATAL_FAILURE(c.use(tag));
    }
    EXPECT_EQ(uidOf(tag), c.kept ? "unknown.uid" : "");
    EXPECT_EQ(tagOf("unknown.uid") == tag, c.kept);
    if (!c.kept) {
      EXPECT_EQ(tag.isValid(), POM_invalid_tag);
    }
    store().loadFixture("<fixture/>");  // A released tag is never handed out again.
    EXPECT_NE(newForm(), tag);
  }
  // Outside a request an unknown UID keeps its tag for the life of the store.
  const Tag outside = tagOf("outside.uid");
  { host::RequestScope request; }
  EXPECT_EQ(tagOf("outside.uid"), outside);
}

TEST_F(MarkPointTest, RecordsOfARestoredStoreStayPutWhileItGrows) {
  // Records handed out stay valid until a reset: a restored store's slots must not move when
  // creations fill the block they are in.
  store().restore(store().snapshot());
  const host::ObjectRecord* record = store().find(form);
  for (int i = 0; i < 5000; ++i) {
    newForm();
  }
  EXPECT_EQ(store().find(form), record);
}

TEST_F(MarkPointTest, EveryUidKeepsItsTagWhileTheIndexGrowsAndReleases) {
  // Rounds of requests naming unknown UIDs, released when the request ends, between objects
  // created with UIDs of their own: the UID index grows past released entries, and finds the
  // objects filed behind them.
  std::vector<std::pair<std::string, Tag>> kept;
  std::vector<std::pair<std::string, Tag>> released;
  for (int round = 0; round < 4; ++round) {
    host::RequestScope request;
    for (int i = 0; i < 1000; ++i) {
      const std::string suffix = std::to_string(round) + "." + std::to_string(i);
      released.emplace_back("gone." + suffix, tagOf("gone." + suffix));
      if (i % 2 == 0) {
        kept.emplace_back("kept." + suffix, newForm("kept." + suffix));
      }
    }
  }
  int wrong = 0;
  for (const auto& [uid, tag] : kept) {
    wrong += tagOf(uid) != tag || uidOf(tag) != uid;
  }
  EXPECT_EQ(wrong, 0) << "created objects not found by their UID";
  wrong = 0;
  host::RequestScope request;
  for (const auto& [uid, tag] : released) {
    const Tag again = tagOf(uid);
    wrong += again == tag || again == NULLTAG || !uidOf(tag).empty() || uidOf(again) != uid;
  }
  EXPECT_EQ(wrong, 0) << "released UIDs not named afresh";
}

}  // namespace
