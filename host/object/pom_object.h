// The host object behind a persistent tag (Tag::object).
#pragma once

#include "host/object/tag.h"
#include "host/object/zolt_object.h"

// A persistent object as the object manager loads it. Views that Tag::object hands out belong
// to the host and stay usable until the next reset; the caller never deletes them. Like every
// view, it holds only the tag and asks the store on each call.
class POMObject : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "POM_object";
  using ZoltObject::ZoltObject;
};
