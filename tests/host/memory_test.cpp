#include "host/object/memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "tests/support/host_fixture.h"

namespace {

class AllocatorTest : public soacad_test::HostTest {
 protected:
  host::Allocator& allocator() { return host::allocator(); }
};

// Zero sizes and null pointers are harmless; a block freed twice or one the host never gave out is
// counted and not released.
TEST_F(AllocatorTest, MisuseIsCountedAndReleasesNothing) {
  const auto misuse = [&] {
    return std::make_pair(allocator().counts().doubleFrees, allocator().counts().foreignFrees);
  };
  // Taken first, so that it cannot reuse the address of a block the host released.
  char* mine = static_cast<char*>(std::malloc(8));
  std::strcpy(mine, "mine");
  void* block = SM_alloc(0);
  EXPECT_NE(block, nullptr);
  SM_free(block);
  SM_free(nullptr);
  MEM_free(nullptr);
  EXPECT_EQ(SM_string_copy(nullptr), nullptr);
  EXPECT_EQ(misuse(), std::make_pair(std::uint64_t{0}, std::uint64_t{0}));
  const std::uint64_t frees = allocator().counts().frees;
  char* copy = SM_string_copy("twice");
  SM_free(copy);
  MEM_free(copy);
  EXPECT_EQ(allocator().counts().frees, frees + 1);
  int onStack = 0;
  SM_free(mine);
  MEM_free(&onStack);
  EXPECT_EQ(misuse(), std::make_pair(std::uint64_t{1}, std::uint64_t{2}));
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

// Addresses come and go in any order, many more than the table starts with, some of them erased
// and put back: the set answers for each what was last done to it.
TEST(AddressSetTest, RemembersWhatWasLastDoneToEachAddress) {
  host::AddressSet set;
  EXPECT_FALSE(set.contains(0x1000));
  EXPECT_FALSE(set.erase(0x1000));
  constexpr std::uintptr_t kCount = 5000;
  auto address = [](std::uintptr_t n) { return 0x10000 + n * 16; };
  for (std::uintptr_t n = 0; n < kCount; ++n) {
    EXPECT_TRUE(set.insert(address(n)));
  }
  EXPECT_FALSE(set.insert(address(7))) << "an address is held once";
  for (std::uintptr_t n = 0; n < kCount; n += 3) {
    EXPECT_TRUE(set.erase(address(n)));
  }
  EXPECT_FALSE(set.erase(address(0)));
  for (std::uintptr_t n = 0; n < kCount; n += 6) {
    EXPECT_TRUE(set.insert(address(n)));  // Back in, over entries that were erased.
  }
  std::size_t held = 0;
  for (std::uintptr_t n = 0; n < kCount; ++n) {
    const bool expected = n % 3 != 0 || n % 6 == 0;
    EXPECT_EQ(set.contains(address(n)), expected) << n;
    held += expected ? 1 : 0;
  }
  EXPECT_EQ(set.size(), held);
  set.clear();
  EXPECT_EQ(set.size(), 0u);
  EXPECT_FALSE(set.contains(address(1)));
  EXPECT_TRUE(set.insert(address(1)));
  EXPECT_TRUE(set.contains(address(1)));
}

// Addresses whose probe runs cross: blocks of different mappings differ only in their high bits,
// and scattered ones meet by chance. Each erased one leaves a gap in the runs of the others, and
// every one still held is found across it, also after more come and go.
TEST(AddressSetTest, ErasingOneAddressLosesNoneWhoseRunCrossedIt) {
  std::vector<std::uintptr_t> addresses;
  for (std::uintptr_t n = 1; n <= 200; ++n) {
    addresses.push_back(n << 40);  // Low bits alike.
  }
  std::uint64_t state = 12345;
  for (int n = 0; n < 2000; ++n) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    addresses.push_back(static_cast<std::uintptr_t>(state >> 16) & ~std::uintptr_t{15});
  }
  host::AddressSet set;
  for (std::uintptr_t address : addresses) {
    ASSERT_TRUE(set.insert(address)) << "each address is new";
  }
  // Every other address erased, every fourth put back: each step counts the addresses where the
  // set answered otherwise than it should.
  std::size_t wrong = 0;
  for (std::size_t at = 0; at < addresses.size(); at += 2) {
    wrong += set.erase(addresses[at]) ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0u) << "erased";
  wrong = 0;
  for (std::size_t at = 0; at < addresses.size(); at += 4) {
    wrong += set.insert(addresses[at]) ? 0 : 1;  // Over a gap of its own or another's.
  }
  EXPECT_EQ(wrong, 0u) << "put back";
  wrong = 0;
  for (std::size_t at = 0; at < addresses.size(); ++at) {
    wrong += set.contains(addresses[at]) == (at % 2 != 0 || at % 4 == 0) ? 0 : 1;
  }
  EXPECT_EQ(wrong, 0u) << "found";
  EXPECT_EQ(set.size(), addresses.size() / 2 + (addresses.size() + 3) / 4);
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
