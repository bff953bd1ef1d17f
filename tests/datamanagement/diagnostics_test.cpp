// The diagnostic dump of createOrUpdateParts and createOrUpdateRelations on standard output,
// and the timing log of createOrUpdateParts.
#include "datamanagement/diagnostics.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "datamanagement/create_or_update_relations.h"
#include "host/object/host_call.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "tests/support/host_fixture.h"
#include "tests/support/service_fixture.h"

namespace {

using Korvane::Soa::Cad::CreateOrUpdateRelationsImpl;
using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using PartsResponse = Korvane::Schemas::Cad::_2007_01::Datamanagement::CreateOrUpdatePartsResponse;

// A second item that the first refers to.
const char* const kWorld = R"(<fixture>
  <type name="ZOLT_reference" class="ImanRelation"/><object uid="i.2" class="Item" type="Item"/>
  <relation uid="rel.1" type="ZOLT_reference" primary="i.1" secondary="i.2"/>
</fixture>)";

// A new part with a description, a dataset with one new named-reference form, and the extra
// objects `extras` (by default one whose relation type does not exist).
std::string newPart(
    const std::string& extras =
        R"(<extraObject clientId="e1" relationTypeName="NoSuchRelation" typeName="Form"/>)") {
  return R"(<CreateOrUpdatePartsInput><info clientId="p1">)"
         R"(<itemInput itemId="X-1" name="Bracket" description="steel"/><itemRevInput revId="A">)" +
         extras +
         R"(</itemRevInput><datasetInput clientId="d1" name="model" type="CADModel")"
         R"( itemRevRelationName="ZOLT_specification"><namedReferenceObjectInfo clientId="n1")"
         R"( typeName="Form" namedReferenceName="REF"/></datasetInput></info></CreateOrUpdatePartsInput>)";
}

class DiagnosticsTest : public soacad_test::ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    unsetenv("DEBUG_SOACAD");
    unsetenv("TIME_SOACAD");
    load(soacad_test::kUserFixture);
    load(soacad_test::kCadModelFixture);
    load(kWorld);
  }

  PartsResponse runParts(const std::string& request = newPart()) {
    return responseOf<PartsResponse>(call("createOrUpdateParts", request));
  }
  std::string dumpOfParts() {
    return soacad_test::stdoutOf([this] { runParts(); });
  }
  std::string dumpOfRelations(const std::vector<DataManagement::CreateOrUpdateRelationsInfo>& info,
                              const DataManagement::CreateOrUpdateRelationsPref& pref) {
    return soacad_test::stdoutOf(
        [&] { CreateOrUpdateRelationsImpl().createOrUpdateRelations(info, true, pref); });
  }
  static std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string tempPath(const std::string& name) {
    return testing::TempDir() + "soacad_diagnostics_" + std::to_string(getpid()) + "_" + name;
  }
};

const std::string kBanner(81, '*');

// --- Dump --------------------------------------------------------------------------------

// The empty value switches the dump on; it leaves the attribute mappings' own dump off.
TEST_F(DiagnosticsTest, PartsDumpShowsInputsAndProgressIndentedByStep) {
  soacad_test::ScopedEnv debug("DEBUG_SOACAD", "");
  EXPECT_EQ(dumpOfParts(), kBanner + "\n" + R"(Start of data dump from createOrUpdateParts 
   clientId : p1
      ItemInfo : 
         item : 0
         itemId : X-1
         name : Bracket
         description : steel
      ItemRevInfo : 
         itemRevision : 0
         revId : A
         Attribute list :
            updating object_desc: steel
      Process Extra object : 
      Process Extra object : 
         ExtraObjectInfo : 
            object : 0
            clientId : e1
            relationTypeName : NoSuchRelation
            typeName : Form
Error encountered!!
      Process datasets : 
         DatasetInfo : 
            dataset : 0
            name : model
            description : 
            type : CADModel
            id : 
            datasetRev : 
            createNewVersion : 0
            Attribute list :
               ignoring object_name: model
         Process Extra object : 
         Process Named Referenced objects : 
            NamedReferenceObjectInfo : 
               clientId : n1
               object : 0
               typeName : Form
               namedReferenceName : REF
            Attribute list :
         Process mapped attributes : 
      Saving folder Home
End of data dump from createOrUpdateParts 
)" + kBanner + "\n");
}

