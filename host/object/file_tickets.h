// The host's file management, as far as saving files goes: write tickets for the files that a
// client is to upload into a dataset.
//
// In the stand-in a ticket is an opaque text ("W" and ten digits, unique until the next reset);
// nothing is uploaded. A file is refused when its name is empty or when a test has named it with
// host::fileManagement().refuse(): the request gets a non-zero result and an empty ticket, its
// error is put on the error store and the error handler is called back with the request's index.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // A file that the file management will not take (a refused or empty file name).
  FMS_file_refused = 60001,
};

enum : int {
  // Kinds of file in a write-ticket request.
  ZOF_text_file = 4096,
  ZOF_binary_file = 8192,
};

// One file to be written. The texts belong to the caller and must stay alive until the ticket
// call returns.
struct ZOF_write_ticket_request_info_s {
  int fileType = ZOF_binary_file;
  const char* fileName = nullptr;
  const char* datasetName = nullptr;
  const char* namedReference = nullptr;
  // The text of the file name after its last ".", empty when it has none.
  const char* extension = nullptr;
};

// The host's text class, as the file management takes its arguments.
class String {
 public:
  String() = default;
  String(const char* text) : text_(text == nullptr ? "" : text) {}
  String(const std::string& text) : text_(text) {}
  const char* c_str() const { return text_.c_str(); }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

// Receives the failures of a host operation that works on several things at once. The host
// puts each failure on the error store before it calls back. Every callback does nothing unless
// a subclass overrides it.
class KvErrorHandler {
 public:
  KvErrorHandler() = default;
  KvErrorHandler(const KvErrorHandler&) = default;
  KvErrorHandler& operator=(const KvErrorHandler&) = default;

  virtual void errorOccured(int code);
  virtual void errorOccuredWithTag(int code, const Tag& object);
  // The request at `index` (0-based, in request order) failed with `code`.
  virtual void errorOccuredWithIndex(int code, int index);
  virtual ~KvErrorHandler() = default;
};

class FileTickets {
 public:
  FileTickets() = delete;

  // One write ticket per request for version `version` of a dataset of the type
  // `datasetTypeName`: `results`, `fileNames` and `tickets` are replaced by one entry per
  // request, in request order (result 0 and the ticket, or the failure code and an empty
  // ticket); `fileNames` are the requests' file names. `handler` (may be null) is called back
  // for each refused request. Fails as a whole, answering nothing, with AE_invalid_datasettype
  // for a name that names no dataset type and POM_invalid_argument for a negative count or
  // missing requests.
  static int getWriteFileTickets(String datasetTypeName, int version, int count,
                                 const ZOF_write_ticket_request_info_s* requests,
                                 std::vector<int>& results, std::vector<std::string>& fileNames,
                                 std::vector<std::string>& tickets, KvErrorHandler* handler);
};

namespace host {

// One request as the file management received it (for tests to read back).
struct TicketRequest {
  std::string datasetType;
  int version = 0;
  int fileType = 0;
  std::string fileName;
  std::string datasetName;
  std::string namedReference;
  std::string extension;
};

// What the file management refuses, and the tickets it handed out. Emptied by every reset.
class FileManagement {
 public:
  // The requests of the newest ticket call that got past its argument checks.
  const std::vector<TicketRequest>& lastRequests() const { return lastRequests_; }
  void setLastRequests(std::vector<TicketRequest> requests) { lastRequests_ = std::move(requests); }

  // Requests for a file of this name are refused with `code`.
  void refuse(const std::string& fileName, int code = FMS_file_refused) {
    refused_[fileName] = code;
  }
  // The failure code for a file name; 0 when it is taken.
  int refusal(const std::string& fileName) const;
  // A new, unique ticket.
  std::string nextTicket();
  void clear();

 private:
  std::map<std::string, int> refused_;
  unsigned long long tickets_ = 0;
  std::vector<TicketRequest> lastRequests_;
};

FileManagement& fileManagement();

}  // namespace host

SOACAD_API_END
