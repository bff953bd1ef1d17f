// A request is one step for the store: a fault reply leaves the saved store exactly as it was,
// whichever host call fails, and a response names only what the store holds. Every request goes
// through the host's dispatcher against the demo store; ServiceTest::call checks each reply with
// reply_checks (a fault: store unchanged; a response: its objects exist; always: no lock, no
// mark point, an empty error store, a balanced allocator).
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/object/aom.h"
#include "host/object/host_call.h"
#include "host/object/store.h"
#include "host/program/demo_store.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/request_handler.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "tests/support/service_fixture.h"

namespace {

using soacad_test::kDataManagementService;
using soacad_test::kStructureManagementService;
using soacad_test::repeated;

const char* const kConfiguredService = "Cad-2007-06-StructureManagement";

class RequestHandlerTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(host::kDemoStore);
  }
};

// --- What a request holds while it is read ---------------------------------------------------

// Valid requests with little text per input, which make records of more than eight times their
// text, are answered whatever their size below the floor of what a request may hold; a request
// one input longer is never refused where a shorter one was answered.
TEST_F(RequestHandlerTest, ValidRequestsWithLittleTextPerInputAreAnswered) {
  namespace Data = Korvane::Schemas::Cad::_2007_01::Datamanagement;
  namespace Structure = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
  const auto inputs = [](const char* root, int count, const auto& input) {
    std::string text = std::string("<") + root + ">";
    for (int i = 1; i <= count; ++i) {
      text += input(std::to_string(i));
    }
    return text + "</" + root + ">";
  };
  // Each renames the part and gives it a new revision.
  const auto renaming = [](const std::string& i) {
    return "<info clientId=\"c" + i + "\"><itemInput name=\"renamed" + i +
           "\"><item uid=\"i.000101\"/></itemInput><itemRevInput revId=\"R" + i + "\"/></info>";
  };
  for (const int count : {1250, 2000, 5000}) {
    SCOPED_TRACE(std::to_string(count) + " renamings");
    const host::Reply reply =
        call("createOrUpdateParts", inputs("CreateOrUpdatePartsInput", count, renaming));
    ASSERT_FALSE(reply.fault) << reply.reason;
    EXPECT_EQ(responseOf<Data::CreateOrUpdatePartsResponse>(reply).getOutputArray().size(),
              static_cast<std::size_t>(count));
    store().reset();
    load(host::kDemoStore);
  }
  // Each makes a dataset of the revision, with its relation to the revision and its revision
  // anchor.
  const auto dataset = [](const std::string& i) {
    return "<info clientId=\"c" + i +
           "\"><itemRevInput><itemRevision uid=\"r.000101.A\"/></itemRevInput><datasetInput "
           "clientId=\"t\" itemRevRelationName=\"ZOLT_specification\" type=\"CADModel\" name=\"n" +
           i + "\"/></info>";
  };
  const host::Reply datasets =
      call("createOrUpdateParts", inputs("CreateOrUpdatePartsInput", 1250, dataset));
  ASSERT_FALSE(datasets.fault) << datasets.reason;
  EXPECT_EQ(soacad_test::reportedBy(responseOf<Data::CreateOrUpdatePartsResponse>(datasets))
                .created.size(),
            3u * 1250u);
  // Each opens a window under a dated rule (which the demo store's rule cannot take: each input
  // is answered with its partial error).
  const auto window = [](const std::string& i) {
    return "<info clientId=\"w" + i +
           "\"><item uid=\"i.000100\"/><itemRev uid=\"r.000100.B\"/><revRuleConfigInfo "
           "clientId=\"r\"><revRule uid=\"rr.latest\"/><props today=\"true\" "
           "unitNo=\"-1\"/></revRuleConfigInfo></info>";
  };
  for (const int count : {800, 1000, 1200, 1400, 1500, 1600, 1800}) {
    SCOPED_TRACE(std::to_string(count) + " windows");
    const host::Reply reply = call(kStructureManagementService, "createBOMWindows",
                                   inputs("CreateBOMWindowsInput", count, window));
    ASSERT_FALSE(reply.fault) << reply.reason;
    const auto response = responseOf<Structure::CreateBOMWindowsResponse>(reply);
    EXPECT_EQ(partialErrorsOf(response),
              std::vector<std::string>(static_cast<std::size_t>(count), "uid:rr.latest: 710044"));
  }
}

