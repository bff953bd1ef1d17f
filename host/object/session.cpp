#include "host/object/session.h"

#include "host/object/store.h"
#include "host/object/zolt_object.h"

namespace {

// The live folder that the user's reference property names; null otherwise.
Tag folderOf(Tag user, const char* property) {
  const host::Store& store = host::Store::instance();
  const host::Value* value = nullptr;
  if (!store.isInstanceOf(user, "User") || store.read(user, property, &value) != 0 ||
      value->tags.empty() || !store.isInstanceOf(value->tags.front(), "Folder")) {
    return NULLTAG;
  }
  return value->tags.front();
}

}  // namespace

Tag loginUser::currentUserTag() {
  return host::Store::instance().currentUser();
}

Tag User::newstuffFolder() const {
  return folderOf(tag(), "newstuff_folder");
}

Tag User::homeFolder() const {
  return folderOf(tag(), "home_folder");
}
