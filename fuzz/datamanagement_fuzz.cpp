// Request text of any shape to the operations of the DataManagement service (fuzz/service_fuzz.h
// routes each input to one), with its checks, on the store of fuzz/seed_store.h.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/service_fuzz.h"
#include "skeletons/datamanagement/datamanagement_records.h"

const char* const service_fuzz::kTarget = "datamanagement_fuzz";

namespace {

// Whether the text asks for a thousand or more of anything (count="N" of four digits): such a
// request (generateAlternateIds may make 100,000 ids) is checked like any other but kept out of
// the corpus, since an input that costs seconds would be mutated again and again and slow every
// run down to a few inputs per second.
bool asksForMany(const std::string& text) {
  static const std::string kCount = "count=\"";
  for (std::size_t at = text.find(kCount); at != std::string::npos;
       at = text.find(kCount, at + 1)) {
    const std::size_t digits = at + kCount.size();
    const std::size_t end = text.find_first_not_of("0123456789", digits);
    if ((end == std::string::npos ? text.size() : end) - digits > 3) {
      return true;
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<service_fuzz::Operation> operations =
      service_fuzz::registeredOperations({"Cad-2007-01-DataManagement"});
  const std::string request(reinterpret_cast<const char*>(data), size);
  const std::string root = service_fuzz::rootName(request);
  service_fuzz::checkRecords(request, root,
                             {&Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()});
  service_fuzz::checkInput(service_fuzz::route(operations, root, request), request);
  return asksForMany(request) ? -1 : 0;
}
