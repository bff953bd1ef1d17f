// createOrUpdateRelations against the host: list building and its checks, complete-mode
// deletion, creation, update, and the reply a CAD client reads.
#include "datamanagement/create_or_update_relations.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/pom.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::CreateOrUpdateRelationsImpl;
using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using Info = DataManagement::CreateOrUpdateRelationsInfo;
using Pref = DataManagement::CreateOrUpdateRelationsPref;
using Response = DataManagement::CreateOrUpdateRelationsResponse;
using Strings = std::vector<std::string>;
using WireResponse =
    Korvane::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdateRelationsResponse;

// Parts p.1 and p.2; documents s.1 to s.3 and sub.1, whose type derives from Document; the
// form ud.1 as user data. p.1 refers to s.1 (rel.a) and sub.1 (rel.b), has an extra s.2
// (rel.c); p.2 refers to s.1 (rel.d).
const char* const kWorld = R"(<fixture>
  <type name="Part" class="Item" parent="Item"/><type name="Document" class="Item" parent="Item"/>
  <type name="SubDocument" class="Item" parent="Document"/>
  <type name="ZOLT_reference" class="ImanRelation"/><type name="ZOLT_extra" class="ImanRelation"/>
  <object uid="p.1" class="Item" type="Part"/><object uid="p.2" class="Item" type="Part"/>
  <object uid="s.1" class="Item" type="Document"/><object uid="s.2" class="Item" type="Document"/>
  <object uid="s.3" class="Item" type="Document"/><object uid="sub.1" class="Item" type="SubDocument"/>
  <object uid="ud.1" class="Form" type="Form"/>
  <relation uid="rel.a" type="ZOLT_reference" primary="p.1" secondary="s.1"/>
  <relation uid="rel.b" type="ZOLT_reference" primary="p.1" secondary="sub.1"/>
  <relation uid="rel.c" type="ZOLT_extra" primary="p.1" secondary="s.2"/>
  <relation uid="rel.d" type="ZOLT_reference" primary="p.2" secondary="s.1"/>
</fixture>)";

class RelationsTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    unsetenv("DEBUG_SOACAD");
    load(kWorld);
  }

  Response run(const std::vector<Info>& inputs, bool complete = false, const Pref& pref = {}) {
    return settled([&] {
      return CreateOrUpdateRelationsImpl().createOrUpdateRelations(inputs, complete, pref);
    });
  }
  Info creation(const std::string& clientId, const std::string& primary,
                const std::string& secondary, const std::string& type = "ZOLT_reference") {
    Info info;
    info.clientId = clientId;
    info.relationType = type;
    info.primaryObject = tagOf(primary);
    info.secondaryObject = tagOf(secondary);
    return info;
  }
  Info update(const std::string& clientId, const std::string& relation,
              const std::string& userData) {
    Info info;
    info.clientId = clientId;
    info.relation = tagOf(relation);
    info.userData = userData.empty() ? NULLTAG : tagOf(userData);
    return info;
  }
  static Pref filter(const std::string& relation, const std::vector<std::string>& types = {}) {
    Pref pref;
    pref.info.push_back({relation, types});
    return pref;
  }
  Tag relationType(const char* name) {
    Tag type;
    GRM_find_relation_type(name, &type);
    return type;
  }
  Tag findRelation(const std::string& primary, const std::string& secondary,
                   const char* type = "ZOLT_reference") {
    Tag relation;
    GRM_find_relation(tagOf(primary), tagOf(secondary), relationType(type), &relation);
    return relation;
  }
  bool valid(const std::string& uid) { return store().find(tagOf(uid)) != nullptr; }

  static Strings clientIds(const Response& response) {
    Strings ids;
    for (const auto& output : response.output) {
      ids.push_back(output.clientId);
    }
    return ids;
  }
  static Strings errors(const Response& response) {
    return soacad_test::stacks(response.serviceData.getErrorArray());
  }
};

// --- Lists, creation and update -----------------------------------------------------------

