// Test helpers for requests that go through a registered service, as the host dispatches them.
//
// A test program that links soacad has the library's services registered by its static
// initialisers; ServiceTest finds them in the gateway's registry and sends request text through
// the host's dispatcher (host::dispatch), exactly like the host program does.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_node.h"
#include "host/soaserver/dispatcher.h"
#include "tests/support/host_fixture.h"

namespace soacad_test {

// The full names under which the DataManagement and the 2007-01 StructureManagement services are
// registered.
extern const char* const kDataManagementService;
extern const char* const kStructureManagementService;

// The error stacks of a service data or a reply, one text each: "<key>: <code> <code>...", codes
// oldest first, where the key is the client id, "uid:<UID>" for a stack keyed by an object, and
// empty for an unkeyed stack.
std::vector<std::string> stacks(
    const std::vector<Korvane::Schemas::Soa::_2006_03::Base::ErrorStack>& errors);

// `count` copies of `element` inside an element named `root`: a document of many elements.
std::string repeated(const std::string& root, const std::string& element, int count);

// A wire model object that names `uid`.
Korvane::Schemas::Soa::_2006_03::Base::ModelObject modelObject(const std::string& uid);
// The UIDs of wire objects (model objects, deleted-object ids), in order.
template <class WireObject>
std::vector<std::string> modelUids(const std::vector<WireObject>& objects) {
  std::vector<std::string> uids;
  for (const WireObject& object : objects) {
    uids.push_back(object.getUid());
  }
  return uids;
}

// The entries of a wire map from keys to objects, as "<key>=<UID>", in order.
template <class Entry>
std::vector<std::string> mapEntries(const std::vector<Entry>& entries) {
  std::vector<std::string> texts;
  for (const Entry& entry : entries) {
    texts.push_back(entry.getKey() + "=" + entry.getValue().getUid());
  }
  return texts;
}

// The UIDs a reply's service data names as created, updated and deleted, each list sorted.
struct Reported {
  std::vector<std::string> created;
  std::vector<std::string> updated;
  std::vector<std::string> deleted;

  bool operator==(const Reported& other) const {
    return created == other.created && updated == other.updated && deleted == other.deleted;
  }
};

inline std::ostream& operator<<(std::ostream& out, const Reported& reported) {
  const auto list = [&out](const char* name, const std::vector<std::string>& uids) {
    out << name << ":";
    for (const std::string& uid : uids) {
      out << " " << uid;
    }
    out << "; ";
  };
  list("created", reported.created);
  list("updated", reported.updated);
  list("deleted", reported.deleted);
  return out;
}

// What the service data of a wire response reports.
template <class WireResponse>
Reported reportedBy(const WireResponse& response) {
  const auto sortedUids = [](const auto& objects) {
    std::vector<std::string> uids = modelUids(objects);
    std::sort(uids.begin(), uids.end());
    return uids;
  };
  const auto& serviceData = response.getServiceData();
  return {sortedUids(serviceData.getCreatedObjArray()),
          sortedUids(serviceData.getUpdatedObjArray()),
          sortedUids(serviceData.getDeletedObjArray())};
}

// The message of the DomException that `action` raises, "no exception" when it raises none.
template <class Action>
std::string domMessageOf(Action&& action) {
  try {
    action();
  } catch (Korvane::Soa::Common::Exceptions::DomException& exception) {
    return exception.getMessage();
  }
  return "no exception";
}

// The monitor's marks, oldest first: "start <name>" or "end <name>".
std::vector<std::string> markTexts();
// The first `count` marks of a request whose handler `handler` (the full name of the skeleton's
// method) converts it, calls the service method `service` and converts the response: eight in
// all when it succeeds, four when the service call fails.
std::vector<std::string> requestMarks(const std::string& handler, const std::string& service,
                                      std::size_t count = 8);

class ServiceTest : public HostTest {
 protected:
  void SetUp() override;

  // Sends `request` to `operation` of the DataManagement service and returns the reply.
  // Checks what every request must leave behind, whatever it answers, and that the reply tells
  // the truth about the store (reply_checks::requestBreaches).
  host::Reply call(const std::string& operation, const std::string& request);
  // The same for the service registered under `service`.
  host::Reply call(const std::string& service, const std::string& operation,
                   const std::string& request);

  // The error stacks of a local service data (as stacks() writes them).
  template <class ServiceData>
  static std::vector<std::string> errorsOf(const ServiceData& serviceData) {
    return stacks(serviceData.getErrorArray());
  }

  // The partial errors of a wire response, as stacks() writes them.
  template <class Response>
  static std::vector<std::string> partialErrorsOf(const Response& response) {
    return stacks(response.getServiceData().getPartialErrorArray());
  }

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
