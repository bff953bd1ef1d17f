#include "host/object/aom.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "tests/support/host_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class AomTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <class name="Gadget" parent="WorkspaceObject">
        <property name="count" type="int"/><property name="weight" type="double"/>
        <property name="flag" type="logical"/><property name="due" type="date"/>
        <property name="tags" type="string" array="true"/>
        <property name="parts" type="reference" array="true"/>
        <property name="readings" type="double" array="true"/>
        <property name="serial" type="string" modifiable="false"/>
      </class>
      <type name="Gadget" class="Gadget"/>
      <object uid="g.1" class="Gadget" type="Gadget">
        <prop name="object_name" value="Gadget one"/><prop name="count" value="3"/>
        <prop name="readings"><v value="1.5"/><v value="-2"/></prop></object>
      <object uid="g.locked" class="Gadget" type="Gadget" modifiable="false"/>
    </fixture>)");
    gadget = tagOf("g.1");
  }

  Tag gadget;
};

// Writes need the lock; the session reads its own writes, relocking keeps them, unlocking drops
// them unless they were saved (saving keeps the lock).
TEST_F(AomTest, WritesNeedTheLockAndLastUntilTheUnlockUnlessSaved) {
  EXPECT_EQ(AOM_set_value_int(gadget, "count", 7), POM_not_locked);
  EXPECT_EQ(storedCodes(), std::vector<int>{POM_not_locked});
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  ASSERT_EQ(AOM_set_value_int(gadget, "count", 7), 0);
  EXPECT_EQ(ask(AOM_ask_value_int, gadget, "count"), 7);
  EXPECT_EQ(AOM_refresh(gadget, true), 0);
  EXPECT_EQ(AOM_lock(gadget), 0);
  EXPECT_EQ(ask(AOM_ask_value_int, gadget, "count"), 7);
  ASSERT_EQ(AOM_refresh(gadget, false), 0);
  EXPECT_EQ(ask(AOM_ask_value_int, gadget, "count"), 3);
  EXPECT_EQ(AOM_set_value_int(gadget, "count", 8), POM_not_locked);
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  ASSERT_EQ(AOM_set_value_int(gadget, "count", 9), 0);
  ASSERT_EQ(AOM_save(gadget), 0);
  EXPECT_TRUE(store().find(gadget)->locked);
  ASSERT_EQ(AOM_refresh(gadget, false), 0);
  EXPECT_EQ(ask(AOM_ask_value_int, gadget, "count"), 9);
}

TEST_F(AomTest, ObjectThatIsNotModifiableCannotBeLocked) {
  const Tag locked = tagOf("g.locked");
  bool modifiable = true;
  ASSERT_EQ(AOM_is_modifiable(locked, &modifiable), 0);
  EXPECT_FALSE(modifiable);
  EXPECT_EQ(AOM_refresh(locked, true), POM_not_modifiable);
  EXPECT_EQ(AOM_lock(locked), POM_not_modifiable);
  EXPECT_EQ(AOM_delete(locked), POM_not_modifiable);
  EXPECT_EQ(locked.isValid(), 0);
}

TEST_F(AomTest, ValuesOfEveryTypeRoundTrip) {
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  const Date due{2007, 1, 31, 23, 59, 58};
  const char* tags[] = {"a", "b"};
  const Tag parts[] = {tagOf("i.1"), NULLTAG};
  ASSERT_EQ(AOM_set_value_double(gadget, "weight", 0.1), 0);
  ASSERT_EQ(AOM_set_value_logical(gadget, "flag", true), 0);
  ASSERT_EQ(AOM_set_value_date(gadget, "due", due), 0);
  ASSERT_EQ(AOM_set_value_strings(gadget, "tags", 2, tags), 0);
  ASSERT_EQ(AOM_set_value_tags(gadget, "parts", 2, parts), 0);
  ASSERT_EQ(AOM_save(gadget), 0);

  EXPECT_EQ(ask(AOM_ask_value_double, gadget, "weight"), 0.1);
  EXPECT_TRUE(ask(AOM_ask_value_logical, gadget, "flag"));
  EXPECT_EQ(ask(AOM_ask_value_date, gadget, "due"), due);
  EXPECT_EQ(askList(AOM_ask_value_strings, gadget, "tags"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(askList(AOM_ask_value_tags, gadget, "parts"),
            (std::vector<Tag>{tagOf("i.1"), NULLTAG}));
  EXPECT_EQ(askList(AOM_ask_value_doubles, gadget, "readings"), (std::vector<double>{1.5, -2}));
  EXPECT_EQ(askList(AOM_ask_value_doubles, tagOf("g.locked"), "readings"), std::vector<double>{});
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

TEST_F(AomTest, TypeAndArityMismatchesFail) {
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  int number = 0;
  EXPECT_EQ(AOM_ask_value_int(gadget, "object_name", &number), POM_wrong_value_type);
  char* text = nullptr;
  EXPECT_EQ(AOM_ask_value_string(gadget, "tags", &text), POM_wrong_value_type);
  int count = -1;
  double* reals = nullptr;
  EXPECT_EQ(AOM_ask_value_doubles(gadget, "tags", &count, &reals), POM_wrong_value_type);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(AOM_set_value_tag(gadget, "parts", NULLTAG), POM_wrong_value_type);
  const char* two[] = {"a", "b"};
  EXPECT_EQ(AOM_set_value_strings(gadget, "object_name", 2, two), POM_wrong_value_type);
  EXPECT_EQ(AOM_set_value_double(gadget, "weight", std::numeric_limits<double>::infinity()),
            POM_invalid_value);
  EXPECT_EQ(AOM_set_value_date(gadget, "due", Date{2007, 2, 30, 0, 0, 0}), POM_invalid_value);
  EXPECT_EQ(AOM_ask_value_string(gadget, "no_such", &text), POM_no_such_property);
  EXPECT_EQ(AOM_ask_value_string(gadget, nullptr, &text), POM_invalid_argument);
}

TEST_F(AomTest, PropertyThatIsNotModifiable) {
  bool modifiable = true;
  ASSERT_EQ(AOM_is_modifiable(gadget, "serial", &modifiable), 0);
  EXPECT_FALSE(modifiable);
  ASSERT_EQ(AOM_is_modifiable(gadget, "count", &modifiable), 0);
  EXPECT_TRUE(modifiable);
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  EXPECT_EQ(AOM_set_value_string(gadget, "serial", "S1"), POM_property_not_modifiable);
  EXPECT_EQ(host::errorStore().entries().back().message,
            "The property serial of g.1 cannot be modified: the host keeps it.");
}

TEST_F(AomTest, DeletedObjectIsGoneForEveryCall) {
  ASSERT_EQ(AOM_refresh(gadget, true), 0);
  ASSERT_EQ(AOM_delete(gadget), 0);
  EXPECT_EQ(AOM_refresh(gadget, true), POM_invalid_tag);
  EXPECT_EQ(AOM_save(gadget), POM_invalid_tag);
  char* text = nullptr;
  EXPECT_EQ(AOM_ask_value_string(gadget, "object_name", &text), POM_invalid_tag);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(AOM_delete(gadget), POM_invalid_tag);
}

}  // namespace
