// The three skeletons: their tables, copies and policies, and the road of a request through a
// handler (arguments, marks, fault documents, what reaches the dispatcher), with stand-in services
// in the places of the singletons.
#include <gtest/gtest.h>

#include <cctype>
#include <list>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/monitor.h"
#include "framework/service_policy.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/structuremanagement/structure_management_2007_06_iiop_skeleton.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"
#include "tests/support/service_fixture.h"

// Reaches a skeleton's statics, so that a test can put a stand-in service in place.
#define SOACAD_TEST_ACCESS(Version, Skeleton, Service)                                         \
  namespace Korvane::Services::Cad::Version {                                                  \
  class Skeleton##TestAccess {                                                                 \
   public:                                                                                     \
    static Korvane::Soa::Cad::Version::Service*& service() { return Skeleton::_service; }      \
    static Korvane::Soa::Server::ServicePolicy*& policy() { return Skeleton::_servicePolicy; } \
  };                                                                                           \
  }
SOACAD_TEST_ACCESS(_2007_01, DataManagementIiopSkeleton, DataManagementImpl)
SOACAD_TEST_ACCESS(_2007_01, StructureManagementIiopSkeleton, StructureManagementImpl)
SOACAD_TEST_ACCESS(_2007_06, StructureManagementIiopSkeleton, StructureManagementImpl)
#undef SOACAD_TEST_ACCESS

namespace {

namespace Cad = Korvane::Services::Cad;
using DmAccess = Cad::_2007_01::DataManagementIiopSkeletonTestAccess;
using SmAccess = Cad::_2007_01::StructureManagementIiopSkeletonTestAccess;
using CrAccess = Cad::_2007_06::StructureManagementIiopSkeletonTestAccess;
using Korvane::Soa::Internal::Common::Monitor;
using ServerServiceException = Korvane::Soa::Server::ServiceException;
using soacad_test::kDataManagementService;
using soacad_test::kStructureManagementService;
using soacad_test::markTexts;
using Strings = std::vector<std::string>;

const char* const kConfiguredService = "Cad-2007-06-StructureManagement";

// How the stand-ins fail, and what the last one called received: the operation's name, then its
// arguments as texts, objects by UID ("<null>" for none).
enum class Failure {
  none,
  serviceException,
  serviceExceptionWithCause,
  ifail,
  other,
  outOfMemory,
  unwritable,
  leavesAnError
};
Failure failure = Failure::none;
Strings received;

// An exception whose fault cannot be written: the memory runs out while it is described.
class UnwritableException : public Korvane::Schemas::Soa::_2006_03::Exceptions::SoaException {
 public:
  std::string getLocalName() const override { throw std::bad_alloc(); }
};

template <class Response, class Reference = POMRef<>>
Response answer(Strings arguments, const std::vector<Reference>& objects = {},
                Response response = Response()) {
  received = std::move(arguments);
  for (const Reference& object : objects) {
    received.push_back(object.tag() == NULLTAG ? "<null>"
                                               : host::Store::instance().uidOfTag(object.tag()));
    EXPECT_EQ(object.loadedObject(), nullptr);
  }
  switch (failure) {
    case Failure::none:
      return response;
    case Failure::serviceException:
      throw ServerServiceException("The service is locked.");
    case Failure::serviceExceptionWithCause:
      ERROR_store(EMH_severity_error, 215077, "7");
      throw ServerServiceException("The service is locked.");
    case Failure::ifail:
      ERROR_store(EMH_severity_error, 215077, "mapping");
      throw IFail(215077);
    case Failure::unwritable:
      ERROR_store(EMH_severity_error, 215050);
      throw UnwritableException();
    case Failure::leavesAnError:
      ERROR_store(EMH_severity_error, 215050);
      return response;
    case Failure::outOfMemory:
      throw std::bad_alloc();
    case Failure::other:
      break;
  }
  throw std::runtime_error("out of order");
}

template <class T>
std::string count(const std::vector<T>& list) {
  return std::to_string(list.size());
}
std::string flag(bool value) {
  return value ? "true" : "false";
}

class DmStandIn : public Korvane::Soa::Cad::_2007_01::DataManagementImpl {
 public:
  GetAllAttrMappingsResponse getAllAttrMappings() override {
    return answer<GetAllAttrMappingsResponse>({"getAllAttrMappings"});
  }
  GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<GetAttrMappingsForDatasetTypeCriteria>& criteria) override {
    return answer<GetAttrMappingsForDatasetTypeResponse>(
        {"getAttrMappingsForDatasetType", count(criteria)});
  }
  ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<ResolveAttrMappingsForDatasetInfo>& info) override {
    return answer<ResolveAttrMappingsForDatasetResponse>(
        {"resolveAttrMappingsForDataset", count(info)});
  }
  CreateOrUpdatePartsResponse createOrUpdateParts(const std::vector<PartInfo>& info) override {
    return answer<CreateOrUpdatePartsResponse>({"createOrUpdateParts", count(info)});
  }
  ExpandGRMRelationsResponse expandGRMRelations(const std::vector<Tag>& objects,
                                                const ExpandGRMRelationsPref&) override {
    return answer<ExpandGRMRelationsResponse>({"expandGRMRelations", count(objects)});
  }
};

