#include <cstddef>
#include <string>
#include <utility>

#include "datamanagement/attribute_mapping.h"
#include "datamanagement/create_or_update_parts.h"
#include "datamanagement/create_or_update_relations.h"
#include "datamanagement/data_management.h"
#include "datamanagement/expand.h"
#include "datamanagement/operation_support.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/sizes.h"
#include "host/object/types.h"
#include "host/object/uom.h"
#include "host/object/user.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace _2007_01 {

namespace {

// The pseudo class name under which getAvailableTypes lists the units of measure.
const char* const kUnitOfMeasure = "UnitOfMeasure";

// The name of a unit of measure into `buffer` (ZOLTTYPE_name_size_c + 1 characters). A unit
// symbol longer than a type name is cut at a character boundary within the buffer's size, as
// the host cuts type names, rather than copied past the buffer's end.
void askUnitName(Tag unit, char* buffer) {
  host::HostString name;
  ResultStatus status;
  status = UOM_ask_name(unit, name.out());
  host::copyName(name.c_str(), buffer, ZOLTTYPE_name_size_c);
}

// The most alternate ids one call generates. `count` comes from the request: without a bound a
// single input could make the server generate ids (and hold them in memory) without end. An
// input that would pass the bound fails like any other input, with an error stack.
constexpr int kMaxAlternateIdsPerCall = 100000;

// The most bytes the ids of one call may take. The pattern comes from the request too, and every
// id is at least as long as it: 100,000 ids of a 10 KB pattern would be a gigabyte of ids, held
// three times over on their way into the reply. Real alternate ids are tens of characters, so
// even the most ids a call generates take a few megabytes. An input whose ids would pass the
// bound (its count times its pattern's length, checked before any id is made, then the ids as
// they are made) fails like any other input, with an error stack (215067) that names the
// bound; the ids of the inputs before it stay.
constexpr std::size_t kMaxAlternateIdBytesPerCall = 32u * 1024u * 1024u;
constexpr int kTooManyIdBytes = 215067;

// Raises kTooManyIdBytes.
[[noreturn]] void refuseIdBytes() {
  raiseErrorWithTexts(kTooManyIdBytes, std::to_string(kMaxAlternateIdBytesPerCall),
                      "kMaxAlternateIdBytesPerCall");
}

}  // namespace

DataManagement::GetAvailableTypesResponse DataManagementImpl::getAvailableTypes(
    const std::vector<std::string>& classes) {
  GetAvailableTypesResponse response;
  ServiceData serviceData;
  for (const std::string& className : classes) {
    int count = 0;
    host::HostArray<Tag> tags;
    try {
      ResultStatus status;
      if (zolt_strcmp(className.c_str(), kUnitOfMeasure) == 0) {
        status = UOM_extent(&count, tags.out());
      } else {
        status =
            ZOLTTYPE_find_displayable_types_for_class(className.c_str(), 0, &count, tags.out());
      }
    } catch (IFail&) {
      serviceData.addErrorStack();
      continue;
    }
    std::vector<std::string> typeNames;
    for (int index = 0; index < count; ++index) {
      char name[ZOLTTYPE_name_size_c + 1] = "";
      // A failure to read a name is not caught: it ends the whole call.
      if (zolt_strcmp(className.c_str(), kUnitOfMeasure) == 0) {
        askUnitName(tags[index], name);
      } else {
        ResultStatus status;
        status = ZOLTTYPE_ask_name(tags[index], name);
      }
      typeNames.push_back(name);
      serviceData.addPlainObject(tags[index]);
    }
    // A class named again keeps the list of its first occurrence.
    response.inputClassToType.emplace(className, std::move(typeNames));
  }
  response.serviceData = serviceData;
  return response;
}

