#include "host/soaserver/dispatcher.h"

#include <cstring>
#include <exception>
#include <sstream>

#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"

namespace host {

namespace {

using Korvane::Schemas::Soa::_2006_03::Exceptions::SoaException;
using Korvane::Soa::Common::Exceptions::DomException;
using Korvane::Soa::Common::Exceptions::ExceptionMapper;
using ServerServiceException = Korvane::Soa::Server::ServiceException;

const char* const kFaultNames[] = {
    "SoaException",        "ServiceException",  "InternalServerException",
    "ConnectionException", "ProtocolException", "InvalidCredentialsException",
    "InvalidUserException"};

const char* const kUnanswerableFault =
    "<ServiceException xmlns=\"http://korvane.com/Schemas/SOA/2006-03/Exceptions\" "
    "message=\"The request failed and its fault could not be written.\"/>";
const char* const kUnanswerableReason =
    "ServiceException: The request failed and its fault could not be written.";

Reply faultReply(SoaException& exception) {
  std::stringstream text;
  ExceptionMapper::writeSoaException(exception, text);
  return Reply{text.str(), true, exception.getLocalName() + ": " + exception.getMessage()};
}

Reply faultReply(const std::string& message) {
  ServerServiceException exception(message);
  return faultReply(exception.getWireData());
}

// Clears the error store when the request ends, however it ends.
struct ErrorStoreScope {
  ErrorStoreScope() { ERROR_store_clear(); }
  ~ErrorStoreScope() { ERROR_store_clear(); }
};

// The fault's message: the message attribute of its root element.
std::string faultReason(const std::string& document) {
  try {
    Korvane::Soa::Common::Xml::SAXToNodeParser parser;
    const auto& root = parser.parseString(document);
    const std::string_view* message = root.attr("message");
    return root.name() + ": " + (message == nullptr ? std::string() : std::string(*message));
  } catch (const Korvane::Soa::Common::Xml::XmlParseError&) {
    return "fault";
  }
}

}  // namespace

bool isFaultDocument(const std::string& document) {
  std::size_t start = document.find_first_not_of(" \t\r\n");
  if (start == std::string::npos || document[start] != '<') {
    return false;
  }
  ++start;
  for (const char* name : kFaultNames) {
    const std::size_t length = std::strlen(name);
    if (document.compare(start, length, name) == 0 && start + length < document.size()) {
      const char next = document[start + length];
      if (next == ' ' || next == '>' || next == '/' || next == '\t' || next == '\n' ||
          next == '\r') {
        return true;
      }
    }
  }
  return false;
}

namespace {

Reply dispatchGuarded(const std::string& serviceName, const std::string& operation,
                      const std::string& request) {
  ErrorStoreScope errorScope;
  T2LService* service = KvServiceManager::instance().find(serviceName);
  if (service == nullptr) {
    return faultReply("The service \"" + serviceName + "\" is not registered.");
  }
  try {
    Reply reply;
    reply.text = service->invokeMethod(operation, request);
    if (isFaultDocument(reply.text)) {
      reply.fault = true;
      reply.reason = faultReason(reply.text);
    }
    return reply;
  } catch (ServerServiceException& exception) {
    return faultReply(exception.getWireData());
  } catch (SoaException& exception) {
    return faultReply(exception);
  } catch (IFail&) {
    // Describes the failure from the error store.
    ServerServiceException exception;
    return faultReply(exception.getWireData());
  } catch (DomException& exception) {
    return faultReply(exception.getMessage());
  } catch (const Korvane::Soa::Common::Xml::XmlParseError& exception) {
    return faultReply(std::string("The request cannot be read: ") + exception.what());
  } catch (const std::exception& exception) {
    return faultReply(std::string("The request failed: ") + exception.what());
  } catch (...) {
    return faultReply("The request failed with an unknown exception.");
  }
}

}  // namespace

Reply dispatch(const std::string& serviceName, const std::string& operation,
               const std::string& request) {
  try {
    return dispatchGuarded(serviceName, operation, request);
  } catch (...) {
    // Writing the fault itself failed (out of memory): a fixed fault, with nothing left to
    // allocate but the reply's own texts.
    ERROR_store_clear();
    return Reply{kUnanswerableFault, true, kUnanswerableReason};
  }
}

}  // namespace host
