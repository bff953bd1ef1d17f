// CAD attribute mappings: their definitions, their resolution for a dataset, and the writing
// of mapped attribute values.
//
// Diagnostics: every construction of AttributeMappingImpl sets a process-wide switch from the
// environment variable "DEBUG_SOACAD" (on for any non-empty value); while it is on the
// operations write their diagnostic lines to standard output. Whenever an operation's outer
// handler catches a host failure, the host's error store is written to standard output, switch
// or not. The switch is shared and unguarded: the host runs one operation at a time.
#pragma once

#include <string>
#include <vector>

#include "datamanagement/data_management.h"
#include "framework/visibility.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One object per call: DataManagementImpl constructs it for one of the three service
// operations; createOrUpdateParts constructs one to write the mapped attributes of a dataset.
// It holds no state of its own.
class SOACAD_API AttributeMappingImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;

  // Sets the diagnostic switch from "DEBUG_SOACAD" (see the file comment).
  AttributeMappingImpl();

  // Every mapping of the host with the description of the property it maps to. A mapping
  // whose description cannot be read is still returned (with an empty description) and gets an
  // error stack keyed by its UID. A failure of the listing itself gives an error stack without
  // a key and the mappings gathered so far.
  virtual DataManagement::GetAllAttrMappingsResponse getAllAttrMappings();
  // One output per criteria whose dataset type and item type exist (or are not given) and
  // whose listing succeeds; an error stack keyed by "datasetType[,itemType[,exact]]" for the
  // others. Raises ServiceException when anything else fails (the whole call fails).
  virtual DataManagement::GetAttrMappingsForDatasetTypeResponse getAttrMappingsForDatasetType(
      const std::vector<DataManagement::GetAttrMappingsForDatasetTypeCriteria>& criteria);
  // One output per info: the objects and property names the info's mappings resolve to for its
  // dataset (and item revision). Failures are error stacks keyed by "datasetUid[,itemRevUid]"
  // for the info and by that key + "," + the attribute title for a mapping. Raises
  // ServiceException when anything else fails.
  virtual DataManagement::ResolveAttrMappingsForDatasetResponse resolveAttrMappingsForDataset(
      const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>& info);

  // Writes each named attribute to the property that its CAD-mastered mapping resolves to for
  // the dataset and item revision, where the session may change it: lock, set, save (the
  // dataset with AE_save_myself), unlock. Attributes without a mapping, of a mapping that is not
  // CAD mastered, or of a property the session may not change are skipped without error. A
  // failing attribute gets an error stack on `serviceData` keyed by
  // "datasetUid,itemRevUid,name" (an attribute without a name: "datasetUid,itemRevUid") and
  // leaves its object unlocked; the others go on. Each object written is reported as updated
  // on `serviceData`, unless it is already reported there as created.
  // Raises IFail, writing nothing, when the dataset or item revision is not valid, the item
  // type of the item revision cannot be found (a null item revision included) or the mappings
  // cannot be listed.
  void setAttrValues(const Tag& dataset, const Tag& datasetType, const Tag& itemRev,
                     const std::vector<DataManagement::AttributeInfo>& attributes,
                     DataManagement::ServiceData& serviceData);

 private:
  // Fills `out` from the mapping's property descriptor. A mapping without a descriptor (or
  // whose descriptor object cannot be loaded) leaves `out` as it is. Raises IFail (215117 when
  // the descriptor tag cannot be read).
  void getPropDescInfo(const Tag& mapping, DataManagement::PropDescriptor& out);
  // Appends what each mapping resolves to; a mapping that yields no property appends nothing.
  // A failing mapping gets an error stack keyed by `key` + "," + its title. Raises IFail for an
  // invalid mapping tag or a failing title query, which ends the info.
  void getMappedDatasetValues(const Tag& dataset, const Tag& itemRev,
                              const std::vector<POMRef<CadAttrMappingDefinition>>& mappings,
                              const std::string& key, DataManagement::ServiceData& serviceData,
                              std::vector<DataManagement::MappedDatasetAttrProperty>& out);
  // The object and property name that the mapping resolves to; a null object and an empty
  // name when it yields no property. Raises IFail for any other failure and for constant,
  // preference and unknown mapping types.
  void resolveAttrValue(const Tag& dataset, const Tag& itemRev, const Tag& mapping, Tag& object,
                        std::string& propertyName);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
