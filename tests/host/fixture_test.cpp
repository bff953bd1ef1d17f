#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/store.h"
#include "tests/support/host_fixture.h"

namespace {

// A document that uses every element of the format.
const char* const kRichFixture = R"(<fixture>
  <class name="Document" parent="Item">
    <property name="pages" type="int"/><property name="ratio" type="double"/>
    <property name="released" type="logical"/><property name="released_on" type="date"/>
    <property name="keywords" type="string" array="true"/>
    <property name="related" type="reference" array="true"/>
    <property name="checksum" type="string" modifiable="false"/>
  </class>
  <type name="Document" class="Document" parent="Item"/>
  <type name="Drawing" class="Document" parent="Document"/>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <message code="215022" text="The type %1$ was not found."/>
  <object uid="d.1" class="Document" type="Drawing" new="true">
    <prop name="object_name" value="Plan &lt;one&gt; &amp; &quot;two&quot;&#10;line&#9;tab&#13;"/>
    <prop name="pages" value="+012"/><prop name="ratio" value="0.5e1"/>
    <prop name="released" value="1"/><prop name="released_on" value="2007-06-30T12:00:00"/>
    <prop name="keywords"><v value="alpha"/><v/></prop>
    <prop name="related"><v value="f.1"/><v/><v value="gone"/></prop>
  </object>
  <relation uid="r.1" type="ZOLT_master_form" primary="d.1" secondary="fm.1"/>
  <object uid="fm.1" class="Form" type="Form" modifiable="false"/>
  <object uid="f.1" class="Folder" type="Folder"><prop name="contents"><v value="d.1"/></prop></object>
  <object uid="u.1" class="User" type="User"><prop name="home_folder" value="f.1"/></object>
  <session currentUser="u.1"/>
  <preferences searchScope="user">
    <preference name="WsoInsertNoSelectionsPref"><v value="1"/></preference>
    <preference name="SOACAD_checkout_required" scope="user"><v value="true"/><v value=""/></preference>
  </preferences>
</fixture>
)";

class FixtureTest : public soacad_test::HostTest {
 protected:
  // The FixtureError message of loading `text`, empty when it loads.
  std::string loadError(const std::string& text) {
    try {
      store().loadFixture(text);
      return std::string();
    } catch (const host::FixtureError& error) {
      return error.what();
    }
  }
};

TEST_F(FixtureTest, LoadsEveryKindOfContent) {
  load(kRichFixture);
  const Tag document = tagOf("d.1");
  EXPECT_TRUE(store().isInstanceOf(document, "Item"));
  EXPECT_EQ(store().typeName(store().find(document)->type), "Drawing");
  EXPECT_EQ(store().parentType(store().findType("Drawing")), store().findType("Document"));
  EXPECT_EQ(store().subtypes(store().findType("Item")),
            std::vector<Tag>{store().findType("Document")});
  EXPECT_TRUE(store().find(document)->newlyCreated);
  EXPECT_FALSE(store().find(tagOf("fm.1"))->modifiable);
  // Values are kept in canonical form.
  EXPECT_EQ(text(tagOf("d.1"), "pages"), "12");
  EXPECT_EQ(text(tagOf("d.1"), "ratio"), "5");
  EXPECT_EQ(text(tagOf("d.1"), "released"), "true");
  EXPECT_EQ(text(tagOf("d.1"), "object_name"), "Plan <one> & \"two\"\nline\ttab\r");
  // References point forward and to UIDs that name nothing.
  const host::Value* related = nullptr;
  ASSERT_EQ(store().read(document, "related", &related), 0);
  EXPECT_EQ(related->tags, (std::vector<Tag>{tagOf("f.1"), NULLTAG, tagOf("gone")}));
  EXPECT_EQ(tagOf("gone").isValid(), POM_invalid_tag);
  const host::Value* primary = nullptr;
  ASSERT_EQ(store().read(tagOf("r.1"), "primary_object", &primary), 0);
  EXPECT_EQ(primary->tags, std::vector<Tag>{document});
  EXPECT_EQ(store().currentUser(), tagOf("u.1"));
  EXPECT_EQ(store().searchScope(), "user");
  ASSERT_NE(store().findPreference("SOACAD_checkout_required", "user"), nullptr);
  EXPECT_EQ(store().findPreference("SOACAD_checkout_required", "user")->values,
            (std::vector<std::string>{"true", ""}));
  EXPECT_NE(store().findPreference("WsoInsertNoSelectionsPref", "site"), nullptr);
  EXPECT_EQ(*store().messageTemplate(215022), "The type %1$ was not found.");
}

