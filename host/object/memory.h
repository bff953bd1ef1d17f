// The host's allocator, string helpers and environment access.
//
// Arrays and strings that host calls hand to the library come from the host allocator and are
// released by the library with SM_free or MEM_free (the two are the same: either accepts a
// block from SM_alloc or SM_string_copy, and null). The allocator keeps every block it handed
// out, so a free of anything else is detected and counted, never passed to the C runtime: a
// block freed twice ("double free") or a pointer that the host never allocated ("foreign
// free") costs nothing but a count, which tests assert to be zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// A block of `size` bytes (a distinct block also for 0). Null only when memory is exhausted.
void* SM_alloc(std::size_t size);
// A host-allocated copy of `text`; null for null.
char* SM_string_copy(const char* text);
void SM_free(void* block);
void MEM_free(void* block);

// strcmp, strcpy and strlen that take null as the empty string (zolt_strcpy copies nothing
// into a null destination and returns it). zolt_strcpy does not bound the copy: the caller
// sizes the destination for the source.
int zolt_strcmp(const char* left, const char* right);
char* zolt_strcpy(char* destination, const char* source);
std::size_t zolt_strlen(const char* text);

// The value of the environment variable, owned by the environment; null when it is not set.
// A variable set to the empty string counts as set (the empty text is returned): each caller
// applies its own rule for an empty value on top.
const char* ZOLT_getenv(const char* name);

namespace host {

struct AllocatorCounts {
  std::uint64_t allocations = 0;   // Blocks handed out.
  std::uint64_t frees = 0;         // Blocks released.
  std::uint64_t doubleFrees = 0;   // Frees of a block already released.
  std::uint64_t foreignFrees = 0;  // Frees of a pointer the host never handed out.
};

// A set of addresses in one open-addressing table: an insertion or a lookup reads one short run
// of entries rather than a bucket and a node, and the set makes no allocation per address. The
// allocator looks an address up at every allocation and release, so a node per address would
// cost cache misses in step with how many blocks it remembers.
class AddressSet {
 public:
  bool contains(std::uintptr_t address) const;
  // False when the address was there already.
  bool insert(std::uintptr_t address);
  // False when the address was not there.
  bool erase(std::uintptr_t address);
  std::size_t size() const { return live_; }
  void clear();

 private:
  // Addresses of blocks are never 0 or 1, which mark a free and an erased entry.
  static constexpr std::uintptr_t kFree = 0;
  static constexpr std::uintptr_t kErased = 1;
  // The entry of `address`, or the first free one of its probe sequence (entries not empty).
  std::size_t position(std::uintptr_t address) const;
  void rebuild(std::size_t capacity);
  std::vector<std::uintptr_t> entries_;  // A power of two long, or empty.
  std::size_t used_ = 0;                 // Entries holding an address or erased.
  std::size_t live_ = 0;                 // Entries holding an address.
};

class Allocator {
 public:
  void* allocate(std::size_t size);
  void release(void* block);

  // Blocks handed out and not released yet.
  std::size_t outstanding() const { return live_.size(); }
  const AllocatorCounts& counts() const { return counts_; }
  // Zeroes the counts; outstanding blocks stay outstanding (they are real memory).
  void resetCounts() { counts_ = AllocatorCounts(); }

 private:
  AddressSet live_;
  // Released blocks whose address the C runtime has not handed out again since; a second
  // release of one of these is a double free. Emptied when it reaches kMaxRemembered, after
  // which such a release counts as foreign (still counted, still harmless).
  static constexpr std::size_t kMaxRemembered = 1u << 16;
  // Kept as addresses, never dereferenced.
  AddressSet released_;
  AllocatorCounts counts_;
};

Allocator& allocator();

// Owns one block of the host allocator (an array or a string that a host call handed out) and
// releases it with SM_free when it goes out of scope, whatever way the scope is left. Null is
// a valid, empty holder. Not copyable; moving hands the block over.
//
// Usage with a host call's out-argument:
//   int count = 0;
//   host::HostArray<Tag> tags;
//   status = UOM_extent(&count, tags.out());
//   for (int i = 0; i < count; ++i) use(tags[i]);
template <class T>
class HostArray {
 public:
  HostArray() = default;
  // Takes ownership of `block` (from the host allocator, or null).
  explicit HostArray(T* block) : block_(block) {}
  HostArray(const HostArray&) = delete;
  HostArray& operator=(const HostArray&) = delete;
  HostArray(HostArray&& other) noexcept : block_(other.release()) {}
  HostArray& operator=(HostArray&& other) noexcept {
    if (this != &other) {
      reset(other.release());
    }
    return *this;
  }
  ~HostArray() { SM_free(block_); }

  // The place for a host call to store its block: the block held so far is released first,
  // and the holder owns whatever the call stores.
  T** out() {
    reset();
    return &block_;
  }
  T* get() const { return block_; }
  // REQUIRES: a block is held and `index` lies inside it.
  T& operator[](std::size_t index) const { return block_[index]; }
  explicit operator bool() const { return block_ != nullptr; }

  // Gives the block up without releasing it; the caller owns it.
  T* release() {
    T* block = block_;
    block_ = nullptr;
    return block;
  }
  // Releases the block held and takes `block` instead.
  void reset(T* block = nullptr) {
    if (block != block_) {
      SM_free(block_);
      block_ = block;
    }
  }

 private:
  T* block_ = nullptr;
};

// A host string: a HostArray of characters that reads as text.
class HostString : public HostArray<char> {
 public:
  using HostArray<char>::HostArray;
  // The text; the empty text when no string is held.
  const char* c_str() const { return get() == nullptr ? "" : get(); }
  std::string str() const { return c_str(); }
};

// Host allocations for the arrays that host calls return; null for an empty list. A string
// array is one block (the pointers, then the texts), released with one SM_free / MEM_free.
char** allocateStrings(const std::vector<std::string>& texts);
Tag* allocateTags(const std::vector<Tag>& tags);
// Hands `tags` out as a host call's list: `*list` is their host allocation (null when empty) and
// `*count` their number. Answers 0, the host call's status.
int handOutTags(const std::vector<Tag>& tags, int* count, Tag** list);

}  // namespace host

SOACAD_API_END
