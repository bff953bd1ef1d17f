// The conversions of the StructureManagement 2007-01 skeleton between wire and local records,
// and the generated wire records themselves.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
#include "framework/xml_stream.h"
#include "host/object/error_store.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"
#include "tests/support/host_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
namespace ModelBase = Korvane::Schemas::Soa::_2006_03::Base;
using Local = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Skeleton = Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton;
using Korvane::Soa::Common::DateTime;
using Korvane::Soa::Common::Exceptions::DomException;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XmlStream;
using soacad_test::ifailOf;
using Strings = std::vector<std::string>;

ModelBase::ModelObject object(const std::string& uid) {
  ModelBase::ModelObject model;
  model.setUid(uid);
  return model;
}

template <class Reference>
std::vector<Tag> tags(const std::vector<Reference>& references) {
  std::vector<Tag> result;
  for (const Reference& reference : references) {
    result.push_back(reference.tag());
    EXPECT_EQ(reference.loadedObject(), nullptr);
  }
  return result;
}

Strings uids(const std::vector<ModelBase::ModelObject>& objects) {
  Strings result;
  for (const ModelBase::ModelObject& model : objects) {
    result.push_back(model.getUid());
  }
  return result;
}

// A record that shows the reference count of its implementation object.
template <class Record>
class CountedRecord : public Record {
 public:
  int count() const { return this->getHandleObject().askRefCount(); }
};

// A record written as a reply writes it.
template <class Record>
std::string xml(const Record& record) {
  XmlStream stream;
  record.outputXML(stream, "record");
  return stream.str();
}

// The wire form of `local`, after checking that it reads back into a local record whose wire
// form is the same.
template <class LocalRecord>
std::string crossedBothWays(const LocalRecord& local) {
  const auto wire = Skeleton::toWire(local);
  const std::string text = xml(wire);
  EXPECT_EQ(xml(Skeleton::toWire(Skeleton::toLocal(wire))), text);
  return text;
}

class StructureConversionTest : public soacad_test::UserTest {
 protected:
  // A tag that names no live object: the object was deleted.
  Tag deletedTag() {
    load(R"(<fixture><object uid="gone" class="Folder" type="Folder"/></fixture>)");
    const Tag tag = tagOf("gone");
    EXPECT_EQ(store().remove(tag), 0);
    return tag;
  }
};

// --- Maps ----------------------------------------------------------------------------------------

TEST_F(StructureConversionTest, ClientIdMapsAreWrittenInAscendingKeyOrder) {
  const auto absOcc = Skeleton::toWireClientIdToAbsOccMap(
      {{"b", POMRef<AbsOccurrence>(tagOf("i.1"))}, {"a", POMRef<AbsOccurrence>(tagOf("f.home"))}});
  ASSERT_EQ(absOcc.size(), 2u);
  EXPECT_EQ(absOcc[0].getKey(), "a");
  EXPECT_EQ(absOcc[0].getValue().getUid(), "f.home");
  EXPECT_EQ(absOcc[1].getKey(), "b");
  EXPECT_EQ(absOcc[1].getValue().getUid(), "i.1");
  EXPECT_TRUE(Skeleton::toWireClientIdToAsmArrMap({}).empty());
  const auto threads = Skeleton::toWireClientIdToPSOccurrenceThreadMap(
      {{"z", POMRef<PSOccurrenceThread>(NULLTAG)},
       {"A", POMRef<PSOccurrenceThread>(tagOf("i.1"))}});
  ASSERT_EQ(threads.size(), 2u);
  EXPECT_EQ(threads[0].getKey(), "A");
  EXPECT_EQ(threads[1].getKey(), "z");
  EXPECT_EQ(threads[1].getValue().getUid(), "");
}

TEST_F(StructureConversionTest, MapValueThatCannotCrossFailsTheWholeConversion) {
  const Tag gone = deletedTag();
  EXPECT_EQ(ifailOf([&] {
              Skeleton::toWireClientIdToAsmArrMap({{"a", POMRef<AssemblyArrangement>(gone)}});
            }),
            7007);
  host::errorStore().clear();
  Local::GetVariantRulesResponse response;
  response.inputItemRevToVarRule[POMRef<ZoltItemRevP>(tagOf("i.1"))] = {POMRef<VariantRule>(gone)};
  EXPECT_EQ(ifailOf([&] { Skeleton::toWire(response); }), 7007);
  host::errorStore().clear();
}

