#include "tests/support/service_fixture.h"

#include "framework/monitor.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "tests/support/reply_checks.h"

namespace soacad_test {

const char* const kDataManagementService = "Cad-2007-01-DataManagement";
const char* const kStructureManagementService = "Cad-2007-01-StructureManagement";

std::vector<std::string> stacks(
    const std::vector<Korvane::Schemas::Soa::_2006_03::Base::ErrorStack>& errors) {
  std::vector<std::string> texts;
  for (const auto& stack : errors) {
    std::string text = !stack.getClientId().empty() ? stack.getClientId()
                       : !stack.getUid().empty()    ? "uid:" + stack.getUid()
                                                    : std::string();
    text += ":";
    for (const auto& value : stack.getErrorValueArray()) {
      text += " " + std::to_string(value.getCode());
    }
    texts.push_back(text);
  }
  return texts;
}

std::string repeated(const std::string& root, const std::string& element, int count) {
  std::string text = "<" + root + ">";
  for (int i = 0; i < count; ++i) {
    text += element;
  }
  return text + "</" + root + ">";
}

Korvane::Schemas::Soa::_2006_03::Base::ModelObject modelObject(const std::string& uid) {
  Korvane::Schemas::Soa::_2006_03::Base::ModelObject model;
  model.setUid(uid);
  return model;
}

std::vector<std::string> markTexts() {
  using Korvane::Soa::Internal::Common::Mark;
  std::vector<std::string> texts;
  for (const Mark& mark : Korvane::Soa::Internal::Common::Monitor::marks()) {
    texts.push_back((mark.kind() == Mark::kStart ? "start " : "end ") + mark.name());
  }
  return texts;
}

std::vector<std::string> requestMarks(const std::string& handler, const std::string& service,
                                      std::size_t count) {
  std::vector<std::string> marks = {"start " + handler,
                                    "start " + handler + "::wireToLocal",
                                    "end " + handler + "::wireToLocal",
                                    "start " + service,
                                    "end " + service,
                                    "start " + handler + "::localToWire",
                                    "end " + handler + "::localToWire",
                                    "end " + handler};
  marks.resize(count);
  return marks;
}

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
  SCOPED_TRACE(operation);
  const std::string savedBefore = reply_checks::savedStore();
  const reply_checks::HostSnapshot before = reply_checks::HostSnapshot::take();
  host::Reply reply = host::dispatch(service, operation, request);
  for (const std::string& breach : reply_checks::requestBreaches(savedBefore, before, reply.text)) {
    ADD_FAILURE() << breach << "\nreply: " << reply.text;
  }
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
