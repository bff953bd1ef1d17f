// The expansions against the host: relations and their filters, object-valued properties,
// one level of folders with latest revisions and datasets, and the revision datasets that the
// structure expansion shares.
#include "datamanagement/expand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/journal.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::ExpandImpl;
using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using Filter = DataManagement::RelationAndTypesFilter2;
using ServiceData = Korvane::Soa::Server::ServiceData;
using Strings = std::vector<std::string>;

// Part i.5 with revisions A to E (oldest first). E has a model and a drawing (whose class
// derives from Dataset) and a form; D has a model. Part i.bare has no revision; i.plain has a
// revision without datasets; s.1 is of a class derived from Item. f.top holds a sub-folder, the
// three parts, revision C, a dataset and s.1. x.1 refers to i.5.
const char* const kWorld = R"(<fixture>
  <class name="SpecialItem" parent="Item"/><class name="DrawingDataset" parent="Dataset"/>
  <type name="Part" class="Item" parent="Item"/><type name="Special" class="SpecialItem" parent="Item"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADDrawing" class="DrawingDataset" parent="Dataset"/>
  <type name="ZOLT_specification" class="ImanRelation"/><type name="ZOLT_rendering" class="ImanRelation"/>
  <type name="ZOLT_reference" class="ImanRelation"/>
  <object uid="i.5" class="Item" type="Part"/>
  <object uid="r.A" class="ItemRevision"><prop name="items_tag" value="i.5"/></object>
  <object uid="r.B" class="ItemRevision"><prop name="items_tag" value="i.5"/></object>
  <object uid="r.C" class="ItemRevision"><prop name="items_tag" value="i.5"/></object>
  <object uid="r.D" class="ItemRevision"><prop name="items_tag" value="i.5"/></object>
  <object uid="r.E" class="ItemRevision"><prop name="items_tag" value="i.5"/></object>
  <object uid="d.E.model" class="Dataset" type="CADModel"/>
  <object uid="d.E.drawing" class="DrawingDataset" type="CADDrawing"/>
  <object uid="f.E" class="Form" type="Form"/><object uid="d.D.model" class="Dataset" type="CADModel"/>
  <object uid="d.loose" class="Dataset" type="CADModel"/>
  <relation type="ZOLT_specification" primary="r.E" secondary="d.E.model"/>
  <relation type="ZOLT_rendering" primary="r.E" secondary="d.E.drawing"/>
  <relation type="ZOLT_reference" primary="r.E" secondary="f.E"/>
  <relation type="ZOLT_specification" primary="r.D" secondary="d.D.model"/>
  <object uid="i.bare" class="Item" type="Part"/><object uid="i.plain" class="Item" type="Part"/>
  <object uid="r.plain" class="ItemRevision"><prop name="items_tag" value="i.plain"/></object>
  <object uid="s.1" class="SpecialItem" type="Special"/><object uid="x.1" class="Item" type="Part"/>
  <relation type="ZOLT_reference" primary="x.1" secondary="i.5"/>
  <object uid="f.sub" class="Folder"><prop name="contents"><v value="i.bare"/></prop></object>
  <object uid="f.empty" class="Folder"/>
  <object uid="f.top" class="Folder"><prop name="contents"><v value="f.sub"/><v value="i.5"/>
    <v value="r.C"/><v value="d.loose"/><v value="i.bare"/><v value="s.1"/><v value="i.plain"/></prop></object>
</fixture>)";

class ExpandTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(kWorld);
  }

  DataManagement::ExpandFoldersForCADResponse folders(const Strings& uids, int latestNRevs,
                                                      bool expItemRev,
                                                      const std::vector<Filter>& filters = {}) {
    std::vector<POMRef<Folder>> input;
    for (const std::string& uid : uids) {
      input.emplace_back(tagOf(uid));
    }
    DataManagement::ExpandFolderForCADPref pref;
    pref.expItemRev = expItemRev;
    pref.latestNRevs = latestNRevs;
    pref.info = filters;
    return settled([&] { return ExpandImpl().expandFoldersForCAD(input, pref); });
  }
  DataManagement::ExpandGRMRelationsResponse relations(const std::vector<Tag>& objects,
                                                       const std::vector<Filter>& filters,
                                                       bool expItemRev = false) {
    return settled([&] { return ExpandImpl().expandGRMRelations(objects, {expItemRev, filters}); });
  }
  DataManagement::ExpandPrimaryObjectsResponse primaries(const std::vector<Tag>& objects,
                                                         const std::vector<Filter>& filters) {
    return settled([&] { return ExpandImpl().expandPrimaryObjects(objects, {false, filters}); });
  }

  template <class Refs>
  std::string uids(const Refs& refs) {
    std::string text;
    for (const auto& ref : refs) {
      text += (text.empty() ? "" : " ") + store().uidOfTag(Tag(ref));
    }
    return text;
  }
  // "item: rev[datasets] rev[...]" per item output.
  Strings items(const DataManagement::ExpandFoldersForCADOutput& output) {
    Strings result;
    for (const auto& item : output.itemsOutput) {
      std::string text = store().uidOfTag(item.outputItem.tag()) + ":";
      for (const auto& revision : item.itemRevsOutput) {
        text += " " + revisionText(revision);
      }
      result.push_back(text);
    }
    return result;
  }
  std::string revisionText(const DataManagement::ExpandFoldersForCADItemRevOutput& revision) {
    std::string text = store().uidOfTag(revision.outputItemRevs.tag());
    if (!revision.outputDataset.empty()) {
      text += "[" + uids(revision.outputDataset) + "]";
    }
    return text;
  }
  static Strings errors(const ServiceData& serviceData) {
    return soacad_test::stacks(serviceData.getErrorArray());
  }
  bool plain(const ServiceData& serviceData, const std::string& uid) {
    return serviceData.plainUids().count(uid) != 0;
  }
};

const std::vector<Filter> kModels = {{"ZOLT_specification", {"CADModel"}}};

// --- expandFoldersForCAD -----------------------------------------------------------------

TEST_F(ExpandTest, FolderLevelListsSubFoldersItemsAndRevisionsAndPassesOverTheRest) {
  const auto response = folders({"f.top"}, 1, false);
  ASSERT_EQ(response.output.size(), 1u);
  const auto& output = response.output[0];
  EXPECT_EQ(output.inputFolder.tag(), tagOf("f.top"));
  EXPECT_EQ(uids(output.fstlvlFolder), "f.sub");
  // The special item's class derives from Item: not an item here. The dataset is passed over.
  EXPECT_EQ(items(output), (Strings{"i.5: r.E", "i.bare:", "i.plain: r.plain"}));
  ASSERT_EQ(output.itemRevsOutput.size(), 1u);
  EXPECT_EQ(revisionText(output.itemRevsOutput[0]), "r.C");
  EXPECT_FALSE(plain(response.serviceData, "r.A"));
  EXPECT_TRUE(plain(response.serviceData, "f.sub") && plain(response.serviceData, "r.E"));
  EXPECT_FALSE(plain(response.serviceData, "d.loose") || plain(response.serviceData, "s.1"));
}