TEST_F(RelationsTest, CreationsAreGroupedByPrimaryAndComeBeforeUpdates) {
  const Response response = run({creation("c1", "p.1", "s.2"), update("u1", "rel.c", "ud.1"),
                                 creation("c2", "p.2", "s.2"), creation("c3", "p.1", "s.3")});
  EXPECT_EQ(clientIds(response), (Strings{"c1", "c3", "c2", "u1"}));
  EXPECT_EQ(response.output[0].relation.tag(), findRelation("p.1", "s.2"));
  EXPECT_EQ(response.output[1].relation.tag(), findRelation("p.1", "s.3"));
  EXPECT_EQ(response.output[2].relation.tag(), findRelation("p.2", "s.2"));
  EXPECT_EQ(response.output[3].relation.tag(), tagOf("rel.c"));
  EXPECT_EQ(response.serviceData.createdUids().size(), 3u);
  EXPECT_EQ(response.serviceData.updatedUids(), std::set<std::string>{"rel.c"});
  EXPECT_EQ(errors(response), Strings{});
  Tag userData;
  GRM_ask_user_data(tagOf("rel.c"), &userData);
  EXPECT_EQ(userData, tagOf("ud.1"));
  EXPECT_FALSE(store().find(findRelation("p.1", "s.3"))->newlyCreated);  // Saved.
}

TEST_F(RelationsTest, InputsThatFailTheChecksGetAnErrorStackAndNoOutput) {
  Info badType = creation("type", "p.1", "s.3", "NoSuchRelation");
  Info badPrimary = creation("primary", "p.1", "s.3");
  badPrimary.primaryObject = tagOf("no.such.object");
  Info badUserData = creation("userData", "p.1", "s.3");
  badUserData.userData = tagOf("no.such.object");
  Info badRelation = update("relation", "rel.a", "");
  badRelation.relation = tagOf("no.such.object");
  const Info notARelation = update("kind", "ud.1", "");
  // A secondary object that is not valid is refused up front, not left to fail (or vanish).
  Info badSecondary = creation("secondary", "p.1", "s.3");
  badSecondary.secondaryObject = tagOf("no.such.object");
  Info nullSecondary = creation("noSecondary", "p.1", "s.3");
  nullSecondary.secondaryObject = NULLTAG;
  // A client id may be empty: such an input's failure is still an error stack, never a drop.
  const Info noClientId = creation("", "p.1", "s.3", "NoSuchRelation");

  const Response response = run({badType, badPrimary, badUserData, badRelation, notARelation,
                                 badSecondary, nullSecondary, noClientId});
  EXPECT_TRUE(response.output.empty());
  EXPECT_EQ(errors(response),
            (Strings{"type: 215050", "primary: 7007 215051", "userData: 7007 215053",
                     "relation: 7007 215054", "kind: 7008 215054", "secondary: 7007",
                     "noSecondary: 7007", ": 215050"}));
  EXPECT_EQ(findRelation("p.1", "s.3"), NULLTAG);
}

// Whichever step of an update fails (the save, or the release of the lock after it), the
// update is reported as failed and the relation keeps its user data and no lock.
TEST_F(RelationsTest, AFailedUpdateIsReportedAndLeavesTheRelationUnlockedAndUnchanged) {
  for (int nth : {0, 2}) {  // Every save; the second AOM_refresh (the release).
    SCOPED_TRACE(nth);
    SetUp();
    host::faultPlan().fail(nth == 0 ? "AOM_save" : "AOM_refresh", POM_invalid_value, nth);
    const Response response = run({update("u", "rel.a", "ud.1")});  // run() checks the lock.
    ASSERT_EQ(response.output.size(), 1u);
    EXPECT_EQ(response.output[0].relation.tag(), tagOf("rel.a"));
    EXPECT_EQ(errors(response), Strings{"u: " + std::to_string(POM_invalid_value)});
    EXPECT_TRUE(response.serviceData.updatedUids().empty());
    Tag userData;
    GRM_ask_user_data(tagOf("rel.a"), &userData);
    EXPECT_EQ(userData, NULLTAG);
  }
}

// --- Complete mode -----------------------------------------------------------------------

TEST_F(RelationsTest, CompleteDeletesUnlistedRelationsOfCreationPrimariesButSparesUpdates) {
  const Response response =
      run({creation("c", "p.1", "s.3"), update("u", "rel.b", "")}, true, filter("ZOLT_reference"));
  EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.a"});
  EXPECT_FALSE(valid("rel.a"));
  EXPECT_TRUE(valid("rel.b"));  // Named by an update.
  EXPECT_TRUE(valid("rel.c"));  // Another relation type.
  EXPECT_TRUE(valid("rel.d"));  // Another primary.
  EXPECT_NE(findRelation("p.1", "s.3"), NULLTAG);
  EXPECT_EQ(clientIds(response), (Strings{"c", "u"}));
}

