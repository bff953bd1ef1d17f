// What undoing costs: a step rolled back costs what the step did, and a mark point costs what
// changes under it.
//
//   Parts/succeeding/N  createOrUpdateParts of N new parts, each with one dataset;
//   Parts/failing/N     the same, but every dataset's type has no tool, so each input fails
//                       after its item, revision and dataset were made and is rolled back;
//   MarkedInsert/N      place a mark point, append one entry to a saved reference list of N
//                       entries, roll the mark back: the undo record holds the entry, not the
//                       list.
// At the end the failing parts are printed against the succeeding ones at 10,000 (target: at
// most 2x), and the marked insertion at 100,000 entries against that at 1,000 (target: 1.5x).
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/parts_world.h"
#include "bench/support/prepared_store.h"
#include "datamanagement/data_management.h"
#include "host/object/pom.h"
#include "host/object/store.h"

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

// The parts world with a dataset type that has no tool: its datasets fail after being made.
const std::string kWorld =
    bench_support::partsWorld(R"(  <object uid="dt.broken" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="NoTool"/>
  </object>
)");

using bench_support::keepBest;

void BM_Parts(benchmark::State& state, bool failing) {
  const int parts = static_cast<int>(state.range(0));
  const std::vector<DataManagement::PartInfo> infos =
      bench_support::newParts(parts, failing ? "NoTool" : "CADModel");
  for (auto _ : state) {
    state.PauseTiming();
    bench_support::resetStore(kWorld);
    Korvane::Soa::Cad::_2007_01::DataManagementImpl service;
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    DataManagement::CreateOrUpdatePartsResponse response = service.createOrUpdateParts(infos);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    state.PauseTiming();
    const std::size_t errors = response.serviceData.getErrorArray().size();
    if (failing ? errors != infos.size() : errors != 0) {
      state.SkipWithError("the request did not answer as expected");
    }
    keepBest(failing ? "Parts/failing" : "Parts/succeeding", parts, elapsed.count());
    state.ResumeTiming();
  }
  bench_support::countPerItem(state, "per_part", parts);
}

void BM_MarkedInsert(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  bench_support::resetStore(kWorld);
  host::Store& store = host::Store::instance();
  const Tag folder = store.tagOfUid("f.home");
  const Tag entry = store.tagOfUid("f.newstuff");
  host::Value list;
  list.tags.assign(static_cast<std::size_t>(entries), entry);
  store.write(folder, "contents", list, host::WriteMode::initial);
  constexpr int kSteps = 1000;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kSteps; ++i) {
      int mark = 0;
      POM_place_markpoint(&mark);
      // At the end of the saved list: the insertion itself costs the same at any length.
      store.insertReference(folder, "contents", static_cast<std::size_t>(-1), entry,
                            host::WriteMode::initial);
      POM_roll_to_markpoint(mark, nullptr);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    keepBest("MarkedInsert", entries, elapsed.count() / kSteps);
  }
  bench_support::countPerItem(state, "per_step", kSteps);
}

BENCHMARK_CAPTURE(BM_Parts, succeeding, false)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK_CAPTURE(BM_Parts, failing, true)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_MarkedInsert)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (!bench_support::start(&argc, argv, bench_support::FreedMemory::givenBack)) {
    return 1;
  }
  bench_support::runSelected();
  auto ratio = [](const char* what, std::pair<std::string, int> a, std::pair<std::string, int> b,
                  double target) {
    const bench_support::BestFigures& best = bench_support::bestFigures();
    const double over = bench_support::figureAt(best, a.first, a.second);
    const double under = bench_support::figureAt(best, b.first, b.second);
    if (over > 0 && under > 0) {
      const double value = over / under;
      std::printf("%s: %.2fx (target at most %.1fx)%s\n", what, value, target,
                  value <= target ? "" : "  MISSED");
    }
  };
  ratio("failing / succeeding parts at 10,000", {"Parts/failing", 10000},
        {"Parts/succeeding", 10000}, 2.0);
  ratio("marked insertion at 100,000 / at 1,000 entries", {"MarkedInsert", 100000},
        {"MarkedInsert", 1000}, 1.5);
  return 0;
}
