// BOM windows: createBOMWindows opens configured windows for a client, closeBOMWindows closes
// them again.
//
// The windows outlive the call that opened them (the client expands the structure through
// their top lines); the library keeps no record of them. A window is configured by a revision
// rule, which may be a transient copy that carries the client's own values (revision_rules.h);
// such a copy lives as long as its window and is deleted when the window is closed here.
#pragma once

#include <string>
#include <vector>

#include "framework/visibility.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// Built on the caller's stack for one call; holds no state.
class SOACAD_API CreateBOMWindowsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  CreateBOMWindowsImpl() = default;
  virtual ~CreateBOMWindowsImpl() = default;

  // For each input in order, one open window with its top line on the input's item, revision
  // and view, configured by the input's revision rule (the host's default rule when none is
  // given), then by its variant rule or stored option set, and showing unconfigured lines,
  // unpacked. Window and top line are output under the input's client id and reported as
  // created objects. An input that fails is an error stack under its client id and leaves
  // nothing behind in the host (no window, no rule copy); the next input goes on. Raises
  // nothing of its own.
  virtual StructureManagement::CreateBOMWindowsResponse createBOMWindows(
      const std::vector<StructureManagement::CreateBOMWindowsInfo>& info);

 private:
  // Configures `window` by the rule that `config` asks for (see RevisionRulesImpl::
  // askRuleToSet; its reports go to `serviceData`). Raises IFail when that fails.
  void setRevisionRule(Tag window, const StructureManagement::RevisionRuleConfigInfo& config,
                       ServiceData& serviceData);
};

// Built on the caller's stack for one call; holds no state.
class SOACAD_API CloseBOMWindowsImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

  CloseBOMWindowsImpl() = default;
  virtual ~CloseBOMWindowsImpl() = default;

  // Closes each window in order (unsaved edits are thrown away), deleting its revision rule
  // when that is a transient copy; each closed window's UID, and its top line's, is reported as
  // a deleted object.
  // A window that cannot be closed is an error stack under its tag; the next one goes on.
  virtual StructureManagement::CloseBOMWindowsResponse closeBOMWindows(
      const std::vector<EIMRef<BOMWindow>>& bomWindows);

 private:
  // Deletes `rule` when it is a transient copy; a saved rule is left alone. Raises IFail when
  // the host cannot tell which it is.
  void cleanupRevRule(Tag rule);
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
