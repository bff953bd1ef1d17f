// Datasets and dataset types. A dataset type is an object of class "DatasetType" named by its
// "datasettype_name"; a dataset names its type in "dataset_type".
#pragma once

#include "framework/visibility.h"
#include "host/object/sizes.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // Dataset type names (AE_ask_datasettype_name).
  AE_datasettype_name_size_c = 32,
};

// The dataset type named `name`; null when there is none.
int AE_find_datasettype(const char* name, Tag* datasetType);
// The type's name into `name` (AE_datasettype_name_size_c + 1 characters).
int AE_ask_datasettype_name(Tag datasetType, char* name);
// The type of a dataset.
int AE_ask_dataset_datasettype(Tag dataset, Tag* datasetType);
// Saves a dataset (its unsaved values).
int AE_save_myself(Tag dataset);

// The dataset that `dataset` stands for when a mapping addresses its item or item revision:
// in this host every dataset stands for itself, so a live dataset answers itself.
// POM_invalid_tag for anything else.
int AE_ask_dataset(Tag dataset, Tag* result);

SOACAD_API_END
