// Storage of wire implementation objects.
//
// A request makes tens of thousands of small implementation objects (a model object for every
// object reference, a record for every input and output) and drops them all a moment later. The
// general heap spends a fair share of a request in serving and taking them back, and after a few
// requests it scatters the objects of one list over the whole heap, so that writing a list waits
// for memory at every object. The pool keeps objects of one size side by side in chunks, hands a
// slot out and takes it back with a few instructions, and gives a chunk back once the last object
// in it is gone, so an object that outlives its request keeps only its own chunk.
//
// Threads: each thread has a pool of its own. An object must be released on a thread while no
// other thread works with the pool it came from (a wire object belongs to one request on one
// thread, like its reference count). A chunk whose thread has ended stays until its last object
// is released, wherever that happens.
#pragma once

#include <cstddef>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {
namespace WirePool {

// Objects up to this many bytes come from the pool; larger ones from the general heap.
constexpr std::size_t kMaxObjectBytes = 1024;
// The pool's slots are this many bytes apart, and so aligned.
constexpr std::size_t kSlotAlignment = 16;
// Objects of one size are kept side by side in chunks of this many bytes.
constexpr std::size_t kChunkBytes = 256 * 1024;
// Empty chunks that a thread keeps for reuse rather than give back to the system.
constexpr std::size_t kMaxSpareChunks = 32;

// The bytes an object of `size` bytes takes in the pool: its slot (`size` rounded up to
// kSlotAlignment). Larger objects come from the general heap at their own size.
constexpr std::size_t slotBytes(std::size_t size) {
  return size > kMaxObjectBytes ? size
                                : (size + kSlotAlignment - 1) / kSlotAlignment * kSlotAlignment;
}

// Storage for one object of `size` bytes, aligned to kSlotAlignment. Throws std::bad_alloc.
void* allocate(std::size_t size);
// Gives back what allocate(size) returned, with the same size.
void release(void* object, std::size_t size) noexcept;

// Storage of kChunkBytes, aligned to its size, for another user of large blocks (the parser's
// node tree). It comes from the thread's spare chunks, and goes back to them, like the pool's
// own: a request whose tree is freed while its records are made reuses the tree's memory, already
// in place, for the records. Throws std::bad_alloc.
void* takeChunk();
// Gives back what takeChunk returned, on any thread.
void giveChunk(void* chunk) noexcept;

// What the calling thread's pool holds, for tests and benchmarks.
struct Usage {
  std::size_t chunks;       // Chunks holding at least one object.
  std::size_t spareChunks;  // Empty chunks kept for reuse.
  std::size_t objects;      // Objects handed out and not yet given back.
};
Usage usage();

}  // namespace WirePool
}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
