// The StructureManagement 2007-01 skeleton: its table, its copies and policy, and the road of a
// request through a handler (arguments, marks, fault documents, what reaches the dispatcher),
// with a stand-in service in the place of the singleton.
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "framework/monitor.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "tests/support/service_fixture.h"

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

namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton;
using Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeletonTestAccess;
using Korvane::Soa::Cad::_2007_01::StructureManagementImpl;
using Korvane::Soa::Common::Exceptions::DomException;
using Korvane::Soa::Internal::Common::Mark;
using Korvane::Soa::Internal::Common::Monitor;
using Korvane::Soa::Server::ServicePolicy;
using ServerServiceException = Korvane::Soa::Server::ServiceException;
using Strings = std::vector<std::string>;

const char* const kService = "Cad-2007-01-StructureManagement";

// How the stand-in service fails.
enum class Failure { none, serviceException, ifail, other };

// A service that records what each operation received and then fails as told, or answers the
// response it was given (an empty one by default).
class StandInService : public StructureManagementImpl {
 public:
  explicit StandInService(Failure failure) : failure_(failure) {}

  CreateOrUpdateRelativeStructureResponse createOrUpdateRelativeStructure(
      const std::vector<CreateOrUpdateRelativeStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateRelativeStructurePref& pref) override {
    received = {std::to_string(info.size()), bomViewTypeName, complete ? "complete" : "partial",
                pref.cadOccIdAttrName};
    return answer(relativeResponse);
  }
  DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<DeleteRelativeStructureInfo>& info, const std::string& bomViewTypeName,
      const DeleteRelativeStructurePref& pref) override {
    received = {std::to_string(info.size()), bomViewTypeName, pref.cadOccIdAttrName};
    return answer(DeleteRelativeStructureResponse());
  }
  CreateOrUpdateAbsoluteStructureResponse createOrUpdateAbsoluteStructure(
      const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info,
      const std::string& bomViewTypeName, bool complete,
      const CreateOrUpdateAbsoluteStructurePref& pref) override {
    received = {std::to_string(info.size()), bomViewTypeName, complete ? "complete" : "partial",
                pref.cadOccIdAttrName};
    return answer(CreateOrUpdateAbsoluteStructureResponse());
  }
  ExpandPSOneLevelResponse expandPSOneLevel(const ExpandPSOneLevelInfo& info,
                                            const ExpandPSOneLevelPref& pref) override {
    received = {std::to_string(info.excludeFilter), pref.expItemRev ? "revisions" : "lines"};
    return answer(ExpandPSOneLevelResponse());
  }
  ExpandPSAllLevelsResponse expandPSAllLevels(const ExpandPSAllLevelsInfo& info,
                                              const ExpandPSAllLevelsPref& pref) override {
    received = {std::to_string(info.excludeFilter), pref.expItemRev ? "revisions" : "lines"};
    return answer(ExpandPSAllLevelsResponse());
  }
  CreateBOMWindowsResponse createBOMWindows(
      const std::vector<CreateBOMWindowsInfo>& info) override {
    received = {std::to_string(info.size())};
    return answer(windowsResponse);
  }
  CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows) override {
    receivedTags.clear();
    for (const EIMRef<BOMWindow>& window : bomWindows) {
      receivedTags.push_back(window.tag());
      EXPECT_EQ(window.loadedObject(), nullptr);
    }
    return answer(CloseBOMWindowsResponse());
  }
  DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<DeleteAssemblyArrangementsInfo>& info,
      const std::string& bomViewTypeName) override {
    received = {std::to_string(info.size()), bomViewTypeName};
    return answer(DeleteAssemblyArrangementsResponse());
  }
  GetRevisionRulesResponse getRevisionRules() override {
    received = {"no arguments"};
    return answer(GetRevisionRulesResponse());
  }
  GetVariantRulesResponse getVariantRules(
      const std::vector<POMRef<ZoltItemRevP>>& itemRevs) override {
    receivedTags.clear();
    for (const POMRef<ZoltItemRevP>& itemRev : itemRevs) {
      receivedTags.push_back(itemRev.tag());
      EXPECT_EQ(itemRev.loadedObject(), nullptr);
    }
    return answer(GetVariantRulesResponse());
  }

  Strings received{"not called"};
  std::vector<Tag> receivedTags{Tag(99)};
  CreateOrUpdateRelativeStructureResponse relativeResponse;
  CreateBOMWindowsResponse windowsResponse;

 private:
  template <class Response>
  Response answer(const Response& response) {
    switch (failure_) {
      case Failure::none:
        return response;
      case Failure::serviceException:
        throw ServerServiceException("The structure is locked.");
      case Failure::ifail:
        ERROR_store(EMH_severity_error, 215006, "structure");
        throw IFail(215006);
      case Failure::other:
        break;
    }
    throw std::runtime_error("out of order");
  }

  Failure failure_;
};

