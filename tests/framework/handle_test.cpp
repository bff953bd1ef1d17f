#include "framework/handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Korvane::Soa::Common::Xml::BaseObject;
using Korvane::Soa::Common::Xml::Handle;
using Korvane::Soa::Common::Xml::TryingToCreateNullHandle;

// An implementation object that counts its destructions.
class CountedImpl : public BaseObject {
 public:
  explicit CountedImpl(int* destroyed) : destroyed_(destroyed) {}
  CountedImpl(const CountedImpl& other) = default;
  ~CountedImpl() override { ++*destroyed_; }
  CountedImpl* reallyClone() const override {
    auto* copy = new CountedImpl(*this);
    copy->resetRefCount();
    return copy;
  }

 private:
  int* destroyed_;
};

class CountedHandle : public Handle<CountedImpl> {
 public:
  explicit CountedHandle(CountedImpl* object) : Handle<CountedImpl>(object) {}
  CountedImpl& object() const { return getHandleObject(); }
  int count() const { return getHandleObject().askRefCount(); }
};

// A node of a tree: an implementation object that holds handles of its own type, as a record
// that lists records of its own type does.
class TreeImpl;
class TreeHandle : public Handle<TreeImpl> {
 public:
  explicit TreeHandle(TreeImpl* object);
  TreeImpl& object() const { return getHandleObject(); }
};
class TreeImpl : public BaseObject {
 public:
  explicit TreeImpl(int* destroyed) : destroyed_(destroyed) {}
  TreeImpl(const TreeImpl& other) = default;
  ~TreeImpl() override { ++*destroyed_; }
  TreeImpl* reallyClone() const override {
    auto* copy = new TreeImpl(*this);
    copy->resetRefCount();
    return copy;
  }
  std::vector<TreeHandle> children;

 private:
  int* destroyed_;
};
TreeHandle::TreeHandle(TreeImpl* object) : Handle<TreeImpl>(object) {}

class HandleTest : public ::testing::Test {
 protected:
  CountedImpl* newObject() { return new CountedImpl(&destroyed_); }
  int destroyed_ = 0;
};

// Copies and assignments count every handle of an object, and the last handle deletes it once;
// assigning a handle of the same object (itself included) changes nothing.
TEST_F(HandleTest, CopiesAndAssignmentsCountHandlesAndTheLastOneDeletesOnce) {
  auto* a = new CountedHandle(newObject());
  EXPECT_EQ(a->count(), 1);
  CountedImpl* object = &a->object();
  CountedHandle& alias = *a;
  *a = alias;
  EXPECT_EQ(&a->object(), object);
  EXPECT_EQ(a->count(), 1);
  auto* b = new CountedHandle(*a);
  CountedHandle c(*b);
  *a = *b;
  EXPECT_EQ(c.count(), 3);
  delete a;
  delete b;
  EXPECT_EQ(c.count(), 1);
  EXPECT_EQ(destroyed_, 0);
  // Assignment over the last handle of an object deletes it.
  CountedHandle other(newObject());
  CountedHandle otherCopy(other);
  c = other;
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(&c.object(), &other.object());
  EXPECT_EQ(other.count(), 3);
  EXPECT_THROW(CountedHandle(nullptr), TryingToCreateNullHandle);
}

TEST_F(HandleTest, AHandleHeldInsideTheOldObjectIsReadBeforeTheOldObjectGoes) {
  TreeHandle parent(new TreeImpl(&destroyed_));
  parent.object().children.push_back(TreeHandle(new TreeImpl(&destroyed_)));
  TreeImpl* child = &parent.object().children[0].object();
  parent = parent.object().children[0];
  EXPECT_EQ(&parent.object(), child);
  EXPECT_EQ(child->askRefCount(), 1);
  EXPECT_EQ(destroyed_, 1);  // The old parent only.
}

// A copied implementation object starts with the source's count; a clone with none, until a
// handle adopts it.
TEST_F(HandleTest, CopiesAndClonesOfAnImplementationObject) {
  CountedHandle a(newObject());
  CountedHandle b(a);
  EXPECT_EQ(CountedImpl(a.object()).askRefCount(), 2);
  CountedImpl* clone = a.object().reallyClone();
  EXPECT_EQ(clone->askRefCount(), 0);
  {
    CountedHandle adopter(clone);
    EXPECT_EQ(adopter.count(), 1);
  }
  EXPECT_EQ(destroyed_,
            2);  // The copy, and the clone freed by its only handle; the original lives on.
  EXPECT_EQ(a.count(), 2);
}

}  // namespace
