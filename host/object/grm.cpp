#include "host/object/grm.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

const host::BaseFixturePart kRelationMessages("grm", R"(<fixture>
  <message code="35010" text="A relation of type %3$ from %1$ to %2$ already exists."/>
  <message code="35011" text="%1$ is not a relation type."/>
</fixture>)");

Tag referenceOf(Tag relation, const char* property) {
  const host::Value* value = nullptr;
  if (Store::instance().read(relation, property, &value) != 0 || value->tags.empty()) {
    return NULLTAG;
  }
  return value->tags.front();
}

bool isRelation(Tag tag) {
  return Store::instance().isInstanceOf(tag, "ImanRelation");
}

bool isRelationType(Tag type) {
  const Store& store = Store::instance();
  const std::string className = store.typeClassName(type);
  return !className.empty() &&
         store.isDescendant(store.classId("ImanRelation"), store.classId(className));
}

// Relations by primary object, by secondary object, by (primary, secondary), by (primary,
// relation type) and by user data, each list in creation order, so that finding the relation
// between two objects, the relations of one type or those that name an object as their user
// data costs what is found, not everything the primary holds (nor every relation). Each
// lookup takes in the relations created since the last one (see Store::structureVersion and
// Store::createdSince). The ends and the user data are written when a relation is made; a
// relation whose end or user data was written later (GRM_set_user_data, a host write) or
// rolled back is filed again under them at the next lookup. Entries may be stale (deleted
// relations, undone creations, ends written since): lookups check. While no mark point is placed a
// deletion is final (nothing can bring the relation back but a new generation, which rebuilds the
// index), so a lookup then drops the stale entries of the list it reads: relations deleted and made
// again do not pile up in their primary's lists.
class RelationIndex {
 public:
  const std::vector<Tag>& byPrimary(Tag primary) { return lookup(primary_, primary); }
  const std::vector<Tag>& bySecondary(Tag secondary) { return lookup(secondary_, secondary); }
  const std::vector<Tag>& between(Tag primary, Tag secondary) {
    return lookup(between_, pairKey(primary, secondary));
  }
  const std::vector<Tag>& ofType(Tag primary, Tag relationType) {
    return lookup(ofType_, pairKey(primary, relationType));
  }
  const std::vector<Tag>& withUserData(Tag userData) { return lookup(userData_, userData); }

  void refresh() {
    host::refreshIndex(
        version_, {"ImanRelation"}, changed_,
        [this] {
          primary_.clear();
          secondary_.clear();
          between_.clear();
          ofType_.clear();
          userData_.clear();
        },
        [this](Tag relation, host::Filing how) { file(relation, how); });
  }

  // The relation's primary, secondary or user data may have changed: it is filed again at the
  // next lookup.
  void keyChanged(Tag relation) { changed_.push_back(relation); }

 private:
  // Files a live relation under its ends and its user data as they are now.
  void file(Tag relation, host::Filing how) {
    if (!isRelation(relation)) {
      return;
    }
    const Tag primary = referenceOf(relation, "primary_object");
    const Tag secondary = referenceOf(relation, "secondary_object");
    host::fileInIndex(primary_[primary], relation, how);
    host::fileInIndex(secondary_[secondary], relation, how);
    host::fileInIndex(between_[pairKey(primary, secondary)], relation, how);
    host::fileInIndex(ofType_[pairKey(primary, Store::instance().find(relation)->type)], relation,
                      how);
    const Tag userData = referenceOf(relation, "user_data");
    if (userData != NULLTAG) {
      host::fileInIndex(userData_[userData], relation, how);
    }
  }

  template <class Key>
  using Map = std::unordered_map<Key, std::vector<Tag>>;

  static std::uint64_t pairKey(Tag first, Tag second) {
    return (std::uint64_t{static_cast<std::uint32_t>(first)} << 32) |
           static_cast<std::uint32_t>(second);
  }

  template <class Key>
  const std::vector<Tag>& lookup(Map<Key>& map, Key key) {
    refresh();
    static const std::vector<Tag> kNone;
    auto found = map.find(key);
    if (found == map.end()) {
      return kNone;
    }
    const Store& store = Store::instance();
    if (store.markPointCount() == 0) {
      std::vector<Tag>& list = found->second;
      list.erase(std::remove_if(list.begin(), list.end(),
                                [&store](Tag relation) { return !store.isLive(relation); }),
                 list.end());
    }
    return found->second;
  }

