// Product-structure operations at assembly scale: structures of 100, 1,000, 10,000 and 100,000
// lines, each operation run on the implementation classes against the host stand-in.
//
// Shapes (N lines):
//   wide     one assembly with N occurrences of N distinct parts;
//   deep     a chain of N nested assemblies, each holding the next;
//   reused   N/100 occurrences of one subassembly of 100 parts.
// Operations:
//   OneLevel          expandPSOneLevel of the wide assembly's top line;
//   OneLevel/again    the same expansion a second time in one window (the first, untimed, made
//                     the lines);
//   AllLevels/<shape> expandPSAllLevels of the top line;
//   Relative/seq|noseq createOrUpdateRelativeStructure of N new children of a revision without a
//                     view, with a sequence number each or with the host's numbers;
//   Absolute/inorder|reversed createOrUpdateAbsoluteStructure of one override per line of the
//                     wide assembly, by path, in the lines' order or the reverse;
//   DeleteRelative/inorder|reversed deleteRelativeStructure of every occurrence of the wide
//                     assembly, in the lines' order or the reverse;
//   Chain/bottomup|topdown createOrUpdateRelativeStructure of N inputs, each putting one
//                     assembly under another, that build a chain N deep: each new parent on
//                     top of the chain built so far, or each new child below it (every
//                     assembly has a view revision of its own, empty until it gets a child);
//   DeleteArrangements deleteAssemblyArrangements of N arrangements of one view revision.
// Windows and rules, with N inputs instead of lines (up to 15,000 or 50,000):
//   Windows           createBOMWindows of N windows in one request, each with a rule copy for
//                     a unit;
//   ConfiguredRevision getConfiguredItemRevision of N items;
//   OverrideFolders   createBOMWindows of one window whose rule copy gets N override folders.
// The counter per_line is the wall time per line (or input). At the end the processor time per
// line of each operation at each size (the best of its iterations) is printed against that at
// 1,000 lines (target: at most 1.5x at 100,000) and that at 10,000 against that at 100 (target:
// at most 1.5x).
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "bench/support/harness.h"
#include "bench/support/prepared_store.h"
#include "host/object/bom.h"
#include "host/object/store.h"
#include "structuremanagement/absolute_structure.h"
#include "structuremanagement/bom_expand.h"
#include "structuremanagement/bom_windows.h"
#include "structuremanagement/delete_structure.h"
#include "structuremanagement/relative_structure.h"
#include "structuremanagement/structure_management.h"

namespace {

using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
using bench_support::Operation;
using bench_support::Prepare;
using bench_support::tagOf;

const char* const kWorld = R"(<fixture>
  <object uid="u.bench" class="User" type="User"><prop name="user_id" value="bench"/></object>
  <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
  <object uid="i.new" class="Item"><prop name="item_id" value="NEW"/></object>
  <object uid="r.new.A" class="ItemRevision">
    <prop name="items_tag" value="i.new"/><prop name="item_revision_id" value="A"/></object>
  <session currentUser="u.bench"/>
  <preferences>
    <preference name="SOACAD_checkout_required"><v value="false"/></preference>
  </preferences>
</fixture>)";

enum class Shape { wide, deep, reused };

std::string text(int n) {
  return std::to_string(n);
}

// An item with one revision "A": `<uid>` and `r.<uid>`.
void part(std::string& out, const std::string& uid) {
  out += "<object uid=\"" + uid + "\" class=\"Item\"><prop name=\"item_id\" value=\"" + uid +
         "\"/></object><object uid=\"r." + uid +
         "\" class=\"ItemRevision\"><prop name=\"items_tag\" value=\"" + uid +
         "\"/><prop name=\"item_revision_id\" value=\"A\"/></object>";
}

// A view and view revision of `item` (revision `revision`) with the occurrences listed.
void structure(std::string& out, const std::string& item, const std::string& revision,
               const std::string& bvr, const std::vector<std::string>& occurrences,
               bool precise = false) {
  out += "<object uid=\"bv." + bvr + "\" class=\"PSBOMView\"><prop name=\"bom_view_type\" " +
         "value=\"vt.view\"/><prop name=\"parent_item\" value=\"" + item + "\"/></object>";
  out += "<object uid=\"" + bvr + "\" class=\"PSBOMViewRevision\"><prop name=\"bom_view\" " +
         "value=\"bv." + bvr + "\"/><prop name=\"parent_revision\" value=\"" + revision + "\"/>";
  if (precise) {
    out += "<prop name=\"is_precise\" value=\"true\"/>";
  }
  out += "<prop name=\"occurrences\">";
  for (const std::string& occurrence : occurrences) {
    out += "<v value=\"" + occurrence + "\"/>";
  }
  out += "</prop></object>";
}

