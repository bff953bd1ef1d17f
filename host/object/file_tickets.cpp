#include "host/object/file_tickets.h"

#include <cstdio>

#include "host/object/dataset_write.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace {

const host::BaseFixturePart kFileMessages("file_tickets", R"(<fixture>
  <message code="60001" text="The file %1$ cannot be written."/>
</fixture>)");

const host::ResetHook kResetFileManagement([] { host::fileManagement().clear(); });

std::string textOf(const char* text) {
  return text == nullptr ? std::string() : std::string(text);
}

}  // namespace

void KvErrorHandler::errorOccured(int) {}

void KvErrorHandler::errorOccuredWithTag(int, const Tag&) {}

void KvErrorHandler::errorOccuredWithIndex(int, int) {}

int FileTickets::getWriteFileTickets(String datasetTypeName, int version, int count,
                                     const ZOF_write_ticket_request_info_s* requests,
                                     std::vector<int>& results, std::vector<std::string>& fileNames,
                                     std::vector<std::string>& tickets, KvErrorHandler* handler) {
  results.clear();
  fileNames.clear();
  tickets.clear();
  if (count < 0 || (count > 0 && requests == nullptr)) {
    return host::missingArgument("FileTickets::getWriteFileTickets");
  }
  HOST_CALL("FileTickets::getWriteFileTickets", NULLTAG);
  if (host::findDatasetType(datasetTypeName.str()) == NULLTAG) {
    return host::storeError(AE_invalid_datasettype, {datasetTypeName.str()});
  }
  host::FileManagement& files = host::fileManagement();
  std::vector<host::TicketRequest> received;
  for (int i = 0; i < count; ++i) {
    received.push_back({datasetTypeName.str(), version, requests[i].fileType,
                        textOf(requests[i].fileName), textOf(requests[i].datasetName),
                        textOf(requests[i].namedReference), textOf(requests[i].extension)});
  }
  files.setLastRequests(std::move(received));
  for (int i = 0; i < count; ++i) {
    const std::string name = textOf(requests[i].fileName);
    const int refusal = name.empty() ? FMS_file_refused : files.refusal(name);
    fileNames.push_back(name);
    results.push_back(refusal);
    tickets.push_back(refusal == 0 ? files.nextTicket() : std::string());
    if (refusal != 0) {
      host::storeError(refusal, {name});
      if (handler != nullptr) {
        handler->errorOccuredWithIndex(refusal, i);
      }
    }
  }
  return 0;
}

namespace host {

int FileManagement::refusal(const std::string& fileName) const {
  auto found = refused_.find(fileName);
  return found == refused_.end() ? 0 : found->second;
}

std::string FileManagement::nextTicket() {
  char text[16];
  std::snprintf(text, sizeof text, "W%010llu", ++tickets_);
  return text;
}

void FileManagement::clear() {
  refused_.clear();
  tickets_ = 0;
  lastRequests_.clear();
}

FileManagement& fileManagement() {
  static FileManagement state;
  return state;
}

}  // namespace host
