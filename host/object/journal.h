// The host's journal: trace scopes that mark a module's entry into a step and the exit from it.
//
// A scope is made on the stack with the module id and the step's name, and call() marks the
// entry; the exit is marked when the scope ends, however it is left (return or exception), so
// the journal's nesting always matches the call nesting. The stand-in keeps the marks in
// host::journal() for tests; the platform writes them to its trace file when tracing is on.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

class Journal {
 public:
  // REQUIRES: `step` outlives the scope (the callers pass literals).
  Journal(int module, const char* step) : module_(module), step_(step) {}
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Marks the entry into the step; a second call marks nothing more.
  void call();

 private:
  int module_;
  const char* step_;
  bool entered_ = false;
};

namespace host {

// One entry mark. `step` points at the text the scope was given.
struct JournalEntry {
  int module;
  const char* step;
  int depth;  // Scopes open around this one when it was entered.
};

// The entry marks since the last clear, oldest first (at most kMaxEntries: the oldest are
// dropped beyond), and the number of scopes entered and not yet left.
class JournalLog {
 public:
  static constexpr std::size_t kMaxEntries = 1u << 16;

  void enter(int module, const char* step);
  void leave();
  void clear() {
    entries_.clear();
    open_ = 0;
  }

  const std::deque<JournalEntry>& entries() const { return entries_; }
  // The steps entered, oldest first.
  std::vector<std::string> steps() const;
  int openScopes() const { return open_; }

 private:
  std::deque<JournalEntry> entries_;
  int open_ = 0;
};

// The process's journal; emptied by Store::reset().
JournalLog& journal();

}  // namespace host

SOACAD_API_END
