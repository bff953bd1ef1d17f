#include "datamanagement/create_or_update_relations.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "datamanagement/diagnostics.h"
#include "datamanagement/operation_support.h"
#include "host/object/aom.h"
#include "host/object/error_store.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/sizes.h"
#include "host/object/types.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
using ServiceData = Korvane::Soa::Server::ServiceData;
using Info = DataManagement::CreateOrUpdateRelationsInfo;
using Filter = DataManagement::RelationAndTypesFilter2;

using Diagnostics::printBanner;
using Diagnostics::printNumber;
using Diagnostics::printText;
using Diagnostics::printTexts;

// The library's own codes.
constexpr int kTypeNotFound = 215022;
constexpr int kRelationNotCreated = 215025;
constexpr int kRelationTypeNotFound = 215050;
constexpr int kPrimaryNotValid = 215051;
constexpr int kUserDataNotValid = 215053;
constexpr int kRelationNotValid = 215054;
constexpr int kRelationExists = 215055;

const char* const kRelationClass = "ImanRelation";

// Error-stack keys of the filter check pass.
const std::string kFilterRelationTypeKey = "Filter relation type error";
const std::string kFilterObjectTypeKey = "Filter object type error";

// --- Working lists of one call --------------------------------------------------------------

struct CreateEntry {
  std::string clientId;
  Tag relationType;
  Tag secondary;
  Tag userData;
  // The existing relation of this type from the primary to the secondary when complete mode
  // would delete it: the creation deletes and makes it again as one step, so that a creation
  // that fails leaves it as it was.
  Tag replaces;
  // Whether another relation refers to `replaces` (see referredToByOtherRelations): the
  // creation then keeps it and gives it the input's user data instead, so that no relation is
  // left naming a deleted one.
  bool keepsReplaced = false;
};

// The creations of one primary object, in input order.
struct CreateGroup {
  Tag primary;
  std::vector<CreateEntry> entries;
};

struct UpdateEntry {
  std::string clientId;
  Tag relation;
  Tag userData;
};

struct RelationLists {
  // In order of their primary's first appearance.
  std::vector<CreateGroup> groups;
  std::unordered_map<Tag, std::size_t> groupOfPrimary;
  // In input order.
  std::vector<UpdateEntry> updates;
  // Every object that some input names, in any role, whether the input is accepted or not:
  // complete mode deletes none of them. A relation that a rejected update names, or that a
  // creation takes as user data, thus survives the call.
  std::unordered_set<Tag> named;
  // The creations refused while the lists were built, as (primary, secondary, relation type),
  // the type null when it could not be read. Complete mode spares the relations between the two
  // objects of that type (of every filtered type when it is null): the client listed them, and
  // an input of its that fails must not cost it what it listed.
  std::set<std::tuple<Tag, Tag, Tag>> refused;
  std::unordered_set<Tag> refusedPrimaries;
  // Relations that complete mode left to a creation to replace or keep (CreateEntry::replaces).
  std::unordered_set<Tag> replaced;

  void addCreation(Tag primary, CreateEntry entry) {
    const auto found = groupOfPrimary.emplace(primary, groups.size());
    if (found.second) {
      groups.push_back(CreateGroup{primary, {}});
    }
    groups[found.first->second].entries.push_back(std::move(entry));
  }
  void addUpdate(UpdateEntry entry) { updates.push_back(std::move(entry)); }
  void addRefused(Tag primary, Tag secondary, Tag relationType) {
    if (primary != NULLTAG && secondary != NULLTAG) {
      refused.emplace(primary, secondary, relationType);
      refusedPrimaries.insert(primary);
    }
  }
  // Whether a refused creation listed `relation` of type `relationType` from `primary`.
  // REQUIRES: `primary` is one of refusedPrimaries. Raises IFail when the host cannot tell the
  // relation's secondary.
  bool listedByRefused(Tag primary, Tag relationType, Tag relation) const {
    ResultStatus status;
    Tag secondary;
    status = GRM_ask_secondary(relation, &secondary);
    return refused.count({primary, secondary, relationType}) != 0 ||
           refused.count({primary, secondary, NULLTAG}) != 0;
  }
  void addNamed(const Info& input) {
    for (Tag tag :
         {input.relation.tag(), input.userData, input.primaryObject, input.secondaryObject}) {
      if (tag != NULLTAG) {
        named.insert(tag);
      }
    }
  }
};

