// A host build that names nothing of libsoacad.so: the services are there only if the link kept
// the library as a needed library, so that it is loaded and its static initialisers register
// them before main runs. Prints the registered services; exit status 0 when all three are.
#include <iostream>
#include <string>
#include <vector>

#include "host/gateway/kv_service_manager.h"

int main() {
  const std::vector<std::string> expected = {"Cad-2007-01-DataManagement",
                                             "Cad-2007-01-StructureManagement",
                                             "Cad-2007-06-StructureManagement"};
  const std::vector<std::string> names = KvServiceManager::instance().serviceNames();
  for (const std::string& name : names) {
    std::cout << name << "\n";
  }
  if (names != expected) {
    std::cerr << "registered: " << names.size() << " services registered, expected the three\n";
    return 1;
  }
  return 0;
}
