// Test helpers for requests that go through a registered service, as the host dispatches them.
//
// A test program that links soacad has the library's services registered by its static
// initialisers; ServiceTest finds them in the gateway's registry and sends request text through
// the host's dispatcher (host::dispatch), exactly like the host program does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"
#include "framework/xml_node.h"
#include "host/soaserver/dispatcher.h"
#include "tests/support/host_fixture.h"

namespace soacad_test {

// The full name under which the DataManagement service is registered.
extern const char* const kDataManagementService;

// The error stacks of a service data or a reply, one text each: "<key>: <code> <code>...", codes
// oldest first, where the key is the client id, "uid:<UID>" for a stack keyed by an object, and
// empty for an unkeyed stack.
std::vector<std::string> stacks(
    const std::vector<Korvane::Schemas::Soa::_2006_03::Base::ErrorStack>& errors);

class ServiceTest : public HostTest {
 protected:
  void SetUp() override;

  // Sends `request` to `operation` of the DataManagement service and returns the reply.
  // Checks what every request must leave behind, whatever it answers (expectSettled).
  host::Reply call(const std::string& operation, const std::string& request);
  // The same for the service registered under `service`.
  host::Reply call(const std::string& service, const std::string& operation,
                   const std::string& request);

  // The root element of a reply (or of any document); valid until the next parse. A document
  // that does not parse fails the test and gives an empty element.
  const Korvane::Soa::Common::Xml::XMLNode& parse(const std::string& document);

  // The reply read into the wire response `Response` (any generated wire record). A fault
  // reply fails the test with its reason and gives a default record.
  template <class Response>
  Response responseOf(const host::Reply& reply) {
    Response response;
    if (reply.fault) {
      ADD_FAILURE() << "fault reply: " << reply.reason << "\n" << reply.text;
      return response;
    }
    response.parse(parse(reply.text));
    return response;
  }

 private:
  std::unique_ptr<Korvane::Soa::Common::Xml::SAXToNodeParser> parser_;
  Korvane::Soa::Common::Xml::XMLNode empty_;
};

}  // namespace soacad_test
