// Generic relations: objects of class "ImanRelation" that tie a primary object to a secondary
// object under a relation type (a type whose class is "ImanRelation"), with optional user
// data. In every listing a null tag means "any", and relations come in creation order.
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

enum : int {
  // GRM_create_relation: a live relation of that type between those objects already exists.
  GRM_relation_already_exists = 35010,
  // GRM_find_relation_type / GRM_create_relation: the tag is not a relation type.
  GRM_invalid_relation_type = 35011,
};

// The relation type named `name`; null when there is none.
int GRM_find_relation_type(const char* name, Tag* relationType);
// The live relation of that type from `primary` to `secondary`; null when there is none.
int GRM_find_relation(Tag primary, Tag secondary, Tag relationType, Tag* relation);
// A new relation (newly created: GRM_save_relation saves it). Fails with 7007 for a primary or
// secondary that is not a live object, GRM_invalid_relation_type, or
// GRM_relation_already_exists.
int GRM_create_relation(Tag primary, Tag secondary, Tag relationType, Tag userData, Tag* relation);
int GRM_save_relation(Tag relation);
// Deletes the relation (not its objects).
int GRM_delete_relation(Tag relation);
// Sets the relation's user data (null for none). Needs the lock, like any write.
int GRM_set_user_data(Tag relation, Tag userData);
int GRM_ask_primary(Tag relation, Tag* primary);
int GRM_ask_secondary(Tag relation, Tag* secondary);
int GRM_ask_relation_type(Tag relation, Tag* relationType);
int GRM_ask_user_data(Tag relation, Tag* userData);
// The live relations matching every non-null argument (host array).
int GRM_list_relations(Tag primary, Tag secondary, Tag relationType, Tag userData, int* count,
                       Tag** relations);
// The secondary objects of `primary`'s relations of that type (host array).
int GRM_list_secondary_objects_only(Tag primary, Tag relationType, int* count, Tag** secondaries);
// The primary objects of the relations of that type whose secondary is `secondary`.
int GRM_list_primary_objects_only(Tag secondary, Tag relationType, int* count, Tag** primaries);

SOACAD_API_END
