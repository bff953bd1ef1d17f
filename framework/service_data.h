// The result collector of an operation (ServiceData) with its error part (PartialErrors), and
// the server-side twins of the wire ErrorStack and Preferences records.
//
// A ServiceData lives for one call: the operation fills it, the service copies it into the local
// response, and the response conversion asks the copy for getNotifications(),
// inflateProperties() and getWireData(), in that order. Copies share the two wire parts (the
// error list and the wire data), so what one copy adds the others report; only the working sets
// are per copy.
#pragma once

#include <set>
#include <string>

#include "framework/base_records.h"
#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Internal {
namespace Server {

// One error stack as the server builds it: the wire record, keyed by client id, by UID or by
// nothing, holding one error value per entry of the host's error store.
class ErrorStack : public Korvane::Schemas::Soa::_2006_03::Base::ErrorStack {
 public:
  ErrorStack() = default;
};

}  // namespace Server
}  // namespace Internal

namespace Server {

// The error stacks of one call.
class PartialErrors : public Korvane::Schemas::Soa::_2006_03::Base::PartialErrors {
 public:
  // A new, empty wire error list.
  PartialErrors() = default;

  // Each adds one error stack made of the host's current error store (message, code and level
  // of every entry, oldest first) and clears the store, so no entry reaches a later stack.
  // Called inside `catch (IFail&)` blocks. The host stores every IFail it raises (unless the
  // store's newest entry already has its code), so the store always explains the failure;
  // with an empty store nothing is recorded.
  //
  // Keyed by nothing.
  void addErrorStack();
  // Keyed by the object: the stack's uid is the object's UID (unkeyed for the null tag).
  void addErrorStack(const Tag& object);
  // Keyed by the input's client id.
  void addErrorStack(const std::string& clientId);

  // The object itself as the wire record.
  Korvane::Schemas::Soa::_2006_03::Base::PartialErrors& getWireData() { return *this; }

 private:
  void addErrorStack(Korvane::Soa::Internal::Server::ErrorStack& stack);
};

// The result collector. Objects are reported in the order in which they were first added to each
// list, each at most once per list; the null tag (an object without UID) is not reported.
class ServiceData : public PartialErrors {
 public:
  // An empty collector with a new wire error list and new wire data.
  ServiceData() = default;
  ServiceData(const ServiceData& other) = default;
  ServiceData& operator=(const ServiceData& other) = default;
  // Moving hands the working sets over instead of copying them; the wire parts are shared as
  // by a copy.
  ServiceData(ServiceData&& other) = default;
  ServiceData& operator=(ServiceData&& other) = default;
  ~ServiceData() = default;

  void addCreatedObject(const Tag& object);
  void addUpdatedObject(const Tag& object);
  void addPlainObject(const Tag& object);
  // `uid` is the UID the object had: a deleted object has no tag any more.
  void addDeletedObject(const std::string& uid);
  // The property's value is returned with the object (in the wire data's model objects).
  void addProperty(const Tag& object, const std::string& propertyName);

  // Gathers the host's change notifications. The stand-in host posts none, so this only
  // records that the step ran.
  void getNotifications();
  // Builds the wire data's model objects: one for every object reported as created, updated or
  // plain, or with requested properties, in that order of first mention, carrying the requested
  // properties' values. An object that is no longer valid is left out.
  void inflateProperties();
  // The wire service data: the object lists, the model objects and the error stacks.
  Korvane::Schemas::Soa::_2006_03::Base::ServiceData& getWireData();

  // Read-only views for callers that inspect a collector without converting it.
  const std::set<std::string>& createdUids() const { return created_; }
  const std::set<std::string>& updatedUids() const { return updated_; }
  const std::set<std::string>& deletedUids() const { return deleted_; }
  const std::set<std::string>& plainUids() const { return plain_; }

 private:
  Korvane::Schemas::Soa::_2006_03::Base::ServiceData wireData_;
  std::set<std::string> created_;
  std::set<std::string> updated_;
  std::set<std::string> deleted_;
  std::set<std::string> plain_;
  // "UID<US>property name" for every requested property (US = unit separator, 0x1f).
  std::set<std::string> properties_;
  bool notificationsGathered_ = false;
};

// A preference list as the server returns it.
class Preferences : public Korvane::Schemas::Soa::_2006_03::Base::Preferences {
 public:
  Preferences() = default;
  Korvane::Schemas::Soa::_2006_03::Base::Preferences& getWireData() { return *this; }
};

}  // namespace Server
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
