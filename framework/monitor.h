// The timing monitor: request handlers mark the start and end of every phase of a request.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Common {

// One recorded mark: its name, whether it opened or closed a phase, and for a closing mark the
// phase's duration in microseconds (-1 for an opening mark, or for a close without an open).
class Mark {
 public:
  enum Kind : std::int32_t { kStart = 0, kEnd = 1 };

  Mark() = default;
  Mark(const std::string& name, Kind kind, std::int32_t micros)
      : name_(name), kind_(kind), micros_(micros) {}
  Mark(const Mark&) = default;
  Mark& operator=(const Mark&) = default;

  const std::string& name() const { return name_; }
  Kind kind() const { return static_cast<Kind>(kind_); }
  std::int32_t micros() const { return micros_; }

 private:
  std::string name_;
  std::int32_t kind_ = kStart;
  std::int32_t micros_ = -1;
};

// Accumulated timing of one phase name: how often it closed, total and longest duration in
// microseconds, and the most recent durations (at most kRecent). The count and the total stop
// at the largest int rather than wrap, as a long-running server would otherwise make them.
class ExecutionTime {
 public:
  static constexpr std::size_t kRecent = 16;

  ExecutionTime() = default;
  explicit ExecutionTime(const std::string& name) : name_(name) {}
  ExecutionTime(const ExecutionTime&) = default;
  ExecutionTime& operator=(const ExecutionTime&) = default;

  void add(std::int32_t micros);

  const std::string& name() const { return name_; }
  std::int32_t count() const { return count_; }
  std::int32_t totalMicros() const { return totalMicros_; }
  std::int32_t maxMicros() const { return maxMicros_; }
  const std::vector<std::int32_t>& recentMicros() const { return recent_; }

 private:
  std::string name_;
  std::int32_t count_ = 0;
  std::int32_t totalMicros_ = 0;
  std::int32_t maxMicros_ = 0;
  std::vector<std::int32_t> recent_;

  friend class ExecutionTimeTestAccess;
};

// Process-wide monitor. Marks are kept in order (the newest kMaxMarks of them) so that they can
// be read back. A phase that is started and never ended is tolerated: its open mark is dropped
// once kMaxOpen newer phases are open. Not synchronised: the library serves one request at a
// time per process.
class Monitor {
 public:
  static constexpr std::size_t kMaxMarks = 4096;
  static constexpr std::size_t kMaxOpen = 256;

  Monitor& operator=(const Monitor&) { return *this; }

  static void markStart(const std::string& name);
  // Closes the newest open phase of that name.
  static void markEnd(const std::string& name);

  // The recorded marks, oldest first.
  static std::vector<Mark> marks();
  // The accumulated timing of the phase `name` (count 0 when it never closed).
  static ExecutionTime executionTime(const std::string& name);
  // Forgets every mark, open phase and timing.
  static void clear();
};

}  // namespace Common
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
