// The StructureManagement 2007-01 skeleton: its table, its copies and policy, and the road of a
// request through a handler (arguments, marks, fault documents, what reaches the dispatcher),
// with a stand-in service in the place of the singleton.
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "framework/monitor.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "tests/support/service_fixture.h"
#include "tests/support/skeleton_checks.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

// Reaches the skeleton's statics, so that a test can put a stand-in service in place.
class StructureManagementIiopSkeletonTestAccess {
 public:
  static Korvane::Soa::Cad::_2007_01::StructureManagementImpl*& service() {
    return StructureManagementIiopSkeleton::_service;
  }
  static Korvane::Soa::Server::ServicePolicy*& policy() {
    return StructureManagementIiopSkeleton::_servicePolicy;
  }
};

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane

namespace {

using Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton;
using Access = Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeletonTestAccess;
using Korvane::Soa::Cad::_2007_01::StructureManagementImpl;
using Korvane::Soa::Internal::Common::Monitor;
using ServerServiceException = Korvane::Soa::Server::ServiceException;
using soacad_test::kStructureManagementService;
using soacad_test::markTexts;
using Strings = std::vector<std::string>;
using ServiceSwap = soacad_test::ScopedValue<StructureManagementImpl*>;

// A service whose every operation records its name and what it received, and then fails with a
// ServiceException when told to or answers the response it was given (an empty one by default).
class StandInService : public StructureManagementImpl {
 public:
  explicit StandInService(bool fail) : fail_(fail) {}

  CreateOrUpdateRelativeStructureResponse createOrUpdateRelativeStructure(
      const std::vector<CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateRelativeStructurePref& pref) override {
    return answer(CreateOrUpdateRelativeStructureResponse(),
                  {"createOrUpdateRelativeStructure", count(info), bomViewTypeName, flag(complete),
                   pref.cadOccIdAttrName});
  }
  DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<DeleteRelativeStructureInfo>& info, const std::string& bomViewTypeName,
      const DeleteRelativeStructurePref& pref) override {
    return answer(DeleteRelativeStructureResponse(),
                  {"deleteRelativeStructure", count(info), bomViewTypeName, pref.cadOccIdAttrName});
  }
  CreateOrUpdateAbsoluteStructureResponse createOrUpdateAbsoluteStructure(
      const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateAbsoluteStructurePref& pref) override {
    return answer(CreateOrUpdateAbsoluteStructureResponse(),
                  {"createOrUpdateAbsoluteStructure", count(info), bomViewTypeName, flag(complete),
                   pref.cadOccIdAttrName});
  }
  ExpandPSOneLevelResponse expandPSOneLevel(const ExpandPSOneLevelInfo& info,
                                            const ExpandPSOneLevelPref& pref) override {
    return answer(ExpandPSOneLevelResponse(),
                  {"expandPSOneLevel", std::to_string(info.excludeFilter), flag(pref.expItemRev)});
  }
  ExpandPSAllLevelsResponse expandPSAllLevels(const ExpandPSAllLevelsInfo& info,
                                              const ExpandPSAllLevelsPref& pref) override {
    return answer(ExpandPSAllLevelsResponse(),
                  {"expandPSAllLevels", std::to_string(info.excludeFilter), flag(pref.expItemRev)});
  }
  CreateBOMWindowsResponse createBOMWindows(
      const std::vector<CreateBOMWindowsInfo>& info) override {
    return answer(CreateBOMWindowsResponse(), {"createBOMWindows", count(info)});
  }
  CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows) override {
    return answer(CloseBOMWindowsResponse(), {"closeBOMWindows"}, bomWindows);
  }
  DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName) override {
    return answer(DeleteAssemblyArrangementsResponse(),
                  {"deleteAssemblyArrangements", count(info), bomViewTypeName});
  }
  GetRevisionRulesResponse getRevisionRules() override {
    return answer(GetRevisionRulesResponse(), {"getRevisionRules"});
  }
  GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs) override {
    return answer(GetVariantRulesResponse(), {"getVariantRules"}, itemRevs);
  }

  // The operation's name, then its arguments as texts, objects by UID ("<null>" for none).
  Strings received{"not called"};

 private:
  template <class T>
  static std::string count(const std::vector<T>& list) {
    return std::to_string(list.size());
  }
  static std::string flag(bool value) { return value ? "true" : "false"; }

  template <class Response, class Reference = POMRef<>>
  Response answer(const Response& response, Strings arguments,
                  const std::vector<Reference>& objects = {}) {
    received = std::move(arguments);
    for (const Reference& object : objects) {
      received.push_back(object.tag() == NULLTAG ? "<null>"
                                                 : host::Store::instance().uidOfTag(object.tag()));
      EXPECT_EQ(object.loadedObject(), nullptr);
    }
    if (fail_) {
      throw ServerServiceException("The structure is locked.");
    }
    return response;
  }

  bool fail_;
};

