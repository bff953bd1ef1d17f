#include "framework/wire_pool.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define SOACAD_WIRE_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOACAD_WIRE_POOL_ASAN 1
#endif
#endif

#ifdef SOACAD_WIRE_POOL_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {
namespace WirePool {

namespace {

// Slots that hold no object are marked unusable for the address sanitizer, so that a use of a
// released object is still caught until its slot is handed out again.
void markFree(void* at, std::size_t size) {
#ifdef SOACAD_WIRE_POOL_ASAN
  ASAN_POISON_MEMORY_REGION(at, size);
#else
  static_cast<void>(at);
  static_cast<void>(size);
#endif
}

void markInUse(void* at, std::size_t size) {
#ifdef SOACAD_WIRE_POOL_ASAN
  ASAN_UNPOISON_MEMORY_REGION(at, size);
#else
  static_cast<void>(at);
  static_cast<void>(size);
#endif
}

// Chunks are aligned to their size, so the chunk of an object is found from its address alone.
constexpr std::size_t kSizeClasses = kMaxObjectBytes / kSlotAlignment;
struct Pool;

// A chunk serves slots of one size: first the slots that were given back (a list threaded
// through them), then the never-used ones from `fresh` up to the end.
struct Chunk {
  Pool* owner;  // Null once the owning thread has ended.
  Chunk* previous;
  Chunk* next;  // Neighbours in the owner's list of chunks with room of this size.
  Chunk* previousHeld;
  Chunk* nextHeld;  // Neighbours in the owner's list of every chunk that holds objects.
  void* freeSlots;
  char* fresh;
  std::size_t slotBytes;
  std::size_t objects;
  bool listed;  // In the owner's list of chunks with room.
};

constexpr std::size_t kFirstSlot =
    (sizeof(Chunk) + kSlotAlignment - 1) / kSlotAlignment * kSlotAlignment;

char* endOf(Chunk* chunk) {
  return reinterpret_cast<char*>(chunk) + kChunkBytes;
}

Chunk* chunkOf(void* object) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(object) &
                                  ~static_cast<std::uintptr_t>(kChunkBytes - 1));
}

bool hasRoom(const Chunk* chunk) {
  return chunk->freeSlots != nullptr || static_cast<std::size_t>(endOf(const_cast<Chunk*>(chunk)) -
                                                                 chunk->fresh) >= chunk->slotBytes;
}

