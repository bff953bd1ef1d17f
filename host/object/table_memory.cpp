#include "host/object/table_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace host {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t bytesInUse = 0;  // Single-threaded, like the store.

std::size_t mappedBytes(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* mapHugeAligned(std::size_t bytes) {
  // A huge page more than asked for, trimmed to `bytes` on a huge-page boundary.
  const std::size_t span = bytes + kHugePage;
  void* mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) {
    ::munmap(mapped, aligned - start);
  }
  const std::uintptr_t end = start + span;
  if (end > aligned + bytes) {
    ::munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
  }
  ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
  bytesInUse += bytes;
  return reinterpret_cast<void*>(aligned);
}

void* allocateTable(std::size_t bytes) {
  if (bytes < kHugePage) {
    void* block = ::operator new(bytes);
    bytesInUse += bytes;
    return block;
  }
  return mapHugeAligned(mappedBytes(bytes));
}

void releaseTable(void* block, std::size_t bytes) {
  if (block == nullptr) {
    return;
  }
  if (bytes < kHugePage) {
    ::operator delete(block);
    bytesInUse -= bytes;
    return;
  }
  ::munmap(block, mappedBytes(bytes));
  bytesInUse -= mappedBytes(bytes);
}

std::size_t tableBytesInUse() {
  return bytesInUse;
}

}  // namespace host
