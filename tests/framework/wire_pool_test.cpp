#include "framework/wire_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "framework/base_records.h"

namespace {

namespace WirePool = Korvane::Soa::Common::Xml::WirePool;
using Korvane::Schemas::Soa::_2006_03::Base::ModelObject;

struct Object {
  void* at;
  std::size_t size;
};

// Fills each object with bytes of its own, so that two objects sharing storage show.
void fill(const Object& object, std::size_t index) {
  std::memset(object.at, static_cast<int>(index % 251), object.size);
}

bool intact(const Object& object, std::size_t index) {
  const auto* bytes = static_cast<const unsigned char*>(object.at);
  return std::all_of(bytes, bytes + object.size,
                     [index](unsigned char byte) { return byte == index % 251; });
}

// Objects of every size, pooled and not, many chunks' worth, given back in different orders:
// every object has storage of its own, aligned, that stays as it was written until it is given
// back, and once all are back the pool holds no chunk and no object.
TEST(WirePoolTest, ObjectsOfEverySizeKeepTheirOwnStorageInAnyOrderOfRelease) {
  enum class Order { reverse, forward, oddsFirst };
  for (const Order order : {Order::reverse, Order::forward, Order::oddsFirst}) {
    SCOPED_TRACE(static_cast<int>(order));
    const WirePool::Usage before = WirePool::usage();
    std::vector<Object> objects;
    for (std::size_t round = 0; round < 40; ++round) {
      for (std::size_t size = 1; size <= WirePool::kMaxObjectBytes + 40; size += 13) {
        objects.push_back(Object{WirePool::allocate(size), size});
        fill(objects.back(), objects.size() - 1);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(objects.back().at) % WirePool::kSlotAlignment,
                  0u);
      }
    }
    for (std::size_t i = 0; i < objects.size(); ++i) {
      ASSERT_TRUE(intact(objects[i], i)) << "object " << i << " of " << objects[i].size;
    }
    std::vector<std::size_t> releaseOrder;
    for (std::size_t i = 0; i < objects.size(); ++i) {
      releaseOrder.push_back(order == Order::reverse ? objects.size() - 1 - i : i);
    }
    if (order == Order::oddsFirst) {
      std::stable_partition(releaseOrder.begin(), releaseOrder.end(),
                            [](std::size_t i) { return i % 2 == 1; });
    }
    for (std::size_t n = 0; n < releaseOrder.size(); ++n) {
      const std::size_t i = releaseOrder[n];
      if (n == releaseOrder.size() / 2) {
        // Half are back: the other half is untouched, and storage handed out now is apart from it.
        for (std::size_t k = n; k < releaseOrder.size(); ++k) {
          ASSERT_TRUE(intact(objects[releaseOrder[k]], releaseOrder[k]));
        }
        std::vector<void*> again;
        for (std::size_t size = 16; size <= WirePool::kMaxObjectBytes; size += 16) {
          again.push_back(WirePool::allocate(size));
          std::memset(again.back(), 0xEE, size);
        }
        for (std::size_t k = n; k < releaseOrder.size(); ++k) {
          ASSERT_TRUE(intact(objects[releaseOrder[k]], releaseOrder[k]));
        }
        std::size_t size = 16;
        for (void* at : again) {
          WirePool::release(at, size);
          size += 16;
        }
      }
      WirePool::release(objects[i].at, objects[i].size);
    }
    const WirePool::Usage after = WirePool::usage();
    EXPECT_EQ(after.objects, before.objects);
    EXPECT_EQ(after.chunks, before.chunks);
  }
}

// Objects of one size fill their chunks; a chunk goes back once its last object does; only a few
// empty ones are kept for reuse.
TEST(WirePoolTest, EmptyChunksAreGivenBackAndOnlyAFewAreKept) {
  const WirePool::Usage before = WirePool::usage();
  std::vector<void*> objects;
  for (int i = 0; i < 100000; ++i) {
    objects.push_back(WirePool::allocate(224));
  }
  const WirePool::Usage full = WirePool::usage();
  // Objects of one size fill their chunks, each in a slot of its own size.
  EXPECT_GE(full.chunks - before.chunks, 100000u * 224u / WirePool::kChunkBytes);
  EXPECT_LE(full.chunks - before.chunks, 100000u / ((WirePool::kChunkBytes - 1024u) / 224u) + 1u);
  EXPECT_EQ(full.objects - before.objects, 100000u);
  for (void* at : objects) {
    WirePool::release(at, 224);
  }
  const WirePool::Usage after = WirePool::usage();
  EXPECT_EQ(after.chunks, before.chunks);
  EXPECT_LE(after.spareChunks, WirePool::kMaxSpareChunks);
  EXPECT_GT(after.spareChunks, 0u);
}

// Records made on a thread that has ended are still whole, and can be changed and released on
// another thread; so can records made while other threads come and go.
TEST(WirePoolTest, RecordsOutliveTheThreadThatMadeThem) {
  std::vector<ModelObject> kept;
  std::thread maker([&kept] {
    std::vector<ModelObject> dropped;
    for (int i = 0; i < 5000; ++i) {
      ModelObject object;
      object.setUid("uid-" + std::to_string(i) + std::string(40, 'x'));
      (i % 3 == 0 ? kept : dropped).push_back(object);
    }
  });
  maker.join();
  for (std::size_t i = 0; i < kept.size(); ++i) {
    ASSERT_EQ(kept[i].getUid(), "uid-" + std::to_string(3 * i) + std::string(40, 'x'));
  }
  for (std::size_t i = 0; i < kept.size(); i += 2) {
    ModelObject replacement;
    replacement.setUid("again");
    kept[i] = replacement;
  }
  for (std::size_t i = 0; i < kept.size(); ++i) {
    ASSERT_EQ(kept[i].getUid(), i % 2 == 0 ? std::string("again")
                                           : "uid-" + std::to_string(3 * i) + std::string(40, 'x'));
  }
  kept.clear();
}

}  // namespace
