// Work that piles up on one object: what an item costs must not grow with what its owner
// already holds. Each case runs at two sizes, the larger four times the smaller, through the
// service interface against the host stand-in:
//
//   Relations/new       createOrUpdateRelations of N relations from one primary object to N
//                       secondary objects;
//   Relations/onto      the same, on a primary that already has N relations of that type;
//   Revisions           createOrUpdateParts of N new revisions of one item;
//   Datasets            createOrUpdateParts of N parts that each give one new dataset to the same
//                       item revision.
//
// The store is set up and its indexes brought up to date before the clock starts; the time is
// the thread's processor time, the best of the iterations. At the end the time per item at the
// larger size is printed against that at the smaller (target: at most 1.5x).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/parts_world.h"
#include "datamanagement/data_management.h"
#include "host/object/host_call.h"
#include "host/object/item_create.h"
#include "host/object/store.h"

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

double threadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

Tag tagOf(const std::string& uid) {
  return host::Store::instance().tagOfUid(uid);
}

// A reset store holding the parts world and `objects`; the host's indexes are brought up to
// date, so that the timed call pays for no catch-up of what was set up.
void prepareStore(const std::string& objects) {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(bench_support::partsWorld(objects));
  host::callLog().setEnabled(false);
}

void settleIndexes() {
  for (void (*hook)() : host::loadHooks()) {
    hook();
  }
}

// The primary "i.primary", N folders "s<i>" to relate to it and, with `existing`, N more
// folders "e<i>" already related to it.
std::string relationObjects(int relations, bool existing) {
  std::string out =
      R"(  <object uid="i.primary" class="Item" type="Item"><prop name="item_id" value="P"/></object>
)";
  for (int i = 0; i < relations; ++i) {
    out += "  <object uid=\"s" + std::to_string(i) + "\" class=\"Folder\" type=\"Folder\"/>\n";
    if (existing) {
      out += "  <object uid=\"e" + std::to_string(i) +
             "\" class=\"Folder\" type=\"Folder\"/>\n  <relation type=\"ZOLT_specification\" "
             "primary=\"i.primary\" secondary=\"e" +
             std::to_string(i) + "\"/>\n";
    }
  }
  return out;
}

using Operation = std::function<bool()>;
using Prepare = std::function<Operation(int items)>;

Prepare relations(bool existing) {
  return [existing](int items) -> Operation {
    prepareStore(relationObjects(items, existing));
    auto info = std::make_shared<std::vector<DataManagement::CreateOrUpdateRelationsInfo>>();
    for (int i = 0; i < items; ++i) {
      DataManagement::CreateOrUpdateRelationsInfo relation;
      relation.clientId = "r" + std::to_string(i);
      relation.relationType = "ZOLT_specification";
      relation.primaryObject = tagOf("i.primary");
      relation.secondaryObject = tagOf("s" + std::to_string(i));
      info->push_back(std::move(relation));
    }
    return [info, items] {
      const auto response =
          Korvane::Soa::Cad::_2007_01::DataManagementImpl().createOrUpdateRelations(*info, false,
                                                                                    {});
      return response.output.size() == static_cast<std::size_t>(items) &&
             response.serviceData.getErrorArray().empty() &&
             response.serviceData.createdUids().size() == static_cast<std::size_t>(items);
    };
  };
}

// The item "ONE" with its revision "A", made as createOrUpdateParts makes one.
void oneItem(Tag* item, Tag* revision) {
  prepareStore("");
  ITEM_create_item("ONE", "one", "Item", "A", item, revision);
  settleIndexes();
}

Operation revisions(int items) {
  Tag item;
  Tag revision;
  oneItem(&item, &revision);
  auto info = std::make_shared<std::vector<DataManagement::PartInfo>>(items);
  for (int i = 0; i < items; ++i) {
    DataManagement::PartInfo& part = (*info)[static_cast<std::size_t>(i)];
    part.clientId = "rev-" + std::to_string(i);
    part.itemInput.item = item;
    part.itemRevInput.revId = "R" + std::to_string(i);
  }
  return [info, items] {
    const auto response =
        Korvane::Soa::Cad::_2007_01::DataManagementImpl().createOrUpdateParts(*info);
    return response.output.size() == static_cast<std::size_t>(items) &&
           response.serviceData.getErrorArray().empty();
  };
}

Operation datasets(int items) {
  Tag item;
  Tag revision;
  oneItem(&item, &revision);
  auto info = std::make_shared<std::vector<DataManagement::PartInfo>>(items);
  for (int i = 0; i < items; ++i) {
    DataManagement::PartInfo& part = (*info)[static_cast<std::size_t>(i)];
    const std::string n = std::to_string(i);
    part.clientId = "ds-" + n;
    part.itemInput.item = item;
    part.itemRevInput.itemRevision = revision;
    DataManagement::DatasetInfo dataset;
    dataset.clientId = "model";
    dataset.name = "model-" + n;
    dataset.type = "CADModel";
    dataset.itemRevRelationName = "ZOLT_specification";
    dataset.datasetFileInfo = {{"part", "part-" + n + ".prt", "PART", false, false}};
    part.datasetInput.push_back(std::move(dataset));
  }
  return [info, items] {
    const auto response =
        Korvane::Soa::Cad::_2007_01::DataManagementImpl().createOrUpdateParts(*info);
    return response.output.size() == static_cast<std::size_t>(items) &&
           response.serviceData.getErrorArray().empty() &&
           response.output.back().datasetOutput.size() == 1;
  };
}

std::map<std::string, std::map<int, double>>& bestPerItem() {
  static std::map<std::string, std::map<int, double>> best;
  return best;
}

void run(benchmark::State& state, const std::string& name, const Prepare& prepare) {
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
      state.SkipWithError("the operation did not succeed");
    }
    double& best = bestPerItem()[name][items];
    const double perItem = elapsed / items;
    best = best == 0 ? perItem : std::min(best, perItem);
    state.ResumeTiming();
  }
  state.counters["per_item"] =
      benchmark::Counter(static_cast<double>(items), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}

}  // namespace

int main(int argc, char** argv) {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  struct Case {
    const char* name;
    Prepare prepare;
    int small;
  };
  const Case cases[] = {
      {"Relations/new", relations(false), 2000},
      {"Relations/onto", relations(true), 2000},
      {"Revisions", revisions, 1250},
      {"Datasets", datasets, 1250},
  };
  for (const Case& each : cases) {
    for (int items : {each.small, each.small * 4}) {
      const std::string name = each.name;
      const Prepare prepare = each.prepare;
      benchmark::RegisterBenchmark(
          ("BM_" + name).c_str(),
          [name, prepare](benchmark::State& state) { run(state, name, prepare); })
          ->Arg(items)
          ->Iterations(5)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf(
      "\nProcessor time per item (us), the larger size against the smaller (target: at "
      "most 1.50x)\n");
  for (const auto& [name, perSize] : bestPerItem()) {
    if (perSize.size() != 2) {
      continue;
    }
    const auto& [small, smallTime] = *perSize.begin();
    const auto& [large, largeTime] = *perSize.rbegin();
    const double ratio = smallTime > 0 ? largeTime / smallTime : 0.0;
    std::printf("%-16s %6d: %9.3f  %6d: %9.3f  %6.2fx%s\n", name.c_str(), small, smallTime * 1e6,
                large, largeTime * 1e6, ratio, ratio <= 1.5 ? "" : "  MISSED");
  }
  return 0;
}
