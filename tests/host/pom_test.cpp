#include "host/object/pom.h"

#include <gtest/gtest.h>

#include <string>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "tests/support/host_fixture.h"

namespace {

using soacad_test::ask;

class PomTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    item = tagOf("i.1");
  }

  Tag classOf(const char* name) { return ask(POM_class_id_of_class, name); }

  Tag newForm() {
    Tag form;
    EXPECT_EQ(store().createObject(classOf("Form"), store().findType("Form"), &form), 0);
    return form;
  }

  std::string name(Tag object) { return ask(AOM_ask_value_string, object, "object_name"); }

  void rename(Tag object, const char* value) {
    ASSERT_EQ(AOM_refresh(object, true), 0);
    ASSERT_EQ(AOM_set_value_string(object, "object_name", value), 0);
  }

  Tag item;
};

TEST_F(PomTest, UnknownClassesAndObjects) {
  EXPECT_EQ(classOf("NoSuchClass"), NULLTAG);  // A lookup by name finds nothing: status 0.
  Tag cls;
  EXPECT_EQ(POM_class_of_instance(tagOf("nowhere"), &cls), POM_invalid_tag);
  EXPECT_EQ(cls, NULLTAG);
  bool answer = true;
  EXPECT_EQ(POM_is_descendant(item, classOf("Item"), &answer), POM_no_such_class);
  EXPECT_FALSE(answer);
  EXPECT_EQ(POM_class_of_instance(item, nullptr), POM_invalid_argument);
}

TEST_F(PomTest, ClassesHaveUidsButAreNotObjects) {
  const Tag itemClass = classOf("Item");
  EXPECT_EQ(store().uidOfTag(itemClass), "class.Item");
  EXPECT_EQ(tagOf("class.Item"), itemClass);
  EXPECT_EQ(itemClass.isValid(), POM_invalid_tag);
  Tag clash;
  EXPECT_EQ(store().createObject(classOf("Form"), store().findType("Form"), &clash, "class.Item"),
            POM_duplicate_uid);
  EXPECT_EQ(clash, NULLTAG);
}

TEST_F(PomTest, TagsAreNeverReused) {
  const Tag first = newForm();
  ASSERT_EQ(AOM_delete(first), 0);
  const Tag second = newForm();
  EXPECT_GT(second, first);
  EXPECT_NE(store().uidOfTag(second), store().uidOfTag(first));
}

TEST_F(PomTest, IsValidChecksLivenessAndClass) {
  EXPECT_EQ(item.isValid(), 0);
  EXPECT_EQ(item.isValid("WorkspaceObject"), 0);
  EXPECT_EQ(item.isValid("Dataset"), POM_wrong_class);
  EXPECT_EQ(NULLTAG.isValid(), POM_invalid_tag);
  EXPECT_EQ(storedCodes(), (std::vector<int>{POM_wrong_class, POM_invalid_tag}));
  // Messages name the object by UID, the null tag as "no object".
  EXPECT_EQ(host::errorStore().entries()[0].message,
            store().uidOfTag(item) + " is not of class Dataset.");
  EXPECT_EQ(host::errorStore().entries()[1].message, "Not a valid object: no object.");
  ASSERT_EQ(AOM_delete(item), 0);
  EXPECT_EQ(item.isValid(), POM_invalid_tag);
  bool valid = true;
  EXPECT_EQ(POM_is_tag_valid(item, &valid), 0);
  EXPECT_FALSE(valid);
}

// --- Mark points ---------------------------------------------------------------------------

TEST_F(PomTest, ForgettingTheOnlyMarkKeepsEverything) {
  const int mark = ask(POM_place_markpoint);
  const Tag form = newForm();
  ASSERT_EQ(POM_forget_markpoint(mark), 0);
  EXPECT_EQ(form.isValid(), 0);
  EXPECT_EQ(POM_roll_to_markpoint(mark, nullptr), POM_invalid_markpoint);
  EXPECT_EQ(POM_forget_markpoint(mark), POM_invalid_markpoint);
  EXPECT_EQ(form.isValid(), 0);
}

}  // namespace