// What a request needs past the floor (and past eight times its text) is refused before the
// service runs, naming both bounds, and leaves the store as it was. An object reference is held
// compactly and the tree goes as it is read, so a large request of references, whose tree and
// records together would be over eight times its text, is answered in full.
TEST_F(RequestHandlerTest, WhatARequestBuildsIsBudgetedAndReferencesAreCompact) {
  namespace Structure = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
  // Each <info/> makes eight model objects and four records, over a hundred times its text:
  // 300,000 of them would need more than the floor.
  const std::string info = "<info/>";
  const std::string before = savedObjects();
  const host::Reply refused = call(kStructureManagementService, "createBOMWindows",
                                   repeated("CreateBOMWindowsInput", info, 300000));
  EXPECT_TRUE(refused.fault);
  EXPECT_NE(refused.reason.find("The request cannot be read: line 1, column "), std::string::npos)
      << refused.reason;
  EXPECT_NE(refused.reason.find("would need more than 268435456 bytes in memory, the larger of "
                                "268435456 bytes (SAXToNodeParser::kHeldBytesFloor) and 8 times "
                                "the request's size (SAXToNodeParser::kMaxHeldBytesPerTextByte)"),
            std::string::npos)
      << refused.reason;
  EXPECT_TRUE(savedObjects() == before) << "the saved store changed";
  const host::Reply answered = call(kStructureManagementService, "createBOMWindows",
                                    repeated("CreateBOMWindowsInput", info, 200));
  EXPECT_EQ(partialErrorsOf(responseOf<Structure::CreateBOMWindowsResponse>(answered)),
            std::vector<std::string>(200, ": 45007"));

  const int references = 30000;
  const host::Reply expanded =
      call("expandPrimaryObjects",
           repeated("ExpandPrimaryObjectsInput", "<object uid=\"i.000100\"/>", references));
  ASSERT_FALSE(expanded.fault) << expanded.reason;
  int outputs = 0;
  for (std::size_t at = expanded.text.find("<output>"); at != std::string::npos;
       at = expanded.text.find("<output>", at + 1)) {
    ++outputs;
  }
  EXPECT_EQ(outputs, references);
}

// --- Short reasons -------------------------------------------------------------------------------

