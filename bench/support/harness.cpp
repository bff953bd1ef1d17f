#include "bench/support/harness.h"

#include <malloc.h>

#include <time.h>

#include <algorithm>
#include <cstdio>

namespace bench_support {

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

BestFigures& bestFigures() {
  static BestFigures best;
  return best;
}

void keepBest(const std::string& name, int size, double figure) {
  double& best = bestFigures()[name][size];
  best = best == 0 ? figure : std::min(best, figure);
}

double figureAt(const BestFigures& figures, const std::string& name, int size) {
  const auto perSize = figures.find(name);
  if (perSize == figures.end()) {
    return 0;
  }
  const auto figure = perSize->second.find(size);
  return figure == perSize->second.end() ? 0 : figure->second;
}

void countPerItem(benchmark::State& state, const std::string& counter, int items) {
  state.counters[counter] =
      benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

namespace {

void runPerItem(benchmark::State& state, const std::string& name, const Prepare& prepare,
                const Wording& wording) {
  const int items = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Operation operation = prepare(items);
    state.ResumeTiming();
    const double start = threadSeconds();
    const bool succeeded = operation();
    const double elapsed = threadSeconds() - start;
    state.PauseTiming();
    if (!succeeded) {
      state.SkipWithError(wording.failure.c_str());
    }
    keepBest(name, items, elapsed / items);
    state.ResumeTiming();
  }
  countPerItem(state, wording.counter, items);
}

}  // namespace

void addPerItem(const std::string& name, const Prepare& prepare, int items, int iterations,
                const Wording& wording) {
  benchmark::RegisterBenchmark(("BM_" + name).c_str(),
                               [name, prepare, wording](benchmark::State& state) {
                                 runPerItem(state, name, prepare, wording);
                               })
      ->Arg(items)
      ->Iterations(iterations)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
}

bool start(int* argc, char** argv, FreedMemory freedMemory) {
  if (freedMemory == FreedMemory::kept) {
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
  }
  benchmark::Initialize(argc, argv);
  return !benchmark::ReportUnrecognizedArguments(*argc, argv);
}

void runSelected() {
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

void printLargerAgainstSmaller(const BestFigures& figures, int nameWidth, double target,
                               bool targetOnEachRow) {
  char targetNote[64] = "";
  if (targetOnEachRow) {
    std::snprintf(targetNote, sizeof targetNote, " (target at most %.2fx)", target);
  }
  for (const auto& [name, perSize] : figures) {
    if (perSize.size() != 2) {
      continue;
    }
    const auto& [small, smallTime] = *perSize.begin();
    const auto& [large, largeTime] = *perSize.rbegin();
    const double ratio = smallTime > 0 ? largeTime / smallTime : 0.0;
    std::printf("%-*s %6d: %9.3f  %6d: %9.3f  %6.2fx%s%s\n", nameWidth, name.c_str(), small,
                smallTime * 1e6, large, largeTime * 1e6, ratio, targetNote,
                ratio <= target ? "" : "  MISSED");
  }
}

}  // namespace bench_support