TEST_F(RelationsTest, CompleteWithTypeNamesDeletesOnlySecondariesOfExactlyThoseTypes) {
  const Response response =
      run({creation("c", "p.1", "s.3")}, true, filter("ZOLT_reference", {"Document"}));
  EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.a"});
  EXPECT_TRUE(valid("rel.b"));  // Its secondary is a SubDocument.
}

// Whatever role an input gives a relation, and whether the input is accepted or rejected,
// complete mode leaves that relation alone.
TEST_F(RelationsTest, CompleteSparesEveryRelationAnyInputNames) {
  struct Case {
    const char* what;
    std::function<Info()> input;
  };
  const std::vector<Case> cases = {
      {"a rejected update (its user data is not valid)",
       [&] {
         Info input = update("u", "rel.a", "");
         input.userData = tagOf("no.such.object");
         return input;
       }},
      {"the user data of another creation",
       [&] {
         Info input = creation("u", "p.1", "s.2");
         input.userData = tagOf("rel.a");
         return input;
       }},
      {"the primary of a rejected creation",
       [&] { return creation("u", "rel.a", "s.3", "NoSuchRelation"); }},
      {"the secondary of a rejected creation",
       [&] { return creation("u", "no.such.object", "rel.a"); }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    SetUp();
    const Response response =
        run({creation("c", "p.1", "s.3"), test.input()}, true, filter("ZOLT_reference"));
    EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.b"});
    EXPECT_TRUE(valid("rel.a"));
    EXPECT_FALSE(valid("rel.b"));
  }
}

// The relation a creation takes as user data is spared, so the creation finds it and succeeds
// instead of failing on a relation the same call deleted, leaving the primary with neither.
TEST_F(RelationsTest, CompleteKeepsARelationThatACreationTakesAsUserData) {
  Info input = creation("c", "p.1", "s.3");
  input.userData = tagOf("rel.a");
  const Response response = run({input}, true, filter("ZOLT_reference"));
  EXPECT_EQ(errors(response), Strings{});
  EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.b"});
  ASSERT_EQ(response.output.size(), 1u);
  const Tag created = findRelation("p.1", "s.3");
  EXPECT_EQ(response.output[0].relation.tag(), created);
  Tag userData;
  GRM_ask_user_data(created, &userData);
  EXPECT_EQ(userData, tagOf("rel.a"));
  EXPECT_TRUE(valid("rel.a"));
}

// Complete mode leaves no relation naming a deleted one. A relation that another one refers to
// (rel.a as rel.e's user data, rel.b as rel.f's primary object) is not deleted; when a
// creation makes it again, the creation keeps it, gives it the input's user data and reports
// it as updated. Once nothing refers to them, they go, or are made again, as any other.
TEST_F(RelationsTest, CompleteLeavesNoRelationNamingADeletedOne) {
  load(R"(<fixture>
    <relation uid="rel.e" type="ZOLT_extra" primary="p.2" secondary="s.2" userData="rel.a"/>
    <relation uid="rel.f" type="ZOLT_extra" primary="rel.b" secondary="s.3"/>
  </fixture>)");
  Info again = creation("again", "p.1", "s.1");
  again.userData = tagOf("ud.1");
  const Response response =
      run({again, creation("c", "p.1", "s.3")}, true, filter("ZOLT_reference"));
  EXPECT_EQ(errors(response), Strings{});
  EXPECT_TRUE(response.serviceData.deletedUids().empty());
  EXPECT_TRUE(valid("rel.a"));
  EXPECT_TRUE(valid("rel.b"));
  ASSERT_EQ(response.output.size(), 2u);
  EXPECT_EQ(response.output[0].relation.tag(), tagOf("rel.a"));
  EXPECT_EQ(response.serviceData.updatedUids(), std::set<std::string>{"rel.a"});
  Tag userData;
  GRM_ask_user_data(tagOf("rel.a"), &userData);
  EXPECT_EQ(userData, tagOf("ud.1"));
  GRM_ask_user_data(tagOf("rel.e"), &userData);
  EXPECT_EQ(userData, tagOf("rel.a"));
  const host::ObjectRecord* kept = store().find(tagOf("rel.a"));
  EXPECT_TRUE(kept != nullptr && !kept->locked);

  ASSERT_EQ(GRM_delete_relation(tagOf("rel.e")), 0);
  ASSERT_EQ(GRM_delete_relation(tagOf("rel.f")), 0);
  const Response later = run({creation("again", "p.1", "s.1")}, true, filter("ZOLT_reference"));
  EXPECT_EQ(errors(later), Strings{});
  EXPECT_FALSE(valid("rel.a"));
  EXPECT_FALSE(valid("rel.b"));
  EXPECT_NE(findRelation("p.1", "s.1"), NULLTAG);
}

// A relation whose secondary object was deleted has no type to match: a filter with object
// types passes over it and still deletes what matches, without an error.
TEST_F(RelationsTest, CompleteWithTypeNamesPassesOverARelationWhoseSecondaryIsGone) {
  load(R"(<fixture><object uid="s.gone" class="Item" type="Document"/>
    <relation uid="rel.g" type="ZOLT_reference" primary="p.1" secondary="s.gone"/></fixture>)");
  ASSERT_EQ(AOM_delete(tagOf("s.gone")), 0);
  const Response response =
      run({creation("c", "p.1", "s.3")}, true, filter("ZOLT_reference", {"Document"}));
  EXPECT_EQ(errors(response), Strings{});
  EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.a"});
  EXPECT_TRUE(valid("rel.g"));
}

TEST_F(RelationsTest, UnknownFilterNamesAreReportedUnderFixedKeysAndTheCallGoesOn) {
  Pref pref = filter("NoSuchRelation");
  pref.info.push_back({"ZOLT_reference", {"NoSuchType", "Document"}});
  const Response response = run({creation("c", "p.1", "s.3")}, true, pref);
  EXPECT_EQ(errors(response),
            (Strings{"Filter relation type error: 215050", "Filter object type error: 215022"}));
  EXPECT_EQ(response.serviceData.deletedUids(), std::set<std::string>{"rel.a"});
  EXPECT_NE(response.output.at(0).relation.tag(), NULLTAG);
}

TEST_F(RelationsTest, AFailingDeletionIsAnUnkeyedErrorStack) {
  host::faultPlan().fail("GRM_delete_relation", POM_not_modifiable);
  const Response response = run({creation("c", "p.1", "s.3")}, true, filter("ZOLT_reference"));
  EXPECT_EQ(errors(response), Strings{": " + std::to_string(POM_not_modifiable)});
  EXPECT_TRUE(valid("rel.a"));
  EXPECT_NE(response.output.at(0).relation.tag(), NULLTAG);
}

// --- Through the service: messages, and what a refused or failed input leaves ----------------

// A creation input as request text; `more` goes inside it (user data, for example).
std::string creationText(const std::string& clientId, const std::string& type,
                         const std::string& primary, const std::string& secondary,
                         const std::string& more = "") {
  return R"(<info clientId=")" + clientId + R"(" relationType=")" + type +
         R"("><primaryObject uid=")" + primary + R"("/><secondaryObject uid=")" + secondary +
         R"("/>)" + more + "</info>";
}

