// The session: the user it runs for. The user's folders are methods of User (zolt_object.h).
#pragma once

#include "host/object/tag.h"

class loginUser {
 public:
  loginUser() = delete;

  // The user the session runs for (a fixture's <session currentUser>); null when there is none.
  static Tag currentUserTag();
};