TEST_F(FixtureTest, InstanceOfFollowsTheClassChainByExactName) {
  load(kRichFixture);
  ASSERT_EQ(store().remove(tagOf("r.1")), 0);
  struct Case {
    const char* uid;
    const char* className;
    bool expected;
  };
  const Case cases[] = {
      {"d.1", "Document", true},         // its own class
      {"d.1", "Item", true},             // an ancestor
      {"d.1", "POM_object", true},       // the root
      {"d.1", "Folder", false},          // a class off its chain
      {"d.1", "Ite", false},             // a prefix of an ancestor's name
      {"d.1", "Items", false},           // an ancestor's name with more
      {"d.1", "", false},                // no name
      {"d.1", "NoSuchClass", false},     // no such class
      {"f.1", "WorkspaceObject", true},  // another object, its own chain
      {"r.1", "POM_object", false},      // a deleted object
      {"gone", "POM_object", false},     // an unknown UID's tag
  };
  for (const Case& c : cases) {
    EXPECT_EQ(store().isInstanceOf(tagOf(c.uid), c.className), c.expected)
        << c.uid << " " << c.className;
  }
  EXPECT_FALSE(store().isInstanceOf(NULLTAG, "POM_object"));
  EXPECT_FALSE(store().isInstanceOf(store().classId("Item"), "Item"));
}

TEST_F(FixtureTest, SaveLoadSaveIsStable) {
  load(kRichFixture);
  load(soacad_test::kUserFixture);
  const std::string first = store().saveFixture();
  store().reset();
  load(first);
  const std::string second = store().saveFixture();
  EXPECT_EQ(first, second);
  store().reset();
  load(second);
  EXPECT_EQ(store().saveFixture(), second);
}

// A store saved when the host still let clients write an item's id and a folder's contents
// declares them writable: it loads, and the host's stricter declaration stands. The other way
// round (a writable property declared not writable) is another definition and is refused.
TEST_F(FixtureTest, AnOlderStoreThatDeclaresHostKeptPropertiesWritableLoads) {
  EXPECT_EQ(loadError(R"(<fixture>
    <class name="Item" parent="WorkspaceObject"><property name="item_id" type="string"/></class>
    <class name="Folder" parent="WorkspaceObject">
      <property name="contents" type="reference" array="true"/></class>
    <object uid="i.9" class="Item"><prop name="item_id" value="9"/></object>
  </fixture>)"),
            "");
  bool modifiable = true;
  ASSERT_EQ(AOM_is_modifiable(tagOf("i.9"), "item_id", &modifiable), 0);
  EXPECT_FALSE(modifiable);
  EXPECT_NE(loadError(R"(<fixture><class name="WorkspaceObject">)"
                      R"(<property name="object_name" type="string" modifiable="false"/>)"
                      "</class></fixture>")
                .find("already defined otherwise"),
            std::string::npos);
}

// The file keeps a session as it is: unsaved values (a null one and an array too) and locks
// load back as unsaved values and locks; deleted objects are gone.
TEST_F(FixtureTest, SaveKeepsTheSessionAsItIs) {
  load(kRichFixture);
  const Tag folder = tagOf("f.1");
  const Tag document = tagOf("d.1");
  ASSERT_EQ(AOM_refresh(folder, true), 0);
  ASSERT_EQ(AOM_set_value_string(folder, "object_name", "Unsaved"), 0);
  ASSERT_EQ(store().write(folder, "contents", host::Value(), host::WriteMode::host), 0);
  ASSERT_EQ(store().write(document, "pages", host::Value(), host::WriteMode::host), 0);
  ASSERT_EQ(store().setModifiable(tagOf("fm.1"), true), 0);
  ASSERT_EQ(AOM_delete(tagOf("fm.1")), 0);
  const std::string saved = store().saveFixture();
  EXPECT_EQ(saved.find("uid=\"fm.1\""), std::string::npos);
  // The relation stays, its secondary end now a UID that names nothing.
  EXPECT_NE(saved.find("<relation uid=\"r.1\" type=\"ZOLT_master_form\" primary=\"d.1\" "
                       "secondary=\"fm.1\"/>"),
            std::string::npos);

  store().reset();
  load(saved);
  auto contents = [&] {
    const host::Value* value = nullptr;
    EXPECT_EQ(store().read(tagOf("f.1"), "contents", &value), 0);
    return value == nullptr ? std::vector<Tag>() : std::vector<Tag>(value->tags);
  };
  EXPECT_EQ(store().saveFixture(), saved);
  EXPECT_TRUE(store().find(tagOf("f.1"))->locked);
  EXPECT_EQ(text(tagOf("f.1"), "object_name"), "Unsaved");
  EXPECT_TRUE(contents().empty());
  EXPECT_EQ(text(tagOf("d.1"), "pages"), "");
  // The saved values are still underneath: dropping the session's gives them back.
  ASSERT_EQ(AOM_refresh(tagOf("f.1"), false), 0);
  EXPECT_EQ(contents(), std::vector<Tag>{tagOf("d.1")});
  EXPECT_FALSE(store().find(tagOf("f.1"))->locked);
  EXPECT_NE(loadError("<fixture><object class=\"Item\"><working name=\"item_id\" value=\"1\"/>"
                      "<working name=\"item_id\"/></object></fixture>")
                .find("given twice"),
            std::string::npos);
}

