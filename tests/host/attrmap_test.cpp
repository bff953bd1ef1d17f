// Attribute mappings, their resolution table, property descriptors and property handles of the
// host stand-in.
#include "host/object/attrmap.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/object/dataset.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/property.h"
#include "host/object/zolt_object.h"
#include "tests/support/host_fixture.h"

namespace {

const char* const kMappingWorld = R"(<fixture>
  <type name="CAD Part" class="Item" parent="Item"/><type name="Bolt" class="Item" parent="CAD Part"/>
  <object uid="dt.model" class="DatasetType"><prop name="datasettype_name" value="CADModel"/></object>
  <object uid="dt.drawing" class="DatasetType"><prop name="datasettype_name" value="CADDrawing"/></object>
  <object uid="i.p" class="Item" type="CAD Part"><prop name="item_id" value="P-1"/></object>
  <object uid="r.p" class="ItemRevision">
    <prop name="item_revision_id" value="A"/><prop name="items_tag" value="i.p"/></object>
  <object uid="d.m" class="Dataset"><prop name="dataset_type" value="dt.model"/></object>
  <object uid="d.d" class="Dataset"><prop name="dataset_type" value="dt.drawing"/></object>
  <object uid="lov.finish" class="ListOfValues">
    <prop name="interdependent_properties"><v value="material"/><v value="coating"/></prop></object>
  <object uid="pd.desc" class="PropertyDescriptor">
    <prop name="property_name" value="object_desc"/><prop name="display_name" value="Description"/>
    <prop name="initial_value" value="none yet"/><prop name="value_type" value="8"/>
    <prop name="property_type" value="1"/><prop name="required" value="true"/>
    <prop name="displayable" value="false"/><prop name="max_values" value="1"/>
    <prop name="max_length" value="240"/><prop name="lov" value="lov.finish"/>
    <prop name="lov_attach_specifier" value="3"/><prop name="owning_type" value="type.CAD Part"/></object>
  <object uid="m.any" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="NAME"/><prop name="mapping_string" value="object_name"/></object>
  <object uid="m.model" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="DESCRIPTION"/><prop name="mapping_string" value="ItemRevision.object_desc"/>
    <prop name="dataset_type" value="dt.model"/><prop name="item_type" value="type.CAD Part"/>
    <prop name="cad_master" value="true"/><prop name="write_once" value="true"/>
    <prop name="property_descriptor" value="pd.desc"/></object>
  <object uid="m.drawing" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="SHEET"/><prop name="dataset_type" value="dt.drawing"/></object>
  <object uid="m.item" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="ID"/><prop name="item_type" value="type.Item"/></object>
  <object class="CadAttrMappingResolution">
    <prop name="mapping" value="m.model"/><prop name="item_revision" value="r.p"/><prop name="mapping_type" value="2"/>
    <prop name="resolved_object" value="r.p"/><prop name="resolved_property" value="object_desc"/></object>
  <object class="CadAttrMappingResolution">
    <prop name="mapping" value="m.model"/><prop name="dataset" value="d.m"/><prop name="mapping_type" value="1"/>
    <prop name="resolved_object" value="d.m"/><prop name="resolved_property" value="object_name"/></object>
  <object class="CadAttrMappingResolution">
    <prop name="mapping" value="m.any"/><prop name="dataset" value="d.d"/><prop name="status" value="215555"/></object>
</fixture>)";

using soacad_test::askList;

class AttrMapTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    load(kMappingWorld);
  }

  std::vector<std::string> listFor(Tag dataset, Tag datasetType, Tag itemType, bool exact) {
    return uidsOf(askList(ATTRMAP_list_mappings, dataset, datasetType, itemType, exact));
  }
  void TearDown() override { EXPECT_EQ(host::allocator().outstanding(), 0u); }
};

using Uids = std::vector<std::string>;
using soacad_test::ask;

TEST_F(AttrMapTest, InexactListingTakesWildcardsAndAncestorItemTypes) {
  const Tag model = tagOf("dt.model");
  EXPECT_EQ(listFor(NULLTAG, model, store().findType("Bolt"), false),
            (Uids{"m.any", "m.model", "m.item"}));
  EXPECT_EQ(listFor(NULLTAG, model, store().findType("Item"), false), (Uids{"m.any", "m.item"}));
  EXPECT_EQ(listFor(NULLTAG, NULLTAG, NULLTAG, false),
            (Uids{"m.any", "m.model", "m.drawing", "m.item"}));
  // A dataset stands for its type when none is given.
  EXPECT_EQ(listFor(tagOf("d.d"), NULLTAG, NULLTAG, false), (Uids{"m.any", "m.drawing", "m.item"}));
}

