#include "host/object/host_call.h"

#include "host/object/error_store.h"

namespace host {

std::vector<std::string> CallLog::names(Tag tag) const {
  std::vector<std::string> result;
  for (const LoggedCall& call : entries_) {
    if (tag == NULLTAG || call.tag == tag) {
      result.emplace_back(call.name);
    }
  }
  return result;
}

int CallLog::count(const std::string& name) const {
  int result = 0;
  for (const LoggedCall& call : entries_) {
    if (name == call.name) {
      ++result;
    }
  }
  return result;
}

void FaultPlan::fail(const std::string& call, int code, int nth, Tag tag) {
  entries_.push_back(Entry{call, code, nth, tag, 0});
}

void FaultPlan::nullResult(const std::string& call, int nth, Tag tag) {
  entries_.push_back(Entry{call, 0, nth, tag, 0});
}

CallVerdict FaultPlan::ask(const char* call, Tag tag) {
  const Entry* firing = nullptr;
  for (Entry& entry : entries_) {
    if (entry.call != call || (entry.tag != NULLTAG && entry.tag != tag)) {
      continue;
    }
    ++entry.seen;
    if (firing == nullptr && (entry.nth <= 0 || entry.seen == entry.nth)) {
      firing = &entry;
    }
  }
  if (firing == nullptr) {
    return CallVerdict{};
  }
  if (firing->code != 0) {
    ERROR_store(EMH_severity_error, firing->code);
  }
  return CallVerdict{false, firing->code};
}

CallLog& callLog() {
  static CallLog log;
  return log;
}

FaultPlan& faultPlan() {
  static FaultPlan plan;
  return plan;
}

}  // namespace host
