#include "host/object/zolt_object.h"

#include "host/object/store.h"

std::string ZoltObject::className() const {
  const host::Store& store = host::Store::instance();
  const host::ObjectRecord* object = store.find(tag_);
  return object == nullptr ? std::string() : store.classRecord(object->classId)->name;
}
