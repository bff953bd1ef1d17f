// A small product structure for the tests of the structure modules (ps, cfm, bom, absocc, arr)
// and of the structure services. Header only: the test folders compile their *_test.cpp files
// and nothing else.
#pragma once

#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "tests/support/host_fixture.h"
#include "tests/support/service_fixture.h"

namespace soacad_test {

// On top of kUserFixture: the assembly "ASM" (i.asm, revision r.asm.A with the view revision
// bvr.asm of the view bv.asm, type "view") with, in order,
// - occ.bolt: item i.bolt (imprecise), quantity 4, sequence number 10, note CAD_OCC_ID "c1";
//   i.bolt has the revisions A (released 2020-01-01, units 1-4 of ASM), B (released
//   2021-06-01, units 5 and up of ASM) and C (not released);
// - occ.plate: revision r.plate.A of i.plate, sequence number 20, CAD_OCC_ID "c2";
// - occ.sub: item i.sub, CAD_OCC_ID "c3"; its revision r.sub.A has bvr.sub with occ.pin
//   (item i.pin, revision r.pin.A);
// - occ.gde: the generic design element gde.1;
// - occ.lamp: item i.lamp (revision r.lamp.A) only when the option "color" is "red";
// - occ.ghost: item i.ghost, which has no revision.
// occ.bolt and occ.bolt.old (of bvr.asm.old, the view revision of r.asm.0) share the thread
// th.bolt. Revision rules: rr.latest "Latest Working" (working), rr.released "Released"
// (date), rr.unit "By Unit" (unit 5 of end item ASM; unit), rr.override "With Override"
// (override folder f.override holding r.bolt.A, then working). Variant rules vr.red and
// vr.blue (color red / blue; vr.red is related to r.asm.A by "ZOLT_variant_rule"), the stored
// option set sos.blue (color blue), the note type "CAD_OCC_ID", the relation type
// "ZOLT_reference" for attachments, and the dataset ds.1.
inline const char* const kStructureFixture = R"(<fixture>
  <type name="ZOLT_variant_rule" class="ImanRelation"/>
  <type name="ZOLT_reference" class="ImanRelation"/>
  <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
  <object uid="vt.mfg" class="PSViewType"><prop name="view_type_name" value="manufacturing"/></object>
  <object uid="nt.cad" class="PSNoteType"><prop name="object_name" value="CAD_OCC_ID"/></object>
  <object uid="i.asm" class="Item"><prop name="item_id" value="ASM"/></object>
  <object uid="r.asm.0" class="ItemRevision">
    <prop name="items_tag" value="i.asm"/><prop name="item_revision_id" value="0"/></object>
  <object uid="r.asm.A" class="ItemRevision">
    <prop name="items_tag" value="i.asm"/><prop name="item_revision_id" value="A"/></object>
  <object uid="bv.asm" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.asm"/></object>
  <object uid="bvr.asm.old" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.asm"/><prop name="parent_revision" value="r.asm.0"/>
    <prop name="occurrences"><v value="occ.bolt.old"/></prop></object>
  <object uid="occ.bolt.old" class="PSOccurrence"><prop name="child_item" value="i.bolt"/>
    <prop name="occurrence_thread" value="th.bolt"/></object>
  <object uid="bvr.asm" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.asm"/><prop name="parent_revision" value="r.asm.A"/>
    <prop name="occurrences"><v value="occ.bolt"/><v value="occ.plate"/><v value="occ.sub"/>
      <v value="occ.gde"/><v value="occ.lamp"/><v value="occ.ghost"/></prop></object>
  <object uid="th.bolt" class="PSOccurrenceThread"/>
  <object uid="occ.bolt" class="PSOccurrence">
    <prop name="child_item" value="i.bolt"/><prop name="occurrence_thread" value="th.bolt"/>
    <prop name="quantity" value="4"/><prop name="seq_no" value="10"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop>
    <prop name="note_texts"><v value="c1"/></prop></object>
  <object uid="occ.plate" class="PSOccurrence"><prop name="seq_no" value="20"/>
    <prop name="child_item" value="i.plate"/><prop name="child_revision" value="r.plate.A"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop>
    <prop name="note_texts"><v value="c2"/></prop></object>
  <object uid="occ.sub" class="PSOccurrence"><prop name="child_item" value="i.sub"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop>
    <prop name="note_texts"><v value="c3"/></prop></object>
  <object uid="occ.gde" class="PSOccurrence"><prop name="child_item" value="gde.1"/></object>
  <object uid="occ.lamp" class="PSOccurrence"><prop name="child_item" value="i.lamp"/>
    <prop name="variant_conditions"><v value="color=red"/></prop></object>
  <object uid="occ.ghost" class="PSOccurrence"><prop name="child_item" value="i.ghost"/></object>
  <object uid="gde.1" class="GDE"><prop name="object_name" value="Weld"/></object>
  <object uid="i.bolt" class="Item"><prop name="item_id" value="BOLT"/></object>
  <object uid="r.bolt.A" class="ItemRevision">
    <prop name="items_tag" value="i.bolt"/><prop name="item_revision_id" value="A"/>
    <prop name="date_released" value="2020-01-01T00:00:00"/>
    <prop name="effectivity_unit_from" value="1"/><prop name="effectivity_unit_to" value="4"/>
    <prop name="effectivity_end_item" value="i.asm"/></object>
  <object uid="r.bolt.B" class="ItemRevision">
    <prop name="items_tag" value="i.bolt"/><prop name="item_revision_id" value="B"/>
    <prop name="date_released" value="2021-06-01T00:00:00"/>
    <prop name="effectivity_unit_from" value="5"/><prop name="effectivity_end_item" value="i.asm"/>
  </object>
  <object uid="r.bolt.C" class="ItemRevision">
    <prop name="items_tag" value="i.bolt"/><prop name="item_revision_id" value="C"/></object>
  <object uid="i.plate" class="Item"><prop name="item_id" value="PLATE"/></object>
  <object uid="r.plate.A" class="ItemRevision">
    <prop name="items_tag" value="i.plate"/><prop name="item_revision_id" value="A"/></object>
  <object uid="r.plate.B" class="ItemRevision">
    <prop name="items_tag" value="i.plate"/><prop name="item_revision_id" value="B"/></object>
  <object uid="i.sub" class="Item"><prop name="item_id" value="SUB"/></object>
  <object uid="r.sub.A" class="ItemRevision">
    <prop name="items_tag" value="i.sub"/><prop name="item_revision_id" value="A"/></object>
  <object uid="bv.sub" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.sub"/></object>
  <object uid="bvr.sub" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.sub"/><prop name="parent_revision" value="r.sub.A"/>
    <prop name="occurrences"><v value="occ.pin"/></prop></object>
  <object uid="occ.pin" class="PSOccurrence"><prop name="child_item" value="i.pin"/></object>
  <object uid="i.pin" class="Item"><prop name="item_id" value="PIN"/></object>
  <object uid="r.pin.A" class="ItemRevision">
    <prop name="items_tag" value="i.pin"/><prop name="item_revision_id" value="A"/></object>
  <object uid="i.lamp" class="Item"><prop name="item_id" value="LAMP"/></object>
  <object uid="r.lamp.A" class="ItemRevision">
    <prop name="items_tag" value="i.lamp"/><prop name="item_revision_id" value="A"/></object>
  <object uid="i.ghost" class="Item"><prop name="item_id" value="GHOST"/></object>
  <object uid="rr.latest" class="RevisionRule"><prop name="object_name" value="Latest Working"/>
    <prop name="entries"><v value="rre.latest"/></prop></object>
  <object uid="rre.latest" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
  <object uid="rr.released" class="RevisionRule"><prop name="object_name" value="Released"/>
    <prop name="entries"><v value="rre.date"/></prop></object>
  <object uid="rre.date" class="RevisionRuleEntry"><prop name="entry_type" value="3"/></object>
  <object uid="rr.unit" class="RevisionRule"><prop name="object_name" value="By Unit"/>
    <prop name="rule_unit" value="5"/><prop name="rule_end_item" value="i.asm"/>
    <prop name="entries"><v value="rre.unit"/></prop></object>
  <object uid="rre.unit" class="RevisionRuleEntry"><prop name="entry_type" value="4"/></object>
  <object uid="rr.override" class="RevisionRule"><prop name="object_name" value="With Override"/>
    <prop name="entries"><v value="rre.override"/><v value="rre.working"/></prop></object>
  <object uid="rre.override" class="RevisionRuleEntry">
    <prop name="entry_type" value="2"/><prop name="override_folder" value="f.override"/></object>
  <object uid="rre.working" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
  <object uid="f.override" class="Folder">
    <prop name="object_name" value="Override"/><prop name="contents"><v value="r.bolt.A"/></prop>
  </object>
  <object uid="vr.red" class="VariantRule"><prop name="object_name" value="Red"/>
    <prop name="option_names"><v value="color"/></prop>
    <prop name="option_values"><v value="red"/></prop></object>
  <object uid="vr.blue" class="VariantRule"><prop name="object_name" value="Blue"/>
    <prop name="option_names"><v value="color"/></prop>
    <prop name="option_values"><v value="blue"/></prop></object>
  <relation uid="rel.vr" type="ZOLT_variant_rule" primary="r.asm.A" secondary="vr.red"/>
  <object uid="sos.blue" class="StoredOptionSet"><prop name="object_name" value="Blue set"/>
    <prop name="option_names"><v value="color"/></prop>
    <prop name="option_values"><v value="blue"/></prop></object>
  <object uid="ds.1" class="Dataset"><prop name="object_name" value="Drawing"/></object>
</fixture>)";

