#include "host/program/demo_store.h"

namespace host {

const char* const kDemoStore = R"(<fixture>
  <class name="Document" parent="Item"/>
  <class name="DocumentRevision" parent="ItemRevision"/>
  <type name="Part" class="Item" parent="Item"/>
  <type name="PartRevision" class="ItemRevision" parent="ItemRevision"/>
  <type name="Document" class="Document" parent="Item"/>
  <type name="DocumentRevision" class="DocumentRevision" parent="ItemRevision"/>
  <type name="ItemMaster" class="Form"/>
  <type name="ItemRevisionMaster" class="Form"/>
  <type name="CADModelProperties" class="Form"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADDrawing" class="Dataset" parent="Dataset"/>
  <type name="Text" class="Dataset" parent="Dataset"/>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="ZOLT_reference" class="ImanRelation" parent="ImanRelation"/>
  <type name="ZOLT_rendering" class="ImanRelation" parent="ImanRelation"/>
  <type name="ZOLT_variant_rule" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <type name="ERPAltId" class="Identifier" parent="Identifier"/>

  <object uid="u.demo" class="User" type="User">
    <prop name="user_id" value="demo"/>
    <prop name="user_name" value="Dana Demo"/>
    <prop name="home_folder" value="f.demo.home"/>
    <prop name="newstuff_folder" value="f.demo.newstuff"/>
  </object>
  <object uid="u.cad" class="User" type="User">
    <prop name="user_id" value="cadadmin"/>
    <prop name="user_name" value="CAD Administrator"/>
    <prop name="home_folder" value="f.cad.home"/>
    <prop name="newstuff_folder" value="f.cad.newstuff"/>
  </object>

  <object uid="f.demo.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="owning_user" value="u.demo"/>
    <prop name="contents">
      <v value="f.projects"/>
      <v value="f.demo.newstuff"/>
    </prop>
  </object>
  <object uid="f.demo.newstuff" class="Folder" type="Folder">
    <prop name="object_name" value="Newstuff"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="f.cad.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="owning_user" value="u.cad"/>
    <prop name="contents">
      <v value="f.cad.newstuff"/>
    </prop>
  </object>
  <object uid="f.cad.newstuff" class="Folder" type="Folder">
    <prop name="object_name" value="Newstuff"/>
    <prop name="owning_user" value="u.cad"/>
  </object>
  <object uid="f.projects" class="Folder" type="Folder">
    <prop name="object_name" value="Projects"/>
    <prop name="owning_user" value="u.demo"/>
    <prop name="contents">
      <v value="f.gearbox"/>
    </prop>
  </object>
  <object uid="f.gearbox" class="Folder" type="Folder">
    <prop name="object_name" value="Gearbox"/>
    <prop name="object_desc" value="Two-stage gearbox, first prototype"/>
    <prop name="owning_user" value="u.demo"/>
    <prop name="contents">
      <v value="i.000100"/>
      <v value="i.000101"/>
      <v value="i.000102"/>
      <v value="i.000103"/>
      <v value="f.gearbox.archive"/>
    </prop>
  </object>
  <object uid="f.gearbox.archive" class="Folder" type="Folder">
    <prop name="object_name" value="Archive"/>
    <prop name="owning_user" value="u.demo"/>
  </object>

  <object uid="i.000100" class="Item" type="Part">
    <prop name="object_name" value="Gearbox assembly"/>
    <prop name="item_id" value="000100"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="r.000100.A" class="ItemRevision" type="PartRevision">
    <prop name="object_name" value="Gearbox assembly"/>
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.000100"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="r.000100.B" class="ItemRevision" type="PartRevision">
    <prop name="object_name" value="Gearbox assembly"/>
    <prop name="object_desc" value="Second stage with helical gears"/>
    <prop name="item_revision_id" value="B"/>
    <prop name="items_tag" value="i.000100"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="i.000101" class="Item" type="Part">
    <prop name="object_name" value="Housing"/>
    <prop name="item_id" value="000101"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="r.000101.A" class="ItemRevision" type="PartRevision">
    <prop name="object_name" value="Housing"/>
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.000101"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="i.000102" class="Item" type="Part">
    <prop name="object_name" value="Output shaft"/>
    <prop name="item_id" value="000102"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="r.000102.A" class="ItemRevision" type="PartRevision">
    <prop name="object_name" value="Output shaft"/>
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.000102"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="i.000103" class="Document" type="Document">
    <prop name="object_name" value="Gearbox requirements"/>
    <prop name="item_id" value="000103"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="r.000103.A" class="DocumentRevision" type="DocumentRevision">
    <prop name="object_name" value="Gearbox requirements"/>
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.000103"/>
    <prop name="owning_user" value="u.demo"/>
  </object>