// The marks of the handler of `operation` and of its service call; the first `count` of them.
Strings marks(const std::string& operation, std::size_t count = 8) {
  return soacad_test::requestMarks(
      "Korvane::Soa::Cad::_2007_01::StructureManagementIiopSkeleton::" + operation,
      "Korvane::Soa::Cad::_2007_01::StructureManagementImpl::" + operation, count);
}

// The operations whose handlers answer a failure of the service with a fault document, and those
// whose handlers let it reach the dispatcher.
const Strings kGuarded = {
    "deleteRelativeStructure", "createOrUpdateRelativeStructure", "getVariantRules",
    "getRevisionRules",        "createOrUpdateAbsoluteStructure", "deleteAssemblyArrangements"};
const Strings kUnguarded = {"expandPSOneLevel", "createBOMWindows", "closeBOMWindows",
                            "expandPSAllLevels"};

// The name of an operation's records: "getRevisionRules" -> "GetRevisionRules".
std::string recordName(std::string operation) {
  operation[0] = static_cast<char>(std::toupper(operation[0]));
  return operation;
}
// A request that `operation` accepts: its input without fields (an expansion needs its filter).
std::string emptyRequest(const std::string& operation) {
  const std::string input = recordName(operation) + "Input";
  return operation.rfind("expand", 0) == 0
             ? "<" + input + "><input excludeFilter=\"None\"/></" + input + ">"
             : "<" + input + "/>";
}

StructureManagementIiopSkeleton& registeredSkeleton() {
  return *static_cast<StructureManagementIiopSkeleton*>(
      KvServiceManager::instance().find(kStructureManagementService));
}

class StructureManagementSkeletonTest : public soacad_test::ServiceTest {
 protected:
  std::string invoke(const std::string& operation, const std::string& request = "") {
    return registeredSkeleton().invokeMethod(operation,
                                             request.empty() ? emptyRequest(operation) : request);
  }

  StandInService standIn_{false};
};

// --- The skeleton object ---------------------------------------------------------------------

TEST_F(StructureManagementSkeletonTest, TableCopiesAndPolicyOfTheSkeleton) {
  soacad_test::expectTableAndCopies<StructureManagementIiopSkeleton, Access>(
      registeredSkeleton(), "StructureManagement",
      {"closeBOMWindows", "createBOMWindows", "createOrUpdateAbsoluteStructure",
       "createOrUpdateRelativeStructure", "deleteAssemblyArrangements", "deleteRelativeStructure",
       "expandPSAllLevels", "expandPSOneLevel", "getRevisionRules", "getVariantRules"});
  soacad_test::expectInitializeTakesTheServiceAsPolicyIfItIsOne<StructureManagementIiopSkeleton,
                                                                Access>(registeredSkeleton());
}

// --- Successful requests ---------------------------------------------------------------------

