// The conversions of the StructureManagement 2007-01 skeleton between wire and local records,
// and the generated wire records of the three services. The rules by field kind are shared with the
// DataManagement skeleton and tested with it; these tests check that every field of every record
// reaches its own place, and what is particular to this service (maps, filters, dates).
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"
#include "host/object/error_store.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Local = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Skeleton = Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton;
using Korvane::Soa::Common::Exceptions::DomException;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XmlStream;
using soacad_test::domMessageOf;
using soacad_test::ifailOf;
using soacad_test::modelObject;
using soacad_test::modelUids;
using Strings = std::vector<std::string>;

// A record written as a reply writes it, its model objects by UID only.
template <class Record>
std::string xml(const Record& record) {
  XmlStream stream;
  record.outputXML(stream, "record");
  return std::regex_replace(stream.str(), std::regex(R"( className="[^"]*" type="[^"]*")"), "");
}

// A wire map entry.
template <class Entry, class Value>
Entry entry(const std::string& key, const Value& value) {
  Entry result;
  result.setKey(key);
  result.setValue(value);
  return result;
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

// The UIDs of the plain objects and of the data objects that a response carries when its local
// service data holds `object` as a plain object.
template <class LocalResponse>
Strings serviceDataAfterCrossing(Tag object) {
  LocalResponse local;
  local.serviceData.addPlainObject(object);
  const auto wire = Skeleton::toWire(local).getServiceData();
  Strings uids;
  for (const auto& plain : wire.getPlainObjArray()) {
    uids.push_back("plain " + plain.getUid());
  }
  for (const auto& data : wire.getDataObjectArray()) {
    uids.push_back("data " + data.getUid());
  }
  return uids;
}

// Twelve folders o.1 ... o.12 on top of the user fixture, so that every object field of a record
// can name an object of its own.
class StructureConversionTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    std::string folders = "<fixture>";
    for (int i = 1; i <= 12; ++i) {
      folders += "<object uid=\"o." + std::to_string(i) + "\" class=\"Folder\" type=\"Folder\"/>";
    }
    load(folders + "</fixture>");
  }
  POMRef<> o(int i) { return POMRef<>(tagOf("o." + std::to_string(i))); }
};

// --- Maps ----------------------------------------------------------------------------------------

TEST_F(StructureConversionTest, ClientIdMapsAreWrittenInAscendingKeyOrder) {
  const auto absOcc = Skeleton::toWireClientIdToAbsOccMap(
      {{"b", POMRef<AbsOccurrence>(tagOf("i.1"))}, {"a", POMRef<AbsOccurrence>(tagOf("f.home"))}});
  EXPECT_EQ(soacad_test::mapEntries(absOcc), (Strings{"a=f.home", "b=i.1"}));
  EXPECT_TRUE(Skeleton::toWireClientIdToAsmArrMap({}).empty());
  const auto threads = Skeleton::toWireClientIdToPSOccurrenceThreadMap(
      {{"z", POMRef<PSOccurrenceThread>(NULLTAG)},
       {"A", POMRef<PSOccurrenceThread>(tagOf("i.1"))}});
  EXPECT_EQ(soacad_test::mapEntries(threads), (Strings{"A=i.1", "z="}));
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
  using Status = Wire::ConfigureAttrStatusMap;
  EXPECT_EQ(Skeleton::toLocalConfigureAttrStatusMap({entry<Status>("rule_unit", true),
                                                     entry<Status>("rule_date", true),
                                                     entry<Status>("rule_unit", false)}),
            (std::map<std::string, bool>{{"rule_date", true}, {"rule_unit", false}}));
  const auto local = Skeleton::toLocalClientIdToAbsOccMap(
      {entry<Wire::ClientIdToAbsOccMap>("occ", modelObject("i.1")),
       entry<Wire::ClientIdToAbsOccMap>("occ", modelObject("f.home"))});
  ASSERT_EQ(local.size(), 1u);
  EXPECT_EQ(local.at("occ").tag(), tagOf("f.home"));
  EXPECT_EQ(local.at("occ").loadedObject(), nullptr);
  EXPECT_TRUE(Skeleton::toLocalClientIdToPSOccurrenceThreadMap({}).empty());
}

