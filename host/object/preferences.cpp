#include "host/object/preferences.h"

#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "host/object/value.h"

namespace {

using host::missingArgument;
using host::Store;

const host::BaseFixturePart kPreferenceMessages("preferences", R"(<fixture>
  <message code="1700" text="There is no preference %1$."/>
  <message code="1701" text="The preference %1$ has no value at index %2$."/>
  <message code="1702" text="The value &quot;%2$&quot; of the preference %1$ is not of the type asked for."/>
  <message code="1703" text="%1$ is not a preference search scope."/>
</fixture>)");

const char* const kScopeNames[] = {"all", "user", "role", "group", "site"};

int scopeNumber(const std::string& name) {
  for (int scope = PREF_scope_all; scope <= PREF_scope_site; ++scope) {
    if (name == kScopeNames[scope]) {
      return scope;
    }
  }
  return PREF_scope_all;
}

// The preference as the search scope sees it; null when it has none.
const host::Preference* lookUp(const char* name) {
  const Store& store = Store::instance();
  const int scope = scopeNumber(store.searchScope());
  if (scope != PREF_scope_all) {
    return store.findPreference(name, kScopeNames[scope]);
  }
  for (int candidate = PREF_scope_user; candidate <= PREF_scope_site; ++candidate) {
    if (const host::Preference* found = store.findPreference(name, kScopeNames[candidate])) {
      return found;
    }
  }
  return nullptr;
}

// The value at `index`, or a failing status.
int valueAt(const char* name, int index, const std::string** value) {
  const host::Preference* preference = lookUp(name);
  if (preference == nullptr) {
    return host::storeError(PREF_not_found, {name});
  }
  if (index < 0 || static_cast<std::size_t>(index) >= preference->values.size()) {
    return host::storeError(PREF_invalid_index, {name, std::to_string(index)});
  }
  *value = &preference->values[static_cast<std::size_t>(index)];
  return 0;
}

}  // namespace

int PREF_ask_search_scope(int* scope) {
  if (scope == nullptr) {
    return missingArgument("PREF_ask_search_scope");
  }
  *scope = PREF_scope_all;
  HOST_CALL("PREF_ask_search_scope", NULLTAG);
  *scope = scopeNumber(Store::instance().searchScope());
  return 0;
}

int PREF_set_search_scope(int scope) {
  HOST_CALL("PREF_set_search_scope", NULLTAG);
  if (scope < PREF_scope_all || scope > PREF_scope_site) {
    return host::storeError(PREF_invalid_scope, {std::to_string(scope)});
  }
  // "all" is the default, kept as no scope at all so that fixtures need not name it.
  Store::instance().setSearchScope(scope == PREF_scope_all ? std::string() : kScopeNames[scope]);
  return 0;
}

int PREF_ask_value_count(const char* name, int* count) {
  if (name == nullptr || count == nullptr) {
    return missingArgument("PREF_ask_value_count");
  }
  *count = 0;
  HOST_CALL("PREF_ask_value_count", NULLTAG);
  const host::Preference* preference = lookUp(name);
  if (preference == nullptr) {
    return host::storeError(PREF_not_found, {name});
  }
  *count = static_cast<int>(preference->values.size());
  return 0;
}

int PREF_ask_int_value(const char* name, int index, int* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("PREF_ask_int_value");
  }
  HOST_CALL("PREF_ask_int_value", NULLTAG);
  const std::string* text = nullptr;
  if (const int status = valueAt(name, index, &text)) {
    return status;
  }
  int parsed = 0;
  if (!host::parseInteger(*text, &parsed)) {
    return host::storeError(PREF_invalid_value, {name, *text});
  }
  *value = parsed;
  return 0;
}

int PREF_ask_logical_value(const char* name, int index, bool* value) {
  if (name == nullptr || value == nullptr) {
    return missingArgument("PREF_ask_logical_value");
  }
  HOST_CALL("PREF_ask_logical_value", NULLTAG);
  const std::string* text = nullptr;
  if (const int status = valueAt(name, index, &text)) {
    return status;
  }
  bool parsed = false;
  if (!host::parseLogical(*text, &parsed)) {
    return host::storeError(PREF_invalid_value, {name, *text});
  }
  *value = parsed;
  return 0;
}

int PREF_ask_char_values(const char* name, int* count, char*** values) {
  if (name == nullptr || count == nullptr || values == nullptr) {
    return missingArgument("PREF_ask_char_values");
  }
  *count = 0;
  *values = nullptr;
  HOST_CALL("PREF_ask_char_values", NULLTAG);
  const host::Preference* preference = lookUp(name);
  if (preference == nullptr) {
    return host::storeError(PREF_not_found, {name});
  }
  *values = host::allocateStrings(preference->values);
  *count = static_cast<int>(preference->values.size());
  return 0;
}