TEST_F(FixtureTest, FileLoads) {
  const std::string path = testing::TempDir() + "host_fixture_test.xml";
  {
    std::ofstream file(path);
    file << soacad_test::kUserFixture;
  }
  store().loadFixtureFile(path);
  std::remove(path.c_str());
  EXPECT_EQ(store().currentUser(), tagOf("u.jdoe"));
  EXPECT_THROW(store().loadFixtureFile(path), host::FixtureError);
}

TEST_F(FixtureTest, MalformedDocumentsNameWhatAndWhere) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"<fixture>", "fixture line 1"},
      {"<other/>", "root element must be <fixture>"},
      {"<fixture>\n  <thing/>\n</fixture>", "fixture line 2, column 11: unknown element <thing>"},
      {"<fixture><object class=\"Nope\"/></fixture>", "class Nope is not defined"},
      {"<fixture><object class=\"Item\" type=\"Folder\"/></fixture>", "is not of class"},
      {"<fixture><object class=\"Item\" colour=\"red\"/></fixture>", "no attribute \"colour\""},
      {"<fixture><object class=\"Item\"><prop name=\"item_id\">x</prop></object></fixture>",
       "holds text"},
      {"<fixture><object class=\"Item\"><prop name=\"nope\" value=\"1\"/></object></fixture>",
       "has no property nope"},
      {"<fixture><object class=\"Item\"><prop name=\"item_id\" value=\"1\"/>"
       "<prop name=\"item_id\" value=\"2\"/></object></fixture>",
       "given twice"},
      {"<fixture><object class=\"Item\"><working name=\"item_id\" value=\"1\">"
       "<v value=\"2\"/></working></object></fixture>",
       "<working> has no child elements"},
      {"<fixture><class name=\"C\" parent=\"Item\"><property name=\"n\" type=\"int\"/></class>"
       "<type name=\"C\" class=\"C\"/>"
       "<object class=\"C\"><prop name=\"n\" value=\"twelve\"/></object></fixture>",
       "\"twelve\" is not a valid int value"},
      {"<fixture><object class=\"Folder\"><prop name=\"contents\" value=\"x\"/></object>"
       "</fixture>",
       "is an array"},
      {"<fixture><object uid=\"a\" class=\"Item\"/><object uid=\"a\" class=\"Item\"/></fixture>",
       "already in use"},
      {"<fixture><class name=\"Item\" parent=\"Folder\"/></fixture>", "another parent"},
      {"<fixture><class name=\"Folder\"><property name=\"contents\" type=\"string\"/></class>"
       "</fixture>",
       "already defined otherwise"},
      {"<fixture><class name=\"WorkspaceObject\"><property name=\"item_id\" type=\"string\"/>"
       "</class></fixture>",
       "already defined by class Item"},
      {"<fixture><type name=\"X\" class=\"Item\" parent=\"Folder\"/></fixture>", "is not of class"},
      {"<fixture><relation type=\"Item\"/></fixture>", "is not of class"},
      {"<fixture><relation class=\"Item\" type=\"Item\"/></fixture>", "not a relation class"},
      {"<fixture><object uid=\"f\" class=\"Folder\"/><session currentUser=\"f\"/></fixture>",
       "currentUser \"f\" is not a user"},
      {"<fixture><message code=\"12a\" text=\"x\"/></fixture>",
       "message code \"12a\" is not a number"},
      {"<fixture><class name=\"C\" parent=\"Nope\"/></fixture>",
       "class C: parent class Nope is not defined"},
      {"<fixture><type name=\"X\" class=\"Item\" parent=\"Nope\"/></fixture>",
       "type X: parent type Nope is not defined"},
      {"<fixture><class name=\"C\" parent=\"Item\"><property name=\"n\" type=\"colour\"/>"
       "</class></fixture>",
       "unknown value type \"colour\""},
      {"<!DOCTYPE fixture [<!ENTITY e \"x\">]><fixture/>", "fixture line"},
  };
  for (const auto& test : cases) {
    const std::string error = loadError(test.text);
    EXPECT_NE(error.find(test.expected), std::string::npos)
        << "document: " << test.text << "\nerror: " << error;
  }
}

