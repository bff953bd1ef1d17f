// The host's exception and the status holders that raise it.
#pragma once

#include <string>

#include "framework/visibility.h"

SOACAD_API_BEGIN

// Host status codes that more than one part of the host and the library use. The texts of
// these codes are in the base message store (see host/README.md).
enum : int {
  HOST_ok = 0,
  // A tag without a (live) object; also "no property" in attribute-mapping resolution.
  POM_invalid_tag = 7007,
  // A live object of another class than the one asked for.
  POM_wrong_class = 7008,
  // A class id or class name that names no class.
  POM_no_such_class = 7010,
  // A property name that the object's class does not define.
  POM_no_such_property = 7011,
  // A getter or setter of another value type or arity than the property's.
  POM_wrong_value_type = 7012,
  // A value that the property's type cannot hold (for example a date out of range).
  POM_invalid_value = 7013,
  // A write to an object that the session has not locked.
  POM_not_locked = 7014,
  // A lock, write or deletion of an object that is not modifiable.
  POM_not_modifiable = 7015,
  // A mark point id that is not (or no longer) placed.
  POM_invalid_markpoint = 7016,
  // A null pointer or name where the call needs one.
  POM_invalid_argument = 7017,
  // An object UID that is already taken.
  POM_duplicate_uid = 7018,
  // A store counter that has handed out its last number (Store::kMaxCount).
  POM_counter_exhausted = 7019,
  // A write through the generic setters of a property they may not write (what identifies an
  // object, who owns it, a reference that ties it into a structure): only its host call does.
  POM_property_not_modifiable = 7020,
};

// Severities of the error store.
enum : int { EMH_severity_information = 1, EMH_severity_warning = 2, EMH_severity_error = 3 };

// The host's exception. It carries only the failing status; the details of a failure are on
// the host's error store (ERROR_store and its siblings), which is where callers read them.
//
// Constructing an IFail with a non-zero code puts that code on the error store (severity 3,
// no texts) unless the store's newest entry already has it. So every IFail, raised through a
// status holder or thrown bare, is explained on the store, and a handler that takes the store
// (PartialErrors::addErrorStack) never finds it empty after a failure.
class IFail {
 public:
  explicit IFail(int code);
  int ifail() const { return code_; }
  // The message text of the code from the host's message store, its parameters left empty.
  std::string getMessage() const;

 private:
  int code_;
};

// A status holder: assigning a non-zero status raises IFail with it. Before raising, the status
// is put on the error store (severity 3) unless the store's newest entry already has that code,
// so that every IFail raised through a status holder is explained on the store.
class ResultStatus {
 public:
  // The success status, for comparisons with the statuses that host calls return.
  static constexpr int OK = 0;

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

SOACAD_API_END
