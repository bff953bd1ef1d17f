// Fixture documents: loading them into the store and saving the store as one.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>
#include <utility>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"
#include "host/object/error_store.h"
#include "host/object/store.h"

namespace host {

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlParseError;
using Korvane::Soa::Common::Xml::XmlStream;

constexpr const char* kRelationClass = "ImanRelation";
constexpr const char* kTypeClass = "ZoltType";
constexpr const char* kUserClass = "User";
// The relation properties that the <relation> element carries as attributes.
constexpr const char* kPrimaryProperty = "primary_object";
constexpr const char* kSecondaryProperty = "secondary_object";
constexpr const char* kUserDataProperty = "user_data";

bool isBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

}  // namespace

// Reads one document into the store, element by element in document order; property values
// and the session are read after every object of the document exists, so references may
// point forward.
class FixtureLoader {
 public:
  explicit FixtureLoader(Store& store) : store_(store) {}

  void load(const XMLNode& root) {
    if (root.name() != "fixture") {
      fail(root, "the root element must be <fixture>, not <" + root.name() + ">");
    }
    checkAttributes(root, {});
    checkNoText(root);
    for (const XMLNode* child : root.children()) {
      const std::string& name = child->name();
      if (name == "class") {
        loadClass(*child);
      } else if (name == "type") {
        loadType(*child);
      } else if (name == "message") {
        loadMessage(*child);
      } else if (name == "object") {
        createObject(*child, false);
      } else if (name == "relation") {
        createObject(*child, true);
      } else if (name == "session") {
        checkAttributes(*child, {"currentUser"});
        checkNoChildren(*child);
        session_ = child;
      } else if (name == "preferences") {
        loadPreferences(*child);
      } else if (name == "counter") {
        loadCounter(*child);
      } else {
        fail(*child, "unknown element <" + name + ">");
      }
    }
    for (const Pending& pending : pending_) {
      fillObject(pending);
    }
    if (session_ != nullptr) {
      const std::string uid = valueOf(session_->attr("currentUser"));
      const Tag user = uid.empty() ? NULLTAG : store_.tagOfUid(uid);
      if (user != NULLTAG && !store_.isInstanceOf(user, kUserClass)) {
        fail(*session_, "currentUser \"" + uid + "\" is not a user");
      }
      store_.setCurrentUser(user);
    }
  }

 private:
  struct Pending {
    const XMLNode* node;
    Tag tag;
    bool relation;
  };

  [[noreturn]] void fail(const XMLNode& node, const std::string& cause) {
    throw FixtureError(node.line(), node.column(), cause);
  }

  void checkAttributes(const XMLNode& node, std::initializer_list<const char*> allowed) {
    for (const auto& attribute : node.attrs()) {
      if (std::none_of(allowed.begin(), allowed.end(),
                       [&](const char* name) { return attribute.first == name; })) {
        fail(node, "<" + node.name() + "> has no attribute \"" + attribute.first + "\"");
      }
    }
  }

  void checkNoText(const XMLNode& node) {
    if (!isBlank(node.text())) {
      fail(node, "<" + node.name() + "> holds text; values go in \"value\" attributes");
    }
  }

  void checkNoChildren(const XMLNode& node) {
    checkNoText(node);
    if (!node.children().empty()) {
      fail(node, "<" + node.name() + "> has no child elements");
    }
  }

  // An attribute's value; empty when the element does not carry it.
  static std::string valueOf(const std::string_view* value) {
    return value == nullptr ? std::string() : std::string(*value);
  }

  std::string required(const XMLNode& node, const char* name) {
    const std::string_view* value = node.attr(name);
    if (value == nullptr || value->empty()) {
      fail(node, "<" + node.name() + "> needs the attribute \"" + name + "\"");
    }
    return std::string(*value);
  }

  bool flag(const XMLNode& node, const char* name, bool fallback) {
    const std::string_view* value = node.attr(name);
    if (value == nullptr) {
      return fallback;
    }
    if (*value != "true" && *value != "false") {
      fail(node, std::string("\"") + name + "\" must be true or false");
    }
    return *value == "true";
  }

  // The message of the newest error-store entry, which a failing store method has just pushed.
  std::string lastError() {
    const auto& entries = errorStore().entries();
    return entries.empty() ? std::string("failed") : entries.back().message;
  }

  void loadClass(const XMLNode& node) {
    checkAttributes(node, {"name", "parent"});
    checkNoText(node);
    const std::string& name = required(node, "name");
    const std::string_view* parentName = node.attr("parent");
    Tag parent;
    if (parentName != nullptr) {
      parent = store_.classId(valueOf(parentName));
      if (parent == NULLTAG) {
        fail(node, "class " + name + ": parent class " + valueOf(parentName) + " is not defined");
      }
    }
    Tag id = store_.classId(name);
    if (id == NULLTAG) {
      id = store_.defineClass(name, parent);
    } else if (parentName != nullptr && store_.classRecord(id)->parent != parent) {
      fail(node, "class " + name + " is already defined with another parent");
    }
    for (const XMLNode* child : node.children()) {
      if (child->name() != "property") {
        fail(*child, "unknown element <" + child->name() + "> in <class>");
      }
      checkAttributes(*child, {"name", "type", "array", "modifiable"});
      checkNoChildren(*child);
      PropertyDefinition property;
      property.name = required(*child, "name");
      if (!parseValueType(required(*child, "type"), &property.type)) {
        fail(*child, "unknown value type \"" + valueOf(child->attr("type")) + "\"");
      }
      property.isArray = flag(*child, "array", false);
      property.modifiable = flag(*child, "modifiable", true);
      const PropertyDefinition* existing = store_.findProperty(id, property.name);
      if (existing != nullptr) {
        // A store saved before the host made a property one the generic setters may not write
        // declares it writable: the host's own, stricter declaration stands, so that the store
        // still loads.
        PropertyDefinition stricter = property;
        stricter.modifiable = false;
        if (!(*existing == property) && !(*existing == stricter)) {
          fail(*child,
               "property " + property.name + " of class " + name + " is already defined otherwise");
        }
        continue;
      }
      for (Tag other : store_.classIds()) {
        if (other != id && store_.isDescendant(id, other)) {
          for (const PropertyDefinition& own : store_.classRecord(other)->properties) {
            if (own.name == property.name) {
              fail(*child, "property " + property.name + " is already defined by class " +
                               store_.classRecord(other)->name + ", derived from " + name);
            }
          }
        }
      }
      store_.addProperty(id, property);
    }
  }

  void loadType(const XMLNode& node) {
    checkAttributes(node, {"name", "class", "parent"});
    checkNoChildren(node);
    const std::string& name = required(node, "name");
    const std::string& className = required(node, "class");
    const Tag classId = store_.classId(className);
    if (classId == NULLTAG) {
      fail(node, "type " + name + ": class " + className + " is not defined");
    }
    const std::string_view* parentName = node.attr("parent");
    Tag parent;
    if (parentName != nullptr) {
      parent = store_.findType(valueOf(parentName));
      if (parent == NULLTAG) {
        fail(node, "type " + name + ": parent type " + valueOf(parentName) + " is not defined");
      }
    }
    const Tag existing = store_.findType(name);
    if (existing != NULLTAG) {
      if (store_.typeClassName(existing) != className || store_.parentType(existing) != parent) {
        fail(node, "type " + name + " is already defined otherwise");
      }
      return;
    }
    Tag type;
    if (store_.defineType(name, classId, parent, &type) != 0) {
      fail(node, "type " + name + ": " + lastError());
    }
  }

  void loadMessage(const XMLNode& node) {
    checkAttributes(node, {"code", "text"});
    checkNoChildren(node);
    int code = 0;
    if (!parseInteger(required(node, "code"), &code)) {
      fail(node, "message code \"" + valueOf(node.attr("code")) + "\" is not a number");
    }
    store_.setMessageTemplate(code, valueOf(node.attr("text")));
  }