// The latest N revisions count from the newest and any other number lists all; zero lists items
// without revisions, and filters still select them (some revision of i.5 has a model; i.plain's
// has none and i.bare has no revision). Without filters an expanded revision lists every dataset
// of its class.
TEST_F(ExpandTest, LatestNRevsAndFiltersSelectTheListedItemsAndRevisions) {
  const Strings all = {"i.5: r.A r.B r.C r.D r.E", "i.bare:", "i.plain: r.plain"};
  const struct {
    int latest;
    bool expandRevs;
    std::vector<Filter> filters;
    Strings items;
  } cases[] = {
      {2, false, {}, {"i.5: r.D r.E", "i.bare:", "i.plain: r.plain"}},
      {5, false, {}, all},
      {7, false, {}, all},
      {-1, false, {}, all},
      {0, true, {}, {"i.5:", "i.bare:", "i.plain:"}},
      {0, false, kModels, {"i.5:"}},
      {1, true, {}, {"i.5: r.E[d.E.model d.E.drawing]", "i.bare:", "i.plain: r.plain"}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(std::to_string(test.latest) + (test.expandRevs ? " expanded" : ""));
    const auto response = folders({"f.top"}, test.latest, test.expandRevs, test.filters);
    EXPECT_EQ(items(response.output.at(0)), test.items);
    Strings revisions;
    for (const auto& revision : response.output.at(0).itemRevsOutput) {
      revisions.push_back(revisionText(revision));
    }
    EXPECT_EQ(revisions, Strings{"r.C"});  // Revisions in the folder itself.
  }
}

TEST_F(ExpandTest, WithRevisionsExpandedOnlyRevisionsThatReachADatasetAreListed) {
  const auto response = folders({"f.top"}, -1, true, kModels);
  const auto& output = response.output.at(0);
  EXPECT_EQ(items(output), Strings{"i.5: r.D[d.D.model] r.E[d.E.model]"});
  EXPECT_TRUE(output.itemRevsOutput.empty());  // r.C has no model.
  EXPECT_TRUE(plain(response.serviceData, "d.E.model") && plain(response.serviceData, "r.D"));
  EXPECT_FALSE(plain(response.serviceData, "r.A") || plain(response.serviceData, "i.plain"));
}

TEST_F(ExpandTest, BadFoldersAreReportedAndTheOthersGoOn) {
  host::faultPlan().fail("ITEM_list_all_revs", POM_invalid_value, 2);
  const auto response = folders({"f.sub", "no.such", "f.top", "f.empty"}, 1, false);
  // The second listing (f.top's first item) fails: f.top's output goes, its array of
  // references is released all the same (checked after the call).
  EXPECT_EQ(uids(std::vector<Tag>{response.output.at(0).inputFolder.tag(),
                                  response.output.at(1).inputFolder.tag()}),
            "f.sub f.empty");
  EXPECT_EQ(errors(response.serviceData),
            (Strings{": 7007", "uid:f.top: " + std::to_string(POM_invalid_value)}));
}

TEST_F(ExpandTest, FolderExpansionTracesItsSteps) {
  folders({"f.top"}, 1, true);
  const Strings steps = host::journal().steps();
  for (const char* step :
       {"DataManagement::expandFoldersForCAD", "FL_ask_references", "ITEM_list_all_revs",
        "expandItemRev", "ExpandImpl::getAllRevDatasets ", "GRM_list_secondary_objects_only"}) {
    EXPECT_NE(std::find(steps.begin(), steps.end(), step), steps.end()) << step;
  }
}

TEST_F(ExpandTest, HostFailuresThatMeanNoMatchLeaveNoTrace) {
  // A reference the host cannot classify is simply not a sub-folder.
  host::faultPlan().fail("POM_class_of_instance", POM_invalid_value, 0, tagOf("f.sub"));
  auto response = folders({"f.top"}, 1, false);
  EXPECT_TRUE(response.output.at(0).fstlvlFolder.empty());
  EXPECT_EQ(errors(response.serviceData), Strings{});

  // A property the type cannot describe is a filter that does not apply.
  host::faultPlan().fail("ZoltType::askPropertyDescriptor", POM_invalid_value);
  const auto primary = primaries({tagOf("r.E")}, {{"items_tag", {"Part"}}});
  EXPECT_TRUE(primary.output.at(0).otherSideObjData.empty());
  EXPECT_EQ(errors(primary.serviceData), Strings{});
}

TEST_F(ExpandTest, AFailureBeyondAFoundObjectIsKeyedByItAndKeepsTheOutput) {
  host::faultPlan().fail("ITEM_ask_latest_rev", POM_invalid_value);
  const auto response = relations({tagOf("x.1")}, {{"ZOLT_reference", {}}});
  EXPECT_EQ(uids(response.output.at(0).otherSideObjData.at(0).otherSideObject), "i.5");
  EXPECT_EQ(errors(response.serviceData), Strings{"uid:i.5: " + std::to_string(POM_invalid_value)});
}

// --- getAllRevDatasets -------------------------------------------------------------------

TEST_F(ExpandTest, RevisionDatasetsKeepWhatWasFoundWhenTheHostFails) {
  std::vector<unsigned int> datasets;
  ExpandImpl().getAllRevDatasets(tagOf("r.E"), datasets, nullptr);
  EXPECT_EQ(uids(datasets), "d.E.model d.E.drawing");

  // The form is the third secondary; the failure on it ends the step.
  host::faultPlan().fail("POM_class_of_instance", POM_invalid_value, 3);
  datasets.clear();
  ServiceData serviceData;
  ExpandImpl().getAllRevDatasets(tagOf("r.E"), datasets, &serviceData);
  EXPECT_EQ(uids(datasets), "d.E.model d.E.drawing");
  EXPECT_EQ(errors(serviceData), Strings{": " + std::to_string(POM_invalid_value)});

  // Without a service data the failure is dropped, and with it the error store.
  host::faultPlan().clear();
  host::faultPlan().fail("POM_class_of_instance", POM_invalid_value, 2);
  datasets.clear();
  ExpandImpl().getAllRevDatasets(tagOf("r.E"), datasets, nullptr);
  EXPECT_EQ(uids(datasets), "d.E.model");
  EXPECT_TRUE(host::errorStore().empty());
}

// --- expandGRMRelations ------------------------------------------------------------------

TEST_F(ExpandTest, RelationFiltersSelectByRelationAndTypeAndABadOneIsDropped) {
  const auto response = relations({tagOf("r.E")}, {{"ZOLT_specification", {"CADModel"}},
                                                   {"", {}},
                                                   {"ZOLT_rendering", {"CADModel"}},
                                                   {"no_such_relation", {}}});
  ASSERT_EQ(response.output.size(), 1u);
  Strings records;
  for (const auto& data : response.output[0].otherSideObjData) {
    records.push_back(data.relationName + "=" + uids(data.otherSideObject));
  }
  EXPECT_EQ(records, (Strings{"ZOLT_specification=d.E.model", "=d.E.model d.E.drawing f.E",
                              "ZOLT_rendering="}));
  EXPECT_EQ(errors(response.serviceData), Strings{": 215028"});
}

TEST_F(ExpandTest, WithoutFiltersEachObjectGetsAnErrorStackAndAnEmptyOutput) {
  const auto response = relations({tagOf("r.E"), tagOf("no.such.object"), tagOf("i.5")}, {});
  ASSERT_EQ(response.output.size(), 2u);
  EXPECT_TRUE(response.output[0].otherSideObjData.empty());
  EXPECT_EQ(response.output[1].inputObject, tagOf("i.5"));
  EXPECT_EQ(errors(response.serviceData), (Strings{": 215060", ": 215060", ": 7007", ": 215060"}));
}

TEST_F(ExpandTest, AnItemFoundBringsItsLatestRevisionAndItsDatasetsIntoTheServiceDataOnly) {
  auto response = relations({tagOf("x.1")}, {{"ZOLT_reference", {}}});
  EXPECT_EQ(uids(response.output.at(0).otherSideObjData.at(0).otherSideObject), "i.5");
  EXPECT_TRUE(plain(response.serviceData, "r.E"));
  EXPECT_FALSE(plain(response.serviceData, "d.E.model"));

  // With revisions expanded, the revision's datasets too (not its form), in order of discovery.
  response = relations({tagOf("x.1")}, {{"ZOLT_reference", {}}}, true);
  Strings plainObjects;
  for (const auto& object : response.serviceData.getWireData().getPlainObjArray()) {
    plainObjects.push_back(object.getUid());
  }
  EXPECT_EQ(plainObjects, (Strings{"x.1", "i.5", "r.E", "d.E.model", "d.E.drawing"}));
}

TEST_F(ExpandTest, AnObjectTheHostCannotLoadHasItsOwnCodePerOperation) {
  host::faultPlan().fail("Tag::object", 7013);
  const ServiceData grm = relations({tagOf("r.E")}, kModels).serviceData;
  const ServiceData primary = primaries({tagOf("r.E")}, kModels).serviceData;
  const ServiceData folder = folders({"f.top"}, 1, false).serviceData;
  EXPECT_EQ(errors(grm), Strings{": 7013 215131"});
  EXPECT_EQ(errors(primary), Strings{": 7013 215062"});
  EXPECT_EQ(errors(folder), Strings{": 7013 215121"});
  // The messages name the object by its UID.
  const auto lastMessage = [](const ServiceData& serviceData) {
    return serviceData.getErrorArray().at(0).getErrorValueArray().back().getMessage();
  };
  EXPECT_EQ(lastMessage(grm), "The object r.E could not be loaded.");
  EXPECT_EQ(lastMessage(primary), "The primary object r.E could not be loaded.");
  EXPECT_EQ(lastMessage(folder), "The folder f.top could not be loaded.");
  // So does a tag that names no object.
  host::faultPlan().clear();
  EXPECT_EQ(lastMessage(relations({tagOf("no.such.object")}, kModels).serviceData),
            "Not a valid object: no.such.object.");
}

// --- expandPrimaryObjects ----------------------------------------------------------------

TEST_F(ExpandTest, PropertyFiltersKeepValuesOfExactlyTheNamedTypes) {
  const auto response =
      primaries({tagOf("r.E"), tagOf("f.top"), tagOf("f.empty")}, {{"items_tag", {"Part"}},
                                                                   {"contents", {"Part", "Folder"}},
                                                                   {"object_name", {"Part"}},
                                                                   {"no_such_property", {"Part"}}});
  Strings records;
  for (const auto& output : response.output) {
    std::string text = store().uidOfTag(output.inputObject) + ":";
    for (const auto& data : output.otherSideObjData) {
      text += " " + data.relationName + "=" + uids(data.otherSideObject);
    }
    records.push_back(text);
  }
  // A string property gives an empty record, a missing one or one without values none.
  EXPECT_EQ(
      records,
      (Strings{"r.E: items_tag=i.5 object_name=",
               "f.top: contents=f.sub i.5 i.bare i.plain object_name=", "f.empty: object_name="}));
  EXPECT_TRUE(plain(response.serviceData, "r.E"));  // i.5's latest revision.
  EXPECT_EQ(errors(response.serviceData), Strings{});
}

TEST_F(ExpandTest, WithoutFiltersThereIsOneErrorStackForTheCall) {
  const auto response = primaries({tagOf("r.E"), tagOf("no.such.object"), tagOf("i.5")}, {});
  EXPECT_EQ(response.output.size(), 2u);
  EXPECT_EQ(errors(response.serviceData), (Strings{": 215060", ": 7007"}));
}

// --- The ceiling on what one call lists ---------------------------------------------------

// "<code>: <message>" of the fault a call raises, or "answered" for a call that ended normally.
template <class Call>
std::string ceilingFault(Call&& call) {
  try {
    call();
  } catch (Korvane::Soa::Server::ServiceException& fault) {
    return fault.getCode() + ": " + fault.getMessage();
  }
  return "answered";
}

// The fault of a call past a ceiling of `ceiling` entries.
std::string pastCeiling(std::size_t ceiling) {
  return "215066: The outputs would list more than " + std::to_string(ceiling) +
         " objects and lists of objects, the most one call may list "
         "(ExpandImpl::kMaxOutputEntries); ask for fewer objects or filters at a time.";
}

// Each call lists at most so many entries: a list of related objects per object and filter and
// each object in one (a folder's sub-folders, items, revisions and datasets). A call exactly at
// its ceiling is answered; one past it fails as a whole, naming the ceiling, and leaves nothing
// on the error store.
TEST_F(ExpandTest, ACallListsAtMostItsCeilingOfEntries) {
  load(R"(<fixture><object uid="f.revs" class="Folder">
    <prop name="contents"><v value="r.E"/></prop></object></fixture>)");
  const std::vector<Filter> both = {{"ZOLT_specification", {}}, {"ZOLT_rendering", {}}};
  const std::vector<Filter> contents = {{"contents", {"Part", "Folder"}},
                                        {"object_name", {"Part"}}};
  const std::vector<POMRef<Folder>> top = {POMRef<Folder>(tagOf("f.top"))};
  const std::vector<POMRef<Folder>> revs = {POMRef<Folder>(tagOf("f.revs"))};
  const struct {
    const char* call;
    std::function<void(ExpandImpl&)> run;
    std::size_t entries;
  } cases[] = {
      // r.E: a list with its model and one with its drawing.
      {"relations",
       [&](ExpandImpl& e) {
         e.expandGRMRelations({tagOf("r.E")}, {false, both});
       },
       4},
      // f.top: a list with its folder and three parts, and an empty one for its name.
      {"primaries",
       [&](ExpandImpl& e) {
         e.expandPrimaryObjects({tagOf("f.top")}, {false, contents});
       },
       6},
      // f.top, one level: f.sub, i.5 with its five revisions, r.C, i.bare, i.plain with its one.
      {"folder",
       [&](ExpandImpl& e) {
         e.expandFoldersForCAD(top, {false, -1, {}});
       },
       11},
      // f.top with models: f.sub, i.5 with two revisions and a model each; the other items
      // and r.C reach no model and are not listed.
      {"folder, filtered",
       [&](ExpandImpl& e) {
         e.expandFoldersForCAD(top, {true, -1, kModels});
       },
       6},
      // A folder holding r.E, expanded: the revision and its two datasets.
      {"revision",
       [&](ExpandImpl& e) {
         e.expandFoldersForCAD(revs, {true, -1, {}});
       },
       3},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.call);
    EXPECT_EQ(ceilingFault([&] {
                ExpandImpl atCeiling(test.entries);
                test.run(atCeiling);
              }),
              "answered");
    EXPECT_EQ(ceilingFault([&] {
                ExpandImpl belowEntries(test.entries - 1);
                test.run(belowEntries);
              }),
              pastCeiling(test.entries - 1));
    EXPECT_TRUE(host::errorStore().empty());
  }
}

// A call of more objects times filters than the ceiling is refused before any object is looked
// at, since each pair may give a list; with the ceiling itself it goes on.
TEST_F(ExpandTest, MoreObjectsTimesFiltersThanTheCeilingAreRefusedBeforeAnyWork) {
  const std::vector<Tag> objects = {tagOf("r.A"), tagOf("r.B"), tagOf("no.such.object")};
  const std::vector<Filter> two = {{"ZOLT_specification", {}}, {"items_tag", {"Part"}}};
  EXPECT_EQ(ceilingFault([&] {
              ExpandImpl(5).expandGRMRelations(objects, {false, two});
            }),
            pastCeiling(5));
  EXPECT_EQ(ceilingFault([&] {
              ExpandImpl(5).expandPrimaryObjects(objects, {false, two});
            }),
            pastCeiling(5));
  EXPECT_EQ(calls("POM_is_tag_valid"), 0);
  EXPECT_EQ(ceilingFault([&] {
              ExpandImpl(6).expandPrimaryObjects(objects, {false, two});
            }),
            "answered");
  EXPECT_GT(calls("POM_is_tag_valid"), 0);
}

// --- Deleted objects at the other end --------------------------------------------------------

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;

// "relation=uid uid" per data record of each output, "|" between outputs.
template <class WireResponse>
std::string otherSides(const WireResponse& response) {
  std::string text;
  for (const auto& output : response.getOutputArray()) {
    text += text.empty() ? "" : " | ";
    for (const auto& data : output.getOtherSideObjDataArray()) {
      text += "[" + data.getRelationName() + "=";
      for (const auto& object : data.getOtherSideObjectArray()) {
        text += " " + object.getUid();
      }
      text += "]";
    }
  }
  return text;
}