  Map<Tag> primary_;
  Map<Tag> secondary_;
  Map<std::uint64_t> between_;
  Map<std::uint64_t> ofType_;
  Map<Tag> userData_;
  std::uint64_t version_ = 0;
  // Relations whose ends or user data were written (or rolled back) since the last refresh.
  std::vector<Tag> changed_;
};

RelationIndex& relationIndex() {
  static RelationIndex index;
  return index;
}

const host::LoadHook kFollowRelations([] { relationIndex().refresh(); });
const host::PropertyWatch kWatchPrimaries("primary_object", [](Tag relation) {
  relationIndex().keyChanged(relation);
});
const host::PropertyWatch kWatchSecondaries("secondary_object", [](Tag relation) {
  relationIndex().keyChanged(relation);
});
const host::PropertyWatch kWatchUserData("user_data", [](Tag relation) {
  relationIndex().keyChanged(relation);
});

bool matches(Tag relation, Tag primary, Tag secondary, Tag relationType, Tag userData) {
  const host::ObjectRecord* object = Store::instance().find(relation);
  return object != nullptr &&
         (primary == NULLTAG || referenceOf(relation, "primary_object") == primary) &&
         (secondary == NULLTAG || referenceOf(relation, "secondary_object") == secondary) &&
         (relationType == NULLTAG || object->type == relationType) &&
         (userData == NULLTAG || referenceOf(relation, "user_data") == userData);
}

// The narrowest list of the primary's relations that holds every relation to `secondary` of
// `relationType` (null: any).
const std::vector<Tag>& relationsFrom(Tag primary, Tag secondary, Tag relationType) {
  if (secondary != NULLTAG) {
    return relationIndex().between(primary, secondary);
  }
  if (relationType != NULLTAG) {
    return relationIndex().ofType(primary, relationType);
  }
  return relationIndex().byPrimary(primary);
}

std::vector<Tag> listRelations(Tag primary, Tag secondary, Tag relationType, Tag userData) {
  std::vector<Tag> result;
  Store& store = Store::instance();
  const std::vector<Tag>* candidates = nullptr;
  std::vector<Tag> all;
  if (primary != NULLTAG) {
    candidates = &relationsFrom(primary, secondary, relationType);
  } else if (secondary != NULLTAG) {
    candidates = &relationIndex().bySecondary(secondary);
  } else if (userData != NULLTAG) {
    candidates = &relationIndex().withUserData(userData);
  } else {
    all = store.objectsOfClass(store.classId("ImanRelation"));
    candidates = &all;
  }
  for (Tag relation : *candidates) {
    if (matches(relation, primary, secondary, relationType, userData)) {
      result.push_back(relation);
    }
  }
  return result;
}

int askReference(const char* call, Tag relation, const char* property, Tag* out) {
  if (out == nullptr) {
    return missingArgument(call);
  }
  *out = NULLTAG;
  HOST_CALL(call, relation);
  if (!isRelation(relation)) {
    return host::storeError(POM_invalid_tag, {tagText(relation)});
  }
  *out = referenceOf(relation, property);
  return 0;
}

}  // namespace

int GRM_find_relation_type(const char* name, Tag* relationType) {
  if (name == nullptr || relationType == nullptr) {
    return missingArgument("GRM_find_relation_type");
  }
  *relationType = NULLTAG;
  HOST_CALL("GRM_find_relation_type", NULLTAG);
  const Tag type = Store::instance().findType(name);
  if (type != NULLTAG && isRelationType(type)) {
    *relationType = type;
  }
  return 0;
}

int GRM_find_relation(Tag primary, Tag secondary, Tag relationType, Tag* relation) {
  if (relation == nullptr) {
    return missingArgument("GRM_find_relation");
  }
  *relation = NULLTAG;
  HOST_CALL("GRM_find_relation", primary);
  for (Tag candidate : relationsFrom(primary, secondary, relationType)) {
    if (matches(candidate, primary, secondary, relationType, NULLTAG)) {
      *relation = candidate;
      return 0;
    }
  }
  return 0;
}

