// createOrUpdateParts at scale: one request of 100, 1,000 and 10,000 new parts, each with one
// dataset and two files.
//
// Three families, the first two through the service interface:
//   populated  the store already holds 20,000 parts (item, revision, master forms: 120,000
//              objects), as a site's database does; every size runs against that same store, so
//              the figures show how the cost grows with the request;
//   empty      the store holds only the user, folders and dataset type; here the store itself
//              grows with the request (to 90,000 objects at 10,000 parts), so the figures add
//              the cost of working in a larger store (its hash tables, caches, fresh pages);
//   xml        as populated, but the whole XML road: the request text (the same parts) through
//              the registered skeleton's handler to the reply text.
// The store is set up, and the host's indexes brought up to date, before the clock starts.
// Counters:
//   per_part   time per part (the figures compared are the thread's processor time);
//   maxrss_MB  the process's peak resident memory after the run (grows with the largest run);
//   objects    host objects in the store after the call.
// At the end the time per part of each size is printed against that of 100 parts. Target: at
// 10,000 parts within 1.5x of that at 100 (no work that grows with the request).
//
// Freed memory stays with the process (bench_support::start), as in a long-running host, so that a
// run does not pay for the pages that the store of the previous run gave back.
#include <sys/resource.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/parts_world.h"
#include "bench/support/prepared_store.h"
#include "datamanagement/data_management.h"
#include "framework/iiop_skeleton.h"
#include "framework/monitor.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/item_create.h"
#include "host/object/store.h"

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

constexpr int kExistingParts = 20000;

const std::string kWorld = bench_support::partsWorld();

// New parts with generated ids, each with a description, a revision attribute, one dataset and
// two files; they go to the preference folder.
std::vector<DataManagement::PartInfo> request(int parts) {
  std::vector<DataManagement::PartInfo> infos = bench_support::newParts(parts);
  for (std::size_t i = 0; i < infos.size(); ++i) {
    const std::string n = std::to_string(i);
    infos[i].itemRevInput.attrList = {{"object_desc", "revision " + n}};
    infos[i].datasetInput.front().datasetFileInfo.push_back(
        {"notes", "notes-" + n + ".txt", "TEXT", true, false});
  }
  return infos;
}

// The same parts as request text.
std::string requestText(int parts) {
  std::string text = "<CreateOrUpdatePartsInput>";
  for (const DataManagement::PartInfo& info : request(parts)) {
    const DataManagement::DatasetInfo& dataset = info.datasetInput.front();
    text += "<info clientId=\"" + info.clientId + "\"><itemInput name=\"\" description=\"" +
            info.itemInput.description +
            "\" itemType=\"\" itemId=\"\"><item uid=\"\"/><folder uid=\"\"/></itemInput>"
            "<itemRevInput revId=\"\"><itemRevision uid=\"\"/>";
    for (const auto& attribute : info.itemRevInput.attrList) {
      text += "<attrList name=\"" + attribute.name + "\" value=\"" + attribute.value + "\"/>";
    }
    text += "</itemRevInput><datasetInput clientId=\"" + dataset.clientId +
            "\" createNewVersion=\"false\" name=\"" + dataset.name +
            "\" id=\"\" namedReferencePreference=\"\" itemRevRelationName=\"" +
            dataset.itemRevRelationName + "\" type=\"" + dataset.type +
            "\" datasetRev=\"\" description=\"\"><dataset uid=\"\"/>";
    for (const DataManagement::DatasetFileInfo& file : dataset.datasetFileInfo) {
      text += "<datasetFileInfo clientId=\"" + file.clientId + "\" allowReplace=\"" +
              (file.allowReplace ? "true" : "false") + "\" namedReferencedName=\"" +
              file.namedReferencedName + "\" isText=\"" + (file.isText ? "true" : "false") +
              "\" fileName=\"" + file.fileName + "\"/>";
    }
    text += "</datasetInput></info>";
  }
  return text + "</CreateOrUpdatePartsInput>";
}

void prepareStore(bool populated) {
  bench_support::resetStore(kWorld);
  for (int i = 0; populated && i < kExistingParts; ++i) {
    const std::string id = "EXISTING-" + std::to_string(i);
    Tag item;
    Tag revision;
    ITEM_create_item(id.c_str(), id.c_str(), "Item", "A", &item, &revision);
  }
  bench_support::settleIndexes();
}

long maxResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

enum class Family { populated, empty, xml };

const char* familyName(Family family) {
  return family == Family::populated ? "populated" : family == Family::empty ? "empty" : "xml";
}

