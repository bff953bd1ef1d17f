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

TEST_F(HandleTest, ThreeHandlesCountThreeAndTheLastOneDeletesOnce) {
  auto* a = new CountedHandle(newObject());
  EXPECT_EQ(a->count(), 1);
  auto* b = new CountedHandle(*a);
  auto* c = new CountedHandle(*b);
  EXPECT_EQ(c->count(), 3);
  delete a;
  delete b;
  EXPECT_EQ(c->count(), 1);
  EXPECT_EQ(destroyed_, 0);
  delete c;
  EXPECT_EQ(destroyed_, 1);
}

TEST_F(HandleTest, SelfAssignmentKeepsObjectAndCount) {
  CountedHandle a(newObject());
  CountedImpl* object = &a.object();
  CountedHandle& alias = a;
  a = alias;
  EXPECT_EQ(&a.object(), object);
  EXPECT_EQ(a.count(), 1);
  EXPECT_EQ(destroyed_, 0);
}

TEST_F(HandleTest, AssigningAHandleThatSharesTheObjectKeepsTheCount) {
  CountedHandle a(newObject());
  CountedHandle b(a);
  a = b;
  EXPECT_EQ(a.count(), 2);
  EXPECT_EQ(destroyed_, 0);
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

TEST_F(HandleTest, AssignmentOverTheLastReferenceDeletesTheOldObject) {
  CountedHandle a(newObject());
  CountedHandle b(newObject());
  CountedHandle bCopy(b);
  a = b;
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(&a.object(), &b.object());
  EXPECT_EQ(b.count(), 3);
}

TEST_F(HandleTest, MakingAHandleWithoutAnObjectThrows) {
  EXPECT_THROW(CountedHandle(nullptr), TryingToCreateNullHandle);
}

TEST_F(HandleTest, CopyOfAnImplementationObjectStartsWithTheSourceCount) {
  CountedHandle a(newObject());
  CountedHandle b(a);
  CountedImpl copy(a.object());
  EXPECT_EQ(copy.askRefCount(), 2);
}

TEST_F(HandleTest, CloneCarriesNoReferenceUntilAHandleAdoptsIt) {
  CountedHandle a(newObject());
  CountedHandle b(a);
  CountedImpl* clone = a.object().reallyClone();
  EXPECT_EQ(clone->askRefCount(), 0);
  {
    CountedHandle adopter(clone);
    EXPECT_EQ(adopter.count(), 1);
  }
  EXPECT_EQ(destroyed_, 1);  // The clone, freed by its only handle; the original lives on.
  EXPECT_EQ(a.count(), 2);
}

}  // namespace