// A service that is its own policy.
class PolicyService : public StructureManagementImpl, public ServicePolicy {};

// Puts a stand-in in the place of the service singleton for one test.
class ServiceSwap {
 public:
  explicit ServiceSwap(StructureManagementImpl* standIn)
      : saved_(StructureManagementIiopSkeletonTestAccess::service()) {
    StructureManagementIiopSkeletonTestAccess::service() = standIn;
  }
  ~ServiceSwap() { StructureManagementIiopSkeletonTestAccess::service() = saved_; }

 private:
  StructureManagementImpl* saved_;
};

const std::string kHandlerMarks = "Korvane::Soa::Cad::_2007_01::StructureManagementIiopSkeleton::";
const std::string kServiceMarks = "Korvane::Soa::Cad::_2007_01::StructureManagementImpl::";

Strings markTexts() {
  Strings texts;
  for (const Mark& mark : Monitor::marks()) {
    texts.push_back((mark.kind() == Mark::kStart ? "start " : "end ") + mark.name());
  }
  return texts;
}

Strings successMarks(const std::string& operation) {
  const std::string handler = kHandlerMarks + operation;
  return {"start " + handler,
          "start " + handler + "::wireToLocal",
          "end " + handler + "::wireToLocal",
          "start " + kServiceMarks + operation,
          "end " + kServiceMarks + operation,
          "start " + handler + "::localToWire",
          "end " + handler + "::localToWire",
          "end " + handler};
}

// An operation, a request it accepts and the root element of its response.
struct Operation {
  std::string name;
  std::string request;
  std::string response;
};

const std::vector<Operation> kGuarded = {
    {"deleteRelativeStructure", "<DeleteRelativeStructureInput/>",
     "DeleteRelativeStructureResponse"},
    {"createOrUpdateRelativeStructure", "<CreateOrUpdateRelativeStructureInput/>",
     "CreateOrUpdateRelativeStructureResponse"},
    {"getVariantRules", "<GetVariantRulesInput/>", "GetVariantRulesResponse"},
    {"getRevisionRules", "<GetRevisionRulesInput/>", "GetRevisionRulesResponse"},
    {"createOrUpdateAbsoluteStructure", "<CreateOrUpdateAbsoluteStructureInput/>",
     "CreateOrUpdateAbsoluteStructureResponse"},
    {"deleteAssemblyArrangements", "<DeleteAssemblyArrangementsInput/>",
     "DeleteAssemblyArrangementsResponse"}};

const std::vector<Operation> kUnguarded = {
    {"expandPSOneLevel",
     "<ExpandPSOneLevelInput><input excludeFilter=\"None\"/></ExpandPSOneLevelInput>",
     "ExpandPSOneLevelResponse"},
    {"createBOMWindows", "<CreateBOMWindowsInput/>", "CreateBOMWindowsResponse"},
    {"closeBOMWindows", "<CloseBOMWindowsInput/>", "CloseBOMWindowsResponse"},
    {"expandPSAllLevels",
     "<ExpandPSAllLevelsInput><input excludeFilter=\"None\"/></ExpandPSAllLevelsInput>",
     "ExpandPSAllLevelsResponse"}};

StructureManagementIiopSkeleton& registeredSkeleton() {
  return *static_cast<StructureManagementIiopSkeleton*>(
      KvServiceManager::instance().find(kService));
}

class StructureManagementSkeletonTest : public soacad_test::ServiceTest {
 protected:
  std::string invoke(const Operation& operation) {
    return registeredSkeleton().invokeMethod(operation.name, operation.request);
  }
};

// --- The skeleton object ---------------------------------------------------------------------