class SmStandIn : public Korvane::Soa::Cad::_2007_01::StructureManagementImpl {
 public:
  CreateOrUpdateRelativeStructureResponse createOrUpdateRelativeStructure(
      const std::vector<CreateOrUpdateRelativeStructureInfo>& info, const std::string& viewType,
      bool complete, const CreateOrUpdateRelativeStructurePref& pref) override {
    return answer<CreateOrUpdateRelativeStructureResponse>({"createOrUpdateRelativeStructure",
                                                            count(info), viewType, flag(complete),
                                                            pref.cadOccIdAttrName});
  }
  DeleteRelativeStructureResponse deleteRelativeStructure(
      const std::vector<DeleteRelativeStructureInfo>& info, const std::string& viewType,
      const DeleteRelativeStructurePref& pref) override {
    return answer<DeleteRelativeStructureResponse>(
        {"deleteRelativeStructure", count(info), viewType, pref.cadOccIdAttrName});
  }
  CreateOrUpdateAbsoluteStructureResponse createOrUpdateAbsoluteStructure(
      const std::vector<CreateOrUpdateAbsoluteStructureInfo>& info, const std::string& viewType,
      bool complete, const CreateOrUpdateAbsoluteStructurePref& pref) override {
    return answer<CreateOrUpdateAbsoluteStructureResponse>({"createOrUpdateAbsoluteStructure",
                                                            count(info), viewType, flag(complete),
                                                            pref.cadOccIdAttrName});
  }
  ExpandPSOneLevelResponse expandPSOneLevel(const ExpandPSOneLevelInfo& info,
                                            const ExpandPSOneLevelPref& pref) override {
    return answer<ExpandPSOneLevelResponse>(
        {"expandPSOneLevel", std::to_string(info.excludeFilter), flag(pref.expItemRev)});
  }
  ExpandPSAllLevelsResponse expandPSAllLevels(const ExpandPSAllLevelsInfo& info,
                                              const ExpandPSAllLevelsPref& pref) override {
    return answer<ExpandPSAllLevelsResponse>(
        {"expandPSAllLevels", std::to_string(info.excludeFilter), flag(pref.expItemRev)});
  }
  CreateBOMWindowsResponse createBOMWindows(
      const std::vector<CreateBOMWindowsInfo>& info) override {
    return answer<CreateBOMWindowsResponse>({"createBOMWindows", count(info)});
  }
  CloseBOMWindowsResponse closeBOMWindows(const std::vector<EIMRef<BOMWindow>>& windows) override {
    return answer<CloseBOMWindowsResponse>({"closeBOMWindows"}, windows);
  }
  DeleteAssemblyArrangementsResponse deleteAssemblyArrangements(
      const std::vector<DeleteAssemblyArrangementsInfo>& info,
      const std::string& viewType) override {
    return answer<DeleteAssemblyArrangementsResponse>(
        {"deleteAssemblyArrangements", count(info), viewType});
  }
  GetRevisionRulesResponse getRevisionRules() override {
    return answer<GetRevisionRulesResponse>({"getRevisionRules"});
  }
  GetVariantRulesResponse getVariantRules(const std::vector<POMRef<ZoltItemRevP>>& revs) override {
    return answer<GetVariantRulesResponse>({"getVariantRules"}, revs);
  }
};

