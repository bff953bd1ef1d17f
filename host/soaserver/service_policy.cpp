#include "framework/service_policy.h"

namespace Korvane {
namespace Soa {
namespace Server {

std::vector<Korvane::Soa::Common::ObjectProperties> ServicePolicy::getOperationPolicy(
    const std::string& /*operationName*/) {
  return {};
}

}  // namespace Server

namespace Internal {
namespace Server {

int PropertyPolicy::size() const {
  return static_cast<int>(byType_.size());
}

int PerServicePropertyPolicy::size() const {
  return static_cast<int>(all_.size());
}

std::string PerServicePropertyPolicy::getName() {
  return name_;
}

void PerServicePropertyPolicy::add(const Korvane::Soa::Common::ObjectProperties& properties) {
  all_.push_back(properties);
  byType_[properties.typeName()] = properties;
}

Korvane::Soa::Common::ObjectProperties PerServicePropertyPolicy::getObjectProperties(
    const std::string& typeName) {
  auto found = byType_.find(typeName);
  return found == byType_.end() ? Korvane::Soa::Common::ObjectProperties() : found->second;
}

}  // namespace Server
}  // namespace Internal
}  // namespace Soa
}  // namespace Korvane
