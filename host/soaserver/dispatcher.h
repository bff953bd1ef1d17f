// The host's dispatcher: hands a request to a registered service and turns whatever the service
// lets pass into a fault document, so that every request gets a document back.
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace host {

struct Reply {
  // The response document or the fault document.
  std::string text;
  // True when `text` is a fault document.
  bool fault = false;
  // One line saying why the call failed: the fault's name and message, followed by the first of
  // its details when that says more (a fault whose message is only a client id); empty for a
  // response.
  std::string reason;
};

// Answers `request` with the operation `operation` of the service registered under
// `serviceName` with the gateway (KvServiceManager). The host's error store is cleared before
// and after the call, so that no error of one request reaches another's error stacks.
// An unknown service or operation is answered with a fault document too, naming the service
// with its version and listing what is registered (the services, or the service's operations);
// so is a request whose fault cannot be written (out of memory): then with a fixed one. What
// escapes is only an exception thrown while even that fixed reply is copied.
Reply dispatch(const std::string& serviceName, const std::string& operation,
               const std::string& request);

// Why a request to `operation` of the service registered under `serviceName` cannot be
// dispatched: the message of the fault that dispatch answers for a service that is not
// registered (listing the registered ones) or an operation the service does not have (listing
// its operations); empty when both are known.
std::string unknownNameMessage(const std::string& serviceName, const std::string& operation);

// The operations of the service registered under `serviceName`, in name order; empty for a name
// that is not registered or a service without an operation table.
std::vector<std::string> operationsOf(const std::string& serviceName);

// True when `document` is a fault document (its root element is one of the wire exceptions).
bool isFaultDocument(const std::string& document);

}  // namespace host

SOACAD_API_END
