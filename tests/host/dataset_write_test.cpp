// Writing datasets in the host stand-in: creation, anchors, tools, formats, named references.
#include "host/object/dataset_write.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/dataset.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom_ref.h"
#include "tests/support/host_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class DatasetWriteTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <type name="CADModel" class="Dataset" parent="Dataset"/>
      <object uid="tool.m" class="Tool" type="Tool"><prop name="tool_name" value="Modeler"/>
        <prop name="output_formats"><v value="BIN"/><v value="TXT"/></prop></object>
      <object uid="dt.model" class="DatasetType" type="DatasetType">
        <prop name="datasettype_name" value="CADModel"/><prop name="default_tool" value="tool.m"/>
        <prop name="list_of_tools"><v value="tool.m"/></prop></object>
      <object uid="dt.text" class="DatasetType" type="DatasetType">
        <prop name="datasettype_name" value="Text"/></object>
      <object uid="o.1" class="Form" type="Form"/><object uid="o.2" class="Form" type="Form"/>
    </fixture>)");
  }
  Tag create(const char* type) {
    Tag dataset;
    EXPECT_EQ(AE_create_dataset_with_id(tagOf(type), "name", "desc", "ID", "1", &dataset), 0);
    return dataset;
  }
  std::vector<std::string> names(Tag dataset) {
    std::vector<std::string> result;
    for (int i = 0, count = ask(AE_ask_dataset_ref_count, dataset); i < count; ++i) {
      char name[AE_reference_size_c + 1];
      int kind = 0;
      Tag object;
      EXPECT_EQ(AE_find_dataset_named_ref(dataset, i, name, &kind, &object), 0);
      result.push_back(name + std::string("=") + store().uidOfTag(object));
    }
    return result;
  }
};

TEST_F(DatasetWriteTest, NewDatasetHasItsTypeTextsAndAnAnchorAtVersionOne) {
  const Tag dataset = create("dt.model");
  EXPECT_TRUE(store().find(dataset)->newlyCreated);
  EXPECT_EQ(typeOf(dataset), "CADModel");
  EXPECT_EQ(typeOf(create("dt.text")), "Dataset");
  EXPECT_EQ(ask(AE_ask_dataset_datasettype, dataset), tagOf("dt.model"));
  EXPECT_EQ(ask(AE_ask_anchor_highest_revision, ask(AE_ask_dataset_anchor, dataset)), 1);
  EXPECT_EQ(ask(AE_find_datasettype, "CADModel"), tagOf("dt.model"));
  Tag found = tagOf("dt.model");
  ASSERT_EQ(AE_find_datasettype("None", &found), 0);
  EXPECT_EQ(found, NULLTAG);
  EXPECT_EQ(AE_create_dataset_with_id(tagOf("o.1"), "", "", "", "", &found),
            AE_invalid_datasettype);
}

TEST_F(DatasetWriteTest, ToolsAndFormatsComeFromTheTypeAndNeedTheLock) {
  POMRef<DatasetType> type(tagOf("dt.model"));
  EXPECT_EQ(type->defaultToolTag(), tagOf("tool.m"));
  POMRef<DatasetType> bare(tagOf("dt.text"));
  EXPECT_EQ(bare->defaultToolTag(), NULLTAG);
  int count = 0;
  host::HostArray<Tag> tools;
  ASSERT_EQ(type->listOfTool(&count, tools.out()), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(ask(Tool::find, "Modeler"), tagOf("tool.m"));
  Tag tool = tagOf("tool.m");
  ASSERT_EQ(Tool::find("Painter", &tool), 0);
  EXPECT_EQ(tool, NULLTAG);
  EXPECT_EQ(askList(AE_ask_tool_output_formats, tagOf("tool.m")),
            (std::vector<std::string>{"BIN", "TXT"}));

  const Tag dataset = create("dt.model");
  EXPECT_EQ(AE_set_dataset_tool(dataset, tagOf("tool.m")), POM_not_locked);
  bool locked = true;
  ASSERT_EQ(AE_is_dataset_locked(dataset, &locked), 0);
  EXPECT_FALSE(locked);
  ASSERT_EQ(AOM_refresh(dataset, true), 0);
  EXPECT_TRUE(ask(AE_is_dataset_locked, dataset));
  EXPECT_EQ(AE_set_dataset_tool(dataset, tagOf("o.1")), AE_invalid_tool);
  ASSERT_EQ(AE_set_dataset_tool(dataset, tagOf("tool.m")), 0);
  EXPECT_EQ(AE_set_dataset_format(dataset, std::string(33, 'F').c_str()), AE_name_too_long);
  ASSERT_EQ(AE_set_dataset_format(dataset, "BIN"), 0);
  ASSERT_EQ(AE_save_myself(dataset), 0);
  ASSERT_EQ(AOM_refresh(dataset, false), 0);
  EXPECT_EQ(ask(AE_ask_dataset_tool, dataset), tagOf("tool.m"));
}

TEST_F(DatasetWriteTest, NamedReferencesAreAddedFoundAndRemovedInOrder) {
  const Tag dataset = create("dt.model");
  ASSERT_EQ(AOM_refresh(dataset, true), 0);
  ASSERT_EQ(AE_add_dataset_named_ref(dataset, "PART", AE_reference_association, tagOf("o.1")), 0);
  ASSERT_EQ(AE_add_dataset_named_ref(dataset, "VIEW", AE_reference_part_of, tagOf("o.2")), 0);
  ASSERT_EQ(AE_add_dataset_named_ref(dataset, "PART", AE_reference_association, tagOf("o.2")), 0);
  EXPECT_EQ(AE_add_dataset_named_ref(dataset, std::string(33, 'N').c_str(), 1, tagOf("o.1")),
            AE_name_too_long);
  // A name repeats, an object repeats, but the same pair is refused.
  EXPECT_EQ(AE_add_dataset_named_ref(dataset, "PART", AE_reference_part_of, tagOf("o.2")),
            AE_reference_exists);
  EXPECT_EQ(names(dataset), (std::vector<std::string>{"PART=o.1", "VIEW=o.2", "PART=o.2"}));
  int kind = 0;
  Tag object;
  ASSERT_EQ(AE_ask_dataset_named_ref(dataset, "VIEW", &kind, &object), 0);
  EXPECT_EQ(kind, AE_reference_part_of);
  EXPECT_EQ(object, tagOf("o.2"));
  ASSERT_EQ(AE_ask_dataset_named_ref(dataset, "NONE", &kind, &object), 0);
  EXPECT_EQ(object, NULLTAG);
  char name[AE_reference_size_c + 1];
  ASSERT_EQ(AE_find_dataset_named_ref(dataset, 1, name, &kind, &object), 0);
  EXPECT_EQ(kind, AE_reference_part_of);
  EXPECT_EQ(AE_find_dataset_named_ref(dataset, 3, name, &kind, &object),
            AE_invalid_reference_index);
  ASSERT_EQ(AE_remove_dataset_named_ref_by_tag(dataset, "PART", tagOf("o.2")), 0);
  EXPECT_EQ(AE_remove_dataset_named_ref_by_tag(dataset, "VIEW", tagOf("o.1")),
            AE_reference_not_found);
  EXPECT_EQ(names(dataset), (std::vector<std::string>{"PART=o.1", "VIEW=o.2"}));
  ASSERT_EQ(AOM_refresh(dataset, false), 0);  // Unsaved: dropped.
  EXPECT_TRUE(names(dataset).empty());
}

}  // namespace
