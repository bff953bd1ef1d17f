// A list of tags per tag, for the host modules' indexes (an item's revisions, the occurrences
// that name an item, the view revisions that list an occurrence).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/object/table_memory.h"
#include "host/object/tag.h"
#include "host/object/value.h"

namespace host {

// One open-addressing table keyed by tag. An entry holds the key and its list (two tags in
// place), so that finding a key's list reads one entry rather than a bucket, a node and a list
// on the heap. A key's entry is the tag modulo the table's length, a prime: objects made one after
// the other, as a load, an import or a structure edit makes them, sit in neighbouring entries, and
// keys made at a fixed stride (an assembly's item every fourth tag) still spread over every entry,
// as they would not over a power of two. Entries are never taken out (an index whose objects go
// keeps them listed, and its lookups pass over them) until clear().
class TagListsByTag {
 public:
  // The list filed under `key`; null when there is none.
  const TagList* find(Tag key) const {
    if (entries_.empty()) {
      return nullptr;
    }
    const Entry& entry = entries_[position(key)];
    return entry.key == key ? &entry.tags : nullptr;
  }

  // The list of `key`, made empty when it has none. REQUIRES: `key` is not null.
  TagList& operator[](Tag key) {
    if ((used_ + 1) * 2 > entries_.size()) {
      grow();
    }
    Entry& entry = entries_[position(key)];
    if (entry.key != key) {
      entry.key = key;
      ++used_;
    }
    return entry.tags;
  }

  void clear() {
    entries_.clear();
    used_ = 0;
  }

 private:
  struct Entry {
    Tag key;  // Null: a free entry.
    TagList tags;
  };

  // The key's entry, or the free one where it would go. REQUIRES: entries_ is not empty.
  std::size_t position(Tag key) const {
    std::size_t at = static_cast<std::uint32_t>(key) % entries_.size();
    while (entries_[at].key != key && entries_[at].key != NULLTAG) {
      if (++at == entries_.size()) {
        at = 0;
      }
    }
    return at;
  }

  // The least prime at or above `atLeast`.
  static std::size_t primeFrom(std::size_t atLeast) {
    for (std::size_t candidate = atLeast | 1;; candidate += 2) {
      bool prime = candidate > 2;
      for (std::size_t divisor = 3; prime && divisor * divisor <= candidate; divisor += 2) {
        prime = candidate % divisor != 0;
      }
      if (prime) {
        return candidate;
      }
    }
  }

  void grow() {
    std::vector<Entry, TableAllocator<Entry>> old = std::move(entries_);
    entries_ =
        std::vector<Entry, TableAllocator<Entry>>(primeFrom(old.empty() ? 61 : old.size() * 2));
    for (Entry& entry : old) {
      if (entry.key != NULLTAG) {
        entries_[position(entry.key)] = std::move(entry);
      }
    }
  }

  std::vector<Entry, TableAllocator<Entry>> entries_;  // A prime long, or empty.
  std::size_t used_ = 0;
};

}  // namespace host