// Name -> type, filled on the first successful lookup of a name; a failed lookup is not
// remembered, so every input that names an unknown type gets its own error stack.
struct TypeCaches {
  std::map<std::string, Tag> relationTypes;
  std::map<std::string, Tag> objectTypes;
};

// --- Dump ---------------------------------------------------------------------------------

void dumpCreateOrUpdateRelationsInfo(int level, const Info& info) {
  printTexts(level, "CreateOrUpdateRelationsInfo : ", "");
  printTexts(level + 1, "clientId : ", info.clientId);
  printTexts(level + 1, "relationType : ", info.relationType);
  printNumber(level + 1, "primaryObject : ", info.primaryObject);
  printNumber(level + 1, "secondaryObject : ", info.secondaryObject);
  printNumber(level + 1, "relation : ", info.relation.tag());
  printNumber(level + 1, "userData : ", info.userData);
}

void dumpRelationAndTypesFilter(int level, const Filter& filter) {
  printTexts(level, "RelationAndTypesFilter : ", "");
  printTexts(level + 1, "relationName : ", filter.relationName);
  printTexts(level + 1, "object types : ", "");
  for (const std::string& name : filter.objectTypeName) {
    printText(level + 2, name);
  }
}

// --- Type lookups -------------------------------------------------------------------------

// Where a failed type lookup goes: an error stack under the lookup's key (which may be empty:
// an input's client id is what the client chose), or, for a lookup without a key, nowhere (the
// error store is emptied, so the failure reaches no later stack).
struct LookupContext {
  ServiceData& serviceData;
  bool debug;
  int level;
};

using TypeQuery = int (*)(const char* name, Tag* type);

// The type named `name` (from the cache or `query`); 0 after a failure, which is recorded as
// described for LookupContext (`key` null: dropped). A name that does not fit the host's type
// names, or that holds a NUL character, names no type: it is refused as not found without
// reaching the host.
Tag findType(const std::string* key, const std::string& name, std::map<std::string, Tag>& cache,
             TypeQuery query, int notFoundCode, const char* failureLine,
             const LookupContext& context) {
  const auto cached = cache.find(name);
  if (cached != cache.end()) {
    return cached->second;
  }
  try {
    Tag type;
    if (nameFits(name, ZOLTTYPE_name_size_c) && name.find('\0') == std::string::npos) {
      ResultStatus status;
      status = query(name.c_str(), &type);
    }
    if (type == NULLTAG) {
      raiseError(notFoundCode, name);
    }
    cache.emplace(name, type);
    return type;
  } catch (IFail&) {
    if (key == nullptr) {
      ERROR_store_clear();
    } else {
      if (context.debug) {
        printText(context.level, failureLine);
      }
      context.serviceData.addErrorStack(*key);
    }
  }
  return NULLTAG;
}

Tag findRelationType(const std::string* key, const std::string& name, TypeCaches& caches,
                     const LookupContext& context) {
  return findType(key, name, caches.relationTypes, &GRM_find_relation_type, kRelationTypeNotFound,
                  "Getting relation type tag error encountered!!", context);
}

Tag findObjectType(const std::string* key, const std::string& name, TypeCaches& caches,
                   const LookupContext& context) {
  return findType(key, name, caches.objectTypes, &ZOLTTYPE_ask_type, kTypeNotFound,
                  "Getting ZOLT type tag error encountered!!", context);
}

// --- Steps --------------------------------------------------------------------------------

