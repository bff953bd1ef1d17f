// Start-up of the service library: the static initialisers that register the services with the
// host when the library is loaded. They all live in this one translation unit because the order
// of static initialisation is only defined within a translation unit.
//
// For each service, in order: (1) its implementation singleton is created and kept in the
// skeleton class's `_service`; (2) a skeleton is created and registered with the gateway's
// registry under the full service name; (3) the full name is registered with the SOA server's
// registry. A registry that throws during load must not take the host down: the failure is
// reported on stderr and that service is left registered nowhere.
//
// At unload (dlclose, or the end of the process) the static destructors run in the reverse
// order and undo each step: the name leaves the SOA server's registry, the skeleton leaves the
// gateway's registry and is destroyed (which releases the singleton and its policy), so that
// nothing in the host keeps a pointer into the unloaded library. A name that another library
// has registered since stays in both registries: it is that library's now.
#include <exception>
#include <iostream>
#include <string>

#include "framework/iiop_skeleton.h"
#include "host/gateway/kv_service_manager.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/structuremanagement/structure_management_2007_06_iiop_skeleton.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

namespace Korvane {
namespace Services {

// The start-up steps of one service. `Skeleton` has the static `_service` (pointer to
// `Implementation`) and is a T2LService.
class ServiceStartup {
 public:
  // Step 1: the service's implementation singleton.
  template <class Skeleton, class Implementation>
  class Singleton {
   public:
    Singleton() { Skeleton::_service = new Implementation(); }
    // Releases the singleton when no skeleton took it over (the gateway registration failed).
    ~Singleton() {
      delete Skeleton::_service;
      Skeleton::_service = nullptr;
    }
    Singleton(const Singleton&) = delete;
    Singleton& operator=(const Singleton&) = delete;
  };

  // Step 2: the skeleton, registered with the gateway. The skeleton destroys the singleton.
  template <class Skeleton>
  class GatewayRegistration {
   public:
    explicit GatewayRegistration(const char* serviceName) {
      Skeleton* skeleton = new Skeleton();
      try {
        std::string name(serviceName);
        KvServiceManager& registry = KvServiceManager::instance();
        registered_ = registry.registerService(name, skeleton);
        skeleton_ = skeleton;
        name_ = serviceName;
      } catch (const std::exception& error) {
        report(serviceName, "gateway", error.what());
        delete skeleton;
      } catch (...) {
        report(serviceName, "gateway", "unknown exception");
        delete skeleton;
      }
    }
    ~GatewayRegistration() { withdraw(); }
    GatewayRegistration(const GatewayRegistration&) = delete;
    GatewayRegistration& operator=(const GatewayRegistration&) = delete;

    bool registered() const { return skeleton_ != nullptr; }
    // Whether the gateway's registry still holds this skeleton under the name: no other
    // library has registered the name since.
    bool stillRegistered() const {
      return skeleton_ != nullptr && KvServiceManager::instance().find(name_) == skeleton_;
    }
    // Takes the skeleton out of the gateway's registry (when it is still the one registered
    // under the name) and destroys it.
    void withdraw() {
      if (skeleton_ == nullptr) {
        return;
      }
      KvServiceManager& registry = KvServiceManager::instance();
      if (stillRegistered()) {
        registry.unregisterService(name_);
      }
      delete skeleton_;
      skeleton_ = nullptr;
      registered_ = nullptr;
    }

   private:
    Skeleton* skeleton_ = nullptr;
    T2LService* registered_ = nullptr;  // What the registry answered; never read.
    std::string name_;
  };

  // Step 3: the name, registered with the SOA server. Withdraws the gateway registration when
  // this registration fails, so that the service is registered nowhere.
  //
  // The SOA server's registry holds names only, so whether its entry is still this library's
  // is read from the gateway's: a library that registers the name since replaces this
  // skeleton there and registers the name with the SOA server too. At unload the name leaves
  // the SOA server's registry only while the gateway still holds this skeleton under it (this
  // registration is destroyed before the gateway's, which withdraws the skeleton after it).
  template <class Skeleton>
  class ServerRegistration {
   public:
    ServerRegistration(const char* serviceName, GatewayRegistration<Skeleton>& gateway)
        : gateway_(gateway) {
      if (!gateway.registered()) {
        return;
      }
      try {
        name_ =
            Korvane::Soa::Internal::Server::ServiceManager::instance().registerService(serviceName);
        registered_ = true;
      } catch (const std::exception& error) {
        report(serviceName, "SOA server", error.what());
        gateway.withdraw();
      } catch (...) {
        report(serviceName, "SOA server", "unknown exception");
        gateway.withdraw();
      }
    }
    ~ServerRegistration() {
      if (registered_ && gateway_.stillRegistered()) {
        Korvane::Soa::Internal::Server::ServiceManager::instance().unregisterService(name_);
      }
    }
    ServerRegistration(const ServerRegistration&) = delete;
    ServerRegistration& operator=(const ServerRegistration&) = delete;

   private:
    const GatewayRegistration<Skeleton>& gateway_;
    std::string name_;  // What the registry answered.
    bool registered_ = false;
  };

  // The three steps of one service: taken in the order of the members when the object is made
  // at load, undone in the reverse order when it is destroyed at unload.
  template <class Skeleton, class Implementation>
  struct Service {
    explicit Service(const char* serviceName)
        : gateway(serviceName), server(serviceName, gateway) {}

    Singleton<Skeleton, Implementation> implementation;
    GatewayRegistration<Skeleton> gateway;
    ServerRegistration<Skeleton> server;
  };

 private:
  static void report(const char* serviceName, const char* registry, const char* cause) {
    std::cerr << "soacad: the service \"" << serviceName << "\" is not available: the " << registry
              << " registry failed at load: " << cause << std::endl;
  }
};

namespace {

// The services, made at load and destroyed at unload in the reverse order.
ServiceStartup::Service<Cad::_2007_01::DataManagementIiopSkeleton,
                        Korvane::Soa::Cad::_2007_01::DataManagementImpl>
    dataManagement("Cad-2007-01-DataManagement");
ServiceStartup::Service<Cad::_2007_01::StructureManagementIiopSkeleton,
                        Korvane::Soa::Cad::_2007_01::StructureManagementImpl>
    structureManagement("Cad-2007-01-StructureManagement");
ServiceStartup::Service<Cad::_2007_06::StructureManagementIiopSkeleton,
                        Korvane::Soa::Cad::_2007_06::StructureManagementImpl>
    configuredItemRevision("Cad-2007-06-StructureManagement");

}  // namespace

}  // namespace Services
}  // namespace Korvane
