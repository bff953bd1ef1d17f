// The host's exception and the status holders that raise it.
#pragma once

#include <string>

// Host status codes that more than one part of the host and the library use.
enum : int {
  HOST_ok = 0,
  // A tag without a (live) object; also "no property" in attribute-mapping resolution.
  POM_invalid_tag = 7007,
  // A live object of another class than the one asked for.
  POM_wrong_class = 7008,
};

// Severities of the error store.
enum : int { EMH_severity_information = 1, EMH_severity_warning = 2, EMH_severity_error = 3 };

// The host's exception. It carries only the failing status; the details of a failure are on
// the host's error store (ERROR_store and its siblings), which is where callers read them.
class IFail {
 public:
  explicit IFail(int code) : code_(code) {}
  int ifail() const { return code_; }
  // The message text of the code from the host's message store.
  std::string getMessage() const;

 private:
  int code_;
};

// A status holder: assigning a non-zero status raises IFail with it. Before raising, the status
// is put on the error store (severity 3) unless the store's newest entry already has that code,
// so that every IFail raised through a status holder is explained on the store.
class ResultStatus {
 public:
  ResultStatus() = default;
  ResultStatus(int status) { *this = status; }
  ResultStatus& operator=(int status);
  int value() const { return status_; }
  operator int() const { return status_; }

 private:
  int status_ = 0;
};

// The same for statuses of the object manager (POM_ calls).
class PomResultStatus : public ResultStatus {
 public:
  PomResultStatus() = default;
  PomResultStatus(int status) : ResultStatus(status) {}
  PomResultStatus& operator=(int status) {
    ResultStatus::operator=(status);
    return *this;
  }
};

using status_t = ResultStatus;
