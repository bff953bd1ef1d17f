// Entry into a host call: the call log and the fault plan.
//
// Every host C function that answers a status begins with HOST_CALL(name, tag), after it has
// set its out-arguments to their null values. The line appends (name, tag) to the call log and
// asks the fault plan, which may make the call fail with a code (stored on the error store and
// returned) or succeed with its null result (the out-arguments as set, status 0, nothing done).
// Tests arm the plan and read the log; with an empty plan the check is one branch, so
// benchmarks run through it at no noticeable cost.
//
// Not logged and never failed: the error store (ERROR_), the allocator (SM_, MEM_), the string
// helpers (zolt_str*) and ZOLT_getenv. The host stand-in is single-threaded, like the library.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "host/object/tag.h"

namespace host {

// One logged call. `name` points at the literal that the call passed.
struct LoggedCall {
  const char* name;
  Tag tag;
};

// The calls made since the last clear, oldest first. Holds at most kMaxEntries (the oldest are
// dropped beyond), so a long-running host program cannot grow it without bound.
class CallLog {
 public:
  static constexpr std::size_t kMaxEntries = 1u << 16;

  void record(const char* name, Tag tag) {
    if (!enabled_) {
      return;
    }
    if (entries_.size() == kMaxEntries) {
      entries_.pop_front();
    }
    entries_.push_back(LoggedCall{name, tag});
  }
  void clear() { entries_.clear(); }
  // Off: record() keeps nothing (benchmarks that make millions of calls).
  void setEnabled(bool enabled) { enabled_ = enabled; }

  const std::deque<LoggedCall>& entries() const { return entries_; }
  // The names in order; with `tag` not null only the calls made for that tag.
  std::vector<std::string> names(Tag tag = NULLTAG) const;
  // How many times `name` was called.
  int count(const std::string& name) const;

 private:
  std::deque<LoggedCall> entries_;
  bool enabled_ = true;
};

// What a host call does after asking the plan.
struct CallVerdict {
  bool proceed = true;
  int status = 0;  // When not proceeding: the status to return (0 = null result).
};

// Armed faults. An entry matches calls of one name (and, when `tag` is not null, only those
// made for that tag); it fires on every matching call, or when `nth` is positive only on the
// nth matching call after it was armed (counted from 1). The first firing entry decides.
class FaultPlan {
 public:
  // The call fails: (3, code) goes on the error store and the call returns `code`.
  void fail(const std::string& call, int code, int nth = 0, Tag tag = NULLTAG);
  // The call succeeds doing nothing, its out-arguments null (0, null tag, null pointer, empty).
  void nullResult(const std::string& call, int nth = 0, Tag tag = NULLTAG);
  void clear() { entries_.clear(); }
  bool empty() const { return entries_.empty(); }

  CallVerdict ask(const char* call, Tag tag);

 private:
  struct Entry {
    std::string call;
    int code = 0;  // 0: null result.
    int nth = 0;
    Tag tag;
    int seen = 0;
  };
  std::vector<Entry> entries_;
};

CallLog& callLog();
FaultPlan& faultPlan();

// Logs the call and asks the plan (HOST_CALL's body).
inline CallVerdict enterCall(const char* name, Tag tag) {
  callLog().record(name, tag);
  FaultPlan& plan = faultPlan();
  if (plan.empty()) {
    return CallVerdict{};
  }
  return plan.ask(name, tag);
}

}  // namespace host

// First line of a host call that returns an int status (see the file comment).
#define HOST_CALL(name, tag)                                               \
  do {                                                                     \
    const ::host::CallVerdict hostVerdict_ = ::host::enterCall(name, tag); \
    if (!hostVerdict_.proceed) {                                           \
      return hostVerdict_.status;                                          \
    }                                                                      \
  } while (0)
