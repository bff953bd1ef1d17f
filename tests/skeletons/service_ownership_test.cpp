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

TEST(SkeletonOwnership, OnlyTheLastSkeletonReleasesTheServiceAndResetsTheStatics) {
  SkeletonOwnership ownership;
  int released = 0;
  CountedService* service = new CountedService(&released);
  ServicePolicy* policy = nullptr;
  ownership.skeletonMade();
  ownership.skeletonMade();
  ownership.choosePolicy(service, policy);
  ASSERT_NE(policy, nullptr);

  ownership.skeletonGone(service, policy);
  EXPECT_EQ(released, 0);
  EXPECT_NE(service, nullptr);
  EXPECT_NE(policy, nullptr);

  ownership.skeletonGone(service, policy);
  EXPECT_EQ(released, 1);
  EXPECT_EQ(service, nullptr);
  EXPECT_EQ(policy, nullptr);
}

TEST(SkeletonOwnership, AServiceThatIsAPolicyIsItsOwnPolicy) {
  SkeletonOwnership ownership;
  int released = 0;
  CountedPolicyService* service = new CountedPolicyService(&released);
  ServicePolicy* policy = nullptr;
  ownership.skeletonMade();
  ownership.choosePolicy(service, policy);
  EXPECT_EQ(policy, static_cast<ServicePolicy*>(service));
  ownership.skeletonGone(service, policy);
  EXPECT_EQ(released, 1);  // Released once, as the service, not again as the policy.
  EXPECT_EQ(policy, nullptr);
}

TEST(SkeletonOwnership, ChoosingAgainReplacesTheMadePolicy) {
  SkeletonOwnership ownership;
  int released = 0;
  CountedService* service = new CountedService(&released);
  ServicePolicy* policy = nullptr;
  ownership.skeletonMade();
  ownership.choosePolicy(service, policy);
  ownership.choosePolicy(service, policy);  // The first one is released (the sanitizer checks).
  EXPECT_NE(policy, nullptr);
  ownership.skeletonGone(service, policy);
  EXPECT_EQ(released, 1);
}

}  // namespace
