// The gateway's view of a service: what its registry holds and dispatches to.
#pragma once

#include <string>

#include "framework/visibility.h"

SOACAD_API_BEGIN

// Base of every service skeleton. The gateway calls initialize() once it has the service,
// invokeMethod() for every request and cleanup() when it lets the service go.
class T2LService {
 public:
  T2LService() = default;
  T2LService(const T2LService&) = default;
  T2LService& operator=(const T2LService&) = default;
  // Virtual so that whoever owns a registered service can destroy it through this base.
  virtual ~T2LService() = default;

  virtual void initialize() {}
  // Answers one request; the base has no operations and answers with an empty reply.
  virtual std::string invokeMethod(const std::string& operation, const std::string& request);
  virtual void cleanup() {}
};

SOACAD_API_END