void run(benchmark::State& state, bool populated) {
  const int parts = static_cast<int>(state.range(0));
  const std::vector<DataManagement::PartInfo> infos = request(parts);
  std::size_t objects = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepareStore(populated);
    Korvane::Soa::Cad::_2007_01::DataManagementImpl service;
    state.ResumeTiming();

    const double start = bench_support::threadSeconds();
    DataManagement::CreateOrUpdatePartsResponse response = service.createOrUpdateParts(infos);
    const double elapsed = bench_support::threadSeconds() - start;

    state.PauseTiming();
    if (response.output.size() != infos.size() || !response.serviceData.getErrorArray().empty() ||
        response.output.back().datasetOutput.front().commitInfo.size() != 2) {
      state.SkipWithError("the request did not succeed");
    }
    bench_support::keepBest(familyName(populated ? Family::populated : Family::empty), parts,
                            elapsed / parts);
    host::Store& store = host::Store::instance();
    objects = store.objectsOfClass(store.classId("POM_object")).size();
    state.ResumeTiming();
  }
  bench_support::countPerItem(state, "per_part", parts);
  state.counters["maxrss_MB"] = static_cast<double>(maxResidentMegabytes());
  state.counters["objects"] = static_cast<double>(objects);
}

// The whole XML road against the populated store.
void BM_CreateOrUpdateParts_xml(benchmark::State& state) {
  using Korvane::Soa::Internal::Server::IiopSkeleton;
  const int parts = static_cast<int>(state.range(0));
  const std::string text = requestText(parts);
  auto* skeleton =
      dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find("Cad-2007-01-DataManagement"));
  if (skeleton == nullptr) {
    state.SkipWithError("the DataManagement service is not registered");
    return;
  }
  skeleton->initialize();
  std::size_t replyBytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    prepareStore(true);
    state.ResumeTiming();

    const double start = bench_support::threadSeconds();
    const std::string reply = skeleton->invokeMethod("createOrUpdateParts", text);
    const double elapsed = bench_support::threadSeconds() - start;

    state.PauseTiming();
    Korvane::Soa::Internal::Common::Monitor::clear();
    replyBytes = reply.size();
    bench_support::keepBest(familyName(Family::xml), parts, elapsed / parts);
    state.ResumeTiming();
    if (reply.find("<partialError") != std::string::npos ||
        reply.find("ticket=") == std::string::npos) {
      std::fprintf(stderr, "%.2000s\n", reply.c_str());
      state.SkipWithError("the request did not succeed");
      break;
    }
  }
  bench_support::countPerItem(state, "per_part", parts);
  state.counters["request_MB"] = static_cast<double>(text.size()) / 1e6;
  state.counters["reply_MB"] = static_cast<double>(replyBytes) / 1e6;
  state.counters["maxrss_MB"] = static_cast<double>(maxResidentMegabytes());
}

void BM_CreateOrUpdateParts_populated(benchmark::State& state) {
  run(state, true);
}

void BM_CreateOrUpdateParts_empty(benchmark::State& state) {
  run(state, false);
}

}  // namespace

int main(int argc, char** argv) {
  if (!bench_support::start(&argc, argv)) {
    return 1;
  }
  // Fixed iterations: a populated store takes longer to prepare than most runs take.
  const std::pair<int, int> sizes[] = {{100, 30}, {1000, 10}, {10000, 3}};
  for (Family family : {Family::populated, Family::empty, Family::xml}) {
    for (const auto& [parts, iterations] : sizes) {
      benchmark::RegisterBenchmark(
          (std::string("BM_CreateOrUpdateParts_") + familyName(family)).c_str(),
          family == Family::populated ? BM_CreateOrUpdateParts_populated
          : family == Family::empty   ? BM_CreateOrUpdateParts_empty
                                      : BM_CreateOrUpdateParts_xml)
          ->Arg(parts)
          ->Iterations(iterations)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  // One untimed run of the largest request first, so that no run pays for the first touch of
  // the pages that the process keeps from then on.
  {
    prepareStore(true);
    Korvane::Soa::Cad::_2007_01::DataManagementImpl service;
    service.createOrUpdateParts(request(10000));
  }
  bench_support::runSelected();
  const bench_support::BestFigures& best = bench_support::bestFigures();
  for (Family family : {Family::populated, Family::empty, Family::xml}) {
    const double baseline = bench_support::figureAt(best, familyName(family), 100);
    if (baseline <= 0) {
      continue;
    }
    std::printf("\n%s: time per part against 100 parts (target at 10000: at most 1.50x)\n",
                familyName(family));
    for (const auto& [parts, perPart] : best.at(familyName(family))) {
      std::printf("  %6d parts: %8.2f us per part, %5.2fx\n", parts, perPart * 1e6,
                  perPart / baseline);
    }
  }
  const double service = bench_support::figureAt(best, familyName(Family::populated), 10000);
  const double xml = bench_support::figureAt(best, familyName(Family::xml), 10000);
  if (service > 0 && xml > 0) {
    std::printf("\n10000 parts: the service call is %.2f of the whole XML road\n", service / xml);
  }
  return 0;
}