// A fault quotes at most a short prefix of what the request holds, however long that is: an
// enumerator text, a client id that is a fault's whole message, an operation or service name.
// Values of ordinary length read as they always did.
TEST_F(RequestHandlerTest, FaultsQuoteAShortPrefixOfTheRequest) {
  const std::string huge(1 << 20, 'Q');
  const std::string note = "... (1048576 bytes)";
  const host::Reply enumerator =
      call(kStructureManagementService, "expandPSOneLevel",
           "<ExpandPSOneLevelInput><input excludeFilter=\"" + huge +
               "\"><parentBomLine uid=\"bl.1.top\"/></input></ExpandPSOneLevelInput>");
  EXPECT_TRUE(enumerator.fault);
  EXPECT_EQ(enumerator.reason,
            "ServiceException: Invalid Enum value: " + huge.substr(0, 64) + note);
  EXPECT_LT(enumerator.text.size(), 400u);
  const host::Reply clientId =
      call(kStructureManagementService, "createOrUpdateRelativeStructure",
           "<CreateOrUpdateRelativeStructureInput complete=\"false\" bomViewTypeName=\"view\">"
           "<input precise=\"false\"><parent uid=\"r.000100.B\"/><childInfo clientId=\"" +
               huge +
               "\" cadOccId=\"x\"><child uid=\"r.999999.Z\"/><occInfo/></childInfo></input>"
               "<pref cadOccIdAttrName=\"\"/></CreateOrUpdateRelativeStructureInput>");
  EXPECT_TRUE(clientId.fault);
  EXPECT_EQ(clientId.reason,
            "ServiceException: " + huge.substr(0, 64) + note + ": Not a valid object: r.999999.Z.");
  EXPECT_LT(clientId.text.size(), 400u);
  // The same with a client id of ordinary length: the message is the client id itself.
  const host::Reply ordinary =
      call(kStructureManagementService, "createOrUpdateRelativeStructure",
           "<CreateOrUpdateRelativeStructureInput complete=\"false\" bomViewTypeName=\"view\">"
           "<input precise=\"false\"><parent uid=\"r.000100.B\"/><childInfo clientId=\"shaft\" "
           "cadOccId=\"x\"><child uid=\"r.999999.Z\"/><occInfo/></childInfo></input>"
           "<pref cadOccIdAttrName=\"\"/></CreateOrUpdateRelativeStructureInput>");
  EXPECT_EQ(ordinary.reason, "ServiceException: shaft: Not a valid object: r.999999.Z.");
  const host::Reply operation = host::dispatch(kDataManagementService, huge, "<x/>");
  EXPECT_EQ(operation.reason.rfind("ServiceException: The operation \"" + huge.substr(0, 64) +
                                       "\"" + note + " is not part of the service",
                                   0),
            0u)
      << operation.reason.substr(0, 200);
  const host::Reply service = host::dispatch(huge, "getAvailableTypes", "<x/>");
  EXPECT_EQ(service.reason.rfind("ServiceException: The service \"" + huge.substr(0, 64) + "\"" +
                                     note + " is not registered",
                                 0),
            0u)
      << service.reason.substr(0, 200);
}

// --- Faults observed with several inputs --------------------------------------------------------

TEST_F(RequestHandlerTest, AFaultAfterAnInputWasWrittenUndoesThatInput) {
  const struct {
    const char* operation;
    const char* request;
    const char* code;
  } cases[] = {
      // The second input's revision has no BOM view revision.
      {"deleteAssemblyArrangements", R"(<DeleteAssemblyArrangementsInput bomViewTypeName="view">
         <info><itemRev uid="r.000100.B"/><arrangement uid="arr.000100.B.service"/></info>
         <info><itemRev uid="r.000100.A"/><arrangement uid="arr.000100.B.service"/></info>
       </DeleteAssemblyArrangementsInput>)",
       "215043"},
      // The second input makes the structure contain itself.
      {"createOrUpdateRelativeStructure",
       R"(<CreateOrUpdateRelativeStructureInput complete="true" bomViewTypeName="view">
         <input precise="false"><parent uid="r.000100.B"/>
           <childInfo clientId="first" cadOccId="new-1"><child uid="r.000101.A"/><occInfo/></childInfo>
         </input>
         <input precise="false"><parent uid="r.000100.B"/>
           <childInfo clientId="second" cadOccId="new-2"><child uid="r.000100.B"/><occInfo/></childInfo>
         </input>
         <pref cadOccIdAttrName=""/>
       </CreateOrUpdateRelativeStructureInput>)",
       "215161"},
      // The second input names an occurrence that no line carries.
      {"deleteRelativeStructure", R"(<DeleteRelativeStructureInput bomViewTypeName="view">
         <input><parent uid="r.000100.B"/><childInfo>occ.000100.B.2</childInfo></input>
         <input><parent uid="r.000100.B"/><childInfo>occ.000100.B.none</childInfo></input>
         <pref cadOccIdAttrName=""/>
       </DeleteRelativeStructureInput>)",
       "215048"},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.operation);
    store().reset();
    load(host::kDemoStore);
    const std::string before = savedObjects();
    const host::Reply reply =
        call(kStructureManagementService, testCase.operation, testCase.request);
    EXPECT_TRUE(reply.fault);
    // The fault document is the one the failure always gave.
    EXPECT_NE(reply.text.find(std::string("code=\"") + testCase.code + "\""), std::string::npos)
        << reply.text;
    EXPECT_TRUE(savedObjects() == before) << "the saved store changed";
  }
}

