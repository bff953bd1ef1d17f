#include "host/object/types.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

// Alternate ids are objects of class "Identifier"; their types (ZOLTTYPE_find_type(name,
// "Identifier", ...)) are the alternate-id types.
const host::BaseFixturePart kIdentifiers("types", R"(<fixture>
  <class name="Identifier" parent="POM_object"/>
  <type name="Identifier" class="Identifier"/>
</fixture>)");

// The displayable types by class id. The types are taken in as they appear (a type is an
// object, see Store::structureVersion) and the answers per class are worked out again only when
// a type appeared; a type deleted or undone since is left out of the answer.
class DisplayableTypes {
 public:
  std::vector<Tag> of(Tag classId) {
    const Store& store = Store::instance();
    host::refreshIndex(
        version_, {kTypeClass},
        [this] {
          typeClasses_.clear();
          byClass_.clear();
        },
        [this, &store](Tag object) {
          if (store.isInstanceOf(object, kTypeClass)) {
            typeClasses_.emplace_back(object, store.classId(store.typeClassName(object)));
            byClass_.clear();
          }
        });
    auto found = byClass_.find(classId);
    if (found == byClass_.end()) {
      std::vector<Tag> types;
      for (const auto& typeClass : typeClasses_) {
        if (store.isDescendant(classId, typeClass.second) &&
            std::find(types.begin(), types.end(), typeClass.first) == types.end()) {
          types.push_back(typeClass.first);
        }
      }
      found = byClass_.emplace(classId, std::move(types)).first;
    }
    std::vector<Tag> live;
    for (Tag type : found->second) {
      if (store.find(type) != nullptr) {
        live.push_back(type);
      }
    }
    return live;
  }

 private:
  static constexpr const char* kTypeClass = "ZoltType";
  std::uint64_t version_ = 0;
  std::vector<std::pair<Tag, Tag>> typeClasses_;  // (type, class id), as they appeared.
  std::unordered_map<Tag, std::vector<Tag>> byClass_;
};

DisplayableTypes& displayableTypes() {
  static DisplayableTypes cache;
  return cache;
}

int notAType(Tag type) {
  return host::storeError(POM_invalid_tag, {tagText(type)});
}

bool sameNameIgnoringCase(const std::string& left, const char* right) {
  if (left.size() != std::strlen(right)) {
    return false;
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(left[i])) !=
        std::tolower(static_cast<unsigned char>(right[i]))) {
      return false;
    }
  }
  return true;
}

// The class a type lookup names: the class of exactly that name, else the first class whose
// name differs only in case (callers name the item class "Item" as well as "ITEM"); null when
// none.
Tag classNamedForTypeLookup(const Store& store, const char* className) {
  const Tag exact = store.classId(className);
  if (exact != NULLTAG) {
    return exact;
  }
  for (Tag id : store.classIds()) {
    const host::ClassRecord* record = store.classRecord(id);
    if (record != nullptr && sameNameIgnoringCase(record->name, className)) {
      return id;
    }
  }
  return NULLTAG;
}

}  // namespace

int ZOLTTYPE_find_type(const char* typeName, const char* className, Tag* type) {
  if (typeName == nullptr || type == nullptr) {
    return missingArgument("ZOLTTYPE_find_type");
  }
  *type = NULLTAG;
  HOST_CALL("ZOLTTYPE_find_type", NULLTAG);
  const Store& store = Store::instance();
  const Tag found = store.findType(typeName);
  if (found == NULLTAG) {
    return 0;
  }
  if (className != nullptr) {
    const Tag wanted = classNamedForTypeLookup(store, className);
    const Tag actual = store.classId(store.typeClassName(found));
    if (wanted == NULLTAG || !store.isDescendant(wanted, actual)) {
      return 0;
    }
  }
  *type = found;
  return 0;
}

int ZOLTTYPE_find_displayable_types_for_class(const char* className, int /*option*/, int* count,
                                              Tag** types) {
  if (className == nullptr || count == nullptr || types == nullptr) {
    return missingArgument("ZOLTTYPE_find_displayable_types_for_class");
  }
  *count = 0;
  *types = nullptr;
  HOST_CALL("ZOLTTYPE_find_displayable_types_for_class", NULLTAG);
  const Store& store = Store::instance();
  const Tag wanted = store.classId(className);
  if (wanted == NULLTAG) {
    return host::storeError(POM_no_such_class, {className});
  }
  const std::vector<Tag> found = displayableTypes().of(wanted);
  return host::handOutTags(found, count, types);
}

int ZOLTTYPE_ask_type(const char* typeName, Tag* type) {
  if (typeName == nullptr || type == nullptr) {
    return missingArgument("ZOLTTYPE_ask_type");
  }
  *type = NULLTAG;
  HOST_CALL("ZOLTTYPE_ask_type", NULLTAG);
  *type = Store::instance().findType(typeName);
  return 0;
}

int ZOLTTYPE_ask_name(Tag type, char* name) {
  if (name == nullptr) {
    return missingArgument("ZOLTTYPE_ask_name");
  }
  name[0] = '\0';
  HOST_CALL("ZOLTTYPE_ask_name", type);
  const std::string text = Store::instance().typeName(type);
  if (text.empty()) {
    return notAType(type);
  }
  host::copyName(text, name, ZOLTTYPE_name_size_c);
  return 0;
}

int ZOLTTYPE_ask_class_name(Tag type, char* className) {
  if (className == nullptr) {
    return missingArgument("ZOLTTYPE_ask_class_name");
  }
  className[0] = '\0';
  HOST_CALL("ZOLTTYPE_ask_class_name", type);
  const std::string text = Store::instance().typeClassName(type);
  if (text.empty()) {
    return notAType(type);
  }
  host::copyName(text, className, POM_class_name_size_c);
  return 0;
}

int ZOLTTYPE_ask_object_type(Tag object, Tag* type) {
  if (type == nullptr) {
    return missingArgument("ZOLTTYPE_ask_object_type");
  }
  *type = NULLTAG;
  HOST_CALL("ZOLTTYPE_ask_object_type", object);
  const host::ObjectRecord* found = Store::instance().find(object);
  if (found == nullptr) {
    return notAType(object);
  }
  *type = found->type;
  return 0;
}

int ZOLTTYPE_ask_subtypes(Tag type, int* count, Tag** subtypes) {
  if (count == nullptr || subtypes == nullptr) {
    return missingArgument("ZOLTTYPE_ask_subtypes");
  }
  *count = 0;
  *subtypes = nullptr;
  HOST_CALL("ZOLTTYPE_ask_subtypes", type);
  const Store& store = Store::instance();
  if (store.typeName(type).empty()) {
    return notAType(type);
  }
  const std::vector<Tag> list = store.subtypes(type);
  return host::handOutTags(list, count, subtypes);
}
