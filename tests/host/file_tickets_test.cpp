// Write tickets of the host's file management stand-in.
#include "host/object/file_tickets.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/object/dataset_write.h"
#include "host/object/error_store.h"
#include "tests/support/host_fixture.h"

namespace {

// Records the callbacks with the error store's newest code at that moment.
class Recorder : public KvErrorHandler {
 public:
  void errorOccuredWithIndex(int code, int index) override {
    calls.emplace_back(index, code);
    stored.push_back(ERROR_store_ask_last_ifail());
  }
  std::vector<std::pair<int, int>> calls;
  std::vector<int> stored;
};

class FileTicketsTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    load(R"(<fixture><object uid="dt" class="DatasetType" type="DatasetType">
      <prop name="datasettype_name" value="Text"/></object></fixture>)");
  }
  std::vector<ZOF_write_ticket_request_info_s> requests(const std::vector<const char*>& names) {
    std::vector<ZOF_write_ticket_request_info_s> list(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      list[i].fileName = names[i];
      list[i].extension = "txt";
    }
    return list;
  }
  std::vector<int> results;
  std::vector<std::string> fileNames;
  std::vector<std::string> tickets;
};

TEST_F(FileTicketsTest, UnknownDatasetTypeFailsTheWholeCall) {
  const auto list = requests({"a.txt"});
  results = {7};
  EXPECT_EQ(FileTickets::getWriteFileTickets(String("Nope"), 1, 1, list.data(), results, fileNames,
                                             tickets, nullptr),
            AE_invalid_datasettype);
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(tickets.empty());
  EXPECT_EQ(FileTickets::getWriteFileTickets(String("Text"), 1, 1, nullptr, results, fileNames,
                                             tickets, nullptr),
            7017);
}

}  // namespace