  void createObject(const XMLNode& node, bool relation) {
    if (relation) {
      checkAttributes(node, {"uid", "class", "type", "primary", "secondary", "userData", "new",
                             "modifiable", "locked"});
    } else {
      checkAttributes(node, {"uid", "class", "type", "new", "modifiable", "locked"});
    }
    checkNoText(node);
    const std::string_view* classAttribute = node.attr("class");
    const std::string className =
        relation && classAttribute == nullptr ? kRelationClass : required(node, "class");
    const Tag classId = store_.classId(className);
    if (classId == NULLTAG) {
      fail(node, "class " + className + " is not defined");
    }
    if (relation && !store_.isDescendant(store_.classId(kRelationClass), classId)) {
      fail(node, "class " + className + " is not a relation class");
    }
    if (store_.isDescendant(store_.classId(kTypeClass), classId)) {
      fail(node, "types are declared with <type>");
    }
    const std::string_view* typeAttribute = node.attr("type");
    const std::string typeName =
        relation ? required(node, "type") : (typeAttribute ? valueOf(typeAttribute) : className);
    const Tag type = store_.findType(typeName);
    if (type == NULLTAG) {
      fail(node, "type " + typeName + " is not defined");
    }
    const std::string_view* uid = node.attr("uid");
    if (uid != nullptr && uid->empty()) {
      fail(node, "the uid is empty");
    }
    Tag tag;
    if (store_.createObject(classId, type, &tag, valueOf(uid)) != 0) {
      fail(node, lastError());
    }
    ObjectRecord* object = store_.find(tag);
    object->newlyCreated = flag(node, "new", false);
    object->modifiable = flag(node, "modifiable", true);
    object->locked = flag(node, "locked", false);
    pending_.push_back(Pending{&node, tag, relation});
  }

  // The value of `property` from `text` (a "value" attribute, null when absent) or, for an
  // array, from the <v> children of `node` (a <prop>, or the <relation> for its ends).
  Value readValue(const XMLNode& node, const PropertyDefinition& property,
                  const std::string_view* text, bool isPropElement) {
    Value value;
    const bool reference = property.type == ValueType::reference;
    auto add = [&](const XMLNode& at, const std::string_view* item) {
      if (reference) {
        value.tags.push_back(item == nullptr ? NULLTAG : store_.tagOfUid(valueOf(item)));
        return;
      }
      std::string canonical;
      if (!canonicalText(property.type, valueOf(item), &canonical)) {
        fail(at, "\"" + valueOf(item) + "\" is not a valid " + valueTypeName(property.type) +
                     " value (property " + property.name + ")");
      }
      value.texts.push_back(std::move(canonical));
    };
    if (!property.isArray) {
      if (isPropElement) {
        checkNoChildren(node);
      }
      if (text != nullptr) {
        add(node, text);
      }
      return value;
    }
    if (text != nullptr) {
      fail(node, "property " + property.name + " is an array: give its values as <v> elements");
    }
    checkNoText(node);
    for (const XMLNode* item : node.children()) {
      if (item->name() != "v") {
        fail(*item, "unknown element <" + item->name() + "> in a property");
      }
      checkAttributes(*item, {"value"});
      checkNoChildren(*item);
      add(*item, item->attr("value"));
    }
    return value;
  }

  const PropertyDefinition& definition(const XMLNode& node, Tag object, const std::string& name,
                                       std::set<std::string>& done) {
    const PropertyDefinition* property = store_.findProperty(store_.find(object)->classId, name);
    if (property == nullptr) {
      fail(node, "class " + store_.classRecord(store_.find(object)->classId)->name +
                     " has no property " + name);
    }
    if (!done.insert(name).second) {
      fail(node, "property " + name + " is given twice");
    }
    return *property;
  }

  void setProperty(const XMLNode& node, Tag object, const std::string& name,
                   const std::string_view* text, bool isPropElement, std::set<std::string>& done) {
    const PropertyDefinition& property = definition(node, object, name, done);
    if (store_.write(object, name, readValue(node, property, text, isPropElement),
                     WriteMode::initial) != 0) {
      fail(node, lastError());
    }
  }