// --- What a reply and the work behind it take -------------------------------------------------

// A reply that would pass its ceiling ends in a fault that names the ceiling, written no further,
// and nothing the request did is kept; under a ceiling it fits, the same reply is answered.
TEST_F(RequestHandlerTest, AReplyPastItsCeilingIsAFaultThatNamesItAndKeepsNothing) {
  using Korvane::Services::HandlerNames;
  using Skeleton = Korvane::Services::Cad::_2007_01::DataManagementIiopSkeleton;
  using Local = Korvane::Soa::Cad::_2007_01::DataManagement;
  const HandlerNames names("Test::", "Test::", "expandPrimaryObjects",
                           "ExpandPrimaryObjectsResponse");
  const Tag archive = tagOf("f.gearbox.archive");
  // Deletes the archive folder and answers a thousand outputs (about 80 KB of reply).
  auto serve = [archive]() {
    EXPECT_EQ(AOM_delete(archive), 0);
    Local::ExpandPrimaryObjectsResponse response;
    response.output.resize(1000);
    for (auto& output : response.output) {
      output.inputObject = host::Store::instance().tagOfUid("f.gearbox");
    }
    return response;
  };
  const std::string before = savedObjects();
  std::optional<std::tuple<>> arguments(std::in_place);
  try {
    Korvane::Services::RequestHandling::respond<Skeleton>(names, arguments, serve, 4096);
    ADD_FAILURE() << "a reply past its ceiling was answered";
  } catch (Korvane::Soa::Server::ServiceException& fault) {
    EXPECT_EQ(fault.getMessage(),
              "The reply would be longer than 4096 bytes, the most a reply may have "
              "(RequestHandling::kMaxReplyBytes); ask for less in one request.");
  }
  EXPECT_TRUE(savedObjects() == before) << "the saved store changed";
  EXPECT_NE(host::Store::instance().find(archive), nullptr);
  arguments.emplace();
  const std::string reply =
      Korvane::Services::RequestHandling::respond<Skeleton>(names, arguments, serve, 100000);
  EXPECT_EQ(reply.rfind("<ExpandPrimaryObjectsResponse><output><inputObject uid=\"f.gearbox\"", 0),
            0u);
  EXPECT_EQ(host::Store::instance().find(archive), nullptr);
  EXPECT_LE(Korvane::Services::RequestHandling::kMaxReplyBytes, std::size_t{512} << 20);
}

