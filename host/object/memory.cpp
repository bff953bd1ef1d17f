#include "host/object/memory.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace host {

void* Allocator::allocate(std::size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    return nullptr;
  }
  released_.erase(reinterpret_cast<std::uintptr_t>(block));
  live_.insert(block);
  ++counts_.allocations;
  return block;
}

void Allocator::release(void* block) {
  if (block == nullptr) {
    return;
  }
  const auto address = reinterpret_cast<std::uintptr_t>(block);
  if (live_.erase(block) == 0) {
    if (released_.count(address) != 0) {
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
