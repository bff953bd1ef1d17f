// The DataManagement skeleton: its table, its copies and policy, and the road of a request
// through a handler (marks, fault documents, what reaches the dispatcher).
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/monitor.h"
#include "framework/soa_exceptions.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "tests/support/service_fixture.h"
#include "tests/support/skeleton_checks.h"

namespace Korvane {
namespace Services {
namespace Cad {
namespace _2007_01 {

// Reaches the skeleton's statics, so that a test can put a stand-in service in place.
class DataManagementIiopSkeletonTestAccess {
 public:
  static Korvane::Soa::Cad::_2007_01::DataManagementImpl*& service() {
    return DataManagementIiopSkeleton::_service;
  }
  static Korvane::Soa::Server::ServicePolicy*& policy() {
    return DataManagementIiopSkeleton::_servicePolicy;
  }
};

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
using Korvane::Services::Cad::_2007_01::DataManagementIiopSkeleton;
using Korvane::Services::Cad::_2007_01::DataManagementIiopSkeletonTestAccess;
using Korvane::Soa::Cad::_2007_01::DataManagement;
using Korvane::Soa::Cad::_2007_01::DataManagementImpl;
using Korvane::Soa::Internal::Common::Monitor;
using ServerServiceException = Korvane::Soa::Server::ServiceException;

// How the stand-in service fails.
enum class Failure { none, serviceException, ifail, other };

// A service whose every delegating operation fails as told, or answers an empty response.
class StandInService : public DataManagementImpl {
 public:
  explicit StandInService(Failure failure) : failure_(failure) {}

  GetAllAttrMappingsResponse getAllAttrMappings() override {
    return fail<GetAllAttrMappingsResponse>();
  }
  GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<GetAttrMappingsForDatasetTypeCriteria>&) override {
    return fail<GetAttrMappingsForDatasetTypeResponse>();
  }
  ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<ResolveAttrMappingsForDatasetInfo>&) override {
    return fail<ResolveAttrMappingsForDatasetResponse>();
  }
  CreateOrUpdatePartsResponse createOrUpdateParts(const std::vector<PartInfo>&) override {
    return fail<CreateOrUpdatePartsResponse>();
  }
  ExpandGRMRelationsResponse expandGRMRelations(const std::vector<Tag>& objects,
                                                const ExpandGRMRelationsPref&) override {
    receivedObjects = objects;
    return fail<ExpandGRMRelationsResponse>();
  }

  std::vector<Tag> receivedObjects{Tag(99)};

 private:
  // An empty response, or the failure the service was told.
  template <class Response>
  Response fail() {
    switch (failure_) {
      case Failure::none:
        return Response();
      case Failure::serviceException:
        throw ServerServiceException("The mappings are locked.");
      case Failure::ifail:
        ERROR_store(EMH_severity_error, 215077, "mapping");
        throw IFail(215077);
      case Failure::other:
        break;
    }
    throw std::runtime_error("out of order");
  }