void occurrence(std::string& out, const std::string& uid, const std::string& item,
                const std::string& revision = "") {
  out += "<object uid=\"" + uid + "\" class=\"PSOccurrence\"><prop name=\"child_item\" value=\"" +
         item + "\"/>";
  if (!revision.empty()) {
    out += "<prop name=\"child_revision\" value=\"" + revision + "\"/>";
  }
  out += "</object>";
}

// The structure of `lines` lines of the shape, plus `arrangements` arrangements of the top
// assembly's view revision; its top revision is "r.top".
std::string fixture(Shape shape, int lines, int arrangements = 0) {
  std::string out = "<fixture>";
  std::vector<std::string> top;
  switch (shape) {
    case Shape::wide:
      for (int i = 0; i < lines; ++i) {
        part(out, "p" + text(i));
        occurrence(out, "o" + text(i), "p" + text(i));
        top.push_back("o" + text(i));
      }
      break;
    case Shape::reused: {
      std::vector<std::string> sub;
      for (int i = 0; i < 100; ++i) {
        part(out, "p" + text(i));
        occurrence(out, "so" + text(i), "p" + text(i));
        sub.push_back("so" + text(i));
      }
      part(out, "sub");
      structure(out, "sub", "r.sub", "bvr.sub", sub);
      for (int i = 0; i < std::max(1, lines / 101); ++i) {
        occurrence(out, "o" + text(i), "sub");
        top.push_back("o" + text(i));
      }
      break;
    }
    case Shape::deep:
      // One item with a revision per level, each holding the next precisely.
      out +=
          "<object uid=\"chain\" class=\"Item\"><prop name=\"item_id\" value=\"CHAIN\"/></object>";
      for (int level = 1; level <= lines; ++level) {
        out += "<object uid=\"r.c" + text(level) +
               "\" class=\"ItemRevision\"><prop name=\"items_tag\" value=\"chain\"/><prop "
               "name=\"item_revision_id\" value=\"" +
               text(level) + "\"/></object>";
        if (level < lines) {
          occurrence(out, "c" + text(level), "chain", "r.c" + text(level + 1));
          structure(out, "chain", "r.c" + text(level), "bvr.c" + text(level), {"c" + text(level)},
                    true);
        }
      }
      occurrence(out, "o0", "chain", "r.c1");
      top.push_back("o0");
      break;
  }
  part(out, "top");
  structure(out, "top", "r.top", "bvr.top", top, shape == Shape::deep);
  for (int i = 0; i < arrangements; ++i) {
    out += "<object uid=\"arr" + text(i) +
           "\" class=\"AssemblyArrangement\"><prop name=\"object_name\" value=\"a" + text(i) +
           "\"/><prop name=\"context_bvr\" value=\"bvr.top\"/><prop name=\"anchor\" value=\"anc" +
           text(i) + "\"/></object><object uid=\"anc" + text(i) +
           "\" class=\"ArrangementAnchor\"/>";
  }
  return out + "</fixture>";
}

// A reset store holding the world and `structureFixture`.
void prepareStore(const std::string& structureFixture) {
  bench_support::resetStore(kWorld, structureFixture);
}

Tag openTopLine() {
  Tag window;
  Tag topLine;
  BOM_create_window(&window);
  BOM_set_window_top_line(window, NULLTAG, tagOf("r.top"), NULLTAG, &topLine);
  return topLine;
}

Operation oneLevel(int lines) {
  prepareStore(fixture(Shape::wide, lines));
  const Tag top = openTopLine();
  return [top, lines] {
    StructureManagement::ExpandPSOneLevelInfo info;
    info.parentBomLine.assign(1, top);
    const auto response = Korvane::Soa::Cad::BOMExpandImpl().expandPSOneLevelImpl(info, {});
    return response.output.size() == 1 &&
           response.output[0].children.size() == static_cast<std::size_t>(lines);
  };
}

Operation oneLevelAgain(int lines) {
  Operation first = oneLevel(lines);
  return first() ? first : Operation([] { return false; });
}

