// Checkout state. An object is checked out when its "checked_out_user" names a user; it can be
// changed by the session when it is modifiable and not checked out by another user.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // RES_assert_object_modifiable: the session may not change the object.
  RES_object_not_modifiable = 32007,
};

// 0 when the session may change the object; RES_object_not_modifiable when it is not
// modifiable or is checked out by another user; 7007 for a tag without a live object.
int RES_assert_object_modifiable(Tag object);
int RES_is_checked_out(Tag object, bool* checkedOut);

SOACAD_API_END