  <object uid="fm.000100" class="Form" type="ItemMaster"><prop name="object_name" value="000100"/></object>
  <object uid="fm.000100.A" class="Form" type="ItemRevisionMaster"><prop name="object_name" value="000100/A"/></object>
  <object uid="fm.000100.B" class="Form" type="ItemRevisionMaster"><prop name="object_name" value="000100/B"/></object>
  <object uid="fm.000101" class="Form" type="ItemMaster"><prop name="object_name" value="000101"/></object>
  <object uid="fm.000101.A" class="Form" type="ItemRevisionMaster"><prop name="object_name" value="000101/A"/></object>
  <object uid="fm.000102" class="Form" type="ItemMaster"><prop name="object_name" value="000102"/></object>
  <object uid="fm.000102.A" class="Form" type="ItemRevisionMaster"><prop name="object_name" value="000102/A"/></object>
  <object uid="fm.000103" class="Form" type="ItemMaster"><prop name="object_name" value="000103"/></object>
  <object uid="fm.000103.A" class="Form" type="ItemRevisionMaster"><prop name="object_name" value="000103/A"/></object>

  <object uid="tool.cad" class="Tool" type="Tool">
    <prop name="tool_name" value="CADEditor"/>
    <prop name="output_formats"><v value="BINARY"/><v value="STEP"/></prop>
  </object>
  <object uid="tool.text" class="Tool" type="Tool">
    <prop name="tool_name" value="TextEditor"/>
    <prop name="output_formats"><v value="TEXT"/></prop>
  </object>
  <object uid="dt.cadmodel" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
    <prop name="list_of_tools"><v value="tool.cad"/></prop>
    <prop name="default_tool" value="tool.cad"/>
  </object>
  <object uid="dt.caddrawing" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADDrawing"/>
    <prop name="list_of_tools"><v value="tool.cad"/></prop>
    <prop name="default_tool" value="tool.cad"/>
  </object>
  <object uid="dt.text" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="Text"/>
    <prop name="list_of_tools"><v value="tool.text"/></prop>
    <prop name="default_tool" value="tool.text"/>
  </object>
  <object uid="d.000100.A.model" class="Dataset" type="CADModel">
    <prop name="object_name" value="000100/A gearbox"/>
    <prop name="dataset_type" value="dt.cadmodel"/>
    <prop name="rev_chain_anchor" value="anc.000100.A.model"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="d.000101.A.model" class="Dataset" type="CADModel">
    <prop name="object_name" value="000101/A housing"/>
    <prop name="dataset_type" value="dt.cadmodel"/>
    <prop name="rev_chain_anchor" value="anc.000101.A.model"/>
    <prop name="ref_names"><v value="CADProperties"/></prop>
    <prop name="ref_types"><v value="1"/></prop>
    <prop name="ref_list"><v value="nr.000101.A.model"/></prop>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="d.000101.A.drawing" class="Dataset" type="CADDrawing">
    <prop name="object_name" value="000101/A housing drawing"/>
    <prop name="dataset_type" value="dt.caddrawing"/>
    <prop name="rev_chain_anchor" value="anc.000101.A.drawing"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="d.000102.A.model" class="Dataset" type="CADModel">
    <prop name="object_name" value="000102/A shaft"/>
    <prop name="dataset_type" value="dt.cadmodel"/>
    <prop name="rev_chain_anchor" value="anc.000102.A.model"/>
    <prop name="owning_user" value="u.demo"/>
  </object>
  <object uid="d.000103.A.text" class="Dataset" type="Text">
    <prop name="object_name" value="Load cases"/>
    <prop name="dataset_type" value="dt.text"/>
    <prop name="rev_chain_anchor" value="anc.000103.A.text"/>
    <prop name="owning_user" value="u.demo"/>
  </object>

