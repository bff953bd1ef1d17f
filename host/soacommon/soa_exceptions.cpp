#include "framework/soa_exceptions.h"

#include <string>

#include "framework/xml_parse_error.h"
#include "framework/xml_stream.h"

namespace Korvane {
namespace Schemas {
namespace Soa {
namespace _2006_03 {
namespace Exceptions {

const char* const SoaException::kNamespace = "http://korvane.com/Schemas/SOA/2006-03/Exceptions";

SoaException::SoaException(const std::string& message)
    : message_(Korvane::Soa::Common::Xml::excerpt(message, kMaxMessageBytes)) {}

void SoaException::setMessage(const std::string& message) {
  message_ = Korvane::Soa::Common::Xml::excerpt(message, kMaxMessageBytes);
}
const std::string& SoaException::getMessage() const {
  return message_;
}
std::string SoaException::getNamespace() const {
  return kNamespace;
}
std::string SoaException::getLocalName() const {
  return "SoaException";
}

std::string ServiceException::getLocalName() const {
  return "ServiceException";
}
std::string InternalServerException::getLocalName() const {
  return "InternalServerException";
}
std::string ConnectionException::getLocalName() const {
  return "ConnectionException";
}
std::string ProtocolException::getLocalName() const {
  return "ProtocolException";
}
std::string InvalidCredentialsException::getLocalName() const {
  return "InvalidCredentialsException";
}
std::string InvalidUserException::getLocalName() const {
  return "InvalidUserException";
}

}  // namespace Exceptions
}  // namespace _2006_03
}  // namespace Soa
}  // namespace Schemas

namespace Soa {
namespace Common {
namespace Exceptions {

namespace WireExceptions = Korvane::Schemas::Soa::_2006_03::Exceptions;

DomException::DomException(const std::string& message)
    : message_(Xml::excerpt(message, WireExceptions::SoaException::kMaxMessageBytes)) {}

void DomException::setMessage(const std::string& message) {
  message_ = Xml::excerpt(message, WireExceptions::SoaException::kMaxMessageBytes);
}

void ExceptionMapper::writeSoaException(WireExceptions::SoaException& exception,
                                        std::ostream& out) {
  Xml::XmlStream document;
  document.startElement(exception.getLocalName());
  document.attribute("xmlns", exception.getNamespace());
  document.attribute("message", exception.getMessage());
  if (auto* service = dynamic_cast<WireExceptions::ServiceException*>(&exception)) {
    if (service->isCodeSet()) {
      document.attribute("code", service->getCode());
    }
    if (service->isLevelSet()) {
      document.attribute("level", service->getLevel());
    }
    for (const std::string& detail : service->getDetails()) {
      document.textElement("detail", detail);
    }
  } else if (auto* user = dynamic_cast<WireExceptions::InvalidUserException*>(&exception)) {
    document.attribute("code", user->getCode());
    document.attribute("level", user->getLevel());
    document.attribute("userName", user->getUserName());
  }
  document.endElement();
  out << document.takeText();
}

}  // namespace Exceptions
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane
