#include "structuremanagement/bom_expand.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "datamanagement/expand.h"
#include "datamanagement/operation_support.h"
#include "datamanagement/related_object_collector.h"
#include "host/object/bom.h"
#include "host/object/ifail.h"
#include "host/object/journal.h"
#include "host/object/memory.h"
#include "host/object/pom_object.h"
#include "structuremanagement/structure_caches.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

// The module id of the trace scopes.
constexpr int kJournalModule = 40;

// Whether `filter` leaves out the child line whose host object is `child`.
bool leftOut(StructureManagement::BOMLineFilter filter, const POMObject& child) {
  switch (filter) {
    case StructureManagement::ExcludeGDEs:
      return child.isInstanceOf(GDELine::object_class_id());
    case StructureManagement::ExcludeNonZoltItemLines:
      return !child.isTypeOf("ZoltItemLine");
    default:
      return false;
  }
}

// The output of an expanded line: `parent` from the line's own data.
template <class Output>
Output outputOf(StructureManagement::ExpandPSData&& lineData,
                std::vector<StructureManagement::ExpandPSData>&& children) {
  Output output;
  output.parent.bomLine = lineData.bomLine;
  output.parent.itemRevOfBOMLine = lineData.itemRevOfBOMLine;
  output.parent.parentDataset = std::move(lineData.dataset);
  output.children = std::move(children);
  return output;
}

}  // namespace

// The operations record straight into the response's service data: the one that ends in the
// response must be the one the plain objects are added to, since a service data made apart
// shares nothing with it.

BOMExpandImpl::StructureManagement::ExpandPSOneLevelResponse BOMExpandImpl::expandPSOneLevelImpl(
    const StructureManagement::ExpandPSOneLevelInfo& info,
    const StructureManagement::ExpandPSOneLevelPref& pref) {
  Journal journal(kJournalModule, "StructureManagement::expandPSOneLevelImpl");
  journal.call();
  StructureManagement::ExpandPSOneLevelResponse response;
  OutputCeiling ceiling = lineCeiling();
  for (const POMRef<BOMLine>& parent : info.parentBomLine) {
    const Tag line = parent.tag();
    try {
      ExpandPSData lineData;
      std::vector<ExpandPSData> children;
      doExpand(line, pref.info, pref.expItemRev, info.excludeFilter, ceiling, lineData, children,
               &response.serviceData);
      response.output.push_back(outputOf<StructureManagement::ExpandPSOneLevelOutput>(
          std::move(lineData), std::move(children)));
    } catch (IFail&) {
      response.serviceData.addErrorStack(line);
    }
  }
  addObjectsToModelManager(response);
  return response;
}

BOMExpandImpl::StructureManagement::ExpandPSAllLevelsResponse BOMExpandImpl::expandPSAllLevelsImpl(
    const StructureManagement::ExpandPSAllLevelsInfo& info,
    const StructureManagement::ExpandPSAllLevelsPref& pref) {
  Journal journal(kJournalModule, "BOMExpandImpl::expandPSAllLevelsImpl");
  journal.call();
  StructureManagement::ExpandPSAllLevelsResponse response;
  OutputCeiling ceiling = lineCeiling();
  for (const POMRef<BOMLine>& parent : info.parentBomLine) {
    const Tag line = parent.tag();
    try {
      doExpandAll(line, pref, info.excludeFilter, ceiling, response);
    } catch (IFail&) {
      response.serviceData.addErrorStack(line);
    }
  }
  addObjectsToModelManager(response);
  return response;
}

// One line of the walk: its data, its kept children and the next child to walk.
struct BOMExpandImpl::WalkFrame {
  ExpandPSData lineData;
  std::vector<ExpandPSData> children;
  std::size_t next = 0;
  Tag structure;
};

// The walk keeps its lines on a stack of its own rather than on the call stack, so that an
// assembly nested as deep as a client builds it expands on a server thread's small stack.
void BOMExpandImpl::doExpandAll(const Tag& line,
                                const StructureManagement::ExpandPSAllLevelsPref& pref,
                                BOMLineFilter filter, OutputCeiling& ceiling,
                                StructureManagement::ExpandPSAllLevelsResponse& response) {
  std::vector<WalkFrame> stack;
  std::unordered_set<Tag> walking;
  const auto enter = [&](const Tag& entered, const Tag& structure) {
    Journal journal(kJournalModule, "BOMExpandImpl::doExpandAll");
    journal.call();
    stack.emplace_back();
    WalkFrame& frame = stack.back();
    frame.structure = structure;
    doExpand(entered, pref.info, pref.expItemRev, filter, ceiling, frame.lineData, frame.children,
             &response.serviceData);
    if (structure != NULLTAG) {
      walking.insert(structure);
    }
  };
  enter(line, structureOf(line));
  while (!stack.empty()) {
    WalkFrame& frame = stack.back();
    if (frame.next < frame.children.size()) {
      const Tag child = frame.children[frame.next++].bomLine.tag();
      const Tag structure = structureOf(child);
      if (structure != NULLTAG && walking.count(structure) != 0) {
        // The child's structure is one being walked: it contains itself, and walking on
        // would never end.
        storeErrorWithTexts(kStructureContainsItself, uidText(structure),
                            uidText(askBOMLineItemRevTag(child)));
        response.serviceData.addErrorStack(child);
        continue;
      }
      enter(child, structure);
      continue;
    }
    if (frame.structure != NULLTAG) {
      walking.erase(frame.structure);
    }
    response.output.push_back(outputOf<StructureManagement::ExpandPSAllLevelsOutput>(
        std::move(frame.lineData), std::move(frame.children)));
    stack.pop_back();
  }
}