// Chunks are mapped from the system rather than taken from the heap, so that a chunk given back
// returns its memory at once. The heap would keep it for its own later use, and a request whose
// records are released before its reply is written would go on holding them while the reply
// takes fresh memory beside them.
void* mapChunk() {
  // Twice the size is mapped and the ends are cut off, leaving a chunk aligned to its size.
  constexpr std::size_t kSpan = 2 * kChunkBytes;
  void* mapped = ::mmap(nullptr, kSpan, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  char* const start = static_cast<char*>(mapped);
  const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(start) % kChunkBytes;
  char* const chunk = offset == 0 ? start : start + (kChunkBytes - offset);
  if (chunk != start) {
    ::munmap(start, static_cast<std::size_t>(chunk - start));
  }
  if (chunk + kChunkBytes != start + kSpan) {
    ::munmap(chunk + kChunkBytes, static_cast<std::size_t>(start + kSpan - (chunk + kChunkBytes)));
  }
  return chunk;
}

void freeChunk(Chunk* chunk) {
  markInUse(chunk, kChunkBytes);
  ::munmap(chunk, kChunkBytes);
}

struct Pool {
  Chunk* withRoom[kSizeClasses] = {};
  Chunk* spare[kMaxSpareChunks] = {};
  std::size_t spareCount = 0;
  std::size_t chunks = 0;
  std::size_t objects = 0;
  // Every chunk that holds objects, so that they can be left to themselves when the thread ends.
  Chunk* held = nullptr;

  void list(Chunk* chunk) {
    Chunk*& head = withRoom[chunk->slotBytes / kSlotAlignment - 1];
    chunk->previous = nullptr;
    chunk->next = head;
    if (head != nullptr) {
      head->previous = chunk;
    }
    head = chunk;
    chunk->listed = true;
  }

  void unlist(Chunk* chunk) {
    Chunk*& head = withRoom[chunk->slotBytes / kSlotAlignment - 1];
    if (chunk->previous != nullptr) {
      chunk->previous->next = chunk->next;
    } else {
      head = chunk->next;
    }
    if (chunk->next != nullptr) {
      chunk->next->previous = chunk->previous;
    }
    chunk->listed = false;
  }

  Chunk* newChunk(std::size_t slotBytes) {
    Chunk* chunk;
    if (spareCount > 0) {
      chunk = spare[--spareCount];
    } else {
      chunk = static_cast<Chunk*>(mapChunk());
    }
    markFree(chunk, kChunkBytes);
    markInUse(chunk, sizeof(Chunk));
    chunk->owner = this;
    chunk->freeSlots = nullptr;
    chunk->fresh = reinterpret_cast<char*>(chunk) + kFirstSlot;
    chunk->slotBytes = slotBytes;
    chunk->objects = 0;
    chunk->previousHeld = nullptr;
    chunk->nextHeld = held;
    if (held != nullptr) {
      held->previousHeld = chunk;
    }
    held = chunk;
    list(chunk);
    ++chunks;
    return chunk;
  }

  // The chunk holds no object any more.
  void retire(Chunk* chunk) {
    if (chunk->listed) {
      unlist(chunk);
    }
    if (chunk->previousHeld != nullptr) {
      chunk->previousHeld->nextHeld = chunk->nextHeld;
    } else {
      held = chunk->nextHeld;
    }
    if (chunk->nextHeld != nullptr) {
      chunk->nextHeld->previousHeld = chunk->previousHeld;
    }
    --chunks;
    if (spareCount < kMaxSpareChunks) {
      markFree(chunk, kChunkBytes);
      spare[spareCount++] = chunk;
    } else {
      freeChunk(chunk);
    }
  }

  void* take(Chunk* chunk) {
    const std::size_t slotBytes = chunk->slotBytes;
    void* object;
    if (chunk->freeSlots != nullptr) {
      object = chunk->freeSlots;
      markInUse(object, slotBytes);
      chunk->freeSlots = *static_cast<void**>(object);
    } else {
      object = chunk->fresh;
      chunk->fresh += slotBytes;
      markInUse(object, slotBytes);
    }
    ++chunk->objects;
    ++objects;
    if (!hasRoom(chunk)) {
      unlist(chunk);
    }
    return object;
  }

  void give(Chunk* chunk, void* object) {
    --objects;
    *static_cast<void**>(object) = chunk->freeSlots;
    chunk->freeSlots = object;
    markFree(object, chunk->slotBytes);
    if (--chunk->objects == 0) {
      retire(chunk);
    } else if (!chunk->listed) {
      list(chunk);
    }
  }

  // The thread ends: spare chunks go back to the system; chunks still holding objects are left
  // to themselves and go back with their last object.
  void end() {
    for (std::size_t at = 0; at < spareCount; ++at) {
      freeChunk(spare[at]);
    }
    spareCount = 0;
    for (Chunk* chunk = held; chunk != nullptr; chunk = chunk->nextHeld) {
      chunk->owner = nullptr;
    }
    held = nullptr;
    for (Chunk*& head : withRoom) {
      head = nullptr;
    }
    chunks = 0;
    objects = 0;
  }
};

// A pool for each thread. Pool is trivially destructible, so it can be reached at any moment of
// the thread's life; the guard's destructor, registered when the pool makes its first chunk,
// ends it.
thread_local Pool threadPool;
thread_local bool threadEnded = false;

struct ThreadEnd {
  ~ThreadEnd() {
    threadEnded = true;
    threadPool.end();
  }
};

// An object made while the thread ends, after its pool has ended: a chunk of its own that
// belongs to no pool and goes back to the system with the object.
void* loneObject(std::size_t slotBytes) {
  Chunk* chunk = static_cast<Chunk*>(mapChunk());
  chunk->owner = nullptr;
  chunk->slotBytes = slotBytes;
  chunk->objects = 1;
  return reinterpret_cast<char*>(chunk) + kFirstSlot;
}

// The thread's pool, about to take its first chunk or spare one: its end is then registered.
// REQUIRES: the thread's pool has not ended.
Pool& livePool() {
  static thread_local ThreadEnd threadEnd;
  static_cast<void>(threadEnd);
  return threadPool;
}

}  // namespace

void* allocate(std::size_t size) {
  if (size > kMaxObjectBytes || size == 0) {
    return ::operator new(size);
  }
  const std::size_t slot = slotBytes(size);
  Pool& pool = threadPool;
  Chunk* chunk = pool.withRoom[slot / kSlotAlignment - 1];
  if (chunk == nullptr) {
    if (threadEnded) {
      return loneObject(slot);
    }
    chunk = livePool().newChunk(slot);
  }
  return pool.take(chunk);
}

void* takeChunk() {
  Pool& pool = threadPool;
  if (threadEnded || pool.spareCount == 0) {
    return mapChunk();
  }
  Chunk* chunk = pool.spare[--pool.spareCount];
  markInUse(chunk, kChunkBytes);
  return chunk;
}

void giveChunk(void* chunk) noexcept {
  if (threadEnded || threadPool.spareCount == kMaxSpareChunks) {
    ::munmap(chunk, kChunkBytes);
    return;
  }
  Pool& pool = livePool();
  markFree(chunk, kChunkBytes);
  pool.spare[pool.spareCount++] = static_cast<Chunk*>(chunk);
}

void release(void* object, std::size_t size) noexcept {
  if (object == nullptr) {
    return;
  }
  if (size > kMaxObjectBytes || size == 0) {
    ::operator delete(object);
    return;
  }
  Chunk* chunk = chunkOf(object);
  if (chunk->owner != nullptr) {
    chunk->owner->give(chunk, object);
    return;
  }
  markFree(object, chunk->slotBytes);
  if (--chunk->objects == 0) {
    freeChunk(chunk);
  }
}

Usage usage() {
  const Pool& pool = threadPool;
  return Usage{pool.chunks, pool.spareCount, pool.objects};
}

}  // namespace WirePool
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