class RelationsRequestTest : public RelationsTest {
 protected:
  // Sends `infos` in complete mode with a filter (without object types) per relation name.
  WireResponse sendComplete(const std::string& infos, const Strings& filterRelations) {
    std::string filters;
    for (const std::string& relation : filterRelations) {
      filters += R"(<info relationName=")" + relation + R"("/>)";
    }
    return responseOf<WireResponse>(
        call("createOrUpdateRelations", R"(<CreateOrUpdateRelationsInput complete="true">)" +
                                            infos + "<pref>" + filters +
                                            "</pref></CreateOrUpdateRelationsInput>"));
  }
  // The messages of the reply's error values, in order.
  static Strings messages(const WireResponse& response) {
    Strings texts;
    for (const auto& stack : response.getServiceData().getPartialErrorArray()) {
      for (const auto& value : stack.getErrorValueArray()) {
        texts.push_back(value.getMessage());
      }
    }
    return texts;
  }
  static Strings deleted(const WireResponse& response) {
    return soacad_test::modelUids(response.getServiceData().getDeletedObjArray());
  }
};

// The checks name the objects by their UIDs, as the client sent them.
TEST_F(RelationsRequestTest, RefusalsNameTheObjectsByUid) {
  const WireResponse response = responseOf<WireResponse>(
      call("createOrUpdateRelations",
           R"(<CreateOrUpdateRelationsInput complete="false">)" +
               creationText("u", "ZOLT_reference", "p.1", "s.1", R"(<userData uid="stale.uid"/>)") +
               creationText("p", "ZOLT_reference", "gone.uid", "s.1") +
               R"(<info clientId="r"><relation uid="rel.gone"/></info>)"
               "</CreateOrUpdateRelationsInput>"));
  EXPECT_EQ(
      messages(response),
      (Strings{"Not a valid object: stale.uid.", "The user data stale.uid is not a valid object.",
               "Not a valid object: gone.uid.",
               "The primary object gone.uid is not a valid object.",
               "Not a valid object: rel.gone.", "The relation rel.gone is not a valid object."}));
}

