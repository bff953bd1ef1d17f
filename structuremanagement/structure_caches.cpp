#include "structuremanagement/structure_caches.h"

#include <string>
#include <utility>
#include <vector>

#include "datamanagement/operation_support.h"
#include "datamanagement/related_object_collector.h"
#include "host/object/absocc.h"
#include "host/object/bom.h"
#include "host/object/ifail.h"
#include "host/object/item.h"
#include "host/object/memory.h"
#include "host/object/ps.h"
#include "host/object/sizes.h"

namespace Korvane {
namespace Soa {
namespace Cad {

const char* const kDefaultCadOccIdAttribute = "bl_occurrence_uid";

namespace {

const std::string& attributeOrDefault(const std::string& name, std::string& holder) {
  holder = name.empty() ? std::string(kDefaultCadOccIdAttribute) : name;
  return holder;
}

// A count that a host listing answers, as the number of entries that may be read: a negative
// count, or a count with no array, reads nothing.
std::size_t entriesOf(int count, const void* array) {
  return count > 0 && array != nullptr ? static_cast<std::size_t>(count) : 0;
}

}  // namespace

// --- StructureManagementUtils ----------------------------------------------------------------

Tag StructureManagementUtils::findBomViewType(const std::string& name) {
  ResultStatus status;
  Tag viewType;
  if (name.empty()) {
    status = PS_ask_default_view_type(&viewType);
    return viewType;
  }
  status = PS_find_view_type(name.c_str(), &viewType);
  if (viewType == NULLTAG) {
    raiseErrorWithTexts(kViewTypeNotFound, name);
  }
  return viewType;
}

Tag StructureManagementUtils::findBv(Tag item, Tag viewType) {
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> views;
  status = ITEM_list_bom_views(item, &count, views.out());
  const std::size_t entries = entriesOf(count, views.get());
  for (std::size_t i = 0; i < entries; ++i) {
    Tag type;
    status = PS_ask_bom_view_type(views[i], &type);
    if (type == viewType) {
      return views[i];
    }
  }
  return NULLTAG;
}

Tag StructureManagementUtils::findBvr(Tag itemRev, Tag bv) {
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> bvrs;
  status = ITEM_rev_list_bom_view_revs(itemRev, &count, bvrs.out());
  const std::size_t entries = entriesOf(count, bvrs.get());
  for (std::size_t i = 0; i < entries; ++i) {
    Tag view;
    status = PS_ask_bom_view_of_bvr(bvrs[i], &view);
    if (view == bv) {
      return bvrs[i];
    }
  }
  return NULLTAG;
}

void StructureManagementUtils::findBvAndBvr(Tag itemRev, Tag viewType, Tag& bv, Tag& bvr) {
  bv = NULLTAG;
  bvr = NULLTAG;
  ResultStatus status;
  char revisionId[ITEM_id_size_c + 1] = "";
  char itemId[ITEM_id_size_c + 1] = "";
  status = ITEM_ask_rev_id(itemRev, revisionId);
  Tag item;
  status = ITEM_ask_item_of_rev(itemRev, &item);
  if (item == NULLTAG) {
    raiseErrorWithTexts(kRevisionWithoutItem, revisionId);
  }
  status = ITEM_ask_id(item, itemId);
  bv = findBv(item, viewType);
  if (bv != NULLTAG) {
    bvr = findBvr(itemRev, bv);
    if (bvr == NULLTAG) {
      raiseErrorWithTexts(kNoBomViewRevision, itemId, revisionId);
    }
    status = Utility::verifyCheckoutStateAsRequired(bvr, kBvrNotModifiable, kBvrNotCheckedOut);
    return;
  }
  host::HostString typeName;
  status = PS_ask_view_type_name(viewType, typeName.out());
  raiseErrorWithTexts(kNoBomView, typeName.c_str(), itemId);
}

// --- BomLineAttributeHelper ------------------------------------------------------------------

Tag BomLineAttributeHelper::askAttributeTag(Tag line, const std::string& name) {
  const int id = findBomLineAttrId(name);
  ResultStatus status;
  Tag value;
  status = BOM_line_ask_attribute_tag(line, id, &value);
  return value;
}

host::HostString BomLineAttributeHelper::askAttributeString(Tag line, const std::string& name) {
  const int id = findBomLineAttrId(name);
  ResultStatus status;
  host::HostString value;
  status = BOM_line_ask_attribute_string(line, id, value.out());
  return value;
}

void BomLineAttributeHelper::setAttributeString(Tag line, const std::string& name,
                                                const std::string& value) {
  const int id = findBomLineAttrId(name);
  ResultStatus status;
  status = BOM_line_set_attribute_string(line, id, value.c_str());
}

int BomLineAttributeHelper::findBomLineAttrId(const std::string& name) {
  auto known = attributeIds_.find(name);
  if (known != attributeIds_.end()) {
    return known->second;
  }
  ResultStatus status;
  int id = 0;
  status = BOM_line_look_up_attribute(name.c_str(), &id);
  attributeIds_.emplace(name, id);
  return id;
}

// --- AbsoluteStructureCache ------------------------------------------------------------------

void AbsoluteStructureCache::init(Tag window, Tag topLine, const std::string& attrName,
                                  BomLineAttributeHelper& attributes) {
  window_ = window;
  topLine_ = topLine;
  attributeOrDefault(attrName, attrName_);
  attributes_ = &attributes;
  clear();
}

// Walks down from the top line, one memo lookup per element: no prefix of the path is copied,
// and a line's children are read from the host only the first time a path passes below it.
Tag AbsoluteStructureCache::findBomLineByCadOccIdPath(const std::vector<std::string>& path) {
  Tag line = topLine_;
  for (const std::string& element : path) {
    if (readLines_.count(line) == 0) {
      memoiseChildren(line);
      readLines_.insert(line);
    }
    auto memo = childMemo_.find({line, element});
    if (memo == childMemo_.end()) {
      return NULLTAG;
    }
    line = memo->second;
  }
  return line;
}

void AbsoluteStructureCache::memoiseChildren(Tag line) {
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> children;
  status = BOM_line_ask_all_child_lines(line, &count, children.out());
  const std::size_t entries = entriesOf(count, children.get());
  for (std::size_t i = 0; i < entries; ++i) {
    const host::HostString value = attributes_->askAttributeString(children[i], attrName_);
    // The first sibling with an id is the one that id finds. A child without an id is passed
    // over: an empty element of a path names no line, rather than whichever child lacks an id.
    if (value.get() != nullptr && value.c_str()[0] != '\0') {
      childMemo_.emplace(std::make_pair(line, std::string(value.c_str())), children[i]);
    }
  }
}

Tag AbsoluteStructureCache::findBomLineByAbsOcc(Tag absOcc) {
  auto memo = absOccMemo_.find(absOcc);
  if (memo != absOccMemo_.end()) {
    return memo->second;
  }
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> lines;
  status = BOM__window_get_bomlines_from_absOcc(window_, absOcc, &count, lines.out());
  if (count != 1 || lines.get() == nullptr) {
    raiseError(kAbsOccLineNotUnique);
  }
  const Tag line = lines[0];
  absOccMemo_[absOcc] = line;
  return line;
}

void AbsoluteStructureCache::clear() {
  childMemo_.clear();
  readLines_.clear();
  absOccMemo_.clear();
}

// --- RelativeStructureCache ------------------------------------------------------------------

void RelativeStructureCache::buildCache(Tag topLine, bool byOccTag, bool byCadOccId,
                                        const std::string& attrName,
                                        BomLineAttributeHelper& attributes) {
  std::string attribute;
  attributeOrDefault(attrName, attribute);
  if (byOccTag) {
    if (occTagToBomLine_) {
      occTagToBomLine_->clear();
    } else {
      occTagToBomLine_ = std::make_unique<std::map<Tag, Tag>>();
    }
  }
  if (byCadOccId) {
    if (cadOccIdToBomLine_) {
      cadOccIdToBomLine_->clear();
    } else {
      cadOccIdToBomLine_ = std::make_unique<std::map<std::string, Tag>>();
    }
  }
  if (!byOccTag && !byCadOccId) {
    return;
  }
  ResultStatus status;
  int count = 0;
  host::HostArray<Tag> lines;
  status = BOM_line_ask_all_child_lines(topLine, &count, lines.out());
  const std::size_t entries = entriesOf(count, lines.get());
  for (std::size_t i = 0; i < entries; ++i) {
    const Tag line = lines[i];
    if (byOccTag) {
      (*occTagToBomLine_)[attributes.askAttributeTag(line, "bl_occurrence")] = line;
    }
    if (byCadOccId) {
      const host::HostString value = attributes.askAttributeString(line, attribute);
      if (value.get() != nullptr && value.c_str()[0] != '\0') {
        (*cadOccIdToBomLine_)[value.str()] = line;
      }
    }
  }
}

Tag RelativeStructureCache::findBomLineByOccTag(Tag occ) const {
  if (!occTagToBomLine_) {
    return NULLTAG;
  }
  auto found = occTagToBomLine_->find(occ);
  return found == occTagToBomLine_->end() ? NULLTAG : found->second;
}

Tag RelativeStructureCache::findBomLineByCadOccId(const std::string& id) const {
  if (!cadOccIdToBomLine_) {
    return NULLTAG;
  }
  auto found = cadOccIdToBomLine_->find(id);
  return found == cadOccIdToBomLine_->end() ? NULLTAG : found->second;
}

void RelativeStructureCache::removeOccTag(Tag occ) {
  if (occTagToBomLine_) {
    occTagToBomLine_->erase(occ);
  }
}

int RelativeStructureCache::occTagCacheSize() const {
  return occTagToBomLine_ ? static_cast<int>(occTagToBomLine_->size()) : 0;
}

int RelativeStructureCache::cadOccIdCacheSize() const {
  return cadOccIdToBomLine_ ? static_cast<int>(cadOccIdToBomLine_->size()) : 0;
}

void RelativeStructureCache::clear() {
  if (occTagToBomLine_) {
    occTagToBomLine_->clear();
  }
  if (cadOccIdToBomLine_) {
    cadOccIdToBomLine_->clear();
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