  // A <working> element: the session's unsaved value of the property, on top of its saved one.
  void setWorkingValue(const XMLNode& node, Tag object, std::set<std::string>& done) {
    checkAttributes(node, {"name", "value"});
    const std::string& name = required(node, "name");
    const PropertyDefinition& property = definition(node, object, name, done);
    PropertyState& state = store_.record(object)->properties[property.id];
    state.setWorking(readValue(node, property, node.attr("value"), true));
  }

  void fillObject(const Pending& pending) {
    std::set<std::string> done;
    if (pending.relation) {
      const std::pair<const char*, const char*> ends[] = {{"primary", kPrimaryProperty},
                                                          {"secondary", kSecondaryProperty},
                                                          {"userData", kUserDataProperty}};
      for (const auto& end : ends) {
        const std::string_view* uid = pending.node->attr(end.first);
        if (uid != nullptr) {
          setProperty(*pending.node, pending.tag, end.second, uid, false, done);
        }
      }
    }
    std::set<std::string> working;
    for (const XMLNode* child : pending.node->children()) {
      if (child->name() == "working") {
        setWorkingValue(*child, pending.tag, working);
        continue;
      }
      if (child->name() != "prop") {
        fail(*child, "unknown element <" + child->name() + "> in an object");
      }
      checkAttributes(*child, {"name", "value"});
      setProperty(*child, pending.tag, required(*child, "name"), child->attr("value"), true, done);
    }
  }

  void loadCounter(const XMLNode& node) {
    checkAttributes(node, {"name", "value"});
    checkNoChildren(node);
    const std::string value = required(node, "value");
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno == ERANGE || value[0] == '-') {
      fail(node, "counter value \"" + value + "\" is not a whole number");
    }
    if (number > Store::kMaxCount) {
      fail(node, "counter value \"" + value + "\" is past the highest a counter reaches, " +
                     std::to_string(Store::kMaxCount));
    }
    store_.raiseCounter(required(node, "name"), number);
  }

  void loadPreferences(const XMLNode& node) {
    checkAttributes(node, {"searchScope"});
    checkNoText(node);
    if (const std::string_view* scope = node.attr("searchScope")) {
      // "all" is kept as no scope, as PREF_set_search_scope keeps it, so that restoring the
      // scope a document named saves the same text again.
      store_.setSearchScope(*scope == "all" ? std::string() : valueOf(scope));
    }
    for (const XMLNode* child : node.children()) {
      if (child->name() != "preference") {
        fail(*child, "unknown element <" + child->name() + "> in <preferences>");
      }
      checkAttributes(*child, {"name", "scope"});
      checkNoText(*child);
      Preference preference;
      preference.name = required(*child, "name");
      const std::string_view* scope = child->attr("scope");
      preference.scope = scope == nullptr ? "site" : valueOf(scope);
      for (const XMLNode* item : child->children()) {
        if (item->name() != "v") {
          fail(*item, "unknown element <" + item->name() + "> in <preference>");
        }
        checkAttributes(*item, {"value"});
        checkNoChildren(*item);
        const std::string_view* value = item->attr("value");
        preference.values.push_back(valueOf(value));
      }
      store_.setPreference(preference);
    }
  }

  Store& store_;
  std::vector<Pending> pending_;
  const XMLNode* session_ = nullptr;
};

// Writes the store in the form FixtureLoader reads, one element per line, in a fixed order:
// classes (definition order), types (creation order), messages (by code), objects and
// relations (tag order), the session, the preferences. Saved values as <prop>, the session's
// unsaved values as <working>, so that a session goes on from the file exactly as it was.
class FixtureWriter {
 public:
  explicit FixtureWriter(const Store& store) : store_(store) {}