// Small requests whose answers would be vast end at once at their ceilings, before the memory is
// spent: a fault naming the ceiling for an expansion of more objects times filters than it may
// list, and an error stack for an input whose ids would take more bytes than a call may
// generate (the ids of the other inputs stay).
TEST_F(RequestHandlerTest, SmallRequestsWithVastAnswersEndAtTheirCeilings) {
  for (const char* operation : {"expandPrimaryObjects", "expandGRMRelations"}) {
    SCOPED_TRACE(operation);
    std::string root = operation;
    root[0] = static_cast<char>(std::toupper(root[0]));
    root += "Input";
    std::string request = "<" + root + ">";
    for (int i = 0; i < 2000; ++i) {
      request += "<object uid=\"r.000101.A\"/>";
    }
    request += "<pref expItemRev=\"false\">";
    for (int i = 0; i < 2000; ++i) {
      request += "<info relationName=\"items_tag\"><objectTypeName>Part</objectTypeName></info>";
    }
    request += "</pref></" + root + ">";
    const host::Reply reply = call(operation, request);
    EXPECT_TRUE(reply.fault);
    EXPECT_EQ(reply.reason,
              "ServiceException: The outputs would list more than 3000000 objects and lists of "
              "objects, the most one call may list (ExpandImpl::kMaxOutputEntries); ask for fewer "
              "objects or filters at a time.");
  }

  namespace Dm = Korvane::Schemas::Cad::_2007_01::Datamanagement;
  const auto input = [](int count, const std::string& pattern) {
    return "<input altIdType=\"CADAltId\" count=\"" + std::to_string(count) + "\" pattern=\"" +
           pattern + "\"><idContext uid=\"i.000100\"/></input>";
  };
  const std::string gbx = input(2, "GBX-####") + input(1, "X-##");
  const struct {
    std::string inputs;
    std::vector<std::string> answered;  // "<index>:<ids>" per answered input.
  } cases[] = {
      // 100,000 ids of a 10 KB pattern, a gigabyte of ids: refused before one is made; the
      // inputs after it are answered.
      {input(100000, std::string(10000, 'P') + "######") + gbx, {"1:2", "2:1"}},
      // An id of 32 MiB less 1023 bytes leaves room for 1023 bytes: a pattern of 1023 bytes
      // without '#' fits the room but its id is one digit longer, refused as it is made; an id
      // of exactly 1023 bytes is answered.
      {input(1, std::string((32 << 20) - 1024, 'P')) + input(1, std::string(1023, 'P')) +
           input(1, std::string(1022, 'P') + "#"),
       {"0:1", "2:1"}},
  };
  for (const auto& test : cases) {
    const auto response = responseOf<Dm::GenerateAlternateIdsResponse>(
        call("generateAlternateIds",
             "<GenerateAlternateIdsInput>" + test.inputs + "</GenerateAlternateIdsInput>"));
    std::vector<std::string> answered;
    for (const auto& entry : response.getInputIndexToAltIdArray()) {
      answered.push_back(std::to_string(entry.getKey()) + ":" +
                         std::to_string(entry.getValueArray().size()));
    }
    EXPECT_EQ(answered, test.answered);
    ASSERT_EQ(partialErrorsOf(response), std::vector<std::string>{": 215067"});
    EXPECT_EQ(
        response.getServiceData().getPartialErrorArray()[0].getErrorValueArray()[0].getMessage(),
        "The ids of this input would take more than 33554432 bytes with those of the inputs "
        "before it, the most one call may generate (kMaxAlternateIdBytesPerCall); ask for fewer "
        "or shorter ids at a time.");
  }
}

// --- Every host call failing in turn -----------------------------------------------------------

// A request of several inputs for every operation that writes. `setup`, when given, is sent to
// createBOMWindows first; the UIDs of the windows it opens replace "{window}" in the request, in
// order.
struct WritingRequest {
  const char* service;
  const char* operation;
  const char* setup;
  const char* request;
};

void PrintTo(const WritingRequest& writing, std::ostream* stream) {
  *stream << writing.operation;
}

const char* const kOpenTwoWindows = R"(<CreateBOMWindowsInput>
  <info clientId="one"><item uid="i.000100"/><itemRev uid="r.000100.B"/><bomView uid="bv.000100"/>
    <revRuleConfigInfo clientId="latest"><revRule uid="rr.latest"/><props unitNo="-1"/></revRuleConfigInfo>
  </info>
  <info clientId="two"><item uid="i.000100"/><itemRev uid="r.000100.B"/><bomView uid=""/>
    <revRuleConfigInfo clientId="default"><revRule uid=""/><props unitNo="-1"/></revRuleConfigInfo>
  </info>
</CreateBOMWindowsInput>)";

