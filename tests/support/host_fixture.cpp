#include "tests/support/host_fixture.h"

#include "host/object/error_store.h"
#include "host/object/grm.h"
#include "host/object/journal.h"
#include "tests/support/reply_checks.h"

namespace soacad_test {

const char* const kUserFixture = R"(<fixture>
  <object uid="u.jdoe" class="User" type="User">
    <prop name="user_id" value="jdoe"/><prop name="user_name" value="J. Doe"/>
    <prop name="home_folder" value="f.home"/><prop name="newstuff_folder" value="f.newstuff"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/><prop name="owning_user" value="u.jdoe"/>
    <prop name="contents"><v value="i.1"/></prop>
  </object>
  <object uid="f.newstuff" class="Folder" type="Folder">
    <prop name="object_name" value="Newstuff"/><prop name="owning_user" value="u.jdoe"/>
  </object>
  <object uid="i.1" class="Item" type="Item">
    <prop name="object_name" value="First item"/><prop name="item_id" value="000001"/>
  </object>
  <session currentUser="u.jdoe"/>
</fixture>
)";

const char* const kCadModelFixture = R"(<fixture>
  <type name="ZOLT_specification" class="ImanRelation"/>
  <object uid="tool.m" class="Tool" type="Tool">
    <prop name="tool_name" value="Modeler"/><prop name="output_formats"><v value="BIN"/></prop>
  </object>
  <object uid="dt.model" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/><prop name="default_tool" value="tool.m"/>
  </object>
  <preferences><preference name="WsoInsertNoSelectionsPref"><v value="2"/></preference></preferences>
</fixture>)";

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

std::vector<std::string> HostTest::uidsOf(const std::vector<Tag>& tags) const {
  std::vector<std::string> uids;
  for (Tag tag : tags) {
    uids.push_back(host::Store::instance().uidOfTag(tag));
  }
  return uids;
}

Tag HostTest::deletedTag() {
  load(R"(<fixture><object uid="gone" class="Folder" type="Folder"/></fixture>)");
  const Tag tag = tagOf("gone");
  EXPECT_EQ(store().remove(tag), 0);
  return tag;
}

std::string HostTest::withTags(const std::string& text) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t open; (open = text.find('{', from)) != std::string::npos;) {
    const std::size_t close = text.find('}', open);
    result += text.substr(from, open - from) +
              std::to_string(tagOf(text.substr(open + 1, close - open - 1)));
    from = close + 1;
  }
  return result + text.substr(from);
}

std::string HostTest::savedObjects() const {
  return reply_checks::savedStore();
}

std::vector<int> HostTest::storedCodes() const {
  std::vector<int> codes;
  for (const host::ErrorEntry& entry : host::errorStore().entries()) {
    codes.push_back(entry.code);
  }
  return codes;
}

std::vector<std::string> HostTest::takeNewestEntry() {
  std::vector<std::string> result;
  const std::vector<host::ErrorEntry> entries = host::errorStore().takeSnapshot();
  if (!entries.empty()) {
    result.push_back(std::to_string(entries.back().code));
    result.insert(result.end(), entries.back().texts.begin(), entries.back().texts.end());
  }
  return result;
}

void HostTest::expectSettled(std::size_t outstanding) {
  for (const std::string& breach : reply_checks::settledBreaches({outstanding, 0, 0, {}})) {
    ADD_FAILURE() << breach;
  }
}

const host::Value& HostTest::saved(Tag object, const char* property) {
  static const host::Value kNull;
  const host::ObjectRecord* record = store().find(object);
  if (record == nullptr) {
    ADD_FAILURE() << store().uidOfTag(object) << " is no object";
    return kNull;
  }
  const host::PropertyState* found = record->properties.find(property);
  return found == nullptr ? kNull : found->saved;
}

std::string HostTest::savedText(Tag object, const char* property) {
  const host::Value& value = saved(object, property);
  return value.texts.empty() ? std::string() : value.texts.front();
}

Tag HostTest::savedTag(Tag object, const char* property) {
  const host::Value& value = saved(object, property);
  return value.tags.empty() ? NULLTAG : value.tags.front();
}

std::string HostTest::text(Tag object, const char* property) {
  const host::Value* value = nullptr;
  EXPECT_EQ(store().read(object, property, &value), 0) << store().uidOfTag(object) << property;
  return value == nullptr || value->texts.empty() ? std::string() : value->texts.front();
}

std::vector<Tag> HostTest::secondaries(Tag primary, const char* type) {
  Tag relationType;
  EXPECT_EQ(GRM_find_relation_type(type, &relationType), 0);
  int count = 0;
  host::HostArray<Tag> objects;
  EXPECT_EQ(GRM_list_secondary_objects_only(primary, relationType, &count, objects.out()), 0);
  return std::vector<Tag>(objects.get(), objects.get() + count);
}

}  // namespace soacad_test
