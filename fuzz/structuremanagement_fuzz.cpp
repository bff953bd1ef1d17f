// Request text of any shape to every operation of the two StructureManagement services, with
// the checks of fuzz/service_fuzz.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"

const char* const service_fuzz::kTarget = "structuremanagement_fuzz";

namespace {

// A small world the requests can name: a user with folders, an assembly item with a revision,
// two component items, a dataset and a deleted object.
const char* const kStore = R"(<fixture>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <object uid="u.1" class="User" type="User">
    <prop name="user_id" value="fuzz"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.new"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="contents"><v value="i.asm"/><v value="f.new"/></prop>
  </object>
  <object uid="f.new" class="Folder" type="Folder"><prop name="object_name" value="New"/></object>
  <object uid="i.asm" class="Item" type="Item">
    <prop name="object_name" value="Assembly"/>
    <prop name="item_id" value="000001"/>
  </object>
  <object uid="r.asm.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.asm"/>
  </object>
  <object uid="i.part" class="Item" type="Item">
    <prop name="object_name" value="Part"/>
    <prop name="item_id" value="000002"/>
  </object>
  <object uid="r.part.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.part"/>
  </object>
  <object uid="dt.1" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
  </object>
  <object uid="d.1" class="Dataset" type="CADModel">
    <prop name="object_name" value="Assembly model"/>
    <prop name="dataset_type" value="dt.1"/>
  </object>
  <object uid="gone" class="Folder" type="Folder"/>
  <relation uid="rel.1" type="ZOLT_specification" primary="r.asm.A" secondary="d.1"/>
  <session currentUser="u.1"/>
  <preferences>
    <preference name="SOACAD_checkout_required" scope="site"><v value="false"/></preference>
  </preferences>
</fixture>)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::IiopSkeleton*> skeletons =
      service_fuzz::registeredSkeletons(
          {"Cad-2007-01-StructureManagement", "Cad-2007-06-StructureManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  service_fuzz::checkRecords(
      request, {&Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
                &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()});
  service_fuzz::checkEveryOperation(skeletons, kStore, request);
  return 0;
}
