#include "structuremanagement/revision_rules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "datamanagement/operation_support.h"
#include "framework/soa_exceptions.h"
#include "host/object/cfm.h"
#include "host/object/error_store.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/pom.h"
#include "host/object/sizes.h"
#include "host/object/uif.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

// The library's own codes.
// A value the client gives for a rule without an entry that uses it.
constexpr int kRuleHasNoSuchValue = 710044;
// Override folders for entries that are not the rule's override entries, or have no folder.
constexpr int kInvalidOverrideEntries = 710043;

// Host rule entry types.
constexpr int kOverrideEntry = 2;
constexpr int kDateEntry = 3;

bool statusOf(const std::map<std::string, bool>& status, const char* key) {
  const auto found = status.find(key);
  return found != status.end() && found->second;
}

// A rule keeps its references to an end item, an end item revision or an override folder when
// that object is deleted. Such a reference counts as none: a reply never names an object that
// does not exist, and a window is never configured by one.
Tag liveOrNull(Tag object) {
  if (object == NULLTAG) {
    return object;
  }
  PomResultStatus status;
  bool valid = false;
  status = POM_is_tag_valid(object, &valid);
  return valid ? object : Tag();
}

}  // namespace

const char* const RevisionRulesImpl::REVISION_RULE_UNIT_ATTR = "rule_unit";
const char* const RevisionRulesImpl::REVISION_RULE_DATE_ATTR = "rule_date";
const char* const RevisionRulesImpl::REVISION_RULE_ITEM_ATTR = "rule_end_item";
const char* const RevisionRulesImpl::REVISION_RULE_ITEM_REV_ATTR = "rule_end_item_rev";
const char* const RevisionRulesImpl::REVISION_RULE_MODIFIED_SUFFIX = "(CAD-Modified)";

// --- Listing ---------------------------------------------------------------------------------

StructureManagement::GetRevisionRulesResponse RevisionRulesImpl::getRevisionRules() {
  StructureManagement::GetRevisionRulesResponse response;
  ServiceData serviceData;
  try {
    ResultStatus status;
    int count = 0;
    host::HostArray<Tag> rules;
    status = CFM_list(&count, rules.out());
    for (int i = 0; rules && i < count; ++i) {
      const Tag rule = rules[static_cast<std::size_t>(i)];
      if (isRevisionRuleTransient(rule)) {
        continue;
      }
      try {
        RevisionRulesImpl described(rule);
        StructureManagement::RevisionRuleInfo info;
        info.revRule = rule;
        info.hasValueStatus = described.askHasValueStatus(serviceData);
        info.overrideFolder = described.getOverrideInfo(serviceData);
        response.output.push_back(std::move(info));
        serviceData.addPlainObject(rule);
      } catch (IFail&) {
        serviceData.addErrorStack(rule);
      }
    }
  } catch (IFail&) {
    throw Korvane::Soa::Server::ServiceException();
  }
  response.serviceData = serviceData;
  return response;
}

bool RevisionRulesImpl::isRevisionRuleTransient(unsigned int rule) {
  PomResultStatus status;
  bool newlyCreated = false;
  status = POM_is_newly_created(rule, &newlyCreated);
  return newlyCreated;
}

// --- One rule --------------------------------------------------------------------------------

RevisionRulesImpl::RevisionRulesImpl(unsigned int rule) : rule_(rule) {
  if (rule_ == NULLTAG) {
    ResultStatus status;
    status = CFM_find_default_rule(&rule_);
  }
  fetchHasValueStatus();
}

void RevisionRulesImpl::fetchHasValueStatus() {
  hasValueStatus_[REVISION_RULE_UNIT_ATTR] = false;
  hasValueStatus_[REVISION_RULE_DATE_ATTR] = false;
  hasValueStatus_[REVISION_RULE_ITEM_ATTR] = false;
  hasValueStatus_[REVISION_RULE_ITEM_REV_ATTR] = false;
  overrideEntries_.clear();
  overridePositions_.clear();

  ResultStatus status;
  int unit = -1;
  status = CFM_rule_ask_unit(rule_, &unit);
  if (unit > -1) {
    hasValueStatus_[REVISION_RULE_UNIT_ATTR] = true;
  }
  Tag endItem;
  status = CFM_rule_ask_end_item(rule_, &endItem);
  if (liveOrNull(endItem) != NULLTAG) {
    hasValueStatus_[REVISION_RULE_ITEM_ATTR] = true;
  }
  Tag endItemRevision;
  status = CFM_rule_ask_end_item_rev(rule_, &endItemRevision);
  if (liveOrNull(endItemRevision) != NULLTAG) {
    hasValueStatus_[REVISION_RULE_ITEM_REV_ATTR] = true;
  }

  int count = 0;
  host::HostArray<int> types;
  host::HostArray<Tag> entries;
  status = CFM_rule_list_entries(rule_, &count, types.out(), entries.out());
  if (!types || !entries) {
    return;
  }
  for (int i = 0; i < count; ++i) {
    const std::size_t index = static_cast<std::size_t>(i);
    if (types[index] == kDateEntry) {
      hasValueStatus_[REVISION_RULE_DATE_ATTR] = true;
    } else if (types[index] == kOverrideEntry) {
      overridePositions_.emplace(static_cast<std::uint32_t>(entries[index]),
                                 static_cast<int>(overrideEntries_.size()));
      overrideEntries_.push_back(entries[index]);
    }
  }
}

