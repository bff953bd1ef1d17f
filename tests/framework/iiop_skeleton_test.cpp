#include "framework/iiop_skeleton.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/monitor.h"
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

// Each reply is a response or a well-formed fault (an operation the table does not have, or has
// without a handler, calls nothing), and the error store is empty after each request whatever
// the handler left on it.
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
      {"Test-1", "Echo", true, "",
       "ServiceException: The operation \"Echo\" is not part of the "
       "service \"Test\"."},
      {"Test-1", "", true, "", nullptr},
      {"Test-1", "empty", true, "", nullptr},
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
  EXPECT_EQ(echoCalls, 1);
}

// Marks are kept in order, the newest ones only; a phase ended without a start has no time, and
// phases still open when they are dropped from the marks are never timed.
TEST(MonitorTest, RecordsTheNewestMarksInOrderAndToleratesOpenPhases) {
  Monitor::clear();
  Monitor::markStart("S");
  Monitor::markStart("never ended");
  Monitor::markEnd("S");
  Monitor::markEnd("never started");
  const std::vector<Mark> marks = Monitor::marks();
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(marks[2].name() + std::to_string(marks[2].kind() == Mark::kEnd), "S1");
  EXPECT_GE(marks[2].micros(), 0);
  EXPECT_EQ(marks[3].micros(), -1);
  EXPECT_EQ(Monitor::executionTime("S").count(), 1);
  EXPECT_EQ(Monitor::executionTime("never ended").count(), 0);

  for (std::size_t i = 0; i < Monitor::kMaxMarks + 10; ++i) {
    Monitor::markStart("open " + std::to_string(i));
  }
  EXPECT_EQ(Monitor::marks().size(), Monitor::kMaxMarks);
  EXPECT_EQ(Monitor::marks().back().name(), "open " + std::to_string(Monitor::kMaxMarks + 9));
  Monitor::markEnd("open 0");
  EXPECT_EQ(Monitor::executionTime("open 0").count(), 0);
  Monitor::clear();
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

}  // namespace
