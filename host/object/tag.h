// Host object handles.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/visibility.h"

SOACAD_API_BEGIN

class POMObject;

// The 32-bit handle of a persistent object of the host; 0 is the null tag. A tag that names no
// live object is "not valid": it can come from an unknown UID (see Utils::uidToTag) or from an
// object that was deleted.
class Tag {
 public:
  constexpr Tag() = default;
  constexpr Tag(std::uint32_t value) : value_(value) {}
  constexpr operator std::uint32_t() const { return value_; }

  // Answers a status, not a truth value: 0 when the tag names a live object, the host's
  // invalid-tag status (7007) otherwise. A failing answer is also put on the error store.
  int isValid() const;
  // 0 when the tag names a live object of the class `className` or of a class derived from
  // it; 7007 when it names no live object; the host's wrong-class status (7008) otherwise,
  // also for a class name that names no class. A failing answer is put on the error store.
  int isValid(const char* className) const;
  // The persistent object the tag names, as a host-owned view (host/object/pom_object.h):
  // status 0 for a live object; the host's invalid-tag status (7007, on the error store) and a
  // null view otherwise. A null out-argument fails with POM_invalid_argument.
  int object(POMObject** result) const;
  // Deletes the object the tag names, like AOM_delete: status 0, or 7007 / 7015 (on the error
  // store) for a tag without a live object / an object that is not modifiable.
  int destroy() const;

 private:
  std::uint32_t value_ = 0;
};

constexpr Tag NULLTAG{0};

namespace std {
template <>
struct hash<Tag> {
  std::size_t operator()(Tag tag) const noexcept {
    return std::hash<std::uint32_t>()(static_cast<std::uint32_t>(tag));
  }
};
}  // namespace std

SOACAD_API_END
