// The world of the structure-writing tests: the shared assembly of tests/host/structure_fixture.h
// and a few more objects, checkout not required, and helpers that read the structure back.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "framework/service_data.h"
#include "framework/soa_exceptions.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/memory.h"
#include "host/object/ps.h"
#include "tests/host/structure_fixture.h"

namespace soacad_test {

// On top of kStructureFixture:
// - the item type "Fastener" below "Item" and the item i.screw (SCREW) of that type;
// - the assembly FRAME (r.frame.A, bvr.frame) with occ.f.screw (i.screw, CAD_OCC_ID "s1"),
//   occ.f.bolt (i.bolt, "b1", sequence number 10) and occ.f.weld (the generic design element);
// - the item KIT with a view bv.kit and a revision r.kit.A without view revision;
// - arrangements arr.open of bvr.asm and arr.sub of bvr.sub (with anchors), the absolute
//   occurrences ao.bolt (occ.bolt in ASM, overriding the quantity with 7) and ao.pin (occ.pin
//   in SUB), and the relation type "ZOLT_attachment";
// - "SOACAD_checkout_required" false.
inline const char* const kStructureWriteFixture = R"(<fixture>
  <type name="Fastener" class="Item" parent="Item"/>
  <type name="ZOLT_attachment" class="ImanRelation"/>
  <object uid="i.screw" class="Item" type="Fastener"><prop name="item_id" value="SCREW"/></object>
  <object uid="r.screw.A" class="ItemRevision">
    <prop name="items_tag" value="i.screw"/><prop name="item_revision_id" value="A"/></object>
  <object uid="i.frame" class="Item"><prop name="item_id" value="FRAME"/></object>
  <object uid="r.frame.A" class="ItemRevision">
    <prop name="items_tag" value="i.frame"/><prop name="item_revision_id" value="A"/></object>
  <object uid="bv.frame" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.frame"/></object>
  <object uid="bvr.frame" class="PSBOMViewRevision">
    <prop name="bom_view" value="bv.frame"/><prop name="parent_revision" value="r.frame.A"/>
    <prop name="occurrences"><v value="occ.f.screw"/><v value="occ.f.bolt"/><v value="occ.f.weld"/>
    </prop></object>
  <object uid="occ.f.screw" class="PSOccurrence"><prop name="child_item" value="i.screw"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop>
    <prop name="note_texts"><v value="s1"/></prop></object>
  <object uid="occ.f.bolt" class="PSOccurrence">
    <prop name="child_item" value="i.bolt"/><prop name="seq_no" value="10"/>
    <prop name="note_types"><v value="CAD_OCC_ID"/></prop>
    <prop name="note_texts"><v value="b1"/></prop></object>
  <object uid="occ.f.weld" class="PSOccurrence"><prop name="child_item" value="gde.1"/></object>
  <object uid="i.kit" class="Item"><prop name="item_id" value="KIT"/></object>
  <object uid="r.kit.A" class="ItemRevision">
    <prop name="items_tag" value="i.kit"/><prop name="item_revision_id" value="A"/></object>
  <object uid="bv.kit" class="PSBOMView">
    <prop name="bom_view_type" value="vt.view"/><prop name="parent_item" value="i.kit"/></object>
  <object uid="arr.open" class="AssemblyArrangement"><prop name="object_name" value="Open"/>
    <prop name="context_bvr" value="bvr.asm"/><prop name="anchor" value="anc.open"/></object>
  <object uid="anc.open" class="ArrangementAnchor"/>
  <object uid="arr.sub" class="AssemblyArrangement"><prop name="object_name" value="Folded"/>
    <prop name="context_bvr" value="bvr.sub"/><prop name="anchor" value="anc.sub"/></object>
  <object uid="anc.sub" class="ArrangementAnchor"/>
  <object uid="ao.bolt" class="AbsOccurrence"><prop name="context_bvr" value="bvr.asm"/>
    <prop name="occurrence_path"><v value="occ.bolt"/></prop></object>
  <object uid="q.asm" class="AbsOccDataQualifier"><prop name="context_bvr" value="bvr.asm"/></object>
  <object uid="d.bolt.qty" class="AbsOccData">
    <prop name="abs_occurrence" value="ao.bolt"/><prop name="qualifier" value="q.asm"/>
    <prop name="attribute_name" value="bl_quantity"/><prop name="attribute_value" value="7"/>
  </object>
  <object uid="ao.pin" class="AbsOccurrence"><prop name="context_bvr" value="bvr.sub"/>
    <prop name="occurrence_path"><v value="occ.pin"/></prop></object>
  <preferences>
    <preference name="SOACAD_checkout_required"><v value="false"/></preference>
  </preferences>
</fixture>)";

class StructureWriteTest : public StructureTest {
 protected:
  using ServiceException = Korvane::Soa::Server::ServiceException;
  using Strings = std::vector<std::string>;

  void SetUp() override {
    StructureTest::SetUp();
    load(kStructureWriteFixture);
  }

  // Runs `operation`, which must fail with a ServiceException, and gives that exception; the
  // exception must have taken the error store with it and the host must be settled afterwards.
  template <class Operation>
  ServiceException failureOf(Operation&& operation) {
    const std::size_t outstanding = host::allocator().outstanding();
    ServiceException caught("no ServiceException");
    try {
      operation();
      ADD_FAILURE() << "no ServiceException was raised";
    } catch (const ServiceException& failure) {
      caught = failure;
    }
    expectSettled(outstanding);
    EXPECT_TRUE(host::openBomWindows().empty());
    return caught;
  }
  // Runs `operation` and checks that it left the host settled and no window open.
  template <class Operation>
  auto run(Operation&& operation) {
    auto result = settled(operation);
    EXPECT_TRUE(host::openBomWindows().empty());
    return result;
  }

  static Strings sorted(std::set<std::string> uids) { return Strings(uids.begin(), uids.end()); }

  // The occurrences of a view revision as the session reads them.
  Strings occurrencesIn(const std::string& bvrUid) {
    return uidsOf(host::occurrencesOf(tagOf(bvrUid)));
  }
  // The view revisions of a revision.
  Strings bvrsOf(const std::string& revisionUid) {
    return uidsOf(host::bomViewRevisionsOf(tagOf(revisionUid)));
  }
  // The note of a type on an occurrence ("" when none).
  std::string noteOf(const std::string& occurrenceUid, const std::string& noteType) {
    const host::Value& types = saved(tagOf(occurrenceUid), "note_types");
    const host::Value& texts = saved(tagOf(occurrenceUid), "note_texts");
    for (std::size_t i = 0; i < types.texts.size() && i < texts.texts.size(); ++i) {
      if (types.texts[i] == noteType) {
        return texts.texts[i];
      }
    }
    return std::string();
  }

  // A BOM line attribute of the line at the end of `occurrencePath` below the top line of a
  // fresh window on `revisionUid` (with the active arrangement `arrangement` when given), as
  // that window reads it, or "<no line>".
  std::string attributeAt(const std::string& revisionUid, const Strings& occurrencePath,
                          const char* name, Tag arrangement = NULLTAG) {
    const Tag window = openWindow(tagOf(revisionUid));
    EXPECT_EQ(BOM_set_window_active_arrangement(window, arrangement), 0);
    const Tag line = lineAt(occurrencePath);
    const std::string value = line == NULLTAG ? "<no line>" : attribute(line, name);
    EXPECT_EQ(BOM_close_window(window), 0);
    return value;
  }
};

}  // namespace soacad_test