// Sorts the inputs into creations and updates. An input that fails a check is an error stack
// under its client id (the empty one too) and joins neither list; what it names is spared all
// the same, and so are the relations between the two objects of a refused creation.
void buildRelationLists(const std::vector<Info>& inputs, RelationLists& lists, TypeCaches& caches,
                        const LookupContext& context) {
  for (const Info& input : inputs) {
    lists.addNamed(input);
    const bool creation = input.relation.tag() == NULLTAG;
    bool typeLookedUp = false;
    try {
      if (context.debug) {
        dumpCreateOrUpdateRelationsInfo(context.level, input);
      }
      if (input.userData != NULLTAG && input.userData.isValid() != 0) {
        raiseError(kUserDataNotValid, objectText(input.userData));
      }
      if (creation) {
        if (input.primaryObject.isValid() != 0) {
          raiseError(kPrimaryNotValid, objectText(input.primaryObject));
        }
        // A creation without a valid secondary object could only fail later, or be passed
        // over without a word; it is refused here, with the host's invalid-tag status that the
        // probe stored.
        ResultStatus status;
        status = input.secondaryObject.isValid();
        const Tag type = findRelationType(&input.clientId, input.relationType, caches, context);
        typeLookedUp = true;
        if (type == NULLTAG) {
          // The lookup recorded the failure under the client id.
          lists.addRefused(input.primaryObject, input.secondaryObject, NULLTAG);
          continue;
        }
        lists.addCreation(
            input.primaryObject,
            CreateEntry{input.clientId, type, input.secondaryObject, input.userData, NULLTAG});
      } else {
        // An object of another class is no relation either; the host's status says which.
        const Tag relation = input.relation.tag();
        if (relation.isValid(kRelationClass) != 0) {
          raiseError(kRelationNotValid, objectText(relation));
        }
        lists.addUpdate(UpdateEntry{input.clientId, relation, input.userData});
      }
    } catch (IFail&) {
      if (context.debug) {
        printText(context.level, "Building primary and update list error encountered!!");
      }
      context.serviceData.addErrorStack(input.clientId);
      if (creation && !typeLookedUp) {
        // The input's type, when it names one, limits what is spared; a failed lookup here is
        // no error of its own (the input has its stack already).
        lists.addRefused(input.primaryObject, input.secondaryObject,
                         findRelationType(nullptr, input.relationType, caches, context));
      }
    }
  }
}

// Whether the secondary object of `relation` is exactly of one of the filter's object types
// (a subtype does not match). Type names that name no type match nothing, and a secondary
// object that no longer exists has no type to match: such a relation is passed over, as the
// expansions pass over it, rather than cancel the whole filter.
bool secondaryTypeMatches(Tag relation, const Filter& filter, TypeCaches& caches,
                          const LookupContext& context) {
  ResultStatus status;
  status = AOM_refresh(relation, false);
  Tag secondary;
  status = GRM_ask_secondary(relation, &secondary);
  bool live = false;
  status = POM_is_tag_valid(secondary, &live);
  if (!live) {
    return false;
  }
  Tag secondaryType;
  status = ZOLTTYPE_ask_object_type(secondary, &secondaryType);
  for (const std::string& name : filter.objectTypeName) {
    const Tag type = findObjectType(nullptr, name, caches, context);
    if (type != NULLTAG && type == secondaryType) {
      return true;
    }
  }
  return false;
}

// Whether a live relation other than `relation` names it as its user data, primary or secondary
// object: deleting it would leave that relation naming a deleted object. Raises IFail when the
// host cannot list them.
bool referredToByOtherRelations(Tag relation) {
  const auto others = [relation](Tag primary, Tag secondary, Tag userData) {
    ResultStatus status;
    int count = 0;
    host::HostArray<Tag> relations;
    status = GRM_list_relations(primary, secondary, NULLTAG, userData, &count, relations.out());
    const Tag* listed = relations.get();
    return std::any_of(listed, listed + count, [relation](Tag other) { return other != relation; });
  };
  return others(NULLTAG, NULLTAG, relation) || others(relation, NULLTAG, NULLTAG) ||
         others(NULLTAG, relation, NULLTAG);
}

// Of the relations of type `relationType` in `doomed`, those that a creation of `group` makes
// again (same secondary, same type) are left to that creation to replace, or to keep when
// another relation refers to them (the first such creation, when several name the pair), and
// taken out of `doomed`.
void leaveToTheirCreations(CreateGroup& group, Tag relationType, std::vector<Tag>& doomed,
                           RelationLists& lists) {
  std::unordered_map<Tag, CreateEntry*> creationOfSecondary;
  for (CreateEntry& entry : group.entries) {
    if (entry.relationType == relationType && entry.replaces == NULLTAG) {
      creationOfSecondary.emplace(entry.secondary, &entry);
    }
  }
  if (creationOfSecondary.empty()) {
    return;
  }
  std::vector<Tag> rest;
  for (Tag relation : doomed) {
    ResultStatus status;
    Tag secondary;
    status = GRM_ask_secondary(relation, &secondary);
    const auto found = creationOfSecondary.find(secondary);
    if (found != creationOfSecondary.end()) {
      found->second->replaces = relation;
      found->second->keepsReplaced = referredToByOtherRelations(relation);
      lists.replaced.insert(relation);
      creationOfSecondary.erase(found);
    } else {
      rest.push_back(relation);
    }
  }
  doomed.swap(rest);
}

