#include "host/soaserver/dispatcher.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <sstream>

#include "framework/iiop_skeleton.h"
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

const char* const kOutOfMemory =
    "The request failed: the server ran out of memory while answering it; nothing it did was "
    "kept.";

// A fault's one-line reason: its name and message, then its first detail (the oldest error
// behind it) unless that is the message again. A fault whose message is only a client id says
// why through its detail ("spacer-1: Not a valid object: r.999.A."); a message that is a
// sentence of its own is followed by the detail as the next sentence.
std::string reasonOf(const std::string& name, const std::string& message,
                     const std::string* firstDetail) {
  std::string reason = name + ": " + message;
  if (firstDetail != nullptr && !firstDetail->empty() && *firstDetail != message) {
    const bool sentence = !message.empty() && message.back() == '.';
    reason += (sentence ? " " : ": ") + *firstDetail;
  }
  return reason;
}

Reply faultReply(SoaException& exception) {
  std::stringstream text;
  ExceptionMapper::writeSoaException(exception, text);
  const auto* service =
      dynamic_cast<Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException*>(&exception);
  const std::string* firstDetail =
      service == nullptr || service->getDetails().empty() ? nullptr : &service->getDetails()[0];
  return Reply{text.str(), true,
               reasonOf(exception.getLocalName(), exception.getMessage(), firstDetail)};
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

// The reason of a fault document: its root element's name and message attribute, and the text
// of its first detail element.
std::string faultReason(const std::string& document) {
  try {
    Korvane::Soa::Common::Xml::SAXToNodeParser parser;
    const auto& root = parser.parseString(document);
    const std::string_view* message = root.attr("message");
    const std::string* firstDetail = nullptr;
    for (const auto* child : root.children()) {
      if (child->name() == "detail") {
        firstDetail = &child->text();
        break;
      }
    }
    return reasonOf(root.name(), message == nullptr ? std::string() : std::string(*message),
                    firstDetail);
  } catch (const Korvane::Soa::Common::Xml::XmlParseError&) {
    return "fault";
  }
}

// "a, b and c" of `names`, each in double quotes.
std::string quotedList(const std::vector<std::string>& names) {
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i) {
    list += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + ("\"" + names[i] + "\"");
  }
  return list;
}

}  // namespace

std::vector<std::string> operationsOf(const std::string& serviceName) {
  std::vector<std::string> operations;
  const auto* skeleton = dynamic_cast<const Korvane::Soa::Internal::Server::IiopSkeleton*>(
      KvServiceManager::instance().find(serviceName));
  if (skeleton != nullptr) {
    for (const auto& [operation, handler] : skeleton->operationTable()) {
      if (handler != nullptr) {
        operations.push_back(operation);
      }
    }
  }
  return operations;
}

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

std::string unknownNameMessage(const std::string& serviceName, const std::string& operation) {
  if (KvServiceManager::instance().find(serviceName) == nullptr) {
    const std::vector<std::string> names = KvServiceManager::instance().serviceNames();
    return "The service " + Korvane::Soa::Common::Xml::XmlParseError::quote(serviceName) +
           " is not registered" +
           (names.empty()
                ? std::string("; no service is registered: the service library is not loaded.")
                : "; the registered services are " + quotedList(names) + ".");
  }
  // The skeleton's own answer names only its short name ("DataManagement"), which two services
  // share: the dispatcher knows the versioned one and what the service offers instead.
  const std::vector<std::string> operations = operationsOf(serviceName);
  if (!operations.empty() &&
      std::find(operations.begin(), operations.end(), operation) == operations.end()) {
    return "The operation " + Korvane::Soa::Common::Xml::XmlParseError::quote(operation) +
           " is not part of the service \"" + serviceName + "\"; its operations are " +
           quotedList(operations) + ".";
  }
  return std::string();
}

namespace {

Reply dispatchGuarded(const std::string& serviceName, const std::string& operation,
                      const std::string& request) {
  ErrorStoreScope errorScope;
  const std::string unknown = unknownNameMessage(serviceName, operation);
  if (!unknown.empty()) {
    return faultReply(unknown);
  }
  T2LService* service = KvServiceManager::instance().find(serviceName);
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
  } catch (const std::bad_alloc&) {
    return faultReply(kOutOfMemory);
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
