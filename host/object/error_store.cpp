#include "host/object/error_store.h"

#include <utility>

#include "framework/xml_parse_error.h"
#include "host/object/store.h"

namespace host {

void ErrorStore::push(int severity, int code, std::vector<std::string> texts) {
  ErrorEntry entry;
  entry.severity = severity;
  entry.code = code;
  entry.message = formatMessage(code, texts);
  entry.texts = std::move(texts);
  entries_.push_back(std::move(entry));
  arraysCurrent_ = false;
}

void ErrorStore::clear() {
  entries_.clear();
  arraysCurrent_ = false;
}

std::vector<ErrorEntry> ErrorStore::takeSnapshot() {
  std::vector<ErrorEntry> snapshot;
  snapshot.swap(entries_);
  arraysCurrent_ = false;
  return snapshot;
}

void ErrorStore::ask(int* count, const int** severities, const int** ifails, const char*** texts) {
  if (!arraysCurrent_) {
    severities_.clear();
    codes_.clear();
    messages_.clear();
    for (const ErrorEntry& entry : entries_) {
      severities_.push_back(entry.severity);
      codes_.push_back(entry.code);
      messages_.push_back(entry.message.c_str());
    }
    arraysCurrent_ = true;
  }
  if (count != nullptr) {
    *count = static_cast<int>(entries_.size());
  }
  if (severities != nullptr) {
    *severities = severities_.data();
  }
  if (ifails != nullptr) {
    *ifails = codes_.data();
  }
  if (texts != nullptr) {
    *texts = messages_.data();
  }
}

ErrorStore& errorStore() {
  static ErrorStore store;
  return store;
}

std::string formatMessage(int code, const std::vector<std::string>& texts) {
  const std::string* pattern = Store::instance().messageTemplate(code);
  std::string message;
  if (pattern == nullptr) {
    message = "Error " + std::to_string(code);
    for (std::size_t i = 0; i < texts.size(); ++i) {
      message += i == 0 ? ": " : ", ";
      message += Korvane::Soa::Common::Xml::excerpt(texts[i], kMaxMessageTextBytes);
    }
    return message;
  }
  // "%N$" (N = 1..9) is the Nth text; every other character is copied as it is.
  for (std::size_t i = 0; i < pattern->size(); ++i) {
    const char c = (*pattern)[i];
    if (c == '%' && i + 2 < pattern->size() && (*pattern)[i + 1] >= '1' &&
        (*pattern)[i + 1] <= '9' && (*pattern)[i + 2] == '$') {
      const std::size_t index = static_cast<std::size_t>((*pattern)[i + 1] - '1');
      if (index < texts.size()) {
        message += Korvane::Soa::Common::Xml::excerpt(texts[index], kMaxMessageTextBytes);
      }
      i += 2;
    } else {
      message += c;
    }
  }
  return message;
}

}  // namespace host

int ERROR_store(int severity, int code, const char* text1, const char* text2, const char* text3,
                const char* text4, const char* text5, const char* text6, const char* text7) {
  std::vector<std::string> texts;
  for (const char* text : {text1, text2, text3, text4, text5, text6, text7}) {
    if (text == nullptr) {
      break;
    }
    texts.emplace_back(text);
  }
  host::errorStore().push(severity, code, std::move(texts));
  return 0;
}

int ERROR_store_clear() {
  host::errorStore().clear();
  return 0;
}

int ERROR_store_ask(int* count, const int** severities, const int** ifails, const char*** texts,
                    const void* /*reserved*/) {
  host::errorStore().ask(count, severities, ifails, texts);
  return 0;
}

int ERROR_store_ask_last_ifail() {
  const auto& entries = host::errorStore().entries();
  return entries.empty() ? 0 : entries.back().code;
}
