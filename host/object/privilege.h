// Access privileges of the session's user on objects.
//
// The stand-in's model: "READ" is granted on every live object. Every other privilege
// ("WRITE", "DELETE", ...) is granted when the object is modifiable (see Store::setModifiable)
// and either names no owner ("owning_user" null, or a class without that property) or is owned
// by the session's user. There are no access lists: a fixture refuses a user by giving the
// object another owner, or by making it not modifiable.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// Whether the session's user holds `privilege` on `object`. POM_invalid_tag for a tag without
// a live object; POM_invalid_argument for a null privilege or answer.
int AM_check_privilege(Tag object, const char* privilege, bool* granted);

SOACAD_API_END
