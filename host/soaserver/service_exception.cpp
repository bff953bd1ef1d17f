#include <string>

#include "framework/soa_exceptions.h"
#include "host/object/error_store.h"

namespace Korvane {
namespace Soa {
namespace Server {

const char* const ServiceException::kDefaultMessage = "The service call failed.";

ServiceException::ServiceException() {
  const std::vector<host::ErrorEntry> entries = host::errorStore().takeSnapshot();
  if (entries.empty()) {
    setMessage(kDefaultMessage);
    return;
  }
  for (const host::ErrorEntry& entry : entries) {
    addDetail(entry.message);
  }
  const host::ErrorEntry& newest = entries.back();
  setMessage(newest.message);
  setCode(std::to_string(newest.code));
  setLevel(std::to_string(newest.severity));
}

ServiceException::ServiceException(const std::string& message)
    : Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException(message) {}

}  // namespace Server
}  // namespace Soa
}  // namespace Korvane