  Failure failure_;
};

// Puts a stand-in in the place of the service singleton for one test.
struct ServiceSwap : soacad_test::ScopedValue<DataManagementImpl*> {
  explicit ServiceSwap(DataManagementImpl* standIn)
      : ScopedValue(DataManagementIiopSkeletonTestAccess::service(), standIn) {}
};

const std::string kHandler = "Korvane::Soa::Cad::_2007_01::DataManagementIiopSkeleton::";
const std::string kService = "Korvane::Soa::Cad::_2007_01::DataManagementImpl::";

using soacad_test::markTexts;

std::vector<std::string> successMarks(const std::string& operation, std::size_t count = 8) {
  return soacad_test::requestMarks(kHandler + operation, kService + operation, count);
}

DataManagementIiopSkeleton& registeredSkeleton() {
  return *static_cast<DataManagementIiopSkeleton*>(
      KvServiceManager::instance().find(soacad_test::kDataManagementService));
}

class DataManagementSkeletonTest : public soacad_test::ServiceTest {};

TEST_F(DataManagementSkeletonTest, TableCopiesAndPolicyOfTheSkeleton) {
  using Access = DataManagementIiopSkeletonTestAccess;
  soacad_test::expectTableAndCopies<DataManagementIiopSkeleton, Access>(
      registeredSkeleton(), "DataManagement",
      {"createOrUpdateParts", "createOrUpdateRelations", "expandFoldersForCAD",
       "expandGRMRelations", "expandPrimaryObjects", "generateAlternateIds", "getAllAttrMappings",
       "getAttrMappingsForDatasetType", "getAvailableTypes", "resolveAttrMappingsForDataset"});
  soacad_test::expectInitializeTakesTheServiceAsPolicyIfItIsOne<DataManagementIiopSkeleton, Access>(
      registeredSkeleton());
  EXPECT_FALSE(call("getAvailableTypes", "<GetAvailableTypesInput/>").fault);
}

// A successful request, also one without input fields, makes the eight marks in order.
TEST_F(DataManagementSkeletonTest, SuccessfulRequestMakesTheEightMarksInOrder) {
  ASSERT_FALSE(call("getAvailableTypes",
                    "<GetAvailableTypesInput><classe>Item</classe></GetAvailableTypesInput>")
                   .fault);
  EXPECT_EQ(markTexts(), successMarks("getAvailableTypes"));

  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  Monitor::clear();
  const host::Reply reply = call("getAllAttrMappings", "<GetAllAttrMappingsInput/>");
  ASSERT_FALSE(reply.fault) << reply.text;
  EXPECT_EQ(markTexts(), successMarks("getAllAttrMappings"));
  EXPECT_EQ(parse(reply.text).name(), "GetAllAttrMappingsResponse");
}

// A guarded handler answers a ServiceException or an IFail of its service with a fault document
// (the service call's mark and the handler's stay open) and lets any other failure pass; an
// unguarded handler lets every failure reach the dispatcher, which answers it.
TEST_F(DataManagementSkeletonTest, HowAHandlerAnswersAFailureOfItsService) {
  const struct {
    Failure failure;
    const char* operation;
    const char* handlerAnswer;  // The fault document's message and code, or what passed.
    const char* dispatched;     // What the dispatcher's reply says.
  } cases[] = {
      {Failure::serviceException, "getAllAttrMappings", "The mappings are locked./",
       "ServiceException: The mappings are locked."},
      {Failure::serviceException, "getAttrMappingsForDatasetType", "The mappings are locked./",
       "ServiceException: The mappings are locked."},
      {Failure::serviceException, "resolveAttrMappingsForDataset", "The mappings are locked./",
       "ServiceException: The mappings are locked."},
      {Failure::ifail, "getAttrMappingsForDatasetType",
       "The attribute title of a mapping could not be read (status mapping)./215077",
       "code=\"215077\""},
      {Failure::other, "getAllAttrMappings", "passed: out of order",
       "ServiceException: The request failed: out of order"},
      {Failure::ifail, "createOrUpdateParts", "passed: IFail 215077", "code=\"215077\""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.operation + std::string(" ") + test.handlerAnswer);
    StandInService standIn(test.failure);
    ServiceSwap swap(&standIn);
    std::string operation = test.operation;
    const std::string request = "<" + std::string(1, static_cast<char>(operation[0] - 32)) +
                                operation.substr(1) + "Input/>";
    Monitor::clear();
    std::string answer;
    try {
      const auto& root = parse(registeredSkeleton().invokeMethod(operation, request));
      EXPECT_EQ(root.name(), "ServiceException");
      EXPECT_EQ(markTexts(), successMarks(operation, 4));
      EXPECT_TRUE(host::errorStore().empty());
      answer = std::string(root.attr("message") ? *root.attr("message") : "?") + "/" +
               std::string(root.attr("code") ? *root.attr("code") : "");
    } catch (const IFail& failure) {
      answer = "passed: IFail " + std::to_string(failure.ifail());
    } catch (const std::runtime_error& failure) {
      answer = std::string("passed: ") + failure.what();
    }
    EXPECT_EQ(answer, test.handlerAnswer);
    host::errorStore().clear();
    const host::Reply reply = call(operation, request);
    EXPECT_TRUE(reply.fault);
    EXPECT_NE((reply.reason + reply.text).find(test.dispatched), std::string::npos) << reply.text;
  }
}

TEST_F(DataManagementSkeletonTest, EmptyObjectListReachesTheServiceAsEmptyTags) {
  StandInService standIn(Failure::none);
  ServiceSwap swap(&standIn);
  ASSERT_FALSE(call("expandGRMRelations", "<ExpandGRMRelationsInput/>").fault);
  EXPECT_TRUE(standIn.receivedObjects.empty());
}

TEST_F(DataManagementSkeletonTest, UnknownOperationGetsAFaultAndNoHandlerRuns) {
  const host::Reply reply = call("getAvailableType", "<GetAvailableTypesInput/>");
  EXPECT_TRUE(reply.fault);
  const auto& root = parse(reply.text);
  EXPECT_EQ(root.name(), "ServiceException");
  ASSERT_NE(root.attr("message"), nullptr);
  EXPECT_EQ(*root.attr("message"),
            "The operation \"getAvailableType\" is not part of the service \"DataManagement\".");
  EXPECT_TRUE(Monitor::marks().empty());
}

TEST_F(DataManagementSkeletonTest, RequestThatDoesNotParseReachesTheDispatcher) {
  EXPECT_THROW(registeredSkeleton().invokeMethod("getAvailableTypes", "<GetAvailableTypesInput>"),
               Korvane::Soa::Common::Xml::XmlParseError);
  const host::Reply reply = call("generateAlternateIds",
                                 "<GenerateAlternateIdsInput><input count=\"many\"/>"
                                 "</GenerateAlternateIdsInput>");
  EXPECT_TRUE(reply.fault);
  EXPECT_NE(reply.reason.find("GenerateAlternateIdsProperties.count"), std::string::npos)
      << reply.reason;
}

TEST_F(DataManagementSkeletonTest, ErrorsOfOneRequestNeverReachAnother) {
  ERROR_store(EMH_severity_error, 215022, "left over");
  const host::Reply reply =
      call("getAvailableTypes",
           "<GetAvailableTypesInput><classe>NoSuchClass</classe></GetAvailableTypesInput>");
  const auto response = responseOf<Wire::GetAvailableTypesResponse>(reply);
  EXPECT_EQ(soacad_test::stacks(response.getServiceData().getPartialErrorArray()),
            std::vector<std::string>{": 7010"});
}

}  // namespace