void BOMExpandImpl::doExpand(const Tag& line, const std::vector<RelationAndTypesFilter>& filters,
                             const bool& expItemRev, BOMLineFilter filter, OutputCeiling& ceiling,
                             ExpandPSData& lineData, std::vector<ExpandPSData>& children,
                             ServiceData* serviceData) {
  Journal journal(kJournalModule, "BOMExpandImpl::doExpand");
  journal.call();
  int count = 0;
  host::HostArray<Tag> childLines;
  ResultStatus status;
  status = BOM_line_ask_child_lines(line, &count, childLines.out());
  ceiling.add(1 + (childLines ? static_cast<std::size_t>(std::max(count, 0)) : 0));
  for (int i = 0; childLines && i < count; ++i) {
    const Tag child = childLines[static_cast<std::size_t>(i)];
    try {
      const POMObject* object = TAG_ask_pointer_of_tag_checked(child);
      if (object == nullptr || leftOut(filter, *object)) {
        continue;
      }
      ExpandPSData childData;
      populatePSData(child, filters, expItemRev, childData, serviceData);
      children.push_back(std::move(childData));
    } catch (IFail&) {
      if (serviceData == nullptr) {
        throw;
      }
      serviceData->addErrorStack(child);
    }
  }
  populatePSData(line, filters, expItemRev, lineData, serviceData);
}

void BOMExpandImpl::populatePSData(const Tag& line,
                                   const std::vector<RelationAndTypesFilter>& filters,
                                   const bool& expItemRev, ExpandPSData& data,
                                   ServiceData* serviceData) {
  Journal journal(kJournalModule, "BOMExpandImpl::populatePSData");
  journal.call();
  Tag itemRev;
  askBOMLineItemRev(line, &itemRev);
  data.bomLine = line;
  data.itemRevOfBOMLine = itemRev;
  if (itemRev == NULLTAG || !expItemRev) {
    return;
  }
  if (filters.empty()) {
    std::vector<unsigned int> datasets;
    ExpandImpl().getAllRevDatasets(itemRev, datasets, serviceData);
    for (unsigned int dataset : datasets) {
      data.dataset.push_back(Tag(dataset));
    }
    return;
  }
  for (const RelationAndTypesFilter& relationFilter : filters) {
    try {
      Utils::RelatedObjectCollector collector(relationFilter.relationName,
                                              relationFilter.relationTypeName, true);
      std::vector<Tag> objects;
      collector.getSecondaryRelatedObjects(itemRev, objects);
      for (Tag object : objects) {
        POMObject* loaded = nullptr;
        ResultStatus status;
        status = object.object(&loaded);
        if (loaded != nullptr && loaded->isTypeOf("Dataset")) {
          data.dataset.push_back(object);
        }
      }
    } catch (IFail&) {
      recordUnkeyed(serviceData);
    }
  }
}

OutputCeiling BOMExpandImpl::lineCeiling() const {
  return OutputCeiling(maxListedLines_, kTooManyLines, "BOMExpandImpl::kMaxListedLines");
}

Tag BOMExpandImpl::askBOMLineItemRevTag(const Tag& line) {
  Tag itemRev;
  askBOMLineItemRev(line, &itemRev);
  return itemRev;
}

Tag BOMExpandImpl::structureOf(const Tag& line) {
  ResultStatus status;
  int attribute = 0;
  status = BOM_line_look_up_attribute("bl_bomview_rev", &attribute);
  Tag structure;
  status = BOM_line_ask_attribute_tag(line, attribute, &structure);
  return structure;
}

void BOMExpandImpl::askBOMLineItemRev(const Tag& line, Tag* itemRev) {
  ResultStatus status;
  int attribute = 0;
  status = BOM_line_look_up_attribute("bl_revision", &attribute);
  status = BOM_line_ask_attribute_tag(line, attribute, itemRev);
}

void BOMExpandImpl::addObjectsToModelManager(
    StructureManagement::ExpandPSOneLevelResponse& response) {
  for (const StructureManagement::ExpandPSOneLevelOutput& output : response.output) {
    addObjectsToModelManager(output.parent, response.serviceData);
    for (const ExpandPSData& child : output.children) {
      addObjectsToModelManager(child, response.serviceData);
    }
  }
}

void BOMExpandImpl::addObjectsToModelManager(
    StructureManagement::ExpandPSAllLevelsResponse& response) {
  for (const StructureManagement::ExpandPSAllLevelsOutput& output : response.output) {
    addObjectsToModelManager(output.parent, response.serviceData);
    for (const ExpandPSData& child : output.children) {
      addObjectsToModelManager(child, response.serviceData);
    }
  }
}

void BOMExpandImpl::addObjectsToModelManager(const StructureManagement::ExpandPSParentData& data,
                                             ServiceData& serviceData) {
  serviceData.addPlainObject(data.bomLine.tag());
  serviceData.addPlainObject(data.itemRevOfBOMLine.tag());
  for (const POMRef<>& dataset : data.parentDataset) {
    serviceData.addPlainObject(dataset.tag());
  }
}

void BOMExpandImpl::addObjectsToModelManager(const ExpandPSData& data, ServiceData& serviceData) {
  serviceData.addPlainObject(data.bomLine.tag());
  serviceData.addPlainObject(data.itemRevOfBOMLine.tag());
  for (const POMRef<>& dataset : data.dataset) {
    serviceData.addPlainObject(dataset.tag());
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
