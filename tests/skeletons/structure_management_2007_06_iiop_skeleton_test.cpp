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
using Korvane::Services::Cad::_2007_06::StructureManagementIiopSkeletonTestAccess;
using Korvane::Soa::Cad::_2007_06::StructureManagement;
using Korvane::Soa::Cad::_2007_06::StructureManagementImpl;
using Korvane::Soa::Internal::Common::Mark;
using Korvane::Soa::Internal::Common::Monitor;
using ServerServiceException = Korvane::Soa::Server::ServiceException;
using Strings = std::vector<std::string>;

const char* const kService = "Cad-2007-06-StructureManagement";
const std::string kHandlerMark =
    "Korvane::Soa::Cad::_2007_06::StructureManagementIiopSkeleton::getConfiguredItemRevision";
const std::string kServiceMark =
    "Korvane::Soa::Cad::_2007_06::StructureManagementImpl::getConfiguredItemRevision";

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

Strings markTexts() {
  Strings texts;
  for (const Mark& mark : Monitor::marks()) {
    texts.push_back((mark.kind() == Mark::kStart ? "start " : "end ") + mark.name());
  }
  return texts;
}

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
  // A tag that names no live object: the object was deleted.
  Tag deletedTag() {
    load(R"(<fixture><object uid="gone" class="Folder" type="Folder"/></fixture>)");
    const Tag tag = tagOf("gone");
    EXPECT_EQ(store().remove(tag), 0);
    return tag;
  }
};

TEST_F(ConfiguredRevisionSkeletonTest, TableHoldsTheOneOperationUnderTheShortName) {
  const StructureManagementIiopSkeleton skeleton;
  EXPECT_EQ(skeleton.serviceName(), "StructureManagement");
  ASSERT_EQ(skeleton.operationTable().size(), 1u);
  EXPECT_EQ(skeleton.operationTable().begin()->first, "getConfiguredItemRevision");
  EXPECT_NE(skeleton.operationTable().begin()->second, nullptr);
}

TEST_F(ConfiguredRevisionSkeletonTest, InitializeMakesADefaultPolicyAndCopiesKeepTheService) {
  StructureManagementImpl* const service = StructureManagementIiopSkeletonTestAccess::service();
  registeredSkeleton().initialize();
  EXPECT_NE(StructureManagementIiopSkeletonTestAccess::policy(), nullptr);
  { const StructureManagementIiopSkeleton copy(registeredSkeleton()); }
  EXPECT_EQ(StructureManagementIiopSkeletonTestAccess::service(), service);
  EXPECT_NE(StructureManagementIiopSkeletonTestAccess::policy(), nullptr);
}

TEST_F(ConfiguredRevisionSkeletonTest, RequestMakesTheEightMarksAndEchoesTheInputs) {
  StandInService standIn(false);
  ServiceSwap swap(&standIn);
  const host::Reply reply = call(kService, "getConfiguredItemRevision",
                                 "<GetConfiguredItemRevisionInput>"
                                 "<input><object uid=\"i.1\"/><revRule uid=\"f.home\"/></input>"
                                 "<input><object uid=\"\"/><revRule uid=\"no.such\"/></input>"
                                 "</GetConfiguredItemRevisionInput>");
  EXPECT_EQ(markTexts(),
            (Strings{"start " + kHandlerMark, "start " + kHandlerMark + "::wireToLocal",
                     "end " + kHandlerMark + "::wireToLocal", "start " + kServiceMark,
                     "end " + kServiceMark, "start " + kHandlerMark + "::localToWire",
                     "end " + kHandlerMark + "::localToWire", "end " + kHandlerMark}));
  ASSERT_EQ(standIn.received.size(), 2u);
  EXPECT_EQ(standIn.received[0].object, tagOf("i.1"));
  EXPECT_EQ(standIn.received[0].revRule.tag(), tagOf("f.home"));
  EXPECT_EQ(standIn.received[1].object, NULLTAG);
  EXPECT_EQ(standIn.received[1].revRule.loadedObject(), nullptr);

  ASSERT_EQ(parse(reply.text).name(), "GetConfiguredItemRevisionResponse");
  const auto response = responseOf<Wire::GetConfiguredItemRevisionResponse>(reply);
  ASSERT_EQ(response.getOutputArray().size(), 2u);
  const auto& first = response.getOutputArray()[0];
  EXPECT_EQ(first.getInputInfo().getObject().getUid(), "i.1");
  EXPECT_EQ(first.getInputInfo().getRevRule().getUid(), "f.home");
  EXPECT_EQ(first.getConfiguredItemRev().getUid(), "f.home");
  // An input that names no object comes back as the null model object.
  const auto& second = response.getOutputArray()[1];
  EXPECT_EQ(second.getInputInfo().getObject().getUid(), "");
  EXPECT_EQ(second.getInputInfo().getRevRule().getUid(), "");
  EXPECT_EQ(second.getConfiguredItemRev().getUid(), "");
}

