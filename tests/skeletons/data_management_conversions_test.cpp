// The conversions of the DataManagement skeleton between wire and local records.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "host/object/error_store.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;
using Local = Korvane::Soa::Cad::_2007_01::DataManagement;
using Skeleton = Korvane::Services::Cad::_2007_01::DataManagementIiopSkeleton;
using Strings = std::vector<std::string>;

using soacad_test::modelObject;
using soacad_test::modelUids;
using ConversionTest = soacad_test::UserTest;

// --- Maps ----------------------------------------------------------------------------------------

TEST_F(ConversionTest, MapsAreWrittenInAscendingKeyOrder) {
  const auto classes =
      Skeleton::toWireClassToTypesMap({{"Item", {"Item", "Document"}}, {"Dataset", {"Text"}}});
  ASSERT_EQ(classes.size(), 2u);
  EXPECT_EQ(classes[0].getKey(), "Dataset");
  EXPECT_EQ(classes[0].getValueArray(), Strings{"Text"});
  EXPECT_EQ(classes[1].getKey(), "Item");
  EXPECT_EQ(classes[1].getValueArray(), (Strings{"Item", "Document"}));

  const auto ids = Skeleton::toWireIndexToAltId({{10, {"x"}}, {2, {"y"}}, {0, {}}});
  ASSERT_EQ(ids.size(), 3u);
  EXPECT_EQ(ids[0].getKey(), 0);
  EXPECT_EQ(ids[1].getKey(), 2);
  EXPECT_EQ(ids[2].getKey(), 10);
  EXPECT_TRUE(ids[0].getValueArray().empty());
  EXPECT_TRUE(Skeleton::toWireIndexToAltId({}).empty());
}

TEST_F(ConversionTest, MapsReadBackWithTheLastEntryWinning) {
  std::vector<Wire::ClassToTypesMap> classes(3);
  classes[0].setKey("Item");
  classes[0].setValueArray({"first"});
  classes[1].setKey("Dataset");
  classes[1].setValueArray({"Text"});
  classes[2].setKey("Item");
  classes[2].setValueArray({"second", "list"});
  EXPECT_EQ(Skeleton::toLocalClassToTypesMap(classes),
            (std::map<std::string, Strings>{{"Dataset", {"Text"}}, {"Item", {"second", "list"}}}));

  std::vector<Wire::IndexToAltId> ids(2);
  ids[0].setKey(-3);
  ids[0].setValueArray({"a"});
  ids[1].setKey(-3);
  ids[1].setValueArray({});
  EXPECT_EQ(Skeleton::toLocalIndexToAltId(ids), (std::map<int, Strings>{{-3, {}}}));
}

// --- objectType ----------------------------------------------------------------------------------

TEST_F(ConversionTest, ObjectTypeTextsBothWaysAndNoOtherText) {
  const Strings texts = {"FolderT", "ItemT", "ItemRevisionT", "DatasetT", "Others"};
  for (int value = 0; value < 5; ++value) {
    const auto enumerator = static_cast<Local::objectType>(value);
    EXPECT_EQ(Skeleton::toWire(enumerator), texts[value]);
    EXPECT_EQ(Skeleton::toLocalobjectType(texts[value]), enumerator);
  }
  for (const std::string text : {"itemT", "", "ItemT "}) {
    EXPECT_EQ(soacad_test::domMessageOf([&] { Skeleton::toLocalobjectType(text); }),
              "Invalid Enum value: " + text);
  }
  EXPECT_EQ(soacad_test::domMessageOf([] { Skeleton::toWire(static_cast<Local::objectType>(5)); }),
            "Invalid Enum value");
}

// --- Wire to local -------------------------------------------------------------------------------