TEST_F(StructureManagementSkeletonTest, TableHoldsTheTenOperationsUnderTheShortName) {
  const StructureManagementIiopSkeleton skeleton;
  EXPECT_EQ(skeleton.serviceName(), "StructureManagement");
  Strings names;
  for (const auto& entry : skeleton.operationTable()) {
    names.push_back(entry.first);
    EXPECT_NE(entry.second, nullptr) << entry.first;
  }
  EXPECT_EQ(names,
            (Strings{"closeBOMWindows", "createBOMWindows", "createOrUpdateAbsoluteStructure",
                     "createOrUpdateRelativeStructure", "deleteAssemblyArrangements",
                     "deleteRelativeStructure", "expandPSAllLevels", "expandPSOneLevel",
                     "getRevisionRules", "getVariantRules"}));
}

TEST_F(StructureManagementSkeletonTest, CopiesShareTheTableAndLeaveTheServiceAliveWhenDestroyed) {
  StructureManagementImpl* const service = StructureManagementIiopSkeletonTestAccess::service();
  ASSERT_NE(service, nullptr);
  {
    const StructureManagementIiopSkeleton copy(registeredSkeleton());
    EXPECT_EQ(copy.operationTable(), registeredSkeleton().operationTable());
    EXPECT_EQ(copy.serviceName(), "StructureManagement");
    StructureManagementIiopSkeleton assigned;
    assigned = copy;
    EXPECT_EQ(assigned.operationTable(), copy.operationTable());
  }
  EXPECT_EQ(StructureManagementIiopSkeletonTestAccess::service(), service);
}

TEST_F(StructureManagementSkeletonTest, InitializeMakesADefaultPolicyUnlessTheServiceIsOne) {
  StructureManagementIiopSkeleton& skeleton = registeredSkeleton();
  skeleton.initialize();
  ASSERT_NE(StructureManagementIiopSkeletonTestAccess::policy(), nullptr);
  EXPECT_EQ(dynamic_cast<ServicePolicy*>(StructureManagementIiopSkeletonTestAccess::service()),
            nullptr);

  PolicyService policyService;
  {
    ServiceSwap swap(&policyService);
    skeleton.initialize();
    EXPECT_EQ(StructureManagementIiopSkeletonTestAccess::policy(),
              static_cast<ServicePolicy*>(&policyService));
  }
  skeleton.initialize();
  EXPECT_NE(StructureManagementIiopSkeletonTestAccess::policy(), nullptr);
  EXPECT_NE(StructureManagementIiopSkeletonTestAccess::policy(),
            static_cast<ServicePolicy*>(&policyService));
}

// --- Successful requests ---------------------------------------------------------------------

TEST_F(StructureManagementSkeletonTest, EveryOperationMakesTheEightMarksAndAnswersItsResponse) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  std::vector<Operation> operations = kGuarded;
  operations.insert(operations.end(), kUnguarded.begin(), kUnguarded.end());
  for (const Operation& operation : operations) {
    Monitor::clear();
    const host::Reply reply = call(kService, operation.name, operation.request);
    ASSERT_FALSE(reply.fault) << operation.name << ": " << reply.text;
    EXPECT_EQ(markTexts(), successMarks(operation.name));
    EXPECT_EQ(parse(reply.text).name(), operation.response) << operation.name;
  }
}

TEST_F(StructureManagementSkeletonTest, RequestWithoutFieldsCallsTheServiceWithNoArguments) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  ASSERT_FALSE(call(kService, "getRevisionRules", "<GetRevisionRulesInput/>").fault);
  EXPECT_EQ(standIn.received, Strings{"no arguments"});
  EXPECT_EQ(markTexts(), successMarks("getRevisionRules"));
}

