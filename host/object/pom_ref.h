// Typed references to host objects: a tag plus the object, loaded on first use.
#pragma once

#include <optional>

#include "framework/visibility.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

SOACAD_API_BEGIN

namespace host {

// Returns when `tag` names a live object of `className` or of a class derived from it;
// otherwise puts 7007 on the error store (with the tag, and the classes when it is an object
// of another class) and raises IFail 7007.
void requireInstance(Tag tag, const char* className);

}  // namespace host

SOACAD_API_END

// The typed references are templates: each library instantiates them for itself.
namespace host {

// The shared part of POMRef and EIMRef. T is a host object class (zolt_object.h). Made from a
// tag, the reference holds no object; the first use (get, ->, *) checks the tag and makes the
// object, so a reference to a tag without a live object of T's class raises IFail 7007 only
// when it is used. Copies copy the loaded object too; assigning a tag drops it.
template <class T>
class TypedRef {
 public:
  TypedRef() = default;
  TypedRef(Tag tag) : tag_(tag) {}

  const Tag& tag() const { return tag_; }
  operator Tag() const { return tag_; }
  // The object as it stands: null until the reference was first used.
  const T* loadedObject() const { return object_ ? &*object_ : nullptr; }

  // The object, loaded now if need be. Raises IFail 7007 (see requireInstance).
  T* get() const {
    if (!object_) {
      requireInstance(tag_, T::kHostClassName);
      object_.emplace(tag_);
    }
    return &*object_;
  }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }

  friend bool operator==(const TypedRef& a, const TypedRef& b) { return a.tag_ == b.tag_; }
  friend bool operator!=(const TypedRef& a, const TypedRef& b) { return a.tag_ != b.tag_; }
  friend bool operator<(const TypedRef& a, const TypedRef& b) { return a.tag_ < b.tag_; }

 private:
  Tag tag_;
  mutable std::optional<T> object_;
};

}  // namespace host

// A reference to a persistent object of class T.
template <class T = ZoltObject>
class POMRef : public host::TypedRef<T> {
 public:
  using host::TypedRef<T>::TypedRef;
  POMRef() = default;
};

// A reference to a host object of class T that need not be persistent (a BOM window).
template <class T = ZoltObject>
class EIMRef : public host::TypedRef<T> {
 public:
  using host::TypedRef<T>::TypedRef;
  EIMRef() = default;
};