  <object uid="anc.000100.A.model" class="RevisionAnchor"><prop name="highest_revision" value="1"/></object>
  <object uid="anc.000101.A.model" class="RevisionAnchor"><prop name="highest_revision" value="2"/></object>
  <object uid="anc.000101.A.drawing" class="RevisionAnchor"><prop name="highest_revision" value="1"/></object>
  <object uid="anc.000102.A.model" class="RevisionAnchor"><prop name="highest_revision" value="1"/></object>
  <object uid="anc.000103.A.text" class="RevisionAnchor"><prop name="highest_revision" value="1"/></object>
  <object uid="nr.000101.A.model" class="Form" type="CADModelProperties">
    <prop name="object_name" value="000101/A housing properties"/>
    <prop name="object_desc" value="Mass 2.6 kg"/>
  </object>

  <relation uid="rel.fm.000100" type="ZOLT_master_form" primary="i.000100" secondary="fm.000100"/>
  <relation uid="rel.fm.000100.A" type="ZOLT_master_form" primary="r.000100.A" secondary="fm.000100.A"/>
  <relation uid="rel.fm.000100.B" type="ZOLT_master_form" primary="r.000100.B" secondary="fm.000100.B"/>
  <relation uid="rel.fm.000101" type="ZOLT_master_form" primary="i.000101" secondary="fm.000101"/>
  <relation uid="rel.fm.000101.A" type="ZOLT_master_form" primary="r.000101.A" secondary="fm.000101.A"/>
  <relation uid="rel.fm.000102" type="ZOLT_master_form" primary="i.000102" secondary="fm.000102"/>
  <relation uid="rel.fm.000102.A" type="ZOLT_master_form" primary="r.000102.A" secondary="fm.000102.A"/>
  <relation uid="rel.fm.000103" type="ZOLT_master_form" primary="i.000103" secondary="fm.000103"/>
  <relation uid="rel.fm.000103.A" type="ZOLT_master_form" primary="r.000103.A" secondary="fm.000103.A"/>
  <relation uid="rel.attach.000100.A" type="ZOLT_specification" primary="r.000100.A" secondary="d.000100.A.model"/>
  <relation uid="rel.attach.000101.A" type="ZOLT_specification" primary="r.000101.A" secondary="d.000101.A.model"/>
  <relation uid="rel.rend.000101.A" type="ZOLT_rendering" primary="r.000101.A" secondary="d.000101.A.drawing"/>
  <relation uid="rel.attach.000102.A" type="ZOLT_specification" primary="r.000102.A" secondary="d.000102.A.model"/>
  <relation uid="rel.attach.000103.A" type="ZOLT_specification" primary="r.000103.A" secondary="d.000103.A.text"/>
  <relation uid="rel.ref.000100.B" type="ZOLT_reference" primary="r.000100.B" secondary="r.000103.A"/>

