#include "host/object/pom.h"

#include <string>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::tagText;

}  // namespace

int POM_class_of_instance(Tag object, Tag* classId) {
  if (classId == nullptr) {
    return missingArgument("POM_class_of_instance");
  }
  *classId = NULLTAG;
  HOST_CALL("POM_class_of_instance", object);
  const host::ObjectRecord* found = host::Store::instance().find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  *classId = found->classId;
  return 0;
}

int POM_class_id_of_class(const char* className, Tag* classId) {
  if (classId == nullptr || className == nullptr) {
    return missingArgument("POM_class_id_of_class");
  }
  *classId = NULLTAG;
  HOST_CALL("POM_class_id_of_class", NULLTAG);
  *classId = host::Store::instance().classId(className);
  return 0;
}

int POM_name_of_class(Tag classId, char** className) {
  if (className == nullptr) {
    return missingArgument("POM_name_of_class");
  }
  *className = nullptr;
  HOST_CALL("POM_name_of_class", classId);
  const host::ClassRecord* found = host::Store::instance().classRecord(classId);
  if (found == nullptr) {
    return host::storeError(POM_no_such_class, {tagText(classId)});
  }
  *className = SM_string_copy(found->name.c_str());
  return 0;
}

int POM_is_descendant(Tag ancestor, Tag classId, bool* answer) {
  if (answer == nullptr) {
    return missingArgument("POM_is_descendant");
  }
  *answer = false;
  HOST_CALL("POM_is_descendant", classId);
  const host::Store& store = host::Store::instance();
  for (Tag id : {ancestor, classId}) {
    if (store.classRecord(id) == nullptr) {
      return host::storeError(POM_no_such_class, {tagText(id)});
    }
  }
  *answer = store.isDescendant(ancestor, classId);
  return 0;
}

int POM_is_tag_valid(Tag tag, bool* valid) {
  if (valid == nullptr) {
    return missingArgument("POM_is_tag_valid");
  }
  *valid = false;
  HOST_CALL("POM_is_tag_valid", tag);
  *valid = host::Store::instance().find(tag) != nullptr;
  return 0;
}

int POM_tag_to_uid(Tag tag, char** uid) {
  if (uid == nullptr) {
    return missingArgument("POM_tag_to_uid");
  }
  *uid = nullptr;
  HOST_CALL("POM_tag_to_uid", tag);
  const std::string text = host::Store::instance().uidOfTag(tag);
  if (text.empty()) {
    return host::storeError(POM_invalid_tag, {tagText(tag)});
  }
  *uid = SM_string_copy(text.c_str());
  return 0;
}

int POM_string_to_tag(const char* uid, Tag* tag) {
  if (tag == nullptr || uid == nullptr) {
    return missingArgument("POM_string_to_tag");
  }
  *tag = NULLTAG;
  HOST_CALL("POM_string_to_tag", NULLTAG);
  *tag = host::Store::instance().tagOfUid(uid);
  return 0;
}

int POM_is_newly_created(Tag object, bool* newlyCreated) {
  if (newlyCreated == nullptr) {
    return missingArgument("POM_is_newly_created");
  }
  *newlyCreated = false;
  HOST_CALL("POM_is_newly_created", object);
  const host::ObjectRecord* found = host::Store::instance().find(object);
  if (found == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(object)});
  }
  *newlyCreated = found->newlyCreated;
  return 0;
}

int POM_place_markpoint(int* markId) {
  if (markId == nullptr) {
    return missingArgument("POM_place_markpoint");
  }
  *markId = 0;
  HOST_CALL("POM_place_markpoint", NULLTAG);
  return host::Store::instance().placeMarkPoint(markId);
}

int POM_roll_to_markpoint(int markId, bool* stateChanged) {
  if (stateChanged != nullptr) {
    *stateChanged = false;
  }
  HOST_CALL("POM_roll_to_markpoint", NULLTAG);
  return host::Store::instance().rollToMarkPoint(markId, stateChanged);
}

int POM_forget_markpoint(int markId) {
  HOST_CALL("POM_forget_markpoint", NULLTAG);
  return host::Store::instance().forgetMarkPoint(markId);
}

Date POM_null_date() {
  return Date();
}