  std::string write() {
    out_ = "<fixture>\n";
    for (Tag id : store_.classIds()) {
      writeClass(*store_.classRecord(id));
    }
    for (Tag type : store_.types()) {
      open("  <type");
      attribute("name", store_.typeName(type));
      attribute("class", store_.typeClassName(type));
      if (store_.parentType(type) != NULLTAG) {
        attribute("parent", store_.typeName(store_.parentType(type)));
      }
      out_ += "/>\n";
    }
    for (const auto& message : store_.state_.messages) {
      open("  <message");
      attribute("code", std::to_string(message.first));
      attribute("text", message.second);
      out_ += "/>\n";
    }
    const Tag typeClass = store_.classId(kTypeClass);
    for (std::size_t index = 1; index < store_.state_.slots.size(); ++index) {
      const Store::Slot& slot = store_.state_.slots[index];
      if (slot.kind == Store::Slot::kObject && slot.object.live() &&
          !store_.isDescendant(typeClass, slot.object.classId)) {
        writeObject(slot.object);
      }
    }
    if (store_.currentUser() != NULLTAG) {
      open("  <session");
      attribute("currentUser", store_.uidOfTag(store_.currentUser()));
      out_ += "/>\n";
    }
    if (!store_.preferences().empty() || !store_.searchScope().empty()) {
      writePreferences();
    }
    for (const auto& counter : store_.counters()) {
      open("  <counter");
      attribute("name", counter.first);
      attribute("value", std::to_string(counter.second));
      out_ += "/>\n";
    }
    out_ += "</fixture>\n";
    return std::move(out_);
  }

 private:
  void open(const char* start) { out_ += start; }

  void attribute(const char* name, const std::string& value) {
    out_ += ' ';
    out_ += name;
    out_ += "=\"";
    XmlStream::escapeAttribute(value, out_);
    out_ += '"';
  }

  void writeClass(const ClassRecord& cls) {
    open("  <class");
    attribute("name", cls.name);
    if (cls.parent != NULLTAG) {
      attribute("parent", store_.classRecord(cls.parent)->name);
    }
    if (cls.properties.empty()) {
      out_ += "/>\n";
      return;
    }
    out_ += ">\n";
    for (const PropertyDefinition& property : cls.properties) {
      open("    <property");
      attribute("name", property.name);
      attribute("type", valueTypeName(property.type));
      if (property.isArray) {
        attribute("array", "true");
      }
      if (!property.modifiable) {
        attribute("modifiable", "false");
      }
      out_ += "/>\n";
    }
    out_ += "  </class>\n";
  }

  // The saved value of a property, null when it was never saved.
  static const Value* savedValue(const ObjectRecord& object, const std::string& name) {
    const PropertyState* found = object.properties.find(name);
    return found == nullptr || found->saved.isNull() ? nullptr : &found->saved;
  }

  void writeObject(const ObjectRecord& object) {
    const bool relation = store_.isDescendant(store_.classId(kRelationClass), object.classId);
    const std::string& className = store_.classRecord(object.classId)->name;
    if (relation) {
      open("  <relation");
      attribute("uid", object.uid);
      if (className != kRelationClass) {
        attribute("class", className);
      }
      attribute("type", store_.typeName(object.type));
      const std::pair<const char*, const char*> ends[] = {{"primary", kPrimaryProperty},
                                                          {"secondary", kSecondaryProperty},
                                                          {"userData", kUserDataProperty}};
      for (const auto& end : ends) {
        const Value* value = savedValue(object, end.second);
        if (value != nullptr && !value->tags.empty()) {
          attribute(end.first, store_.uidOfTag(value->tags.front()));
        }
      }
    } else {
      open("  <object");
      attribute("uid", object.uid);
      attribute("class", className);
      attribute("type", store_.typeName(object.type));
    }
    if (object.newlyCreated) {
      attribute("new", "true");
    }
    if (!object.modifiable) {
      attribute("modifiable", "false");
    }
    if (object.locked) {
      attribute("locked", "true");
    }
    std::string body;
    body.swap(out_);
    for (const PropertyDefinition* property : store_.properties(object.classId)) {
      // A relation's ends are saved as attributes of the element.
      const bool end =
          relation && (property->name == kPrimaryProperty || property->name == kSecondaryProperty ||
                       property->name == kUserDataProperty);
      const Value* value = end ? nullptr : savedValue(object, property->name);
      if (value != nullptr) {
        writeProperty("prop", *property, *value);
      }
      const PropertyState* state = object.properties.find(property->id);
      if (state != nullptr && state->hasWorking()) {
        writeProperty("working", *property, state->working());
      }
    }
    body.swap(out_);
    if (body.empty()) {
      out_ += "/>\n";
    } else {
      out_ += ">\n";
      out_ += body;
      out_ += relation ? "  </relation>\n" : "  </object>\n";
    }
  }

