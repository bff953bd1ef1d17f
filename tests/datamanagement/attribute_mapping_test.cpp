// Attribute mappings: listing definitions, resolving them for datasets and writing mapped
// attribute values, against a host world of mappings and their resolutions.
#include "datamanagement/attribute_mapping.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/soa_exceptions.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/property.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::AttributeMappingImpl;
using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using Korvane::Soa::Server::ServiceData;
using Strings = std::vector<std::string>;
using soacad_test::stacks;
using soacad_test::stdoutOf;

// A CAD part with one revision and a model dataset; mappings of each kind and what they
// resolve to for the dataset (with and without the revision).
const char* const kWorld = R"(<fixture>
  <type name="CAD Part" class="Item" parent="Item"/>
  <object uid="dt.model" class="DatasetType"><prop name="datasettype_name" value="CADModel"/></object>
  <object uid="i.p" class="Item" type="CAD Part"><prop name="item_id" value="P-1"/></object>
  <object uid="r.p" class="ItemRevision"><prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.p"/><prop name="object_desc" value="old description"/></object>
  <object uid="d.m" class="Dataset">
    <prop name="dataset_type" value="dt.model"/><prop name="object_name" value="model"/></object>
  <object uid="lov.finish" class="ListOfValues">
    <prop name="interdependent_properties"><v value="material"/><v value="coating"/></prop></object>
  <object uid="pd.desc" class="PropertyDescriptor">
    <prop name="property_name" value="object_desc"/><prop name="display_name" value="Description"/>
    <prop name="initial_value" value="tbd"/><prop name="value_type" value="8"/>
    <prop name="property_type" value="1"/><prop name="displayable" value="true"/>
    <prop name="required" value="true"/><prop name="enabled" value="true"/>
    <prop name="modifiable" value="false"/><prop name="max_values" value="1"/>
    <prop name="max_length" value="240"/><prop name="lov" value="lov.finish"/>
    <prop name="lov_attach_specifier" value="2"/></object>
  <object uid="m.desc" class="CadAttrMappingDefinition"><prop name="attr_title" value="DESCRIPTION"/>
    <prop name="mapping_string" value="ItemRevision.object_desc"/><prop name="dataset_type" value="dt.model"/>
    <prop name="item_type" value="type.CAD Part"/><prop name="cad_master" value="true"/>
    <prop name="property_descriptor" value="pd.desc"/></object>
  <object uid="m.name" class="CadAttrMappingDefinition"><prop name="attr_title" value="NAME"/>
    <prop name="mapping_string" value="object_name"/><prop name="cad_master" value="true"/></object>
  <object uid="m.const" class="CadAttrMappingDefinition"><prop name="attr_title" value="MATERIAL"/>
    <prop name="mapping_string" value="steel"/><prop name="cad_master" value="true"/></object>
  <object uid="m.pref" class="CadAttrMappingDefinition"><prop name="attr_title" value="UNITS"/>
    <prop name="mapping_string" value="units"/><prop name="cad_master" value="true"/></object>
  <object uid="m.owner" class="CadAttrMappingDefinition"><prop name="attr_title" value="OWNER"/>
    <prop name="mapping_string" value="object_desc"/></object>
  <object class="CadAttrMappingResolution"><prop name="mapping" value="m.desc"/><prop name="mapping_type" value="2"/>
    <prop name="resolved_object" value="r.p"/><prop name="resolved_property" value="object_desc"/></object>
  <object class="CadAttrMappingResolution"><prop name="mapping" value="m.name"/><prop name="mapping_type" value="1"/>
    <prop name="resolved_object" value="d.m"/><prop name="resolved_property" value="object_name"/></object>
  <object class="CadAttrMappingResolution"><prop name="mapping" value="m.const"/><prop name="mapping_type" value="3"/></object>
  <object class="CadAttrMappingResolution"><prop name="mapping" value="m.pref"/><prop name="mapping_type" value="4"/></object>
  <object class="CadAttrMappingResolution"><prop name="mapping" value="m.owner"/><prop name="mapping_type" value="1"/>
    <prop name="resolved_object" value="r.p"/><prop name="resolved_property" value="object_desc"/></object>
</fixture>)";

// A mapping definition (title, optional mapping string) as a fixture object.
std::string mapping(const std::string& uid, const std::string& title, const char* string) {
  return "<object uid=\"" + uid + "\" class=\"CadAttrMappingDefinition\">" +
         "<prop name=\"attr_title\" value=\"" + title + "\"/>" +
         (string == nullptr
              ? ""
              : "<prop name=\"mapping_string\" value=\"" + std::string(string) + "\"/>") +
         "</object>";
}

class AttributeMappingTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    unsetenv("DEBUG_SOACAD");
    load(kWorld);
  }
  // Every operation leaves the host settled.
  void TearDown() override {
    expectSettled();
    unsetenv("DEBUG_SOACAD");
  }

  DataManagement::ResolveAttrMappingsForDatasetInfo info(const std::string& dataset,
                                                         const std::string& itemRev,
                                                         const Strings& mappings) {
    DataManagement::ResolveAttrMappingsForDatasetInfo result;
    result.dataset = tagOf(dataset);
    result.itemRev = tagOf(itemRev);
    for (const std::string& mapping : mappings) {
      result.cadAttrMappingDefinition.emplace_back(tagOf(mapping));
    }
    return result;
  }
  // A CAD-mastered mapping `uid` titled `title` that resolves, for any dataset and revision, to
  // `property` of `object`.
  void addResolvedMapping(const std::string& uid, const std::string& title,
                          const std::string& object, const std::string& property) {
    load("<fixture>" + mapping(uid, title, "object_desc") +
         R"(<object class="CadAttrMappingResolution"><prop name="mapping" value=")" + uid +
         R"("/><prop name="mapping_type" value="1"/><prop name="resolved_object" value=")" +
         object + R"("/><prop name="resolved_property" value=")" + property +
         R"("/></object></fixture>)");
    ASSERT_EQ(store().write(tagOf(uid), "cad_master", host::Value{{"true"}, {}},
                            host::WriteMode::initial),
              0);
  }
  DataManagement::ResolveAttrMappingsForDatasetResponse resolve(
      const std::vector<DataManagement::ResolveAttrMappingsForDatasetInfo>& infos) {
    return AttributeMappingImpl().resolveAttrMappingsForDataset(infos);
  }
  DataManagement::GetAttrMappingsForDatasetTypeResponse forType(const std::string& datasetType,
                                                                const std::string& itemType,
                                                                bool exact) {
    return AttributeMappingImpl().getAttrMappingsForDatasetType({{datasetType, itemType, exact}});
  }
  // Writes the attributes for the model dataset and revision; returns the service data.
  ServiceData write(const std::vector<DataManagement::AttributeInfo>& attributes,
                    const std::string& itemRev = "r.p") {
    ServiceData data;
    AttributeMappingImpl().setAttrValues(tagOf("d.m"), tagOf("dt.model"), tagOf(itemRev),
                                         attributes, data);
    return data;
  }
  // Each mapped property of an output as "title datasetType/itemType object.property".
  Strings mapped(const DataManagement::ResolveAttrMappingsForDatasetOutput& output) {
    Strings texts;
    for (const auto& property : output.mappedPropertie) {
      texts.push_back(property.attrTitle + " " + property.datasetTypeName + "/" +
                      property.itemTypeName + " " + store().uidOfTag(property.resolvedObject) +
                      "." + property.resolvedPropertyName);
    }
    return texts;
  }
  // A property description as "name|display name|default|value type|property type|flags|list of
  // values|specifier|maximum length|interdependents", its flags the letters of Displayable,
  // Array, Required, Enabled and Modifiable that are set.
  std::string describe(const DataManagement::PropDescriptor& d) {
    std::string flags;
    for (const auto& flag : {std::make_pair(d.isDisplayable, 'D'), std::make_pair(d.isArray, 'A'),
                             std::make_pair(d.isRequired, 'R'), std::make_pair(d.isEnabled, 'E'),
                             std::make_pair(d.isModifiable, 'M')}) {
      flags += flag.first ? std::string(1, flag.second) : "";
    }
    std::string interdependents;
    for (const std::string& name : d.interdependentProp) {
      interdependents += (interdependents.empty() ? "" : ",") + name;
    }
    return d.propName + "|" + d.displayName + "|" + d.defaultValue + "|" +
           std::to_string(d.propValueType) + "|" + std::to_string(d.propType) + "|" + flags + "|" +
           store().uidOfTag(d.lov.tag()) + "|" + std::to_string(d.attachedSpecifier) + "|" +
           std::to_string(d.maxLength) + "|" + interdependents;
  }
  Strings mappingUids(const std::vector<DataManagement::AttrMappingInfo>& infos) {
    Strings uids;
    for (const auto& info : infos) {
      uids.push_back(store().uidOfTag(info.cadAttrMappingDefinition.tag()));
    }
    return uids;
  }
};

// --- getAllAttrMappings ------------------------------------------------------------------------

TEST_F(AttributeMappingTest, ListsEveryMappingWithItsPropertyDescription) {
  const auto response = AttributeMappingImpl().getAllAttrMappings();
  ASSERT_EQ(mappingUids(response.attrMappingInfo),
            (Strings{"m.desc", "m.name", "m.const", "m.pref", "m.owner"}));
  EXPECT_EQ(describe(response.attrMappingInfo[0].propDesc),
            "object_desc|Description|tbd|8|1|DRE|lov.finish|2|240|material,coating");
  // A mapping without a descriptor has an empty description and no error.
  EXPECT_EQ(describe(response.attrMappingInfo[1].propDesc), "|||0|0|||0|0|");
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{});
  EXPECT_EQ(
      response.serviceData.plainUids(),
      (std::set<std::string>{"m.desc", "m.name", "m.const", "m.pref", "m.owner", "lov.finish"}));
}