TEST_F(AttrMapTest, ListingRefusesArgumentsOfTheWrongKind) {
  int count = 5;
  Tag* mappings = reinterpret_cast<Tag*>(this);
  EXPECT_EQ(ATTRMAP_list_mappings(tagOf("r.p"), NULLTAG, NULLTAG, false, &count, &mappings),
            POM_invalid_tag);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(mappings, nullptr);
  EXPECT_EQ(ATTRMAP_list_mappings(NULLTAG, tagOf("d.m"), NULLTAG, false, &count, &mappings),
            POM_invalid_tag);
  EXPECT_EQ(ATTRMAP_list_mappings(NULLTAG, NULLTAG, tagOf("i.p"), false, &count, &mappings),
            POM_invalid_tag);
}

TEST_F(AttrMapTest, AnswersTheQueriesOfOneMapping) {
  const Tag mapping = tagOf("m.model");
  EXPECT_EQ(ask(ATTRMAP_ask_mapping_attr_title, mapping), "DESCRIPTION");
  EXPECT_EQ(ask(ATTRMAP_ask_mapping_whole_string, mapping), "ItemRevision.object_desc");
  EXPECT_EQ(ask(ATTRMAP_ask_mapping_whole_string, tagOf("m.drawing")), "<null>");
  EXPECT_EQ(ask(ATTRMAP_ask_mapping_dataset_type, mapping), tagOf("dt.model"));
  EXPECT_EQ(ask(ATTRMAP_ask_mapping_item_type, mapping), store().findType("CAD Part"));
  EXPECT_EQ(ask(ATTRMAP_ask_propdesc, NULLTAG, mapping), tagOf("pd.desc"));

  EXPECT_TRUE(ask(ATTRMAP_ask_mapping_cad_master, mapping));
  EXPECT_TRUE(ask(ATTRMAP_ask_mapping_write_once, mapping));
  bool flags[2] = {true, true};
  ASSERT_EQ(ATTRMAP_ask_mapping_zolt_master(mapping, &flags[0]), 0);
  ASSERT_EQ(ATTRMAP_ask_mapping_allow_null_value(mapping, &flags[1]), 0);
  EXPECT_FALSE(flags[0] || flags[1]);
}

TEST_F(AttrMapTest, QueriesOfSomethingElseThanAMappingFail) {
  char* text = reinterpret_cast<char*>(this);
  EXPECT_EQ(ATTRMAP_ask_mapping_attr_title(tagOf("d.m"), &text), POM_invalid_tag);
  EXPECT_EQ(text, nullptr);
  bool flag = true;
  EXPECT_EQ(ATTRMAP_ask_mapping_cad_master(tagOf("no.such"), &flag), POM_invalid_tag);
  EXPECT_FALSE(flag);
  EXPECT_EQ(ATTRMAP_ask_mapping_cad_master(tagOf("m.any"), nullptr), POM_invalid_argument);
}

TEST_F(AttrMapTest, ResolutionWithoutARowIsNoProperty) {
  int type = 9;
  Tag object = tagOf("d.m");
  Tag property = tagOf("d.m");
  EXPECT_EQ(ATTRMAP_resolve_mapping(tagOf("d.d"), tagOf("m.model"), &type, &object, &property),
            POM_invalid_tag);
  EXPECT_EQ(type, 0);
  EXPECT_EQ(object, NULLTAG);
  EXPECT_EQ(property, NULLTAG);
  EXPECT_EQ(ATTRMAP_resolve_mapping(tagOf("d.m"), tagOf("m.drawing"), &type, &object, &property),
            POM_invalid_tag);
  EXPECT_EQ(ATTRMAP_resolve_mapping(tagOf("r.p"), tagOf("m.model"), &type, &object, &property),
            POM_invalid_tag);
}

TEST_F(AttrMapTest, PropertyHandlesNameTheirObjectAndProperty) {
  const Tag handle = host::propertyTag(tagOf("r.p"), "object_desc");
  EXPECT_EQ(host::propertyTag(tagOf("r.p"), "object_desc"), handle);
  EXPECT_NE(host::propertyTag(tagOf("r.p"), "object_name"), handle);
  EXPECT_NE(handle.isValid(), 0);
  host::errorStore().clear();

  EIMObject* owner = ask(PROP_ask_object, handle);
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(owner->tag(), tagOf("r.p"));
  EXPECT_EQ(ask(PROP_ask_object, tagOf("r.p")), owner);
  Tag type;
  ASSERT_EQ(owner->askTypeTag(&type), 0);
  EXPECT_EQ(type, store().findType("ItemRevision"));

  char* name = reinterpret_cast<char*>(this);
  EXPECT_EQ(PROP_ask_name(tagOf("r.p"), &name), POM_invalid_tag);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(PROP_ask_object(tagOf("no.such"), &owner), POM_invalid_tag);
  EXPECT_EQ(owner, nullptr);
}

