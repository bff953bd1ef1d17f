// The wire exception records (what a fault document carries), the server ServiceException that
// an operation throws to fail a whole call, DomException for wire values that cannot be
// converted, and ExceptionMapper, which writes a wire exception as a fault document.
//
// All of them are copied by value; copy and assignment are member-wise.
//
// Messages are bounded: a message longer than kMaxMessageBytes, or one holding what is not
// printable UTF-8, is kept as Xml::excerpt() shows it (framework/xml_parse_error.h), so that no
// request can make a fault, or the line the host logs for it, as long as itself. Messages that
// quote request text cut what they quote shorter still (at XmlParseError::kQuotedBytes).
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Schemas {
namespace Soa {
namespace _2006_03 {
namespace Exceptions {

// Base of the wire exceptions. Every class below answers its own local name; all share one
// namespace (kNamespace), which the fault document declares.
class SoaException {
 public:
  static const char* const kNamespace;
  // The longest message kept whole: far above any message the services and the dispatcher
  // form (the longest, a request's parse fault, quotes a cause of at most 512 bytes).
  static constexpr std::size_t kMaxMessageBytes = 1024;

  SoaException() = default;
  explicit SoaException(const std::string& message);
  SoaException(const SoaException&) = default;
  SoaException& operator=(const SoaException&) = default;
  virtual ~SoaException() = default;

  virtual void setMessage(const std::string& message);
  virtual const std::string& getMessage() const;
  virtual std::string getNamespace() const;
  virtual std::string getLocalName() const;

 private:
  std::string message_;
};

// A failed service call. Besides the message it carries the details behind the failure: the
// messages of the host's error stack (oldest first) and, when known, the host's error code and
// severity of the newest entry, as decimal text.
class ServiceException : public SoaException {
 public:
  ServiceException() = default;
  explicit ServiceException(const std::string& message) : SoaException(message) {}
  ServiceException(const ServiceException&) = default;
  ServiceException& operator=(const ServiceException&) = default;
  ~ServiceException() override = default;

  std::string getLocalName() const override;

  const std::vector<std::string>& getDetails() const { return details_; }
  void setDetails(const std::vector<std::string>& details) { details_ = details; }
  void addDetail(const std::string& detail) { details_.push_back(detail); }
  const std::string& getCode() const { return code_; }
  bool isCodeSet() const { return codeSet_; }
  void setCode(const std::string& code) {
    code_ = code;
    codeSet_ = true;
  }
  const std::string& getLevel() const { return level_; }
  bool isLevelSet() const { return levelSet_; }
  void setLevel(const std::string& level) {
    level_ = level;
    levelSet_ = true;
  }

 private:
  std::vector<std::string> details_;
  std::string code_;
  bool codeSet_ = false;
  std::string level_;
  bool levelSet_ = false;
};

class InternalServerException : public SoaException {
 public:
  using SoaException::SoaException;
  InternalServerException() = default;
  InternalServerException(const InternalServerException&) = default;
  InternalServerException& operator=(const InternalServerException&) = default;
  ~InternalServerException() override = default;
  std::string getLocalName() const override;
};

class ConnectionException : public InternalServerException {
 public:
  using InternalServerException::InternalServerException;
  ConnectionException() = default;
  ConnectionException(const ConnectionException&) = default;
  ConnectionException& operator=(const ConnectionException&) = default;
  ~ConnectionException() override = default;
  std::string getLocalName() const override;
};

class ProtocolException : public InternalServerException {
 public:
  using InternalServerException::InternalServerException;
  ProtocolException() = default;
  ProtocolException(const ProtocolException&) = default;
  ProtocolException& operator=(const ProtocolException&) = default;
  ~ProtocolException() override = default;
  std::string getLocalName() const override;
};

class InvalidCredentialsException : public SoaException {
 public:
  using SoaException::SoaException;
  InvalidCredentialsException() = default;
  InvalidCredentialsException(const InvalidCredentialsException&) = default;
  InvalidCredentialsException& operator=(const InvalidCredentialsException&) = default;
  ~InvalidCredentialsException() override = default;
  std::string getLocalName() const override;
};

// A user that the server does not accept: the host's error code and severity, and the user name.
class InvalidUserException : public SoaException {
 public:
  using SoaException::SoaException;
  InvalidUserException() = default;
  InvalidUserException(const InvalidUserException&) = default;
  InvalidUserException& operator=(const InvalidUserException&) = default;
  ~InvalidUserException() override = default;
  std::string getLocalName() const override;

  int getCode() const { return code_; }
  void setCode(int code) { code_ = code; }
  int getLevel() const { return level_; }
  void setLevel(int level) { level_ = level; }
  const std::string& getUserName() const { return userName_; }
  void setUserName(const std::string& userName) { userName_ = userName; }

 private:
  int code_ = 0;
  int level_ = 0;
  std::string userName_;
};

}  // namespace Exceptions
}  // namespace _2006_03
}  // namespace Soa
}  // namespace Schemas

namespace Soa {
namespace Server {

// The exception an operation throws to fail its whole call. The default constructor describes
// the failure that is on the host's error store: it takes the store's messages as details, the
// newest entry's message, code and severity, and clears the store (so the entries reach no later
// error stack). With an empty store the message is kDefaultMessage. The constructor from a
// message keeps that message and takes the store's entries, code and severity the same way.
class ServiceException : public Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException {
 public:
  static const char* const kDefaultMessage;

  ServiceException();
  explicit ServiceException(const std::string& message);
  ServiceException(const ServiceException&) = default;
  ServiceException& operator=(const ServiceException&) = default;
  ~ServiceException() override = default;

  // The object itself as the wire exception; changes through it are changes of this object.
  Korvane::Schemas::Soa::_2006_03::Exceptions::ServiceException& getWireData() { return *this; }
};

}  // namespace Server

namespace Common {
namespace Exceptions {

// A wire value that cannot be converted, e.g. an enumeration text outside its list. Its message
// is bounded as a wire exception's is.
class DomException {
 public:
  explicit DomException(const std::string& message);
  DomException(const DomException&) = default;
  DomException& operator=(const DomException&) = default;

  virtual void setMessage(const std::string& message);
  virtual const std::string& getMessage() { return message_; }

 private:
  std::string message_;
};

// Writes wire exceptions as fault documents.
class ExceptionMapper {
 public:
  // Writes `exception` as one well-formed XML element named by its local name, declaring its
  // namespace, with the message and the class's own fields as attributes and the details of a
  // ServiceException as <detail> children; every value is escaped.
  static void writeSoaException(
      Korvane::Schemas::Soa::_2006_03::Exceptions::SoaException& exception, std::ostream& out);
};

}  // namespace Exceptions
}  // namespace Common
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
