#include "structuremanagement/structure_write_support.h"

#include <cstddef>
#include <string>

#include "datamanagement/operation_support.h"
#include "host/object/absocc.h"
#include "host/object/arr.h"
#include "host/object/bom.h"
#include "host/object/extensions.h"
#include "host/object/memory.h"
#include "host/object/pom.h"

namespace Korvane {
namespace Soa {
namespace Cad {

std::array<double, 16> transformMatrix(const std::vector<double>& values) {
  std::array<double, 16> matrix{};
  if (values.size() != matrix.size()) {
    raiseErrorWithTexts(POM_invalid_value, "occTransform", std::to_string(values.size()));
  }
  for (std::size_t i = 0; i < matrix.size(); ++i) {
    matrix[i] = values[i];
  }
  return matrix;
}

void setLineAttributes(const POMRef<BOMLine>& bomLine, BomLineAttributeHelper& attributes,
                       bool asRequired,
                       const std::vector<_2007_01::StructureManagement::AttributesInfo>& toSet) {
  const Tag line = bomLine.tag();
  ResultStatus status;
  if (asRequired) {
    status = bomLine->setQuantity(true, 0.0);
  }
  for (const _2007_01::StructureManagement::AttributesInfo& attribute : toSet) {
    if (attribute.name == "bl_quantity" && !asRequired) {
      bool quantityAsRequired = false;
      double quantity = 0.0;
      status = bomLine->parseQuantity(attribute.value.c_str(), &quantityAsRequired, &quantity);
      status = bomLine->setQuantity(quantityAsRequired, quantity);
    } else {
      attributes.setAttributeString(line, attribute.name, attribute.value);
    }
  }
}

void collectWhatGoesWith(Tag occurrence, std::vector<std::string>& deletedUids,
                         std::vector<Tag>& changedArrangements) {
  ResultStatus status;
  PomResultStatus pomStatus;
  int count = 0;
  host::HostArray<Tag> absOccs;
  status = BOM__occurrence_ask_absoccs(occurrence, &count, absOccs.out());
  for (int i = 0; i < count && absOccs; ++i) {
    host::HostString uid;
    pomStatus = POM_tag_to_uid(absOccs[static_cast<std::size_t>(i)], uid.out());
    deletedUids.push_back(uid.str());
  }
  host::HostArray<Tag> arrangements;
  status = ARR__ask_arrangements_using_occurrence(occurrence, &count, arrangements.out());
  for (int i = 0; i < count && arrangements; ++i) {
    changedArrangements.push_back(arrangements[static_cast<std::size_t>(i)]);
  }
}

void closeWindow(Tag& window) {
  const Tag open = window;
  window = NULLTAG;
  if (open != NULLTAG) {
    ResultStatus status;
    status = BOM_close_window(open);
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
