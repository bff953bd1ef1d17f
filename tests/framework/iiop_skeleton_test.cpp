#include "framework/iiop_skeleton.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/monitor.h"
#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/soaserver/dispatcher.h"
#include "tests/support/host_fixture.h"

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Common {

// Brings a timing close to its limits without 2^31 phases.
class ExecutionTimeTestAccess {
 public:
  static void setCount(ExecutionTime& timing, std::int32_t count) { timing.count_ = count; }
};

}  // namespace Common
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane

namespace {

using Korvane::Soa::Internal::Common::ExecutionTime;
using Korvane::Soa::Internal::Common::ExecutionTimeTestAccess;
using Korvane::Soa::Internal::Common::Mark;
using Korvane::Soa::Internal::Common::Monitor;
using Korvane::Soa::Internal::Server::IiopSkeleton;
using Korvane::Soa::Internal::Server::ServiceManager;

int echoCalls = 0;

std::string echo(const std::string& request) {
  ++echoCalls;
  return "<EchoResponse>" + request + "</EchoResponse>";
}

std::string throwsIFail(const std::string&) {
  ERROR_store(EMH_severity_error, 215022, "Widget");
  throw IFail(215022);
}

std::string throwsServiceException(const std::string&) {
  throw Korvane::Soa::Server::ServiceException("no way");
}

std::string leavesAnError(const std::string&) {
  ERROR_store(EMH_severity_error, 215050);
  return "<LeftResponse/>";
}

// An exception whose fault cannot be written: the memory runs out while it is described.
class UnwritableException : public Korvane::Schemas::Soa::_2006_03::Exceptions::SoaException {
 public:
  std::string getLocalName() const override { throw std::bad_alloc(); }
};

std::string throwsUnwritable(const std::string&) {
  ERROR_store(EMH_severity_error, 215050);
  throw UnwritableException();
}

class TestSkeleton : public IiopSkeleton {
 public:
  TestSkeleton() {
    serviceName_ = "Test";
    operations_["echo"] = &echo;
    operations_["fails"] = &throwsIFail;
    operations_["refuses"] = &throwsServiceException;
    operations_["leaves"] = &leavesAnError;
    operations_["unwritable"] = &throwsUnwritable;
    operations_["empty"] = nullptr;
  }
};

class SkeletonTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    echoCalls = 0;
    KvServiceManager::instance().registerService("Test-1", &skeleton_);
  }
  void TearDown() override { KvServiceManager::instance().unregisterService("Test-1"); }

  TestSkeleton skeleton_;
};

// A copied skeleton has the same table and name and reaches the same handlers.
TEST_F(SkeletonTest, KnownOperationReachesItsHandler) {
  TestSkeleton copy = skeleton_;
  EXPECT_EQ(copy.serviceName(), "Test");
  EXPECT_EQ(copy.operationTable(), skeleton_.operationTable());
  EXPECT_EQ(copy.invokeMethod("echo", "y"), "<EchoResponse>y</EchoResponse>");
  EXPECT_EQ(echoCalls, 1);
}

TEST_F(SkeletonTest, UnknownOrEmptyOperationGetsAFaultAndCallsNothing) {
  for (const char* operation : {"Echo", "", "empty"}) {
    const std::string reply = skeleton_.invokeMethod(operation, "x");
    Korvane::Soa::Common::Xml::SAXToNodeParser parser;
    const auto& root = parser.parseString(reply);
    EXPECT_EQ(root.name(), "ServiceException") << operation;
    EXPECT_NE(root.attr("message")->find("\"Test\""), std::string::npos);
    EXPECT_TRUE(host::isFaultDocument(reply));
  }
  EXPECT_EQ(echoCalls, 0);
}

// Each reply is a response or a well-formed fault, and the error store is empty after each
// request whatever the handler left on it.
TEST_F(SkeletonTest, DispatcherAnswersResponsesAndFaults) {
  const struct {
    const char* service;
    const char* operation;
    bool fault;
    const char* text;  // Part of the reply text, or the exact reason with a fault.
    const char* reason;
  } cases[] = {
      {"Test-1", "echo", false, "<EchoResponse>z</EchoResponse>", ""},
      {"Test-1", "leaves", false, "<LeftResponse/>", ""},
      {"Test-1", "fails", true, "code=\"215022\"", nullptr},
      {"Test-1", "refuses", true, "", "ServiceException: no way"},
      {"Test-1", "unwritable", true, "", nullptr},
      {"Test-1", "nothing", true, "", nullptr},
      {"Nope", "echo", true, "", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.service) + "/" + c.operation);
    ERROR_store(EMH_severity_error, 1);
    const host::Reply reply = host::dispatch(c.service, c.operation, "z");
    EXPECT_EQ(reply.fault, c.fault);
    EXPECT_EQ(host::isFaultDocument(reply.text), c.fault);
    EXPECT_NE(reply.text.find(c.text), std::string::npos) << reply.text;
    if (c.reason != nullptr) {
      EXPECT_EQ(reply.reason, c.reason);
    }
    EXPECT_TRUE(host::errorStore().empty());
  }
}

