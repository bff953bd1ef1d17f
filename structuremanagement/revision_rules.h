// Revision rules: the rules a client may choose (getRevisionRules), and the rule a BOM window
// is configured with when the client gives its own unit, date, end item or override folders
// (askRuleToSet): a transient copy of the rule that carries them.
//
// A transient copy is created and never saved. It is named after its rule with
// REVISION_RULE_MODIFIED_SUFFIX behind it (at most WSO_name_size_c characters), lives as the
// configuration rule of the window it was made for, and is deleted again when that window is
// closed through closeBOMWindows. getRevisionRules never lists such copies.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/visibility.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// One host revision rule as the library sees it: which of the client-settable values the rule
// has entries for (the has-value status) and its override entries. Lives for one call; holds
// the rule's state as it was when constructed.
class SOACAD_API RevisionRulesImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // Keys of the has-value status and of RevisionRuleInfo::hasValueStatus.
  static const char* const REVISION_RULE_UNIT_ATTR;
  static const char* const REVISION_RULE_DATE_ATTR;
  static const char* const REVISION_RULE_ITEM_ATTR;
  static const char* const REVISION_RULE_ITEM_REV_ATTR;
  // What a transient copy's name carries behind its rule's name.
  static const char* const REVISION_RULE_MODIFIED_SUFFIX;

  // Every rule except transient copies, in the host's order, with its has-value status and its
  // override entries and folders; the rules, their end items and revisions, override entries
  // and folders are plain objects of the service data. A rule that cannot be described is an
  // error stack under its tag and has no output. Raises a ServiceException when the rules
  // cannot be listed at all.
  static StructureManagement::GetRevisionRulesResponse getRevisionRules();
  // Whether the rule was created and never saved. Raises IFail when the host cannot answer.
  static bool isRevisionRuleTransient(unsigned int rule);

  // Describes `rule`, or the host's default rule for the null tag. Raises IFail when there is
  // no default rule or the rule cannot be read.
  explicit RevisionRulesImpl(unsigned int rule);
  RevisionRulesImpl(const RevisionRulesImpl&) = default;
  RevisionRulesImpl& operator=(const RevisionRulesImpl&) = default;

  // The has-value status: for each of the four keys, whether the rule has that value.
  std::map<std::string, bool> askHasValueStatus();

  bool hasUnitNoValue() const;
  bool hasEndItemValue() const;
  bool hasEndItemRevValue() const;
  bool hasDateValue() const;
  bool hasOverrides() const;

  // The rule's override entries in order, each with its folder (null when it has none). The
  // folders that are set and the entries become plain objects of `serviceData`. Raises IFail
  // when a folder cannot be read.
  std::vector<StructureManagement::OverrideInfo> getOverrideInfo(ServiceData& serviceData);

  // The rule a window is to be configured with for the client's `props`: the rule itself when
  // the props ask for nothing it can take and it is a saved rule, else a new transient copy
  // carrying the values (a transient rule is another window's, so it is copied even then).
  // Values the rule has no entry for (710044) and override entries that are not the rule's or
  // have no folder (710043) are reported as error stacks under the rule's tag and left out, as
  // are values the host refuses to set on the copy. Raises IFail when the rule cannot be
  // re-evaluated or copied, or a lookup fails.
  unsigned int askRuleToSet(const StructureManagement::RevisionRuleEntryProps& props,
                            ServiceData& serviceData) const;

 private:
  // askHasValueStatus(), also adding the rule's end item and end item revision, when it has
  // them, as plain objects.
  std::map<std::string, bool> askHasValueStatus(ServiceData& serviceData);
  // The keys of the values in `props` that the rule can take; each given value it cannot take
  // is one 710044 error stack under the rule's tag.
  std::set<std::string> checkInputs(const StructureManagement::RevisionRuleEntryProps& props,
                                    ServiceData& serviceData) const;
  // Whether every given entry is one of the rule's override entries and has a folder.
  bool checkOverrideEntries(const std::vector<StructureManagement::OverrideInfo>& overrides) const;
  // The zero-based position of `entry` among the rule's override entries; -1 when it is none.
  int askOverrideEntryPosn(Tag entry) const;
  // Gives the copy's override entries the folders of `overrides` (each entry of the rule
  // selects the copy's entry at the same position). Returns the first failing status, 0 when
  // all succeed; a failure is on the error store. Raises IFail when the copy's entries cannot
  // be listed.
  int setOverridesOnTransientRule(const std::vector<StructureManagement::OverrideInfo>& overrides,
                                  Tag copy) const;
  // The rule's name followed by REVISION_RULE_MODIFIED_SUFFIX (unless `ruleIsCopy`: the rule
  // is itself a transient copy, which carries the suffix already), cut after WSO_name_size_c
  // UTF-8 characters.
  std::string generateTransientRuleName(bool ruleIsCopy) const;
  // Reads the has-value status and the override entries from the host.
  void fetchHasValueStatus();

  std::map<std::string, bool> hasValueStatus_;
  Tag rule_;
  // The rule's entries of the override type, in the order in which the host lists them.
  std::vector<Tag> overrideEntries_;
  // The position of each override entry in overrideEntries_, so that a client's list of
  // override folders costs one lookup per folder however many entries the rule has.
  std::unordered_map<std::uint32_t, int> overridePositions_;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
