// The timing harness the benchmarks share. A case is an operation at one size: each iteration
// sets the store up (untimed), times the operation in this thread's processor time and keeps
// the time per item if it is the best so far of that case and size; once Google Benchmark is
// done, each benchmark prints a summary of the best figures, the larger size against the
// smaller. The best of the iterations, rather than their mean, is the figure least moved by
// the other work on a shared machine.
//
// Benchmarks run one at a time on the main thread; nothing here is thread-safe.
#pragma once

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>

namespace bench_support {

// The processor time of this thread, in seconds: user and system time, page faults included,
// but not the time the thread waits for a core while other processes run, which on a shared
// machine swings more than the operation's own cost.
double threadSeconds();

// The best (least) figure of each case, by its name and then its size.
using BestFigures = std::map<std::string, std::map<int, double>>;

// The figures kept in this process so far.
BestFigures& bestFigures();

// Keeps `figure` as that of case `name` at `size` when it has none yet, or a larger one. A
// figure of 0 counts as none.
void keepBest(const std::string& name, int size, double figure);

// The figure of case `name` at `size` in `figures`, or 0 where it has none.
double figureAt(const BestFigures& figures, const std::string& name, int size);

// Adds to `state` the counter `counter`: the wall time per item of an iteration that handles
// `items` items.
void countPerItem(benchmark::State& state, const std::string& counter, int items);

// An operation set up and ready to be timed; it answers whether it did what was expected.
using Operation = std::function<bool()>;

// Sets the store up for an operation on `items` items and answers the operation.
using Prepare = std::function<Operation(int items)>;

// How a case calls its items and an operation that did not do what was expected.
struct Wording {
  std::string counter = "per_item";
  std::string failure = "the operation did not succeed";
};

// Registers the benchmark "BM_<name>" with `items` items and `iterations` iterations; each
// iteration prepares (untimed) and times one operation, whose processor time per item is kept
// with keepBest under `name` and `items`. An operation that answers false marks the benchmark
// as failed with `wording.failure`; its time is kept all the same.
void addPerItem(const std::string& name, const Prepare& prepare, int items, int iterations,
                const Wording& wording = Wording());

// Whether the process keeps the memory it frees (as a long-running host does, so that a run
// does not pay for the pages that the store of the previous run gave back) or gives it back to
// the system as the C library does by default.
enum class FreedMemory { kept, givenBack };

// Sets the C library's handling of freed memory and hands the command line to Google
// Benchmark, which takes its own arguments out of it. False where the command line holds an
// argument that Google Benchmark does not know (it has said which); the program should then
// end with status 1.
bool start(int* argc, char** argv, FreedMemory freedMemory = FreedMemory::kept);

// Runs the benchmarks registered, as far as the command line selects them, then shuts Google
// Benchmark down.
void runSelected();

// Prints a row for each case of `figures` that has exactly two sizes: its name left-aligned in
// `nameWidth` columns, each size with its figure in microseconds, the larger size's figure
// against the smaller's, and "  MISSED" where that ratio is over `target`. With
// `targetOnEachRow` the row also states the target; otherwise the heading is expected to.
void printLargerAgainstSmaller(const BestFigures& figures, int nameWidth, double target,
                               bool targetOnEachRow);

}  // namespace bench_support
