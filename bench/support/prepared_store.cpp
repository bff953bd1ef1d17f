#include "bench/support/prepared_store.h"

#include "host/object/host_call.h"

namespace bench_support {

void resetStore(const std::string& world, const std::string& more) {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(world);
  if (!more.empty()) {
    store.loadFixture(more);
  }
  host::callLog().setEnabled(false);
}

void settleIndexes() {
  for (void (*hook)() : host::loadHooks()) {
    hook();
  }
}

Tag tagOf(const std::string& uid) {
  return host::Store::instance().tagOfUid(uid);
}

}  // namespace bench_support