TEST(ServiceManagerTest, RegistersEachNameOnceAndForgetsIt) {
  ServiceManager& registry = ServiceManager::instance();
  EXPECT_EQ(registry.registerService("Svc-A"), "Svc-A");
  registry.registerService("Svc-A");
  EXPECT_EQ(std::count(registry.serviceNames().begin(), registry.serviceNames().end(), "Svc-A"), 1);
  registry.unregisterService("Svc-A");
  EXPECT_EQ(std::count(registry.serviceNames().begin(), registry.serviceNames().end(), "Svc-A"), 0);
}

TEST(KvServiceManagerTest, KeepsRegistrationOrderAndReplacesByName) {
  KvServiceManager& registry = KvServiceManager::instance();
  T2LService first;
  T2LService second;
  registry.registerService("Kv-B", &first);
  registry.registerService("Kv-A", &first);
  registry.registerService("Kv-B", &second);

  std::vector<std::string> names = registry.serviceNames();
  auto b = std::find(names.begin(), names.end(), "Kv-B");
  auto a = std::find(names.begin(), names.end(), "Kv-A");
  ASSERT_TRUE(b != names.end() && a != names.end());
  EXPECT_LT(b, a);
  EXPECT_EQ(registry.find("Kv-B"), &second);
  EXPECT_EQ(registry.unregisterService("Kv-B"), &second);
  EXPECT_EQ(registry.find("Kv-B"), nullptr);
  registry.unregisterService("Kv-A");
}

TEST(MonitorTest, RecordsMarksInOrderAndToleratesOpenPhases) {
  Monitor::clear();
  Monitor::markStart("S");
  Monitor::markStart("S::inner");
  Monitor::markStart("never ended");
  Monitor::markEnd("S::inner");
  Monitor::markEnd("S");
  Monitor::markEnd("never started");

  const std::vector<Mark> marks = Monitor::marks();
  ASSERT_EQ(marks.size(), 6u);
  EXPECT_EQ(marks[0].name(), "S");
  EXPECT_EQ(marks[0].kind(), Mark::kStart);
  EXPECT_EQ(marks[3].name(), "S::inner");
  EXPECT_EQ(marks[3].kind(), Mark::kEnd);
  EXPECT_GE(marks[3].micros(), 0);
  EXPECT_EQ(marks[5].micros(), -1);
  EXPECT_EQ(Monitor::executionTime("S").count(), 1);
  EXPECT_EQ(Monitor::executionTime("never ended").count(), 0);
}

TEST(MonitorTest, TimingCountAndTotalStopAtTheLargestInt) {
  constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
  ExecutionTime timing("phase");
  ExecutionTimeTestAccess::setCount(timing, kLargest - 1);
  timing.add(kLargest);
  timing.add(kLargest);
  timing.add(1);
  EXPECT_EQ(timing.count(), kLargest);
  EXPECT_EQ(timing.totalMicros(), kLargest);
  EXPECT_EQ(timing.maxMicros(), kLargest);
}

TEST(MonitorTest, KeepsOnlyTheNewestMarksAndOpenPhases) {
  Monitor::clear();
  for (std::size_t i = 0; i < Monitor::kMaxMarks + 10; ++i) {
    Monitor::markStart("open " + std::to_string(i));
  }
  const std::vector<Mark> marks = Monitor::marks();
  EXPECT_EQ(marks.size(), Monitor::kMaxMarks);
  EXPECT_EQ(marks.back().name(), "open " + std::to_string(Monitor::kMaxMarks + 9));
  Monitor::markEnd("open 0");  // Long dropped from the open phases: no timing.
  EXPECT_EQ(Monitor::executionTime("open 0").count(), 0);
  Monitor::clear();
}

}  // namespace
