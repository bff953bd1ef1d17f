#include "host/object/privilege.h"

#include <cstring>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

int AM_check_privilege(Tag object, const char* privilege, bool* granted) {
  if (privilege == nullptr || granted == nullptr) {
    return host::missingArgument("AM_check_privilege");
  }
  *granted = false;
  HOST_CALL("AM_check_privilege", object);
  const host::Store& store = host::Store::instance();
  const host::ObjectRecord* found = store.find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {host::tagText(object)});
  }
  if (std::strcmp(privilege, "READ") == 0) {
    *granted = true;
    return 0;
  }
  Tag owner;
  const host::Value* value = nullptr;
  if (store.findProperty(found->classId, "owning_user") != nullptr &&
      store.read(object, "owning_user", &value) == 0 && !value->tags.empty()) {
    owner = value->tags.front();
  }
  *granted = found->modifiable && (owner == NULLTAG || owner == store.currentUser());
  return 0;
}
