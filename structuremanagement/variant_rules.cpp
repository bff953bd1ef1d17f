#include "structuremanagement/variant_rules.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::GetVariantRulesResponse VariantRulesImpl::getVariantRules(
    const std::vector<POMRef<ZoltItemRevP>>&) {
  throwNotAvailable("getVariantRules");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