TEST_F(ConversionTest, ObjectListsKeepLengthAndOrderAlsoForUnknownUids) {
  Wire::ResolveAttrMappingsForDatasetInfo wire;
  wire.setDataset(modelObject("i.1"));
  wire.setCadAttrMappingDefinitionArray(
      {modelObject("f.home"), modelObject("no.such"), modelObject("")});
  const Local::ResolveAttrMappingsForDatasetInfo local = Skeleton::toLocal(wire);
  EXPECT_EQ(local.dataset.tag(), tagOf("i.1"));
  EXPECT_EQ(local.itemRev.tag(), NULLTAG);
  ASSERT_EQ(local.cadAttrMappingDefinition.size(), 3u);
  EXPECT_EQ(local.cadAttrMappingDefinition[0].tag(), tagOf("f.home"));
  EXPECT_EQ(local.cadAttrMappingDefinition[1].tag(), tagOf("no.such"));
  EXPECT_NE(local.cadAttrMappingDefinition[1].tag(), NULLTAG);
  EXPECT_EQ(local.cadAttrMappingDefinition[2].tag(), NULLTAG);
  // Typed references are not loaded by the conversion.
  EXPECT_EQ(local.dataset.loadedObject(), nullptr);
  for (const auto& reference : local.cadAttrMappingDefinition) {
    EXPECT_EQ(reference.loadedObject(), nullptr);
  }
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(ConversionTest, PartInfoConvertsEveryNestedRecordInOrder) {
  Wire::PartInfo wire;
  wire.setClientId(" part 1 ");
  wire.getItemInput().setItemId("");
  wire.getItemInput().setFolder(modelObject("f.home"));
  wire.getItemRevInput().setRevId("B");
  for (const char* clientId : {"ds-1", "ds-2"}) {
    Wire::DatasetInfo dataset;
    dataset.setClientId(clientId);
    dataset.setCreateNewVersion(true);
    dataset.setDataset(modelObject(clientId));
    Wire::AttributeInfo attribute;
    attribute.setName("name");
    attribute.setValue(clientId);
    dataset.addAttrList(attribute);
    dataset.addMappingAttribute(attribute);
    dataset.addMappingAttribute(attribute);
    Wire::ExtraObjectInfo extra;
    extra.setObject(modelObject("i.1"));
    dataset.addExtraObject(extra);
    Wire::DatasetFileInfo file;
    file.setFileName(std::string(clientId) + ".txt");
    file.setIsText(true);
    dataset.addDatasetFileInfo(file);
    Wire::NamedReferenceObjectInfo named;
    named.setNamedReferenceName("UGPART");
    named.setObject(modelObject("u.jdoe"));
    dataset.addNamedReferenceObjectInfo(named);
    wire.addDatasetInput(dataset);
  }
  const Local::PartInfo local = Skeleton::toLocal(wire);
  EXPECT_EQ(local.clientId, " part 1 ");
  EXPECT_EQ(local.itemInput.itemId, "");
  EXPECT_EQ(local.itemInput.folder.tag(), tagOf("f.home"));
  EXPECT_EQ(local.itemRevInput.revId, "B");
  ASSERT_EQ(local.datasetInput.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const Local::DatasetInfo& dataset = local.datasetInput[i];
    const std::string clientId = i == 0 ? "ds-1" : "ds-2";
    EXPECT_EQ(dataset.clientId, clientId);
    EXPECT_TRUE(dataset.createNewVersion);
    EXPECT_EQ(dataset.dataset.tag(), tagOf(clientId));
    ASSERT_EQ(dataset.attrList.size(), 1u);
    EXPECT_EQ(dataset.attrList[0].value, clientId);
    EXPECT_EQ(dataset.mappingAttribute.size(), 2u);
    ASSERT_EQ(dataset.extraObject.size(), 1u);
    EXPECT_EQ(dataset.extraObject[0].object, tagOf("i.1"));
    ASSERT_EQ(dataset.datasetFileInfo.size(), 1u);
    EXPECT_EQ(dataset.datasetFileInfo[0].fileName, clientId + ".txt");
    EXPECT_TRUE(dataset.datasetFileInfo[0].isText);
    ASSERT_EQ(dataset.namedReferenceObjectInfo.size(), 1u);
    EXPECT_EQ(dataset.namedReferenceObjectInfo[0].object, tagOf("u.jdoe"));
  }
}

// --- Local to wire -------------------------------------------------------------------------------

TEST_F(ConversionTest, ObjectListDropsElementsThatAreNotObjectsAndClearsTheErrorStore) {
  Local::ExpandGRMRelationsData local;
  local.otherSideObject = {tagOf("i.1"), deletedTag(), tagOf("f.home"), tagOf("u.jdoe"),
                           tagOf("f.newstuff")};
  local.relationName = "contents";
  const Wire::ExpandGRMRelationsData wire = Skeleton::toWire(local);
  EXPECT_EQ(modelUids(wire.getOtherSideObjectArray()),
            (Strings{"i.1", "f.home", "u.jdoe", "f.newstuff"}));
  EXPECT_EQ(wire.getRelationName(), "contents");
  EXPECT_TRUE(host::errorStore().empty());
}

// A live object becomes its model object; one that is not an object the null model object.
TEST_F(ConversionTest, SingleObjectThatIsNotAnObjectBecomesTheNullModelObject) {
  Local::CreateOrUpdatePartsOutput local;
  local.clientId = "part-1";
  local.item = POMRef<Item>(deletedTag());
  local.itemRev = POMRef<ItemRevision>(tagOf("unknown.uid"));
  local.extraItemObj.resize(1);
  local.extraItemObj[0].object = tagOf("i.1");
  const Wire::CreateOrUpdatePartsOutput wire = Skeleton::toWire(local);
  EXPECT_EQ(wire.getClientId(), "part-1");
  EXPECT_EQ(wire.getItem().getUid(), "");
  EXPECT_FALSE(wire.getItem().isClassNameSet());
  EXPECT_EQ(wire.getItemRev().getUid(), "");
  const ModelBase::ModelObject& live = wire.getExtraItemObjArray().at(0).getObject();
  EXPECT_EQ(live.getUid() + " " + live.getClassName() + " " + live.getType(), "i.1 Item Item");
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(ConversionTest, RequestSideTwinsWriteEveryObjectWithItsOwnFallback) {
  Local::CreateOrUpdateRelationsInfo local;
  local.clientId = "rel-1";
  local.primaryObject = tagOf("i.1");
  local.secondaryObject = deletedTag();
  local.relation = POMRef<ImanRelation>(tagOf("nothing.here"));
  local.userData = NULLTAG;
  const Wire::CreateOrUpdateRelationsInfo wire = Skeleton::toWire(local);
  EXPECT_EQ(wire.getPrimaryObject().getUid(), "i.1");
  EXPECT_EQ(wire.getSecondaryObject().getUid(), "");
  EXPECT_EQ(wire.getRelation().getUid(), "");
  EXPECT_EQ(wire.getUserData().getUid(), "");
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(ConversionTest, ResponseCarriesItsOutputsAndTheConvertedServiceData) {
  Local::ExpandGRMRelationsResponse local;
  Local::ExpandGRMRelationsOutput output;
  output.inputObject = tagOf("f.home");
  local.output.push_back(output);
  local.serviceData.addPlainObject(tagOf("i.1"));
  const Wire::ExpandGRMRelationsResponse wire = Skeleton::toWire(local);
  ASSERT_EQ(wire.getOutputArray().size(), 1u);
  EXPECT_EQ(wire.getOutputArray()[0].getInputObject().getUid(), "f.home");
  ASSERT_EQ(wire.getServiceData().getPlainObjArray().size(), 1u);
  EXPECT_EQ(wire.getServiceData().getPlainObjArray()[0].getUid(), "i.1");
  // inflateProperties ran before the wire data was taken: the plain object is returned.
  EXPECT_EQ(modelUids(wire.getServiceData().getDataObjectArray()), Strings{"i.1"});
}

TEST_F(ConversionTest, ResponseSideTwinsReadBackWhatTheyWrote) {
  const Local::PropDescriptor local{"weight", "Weight", "0",   3,    2,  true, true,
                                    NULLTAG,  true,     false, true, -1, 128,  {"mass", "unit"}};
  const Local::PropDescriptor back = Skeleton::toLocal(Skeleton::toWire(local));
  EXPECT_EQ(back.propName, "weight");
  EXPECT_EQ(back.displayName, "Weight");
  EXPECT_EQ(back.defaultValue, "0");
  EXPECT_EQ(back.propValueType, 3);
  EXPECT_EQ(back.propType, 2);
  EXPECT_TRUE(back.isDisplayable);
  EXPECT_TRUE(back.isArray);
  EXPECT_EQ(back.lov.tag(), NULLTAG);
  EXPECT_TRUE(back.isRequired);
  EXPECT_FALSE(back.isEnabled);
  EXPECT_TRUE(back.isModifiable);
  EXPECT_EQ(back.attachedSpecifier, -1);
  EXPECT_EQ(back.maxLength, 128);
  EXPECT_EQ(back.interdependentProp, (Strings{"mass", "unit"}));
}

}  // namespace