// A step that fails (here the lock of a new extra form) leaves the lines after it at their own
// level.
TEST_F(DiagnosticsTest, AFailingStepKeepsTheIndentOfTheLinesAfterIt) {
  soacad_test::ScopedEnv debug("DEBUG_SOACAD", "");
  host::faultPlan().fail("AOM_refresh", 7013, 3);  // The item's lock and release come first.
  PartsResponse response;
  const std::string dump = soacad_test::stdoutOf([&] {
    response = runParts(newPart(
        R"(<extraObject clientId="e1" relationTypeName="ZOLT_reference" typeName="Form">)"
        R"(<attrNameValuePair name="object_desc" value="x"/></extraObject>)"
        R"(<extraObject clientId="e2" relationTypeName="NoSuchRelation" typeName="Form"/>)"));
  });
  EXPECT_EQ(partialErrorsOf(response).at(0), "p1;e1: 7013");
  EXPECT_NE(dump.find("Error encountered!!\n         ExtraObjectInfo : \n            object : 0\n"
                      "            clientId : e2\n"),
            std::string::npos)
      << dump;
}

// The same dump for relations (its exact layout is that of the parts dump): each input, a
// lookup that fails, the filters and the steps.
TEST_F(DiagnosticsTest, RelationsDumpShowsInputsFiltersAndSteps) {
  soacad_test::ScopedEnv debug("DEBUG_SOACAD", "");
  DataManagement::CreateOrUpdateRelationsInfo create{
      "c1", "ZOLT_reference", tagOf("i.2"), tagOf("i.1"), {}, NULLTAG};
  DataManagement::CreateOrUpdateRelationsInfo update{"u1",           "",     NULLTAG, NULLTAG,
                                                     tagOf("rel.1"), NULLTAG};
  DataManagement::CreateOrUpdateRelationsInfo unknown{"bad",        "Nope", tagOf("i.1"),
                                                      tagOf("i.2"), {},     NULLTAG};
  DataManagement::CreateOrUpdateRelationsPref pref;
  pref.info.push_back({"ZOLT_reference", {"Item"}});
  const std::string dump = dumpOfRelations({create, update, unknown}, pref);
  EXPECT_EQ(dump.rfind(kBanner + "\nStart of data dump from createOrUpdateRelations \n", 0), 0u);
  for (const std::string& lines :
       {withTags(R"(CreateOrUpdateRelationsInfo : 
   clientId : c1
   relationType : ZOLT_reference
   primaryObject : {i.2}
   secondaryObject : {i.1}
   relation : 0
   userData : 0
)"),
        withTags("   relation : {rel.1}\n"), std::string(R"(   userData : 0
Getting relation type tag error encountered!!
RelationAndTypesFilter : 
   relationName : ZOLT_reference
   object types : 
      Item
Creating relation
Updating relation
End of data dump from createOrUpdateRelations 
)")}) {
    EXPECT_NE(dump.find(lines), std::string::npos) << lines << dump;
  }
}

TEST_F(DiagnosticsTest, WithTheSwitchOffNothingIsPrinted) {
  EXPECT_EQ(dumpOfParts(), "");
  EXPECT_EQ(dumpOfRelations({}, {}), "");
}

// --- Timing log --------------------------------------------------------------------------

TEST_F(DiagnosticsTest, EachCallAppendsABeginAndAnEndLineWithTheUtcTime) {
  const std::string log = tempPath("time.log");
  std::remove(log.c_str());
  soacad_test::ScopedEnv timing("TIME_SOACAD", log.c_str());
  runParts();
  runParts();
  std::istringstream lines(readFile(log));
  std::vector<std::string> phases;
  const std::regex format(
      "CreateOrUpdatePartsImpl::createOrUpdateParts (begin\\.\\.\\. |end      )"
      "([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]");
  int secondOfDay = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(line, match, format)) << line;
    phases.push_back(match[1]);
    const std::string time = line.substr(line.size() - 8);
    secondOfDay = std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 +
                  std::stoi(time.substr(6, 2));
  }
  EXPECT_EQ(phases, (std::vector<std::string>{"begin... ", "end      ", "begin... ", "end      "}));
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  const int nowOfDay = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
  EXPECT_LE((nowOfDay - secondOfDay + 86400) % 86400, 5) << "not the UTC time of the call";
  std::remove(log.c_str());
}

TEST_F(DiagnosticsTest, AnUnwritableTimingLogIsSkippedAndTheCallSucceeds) {
  soacad_test::ScopedEnv timing("TIME_SOACAD", "/nonexistent-soacad-directory/time.log");
  const PartsResponse response = runParts();  // The host is left settled all the same.
  ASSERT_EQ(response.getOutputArray().size(), 1u);
  EXPECT_NE(response.getOutputArray()[0].getItem().getUid(), "");
}

}  // namespace
