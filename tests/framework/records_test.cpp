// The counted handles under every wire record, and what the generated records do with them:
// sharing, cloning, parsing and writing lists. Every record's sample round trip and the refusals
// of what a record does not declare are checked over the records of all services together.
#include "framework/base_records.h"

#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"

namespace {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Common::Xml::BaseObject;
using Korvane::Soa::Common::Xml::Handle;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::TryingToCreateNullHandle;
using Korvane::Soa::Common::Xml::XmlStream;
namespace WirePool = Korvane::Soa::Common::Xml::WirePool;

// A tree node that counts its destructions: an implementation object that holds handles of its
// own type, as a record that lists records of its own type does.
class NodeImpl;
class Node : public Handle<NodeImpl> {
 public:
  explicit Node(NodeImpl* object) : Handle<NodeImpl>(object) {}
  NodeImpl& object() const { return getHandleObject(); }
  int count() const;
};
class NodeImpl : public BaseObject {
 public:
  explicit NodeImpl(int* destroyed) : destroyed_(destroyed) {}
  NodeImpl(const NodeImpl& other) = default;
  ~NodeImpl() override { ++*destroyed_; }
  NodeImpl* reallyClone() const override {
    auto* copy = new NodeImpl(*this);
    copy->resetRefCount();
    return copy;
  }
  std::vector<Node> children;

