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

TEST_F(DataManagementSkeletonTest, GuardedHandlersAnswerAServiceExceptionWithItsFaultDocument) {
  StandInService standIn(Failure::serviceException);
  ServiceSwap swap(&standIn);
  const std::vector<std::pair<std::string, std::string>> requests = {
      {"getAllAttrMappings", "<GetAllAttrMappingsInput/>"},
      {"getAttrMappingsForDatasetType", "<GetAttrMappingsForDatasetTypeInput/>"},
      {"resolveAttrMappingsForDataset", "<ResolveAttrMappingsForDatasetInput/>"}};
  for (const auto& request : requests) {
    Monitor::clear();
    const std::string reply = registeredSkeleton().invokeMethod(request.first, request.second);
    const auto& root = parse(reply);
    EXPECT_EQ(root.name(), "ServiceException") << request.first;
    ASSERT_NE(root.attr("message"), nullptr);
    EXPECT_EQ(*root.attr("message"), "The mappings are locked.");
    // The service call's mark and the handler's mark stay open.
    EXPECT_EQ(markTexts(), successMarks(request.first, 4)) << request.first;
  }
}

TEST_F(DataManagementSkeletonTest, GuardedHandlerAnswersAnIFailWithTheStoreDescribedFault) {
  StandInService standIn(Failure::ifail);
  ServiceSwap swap(&standIn);
  const std::string reply = registeredSkeleton().invokeMethod(
      "getAttrMappingsForDatasetType", "<GetAttrMappingsForDatasetTypeInput/>");
  const auto& root = parse(reply);
  EXPECT_EQ(root.name(), "ServiceException");
  ASSERT_NE(root.attr("code"), nullptr);
  EXPECT_EQ(*root.attr("code"), "215077");
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(DataManagementSkeletonTest, GuardedHandlerLetsOtherExceptionsPass) {
  StandInService standIn(Failure::other);
  ServiceSwap swap(&standIn);
  EXPECT_THROW(
      registeredSkeleton().invokeMethod("getAllAttrMappings", "<GetAllAttrMappingsInput/>"),
      std::runtime_error);
  const host::Reply reply = call("getAllAttrMappings", "<GetAllAttrMappingsInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_EQ(reply.reason, "ServiceException: The request failed: out of order");
}

TEST_F(DataManagementSkeletonTest, UnguardedHandlerLetsAnIFailReachTheDispatcher) {
  StandInService standIn(Failure::ifail);
  ServiceSwap swap(&standIn);
  EXPECT_THROW(
      registeredSkeleton().invokeMethod("createOrUpdateParts", "<CreateOrUpdatePartsInput/>"),
      IFail);
  host::errorStore().clear();
  const host::Reply reply = call("createOrUpdateParts", "<CreateOrUpdatePartsInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_NE(reply.text.find("code=\"215077\""), std::string::npos) << reply.text;
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