// Echoes every input with the revision rule as the configured revision.
class CrStandIn : public Korvane::Soa::Cad::_2007_06::StructureManagementImpl {
 public:
  GetConfiguredItemRevisionResponse getConfiguredItemRevision(
      const std::vector<GetConfiguredItemRevisionInfo>& info) override {
    GetConfiguredItemRevisionResponse response;
    std::vector<POMRef<>> objects;
    for (const GetConfiguredItemRevisionInfo& input : info) {
      response.output.push_back({input, POMRef<>(input.revRule.tag())});
      objects.insert(objects.end(), {POMRef<>(input.object), input.revRule});
    }
    return answer(Strings{"getConfiguredItemRevision"}, objects, response);
  }
};

// The marks of a request of `operation` of `service`; the first `count` of them.
Strings marks(const std::string& service, const std::string& operation, std::size_t count = 8) {
  const std::string prefix = service == kDataManagementService ? "_2007_01::DataManagement"
                             : service == kConfiguredService   ? "_2007_06::StructureManagement"
                                                               : "_2007_01::StructureManagement";
  return soacad_test::requestMarks("Korvane::Soa::Cad::" + prefix + "IiopSkeleton::" + operation,
                                   "Korvane::Soa::Cad::" + prefix + "Impl::" + operation, count);
}

// "getRevisionRules" -> "GetRevisionRules".
std::string recordName(std::string operation) {
  operation[0] = static_cast<char>(std::toupper(operation[0]));
  return operation;
}

// A request that `operation` accepts: its input without fields (an expansion needs its filter).
std::string emptyRequest(const std::string& operation) {
  const std::string input = recordName(operation) + "Input";
  return operation.rfind("expandPS", 0) == 0
             ? "<" + input + "><input excludeFilter=\"None\"/></" + input + ">"
             : "<" + input + "/>";
}

T2LService& skeletonOf(const std::string& service) {
  return *KvServiceManager::instance().find(service);
}

class SkeletonHandlersTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    failure = Failure::none;
    received = {"not called"};
  }
  void swapInStandIns() {
    dm_.emplace_back(DmAccess::service(), &dmStandIn_);
    sm_.emplace_back(SmAccess::service(), &smStandIn_);
    cr_.emplace_back(CrAccess::service(), &crStandIn_);
  }

  DmStandIn dmStandIn_;
  SmStandIn smStandIn_;
  CrStandIn crStandIn_;
  std::list<soacad_test::ScopedValue<Korvane::Soa::Cad::_2007_01::DataManagementImpl*>> dm_;
  std::list<soacad_test::ScopedValue<Korvane::Soa::Cad::_2007_01::StructureManagementImpl*>> sm_;
  std::list<soacad_test::ScopedValue<Korvane::Soa::Cad::_2007_06::StructureManagementImpl*>> cr_;
};

