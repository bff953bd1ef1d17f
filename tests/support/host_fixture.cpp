#include "tests/support/host_fixture.h"

#include <sstream>

#include "host/object/error_store.h"
#include "host/object/memory.h"

namespace soacad_test {

const char* const kUserFixture = R"(<fixture>
  <object uid="u.jdoe" class="User" type="User">
    <prop name="user_id" value="jdoe"/>
    <prop name="user_name" value="J. Doe"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.newstuff"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="owning_user" value="u.jdoe"/>
    <prop name="contents">
      <v value="i.1"/>
    </prop>
  </object>
  <object uid="f.newstuff" class="Folder" type="Folder">
    <prop name="object_name" value="Newstuff"/>
    <prop name="owning_user" value="u.jdoe"/>
  </object>
  <object uid="i.1" class="Item" type="Item">
    <prop name="object_name" value="First item"/>
    <prop name="item_id" value="000001"/>
  </object>
  <session currentUser="u.jdoe"/>
</fixture>
)";

void HostTest::SetUp() {
  host::Store::instance().reset();
  host::allocator().resetCounts();
}

void HostTest::load(const std::string& fixture) {
  try {
    store().loadFixture(fixture);
  } catch (const host::FixtureError& error) {
    FAIL() << error.what();
  }
}

std::string HostTest::savedObjects() const {
  std::istringstream saved(host::Store::instance().saveFixture());
  std::string kept;
  for (std::string line; std::getline(saved, line);) {
    if (line.find("<counter ") == std::string::npos) {
      kept += line + "\n";
    }
  }
  return kept;
}

std::vector<int> HostTest::storedCodes() const {
  std::vector<int> codes;
  for (const host::ErrorEntry& entry : host::errorStore().entries()) {
    codes.push_back(entry.code);
  }
  return codes;
}

}  // namespace soacad_test
