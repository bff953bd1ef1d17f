// Request text of any shape to every operation of the DataManagement service, with the checks of
// fuzz/service_fuzz.h, on the store of fuzz/seed_store.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/datamanagement/datamanagement_records.h"

const char* const service_fuzz::kTarget = "datamanagement_fuzz";

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::IiopSkeleton*> skeletons =
      service_fuzz::registeredSkeletons({"Cad-2007-01-DataManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  service_fuzz::checkRecords(request,
                             {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()});
  service_fuzz::checkEveryOperation(skeletons, request);
  return 0;
}