std::map<std::string, bool> RevisionRulesImpl::askHasValueStatus() {
  return hasValueStatus_;
}

std::map<std::string, bool> RevisionRulesImpl::askHasValueStatus(ServiceData& serviceData) {
  ResultStatus status;
  Tag endItem;
  status = CFM_rule_ask_end_item(rule_, &endItem);
  if (hasEndItemValue()) {
    serviceData.addPlainObject(endItem);
  }
  Tag endItemRevision;
  status = CFM_rule_ask_end_item_rev(rule_, &endItemRevision);
  if (hasEndItemRevValue()) {
    serviceData.addPlainObject(endItemRevision);
  }
  return hasValueStatus_;
}

bool RevisionRulesImpl::hasUnitNoValue() const {
  return statusOf(hasValueStatus_, REVISION_RULE_UNIT_ATTR);
}

bool RevisionRulesImpl::hasEndItemValue() const {
  return statusOf(hasValueStatus_, REVISION_RULE_ITEM_ATTR);
}

bool RevisionRulesImpl::hasEndItemRevValue() const {
  return statusOf(hasValueStatus_, REVISION_RULE_ITEM_REV_ATTR);
}

bool RevisionRulesImpl::hasDateValue() const {
  return statusOf(hasValueStatus_, REVISION_RULE_DATE_ATTR);
}

bool RevisionRulesImpl::hasOverrides() const {
  return !overrideEntries_.empty();
}

std::vector<StructureManagement::OverrideInfo> RevisionRulesImpl::getOverrideInfo(
    ServiceData& serviceData) {
  std::vector<StructureManagement::OverrideInfo> result;
  for (Tag entry : overrideEntries_) {
    ResultStatus status;
    Tag folder;
    status = CFM_override_entry_ask_folder(entry, &folder);
    folder = liveOrNull(folder);
    StructureManagement::OverrideInfo info;
    info.ruleEntry = entry;
    info.folder = folder;
    result.push_back(info);
    if (folder != NULLTAG) {
      serviceData.addPlainObject(folder);
    }
    serviceData.addPlainObject(entry);
  }
  return result;
}

// --- The rule for a window -------------------------------------------------------------------

std::set<std::string> RevisionRulesImpl::checkInputs(
    const StructureManagement::RevisionRuleEntryProps& props, ServiceData& serviceData) const {
  std::set<std::string> keys;
  auto take = [&](bool given, bool ruleHasIt, const char* key) {
    if (!given) {
      return;
    }
    if (ruleHasIt) {
      keys.insert(key);
      return;
    }
    ERROR_store(EMH_severity_error, kRuleHasNoSuchValue);
    serviceData.addErrorStack(rule_);
  };
  take(props.unitNo > -1, hasUnitNoValue(), REVISION_RULE_UNIT_ATTR);
  take(props.endItem.tag() != NULLTAG, hasEndItemValue(), REVISION_RULE_ITEM_ATTR);
  take(props.endItemRevision.tag() != NULLTAG, hasEndItemRevValue(), REVISION_RULE_ITEM_REV_ATTR);
  take(props.today || props.date != POM_null_date(), hasDateValue(), REVISION_RULE_DATE_ATTR);
  return keys;
}

int RevisionRulesImpl::askOverrideEntryPosn(Tag entry) const {
  const auto found = overridePositions_.find(static_cast<std::uint32_t>(entry));
  return found == overridePositions_.end() ? -1 : found->second;
}

bool RevisionRulesImpl::checkOverrideEntries(
    const std::vector<StructureManagement::OverrideInfo>& overrides) const {
  for (const StructureManagement::OverrideInfo& given : overrides) {
    const Tag entry = given.ruleEntry.tag();
    if (askOverrideEntryPosn(entry) == -1) {
      return false;
    }
    ResultStatus status;
    Tag folder;
    status = CFM_override_entry_ask_folder(entry, &folder);
    if (liveOrNull(folder) == NULLTAG) {
      return false;
    }
  }
  return true;
}

