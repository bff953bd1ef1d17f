// Product-structure expansion: one level or all levels below BOM lines of windows the client
// opened, each line with the item revision behind it and, on request, that revision's datasets.
#pragma once

#include <cstddef>
#include <vector>

#include "framework/visibility.h"
#include "structuremanagement/structure_management.h"

namespace Korvane {
namespace Soa {
namespace Cad {

class OutputCeiling;

// Built on the caller's stack for one call; it keeps nothing between its steps.
//
// Each expanded line yields one output: `parent` describes the line itself (its datasets in
// `parentDataset`), `children` holds one record per child line that the filter keeps, in the
// host's order. Every line, revision and dataset of the outputs is also a plain object of the
// service data. Host failures become error stacks. The lines of one call are bounded (see
// kMaxListedLines): a call that would list more fails as a whole with a ServiceException
// (kTooManyLines) that names the ceiling; that is the only way either operation raises.
class SOACAD_API BOMExpandImpl {
 public:
  using StructureManagement = Korvane::Soa::Cad::_2007_01::StructureManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // The most lines the outputs of one call may list: each expanded line and each of its child
  // lines (also those the filter leaves out, which the host made all the same). The walk of
  // all levels stops there too, so the ceiling bounds the work and the lines the window makes,
  // not only the reply: an assembly of 27 levels whose parts each hold the next twice has 2^27
  // lines, from a structure and a request of a few hundred bytes. A real CAD assembly has some
  // tens of thousands of lines; the ceiling lies far above, where the reply is a few hundred
  // megabytes and the call's memory stays within about a gigabyte.
  static constexpr std::size_t kMaxListedLines = 1000000;

  BOMExpandImpl() = default;
  // An expansion whose calls list at most `maxListedLines` lines (tests reach the ceiling with
  // small structures).
  explicit BOMExpandImpl(std::size_t maxListedLines) : maxListedLines_(maxListedLines) {}

  // One output per line of `info.parentBomLine`, in order. A line that cannot be expanded (not
  // a line, its child lines or its revision cannot be read) gives no output and an error stack
  // keyed by it; a child that cannot be read is not listed and gives an error stack keyed by
  // the child.
  StructureManagement::ExpandPSOneLevelResponse expandPSOneLevelImpl(
      const StructureManagement::ExpandPSOneLevelInfo& info,
      const StructureManagement::ExpandPSOneLevelPref& pref);
  // For each line of `info.parentBomLine`, in order, every line below it that the filter keeps,
  // depth first, with the outputs in post-order: a line's descendants stand before the line,
  // and the line of `parentBomLine` comes last in its walk. A failure anywhere in a walk ends
  // that walk with an error stack keyed by its `parentBomLine` entry; the outputs already
  // appended stay, and the next entry is walked.
  StructureManagement::ExpandPSAllLevelsResponse expandPSAllLevelsImpl(
      const StructureManagement::ExpandPSAllLevelsInfo& info,
      const StructureManagement::ExpandPSAllLevelsPref& pref);

 private:
  using BOMLineFilter = StructureManagement::BOMLineFilter;
  using RelationAndTypesFilter = StructureManagement::RelationAndTypesFilter;
  using ExpandPSData = StructureManagement::ExpandPSData;

  struct WalkFrame;

  // The walk below `line`, depth first, each line's output after those of its descendants.
  // A kept child whose BOM view revision is one of the lines being walked would expand a
  // structure that contains itself: it is listed as a child but not walked, and an error
  // stack keyed by the child says so (kStructureContainsItself, texts: the UIDs of the view
  // revision and of the child's revision). The same revision shown through another view is
  // walked. Raises IFail when a line of the walk cannot be expanded.
  void doExpandAll(const Tag& line, const StructureManagement::ExpandPSAllLevelsPref& pref,
                   BOMLineFilter filter, OutputCeiling& ceiling,
                   StructureManagement::ExpandPSAllLevelsResponse& response);
  // Fills `lineData` for the line and appends one record to `children` for each child line
  // that `filter` keeps, counting the line and its child lines on `ceiling`. A child that fails
  // is recorded keyed by its tag on `serviceData` and left out, or, without a service data,
  // raised again. Raises IFail when the line's child lines or its own revision cannot be read.
  void doExpand(const Tag& line, const std::vector<RelationAndTypesFilter>& filters,
                const bool& expItemRev, BOMLineFilter filter, OutputCeiling& ceiling,
                ExpandPSData& lineData, std::vector<ExpandPSData>& children,
                ServiceData* serviceData);
  // Sets `data` to the line, its revision and (with `expItemRev` and a revision) the datasets:
  // all of the revision's without filters, else the objects each filter reaches that pass the
  // "Dataset" type test (one found by two filters is listed twice). A failing filter is an
  // unkeyed error stack on `serviceData` (dropped without one) and the next filter is tried.
  // Raises IFail when the line's revision cannot be read.
  void populatePSData(const Tag& line, const std::vector<RelationAndTypesFilter>& filters,
                      const bool& expItemRev, ExpandPSData& data, ServiceData* serviceData);
  // The line's "bl_revision" (null for a line without one). Raises IFail when it cannot be read.
  void askBOMLineItemRev(const Tag& line, Tag* itemRev);
  Tag askBOMLineItemRevTag(const Tag& line);
  // The line's "bl_bomview_rev": the view revision its children come from (null for none).
  Tag structureOf(const Tag& line);

  // Adds the objects of every output to the response's service data as plain objects: for
  // each output the parent and then each child, each the line, its revision, its datasets.
  void addObjectsToModelManager(StructureManagement::ExpandPSOneLevelResponse& response);
  void addObjectsToModelManager(StructureManagement::ExpandPSAllLevelsResponse& response);
  void addObjectsToModelManager(const StructureManagement::ExpandPSParentData& data,
                                ServiceData& serviceData);
  void addObjectsToModelManager(const ExpandPSData& data, ServiceData& serviceData);
  // The ceiling of one call's lines.
  OutputCeiling lineCeiling() const;

  std::size_t maxListedLines_ = kMaxListedLines;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
