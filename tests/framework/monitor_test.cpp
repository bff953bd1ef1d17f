#include "framework/monitor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

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
