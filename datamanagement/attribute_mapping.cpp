#include "datamanagement/attribute_mapping.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "datamanagement/operation_support.h"
#include "framework/soa_exceptions.h"
#include "framework/utils.h"
#include "host/object/aom.h"
#include "host/object/attrmap.h"
#include "host/object/dataset.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/property.h"
#include "host/object/sizes.h"
#include "host/object/types.h"
#include "host/object/uif.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using Korvane::Soa::Server::ServiceData;

// Process-wide diagnostic state (see the header). Nothing changes the indent level; it is kept
// so that every line has the one layout.
bool debugSwitch = false;
int indentLevel = 0;

// Own error codes.
enum : int {
  kDatasetTypeNotFound = 215070,
  kItemTypeNotFound = 215071,
  kListAllMappingsFailed = 215072,
  kListMappingsFailed = 215073,
  kNotADataset = 215074,
  kNotAnItemRevision = 215075,
  kInvalidMapping = 215076,
  kTitleQueryFailed = 215077,
  kMappingDatasetTypeFailed = 215078,
  kDatasetTypeNameFailed = 215079,
  kMappingItemTypeFailed = 215080,
  kItemTypeNameFailed = 215081,
  kMapStringFailed = 215082,
  kEmptyMapString = 215083,
  kAskDatasetFailed = 215084,
  kResolveFailed = 215085,
  kResolveWithItemRevisionFailed = 215086,
  kNoObject = 215087,
  kNoProperty = 215088,
  kPropertyNameFailed = 215089,
  kEmptyPropertyName = 215090,
  kUnknownMappingType = 215091,
  kItemTypeLookupFailed = 215092,
  kAttributeWithoutName = 215093,
  kCadMasterFailed = 215096,
  kModifiableFailed = 215097,
  kLockFailed = 215098,
  kSetValueFailed = 215099,
  kDatasetSaveFailed = 215100,
  kObjectSaveFailed = 215101,
  kNotWritableMappingType = 215102,
  kConstantMapping = 215103,
  kPreferenceMapping = 215104,
  kPropertyDescriptorFailed = 215117,
};

constexpr int kNoPropertyStatus = POM_invalid_tag;

// --- Diagnostics ---------------------------------------------------------------------------

void append(std::string& line, const std::string& piece) {
  line += piece;
}
void append(std::string& line, const char* piece) {
  line += piece;
}
void append(std::string& line, int number) {
  line += std::to_string(number);
}
void append(std::string& line, std::size_t number) {
  line += std::to_string(number);
}
void append(std::string& line, const Tag& tag) {
  line += tagText(tag);
}