// A new skeleton names `serviceName` and has a handler for every operation of its table; copies
// and assigned skeletons share the registered one's table, and destroying any of them leaves the
// service in place. Initializing makes a default policy, unless the service is its own policy:
// then it is that.
template <class Skeleton, class Access>
void expectSkeletonObject(const std::string& service, const std::string& serviceName) {
  using Korvane::Soa::Server::ServicePolicy;
  auto& registered = static_cast<Skeleton&>(skeletonOf(service));
  const auto* const kept = Access::service();
  {
    const Skeleton fresh;
    EXPECT_EQ(fresh.serviceName(), serviceName);
    EXPECT_EQ(fresh.operationTable(), registered.operationTable());
    for (const auto& entry : fresh.operationTable()) {
      EXPECT_NE(entry.second, nullptr) << entry.first;
    }
    Skeleton assigned;
    assigned = Skeleton(registered);
    EXPECT_EQ(assigned.operationTable(), registered.operationTable());
    EXPECT_EQ(assigned.serviceName(), serviceName);
  }
  EXPECT_EQ(Access::service(), kept);
  using Service = std::remove_pointer_t<std::remove_reference_t<decltype(Access::service())>>;
  struct PolicyService : Service, ServicePolicy {};
  registered.initialize();
  ASSERT_NE(Access::policy(), nullptr);
  EXPECT_EQ(dynamic_cast<ServicePolicy*>(Access::service()), nullptr);
  PolicyService policyService;
  {
    soacad_test::ScopedValue<Service*> swap(Access::service(), &policyService);
    registered.initialize();
    EXPECT_EQ(Access::policy(), static_cast<ServicePolicy*>(&policyService));
  }
  registered.initialize();
  EXPECT_NE(Access::policy(), nullptr);
  EXPECT_NE(Access::policy(), static_cast<ServicePolicy*>(&policyService));
}

TEST_F(SkeletonHandlersTest, TablesCopiesAndPoliciesOfTheSkeletons) {
  expectSkeletonObject<Cad::_2007_01::DataManagementIiopSkeleton, DmAccess>(kDataManagementService,
                                                                            "DataManagement");
  expectSkeletonObject<Cad::_2007_01::StructureManagementIiopSkeleton, SmAccess>(
      kStructureManagementService, "StructureManagement");
  expectSkeletonObject<Cad::_2007_06::StructureManagementIiopSkeleton, CrAccess>(
      kConfiguredService, "StructureManagement");
  EXPECT_FALSE(call("getAvailableTypes", "<GetAvailableTypesInput/>").fault);
}

