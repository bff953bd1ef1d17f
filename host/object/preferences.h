// Preferences: named lists of text values, each in a scope. A lookup reads the preference in
// the current search scope; "all scopes" (the default) takes the most specific scope that
// holds the preference: user, then role, then group, then site.
#pragma once

#include "framework/visibility.h"

SOACAD_API_BEGIN

enum : int {
  PREF_scope_all = 0,
  PREF_scope_user = 1,
  PREF_scope_role = 2,
  PREF_scope_group = 3,
  PREF_scope_site = 4,
};

enum : int {
  // No preference of that name in the search scope.
  PREF_not_found = 1700,
  // An index past the preference's values.
  PREF_invalid_index = 1701,
  // A value that is not of the type asked for.
  PREF_invalid_value = 1702,
  // A search scope outside PREF_scope_all ... PREF_scope_site.
  PREF_invalid_scope = 1703,
};

int PREF_ask_search_scope(int* scope);
int PREF_set_search_scope(int scope);
// The number of values; PREF_not_found (count 0) for a missing preference.
int PREF_ask_value_count(const char* name, int* count);
// The value at `index` (0-based) as an integer / a logical ("true"/"false", "1"/"0").
int PREF_ask_int_value(const char* name, int index, int* value);
int PREF_ask_logical_value(const char* name, int index, bool* value);
// Every value (one host block of strings).
int PREF_ask_char_values(const char* name, int* count, char*** values);

SOACAD_API_END