TEST_F(StructureConversionTest, VariantRulesMapKeepsRuleOrderAndTheLastListOfAKey) {
  std::vector<Wire::ItemRevisionToVariantRulesMap> wire(3);
  wire[0].setKey(modelObject("i.1"));
  wire[0].setValueArray({modelObject("a"), modelObject("b")});
  wire[1].setKey(modelObject("f.home"));
  wire[1].setValueArray({modelObject("f.home"), modelObject("no.such"), modelObject("i.1")});
  wire[2].setKey(modelObject("i.1"));
  const auto local = Skeleton::toLocalItemRevisionToVariantRulesMap(wire);
  ASSERT_EQ(local.size(), 2u);
  EXPECT_TRUE(local.at(POMRef<ZoltItemRevP>(tagOf("i.1"))).empty());
  std::vector<Tag> rules;
  for (const auto& rule : local.at(POMRef<ZoltItemRevP>(tagOf("f.home")))) {
    rules.push_back(rule.tag());
    EXPECT_EQ(rule.loadedObject(), nullptr);
  }
  EXPECT_EQ(rules, (std::vector<Tag>{tagOf("f.home"), tagOf("no.such"), tagOf("i.1")}));

  // Written back in ascending tag order.
  const auto back = Skeleton::toWireItemRevisionToVariantRulesMap(
      {{POMRef<ZoltItemRevP>(tagOf("f.home")), {POMRef<VariantRule>(tagOf("i.1"))}},
       {POMRef<ZoltItemRevP>(tagOf("i.1")), {}}});
  ASSERT_EQ(back.size(), 2u);
  const bool homeFirst = tagOf("f.home") < tagOf("i.1");
  const auto& home = back[homeFirst ? 0 : 1];
  EXPECT_EQ(home.getKey().getUid(), "f.home");
  EXPECT_EQ(modelUids(home.getValueArray()), Strings{"i.1"});
  EXPECT_TRUE(back[homeFirst ? 1 : 0].getValueArray().empty());
}

// --- BOMLineFilter and dates -------------------------------------------------------------------

TEST_F(StructureConversionTest, FilterTextsBothWaysAndNoOtherText) {
  const Strings texts = {"None", "ExcludeOverridden", "ExcludeICHistory", "ExcludeGDEs",
                         "ExcludeNonZoltItemLines"};
  for (int value = 0; value < 5; ++value) {
    const auto filter = static_cast<Local::BOMLineFilter>(value);
    EXPECT_EQ(Skeleton::toWire(filter), texts[value]);
    EXPECT_EQ(Skeleton::toLocalBOMLineFilter(texts[value]), filter);
  }
  for (const std::string text : {"excludeGDEs", "", "None "}) {
    EXPECT_EQ(domMessageOf([&] { Skeleton::toLocalBOMLineFilter(text); }),
              "Invalid Enum value: " + text);
  }
  EXPECT_EQ(domMessageOf([] { Skeleton::toWire(static_cast<Local::BOMLineFilter>(5)); }),
            "Invalid Enum value");
  // An expansion input without a filter has none of the texts.
  EXPECT_THROW(Skeleton::toLocal(Wire::ExpandPSOneLevelInfo()), DomException);
}

TEST_F(StructureConversionTest, TheNoDateValueCrossesAsTheHostsNullDate) {
  EXPECT_TRUE(Skeleton::toLocal(Wire::RevisionRuleEntryProps()).date.isNull());
  Local::RevisionRuleEntryProps undated;
  EXPECT_EQ(Skeleton::toLocal(Skeleton::toWire(undated)).date, undated.date);
}

// --- Every record --------------------------------------------------------------------------------