// Every operation's service call receives the request's arguments in order (object lists as
// references, not loaded; a filter as its enumerator's value), makes the eight marks and answers
// under the response's root element.
TEST_F(SkeletonHandlersTest, EveryOperationReceivesItsArgumentsMarksAndAnswers) {
  swapInStandIns();
  const struct {
    const char* service;
    const char* request;
    Strings received;
  } cases[] = {
      {kStructureManagementService,
       "<CreateOrUpdateRelativeStructureInput complete=\"true\" bomViewTypeName=\"view\"><input/>"
       "<input/><pref cadOccIdAttrName=\"cad_id\"/></CreateOrUpdateRelativeStructureInput>",
       {"createOrUpdateRelativeStructure", "2", "view", "true", "cad_id"}},
      {kStructureManagementService,
       "<CreateOrUpdateAbsoluteStructureInput bomViewTypeName=\"\"><info/>"
       "<pref cadOccIdAttrName=\"abs_id\"/></CreateOrUpdateAbsoluteStructureInput>",
       {"createOrUpdateAbsoluteStructure", "1", "", "false", "abs_id"}},
      {kStructureManagementService,
       "<DeleteRelativeStructureInput bomViewTypeName=\"design\"><input/><input/><input/>"
       "<pref cadOccIdAttrName=\"x\"/></DeleteRelativeStructureInput>",
       {"deleteRelativeStructure", "3", "design", "x"}},
      {kStructureManagementService,
       "<DeleteAssemblyArrangementsInput bomViewTypeName=\"view\"/>",
       {"deleteAssemblyArrangements", "0", "view"}},
      {kStructureManagementService,
       "<CreateBOMWindowsInput><info/></CreateBOMWindowsInput>",
       {"createBOMWindows", "1"}},
      {kStructureManagementService, "<CloseBOMWindowsInput/>", {"closeBOMWindows"}},
      {kStructureManagementService,
       "<CloseBOMWindowsInput><bomWindow uid=\"f.home\"/><bomWindow uid=\"\"/>"
       "<bomWindow uid=\"no.such\"/></CloseBOMWindowsInput>",
       {"closeBOMWindows", "f.home", "<null>", "no.such"}},
      {kStructureManagementService,
       "<GetVariantRulesInput><itemRev uid=\"i.1\"/><itemRev uid=\"i.1\"/></GetVariantRulesInput>",
       {"getVariantRules", "i.1", "i.1"}},
      {kStructureManagementService,
       "<ExpandPSOneLevelInput><input excludeFilter=\"ExcludeGDEs\"/><pref expItemRev=\"true\"/>"
       "</ExpandPSOneLevelInput>",
       {"expandPSOneLevel", "3", "true"}},
      {kStructureManagementService,
       "<ExpandPSAllLevelsInput><input excludeFilter=\"ExcludeNonZoltItemLines\"/>"
       "</ExpandPSAllLevelsInput>",
       {"expandPSAllLevels", "4", "false"}},
      {kStructureManagementService, "<GetRevisionRulesInput/>", {"getRevisionRules"}},
      {kDataManagementService, "<GetAllAttrMappingsInput/>", {"getAllAttrMappings"}},
      {kDataManagementService, "<ExpandGRMRelationsInput/>", {"expandGRMRelations", "0"}},
      {kDataManagementService,
       "<GetAvailableTypesInput><classe>Item</classe></GetAvailableTypesInput>",
       {"getAvailableTypes"}},
      {kConfiguredService,
       "<GetConfiguredItemRevisionInput><input><object uid=\"i.1\"/><revRule uid=\"f.home\"/>"
       "</input><input><object uid=\"\"/><revRule uid=\"no.such\"/></input>"
       "</GetConfiguredItemRevisionInput>",
       {"getConfiguredItemRevision", "i.1", "f.home", "<null>", "no.such"}},
      {kConfiguredService, "<GetConfiguredItemRevisionInput/>", {"getConfiguredItemRevision"}},
  };
  for (const auto& test : cases) {
    const std::string& operation = test.received.at(0);
    SCOPED_TRACE(operation);
    Monitor::clear();
    received = {"getAvailableTypes"};  // The one operation no stand-in answers.
    const host::Reply reply = call(test.service, operation, test.request);
    ASSERT_FALSE(reply.fault) << reply.text;
    EXPECT_EQ(received, test.received);
    EXPECT_EQ(markTexts(), marks(test.service, operation));
    EXPECT_EQ(parse(reply.text).name(), recordName(operation) + "Response");
  }
  // The configured revisions come back in their places; an input that names no object comes
  // back as the null model object.
  const auto response = responseOf<
      Korvane::Schemas::Cad::_2007_06::Structuremanagement::GetConfiguredItemRevisionResponse>(
      call(kConfiguredService, "getConfiguredItemRevision", cases[14].request));
  Strings outputs;
  for (const auto& output : response.getOutputArray()) {
    outputs.push_back(output.getInputInfo().getObject().getUid() + " " +
                      output.getInputInfo().getRevRule().getUid() + " " +
                      output.getConfiguredItemRev().getUid());
  }
  EXPECT_EQ(outputs, (Strings{"i.1 f.home f.home", "  "}));
}

