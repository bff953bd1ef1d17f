#include "host/soaserver/dispatcher.h"

#include <cstring>
#include <exception>
#include <sstream>

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

// The text of the fault's message attribute, unescaped only as far as a one-line reason needs.
std::string faultReason(const std::string& document) {
  const std::string marker = "message=\"";
  const std::size_t start = document.find(marker);
  if (start == std::string::npos) {
    return "fault";
  }
  const std::size_t end = document.find('"', start + marker.size());
  return document.substr(start + marker.size(), end == std::string::npos
                                                    ? std::string::npos
                                                    : end - start - marker.size());
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

Reply dispatch(const std::string& serviceName, const std::string& operation,
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

}  // namespace host
