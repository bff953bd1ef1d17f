#include "framework/monitor.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <limits>
#include <map>

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Common {

namespace {

using Clock = std::chrono::steady_clock;

struct OpenPhase {
  std::string name;
  Clock::time_point started;
};

struct MonitorState {
  std::deque<Mark> marks;
  std::deque<OpenPhase> open;
  std::map<std::string, ExecutionTime> timings;
};

MonitorState& state() {
  static MonitorState monitor;
  return monitor;
}

void record(const Mark& mark) {
  MonitorState& monitor = state();
  if (monitor.marks.size() == Monitor::kMaxMarks) {
    monitor.marks.pop_front();
  }
  monitor.marks.push_back(mark);
}

std::int32_t saturatingAdd(std::int32_t a, std::int32_t b) {
  const std::int64_t sum = static_cast<std::int64_t>(a) + b;
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(sum, std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void ExecutionTime::add(std::int32_t micros) {
  count_ = saturatingAdd(count_, 1);
  totalMicros_ = saturatingAdd(totalMicros_, micros);
  maxMicros_ = std::max(maxMicros_, micros);
  if (recent_.size() == kRecent) {
    recent_.erase(recent_.begin());
  }
  recent_.push_back(micros);
}

void Monitor::markStart(const std::string& name) {
  MonitorState& monitor = state();
  if (monitor.open.size() == kMaxOpen) {
    monitor.open.pop_front();
  }
  monitor.open.push_back({name, Clock::now()});
  record(Mark(name, Mark::kStart, -1));
}

void Monitor::markEnd(const std::string& name) {
  MonitorState& monitor = state();
  std::int32_t micros = -1;
  auto open = std::find_if(monitor.open.rbegin(), monitor.open.rend(),
                           [&](const OpenPhase& phase) { return phase.name == name; });
  if (open != monitor.open.rend()) {
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - open->started);
    micros = static_cast<std::int32_t>(
        std::min<std::int64_t>(elapsed.count(), std::numeric_limits<std::int32_t>::max()));
    monitor.open.erase(std::next(open).base());
    auto timing = monitor.timings.find(name);
    if (timing == monitor.timings.end()) {
      timing = monitor.timings.emplace(name, ExecutionTime(name)).first;
    }
    timing->second.add(micros);
  }
  record(Mark(name, Mark::kEnd, micros));
}

std::vector<Mark> Monitor::marks() {
  const MonitorState& monitor = state();
  return std::vector<Mark>(monitor.marks.begin(), monitor.marks.end());
}

ExecutionTime Monitor::executionTime(const std::string& name) {
  const MonitorState& monitor = state();
  auto timing = monitor.timings.find(name);
  return timing == monitor.timings.end() ? ExecutionTime(name) : timing->second;
}

void Monitor::clear() {
  MonitorState& monitor = state();
  monitor.marks.clear();
  monitor.open.clear();
  monitor.timings.clear();
}

}  // namespace Common
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane
