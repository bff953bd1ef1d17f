#include "datamanagement/expand.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "datamanagement/operation_support.h"
#include "datamanagement/related_object_collector.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/folder.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/journal.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/pom_object.h"
#include "host/object/property.h"
#include "host/object/types.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using ServiceData = Korvane::Soa::Server::ServiceData;
using Filter = DataManagement::RelationAndTypesFilter2;

// The library's own codes.
constexpr int kNoFilters = 215060;
constexpr int kPrimaryObjectNotLoaded = 215062;
constexpr int kFolderNotLoaded = 215121;
constexpr int kRelatedObjectNotLoaded = 215131;
constexpr int kTooManyOutputEntries = 215066;

// The module id of the trace scopes.
constexpr int kJournalModule = 40;

// Value-type codes of the property descriptors whose values are read as object lists.
bool isObjectListValueType(int valueType) {
  return valueType == 9 || valueType == 10 || valueType == 11 || valueType == 13 || valueType == 14;
}

// Raises IFail 7007 when `object` names no live object and `notLoadedCode` when the host
// cannot load it.
void checkInputObject(Tag object, int notLoadedCode) {
  ResultStatus status;
  bool valid = false;
  status = POM_is_tag_valid(object, &valid);
  if (!valid) {
    raiseError(POM_invalid_tag, objectText(object));
  }
  POMObject* loaded = nullptr;
  if (object.object(&loaded) != status_t::OK) {
    raiseError(notLoadedCode, objectText(object));
  }
}

// Whether `object` names a live object. Raises IFail when the host cannot answer.
bool isLive(Tag object) {
  ResultStatus status;
  bool valid = false;
  status = POM_is_tag_valid(object, &valid);
  return valid;
}

// Whether the object's class is Dataset or derives from it. Raises IFail when the host cannot
// answer.
bool isDataset(Tag object, Tag datasetClass) {
  ResultStatus status;
  Tag objectClass;
  status = POM_class_of_instance(object, &objectClass);
  bool descends = false;
  status = POM_is_descendant(datasetClass, objectClass, &descends);
  return descends;
}

// The ceiling of one call's outputs.
OutputCeiling outputCeiling(std::size_t maxEntries) {
  return OutputCeiling(maxEntries, kTooManyOutputEntries, "ExpandImpl::kMaxOutputEntries");
}

Tag datasetClassId() {
  ResultStatus status;
  Tag datasetClass;
  status = POM_class_id_of_class("Dataset", &datasetClass);
  return datasetClass;
}

// The entries a folder expansion lists for a revision: the revision and its datasets.
std::size_t entriesOf(const DataManagement::ExpandFoldersForCADItemRevOutput& revision) {
  return 1 + revision.outputDataset.size();
}

// ... and for an item: the item and each of its revisions with their datasets.
std::size_t entriesOf(const DataManagement::ExpandFoldersForCADItemOutput& item) {
  std::size_t entries = 1;
  for (const DataManagement::ExpandFoldersForCADItemRevOutput& revision : item.itemRevsOutput) {
    entries += entriesOf(revision);
  }
  return entries;
}

}  // namespace

ExpandImpl::DataManagement::ExpandGRMRelationsResponse ExpandImpl::expandGRMRelations(
    const std::vector<Tag>& objects, const DataManagement::ExpandGRMRelationsPref& pref) {
  Journal journal(kJournalModule, "DataManagement::expandGRMRelations");
  journal.call();
  OutputCeiling ceiling = outputCeiling(maxOutputEntries_);
  ceiling.require(objects.size() * pref.info.size());
  DataManagement::ExpandGRMRelationsResponse response;
  ServiceData serviceData;
  for (const Tag& object : objects) {
    if (pref.info.empty()) {
      ERROR_store(EMH_severity_error, kNoFilters);
      serviceData.addErrorStack();
    }
    try {
      checkInputObject(object, kRelatedObjectNotLoaded);
    } catch (IFail&) {
      serviceData.addErrorStack();
      continue;
    }
    try {
      DataManagement::ExpandGRMRelationsOutput output;
      output.inputObject = object;
      serviceData.addPlainObject(object);
      for (const Filter& filter : pref.info) {
        try {
          DataManagement::ExpandGRMRelationsData data;
          data.relationName = filter.relationName;
          Utils::RelatedObjectCollector collector(filter.relationName, filter.objectTypeName, true);
          std::vector<Tag> found;
          collector.getSecondaryRelatedObjects(object, found);
          ceiling.add(1 + found.size());
          for (Tag other : found) {
            data.otherSideObject.push_back(other);
            serviceData.addPlainObject(other);
            expandFurther(other, pref.expItemRev, &serviceData);
          }
          output.otherSideObjData.push_back(std::move(data));
        } catch (IFail&) {
          serviceData.addErrorStack();
        }
      }
      response.output.push_back(std::move(output));
    } catch (IFail&) {
      serviceData.addErrorStack(object);
    }
  }
  response.serviceData = std::move(serviceData);
  return response;
}

