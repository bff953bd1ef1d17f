#include "host/object/tag.h"

#include <string>

#include "host/object/ifail.h"
#include "host/object/store.h"

// A failed check is stored on the error store like any host failure: a caller for which the
// failure is no error (an optional reference) empties the store afterwards.

int Tag::isValid() const {
  if (host::Store::instance().find(*this) != nullptr) {
    return 0;
  }
  return host::storeError(POM_invalid_tag, {host::tagText(*this)});
}

int Tag::isValid(const char* className) const {
  const host::Store& store = host::Store::instance();
  if (store.find(*this) == nullptr) {
    return host::storeError(POM_invalid_tag, {host::tagText(*this)});
  }
  if (className == nullptr || !store.isInstanceOf(*this, className)) {
    return host::storeError(POM_wrong_class,
                            {host::tagText(*this), className == nullptr ? "" : className});
  }
  return 0;
}
