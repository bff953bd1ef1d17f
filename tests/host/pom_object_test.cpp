#include "host/object/pom_object.h"

#include <gtest/gtest.h>

#include "host/object/aom.h"
#include "host/object/ifail.h"
#include "tests/support/host_fixture.h"

namespace {

using PomObjectTest = soacad_test::UserTest;

TEST_F(PomObjectTest, ANullDeletedOrUnknownTagIsTheInvalidTagStatus) {
  ASSERT_EQ(AOM_delete(tagOf("i.1")), 0);
  for (Tag tag : {NULLTAG, tagOf("i.1"), tagOf("no.such")}) {
    POMObject* object = reinterpret_cast<POMObject*>(1);
    EXPECT_EQ(tag.object(&object), POM_invalid_tag);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(storedCodes(), (std::vector<int>{POM_invalid_tag, POM_invalid_tag, POM_invalid_tag}));
  EXPECT_EQ(tagOf("f.home").object(nullptr), POM_invalid_argument);
}

}  // namespace
