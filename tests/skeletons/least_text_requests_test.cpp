// Valid requests with the least text per input, for every operation of the three services, at
// sizes from one input to a hundred thousand: none is refused by the bound on what reading a
// request may hold. Such inputs make records of up to about a hundred and fifty times their text,
// far more than the eight times a request may hold past the floor, so these are the requests that
// the floor serves. The service may answer an input with a partial error (a bare record names
// nothing); what matters here is that the request is read. Up to a thousand inputs go through the
// host's dispatcher against the demo store; larger requests are read into their input record as
// the request handlers read them (under a Reading, charged), without running the service.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/base_records.h"
#include "framework/sax_to_node_parser.h"
#include "host/program/demo_store.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XmlParseError;
using soacad_test::kDataManagementService;
using soacad_test::kStructureManagementService;

const char* const kConfiguredService = "Cad-2007-06-StructureManagement";

// An operation's request with its inputs: `head`, `count` copies of `input`, then `tail`. An
// input is the least text it can be: a record's element alone (no attribute, no child: every
// field at its default) or an object reference by its UID alone. An operation without inputs has
// an empty `input` and is sent as it is.
struct LeastText {
  const char* service;
  const char* operation;
  const char* record;  // The input record, the request's root.
  const char* head;
  const char* input;
  const char* tail;

  std::string request(int count) const {
    std::string text = head;
    for (int i = 0; i < count; ++i) {
      text += input;
    }
    return text + tail;
  }
};

const LeastText kOperations[] = {
    {kDataManagementService, "getAvailableTypes", "GetAvailableTypesInput",
     "<GetAvailableTypesInput>", "<classe/>", "</GetAvailableTypesInput>"},
    {kDataManagementService, "generateAlternateIds", "GenerateAlternateIdsInput",
     "<GenerateAlternateIdsInput>", "<input/>", "</GenerateAlternateIdsInput>"},
    {kDataManagementService, "createOrUpdateParts", "CreateOrUpdatePartsInput",
     "<CreateOrUpdatePartsInput>", "<info/>", "</CreateOrUpdatePartsInput>"},
    {kDataManagementService, "expandGRMRelations", "ExpandGRMRelationsInput",
     "<ExpandGRMRelationsInput>", "<object uid=\"i.000100\"/>", "</ExpandGRMRelationsInput>"},
    {kDataManagementService, "expandPrimaryObjects", "ExpandPrimaryObjectsInput",
     "<ExpandPrimaryObjectsInput>", "<object uid=\"r.000100.B\"/>", "</ExpandPrimaryObjectsInput>"},
    {kDataManagementService, "expandFoldersForCAD", "ExpandFoldersForCADInput",
     "<ExpandFoldersForCADInput>", "<folder uid=\"f.gearbox\"/>", "</ExpandFoldersForCADInput>"},
    {kDataManagementService, "createOrUpdateRelations", "CreateOrUpdateRelationsInput",
     "<CreateOrUpdateRelationsInput>", "<info/>", "</CreateOrUpdateRelationsInput>"},
    {kDataManagementService, "getAllAttrMappings", "GetAllAttrMappingsInput",
     "<GetAllAttrMappingsInput/>", "", ""},
    {kDataManagementService, "getAttrMappingsForDatasetType", "GetAttrMappingsForDatasetTypeInput",
     "<GetAttrMappingsForDatasetTypeInput>", "<info/>", "</GetAttrMappingsForDatasetTypeInput>"},
    {kDataManagementService, "resolveAttrMappingsForDataset", "ResolveAttrMappingsForDatasetInput",
     "<ResolveAttrMappingsForDatasetInput>", "<info/>", "</ResolveAttrMappingsForDatasetInput>"},
    {kStructureManagementService, "createOrUpdateRelativeStructure",
     "CreateOrUpdateRelativeStructureInput", "<CreateOrUpdateRelativeStructureInput>", "<input/>",
     "</CreateOrUpdateRelativeStructureInput>"},
    {kStructureManagementService, "deleteRelativeStructure", "DeleteRelativeStructureInput",
     "<DeleteRelativeStructureInput>", "<input/>", "</DeleteRelativeStructureInput>"},
    {kStructureManagementService, "createOrUpdateAbsoluteStructure",
     "CreateOrUpdateAbsoluteStructureInput", "<CreateOrUpdateAbsoluteStructureInput>", "<info/>",
     "</CreateOrUpdateAbsoluteStructureInput>"},
    {kStructureManagementService, "expandPSOneLevel", "ExpandPSOneLevelInput",
     "<ExpandPSOneLevelInput><input>", "<parentBomLine uid=\"bl.1.top\"/>",
     "</input></ExpandPSOneLevelInput>"},
    {kStructureManagementService, "expandPSAllLevels", "ExpandPSAllLevelsInput",
     "<ExpandPSAllLevelsInput><input>", "<parentBomLine uid=\"bl.1.top\"/>",
     "</input></ExpandPSAllLevelsInput>"},
    {kStructureManagementService, "createBOMWindows", "CreateBOMWindowsInput",
     "<CreateBOMWindowsInput>", "<info/>", "</CreateBOMWindowsInput>"},
    {kStructureManagementService, "closeBOMWindows", "CloseBOMWindowsInput",
     "<CloseBOMWindowsInput>", "<bomWindow uid=\"bw.1\"/>", "</CloseBOMWindowsInput>"},
    {kStructureManagementService, "deleteAssemblyArrangements", "DeleteAssemblyArrangementsInput",
     "<DeleteAssemblyArrangementsInput>", "<info/>", "</DeleteAssemblyArrangementsInput>"},
    {kStructureManagementService, "getRevisionRules", "GetRevisionRulesInput",
     "<GetRevisionRulesInput/>", "", ""},
    {kStructureManagementService, "getVariantRules", "GetVariantRulesInput",
     "<GetVariantRulesInput>", "<itemRev uid=\"r.000100.B\"/>", "</GetVariantRulesInput>"},
    {kConfiguredService, "getConfiguredItemRevision", "GetConfiguredItemRevisionInput",
     "<GetConfiguredItemRevisionInput>", "<input/>", "</GetConfiguredItemRevisionInput>"},
};

