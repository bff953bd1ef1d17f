// Registration of the services when the library is loaded, and their withdrawal when it is
// unloaded, seen from the host: this program does not link the library; it loads it with dlopen
// (path in $SOACAD_LIBRARY) as the host does.
//
// To make a registry fail at load, the program interposes its own definitions of the two
// registries' registerService (it is linked with exported symbols, so the loaded library binds
// to them); they throw for a chosen name and otherwise forward to the host's definitions.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "host/gateway/kv_service_manager.h"
#include "host/soaserver/dispatcher.h"
#include "tests/support/host_fixture.h"

namespace {

using Korvane::Soa::Internal::Server::ServiceManager;

const char* const kDataManagement = "Cad-2007-01-DataManagement";
// Every service the library registers, in the order of registration.
const std::vector<std::string> kAllServices = {"Cad-2007-01-DataManagement",
                                               "Cad-2007-01-StructureManagement",
                                               "Cad-2007-06-StructureManagement"};

// The registration that the interposed registries refuse (empty: none).
std::string refusedByGateway;
std::string refusedByServer;

template <class Function>
Function hostDefinition(const char* mangledName) {
  void* symbol = dlsym(RTLD_NEXT, mangledName);
  if (symbol == nullptr) {
    std::abort();
  }
  return reinterpret_cast<Function>(symbol);
}

}  // namespace

T2LService* KvServiceManager::registerService(std::string name, T2LService* service) {
  if (name == refusedByGateway) {
    throw std::runtime_error("the gateway registry is full");
  }
  using Definition = T2LService* (*)(KvServiceManager*, std::string, T2LService*);
  static const Definition host = hostDefinition<Definition>(
      "_ZN16KvServiceManager15registerServiceENSt7__cxx1112basic_stringIcSt11char_"
      "traitsIcESaIcEEEP10T2LService");
  return host(this, std::move(name), service);
}

std::string ServiceManager::registerService(const std::string& name) {
  if (name == refusedByServer) {
    throw std::runtime_error("the server registry is full");
  }
  using Definition = std::string (*)(ServiceManager*, const std::string&);
  static const Definition host = hostDefinition<Definition>(
      "_ZN7Korvane3Soa8Internal6Server14ServiceManager15registerServiceERKNSt7__cxx1112basic_"
      "stringIcSt11char_traitsIcESaIcEEE");
  return host(this, name);
}

namespace {

class StartupTest : public soacad_test::HostTest {
 protected:
  void TearDown() override {
    unload();
    refusedByGateway.clear();
    refusedByServer.clear();
  }

  void load() {
    const char* path = std::getenv("SOACAD_LIBRARY");
    ASSERT_NE(path, nullptr) << "SOACAD_LIBRARY names the library to load";
    library_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
  }
  // What loading the library reports on standard error.
  std::string loadReport() {
    testing::internal::CaptureStderr();
    load();
    return testing::internal::GetCapturedStderr();
  }
  void unload() {
    if (library_ != nullptr) {
      EXPECT_EQ(dlclose(library_), 0) << dlerror();
      library_ = nullptr;
    }
  }

  static std::vector<std::string> gatewayNames() {
    return KvServiceManager::instance().serviceNames();
  }
  static std::vector<std::string> serverNames() {
    return ServiceManager::instance().serviceNames();
  }

  void* library_ = nullptr;
};

// Loading registers every service in order in both registries; unloading withdraws them, and
// loading again registers afresh.
TEST_F(StartupTest, LoadRegistersTheServicesAndUnloadWithdrawsThem) {
  ASSERT_TRUE(gatewayNames().empty());
  load();
  EXPECT_EQ(gatewayNames(), kAllServices);
  EXPECT_EQ(serverNames(), kAllServices);
  unload();
  EXPECT_TRUE(gatewayNames().empty());
  EXPECT_TRUE(serverNames().empty());
  EXPECT_TRUE(host::dispatch(kDataManagement, "getAvailableTypes", "<x/>").fault);
  load();
  EXPECT_EQ(gatewayNames(), kAllServices);
  EXPECT_FALSE(
      host::dispatch(kDataManagement, "getAvailableTypes", "<GetAvailableTypesInput/>").fault);
}

// Another library that registers a name since (with both registries, as every library does)
// holds it: unloading leaves its entries in both, and withdraws the other names.
TEST_F(StartupTest, UnloadLeavesARegistrationThatAnotherServiceNowHolds) {
  load();
  T2LService successor;
  KvServiceManager::instance().registerService(kDataManagement, &successor);
  ServiceManager::instance().registerService(kDataManagement);
  unload();
  EXPECT_EQ(KvServiceManager::instance().find(kDataManagement), &successor);
  EXPECT_EQ(gatewayNames(), std::vector<std::string>{kDataManagement});
  EXPECT_EQ(serverNames(), std::vector<std::string>{kDataManagement});
  KvServiceManager::instance().unregisterService(kDataManagement);
  ServiceManager::instance().unregisterService(kDataManagement);
}

// A registry that refuses a service at load: the failure is reported, that service is in
// neither registry, and the others are registered (and withdrawn again at unload).
TEST_F(StartupTest, ARefusedRegistrationIsReportedAndLeavesTheOthersRegistered) {
  const struct {
    std::string* registry;
    std::string refused;
    const char* report;
  } cases[] = {
      {&refusedByGateway, kDataManagement, "the gateway registry is full"},
      {&refusedByGateway, "Cad-2007-01-StructureManagement", "the gateway registry is full"},
      {&refusedByServer, kDataManagement, "the server registry is full"},
      {&refusedByServer, "Cad-2007-01-StructureManagement", "the server registry is full"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.report + (": " + test.refused));
    *test.registry = test.refused;
    const std::string report = loadReport();
    EXPECT_NE(report.find("\"" + test.refused + "\" is not available"), std::string::npos)
        << report;
    EXPECT_NE(report.find(test.report), std::string::npos) << report;
    EXPECT_EQ(KvServiceManager::instance().find(test.refused), nullptr);
    std::vector<std::string> registered = kAllServices;
    registered.erase(std::find(registered.begin(), registered.end(), test.refused));
    EXPECT_EQ(gatewayNames(), registered);
    EXPECT_EQ(serverNames(), registered);
    unload();
    EXPECT_TRUE(gatewayNames().empty());
    EXPECT_TRUE(serverNames().empty());
    test.registry->clear();
  }
}

}  // namespace
