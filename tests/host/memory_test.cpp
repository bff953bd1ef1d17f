#include "host/object/memory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/host_fixture.h"

namespace {

class AllocatorTest : public soacad_test::HostTest {
 protected:
  host::Allocator& allocator() { return host::allocator(); }
};

TEST_F(AllocatorTest, ZeroSizeAndNullAreHarmless) {
  void* block = SM_alloc(0);
  EXPECT_NE(block, nullptr);
  SM_free(block);
  SM_free(nullptr);
  MEM_free(nullptr);
  EXPECT_EQ(SM_string_copy(nullptr), nullptr);
  EXPECT_EQ(allocator().counts().doubleFrees, 0u);
  EXPECT_EQ(allocator().counts().foreignFrees, 0u);
}

TEST_F(AllocatorTest, DoubleFreeIsCountedNotCrashed) {
  char* copy = SM_string_copy("twice");
  SM_free(copy);
  MEM_free(copy);
  EXPECT_EQ(allocator().counts().doubleFrees, 1u);
  EXPECT_EQ(allocator().counts().frees, 1u);
}

TEST_F(AllocatorTest, ForeignFreeIsCountedAndNotReleased) {
  char* mine = static_cast<char*>(std::malloc(8));
  std::strcpy(mine, "mine");
  int onStack = 0;
  SM_free(mine);
  MEM_free(&onStack);
  EXPECT_EQ(allocator().counts().foreignFrees, 2u);
  EXPECT_STREQ(mine, "mine");  // Still ours: the host did not release it.
  std::free(mine);
}

TEST_F(AllocatorTest, StringArrayIsOneBlock) {
  char** names = host::allocateStrings({"alpha", "", "gamma"});
  ASSERT_NE(names, nullptr);
  EXPECT_STREQ(names[0], "alpha");
  EXPECT_STREQ(names[1], "");
  EXPECT_STREQ(names[2], "gamma");
  const std::size_t before = allocator().outstanding();
  MEM_free(names);
  EXPECT_EQ(allocator().outstanding(), before - 1);
  EXPECT_EQ(host::allocateStrings({}), nullptr);
}

TEST(StringHelpers, NullIsTheEmptyString) {
  EXPECT_EQ(zolt_strcmp(nullptr, ""), 0);
  EXPECT_LT(zolt_strcmp("a", "b"), 0);
  EXPECT_EQ(zolt_strlen(nullptr), 0u);
  EXPECT_EQ(zolt_strlen("abc"), 3u);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(zolt_strcpy(buffer, nullptr), buffer);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(zolt_strcpy(nullptr, "a"), nullptr);
}

}  // namespace