const WritingRequest kWritingRequests[] = {
    {kDataManagementService, "createOrUpdateParts", nullptr, R"(<CreateOrUpdatePartsInput>
      <info clientId="new">
        <itemInput name="Cover" itemType="Part" itemId="000104"><folder uid="f.gearbox"/></itemInput>
        <itemRevInput revId="A"/>
        <datasetInput clientId="notes" name="cover notes" type="Text"
                      itemRevRelationName="ZOLT_specification">
          <datasetFileInfo clientId="file" fileName="cover.txt" isText="true"
                           namedReferencedName="Text"/>
        </datasetInput>
      </info>
      <info clientId="old">
        <itemInput name="Output shaft"><item uid="i.000102"/></itemInput>
        <itemRevInput><itemRevision uid="r.000102.A"/></itemRevInput>
      </info>
    </CreateOrUpdatePartsInput>)"},
    {kDataManagementService, "createOrUpdateRelations", nullptr,
     R"(<CreateOrUpdateRelationsInput complete="true">
      <info clientId="one" relationType="ZOLT_reference">
        <primaryObject uid="r.000102.A"/><secondaryObject uid="r.000103.A"/>
      </info>
      <info clientId="two" relationType="ZOLT_reference">
        <primaryObject uid="r.000100.B"/><secondaryObject uid="r.000101.A"/>
      </info>
    </CreateOrUpdateRelationsInput>)"},
    {kDataManagementService, "generateAlternateIds", nullptr, R"(<GenerateAlternateIdsInput>
      <input altIdType="CADAltId" count="2" pattern="GBX-####"><idContext uid="i.000100"/></input>
      <input altIdType="ERPAltId" count="1" pattern=""><idContext uid="r.000100.B"/></input>
    </GenerateAlternateIdsInput>)"},
    {kStructureManagementService, "createOrUpdateRelativeStructure", nullptr,
     R"(<CreateOrUpdateRelativeStructureInput complete="false" bomViewTypeName="view">
      <input precise="false"><parent uid="r.000100.B"/>
        <childInfo clientId="housing" cadOccId="occ.000100.B.1"><child uid="r.000101.A"/>
          <occInfo><attrsToSet name="bl_quantity" value="2"/>
            <occNote noteType="CAD_note" noteText="sealed"/></occInfo>
        </childInfo>
        <childInfo clientId="shaft" cadOccId="shaft-2"><child uid="r.000102.A"/><occInfo/></childInfo>
      </input>
      <input precise="true"><parent uid="r.000101.A"/>
        <childInfo clientId="inner" cadOccId="inner-1"><child uid="r.000102.A"/><occInfo/></childInfo>
      </input>
      <pref cadOccIdAttrName=""/>
    </CreateOrUpdateRelativeStructureInput>)"},
    {kStructureManagementService, "deleteRelativeStructure", nullptr,
     R"(<DeleteRelativeStructureInput bomViewTypeName="view">
      <input><parent uid="r.000100.B"/><childInfo>occ.000100.B.1</childInfo>
        <childInfo>occ.000100.B.2</childInfo></input>
      <pref cadOccIdAttrName=""/>
    </DeleteRelativeStructureInput>)"},
    {kStructureManagementService, "createOrUpdateAbsoluteStructure", nullptr,
     R"(<CreateOrUpdateAbsoluteStructureInput complete="false" bomViewTypeName="view">
      <info><contextItemRev uid="r.000100.B"/>
        <bvrAbsOccInfo clientId="housing"><cadOccIdPath>occ.000100.B.1</cadOccIdPath>
          <absOccData><overridesToSet name="bl_sequence_no" value="10"/>
            <occNote noteType="CAD_note" noteText="seen from the gearbox"/>
            <attachment relationTypeName="ZOLT_rendering"><dataset uid="d.000101.A.drawing"/></attachment>
          </absOccData>
        </bvrAbsOccInfo>
        <arrAbsOccInfo clientId="exploded" name="Exploded" isDefault="true">
          <absOccInfo clientId="shaft"><cadOccIdPath>occ.000100.B.2</cadOccIdPath>
            <absOccData clientIdOfUsedArrangement="exploded"><overridesToSet name="bl_quantity" value="3"/></absOccData>
          </absOccInfo>
        </arrAbsOccInfo>
        <arrAbsOccInfo clientId="service" isDefault="false"><arrangement uid="arr.000100.B.service"/></arrAbsOccInfo>
      </info>
      <pref cadOccIdAttrName=""/>
    </CreateOrUpdateAbsoluteStructureInput>)"},
    {kStructureManagementService, "deleteAssemblyArrangements", nullptr,
     R"(<DeleteAssemblyArrangementsInput bomViewTypeName="view">
      <info><itemRev uid="r.000100.B"/><arrangement uid="arr.000100.B.service"/></info>
      <info><itemRev uid="r.000100.B"/><arrangement uid="arr.000100.B.service"/></info>
    </DeleteAssemblyArrangementsInput>)"},
    {kStructureManagementService, "createBOMWindows", nullptr, kOpenTwoWindows},
    {kStructureManagementService, "closeBOMWindows", kOpenTwoWindows,
     R"(<CloseBOMWindowsInput><bomWindow uid="{window}"/><bomWindow uid="{window}"/></CloseBOMWindowsInput>)"},
    {kConfiguredService, "getConfiguredItemRevision", nullptr,
     R"(<GetConfiguredItemRevisionInput>
      <input><object uid="i.000100"/><revRule uid="rr.latest"/></input>
      <input><object uid="r.000101.A"/><revRule uid=""/></input>
    </GetConfiguredItemRevisionInput>)"},
};