// Every operation's service call receives the request's arguments in order (object lists as
// references, not loaded; a filter as its enumerator's value), makes the eight marks and answers
// under the response's root element.
TEST_F(StructureManagementSkeletonTest, EveryOperationReceivesItsArgumentsMarksAndAnswers) {
  load(soacad_test::kUserFixture);
  ServiceSwap swap(Access::service(), &standIn_);
  const struct {
    const char* request;
    Strings received;
  } cases[] = {
      {"<CreateOrUpdateRelativeStructureInput complete=\"true\" bomViewTypeName=\"view\"><input/>"
       "<input/><pref cadOccIdAttrName=\"cad_id\"/></CreateOrUpdateRelativeStructureInput>",
       {"createOrUpdateRelativeStructure", "2", "view", "true", "cad_id"}},
      {"<CreateOrUpdateAbsoluteStructureInput bomViewTypeName=\"\"><info/>"
       "<pref cadOccIdAttrName=\"abs_id\"/></CreateOrUpdateAbsoluteStructureInput>",
       {"createOrUpdateAbsoluteStructure", "1", "", "false", "abs_id"}},
      {"<DeleteRelativeStructureInput bomViewTypeName=\"design\"><input/><input/><input/>"
       "<pref cadOccIdAttrName=\"x\"/></DeleteRelativeStructureInput>",
       {"deleteRelativeStructure", "3", "design", "x"}},
      {"<DeleteAssemblyArrangementsInput bomViewTypeName=\"view\"/>",
       {"deleteAssemblyArrangements", "0", "view"}},
      {"<CreateBOMWindowsInput><info/></CreateBOMWindowsInput>", {"createBOMWindows", "1"}},
      {"<CloseBOMWindowsInput/>", {"closeBOMWindows"}},
      {"<CloseBOMWindowsInput><bomWindow uid=\"f.home\"/><bomWindow uid=\"\"/>"
       "<bomWindow uid=\"no.such\"/></CloseBOMWindowsInput>",
       {"closeBOMWindows", "f.home", "<null>", "no.such"}},
      {"<GetVariantRulesInput><itemRev uid=\"i.1\"/><itemRev uid=\"i.1\"/></GetVariantRulesInput>",
       {"getVariantRules", "i.1", "i.1"}},
      {"<ExpandPSOneLevelInput><input excludeFilter=\"ExcludeGDEs\"/><pref expItemRev=\"true\"/>"
       "</ExpandPSOneLevelInput>",
       {"expandPSOneLevel", "3", "true"}},
      {"<ExpandPSAllLevelsInput><input excludeFilter=\"ExcludeNonZoltItemLines\"/>"
       "</ExpandPSAllLevelsInput>",
       {"expandPSAllLevels", "4", "false"}},
      {"<GetRevisionRulesInput/>", {"getRevisionRules"}},
  };
  for (const auto& test : cases) {
    const std::string& operation = test.received.at(0);
    SCOPED_TRACE(operation);
    Monitor::clear();
    const host::Reply reply = call(kStructureManagementService, operation, test.request);
    ASSERT_FALSE(reply.fault) << reply.text;
    EXPECT_EQ(standIn_.received, test.received);
    EXPECT_EQ(markTexts(), marks(operation));
    EXPECT_EQ(parse(reply.text).name(), recordName(operation) + "Response");
  }
}

// --- Failures ----------------------------------------------------------------------------------
// How a handler answers each kind of failure is shared by every skeleton and tested with the
// DataManagement skeleton; here, which handlers answer with a fault document.

TEST_F(StructureManagementSkeletonTest, GuardedHandlersAnswerAServiceExceptionOthersLetItPass) {
  StandInService locked(true);
  ServiceSwap swap(Access::service(), &locked);
  for (const std::string& operation : kGuarded) {
    const auto& exception = parse(invoke(operation));
    EXPECT_EQ(exception.name(), "ServiceException") << operation;
    ASSERT_NE(exception.attr("message"), nullptr) << operation;
    EXPECT_EQ(*exception.attr("message"), "The structure is locked.");
  }
  for (const std::string& operation : kUnguarded) {
    EXPECT_THROW(invoke(operation), ServerServiceException) << operation;
  }
  const host::Reply reply =
      call(kStructureManagementService, "createBOMWindows", "<CreateBOMWindowsInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_EQ(reply.reason, "ServiceException: The structure is locked.");
}

TEST_F(StructureManagementSkeletonTest, RequestThatDoesNotFitStopsBeforeTheServiceAlsoWhenGuarded) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  ServiceSwap swap(Access::service(), &standIn_);
  EXPECT_THROW(invoke("createOrUpdateRelativeStructure",
                      "<CreateOrUpdateRelativeStructureInput complete=\"maybe\"/>"),
               XmlParseError);
  EXPECT_THROW(invoke("getRevisionRules", "<GetRevisionRulesInput>"), XmlParseError);
  Monitor::clear();
  EXPECT_EQ(soacad_test::domMessageOf([&] {
              invoke("expandPSOneLevel",
                     "<ExpandPSOneLevelInput><input excludeFilter=\"excludeGDEs\"/>"
                     "</ExpandPSOneLevelInput>");
            }),
            "Invalid Enum value: excludeGDEs");
  EXPECT_EQ(markTexts(), marks("expandPSOneLevel", 2));
  EXPECT_EQ(standIn_.received, Strings{"not called"});
}

}  // namespace
