// The host object behind a persistent tag (Tag::object).
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

SOACAD_API_BEGIN

// A persistent object as the object manager loads it. Views that Tag::object hands out belong
// to the host and stay usable until the next reset; the caller never deletes them. Like every
// view, it holds only the tag and asks the store on each call.
class POMObject : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "POM_object";
  using ZoltObject::ZoltObject;

  // Whether the object's class is `classId` or derives from it (false once it is deleted).
  bool isInstanceOf(Tag classId) const;
  // The type test: whether the object's type or one of its ancestor types, or its class or one
  // of its ancestor classes, is named `typeName`.
  bool isTypeOf(const char* typeName) const;
};

// The host object of a live tag (host-owned, as Tag::object hands out). Raises IFail with the
// host's invalid-tag status (7007, on the error store) for any other tag. Logged and injectable
// under its name.
POMObject* TAG_ask_pointer_of_tag_checked(Tag tag);

SOACAD_API_END
