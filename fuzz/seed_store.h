// The world the service fuzz targets' requests can name, seeded once per process and restored
// before every request from a snapshot (Store::restore), so that an input costs what its
// operations do rather than what loading a fixture does.
//
// It holds a user with folders; items with revisions, master forms, datasets, relations,
// attribute mappings (one resolved for a revision), units of measure and alternate-id types for
// the data management operations; and for the structure operations the assembly i.asm
// (revisions r.asm.0 and r.asm.A) with views, view revisions and occurrences (one of them of the
// subassembly i.sub, one a generic design element, one under a variant condition, one of an item
// without revision), an absolute occurrence with a qualifier, data and an attachment, an
// arrangement with its anchor, revision rules with every kind of entry (working, override, date,
// unit), variant rules, a stored option set, and the object "gone", deleted after loading.
// seedSession() then opens BOM windows as a client session would have: their UIDs are
// generated, the same in every process; see fuzz/service.dict.
#pragma once

#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace service_fuzz {

inline const char* const kSeedFixture = R"(<fixture>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="ZOLT_reference" class="ImanRelation" parent="ImanRelation"/>
  <type name="ZOLT_variant_rule" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <object uid="u.1" class="User" type="User">
    <prop name="user_id" value="fuzz"/>
    <prop name="home_folder" value="f.home"/><prop name="newstuff_folder" value="f.new"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="contents"><v value="i.1"/><v value="i.asm"/><v value="f.new"/><v value="d.1"/></prop>
  </object>
  <object uid="f.new" class="Folder" type="Folder"><prop name="object_name" value="New"/></object>
  <object uid="i.1" class="Item" type="Item">
    <prop name="object_name" value="Bracket"/><prop name="item_id" value="000001"/>
  </object>
  <object uid="r.1.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/><prop name="items_tag" value="i.1"/>
  </object>
  <object uid="fm.1" class="Form" type="Form"/>
  <object uid="fm.1.A" class="Form" type="Form"/>
  <object uid="tool.1" class="Tool" type="Tool">
    <prop name="tool_name" value="Modeler"/><prop name="output_formats"><v value="BIN"/></prop>
  </object>
  <object uid="dt.1" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
    <prop name="list_of_tools"><v value="tool.1"/></prop><prop name="default_tool" value="tool.1"/>
  </object>
  <object uid="d.1" class="Dataset" type="CADModel">
    <prop name="object_name" value="Bracket model"/><prop name="dataset_type" value="dt.1"/>
  </object>
  <relation uid="rel.1" type="ZOLT_master_form" primary="i.1" secondary="fm.1"/>
  <relation uid="rel.2" type="ZOLT_master_form" primary="r.1.A" secondary="fm.1.A"/>
  <relation uid="rel.3" type="ZOLT_specification" primary="r.1.A" secondary="d.1"/>
  <object uid="pd.1" class="PropertyDescriptor">
    <prop name="property_name" value="object_desc"/><prop name="display_name" value="Description"/>
    <prop name="value_type" value="8"/><prop name="property_type" value="1"/>
  </object>
  <object uid="m.1" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="DESCRIPTION"/>
    <prop name="mapping_string" value="ItemRevision.object_desc"/>
    <prop name="dataset_type" value="dt.1"/><prop name="property_descriptor" value="pd.1"/>
  </object>
  <object uid="mres.1" class="CadAttrMappingResolution">
    <prop name="mapping" value="m.1"/><prop name="item_revision" value="r.1.A"/>
    <prop name="mapping_type" value="2"/><prop name="resolved_object" value="r.1.A"/>
    <prop name="resolved_property" value="object_desc"/>
  </object>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>

  <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
  <object uid="nt.cad" class="PSNoteType"><prop name="object_name" value="CAD_OCC_ID"/></object>
  <object uid="i.asm" class="Item" type="Item">
    <prop name="object_name" value="Assembly"/><prop name="item_id" value="ASM"/>
  </object>
  <object uid="r.asm.0" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.asm"/><prop name="item_revision_id" value="0"/>
  </object>
  <object uid="r.asm.A" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.asm"/><prop name="item_revision_id" value="A"/>
  </object>
  <relation uid="rel.asm" type="ZOLT_specification" primary="r.asm.A" secondary="d.1"/>
  <object uid="bv.asm" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.asm"/>
  </object>
  <object uid="bvr.asm.0" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.asm"/><prop name="parent_revision" value="r.asm.0"/>
    <prop name="occurrences"><v value="occ.bolt.0"/></prop>
  </object>
  <object uid="occ.bolt.0" class="PSOccurrence">
    <prop name="child_item" value="i.bolt"/><prop name="occurrence_thread" value="th.bolt"/>
  </object>
  <object uid="bvr.asm" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.asm"/><prop name="parent_revision" value="r.asm.A"/>
    <prop name="default_arrangement" value="arr.1"/>
    <prop name="occurrences"><v value="occ.bolt"/><v value="occ.sub"/><v value="occ.gde"/>
      <v value="occ.lamp"/><v value="occ.ghost"/></prop>
  </object>
  <object uid="th.bolt" class="PSOccurrenceThread"/>
  <object uid="occ.bolt" class="PSOccurrence">
    <prop name="child_item" value="i.bolt"/><prop name="occurrence_thread" value="th.bolt"/>
    <prop name="quantity" value="4"/><prop name="seq_no" value="10"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop><prop name="note_texts"><v value="c1"/></prop>
  </object>
  <object uid="occ.sub" class="PSOccurrence"><prop name="child_item" value="i.sub"/>
    <prop name="seq_no" value="20"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop><prop name="note_texts"><v value="c2"/></prop>
  </object>
  <object uid="occ.gde" class="PSOccurrence"><prop name="child_item" value="gde.1"/></object>
  <object uid="occ.lamp" class="PSOccurrence"><prop name="child_item" value="i.lamp"/>
    <prop name="variant_conditions"><v value="color=red"/></prop>
  </object>
  <object uid="occ.ghost" class="PSOccurrence"><prop name="child_item" value="i.ghost"/></object>
  <object uid="gde.1" class="GDE"><prop name="object_name" value="Weld"/></object>
  <object uid="i.bolt" class="Item" type="Item"><prop name="item_id" value="BOLT"/></object>
  <object uid="r.bolt.A" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.bolt"/><prop name="item_revision_id" value="A"/>
    <prop name="date_released" value="2020-01-01T00:00:00"/>
    <prop name="effectivity_unit_from" value="0"/><prop name="effectivity_unit_to" value="4"/>
    <prop name="effectivity_end_item" value="i.asm"/>
  </object>
  <object uid="r.bolt.B" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.bolt"/><prop name="item_revision_id" value="B"/>
  </object>
  <object uid="i.sub" class="Item" type="Item"><prop name="item_id" value="SUB"/></object>
  <object uid="r.sub.A" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.sub"/><prop name="item_revision_id" value="A"/>
  </object>
  <object uid="bv.sub" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.sub"/>
  </object>
  <object uid="bvr.sub" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.sub"/><prop name="parent_revision" value="r.sub.A"/>
    <prop name="occurrences"><v value="occ.pin.1"/><v value="occ.pin.2"/></prop>
  </object>
  <object uid="occ.pin.1" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
  <object uid="occ.pin.2" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
  <object uid="i.pin" class="Item" type="Item"><prop name="item_id" value="PIN"/></object>
  <object uid="r.pin.A" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.pin"/><prop name="item_revision_id" value="A"/>
  </object>
  <object uid="i.lamp" class="Item" type="Item"><prop name="item_id" value="LAMP"/></object>
  <object uid="r.lamp.A" class="ItemRevision" type="ItemRevision">
    <prop name="items_tag" value="i.lamp"/><prop name="item_revision_id" value="A"/>
  </object>
  <object uid="i.ghost" class="Item" type="Item"><prop name="item_id" value="GHOST"/></object>

  <object uid="ao.1" class="AbsOccurrence">
    <prop name="context_bvr" value="bvr.asm"/>
    <prop name="occurrence_path"><v value="occ.sub"/><v value="occ.pin.1"/></prop>
  </object>
  <object uid="q.1" class="AbsOccDataQualifier"><prop name="context_bvr" value="bvr.asm"/></object>
  <object uid="aod.1" class="AbsOccData">
    <prop name="abs_occurrence" value="ao.1"/><prop name="qualifier" value="q.1"/>
    <prop name="attribute_name" value="bl_quantity"/><prop name="attribute_value" value="3"/>
  </object>
  <relation uid="rel.ao" class="AbsOccRelation" type="ZOLT_reference" primary="ao.1"
            secondary="d.1">
    <prop name="qualifier" value="q.1"/>
  </relation>
  <object uid="anc.1" class="ArrangementAnchor"/>
  <object uid="arr.1" class="AssemblyArrangement">
    <prop name="object_name" value="Open"/><prop name="context_bvr" value="bvr.asm"/>
    <prop name="anchor" value="anc.1"/>
  </object>

  <object uid="rr.latest" class="RevisionRule"><prop name="object_name" value="Latest Working"/>
    <prop name="entries"><v value="rre.working"/></prop>
  </object>
  <object uid="rre.working" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
  <object uid="rr.all" class="RevisionRule"><prop name="object_name" value="Every entry"/>
    <prop name="rule_unit" value="0"/><prop name="rule_end_item" value="i.asm"/>
    <prop name="rule_date" value="2021-01-01T00:00:00"/>
    <prop name="entries"><v value="rre.override"/><v value="rre.date"/><v value="rre.unit"/>
      <v value="rre.working.2"/></prop>
  </object>
  <object uid="rre.override" class="RevisionRuleEntry">
    <prop name="entry_type" value="2"/><prop name="override_folder" value="f.override"/>
  </object>
  <object uid="rre.date" class="RevisionRuleEntry"><prop name="entry_type" value="3"/></object>
  <object uid="rre.unit" class="RevisionRuleEntry"><prop name="entry_type" value="4"/></object>
  <object uid="rre.working.2" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
  <object uid="f.override" class="Folder" type="Folder">
    <prop name="object_name" value="Override"/><prop name="contents"><v value="r.bolt.B"/></prop>
  </object>
  <object uid="vr.red" class="VariantRule"><prop name="object_name" value="Red"/>
    <prop name="option_names"><v value="color"/></prop><prop name="option_values"><v value="red"/></prop>
  </object>
  <relation uid="rel.vr" type="ZOLT_variant_rule" primary="r.asm.A" secondary="vr.red"/>
  <object uid="sos.blue" class="StoredOptionSet"><prop name="object_name" value="Blue set"/>
    <prop name="option_names"><v value="color"/></prop><prop name="option_values"><v value="blue"/></prop>
  </object>

  <object uid="gone" class="Folder" type="Folder"/>
  <session currentUser="u.1"/>
  <preferences>
    <preference name="SOACAD_checkout_required" scope="site"><v value="false"/></preference>
  </preferences>