TEST_F(AttributeMappingTest, ADescriptionWithoutListOfValuesHasNoSpecifierOrInterdependents) {
  load(R"(<fixture><object uid="pd.plain" class="PropertyDescriptor">
    <prop name="property_name" value="object_name"/><prop name="max_values" value="-1"/>
    <prop name="lov_attach_specifier" value="5"/></object></fixture>)");
  ASSERT_EQ(store().write(tagOf("m.name"), "property_descriptor",
                          host::Value{{}, {tagOf("pd.plain")}}, host::WriteMode::initial),
            0);
  const auto response = AttributeMappingImpl().getAllAttrMappings();
  EXPECT_EQ(describe(response.attrMappingInfo[1].propDesc),
            "object_name|object_name||0|0|DAEM||0|0|");
  EXPECT_EQ(response.serviceData.plainUids().count("lov.finish"), 1u);
}

TEST_F(AttributeMappingTest, AnUnreadableDescriptorIsAnErrorOfThatMappingOnly) {
  host::faultPlan().fail("ATTRMAP_ask_propdesc", 7099, 0, tagOf("m.desc"));
  const auto response = AttributeMappingImpl().getAllAttrMappings();
  ASSERT_EQ(response.attrMappingInfo.size(), 5u);
  EXPECT_EQ(response.attrMappingInfo[0].propDesc.propName, "");
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{"uid:m.desc: 7099 215117"});
  EXPECT_EQ(response.serviceData.plainUids().count("m.desc"), 1u);
  EXPECT_EQ(response.serviceData.plainUids().count("lov.finish"), 0u);
}

TEST_F(AttributeMappingTest, DescriptorPartsThatCannotBeReadStayEmptyWithoutError) {
  // A descriptor that cannot be loaded leaves the whole description empty; a display name that
  // cannot be read leaves only that field empty.
  const struct {
    const char* call;
    const char* propName;
  } cases[] = {{"PropertyDescriptor::askPropertyDescriptor", ""},
               {"PropertyDescriptor::presentationName", "object_desc"}};
  for (const auto& test : cases) {
    host::faultPlan().clear();
    host::faultPlan().fail(test.call, 7099);
    const auto response = AttributeMappingImpl().getAllAttrMappings();
    EXPECT_EQ(response.attrMappingInfo[0].propDesc.propName, test.propName) << test.call;
    EXPECT_EQ(response.attrMappingInfo[0].propDesc.displayName, "") << test.call;
    EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{}) << test.call;
    EXPECT_TRUE(host::errorStore().empty()) << test.call;
  }
}

TEST_F(AttributeMappingTest, AFailingListingIsAnUnkeyedErrorAndDumpsTheErrorStore) {
  host::faultPlan().fail("ATTRMAP_list_all_mappings", 7099);
  DataManagement::GetAllAttrMappingsResponse response;
  const std::string output =
      stdoutOf([&] { response = AttributeMappingImpl().getAllAttrMappings(); });
  EXPECT_TRUE(response.attrMappingInfo.empty());
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{": 7099 215072"});
  EXPECT_EQ(output.substr(0, output.find("error_store[1]")),
            "error_store BEGIN:\nerror_store[0] 3, 7099, Error 7099\n");
  EXPECT_NE(output.find("\nerror_store[1] 3, 215072, "), std::string::npos);
  EXPECT_EQ(output.substr(output.size() - 16), "error_store END\n");
}

// --- getAttrMappingsForDatasetType -------------------------------------------------------------

TEST_F(AttributeMappingTest, CriteriaWithoutNamesListForNullTypes) {
  const auto inexact = forType("", "", false);
  ASSERT_EQ(inexact.output.size(), 1u);
  EXPECT_EQ(mappingUids(inexact.output[0].attrMappingInfo),
            (Strings{"m.desc", "m.name", "m.const", "m.pref", "m.owner"}));
  EXPECT_FALSE(inexact.output[0].criteria.exact);

  const auto exact = forType("", "", true);
  ASSERT_EQ(exact.output.size(), 1u);
  EXPECT_EQ(mappingUids(exact.output[0].attrMappingInfo),
            (Strings{"m.name", "m.const", "m.pref", "m.owner"}));
  EXPECT_TRUE(exact.output[0].criteria.exact);

  const auto named = forType("CADModel", "CAD Part", true);
  EXPECT_EQ(named.output.at(0).criteria.datasetTypeName, "CADModel");
  EXPECT_EQ(mappingUids(named.output[0].attrMappingInfo), Strings{"m.desc"});
}

TEST_F(AttributeMappingTest, AnUnknownDatasetTypeIsKeyedByItsName) {
  const auto response = AttributeMappingImpl().getAttrMappingsForDatasetType(
      {{"<%s%n>", "CAD Part", false}, {std::string(40, 'X'), "", false}, {"", "", true}});
  ASSERT_EQ(response.output.size(), 1u);
  EXPECT_TRUE(response.output[0].criteria.exact);
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()),
            (Strings{"<%s%n>: 215070", std::string(40, 'X') + ": 215070"}));
  // A name is a parameter of the message, never its format.
  EXPECT_EQ(response.serviceData.getErrorArray()[0].getErrorValueArray()[0].getMessage(),
            "The dataset type <%s%n> was not found.");
  // An over-long name is not looked up at all.
  EXPECT_EQ(host::callLog().count("AE_find_datasettype"), 1);
}

TEST_F(AttributeMappingTest, AnUnknownItemTypeIsKeyedByBothNames) {
  const auto response = AttributeMappingImpl().getAttrMappingsForDatasetType(
      {{"", "NoSuchItem", false}, {"CADModel", "Dataset", true}});
  EXPECT_TRUE(response.output.empty());
  // A type that exists but is no item type is not found either.
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()),
            (Strings{",NoSuchItem: 215071", "CADModel,Dataset: 215071"}));
  EXPECT_NE(response.serviceData.getErrorArray()[0].getErrorValueArray()[0].getMessage().find(
                ",NoSuchItem,0"),
            std::string::npos);
}

TEST_F(AttributeMappingTest, AFailingListingIsKeyedByTheWholeCriteria) {
  host::faultPlan().fail("ATTRMAP_list_mappings", 7099);
  const auto response = forType("CADModel", "CAD Part", true);
  EXPECT_TRUE(response.output.empty());
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()),
            Strings{"CADModel,CAD Part,1: 7099 215073"});
  EXPECT_NE(response.serviceData.getErrorArray()[0].getErrorValueArray().back().getMessage().find(
                "CADModel,CAD Part,1,7099"),
            std::string::npos);
}

// --- resolveAttrMappingsForDataset -------------------------------------------------------------

// A mapping without property contributes nothing, and no error.
TEST_F(AttributeMappingTest, ResolvesMappingsToObjectsAndProperties) {
  load("<fixture>" + mapping("m.none", "NONE", "nothing") + "</fixture>");
  const auto response = resolve({info("d.m", "", {"m.desc", "m.none", "m.name"})});
  ASSERT_EQ(response.output.size(), 1u);
  EXPECT_EQ(response.output[0].dataset.tag(), tagOf("d.m"));
  EXPECT_EQ(mapped(response.output[0]),
            (Strings{"DESCRIPTION CADModel/CAD Part r.p.object_desc", "NAME / d.m.object_name"}));
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{});
  EXPECT_EQ(response.serviceData.plainUids(), (std::set<std::string>{"r.p", "d.m"}));

  // The resolved properties travel with the objects.
  ServiceData data = response.serviceData;
  data.inflateProperties();
  const auto& objects = data.getWireData().getDataObjectArray();
  ASSERT_EQ(objects.size(), 2u);
  ASSERT_EQ(objects[0].getPropertieArray().size(), 1u);
  EXPECT_EQ(objects[0].getPropertieArray()[0].getName(), "object_desc");
  EXPECT_EQ(objects[0].getPropertieArray()[0].getUiValue(), "old description");
}

// A mapping whose object no longer exists resolves to no property: nothing is listed and
// nothing names the object that is gone; writing through it is an error of that attribute.
TEST_F(AttributeMappingTest, AMappingWhoseObjectIsGoneResolvesToNoProperty) {
  load(R"(<fixture><object uid="fm.gone" class="Form"/></fixture>)");
  addResolvedMapping("m.gone", "GONE", "fm.gone", "object_desc");
  ASSERT_EQ(AOM_delete(tagOf("fm.gone")), 0);
  const auto response =
      resolve({info("d.m", "", {"m.gone", "m.name"}), info("d.m", "r.p", {"m.gone"})});
  ASSERT_EQ(response.output.size(), 2u);
  EXPECT_EQ(mapped(response.output[0]), Strings{"NAME / d.m.object_name"});
  EXPECT_EQ(mapped(response.output[1]), Strings{});
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{});
  EXPECT_EQ(response.serviceData.plainUids(), std::set<std::string>{"d.m"});

  const ServiceData data = write({{"GONE", "x"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{"d.m,r.p,GONE: 7007 215086"});
}

// A mapped attribute is written only where a client may write: a property the host keeps (an
// item's id) is passed over like any property the user may not modify.
TEST_F(AttributeMappingTest, AMappedAttributeLeavesWhatTheHostKeeps) {
  addResolvedMapping("m.id", "PART_ID", "i.p", "item_id");
  const ServiceData data = write({{"PART_ID", "P-2"}, {"DESCRIPTION", "written"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{});
  EXPECT_EQ(text(tagOf("i.p"), "item_id"), "P-1");
  EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "written");
}

TEST_F(AttributeMappingTest, WithAnItemRevisionTheResolutionTakesIt) {
  load("<fixture>" + mapping("m.rev", "REV", "object_name") + R"(
    <object uid="r.q" class="ItemRevision"><prop name="items_tag" value="i.p"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.rev"/>
      <prop name="item_revision" value="r.q"/><prop name="mapping_type" value="1"/>
      <prop name="resolved_object" value="r.q"/><prop name="resolved_property" value="object_name"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.rev"/><prop name="mapping_type" value="1"/>
      <prop name="resolved_object" value="d.m"/><prop name="resolved_property" value="object_name"/></object>
  </fixture>)");
  const auto response = resolve({info("d.m", "r.q", {"m.rev"}), info("d.m", "", {"m.rev"})});
  ASSERT_EQ(response.output.size(), 2u);
  EXPECT_EQ(mapped(response.output[0]), Strings{"REV / r.q.object_name"});
  EXPECT_EQ(mapped(response.output[1]), Strings{"REV / d.m.object_name"});
  EXPECT_EQ(host::callLog().count("ATTRMAP_resolve_mapping_with_ir"), 1);
  EXPECT_EQ(host::callLog().count("ATTRMAP_ask_mapping_whole_string"), 1);
}

TEST_F(AttributeMappingTest, AnInputThatIsNoDatasetOrRevisionGetsAnEmptyOutput) {
  const auto response = resolve({info("r.p", "", {"m.name"}), info("d.m", "d.m", {"m.name"}),
                                 info("", "", {"m.name"}), info("d.m", "", {"m.name"})});
  ASSERT_EQ(response.output.size(), 4u);
  EXPECT_EQ(response.output[0].dataset.tag(), NULLTAG);
  EXPECT_EQ(response.output[1].dataset.tag(), NULLTAG);
  EXPECT_TRUE(response.output[1].mappedPropertie.empty());
  EXPECT_EQ(response.output[2].dataset.tag(), NULLTAG);
  EXPECT_EQ(response.output[3].mappedPropertie.size(), 1u);
  // A null dataset has no UID: the key stays empty and the failing UID call ends the input.
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()),
            (Strings{"r.p: 7008 215074", "d.m,d.m: 7008 215075", ": 7007"}));
}

TEST_F(AttributeMappingTest, ItemAndRevisionPrefixesResolveAgainstTheDatasetTheHostGives) {
  const char* const mapStrings[] = {"IM.a",   "IRM.b", "Item.c", "ItemRevision.d",
                                    "Iron.e", "I.f",   "item.g", "object_name"};
  std::string fixture = "<fixture>";
  Strings uids;
  for (int i = 0; i < 8; ++i) {
    uids.push_back("m.p" + std::to_string(i));
    fixture += mapping(uids.back(), "T" + std::to_string(i), mapStrings[i]) +
               "<object class=\"CadAttrMappingResolution\"><prop name=\"mapping\" value=\"" +
               uids.back() +
               "\"/><prop name=\"dataset\" value=\"d.m\"/><prop name=\"mapping_type\" "
               "value=\"1\"/><prop name=\"resolved_object\" value=\"d.m\"/>"
               "<prop name=\"resolved_property\" value=\"object_name\"/></object>";
  }
  load(fixture + "</fixture>");
  // The host's dataset for item and revision mappings: none, so those yield no property.
  host::faultPlan().nullResult("AE_ask_dataset");
  const auto response = resolve({info("d.m", "", uids)});
  EXPECT_EQ(mapped(response.output[0]), (Strings{"T4 / d.m.object_name", "T5 / d.m.object_name",
                                                 "T6 / d.m.object_name", "T7 / d.m.object_name"}));
  EXPECT_EQ(host::callLog().count("AE_ask_dataset"), 4);
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{});
}

TEST_F(AttributeMappingTest, EachUnusableResolutionIsAnErrorKeyedByTheMapping) {
  load("<fixture>" + mapping("m.odd", "ODD", "x") + mapping("m.noobj", "NOOBJ", "x") +
       mapping("m.noprop", "NOPROP", "x") + mapping("m.empty", "EMPTY", nullptr) +
       mapping("m.fails", "FAILS", "x") + R"(
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.odd"/><prop name="mapping_type" value="7"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.noobj"/><prop name="mapping_type" value="2"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.noprop"/><prop name="mapping_type" value="1"/>
      <prop name="resolved_object" value="d.m"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.fails"/><prop name="status" value="7099"/></object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.fails"/>
      <prop name="item_revision" value="r.p"/><prop name="status" value="7099"/></object>
  </fixture>)");
  const auto response = resolve(
      {info("d.m", "", {"m.const", "m.pref", "m.odd", "m.noobj", "m.noprop", "m.empty", "m.fails"}),
       info("d.m", "r.p", {"m.fails"})});
  EXPECT_TRUE(response.output[0].mappedPropertie.empty());
  // A failing resolution with the revision has its own code.
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()),
            (Strings{"d.m,MATERIAL: 215103", "d.m,UNITS: 215104", "d.m,ODD: 215091",
                     "d.m,NOOBJ: 215087", "d.m,NOPROP: 215088", "d.m,EMPTY: 215083",
                     "d.m,FAILS: 7099 215085", "d.m,r.p,FAILS: 7099 215086"}));
}

TEST_F(AttributeMappingTest, AnInvalidMappingEndsItsInput) {
  const auto response =
      resolve({info("d.m", "", {"m.name", "no.such", "m.desc"}), info("d.m", "", {"m.desc"})});
  ASSERT_EQ(response.output.size(), 2u);
  ASSERT_EQ(response.output[0].mappedPropertie.size(), 1u);
  EXPECT_EQ(response.output[0].dataset.tag(), tagOf("d.m"));
  EXPECT_EQ(response.output[1].mappedPropertie.size(), 1u);
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{"d.m: 7007 215076"});
}

// A failing query of one mapping is an error of that mapping and the others resolve; a failing
// title ends the input, as its error cannot be keyed by the mapping.
TEST_F(AttributeMappingTest, FailingMappingQueriesAreErrorsOfTheMapping) {
  const struct {
    std::vector<std::pair<const char*, int>> faults;  // Call and the nth call that fails.
    Strings mappings;
    Strings stacks;
    size_t mapped;
  } cases[] = {
      {{{"AE_ask_dataset", 0}}, {"m.desc", "m.name"}, {"d.m,DESCRIPTION: 7099 215084"}, 1},
      {{{"ATTRMAP_ask_mapping_dataset_type", 1},
        {"AE_ask_datasettype_name", 1},
        {"ATTRMAP_ask_mapping_item_type", 1}},
       {"m.desc", "m.desc", "m.name", "m.desc"},
       {"d.m,DESCRIPTION: 7099 215078", "d.m,DESCRIPTION: 7099 215079", "d.m,NAME: 7099 215080"},
       1},
      {{{"ATTRMAP_ask_mapping_attr_title", 2}},
       {"m.name", "m.desc", "m.name"},
       {"d.m: 7099 215077"},
       1},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.faults[0].first);
    host::faultPlan().clear();
    for (const auto& fault : test.faults) {
      host::faultPlan().fail(fault.first, 7099, fault.second);
    }
    const auto response = resolve({info("d.m", "", test.mappings)});
    EXPECT_EQ(response.output[0].mappedPropertie.size(), test.mapped);
    EXPECT_EQ(stacks(response.serviceData.getErrorArray()), test.stacks);
    host::errorStore().clear();
  }
}

// --- setAttrValues -------------------------------------------------------------------------

TEST_F(AttributeMappingTest, WritesMappedValuesAndSavesTheirObjects) {
  const ServiceData data = write({{"DESCRIPTION", "new description"}, {"NAME", "new name"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{});
  // Saved values: a reset of the session's working values keeps them.
  ASSERT_EQ(store().refresh(tagOf("r.p"), false), 0);
  EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "new description");
  EXPECT_EQ(text(tagOf("d.m"), "object_name"), "new name");
  EXPECT_EQ(host::callLog().names(tagOf("d.m")),
            (Strings{"POM_tag_to_uid", "ATTRMAP_list_mappings", "AOM_is_modifiable", "AOM_refresh",
                     "AOM_UIF_set_value", "AE_save_myself", "AOM_refresh"}));
  EXPECT_EQ(host::callLog().count("AOM_save"), 1);
}

// Each object written is reported as updated, unless the call has reported it as made.
TEST_F(AttributeMappingTest, ReportsTheObjectsItWritesAsUpdatedUnlessMade) {
  const std::vector<DataManagement::AttributeInfo> attributes = {{"DESCRIPTION", "new"},
                                                                 {"NAME", "new"}};
  EXPECT_EQ(write(attributes).updatedUids(), (std::set<std::string>{"d.m", "r.p"}));
  ServiceData made;
  made.addCreatedObject(tagOf("d.m"));
  AttributeMappingImpl().setAttrValues(tagOf("d.m"), tagOf("dt.model"), tagOf("r.p"), attributes,
                                       made);
  EXPECT_EQ(made.updatedUids(), std::set<std::string>{"r.p"});
  EXPECT_EQ(made.createdUids(), std::set<std::string>{"d.m"});
}

TEST_F(AttributeMappingTest, SkipsAttributesWithoutAWritableCadMasteredMapping) {
  ASSERT_EQ(store().setModifiable(tagOf("d.m"), false), 0);
  const ServiceData data =
      write({{"UNKNOWN", "x"}, {"OWNER", "x"}, {"NAME", "x"}, {"DESCRIPTION", "written"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{});
  EXPECT_EQ(text(tagOf("d.m"), "object_name"), "model");
  EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "written");
  EXPECT_EQ(host::callLog().count("AOM_UIF_set_value"), 1);
}

// Lock, value, save and release of an attribute stand or fall together: a failure in any of
// them is an error stack under the attribute's key and leaves neither a change nor a lock (the
// fixture's tear-down checks that no object stays locked); the next attribute is written.
TEST_F(AttributeMappingTest, AWriteThatFailsAnywhereLeavesNoChangeAndNoLock) {
  struct Case {
    const char* call;
    int nth;
    const char* stack;
    const char* line;  // Of the dump.
  };
  const Case cases[] = {
      {"AOM_refresh", 1, "d.m,r.p,DESCRIPTION: 7013 215098", "AOM_refresh with lock returned"},
      {"AOM_UIF_set_value", 1, "d.m,r.p,DESCRIPTION: 7013 215099", "AOM_UIF_set_value returned"},
      {"AOM_save", 1, "d.m,r.p,DESCRIPTION: 7013 215101", "AOM_save returned"},
      {"AOM_refresh", 2, "d.m,r.p,DESCRIPTION: 7013", "AOM_refresh with unlock returned"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.call) + " #" + std::to_string(test.nth));
    SetUp();
    host::faultPlan().fail(test.call, 7013, test.nth);
    ServiceData data;
    {
      soacad_test::ScopedEnv debug("DEBUG_SOACAD", "1");
      const std::string dump = stdoutOf([&] {
        data = write({{"DESCRIPTION", "rejected"}, {"NAME", "accepted"}});
      });
      EXPECT_NE(dump.find(std::string("\n  ") + test.line + " 7013\n"), std::string::npos) << dump;
    }
    EXPECT_EQ(stacks(data.getErrorArray()), Strings{test.stack});
    EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "old description");
    EXPECT_EQ(text(tagOf("d.m"), "object_name"), "accepted");
    expectSettled();
  }
}

