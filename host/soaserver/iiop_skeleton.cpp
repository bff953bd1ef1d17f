#include "framework/iiop_skeleton.h"

#include <algorithm>
#include <sstream>

#include "framework/soa_exceptions.h"
#include "host/object/store.h"

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Server {

void IiopSkeleton::initialize() {}

std::string IiopSkeleton::invokeMethod(const std::string& operation, const std::string& request) {
  auto found = operations_.find(operation);
  if (found == operations_.end() || found->second == nullptr) {
    Korvane::Soa::Server::ServiceException fault(
        "The operation \"" + operation + "\" is not part of the service \"" + serviceName_ + "\".");
    std::stringstream reply;
    Korvane::Soa::Common::Exceptions::ExceptionMapper::writeSoaException(fault.getWireData(),
                                                                         reply);
    return reply.str();
  }
  host::RequestScope scope;  // Unknown UIDs the request names are released when it ends.
  return found->second(request);
}

ServiceManager& ServiceManager::instance() {
  static ServiceManager registry;
  return registry;
}

std::string ServiceManager::registerService(const std::string& name) {
  if (std::find(names_.begin(), names_.end(), name) == names_.end()) {
    names_.push_back(name);
  }
  return name;
}

void ServiceManager::unregisterService(const std::string& name) {
  names_.erase(std::remove(names_.begin(), names_.end(), name), names_.end());
}

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane
