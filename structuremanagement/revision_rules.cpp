#include "structuremanagement/revision_rules.h"

#include "structuremanagement/not_available.h"

namespace Korvane {
namespace Soa {
namespace Cad {

_2007_01::StructureManagement::GetRevisionRulesResponse RevisionRulesImpl::getRevisionRules() {
  throwNotAvailable("getRevisionRules");
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
