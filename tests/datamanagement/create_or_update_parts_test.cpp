// createOrUpdateParts against the host: the four paths, folders, attributes, extra objects,
// datasets, named references, file tickets, error stacks and what a failure leaves behind.
#include "datamanagement/create_or_update_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/object/error_store.h"
#include "host/object/file_tickets.h"
#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/program/demo_store.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::CreateOrUpdatePartsImpl;
using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using PartInfo = DataManagement::PartInfo;
using DatasetInfo = DataManagement::DatasetInfo;
using Response = DataManagement::CreateOrUpdatePartsResponse;
using Strings = std::vector<std::string>;
using WireResponse = Korvane::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse;

// Part types with master forms that carry "material" and "weight", a note form for extra
// objects, dataset types with and without tools, and an existing part: item "BOLT" with
// revision A, both with master forms, and its dataset (checked out by the user, version 3,
// three named references).
const char* const kWorld = R"(<fixture>
  <class name="PartForm" parent="Form">
    <property name="material" type="string"/><property name="weight" type="double"/>
  </class>
  <class name="NoteForm" parent="Form"><property name="note" type="string"/></class>
  <type name="Part" class="Item" parent="Item"/>
  <type name="PartRevision" class="ItemRevision" parent="ItemRevision"/>
  <type name="PartMaster" class="PartForm" parent="ItemMaster"/>
  <type name="PartRevisionMaster" class="PartForm" parent="ItemRevisionMaster"/>
  <type name="Note" class="NoteForm" parent="Form"/>
  <type name="ZOLT_extra" class="ImanRelation"/>
  <type name="ZOLT_specification" class="ImanRelation"/>
  <object uid="tool.modeler" class="Tool" type="Tool"><prop name="tool_name" value="Modeler"/>
    <prop name="output_formats"><v value="BINARY"/><v value="TEXT"/></prop></object>
  <object uid="tool.viewer" class="Tool" type="Tool"><prop name="tool_name" value="Viewer"/></object>
  <object uid="tool.long" class="Tool" type="Tool"><prop name="tool_name" value="Long"/>
    <prop name="output_formats"><v value="A-FORMAT-NAME-OF-MORE-THAN-32-CHARACTERS"/></prop></object>
  <object uid="dt.model" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/><prop name="list_of_tools"><v value="tool.modeler"/></prop>
    <prop name="default_tool" value="tool.modeler"/></object>
  <object uid="dt.bare" class="DatasetType" type="DatasetType"><prop name="datasettype_name" value="Bare"/></object>
  <object uid="dt.view" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="Viewable"/><prop name="default_tool" value="tool.viewer"/></object>
  <object uid="dt.long" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="LongFormat"/><prop name="default_tool" value="tool.long"/></object>
  <object uid="u.other" class="User" type="User"><prop name="user_id" value="other"/></object>
  <object uid="f.shared" class="Folder" type="Folder">
    <prop name="object_name" value="Shared"/><prop name="owning_user" value="u.jdoe"/></object>
  <object uid="f.theirs" class="Folder" type="Folder">
    <prop name="object_name" value="Theirs"/><prop name="owning_user" value="u.other"/></object>
  <object uid="i.bolt" class="Item" type="Part">
    <prop name="item_id" value="BOLT"/><prop name="object_name" value="Bolt"/></object>
  <object uid="fm.bolt" class="PartForm" type="PartMaster"><prop name="material" value="steel"/></object>
  <relation type="ZOLT_master_form" primary="i.bolt" secondary="fm.bolt"/>
  <object uid="r.bolt" class="ItemRevision" type="PartRevision"><prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.bolt"/><prop name="object_name" value="Bolt"/></object>
  <object uid="fm.bolt.A" class="PartForm" type="PartRevisionMaster"/>
  <relation type="ZOLT_master_form" primary="r.bolt" secondary="fm.bolt.A"/>
  <object uid="note.bolt" class="NoteForm" type="Note"><prop name="note" value="old"/></object>
  <relation uid="rel.note" type="ZOLT_extra" primary="i.bolt" secondary="note.bolt"/>
  <object uid="anchor.bolt" class="RevisionAnchor" type="RevisionAnchor">
    <prop name="highest_revision" value="3"/></object>
  <object uid="ref.1" class="Form" type="Form"/>
  <object uid="ref.2" class="Form" type="Form"/>
  <object uid="ref.3" class="Form" type="Form"/>
  <object uid="d.bolt" class="Dataset" type="Dataset">
    <prop name="object_name" value="bolt-model"/><prop name="dataset_type" value="dt.model"/>
    <prop name="rev_chain_anchor" value="anchor.bolt"/><prop name="checked_out_user" value="u.jdoe"/>
    <prop name="ref_names"><v value="UGPART"/><v value="PREVIEW"/><v value="JTPART"/></prop>
    <prop name="ref_types"><v value="1"/><v value="1"/><v value="1"/></prop>
    <prop name="ref_list"><v value="ref.1"/><v value="ref.2"/><v value="ref.3"/></prop></object>
  <relation type="ZOLT_specification" primary="r.bolt" secondary="d.bolt"/>
  <preferences>
    <preference name="WsoInsertNoSelectionsPref"><v value="1"/></preference>
    <preference name="CAD_remove_refs"><v value="UGPART"/><v value="JTPART"/></preference>
  </preferences>
</fixture>)";

class PartsTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(kWorld);
  }

  Response run(const std::vector<PartInfo>& parts) {
    return settled([&] { return CreateOrUpdatePartsImpl().createOrUpdateParts(parts); });
  }
  Response run(const PartInfo& part) { return run(std::vector<PartInfo>{part}); }

  static PartInfo part(const std::string& clientId) {
    PartInfo info;
    info.clientId = clientId;
    return info;
  }
  // Input `clientId` for the item i.bolt, with a new revision when `revId` is given.
  PartInfo boltItem(const std::string& clientId, const std::string& revId = "") {
    PartInfo info = part(clientId);
    info.itemInput.item = tagOf("i.bolt");
    info.itemRevInput.revId = revId;
    return info;
  }
  // Input "p" for the revision r.bolt with `datasets`.
  PartInfo boltRevision(const std::vector<DatasetInfo>& datasets) {
    PartInfo info = part("p");
    info.itemRevInput.itemRevision = tagOf("r.bolt");
    info.datasetInput = datasets;
    return info;
  }
  // A new dataset of type `type` related by ZOLT_specification, with two files.
  static DatasetInfo newDataset(const std::string& clientId, const std::string& type = "CADModel") {
    DatasetInfo info;
    info.clientId = clientId;
    info.name = "model";
    info.description = "the model";
    info.type = type;
    info.id = "DS-1";
    info.datasetRev = "1";
    info.itemRevRelationName = "ZOLT_specification";
    info.datasetFileInfo = {{"f1", "bolt.prt", "UGPART", false, false},
                            {"f2", "notes.txt", "TEXTFILE", true, true}};
    return info;
  }
  DatasetInfo boltDataset(bool createNewVersion) {
    DatasetInfo info;
    info.clientId = "d";
    info.dataset = tagOf("d.bolt");
    info.itemRevRelationName = "ZOLT_specification";
    info.createNewVersion = createNewVersion;
    info.datasetFileInfo = {{"f1", "bolt.prt", "UGPART", false, false}};
    return info;
  }

  static Strings errors(const Response& response) {
    return soacad_test::stacks(response.serviceData.getErrorArray());
  }
  bool created(const Response& response, Tag object) {
    return response.serviceData.createdUids().count(store().uidOfTag(object)) != 0;
  }
  bool updated(const Response& response, Tag object) {
    return response.serviceData.updatedUids().count(store().uidOfTag(object)) != 0;
  }
  // The saved values of `properties` of `object`, in order.
  Strings savedTexts(Tag object, std::initializer_list<const char*> properties) {
    Strings texts;
    for (const char* property : properties) {
      texts.push_back(savedText(object, property));
    }
    return texts;
  }
  // Each write-ticket request of the last call as "type name reference extension vVersion
  // fileType".
  static Strings ticketRequests() {
    Strings texts;
    for (const auto& request : host::fileManagement().lastRequests()) {
      texts.push_back(request.datasetType + " " + request.datasetName + " " +
                      request.namedReference + " " + request.extension + " v" +
                      std::to_string(request.version) + " " + std::to_string(request.fileType));
    }
    return texts;
  }
  Tag masterForm(Tag object) {
    const std::vector<Tag> forms = secondaries(object, "ZOLT_master_form");
    return forms.empty() ? NULLTAG : forms.front();
  }
};

// --- The four paths ----------------------------------------------------------------------

TEST_F(PartsTest, NothingGivenCreatesAnItemWithGeneratedIdsInTheNewstuffFolder) {
  const Response response = run(part("p1"));
  ASSERT_EQ(response.output.size(), 1u);
  const auto& output = response.output[0];
  EXPECT_EQ(output.clientId, "p1");
  const Tag item = output.item.tag();
  const Tag revision = output.itemRev.tag();
  ASSERT_NE(revision, NULLTAG);
  EXPECT_EQ(typeOf(item), "Item");
  EXPECT_EQ(savedTexts(item, {"item_id", "object_name"}), (Strings{"000002", "000002"}));
  EXPECT_EQ(savedText(revision, "item_revision_id"), "A");  // 000001 is taken.
  EXPECT_EQ(savedTag(revision, "items_tag"), item);
  EXPECT_NE(masterForm(item), NULLTAG);
  EXPECT_EQ(saved(tagOf("f.newstuff"), "contents").tags, std::vector<Tag>{item});
  EXPECT_TRUE(created(response, item) && created(response, revision));
  EXPECT_EQ(errors(response), Strings{});
}

// An existing item is updated; with a revision id it gets a new revision, without one the item
// alone is written (its datasets are not processed).
TEST_F(PartsTest, AGivenItemIsUpdatedAndGetsARevisionOnlyForARevisionId) {
  PartInfo itemOnly = boltItem("p1");
  itemOnly.itemInput.description = "M8 bolt";
  itemOnly.itemInput.attrList = {{"material", "brass"}};
  itemOnly.datasetInput = {newDataset("d")};
  Response response = run(itemOnly);
  EXPECT_EQ(response.output[0].item.tag(), tagOf("i.bolt"));
  EXPECT_EQ(response.output[0].itemRev.tag(), NULLTAG);
  EXPECT_TRUE(response.output[0].datasetOutput.empty());
  EXPECT_EQ(savedText(tagOf("i.bolt"), "object_desc"), "M8 bolt");
  EXPECT_EQ(savedText(tagOf("fm.bolt"), "material"), "brass");
  EXPECT_TRUE(updated(response, tagOf("i.bolt")));
  EXPECT_EQ(calls("AE_create_dataset_with_id"), 0);

  PartInfo withRevision = boltItem("p1", "B");
  withRevision.itemInput.name = "Bolt M8";
  withRevision.itemRevInput.attrList = {{"weight", "1.5"}};
  response = run(withRevision);
  const Tag revision = response.output[0].itemRev.tag();
  ASSERT_NE(revision, NULLTAG);
  EXPECT_EQ(response.output[0].item.tag(), tagOf("i.bolt"));
  EXPECT_EQ(typeOf(revision), "PartRevision");
  EXPECT_EQ(savedText(revision, "item_revision_id"), "B");
  EXPECT_EQ(savedText(masterForm(revision), "weight"), "1.5");
  EXPECT_EQ(savedText(tagOf("i.bolt"), "object_name"), "Bolt M8");
  EXPECT_TRUE(updated(response, tagOf("i.bolt")) && created(response, revision));
}

TEST_F(PartsTest, GivenRevisionUpdatesItAndItsItem) {
  PartInfo info = boltRevision({});
  info.itemInput.description = "checked";
  info.itemRevInput.attrList = {{"object_desc", "rev A"}, {"material", "titanium"}};
  const Response response = run(info);
  EXPECT_EQ(response.output[0].item.tag(), tagOf("i.bolt"));
  EXPECT_EQ(response.output[0].itemRev.tag(), tagOf("r.bolt"));
  EXPECT_EQ(savedText(tagOf("i.bolt"), "object_desc"), "checked");
  EXPECT_EQ(savedText(tagOf("r.bolt"), "object_desc"), "rev A");
  EXPECT_EQ(savedText(tagOf("fm.bolt.A"), "material"), "titanium");
  EXPECT_TRUE(updated(response, tagOf("i.bolt")) && updated(response, tagOf("r.bolt")));
}

// --- Failures: error stacks keyed by the input they belong to ------------------------------

class PartsRequestTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    load(kWorld);
  }
  // The message of the first error of the reply's first error stack; empty when there is none.
  static std::string firstMessage(const WireResponse& response) {
    const auto& stacks = response.getServiceData().getPartialErrorArray();
    return stacks.empty() || stacks[0].getErrorValueArray().empty()
               ? std::string()
               : stacks[0].getErrorValueArray()[0].getMessage();
  }
  WireResponse send(const std::string& infos) {
    return responseOf<WireResponse>(
        call("createOrUpdateParts",
             "<CreateOrUpdatePartsInput>" + infos + "</CreateOrUpdatePartsInput>"));
  }
  // Puts "<call> <code> <nth> <uid>" entries, separated by ",", in the host's fault plan (code 0:
  // the call gives a null result; nth and uid may be left out).
  void planFaults(const std::string& faults) {
    std::istringstream entries(faults);
    for (std::string entry; std::getline(entries, entry, ',');) {
      std::istringstream fields(entry);
      std::string call, uid;
      int code = 0, nth = 0;
      fields >> call >> code >> nth >> uid;
      const Tag tag = uid.empty() ? NULLTAG : tagOf(uid);
      code == 0 ? host::faultPlan().nullResult(call.c_str(), nth, tag)
                : host::faultPlan().fail(call.c_str(), code, nth, tag);
    }
  }
};

// A part input "p" for the revision r.bolt with `datasets`.
std::string boltRevisionText(const std::string& datasets) {
  return R"(<info clientId="p"><itemRevInput><itemRevision uid="r.bolt"/></itemRevInput>)" +
         datasets + "</info>";
}
// A new dataset of `type` related by `relation`, with the files f1 (binary) and f2 (text);
// `more` goes inside it.
std::string newDatasetText(const std::string& clientId, const std::string& type = "CADModel",
                           const std::string& relation = "ZOLT_specification",
                           const std::string& more = "") {
  return R"(<datasetInput clientId=")" + clientId + R"(" name="model" type=")" + type +
         R"(" itemRevRelationName=")" + relation + R"(" id="DS-1" datasetRev="1">)" + more +
         R"(<datasetFileInfo clientId="f1" fileName="bolt.prt" namedReferencedName="UGPART"/>)"
         R"(<datasetFileInfo clientId="f2" fileName="notes.txt" namedReferencedName="TEXTFILE")"
         R"( isText="true" allowReplace="true"/></datasetInput>)";
}
// The dataset d.bolt as dataset "d" (a new version when `attributes` ask for one); `more` goes
// inside it.
std::string boltDatasetText(const std::string& attributes, const std::string& more) {
  return R"(<datasetInput clientId="d" itemRevRelationName="ZOLT_specification" )" + attributes +
         R"(><dataset uid="d.bolt"/>)" + more +
         R"(<datasetFileInfo clientId="f1" fileName="bolt.prt" namedReferencedName="UGPART"/>)"
         "</datasetInput>";
}
// A part input "p" for the item i.bolt with the extra objects `extras`.
std::string boltExtrasText(const std::string& extras) {
  return R"(<info clientId="p"><itemInput><item uid="i.bolt"/>)" + extras + "</itemInput></info>";
}
std::string extraText(const char* clientId, const char* relation, const char* type) {
  return std::string(R"(<extraObject clientId=")") + clientId + R"(" relationTypeName=")" +
         relation + R"(" typeName=")" + type + R"("/>)";
}

// Each row: host faults, the part inputs of one request, the error stacks it answers (" | "
// between stacks), whether it leaves the saved store exactly as it was with nothing reported
// created, and what else the row is about. Every output follows its input, whatever its outcome.
TEST_F(PartsRequestTest, FailuresAreErrorStacksKeyedByTheirInputs) {
  struct Case {
    const char* name;
    const char* faults;
    std::string infos;
    const char* errors;
    bool unchanged;
    std::function<void(const WireResponse&)> check;
  };
  const auto datasetOutput = [](const WireResponse& response) {
    return response.getOutputArray()[0].getDatasetOutputArray()[0];
  };
  const std::string sh1 = R"(<info clientId="p"><itemInput itemId="SH-1"/></info>)";
  const Case cases[] = {
      {"an item that is no object", "",
       R"(<info clientId="gone"><itemInput><item uid="no.such.item"/></itemInput></info>)",
       "gone: 7007", true, nullptr},
      {"a revision of another item: both tags zero", "",
       R"(<info clientId="p"><itemInput description="never written"><item uid="i.1"/></itemInput>)"
       R"(<itemRevInput><itemRevision uid="r.bolt"/></itemRevInput></info>)",
       "p: 215021", true,
       [](const WireResponse& response) {
         EXPECT_EQ(response.getOutputArray()[0].getItem().getUid(), "");
         EXPECT_EQ(response.getOutputArray()[0].getItemRev().getUid(), "");
       }},
      {"an over-long item type, refused before any lookup", "",
       R"(<info clientId="a"><itemInput itemType=")" + std::string(40, 'T') + R"("/></info>)",
       "a: 215022", true, [&](const WireResponse&) { EXPECT_EQ(calls("ZOLTTYPE_ask_type"), 0); }},
      {"no item made", "ITEM_create_item 0", R"(<info clientId="a"/>)", "a: 215023", true, nullptr},
      {"no revision made", "ITEM_create_rev 0",
       R"(<info clientId="b"><itemInput><item uid="i.bolt"/></itemInput><itemRevInput revId="B"/>)"
       "</info>",
       "b: 215023", true, nullptr},
      {"a step that cannot be kept, and is sent again", "POM_forget_markpoint 7016 1", sh1,
       "p: 7016", true,
       [&](const WireResponse&) {
         EXPECT_EQ(host::findItemById("SH-1"), NULLTAG);
         host::faultPlan().clear();
         EXPECT_EQ(partialErrorsOf(send(sh1)), Strings{});
         EXPECT_NE(host::findItemById("SH-1"), NULLTAG);
       }},
      {"an item without master form, even without attributes", "",
       R"(<info clientId="a"><itemInput><item uid="i.1"/></itemInput></info>)", "a: 215032", true,
       nullptr},
      // The path's second listing is the revision's.
      {"a new item whose revision lacks its master form", "GRM_list_secondary_objects_only 0 2",
       R"(<info clientId="a"><itemInput itemId="NEW-1">)"
       R"(<attrList name="object_desc" value="written, then undone"/></itemInput></info>)",
       "a: 215032", true,
       [&](const WireResponse&) { EXPECT_EQ(calls("AOM_save", tagOf("f.newstuff")), 0); }},
      {"a save after the item was written: the lock is released", "AOM_save 7015 0 fm.bolt.A",
       R"(<info clientId="p"><itemInput description="item first"/><itemRevInput>)"
       R"(<itemRevision uid="r.bolt"/><attrList name="material" value="zinc"/></itemRevInput></info>)",
       "p: 7015", true, nullptr},
      {"extra objects", "FORM_create 0 1, GRM_save_relation 7015 1",
       boltExtrasText(
           extraText("e1", "NoRelation", "Note") + extraText("e2", "ZOLT_extra", "NoType") +
           extraText("e3", "ZOLT_extra", "Note") + extraText("e4", "ZOLT_extra", "Note")),
       "p;e1: 215050 | p;e2: 215022 | p;e3: 215024 | p;e4: 7015", true,
       [](const WireResponse& response) {
         EXPECT_TRUE(response.getOutputArray()[0].getExtraItemObjArray().empty());
       }},
      {"an extra object's relation not made", "GRM_create_relation 0 0 i.bolt",
       boltExtrasText(extraText("e", "ZOLT_extra", "Note")), "p;e: 215025", true, nullptr},
      {"datasets", "",
       boltRevisionText(newDatasetText("rel", "CADModel", "NoSuchRelation") +
                        newDatasetText("type", "NoSuchType") +
                        newDatasetText("long", std::string(33, 'x')) +
                        newDatasetText("tool", "Bare") + newDatasetText("format", "Viewable") +
                        newDatasetText("longformat", "LongFormat")),
       "p;rel: 215050 | p;type: 215022 | p;long: 215022 | p;tool: 26003 | p;format: 215031 | "
       "p;longformat: 215022",
       true,
       [&](const WireResponse& response) {
         for (const auto& output : response.getOutputArray()[0].getDatasetOutputArray()) {
           EXPECT_EQ(output.getClientId(), "");  // Filled only once the dataset itself is made.
         }
         // Not for the over-long type nor after 215050.
         EXPECT_EQ(calls("AE_find_datasettype"), 4);
       }},
      {"a dataset or its relation not made",
       "AE_create_dataset_with_id 0 1, GRM_create_relation 0 1 r.bolt",
       boltRevisionText(newDatasetText("a") + newDatasetText("b")), "p;a: 215026 | p;b: 215025",
       true, nullptr},
      {"the reference preference unreadable", "PREF_ask_char_values 1701",
       boltRevisionText(boltDatasetText(
           R"(createNewVersion="true" namedReferencePreference="CAD_remove_refs")", "")),
       "p;d: 1701", true, nullptr},
      {"the mapped-attribute step, which asks for the new revision's item",
       "ITEM_ask_item_of_rev 7007",
       R"(<info clientId="p"><itemInput><item uid="i.bolt"/></itemInput><itemRevInput revId="B"/>)" +
           newDatasetText("d", "CADModel", "ZOLT_specification",
                          R"(<mappingAttribute name="Material" value="steel"/>)") +
           "</info>",
       "p;d: 7007 215092", false,
       [&](const WireResponse& response) {
         EXPECT_EQ(datasetOutput(response).getCommitInfoArray().size(), 2u);
       }},
      {"a dataset save, which takes the named-reference step back and ends the dataset",
       "AE_save_myself 7015 0 d.bolt",
       boltRevisionText(boltDatasetText("", R"(<namedReferenceObjectInfo clientId="new")"
                                            R"( namedReferenceName="SETTINGS" typeName="Note"/>)")),
       "p;d: 7015", true,
       [&](const WireResponse& response) {
         EXPECT_EQ(datasetOutput(response).getDataset().getUid(), "d.bolt");
         EXPECT_TRUE(datasetOutput(response).getNamedRefObjArray().empty());
         EXPECT_TRUE(datasetOutput(response).getCommitInfoArray().empty());
         EXPECT_EQ(calls("FileTickets::getWriteFileTickets"), 0);
       }},
      {"an over-long reference name, refused as not found", "",
       boltRevisionText(boltDatasetText(
           "", R"(<namedReferenceObjectInfo clientId="n" namedReferenceName=")" +
                   std::string(33, 'N') + R"("><object uid="ref.1"/></namedReferenceObjectInfo>)")),
       "p;d;n: 215022", false,
       [&](const WireResponse&) { EXPECT_EQ(calls("AE_ask_dataset_ref_count"), 0); }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    SetUp();
    planFaults(test.faults);
    const std::string before = savedObjects();
    const WireResponse response = send(test.infos);
    std::string errors;
    for (const std::string& stack : partialErrorsOf(response)) {
      errors += (errors.empty() ? "" : " | ") + stack;
    }
    EXPECT_EQ(errors, test.errors);
    // Every code comes with its own text, never a bare "Error <code>".
    for (const auto& stack : response.getServiceData().getPartialErrorArray()) {
      for (const auto& value : stack.getErrorValueArray()) {
        EXPECT_NE(value.getMessage(), "Error " + std::to_string(value.getCode()));
      }
    }
    const auto inputs = parse("<x>" + test.infos + "</x>").children();
    ASSERT_EQ(response.getOutputArray().size(), inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      EXPECT_EQ(response.getOutputArray()[i].getClientId(), *inputs[i]->attr("clientId"));
    }
    if (test.unchanged) {
      EXPECT_EQ(savedObjects(), before);
      EXPECT_TRUE(response.getServiceData().getCreatedObjArray().empty());
    }
    if (test.check) {
      test.check(response);
    }
  }
}

// Besides its item and revision, a path reports what it makes and changes: the master forms
// (with the relations that tie them) made with a new item or revision, a master form that
// attributes are written to (not one whose values were there already), the folder a new item is
// filed in once it is saved, and an object a mapped attribute is written to.
TEST_F(PartsRequestTest, WhatAPathMakesAndChangesBesideItsItemAndRevisionIsReported) {
  const char* const finishMapping = R"(<fixture>
    <object uid="m.finish" class="CadAttrMappingDefinition"><prop name="attr_title" value="FINISH"/>
      <prop name="mapping_string" value="IRM.material"/><prop name="cad_master" value="true"/>
    </object>
    <object class="CadAttrMappingResolution"><prop name="mapping" value="m.finish"/>
      <prop name="mapping_type" value="1"/><prop name="resolved_object" value="fm.bolt.A"/>
      <prop name="resolved_property" value="material"/></object>
  </fixture>)";
  // An object made with its master form: the object, the form and the relation between them.
  const auto withMasterForm = [&](Tag object) {
    Tag relationType;
    EXPECT_EQ(GRM_find_relation_type("ZOLT_master_form", &relationType), 0);
    const std::vector<Tag> forms = secondaries(object, "ZOLT_master_form");
    EXPECT_EQ(forms.size(), 1u);
    Tag relation;
    EXPECT_EQ(GRM_find_relation(object, forms.at(0), relationType, &relation), 0);
    return Strings{uidOf(object), uidOf(forms.at(0)), uidOf(relation)};
  };
  const auto sorted = [](Strings uids) {
    std::sort(uids.begin(), uids.end());
    return uids;
  };
  // The item NEW-1 and its revision A with their master forms.
  const auto newItem = [&] {
    const Tag item = host::findItemById("NEW-1");
    Strings created = withMasterForm(item);
    const Strings revision = withMasterForm(host::findRevisionById(item, "A"));
    created.insert(created.end(), revision.begin(), revision.end());
    return sorted(created);
  };
  struct Case {
    const char* name;
    const char* faults;
    std::string infos;
    std::function<soacad_test::Reported()> expected;
  };
  const Case cases[] = {
      {"a new item, filed in the newstuff folder", "",
       R"(<info clientId="a"><itemInput itemId="NEW-1"/></info>)",
       [&] {
         return soacad_test::Reported{newItem(), {"f.newstuff"}, {}};
       }},
      {"a new item whose folder cannot be saved", "AOM_save 7015 0 f.newstuff",
       R"(<info clientId="a"><itemInput itemId="NEW-1"/></info>)",
       [&] {
         return soacad_test::Reported{newItem(), {}, {}};
       }},
      {"a new revision, the item's master form written", "",
       R"(<info clientId="b"><itemInput><item uid="i.bolt"/>)"
       R"(<attrList name="material" value="brass"/></itemInput><itemRevInput revId="B"/></info>)",
       [&] {
         return soacad_test::Reported{
             sorted(withMasterForm(host::findRevisionById(tagOf("i.bolt"), "B"))),
             {"fm.bolt", "i.bolt"},
             {}};
       }},
      {"an item alone, its master form written", "",
       R"(<info clientId="c"><itemInput><item uid="i.bolt"/>)"
       R"(<attrList name="material" value="brass"/></itemInput></info>)",
       [] {
         return soacad_test::Reported{{}, {"fm.bolt", "i.bolt"}, {}};
       }},
      {"a revision with its item, only the form whose value changes written", "",
       R"(<info clientId="d"><itemInput><attrList name="material" value="steel"/></itemInput>)"
       R"(<itemRevInput><itemRevision uid="r.bolt"/><attrList name="material" value="zinc"/>)"
       R"(</itemRevInput></info>)",
       [] {
         return soacad_test::Reported{{}, {"fm.bolt.A", "i.bolt", "r.bolt"}, {}};
       }},
      {"a mapped attribute written to the revision's master form", "",
       boltRevisionText(boltDatasetText("", R"(<mappingAttribute name="FINISH" value="chrome"/>)")),
       [] {
         return soacad_test::Reported{{}, {"d.bolt", "fm.bolt.A", "i.bolt", "r.bolt"}, {}};
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    SetUp();
    load(finishMapping);
    planFaults(test.faults);
    const WireResponse response = send(test.infos);
    host::faultPlan().clear();
    // The folder that refuses its save is the only failure: keyed by the folder.
    EXPECT_EQ(partialErrorsOf(response),
              *test.faults == 0 ? Strings{} : Strings{"uid:f.newstuff: 7015"});
    EXPECT_EQ(soacad_test::reportedBy(response), test.expected());
  }
  EXPECT_EQ(savedText(tagOf("fm.bolt.A"), "material"), "chrome");
}

// What identifies an object, who owns it and the structure it is part of are the host's to
// write: an attribute naming such a property is refused with an error stack under its input,
// naming the property and the object, and the store keeps what it had. The other attributes
// of the list are written.
TEST_F(PartsRequestTest, AttributesMayNotWriteIdentityOwnershipOrStructure) {
  const auto attribute = [](const char* name, const char* value) {
    return std::string(R"(<attrList name=")") + name + R"(" value=")" + value + R"("/>)";
  };
  const auto onItem = [&](const char* name, const char* value) {
    return R"(<info clientId="p"><itemInput><item uid="i.bolt"/>)" + attribute(name, value) +
           R"(<attrList name="material" value="brass"/></itemInput></info>)";
  };
  const auto onRevision = [&](const char* name, const char* value) {
    return R"(<info clientId="p"><itemRevInput><itemRevision uid="r.bolt"/>)" +
           attribute(name, value) + "</itemRevInput></info>";
  };
  const auto onDataset = [&](const char* name, const char* value) {
    return boltRevisionText(boltDatasetText("", attribute(name, value)));
  };
  const struct {
    std::string infos;
    const char* error;
    const char* message;
  } cases[] = {
      {onItem("item_id", "000001"), "p: 7020",
       "The property item_id of i.bolt cannot be modified: the host keeps it."},
      {onItem("owning_user", "u.other"), "p: 7020",
       "The property owning_user of i.bolt cannot be modified: the host keeps it."},
      {onRevision("items_tag", "i.1"), "p: 7020",
       "The property items_tag of r.bolt cannot be modified: the host keeps it."},
      {onRevision("item_revision_id", "B"), "p: 7020",
       "The property item_revision_id of r.bolt cannot be modified: the host keeps it."},
      {onDataset("rev_chain_anchor", ""), "p;d: 7020",
       "The property rev_chain_anchor of d.bolt cannot be modified: the host keeps it."},
      {onDataset("ref_list", ""), "p;d: 7020",
       "The property ref_list of d.bolt cannot be modified: the host keeps it."},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.infos);
    SetUp();
    const Tag item = tagOf("i.bolt");
    const Strings before = {savedText(item, "item_id"), savedText(tagOf("r.bolt"), "items_tag"),
                            savedText(tagOf("d.bolt"), "rev_chain_anchor")};
    const WireResponse response = send(test.infos);
    EXPECT_EQ(partialErrorsOf(response), Strings{test.error});
    EXPECT_EQ(firstMessage(response), test.message);
    EXPECT_EQ(savedTag(item, "owning_user"), NULLTAG);
    EXPECT_EQ(savedTag(tagOf("r.bolt"), "items_tag"), item);
    EXPECT_EQ(savedText(tagOf("r.bolt"), "item_revision_id"), "A");
    EXPECT_EQ(savedText(item, "item_id"), "BOLT");
    EXPECT_EQ(savedTag(tagOf("d.bolt"), "rev_chain_anchor"), tagOf("anchor.bolt"));
    EXPECT_EQ(saved(tagOf("d.bolt"), "ref_list").tags.size(), 3u);
  }
  // The other attribute of the item's list is written all the same.
  SetUp();
  send(onItem("item_id", "000001"));
  EXPECT_EQ(savedText(tagOf("fm.bolt"), "material"), "brass");
}

// An input names objects of a class: an item, a revision, a folder for a new item, a dataset,
// and forms as extra and named-reference objects. An object of another class fails its input
// with the host's wrong-class status, whose message names the object and the class, and is
// neither written nor returned.
TEST_F(PartsRequestTest, ObjectsOfAnotherClassAreRefusedNamingTheClass) {
  const std::string folderAsReference =
      R"(<namedReferenceObjectInfo clientId="n" namedReferenceName="PREVIEW"><object uid="f.home"/>)"
      R"(<attrNameValuePair name="contents" value=""/></namedReferenceObjectInfo>)";
  const struct {
    const char* what;
    std::string infos;
    const char* error;
    const char* message;
  } cases[] = {
      {"a revision as the item to update",
       R"(<info clientId="p"><itemInput name="Renamed"><item uid="r.bolt"/></itemInput></info>)",
       "p: 7008", "r.bolt is not of class Item."},
      {"a revision as the item of a new revision",
       R"(<info clientId="p"><itemInput><item uid="r.bolt"/></itemInput><itemRevInput revId="B"/>)"
       "</info>",
       "p: 7008", "r.bolt is not of class Item."},
      {"an item as the revision",
       R"(<info clientId="p"><itemRevInput><itemRevision uid="i.bolt"/></itemRevInput></info>)",
       "p: 7008", "i.bolt is not of class ItemRevision."},
      {"an item as the folder of a new item",
       R"(<info clientId="p"><itemInput itemId="NEW-1"><folder uid="i.1"/></itemInput></info>)",
       "p: 7008", "i.1 is not of class Folder."},
      {"a form as the dataset",
       boltRevisionText(R"(<datasetInput clientId="d" itemRevRelationName="ZOLT_specification">)"
                        R"(<dataset uid="fm.bolt"/></datasetInput>)"),
       "p;d: 7008", "fm.bolt is not of class Dataset."},
      {"a folder as an extra object",
       boltExtrasText(R"(<extraObject clientId="e" relationTypeName="ZOLT_extra" typeName="Note">)"
                      R"(<object uid="f.home"/><attrNameValuePair name="object_name" value="x"/>)"
                      "</extraObject>"),
       "p;e: 7008", "f.home is not of class Form."},
      {"a folder as a named-reference object",
       boltRevisionText(boltDatasetText("", folderAsReference)), "p;d;n: 7008",
       "f.home is not of class Form."},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.what);
    SetUp();
    const WireResponse response = send(test.infos);
    EXPECT_EQ(partialErrorsOf(response), Strings{test.error});
    EXPECT_EQ(firstMessage(response), test.message);
    EXPECT_EQ(savedText(tagOf("r.bolt"), "object_name"), "Bolt");
    EXPECT_EQ(uidsOf(saved(tagOf("f.home"), "contents").tags), Strings{"i.1"});
    EXPECT_EQ(savedText(tagOf("f.home"), "object_name"), "Home");
    EXPECT_EQ(saved(tagOf("d.bolt"), "ref_list").tags.size(), 3u);
    EXPECT_EQ(host::findItemById("NEW-1"), NULLTAG);
    EXPECT_TRUE(secondaries(tagOf("i.bolt"), "ZOLT_extra") == std::vector<Tag>{tagOf("note.bolt")});
    for (const auto& output : response.getOutputArray()) {
      EXPECT_NE(output.getItem().getUid(), "r.bolt");
      EXPECT_NE(output.getItemRev().getUid(), "i.bolt");
    }
  }
}

// One request of a CAD client that names what it may not write, on the demo store: the
// folder keeps its items, the item its id and the dataset its anchor, so that the next save
// of the dataset still gets its file tickets.
TEST_F(PartsRequestTest, TheDemoStoreKeepsItsIdentitiesAndStructureAgainstAttributes) {
  ServiceTest::SetUp();
  load(host::kDemoStore);
  const Strings folder = uidsOf(saved(tagOf("f.gearbox"), "contents").tags);
  const WireResponse response =
      send(R"(<info clientId="p1"><itemInput><item uid="i.000101"/>)"
           R"(<attrList name="item_id" value="000100"/>)"
           R"(<extraObject clientId="e1" relationTypeName="ZOLT_reference" typeName="Form">)"
           R"(<object uid="f.gearbox"/><attrNameValuePair name="contents" value=""/></extraObject>)"
           R"(</itemInput><itemRevInput><itemRevision uid="r.000101.A"/></itemRevInput>)"
           R"(<datasetInput clientId="d1" itemRevRelationName="ZOLT_specification">)"
           R"(<dataset uid="d.000101.A.model"/><attrList name="rev_chain_anchor" value=""/>)"
           R"(</datasetInput></info>)");
  EXPECT_EQ(partialErrorsOf(response), (Strings{"p1: 7020", "p1;e1: 7008", "p1;d1: 7020"}));
  EXPECT_EQ(uidsOf(saved(tagOf("f.gearbox"), "contents").tags), folder);
  EXPECT_EQ(folder.size(), 5u);
  EXPECT_EQ(host::findItemById("000100"), tagOf("i.000100"));
  EXPECT_EQ(host::findItemById("000101"), tagOf("i.000101"));
  EXPECT_TRUE(secondaries(tagOf("i.000101"), "ZOLT_reference").empty());

  const WireResponse next = send(
      R"(<info clientId="p2"><itemRevInput><itemRevision uid="r.000101.A"/></itemRevInput>)"
      R"(<datasetInput clientId="d2" itemRevRelationName="ZOLT_specification">)"
      R"(<dataset uid="d.000101.A.model"/><datasetFileInfo clientId="f" fileName="housing.prt")"
      R"( namedReferencedName="CADPart"/></datasetInput></info>)");
  EXPECT_EQ(partialErrorsOf(next), Strings{});
  EXPECT_EQ(next.getOutputArray()[0].getDatasetOutputArray()[0].getCommitInfoArray().size(), 1u);
}

// A reference the dataset has already, under a name that repeats, is not attached again: not
// by a second save, nor by a second input of the same request.
TEST_F(PartsRequestTest, AReferenceTheDatasetHasIsNotAttachedAgain) {
  const auto reference = [](const char* clientId) {
    return std::string(R"(<namedReferenceObjectInfo clientId=")") + clientId +
           R"(" namedReferenceName="PREVIEW"><object uid="ref.1"/></namedReferenceObjectInfo>)";
  };
  const std::string request =
      boltRevisionText(boltDatasetText("", reference("a") + reference("b")));
  for (int save = 1; save <= 3; ++save) {
    SCOPED_TRACE(save);
    const WireResponse response = send(request);
    EXPECT_EQ(partialErrorsOf(response), Strings{});
    EXPECT_EQ(response.getOutputArray()[0].getDatasetOutputArray()[0].getNamedRefObjArray().size(),
              2u);
    EXPECT_EQ(saved(tagOf("d.bolt"), "ref_names").texts,
              (Strings{"UGPART", "PREVIEW", "JTPART", "PREVIEW"}));
    EXPECT_EQ(saved(tagOf("d.bolt"), "ref_list").tags,
              (std::vector<Tag>{tagOf("ref.1"), tagOf("ref.2"), tagOf("ref.3"), tagOf("ref.1")}));
    EXPECT_EQ(calls("AE_add_dataset_named_ref"), save == 1 ? 1 : 0);
    EXPECT_EQ(calls("AE_ask_dataset_ref_count"), 1);  // Listed once for both inputs.
    host::callLog().clear();
  }
}

// --- Folders --------------------------------------------------------------------------------

// The item goes to position 999, so it is appended.
TEST_F(PartsTest, OneWritableFolderIsCheckedOnceAndSavedOnceAfterTheLastInput) {
  store().write(tagOf("f.shared"), "contents", host::Value{{}, {tagOf("ref.1")}},
                host::WriteMode::initial);
  std::vector<PartInfo> parts = {part("a"), part("b")};
  for (PartInfo& info : parts) {
    info.itemInput.folder = tagOf("f.shared");
  }
  const Response response = run(parts);
  EXPECT_EQ(calls("AM_check_privilege"), 1);
  EXPECT_EQ(calls("AOM_save", tagOf("f.shared")), 1);
  EXPECT_EQ(host::callLog().entries().back().name, std::string("AOM_save"));
  EXPECT_EQ(saved(tagOf("f.shared"), "contents").tags,
            (std::vector<Tag>{tagOf("ref.1"), response.output[0].item.tag(),
                              response.output[1].item.tag()}));
}

// A folder the user may not write is checked for each input, one that is no object is not
// checked at all; either way the preference folder takes its place without an error.
TEST_F(PartsTest, UnusableFolderFallsBackToThePreferenceFolderWithoutAnError) {
  const struct {
    const char* folder;
    int checks;
  } cases[] = {{"f.theirs", 2}, {"no.such.folder", 0}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.folder);
    SetUp();
    std::vector<PartInfo> parts = {part("a"), part("b")};
    for (PartInfo& info : parts) {
      info.itemInput.folder = tagOf(test.folder);
    }
    const Response response = run(parts);
    EXPECT_EQ(calls("AM_check_privilege"), test.checks);
    EXPECT_TRUE(saved(tagOf("f.theirs"), "contents").tags.empty());
    EXPECT_EQ(saved(tagOf("f.newstuff"), "contents").tags.size(), 2u);
    EXPECT_EQ(errors(response), Strings{});
  }
}

TEST_F(PartsTest, PreferenceTwoFilesIntoTheHomeFolderAndOtherValuesLeaveNoFolder) {
  for (const char* value : {"2", "0", "3"}) {
    load(std::string(R"(<fixture><preferences><preference name="WsoInsertNoSelectionsPref">)") +
         "<v value=\"" + value + "\"/></preference></preferences></fixture>");
    const Response response = run(part(value));
    if (value[0] == '2') {
      EXPECT_EQ(saved(tagOf("f.home"), "contents").tags.back(), response.output[0].item.tag());
    } else {
      EXPECT_EQ(response.output[0].item.tag(), NULLTAG);
      EXPECT_EQ(errors(response), Strings{std::string(value) + ": 215027"});
    }
  }
}

// --- Attributes -----------------------------------------------------------------------------

// --- Extra objects --------------------------------------------------------------------------

TEST_F(PartsTest, ExtraObjectsAreCreatedOrUpdatedAndRelatedOnce) {
  PartInfo info = part("p");
  info.itemInput.item = tagOf("i.bolt");
  info.itemInput.extraObject = {
      {NULLTAG, "new", "ZOLT_extra", "Note", {{"note", "fresh"}}},
      {tagOf("note.bolt"), "old", "ZOLT_extra", "Note", {{"note", "changed"}}}};
  const Response response = run(info);
  const auto& extras = response.output[0].extraItemObj;
  ASSERT_EQ(extras.size(), 2u);
  EXPECT_EQ(extras[0].clientId, "new");
  const Tag form = extras[0].object;
  EXPECT_EQ(savedText(form, "note"), "fresh");
  EXPECT_EQ(savedText(form, "object_name"), "extra obj name");
  EXPECT_EQ(extras[1].object, tagOf("note.bolt"));
  EXPECT_EQ(savedText(tagOf("note.bolt"), "note"), "changed");
  EXPECT_EQ(secondaries(tagOf("i.bolt"), "ZOLT_extra"),
            (std::vector<Tag>{tagOf("note.bolt"), form}));
  EXPECT_TRUE(created(response, form));
  EXPECT_TRUE(updated(response, tagOf("note.bolt")));
  EXPECT_EQ(response.serviceData.createdUids().size(), 2u);  // The form and its relation.
}

// --- Datasets -------------------------------------------------------------------------------

TEST_F(PartsTest, NewDatasetIsCreatedRelatedToolledAndTicketed) {
  const Response response = run(boltRevision({newDataset("d")}));
  ASSERT_EQ(response.output[0].datasetOutput.size(), 1u);
  const auto& output = response.output[0].datasetOutput[0];
  EXPECT_EQ(output.clientId, "d");
  const Tag dataset = output.dataset.tag();
  ASSERT_NE(dataset, NULLTAG);
  EXPECT_EQ(savedTexts(dataset,
                       {"object_name", "object_desc", "dataset_id", "dataset_rev", "format_used"}),
            (Strings{"model", "the model", "DS-1", "1", "BINARY"}));
  EXPECT_EQ(savedTag(dataset, "tool_used"), tagOf("tool.modeler"));
  EXPECT_EQ(secondaries(tagOf("r.bolt"), "ZOLT_specification"),
            (std::vector<Tag>{tagOf("d.bolt"), dataset}));
  EXPECT_TRUE(created(response, dataset));
  // The dataset, the revision anchor made with it, and its relation.
  const Tag anchor = savedTag(dataset, "rev_chain_anchor");
  ASSERT_NE(anchor, NULLTAG);
  EXPECT_TRUE(created(response, anchor));
  EXPECT_EQ(response.serviceData.createdUids().size(), 3u);
  EXPECT_EQ(calls("PREF_ask_char_values"), 0);  // No preference named: nothing removed.

  ASSERT_EQ(output.commitInfo.size(), 2u);
  EXPECT_EQ(output.commitInfo[0].dataset.tag(), dataset);
  EXPECT_FALSE(output.commitInfo[0].createNewVersion);
  ASSERT_EQ(output.commitInfo[1].datasetFileTicketInfo.size(), 1u);
  const auto& ticket = output.commitInfo[1].datasetFileTicketInfo[0];
  EXPECT_EQ(ticket.datasetFileInfo.clientId, "f2");
  EXPECT_TRUE(ticket.datasetFileInfo.allowReplace);
  EXPECT_EQ(ticket.ticket, "W0000000002");
  EXPECT_EQ(ticketRequests(),
            (Strings{"CADModel model UGPART prt v1 8192", "CADModel model TEXTFILE txt v1 4096"}));
}