TEST_F(ConfiguredRevisionSkeletonTest, EmptyInputGivesAnEmptyOutput) {
  StandInService standIn(false);
  standIn.received.resize(3);
  ServiceSwap swap(&standIn);
  const host::Reply reply =
      call(kService, "getConfiguredItemRevision", "<GetConfiguredItemRevisionInput/>");
  EXPECT_TRUE(standIn.received.empty());
  EXPECT_TRUE(responseOf<Wire::GetConfiguredItemRevisionResponse>(reply).getOutputArray().empty());
}

TEST_F(ConfiguredRevisionSkeletonTest, AFailureOfTheServiceReachesTheDispatcherWithoutEndMarks) {
  StandInService standIn(true);
  ServiceSwap swap(&standIn);
  EXPECT_THROW(registeredSkeleton().invokeMethod("getConfiguredItemRevision",
                                                 "<GetConfiguredItemRevisionInput/>"),
               IFail);
  EXPECT_EQ(markTexts(),
            (Strings{"start " + kHandlerMark, "start " + kHandlerMark + "::wireToLocal",
                     "end " + kHandlerMark + "::wireToLocal", "start " + kServiceMark}));
  host::errorStore().clear();
  EXPECT_TRUE(
      call(kService, "getConfiguredItemRevision", "<GetConfiguredItemRevisionInput/>").fault);
}

TEST_F(ConfiguredRevisionSkeletonTest, OtherOperationsReachNoHandler) {
  const host::Reply reply = call(kService, "getRevisionRules", "<GetRevisionRulesInput/>");
  EXPECT_TRUE(reply.fault);
  EXPECT_TRUE(Monitor::marks().empty());
}

TEST_F(ConfiguredRevisionSkeletonTest, ObjectsThatCannotCrossBecomeTheNullModelObject) {
  StructureManagement::GetConfiguredItemRevisionOutput local;
  local.inputInfo.object = deletedTag();
  local.inputInfo.revRule = POMRef<>(tagOf("i.1"));
  local.configuredItemRev = POMRef<>(tagOf("unknown.uid"));
  const Wire::GetConfiguredItemRevisionOutput wire = StructureManagementIiopSkeleton::toWire(local);
  EXPECT_EQ(wire.getInputInfo().getObject().getUid(), "");
  EXPECT_EQ(wire.getInputInfo().getRevRule().getUid(), "i.1");
  EXPECT_EQ(wire.getConfiguredItemRev().getUid(), "");
  EXPECT_TRUE(host::errorStore().empty());

  const StructureManagement::GetConfiguredItemRevisionOutput back =
      StructureManagementIiopSkeleton::toLocal(wire);
  EXPECT_EQ(back.inputInfo.object, NULLTAG);
  EXPECT_EQ(back.inputInfo.revRule.tag(), tagOf("i.1"));
  EXPECT_EQ(back.configuredItemRev.tag(), NULLTAG);
}

// A record that shows the reference count of its implementation object.
class CountedInfo : public Wire::GetConfiguredItemRevisionInfo {
 public:
  int count() const { return getHandleObject().askRefCount(); }
};

TEST(ConfiguredRevisionWireRecords, ADroppedCopyLeavesTheCountAsItWas) {
  CountedInfo info;
  {
    const Wire::GetConfiguredItemRevisionInfo copy(info);
    EXPECT_EQ(info.count(), 2);
  }
  EXPECT_EQ(info.count(), 1);
}

TEST(ConfiguredRevisionWireRecords, EveryTypeIsWrittenAndParsedBackUnchanged) {
  const auto& types = Wire::recordTypes();
  ASSERT_EQ(types.size(), 4u);
  for (const auto& type : types) {
    Korvane::Soa::Common::Xml::SAXToNodeParser parser;
    EXPECT_EQ(type.reparse(parser.parseString(type.sample), type.name), type.sample) << type.name;
  }
}

}  // namespace
