#include "datamanagement/related_object_collector.h"

#include <gtest/gtest.h>

#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/preferences.h"
#include "tests/support/host_fixture.h"

namespace {

using Korvane::Soa::Cad::Utility;
using Korvane::Soa::Cad::Utils::RelatedObjectCollector;

// A revision with two datasets (one of a subtype) and a form, related by two relation types.
const char* const kWorld = R"(<fixture>
  <type name="ZOLT_specification" class="ImanRelation"/>
  <type name="ZOLT_rendering" class="ImanRelation"/>
  <type name="CAD Model" class="Dataset" parent="Dataset"/>
  <object uid="r.1" class="ItemRevision" type="ItemRevision"><prop name="object_name" value="Rev 1"/>
    <prop name="items_tag" value="i.1"/></object>
  <object uid="d.plain" class="Dataset" type="Dataset"><prop name="object_name" value="Plain"/></object>
  <object uid="d.model" class="Dataset" type="CAD Model"/>
  <object uid="form.1" class="Form" type="Form"/>
  <relation type="ZOLT_specification" primary="r.1" secondary="d.plain"/>
  <relation type="ZOLT_specification" primary="r.1" secondary="d.model"/>
  <relation type="ZOLT_rendering" primary="r.1" secondary="form.1"/>
</fixture>)";

class CollectorTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(kWorld);
  }
};

TEST_F(CollectorTest, EmptyRelationNameAndNoTypesCollectEverything) {
  RelatedObjectCollector collector("", true);
  std::vector<Tag> out{tagOf("i.1")};  // Not cleared: collections add up.
  collector.getSecondaryRelatedObjects(tagOf("r.1"), out);
  EXPECT_EQ(out,
            (std::vector<Tag>{tagOf("i.1"), tagOf("d.plain"), tagOf("d.model"), tagOf("form.1")}));
  std::vector<Tag> primaries;
  collector.getPrimaryRelatedObjects(tagOf("form.1"), primaries);
  EXPECT_EQ(primaries, (std::vector<Tag>{tagOf("r.1")}));
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(CollectorTest, TypeNamesMatchExactlyNotBySubtype) {
  RelatedObjectCollector datasets("ZOLT_specification", {"Dataset"}, true);
  std::vector<Tag> out;
  datasets.getSecondaryRelatedObjects(tagOf("r.1"), out);
  EXPECT_EQ(out, (std::vector<Tag>{tagOf("d.plain")}));

  RelatedObjectCollector models("ZOLT_specification", {"CAD Model", "Dataset", "Dataset"}, true);
  out.clear();
  models.getSecondaryRelatedObjects(tagOf("r.1"), out);
  EXPECT_EQ(out, (std::vector<Tag>{tagOf("d.plain"), tagOf("d.model")}));
}

TEST_F(CollectorTest, UnknownRelationTypeFailsAtConstruction) {
  EXPECT_EQ(soacad_test::ifailOf([] { RelatedObjectCollector("No such relation", true); }), 215028);
  EXPECT_EQ(soacad_test::ifailOf([] { RelatedObjectCollector("Form", {}, true); }), 215028);
}

class CheckoutTest : public CollectorTest {
 protected:
  int verify(const char* uid) {
    try {
      return Utility::verifyCheckoutStateAsRequired(tagOf(uid), 215020, 215030);
    } catch (IFail& failure) {
      return failure.ifail();
    }
  }
  void setRequired(const char* values) {
    load(std::string(
             R"(<fixture><preferences><preference name="SOACAD_checkout_required" scope="site">)") +
         values + "</preference></preferences></fixture>");
  }
};

TEST_F(CheckoutTest, MissingPreferenceRequiresCheckout) {
  EXPECT_EQ(verify("d.plain"), 215030);
  ASSERT_EQ(host::errorStore().entries().size(), 1u);
  EXPECT_EQ(host::errorStore().entries()[0].texts, (std::vector<std::string>{"Plain"}));
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(CheckoutTest, OneFalseValueLetsUncheckedObjectsPass) {
  setRequired(R"(<v value="false"/>)");
  EXPECT_EQ(verify("d.plain"), 0);
  EXPECT_TRUE(host::errorStore().empty());
  setRequired(R"(<v value="false"/><v value="false"/>)");  // Several values: required.
  EXPECT_EQ(verify("d.plain"), 215030);
}

TEST_F(CheckoutTest, CheckedOutObjectPassesButNotModifiableFailsFirst) {
  load(R"(<fixture>
    <object uid="d.mine" class="Dataset" type="Dataset"><prop name="checked_out_user" value="u.jdoe"/></object>
    <object uid="u.other" class="User" type="User"/>
    <object uid="d.theirs" class="Dataset" type="Dataset"><prop name="checked_out_user" value="u.other"/></object>
    <object uid="d.locked" class="Dataset" type="Dataset" modifiable="false"><prop name="checked_out_user" value="u.jdoe"/></object>
  </fixture>)");
  EXPECT_EQ(verify("d.mine"), 0);
  EXPECT_EQ(verify("d.theirs"), 215020);
  EXPECT_EQ(verify("d.locked"), 215020);
}

// The check reads its preference at site scope and leaves the session's search scope, and the
// saved store, exactly as they were; a scope it cannot read it does not change at all.
TEST_F(CheckoutTest, TheSearchScopeAndTheSavedStoreStayAsTheyWere) {
  struct Case {
    const char* preferences;
    int scope;
    bool unreadable;  // Then the site preference is out of reach: checkout is required.
  };
  const Case cases[] = {
      {"<preferences/>", PREF_scope_all, false},
      {R"(<preferences searchScope="all"/>)", PREF_scope_all, false},
      {R"(<preferences searchScope="user"/>)", PREF_scope_user, false},
      {R"(<preferences searchScope="site"/>)", PREF_scope_site, false},
      {R"(<preferences searchScope="user"/>)", PREF_scope_user, true},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.preferences + std::string(test.unreadable ? " (unreadable)" : ""));
    SetUp();
    load(std::string("<fixture>") + test.preferences + "</fixture>");
    setRequired(R"(<v value="false"/>)");
    const std::string before = savedObjects();
    if (test.unreadable) {
      host::faultPlan().fail("PREF_ask_search_scope", 1703);
    }
    EXPECT_EQ(verify("d.plain"), test.unreadable ? 215030 : 0);
    host::faultPlan().clear();
    ERROR_store_clear();
    int scope = -1;
    PREF_ask_search_scope(&scope);
    EXPECT_EQ(scope, test.scope);
    EXPECT_EQ(savedObjects(), before);
    EXPECT_EQ(calls("PREF_set_search_scope"), test.unreadable ? 0 : 2);
  }
}

}  // namespace