// ServiceTest with kUserFixture and kStructureFixture loaded, and helpers for windows and lines.
class StructureTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(kUserFixture);
    load(kStructureFixture);
  }

  // Sends `request` to `operation` of the 2007-01 StructureManagement service (call()).
  host::Reply send(const std::string& operation, const std::string& request) {
    return call(kStructureManagementService, operation, request);
  }

  // A window with its top line (topLine_) on `revision`, configured by `rule` when it is not
  // null.
  Tag openWindow(Tag revision, Tag rule = NULLTAG) {
    Tag window;
    EXPECT_EQ(BOM_create_window(&window), 0);
    if (rule != NULLTAG) {
      EXPECT_EQ(BOM_set_window_config_rule(window, rule), 0);
    }
    EXPECT_EQ(BOM_set_window_top_line(window, NULLTAG, revision, NULLTAG, &topLine_), 0);
    return window;
  }

  // The child lines the window shows / all of them.
  std::vector<Tag> children(Tag line) { return askList(BOM_line_ask_child_lines, line); }
  std::vector<Tag> allChildren(Tag line) { return askList(BOM_line_ask_all_child_lines, line); }

  // The child line of `line` for the occurrence with that UID; null when none.
  Tag childFor(Tag line, const std::string& occurrenceUid) {
    for (Tag child : allChildren(line)) {
      if (attributeTag(child, "bl_occurrence") == tagOf(occurrenceUid)) {
        return child;
      }
    }
    return NULLTAG;
  }
  // The line below topLine_ at the end of a path of occurrence UIDs; null when there is none.
  Tag lineAt(const std::vector<std::string>& occurrencePath) {
    Tag line = topLine_;
    for (const std::string& occurrence : occurrencePath) {
      line = line == NULLTAG ? NULLTAG : childFor(line, occurrence);
    }
    return line;
  }

  int attributeId(const char* name) {
    int id = 0;
    EXPECT_EQ(BOM_line_look_up_attribute(name, &id), 0) << name;
    return id;
  }
  Tag attributeTag(Tag line, const char* name) {
    return ask(BOM_line_ask_attribute_tag, line, attributeId(name));
  }
  std::string attribute(Tag line, const char* name) {
    return ask(BOM_line_ask_attribute_string, line, attributeId(name));
  }
  int setAttribute(Tag line, const char* name, const char* value) {
    return BOM_line_set_attribute_string(line, attributeId(name), value);
  }

  // The UID of the line's occurrence ("top" for a top line).
  std::string occurrenceOf(Tag line) {
    const Tag occurrence = attributeTag(line, "bl_occurrence");
    return occurrence == NULLTAG ? "top" : uidOf(occurrence);
  }
  std::vector<std::string> occurrencesOf(const std::vector<Tag>& lines) {
    std::vector<std::string> uids;
    for (Tag line : lines) {
      uids.push_back(occurrenceOf(line));
    }
    return uids;
  }
  // The UIDs of the lines' configured revisions ("" for none).
  std::vector<std::string> revisionsOf(const std::vector<Tag>& lines) {
    std::vector<std::string> uids;
    for (Tag line : lines) {
      uids.push_back(uidOf(attributeTag(line, "bl_revision")));
    }
    return uids;
  }

  Tag topLine_;
};

}  // namespace soacad_test