ExpandImpl::DataManagement::ExpandPrimaryObjectsResponse ExpandImpl::expandPrimaryObjects(
    const std::vector<Tag>& objects, const DataManagement::ExpandPrimaryObjectsPref& pref) {
  Journal journal(kJournalModule, "DataManagement::expandPrimaryObjects");
  journal.call();
  OutputCeiling ceiling = outputCeiling(maxOutputEntries_);
  ceiling.require(objects.size() * pref.info.size());
  DataManagement::ExpandPrimaryObjectsResponse response;
  ServiceData serviceData;
  if (pref.info.empty()) {
    ERROR_store(EMH_severity_error, kNoFilters);
    serviceData.addErrorStack();
  }
  for (const Tag& object : objects) {
    try {
      checkInputObject(object, kPrimaryObjectNotLoaded);
    } catch (IFail&) {
      serviceData.addErrorStack();
      continue;
    }
    try {
      DataManagement::ExpandPrimaryObjectsOutput output;
      output.inputObject = object;
      serviceData.addPlainObject(object);

      ResultStatus status;
      EIMObject* hostObject = nullptr;
      status = PROP_ask_object(object, &hostObject);
      if (hostObject == nullptr) {
        // A host that answers success without an object: the stack still says which tag.
        raiseError(POM_invalid_tag, objectText(object));
      }
      Tag typeTag;
      status = hostObject->askTypeTag(&typeTag);
      const ZoltType type(typeTag);

      for (const Filter& filter : pref.info) {
        DataManagement::ExpandPrimaryObjectsData data;
        data.relationName = filter.relationName;
        PropertyDescriptor* descriptor = nullptr;
        if (type.askPropertyDescriptor(filter.relationName.c_str(), &descriptor) != 0) {
          // Not a property of this type: the filter does not apply, which is no error.
          ERROR_store_clear();
          continue;
        }
        if (descriptor == nullptr) {
          continue;
        }
        if (!isObjectListValueType(descriptor->valueType())) {
          ceiling.add(1);
          output.otherSideObjData.push_back(std::move(data));
          continue;
        }
        int count = 0;
        host::HostArray<Tag> values;
        status = AOM_ask_value_tags(object, filter.relationName.c_str(), &count, values.out());
        if (count < 1 || !values) {
          continue;
        }
        for (int i = 0; i < count; ++i) {
          const Tag value = values[static_cast<std::size_t>(i)];
          // A reference to an object that was deleted is no value, like the null one.
          if (value == NULLTAG || !isLive(value)) {
            continue;
          }
          char typeName[ZOLTTYPE_name_size_c + 1] = "";
          askObjectTypeName(value, typeName);
          if (typeName[0] == '\0') {
            continue;
          }
          for (const std::string& wanted : filter.objectTypeName) {
            if (wanted == typeName) {
              data.otherSideObject.push_back(value);
              serviceData.addPlainObject(value);
              expandFurther(value, pref.expItemRev, &serviceData);
              break;
            }
          }
        }
        ceiling.add(1 + data.otherSideObject.size());
        output.otherSideObjData.push_back(std::move(data));
      }
      response.output.push_back(std::move(output));
    } catch (IFail&) {
      serviceData.addErrorStack(object);
    }
  }
  response.serviceData = std::move(serviceData);
  return response;
}

