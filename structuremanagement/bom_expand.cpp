#include "structuremanagement/bom_expand.h"

#include <algorithm>
#include <cstddef>
#include <string>
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
  for (const POMRef<BOMLine>& parent : info.parentBomLine) {
    const Tag line = parent.tag();
    try {
      ExpandPSData lineData;
      std::vector<ExpandPSData> children;
      doExpand(line, pref.info, pref.expItemRev, info.excludeFilter, lineData, children,
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
  for (const POMRef<BOMLine>& parent : info.parentBomLine) {
    const Tag line = parent.tag();
    try {
      std::vector<Tag> path;
      doExpandAll(line, pref, info.excludeFilter, response, path);
    } catch (IFail&) {
      response.serviceData.addErrorStack(line);
    }
  }
  addObjectsToModelManager(response);
  return response;
}

void BOMExpandImpl::doExpandAll(const Tag& line,
                                const StructureManagement::ExpandPSAllLevelsPref& pref,
                                BOMLineFilter filter,
                                StructureManagement::ExpandPSAllLevelsResponse& response,
                                std::vector<Tag>& path) {
  Journal journal(kJournalModule, "BOMExpandImpl::doExpandAll");
  journal.call();
  ExpandPSData lineData;
  std::vector<ExpandPSData> children;
  doExpand(line, pref.info, pref.expItemRev, filter, lineData, children, &response.serviceData);

  path.push_back(lineData.itemRevOfBOMLine.tag());
  for (const ExpandPSData& child : children) {
    const Tag childRevision = child.itemRevOfBOMLine.tag();
    if (childRevision != NULLTAG &&
        std::find(path.begin(), path.end(), childRevision) != path.end()) {
      // The structure contains itself: walking on would never end.
      storeErrorWithTexts(BOM_invalid_child, tagText(child.bomLine.tag()), tagText(line));
      response.serviceData.addErrorStack(child.bomLine.tag());
      continue;
    }
    doExpandAll(child.bomLine.tag(), pref, filter, response, path);
  }
  path.pop_back();

  response.output.push_back(outputOf<StructureManagement::ExpandPSAllLevelsOutput>(
      std::move(lineData), std::move(children)));
}

void BOMExpandImpl::doExpand(const Tag& line, const std::vector<RelationAndTypesFilter>& filters,
                             const bool& expItemRev, BOMLineFilter filter, ExpandPSData& lineData,
                             std::vector<ExpandPSData>& children, ServiceData* serviceData) {
  Journal journal(kJournalModule, "BOMExpandImpl::doExpand");
  journal.call();
  int count = 0;
  host::HostArray<Tag> childLines;
  ResultStatus status;
  status = BOM_line_ask_child_lines(line, &count, childLines.out());
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