// Complete mode: deletes, for every creation primary and every filter, the relations of the
// filter's type (whose secondary is of one of its object types, when it names any) that no
// input names, and reports each by the UID it had. A relation that a creation of the call
// makes again is not deleted here: the creation replaces it (CreateEntry::replaces). Nor is a
// relation that another relation refers to (as its user data or as an end) when complete mode
// looks at it: deleting it would leave that one naming a deleted object, so it is spared.
void processRelationFilters(const std::vector<Filter>& filters, RelationLists& lists,
                            TypeCaches& caches, const LookupContext& context) {
  // Check pass: each unknown name is reported once per filter, under a fixed key.
  for (const Filter& filter : filters) {
    if (context.debug) {
      dumpRelationAndTypesFilter(context.level, filter);
    }
    findRelationType(&kFilterRelationTypeKey, filter.relationName, caches, context);
    for (const std::string& name : filter.objectTypeName) {
      findObjectType(&kFilterObjectTypeKey, name, caches, context);
    }
  }

  for (CreateGroup& group : lists.groups) {
    for (const Filter& filter : filters) {
      try {
        const Tag relationType = findRelationType(nullptr, filter.relationName, caches, context);
        if (relationType == NULLTAG) {
          continue;
        }
        ResultStatus status;
        int count = 0;
        host::HostArray<Tag> relations;
        status = GRM_list_relations(group.primary, NULLTAG, relationType, NULLTAG, &count,
                                    relations.out());
        if (count <= 0 || !relations) {
          continue;
        }
        std::vector<Tag> listed(relations.get(), relations.get() + count);
        relations.reset();
        const bool refusedOnPrimary = lists.refusedPrimaries.count(group.primary) != 0;
        std::vector<Tag> candidates;
        for (Tag relation : listed) {
          if (lists.named.count(relation) == 0 && lists.replaced.count(relation) == 0 &&
              !(refusedOnPrimary && lists.listedByRefused(group.primary, relationType, relation))) {
            candidates.push_back(relation);
          }
        }

        std::vector<Tag> doomed;
        for (Tag candidate : candidates) {
          if (filter.objectTypeName.empty() ||
              secondaryTypeMatches(candidate, filter, caches, context)) {
            doomed.push_back(candidate);
          }
        }
        leaveToTheirCreations(group, relationType, doomed, lists);
        for (Tag relation : doomed) {
          if (referredToByOtherRelations(relation)) {
            continue;
          }
          host::HostString uid;
          status = POM_tag_to_uid(relation, uid.out());
          status = GRM_delete_relation(relation);
          context.serviceData.addDeletedObject(uid.str());
        }
      } catch (IFail&) {
        if (context.debug) {
          printText(context.level, "Processing filter error encountered!!");
        }
        context.serviceData.addErrorStack();
      }
    }
  }
}

// A relation just created: deleted again when the guard goes out of scope before release(),
// so a creation that fails after GRM_create_relation leaves no relation behind. A failing
// deletion stays on the error store, where it joins the stack of the failure that caused it.
class NewRelationGuard {
 public:
  explicit NewRelationGuard(Tag relation) : relation_(relation) {}
  ~NewRelationGuard() {
    if (relation_ != NULLTAG) {
      GRM_delete_relation(relation_);
    }
  }
  NewRelationGuard(const NewRelationGuard&) = delete;
  NewRelationGuard& operator=(const NewRelationGuard&) = delete;

  void release() { relation_ = NULLTAG; }

 private:
  Tag relation_;
};

// Creates and saves the relation; raises IFail (215055 when such a relation exists already)
// and leaves no relation behind when that fails.
Tag makeRelation(Tag primary, Tag secondary, Tag relationType, Tag userData) {
  ResultStatus status;
  Tag existing;
  status = GRM_find_relation(primary, secondary, relationType, &existing);
  if (existing != NULLTAG) {
    raiseError(kRelationExists);
  }
  Tag created;
  status = GRM_create_relation(primary, secondary, relationType, userData, &created);
  if (created == NULLTAG) {
    raiseError(kRelationNotCreated);
  }
  NewRelationGuard guard(created);
  status = GRM_save_relation(created);
  guard.release();
  return created;
}

}  // namespace

