// Checks that every generated service skeleton must pass: its operation table, its copies and
// how it picks its service policy. `Access` reaches the skeleton's statics: `service()` and
// `policy()`, each a reference to the pointer the skeleton keeps.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "framework/service_policy.h"
#include "tests/support/host_fixture.h"

namespace soacad_test {

// A new skeleton names `serviceName` and has a handler for every operation of its table; copies
// and assigned skeletons share the registered one's table, and destroying any of them leaves the
// service in place.
template <class Skeleton, class Access>
void expectTableAndCopies(const Skeleton& registered, const std::string& serviceName) {
  const auto* const service = Access::service();
  ASSERT_NE(service, nullptr);
  {
    const Skeleton fresh;
    EXPECT_EQ(fresh.serviceName(), serviceName);
    EXPECT_EQ(fresh.operationTable(), registered.operationTable());
    for (const auto& entry : fresh.operationTable()) {
      EXPECT_NE(entry.second, nullptr) << entry.first;
    }
    const Skeleton copy(registered);
    EXPECT_EQ(copy.operationTable(), registered.operationTable());
    EXPECT_EQ(copy.serviceName(), serviceName);
    Skeleton assigned;
    assigned = copy;
    EXPECT_EQ(assigned.operationTable(), copy.operationTable());
  }
  EXPECT_EQ(Access::service(), service);
}

// Initializing makes a default policy, unless the service is its own policy: then it is that.
template <class Skeleton, class Access>
void expectInitializeTakesTheServiceAsPolicyIfItIsOne(Skeleton& skeleton) {
  using Korvane::Soa::Server::ServicePolicy;
  using Service = std::remove_pointer_t<std::remove_reference_t<decltype(Access::service())>>;
  struct PolicyService : Service, ServicePolicy {};
  skeleton.initialize();
  ASSERT_NE(Access::policy(), nullptr);
  EXPECT_EQ(dynamic_cast<ServicePolicy*>(Access::service()), nullptr);
  PolicyService policyService;
  {
    ScopedValue<Service*> swap(Access::service(), &policyService);
    skeleton.initialize();
    EXPECT_EQ(Access::policy(), static_cast<ServicePolicy*>(&policyService));
  }
  skeleton.initialize();
  EXPECT_NE(Access::policy(), nullptr);
  EXPECT_NE(Access::policy(), static_cast<ServicePolicy*>(&policyService));
}

}  // namespace soacad_test
