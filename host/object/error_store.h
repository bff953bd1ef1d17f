// The host's error store and message store.
//
// A failing host call pushes (severity, code, texts) onto the error store and returns the code;
// the library reads the store when it records an error stack and empties it afterwards. Each
// entry's message is formatted when it is stored: the code's template from the message store
// with "%1$" ... "%9$" replaced by the texts (a missing text gives nothing), or, for a code
// without a template, "Error <code>" followed by ": " and the texts joined by ", " when there
// are texts. The texts are often request text (UIDs, ids, names): each is put in as
// Korvane::Soa::Common::Xml::excerpt shows it (cut after host::kMaxMessageTextBytes, what is
// not printable escaped), so that a message stays short whatever a request holds.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/ifail.h"

SOACAD_API_BEGIN

// Pushes an entry. Texts after the first null one are ignored. Returns 0.
int ERROR_store(int severity, int code, const char* text1 = nullptr, const char* text2 = nullptr,
                const char* text3 = nullptr, const char* text4 = nullptr,
                const char* text5 = nullptr, const char* text6 = nullptr,
                const char* text7 = nullptr);
// Empties the store. Returns 0.
int ERROR_store_clear();
// The entries, oldest first: their count and parallel arrays of severities, codes and
// formatted messages. The arrays belong to the host and stay valid until the store next
// changes. Any out-argument may be null. `reserved` is accepted for callers that pass a fifth
// argument and must be null. Returns 0.
int ERROR_store_ask(int* count, const int** severities, const int** ifails, const char*** texts,
                    const void* reserved = nullptr);
// The code of the newest entry, 0 when the store is empty.
int ERROR_store_ask_last_ifail();

namespace host {

// The most of one text that a message shows. Texts are names, ids and UIDs (a few dozen bytes at
// most) and the short phrases the library composes to name what a value broke (under 100
// bytes); what is longer is request text, cut here.
constexpr std::size_t kMaxMessageTextBytes = 128;

struct ErrorEntry {
  int severity = 0;
  int code = 0;
  std::vector<std::string> texts;
  std::string message;
};

class ErrorStore {
 public:
  void push(int severity, int code, std::vector<std::string> texts);
  void clear();
  const std::vector<ErrorEntry>& entries() const { return entries_; }
  bool empty() const { return entries_.empty(); }
  // The entries, oldest first, and the store emptied: what one error stack takes.
  std::vector<ErrorEntry> takeSnapshot();

  // Backing arrays of ERROR_store_ask, rebuilt after a change.
  void ask(int* count, const int** severities, const int** ifails, const char*** texts);

 private:
  std::vector<ErrorEntry> entries_;
  bool arraysCurrent_ = false;
  std::vector<int> severities_;
  std::vector<int> codes_;
  std::vector<const char*> messages_;
};

ErrorStore& errorStore();

// The message of `code` with `texts` filled in (see the file comment).
std::string formatMessage(int code, const std::vector<std::string>& texts);

}  // namespace host

SOACAD_API_END
