#include "skeletons/service_ownership.h"

#include <gtest/gtest.h>

namespace {

using Korvane::Services::SkeletonOwnership;
using Korvane::Soa::Server::ServicePolicy;

// A service that counts its releases; optionally a policy itself.
struct CountedService {
  explicit CountedService(int* released) : released_(released) {}
  virtual ~CountedService() { ++*released_; }
  int* released_;
};
struct CountedPolicyService : CountedService, ServicePolicy {
  using CountedService::CountedService;
};

// Two skeletons share the service; a policy chosen twice replaces the first one made (the
// sanitizer checks it is released); only the last skeleton releases the service, once, and resets
// the statics. A service that is a policy is its own policy and is not released again as one.
TEST(SkeletonOwnership, OnlyTheLastSkeletonReleasesTheServiceAndResetsTheStatics) {
  for (const bool isPolicy : {false, true}) {
    SCOPED_TRACE(isPolicy);
    SkeletonOwnership ownership;
    int released = 0;
    CountedService* service =
        isPolicy ? new CountedPolicyService(&released) : new CountedService(&released);
    ServicePolicy* policy = nullptr;
    ownership.skeletonMade();
    ownership.skeletonMade();
    ownership.choosePolicy(service, policy);
    ownership.choosePolicy(service, policy);
    ASSERT_NE(policy, nullptr);
    EXPECT_EQ(policy == dynamic_cast<ServicePolicy*>(service), isPolicy);

    ownership.skeletonGone(service, policy);
    EXPECT_EQ(released, 0);
    EXPECT_NE(service, nullptr);
    EXPECT_NE(policy, nullptr);

    ownership.skeletonGone(service, policy);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(service, nullptr);
    EXPECT_EQ(policy, nullptr);
  }
}

}  // namespace