  <object uid="pd.description" class="PropertyDescriptor">
    <prop name="property_name" value="object_desc"/>
    <prop name="display_name" value="Description"/>
    <prop name="value_type" value="8"/>
    <prop name="property_type" value="1"/>
    <prop name="max_length" value="240"/>
  </object>
  <object uid="pd.part_name" class="PropertyDescriptor">
    <prop name="property_name" value="object_name"/>
    <prop name="display_name" value="Name"/>
    <prop name="value_type" value="8"/>
    <prop name="property_type" value="1"/>
    <prop name="required" value="true"/>
    <prop name="max_length" value="32"/>
  </object>
  <object uid="m.description" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="DESCRIPTION"/>
    <prop name="mapping_string" value="ItemRevision.object_desc"/>
    <prop name="dataset_type" value="dt.cadmodel"/>
    <prop name="item_type" value="type.Part"/>
    <prop name="cad_master" value="true"/>
    <prop name="property_descriptor" value="pd.description"/>
  </object>
  <object uid="m.part_name" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="PART_NAME"/>
    <prop name="mapping_string" value="Item.object_name"/>
    <prop name="dataset_type" value="dt.cadmodel"/>
    <prop name="property_descriptor" value="pd.part_name"/>
  </object>
  <object uid="res.description.000101" class="CadAttrMappingResolution">
    <prop name="mapping" value="m.description"/>
    <prop name="item_revision" value="r.000101.A"/>
    <prop name="mapping_type" value="2"/>
    <prop name="resolved_object" value="r.000101.A"/>
    <prop name="resolved_property" value="object_desc"/>
  </object>
  <object uid="res.part_name.000101" class="CadAttrMappingResolution">
    <prop name="mapping" value="m.part_name"/>
    <prop name="dataset" value="d.000101.A.model"/>
    <prop name="mapping_type" value="1"/>
    <prop name="resolved_object" value="i.000101"/>
    <prop name="resolved_property" value="object_name"/>
  </object>

  <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
  <object uid="nt.cad_note" class="PSNoteType"><prop name="object_name" value="CAD_note"/></object>
  <object uid="bv.000100" class="PSBOMView">
    <prop name="object_name" value="000100-view"/>
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.000100"/>
  </object>
  <object uid="bvr.000100.B" class="PSBOMViewRevision">
    <prop name="object_name" value="000100/B-view"/>
    <prop name="bom_view" value="bv.000100"/><prop name="parent_revision" value="r.000100.B"/>
    <prop name="is_precise" value="false"/>
    <prop name="occurrences"><v value="occ.000100.B.1"/><v value="occ.000100.B.2"/></prop>
  </object>
  <object uid="th.000100.1" class="PSOccurrenceThread"/>
  <object uid="th.000100.2" class="PSOccurrenceThread"/>
  <object uid="occ.000100.B.1" class="PSOccurrence">
    <prop name="child_item" value="i.000101"/><prop name="occurrence_thread" value="th.000100.1"/>
    <prop name="quantity" value="1"/><prop name="seq_no" value="10"/>
  </object>
  <object uid="occ.000100.B.2" class="PSOccurrence">
    <prop name="child_item" value="i.000102"/><prop name="occurrence_thread" value="th.000100.2"/>
    <prop name="quantity" value="2"/><prop name="seq_no" value="20"/>
  </object>
  <object uid="rr.latest" class="RevisionRule">
    <prop name="object_name" value="Latest released or in work"/>
    <prop name="entries"><v value="rre.latest"/></prop>
  </object>
  <object uid="rre.latest" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
  <object uid="vr.000100.B.standard" class="VariantRule">
    <prop name="object_name" value="Standard"/>
    <prop name="option_names"><v value="ratio"/></prop>
    <prop name="option_values"><v value="standard"/></prop>
  </object>
  <relation uid="rel.vr.000100.B" type="ZOLT_variant_rule" primary="r.000100.B" secondary="vr.000100.B.standard"/>
  <object uid="anc.000100.B.service" class="ArrangementAnchor"/>
  <object uid="arr.000100.B.service" class="AssemblyArrangement">
    <prop name="object_name" value="Service"/><prop name="context_bvr" value="bvr.000100.B"/>
    <prop name="anchor" value="anc.000100.B.service"/>
  </object>

  <object uid="uom.each" class="UnitOfMeasure"><prop name="symbol" value="each"/></object>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>
  <object uid="uom.kg" class="UnitOfMeasure"><prop name="symbol" value="kg"/></object>
  <object uid="uom.l" class="UnitOfMeasure"><prop name="symbol" value="l"/></object>

  <session currentUser="u.demo"/>
  <preferences searchScope="all">
    <preference name="SOACAD_checkout_required" scope="site">
      <v value="false"/>
    </preference>
    <preference name="WsoInsertNoSelectionsPref" scope="site">
      <v value="1"/>
    </preference>
  </preferences>
</fixture>
)";

}  // namespace host