TEST_F(StructureManagementSkeletonTest, StructureWritesReceiveTheirArgumentsInOrder) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  ASSERT_FALSE(call(kService, "createOrUpdateRelativeStructure",
                    "<CreateOrUpdateRelativeStructureInput complete=\"true\" "
                    "bomViewTypeName=\"view\"><input/><input/>"
                    "<pref cadOccIdAttrName=\"cad_id\"/></CreateOrUpdateRelativeStructureInput>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"2", "view", "complete", "cad_id"}));

  ASSERT_FALSE(call(kService, "createOrUpdateAbsoluteStructure",
                    "<CreateOrUpdateAbsoluteStructureInput bomViewTypeName=\"\"><info/>"
                    "<pref cadOccIdAttrName=\"abs_id\"/></CreateOrUpdateAbsoluteStructureInput>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"1", "", "partial", "abs_id"}));

  ASSERT_FALSE(call(kService, "deleteRelativeStructure",
                    "<DeleteRelativeStructureInput bomViewTypeName=\"design\"><input/>"
                    "<input/><input/><pref cadOccIdAttrName=\"x\"/></DeleteRelativeStructureInput>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"3", "design", "x"}));

  ASSERT_FALSE(call(kService, "deleteAssemblyArrangements",
                    "<DeleteAssemblyArrangementsInput bomViewTypeName=\"view\"/>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"0", "view"}));
}

TEST_F(StructureManagementSkeletonTest, ExpansionsReceiveTheFilterValueAndPreference) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  ASSERT_FALSE(call(kService, "expandPSOneLevel",
                    "<ExpandPSOneLevelInput><input excludeFilter=\"ExcludeGDEs\"/>"
                    "<pref expItemRev=\"true\"/></ExpandPSOneLevelInput>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"3", "revisions"}));
  ASSERT_FALSE(call(kService, "expandPSAllLevels",
                    "<ExpandPSAllLevelsInput><input excludeFilter=\"ExcludeNonZoltItemLines\"/>"
                    "</ExpandPSAllLevelsInput>")
                   .fault);
  EXPECT_EQ(standIn.received, (Strings{"4", "lines"}));
}

TEST_F(StructureManagementSkeletonTest, ObjectListsReachTheServiceAsUnloadedReferencesInOrder) {
  load(soacad_test::kUserFixture);
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  ASSERT_FALSE(call(kService, "closeBOMWindows", "<CloseBOMWindowsInput/>").fault);
  EXPECT_TRUE(standIn.receivedTags.empty());

  ASSERT_FALSE(call(kService, "closeBOMWindows",
                    "<CloseBOMWindowsInput><bomWindow uid=\"f.home\"/><bomWindow uid=\"\"/>"
                    "<bomWindow uid=\"no.such\"/></CloseBOMWindowsInput>")
                   .fault);
  EXPECT_EQ(standIn.receivedTags, (std::vector<Tag>{tagOf("f.home"), NULLTAG, tagOf("no.such")}));

  ASSERT_FALSE(call(kService, "getVariantRules",
                    "<GetVariantRulesInput><itemRev uid=\"i.1\"/><itemRev uid=\"i.1\"/>"
                    "</GetVariantRulesInput>")
                   .fault);
  EXPECT_EQ(standIn.receivedTags, (std::vector<Tag>{tagOf("i.1"), tagOf("i.1")}));
}

TEST_F(StructureManagementSkeletonTest, ReplyIsTheConvertedResponseUnderItsRootElement) {
  load(soacad_test::kUserFixture);
  StandInService standIn(Failure::none);
  standIn.relativeResponse.output["b"] = POMRef<PSOccurrenceThread>(tagOf("i.1"));
  standIn.relativeResponse.output["a"] = POMRef<PSOccurrenceThread>(tagOf("f.home"));
  standIn.relativeResponse.serviceData.addPlainObject(tagOf("i.1"));
  ServiceSwap swap(&standIn);
  const host::Reply reply =
      call(kService, "createOrUpdateRelativeStructure", "<CreateOrUpdateRelativeStructureInput/>");
  ASSERT_EQ(parse(reply.text).name(), "CreateOrUpdateRelativeStructureResponse");
  const auto response = responseOf<Wire::CreateOrUpdateRelativeStructureResponse>(reply);
  ASSERT_EQ(response.getOutputArray().size(), 2u);
  EXPECT_EQ(response.getOutputArray()[0].getKey(), "a");
  EXPECT_EQ(response.getOutputArray()[0].getValue().getUid(), "f.home");
  EXPECT_EQ(response.getOutputArray()[1].getKey(), "b");
  EXPECT_EQ(response.getOutputArray()[1].getValue().getUid(), "i.1");
  ASSERT_EQ(response.getServiceData().getPlainObjArray().size(), 1u);
  EXPECT_EQ(response.getServiceData().getPlainObjArray()[0].getUid(), "i.1");
}

// --- Failures ----------------------------------------------------------------------------------

TEST_F(StructureManagementSkeletonTest,
       GuardedHandlersAnswerAServiceExceptionWithItsFaultDocument) {
  StandInService standIn(Failure::serviceException);
  ServiceSwap swap(&standIn);
  for (const Operation& operation : kGuarded) {
    Monitor::clear();
    const auto& root = parse(invoke(operation));
    EXPECT_EQ(root.name(), "ServiceException") << operation.name;
    ASSERT_NE(root.attr("message"), nullptr) << operation.name;
    EXPECT_EQ(*root.attr("message"), "The structure is locked.");
    // The service call's mark and the handler's mark stay open.
    Strings expected = successMarks(operation.name);
    expected.resize(4);
    EXPECT_EQ(markTexts(), expected) << operation.name;
  }
}

TEST_F(StructureManagementSkeletonTest, GuardedHandlersAnswerAnIFailWithTheStoreDescribedFault) {
  StandInService standIn(Failure::ifail);
  ServiceSwap swap(&standIn);
  for (const Operation& operation : kGuarded) {
    const auto& root = parse(invoke(operation));
    EXPECT_EQ(root.name(), "ServiceException") << operation.name;
    ASSERT_NE(root.attr("code"), nullptr) << operation.name;
    EXPECT_EQ(*root.attr("code"), "215006");
    EXPECT_TRUE(host::errorStore().empty()) << operation.name;
  }
}

TEST_F(StructureManagementSkeletonTest, GuardedHandlersLetOtherExceptionsPass) {
  StandInService standIn(Failure::other);
  ServiceSwap swap(&standIn);
  for (const Operation& operation : kGuarded) {
    EXPECT_THROW(invoke(operation), std::runtime_error) << operation.name;
  }
}

TEST_F(StructureManagementSkeletonTest, UnguardedHandlersLetEveryFailureReachTheDispatcher) {
  StandInService ifail(Failure::ifail);
  ServiceSwap swap(&ifail);
  for (const Operation& operation : kUnguarded) {
    EXPECT_THROW(invoke(operation), IFail) << operation.name;
    host::errorStore().clear();
  }
  StandInService serviceException(Failure::serviceException);
  ServiceSwap again(&serviceException);
  for (const Operation& operation : kUnguarded) {
    EXPECT_THROW(invoke(operation), ServerServiceException) << operation.name;
  }
  const host::Reply reply = call(kService, "createBOMWindows", "<CreateBOMWindowsInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_EQ(reply.reason, "ServiceException: The structure is locked.");
}

TEST_F(StructureManagementSkeletonTest, RequestThatDoesNotFitReachesTheDispatcherAlsoWhenGuarded) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  EXPECT_THROW(registeredSkeleton().invokeMethod("createOrUpdateRelativeStructure",
                                                 "<CreateOrUpdateRelativeStructureInput "
                                                 "complete=\"maybe\"/>"),
               Korvane::Soa::Common::Xml::XmlParseError);
  EXPECT_THROW(registeredSkeleton().invokeMethod("getRevisionRules", "<GetRevisionRulesInput>"),
               Korvane::Soa::Common::Xml::XmlParseError);
  EXPECT_EQ(standIn.received, Strings{"not called"});
}

TEST_F(StructureManagementSkeletonTest, UnknownFilterTextStopsTheRequestBeforeTheService) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  try {
    registeredSkeleton().invokeMethod(
        "expandPSOneLevel",
        "<ExpandPSOneLevelInput><input excludeFilter=\"excludeGDEs\"/></ExpandPSOneLevelInput>");
    ADD_FAILURE() << "no exception";
  } catch (DomException& exception) {
    EXPECT_EQ(exception.getMessage(), "Invalid Enum value: excludeGDEs");
  }
  EXPECT_EQ(standIn.received, Strings{"not called"});
  const std::string handler = kHandlerMarks + "expandPSOneLevel";
  EXPECT_EQ(markTexts(), (Strings{"start " + handler, "start " + handler + "::wireToLocal"}));
}

TEST_F(StructureManagementSkeletonTest, ConfiguredRevisionIsNotAnOperationOfThisService) {
  const host::Reply reply =
      call(kService, "getConfiguredItemRevision", "<GetConfiguredItemRevisionInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_NE(reply.reason.find("\"getConfiguredItemRevision\" is not part of the service "
                              "\"StructureManagement\""),
            std::string::npos)
      << reply.reason;
  EXPECT_TRUE(Monitor::marks().empty());
}

}  // namespace