Prepare allLevels(Shape shape) {
  return [shape](int lines) -> Operation {
    prepareStore(fixture(shape, lines));
    const Tag top = openTopLine();
    return [top] {
      StructureManagement::ExpandPSAllLevelsInfo info;
      info.parentBomLine.assign(1, top);
      const auto response = Korvane::Soa::Cad::BOMExpandImpl().expandPSAllLevelsImpl(info, {});
      return response.serviceData.getErrorArray().empty() && !response.output.empty();
    };
  };
}

Prepare relative(bool withSequenceNumbers) {
  return [withSequenceNumbers](int lines) -> Operation {
    prepareStore(fixture(Shape::wide, lines));
    auto info =
        std::make_shared<std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>>(1);
    (*info)[0].parent = tagOf("r.new.A");
    for (int i = 0; i < lines; ++i) {
      StructureManagement::RelativeStructureChildInfo child;
      child.clientId = "c" + text(i);
      child.child = tagOf("r.p" + text(i));
      if (withSequenceNumbers) {
        child.occInfo.attrsToSet = {{"bl_sequence_no", text((i + 1) * 10)}};
      }
      (*info)[0].childInfo.push_back(std::move(child));
    }
    return [info, lines] {
      const auto response =
          Korvane::Soa::Cad::CreateOrUpdateRelativeStructureImpl().createOrUpdateRelativeStructure(
              *info, "", false, {});
      return response.output.size() == static_cast<std::size_t>(lines);
    };
  };
}

Prepare absolute(bool reversed) {
  return [reversed](int lines) -> Operation {
    prepareStore(fixture(Shape::wide, lines));
    auto info =
        std::make_shared<std::vector<StructureManagement::CreateOrUpdateAbsoluteStructureInfo>>(1);
    (*info)[0].contextItemRev = tagOf("r.top");
    for (int n = 0; n < lines; ++n) {
      const int i = reversed ? lines - 1 - n : n;
      StructureManagement::AbsOccInfo occurrence;
      occurrence.clientId = "a" + text(i);
      occurrence.cadOccIdPath = {"o" + text(i)};
      occurrence.absOccData.overridesToSet = {{"bl_quantity", "2"}};
      (*info)[0].bvrAbsOccInfo.push_back(std::move(occurrence));
    }
    return [info, lines] {
      const auto response =
          Korvane::Soa::Cad::CreateOrUpdateAbsoluteStructureImpl().createOrUpdateAbsoluteStructure(
              *info, "", false, {});
      return response.absOccOutput.size() == static_cast<std::size_t>(lines);
    };
  };
}

Prepare deleteRelative(bool reversed) {
  return [reversed](int lines) -> Operation {
    prepareStore(fixture(Shape::wide, lines));
    auto info = std::make_shared<std::vector<StructureManagement::DeleteRelativeStructureInfo>>(1);
    (*info)[0].parent = tagOf("r.top");
    for (int n = 0; n < lines; ++n) {
      (*info)[0].childInfo.push_back("o" + text(reversed ? lines - 1 - n : n));
    }
    return [info, lines] {
      const auto response =
          Korvane::Soa::Cad::DeleteRelativeStructureImpl().deleteRelativeStructure(*info, "", {});
      return response.serviceData.deletedUids().size() == static_cast<std::size_t>(lines);
    };
  };
}

// Assemblies c0 ... c<lines>, each with an empty view revision; input j puts c<j+1> under c<j>
// (top-down) or c<lines-j> under c<lines-j-1> (bottom-up).
Prepare chain(bool bottomUp) {
  return [bottomUp](int lines) -> Operation {
    std::string assemblies = "<fixture>";
    for (int i = 0; i <= lines; ++i) {
      const std::string uid = "c" + text(i);
      part(assemblies, uid);
      structure(assemblies, uid, "r." + uid, "bvr." + uid, {});
    }
    prepareStore(assemblies + "</fixture>");
    auto info =
        std::make_shared<std::vector<StructureManagement::CreateOrUpdateRelativeStructureInfo>>(
            lines);
    for (int j = 0; j < lines; ++j) {
      const int parent = bottomUp ? lines - 1 - j : j;
      auto& input = (*info)[static_cast<std::size_t>(j)];
      input.parent = tagOf("r.c" + text(parent));
      StructureManagement::RelativeStructureChildInfo child;
      child.clientId = "c" + text(parent + 1);
      child.child = tagOf("r.c" + text(parent + 1));
      input.childInfo.push_back(std::move(child));
    }
    return [info, lines] {
      const auto response =
          Korvane::Soa::Cad::CreateOrUpdateRelativeStructureImpl().createOrUpdateRelativeStructure(
              *info, "", false, {});
      return response.output.size() == static_cast<std::size_t>(lines) &&
             response.serviceData.getErrorArray().empty();
    };
  };
}

