// Property values as display texts (the "user interface form" of a value), and workspace
// object names.
//
// Display texts: strings as they are; integers, doubles, logicals ("true"/"false") and dates
// in their canonical text; references as the UIDs of the objects; array values joined with
// ",". A null value is the empty text.
#pragma once

#include "framework/visibility.h"
#include "host/object/sizes.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// The display text of the property (host string).
int AOM_UIF_ask_value(Tag object, const char* propertyName, char** value);
// Sets the property from a display text: read as a value of the property's type (an array
// property takes one element; the empty text sets the null value). Fails with
// POM_invalid_value for a text that is not a value of the type, and like any session write
// (the lock).
int AOM_UIF_set_value(Tag object, const char* propertyName, const char* value);
// The object's name ("object_name"; empty for an object whose class has no name) as a host
// string.
int AOM_ask_name(Tag object, char** name);
// The object's name ("object_name") into `name` (WSO_name_size_c + 1 characters).
int WSOM_ask_name(Tag object, char* name);

SOACAD_API_END
