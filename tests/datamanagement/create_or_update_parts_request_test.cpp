// createOrUpdateParts from request text to reply, through the registered service: what a CAD
// client sends and what it reads back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/object/file_tickets.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/service_fixture.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;

class PartsRequestTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    load(soacad_test::kUserFixture);
    load(soacad_test::kCadModelFixture);
  }
  Wire::CreateOrUpdatePartsResponse send(const std::string& parts) {
    return responseOf<Wire::CreateOrUpdatePartsResponse>(
        call("createOrUpdateParts",
             "<CreateOrUpdatePartsInput>" + parts + "</CreateOrUpdatePartsInput>"));
  }
  static std::vector<std::string> stacks(const Wire::CreateOrUpdatePartsResponse& response) {
    return soacad_test::stacks(response.getServiceData().getPartialErrorArray());
  }
};

TEST_F(PartsRequestTest, FailuresComeBackAsErrorStacksUnderComposedKeys) {
  host::fileManagement().refuse("refused.prt");
  Wire::CreateOrUpdatePartsResponse response = send(R"(
    <info clientId="gone"><itemInput><item uid="no.such.item"/></itemInput></info>
    <info clientId="p">
      <itemInput>
        <extraObject clientId="e" typeName="Form" relationTypeName="NoSuchRelation"/>
      </itemInput>
      <datasetInput clientId="d" name="m" type="CADModel" itemRevRelationName="ZOLT_specification">
        <datasetFileInfo clientId="ok" fileName="ok.prt"/>
        <datasetFileInfo clientId="refused" fileName="refused.prt"/>
      </datasetInput>
    </info>)");
  ASSERT_EQ(response.getOutputArray().size(), 2u);
  EXPECT_EQ(response.getOutputArray()[0].getItem().getUid(), "");
  EXPECT_FALSE(response.getOutputArray()[1].getItem().getUid().empty());
  EXPECT_EQ(stacks(response),
            (std::vector<std::string>{"gone: 7007", "p;e: 215050", "refused: 60001"}));
  EXPECT_EQ(response.getOutputArray()[1].getDatasetOutputArray()[0].getCommitInfoArray().size(),
            1u);
}

TEST_F(PartsRequestTest, APartWhoseStepCannotBeKeptLeavesNothingAndCanBeSentAgain) {
  const char* const part =
      R"(<info clientId="p"><itemInput name="Shaft" itemId="SH-1"/><itemRevInput revId="A"/></info>)";
  host::faultPlan().fail("POM_forget_markpoint", POM_invalid_markpoint, 1);
  Wire::CreateOrUpdatePartsResponse response = send(part);
  EXPECT_EQ(stacks(response), std::vector<std::string>{"p: 7016"});
  EXPECT_EQ(response.getServiceData().getCreatedObjArray().size(), 0u);
  EXPECT_EQ(host::findItemById("SH-1"), NULLTAG);
  host::faultPlan().clear();
  response = send(part);
  EXPECT_EQ(stacks(response), std::vector<std::string>{});
  EXPECT_NE(host::findItemById("SH-1"), NULLTAG);
}

}  // namespace