// Client texts are written as data, never used as a format.
void writeLine(const std::string& text) {
  std::string line(static_cast<std::size_t>(2 * indentLevel), ' ');
  line += text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

template <class... Pieces>
void debug(const Pieces&... pieces) {
  if (!debugSwitch) {
    return;
  }
  std::string line;
  (append(line, pieces), ...);
  writeLine(line);
}

const char* truth(bool flag) {
  return flag ? "true" : "false";
}

// Written whenever an outer handler catches a host failure, whatever the switch says.
void dumpErrorStore() {
  writeLine("error_store BEGIN:");
  int count = 0;
  const int* severities = nullptr;
  const int* ifails = nullptr;
  const char** texts = nullptr;
  ERROR_store_ask(&count, &severities, &ifails, &texts, nullptr);
  for (int i = 0; i < count; ++i) {
    std::string line = "error_store[";
    append(line, i);
    line += "] ";
    append(line, severities[i]);
    line += ", ";
    append(line, ifails[i]);
    line += ", ";
    line += texts[i] == nullptr ? "" : texts[i];
    writeLine(line);
  }
  writeLine("error_store END");
}

// --- Errors --------------------------------------------------------------------------------

std::string decimal(int number) {
  return std::to_string(number);
}

// The UID of an object, for error keys. Raises IFail when the host has none.
std::string uidOf(const Tag& object) {
  host::HostString uid;
  ResultStatus status;
  status = POM_tag_to_uid(object, uid.out());
  return uid.str();
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// A map string that addresses the item or item revision of a dataset.
bool addressesItemOrRevision(const std::string& mapString) {
  return startsWith(mapString, "IM.") || startsWith(mapString, "IRM.") ||
         startsWith(mapString, "Item.") || startsWith(mapString, "ItemRevision.");
}

}  // namespace

// --- Construction ----------------------------------------------------------------------------

AttributeMappingImpl::AttributeMappingImpl() {
  const char* value = ZOLT_getenv("DEBUG_SOACAD");
  debugSwitch = value != nullptr && zolt_strlen(value) > 0;
}

// --- Mapping definitions -----------------------------------------------------------------------

namespace {

// Fills `out` from the descriptor, in the order of its fields. Raises IFail when the initial
// value, the list of values or its interdependent properties cannot be read.
void fillPropDescriptor(const Tag& descriptorTag, const PropertyDescriptor& descriptor,
                        DataManagement::PropDescriptor& out) {
  out.propName = descriptor.name();
  std::string displayName;
  if (descriptor.presentationName(&displayName) == ResultStatus::OK) {
    out.displayName = displayName;
  } else {
    ERROR_store_clear();
  }
  host::HostString initialValue;
  ResultStatus result;
  result = PROPDESC_ask_prule_init_value(descriptorTag, initialValue.out());
  out.defaultValue = initialValue.str();
  out.propValueType = descriptor.valueType();
  out.propType = descriptor.propertyType();
  bool displayable = false;
  if (descriptor.isDisplayable(&displayable) != ResultStatus::OK) {
    ERROR_store_clear();
  }
  out.isDisplayable = displayable;
  out.isArray = descriptor.maxNumberOfElements() != 1;
  ListOfValues* lovView = nullptr;
  const int lovStatus = descriptor.askListOfValues(&lovView);
  const std::unique_ptr<ListOfValues> lov(lovView);  // Ours, whatever the status.
  result = lovStatus;
  out.lov = lov ? lov->tag() : NULLTAG;
  out.isRequired = descriptor.isRequired();
  out.isEnabled = descriptor.isEnabled();
  out.isModifiable = descriptor.isModifiable();
  out.attachedSpecifier = lov ? descriptor.askLOVAttachSpecifier() : 0;
  out.maxLength = descriptor.maxStringLength();
  if (lov) {
    int count = 0;
    host::HostArray<char*> names;
    result = lov->askInterdependents(&count, names.out());
    for (int i = 0; i < count; ++i) {
      out.interdependentProp.emplace_back(names[i] == nullptr ? "" : names[i]);
    }
  }
}

}  // namespace

void AttributeMappingImpl::getPropDescInfo(const Tag& mapping,
                                           DataManagement::PropDescriptor& out) {
  debug("AttributeMappingImpl::getPropDescInfo begin...");
  Tag descriptorTag;
  const int status = ATTRMAP_ask_propdesc(NULLTAG, mapping, &descriptorTag);
  if (status != ResultStatus::OK) {
    debug("  ATTRMAP_ask_propdesc returned ", status);
    raiseError(kPropertyDescriptorFailed, decimal(status));
  }
  // Without a descriptor, or with one that cannot be loaded, `out` stays as it is.
  PropertyDescriptor* descriptor = nullptr;
  if (descriptorTag != NULLTAG &&
      (PropertyDescriptor::askPropertyDescriptor(descriptorTag, &descriptor) != ResultStatus::OK ||
       descriptor == nullptr)) {
    // The failure must not reach a later error stack.
    ERROR_store_clear();
    descriptor = nullptr;
  }
  if (descriptor != nullptr) {
    fillPropDescriptor(descriptorTag, *descriptor, out);
  }
  debug("AttributeMappingImpl::getAssocLov end");
}

namespace {

// The record of one listed mapping: the mapping with its description (an empty one when it
// cannot be read, with an error stack keyed by the mapping); the mapping and its list of values
// become plain objects.
template <class FillDescription>
void appendMappingInfo(const Tag& mapping, FillDescription fill, ServiceData& serviceData,
                       std::vector<DataManagement::AttrMappingInfo>& infos) {
  DataManagement::AttrMappingInfo info;
  info.cadAttrMappingDefinition = mapping;
  try {
    DataManagement::PropDescriptor description;
    fill(mapping, description);
    info.propDesc = description;
    if (info.propDesc.lov.tag() != NULLTAG) {
      serviceData.addPlainObject(info.propDesc.lov.tag());
    }
  } catch (IFail&) {
    serviceData.addErrorStack(Tag(mapping));
  }
  infos.push_back(info);
  serviceData.addPlainObject(mapping);
}

}  // namespace

DataManagement::GetAllAttrMappingsResponse AttributeMappingImpl::getAllAttrMappings() {
  DataManagement::GetAllAttrMappingsResponse response;
  ServiceData serviceData;
  auto fill = [this](const Tag& mapping, DataManagement::PropDescriptor& out) {
    getPropDescInfo(mapping, out);
  };
  try {
    debug("AttributeMappingImpl::getAllAttrMappings begin...");
    int count = 0;
    host::HostArray<Tag> mappings;
    const int status = ATTRMAP_list_all_mappings(&count, mappings.out());
    if (status != ResultStatus::OK) {
      debug("  ATTRMAP_list_all_mappings returned ", status);
      raiseError(kListAllMappingsFailed, decimal(status));
    }
    debug("  found ", count, " mappings");
    for (int i = 0; i < count; ++i) {
      appendMappingInfo(mappings[i], fill, serviceData, response.attrMappingInfo);
    }
    debug("AttributeMappingImpl::getAllAttrMappings end");
  } catch (IFail&) {
    dumpErrorStore();
    serviceData.addErrorStack();
  }
  response.serviceData = serviceData;
  return response;
}

DataManagement::GetAttrMappingsForDatasetTypeResponse
AttributeMappingImpl::getAttrMappingsForDatasetType(
    const std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>& criteria) {
  DataManagement::GetAttrMappingsForDatasetTypeResponse response;
  ServiceData serviceData;
  auto fill = [this](const Tag& mapping, DataManagement::PropDescriptor& out) {
    getPropDescInfo(mapping, out);
  };
  try {
    debug("AttributeMappingImpl::getAttrMappingsForDatasetTypeInfo begin...");
    for (const DataManagement::GetAttrMappingsForDatasetTypeCriteria& wanted : criteria) {
      std::string key;
      const std::string exactText = wanted.exact ? "1" : "0";
      debug("  processing requested mapping ", wanted.datasetTypeName, " ", wanted.itemTypeName);

      Tag datasetType;
      if (!wanted.datasetTypeName.empty()) {
        key = wanted.datasetTypeName;
        // No dataset type has a longer name than the host's name size: such a name is a type
        // that is not found.
        int status = 0;
        if (nameFits(wanted.datasetTypeName, AE_datasettype_name_size_c)) {
          status = AE_find_datasettype(wanted.datasetTypeName.c_str(), &datasetType);
        }
        if (status != ResultStatus::OK || datasetType == NULLTAG) {
          debug("    AE_find_datasettype returned ", status);
          storeError(kDatasetTypeNotFound, wanted.datasetTypeName);
          serviceData.addErrorStack(key);
          continue;
        }
        debug("    datasetTypeName ", wanted.datasetTypeName, " ", datasetType);
      } else {
        debug("    no datasetTypeName specified");
      }
      key += ",";

      Tag itemType;
      if (!wanted.itemTypeName.empty()) {
        key += wanted.itemTypeName;
        const int status = ZOLTTYPE_find_type(wanted.itemTypeName.c_str(), "Item", &itemType);
        if (status != ResultStatus::OK || itemType == NULLTAG) {
          debug("    ZOLTTYPE_find_type returned ", status);
          storeError(kItemTypeNotFound,
                     wanted.datasetTypeName + "," + wanted.itemTypeName + "," + exactText);
          serviceData.addErrorStack(key);
          continue;
        }
        debug("    itemTypeName ", wanted.itemTypeName, " ", itemType);
      } else {
        debug("    no itemTypeName specified");
      }
      key += "," + exactText;

      int count = 0;
      host::HostArray<Tag> mappings;
      const int status = ATTRMAP_list_mappings(NULLTAG, datasetType, itemType, wanted.exact, &count,
                                               mappings.out());
      if (status != ResultStatus::OK) {
        debug("    ATTRMAP_list_mappings returned ", status);
        storeError(kListMappingsFailed, wanted.datasetTypeName + "," + wanted.itemTypeName + "," +
                                            exactText + "," + decimal(status));
        serviceData.addErrorStack(key);
        continue;
      }
      debug("    found ", count, " mappings");

      DataManagement::GetAttrMappingsForDatasetTypeOutput output;
      output.criteria = wanted;
      for (int j = 0; j < count; ++j) {
        const Tag mapping = mappings[j];
        if (debugSwitch) {
          debug("    mappings[", j, "]");
          host::HostString title;
          if (ATTRMAP_ask_mapping_attr_title(mapping, title.out()) == ResultStatus::OK && title) {
            debug("      attrTitle ", title.c_str());
          } else {
            debug("      attr title indeterminate");
            ERROR_store_clear();
          }
          // These answers serve the diagnostics only; their failures are no error and must
          // not reach a later error stack.
          bool failed = false;
          auto flagLine = [&failed](int status, const char* label, bool flag) {
            if (status == ResultStatus::OK) {
              debug(label, truth(flag));
            } else {
              failed = true;
              debug(label, "indeterminate");
            }
          };
          bool flag = false;
          int status = ATTRMAP_ask_mapping_cad_master(mapping, &flag);
          flagLine(status, "      cad master ", flag);
          status = ATTRMAP_ask_mapping_zolt_master(mapping, &flag);
          flagLine(status, "      zolt master ", flag);
          status = ATTRMAP_ask_mapping_allow_null_value(mapping, &flag);
          flagLine(status, "      allow null value ", flag);
          status = ATTRMAP_ask_mapping_write_once(mapping, &flag);
          flagLine(status, "      write once ", flag);
          if (failed) {
            ERROR_store_clear();
          }
        }
        appendMappingInfo(mapping, fill, serviceData, output.attrMappingInfo);
      }
      response.output.push_back(output);
    }
    debug("AttributeMappingImpl::getAttrMappingsForDatasetTypeInfo end");
  } catch (IFail&) {
    dumpErrorStore();
    throw Korvane::Soa::Server::ServiceException();
  }
  response.serviceData = serviceData;
  return response;
}

// --- Resolution ------------------------------------------------------------------------------

DataManagement::ResolveAttrMappingsForDatasetResponse
AttributeMappingImpl::resolveAttrMappingsForDataset(
    const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>& info) {
  DataManagement::ResolveAttrMappingsForDatasetResponse response;
  ServiceData serviceData;
  try {
    debug("AttributeMappingImpl::resolveAttrMappingsForDataset begin...");
    for (const DataManagement::ResolveAttrMappingsForDatasetInfo& input : info) {
      DataManagement::ResolveAttrMappingsForDatasetOutput output;
      const Tag dataset = input.dataset.tag();
      const Tag itemRev = input.itemRev.tag();
      std::string key;
      try {
        key = uidOf(dataset);
        if (itemRev != NULLTAG) {
          key += "," + uidOf(itemRev);
        }
        if (dataset.isValid("Dataset") != 0) {
          raiseError(kNotADataset);
        }
        if (itemRev != NULLTAG) {
          debug("  non-null itemrev tag, insure an itemrev object");
          if (itemRev.isValid("ItemRevision") != 0) {
            raiseError(kNotAnItemRevision);
          }
        }
        output.dataset = dataset;
        getMappedDatasetValues(dataset, itemRev, input.cadAttrMappingDefinition, key, serviceData,
                               output.mappedPropertie);
      } catch (IFail&) {
        serviceData.addErrorStack(key);
      }
      response.output.push_back(output);
      for (const DataManagement::MappedDatasetAttrProperty& mapped : output.mappedPropertie) {
        serviceData.addPlainObject(mapped.resolvedObject);
        debug("  adding property ", mapped.resolvedPropertyName, " to response.serviceData");
        serviceData.addProperty(mapped.resolvedObject, mapped.resolvedPropertyName);
      }
    }
    debug("AttributeMappingImpl::resolveAttrMappingsForDataset end");
  } catch (IFail&) {
    dumpErrorStore();
    throw Korvane::Soa::Server::ServiceException();
  }
  response.serviceData = serviceData;
  return response;
}

void AttributeMappingImpl::getMappedDatasetValues(
    const Tag& dataset, const Tag& itemRev,
    const std::vector<POMRef<CadAttrMappingDefinition>>& mappings, const std::string& key,
    ServiceData& serviceData, std::vector<DataManagement::MappedDatasetAttrProperty>& out) {
  debug("AttributeMappingImpl::getMappedDatasetValues begin...");
  for (const POMRef<CadAttrMappingDefinition>& reference : mappings) {
    const Tag mapping = reference.tag();
    if (mapping.isValid() != 0) {
      raiseError(kInvalidMapping);
    }

    std::string attrTitle;
    {
      host::HostString title;
      const int status = ATTRMAP_ask_mapping_attr_title(mapping, title.out());
      if (status != ResultStatus::OK) {
        debug("  ATTRMAP_ask_mapping_attr_title returned ", status);
        raiseError(kTitleQueryFailed, decimal(status));
      }
      attrTitle = title.str();
    }
    const std::string mappingKey = key + "," + attrTitle;
    debug("  mapping title ", mappingKey);

    std::string datasetTypeName;
    Tag datasetType;
    int status = ATTRMAP_ask_mapping_dataset_type(mapping, &datasetType);
    if (status != ResultStatus::OK) {
      debug("  ATTRMAP_ask_mapping_dataset_type returned ", status);
      storeError(kMappingDatasetTypeFailed, decimal(status));
      serviceData.addErrorStack(mappingKey);
      continue;
    }
    if (datasetType != NULLTAG) {
      char name[AE_datasettype_name_size_c + 1] = "";
      status = AE_ask_datasettype_name(datasetType, name);
      if (status != ResultStatus::OK) {
        debug("  AE_ask_datasettype_name returned ", status);
        storeError(kDatasetTypeNameFailed, decimal(status));
        serviceData.addErrorStack(mappingKey);
        continue;
      }
      datasetTypeName = name;
      debug("  mapping dataset type name ", datasetTypeName);
    } else {
      debug("  no mapping dataset type name");
    }

    std::string itemTypeName;
    Tag itemType;
    status = ATTRMAP_ask_mapping_item_type(mapping, &itemType);
    if (status != ResultStatus::OK) {
      debug("  ATTRMAP_ask_mapping_item_type returned ", status);
      storeError(kMappingItemTypeFailed, decimal(status));
      serviceData.addErrorStack(mappingKey);
      continue;
    }
    if (itemType != NULLTAG) {
      char name[ZOLTTYPE_name_size_c + 1] = "";
      status = ZOLTTYPE_ask_name(itemType, name);
      if (status != ResultStatus::OK) {
        debug("  ZOLTTYPE_ask_name returned ", status);
        storeError(kItemTypeNameFailed, decimal(status));
        serviceData.addErrorStack(mappingKey);
        continue;
      }
      itemTypeName = name;
      debug("  mapping item type name ", itemTypeName);
    } else {
      debug("  no mapping item type name");
    }

    if (debugSwitch) {
      Tag ownType;
      char name[AE_datasettype_name_size_c + 1] = "";
      if (AE_ask_dataset_datasettype(dataset, &ownType) == ResultStatus::OK &&
          AE_ask_datasettype_name(ownType, name) == ResultStatus::OK) {
        debug("  dataset type ", name);
      } else {
        // Diagnostics only: the failure is no error.
        ERROR_store_clear();
      }
    }

    Tag object;
    std::string propertyName;
    try {
      resolveAttrValue(dataset, itemRev, mapping, object, propertyName);
    } catch (IFail&) {
      serviceData.addErrorStack(mappingKey);
      continue;
    }
    if (object != NULLTAG) {
      DataManagement::MappedDatasetAttrProperty mapped;
      mapped.attrTitle = attrTitle;
      mapped.datasetTypeName = datasetTypeName;
      mapped.itemTypeName = itemTypeName;
      mapped.resolvedObject = object;
      mapped.resolvedPropertyName = propertyName;
      out.push_back(mapped);
    }
  }
  debug("AttributeMappingImpl::getMappedDatasetValues end");
}

namespace {

// The property name of a property mapping's answer (types 1 and 2). `failure` is set to the
// code of a failing step, already stored on the error store; 0 on success.
std::string mappedPropertyName(const Tag& object, const Tag& property, int* failure) {
  *failure = 0;
  if (object == NULLTAG) {
    debug("  no object to lock was returned from resolve");
    storeError(kNoObject);
    *failure = kNoObject;
    return std::string();
  }
  if (property == NULLTAG) {
    debug("  no property object was returned from resolve");
    storeError(kNoProperty);
    *failure = kNoProperty;
    return std::string();
  }
  host::HostString name;
  const int status = PROP_ask_name(property, name.out());
  if (status != ResultStatus::OK) {
    debug("  PROP_ask_name returned ", status);
    storeError(kPropertyNameFailed, decimal(status));
    *failure = kPropertyNameFailed;
    return std::string();
  }
  if (zolt_strlen(name.get()) == 0) {
    debug("  property name empty or zero length");
    storeError(kEmptyPropertyName);
    *failure = kEmptyPropertyName;
    return std::string();
  }
  debug("  property name ", name.c_str(), ", tag", property);
  return name.str();
}

}  // namespace

void AttributeMappingImpl::resolveAttrValue(const Tag& dataset, const Tag& itemRev,
                                            const Tag& mapping, Tag& object,
                                            std::string& propertyName) {
  debug("AttributeMappingImpl::resolveAttrValue begin...");
  debug("  dataset ", dataset, ", itemRev ", itemRev, ", mapping ", mapping);
  object = NULLTAG;
  propertyName.clear();

  int type = 0;
  Tag resolvedObject;
  Tag property;
  int status = ResultStatus::OK;
  if (itemRev == NULLTAG) {
    std::string mapString;
    {
      host::HostString whole;
      status = ATTRMAP_ask_mapping_whole_string(mapping, whole.out());
      if (status != ResultStatus::OK) {
        debug("  ATTRMAP_ask_mapping_whole_string returned ", status);
        raiseError(kMapStringFailed, decimal(status));
      }
      if (zolt_strlen(whole.get()) == 0) {
        debug("  ATTRMAP_ask_mapping_whole_string returned null or empty string");
        raiseError(kEmptyMapString);
      }
      mapString = whole.str();
    }
    debug("  map string ", mapString);
    Tag ds0 = dataset;
    if (addressesItemOrRevision(mapString)) {
      status = AE_ask_dataset(dataset, &ds0);
      if (status != ResultStatus::OK) {
        debug("  AE_ask_dataset returned ", status);
        raiseError(kAskDatasetFailed, decimal(status));
      }
    }
    debug("  ds0 ", ds0, ", mapping ", mapping, ", mapStr ", mapString);
    status = ATTRMAP_resolve_mapping(ds0, mapping, &type, &resolvedObject, &property);
    if (status != ResultStatus::OK && status != kNoPropertyStatus) {
      debug("  ATTRMAP_resolve_mapping returned ", status);
    }
  } else {
    debug("  ds0 ", dataset, ", mapping ", mapping, ", itemRev ", itemRev);
    status = ATTRMAP_resolve_mapping_with_ir(dataset, mapping, itemRev, &type, &resolvedObject,
                                             &property);
    if (status != ResultStatus::OK && status != kNoPropertyStatus) {
      debug("  ATTRMAP_resolve_mapping_with_ir returned ", status);
    }
  }
  if (status == kNoPropertyStatus) {
    debug("AttributeMappingImpl::resolveAttrValue end - returning NO property for mapping");
    // "No property" is an answer, not an error: it must not reach a later error stack.
    ERROR_store_clear();
    return;
  }
  if (status != ResultStatus::OK) {
    raiseError(itemRev == NULLTAG ? kResolveFailed : kResolveWithItemRevisionFailed,
               decimal(status));
  }

  switch (type) {
    case 1:
    case 2: {
      int failure = 0;
      const std::string name = mappedPropertyName(resolvedObject, property, &failure);
      if (failure != 0) {
        throw IFail(failure);
      }
      object = resolvedObject;
      propertyName = name;
      break;
    }
    case 3:
      debug("  constant mapping type not supported - returning error");
      raiseError(kConstantMapping);
    case 4:
      debug("  preference mapping type not supported - returning error");
      raiseError(kPreferenceMapping);
    default:
      debug("  unknown mapping type ", type);
      raiseError(kUnknownMappingType, decimal(type));
  }
  debug("AttributeMappingImpl::resolveAttrValue end - returning property for mapping");
}

// --- Update ----------------------------------------------------------------------------------

void AttributeMappingImpl::setAttrValues(
    const Tag& dataset, const Tag& datasetType, const Tag& itemRev,
    const std::vector<DataManagement::AttributeInfo>& attributes, ServiceData& serviceData) {
  debug("AttributeMappingImpl::setAttrValues begin...");
  debug("  dataset ", dataset, ", itemRev ", itemRev);
  debug("  attrs ", attributes.size());

  std::string baseKey;
  if (dataset != NULLTAG) {
    if (dataset.isValid() != 0) {
      raiseError(kNotADataset);
    }
    baseKey = uidOf(dataset);
  }
  if (itemRev != NULLTAG) {
    if (itemRev.isValid() != 0) {
      raiseError(kNotAnItemRevision);
    }
    baseKey += "," + uidOf(itemRev);
  }

  Tag item;
  int status = ITEM_ask_item_of_rev(itemRev, &item);
  if (status != ResultStatus::OK) {
    debug("  ITEM_ask_item_of_rev returned ", status);
    raiseErrorWithTexts(kItemTypeLookupFailed, "ZOLTTYPE_ask_item_of_rev", decimal(status));
  }
  char itemTypeName[ZOLTTYPE_name_size_c + 1] = "";
  status = ITEM_ask_type(item, itemTypeName);
  if (status != ResultStatus::OK) {
    debug("  ITEM_ask_type returned ", status);
    raiseErrorWithTexts(kItemTypeLookupFailed, "ZOLTTYPE_ask_type", decimal(status));
  }
  debug("  item type ", itemTypeName);
  Tag itemType;
  status = ZOLTTYPE_find_type(itemTypeName, "Item", &itemType);
  if (status != ResultStatus::OK) {
    debug("  ZOLTTYPE_find_type returned ", status);
    raiseErrorWithTexts(kItemTypeLookupFailed, "ZOLTTYPE_find_type", decimal(status));
  }

  int count = 0;
  host::HostArray<Tag> mappings;
  status = ATTRMAP_list_mappings(dataset, datasetType, itemType, false, &count, mappings.out());
  if (status != ResultStatus::OK) {
    debug("  ATTRMAP_list_mappings returned ", status);
    raiseError(kListMappingsFailed, std::string(itemTypeName) + "," + decimal(status));
  }

  for (std::size_t i = 0; i < attributes.size(); ++i) {
    const DataManagement::AttributeInfo& attribute = attributes[i];
    if (attribute.name.empty()) {
      debug("    no name specified at ", i);
      storeError(kAttributeWithoutName, std::to_string(i));
      serviceData.addErrorStack(baseKey);
      continue;
    }
    debug("  name ", attribute.name);
    debug("  value ", attribute.value);
    const std::string key = baseKey + "," + attribute.name;

    // Records the stored condition under the attribute's key.
    auto fail = [&](int code, const std::string& text) {
      storeError(code, text);
      serviceData.addErrorStack(key);
    };

    Tag mapping;
    for (int j = 0; j < count && mapping == NULLTAG; ++j) {
      host::HostString title;
      status = ATTRMAP_ask_mapping_attr_title(mappings[j], title.out());
      if (status != ResultStatus::OK) {
        debug("  ATTRMAP_ask_mapping_attr_title returned ", status);
        fail(kTitleQueryFailed, decimal(status));
        continue;
      }
      if (zolt_strcmp(title.get(), attribute.name.c_str()) == 0) {
        mapping = mappings[j];
      }
    }
    if (mapping == NULLTAG) {
      debug("    no mapping found");
      continue;
    }

    bool cadMaster = false;
    status = ATTRMAP_ask_mapping_cad_master(mapping, &cadMaster);
    if (status != ResultStatus::OK) {
      debug("  ATTRMAP_ask_mapping_cad_master returned ", status);
      fail(kCadMasterFailed, decimal(status));
      continue;
    }
    if (!cadMaster) {
      debug("    mapping is NOT CAD mastered");
      continue;
    }

    int type = 0;
    Tag object;
    Tag property;
    status = ATTRMAP_resolve_mapping_with_ir(dataset, mapping, itemRev, &type, &object, &property);
    if (status != ResultStatus::OK) {
      debug("  ATTRMAP_resolve_mapping returned ", status);
      fail(kResolveWithItemRevisionFailed, objectText(dataset) + ", " + objectText(mapping) + ", " +
                                               objectText(itemRev) + ", " + decimal(status));
      continue;
    }

    std::string propertyName;
    if (type == 1 || type == 2) {
      int failure = 0;
      propertyName = mappedPropertyName(object, property, &failure);
      if (failure != 0) {
        serviceData.addErrorStack(key);
        continue;
      }
    } else if (type == 3 || type == 4) {
      debug("  unsupported mapping type ", type);
      fail(kNotWritableMappingType, decimal(type));
      continue;
    } else {
      debug("  unknown mapping type ", type);
      fail(kUnknownMappingType, decimal(type));
      continue;
    }

    debug("  property name ", propertyName);
    bool modifiable = false;
    status = AOM_is_modifiable(object, propertyName.c_str(), &modifiable);
    if (status != ResultStatus::OK) {
      debug("  AOM_is_modifiable returned ", status);
      fail(kModifiableFailed, decimal(status));
      continue;
    }
    if (!modifiable) {
      debug("    not modifiable by current user, currently NOT an error");
      continue;
    }

    // The write runs under a mark point: when any of it fails, the release of the lock
    // included, the roll-back takes the value, the save and the lock back, so an attribute
    // that fails leaves neither a change nor a lock behind.
    try {
      MarkPoint mark;
      status = AOM_refresh(object, true);
      if (status != ResultStatus::OK) {
        debug("  AOM_refresh with lock returned ", status);
        raiseError(kLockFailed, decimal(status));
      }
      debug("  AOM_UIF_set_value ", object, " ", propertyName, " ", attribute.value);
      status = AOM_UIF_set_value(object, propertyName.c_str(), attribute.value.c_str());
      if (status != ResultStatus::OK) {
        debug("  AOM_UIF_set_value returned ", status);
        raiseError(kSetValueFailed, decimal(status));
      }
      if (object == dataset) {
        debug("  saving dataset...");
        status = AE_save_myself(object);
        if (status != ResultStatus::OK) {
          debug("  AE_save_myself returned ", status);
          raiseError(kDatasetSaveFailed, decimal(status));
        }
      } else {
        debug("  saving object...");
        status = AOM_save(object);
        if (status != ResultStatus::OK) {
          debug("  AOM_save returned ", status);
          raiseError(kObjectSaveFailed, decimal(status));
        }
      }
      status = AOM_refresh(object, false);
      if (status != ResultStatus::OK) {
        debug("  AOM_refresh with unlock returned ", status);
        throw IFail(status);
      }
      mark.keep();
      // An object this call made (the dataset, a new revision or its form) is reported as made
      // only.
      if (serviceData.createdUids().count(Internal::Server::Utils::tagToUid(object)) == 0) {
        serviceData.addUpdatedObject(object);
      }
    } catch (IFail&) {
      serviceData.addErrorStack(key);
    }
  }
  debug("AttributeMappingImpl::setAttrValues end");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
