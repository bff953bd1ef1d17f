// The store that the createOrUpdateParts benchmarks start from: a user with home and newstuff
// folders, the relation type datasets hang under, and a dataset type "CADModel" with a tool.
#pragma once

#include <string>
#include <vector>

#include "datamanagement/data_management.h"

namespace bench_support {

// The fixture document; `extraObjects` (fixture elements) is added inside it.
inline std::string partsWorld(const std::string& extraObjects = std::string()) {
  return R"(<fixture>
  <object uid="u.bench" class="User" type="User">
    <prop name="user_id" value="bench"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.newstuff"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder"><prop name="owning_user" value="u.bench"/></object>
  <object uid="f.newstuff" class="Folder" type="Folder"><prop name="owning_user" value="u.bench"/></object>
  <type name="ZOLT_specification" class="ImanRelation"/>
  <object uid="tool.m" class="Tool" type="Tool">
    <prop name="tool_name" value="Modeler"/><prop name="output_formats"><v value="BIN"/></prop>
  </object>
  <object uid="dt.model" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
    <prop name="list_of_tools"><v value="tool.m"/></prop>
    <prop name="default_tool" value="tool.m"/>
  </object>
)" + extraObjects +
         R"(  <session currentUser="u.bench"/>
  <preferences>
    <preference name="WsoInsertNoSelectionsPref"><v value="1"/></preference>
  </preferences>
</fixture>)";
}

// The dataset input of part `n` in the parts world: client id "model", name "model-<n>", type
// `type`, under the item revision by "ZOLT_specification", with the file "part-<n>.prt" as its
// "PART" reference.
inline Korvane::Soa::Cad::_2007_01::DataManagement::DatasetInfo modelDataset(
    const std::string& n, const std::string& type = "CADModel") {
  Korvane::Soa::Cad::_2007_01::DataManagement::DatasetInfo dataset;
  dataset.clientId = "model";
  dataset.name = "model-" + n;
  dataset.type = type;
  dataset.itemRevRelationName = "ZOLT_specification";
  dataset.datasetFileInfo = {{"part", "part-" + n + ".prt", "PART", false, false}};
  return dataset;
}

// `parts` new part inputs, part n (from 0) with client id "part-<n>", the description
// "benchmark part <n>" and the one dataset modelDataset(n, datasetType).
inline std::vector<Korvane::Soa::Cad::_2007_01::DataManagement::PartInfo> newParts(
    int parts, const std::string& datasetType = "CADModel") {
  std::vector<Korvane::Soa::Cad::_2007_01::DataManagement::PartInfo> infos(
      static_cast<std::size_t>(parts));
  for (int i = 0; i < parts; ++i) {
    auto& info = infos[static_cast<std::size_t>(i)];
    const std::string n = std::to_string(i);
    info.clientId = "part-" + n;
    info.itemInput.description = "benchmark part " + n;
    info.datasetInput.push_back(modelDataset(n, datasetType));
  }
  return infos;
}

}  // namespace bench_support
