#include "host/object/pom_ref.h"

#include <string>

#include "host/object/ifail.h"
#include "host/object/store.h"

namespace host {

void requireInstance(Tag tag, const char* className) {
  const Store& store = Store::instance();
  const ObjectRecord* object = store.find(tag);
  if (object == nullptr) {
    storeError(POM_invalid_tag, {std::to_string(static_cast<std::uint32_t>(tag))});
    throw IFail(POM_invalid_tag);
  }
  if (!store.isInstanceOf(tag, className)) {
    storeError(POM_invalid_tag,
               {std::to_string(static_cast<std::uint32_t>(tag)) + " (" +
                store.classRecord(object->classId)->name + ", not " + className + ")"});
    throw IFail(POM_invalid_tag);
  }
}

}  // namespace host
