// The skeleton base of every service and the SOA server's registry of service names.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/gateway/t2l_service.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Server {

// A service as the dispatcher sees it: a short service name and a table from operation name to
// a static handler that takes the request text and returns the reply text. A skeleton fills its
// table in its constructor and never changes it afterwards.
class IiopSkeleton : public T2LService {
 public:
  using Handler = std::string (*)(const std::string& request);
  using OperationTable = std::map<std::string, Handler>;

  IiopSkeleton() = default;
  IiopSkeleton(const IiopSkeleton&) = default;
  IiopSkeleton& operator=(const IiopSkeleton&) = default;
  ~IiopSkeleton() override = default;

  // Prepares the service once the host has it; the base has nothing to prepare.
  void initialize() override;
  // Finds the operation's handler and returns its reply. An operation that is not in the table
  // (or whose entry holds no handler) is answered with the fault document of a ServiceException
  // naming the operation and the service; no handler is called. Exceptions that the handler lets
  // pass reach the caller unchanged.
  std::string invokeMethod(const std::string& operation, const std::string& request) override;

  const OperationTable& operationTable() const { return operations_; }
  const std::string& serviceName() const { return serviceName_; }

 protected:
  OperationTable operations_;
  std::string serviceName_;
};

// The SOA server's registry of the services it serves, by full versioned name.
class ServiceManager {
 public:
  static ServiceManager& instance();

  ServiceManager(const ServiceManager&) = default;
  ServiceManager& operator=(const ServiceManager&) = default;
  ~ServiceManager() = default;

  // Records `name` (once) and returns it.
  std::string registerService(const std::string& name);
  // Forgets `name`; nothing happens for a name that is not registered. Not a documented host
  // call (host/object/extensions.h).
  void unregisterService(const std::string& name);
  // The registered names in registration order.
  const std::vector<std::string>& serviceNames() const { return names_; }

 private:
  ServiceManager() = default;

  std::vector<std::string> names_;
};

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