// A guarded handler answers a ServiceException (and for some, an IFail) of its service with a
// fault document, the service call's mark and the handler's left open, and lets any other
// failure pass; an unguarded handler lets every failure reach the dispatcher, which answers it.
TEST_F(SkeletonHandlersTest, HowAHandlerAnswersAFailureOfItsService) {
  swapInStandIns();
  const std::string locked = "ServiceException: The service is locked.";
  const struct {
    Failure failure;
    const char* service;
    const char* operation;
    const char* handlerAnswer;  // The fault document's message and code, or what passed.
    std::string dispatched;     // What the dispatcher's reply says.
  } cases[] = {
      {Failure::serviceException, kDataManagementService, "getAllAttrMappings",
       "The service is locked./", locked},
      {Failure::serviceException, kDataManagementService, "getAttrMappingsForDatasetType",
       "The service is locked./", locked},
      {Failure::serviceException, kDataManagementService, "resolveAttrMappingsForDataset",
       "The service is locked./", locked},
      {Failure::ifail, kDataManagementService, "getAttrMappingsForDatasetType",
       "The attribute title of a mapping could not be read (status mapping)./215077",
       "code=\"215077\""},
      {Failure::other, kDataManagementService, "getAllAttrMappings", "passed: out of order",
       "ServiceException: The request failed: out of order"},
      {Failure::ifail, kDataManagementService, "createOrUpdateParts", "passed: IFail 215077",
       "code=\"215077\""},
      {Failure::ifail, kConfiguredService, "getConfiguredItemRevision", "passed: IFail 215077",
       "code=\"215077\""},
      {Failure::outOfMemory, kDataManagementService, "getAllAttrMappings", "passed: out of memory",
       "ServiceException: The request failed: the server ran out of memory while answering it; "
       "nothing it did was kept."},
      {Failure::unwritable, kDataManagementService, "getAllAttrMappings", "passed: SoaException",
       "ServiceException: The request failed and its fault could not be written."},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.operation + std::string(" ") + test.handlerAnswer);
    failure = test.failure;
    const std::string request = emptyRequest(test.operation);
    Monitor::clear();
    std::string answer;
    try {
      const auto& root = parse(skeletonOf(test.service).invokeMethod(test.operation, request));
      EXPECT_EQ(root.name(), "ServiceException");
      EXPECT_TRUE(host::errorStore().empty());
      answer = std::string(root.attr("message") ? *root.attr("message") : "?") + "/" +
               std::string(root.attr("code") ? *root.attr("code") : "");
    } catch (const IFail& caught) {
      answer = "passed: IFail " + std::to_string(caught.ifail());
    } catch (const std::runtime_error& caught) {
      answer = std::string("passed: ") + caught.what();
    } catch (const std::bad_alloc&) {
      answer = "passed: out of memory";
    } catch (const Korvane::Schemas::Soa::_2006_03::Exceptions::SoaException&) {
      answer = "passed: SoaException";
    }
    EXPECT_EQ(answer, test.handlerAnswer);
    EXPECT_EQ(markTexts(), marks(test.service, test.operation, 4));
    host::errorStore().clear();
    const host::Reply reply = call(test.service, test.operation, request);
    EXPECT_TRUE(reply.fault);
    EXPECT_NE((reply.reason + reply.text).find(test.dispatched), std::string::npos) << reply.text;
  }
  // Which handlers of the StructureManagement skeleton are guarded.
  failure = Failure::serviceException;
  for (const char* guarded :
       {"deleteRelativeStructure", "createOrUpdateRelativeStructure", "getVariantRules",
        "getRevisionRules", "createOrUpdateAbsoluteStructure", "deleteAssemblyArrangements"}) {
    const auto& exception =
        parse(skeletonOf(kStructureManagementService).invokeMethod(guarded, emptyRequest(guarded)));
    EXPECT_EQ(std::string(exception.attr("message") ? *exception.attr("message") : ""),
              "The service is locked.")
        << guarded;
  }
  for (const char* unguarded :
       {"expandPSOneLevel", "createBOMWindows", "closeBOMWindows", "expandPSAllLevels"}) {
    EXPECT_THROW(
        skeletonOf(kStructureManagementService).invokeMethod(unguarded, emptyRequest(unguarded)),
        ServerServiceException)
        << unguarded;
  }
  EXPECT_EQ(
      call(kStructureManagementService, "createBOMWindows", "<CreateBOMWindowsInput/>").reason,
      locked);
  // The one-line reason of a fault that a handler lets pass adds the error behind it, as the
  // next sentence of a message that is a sentence itself.
  failure = Failure::serviceExceptionWithCause;
  EXPECT_EQ(
      call(kStructureManagementService, "createBOMWindows", "<CreateBOMWindowsInput/>").reason,
      locked + " The attribute title of a mapping could not be read (status 7).");
}