unsigned int RevisionRulesImpl::askRuleToSet(
    const StructureManagement::RevisionRuleEntryProps& props, ServiceData& serviceData) const {
  ResultStatus status;
  status = CFM_rule_reevaluate(rule_);

  const std::set<std::string> keys = checkInputs(props, serviceData);
  bool setOverrides = false;
  if (hasOverrides() && !props.overrideFolder.empty()) {
    if (checkOverrideEntries(props.overrideFolder)) {
      setOverrides = true;
    } else {
      ERROR_store(EMH_severity_error, kInvalidOverrideEntries);
      serviceData.addErrorStack(rule_);
    }
  }
  // A transient rule is another window's copy, which goes when that window closes: a window
  // configured by it gets a copy of its own, so that each window deletes only the copy that
  // its own creation made.
  const bool ruleIsCopy = isRevisionRuleTransient(rule_);
  if (keys.empty() && !setOverrides && !ruleIsCopy) {
    return rule_;
  }

  Tag copy;
  status = CFM_rule_copy(rule_, generateTransientRuleName(ruleIsCopy).c_str(), &copy);

  // Each value the host refuses is reported and left out; the copy carries the others.
  auto report = [&](int setterStatus) {
    if (setterStatus != 0) {
      serviceData.addErrorStack(rule_);
    }
  };
  if (keys.count(REVISION_RULE_UNIT_ATTR) != 0) {
    report(CFM_rule_set_unit(copy, props.unitNo));
  }
  if (keys.count(REVISION_RULE_ITEM_ATTR) != 0) {
    report(CFM_rule_set_end_item(copy, props.endItem.tag()));
  }
  if (keys.count(REVISION_RULE_ITEM_REV_ATTR) != 0) {
    report(CFM_rule_set_end_item_rev(copy, props.endItemRevision.tag()));
  }
  if (keys.count(REVISION_RULE_DATE_ATTR) != 0) {
    if (props.today) {
      report(CFM_rule_set_date(copy, POM_null_date()));
    } else if (props.date != POM_null_date()) {
      report(CFM_rule_set_date(copy, props.date));
    }
  }
  if (setOverrides) {
    report(setOverridesOnTransientRule(props.overrideFolder, copy));
  }
  return copy;
}

int RevisionRulesImpl::setOverridesOnTransientRule(
    const std::vector<StructureManagement::OverrideInfo>& overrides, Tag copy) const {
  int count = 0;
  host::HostArray<int> types;
  host::HostArray<Tag> entries;
  ResultStatus status;
  status = CFM_rule_list_entries(copy, &count, types.out(), entries.out());
  std::vector<Tag> copiedOverrides;
  for (int i = 0; types && entries && i < count; ++i) {
    const std::size_t index = static_cast<std::size_t>(i);
    if (types[index] == kOverrideEntry) {
      copiedOverrides.push_back(entries[index]);
    }
  }
  for (const StructureManagement::OverrideInfo& given : overrides) {
    const int position = askOverrideEntryPosn(given.ruleEntry.tag());
    // The copy's override entry at the same position among its override entries.
    const Tag target = position >= 0 && static_cast<std::size_t>(position) < copiedOverrides.size()
                           ? copiedOverrides[static_cast<std::size_t>(position)]
                           : Tag();
    if (target == NULLTAG) {
      // The copy lacks the entry its rule has: the host did not copy the rule faithfully.
      storeError(CFM_not_override_entry, objectText(given.ruleEntry.tag()));
      return CFM_not_override_entry;
    }
    if (const int setStatus = CFM_override_entry_set_folder(target, given.folder.tag())) {
      return setStatus;
    }
  }
  return 0;
}

// The rule's whole name (a host string: a fixed name buffer could cut it anywhere) with the
// suffix behind it, cut after WSO_name_size_c characters. A copy of a copy keeps its name rather
// than growing a second suffix; a saved rule always gets the suffix, also when its own name ends
// with it, so that its copy is never named exactly like it.
std::string RevisionRulesImpl::generateTransientRuleName(bool ruleIsCopy) const {
  host::HostString name;
  if (AOM_ask_name(rule_, name.out()) != 0) {
    // A rule without a readable name still gets a copy; the failure reaches no later stack.
    ERROR_store_clear();
  }
  std::string result = name.str();
  if (!ruleIsCopy) {
    result += REVISION_RULE_MODIFIED_SUFFIX;
  }
  result.resize(host::utf8CharacterPrefixLength(result, WSO_name_size_c));
  return result;
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
