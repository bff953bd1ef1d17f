// The store that the createOrUpdateParts benchmarks start from: a user with home and newstuff
// folders, the relation type datasets hang under, and a dataset type "CADModel" with a tool.
#pragma once

#include <string>

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

}  // namespace bench_support
