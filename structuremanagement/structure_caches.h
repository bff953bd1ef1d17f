// What the structure-writing operations share: the lookups of a BOM view type, of an item's BOM
// view and of a revision's BOM view revision; the ids of BOM line attributes; and two caches that
// find the lines of one BOM window by CAD occurrence id, by occurrence or by absolute occurrence.
//
// Everything here lives for one call of one operation and assumes the host's single-threaded
// object API. Host failures raise IFail (the failing status assigned to a ResultStatus); the
// library's own codes are stored with severity 3 and raised the same way. The caller decides how
// a failure is recorded.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "framework/visibility.h"
#include "host/object/memory.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// The BOM line attribute that carries the CAD occurrence id when the caller names none.
extern const char* const kDefaultCadOccIdAttribute;

// The library's codes of the structure-writing operations.
enum : int {
  // No BOM view type has the name given (text: the name).
  kViewTypeNotFound = 215000,
  // An absolute occurrence is shown by no line, or by several, of the window.
  kAbsOccLineNotUnique = 215002,
  // The used arrangement's client id names no arrangement of the call.
  kUsedArrangementNotFound = 215003,
  // No BOM line answers an absolute occurrence's path or absolute occurrence.
  kBomLineNotFound = 215004,
  // A BOM view revision that must be checked out is not.
  kBvrNotCheckedOut = 215005,
  // A BOM view revision that the user may not modify.
  kBvrNotModifiable = 215006,
  // The parent is no valid object / no item revision (text: the parent's UID).
  kParentNotValid = 215040,
  kParentNotItemRevision = 215041,
  // An item revision without an item (text: the revision id).
  kRevisionWithoutItem = 215042,
  // An item with the BOM view but a revision without its view revision (texts: item id,
  // revision id).
  kNoBomViewRevision = 215043,
  // An item without a BOM view of the type (texts: view type name, item id).
  kNoBomView = 215044,
  // A deletion input without CAD occurrence ids.
  kNothingToDelete = 215046,
  // No line of the structure carries a CAD occurrence id.
  kNoCadOccIds = 215047,
  // A CAD occurrence id that no line carries (text: the id).
  kCadOccIdNotFound = 215048,
  // An absolute occurrence given by neither a path nor an absolute occurrence.
  kAbsOccNotGiven = 215140,
  // A structure that contains itself (texts: the view revision's UID, the child revision's).
  kStructureContainsItself = 215160,
  // A child whose structure contains the parent (texts: the child's UID, the parent's).
  kChildContainsParent = 215161,
  // An arrangement of another BOM view revision (texts: the arrangement's UID, the view
  // revision's).
  kArrangementOfAnotherBvr = 215162,
  // The line of an absolute occurrence's data has no absolute occurrence after they were written.
  kAbsOccNotMade = 215163,
  // An expansion that would list more lines than one call may (texts: the ceiling, the name of
  // the constant that holds it).
  kTooManyLines = 215164,
};

// Static lookups of BOM view types, views and view revisions.
class SOACAD_API StructureManagementUtils {
 public:
  StructureManagementUtils() = delete;

  // The BOM view type named `name`; the host's default view type for the empty name (never a
  // failure). Raises kViewTypeNotFound when no view type has the name.
  static Tag findBomViewType(const std::string& name);
  // The first BOM view of `item` whose type is `viewType`; null when there is none.
  static Tag findBv(Tag item, Tag viewType);
  // The first BOM view revision of `itemRev` whose view is `bv`; null when there is none.
  static Tag findBvr(Tag itemRev, Tag bv);
  // The BOM view of the revision's item for `viewType` and the revision's view revision of it,
  // which the user must be able to change (Utility::verifyCheckoutStateAsRequired with
  // kBvrNotModifiable / kBvrNotCheckedOut). Raises kRevisionWithoutItem, kNoBomView or
  // kNoBomViewRevision when one of them is missing. `bv` and `bvr` are null unless found.
  static void findBvAndBvr(Tag itemRev, Tag viewType, Tag& bv, Tag& bvr);
};

// BOM line attribute access by name, looking each name's id up once per helper.
class SOACAD_API BomLineAttributeHelper {
 public:
  BomLineAttributeHelper() = default;
  BomLineAttributeHelper(const BomLineAttributeHelper&) = default;
  BomLineAttributeHelper& operator=(const BomLineAttributeHelper&) = default;

