// The StructureManagement 2007-06 skeleton: its one-entry table, its handler (which catches
// nothing) and its conversions, with a stand-in service in the place of the singleton.
#include "skeletons/structuremanagement/structure_management_2007_06_iiop_skeleton.h"

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
namespace _2007_06 {

// Reaches the skeleton's statics, so that a test can put a stand-in service in place.
class StructureManagementIiopSkeletonTestAccess {
 public:
  static Korvane::Soa::Cad::_2007_06::StructureManagementImpl*& service() {
    return StructureManagementIiopSkeleton::_service;
  }
  static Korvane::Soa::Server::ServicePolicy*& policy() {
    return StructureManagementIiopSkeleton::_servicePolicy;
  }
};

}  // namespace _2007_06
}  // namespace Cad
}  // namespace Services
}  // namespace Korvane

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_06::Structuremanagement;
using Korvane::Services::Cad::_2007_06::StructureManagementIiopSkeleton;
using Access = Korvane::Services::Cad::_2007_06::StructureManagementIiopSkeletonTestAccess;
using Korvane::Soa::Cad::_2007_06::StructureManagement;
using Korvane::Soa::Cad::_2007_06::StructureManagementImpl;
using Korvane::Soa::Internal::Common::Monitor;
using soacad_test::markTexts;
using Strings = std::vector<std::string>;
using ServiceSwap = soacad_test::ScopedValue<StructureManagementImpl*>;

const char* const kService = "Cad-2007-06-StructureManagement";
const char* const kOperation = "getConfiguredItemRevision";
// The marks of a request; the first `count` of them.
Strings marks(std::size_t count = 8) {
  return soacad_test::requestMarks(
      "Korvane::Soa::Cad::_2007_06::StructureManagementIiopSkeleton::getConfiguredItemRevision",
      "Korvane::Soa::Cad::_2007_06::StructureManagementImpl::getConfiguredItemRevision", count);
}

// Echoes every input with the revision rule's tag as the configured revision, or fails.
class StandInService : public StructureManagementImpl {
 public:
  explicit StandInService(bool fail) : fail_(fail) {}

  GetConfiguredItemRevisionResponse getConfiguredItemRevision(
      const std::vector<GetConfiguredItemRevisionInfo>& info) override {
    received = info;
    if (fail_) {
      ERROR_store(EMH_severity_error, 7007, "rule");
      throw IFail(7007);
    }
    GetConfiguredItemRevisionResponse response;
    for (const GetConfiguredItemRevisionInfo& input : info) {
      response.output.push_back({input, POMRef<>(input.revRule.tag())});
    }
    return response;
  }

  std::vector<GetConfiguredItemRevisionInfo> received;

 private:
  bool fail_;
};

StructureManagementIiopSkeleton& registeredSkeleton() {
  return *static_cast<StructureManagementIiopSkeleton*>(
      KvServiceManager::instance().find(kService));
}

class ConfiguredRevisionSkeletonTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
  }
};

TEST_F(ConfiguredRevisionSkeletonTest, TableCopiesAndPolicyOfTheSkeleton) {
  soacad_test::expectTableAndCopies<StructureManagementIiopSkeleton, Access>(
      registeredSkeleton(), "StructureManagement", {kOperation});
  soacad_test::expectInitializeTakesTheServiceAsPolicyIfItIsOne<StructureManagementIiopSkeleton,
                                                                Access>(registeredSkeleton());
}

TEST_F(ConfiguredRevisionSkeletonTest, RequestMakesTheEightMarksAndEchoesTheInputs) {
  StandInService standIn(false);
  ServiceSwap swap(Access::service(), &standIn);
  const host::Reply reply = call(kService, kOperation,
                                 "<GetConfiguredItemRevisionInput>"
                                 "<input><object uid=\"i.1\"/><revRule uid=\"f.home\"/></input>"
                                 "<input><object uid=\"\"/><revRule uid=\"no.such\"/></input>"
                                 "</GetConfiguredItemRevisionInput>");
  EXPECT_EQ(markTexts(), marks());
  ASSERT_EQ(standIn.received.size(), 2u);
  EXPECT_EQ(standIn.received[0].object, tagOf("i.1"));
  EXPECT_EQ(standIn.received[0].revRule.tag(), tagOf("f.home"));
  EXPECT_EQ(standIn.received[1].object, NULLTAG);
  EXPECT_EQ(standIn.received[1].revRule.loadedObject(), nullptr);

  ASSERT_EQ(parse(reply.text).name(), "GetConfiguredItemRevisionResponse");
  const auto response = responseOf<Wire::GetConfiguredItemRevisionResponse>(reply);
  Strings outputs;
  for (const auto& output : response.getOutputArray()) {
    outputs.push_back(output.getInputInfo().getObject().getUid() + " " +
                      output.getInputInfo().getRevRule().getUid() + " " +
                      output.getConfiguredItemRev().getUid());
  }
  // An input that names no object comes back as the null model object.
  EXPECT_EQ(outputs, (Strings{"i.1 f.home f.home", "  "}));

  EXPECT_TRUE(responseOf<Wire::GetConfiguredItemRevisionResponse>(
                  call(kService, kOperation, "<GetConfiguredItemRevisionInput/>"))
                  .getOutputArray()
                  .empty());
  EXPECT_TRUE(standIn.received.empty());
}

TEST_F(ConfiguredRevisionSkeletonTest, AFailureOfTheServiceReachesTheDispatcherWithoutEndMarks) {
  StandInService standIn(true);
  ServiceSwap swap(Access::service(), &standIn);
  EXPECT_THROW(registeredSkeleton().invokeMethod(kOperation, "<GetConfiguredItemRevisionInput/>"),
               IFail);
  EXPECT_EQ(markTexts(), marks(4));
  host::errorStore().clear();
  EXPECT_TRUE(call(kService, kOperation, "<GetConfiguredItemRevisionInput/>").fault);
}

TEST_F(ConfiguredRevisionSkeletonTest, OutputsCrossWithEveryObjectInItsPlace) {
  using Skeleton = StructureManagementIiopSkeleton;
  StructureManagement::GetConfiguredItemRevisionOutput local{{tagOf("i.1"), tagOf("f.home")},
                                                             tagOf("f.newstuff")};
  auto back = Skeleton::toLocal(Skeleton::toWire(local));
  EXPECT_EQ(
      uidsOf({back.inputInfo.object, back.inputInfo.revRule.tag(), back.configuredItemRev.tag()}),
      (Strings{"i.1", "f.home", "f.newstuff"}));

  // Objects that cannot cross become the null model object, and read back as no object.
  local = {{deletedTag(), tagOf("i.1")}, tagOf("unknown.uid")};
  back = Skeleton::toLocal(Skeleton::toWire(local));
  EXPECT_EQ(back.inputInfo.object, NULLTAG);
  EXPECT_EQ(back.inputInfo.revRule.tag(), tagOf("i.1"));
  EXPECT_EQ(back.configuredItemRev.tag(), NULLTAG);
  EXPECT_TRUE(host::errorStore().empty());
}

}  // namespace
