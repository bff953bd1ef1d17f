#include "host/object/res.h"

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

const host::BaseFixturePart kCheckoutMessages("res", R"(<fixture>
  <message code="32007" text="The object %1$ cannot be changed by this user."/>
</fixture>)");

// The user who has the object checked out; null when nobody has (or the object has no
// checkout state). REQUIRES: a live object.
Tag checkedOutBy(Tag object) {
  const Store& store = Store::instance();
  const host::Value* value = nullptr;
  if (store.findProperty(store.find(object)->classId, "checked_out_user") == nullptr ||
      store.read(object, "checked_out_user", &value) != 0) {
    return NULLTAG;
  }
  return value->tags.empty() ? NULLTAG : value->tags.front();
}

}  // namespace

int RES_assert_object_modifiable(Tag object) {
  HOST_CALL("RES_assert_object_modifiable", object);
  const Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  const Tag holder = checkedOutBy(object);
  if (!found->modifiable || (holder != NULLTAG && holder != store.currentUser())) {
    return host::storeError(RES_object_not_modifiable, {found->uid});
  }
  return 0;
}

int RES_is_checked_out(Tag object, bool* checkedOut) {
  if (checkedOut == nullptr) {
    return missingArgument("RES_is_checked_out");
  }
  *checkedOut = false;
  HOST_CALL("RES_is_checked_out", object);
  if (Store::instance().find(object) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  *checkedOut = checkedOutBy(object) != NULLTAG;
  return 0;
}