TEST_F(FixtureTest, FailedLoadLeavesTheStoreAsItWas) {
  load(soacad_test::kUserFixture);
  ERROR_store(3, 42);
  const std::string before = store().saveFixture();
  const std::string error = loadError(R"(<fixture>
    <class name="Extra" parent="Item"/>
    <type name="Extra" class="Extra"/>
    <object uid="x.1" class="Extra"/>
    <object uid="x.2" class="Missing"/>
  </fixture>)");
  EXPECT_NE(error.find("class Missing is not defined"), std::string::npos);
  EXPECT_EQ(store().saveFixture(), before);
  EXPECT_EQ(store().classId("Extra"), NULLTAG);
  EXPECT_EQ(storedCodes(), std::vector<int>{42});
}

// A counter hands out numbers up to Store::kMaxCount, saved and loaded with the store. At the
// last one it refuses (7019, naming the counter and where it stopped) and stays there; a
// document holding a counter past it is refused.
TEST_F(FixtureTest, CountersStopAtTheirHighestNumber) {
  load(R"(<fixture><counter name="ids" value="9223372036854775806"/></fixture>)");
  std::uint64_t value = 0;
  EXPECT_EQ(store().nextCount("ids", &value), 0);
  EXPECT_EQ(value, host::Store::kMaxCount);
  EXPECT_EQ(store().nextCount("ids", &value), 7019);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(takeNewestEntry(), (std::vector<std::string>{"7019", "ids", "9223372036854775807"}));
  EXPECT_EQ(store().counters().at("ids"), host::Store::kMaxCount);
  EXPECT_NE(store().saveFixture().find(R"(<counter name="ids" value="9223372036854775807"/>)"),
            std::string::npos);
  EXPECT_EQ(store().nextCount("other", &value), 0);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(loadError(R"(<fixture><counter name="ids" value="9223372036854775807"/></fixture>)"),
            "");
  EXPECT_NE(loadError(R"(<fixture><counter name="c" value="9223372036854775808"/></fixture>)")
                .find("counter value \"9223372036854775808\" is past the highest a counter "
                      "reaches, 9223372036854775807"),
            std::string::npos);
  EXPECT_EQ(store().counters().count("c"), 0u);
}

// A saved store that cannot be read is named as what it is, not as a request, and what its fault
// quotes of it is bounded.
TEST_F(FixtureTest, StoreFaultsSpeakOfTheStoreAndAreShort) {
  const std::string nul = loadError(std::string("<fixture>\0</fixture>", 21));
  EXPECT_NE(nul.find("NUL character refused: saved stores are text"), std::string::npos) << nul;
  const std::string encoding = loadError("<?xml version=\"1.0\" encoding=\"Latin-1\"?><fixture/>");
  EXPECT_NE(encoding.find("refused: saved stores are read as UTF-8"), std::string::npos)
      << encoding;
  const std::string doctype = loadError("<!DOCTYPE fixture><fixture/>");
  EXPECT_NE(doctype.find("saved stores may not declare a DTD"), std::string::npos) << doctype;
  for (const std::string& error : {nul, encoding, doctype}) {
    EXPECT_EQ(error.find("request"), std::string::npos) << error;
  }
  const std::string unknown = loadError("<fixture><" + std::string(1 << 20, 'x') + "/></fixture>");
  EXPECT_NE(unknown.find("unknown element <xxxx"), std::string::npos);
  EXPECT_LT(unknown.size(), 600u);
}

}  // namespace