</fixture>)";

// Every line below `line`, depth first, so that the window holds a line for each occurrence.
inline void expandAll(Tag line) {
  int count = 0;
  Tag* children = nullptr;
  if (BOM_line_ask_all_child_lines(line, &count, &children) != 0) {
    return;
  }
  for (int i = 0; i < count; ++i) {
    expandAll(children[i]);
  }
  MEM_free(children);
}

// Opens a window on `revision` under `rule` with every line shown; `variantRule` and
// `arrangement` are applied when not null.
inline void openWindow(Tag revision, Tag rule, Tag variantRule, Tag arrangement) {
  Tag window;
  Tag top;
  if (BOM_create_window(&window) != 0 || BOM_set_window_config_rule(window, rule) != 0) {
    return;
  }
  if (variantRule != NULLTAG) {
    BOM_window_apply_full_vrule(window, variantRule);
  }
  if (arrangement != NULLTAG) {
    BOM_set_window_active_arrangement(window, arrangement);
  }
  if (BOM_set_window_top_line(window, NULLTAG, revision, NULLTAG, &top) == 0) {
    expandAll(top);
  }
}

// A reset store holding the seed fixture with "gone" deleted, and the session's open windows:
// r.asm.A under rr.latest, and r.asm.A under rr.all with vr.red and the arrangement arr.1.
inline void seedSession() {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(kSeedFixture);
  store.remove(store.tagOfUid("gone"));
  openWindow(store.tagOfUid("r.asm.A"), store.tagOfUid("rr.latest"), NULLTAG, NULLTAG);
  openWindow(store.tagOfUid("r.asm.A"), store.tagOfUid("rr.all"), store.tagOfUid("vr.red"),
             store.tagOfUid("arr.1"));
  host::errorStore().clear();
}

}  // namespace service_fuzz