ExpandImpl::DataManagement::ExpandFoldersForCADResponse ExpandImpl::expandFoldersForCAD(
    const std::vector<POMRef<Folder>>& folders,
    const DataManagement::ExpandFolderForCADPref& pref) {
  Journal journal(kJournalModule, "DataManagement::expandFoldersForCAD");
  journal.call();
  OutputCeiling ceiling = outputCeiling(maxOutputEntries_);
  DataManagement::ExpandFoldersForCADResponse response;
  ServiceData serviceData;
  for (const POMRef<Folder>& folderRef : folders) {
    const Tag folder = folderRef.tag();
    try {
      checkInputObject(folder, kFolderNotLoaded);
    } catch (IFail&) {
      serviceData.addErrorStack();
      continue;
    }
    try {
      DataManagement::ExpandFoldersForCADOutput output;
      output.inputFolder = folder;
      serviceData.addPlainObject(folder);

      ResultStatus status;
      int criteria = 0;
      status = FL_ask_sort_criteria(folder, &criteria);
      int count = 0;
      host::HostArray<Tag> references;
      {
        Journal scope(kJournalModule, "FL_ask_references");
        scope.call();
        status = FL_ask_references(folder, criteria, &count, references.out());
      }
      for (int i = 0; references && i < count; ++i) {
        const Tag reference = references[static_cast<std::size_t>(i)];
        switch (askObjectType(reference)) {
          case DataManagement::FolderT:
            ceiling.add(1);
            output.fstlvlFolder.push_back(reference);
            serviceData.addPlainObject(reference);
            break;
          case DataManagement::ItemT: {
            const std::size_t items = output.itemsOutput.size();
            expandItem(reference, pref, output, serviceData);
            if (output.itemsOutput.size() > items) {
              ceiling.add(entriesOf(output.itemsOutput.back()));
            }
            break;
          }
          case DataManagement::ItemRevisionT:
            if (pref.expItemRev) {
              ItemRevOutput revisionOutput;
              bool found = false;
              expandItemRev(reference, pref, found, revisionOutput, &serviceData);
              if (found) {
                ceiling.add(entriesOf(revisionOutput));
                serviceData.addPlainObject(reference);
                for (const POMRef<Dataset>& dataset : revisionOutput.outputDataset) {
                  serviceData.addPlainObject(dataset.tag());
                }
                output.itemRevsOutput.push_back(std::move(revisionOutput));
              }
            } else {
              ceiling.add(1);
              ItemRevOutput revisionOutput;
              revisionOutput.outputItemRevs = reference;
              output.itemRevsOutput.push_back(std::move(revisionOutput));
              serviceData.addPlainObject(reference);
            }
            break;
          case DataManagement::DatasetT:
          case DataManagement::Others:
            break;
        }
      }
      response.output.push_back(std::move(output));
    } catch (IFail&) {
      serviceData.addErrorStack(folder);
    }
  }
  response.serviceData = std::move(serviceData);
  return response;
}

void ExpandImpl::getAllRevDatasets(const Tag& revision, std::vector<unsigned int>& datasets,
                                   ServiceData* serviceData) const {
  Journal journal(kJournalModule, "ExpandImpl::getAllRevDatasets ");
  journal.call();
  try {
    ResultStatus status;
    int count = 0;
    host::HostArray<Tag> secondaries;
    {
      Journal scope(kJournalModule, "GRM_list_secondary_objects_only");
      scope.call();
      status = GRM_list_secondary_objects_only(revision, NULLTAG, &count, secondaries.out());
    }
    const Tag datasetClass = datasetClassId();
    for (int i = 0; secondaries && i < count; ++i) {
      const Tag secondary = secondaries[static_cast<std::size_t>(i)];
      // A relation whose secondary was deleted leads to no dataset.
      if (isLive(secondary) && isDataset(secondary, datasetClass)) {
        datasets.push_back(secondary);
      }
    }
  } catch (IFail&) {
    recordUnkeyed(serviceData);
  }
}

DataManagement::objectType ExpandImpl::askObjectType(const Tag& object) const {
  if (object == NULLTAG) {
    return DataManagement::Others;
  }
  Tag objectClass;
  Tag folderClass;
  Tag itemClass;
  Tag revisionClass;
  Tag datasetClass;
  if (POM_class_of_instance(object, &objectClass) != 0 ||
      POM_class_id_of_class("Folder", &folderClass) != 0 ||
      POM_class_id_of_class("Item", &itemClass) != 0 ||
      POM_class_id_of_class("ItemRevision", &revisionClass) != 0 ||
      POM_class_id_of_class("Dataset", &datasetClass) != 0) {
    // An object the host cannot classify is simply not one of the four kinds.
    ERROR_store_clear();
    return DataManagement::Others;
  }
  if (objectClass == folderClass) {
    return DataManagement::FolderT;
  }
  if (objectClass == itemClass) {
    return DataManagement::ItemT;
  }
  if (objectClass == revisionClass) {
    return DataManagement::ItemRevisionT;
  }
  if (objectClass == datasetClass) {
    return DataManagement::DatasetT;
  }
  return DataManagement::Others;
}

