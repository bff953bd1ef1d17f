// Object calls of the product-structure modules on persistent objects in general: deletion
// through the tag, the checked host object of a tag and the host object's class and type tests.
#include <string>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/pom_object.h"
#include "host/object/store.h"
#include "host/object/tag.h"

namespace {

int askPointerChecked(Tag tag, POMObject** object) {
  *object = nullptr;
  HOST_CALL("TAG_ask_pointer_of_tag_checked", tag);
  return tag.object(object);
}

}  // namespace

int Tag::destroy() const {
  HOST_CALL("Tag::destroy", *this);
  return host::Store::instance().remove(*this);
}

POMObject* TAG_ask_pointer_of_tag_checked(Tag tag) {
  POMObject* object = nullptr;
  if (const int status = askPointerChecked(tag, &object)) {
    throw IFail(status);
  }
  if (object == nullptr) {
    // A null result the fault plan asked for: the tag has no object to hand out.
    host::storeError(POM_invalid_tag, {host::tagText(tag)});
    throw IFail(POM_invalid_tag);
  }
  return object;
}

bool POMObject::isInstanceOf(Tag classId) const {
  const host::Store& store = host::Store::instance();
  const host::ObjectRecord* found = store.find(tag());
  return found != nullptr && store.isDescendant(classId, found->classId);
}

bool POMObject::isTypeOf(const char* typeName) const {
  const host::Store& store = host::Store::instance();
  const host::ObjectRecord* found = store.find(tag());
  if (found == nullptr || typeName == nullptr) {
    return false;
  }
  for (Tag type = found->type; type != NULLTAG; type = store.parentType(type)) {
    if (store.typeName(type) == typeName) {
      return true;
    }
  }
  for (Tag cls = found->classId; cls != NULLTAG;) {
    const host::ClassRecord* record = store.classRecord(cls);
    if (record == nullptr) {
      break;
    }
    if (record->name == typeName) {
      return true;
    }
    cls = record->parent;
  }
  return false;
}