Operation deleteArrangements(int lines) {
  prepareStore(fixture(Shape::wide, 1, lines));
  auto info = std::make_shared<std::vector<StructureManagement::DeleteAssemblyArrangementsInfo>>(1);
  (*info)[0].itemRev = tagOf("r.top");
  for (int i = 0; i < lines; ++i) {
    (*info)[0].arrangement.push_back(tagOf("arr" + text(i)));
  }
  return [info, lines] {
    const auto response =
        Korvane::Soa::Cad::DeleteAssemblyArrangementsImpl().deleteAssemblyArrangements(*info, "");
    return response.serviceData.deletedUids().size() == static_cast<std::size_t>(lines);
  };
}

// Revision rules: rr.unit (a unit entry) and rr.override with `overrides` override entries,
// each with a folder, and as many other folders to put in their place.
std::string rules(int overrides) {
  std::string out =
      "<fixture><object uid=\"rr.unit\" class=\"RevisionRule\"><prop name=\"object_name\" "
      "value=\"By unit\"/><prop name=\"rule_unit\" value=\"1\"/><prop name=\"entries\"><v "
      "value=\"rre.unit\"/></prop></object><object uid=\"rre.unit\" "
      "class=\"RevisionRuleEntry\"><prop name=\"entry_type\" value=\"4\"/></object>"
      "<object uid=\"rr.override\" class=\"RevisionRule\"><prop name=\"entries\">";
  for (int i = 0; i < overrides; ++i) {
    out += "<v value=\"rre" + text(i) + "\"/>";
  }
  out += "</prop></object>";
  for (int i = 0; i < overrides; ++i) {
    out += "<object uid=\"rre" + text(i) +
           "\" class=\"RevisionRuleEntry\"><prop name=\"entry_type\" value=\"2\"/><prop "
           "name=\"override_folder\" value=\"fo" +
           text(i) + "\"/></object><object uid=\"fo" + text(i) +
           "\" class=\"Folder\"/><object uid=\"fn" + text(i) + "\" class=\"Folder\"/>";
  }
  return out + "</fixture>";
}

StructureManagement::CreateBOMWindowsInfo windowOnTop(const std::string& clientId, Tag rule) {
  StructureManagement::CreateBOMWindowsInfo info;
  info.clientId = clientId;
  info.itemRev = tagOf("r.top");
  info.revRuleConfigInfo.revRule = rule;
  return info;
}

bool opened(const StructureManagement::CreateBOMWindowsResponse& response, int windows) {
  return response.output.size() == static_cast<std::size_t>(windows) &&
         response.serviceData.getErrorArray().empty();
}

Operation windows(int inputs) {
  prepareStore(fixture(Shape::wide, 10));
  host::Store::instance().loadFixture(rules(0));
  auto info = std::make_shared<std::vector<StructureManagement::CreateBOMWindowsInfo>>();
  for (int i = 0; i < inputs; ++i) {
    info->push_back(windowOnTop("w" + text(i), tagOf("rr.unit")));
    info->back().revRuleConfigInfo.props.unitNo = 2;
  }
  return [info, inputs] {
    return opened(Korvane::Soa::Cad::CreateBOMWindowsImpl().createBOMWindows(*info), inputs);
  };
}

Operation configuredRevision(int inputs) {
  prepareStore(fixture(Shape::wide, inputs));
  host::Store::instance().loadFixture(rules(0));
  auto info = std::make_shared<std::vector<
      Korvane::Soa::Cad::_2007_06::StructureManagement::GetConfiguredItemRevisionInfo>>();
  for (int i = 0; i < inputs; ++i) {
    info->push_back({tagOf("p" + text(i)), tagOf("rr.unit")});
  }
  return [info, inputs] {
    // Units past the revisions' effectivity configure nothing: every input is looked at, none
    // has an output.
    const auto response =
        Korvane::Soa::Cad::_2007_06::StructureManagementImpl().getConfiguredItemRevision(*info);
    return response.serviceData.getErrorArray().empty() && inputs > 0;
  };
}

