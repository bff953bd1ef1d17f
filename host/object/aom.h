// The application object calls: locks, saves, deletion and property values.
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values before anything else; a null out-argument
// or property name fails with POM_invalid_argument. Strings and arrays handed out are host
// allocations (SM_free / MEM_free); an array of strings is one block.
//
// Locks: the session locks an object with AOM_refresh(object, true) or AOM_lock, which fail
// with POM_not_modifiable for an object that is not modifiable (a fixture or test marks it so)
// and succeed again for an object the session has locked already, keeping its unsaved values.
// AOM_refresh(object, false) drops the unsaved values and releases the lock. Writes need the
// lock (POM_not_locked). AOM_save persists the unsaved values and needs no lock, since only a
// locked object (or host bookkeeping) has any; it keeps the lock. Reads see the session's
// unsaved values.
#pragma once

#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/extensions.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

int AOM_refresh(Tag object, bool lock);
int AOM_lock(Tag object);
int AOM_save(Tag object);
// The object is no longer valid. Needs no lock; POM_not_modifiable for an object that is not
// modifiable.
int AOM_delete(Tag object);
// Whether the session may lock and write the object (and, with a name, that property).
int AOM_is_modifiable(Tag object, bool* modifiable);
int AOM_is_modifiable(Tag object, const char* propertyName, bool* modifiable);
// The names of the object's properties: its root class's first, in declaration order.
int AOM_ask_prop_names(Tag object, int* count, char*** names);

// Getters: the property must be of the getter's value type (POM_wrong_value_type otherwise)
// and, for the single-value getters, not an array. A null value reads as "", 0, 0.0, false,
// the null date or the null tag; the list getters give 0 elements for it.
int AOM_ask_value_int(Tag object, const char* name, int* value);
int AOM_ask_value_date(Tag object, const char* name, Date* value);
int AOM_ask_value_tags(Tag object, const char* name, int* count, Tag** values);

// Setters: the same type rules; the single-value setters need a scalar property, the list
// setters take a scalar one with at most one element. A null string, the null date and the
// null tag set the null value. Need the lock (see above).
int AOM_set_value_string(Tag object, const char* name, const char* value);
int AOM_set_value_strings(Tag object, const char* name, int count, const char* const* values);
int AOM_set_value_int(Tag object, const char* name, int value);
int AOM_set_value_double(Tag object, const char* name, double value);
int AOM_set_value_logical(Tag object, const char* name, bool value);
int AOM_set_value_date(Tag object, const char* name, const Date& value);
int AOM_set_value_tag(Tag object, const char* name, Tag value);
int AOM_set_value_tags(Tag object, const char* name, int count, const Tag* values);

SOACAD_API_END
