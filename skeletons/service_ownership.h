// The ownership that every skeleton class shares among its objects: its `_service`, created at
// load before the first skeleton, and the service policy that initialize() makes when the
// service is not a policy itself. Copies of a skeleton share them; the last skeleton object of
// the class releases them once and resets the statics to null, so that nothing can reach the
// released objects.
#pragma once

#include "framework/service_policy.h"

namespace Korvane {
namespace Services {

// Start-up (skeletons/startup.cpp), which makes each skeleton class's `_service` at load, before
// the first skeleton; every skeleton class befriends it.
class ServiceStartup;

// One per skeleton class, at namespace scope of its source. Holds no pointer to the statics it
// manages (they are passed in), so that it is constant-initialized and ready before any static
// initializer makes a skeleton.
class SkeletonOwnership {
 public:
  using ServicePolicy = Korvane::Soa::Server::ServicePolicy;

  constexpr SkeletonOwnership() = default;
  SkeletonOwnership(const SkeletonOwnership&) = delete;
  SkeletonOwnership& operator=(const SkeletonOwnership&) = delete;

  // A skeleton object of the class was made (by any constructor).
  void skeletonMade() { ++liveSkeletons_; }

  // A skeleton object of the class went. The last one releases the policy made here and the
  // service, and resets `service` and `servicePolicy` to null.
  template <class Service>
  void skeletonGone(Service*& service, ServicePolicy*& servicePolicy) {
    if (--liveSkeletons_ > 0) {
      return;
    }
    delete madePolicy_;
    madePolicy_ = nullptr;
    servicePolicy = nullptr;
    delete service;
    service = nullptr;
  }

  // Sets `servicePolicy`: the service itself when it is a ServicePolicy, otherwise a new
  // default policy (replacing, and releasing, one that an earlier call made).
  template <class Service>
  void choosePolicy(Service* service, ServicePolicy*& servicePolicy) {
    delete madePolicy_;
    madePolicy_ = nullptr;
    servicePolicy = dynamic_cast<ServicePolicy*>(service);
    if (servicePolicy == nullptr) {
      madePolicy_ = new ServicePolicy();
      servicePolicy = madePolicy_;
    }
  }

 private:
  int liveSkeletons_ = 0;
  // The policy that choosePolicy made (owned here), or null when the policy is the service
  // itself or not set.
  ServicePolicy* madePolicy_ = nullptr;
};

}  // namespace Services
}  // namespace Korvane
