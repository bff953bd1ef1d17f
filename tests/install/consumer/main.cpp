// A host build that uses the installed package: it includes the public headers (generated
// wire records included) and links soacad::soacad.
#include "datamanagement/data_management.h"
#include "framework/base_records.h"

int main() {
  Korvane::Schemas::Soa::_2006_03::Base::ErrorValue value;
  value.setCode(215022);
  Korvane::Soa::Cad::_2007_01::DataManagementImpl service;
  return value.getCode() == 215022 ? 0 : 1;
}
