#include "datamanagement/related_object_collector.h"

#include "datamanagement/operation_support.h"
#include "host/object/error_store.h"
#include "host/object/grm.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/preferences.h"
#include "host/object/res.h"
#include "host/object/sizes.h"
#include "host/object/types.h"
#include "host/object/uif.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

// The library's own codes.
constexpr int kNotARelationType = 215028;

const char* const kCheckoutRequiredPreference = "SOACAD_checkout_required";

// Puts the preference search scope to `scope` for its life and the scope in force before back
// afterwards. A scope that cannot be read is left as it is, since it could not be put back.
class SearchScopeGuard {
 public:
  explicit SearchScopeGuard(int scope) {
    if (PREF_ask_search_scope(&saved_) != 0) {
      ERROR_store_clear();
      return;
    }
    if (PREF_set_search_scope(scope) != 0) {
      ERROR_store_clear();
      return;
    }
    restore_ = true;
  }
  ~SearchScopeGuard() {
    if (restore_ && PREF_set_search_scope(saved_) != 0) {
      ERROR_store_clear();
    }
  }
  SearchScopeGuard(const SearchScopeGuard&) = delete;
  SearchScopeGuard& operator=(const SearchScopeGuard&) = delete;

 private:
  int saved_ = PREF_scope_all;
  bool restore_ = false;
};

}  // namespace

namespace Utils {

RelatedObjectCollector::RelatedObjectCollector(const std::string& relationTypeName,
                                               const std::vector<std::string>& typeNames, bool flag)
    : flag_(flag) {
  initialise(relationTypeName, typeNames);
}

RelatedObjectCollector::RelatedObjectCollector(const std::string& relationTypeName, bool flag)
    : flag_(flag) {
  initialise(relationTypeName, {});
}

void RelatedObjectCollector::initialise(const std::string& relationTypeName,
                                        const std::vector<std::string>& typeNames) {
  relationType_ = NULLTAG;
  if (!relationTypeName.empty()) {
    ResultStatus status;
    Tag type;
    status = GRM_find_relation_type(relationTypeName.c_str(), &type);
    if (type == NULLTAG) {
      raiseError(kNotARelationType, relationTypeName);
    }
    relationType_ = type;
  }
  allowedTypes_.insert(typeNames.begin(), typeNames.end());
}

void RelatedObjectCollector::getSecondaryRelatedObjects(Tag object, std::vector<Tag>& out) {
  int count = 0;
  host::HostArray<Tag> objects;
  ResultStatus status;
  status = GRM_list_secondary_objects_only(object, relationType_, &count, objects.out());
  filterAllowedTypes(count, objects.get(), out);
}

void RelatedObjectCollector::getPrimaryRelatedObjects(Tag object, std::vector<Tag>& out) {
  int count = 0;
  host::HostArray<Tag> objects;
  ResultStatus status;
  status = GRM_list_primary_objects_only(object, relationType_, &count, objects.out());
  filterAllowedTypes(count, objects.get(), out);
}

void RelatedObjectCollector::filterAllowedTypes(int count, const Tag* objects,
                                                std::vector<Tag>& out) {
  for (int i = 0; i < count; ++i) {
    // A relation may outlive the object at its other end: such an end is passed over, as if
    // the relation were not there, so that no caller names an object that does not exist.
    ResultStatus status;
    bool live = false;
    status = POM_is_tag_valid(objects[i], &live);
    if (!live) {
      continue;
    }
    if (allowedTypes_.empty()) {
      out.push_back(objects[i]);
      continue;
    }
    Tag type;
    status = ZOLTTYPE_ask_object_type(objects[i], &type);
    if (type == NULLTAG) {
      continue;
    }
    char name[ZOLTTYPE_name_size_c + 1];
    status = ZOLTTYPE_ask_name(type, name);
    if (allowedTypes_.count(name) != 0) {
      out.push_back(objects[i]);
    }
  }
}

}  // namespace Utils

int Utility::verifyCheckoutStateAsRequired(Tag object, int notModifiableCode,
                                           int notCheckedOutCode) {
  ResultStatus status;
  host::HostString name;
  status = AOM_ask_name(object, name.out());
  const int state = getCheckoutStatus(object);
  if (state == 2) {
    ERROR_store(EMH_severity_error, notModifiableCode, name.get());
    status = notModifiableCode;
  }
  if (state == 0 && isCheckoutRequired()) {
    ERROR_store(EMH_severity_error, notCheckedOutCode, name.get());
    status = notCheckedOutCode;
  }
  return 0;
}

int Utility::getCheckoutStatus(Tag object) {
  if (RES_assert_object_modifiable(object) != 0) {
    // The answer is the status; its entry on the error store is no error of the caller's.
    ERROR_store_clear();
    return 2;
  }
  ResultStatus status;
  bool checkedOut = false;
  status = RES_is_checked_out(object, &checkedOut);
  return checkedOut ? 1 : 0;
}

bool Utility::isCheckoutRequired() {
  bool required = true;
  SearchScopeGuard scope(PREF_scope_site);
  int count = 0;
  PREF_ask_value_count(kCheckoutRequiredPreference, &count);
  if (count == 1) {
    PREF_ask_logical_value(kCheckoutRequiredPreference, 0, &required);
  }
  // A missing preference is the answer "required", not an error of the caller's.
  ERROR_store_clear();
  return required;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