// Each record is filled with a distinct value in every field; its wire form shows each value in
// the field's own place, and reads back into the same local record.
TEST_F(StructureConversionTest, EveryFieldOfEveryRecordCrossesBothWays) {
  const Local::AbsOccDataInfo data{{{"set-name", "set-value"}},
                                   {"removed"},
                                   true,
                                   {0.25, -8},
                                   {{"note-type", "note-text"}},
                                   {{o(3), "attach"}},
                                   {{o(4), "unattach"}},
                                   "used-arr",
                                   o(5)};
  const Local::AbsOccInfo occurrence{"occ", POMRef<AbsOccurrence>(o(2).tag()), {"p1", "p2"}, data};
  Local::AbsOccInfo arrangementOccurrence;
  arrangementOccurrence.clientId = "arr-occ";
  const Local::AssemblyArrangementInfo arrangement{"arr",
                                                   POMRef<AssemblyArrangement>(o(6).tag()),
                                                   "arr-name",
                                                   true,
                                                   "arr-description",
                                                   "arr-external",
                                                   {arrangementOccurrence}};
  EXPECT_EQ(
      crossedBothWays(
          Local::CreateOrUpdateAbsoluteStructureInfo{o(1), {occurrence}, {arrangement}}),
      R"(<record><contextItemRev uid="o.1"/><bvrAbsOccInfo clientId="occ"><absOcc uid="o.2"/>)"
      R"(<cadOccIdPath>p1</cadOccIdPath><cadOccIdPath>p2</cadOccIdPath>)"
      R"(<absOccData asRequired="true" clientIdOfUsedArrangement="used-arr">)"
      R"(<overridesToSet name="set-name" value="set-value"/>)"
      R"(<overridesToRemove>removed</overridesToRemove>)"
      R"(<occTransform>0.25</occTransform><occTransform>-8</occTransform>)"
      R"(<occNote noteText="note-text" noteType="note-type"/>)"
      R"(<attachment relationTypeName="attach"><dataset uid="o.3"/></attachment>)"
      R"(<attachmentsToUnattach relationTypeName="unattach"><dataset uid="o.4"/>)"
      R"(</attachmentsToUnattach><usedArr uid="o.5"/></absOccData></bvrAbsOccInfo>)"
      R"(<arrAbsOccInfo clientId="arr" name="arr-name" description="arr-description" )"
      R"(isDefault="true" externalUid="arr-external"><arrangement uid="o.6"/>)"
      R"(<absOccInfo clientId="arr-occ"><absOcc uid=""/><absOccData asRequired="false" )"
      R"(clientIdOfUsedArrangement=""><usedArr uid=""/></absOccData></absOccInfo>)"
      R"(</arrAbsOccInfo></record>)");
  EXPECT_EQ(crossedBothWays(Local::CreateOrUpdateAbsoluteStructurePref{"abs-attr"}),
            R"(<record cadOccIdAttrName="abs-attr"/>)");
  EXPECT_EQ(crossedBothWays(Local::DeleteAssemblyArrangementsInfo{o(1), {o(2), o(3)}}),
            R"(<record><itemRev uid="o.1"/><arrangement uid="o.2"/><arrangement uid="o.3"/>)"
            R"(</record>)");

  const Local::RelOccInfo occInfo{{{"name", "value"}}, true, {1.5}, {{"type", "text"}}};
  EXPECT_EQ(crossedBothWays(Local::CreateOrUpdateRelativeStructureInfo{
                o(1), {{"child", "cad-occ-id", o(2), occInfo}}, true}),
            R"(<record precise="true"><parent uid="o.1"/><childInfo clientId="child" )"
            R"(cadOccId="cad-occ-id"><child uid="o.2"/><occInfo asRequired="true">)"
            R"(<attrsToSet name="name" value="value"/><occTransform>1.5</occTransform>)"
            R"(<occNote noteText="text" noteType="type"/></occInfo></childInfo></record>)");
  EXPECT_EQ(crossedBothWays(Local::CreateOrUpdateRelativeStructurePref{"rel-attr", {"type"}}),
            R"(<record cadOccIdAttrName="rel-attr"><itemType>type</itemType></record>)");
  EXPECT_EQ(crossedBothWays(Local::DeleteRelativeStructureInfo{o(1), {"occ-id"}}),
            R"(<record><parent uid="o.1"/><childInfo>occ-id</childInfo></record>)");
  EXPECT_EQ(crossedBothWays(Local::DeleteRelativeStructurePref{"delete-attr"}),
            R"(<record cadOccIdAttrName="delete-attr"/>)");

  const Local::RevisionRuleEntryProps props{
      -7, Date{2023, 4, 5, 6, 7, 8}, true, o(5), o(6), {{o(7), o(8)}}};
  EXPECT_EQ(
      crossedBothWays(Local::CreateBOMWindowsInfo{
          "window", o(1), o(2), o(3), {"rule", o(4), props}, o(9).tag(), o(10)}),
      R"(<record clientId="window"><item uid="o.1"/><itemRev uid="o.2"/><bomView uid="o.3"/>)"
      R"(<revRuleConfigInfo clientId="rule"><revRule uid="o.4"/>)"
      R"(<props today="true" date="2023-04-05T06:07:08" unitNo="-7"><endItem uid="o.5"/>)"
      R"(<endItemRevision uid="o.6"/><overrideFolder><ruleEntry uid="o.7"/><folder uid="o.8"/>)"
      R"(</overrideFolder></props></revRuleConfigInfo><objectForConfigure uid="o.9"/>)"
      R"(<activeAssemblyArrangement uid="o.10"/></record>)");
  EXPECT_EQ(crossedBothWays(Local::CreateBOMWindowsOutput{"output", o(1), o(2)}),
            R"(<record clientId="output"><bomWindow uid="o.1"/><bomLine uid="o.2"/></record>)");
  EXPECT_EQ(crossedBothWays(Local::RevisionRuleInfo{
                o(1),
                {{"rule_unit", true}, {"rule_date", false}, {"rule_end_item", true}},
                {{o(2), o(3)}}}),
            R"(<record><revRule uid="o.1"/><hasValueStatu key="rule_date" value="false"/>)"
            R"(<hasValueStatu key="rule_end_item" value="true"/>)"
            R"(<hasValueStatu key="rule_unit" value="true"/><overrideFolder>)"
            R"(<ruleEntry uid="o.2"/><folder uid="o.3"/></overrideFolder></record>)");

  const Local::ExpandPSOneLevelPref pref{true, {{"relation", {"type-1", "type-2"}}}};
  const std::string prefText =
      R"(<record expItemRev="true"><info relationName="relation"><relationTypeName>type-1)"
      R"(</relationTypeName><relationTypeName>type-2</relationTypeName></info></record>)";
  EXPECT_EQ(crossedBothWays(pref), prefText);
  EXPECT_EQ(crossedBothWays(Local::ExpandPSAllLevelsPref{pref.expItemRev, pref.info}), prefText);
  EXPECT_EQ(crossedBothWays(Local::ExpandPSOneLevelInfo{{POMRef<BOMLine>(o(1).tag())},
                                                        Local::ExcludeNonZoltItemLines}),
            R"(<record excludeFilter="ExcludeNonZoltItemLines"><parentBomLine uid="o.1"/>)"
            R"(</record>)");
  EXPECT_EQ(crossedBothWays(Local::ExpandPSAllLevelsInfo{{POMRef<BOMLine>(o(2).tag())},
                                                         Local::ExcludeICHistory}),
            R"(<record excludeFilter="ExcludeICHistory"><parentBomLine uid="o.2"/></record>)");
  const Local::ExpandPSParentData parent{POMRef<BOMLine>(o(1).tag()), o(2), {o(3)}};
  const Local::ExpandPSData child{POMRef<BOMLine>(o(4).tag()), o(5), {o(6), o(7)}};
  const std::string parentText =
      R"(<parent><bomLine uid="o.1"/><itemRevOfBOMLine uid="o.2"/><parentDataset uid="o.3"/>)"
      R"(</parent>)";
  const std::string childText =
      R"(<children><bomLine uid="o.4"/><itemRevOfBOMLine uid="o.5"/><dataset uid="o.6"/>)"
      R"(<dataset uid="o.7"/></children>)";
  EXPECT_EQ(crossedBothWays(Local::ExpandPSOneLevelOutput{parent, {child}}),
            "<record>" + parentText + childText + "</record>");
  EXPECT_EQ(crossedBothWays(Local::ExpandPSAllLevelsOutput{parent, {child, child}}),
            "<record>" + parentText + childText + childText + "</record>");
  EXPECT_TRUE(host::errorStore().empty());
}