// A relation or reference whose other end was deleted is passed over in the outputs and in the
// plain objects alike (the call checks that the reply names no object that does not exist), and
// is no error: not with a type filter, nor on the way to a revision's datasets.
TEST_F(ExpandTest, ADeletedObjectAtTheOtherEndIsPassedOver) {
  ASSERT_EQ(AOM_delete(tagOf("d.E.model")), 0);
  ASSERT_EQ(AOM_delete(tagOf("i.bare")), 0);

  auto response = responseOf<Wire::ExpandGRMRelationsResponse>(call(
      "expandGRMRelations",
      R"(<ExpandGRMRelationsInput><object uid="r.E"/><object uid="x.1"/><pref expItemRev="true">)"
      R"(<info relationName="ZOLT_specification"/><info relationName="ZOLT_specification">)"
      R"(<objectTypeName>CADModel</objectTypeName></info><info relationName="ZOLT_reference"/>)"
      "</pref></ExpandGRMRelationsInput>"));
  EXPECT_EQ(otherSides(response),
            "[ZOLT_specification=][ZOLT_specification=][ZOLT_reference= f.E] | "
            "[ZOLT_specification=][ZOLT_specification=][ZOLT_reference= i.5]");
  EXPECT_EQ(soacad_test::modelUids(response.getServiceData().getPlainObjArray()),
            (Strings{"r.E", "f.E", "x.1", "i.5", "d.E.drawing"}));
  EXPECT_EQ(partialErrorsOf(response), Strings{});

  const auto primaries = responseOf<Wire::ExpandPrimaryObjectsResponse>(
      call("expandPrimaryObjects",
           R"(<ExpandPrimaryObjectsInput><object uid="f.top"/><pref expItemRev="false">)"
           R"(<info relationName="contents"><objectTypeName>Part</objectTypeName></info>)"
           "</pref></ExpandPrimaryObjectsInput>"));
  EXPECT_EQ(otherSides(primaries), "[contents= i.5 i.plain]");
  EXPECT_EQ(partialErrorsOf(primaries), Strings{});
}

}  // namespace
