// The conversions of the three skeletons between wire and local records: every field of every
// record reaches its own place both ways, objects that cannot cross, maps, enumerations, dates and
// the service data of every response.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"
#include "host/object/error_store.h"
#include "skeletons/datamanagement/data_management_iiop_skeleton.h"
#include "skeletons/request_handler.h"
#include "skeletons/structuremanagement/structure_management_2007_06_iiop_skeleton.h"
#include "skeletons/structuremanagement/structure_management_iiop_skeleton.h"
#include "tests/support/service_fixture.h"

namespace {

namespace DmWire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace SmWire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
namespace CrWire = Korvane::Schemas::Cad::_2007_06::Structuremanagement;
using DmLocal = Korvane::Soa::Cad::_2007_01::DataManagement;
using SmLocal = Korvane::Soa::Cad::_2007_01::StructureManagement;
using Dm = Korvane::Services::Cad::_2007_01::DataManagementIiopSkeleton;
using Sm = Korvane::Services::Cad::_2007_01::StructureManagementIiopSkeleton;
using Cr = Korvane::Services::Cad::_2007_06::StructureManagementIiopSkeleton;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlStream;
using soacad_test::domMessageOf;
using soacad_test::ifailOf;
using soacad_test::modelObject;
using soacad_test::modelUids;
using Strings = std::vector<std::string>;

// A written record in a form to compare: every model object (an element with a uid) by its UID
// only, since its class, type and properties are the store's, not the record's.
void canonical(const XMLNode& node, std::string& out) {
  out += "<" + node.name();
  if (const std::string_view* uid = node.attr("uid")) {
    out += " uid=" + std::string(*uid) + "/>";
    return;
  }
  for (const XMLNode::Attribute& attribute : node.attributes()) {
    out += " " + *attribute.name + "=" + std::string(attribute.value);
  }
  out += ">" + node.text();
  for (const XMLNode* child : node.children()) {
    canonical(*child, out);
  }
  out += "</" + node.name() + ">";
}

template <class Record>
std::string canonical(const Record& record) {
  XmlStream stream;
  record.outputXML(stream, "record");
  SAXToNodeParser parser;
  std::string out;
  canonical(parser.parseString(stream.str()), out);
  return out;
}

// The sample of the record `name` read into its wire record. A filter text the sample cannot
// know is made a valid one.
template <class WireRecord>
WireRecord sampleRecord(const std::vector<WireRecordType>& types, const std::string& name) {
  std::string sample;
  for (const WireRecordType& type : types) {
    sample = name == type.name ? type.sample : sample;
  }
  const std::string filter = "excludeFilter=\"";
  for (std::size_t at = sample.find(filter); at != std::string::npos;
       at = sample.find(filter, at + 1)) {
    const std::size_t from = at + filter.size();
    sample.replace(from, sample.find('"', from) - from, "ExcludeGDEs");
  }
  SAXToNodeParser parser;
  WireRecord wire;
  wire.parse(parser.parseString(sample));
  return wire;
}

// The record's sample crossed to the local record and back; the comparable forms of the sample
// and of what came back.
template <class Skeleton, class WireRecord>
std::pair<std::string, std::string> crossed(const std::vector<WireRecordType>& types,
                                            const std::string& name) {
  const WireRecord wire = sampleRecord<WireRecord>(types, name);
  return {canonical(wire), canonical(Skeleton::toWire(Skeleton::toLocal(wire)))};
}

using Crossing = std::pair<std::string, std::string> (*)(const std::vector<WireRecordType>&,
                                                         const std::string&);

// The objects the samples name, so that each crosses as itself.
class ConversionTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    const std::string sample = SmWire::recordTypes().front().sample;
    std::string objects = "<fixture>";
    for (const char* uid : {" uid=\"ModelObject.uid0 ", " uid=\"ModelObject.uid1 "}) {
      const std::size_t from = sample.find(uid);
      objects += "<object" + sample.substr(from, sample.find('"', from + 6) + 1 - from) +
                 " class=\"Folder\" type=\"Folder\"/>";
    }
    load(objects + "</fixture>");
  }
};

