#include "host/object/journal.h"

#include "host/object/store.h"

namespace {

const host::ResetHook kResetJournal([] { host::journal().clear(); });

}  // namespace

Journal::~Journal() {
  if (entered_) {
    host::journal().leave();
  }
}

void Journal::call() {
  if (!entered_) {
    entered_ = true;
    host::journal().enter(module_, step_);
  }
}

namespace host {

void JournalLog::enter(int module, const char* step) {
  if (entries_.size() == kMaxEntries) {
    entries_.pop_front();
  }
  entries_.push_back(JournalEntry{module, step, open_});
  ++open_;
}

void JournalLog::leave() {
  // A reset while a scope was open has already forgotten it.
  if (open_ > 0) {
    --open_;
  }
}

std::vector<std::string> JournalLog::steps() const {
  std::vector<std::string> result;
  for (const JournalEntry& entry : entries_) {
    result.emplace_back(entry.step);
  }
  return result;
}

JournalLog& journal() {
  static JournalLog log;
  return log;
}

}  // namespace host
