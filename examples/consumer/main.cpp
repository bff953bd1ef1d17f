// A host build of soacad. Linked with soacad::soacad, the program loads libsoacad.so when it
// starts, and the library's static initialisers register its three services with the host's
// registry before main runs. The program then does what the host's server does for a request:
// it fills the object store (here with the demo store), prepares each registered service, hands
// the request to the dispatcher and prints the reply document.
//
// Usage: consumer [SERVICE OPERATION]   (the request document is read from standard input;
// without arguments, a getAvailableTypes request for the units of measure is answered).
// Exit status 0 for a response (partial errors included), 1 for a fault.
#include <iostream>
#include <iterator>
#include <string>

#include "host/gateway/kv_service_manager.h"
#include "host/object/store.h"
#include "host/program/demo_store.h"
#include "host/soaserver/dispatcher.h"

int main(int argc, char** argv) {
  std::string service = "Cad-2007-01-DataManagement";
  std::string operation = "getAvailableTypes";
  std::string request =
      "<GetAvailableTypesInput><classe>UnitOfMeasure</classe></GetAvailableTypesInput>";
  if (argc == 3) {
    service = argv[1];
    operation = argv[2];
    request.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else if (argc != 1) {
    std::cerr << "Usage: consumer [SERVICE OPERATION] < REQUEST\n";
    return 2;
  }

  host::Store::instance().loadFixture(host::kDemoStore);
  KvServiceManager& registry = KvServiceManager::instance();
  for (const std::string& name : registry.serviceNames()) {
    registry.find(name)->initialize();
  }

  const host::Reply reply = host::dispatch(service, operation, request);
  std::cout << reply.text << "\n";
  if (reply.fault) {
    std::cerr << "consumer: " << reply.reason << "\n";
    return 1;
  }
  return 0;
}