void ExpandImpl::askObjectTypeName(const Tag& object,
                                   char (&typeName)[ZOLTTYPE_name_size_c + 1]) const {
  if (object == NULLTAG) {
    return;
  }
  ResultStatus status;
  Tag type;
  status = ZOLTTYPE_ask_object_type(object, &type);
  status = ZOLTTYPE_ask_name(type, typeName);
}

void ExpandImpl::expandFurther(const Tag& object, const bool& expItemRev,
                               ServiceData* serviceData) const {
  if (serviceData == nullptr) {
    return;
  }
  try {
    Tag revision;
    switch (askObjectType(object)) {
      case DataManagement::ItemT: {
        ResultStatus status;
        status = ITEM_ask_latest_rev(object, &revision);
        if (revision == NULLTAG) {
          return;
        }
        serviceData->addPlainObject(revision);
        break;
      }
      case DataManagement::ItemRevisionT:
        revision = object;
        break;
      default:
        return;
    }
    if (expItemRev) {
      std::vector<unsigned int> datasets;
      getAllRevDatasets(revision, datasets, serviceData);
      for (unsigned int dataset : datasets) {
        serviceData->addPlainObject(dataset);
      }
    }
  } catch (IFail&) {
    serviceData->addErrorStack(object);
  }
}

void ExpandImpl::expandItemRev(const Tag& revision,
                               const DataManagement::ExpandFolderForCADPref& pref, bool& found,
                               ItemRevOutput& out, ServiceData* serviceData) const {
  if (pref.info.empty()) {
    found = true;
    std::vector<unsigned int> datasets;
    getAllRevDatasets(revision, datasets, serviceData);
    for (unsigned int dataset : datasets) {
      out.outputDataset.push_back(Tag(dataset));
    }
  } else {
    Tag datasetClass;
    try {
      datasetClass = datasetClassId();
    } catch (IFail&) {
      recordUnkeyed(serviceData);
      return;
    }
    for (const Filter& filter : pref.info) {
      try {
        Utils::RelatedObjectCollector collector(filter.relationName, filter.objectTypeName, true);
        std::vector<Tag> objects;
        collector.getSecondaryRelatedObjects(revision, objects);
        for (Tag object : objects) {
          if (isDataset(object, datasetClass)) {
            found = true;
            out.outputDataset.push_back(object);
          }
        }
      } catch (IFail&) {
        recordUnkeyed(serviceData);
      }
    }
  }
  if (found) {
    out.outputItemRevs = revision;
  }
}

void ExpandImpl::expandItem(const Tag& item, const DataManagement::ExpandFolderForCADPref& pref,
                            DataManagement::ExpandFoldersForCADOutput& folderOutput,
                            ServiceData& serviceData) const {
  int count = 0;
  host::HostArray<Tag> revisions;
  {
    Journal scope(kJournalModule, "ITEM_list_all_revs");
    scope.call();
    ResultStatus status;
    status = ITEM_list_all_revs(item, &count, revisions.out());
  }
  if (!revisions) {
    count = 0;
  }
  DataManagement::ExpandFoldersForCADItemOutput itemOutput;
  bool qualifies = pref.info.empty();
  if (count > 0 && pref.latestNRevs == 0) {
    // No revision is listed; with filters the item still needs a revision that reaches a
    // dataset.
    for (int i = 0; !pref.info.empty() && i < count; ++i) {
      ItemRevOutput scratch;
      bool found = false;
      expandItemRev(revisions[static_cast<std::size_t>(i)], pref, found, scratch, &serviceData);
      qualifies = qualifies || found;
    }
  } else if (count > 0) {
    const int first =
        pref.latestNRevs < 0 || pref.latestNRevs > count ? 0 : count - pref.latestNRevs;
    for (int i = first; i < count; ++i) {
      const Tag revision = revisions[static_cast<std::size_t>(i)];
      ItemRevOutput revisionOutput;
      if (pref.expItemRev) {
        bool found = false;
        {
          Journal scope(kJournalModule, "expandItemRev");
          scope.call();
          expandItemRev(revision, pref, found, revisionOutput, &serviceData);
        }
        if (!found) {
          continue;
        }
      } else {
        revisionOutput.outputItemRevs = revision;
      }
      qualifies = true;
      serviceData.addPlainObject(revision);
      for (const POMRef<Dataset>& dataset : revisionOutput.outputDataset) {
        serviceData.addPlainObject(dataset.tag());
      }
      itemOutput.itemRevsOutput.push_back(std::move(revisionOutput));
    }
  }
  if (qualifies) {
    itemOutput.outputItem = item;
    folderOutput.itemsOutput.push_back(std::move(itemOutput));
    serviceData.addPlainObject(item);
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
