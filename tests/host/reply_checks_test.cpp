// The reply checker that tests and fuzz targets share: what it reports of a reply and of the
// host left after a request.
#include "tests/support/reply_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/error_store.h"
#include "host/object/pom.h"
#include "tests/support/host_fixture.h"

namespace soacad_test {
namespace {

class ReplyChecksTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    load(kUserFixture);
    deletedTag();  // "gone"
  }
};

TEST_F(ReplyChecksTest, ResponseObjectsAreCheckedAgainstTheStore) {
  const struct {
    const char* reply;
    std::vector<std::string> breaches;
  } cases[] = {
      {"<R><output><item uid=\"i.1\"/><none uid=\"\"/></output><serviceData><createdObj "
       "uid=\"f.home\"/><updatedObj uid=\"f.newstuff\"/><deletedObj uid=\"gone\"/><partialError "
       "uid=\"missing\"/></serviceData></R>",
       {}},
      {"<R><serviceData><createdObj uid=\"gone\"/><updatedObj uid=\"never\"/></serviceData></R>",
       {"createdObj gone does not exist", "updatedObj never does not exist"}},
      {"<R><serviceData><deletedObj uid=\"i.1\"/><plainObj uid=\"gone\"/></serviceData></R>",
       {"deletedObj i.1 still exists", "plainObj gone does not exist"}},
      {"<R><output><deep><item uid=\"gone\"/></deep></output><dataObject uid=\"gone\"/></R>",
       {"item gone does not exist", "dataObject gone does not exist"}},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(reply_checks::responseBreaches(testCase.reply), testCase.breaches) << testCase.reply;
  }
  EXPECT_EQ(reply_checks::responseBreaches("<R>").size(), 1u) << "a reply that does not parse";
}

TEST_F(ReplyChecksTest, FaultReplyMustLeaveTheSavedStoreAsItWas) {
  const char* const fault =
      "<ServiceException xmlns=\"http://korvane.com/Schemas/SOA/2006-03/Exceptions\"/>";
  const std::string savedBefore = reply_checks::savedStore();
  const auto before = reply_checks::HostSnapshot::take();
  EXPECT_EQ(reply_checks::requestBreaches(savedBefore, before, fault), std::vector<std::string>{});
  EXPECT_EQ(store().write(tagOf("i.1"), "object_name", host::Value{{"Renamed"}, {}},
                          host::WriteMode::initial),
            0);
  EXPECT_EQ(reply_checks::requestBreaches(savedBefore, before, fault),
            std::vector<std::string>{"a fault reply, but the saved store changed"});
  // A response is judged by its objects, not by what changed.
  EXPECT_EQ(reply_checks::requestBreaches(savedBefore, before, "<R/>"), std::vector<std::string>{});
}

TEST_F(ReplyChecksTest, WhatARequestLeavesBehindIsReported) {
  const auto before = reply_checks::HostSnapshot::take();
  int mark = 0;
  ASSERT_EQ(POM_place_markpoint(&mark), 0);
  ASSERT_EQ(store().refresh(tagOf("i.1"), true), 0);
  host::storeError(7007);
  EXPECT_EQ(reply_checks::settledBreaches(before),
            (std::vector<std::string>{"entries left on the error store (newest code 7007)",
                                      "1 mark point(s) left", "i.1 stays locked"}));
  host::errorStore().clear();
  ASSERT_EQ(POM_roll_to_markpoint(mark, nullptr), 0);
  EXPECT_EQ(reply_checks::settledBreaches(before), std::vector<std::string>{});
}

// The store's invariant: a reference to no live object (in a saved or an unsaved value, a
// relation's end included) and a structure met again below itself are reported; a request is
// answerable only for the breaches it adds.
TEST_F(ReplyChecksTest, ReferencesToNoObjectAndStructuresThatContainThemselvesAreReported) {
  EXPECT_EQ(reply_checks::storeBreaches(), std::vector<std::string>{});
  load(R"(<fixture>
    <type name="ZOLT_reference" class="ImanRelation"/>
    <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
    <object uid="i.a" class="Item"><prop name="item_id" value="A"/></object>
    <object uid="r.a" class="ItemRevision"><prop name="items_tag" value="i.a"/></object>
    <object uid="bv.a" class="PSBOMView">
      <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.a"/></object>
    <object uid="bvr.a" class="PSBOMViewRevision">
      <prop name="bom_view" value="bv.a"/><prop name="parent_revision" value="r.a"/>
      <prop name="occurrences"><v value="occ.a"/></prop></object>
    <object uid="occ.a" class="PSOccurrence"><prop name="child_item" value="i.b"/></object>
    <object uid="i.b" class="Item"><prop name="item_id" value="B"/></object>
    <object uid="r.b" class="ItemRevision"><prop name="items_tag" value="i.b"/></object>
    <object uid="bv.b" class="PSBOMView">
      <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.b"/></object>
    <object uid="bvr.b" class="PSBOMViewRevision">
      <prop name="bom_view" value="bv.b"/><prop name="parent_revision" value="r.b"/>
      <prop name="occurrences"><v value="occ.b"/></prop></object>
    <object uid="occ.b" class="PSOccurrence"><prop name="child_item" value="i.c"/></object>
    <object uid="i.c" class="Item"><prop name="item_id" value="C"/></object>
    <relation uid="rel.1" type="ZOLT_reference" primary="i.1" secondary="gone"/>
  </fixture>)");
  const auto before = reply_checks::HostSnapshot::take();
  EXPECT_EQ(before.storeBreaches,
            std::vector<std::string>{"rel.1 secondary_object names gone, which is no live object"});
  // occ.b uses i.a instead of i.c: A holds B, which holds A. The folder's unsaved contents name
  // a deleted object too.
  ASSERT_EQ(store().write(tagOf("occ.b"), "child_item", host::Value{{}, {tagOf("i.a")}},
                          host::WriteMode::initial),
            0);
  ASSERT_EQ(
      store().insertReference(tagOf("f.home"), "contents", 0, tagOf("gone"), host::WriteMode::host),
      0);
  EXPECT_EQ(reply_checks::requestBreaches(reply_checks::savedStore(), before, "<R/>"),
            (std::vector<std::string>{
                "the store breaks its invariant: f.home contents (unsaved) names gone, which is "
                "no live object",
                "the store breaks its invariant: bvr.a contains itself"}));
}

}  // namespace
}  // namespace soacad_test
