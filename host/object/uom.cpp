#include "host/object/uom.h"

#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::Store;

constexpr const char* kUnitClass = "UnitOfMeasure";
constexpr const char* kSymbolProperty = "symbol";

const host::BaseFixturePart kUnitsOfMeasure("uom", R"(<fixture>
  <class name="UnitOfMeasure" parent="POM_object">
    <property name="symbol" type="string"/>
  </class>
  <type name="UnitOfMeasure" class="UnitOfMeasure"/>
</fixture>)");

}  // namespace

int UOM_extent(int* count, Tag** units) {
  if (count == nullptr || units == nullptr) {
    return host::missingArgument("UOM_extent");
  }
  *count = 0;
  *units = nullptr;
  HOST_CALL("UOM_extent", NULLTAG);
  const Store& store = Store::instance();
  const std::vector<Tag> found = store.objectsOfClass(store.classId(kUnitClass));
  return host::handOutTags(found, count, units);
}

int UOM_ask_name(Tag unit, char** name) {
  if (name == nullptr) {
    return host::missingArgument("UOM_ask_name");
  }
  *name = nullptr;
  HOST_CALL("UOM_ask_name", unit);
  const Store& store = Store::instance();
  if (!store.isInstanceOf(unit, kUnitClass)) {
    return host::storeError(POM_invalid_tag, {host::tagText(unit)});
  }
  const host::Value* value = nullptr;
  std::string symbol;
  if (store.read(unit, kSymbolProperty, &value) == 0 && !value->texts.empty()) {
    symbol = value->texts.front();
  }
  *name = SM_string_copy(symbol.c_str());
  return 0;
}
