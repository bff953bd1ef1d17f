#include "host/object/dataset.h"

#include <string>

#include "host/object/dataset_write.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

std::string nameOf(Tag datasetType) {
  const host::Value* value = nullptr;
  if (Store::instance().read(datasetType, "datasettype_name", &value) != 0 ||
      value->texts.empty()) {
    return std::string();
  }
  return value->texts.front();
}

}  // namespace

int AE_find_datasettype(const char* name, Tag* datasetType) {
  if (name == nullptr || datasetType == nullptr) {
    return missingArgument("AE_find_datasettype");
  }
  *datasetType = NULLTAG;
  HOST_CALL("AE_find_datasettype", NULLTAG);
  *datasetType = host::findDatasetType(name);
  return 0;
}

int AE_ask_datasettype_name(Tag datasetType, char* name) {
  if (name == nullptr) {
    return missingArgument("AE_ask_datasettype_name");
  }
  name[0] = '\0';
  HOST_CALL("AE_ask_datasettype_name", datasetType);
  if (!Store::instance().isInstanceOf(datasetType, "DatasetType")) {
    return host::storeError(POM_invalid_tag, {tagText(datasetType)});
  }
  host::copyName(nameOf(datasetType), name, AE_datasettype_name_size_c);
  return 0;
}

int AE_ask_dataset_datasettype(Tag dataset, Tag* datasetType) {
  if (datasetType == nullptr) {
    return missingArgument("AE_ask_dataset_datasettype");
  }
  *datasetType = NULLTAG;
  HOST_CALL("AE_ask_dataset_datasettype", dataset);
  if (!Store::instance().isInstanceOf(dataset, "Dataset")) {
    return host::storeError(POM_invalid_tag, {tagText(dataset)});
  }
  const host::Value* value = nullptr;
  if (const int status = Store::instance().read(dataset, "dataset_type", &value)) {
    return status;
  }
  *datasetType = value->tags.empty() ? NULLTAG : value->tags.front();
  return 0;
}

int AE_save_myself(Tag dataset) {
  HOST_CALL("AE_save_myself", dataset);
  if (!Store::instance().isInstanceOf(dataset, "Dataset")) {
    return host::storeError(POM_invalid_tag, {tagText(dataset)});
  }
  return Store::instance().save(dataset);
}

int AE_ask_dataset(Tag dataset, Tag* result) {
  if (result == nullptr) {
    return missingArgument("AE_ask_dataset");
  }
  *result = NULLTAG;
  HOST_CALL("AE_ask_dataset", dataset);
  if (!Store::instance().isInstanceOf(dataset, "Dataset")) {
    return host::storeError(POM_invalid_tag, {tagText(dataset)});
  }
  *result = dataset;
  return 0;
}
