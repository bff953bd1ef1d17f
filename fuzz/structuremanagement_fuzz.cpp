// Request text of any shape to the operations of the two StructureManagement services
// (fuzz/service_fuzz.h routes each input to one), with its checks, on the store of
// fuzz/seed_store.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"

const char* const service_fuzz::kTarget = "structuremanagement_fuzz";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::Operation> operations = service_fuzz::registeredOperations(
      {"Cad-2007-01-StructureManagement", "Cad-2007-06-StructureManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  const std::string root = service_fuzz::rootName(request);
  service_fuzz::checkRecords(
      request, root,
      {&Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
       &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()});
  service_fuzz::checkInput(service_fuzz::route(operations, root, request), request);
  return 0;
}
