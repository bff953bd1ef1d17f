// Request text of any shape to every operation of the DataManagement service, with the checks of
// fuzz/service_fuzz.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/datamanagement/datamanagement_records.h"

const char* const service_fuzz::kTarget = "datamanagement_fuzz";

namespace {

// A small world the requests can name: a user with folders, items with revisions, master forms,
// datasets, relations, units of measure and alternate-id types.
const char* const kStore = R"(<fixture>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <object uid="u.1" class="User" type="User">
    <prop name="user_id" value="fuzz"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.new"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="contents"><v value="i.1"/><v value="f.new"/><v value="d.1"/></prop>
  </object>
  <object uid="f.new" class="Folder" type="Folder"><prop name="object_name" value="New"/></object>
  <object uid="i.1" class="Item" type="Item">
    <prop name="object_name" value="Bracket"/>
    <prop name="item_id" value="000001"/>
  </object>
  <object uid="r.1.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.1"/>
  </object>
  <object uid="fm.1" class="Form" type="Form"/>
  <object uid="fm.1.A" class="Form" type="Form"/>
  <object uid="dt.1" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
  </object>
  <object uid="d.1" class="Dataset" type="CADModel">
    <prop name="object_name" value="Bracket model"/>
    <prop name="dataset_type" value="dt.1"/>
  </object>
  <object uid="gone" class="Folder" type="Folder"/>
  <relation uid="rel.1" type="ZOLT_master_form" primary="i.1" secondary="fm.1"/>
  <relation uid="rel.2" type="ZOLT_master_form" primary="r.1.A" secondary="fm.1.A"/>
  <relation uid="rel.3" type="ZOLT_specification" primary="r.1.A" secondary="d.1"/>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>
  <session currentUser="u.1"/>
  <preferences>
    <preference name="SOACAD_checkout_required" scope="site"><v value="false"/></preference>
  </preferences>
</fixture>)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::IiopSkeleton*> skeletons =
      service_fuzz::registeredSkeletons({"Cad-2007-01-DataManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  service_fuzz::checkRecords(request,
                             {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()});
  service_fuzz::checkEveryOperation(skeletons, kStore, request);
  return 0;
}
