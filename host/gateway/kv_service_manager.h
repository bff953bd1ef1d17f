// The gateway's registry of services, by full versioned service name.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "framework/visibility.h"
#include "host/gateway/t2l_service.h"

SOACAD_API_BEGIN

// One registry per process. It does not own the services: whoever registers a service removes
// it (unregisterService) before destroying it, e.g. when a service library is unloaded.
class KvServiceManager {
 public:
  static KvServiceManager& instance();

  // Registers `service` under `name`, replacing an earlier registration of that name (which
  // keeps its place in the registration order). Returns the service now registered.
  T2LService* registerService(std::string name, T2LService* service);
  // Removes the registration of `name`; returns the service it held, or null. Not a documented
  // host call (host/object/extensions.h).
  T2LService* unregisterService(const std::string& name);
  // The service registered under `name`, or null.
  T2LService* find(const std::string& name) const;
  // The registered names in the order of their first registration.
  std::vector<std::string> serviceNames() const;

 private:
  KvServiceManager() = default;

  std::vector<std::pair<std::string, T2LService*>> services_;
};

SOACAD_API_END
