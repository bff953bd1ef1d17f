// Which properties a service returns with the objects of its responses.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "framework/visibility.h"

SOACAD_API_BEGIN

namespace Korvane {
namespace Soa {
namespace Common {

// The properties to return for one kind of object: a type name and the property names.
class ObjectProperties {
 public:
  ObjectProperties() = default;
  ObjectProperties(const std::string& typeName, const std::set<std::string>& propertyNames)
      : typeName_(typeName), propertyNames_(propertyNames) {}
  ObjectProperties(const ObjectProperties&) = default;
  ObjectProperties& operator=(const ObjectProperties&) = default;
  ~ObjectProperties() = default;

  const std::string& typeName() const { return typeName_; }
  const std::set<std::string>& propertyNames() const { return propertyNames_; }

 private:
  std::string typeName_;
  std::set<std::string> propertyNames_;
};

}  // namespace Common

namespace Server {

// A service's policy: the properties each operation returns. The default policy returns none
// beyond what the operations add themselves.
class ServicePolicy {
 public:
  ServicePolicy() = default;
  ServicePolicy(const ServicePolicy&) = default;
  ServicePolicy& operator=(const ServicePolicy&) = default;
  // Virtual so that a policy made by a skeleton is released soundly through this base.
  virtual ~ServicePolicy() = default;

  virtual std::vector<Korvane::Soa::Common::ObjectProperties> getOperationPolicy(
      const std::string& operationName);
};

}  // namespace Server

namespace Internal {
namespace Server {

// Property policies by type name.
class PropertyPolicy {
 public:
  PropertyPolicy() = default;
  PropertyPolicy(const PropertyPolicy&) = default;
  PropertyPolicy& operator=(const PropertyPolicy&) = default;
  virtual ~PropertyPolicy() = default;

  virtual Korvane::Soa::Common::ObjectProperties getObjectProperties(
      const std::string& typeName) = 0;
  // The number of types the policy names.
  virtual int size() const;
  virtual std::string getName() = 0;

 protected:
  std::map<std::string, Korvane::Soa::Common::ObjectProperties> byType_;
};

// The property policy of one service.
class PerServicePropertyPolicy : public PropertyPolicy {
 public:
  PerServicePropertyPolicy() = default;
  explicit PerServicePropertyPolicy(const std::string& name) : name_(name) {}
  PerServicePropertyPolicy(const PerServicePropertyPolicy&) = default;
  PerServicePropertyPolicy& operator=(const PerServicePropertyPolicy&) = default;
  ~PerServicePropertyPolicy() override = default;

  int size() const override;
  std::string getName() override;
  void add(const Korvane::Soa::Common::ObjectProperties& properties);

 protected:
  // The policy for `typeName`; empty when the policy does not name the type.
  Korvane::Soa::Common::ObjectProperties getObjectProperties(const std::string& typeName) override;

 private:
  std::vector<Korvane::Soa::Common::ObjectProperties> all_;
  std::string name_;
};

class PolicyManager {
 public:
  PolicyManager& operator=(const PolicyManager&) { return *this; }
};

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane

SOACAD_API_END