  // The reference value of the line's attribute.
  Tag askAttributeTag(Tag line, const std::string& name);
  // The text of the line's attribute, held so that it is released however the caller leaves.
  host::HostString askAttributeString(Tag line, const std::string& name);
  void setAttributeString(Tag line, const std::string& name, const std::string& value);

 private:
  // The cached id; a name not seen yet is looked up (a name that is no attribute raises).
  int findBomLineAttrId(const std::string& name);

  std::map<std::string, int> attributeIds_;
};

// The lines of one window by CAD occurrence-id path (from below the top line down to the line)
// and by absolute occurrence, memoised for the window's life. REQUIRES: init before use, and
// clear (or init again) before the window closes.
class SOACAD_API AbsoluteStructureCache {
 public:
  AbsoluteStructureCache() = default;
  AbsoluteStructureCache(const AbsoluteStructureCache&) = delete;
  AbsoluteStructureCache& operator=(const AbsoluteStructureCache&) = delete;

  // Takes the window, its top line, the CAD occurrence-id attribute (the empty name stands for
  // kDefaultCadOccIdAttribute) and the attribute helper, which must outlive the cache's use;
  // empties both memos.
  void init(Tag window, Tag topLine, const std::string& attrName,
            BomLineAttributeHelper& attributes);
  // The line at the end of `path`: the empty path is the top line; each element is matched
  // against the CAD occurrence ids of the child lines of the line before it, the first match
  // winning (a child without an id matches nothing, so an empty element matches no child). Null
  // when some element matches no child. The child lines of a line are read once, all of them, and
  // memoised by id, so each element costs one memo lookup and a path costs what its length does.
  Tag findBomLineByCadOccIdPath(const std::vector<std::string>& path);
  // The one line of the window that shows `absOcc`; raises kAbsOccLineNotUnique when the window
  // shows it on no line or on several.
  Tag findBomLineByAbsOcc(Tag absOcc);
  // Forgets every memoised line (the window and attribute stay).
  void clear();

 private:
  // Reads the child lines of `line` and memoises each under its id.
  void memoiseChildren(Tag line);

  Tag window_;
  Tag topLine_;
  // The child lines of the lines in `readLines_`, by (parent line, CAD occurrence id); the
  // first child with an id keeps it.
  std::map<std::pair<Tag, std::string>, Tag> childMemo_;
  std::set<Tag> readLines_;
  std::map<Tag, Tag> absOccMemo_;
  std::string attrName_;
  BomLineAttributeHelper* attributes_ = nullptr;  // Not owned.
};

// The child lines of one line by occurrence and by CAD occurrence id. Each map exists only once
// buildCache asked for it; an absent map finds nothing.
class SOACAD_API RelativeStructureCache {
 public:
  RelativeStructureCache() = default;
  RelativeStructureCache(const RelativeStructureCache&) = delete;
  RelativeStructureCache& operator=(const RelativeStructureCache&) = delete;

  // Maps every child line of `topLine` (all of them, whatever the window shows) by its
  // occurrence ("bl_occurrence") when `byOccTag`, and by its non-empty CAD occurrence id
  // (attribute `attrName`, the empty name standing for kDefaultCadOccIdAttribute) when
  // `byCadOccId`; a later line with the same key replaces an earlier one. A requested map is
  // emptied first; a map not requested keeps what it had. `attributes` is used only during the
  // call.
  void buildCache(Tag topLine, bool byOccTag, bool byCadOccId, const std::string& attrName,
                  BomLineAttributeHelper& attributes);

  // The line; null when the map is absent or has no entry.
  Tag findBomLineByOccTag(Tag occ) const;
  Tag findBomLineByCadOccId(const std::string& id) const;
  // Forgets the occurrence's line (nothing when the map is absent).
  void removeOccTag(Tag occ);
  // The occurrence map; null when it was never requested.
  const std::map<Tag, Tag>* getOccTagToBomLineMap() const { return occTagToBomLine_.get(); }
  // Entry counts; 0 for an absent map.
  int occTagCacheSize() const;
  int cadOccIdCacheSize() const;
  // Empties the maps that exist.
  void clear();

 private:
  std::unique_ptr<std::map<Tag, Tag>> occTagToBomLine_;
  std::unique_ptr<std::map<std::string, Tag>> cadOccIdToBomLine_;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