int GRM_create_relation(Tag primary, Tag secondary, Tag relationType, Tag userData, Tag* relation) {
  if (relation == nullptr) {
    return missingArgument("GRM_create_relation");
  }
  *relation = NULLTAG;
  HOST_CALL("GRM_create_relation", primary);
  Store& store = Store::instance();
  for (Tag end : {primary, secondary}) {
    if (store.find(end) == nullptr) {
      return host::storeError(POM_invalid_tag, {tagText(end)});
    }
  }
  if (userData != NULLTAG && store.find(userData) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(userData)});
  }
  if (!isRelationType(relationType)) {
    return host::storeError(GRM_invalid_relation_type, {tagText(relationType)});
  }
  for (Tag existing : relationIndex().between(primary, secondary)) {
    if (matches(existing, primary, secondary, relationType, NULLTAG)) {
      return host::storeError(
          GRM_relation_already_exists,
          {store.uidOfTag(primary), store.uidOfTag(secondary), store.typeName(relationType)});
    }
  }
  Tag created;
  const Tag relationClass = store.classId(store.typeClassName(relationType));
  if (const int status = store.createObject(relationClass, relationType, &created)) {
    return status;
  }
  store.write(created, "primary_object", host::Value{{}, {primary}}, host::WriteMode::initial);
  store.write(created, "secondary_object", host::Value{{}, {secondary}}, host::WriteMode::initial);
  if (userData != NULLTAG) {
    store.write(created, "user_data", host::Value{{}, {userData}}, host::WriteMode::initial);
  }
  *relation = created;
  return 0;
}

int GRM_save_relation(Tag relation) {
  HOST_CALL("GRM_save_relation", relation);
  if (!isRelation(relation)) {
    return host::storeError(POM_invalid_tag, {tagText(relation)});
  }
  return Store::instance().save(relation);
}

int GRM_delete_relation(Tag relation) {
  HOST_CALL("GRM_delete_relation", relation);
  if (!isRelation(relation)) {
    return host::storeError(POM_invalid_tag, {tagText(relation)});
  }
  return Store::instance().remove(relation);
}

int GRM_set_user_data(Tag relation, Tag userData) {
  HOST_CALL("GRM_set_user_data", relation);
  Store& store = Store::instance();
  if (!isRelation(relation)) {
    return host::storeError(POM_invalid_tag, {tagText(relation)});
  }
  if (userData != NULLTAG && store.find(userData) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(userData)});
  }
  host::Value value;
  if (userData != NULLTAG) {
    value.tags.push_back(userData);
  }
  return store.write(relation, "user_data", value, host::WriteMode::owner);
}

int GRM_ask_primary(Tag relation, Tag* primary) {
  return askReference("GRM_ask_primary", relation, "primary_object", primary);
}

int GRM_ask_secondary(Tag relation, Tag* secondary) {
  return askReference("GRM_ask_secondary", relation, "secondary_object", secondary);
}

int GRM_ask_user_data(Tag relation, Tag* userData) {
  return askReference("GRM_ask_user_data", relation, "user_data", userData);
}

int GRM_ask_relation_type(Tag relation, Tag* relationType) {
  if (relationType == nullptr) {
    return missingArgument("GRM_ask_relation_type");
  }
  *relationType = NULLTAG;
  HOST_CALL("GRM_ask_relation_type", relation);
  if (!isRelation(relation)) {
    return host::storeError(POM_invalid_tag, {tagText(relation)});
  }
  *relationType = Store::instance().find(relation)->type;
  return 0;
}

int GRM_list_relations(Tag primary, Tag secondary, Tag relationType, Tag userData, int* count,
                       Tag** relations) {
  if (count == nullptr || relations == nullptr) {
    return missingArgument("GRM_list_relations");
  }
  *count = 0;
  *relations = nullptr;
  HOST_CALL("GRM_list_relations", primary);
  return host::handOutTags(listRelations(primary, secondary, relationType, userData), count,
                           relations);
}

int GRM_list_secondary_objects_only(Tag primary, Tag relationType, int* count, Tag** secondaries) {
  if (count == nullptr || secondaries == nullptr) {
    return missingArgument("GRM_list_secondary_objects_only");
  }
  *count = 0;
  *secondaries = nullptr;
  HOST_CALL("GRM_list_secondary_objects_only", primary);
  if (Store::instance().find(primary) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(primary)});
  }
  std::vector<Tag> list;
  for (Tag relation : listRelations(primary, NULLTAG, relationType, NULLTAG)) {
    list.push_back(referenceOf(relation, "secondary_object"));
  }
  return host::handOutTags(list, count, secondaries);
}

int GRM_list_primary_objects_only(Tag secondary, Tag relationType, int* count, Tag** primaries) {
  if (count == nullptr || primaries == nullptr) {
    return missingArgument("GRM_list_primary_objects_only");
  }
  *count = 0;
  *primaries = nullptr;
  HOST_CALL("GRM_list_primary_objects_only", secondary);
  if (Store::instance().find(secondary) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(secondary)});
  }
  std::vector<Tag> list;
  for (Tag relation : listRelations(NULLTAG, secondary, relationType, NULLTAG)) {
    list.push_back(referenceOf(relation, "primary_object"));
  }
  return host::handOutTags(list, count, primaries);
}
