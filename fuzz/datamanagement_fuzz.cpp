// Request text of any shape to the operations of the DataManagement service (fuzz/service_fuzz.h
// routes each input to one), with its checks, on the store of fuzz/seed_store.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/datamanagement/datamanagement_records.h"

const char* const service_fuzz::kTarget = "datamanagement_fuzz";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::Operation> operations =
      service_fuzz::registeredOperations({"Cad-2007-01-DataManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  const std::string root = service_fuzz::rootName(request);
  service_fuzz::checkRecords(request, root,
                             {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()});
  service_fuzz::checkInput(service_fuzz::route(operations, root, request), request);
  return 0;
}
