#include "structuremanagement/variant_rules.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "datamanagement/operation_support.h"
#include "framework/soa_exceptions.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/types.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

// The class whose instances are listed; compared exactly.
const char* const kVariantRuleClass = "VariantRule";

// Why a request without item revisions fails the call.
const char* const kNoItemRevisions =
    "The request names no item revision (itemRev): give at least one whose variant rules are "
    "wanted.";

}  // namespace

_2007_01::StructureManagement::GetVariantRulesResponse VariantRulesImpl::getVariantRules(
    const std::vector<POMRef<ZoltItemRevP>>& itemRevs) {
  if (itemRevs.empty()) {
    throw Korvane::Soa::Server::ServiceException(kNoItemRevisions);
  }
  StructureManagement::GetVariantRulesResponse response;
  StructureManagement::ServiceData serviceData;
  for (const POMRef<ZoltItemRevP>& itemRev : itemRevs) {
    const Tag revision = itemRev.tag();
    try {
      if (revision == NULLTAG) {
        raiseError(POM_invalid_tag, objectText(revision));
      }
      ResultStatus status;
      int count = 0;
      host::HostArray<Tag> objects;
      status = GRM_list_secondary_objects_only(revision, NULLTAG, &count, objects.out());
      std::vector<POMRef<VariantRule>> rules;
      for (int i = 0; objects && i < count; ++i) {
        const Tag object = objects[static_cast<std::size_t>(i)];
        if (object == NULLTAG) {
          continue;
        }
        Tag type;
        status = ZOLTTYPE_ask_object_type(object, &type);
        if (type == NULLTAG) {
          continue;
        }
        char className[POM_class_name_size_c + 1] = {};
        status = ZOLTTYPE_ask_class_name(type, className);
        if (std::strcmp(className, kVariantRuleClass) == 0) {
          serviceData.addPlainObject(object);
          rules.push_back(object);
        }
      }
      response.inputItemRevToVarRule[itemRev] = rules;
    } catch (IFail&) {
      serviceData.addErrorStack(revision);
    }
  }
  response.serviceData = serviceData;
  return response;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