Operation overrideFolders(int overrides) {
  prepareStore(fixture(Shape::wide, 10));
  host::Store::instance().loadFixture(rules(overrides));
  auto info = std::make_shared<std::vector<StructureManagement::CreateBOMWindowsInfo>>();
  info->push_back(windowOnTop("w", tagOf("rr.override")));
  for (int i = 0; i < overrides; ++i) {
    info->back().revRuleConfigInfo.props.overrideFolder.push_back(
        {tagOf("rre" + text(i)), tagOf("fn" + text(i))});
  }
  return [info] {
    return opened(Korvane::Soa::Cad::CreateBOMWindowsImpl().createBOMWindows(*info), 1);
  };
}

}  // namespace

int main(int argc, char** argv) {
  if (!bench_support::start(&argc, argv)) {
    return 1;
  }
  const std::pair<const char*, Prepare> operations[] = {
      {"OneLevel", oneLevel},
      {"OneLevel/again", oneLevelAgain},
      {"AllLevels/wide", allLevels(Shape::wide)},
      {"AllLevels/deep", allLevels(Shape::deep)},
      {"AllLevels/reused", allLevels(Shape::reused)},
      {"Relative/seq", relative(true)},
      {"Relative/noseq", relative(false)},
      {"Absolute/inorder", absolute(false)},
      {"Absolute/reversed", absolute(true)},
      {"DeleteRelative/inorder", deleteRelative(false)},
      {"DeleteRelative/reversed", deleteRelative(true)},
      {"Chain/bottomup", chain(true)},
      {"Chain/topdown", chain(false)},
      {"DeleteArrangements", deleteArrangements},
  };
  // At least three iterations at every size, so that the best of them is compared at each.
  const std::vector<std::pair<int, int>> sizes = {{100, 20}, {1000, 5}, {10000, 3}, {100000, 3}};
  const std::vector<std::pair<int, int>> windowSizes = {
      {100, 20}, {1000, 5}, {10000, 3}, {15000, 3}};
  const std::vector<std::pair<int, int>> inputSizes = {
      {100, 20}, {1000, 5}, {10000, 3}, {50000, 3}};
  const std::pair<const char*, Prepare> windowOperations[] = {
      {"Windows", windows},
      {"ConfiguredRevision", configuredRevision},
      {"OverrideFolders", overrideFolders},
  };
  std::vector<std::tuple<std::string, Prepare, const std::vector<std::pair<int, int>>*>> all;
  for (const auto& [name, prepare] : operations) {
    all.emplace_back(name, prepare, &sizes);
  }
  all.emplace_back(windowOperations[0].first, windowOperations[0].second, &windowSizes);
  all.emplace_back(windowOperations[1].first, windowOperations[1].second, &inputSizes);
  all.emplace_back(windowOperations[2].first, windowOperations[2].second, &inputSizes);
  for (const auto& [name, prepare, sizesOf] : all) {
    for (const auto& [lines, iterations] : *sizesOf) {
      bench_support::addPerItem(name, prepare, lines, iterations, {"per_line"});
    }
  }
  bench_support::runSelected();
  std::printf(
      "\nProcessor time per line or input (us); the largest size against 1,000 and 10,000 against "
      "100 "
      "(targets: at most 1.50x)\n");
  std::printf("%-20s %10s %10s %10s %10s %8s %8s\n", "operation", "100", "1000", "10000", "largest",
              "max/1k", "10k/100");
  auto ratio = [](const std::map<int, double>& perSize, int large, int base) {
    auto top = perSize.find(large);
    auto bottom = perSize.find(base);
    return top != perSize.end() && bottom != perSize.end() && bottom->second > 0
               ? top->second / bottom->second
               : 0.0;
  };
  for (const auto& [name, perSize] : bench_support::bestFigures()) {
    std::printf("%-20s", name.c_str());
    for (int lines : {100, 1000, 10000}) {
      auto found = perSize.find(lines);
      std::printf(" %10.3f", found == perSize.end() ? 0.0 : found->second * 1e6);
    }
    const int largest = perSize.rbegin()->first;
    std::printf(" %10.3f %7.2fx %7.2fx\n", perSize.rbegin()->second * 1e6,
                ratio(perSize, largest, 1000), ratio(perSize, 10000, 100));
  }
  return 0;
}
