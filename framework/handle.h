// Reference-counted wire objects and the handles that share them.
//
// Every wire record is a small value (a Handle) over one implementation object derived from
// BaseObject. Invariant: while an implementation object is reachable, its count equals the
// number of handles whose pointee it is, and the object deletes itself exactly when the count
// returns to 0. Counts are plain integers: a wire object and all its handles belong to one
// request on one thread.
#pragma once

#include <cstddef>
#include <string>

#include "framework/visibility.h"
#include "framework/wire_pool.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {
namespace Xml {

template <class T>
class Handle;

// The handle layer's exception type for an attempt to make a handle without an object.
// Thrown by the protected Handle constructor when it is given a null object.
class TryingToCreateNullHandle {
 public:
  TryingToCreateNullHandle& operator=(const TryingToCreateNullHandle&) { return *this; }
};

// Base of every wire implementation object. Objects live only on the heap and are deleted by
// the last handle that lets go of them (never by `delete` from outside). Their storage comes
// from the wire pool (framework/wire_pool.h), which keeps the objects of a request together.
class BaseObject {
 public:
  static void* operator new(std::size_t size) { return WirePool::allocate(size); }
  // Called with the size of the object's own class (the destructor is virtual).
  static void operator delete(void* object, std::size_t size) noexcept {
    WirePool::release(object, size);
  }

  // Copies the string and the count as they stand: the count of the copy is not reset, so a
  // copy must not be given to a handle as it is (reallyClone results are reset first).
  BaseObject(const BaseObject& other) = default;
  BaseObject& operator=(const BaseObject&) = delete;

  // A new heap copy of the object. Implementation classes override it with their own pointer
  // type as the result. The copy carries count 0: it belongs to nobody until a handle adopts it.
  virtual BaseObject* reallyClone() const = 0;

  int askRefCount() const { return refCount_; }

 protected:
  // Implementation objects start with count 0; the handle that is made with them takes the
  // first reference.
  BaseObject() = default;
  virtual ~BaseObject() = default;

  // Used by reallyClone implementations: a clone belongs to no handle yet.
  void resetRefCount() { refCount_ = 0; }

 private:
  template <class T>
  friend class Handle;

  void addRef() { ++refCount_; }
  // Drops one reference; deletes the object (through its virtual destructor) at 0.
  void removeRef() {
    if (--refCount_ == 0) {
      delete this;
    }
  }

  std::string string_;  // Carried along by copies; read nowhere.
  int refCount_ = 0;
};

// A handle to a reference-counted wire object. Copying adds a reference; destruction and
// reassignment release one. The pointee is never null once a handle is constructed.
template <class T>
class Handle {
 public:
  Handle(const Handle& other) : object_(other.object_) { ++object_->refCount_; }

  virtual ~Handle() {
    if (object_ != nullptr) {
      object_->removeRef();
    }
  }

  // Takes the new reference before releasing the old one: `other` may live inside the old
  // object (a record that lists records of its own type), and releasing first could free it
  // before it is read. Self-assignment and sharing handles leave the count as it was, and it
  // never passes through 0 for an object that stays.
  Handle& operator=(const Handle& other) {
    T* const taken = other.object_;
    ++taken->refCount_;
    T* const released = object_;
    object_ = taken;
    released->removeRef();
    return *this;
  }

 protected:
  // Makes a handle over a new object (count 0) and takes its first reference.
  // Throws TryingToCreateNullHandle when `object` is null.
  explicit Handle(T* object) : object_(object) {
    if (object_ == nullptr) {
      throw TryingToCreateNullHandle();
    }
    init();
  }

  T& getHandleObject() const { return *object_; }

 private:
  void init() { ++object_->refCount_; }

  T* object_;
};

}  // namespace Xml
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