DataManagement::GenerateAlternateIdsResponse DataManagementImpl::generateAlternateIds(
    const std::vector<GenerateAlternateIdsProperties>& properties) {
  GenerateAlternateIdsResponse response;
  ServiceData serviceData;
  int index = 0;
  int generated = 0;
  std::size_t idBytes = 0;  // Of the ids of the inputs that succeeded.
  for (const GenerateAlternateIdsProperties& input : properties) {
    bool failed = false;
    std::vector<std::string> ids;
    std::size_t inputBytes = 0;
    host::HostString pattern(SM_string_copy(input.pattern.c_str()));
    try {
      ResultStatus status;
      Tag idType;
      status = ZOLTTYPE_find_type(input.altIdType.c_str(), "Identifier", &idType);
      // The lookup answers no type, without a failure, for a name that is no identifier type:
      // the input fails whatever its count, naming the value, rather than with the host's
      // "not a valid object" of the first id asked for (or with no error at all for a count
      // of 0).
      if (idType == NULLTAG) {
        raiseErrorWithTexts(POM_invalid_value, "altIdType", input.altIdType);
      }
      if (input.count > kMaxAlternateIdsPerCall - generated) {
        raiseErrorWithTexts(POM_invalid_value,
                            "count (a request makes at most " +
                                std::to_string(kMaxAlternateIdsPerCall) + " ids; " +
                                std::to_string(generated) + " were made before this input)",
                            std::to_string(input.count));
      }
      const std::size_t room = kMaxAlternateIdBytesPerCall - idBytes;
      if (input.count > 0 && input.pattern.size() > room / static_cast<std::size_t>(input.count)) {
        refuseIdBytes();
      }
      for (int made = 0; made < input.count; ++made) {
        host::HostString newId;
        status =
            USER_new_alt_id(input.idContext, pattern.get(), idType, input.parentAltId, newId.out());
        ids.push_back(newId.str());
        ++generated;
        inputBytes += ids.back().size();
        if (inputBytes > room) {
          refuseIdBytes();
        }
      }
    } catch (IFail&) {
      serviceData.addErrorStack();
      failed = true;
    }
    if (!failed) {
      idBytes += inputBytes;
      response.inputIndexToAltId.emplace(index, std::move(ids));
    }
    ++index;
  }
  response.serviceData = std::move(serviceData);
  return response;
}

// Slots 2 to 9: each call constructs its operation object on this stack, calls the operation
// with the arguments unchanged and destroys the object after the call; nothing is kept.

DataManagement::CreateOrUpdatePartsResponse DataManagementImpl::createOrUpdateParts(
    const std::vector<PartInfo>& info) {
  CreateOrUpdatePartsImpl operation;
  return operation.createOrUpdateParts(info);
}

DataManagement::ExpandGRMRelationsResponse DataManagementImpl::expandGRMRelations(
    const std::vector<Tag>& objects, const ExpandGRMRelationsPref& pref) {
  ExpandImpl operation;
  return operation.expandGRMRelations(objects, pref);
}

DataManagement::ExpandPrimaryObjectsResponse DataManagementImpl::expandPrimaryObjects(
    const std::vector<Tag>& objects, const ExpandPrimaryObjectsPref& pref) {
  ExpandImpl operation;
  return operation.expandPrimaryObjects(objects, pref);
}

DataManagement::ExpandFoldersForCADResponse DataManagementImpl::expandFoldersForCAD(
    const std::vector<POMRef<Folder>>& folders, const ExpandFolderForCADPref& pref) {
  ExpandImpl operation;
  return operation.expandFoldersForCAD(folders, pref);
}

DataManagement::CreateOrUpdateRelationsResponse DataManagementImpl::createOrUpdateRelations(
    const std::vector<CreateOrUpdateRelationsInfo>& info, const bool& complete,
    const CreateOrUpdateRelationsPref& pref) {
  CreateOrUpdateRelationsImpl operation;
  return operation.createOrUpdateRelations(info, complete, pref);
}

DataManagement::GetAllAttrMappingsResponse DataManagementImpl::getAllAttrMappings() {
  AttributeMappingImpl operation;
  return operation.getAllAttrMappings();
}

DataManagement::GetAttrMappingsForDatasetTypeResponse
DataManagementImpl::getAttrMappingsForDatasetType(
    const std::vector<GetAttrMappingsForDatasetTypeCriteria>& criteria) {
  AttributeMappingImpl operation;
  return operation.getAttrMappingsForDatasetType(criteria);
}

DataManagement::ResolveAttrMappingsForDatasetResponse
DataManagementImpl::resolveAttrMappingsForDataset(
    const std::vector<ResolveAttrMappingsForDatasetInfo>& info) {
  AttributeMappingImpl operation;
  return operation.resolveAttrMappingsForDataset(info);
}

}  // namespace _2007_01
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
