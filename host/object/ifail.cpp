#include "host/object/ifail.h"

#include "host/object/error_store.h"

IFail::IFail(int code) : code_(code) {
  if (code == 0) {
    return;
  }
  const auto& entries = host::errorStore().entries();
  if (entries.empty() || entries.back().code != code) {
    host::errorStore().push(EMH_severity_error, code, {});
  }
}

std::string IFail::getMessage() const {
  return host::formatMessage(code_, {});
}

// Storing is the constructor's: the status is stored unless the newest entry explains it.
ResultStatus& ResultStatus::operator=(int status) {
  status_ = status;
  if (status != 0) {
    throw IFail(status);
  }
  return *this;
}
