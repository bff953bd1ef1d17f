// Forms: workspace objects of a form type (a type whose class is "Form" or derives from it)
// that hold attribute values of another object.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // FORM_create: the type name names no form type.
  FORM_invalid_form_type = 47001,
};

// A new form of the type `typeName`, named `name` and described by `description` (null: no
// value), owned by the session's user. It is newly created and unlocked: AOM_save saves it.
// Fails with FORM_invalid_form_type and POM_invalid_argument for a null type name.
int FORM_create(const char* name, const char* description, const char* typeName, Tag* form);

SOACAD_API_END
