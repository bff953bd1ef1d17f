#include "structuremanagement/bom_windows.h"

#include <string>

#include "datamanagement/operation_support.h"
#include "framework/utils.h"
#include "host/object/aom.h"
#include "host/object/bom.h"
#include "host/object/error_store.h"
#include "host/object/extensions.h"
#include "host/object/ifail.h"
#include "host/object/pom_object.h"
#include "structuremanagement/revision_rules.h"

namespace Korvane {
namespace Soa {
namespace Cad {

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;

// Gives the window's variant rule the option values of a stored option set, through a variant
// configuration of the window's own rule over its top line's option set. The configuration
// belongs to the window and goes with it.
void applyStoredOptionSet(Tag window, Tag topLine, Tag storedOptionSet) {
  ResultStatus status;
  Tag variantRule;
  status = BOM_window_ask_variant_rule(window, &variantRule);
  Tag optionSet;
  status = BOM_line_ask_sos(topLine, &optionSet);
  Tag config;
  status = BOM_create_variant_config(variantRule, 1, &optionSet, &config);
  status = BOM_variant_config_clear(config);
  status = BOM_sos_db_read(storedOptionSet, config);
  status = BOM_variant_config_apply(config);
}

// Configures the window by `objectForConfigure`: a variant rule is applied as it is, a stored
// option set through a variant configuration; any other object is ignored.
void applyObjectForConfigure(Tag window, Tag topLine, Tag objectForConfigure) {
  ResultStatus status;
  POMObject* object = nullptr;
  status = objectForConfigure.object(&object);
  if (object == nullptr) {
    return;
  }
  if (object->isTypeOf("VariantRuleP")) {
    status = BOM_window_apply_full_vrule(window, objectForConfigure);
  } else if (object->isTypeOf("StoredOptionSet")) {
    applyStoredOptionSet(window, topLine, object->tag());
  }
}

}  // namespace

// --- createBOMWindows ------------------------------------------------------------------------

StructureManagement::CreateBOMWindowsResponse CreateBOMWindowsImpl::createBOMWindows(
    const std::vector<StructureManagement::CreateBOMWindowsInfo>& info) {
  StructureManagement::CreateBOMWindowsResponse response;
  ServiceData serviceData;
  for (const StructureManagement::CreateBOMWindowsInfo& input : info) {
    try {
      // An input that fails half-way leaves no window, line, variant configuration or rule
      // copy behind that nobody could close: the client never learns of them. For the same
      // reason a refusal to forget the mark fails the input after all.
      MarkPoint mark;
      ResultStatus status;
      Tag window;
      status = BOM_create_window(&window);
      status = PSEBulletinBoard::add(window, true);
      Tag topLine;
      status = BOM_set_window_top_line(window, input.item.tag(), input.itemRev.tag(),
                                       input.bomView.tag(), &topLine);
      setRevisionRule(window, input.revRuleConfigInfo, serviceData);
      if (input.objectForConfigure != NULLTAG) {
        applyObjectForConfigure(window, topLine, input.objectForConfigure);
      }
      if (input.activeAssemblyArrangement.tag() != NULLTAG &&
          BOM_set_window_active_arrangement(window, input.activeAssemblyArrangement.tag()) != 0) {
        // The window is usable without its arrangement; the failure reaches no later stack.
        ERROR_store_clear();
      }
      status = BOM_window_show_unconfigured(window);
      status = BOM_set_window_pack_all(window, false);
      mark.keep();

      StructureManagement::CreateBOMWindowsOutput output;
      output.clientId = input.clientId;
      output.bomWindow = window;
      output.bomLine = topLine;
      response.output.push_back(output);
      serviceData.addCreatedObject(window);
      serviceData.addCreatedObject(topLine);
    } catch (IFail&) {
      serviceData.addErrorStack(input.clientId);
    }
  }
  response.serviceData = serviceData;
  return response;
}

void CreateBOMWindowsImpl::setRevisionRule(
    Tag window, const StructureManagement::RevisionRuleConfigInfo& config,
    ServiceData& serviceData) {
  const RevisionRulesImpl rule(config.revRule.tag());
  const Tag ruleToSet = rule.askRuleToSet(config.props, serviceData);
  ResultStatus status;
  status = BOM_set_window_config_rule(window, ruleToSet);
}

// --- closeBOMWindows -------------------------------------------------------------------------

StructureManagement::CloseBOMWindowsResponse CloseBOMWindowsImpl::closeBOMWindows(
    const std::vector<EIMRef<BOMWindow>>& bomWindows) {
  using Korvane::Soa::Internal::Server::Utils;
  StructureManagement::CloseBOMWindowsResponse response;
  StructureManagement::ServiceData serviceData;
  for (const EIMRef<BOMWindow>& bomWindow : bomWindows) {
    const Tag window = bomWindow.tag();
    try {
      // Taken first: a closed window has no UID to ask for. Its top line, which opening it
      // reported as made, goes with it.
      const std::string uid = Utils::tagToUid(window);
      ResultStatus status;
      Tag topLine;
      status = BOM_ask_window_top_line(window, &topLine);
      const std::string topLineUid = Utils::tagToUid(topLine);
      Tag rule;
      status = BOM_ask_window_config_rule(window, &rule);
      // Closed before its rule copy goes: a window that fails to close stays configured as it
      // was, rather than open with the default rule in place of a deleted copy.
      status = BOM_close_window(window);
      serviceData.addDeletedObject(uid);
      serviceData.addDeletedObject(topLineUid);
      cleanupRevRule(rule);
    } catch (IFail&) {
      serviceData.addErrorStack(window);
    }
  }
  response.serviceData = serviceData;
  return response;
}

// A transient rule of a window is always the copy that the window's own creation made (see
// RevisionRulesImpl::askRuleToSet), so no other window loses its rule here.
void CloseBOMWindowsImpl::cleanupRevRule(Tag rule) {
  // Only a host without any rule gives a window none; there is nothing to clean up then.
  if (rule == NULLTAG) {
    return;
  }
  try {
    if (RevisionRulesImpl::isRevisionRuleTransient(rule) && AOM_delete(rule) != 0) {
      // The window is closed all the same; the failure reaches no later stack.
      ERROR_store_clear();
    }
  } catch (IFail&) {
    // The window is closed and reported so; a rule the host cannot answer for stays.
    ERROR_store_clear();
  }
}

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
