#include <string>

#include "framework/soa_exceptions.h"
#include "host/object/error_store.h"

namespace Korvane {
namespace Soa {
namespace Server {

const char* const ServiceException::kDefaultMessage = "The service call failed.";

namespace {

// Moves the error store's entries into `exception` as its details, the newest one's code and
// severity as its code and level, and empties the store: the reason of the failure goes with
// the fault instead of staying behind for a later request. False when the store was empty.
bool takeErrorStore(ServiceException& exception, bool takeMessage) {
  const std::vector<host::ErrorEntry> entries = host::errorStore().takeSnapshot();
  if (entries.empty()) {
    return false;
  }
  for (const host::ErrorEntry& entry : entries) {
    exception.addDetail(entry.message);
  }
  const host::ErrorEntry& newest = entries.back();
  if (takeMessage) {
    exception.setMessage(newest.message);
  }
  exception.setCode(std::to_string(newest.code));
  exception.setLevel(std::to_string(newest.severity));
  return true;
}

}  // namespace

ServiceException::ServiceException() {
  if (!takeErrorStore(*this, true)) {
    setMessage(kDefaultMessage);
  }
}

ServiceException::ServiceException(const std::string& message)
    : Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException(message) {
  takeErrorStore(*this, false);
}

}  // namespace Server
}  // namespace Soa
}  // namespace Korvane