// The record type of the input record `name`.
const WireRecordType& recordType(const std::string& name) {
  for (const std::vector<WireRecordType>* types :
       {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()}) {
    for (const WireRecordType& type : *types) {
      if (name == type.name) {
        return type;
      }
    }
  }
  throw std::runtime_error("no record " + name);
}

class LeastTextRequestTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(host::kDemoStore);
  }
};

TEST_F(LeastTextRequestTest, EveryOperationCoversItsService) {
  std::vector<std::string> covered;
  for (const LeastText& operation : kOperations) {
    covered.push_back(std::string(operation.service) + "." + operation.operation);
  }
  std::vector<std::string> offered;
  for (const char* service :
       {kDataManagementService, kStructureManagementService, kConfiguredService}) {
    for (const std::string& operation : host::operationsOf(service)) {
      offered.push_back(std::string(service) + "." + operation);
    }
  }
  std::sort(covered.begin(), covered.end());
  std::sort(offered.begin(), offered.end());
  EXPECT_EQ(covered, offered);
  EXPECT_EQ(offered.size(), 21u);
}

// Through the dispatcher: the request is read and the service answers it (a response, or a fault
// of the service's own), never "The request cannot be read".
TEST_F(LeastTextRequestTest, UpToAThousandInputsTheServiceAnswers) {
  for (const LeastText& operation : kOperations) {
    for (const int count : {1, 10, 100, 300, 1000}) {
      SCOPED_TRACE(std::string(operation.operation) + ", " + std::to_string(count) + " inputs");
      const host::Reply reply =
          call(operation.service, operation.operation, operation.request(count));
      EXPECT_EQ(reply.reason.find("cannot be read"), std::string::npos) << reply.reason;
      store().reset();
      load(host::kDemoStore);
      if (*operation.input == '\0') {
        break;
      }
    }
  }
}

// Read as the request handlers read them, under the real floor: every input is read, and what
// the request held stays under the floor though it is far more than eight times the text.
TEST_F(LeastTextRequestTest, UpToAHundredThousandInputsTheRequestIsRead) {
  std::size_t mostPerTextByte = 0;
  for (const LeastText& operation : kOperations) {
    if (*operation.input == '\0') {
      continue;
    }
    const WireRecordType& type = recordType(operation.record);
    for (const int count : {3000, 10000, 30000, 100000}) {
      SCOPED_TRACE(std::string(operation.operation) + ", " + std::to_string(count) + " inputs");
      const std::string text = operation.request(count);
      SAXToNodeParser parser;
      try {
        const auto& root = parser.parseString(text);
        const SAXToNodeParser::Reading reading(parser);
        type.reparse(root, operation.record);
      } catch (const XmlParseError& error) {
        ADD_FAILURE() << error.what();
      }
      EXPECT_LE(parser.peakHeldBytes(), SAXToNodeParser::kHeldBytesFloor);
      mostPerTextByte = std::max(mostPerTextByte, parser.peakHeldBytes() / text.size());
    }
  }
  // The reason for the floor: bare records hold far more than eight times their text (windows,
  // with eight object references and four records each, the most).
  EXPECT_GT(mostPerTextByte, 100u);
}

}  // namespace