TEST_F(PartsTest, KeptDatasetIsOnlyUpdatedAndTicketedForItsNewestVersion) {
  PartInfo info = boltRevision({boltDataset(false)});
  info.datasetInput[0].namedReferencePreference = "CAD_remove_refs";
  info.datasetInput[0].description = "new text";
  const Response response = run(info);
  const auto& output = response.output[0].datasetOutput[0];
  EXPECT_EQ(output.dataset.tag(), tagOf("d.bolt"));
  EXPECT_TRUE(updated(response, tagOf("d.bolt")));
  EXPECT_FALSE(created(response, tagOf("d.bolt")));
  EXPECT_EQ(savedTag(tagOf("d.bolt"), "tool_used"), NULLTAG);
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_names").texts.size(), 3u);
  EXPECT_EQ(savedText(tagOf("d.bolt"), "object_desc"), "new text");
  EXPECT_EQ(calls("PREF_ask_char_values"), 0);
  ASSERT_EQ(output.commitInfo.size(), 1u);
  EXPECT_EQ(ticketRequests(), Strings{"CADModel  UGPART prt v3 8192"});
}

TEST_F(PartsTest, NewVersionOfACheckedOutDatasetGetsToolFormatAndStrippedReferences) {
  PartInfo info = boltRevision({boltDataset(true)});
  info.datasetInput[0].namedReferencePreference = "CAD_remove_refs";
  const Response response = run(info);
  EXPECT_EQ(errors(response), Strings{});
  EXPECT_TRUE(created(response, tagOf("d.bolt")));
  EXPECT_EQ(savedTag(tagOf("d.bolt"), "tool_used"), tagOf("tool.modeler"));
  EXPECT_EQ(savedText(tagOf("d.bolt"), "format_used"), "BINARY");
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_names").texts, Strings{"PREVIEW"});
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_list").tags, std::vector<Tag>{tagOf("ref.2")});
  EXPECT_EQ(calls("AE_remove_dataset_named_ref_by_tag"), 2);
  const auto& log = host::callLog().names();
  const auto firstFind = std::find(log.begin(), log.end(), "AE_find_dataset_named_ref");
  EXPECT_EQ(std::count(firstFind, log.end(), "AE_find_dataset_named_ref"), 3);
  const auto& output = response.output[0].datasetOutput[0];
  ASSERT_EQ(output.commitInfo.size(), 1u);
  EXPECT_TRUE(output.commitInfo[0].createNewVersion);
  EXPECT_EQ(ticketRequests(), Strings{"CADModel  UGPART prt v4 8192"});

  // A preference that is not defined lists no reference names: the version keeps them all.
  SetUp();
  PartInfo undefined = boltRevision({boltDataset(true)});
  undefined.datasetInput[0].namedReferencePreference = "NoSuchPreference";
  const Response kept = run(undefined);
  EXPECT_EQ(errors(kept), Strings{});
  EXPECT_TRUE(created(kept, tagOf("d.bolt")));
  EXPECT_EQ(savedText(tagOf("d.bolt"), "format_used"), "BINARY");
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_names").texts.size(), 3u);
}

TEST_F(PartsTest, RefusedFileGetsItsOwnErrorStackAndTheOthersTheirTickets) {
  host::fileManagement().refuse("second.prt");
  PartInfo info = boltRevision({newDataset("d")});
  info.datasetInput[0].datasetFileInfo = {{"f1", "README", "UGPART", false, false},
                                          {"f2", "second.prt", "UGPART", false, false},
                                          {"f3", "third.v2.prt", "UGPART", false, false},
                                          {"f4", "fourth.prt", std::string(33, 'R'), false, false}};
  const Response response = run(info);
  EXPECT_EQ(errors(response), (Strings{"f4: 215022", "f2: 60001"}));
  const auto& commits = response.output[0].datasetOutput[0].commitInfo;
  ASSERT_EQ(commits.size(), 2u);
  EXPECT_EQ(commits[0].datasetFileTicketInfo[0].datasetFileInfo.clientId, "f1");
  EXPECT_EQ(commits[1].datasetFileTicketInfo[0].datasetFileInfo.clientId, "f3");
  // The extension is the text after the last dot, empty without one.
  EXPECT_EQ(ticketRequests(),
            (Strings{"CADModel model UGPART  v1 8192", "CADModel model UGPART prt v1 8192",
                     "CADModel model UGPART prt v1 8192"}));
  EXPECT_NE(response.output[0].datasetOutput[0].dataset.tag(), NULLTAG);
}

// --- Named-reference objects ----------------------------------------------------------------

TEST_F(PartsTest, NamedReferenceObjectsAreAttachedOnceAndSavedWithTheDataset) {
  PartInfo info = boltRevision({boltDataset(false)});
  info.datasetInput[0].namedReferenceObjectInfo = {
      {"new", NULLTAG, "SETTINGS", "Note", {{"note", "made"}}},
      {"same", tagOf("ref.2"), "PREVIEW", "", {}},
      {"moved", tagOf("ref.1"), "PREVIEW", "", {}},
      {"nameless", NULLTAG, "", "Note", {}}};
  const Response response = run(info);
  EXPECT_EQ(errors(response), Strings{"p;d;nameless: 215029"});
  const auto& refs = response.output[0].datasetOutput[0].namedRefObj;
  ASSERT_EQ(refs.size(), 3u);
  EXPECT_EQ(refs[0].clientId, "new");
  EXPECT_EQ(savedText(refs[0].object, "note"), "made");
  EXPECT_EQ(savedText(refs[0].object, "object_name"), "referenced obj name");
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_names").texts,
            (Strings{"UGPART", "PREVIEW", "JTPART", "SETTINGS", "PREVIEW"}));
  EXPECT_EQ(saved(tagOf("d.bolt"), "ref_list").tags,
            (std::vector<Tag>{tagOf("ref.1"), tagOf("ref.2"), tagOf("ref.3"), refs[0].object,
                              tagOf("ref.1")}));
  EXPECT_EQ(calls("AE_add_dataset_named_ref"), 2);
  EXPECT_TRUE(created(response, refs[0].object));
  EXPECT_TRUE(updated(response, tagOf("ref.2")));
}

// --- The file-management error handler ------------------------------------------------------

TEST_F(PartsTest, ErrorHandlerKeysByTheFileAndNeverReadsOutOfBounds) {
  Korvane::Soa::Server::ServiceData serviceData;
  FileManagementPartialErrorHandlerIndex handler(serviceData, {"a", "b"});
  KvErrorHandler& base = handler;
  for (int index : {1, 2, -1}) {
    ERROR_store(EMH_severity_error, 60001);
    base.errorOccuredWithIndex(60001, index);
  }
  EXPECT_EQ(soacad_test::stacks(serviceData.getErrorArray()),
            (Strings{"b: 60001", ": 60001", ": 60001"}));
  EXPECT_FALSE(serviceData.getErrorArray()[1].isClientIdSet());
  EXPECT_FALSE(serviceData.getErrorArray()[2].isClientIdSet());
}

}  // namespace
