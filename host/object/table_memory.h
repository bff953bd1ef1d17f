// Memory for the host's large tables: the ones that grow with the store and are read at random,
// one entry per lookup (the host indexes' tables of tag lists), and for the property arena's
// chunks.
//
// A lookup in such a table costs one cache miss; with the table in pages of 4 KiB it also costs
// a miss of the address translation, and on a virtual machine that miss is the dearer of the
// two. Tables of 2 MiB and more are therefore mapped on their own, on 2 MiB boundaries, and
// advised to be backed by huge pages (where the system allows), so that a few translations
// cover the whole table. Smaller ones come from the heap.
#pragma once

#include <cstddef>
#include <new>

namespace host {

// `bytes` of memory, zeroed when mapped; never null (std::bad_alloc when memory is exhausted).
void* allocateTable(std::size_t bytes);
// REQUIRES: `block` came from allocateTable(bytes) with the same `bytes`, or is null.
void releaseTable(void* block, std::size_t bytes);
// `bytes` mapped on a 2 MiB boundary and advised to be backed by huge pages. The property arena
// keeps its chunks for the life of the process; releaseTable unmaps the large tables it maps.
// REQUIRES: `bytes` is a multiple of 2 MiB.
void* mapHugeAligned(std::size_t bytes);
// The bytes handed out by allocateTable and mapHugeAligned and not given back yet.
std::size_t tableBytesInUse();

// An allocator for std::vector that takes its memory from allocateTable.
template <class T>
struct TableAllocator {
  using value_type = T;
  TableAllocator() = default;
  template <class U>
  TableAllocator(const TableAllocator<U>&) noexcept {}  // NOLINT: converting like std::allocator.
  T* allocate(std::size_t count) { return static_cast<T*>(allocateTable(count * sizeof(T))); }
  void deallocate(T* block, std::size_t count) noexcept { releaseTable(block, count * sizeof(T)); }
  template <class U>
  bool operator==(const TableAllocator<U>&) const noexcept {
    return true;
  }
  template <class U>
  bool operator!=(const TableAllocator<U>&) const noexcept {
    return false;
  }
};

}  // namespace host