 private:
  int* destroyed_;
};
int Node::count() const {
  return object().askRefCount();
}

// Expose the implementation object and the adopting constructor of a generated record.
class ExposedStack : public Base::ErrorStack {
 public:
  ExposedStack() = default;
  explicit ExposedStack(Base::ErrorStackImpl* adopted) : ErrorStack(adopted) {}
  Base::ErrorStackImpl& impl() const { return getHandleObject(); }
};
class ExposedObject : public Base::ModelObject {
 public:
  ExposedObject() = default;
  explicit ExposedObject(Base::ModelObjectImpl* adopted) : ModelObject(adopted) {}
  Base::ModelObjectImpl& impl() const { return getHandleObject(); }
};

template <class Record>
std::string write(const Record& record, const std::string& elementName) {
  XmlStream stream;
  record.outputXML(stream, elementName);
  return stream.str();
}

// Copies and assignments count every handle of an object (assigning a handle of the same object,
// itself included, changes nothing); the last handle deletes it once, also when it is assigned
// over, and also when the handle assigned is held inside the object it replaces.
TEST(HandleTest, CountsEveryHandleAndTheLastOneDeletesTheObjectOnce) {
  int destroyed = 0;
  auto* a = new Node(new NodeImpl(&destroyed));
  NodeImpl* object = &a->object();
  Node& alias = *a;
  *a = alias;
  EXPECT_EQ(&a->object(), object);
  EXPECT_EQ(a->count(), 1);
  auto* b = new Node(*a);
  Node c(*b);
  *a = *b;
  EXPECT_EQ(c.count(), 3);
  delete a;
  delete b;
  EXPECT_EQ(c.count(), 1);
  Node other(new NodeImpl(&destroyed));
  const Node otherCopy(other);
  c = other;
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(&c.object(), &other.object());
  EXPECT_EQ(other.count(), 3);
  EXPECT_THROW(Node(nullptr), TryingToCreateNullHandle);

  Node parent(new NodeImpl(&destroyed));
  parent.object().children.push_back(Node(new NodeImpl(&destroyed)));
  NodeImpl* child = &parent.object().children[0].object();
  parent = parent.object().children[0];
  EXPECT_EQ(&parent.object(), child);
  EXPECT_EQ(child->askRefCount(), 1);
  EXPECT_EQ(destroyed, 2);

  // A copied implementation object starts with the source's count; a clone with none, until a
  // handle adopts it; the original lives on.
  EXPECT_EQ(NodeImpl(other.object()).askRefCount(), 3);
  NodeImpl* clone = other.object().reallyClone();
  EXPECT_EQ(clone->askRefCount(), 0);
  { EXPECT_EQ(Node(clone).count(), 1); }
  EXPECT_EQ(destroyed, 4);
  EXPECT_EQ(other.count(), 3);
}

// Copies, assigned records and records held in lists share one implementation object; a clone
// adopted by a record keeps its own fields and shares the inner records.
TEST(RecordsTest, CopiesAndListsShareTheRecordAndClonesTheInnerRecords) {
  ExposedStack stack;
  Base::ErrorValue inner;
  stack.addErrorValue(inner);
  inner.setCode(7);
  Base::ErrorStack copy(stack);
  Base::ErrorStack assigned;
  assigned = copy;
  assigned.setClientId("c");
  EXPECT_EQ(stack.getClientId() + std::to_string(copy.getErrorValueArray().at(0).getCode()), "c7");
  EXPECT_EQ(stack.impl().askRefCount(), 3);
  {
    ExposedStack clone(stack.impl().reallyClone());
    EXPECT_EQ(clone.impl().askRefCount(), 1);
    clone.setClientId("only the clone");
    inner.setCode(9);
    EXPECT_EQ(stack.getClientId() + std::to_string(clone.getErrorValueArray().at(0).getCode()),
              "c9");
  }
  EXPECT_EQ(stack.impl().askRefCount(), 3);
}

// Setting a field sets its companion; an unset companion leaves the attribute out, a plain field
// is always written; a list setter replaces, an adder appends. Parsing replaces every field, and
// list elements are fresh records, not the ones held before.
TEST(RecordsTest, CompanionsAndParsingReplaceEveryField) {
  Base::ErrorStack stack;
  stack.setClientIndex(0);
  EXPECT_EQ(write(stack, "s"), "<s clientIndex=\"0\"/>");
  stack.setIsClientIndexSet(false);
  Base::ErrorValue kept;
  kept.setMessage("m");
  stack.addErrorValue(kept);
  stack.addErrorValue(Base::ErrorValue());
  EXPECT_EQ(write(stack, "s"),
            "<s><errorValue message=\"m\" code=\"0\" level=\"0\"/>"
            "<errorValue code=\"0\" level=\"0\"/></s>");
  stack.setErrorValueArray({kept});
  EXPECT_EQ(stack.getErrorValueArray().size(), 1u);
  stack.setClientId("old");
  SAXToNodeParser parser;
  stack.parse(parser.parseString("<x uid=\"u\"><errorValue code=\"1\" level=\"3\"/></x>"));
  EXPECT_EQ(write(stack, "s"), "<s uid=\"u\"><errorValue code=\"1\" level=\"3\"/></s>");
  EXPECT_EQ(stack.getClientId(), "");
  EXPECT_EQ(kept.getMessage(), "m");
}

// A model object holds its rarely set fields (class UID, class name, type, properties) in an
// object made when one of them is first set: one that only names an object is one small object.
// Rare fields read, write, copy and parse as any field: unset ones read as their defaults and
// write nothing, set ones keep declaration order, a clone has fields of its own and shares the
// inner records, and parsing resets them.
TEST(RecordsTest, RarelySetFieldsAreMadeOnDemandAndBehaveAsAnyField) {
  EXPECT_EQ(Base::ModelObjectImpl::defaultBytes(), 96u);
  const std::size_t objects = WirePool::usage().objects;
  ExposedObject object;
  object.setUid("u");
  const Base::ModelObject& reader = object;
  EXPECT_EQ(reader.getClassName() + reader.getType() + reader.getClassUid(), "");
  EXPECT_FALSE(reader.isClassNameSet() || reader.isTypeSet() || reader.isClassUidSet());
  EXPECT_TRUE(reader.getPropertieArray().empty());
  object.setIsTypeSet(false);
  object.setPropertieArray({});
  EXPECT_EQ(WirePool::usage().objects, objects + 1) << "reading or storing defaults made them";
  EXPECT_EQ(write(object, "m"), "<m uid=\"u\"/>");

  object.setType("Part");
  object.setClassUid("c");
  object.setClassName("Item");
  EXPECT_EQ(WirePool::usage().objects, objects + 2);
  EXPECT_EQ(write(object, "m"), "<m classUid=\"c\" uid=\"u\" className=\"Item\" type=\"Part\"/>");
  object.setIsClassUidSet(false);
  Base::Property property;
  property.setName("p");
  object.addPropertie(property);
  EXPECT_EQ(write(object, "m"),
            "<m uid=\"u\" className=\"Item\" type=\"Part\">"
            "<propertie modifiable=\"false\" name=\"p\" uiValue=\"\"/></m>");

  ExposedObject clone(object.impl().reallyClone());
  clone.setType("Other");
  property.setName("shared");
  EXPECT_EQ(reader.getType() + "/" + clone.getType(), "Part/Other");
  EXPECT_EQ(clone.getPropertieArray().front().getName(), "shared");

  SAXToNodeParser parser;
  object.parse(parser.parseString("<x uid=\"v\" type=\"T\"/>"));
  EXPECT_EQ(write(object, "m"), "<m uid=\"v\" type=\"T\"/>");
  EXPECT_FALSE(object.isClassNameSet());
  EXPECT_TRUE(object.getPropertieArray().empty());
}

// Rare fields whose copy fails (no memory for a string) give back the storage taken for them.
TEST(RecordsTest, AFailedCopyOfRareFieldsGivesItsStorageBack) {
  struct Refusing {
    Refusing() = default;
    Refusing(const Refusing&) { throw std::bad_alloc(); }
  };
  Korvane::Soa::Common::Xml::Wire::OnDemand<Refusing> held;
  held.make();
  const std::size_t objects = WirePool::usage().objects;
  EXPECT_THROW(Korvane::Soa::Common::Xml::Wire::OnDemand<Refusing>{held}, std::bad_alloc);
  EXPECT_EQ(WirePool::usage().objects, objects);
}

// Long lists are written in order whatever their length, lists inside list elements included
// (empty, single and longer ones), around the distances at which the walk fetches ahead. Under
// the sanitizers this also shows that fetching ahead never reads past a list's end.
TEST(RecordsTest, ListsOfEveryLengthAreWrittenInOrder) {
  // <name ...attributes/> or <name ...attributes>content</name>.
  const auto element = [](const std::string& start, const std::string& content) {
    return content.empty()
               ? "<" + start + "/>"
               : "<" + start + ">" + content + "</" + start.substr(0, start.find(' ')) + ">";
  };
  for (const int length : {0, 1, 3, 4, 5, 15, 16, 17, 33, 200}) {
    SCOPED_TRACE(length);
    Base::PartialErrors errors;
    Base::ServiceData serviceData;
    std::string stacks;
    std::string objects;
    for (int index = 0; index < length; ++index) {
      const std::string id = std::to_string(index);
      Base::ErrorStack stack;
      stack.setUid("u" + id);
      std::string values;
      for (int value = 0; value < index % 3; ++value) {
        Base::ErrorValue entry;
        entry.setCode(index * 10 + value);
        stack.addErrorValue(entry);
        values += element(
            "errorValue code=\"" + std::to_string(index * 10 + value) + "\" level=\"0\"", "");
      }
      errors.addError(stack);
      stacks += element("error uid=\"u" + id + "\"", values);

      Base::ModelObject object;
      object.setUid("o" + id);
      std::string properties;
      if (index % 2 == 1) {
        Base::Property property;
        property.setName("p" + id);
        Base::PropertyValue value;
        value.setValue(id);
        property.addValue(value);
        object.addPropertie(property);
        properties = element("propertie modifiable=\"false\" name=\"p" + id + "\" uiValue=\"\"",
                             element("value value=\"" + id + "\"", ""));
      }
      serviceData.addDataObject(object);
      objects += element("dataObject uid=\"o" + id + "\"", properties);
    }
    EXPECT_EQ(write(errors, "pe"), element("pe", stacks));
    EXPECT_EQ(write(serviceData, "sd"), element("sd", objects));
  }
}

}  // namespace
