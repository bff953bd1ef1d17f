#include "host/object/memory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace host {

std::size_t AddressSet::position(std::uintptr_t address) const {
  const std::size_t mask = entries_.size() - 1;
  // Blocks are aligned: the low bits say nothing, the rest are mixed so that neighbouring blocks
  // spread over the table.
  std::size_t at = static_cast<std::size_t>((address >> 4) * 0x9E3779B97F4A7C15ull >> 17) & mask;
  std::size_t firstErased = entries_.size();
  for (;; at = (at + 1) & mask) {
    const std::uintptr_t entry = entries_[at];
    if (entry == address) {
      return at;
    }
    if (entry == kFree) {
      return firstErased < entries_.size() ? firstErased : at;
    }
    if (entry == kErased && firstErased == entries_.size()) {
      firstErased = at;
    }
  }
}

bool AddressSet::contains(std::uintptr_t address) const {
  return !entries_.empty() && entries_[position(address)] == address;
}

bool AddressSet::insert(std::uintptr_t address) {
  if ((used_ + 1) * 2 > entries_.size()) {
    rebuild(std::max<std::size_t>(64, (live_ + 1) * 4));
  }
  const std::size_t at = position(address);
  if (entries_[at] == address) {
    return false;
  }
  if (entries_[at] == kFree) {
    ++used_;
  }
  entries_[at] = address;
  ++live_;
  return true;
}

bool AddressSet::erase(std::uintptr_t address) {
  if (entries_.empty()) {
    return false;
  }
  const std::size_t at = position(address);
  if (entries_[at] != address) {
    return false;
  }
  entries_[at] = kErased;
  --live_;
  return true;
}

void AddressSet::clear() {
  std::fill(entries_.begin(), entries_.end(), kFree);  // The table is kept for what comes next.
  used_ = 0;
  live_ = 0;
}

void AddressSet::rebuild(std::size_t capacity) {
  std::size_t size = 1;
  while (size < capacity) {
    size *= 2;
  }
  std::vector<std::uintptr_t> old = std::move(entries_);
  entries_.assign(size, kFree);
  used_ = 0;
  live_ = 0;
  for (std::uintptr_t address : old) {
    if (address != kFree && address != kErased) {
      insert(address);
    }
  }
}

void* Allocator::allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    return nullptr;
  }
  released_.erase(reinterpret_cast<std::uintptr_t>(block));
  live_.insert(reinterpret_cast<std::uintptr_t>(block));
  ++counts_.allocations;
  return block;
}

void Allocator::release(void* block) {
  if (block == nullptr) {
    return;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  if (!live_.erase(address)) {
    if (released_.contains(address)) {
      ++counts_.doubleFrees;
    } else {
      ++counts_.foreignFrees;
    }
    return;
  }
  if (released_.size() >= kMaxRemembered) {
    released_.clear();
  }
  released_.insert(address);
  std::free(block);
  ++counts_.frees;
}

char** allocateStrings(const std::vector<std::string>& texts) {
  if (texts.empty()) {
    return nullptr;
  }
  std::size_t size = texts.size() * sizeof(char*);
  for (const std::string& text : texts) {
    size += text.size() + 1;
  }
  char** block = static_cast<char**>(SM_alloc(size));
  if (block == nullptr) {
    return nullptr;
  }
  char* next = reinterpret_cast<char*>(block + texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    block[i] = next;
    std::memcpy(next, texts[i].c_str(), texts[i].size() + 1);
    next += texts[i].size() + 1;
  }
  return block;
}

Tag* allocateTags(const std::vector<Tag>& tags) {
  if (tags.empty()) {
    return nullptr;
  }
  Tag* block = static_cast<Tag*>(SM_alloc(tags.size() * sizeof(Tag)));
  if (block != nullptr) {
    for (std::size_t i = 0; i < tags.size(); ++i) {
      new (block + i) Tag(tags[i]);
    }
  }
  return block;
}

int handOutTags(const std::vector<Tag>& tags, int* count, Tag** list) {
  *list = allocateTags(tags);
  *count = static_cast<int>(tags.size());
  return 0;
}

Allocator& allocator() {
  // Never destroyed: blocks may be released by static destructors of other libraries.
  static Allocator* instance = new Allocator;
  return *instance;
}

}  // namespace host

void* SM_alloc(std::size_t size) {
  return host::allocator().allocate(size);
}

char* SM_string_copy(const char* text) {
  if (text == nullptr) {
    return nullptr;
  }
  const std::size_t size = std::strlen(text) + 1;
  char* copy = static_cast<char*>(SM_alloc(size));
  if (copy != nullptr) {
    std::memcpy(copy, text, size);
  }
  return copy;
}

void SM_free(void* block) {
  host::allocator().release(block);
}

void MEM_free(void* block) {
  host::allocator().release(block);
}

int zolt_strcmp(const char* left, const char* right) {
  return std::strcmp(left == nullptr ? "" : left, right == nullptr ? "" : right);
}

char* zolt_strcpy(char* destination, const char* source) {
  if (destination == nullptr) {
    return nullptr;
  }
  return std::strcpy(destination, source == nullptr ? "" : source);
}

std::size_t zolt_strlen(const char* text) {
  return text == nullptr ? 0 : std::strlen(text);
}

const char* ZOLT_getenv(const char* name) {
  return name == nullptr ? nullptr : std::getenv(name);
}
