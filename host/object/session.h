// The session: the user it runs for. The user's folders are methods of User (zolt_object.h).
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

class loginUser {
 public:
  loginUser() = delete;

  // The user the session runs for (a fixture's <session currentUser>); null when there is none.
  static Tag currentUserTag();
};

SOACAD_API_END
