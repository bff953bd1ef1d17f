#include "tests/support/service_fixture.h"

#include "framework/monitor.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/memory.h"

namespace soacad_test {

const char* const kDataManagementService = "Cad-2007-01-DataManagement";

void ServiceTest::SetUp() {
  HostTest::SetUp();
  Korvane::Soa::Internal::Common::Monitor::clear();
  // The host prepares every registered service once, before its first request.
  static bool initialized = false;
  if (!initialized) {
    KvServiceManager& registry = KvServiceManager::instance();
    for (const std::string& name : registry.serviceNames()) {
      registry.find(name)->initialize();
    }
    initialized = true;
  }
}

host::Reply ServiceTest::call(const std::string& operation, const std::string& request) {
  return call(kDataManagementService, operation, request);
}

host::Reply ServiceTest::call(const std::string& service, const std::string& operation,
                              const std::string& request) {
  const std::size_t outstanding = host::allocator().outstanding();
  const host::AllocatorCounts before = host::allocator().counts();
  host::Reply reply = host::dispatch(service, operation, request);
  const host::AllocatorCounts& after = host::allocator().counts();
  EXPECT_EQ(host::allocator().outstanding(), outstanding)
      << operation << " kept host allocations it was handed";
  EXPECT_EQ(after.doubleFrees, before.doubleFrees) << operation << " freed a block twice";
  EXPECT_EQ(after.foreignFrees, before.foreignFrees)
      << operation << " freed memory the host never allocated";
  EXPECT_TRUE(host::errorStore().empty()) << operation << " left entries on the error store";
  return reply;
}

const Korvane::Soa::Common::Xml::XMLNode& ServiceTest::parse(const std::string& document) {
  if (!parser_) {
    parser_.reset(new Korvane::Soa::Common::Xml::SAXToNodeParser());
  }
  try {
    return parser_->parseString(document);
  } catch (const Korvane::Soa::Common::Xml::XmlParseError& error) {
    ADD_FAILURE() << "the document does not parse: " << error.what() << "\n" << document;
    return empty_;
  }
}

}  // namespace soacad_test
