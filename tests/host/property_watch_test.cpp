// What a property watch hears: the changes a session makes to the value it watches, and the
// unsaved value a refresh drops, but not the objects a fixture load makes.
#include <gtest/gtest.h>

#include <vector>

#include "host/object/aom.h"
#include "host/object/store.h"
#include "tests/support/host_fixture.h"

namespace {

// The objects the watch below heard of, oldest first.
std::vector<Tag>& heard() {
  static std::vector<Tag> objects;
  return objects;
}

const host::PropertyWatch kWatchProbes("probe_value",
                                       [](Tag object) { heard().push_back(object); });

class PropertyWatchTest : public soacad_test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    heard().clear();
    load(R"(<fixture>
      <class name="Probe" parent="POM_object"><property name="probe_value" type="string"/></class>
      <type name="Probe" class="Probe"/>
      <object uid="p.1" class="Probe"><prop name="probe_value" value="loaded"/></object>
    </fixture>)");
  }
};

TEST_F(PropertyWatchTest, HearsSessionWritesAndTheirDropButNotALoad) {
  const Tag probe = tagOf("p.1");
  EXPECT_TRUE(heard().empty()) << "a loaded object appears as new; its values are not news";
  ASSERT_EQ(AOM_lock(probe), 0);
  ASSERT_EQ(AOM_refresh(probe, false), 0);
  EXPECT_TRUE(heard().empty()) << "a refresh with nothing unsaved changes no value";

  ASSERT_EQ(AOM_lock(probe), 0);
  ASSERT_EQ(AOM_set_value_string(probe, "probe_value", "written"), 0);
  EXPECT_EQ(heard(), std::vector<Tag>{probe});
  ASSERT_EQ(AOM_refresh(probe, false), 0);  // The unsaved value goes: "loaded" again.
  EXPECT_EQ(heard(), (std::vector<Tag>{probe, probe}));
  EXPECT_EQ(text(probe, "probe_value"), "loaded");
}

}  // namespace