TEST_F(StructureConversionTest, MapsReadBackWithTheLastEntryWinning) {
  std::vector<Wire::ConfigureAttrStatusMap> statuses(3);
  statuses[0].setKey("rule_unit");
  statuses[0].setValue(true);
  statuses[1].setKey("rule_date");
  statuses[1].setValue(true);
  statuses[2].setKey("rule_unit");
  statuses[2].setValue(false);
  EXPECT_EQ(Skeleton::toLocalConfigureAttrStatusMap(statuses),
            (std::map<std::string, bool>{{"rule_date", true}, {"rule_unit", false}}));

  std::vector<Wire::ClientIdToAbsOccMap> absOcc(2);
  absOcc[0].setKey("occ");
  absOcc[0].setValue(object("i.1"));
  absOcc[1].setKey("occ");
  absOcc[1].setValue(object("f.home"));
  const auto local = Skeleton::toLocalClientIdToAbsOccMap(absOcc);
  ASSERT_EQ(local.size(), 1u);
  EXPECT_EQ(local.at("occ").tag(), tagOf("f.home"));
  EXPECT_EQ(local.at("occ").loadedObject(), nullptr);
  EXPECT_TRUE(Skeleton::toLocalClientIdToPSOccurrenceThreadMap({}).empty());
}

TEST_F(StructureConversionTest, VariantRulesMapKeepsRuleOrderAndTheLastListOfAKey) {
  std::vector<Wire::ItemRevisionToVariantRulesMap> wire(3);
  wire[0].setKey(object("i.1"));
  wire[0].setValueArray({object("a"), object("b")});
  wire[1].setKey(object("f.home"));
  wire[1].setValueArray({object("f.home"), object("no.such"), object("i.1")});
  wire[2].setKey(object("i.1"));
  const auto local = Skeleton::toLocalItemRevisionToVariantRulesMap(wire);
  ASSERT_EQ(local.size(), 2u);
  EXPECT_TRUE(local.at(POMRef<ZoltItemRevP>(tagOf("i.1"))).empty());
  EXPECT_EQ(tags(local.at(POMRef<ZoltItemRevP>(tagOf("f.home")))),
            (std::vector<Tag>{tagOf("f.home"), tagOf("no.such"), tagOf("i.1")}));

  // Written back in ascending tag order.
  const auto back = Skeleton::toWireItemRevisionToVariantRulesMap(
      {{POMRef<ZoltItemRevP>(tagOf("f.home")), {POMRef<VariantRule>(tagOf("i.1"))}},
       {POMRef<ZoltItemRevP>(tagOf("i.1")), {}}});
  ASSERT_EQ(back.size(), 2u);
  const bool homeFirst = tagOf("f.home") < tagOf("i.1");
  const auto& home = back[homeFirst ? 0 : 1];
  EXPECT_EQ(home.getKey().getUid(), "f.home");
  EXPECT_EQ(uids(home.getValueArray()), Strings{"i.1"});
  EXPECT_TRUE(back[homeFirst ? 1 : 0].getValueArray().empty());
}

// --- BOMLineFilter -------------------------------------------------------------------------------

TEST_F(StructureConversionTest, FilterTextsBothWays) {
  const Strings texts = {"None", "ExcludeOverridden", "ExcludeICHistory", "ExcludeGDEs",
                         "ExcludeNonZoltItemLines"};
  for (int value = 0; value < 5; ++value) {
    const auto filter = static_cast<Local::BOMLineFilter>(value);
    EXPECT_EQ(Skeleton::toWire(filter), texts[value]);
    EXPECT_EQ(Skeleton::toLocalBOMLineFilter(texts[value]), filter);
  }
}

