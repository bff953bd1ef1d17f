#include "host/gateway/kv_service_manager.h"

#include <algorithm>

std::string T2LService::invokeMethod(const std::string& /*operation*/,
                                     const std::string& /*request*/) {
  return std::string();
}

KvServiceManager& KvServiceManager::instance() {
  static KvServiceManager registry;
  return registry;
}

T2LService* KvServiceManager::registerService(std::string name, T2LService* service) {
  auto found = std::find_if(services_.begin(), services_.end(),
                            [&](const auto& entry) { return entry.first == name; });
  if (found != services_.end()) {
    found->second = service;
  } else {
    services_.emplace_back(std::move(name), service);
  }
  return service;
}

T2LService* KvServiceManager::unregisterService(const std::string& name) {
  auto found = std::find_if(services_.begin(), services_.end(),
                            [&](const auto& entry) { return entry.first == name; });
  if (found == services_.end()) {
    return nullptr;
  }
  T2LService* service = found->second;
  services_.erase(found);
  return service;
}

T2LService* KvServiceManager::find(const std::string& name) const {
  auto found = std::find_if(services_.begin(), services_.end(),
                            [&](const auto& entry) { return entry.first == name; });
  return found == services_.end() ? nullptr : found->second;
}

std::vector<std::string> KvServiceManager::serviceNames() const {
  std::vector<std::string> names;
  names.reserve(services_.size());
  for (const auto& entry : services_) {
    names.push_back(entry.first);
  }
  return names;
}
