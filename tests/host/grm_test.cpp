#include "host/object/grm.h"

#include <gtest/gtest.h>

#include "host/object/aom.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "tests/support/host_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class RelationsTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <type name="ZOLT_master_form" class="ImanRelation"/>
      <type name="ZOLT_specification" class="ImanRelation"/>
      <object uid="form.1" class="Form" type="Form"/><object uid="form.2" class="Form" type="Form"/>
      <relation uid="rel.1" type="ZOLT_master_form" primary="i.1" secondary="form.1"/>
    </fixture>)");
    master_ = ask(GRM_find_relation_type, "ZOLT_master_form");
    specificationType_ = ask(GRM_find_relation_type, "ZOLT_specification");
  }

  std::vector<Tag> secondaries(Tag primary, Tag type) {
    return askList(GRM_list_secondary_objects_only, primary, type);
  }

  Tag master_;
  Tag specificationType_;
};

TEST_F(RelationsTest, CreatesListsAndRefusesDuplicates) {
  Tag created;
  ASSERT_EQ(
      GRM_create_relation(tagOf("i.1"), tagOf("form.2"), specificationType_, NULLTAG, &created), 0);
  EXPECT_TRUE(ask(POM_is_newly_created, created));
  EXPECT_EQ(GRM_save_relation(created), 0);

  EXPECT_EQ(secondaries(tagOf("i.1"), NULLTAG),
            (std::vector<Tag>{tagOf("form.1"), tagOf("form.2")}));
  EXPECT_EQ(secondaries(tagOf("i.1"), specificationType_), (std::vector<Tag>{tagOf("form.2")}));

  Tag again;
  EXPECT_EQ(GRM_create_relation(tagOf("i.1"), tagOf("form.2"), specificationType_, NULLTAG, &again),
            GRM_relation_already_exists);
  EXPECT_EQ(again, NULLTAG);
  EXPECT_EQ(GRM_create_relation(tagOf("i.1"), tagOf("nope"), specificationType_, NULLTAG, &again),
            POM_invalid_tag);
  EXPECT_EQ(GRM_create_relation(tagOf("i.1"), tagOf("form.2"), NULLTAG, NULLTAG, &again),
            GRM_invalid_relation_type);
}

TEST_F(RelationsTest, PrimariesAndFilteredListings) {
  Tag created;
  GRM_create_relation(tagOf("f.home"), tagOf("form.1"), specificationType_, tagOf("form.2"),
                      &created);
  EXPECT_EQ(askList(GRM_list_primary_objects_only, tagOf("form.1"), NULLTAG),
            (std::vector<Tag>{tagOf("i.1"), tagOf("f.home")}));
  EXPECT_EQ(askList(GRM_list_relations, NULLTAG, NULLTAG, NULLTAG, tagOf("form.2")),
            (std::vector<Tag>{created}));
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(RelationsTest, ListingsByEndsAndTypeAgreeAfterDeletionsAndNewRelations) {
  const Tag item = tagOf("i.1");
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    Tag specification;
    ASSERT_EQ(
        GRM_create_relation(item, tagOf("form.2"), specificationType_, NULLTAG, &specification), 0);
    Tag master;
    ASSERT_EQ(GRM_create_relation(item, tagOf("form.2"), master_, NULLTAG, &master), 0);
    EXPECT_EQ(ask(GRM_find_relation, item, tagOf("form.2"), specificationType_), specification);
    EXPECT_EQ(ask(GRM_find_relation, item, tagOf("form.2"), master_), master);
    EXPECT_EQ(ask(GRM_find_relation, item, NULLTAG, master_), tagOf("rel.1"));
    EXPECT_EQ(askList(GRM_list_relations, item, NULLTAG, master_, NULLTAG),
              (std::vector<Tag>{tagOf("rel.1"), master}));
    EXPECT_EQ(askList(GRM_list_relations, item, tagOf("form.2"), NULLTAG, NULLTAG),
              (std::vector<Tag>{specification, master}));
    EXPECT_EQ(secondaries(item, NULLTAG),
              (std::vector<Tag>{tagOf("form.1"), tagOf("form.2"), tagOf("form.2")}));
    ASSERT_EQ(GRM_delete_relation(specification), 0);
    ASSERT_EQ(GRM_delete_relation(master), 0);
    EXPECT_EQ(ask(GRM_find_relation, item, tagOf("form.2"), specificationType_), NULLTAG);
    EXPECT_EQ(secondaries(item, master_), (std::vector<Tag>{tagOf("form.1")}));
  }
}