TEST_F(ConversionTest, EveryFieldOfEveryRecordCrossesBothWays) {
#define SOACAD_CROSSING(Skeleton, Wire, Record) \
  { #Record, &Wire::recordTypes(), &crossed < Skeleton, Wire::Record> }
#define SOACAD_DM(Record) SOACAD_CROSSING(Dm, DmWire, Record)
#define SOACAD_SM(Record) SOACAD_CROSSING(Sm, SmWire, Record)
  const struct {
    const char* record;
    const std::vector<WireRecordType>* types;
    Crossing crossing;
  } records[] = {
      SOACAD_DM(RelationAndTypesFilter2),
      SOACAD_DM(ExpandPrimaryObjectsPref),
      SOACAD_DM(ExpandGRMRelationsPref),
      SOACAD_DM(ExpandFolderForCADPref),
      SOACAD_DM(CreateOrUpdateRelationsPref),
      SOACAD_DM(CreateOrUpdateRelationsInfo),
      SOACAD_DM(GenerateAlternateIdsProperties),
      SOACAD_DM(GetAttrMappingsForDatasetTypeCriteria),
      SOACAD_DM(ResolveAttrMappingsForDatasetInfo),
      SOACAD_DM(PartInfo),
      SOACAD_DM(ExpandPrimaryObjectsOutput),
      SOACAD_DM(ExpandGRMRelationsOutput),
      SOACAD_DM(ExpandFoldersForCADOutput),
      SOACAD_DM(GetAttrMappingsForDatasetTypeOutput),
      SOACAD_DM(ResolveAttrMappingsForDatasetOutput),
      SOACAD_DM(CreateOrUpdateRelationsOutput),
      SOACAD_DM(CreateOrUpdatePartsOutput),
      SOACAD_SM(ExpandPSOneLevelInfo),
      SOACAD_SM(ExpandPSAllLevelsInfo),
      SOACAD_SM(ExpandPSOneLevelPref),
      SOACAD_SM(ExpandPSAllLevelsPref),
      SOACAD_SM(ExpandPSOneLevelOutput),
      SOACAD_SM(ExpandPSAllLevelsOutput),
      SOACAD_SM(DeleteRelativeStructureInfo),
      SOACAD_SM(DeleteRelativeStructurePref),
      SOACAD_SM(CreateOrUpdateRelativeStructureInfo),
      SOACAD_SM(CreateOrUpdateRelativeStructurePref),
      SOACAD_SM(CreateOrUpdateAbsoluteStructureInfo),
      SOACAD_SM(CreateOrUpdateAbsoluteStructurePref),
      SOACAD_SM(DeleteAssemblyArrangementsInfo),
      SOACAD_SM(CreateBOMWindowsInfo),
      SOACAD_SM(CreateBOMWindowsOutput),
      SOACAD_SM(RevisionRuleInfo),
      SOACAD_CROSSING(Cr, CrWire, GetConfiguredItemRevisionOutput),
  };
#undef SOACAD_SM
#undef SOACAD_DM
#undef SOACAD_CROSSING
  for (const auto& record : records) {
    const auto crossing = record.crossing(*record.types, record.record);
    EXPECT_EQ(crossing.second, crossing.first) << record.record;
  }
  EXPECT_TRUE(host::errorStore().empty());
}

// An object field whose tag is no live object crosses as the null model object, and such an
// element of an object list is left out; the host's error store is emptied. UIDs the store does
// not know cross to tags that are not null, in their places; typed references are not loaded.
TEST_F(ConversionTest, ObjectsThatCannotCrossAreLeftOutOrBecomeTheNullObject) {
  const Tag gone = deletedTag();
  DmLocal::ExpandGRMRelationsData data;
  data.otherSideObject = {tagOf("i.1"), gone, tagOf("f.home"), tagOf("u.jdoe")};
  EXPECT_EQ(modelUids(Dm::toWire(data).getOtherSideObjectArray()),
            (Strings{"i.1", "f.home", "u.jdoe"}));
  DmLocal::CreateOrUpdateRelationsInfo relation;
  relation.primaryObject = tagOf("i.1");
  relation.secondaryObject = gone;
  relation.relation = POMRef<ImanRelation>(tagOf("nothing.here"));
  EXPECT_EQ(canonical(Dm::toWire(relation)),
            "<record clientId= relationType=><primaryObject uid=i.1/><secondaryObject uid=/>"
            "<relation uid=/><userData uid=/></record>");
  const SmLocal::ExpandPSData expanded{POMRef<BOMLine>(tagOf("i.1")), POMRef<>(gone), {}};
  const auto wire = Sm::toWire(expanded);
  EXPECT_EQ(wire.getBomLine().getClassName() + "/" + wire.getItemRevOfBOMLine().getUid(), "Item/");
  EXPECT_FALSE(wire.getItemRevOfBOMLine().isClassNameSet());
  EXPECT_TRUE(host::errorStore().empty());

  DmWire::ResolveAttrMappingsForDatasetInfo info;
  info.setDataset(modelObject("i.1"));
  info.setCadAttrMappingDefinitionArray(
      {modelObject("f.home"), modelObject("no.such"), modelObject("")});
  const DmLocal::ResolveAttrMappingsForDatasetInfo local = Dm::toLocal(info);
  ASSERT_EQ(local.cadAttrMappingDefinition.size(), 3u);
  EXPECT_EQ(
      uidsOf({local.dataset.tag(), local.itemRev.tag(), local.cadAttrMappingDefinition[0].tag(),
              local.cadAttrMappingDefinition[1].tag()}),
      (Strings{"i.1", "", "f.home", "no.such"}));
  EXPECT_NE(local.cadAttrMappingDefinition[1].tag(), NULLTAG);
  EXPECT_EQ(local.cadAttrMappingDefinition[2].tag(), NULLTAG);
  EXPECT_EQ(local.dataset.loadedObject(), nullptr);
  EXPECT_EQ(local.cadAttrMappingDefinition[0].loadedObject(), nullptr);
  EXPECT_TRUE(host::errorStore().empty());
}

// Maps are written in ascending key order and read back with the last entry of a key winning; a
// value that cannot cross fails the whole conversion.
TEST_F(ConversionTest, MapsAreWrittenInKeyOrderAndReadBackWithTheLastEntryWinning) {
  // The DataManagement maps are written by its operations (checked with them).
  const auto classes = Dm::toWireClassToTypesMap({{"Item", {"first"}}, {"Dataset", {}}});
  const auto last = Dm::toWireClassToTypesMap({{"Item", {"Item", "Doc"}}});
  EXPECT_EQ(Dm::toLocalClassToTypesMap({classes[1], classes[0], last[0]}),
            (std::map<std::string, Strings>{{"Dataset", {}}, {"Item", {"Item", "Doc"}}}));
  const auto ids = Dm::toWireIndexToAltId({{-3, {"a"}}, {0, {}}});
  const auto emptied = Dm::toWireIndexToAltId({{-3, {}}});
  EXPECT_EQ(Dm::toLocalIndexToAltId({ids[0], ids[1], emptied[0]}),
            (std::map<int, Strings>{{-3, {}}, {0, {}}}));
  EXPECT_EQ(soacad_test::mapEntries(
                Sm::toWireClientIdToAbsOccMap({{"b", POMRef<AbsOccurrence>(tagOf("i.1"))},
                                               {"a", POMRef<AbsOccurrence>(tagOf("f.home"))}})),
            (Strings{"a=f.home", "b=i.1"}));
  EXPECT_EQ(soacad_test::mapEntries(Sm::toWireClientIdToPSOccurrenceThreadMap(
                {{"z", POMRef<PSOccurrenceThread>(NULLTAG)},
                 {"A", POMRef<PSOccurrenceThread>(tagOf("i.1"))}})),
            (Strings{"A=i.1", "z="}));
  EXPECT_TRUE(Sm::toWireClientIdToAsmArrMap({}).empty());
  SmWire::ConfigureAttrStatusMap unit;
  SmWire::ConfigureAttrStatusMap unitAgain;
  unit.setKey("rule_unit");
  unit.setValue(true);
  unitAgain.setKey("rule_unit");
  EXPECT_EQ(Sm::toLocalConfigureAttrStatusMap({unit, unitAgain}),
            (std::map<std::string, bool>{{"rule_unit", false}}));
  SmWire::ClientIdToAbsOccMap first;
  first.setKey("occ");
  first.setValue(modelObject("i.1"));
  SmWire::ClientIdToAbsOccMap second;
  second.setKey("occ");
  second.setValue(modelObject("f.home"));
  const auto occurrences = Sm::toLocalClientIdToAbsOccMap({first, second});
  EXPECT_EQ(uidsOf({occurrences.at("occ").tag()}), Strings{"f.home"});
  EXPECT_EQ(occurrences.at("occ").loadedObject(), nullptr);
  EXPECT_TRUE(Sm::toLocalClientIdToPSOccurrenceThreadMap({}).empty());

  std::vector<SmWire::ItemRevisionToVariantRulesMap> rules(3);
  rules[0].setKey(modelObject("i.1"));
  rules[0].setValueArray({modelObject("a"), modelObject("b")});
  rules[1].setKey(modelObject("f.home"));
  rules[1].setValueArray({modelObject("f.home"), modelObject("no.such"), modelObject("i.1")});
  rules[2].setKey(modelObject("i.1"));
  const auto local = Sm::toLocalItemRevisionToVariantRulesMap(rules);
  ASSERT_EQ(local.size(), 2u);
  EXPECT_TRUE(local.at(POMRef<ZoltItemRevP>(tagOf("i.1"))).empty());
  const auto& home = local.at(POMRef<ZoltItemRevP>(tagOf("f.home")));
  EXPECT_EQ(uidsOf({home[0].tag(), home[1].tag(), home[2].tag()}),
            (Strings{"f.home", "no.such", "i.1"}));
  EXPECT_EQ(home[0].loadedObject(), nullptr);
  const auto back = Sm::toWireItemRevisionToVariantRulesMap(
      {{POMRef<ZoltItemRevP>(tagOf("f.home")), {POMRef<VariantRule>(tagOf("i.1"))}},
       {POMRef<ZoltItemRevP>(tagOf("i.1")), {}}});
  const std::size_t homeAt = tagOf("f.home") < tagOf("i.1") ? 0 : 1;
  EXPECT_EQ(canonical(back[homeAt]) + canonical(back[1 - homeAt]),
            "<record><key uid=f.home/><value uid=i.1/></record><record><key uid=i.1/></record>");

  const Tag gone = deletedTag();
  EXPECT_EQ(ifailOf([&] {
              Sm::toWireClientIdToAsmArrMap({{"a", POMRef<AssemblyArrangement>(gone)}});
            }),
            7007);
  host::errorStore().clear();
  SmLocal::GetVariantRulesResponse response;
  response.inputItemRevToVarRule[POMRef<ZoltItemRevP>(tagOf("i.1"))] = {POMRef<VariantRule>(gone)};
  EXPECT_EQ(ifailOf([&] { Sm::toWire(response); }), 7007);
  host::errorStore().clear();
}

// Enumerations cross as their texts both ways and refuse any other text; the "no date" value
// crosses as the host's null date.
TEST_F(ConversionTest, EnumerationTextsAndTheNoDateValue) {
  const Strings types = {"FolderT", "ItemT", "ItemRevisionT", "DatasetT", "Others"};
  const Strings filters = {"None", "ExcludeOverridden", "ExcludeICHistory", "ExcludeGDEs",
                           "ExcludeNonZoltItemLines"};
  for (int value = 0; value < 5; ++value) {
    EXPECT_EQ(Dm::toWire(static_cast<DmLocal::objectType>(value)), types[value]);
    EXPECT_EQ(Dm::toLocalobjectType(types[value]), static_cast<DmLocal::objectType>(value));
    EXPECT_EQ(Sm::toWire(static_cast<SmLocal::BOMLineFilter>(value)), filters[value]);
    EXPECT_EQ(Sm::toLocalBOMLineFilter(filters[value]), static_cast<SmLocal::BOMLineFilter>(value));
  }
  for (const std::string text : {"itemT", "", "ItemT ", "excludeGDEs"}) {
    EXPECT_EQ(domMessageOf([&] { Dm::toLocalobjectType(text); }), "Invalid Enum value: " + text);
    EXPECT_EQ(domMessageOf([&] { Sm::toLocalBOMLineFilter(text); }), "Invalid Enum value: " + text);
  }
  EXPECT_EQ(domMessageOf([] { Dm::toWire(static_cast<DmLocal::objectType>(5)); }),
            "Invalid Enum value");
  EXPECT_EQ(domMessageOf([] { Sm::toWire(static_cast<SmLocal::BOMLineFilter>(5)); }),
            "Invalid Enum value");
  EXPECT_EQ(domMessageOf([] { Sm::toLocal(SmWire::ExpandPSOneLevelInfo()); }),
            "Invalid Enum value: ");

  EXPECT_TRUE(Sm::toLocal(SmWire::RevisionRuleEntryProps()).date.isNull());
  SmLocal::RevisionRuleEntryProps undated;
  EXPECT_EQ(Sm::toLocal(Sm::toWire(undated)).date, undated.date);
}

// A response of two outputs (each the local form of its record's sample) and a plain object,
// written one output at a time as the handlers write it, and whole as its wire record writes
// itself: the two texts.
template <class Skeleton, class LocalResponse, class WireOutput>
std::pair<std::string, std::string> writtenBothWays(const std::vector<WireRecordType>& types,
                                                    const std::string& outputRecord, Tag object) {
  static_assert(
      Korvane::Services::RequestHandling::WritesOutputsOneByOne<Skeleton, LocalResponse>::value,
      "a response with outputs is written one output at a time");
  LocalResponse local;
  const auto output = Skeleton::toLocal(sampleRecord<WireOutput>(types, outputRecord));
  local.output = {output, output};
  local.serviceData.addPlainObject(object);
  LocalResponse copy = local;
  XmlStream oneByOne;
  Korvane::Services::RequestHandling::writeResponse<Skeleton>(oneByOne, "Response",
                                                              std::move(local));
  XmlStream whole;
  Skeleton::toWire(copy).outputXML(whole, "Response");
  return {oneByOne.str(), whole.str()};
}

// The handlers write a response with outputs one output at a time, converting each as it goes:
// the text is exactly what the response record writes. Responses of another layout (maps, lists
// under other names) are written whole.
TEST_F(ConversionTest, ResponsesWrittenOneOutputAtATimeReadAsTheirRecordsWriteThem) {
#define SOACAD_WRITTEN(Skeleton, Wire, Local, Response, Output)                                   \
  {                                                                                               \
#Response, &writtenBothWays < Skeleton, Local::Response, Wire::Output>, &Wire::recordTypes(), \
        #Output                                                                                   \
  }
#define SOACAD_DM(Response, Output) SOACAD_WRITTEN(Dm, DmWire, DmLocal, Response, Output)
#define SOACAD_SM(Response, Output) SOACAD_WRITTEN(Sm, SmWire, SmLocal, Response, Output)
  using CrLocal = Korvane::Soa::Cad::_2007_06::StructureManagement;
  const struct {
    const char* response;
    std::pair<std::string, std::string> (*written)(const std::vector<WireRecordType>&,
                                                   const std::string&, Tag);
    const std::vector<WireRecordType>* types;
    const char* output;
  } responses[] = {
      SOACAD_DM(ExpandPrimaryObjectsResponse, ExpandPrimaryObjectsOutput),
      SOACAD_DM(ExpandGRMRelationsResponse, ExpandGRMRelationsOutput),
      SOACAD_DM(ExpandFoldersForCADResponse, ExpandFoldersForCADOutput),
      SOACAD_DM(GetAttrMappingsForDatasetTypeResponse, GetAttrMappingsForDatasetTypeOutput),
      SOACAD_DM(ResolveAttrMappingsForDatasetResponse, ResolveAttrMappingsForDatasetOutput),
      SOACAD_DM(CreateOrUpdateRelationsResponse, CreateOrUpdateRelationsOutput),
      SOACAD_DM(CreateOrUpdatePartsResponse, CreateOrUpdatePartsOutput),
      SOACAD_SM(ExpandPSOneLevelResponse, ExpandPSOneLevelOutput),
      SOACAD_SM(ExpandPSAllLevelsResponse, ExpandPSAllLevelsOutput),
      SOACAD_SM(GetRevisionRulesResponse, RevisionRuleInfo),
      SOACAD_SM(CreateBOMWindowsResponse, CreateBOMWindowsOutput),
      SOACAD_WRITTEN(Cr, CrWire, CrLocal, GetConfiguredItemRevisionResponse,
                     GetConfiguredItemRevisionOutput),
  };
#undef SOACAD_SM
#undef SOACAD_DM
#undef SOACAD_WRITTEN
  for (const auto& response : responses) {
    const auto written = response.written(*response.types, response.output, tagOf("i.1"));
    EXPECT_EQ(written.first, written.second) << response.response;
    EXPECT_NE(written.first.find("<output"), std::string::npos) << written.first;
    EXPECT_NE(written.first.find("<dataObject uid=\"i.1\""), std::string::npos) << written.first;
  }
  using Korvane::Services::RequestHandling::WritesOutputsOneByOne;
  static_assert(!WritesOutputsOneByOne<Dm, DmLocal::GenerateAlternateIdsResponse>::value);
  static_assert(!WritesOutputsOneByOne<Dm, DmLocal::GetAllAttrMappingsResponse>::value);
  static_assert(
      !WritesOutputsOneByOne<Sm, SmLocal::CreateOrUpdateRelativeStructureResponse>::value);
  static_assert(!WritesOutputsOneByOne<Sm, SmLocal::CloseBOMWindowsResponse>::value);
  EXPECT_TRUE(host::errorStore().empty());
}

// Each response gathers the host's notifications and fills in the returned objects' properties
// before its wire service data is taken: the plain object comes back as a data object too.
template <class Skeleton, class LocalResponse>
std::string serviceDataAfterCrossing(Tag object) {
  LocalResponse local;
  local.serviceData.addPlainObject(object);
  const auto wire = Skeleton::toWire(local).getServiceData();
  return modelUids(wire.getPlainObjArray()).at(0) + " " +
         modelUids(wire.getDataObjectArray()).at(0);
}

TEST_F(ConversionTest, EveryResponseCarriesItsServiceData) {
  const Tag item = tagOf("i.1");
  for (const std::string& crossed :
       {serviceDataAfterCrossing<Sm, SmLocal::ExpandPSOneLevelResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::ExpandPSAllLevelsResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::CreateBOMWindowsResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::CloseBOMWindowsResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::GetRevisionRulesResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::GetVariantRulesResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::CreateOrUpdateRelativeStructureResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::DeleteRelativeStructureResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::CreateOrUpdateAbsoluteStructureResponse>(item),
        serviceDataAfterCrossing<Sm, SmLocal::DeleteAssemblyArrangementsResponse>(item),
        serviceDataAfterCrossing<Dm, DmLocal::ExpandGRMRelationsResponse>(item)}) {
    EXPECT_EQ(crossed, "i.1 i.1");
  }
}

}  // namespace