// A creation refused while the lists are built spares the relations between its two objects:
// of its own type, or of every filtered type when its type cannot be read. The other input on
// the same primary still succeeds, and the relations nobody listed still go.
TEST_F(RelationsRequestTest, ARefusedCreationSparesTheRelationsBetweenItsObjects) {
  const std::string staleUserData = R"(<userData uid="stale.uid"/>)";
  const struct {
    const char* what;
    std::string refused;
    Strings filters;
    Strings survivors;
    Strings deleted;
  } cases[] = {
      {"a misspelt type",
       creationText("r", "ZOLT_refrence", "p.1", "s.1"),
       {"ZOLT_reference"},
       {"rel.a"},
       {"rel.b"}},
      {"user data that is no object",
       creationText("r", "ZOLT_reference", "p.1", "s.1", staleUserData),
       {"ZOLT_reference"},
       {"rel.a"},
       {"rel.b"}},
      {"a misspelt type spares every filtered type",
       creationText("r", "ZOLT_refrence", "p.1", "s.2"),
       {"ZOLT_reference", "ZOLT_extra"},
       {"rel.c"},
       {"rel.a", "rel.b"}},
      {"a known type spares that type only",
       creationText("r", "ZOLT_reference", "p.1", "s.2", staleUserData),
       {"ZOLT_extra"},
       {},
       {"rel.c"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    SetUp();
    const WireResponse response = sendComplete(
        test.refused + creationText("c", "ZOLT_reference", "p.1", "s.3"), test.filters);
    EXPECT_EQ(deleted(response), test.deleted);
    for (const std::string& survivor : test.survivors) {
      EXPECT_TRUE(valid(survivor)) << survivor;
    }
    ASSERT_EQ(response.getOutputArray().size(), 1u);
    EXPECT_EQ(response.getOutputArray()[0].getClientId(), "c");
    EXPECT_NE(findRelation("p.1", "s.3"), NULLTAG);
    EXPECT_EQ(partialErrorsOf(response).size(), 1u);
  }
}

// A listed relation that the call creates again is deleted and made again as one step: when
// the making fails, the old relation stays as it was and is not reported deleted.
TEST_F(RelationsRequestTest, ARelationCreatedAgainSurvivesAFailedCreation) {
  const std::string again = creationText("again", "ZOLT_reference", "p.1", "s.1");
  const struct {
    const char* what;
    std::function<void()> faults;
    const char* error;
  } cases[] = {
      {"no relation made", [] { host::faultPlan().nullResult("GRM_create_relation"); },
       "again: 215025"},
      {"the creation refused",
       [] { host::faultPlan().fail("GRM_create_relation", POM_not_modifiable); }, "again: 7015"},
      {"the save refused", [] { host::faultPlan().fail("GRM_save_relation", POM_not_modifiable); },
       "again: 7015"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    SetUp();
    test.faults();
    const WireResponse response = sendComplete(again, {"ZOLT_reference"});
    EXPECT_EQ(partialErrorsOf(response), Strings{test.error});
    EXPECT_TRUE(valid("rel.a"));
    EXPECT_EQ(findRelation("p.1", "s.1"), tagOf("rel.a"));
    EXPECT_EQ(deleted(response), Strings{"rel.b"});  // Not listed again: it goes.
    ASSERT_EQ(response.getOutputArray().size(), 1u);
    EXPECT_EQ(response.getOutputArray()[0].getRelation().getUid(), "");
  }

  // Without a fault it is replaced, once, also when two filters name its type.
  SetUp();
  const WireResponse response = sendComplete(again, {"ZOLT_reference", "ZOLT_reference"});
  EXPECT_EQ(partialErrorsOf(response), Strings{});
  EXPECT_EQ(deleted(response), (Strings{"rel.b", "rel.a"}));
  EXPECT_FALSE(valid("rel.a"));
  const Tag made = findRelation("p.1", "s.1");
  ASSERT_NE(made, NULLTAG);
  EXPECT_EQ(response.getOutputArray().at(0).getRelation().getUid(), store().uidOfTag(made));
}

}  // namespace
