// Objects related to a given one by a relation type, limited to some object types; and the
// check that an object may be changed before an operation writes a new version of it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "framework/visibility.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {
namespace Utils {

// Follows one relation type (or every one) from an object to its secondary objects, or back to
// its primary objects, keeping the objects whose type name is one of the allowed names (all
// objects when no name is given). An object that no longer exists is never kept: a relation
// whose other end was deleted is passed over. The names match type names exactly: a subtype's own
// name is a different name.
class SOACAD_API RelatedObjectCollector {
 public:
  // An empty relation type name follows every relation type. Raises IFail 215028 for a
  // non-empty name that is not a relation type (and IFail for a failing lookup).
  RelatedObjectCollector(const std::string& relationTypeName,
                         const std::vector<std::string>& typeNames, bool flag);
  RelatedObjectCollector(const std::string& relationTypeName, bool flag);
  RelatedObjectCollector(const RelatedObjectCollector&) = default;
  RelatedObjectCollector& operator=(const RelatedObjectCollector&) = default;
  // Not virtual: a collector is a value on its caller's stack, never deleted through a base.
  ~RelatedObjectCollector() = default;

  // Appends the secondary objects of `object` over the relation type, of the allowed types, in
  // the host's order; `out` is not cleared, so one vector can collect several calls. Raises
  // IFail when a host call fails.
  virtual void getSecondaryRelatedObjects(Tag object, std::vector<Tag>& out);
  // The same for the primary objects whose relations lead to `object`.
  virtual void getPrimaryRelatedObjects(Tag object, std::vector<Tag>& out);

 private:
  void initialise(const std::string& relationTypeName, const std::vector<std::string>& typeNames);
  void filterAllowedTypes(int count, const Tag* objects, std::vector<Tag>& out);

  Tag relationType_;                    // Null: every relation type.
  std::set<std::string> allowedTypes_;  // Empty: no limit.
  [[maybe_unused]] bool flag_;          // Kept for the callers; the collector does not read it.
};

}  // namespace Utils

// Checks made before an operation writes a new version of an object.
class SOACAD_API Utility {
 public:
  Utility() = delete;

  // Returns 0 when the object may be changed: the user may modify it and, when the site
  // requires it ("SOACAD_checkout_required", read at site scope; required unless it holds
  // exactly one value that is false), it is checked out. Otherwise stores the caller's code
  // with the object's name as its text and raises IFail: `notModifiableCode` when the user
  // may not modify it, `notCheckedOutCode` when it is not checked out but must be. The
  // preference search scope is as it was after the call, also when a host call fails.
  static int verifyCheckoutStateAsRequired(Tag object, int notModifiableCode,
                                           int notCheckedOutCode);

 private:
  static bool isCheckoutRequired();
  // 2: not modifiable; 1: checked out; 0: not checked out.
  static int getCheckoutStatus(Tag object);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
