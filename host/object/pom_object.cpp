#include "host/object/pom_object.h"

#include <memory>
#include <unordered_map>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace {

// One view per object, kept until the next reset so that the pointers handed out stay valid.
std::unordered_map<Tag, std::unique_ptr<POMObject>>& views() {
  static std::unordered_map<Tag, std::unique_ptr<POMObject>> instance;
  return instance;
}

const host::ResetHook kForgetViews([] { views().clear(); });

}  // namespace

int Tag::object(POMObject** result) const {
  if (result == nullptr) {
    return host::missingArgument("Tag::object");
  }
  *result = nullptr;
  HOST_CALL("Tag::object", *this);
  if (host::Store::instance().find(*this) == nullptr) {
    return host::storeError(POM_invalid_tag, {host::tagText(*this)});
  }
  std::unique_ptr<POMObject>& slot = views()[*this];
  if (!slot) {
    slot = std::make_unique<POMObject>(*this);
  }
  *result = slot.get();
  return 0;
}