// Every field of a declared descriptor is checked through the attribute-mapping listing; here
// only what that listing's world leaves at the other value.
TEST_F(AttrMapTest, ADeclaredDescriptorAnswersItsFields) {
  PropertyDescriptor* descriptor = nullptr;
  ASSERT_EQ(PropertyDescriptor::askPropertyDescriptor(tagOf("pd.desc"), &descriptor), 0);
  EXPECT_TRUE(descriptor->isModifiable());
  bool displayable = true;
  ASSERT_EQ(descriptor->isDisplayable(&displayable), 0);
  EXPECT_FALSE(displayable);
  EXPECT_EQ(descriptor->askLOVAttachSpecifier(), 3);
  ListOfValues* lovView = nullptr;
  ASSERT_EQ(descriptor->askListOfValues(&lovView), 0);
  std::unique_ptr<ListOfValues> lov(lovView);
  ASSERT_NE(lov, nullptr);
  int count = 0;
  char** names = nullptr;
  ASSERT_EQ(lov->askInterdependents(&count, &names), 0);
  ASSERT_EQ(count, 2);
  SM_free(names);
}

TEST_F(AttrMapTest, AnEmptyDescriptorHasDefaultsAndNoListOfValues) {
  load(R"(<fixture><object uid="pd.empty" class="PropertyDescriptor"/></fixture>)");
  PropertyDescriptor* descriptor = nullptr;
  ASSERT_EQ(PropertyDescriptor::askPropertyDescriptor(tagOf("pd.empty"), &descriptor), 0);
  EXPECT_EQ(descriptor->maxNumberOfElements(), 1);
  EXPECT_EQ(descriptor->askLOVAttachSpecifier(), 0);
  ListOfValues* lov = reinterpret_cast<ListOfValues*>(this);
  ASSERT_EQ(descriptor->askListOfValues(&lov), 0);
  EXPECT_EQ(lov, nullptr);
  char* initial = reinterpret_cast<char*>(this);
  ASSERT_EQ(PROPDESC_ask_prule_init_value(tagOf("pd.empty"), &initial), 0);
  EXPECT_EQ(initial, nullptr);
  EXPECT_EQ(PropertyDescriptor::askPropertyDescriptor(tagOf("m.any"), &descriptor),
            POM_invalid_tag);
  EXPECT_EQ(descriptor, nullptr);
}

TEST_F(AttrMapTest, TypesFindDeclaredThenDerivedDescriptors) {
  ZoltType bolt(store().findType("Bolt"));
  PropertyDescriptor* descriptor = nullptr;
  // Declared for the parent type "CAD Part".
  ASSERT_EQ(bolt.askPropertyDescriptor("object_desc", &descriptor), 0);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor->tag(), tagOf("pd.desc"));

  // Derived from the class definition.
  ZoltType folder(store().findType("Folder"));
  ASSERT_EQ(folder.askPropertyDescriptor("contents", &descriptor), 0);
  ASSERT_NE(descriptor, nullptr);
  EXPECT_EQ(descriptor->tag(), NULLTAG);
  EXPECT_EQ(descriptor->name(), "contents");
  EXPECT_EQ(descriptor->valueType(), PROP_value_reference);
  EXPECT_EQ(descriptor->propertyType(), PROP_type_reference);
  EXPECT_NE(descriptor->maxNumberOfElements(), 1);
  ASSERT_EQ(folder.askPropertyDescriptor("object_name", &descriptor), 0);
  EXPECT_EQ(descriptor->valueType(), PROP_value_string);
  EXPECT_EQ(descriptor->maxNumberOfElements(), 1);

  ASSERT_EQ(folder.askPropertyDescriptor("no_such_property", &descriptor), 0);
  EXPECT_EQ(descriptor, nullptr);
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(AttrMapTest, ADatasetStandsForItself) {
  EXPECT_EQ(ask(AE_ask_dataset, tagOf("d.m")), tagOf("d.m"));
  Tag dataset = tagOf("d.m");
  EXPECT_EQ(AE_ask_dataset(tagOf("r.p"), &dataset), POM_invalid_tag);
  EXPECT_EQ(dataset, NULLTAG);
}

}  // namespace
