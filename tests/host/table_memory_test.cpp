// Memory for the host's large tables: small ones from the heap, large ones mapped on huge-page
// boundaries, both whole and writable, and given back whole.
#include "host/object/table_memory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

TEST(TableMemoryTest, LargeTablesStartOnAHugePageAndEveryByteIsUsable) {
  const std::size_t before = host::tableBytesInUse();
  for (std::size_t bytes : {std::size_t{64}, kHugePage - 8, kHugePage, 5 * kHugePage / 2}) {
    SCOPED_TRACE(bytes);
    auto* block = static_cast<unsigned char*>(host::allocateTable(bytes));
    ASSERT_NE(block, nullptr);
    if (bytes >= kHugePage) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kHugePage, 0u);
      EXPECT_EQ(block[0], 0u) << "mapped memory starts zeroed";
      EXPECT_EQ(block[bytes - 1], 0u);
    }
    std::memset(block, 0xab, bytes);
    EXPECT_EQ(block[bytes - 1], 0xab);
    EXPECT_GE(host::tableBytesInUse(), before + bytes);
    host::releaseTable(block, bytes);
    EXPECT_EQ(host::tableBytesInUse(), before) << "given back whole";
  }
  host::releaseTable(nullptr, kHugePage);
  EXPECT_EQ(host::tableBytesInUse(), before);
}

// A table that grows from the heap into mapped memory keeps its entries, and copies of it are
// tables of their own.
TEST(TableMemoryTest, TablesKeepTheirEntriesAcrossGrowthAndCopies) {
  const std::size_t before = host::tableBytesInUse();
  {
    std::vector<std::uint64_t, host::TableAllocator<std::uint64_t>> table;
    constexpr std::uint64_t kEntries = 3 * kHugePage / sizeof(std::uint64_t);
    for (std::uint64_t at = 0; at < kEntries; ++at) {
      table.push_back(at * 7);
    }
    auto copy = table;
    copy[0] = 1;
    for (std::uint64_t at = 0; at < kEntries; at += 4099) {
      ASSERT_EQ(table[at], at * 7) << at;
    }
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(copy.back(), table.back());
  }
  EXPECT_EQ(host::tableBytesInUse(), before) << "every table given back";
}

}  // namespace