TEST_F(AttributeMappingTest, AnAttributeWithoutNameIsAnErrorUnderTheBaseKey) {
  const ServiceData data = write({{"", "x"}, {"DESCRIPTION", "written"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{"d.m,r.p: 215093"});
  EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "written");
}

TEST_F(AttributeMappingTest, FailuresOfAnAttributeAreKeyedByItAndTheOthersGoOn) {
  host::faultPlan().fail("AOM_save", 7096);
  const ServiceData data = write(
      {{"MATERIAL", "steel"}, {"UNITS", "mm"}, {"DESCRIPTION", "unsaved"}, {"NAME", "saved"}});
  EXPECT_EQ(stacks(data.getErrorArray()),
            (Strings{"d.m,r.p,MATERIAL: 215102", "d.m,r.p,UNITS: 215102",
                     "d.m,r.p,DESCRIPTION: 7096 215101"}));
  EXPECT_EQ(text(tagOf("r.p"), "object_desc"), "old description");
  EXPECT_EQ(text(tagOf("d.m"), "object_name"), "saved");
}

TEST_F(AttributeMappingTest, NoPropertyIsAnErrorWhenWriting) {
  load(R"(<fixture><object uid="m.none" class="CadAttrMappingDefinition">
    <prop name="attr_title" value="NONE"/><prop name="cad_master" value="true"/></object></fixture>)");
  const ServiceData data = write({{"NONE", "x"}});
  ASSERT_EQ(stacks(data.getErrorArray()), Strings{"d.m,r.p,NONE: 7007 215086"});
  const std::string message = data.getErrorArray()[0].getErrorValueArray().back().getMessage();
  // The objects by UID: a tag number means nothing to a client.
  EXPECT_NE(message.find("(d.m, m.none, r.p, 7007)"), std::string::npos) << message;
}

TEST_F(AttributeMappingTest, AFailingTitleIsReportedAndTheSearchGoesOn) {
  host::faultPlan().fail("ATTRMAP_ask_mapping_attr_title", 7099, 1);
  const ServiceData data = write({{"NAME", "found anyway"}});
  EXPECT_EQ(stacks(data.getErrorArray()), Strings{"d.m,r.p,NAME: 7099 215077"});
  EXPECT_EQ(text(tagOf("d.m"), "object_name"), "found anyway");
}

TEST_F(AttributeMappingTest, SetUpFailuresRaiseAndWriteNothing) {
  auto codeOf = [&](const char* dataset, const char* itemRev) {
    ServiceData data;
    const int code = soacad_test::ifailOf([&] {
      AttributeMappingImpl().setAttrValues(tagOf(dataset), tagOf("dt.model"), tagOf(itemRev),
                                           {{"NAME", "never"}}, data);
    });
    host::errorStore().clear();
    EXPECT_TRUE(data.getErrorArray().empty());
    return code;
  };
  EXPECT_EQ(codeOf("d.m", ""), 215092);
  EXPECT_EQ(codeOf("no.such", "r.p"), 215074);
  EXPECT_EQ(codeOf("d.m", "no.such"), 215075);
  EXPECT_EQ(codeOf("d.m", "d.m"), 215092);
  host::faultPlan().fail("ATTRMAP_list_mappings", 7099);
  EXPECT_EQ(codeOf("d.m", "r.p"), 215073);
  EXPECT_EQ(text(tagOf("d.m"), "object_name"), "model");
  EXPECT_EQ(host::callLog().count("AOM_UIF_set_value"), 0);
}

// --- Diagnostics -------------------------------------------------------------------------------

TEST_F(AttributeMappingTest, DiagnosticsNeedANonEmptySwitch) {
  const auto resolveName = [&] { resolve({info("d.m", "", {"m.name"})}); };
  EXPECT_EQ(stdoutOf(resolveName), "");
  {
    soacad_test::ScopedEnv empty("DEBUG_SOACAD", "");
    EXPECT_EQ(stdoutOf(resolveName), "");
  }
  soacad_test::ScopedEnv on("DEBUG_SOACAD", "1");
  const std::string handle = std::to_string(host::propertyTag(tagOf("d.m"), "object_name"));
  EXPECT_EQ(stdoutOf(resolveName),
            withTags(R"(AttributeMappingImpl::resolveAttrMappingsForDataset begin...
AttributeMappingImpl::getMappedDatasetValues begin...
  mapping title d.m,NAME
  no mapping dataset type name
  no mapping item type name
  dataset type CADModel
AttributeMappingImpl::resolveAttrValue begin...
  dataset {d.m}, itemRev 0, mapping {m.name}
  map string object_name
  ds0 {d.m}, mapping {m.name}, mapStr object_name
  property name object_name, tag)") +
                handle + R"(
AttributeMappingImpl::resolveAttrValue end - returning property for mapping
AttributeMappingImpl::getMappedDatasetValues end
  adding property object_name to response.serviceData
AttributeMappingImpl::resolveAttrMappingsForDataset end
)");
}

// A listing's dump shows each mapping it found (a flag the host cannot read as indeterminate;
// those failures reach no error stack), and every mapping closes its description in the dump,
// also the four without a descriptor.
TEST_F(AttributeMappingTest, DiagnosticsOfAListingShowEachMapping) {
  soacad_test::ScopedEnv on("DEBUG_SOACAD", "yes");
  host::faultPlan().fail("ATTRMAP_ask_mapping_zolt_master", 7099);
  DataManagement::GetAttrMappingsForDatasetTypeResponse response;
  const std::string dump = stdoutOf([&] { response = forType("CADModel", "CAD Part", true); });
  for (const std::string& line :
       {std::string("  processing requested mapping CADModel CAD Part\n"),
        withTags("    itemTypeName CAD Part {type.CAD Part}\n"),
        std::string("    found 1 mappings\n"),
        std::string("      attrTitle DESCRIPTION\n      cad master true\n"
                    "      zolt master indeterminate\n      allow null value false\n")}) {
    EXPECT_NE(dump.find(line), std::string::npos) << line << dump;
  }
  EXPECT_EQ(stacks(response.serviceData.getErrorArray()), Strings{});

  const std::string all = stdoutOf([] { AttributeMappingImpl().getAllAttrMappings(); });
  std::size_t begins = 0;
  std::size_t ends = 0;
  for (std::size_t at = all.find("getPropDescInfo begin"); at != std::string::npos;
       at = all.find("getPropDescInfo begin", at + 1)) {
    ++begins;
  }
  for (std::size_t at = all.find("getAssocLov end\n"); at != std::string::npos;
       at = all.find("getAssocLov end\n", at + 1)) {
    ++ends;
  }
  EXPECT_EQ(begins, 5u);
  EXPECT_EQ(ends, 5u) << all;
}

TEST_F(AttributeMappingTest, EachConstructionReadsTheSwitchAgain) {
  std::unique_ptr<AttributeMappingImpl> first;
  {
    soacad_test::ScopedEnv on("DEBUG_SOACAD", "1");
    first.reset(new AttributeMappingImpl());
  }
  ServiceData data;
  const auto run = [&] {
    first->setAttrValues(tagOf("d.m"), tagOf("dt.model"), tagOf("r.p"), {}, data);
  };
  const std::string on = stdoutOf(run);
  EXPECT_NE(on.find("AttributeMappingImpl::setAttrValues begin...\n"), std::string::npos);
  EXPECT_NE(on.find("  attrs 0\n  item type CAD Part\nAttributeMappingImpl::setAttrValues end\n"),
            std::string::npos);
  const AttributeMappingImpl second;
  EXPECT_EQ(stdoutOf(run), "");
}

}  // namespace
