// Items, types, datasets and display values of the host stand-in.
#include "host/object/item.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/object/aom.h"
#include "host/object/dataset.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/types.h"
#include "host/object/uif.h"
#include "tests/support/host_fixture.h"

namespace {

using soacad_test::ask;
using soacad_test::askList;

class ItemTest : public soacad_test::UserTest {
 protected:
  void SetUp() override {
    UserTest::SetUp();
    load(R"(<fixture>
      <type name="CAD Part" class="Item" parent="Item"/>
      <type name="AltId" class="Identifier"/>
      <type name="AVeryLongTypeNameThatIsMuchLongerThanThirtyTwo" class="Item" parent="Item"/>
      <object uid="i.2" class="Item" type="CAD Part"><prop name="item_id" value="000002"/>
        <prop name="object_name" value="A name of more than thirty-two characters"/></object>
      <object uid="r.2a" class="ItemRevision" type="ItemRevision">
        <prop name="item_revision_id" value="A"/><prop name="items_tag" value="i.2"/>
      </object>
      <object uid="r.2b" class="ItemRevision" type="ItemRevision">
        <prop name="item_revision_id" value="B"/><prop name="items_tag" value="i.2"/>
      </object>
      <object uid="dt.text" class="DatasetType" type="DatasetType">
        <prop name="datasettype_name" value="Text"/></object>
      <object uid="d.1" class="Dataset" type="Dataset"><prop name="dataset_type" value="dt.text"/></object>
    </fixture>)");
  }
};

TEST_F(ItemTest, NamesNeverOverrunTheirBuffers) {
  char buffer[ZOLTTYPE_name_size_c + 1 + 8];
  std::memset(buffer, 'x', sizeof buffer);
  const Tag longType = ask(ZOLTTYPE_ask_type, "AVeryLongTypeNameThatIsMuchLongerThanThirtyTwo");
  ASSERT_EQ(ZOLTTYPE_ask_name(longType, buffer), 0);
  EXPECT_EQ(std::strlen(buffer), static_cast<std::size_t>(ZOLTTYPE_name_size_c));
  EXPECT_EQ(buffer[ZOLTTYPE_name_size_c + 1], 'x');

  char name[WSO_name_size_c + 1];
  ASSERT_EQ(WSOM_ask_name(tagOf("i.2"), name), 0);
  EXPECT_EQ(std::string(name), std::string("A name of more than thirty-two characters", 32));
  char type[ZOLTTYPE_name_size_c + 1];
  ASSERT_EQ(ITEM_ask_type(tagOf("i.2"), type), 0);
  EXPECT_STREQ(type, "CAD Part");
  char id[ITEM_id_size_c + 1];
  ASSERT_EQ(ITEM_ask_id(tagOf("i.2"), id), 0);
  EXPECT_STREQ(id, "000002");
}

TEST(NameCutTest, CutsEndAtACharacterBoundary) {
  // 'a' then two-byte characters: a cut inside a character drops that character whole.
  std::string umlauts = "a";
  for (int i = 0; i < 40; ++i) {
    umlauts += "\xC3\x84";  // U+00C4
  }
  const std::string fourByte = "abc\xF0\x9F\x98\x80";  // three ASCII, then U+1F600
  struct Case {
    std::string text;
    std::size_t size;
    std::size_t length;
  } const cases[] = {
      {"", 4, 0},      {"abcd", 4, 4},   {"abcde", 4, 4},  {umlauts, 32, 31}, {umlauts, 31, 31},
      {umlauts, 2, 1}, {fourByte, 4, 3}, {fourByte, 6, 3}, {fourByte, 7, 7},  {umlauts, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host::utf8PrefixLength(c.text, c.size), c.length) << c.size;
    std::vector<char> buffer(c.size + 1, 'x');
    host::copyName(c.text, buffer.data(), static_cast<int>(c.size));
    EXPECT_EQ(std::string(buffer.data()), c.text.substr(0, c.length)) << c.size;
    EXPECT_EQ(host::cutName(c.text, static_cast<int>(c.size)), c.text.substr(0, c.length));
  }
}

TEST(NameCutTest, CharacterCountsEndAtACharacterBoundary) {
  const std::string umlauts = "a\xC3\x84\xC3\x84";     // 'a', then U+00C4 twice
  const std::string fourByte = "abc\xF0\x9F\x98\x80";  // three ASCII, then U+1F600
  struct Case {
    std::string text;
    std::size_t characters;
    std::size_t length;
  } const cases[] = {
      {"", 3, 0},      {"ab", 3, 2},     {"abc", 3, 3},    {"abcd", 3, 3},   {umlauts, 2, 3},
      {umlauts, 5, 5}, {fourByte, 3, 3}, {fourByte, 4, 7}, {fourByte, 9, 7}, {umlauts, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host::utf8CharacterPrefixLength(c.text, c.characters), c.length)
        << c.text << " " << c.characters;
  }
}

TEST_F(ItemTest, TypeLookupsByNameAndClass) {
  Tag type = 1;
  ASSERT_EQ(ZOLTTYPE_find_type("AltId", "Identifier", &type), 0);
  EXPECT_NE(type, NULLTAG);
  ASSERT_EQ(ZOLTTYPE_find_type("AltId", "Item", &type), 0);
  EXPECT_EQ(type, NULLTAG);
  // A class name that names no class exactly names the one that differs only in case.
  EXPECT_EQ(ask(ZOLTTYPE_find_type, "CAD Part", "ITEM"), ask(ZOLTTYPE_ask_type, "CAD Part"));
  EXPECT_EQ(ask(ZOLTTYPE_find_type, "AltId", "ITEM"), NULLTAG);
  EXPECT_EQ(ask(ZOLTTYPE_find_type, "CAD Part", "NoSuchClass"), NULLTAG);
  ASSERT_EQ(ZOLTTYPE_ask_type("No such type", &type), 0);
  EXPECT_EQ(type, NULLTAG);
  EXPECT_EQ(askList(ZOLTTYPE_ask_subtypes, ask(ZOLTTYPE_ask_type, "Item")).size(), 2u);
  char name[ZOLTTYPE_name_size_c + 1];
  ZOLTTYPE_ask_name(ask(ZOLTTYPE_ask_object_type, tagOf("i.2")), name);
  EXPECT_STREQ(name, "CAD Part");
}

TEST_F(ItemTest, DisplayValuesReadAndWriteThroughTheLock) {
  EXPECT_EQ(ask(AOM_UIF_ask_value, tagOf("f.home"), "contents"), "i.1");

  EXPECT_EQ(AOM_UIF_set_value(tagOf("i.1"), "object_name", "Renamed"), POM_not_locked);
  ASSERT_EQ(AOM_refresh(tagOf("i.1"), true), 0);
  ASSERT_EQ(AOM_UIF_set_value(tagOf("i.1"), "object_name", "Renamed"), 0);
  EXPECT_EQ(AOM_UIF_set_value(tagOf("i.1"), "owning_user", "no.such.user"), POM_invalid_value);
  AOM_save(tagOf("i.1"));
  AOM_refresh(tagOf("i.1"), false);
  EXPECT_EQ(ask(AOM_UIF_ask_value, tagOf("i.1"), "object_name"), "Renamed");
  EXPECT_EQ(host::allocator().outstanding(), 0u);
}

}  // namespace