// A relation's ends are no session's to write, but a host write may change them: finding, listing
// and the duplicate check see the ends it has now, and again the ones it had after a rollback.
TEST_F(RelationsTest, EndsWrittenLaterAreTheOnesFoundAndCheckedForDuplicates) {
  const Tag relation = tagOf("rel.1");
  const auto writeEnd = [this, relation](const char* end, Tag object) {
    return store().write(relation, end, host::Value{{}, {object}}, host::WriteMode::host);
  };
  ASSERT_EQ(ask(GRM_find_relation, tagOf("i.1"), tagOf("form.1"), master_), relation);
  ASSERT_EQ(AOM_lock(relation), 0);
  EXPECT_EQ(AOM_set_value_tag(relation, "secondary_object", tagOf("form.2")),
            POM_property_not_modifiable);
  ASSERT_EQ(writeEnd("secondary_object", tagOf("form.2")), 0);
  EXPECT_EQ(ask(GRM_find_relation, tagOf("i.1"), tagOf("form.2"), master_), relation);
  EXPECT_EQ(ask(GRM_find_relation, tagOf("i.1"), tagOf("form.1"), master_), NULLTAG);
  EXPECT_EQ(askList(GRM_list_primary_objects_only, tagOf("form.2"), NULLTAG),
            std::vector<Tag>{tagOf("i.1")});
  Tag again;
  EXPECT_EQ(GRM_create_relation(tagOf("i.1"), tagOf("form.2"), master_, NULLTAG, &again),
            GRM_relation_already_exists);

  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(writeEnd("primary_object", tagOf("f.home")), 0);
  EXPECT_EQ(secondaries(tagOf("f.home"), master_), std::vector<Tag>{tagOf("form.2")});
  EXPECT_TRUE(secondaries(tagOf("i.1"), NULLTAG).empty());
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_TRUE(secondaries(tagOf("f.home"), NULLTAG).empty());
  EXPECT_EQ(ask(GRM_find_relation, tagOf("i.1"), tagOf("form.2"), master_), relation);
  ASSERT_EQ(AOM_refresh(relation, false), 0);  // The unsaved end goes: form.1 again.
  EXPECT_EQ(ask(GRM_find_relation, tagOf("i.1"), tagOf("form.1"), master_), relation);
  EXPECT_EQ(secondaries(tagOf("i.1"), NULLTAG), std::vector<Tag>{tagOf("form.1")});
  EXPECT_EQ(storedCodes(),
            (std::vector<int>{POM_property_not_modifiable, GRM_relation_already_exists}));
}

TEST_F(RelationsTest, UserDataNeedsTheLock) {
  EXPECT_EQ(GRM_set_user_data(tagOf("rel.1"), tagOf("form.2")), POM_not_locked);
  ASSERT_EQ(AOM_refresh(tagOf("rel.1"), true), 0);
  ASSERT_EQ(GRM_set_user_data(tagOf("rel.1"), tagOf("form.2")), 0);
  ASSERT_EQ(AOM_save(tagOf("rel.1")), 0);
  AOM_refresh(tagOf("rel.1"), false);
  EXPECT_EQ(ask(GRM_ask_user_data, tagOf("rel.1")), tagOf("form.2"));
}

// Listing by user data alone finds the relations that name an object as theirs: as the user
// data is given, changed or rolled back, and not a relation deleted since.
TEST_F(RelationsTest, RelationsAreListedByTheirUserData) {
  const auto namingAsUserData = [](Tag userData) {
    int count = 0;
    Tag* relations = nullptr;
    EXPECT_EQ(GRM_list_relations(NULLTAG, NULLTAG, NULLTAG, userData, &count, &relations), 0);
    std::vector<Tag> list(relations, relations + count);
    SM_free(relations);
    return list;
  };
  Tag created;
  ASSERT_EQ(GRM_create_relation(tagOf("i.1"), tagOf("form.2"), specificationType_, tagOf("form.1"),
                                &created),
            0);
  EXPECT_EQ(namingAsUserData(tagOf("form.1")), std::vector<Tag>{created});
  EXPECT_TRUE(namingAsUserData(tagOf("form.2")).empty());

  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(AOM_refresh(tagOf("rel.1"), true), 0);
  ASSERT_EQ(GRM_set_user_data(tagOf("rel.1"), tagOf("form.1")), 0);
  EXPECT_EQ(namingAsUserData(tagOf("form.1")), (std::vector<Tag>{created, tagOf("rel.1")}));
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(namingAsUserData(tagOf("form.1")), std::vector<Tag>{created});

  // After a load that failed the index starts over, and lists each relation once.
  EXPECT_THROW(store().loadFixture("<fixture><object class=\"Missing\"/></fixture>"),
               host::FixtureError);
  EXPECT_EQ(namingAsUserData(tagOf("form.1")), std::vector<Tag>{created});
  // Without any object given, every relation is listed.
  EXPECT_EQ(namingAsUserData(NULLTAG), (std::vector<Tag>{tagOf("rel.1"), created}));

  ASSERT_EQ(GRM_delete_relation(created), 0);
  EXPECT_TRUE(namingAsUserData(tagOf("form.1")).empty());
}

}  // namespace