CreateOrUpdateRelationsImpl::DataManagement::CreateOrUpdateRelationsResponse
CreateOrUpdateRelationsImpl::createOrUpdateRelations(
    const std::vector<DataManagement::CreateOrUpdateRelationsInfo>& info, bool complete,
    const DataManagement::CreateOrUpdateRelationsPref& pref) {
  std::vector<DataManagement::CreateOrUpdateRelationsOutput> output;
  ServiceData serviceData;
  debug_ = ZOLT_getenv("DEBUG_SOACAD") != nullptr;
  indentLevel_ = 0;
  if (debug_) {
    printBanner();
    printText(indentLevel_, "Start of data dump from createOrUpdateRelations ");
  }

  RelationLists lists;
  TypeCaches caches;
  const LookupContext context{serviceData, debug_, indentLevel_};
  buildRelationLists(info, lists, caches, context);
  if (complete) {
    processRelationFilters(pref.info, lists, caches, context);
  }

  for (const CreateGroup& group : lists.groups) {
    for (const CreateEntry& entry : group.entries) {
      Tag relation;
      if (entry.keepsReplaced) {
        if (updateRelation(entry.clientId, entry.replaces, entry.userData, serviceData) == 0) {
          serviceData.addUpdatedObject(entry.replaces);
          relation = entry.replaces;
        }
      } else {
        replaceRelation(entry.clientId, group.primary, entry.relationType, entry.secondary,
                        entry.userData, entry.replaces, &relation, serviceData);
      }
      output.push_back({entry.clientId, relation});
    }
  }
  for (const UpdateEntry& entry : lists.updates) {
    if (updateRelation(entry.clientId, entry.relation, entry.userData, serviceData) == 0) {
      serviceData.addUpdatedObject(entry.relation);
    }
    output.push_back({entry.clientId, entry.relation});
  }

  if (debug_) {
    printText(indentLevel_, "End of data dump from createOrUpdateRelations ");
    printBanner();
  }
  DataManagement::CreateOrUpdateRelationsResponse response;
  response.output = std::move(output);
  response.serviceData = serviceData;
  return response;
}

int CreateOrUpdateRelationsImpl::createRelation(std::string clientId, Tag primary, Tag relationType,
                                                Tag secondary, Tag userData, Tag* relation,
                                                ServiceData& serviceData) {
  return replaceRelation(std::move(clientId), primary, relationType, secondary, userData, NULLTAG,
                         relation, serviceData);
}

int CreateOrUpdateRelationsImpl::replaceRelation(std::string clientId, Tag primary,
                                                 Tag relationType, Tag secondary, Tag userData,
                                                 Tag replaced, Tag* relation,
                                                 ServiceData& serviceData) {
  *relation = NULLTAG;
  if (debug_) {
    printText(indentLevel_, "Creating relation");
  }
  try {
    std::optional<MarkPoint> mark;
    std::string replacedUid;
    if (replaced != NULLTAG) {
      mark.emplace();
      ResultStatus status;
      host::HostString uid;
      status = POM_tag_to_uid(replaced, uid.out());
      replacedUid = uid.str();
      status = GRM_delete_relation(replaced);
    }
    const Tag created = makeRelation(primary, secondary, relationType, userData);
    if (mark) {
      mark->keep();
      serviceData.addDeletedObject(replacedUid);
    }
    serviceData.addCreatedObject(created);
    *relation = created;
  } catch (IFail&) {
    if (debug_) {
      printText(indentLevel_, "Creating relation error encountered!!");
    }
    serviceData.addErrorStack(clientId);
    return 1;
  }
  return 0;
}

int CreateOrUpdateRelationsImpl::updateRelation(std::string clientId, Tag relation, Tag userData,
                                                ServiceData& serviceData) {
  if (debug_) {
    printText(indentLevel_, "Updating relation");
  }
  try {
    // A failure anywhere, the release of the lock included, takes the update back whole: the
    // relation keeps its user data and no lock.
    MarkPoint mark;
    ObjectLock lock;
    lock.lock(relation);
    ResultStatus status;
    status = GRM_set_user_data(relation, userData);
    status = AOM_save(relation);
    lock.unlock();
    mark.keep();
  } catch (IFail&) {
    if (debug_) {
      printText(indentLevel_, "Updating relation error encountered!!");
    }
    serviceData.addErrorStack(clientId);
    return 1;
  }
  return 0;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