class EveryHostCallFailingTest : public RequestHandlerTest,
                                 public ::testing::WithParamInterface<WritingRequest> {
 protected:
  // A fresh demo store, the setup request sent; the request with the windows' UIDs filled in.
  std::string prepare(const WritingRequest& writing) {
    store().reset();
    load(host::kDemoStore);
    std::string request = writing.request;
    if (writing.setup == nullptr) {
      return request;
    }
    const host::Reply opened = call(kStructureManagementService, "createBOMWindows", writing.setup);
    std::vector<std::string> windows;
    const std::string marker = "<bomWindow uid=\"";
    for (std::size_t at = opened.text.find(marker); at != std::string::npos;
         at = opened.text.find(marker, at + 1)) {
      const std::size_t from = at + marker.size();
      windows.push_back(opened.text.substr(from, opened.text.find('"', from) - from));
    }
    for (const std::string& window : windows) {
      request.replace(request.find("{window}"), 8, window);
    }
    host::callLog().clear();
    return request;
  }
};

// Each host call that the request makes fails once, in turn; whatever the reply, it must tell the
// truth (ServiceTest::call checks it).
TEST_P(EveryHostCallFailingTest, TheReplyTellsTheTruthWhicheverCallFails) {
  const int kFailure = 99;
  const WritingRequest& writing = GetParam();
  {
    const host::Reply clean = call(writing.service, writing.operation, prepare(writing));
    ASSERT_FALSE(clean.fault) << clean.text;
    // The calls the request makes, each as (name, how many times it was made up to then).
    std::vector<std::pair<std::string, int>> calls;
    std::map<std::string, int> seen;
    for (const host::LoggedCall& logged : host::callLog().entries()) {
      calls.emplace_back(logged.name, ++seen[logged.name]);
    }
    int faults = 0;
    for (const auto& failing : calls) {
      SCOPED_TRACE(failing.first + " #" + std::to_string(failing.second));
      const std::string request = prepare(writing);
      host::faultPlan().fail(failing.first, kFailure, failing.second);
      faults += call(writing.service, writing.operation, request).fault ? 1 : 0;
      host::faultPlan().clear();
      if (HasFailure()) {
        return;  // One breach tells enough; the rest would repeat it.
      }
    }
    EXPECT_GT(calls.size(), 0u);
    RecordProperty("faults", faults);
  }
}

INSTANTIATE_TEST_SUITE_P(WritingRequests, EveryHostCallFailingTest,
                         ::testing::ValuesIn(kWritingRequests),
                         [](const ::testing::TestParamInfo<WritingRequest>& info) {
                           return std::string(info.param.operation);
                         });

}  // namespace