// A request that does not fit its records stops before the service, also in a guarded handler,
// and reaches the dispatcher, which answers it.
TEST_F(SkeletonHandlersTest, RequestThatDoesNotFitStopsBeforeTheService) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  swapInStandIns();
  T2LService& sm = skeletonOf(kStructureManagementService);
  EXPECT_THROW(sm.invokeMethod("createOrUpdateRelativeStructure",
                               "<CreateOrUpdateRelativeStructureInput complete=\"maybe\"/>"),
               XmlParseError);
  EXPECT_THROW(sm.invokeMethod("getRevisionRules", "<GetRevisionRulesInput>"), XmlParseError);
  EXPECT_THROW(skeletonOf(kDataManagementService)
                   .invokeMethod("getAvailableTypes", "<GetAvailableTypesInput>"),
               XmlParseError);
  Monitor::clear();
  EXPECT_EQ(soacad_test::domMessageOf([&] {
              sm.invokeMethod("expandPSOneLevel",
                              "<ExpandPSOneLevelInput><input excludeFilter=\"excludeGDEs\"/>"
                              "</ExpandPSOneLevelInput>");
            }),
            "Invalid Enum value: excludeGDEs");
  EXPECT_EQ(markTexts(), marks(kStructureManagementService, "expandPSOneLevel", 2));
  EXPECT_EQ(received, Strings{"not called"});
  const host::Reply reply = call("generateAlternateIds",
                                 "<GenerateAlternateIdsInput><input count=\"many\"/>"
                                 "</GenerateAlternateIdsInput>");
  EXPECT_TRUE(reply.fault);
  EXPECT_NE(reply.reason.find("GenerateAlternateIdsProperties.count"), std::string::npos)
      << reply.reason;
}

// An error left on the store before a request, or by a service that then answers, reaches no
// reply (ServiceTest::call checks that the store is empty after each request); a service or
// operation that is not there is a fault that says so.
TEST_F(SkeletonHandlersTest, ErrorsOfOneRequestNeverReachAnother) {
  swapInStandIns();
  failure = Failure::leavesAnError;
  EXPECT_FALSE(call("getAllAttrMappings", "<GetAllAttrMappingsInput/>").fault);
  ERROR_store(EMH_severity_error, 215022, "left over");
  const host::Reply reply =
      call("getAvailableTypes",
           "<GetAvailableTypesInput><classe>NoSuchClass</classe></GetAvailableTypesInput>");
  EXPECT_EQ(
      partialErrorsOf(
          responseOf<Korvane::Schemas::Cad::_2007_01::Datamanagement::GetAvailableTypesResponse>(
              reply)),
      Strings{": 7010"});
  EXPECT_EQ(call(kConfiguredService, "getAvailableTypes", "<x/>").reason,
            "ServiceException: The operation \"getAvailableTypes\" is not part of the service "
            "\"Cad-2007-06-StructureManagement\"; its operations are "
            "\"getConfiguredItemRevision\".");
  EXPECT_EQ(host::dispatch("Nope", "getAvailableTypes", "<x/>").reason,
            "ServiceException: The service \"Nope\" is not registered; the registered services "
            "are \"Cad-2007-01-DataManagement\", \"Cad-2007-01-StructureManagement\" and "
            "\"Cad-2007-06-StructureManagement\".");
  EXPECT_TRUE(host::errorStore().empty());
}

}  // namespace