  void writeItem(const PropertyDefinition& property, const Value& value, std::size_t i) {
    if (property.type == ValueType::reference) {
      if (value.tags[i] != NULLTAG) {
        attribute("value", store_.uidOfTag(value.tags[i]));
      }
    } else {
      attribute("value", value.texts[i]);
    }
  }

  // A <prop> (saved value) or <working> (unsaved value) element; a null scalar has no value.
  void writeProperty(const char* element, const PropertyDefinition& property, const Value& value) {
    open("    <");
    out_ += element;
    attribute("name", property.name);
    if (!property.isArray) {
      if (!value.isNull()) {
        writeItem(property, value, 0);
      }
      out_ += "/>\n";
      return;
    }
    if (value.isNull()) {
      out_ += "/>\n";
      return;
    }
    out_ += ">\n";
    for (std::size_t i = 0; i < value.size(); ++i) {
      open("      <v");
      writeItem(property, value, i);
      out_ += "/>\n";
    }
    out_ += "    </";
    out_ += element;
    out_ += ">\n";
  }

  void writePreferences() {
    open("  <preferences");
    if (!store_.searchScope().empty()) {
      attribute("searchScope", store_.searchScope());
    }
    if (store_.preferences().empty()) {
      out_ += "/>\n";
      return;
    }
    out_ += ">\n";
    for (const Preference& preference : store_.preferences()) {
      open("    <preference");
      attribute("name", preference.name);
      attribute("scope", preference.scope);
      if (preference.values.empty()) {
        out_ += "/>\n";
        continue;
      }
      out_ += ">\n";
      for (const std::string& value : preference.values) {
        open("      <v");
        attribute("value", value);
        out_ += "/>\n";
      }
      out_ += "    </preference>\n";
    }
    out_ += "  </preferences>\n";
  }

  const Store& store_;
  std::string out_;
};

void Store::applyFixture(const std::string& text) {
  SAXToNodeParser parser;
  const XMLNode* root = nullptr;
  try {
    root = &parser.parseTrustedString(text, kMaxFixtureBytes);
  } catch (const XmlParseError& error) {
    throw FixtureError(error.line(), error.column(), error.cause());
  }
  // Restored however the load ends: a failed load is undone whole, and a reset loads the base.
  struct Quiet {
    bool& loading;
    bool before;
    ~Quiet() { loading = before; }
  } quiet{loading_, loading_};
  loading_ = true;
  FixtureLoader(*this).load(*root);
}

void Store::loadFixture(const std::string& text) {
  applyRemovals();
  State backup = state_;
  std::vector<ErrorEntry> errors = errorStore().entries();
  try {
    applyFixture(text);
  } catch (...) {
    // The objects the load made are gone and their tags will be handed out again, so indexes
    // that took them in start over.
    state_ = std::move(backup);
    newGeneration();
    errorStore().clear();
    for (ErrorEntry& entry : errors) {
      errorStore().push(entry.severity, entry.code, std::move(entry.texts));
    }
    throw;
  }
  for (void (*hook)() : loadHooks()) {
    hook();
  }
}

void Store::loadFixtureFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw FixtureError(0, 0, "cannot read " + path);
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) {
    throw FixtureError(0, 0, "cannot read " + path);
  }
  loadFixture(text.str());
}

std::string Store::saveFixture() const {
  applyRemovals();
  return FixtureWriter(*this).write();
}

}  // namespace host
