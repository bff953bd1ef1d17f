#include "framework/service_data.h"

#include <vector>

#include "framework/utils.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/store.h"

namespace Korvane {
namespace Soa {
namespace Server {

namespace Base = Korvane::Schemas::Soa::_2006_03::Base;
using Korvane::Soa::Internal::Server::Utils;

namespace {

const char kPropertySeparator = '\x1f';

Base::RefId refId(const std::string& uid) {
  Base::RefId ref;
  ref.setUid(uid);
  return ref;
}

// The wire form of one property of a live object: its values as texts (references as UIDs),
// the display value joined with ",", and whether this session may change it.
Base::Property wireProperty(Tag object, const std::string& name) {
  Base::Property property;
  property.setName(name);
  host::Store& store = host::Store::instance();
  const host::Value* value = nullptr;
  const host::PropertyDefinition* definition = nullptr;
  if (store.read(object, name, &value, &definition) != 0) {
    // A property the object does not have is returned empty; the failure is no error here.
    host::errorStore().clear();
    return property;
  }
  property.setModifiable(definition != nullptr && definition->modifiable);
  std::vector<std::string> texts = value->texts;
  for (Tag tag : value->tags) {
    texts.push_back(store.uidOfTag(tag));
  }
  std::string display;
  for (const std::string& text : texts) {
    if (!display.empty()) {
      display += ",";
    }
    display += text;
    Base::PropertyValue element;
    element.setIsNull(false);
    element.setValue(text);
    property.addValue(element);
  }
  if (texts.empty()) {
    Base::PropertyValue element;
    element.setIsNull(true);
    property.addValue(element);
  }
  property.setUiValue(display);
  return property;
}

}  // namespace

void PartialErrors::addErrorStack(Korvane::Soa::Internal::Server::ErrorStack& stack) {
  const std::vector<host::ErrorEntry> entries = host::errorStore().takeSnapshot();
  if (entries.empty()) {
    return;  // Nothing explains a failure: a stack without an error value would say nothing.
  }
  for (const host::ErrorEntry& entry : entries) {
    Base::ErrorValue value;
    value.setMessage(entry.message);
    value.setCode(entry.code);
    value.setLevel(entry.severity);
    stack.addErrorValue(value);
  }
  addError(stack);
}

void PartialErrors::addErrorStack() {
  Korvane::Soa::Internal::Server::ErrorStack stack;
  addErrorStack(stack);
}

void PartialErrors::addErrorStack(const Tag& object) {
  Korvane::Soa::Internal::Server::ErrorStack stack;
  // The null tag has no UID: its stack is unkeyed rather than keyed by an empty uid.
  const std::string uid = Utils::tagToUid(object);
  if (!uid.empty()) {
    stack.setUid(uid);
  }
  addErrorStack(stack);
}

void PartialErrors::addErrorStack(const std::string& clientId) {
  Korvane::Soa::Internal::Server::ErrorStack stack;
  stack.setClientId(clientId);
  addErrorStack(stack);
}

void ServiceData::addCreatedObject(const Tag& object) {
  const std::string uid = Utils::tagToUid(object);
  if (!uid.empty() && created_.insert(uid).second) {
    wireData_.addCreatedObj(refId(uid));
  }
}

void ServiceData::addUpdatedObject(const Tag& object) {
  const std::string uid = Utils::tagToUid(object);
  if (!uid.empty() && updated_.insert(uid).second) {
    wireData_.addUpdatedObj(refId(uid));
  }
}

void ServiceData::addPlainObject(const Tag& object) {
  const std::string uid = Utils::tagToUid(object);
  if (!uid.empty() && plain_.insert(uid).second) {
    wireData_.addPlainObj(refId(uid));
  }
}

void ServiceData::addDeletedObject(const std::string& uid) {
  if (!uid.empty() && deleted_.insert(uid).second) {
    wireData_.addDeletedObj(refId(uid));
  }
}

void ServiceData::addProperty(const Tag& object, const std::string& propertyName) {
  properties_.insert(Utils::tagToUid(object) + kPropertySeparator + propertyName);
}

void ServiceData::getNotifications() {
  notificationsGathered_ = true;
}

void ServiceData::inflateProperties() {
  const std::vector<Base::RefId>& created = wireData_.getCreatedObjArray();
  const std::vector<Base::RefId>& updated = wireData_.getUpdatedObjArray();
  const std::vector<Base::RefId>& plain = wireData_.getPlainObjArray();
  // Each object once, in order of first mention: created, updated, plain, then those that only
  // have requested properties. The sets already say which list holds a UID, so an object is
  // passed over in a later list when an earlier one's set holds it. They describe the lists
  // exactly when they are as long (each list element was added through a set of this copy);
  // only when copies of the collector added to the shared lists apart does a set of every UID
  // mentioned decide instead.
  const bool setsDescribeLists = created_.size() == created.size() &&
                                 updated_.size() == updated.size() && plain_.size() == plain.size();
  std::set<std::string> mentioned;
  // Whether `uid`, met in list `list` (0 created, 1 updated, 2 plain, 3 properties), is
  // mentioned there for the first time.
  const auto firstMention = [&](const std::string& uid, int list) {
    if (uid.empty()) {
      return false;
    }
    if (!setsDescribeLists) {
      return mentioned.insert(uid).second;
    }
    return (list < 1 || created_.count(uid) == 0) && (list < 2 || updated_.count(uid) == 0) &&
           (list < 3 || plain_.count(uid) == 0);
  };

  std::vector<Base::ModelObject> models;
  models.reserve(created.size() + updated.size() + plain.size());
  const auto inflate = [&](const std::string& uid) {
    const Tag tag = Utils::uidToTag(uid);
    Base::ModelObject model;
    try {
      model = Utils::createWireModelObect(tag);
    } catch (IFail&) {
      // Deleted or rolled back since it was reported: it has no model object to return.
      host::errorStore().clear();
      return;
    }
    const std::string prefix = uid + kPropertySeparator;
    for (auto key = properties_.lower_bound(prefix);
         key != properties_.end() && key->compare(0, prefix.size(), prefix) == 0; ++key) {
      model.addPropertie(wireProperty(tag, key->substr(prefix.size())));
    }
    models.push_back(model);
  };
  int list = 0;
  for (const std::vector<Base::RefId>* refs : {&created, &updated, &plain}) {
    for (const Base::RefId& ref : *refs) {
      if (firstMention(ref.getUid(), list)) {
        inflate(ref.getUid());
      }
    }
    ++list;
  }
  // The keys of one object's properties stand together (they share the prefix "UID<US>").
  std::string previous;
  for (const std::string& key : properties_) {
    std::string uid = key.substr(0, key.find(kPropertySeparator));
    if (uid != previous && firstMention(uid, list)) {
      inflate(uid);
    }
    previous = std::move(uid);
  }
  wireData_.setDataObjectArray(models);
}

Base::ServiceData& ServiceData::getWireData() {
  wireData_.setPartialErrorArray(getErrorArray());
  return wireData_;
}

}  // namespace Server
}  // namespace Soa
}  // namespace Korvane