TEST_F(StructureConversionTest, FilterOutsideTheTableRaisesDomException) {
  auto messageOfText = [](const std::string& text) {
    try {
      Skeleton::toLocalBOMLineFilter(text);
    } catch (DomException& exception) {
      return exception.getMessage();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(messageOfText("excludeGDEs"), "Invalid Enum value: excludeGDEs");
  EXPECT_EQ(messageOfText(""), "Invalid Enum value: ");
  EXPECT_EQ(messageOfText("None "), "Invalid Enum value: None ");
  try {
    Skeleton::toWire(static_cast<Local::BOMLineFilter>(5));
    ADD_FAILURE() << "no exception";
  } catch (DomException& exception) {
    EXPECT_EQ(exception.getMessage(), "Invalid Enum value");
  }
}

TEST_F(StructureConversionTest, ExpansionInfoCarriesItsFilterAndLines) {
  Wire::ExpandPSAllLevelsInfo wire;
  wire.setExcludeFilter("ExcludeGDEs");
  wire.setParentBomLineArray({object("i.1"), object("no.such"), object("")});
  const Local::ExpandPSAllLevelsInfo local = Skeleton::toLocal(wire);
  EXPECT_EQ(local.excludeFilter, Local::ExcludeGDEs);
  EXPECT_EQ(tags(local.parentBomLine), (std::vector<Tag>{tagOf("i.1"), tagOf("no.such"), NULLTAG}));
  EXPECT_EQ(Skeleton::toWire(local).getExcludeFilter(), "ExcludeGDEs");

  Wire::ExpandPSOneLevelInfo noFilter;
  EXPECT_THROW(Skeleton::toLocal(noFilter), DomException);
}

// --- Wire to local -------------------------------------------------------------------------------

TEST_F(StructureConversionTest, BOMWindowInfoKeepsTheConfiguringObjectAsABareTag) {
  Wire::CreateBOMWindowsInfo wire;
  wire.setClientId(" window 1 ");
  wire.setItem(object("i.1"));
  wire.setItemRev(object("no.such"));
  wire.setObjectForConfigure(object("f.home"));
  wire.getRevRuleConfigInfo().setClientId("rule");
  wire.getRevRuleConfigInfo().getProps().setUnitNo(-5);
  wire.getRevRuleConfigInfo().getProps().setToday(true);
  wire.getRevRuleConfigInfo().getProps().setDate(DateTime(2024, 2, 29, 23, 59, 58));
  Wire::OverrideInfo override;
  override.setRuleEntry(object("i.1"));
  override.setFolder(object("f.home"));
  wire.getRevRuleConfigInfo().getProps().addOverrideFolder(override);
  const Local::CreateBOMWindowsInfo local = Skeleton::toLocal(wire);
  EXPECT_EQ(local.clientId, " window 1 ");
  EXPECT_EQ(local.item.tag(), tagOf("i.1"));
  EXPECT_EQ(local.itemRev.tag(), tagOf("no.such"));
  EXPECT_EQ(local.bomView.tag(), NULLTAG);
  EXPECT_EQ(local.objectForConfigure, tagOf("f.home"));
  EXPECT_EQ(local.activeAssemblyArrangement.tag(), NULLTAG);
  EXPECT_EQ(local.item.loadedObject(), nullptr);
  const Local::RevisionRuleEntryProps& props = local.revRuleConfigInfo.props;
  EXPECT_EQ(local.revRuleConfigInfo.clientId, "rule");
  EXPECT_EQ(props.unitNo, -5);
  EXPECT_TRUE(props.today);
  EXPECT_EQ(props.date, (Date{2024, 2, 29, 23, 59, 58}));
  ASSERT_EQ(props.overrideFolder.size(), 1u);
  EXPECT_EQ(props.overrideFolder[0].ruleEntry.tag(), tagOf("i.1"));
  EXPECT_EQ(props.overrideFolder[0].folder.tag(), tagOf("f.home"));
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(StructureConversionTest, AbsoluteStructureInfoConvertsEveryNestedRecordInOrder) {
  Wire::CreateOrUpdateAbsoluteStructureInfo wire;
  wire.setContextItemRev(object("i.1"));
  for (const char* clientId : {"occ-1", "occ-2"}) {
    Wire::AbsOccInfo occurrence;
    occurrence.setClientId(clientId);
    occurrence.setCadOccIdPathArray({"top", clientId});
    Wire::AbsOccDataInfo& data = occurrence.getAbsOccData();
    data.setAsRequired(true);
    data.setOccTransformArray({1, 0, -2.5e-300, 0.1});
    data.setOverridesToRemoveArray({"bl_quantity"});
    Wire::AttributesInfo attribute;
    attribute.setName("bl_sequence_no");
    attribute.setValue(clientId);
    data.addOverridesToSet(attribute);
    Wire::OccNote note;
    note.setNoteType("torque");
    note.setNoteText("12 Nm");
    data.addOccNote(note);
    Wire::AbsOccAttachment attachment;
    attachment.setDataset(object("f.home"));
    attachment.setRelationTypeName("ZOLT_specification");
    data.addAttachment(attachment);
    data.addAttachmentsToUnattach(attachment);
    data.addAttachmentsToUnattach(attachment);
    data.setClientIdOfUsedArrangement("arr-1");
    data.setUsedArr(object("no.such"));
    wire.addBvrAbsOccInfo(occurrence);
  }
  Wire::AssemblyArrangementInfo arrangement;
  arrangement.setClientId("arr-1");
  arrangement.setName("Exploded");
  arrangement.setIsDefault(true);
  arrangement.setExternalUid("ext");
  arrangement.addAbsOccInfo(wire.getBvrAbsOccInfoArray()[0]);
  wire.addArrAbsOccInfo(arrangement);

  const Local::CreateOrUpdateAbsoluteStructureInfo local = Skeleton::toLocal(wire);
  EXPECT_EQ(local.contextItemRev.tag(), tagOf("i.1"));
  ASSERT_EQ(local.bvrAbsOccInfo.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const Local::AbsOccInfo& occurrence = local.bvrAbsOccInfo[i];
    const std::string clientId = i == 0 ? "occ-1" : "occ-2";
    EXPECT_EQ(occurrence.clientId, clientId);
    EXPECT_EQ(occurrence.absOcc.tag(), NULLTAG);
    EXPECT_EQ(occurrence.cadOccIdPath, (Strings{"top", clientId}));
    const Local::AbsOccDataInfo& data = occurrence.absOccData;
    EXPECT_TRUE(data.asRequired);
    EXPECT_EQ(data.occTransform, (std::vector<double>{1, 0, -2.5e-300, 0.1}));
    EXPECT_EQ(data.overridesToRemove, Strings{"bl_quantity"});
    ASSERT_EQ(data.overridesToSet.size(), 1u);
    EXPECT_EQ(data.overridesToSet[0].value, clientId);
    ASSERT_EQ(data.occNote.size(), 1u);
    EXPECT_EQ(data.occNote[0].noteType, "torque");
    EXPECT_EQ(data.occNote[0].noteText, "12 Nm");
    ASSERT_EQ(data.attachment.size(), 1u);
    EXPECT_EQ(data.attachment[0].dataset.tag(), tagOf("f.home"));
    EXPECT_EQ(data.attachment[0].relationTypeName, "ZOLT_specification");
    EXPECT_EQ(data.attachmentsToUnattach.size(), 2u);
    EXPECT_EQ(data.clientIdOfUsedArrangement, "arr-1");
    EXPECT_EQ(data.usedArr.tag(), tagOf("no.such"));
  }
  ASSERT_EQ(local.arrAbsOccInfo.size(), 1u);
  EXPECT_EQ(local.arrAbsOccInfo[0].name, "Exploded");
  EXPECT_TRUE(local.arrAbsOccInfo[0].isDefault);
  EXPECT_EQ(local.arrAbsOccInfo[0].description, "");
  EXPECT_EQ(local.arrAbsOccInfo[0].externalUid, "ext");
  EXPECT_EQ(local.arrAbsOccInfo[0].arrangement.tag(), NULLTAG);
  ASSERT_EQ(local.arrAbsOccInfo[0].absOccInfo.size(), 1u);
  EXPECT_EQ(local.arrAbsOccInfo[0].absOccInfo[0].clientId, "occ-1");
}

TEST_F(StructureConversionTest, RelativeStructureInfoKeepsTransformsAndNotes) {
  Wire::CreateOrUpdateRelativeStructureInfo wire;
  wire.setPrecise(true);
  wire.setParent(object("i.1"));
  Wire::RelativeStructureChildInfo child;
  child.setClientId("c1");
  child.setCadOccId("occ/1");
  child.setChild(object("f.home"));
  child.getOccInfo().setOccTransformArray(std::vector<double>(16, 0.5));
  Wire::OccNote note;
  note.setNoteText("text");
  note.setNoteType("type");
  child.getOccInfo().addOccNote(note);
  wire.addChildInfo(child);
  const Local::CreateOrUpdateRelativeStructureInfo local = Skeleton::toLocal(wire);
  EXPECT_TRUE(local.precise);
  EXPECT_EQ(local.parent.tag(), tagOf("i.1"));
  ASSERT_EQ(local.childInfo.size(), 1u);
  EXPECT_EQ(local.childInfo[0].cadOccId, "occ/1");
  EXPECT_EQ(local.childInfo[0].child.tag(), tagOf("f.home"));
  EXPECT_EQ(local.childInfo[0].occInfo.occTransform, std::vector<double>(16, 0.5));
  ASSERT_EQ(local.childInfo[0].occInfo.occNote.size(), 1u);
  EXPECT_EQ(local.childInfo[0].occInfo.occNote[0].noteType, "type");
  EXPECT_EQ(local.childInfo[0].occInfo.occNote[0].noteText, "text");
}

// --- Local to wire -------------------------------------------------------------------------------

TEST_F(StructureConversionTest, DatasetListDropsElementsThatAreNotObjectsAndClearsTheStore) {
  const Tag gone = deletedTag();
  Local::ExpandPSData local;
  local.bomLine = POMRef<BOMLine>(tagOf("i.1"));
  local.itemRevOfBOMLine = POMRef<>(gone);
  local.dataset = {tagOf("i.1"), gone, tagOf("f.home"), tagOf("u.jdoe"), tagOf("f.newstuff")};
  const Wire::ExpandPSData wire = Skeleton::toWire(local);
  EXPECT_EQ(wire.getBomLine().getUid(), "i.1");
  EXPECT_EQ(wire.getItemRevOfBOMLine().getUid(), "");
  EXPECT_EQ(uids(wire.getDatasetArray()), (Strings{"i.1", "f.home", "u.jdoe", "f.newstuff"}));
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(StructureConversionTest, WindowThatCannotCrossBecomesTheNullModelObjectAndItsLineStays) {
  Local::CreateBOMWindowsResponse local;
  local.output.push_back({"w1", POMRef<>(deletedTag()), POMRef<>(tagOf("i.1"))});
  const Wire::CreateBOMWindowsResponse wire = Skeleton::toWire(local);
  ASSERT_EQ(wire.getOutputArray().size(), 1u);
  EXPECT_EQ(wire.getOutputArray()[0].getClientId(), "w1");
  EXPECT_EQ(wire.getOutputArray()[0].getBomWindow().getUid(), "");
  EXPECT_FALSE(wire.getOutputArray()[0].getBomWindow().isClassNameSet());
  EXPECT_EQ(wire.getOutputArray()[0].getBomLine().getUid(), "i.1");
  EXPECT_EQ(wire.getOutputArray()[0].getBomLine().getClassName(), "Item");
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(StructureConversionTest, RevisionRuleInfoWritesItsStatusesInKeyOrder) {
  Local::GetRevisionRulesResponse local;
  Local::RevisionRuleInfo rule;
  rule.revRule = POMRef<>(tagOf("f.home"));
  rule.hasValueStatus = {{"rule_unit", true}, {"rule_date", false}, {"rule_end_item", true}};
  rule.overrideFolder.push_back({POMRef<>(deletedTag()), POMRef<>(tagOf("f.newstuff"))});
  local.output.push_back(rule);
  local.serviceData.addPlainObject(tagOf("f.home"));
  const Wire::GetRevisionRulesResponse wire = Skeleton::toWire(local);
  ASSERT_EQ(wire.getOutputArray().size(), 1u);
  const Wire::RevisionRuleInfo& info = wire.getOutputArray()[0];
  EXPECT_EQ(info.getRevRule().getUid(), "f.home");
  Strings keys;
  for (const auto& status : info.getHasValueStatuArray()) {
    keys.push_back(status.getKey() + (status.getValue() ? "=1" : "=0"));
  }
  EXPECT_EQ(keys, (Strings{"rule_date=0", "rule_end_item=1", "rule_unit=1"}));
  ASSERT_EQ(info.getOverrideFolderArray().size(), 1u);
  EXPECT_EQ(info.getOverrideFolderArray()[0].getRuleEntry().getUid(), "");
  EXPECT_EQ(info.getOverrideFolderArray()[0].getFolder().getUid(), "f.newstuff");
  // inflateProperties ran before the wire data was taken: the plain object is returned.
  EXPECT_EQ(uids(wire.getServiceData().getDataObjectArray()), Strings{"f.home"});
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(StructureConversionTest, AbsoluteResponseWritesBothMapsInKeyOrder) {
  Local::CreateOrUpdateAbsoluteStructureResponse local;
  local.absOccOutput["b"] = POMRef<AbsOccurrence>(tagOf("i.1"));
  local.absOccOutput["a"] = POMRef<AbsOccurrence>(tagOf("f.home"));
  local.asmArrOutput["arr"] = POMRef<AssemblyArrangement>(tagOf("f.newstuff"));
  const Wire::CreateOrUpdateAbsoluteStructureResponse wire = Skeleton::toWire(local);
  ASSERT_EQ(wire.getAbsOccOutputArray().size(), 2u);
  EXPECT_EQ(wire.getAbsOccOutputArray()[0].getKey(), "a");
  EXPECT_EQ(wire.getAbsOccOutputArray()[1].getKey(), "b");
  ASSERT_EQ(wire.getAsmArrOutputArray().size(), 1u);
  EXPECT_EQ(wire.getAsmArrOutputArray()[0].getValue().getUid(), "f.newstuff");
}

TEST_F(StructureConversionTest, ResponsesWithOnlyServiceDataConvertIt) {
  Local::CloseBOMWindowsResponse closed;
  closed.serviceData.addPlainObject(tagOf("i.1"));
  EXPECT_EQ(Skeleton::toWire(closed).getServiceData().getPlainObjArray().size(), 1u);
  EXPECT_TRUE(Skeleton::toWire(Local::DeleteRelativeStructureResponse())
                  .getServiceData()
                  .getPlainObjArray()
                  .empty());
  EXPECT_TRUE(Skeleton::toWire(Local::DeleteAssemblyArrangementsResponse())
                  .getServiceData()
                  .getPartialErrorArray()
                  .empty());
  EXPECT_TRUE(Skeleton::toWire(Local::ExpandPSAllLevelsResponse()).getOutputArray().empty());
}

TEST_F(StructureConversionTest, RuleEntryPropsReadBackWhatTheyWrote) {
  Local::RevisionRuleEntryProps local;
  local.unitNo = -1;
  local.date = Date{1999, 12, 31, 0, 0, 1};
  local.today = true;
  local.endItem = POMRef<>(tagOf("i.1"));
  local.overrideFolder.push_back({POMRef<>(tagOf("f.home")), POMRef<>(NULLTAG)});
  Wire::RevisionRuleEntryProps wire = Skeleton::toWire(local);
  EXPECT_EQ(wire.getDate(), DateTime(1999, 12, 31, 0, 0, 1));
  const Local::RevisionRuleEntryProps back = Skeleton::toLocal(wire);
  EXPECT_EQ(back.unitNo, -1);
  EXPECT_EQ(back.date, local.date);
  EXPECT_TRUE(back.today);
  EXPECT_EQ(back.endItem.tag(), tagOf("i.1"));
  EXPECT_EQ(back.endItemRevision.tag(), NULLTAG);
  ASSERT_EQ(back.overrideFolder.size(), 1u);
  EXPECT_EQ(back.overrideFolder[0].ruleEntry.tag(), tagOf("f.home"));

  // The "no date" value crosses as the host's null date.
  Wire::RevisionRuleEntryProps undated;
  EXPECT_TRUE(Skeleton::toLocal(undated).date.isNull());
}

// Each record is filled with a distinct value in every field: each value shows in its wire form,
// and the wire form reads back into the same local record.
TEST_F(StructureConversionTest, EveryFieldOfEveryRecordCrossesBothWays) {
  const POMRef<> item(tagOf("i.1"));
  const POMRef<> home(tagOf("f.home"));
  const POMRef<> newstuff(tagOf("f.newstuff"));
  const POMRef<> user(tagOf("u.jdoe"));
  std::vector<std::pair<std::string, Strings>> cases;

  Local::AbsOccDataInfo data{{{"set-name", "set-value"}},
                             {"removed"},
                             true,
                             {0.25, -8},
                             {{"note-type", "note-text"}},
                             {{home, "attach-relation"}},
                             {{newstuff, "unattach-relation"}},
                             "used-client-id",
                             user};
  const Local::AbsOccInfo occurrence{
      "occ-client-id", POMRef<AbsOccurrence>(item.tag()), {"path-1", "path-2"}, data};
  const Local::AssemblyArrangementInfo arrangement{
      "arr-client-id",   POMRef<AssemblyArrangement>(home.tag()),
      "arr-name",        true,
      "arr-description", "arr-external",
      {occurrence}};
  cases.push_back({crossedBothWays(Local::CreateOrUpdateAbsoluteStructureInfo{
                       item, {occurrence}, {arrangement}}),
                   {"set-name", "set-value", "removed", "0.25", "-8", "note-type", "note-text",
                    "attach-relation", "unattach-relation", "used-client-id", "occ-client-id",
                    "path-1", "path-2", "arr-client-id", "arr-name", "arr-description",
                    "arr-external", "u.jdoe", "f.newstuff"}});
  cases.push_back(
      {crossedBothWays(Local::CreateOrUpdateAbsoluteStructurePref{"abs-attr"}), {"abs-attr"}});
  cases.push_back({crossedBothWays(Local::DeleteAssemblyArrangementsInfo{item, {home, newstuff}}),
                   {"i.1", "f.home", "f.newstuff"}});

  const Local::RelOccInfo occInfo{
      {{"rel-name", "rel-value"}}, true, {1.5}, {{"rel-note-type", "rel-note-text"}}};
  cases.push_back({crossedBothWays(Local::CreateOrUpdateRelativeStructureInfo{
                       item, {{"child-client-id", "cad-occ-id", home, occInfo}}, true}),
                   {"rel-name", "rel-value", "1.5", "rel-note-type", "rel-note-text",
                    "child-client-id", "cad-occ-id", "f.home", "i.1"}});
  cases.push_back(
      {crossedBothWays(Local::CreateOrUpdateRelativeStructurePref{"rel-attr", {"item-type"}}),
       {"rel-attr", "item-type"}});
  cases.push_back({crossedBothWays(Local::DeleteRelativeStructureInfo{item, {"deleted-occ"}}),
                   {"i.1", "deleted-occ"}});
  cases.push_back(
      {crossedBothWays(Local::DeleteRelativeStructurePref{"delete-attr"}), {"delete-attr"}});

  const Local::RevisionRuleEntryProps props{7,    Date{2023, 4, 5, 6, 7, 8}, true, item,
                                            home, {{newstuff, user}}};
  cases.push_back({crossedBothWays(Local::CreateBOMWindowsInfo{"window-client-id",
                                                               item,
                                                               home,
                                                               newstuff,
                                                               {"rule-client-id", user, props},
                                                               user.tag(),
                                                               item}),
                   {"window-client-id", "rule-client-id", "\"7\"", "2023", "i.1", "f.home",
                    "f.newstuff", "u.jdoe"}});
  cases.push_back(
      {crossedBothWays(Local::CreateBOMWindowsOutput{"output-client-id", home, newstuff}),
       {"output-client-id", "f.home", "f.newstuff"}});
  cases.push_back(
      {crossedBothWays(Local::RevisionRuleInfo{user, {{"rule_end_item", true}}, {{item, home}}}),
       {"u.jdoe", "rule_end_item", "i.1", "f.home"}});

  const Local::ExpandPSOneLevelPref pref{true, {{"relation-name", {"type-1", "type-2"}}}};
  cases.push_back({crossedBothWays(pref), {"relation-name", "type-1", "type-2"}});
  cases.push_back({crossedBothWays(Local::ExpandPSAllLevelsPref{pref.expItemRev, pref.info}),
                   {"relation-name", "type-1", "type-2"}});
  cases.push_back({crossedBothWays(Local::ExpandPSOneLevelInfo{{POMRef<BOMLine>(item.tag())},
                                                               Local::ExcludeNonZoltItemLines}),
                   {"ExcludeNonZoltItemLines", "i.1"}});
  cases.push_back({crossedBothWays(Local::ExpandPSAllLevelsInfo{{POMRef<BOMLine>(home.tag())},
                                                                Local::ExcludeICHistory}),
                   {"ExcludeICHistory", "f.home"}});
  const Local::ExpandPSParentData parent{POMRef<BOMLine>(item.tag()), home, {newstuff}};
  const Local::ExpandPSData child{POMRef<BOMLine>(user.tag()), newstuff, {home, item}};
  cases.push_back({crossedBothWays(Local::ExpandPSOneLevelOutput{parent, {child}}),
                   {"i.1", "f.home", "f.newstuff", "u.jdoe"}});
  cases.push_back({crossedBothWays(Local::ExpandPSAllLevelsOutput{parent, {child, child}}),
                   {"i.1", "f.home", "f.newstuff", "u.jdoe"}});

  for (const auto& testCase : cases) {
    for (const std::string& marker : testCase.second) {
      EXPECT_NE(testCase.first.find(marker), std::string::npos)
          << marker << " in " << testCase.first;
    }
    // Every flag was set.
    EXPECT_EQ(testCase.first.find("\"false\""), std::string::npos) << testCase.first;
  }
  EXPECT_TRUE(host::errorStore().empty());
}

// --- The generated wire records --------------------------------------------------------------

TEST(StructureManagementWireRecords, EveryTypeIsWrittenAndParsedBackUnchanged) {
  const std::vector<WireRecordType>& types = Wire::recordTypes();
  EXPECT_EQ(types.size(), 55u);
  std::set<std::string> names;
  for (const WireRecordType& type : types) {
    names.insert(type.name);
    SAXToNodeParser parser;
    EXPECT_EQ(type.reparse(parser.parseString(type.sample), type.name), type.sample) << type.name;
  }
  EXPECT_EQ(names.size(), 55u);
}

// An implementation object's copy shares its record fields with the source, but not its lists.
TEST(StructureManagementWireRecords, ImplementationCopiesShareRecordFieldsButNotLists) {
  Wire::AbsOccInfoImpl occurrence;
  occurrence.addCadOccIdPath("top");
  Wire::AbsOccInfoImpl occurrenceCopy(occurrence);
  occurrence.getAbsOccData().addOverridesToRemove("bl_quantity");
  EXPECT_EQ(occurrenceCopy.getAbsOccData().getOverridesToRemoveArray(), Strings{"bl_quantity"});
  occurrenceCopy.addCadOccIdPath("child");
  EXPECT_EQ(occurrence.getCadOccIdPathArray(), Strings{"top"});
  EXPECT_EQ(occurrenceCopy.getCadOccIdPathArray(), (Strings{"top", "child"}));

  Wire::ExpandPSOneLevelInputImpl input;
  Wire::ExpandPSOneLevelInputImpl inputCopy(input);
  inputCopy.getPref().setExpItemRev(true);
  EXPECT_TRUE(input.getPref().getExpItemRev());
  inputCopy.setPref(Wire::ExpandPSOneLevelPref());
  inputCopy.getPref().addInfo(Wire::RelationAndTypesFilter());
  EXPECT_TRUE(input.getPref().getExpItemRev());
  EXPECT_TRUE(input.getPref().getInfoArray().empty());
  EXPECT_FALSE(inputCopy.getPref().getExpItemRev());
}

TEST(StructureManagementWireRecords, ListsKeepTheOrderOfAdditionAndDatesAreCopies) {
  Wire::ExpandPSOneLevelOutput output;
  std::vector<Wire::ExpandPSData> children(3);
  children[0].setBomLine(object("first"));
  children[1].setBomLine(object("second"));
  children[2].setBomLine(object("third"));
  output.setChildrenArray({children[0], children[1]});
  output.addChildren(children[2]);
  Strings lines;
  for (const Wire::ExpandPSData& child : output.getChildrenArray()) {
    lines.push_back(child.getBomLine().getUid());
  }
  EXPECT_EQ(lines, (Strings{"first", "second", "third"}));

  Wire::RevisionRuleInfo rule;
  for (const char* key : {"rule_unit", "rule_date", "rule_end_item"}) {
    Wire::ConfigureAttrStatusMap status;
    status.setKey(key);
    rule.addHasValueStatu(status);
  }
  Strings keys;
  for (const Wire::ConfigureAttrStatusMap& status : rule.getHasValueStatuArray()) {
    keys.push_back(status.getKey());
  }
  EXPECT_EQ(keys, (Strings{"rule_unit", "rule_date", "rule_end_item"}));

  Wire::RelOccInfo occurrence;
  occurrence.setOccTransformArray({});
  EXPECT_TRUE(occurrence.getOccTransformArray().empty());
  occurrence.addOccTransform(0.5);
  occurrence.addOccTransform(-2);
  EXPECT_EQ(occurrence.getOccTransformArray(), (std::vector<double>{0.5, -2}));

  Wire::RevisionRuleEntryProps props;
  DateTime date(2024, 1, 2, 3, 4, 5);
  props.setDate(date);
  date = DateTime(1999, 12, 31, 0, 0, 0);
  DateTime read = props.getDate();
  read = DateTime(2000, 1, 1, 0, 0, 0);
  EXPECT_EQ(props.getDate(), DateTime(2024, 1, 2, 3, 4, 5));
}

TEST(StructureManagementWireRecords, CopiesAndSelfAssignmentKeepTheCount) {
  CountedRecord<Wire::CreateBOMWindowsInfo> record;
  record.setClientId("window");
  { const Wire::CreateBOMWindowsInfo copy(record); }
  EXPECT_EQ(record.count(), 1);
  const Wire::CreateBOMWindowsInfo other(record);
  Wire::CreateBOMWindowsInfo& alias = record;
  alias = record;
  EXPECT_EQ(record.count(), 2);
  EXPECT_EQ(other.getClientId(), "window");
}

}  // namespace
