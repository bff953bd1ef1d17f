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
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/parts_world.h"
#include "bench/support/prepared_store.h"
#include "datamanagement/data_management.h"
#include "host/object/item_create.h"
#include "host/object/store.h"

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using bench_support::Operation;
using bench_support::Prepare;
using bench_support::tagOf;

// A reset store holding the parts world and `objects`.
void prepareStore(const std::string& objects) {
  bench_support::resetStore(bench_support::partsWorld(objects));
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

// createOrUpdateParts of `items` inputs on the item "ONE" (with its revision "A", made as
// createOrUpdateParts makes one): with `datasets`, each gives one new dataset to that revision;
// without, each makes a new revision of the item.
Prepare onOneItem(bool datasets) {
  return [datasets](int items) -> Operation {
    prepareStore("");
    Tag item;
    Tag revision;
    ITEM_create_item("ONE", "one", "Item", "A", &item, &revision);
    bench_support::settleIndexes();
    auto info = std::make_shared<std::vector<DataManagement::PartInfo>>(items);
    for (int i = 0; i < items; ++i) {
      DataManagement::PartInfo& part = (*info)[static_cast<std::size_t>(i)];
      const std::string n = std::to_string(i);
      part.itemInput.item = item;
      if (datasets) {
        part.clientId = "ds-" + n;
        part.itemRevInput.itemRevision = revision;
        part.datasetInput.push_back(bench_support::modelDataset(n));
      } else {
        part.clientId = "rev-" + n;
        part.itemRevInput.revId = "R" + n;
      }
    }
    return [info, items, datasets] {
      const auto response =
          Korvane::Soa::Cad::_2007_01::DataManagementImpl().createOrUpdateParts(*info);
      return response.output.size() == static_cast<std::size_t>(items) &&
             response.serviceData.getErrorArray().empty() &&
             (!datasets || response.output.back().datasetOutput.size() == 1);
    };
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (!bench_support::start(&argc, argv)) {
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
      {"Revisions", onOneItem(false), 1250},
      {"Datasets", onOneItem(true), 1250},
  };
  for (const Case& each : cases) {
    for (int items : {each.small, each.small * 4}) {
      bench_support::addPerItem(each.name, each.prepare, items, 5);
    }
  }
  bench_support::runSelected();
  std::printf(
      "\nProcessor time per item (us), the larger size against the smaller (target: at "
      "most 1.50x)\n");
  bench_support::printLargerAgainstSmaller(bench_support::bestFigures(), 16, 1.5,
                                           /*targetOnEachRow=*/false);
  return 0;
}
