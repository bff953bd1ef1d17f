// The object manager's calls: classes, tags and UIDs, new objects, mark points.
//
// Every call returns a status (0 = success; on failure the code is also on the error store)
// and sets its out-arguments to their null values before anything else. A null out-argument
// fails with POM_invalid_argument. Strings handed out are host allocations (SM_free).
#pragma once

#include "framework/visibility.h"
#include "host/object/date.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// The class of a live object.
int POM_class_of_instance(Tag object, Tag* classId);
// The class id of a class name; a name that names no class gives the null tag (status 0).
int POM_class_id_of_class(const char* className, Tag* classId);
int POM_name_of_class(Tag classId, char** className);
// Whether `classId` is `ancestor` or descends from it (reflexive). POM_no_such_class when
// either is not a class.
int POM_is_descendant(Tag ancestor, Tag classId, bool* answer);

// Whether the tag names a live object (an answer, not a failure: status 0 either way).
int POM_is_tag_valid(Tag tag, bool* valid);
// The UID of an object tag (deleted objects and unknown UIDs' tags included) or of a class
// id; POM_invalid_tag for the null tag and for numbers never handed out.
int POM_tag_to_uid(Tag tag, char** uid);
// The tag of a UID: null for the empty UID; for a UID that names no object, a tag that is
// not valid and stays the same (status 0 in every case).
int POM_string_to_tag(const char* uid, Tag* tag);
// Whether the object was created and never saved.
int POM_is_newly_created(Tag object, bool* newlyCreated);

// Mark points: rolling back to one undoes every creation, property write, save, deletion
// and lock change made since it was placed, and removes it with the marks placed after it;
// forgetting one keeps the changes (an earlier mark still covers them). Marks nest.
int POM_place_markpoint(int* markId);
// `stateChanged` (may be null): whether the roll restored anything.
int POM_roll_to_markpoint(int markId, bool* stateChanged);
int POM_forget_markpoint(int markId);

// The host's null date (all fields zero).
Date POM_null_date();

SOACAD_API_END
