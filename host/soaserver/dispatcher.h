// The host's dispatcher: hands a request to a registered service and turns whatever the service
// lets pass into a fault document, so that every request gets a document back.
#pragma once

#include <string>

namespace host {

struct Reply {
  // The response document or the fault document.
  std::string text;
  // True when `text` is a fault document.
  bool fault = false;
  // One line saying why the call failed (the fault's message); empty for a response.
  std::string reason;
};

// Answers `request` with the operation `operation` of the service registered under
// `serviceName` with the gateway (KvServiceManager). The host's error store is cleared before
// and after the call, so that no error of one request reaches another's error stacks.
// An unknown service is answered with a fault document too, and so is a request whose fault
// cannot be written (out of memory): then with a fixed one. What escapes is only an exception
// thrown while even that fixed reply is copied.
Reply dispatch(const std::string& serviceName, const std::string& operation,
               const std::string& request);

// True when `document` is a fault document (its root element is one of the wire exceptions).
bool isFaultDocument(const std::string& document);

}  // namespace host