TEST_F(StructureConversionTest, ObjectsThatCannotCrossAreLeftOutOfListsOrBecomeTheNullObject) {
  const Tag gone = deletedTag();
  const Local::ExpandPSData local{POMRef<BOMLine>(tagOf("i.1")),
                                  POMRef<>(gone),
                                  {tagOf("i.1"), gone, tagOf("f.home"), tagOf("u.jdoe")}};
  const Wire::ExpandPSData wire = Skeleton::toWire(local);
  EXPECT_EQ(wire.getBomLine().getUid(), "i.1");
  EXPECT_EQ(wire.getItemRevOfBOMLine().getUid(), "");
  EXPECT_FALSE(wire.getItemRevOfBOMLine().isClassNameSet());
  EXPECT_EQ(modelUids(wire.getDatasetArray()), (Strings{"i.1", "f.home", "u.jdoe"}));
  EXPECT_TRUE(host::errorStore().empty());
}

// Each response gathers the host's notifications and fills in the returned objects' properties
// before its wire service data is taken: the plain object comes back as a data object too.
TEST_F(StructureConversionTest, EveryResponseCarriesItsServiceData) {
  const Tag item = tagOf("i.1");
  for (const Strings& crossed :
       {serviceDataAfterCrossing<Local::ExpandPSOneLevelResponse>(item),
        serviceDataAfterCrossing<Local::ExpandPSAllLevelsResponse>(item),
        serviceDataAfterCrossing<Local::CreateBOMWindowsResponse>(item),
        serviceDataAfterCrossing<Local::CloseBOMWindowsResponse>(item),
        serviceDataAfterCrossing<Local::GetRevisionRulesResponse>(item),
        serviceDataAfterCrossing<Local::GetVariantRulesResponse>(item),
        serviceDataAfterCrossing<Local::CreateOrUpdateRelativeStructureResponse>(item),
        serviceDataAfterCrossing<Local::DeleteRelativeStructureResponse>(item),
        serviceDataAfterCrossing<Local::CreateOrUpdateAbsoluteStructureResponse>(item),
        serviceDataAfterCrossing<Local::DeleteAssemblyArrangementsResponse>(item)}) {
    EXPECT_EQ(crossed, (Strings{"plain i.1", "data i.1"}));
  }
}

// --- The generated wire records --------------------------------------------------------------

// Every record type of the three services writes its sample as it read it.
TEST(ServiceWireRecords, EveryTypeIsWrittenAndParsedBackUnchanged) {
  const struct {
    const std::vector<WireRecordType>& types;
    std::size_t count;
  } services[] = {{Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes(), 57},
                  {Wire::recordTypes(), 55},
                  {Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes(), 4}};
  for (const auto& service : services) {
    EXPECT_EQ(service.types.size(), service.count);
    std::set<std::string> names;
    for (const WireRecordType& type : service.types) {
      names.insert(type.name);
      SAXToNodeParser parser;
      EXPECT_EQ(type.reparse(parser.parseString(type.sample), type.name), type.sample) << type.name;
    }
    EXPECT_EQ(names.size(), service.count);
  }
}

}  // namespace
