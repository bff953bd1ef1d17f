// Object types: type objects (class "ZoltType") with a name, the class of their instances and
// a parent type. Lookups by name that find nothing answer status 0 and the null tag.
#pragma once

#include "framework/visibility.h"
#include "host/object/sizes.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// The type named `typeName` whose instances' class is `className` or derives from it (any
// class when `className` is null). A class name that names no class exactly names the class
// whose name differs from it only in case, so "ITEM" names the class "Item".
int ZOLTTYPE_find_type(const char* typeName, const char* className, Tag* type);
// The type named `typeName`, of any class.
int ZOLTTYPE_ask_type(const char* typeName, Tag* type);
// The types a user may pick for new objects of the class `className`: every live type whose
// instances' class is `className` or derives from it, in creation order (host array, null for
// none). `option` is reserved for the host and ignored. Fails with POM_no_such_class (7010)
// when there is no class of that name, and with POM_invalid_argument for a null name.
int ZOLTTYPE_find_displayable_types_for_class(const char* className, int option, int* count,
                                              Tag** types);
// The type's name into `name` (ZOLTTYPE_name_size_c + 1 characters). 7007 for a tag that is
// not a type.
int ZOLTTYPE_ask_name(Tag type, char* name);
// The class name of the type's instances into `className` (POM_class_name_size_c + 1).
int ZOLTTYPE_ask_class_name(Tag type, char* className);
// The type of an object.
int ZOLTTYPE_ask_object_type(Tag object, Tag* type);
// The direct subtypes of a type, in creation order (host array).
int ZOLTTYPE_ask_subtypes(Tag type, int* count, Tag** subtypes);

SOACAD_API_END
