// Expansions: relations of objects (expandGRMRelations), their object-valued properties
// (expandPrimaryObjects) and one level of folders (expandFoldersForCAD), with the revision
// datasets that the structure expansion shares (getAllRevDatasets).
#pragma once

#include <cstddef>
#include <vector>

#include "datamanagement/data_management.h"
#include "framework/visibility.h"
#include "host/object/sizes.h"
#include "host/object/tag.h"

namespace Korvane {
namespace Soa {
namespace Cad {

// Built on the caller's stack for a call; it keeps nothing between calls, and its operations
// depend on each other only through their arguments.
//
// Every object an expansion reaches is also returned as a plain object of the service data;
// with `expItemRev`, an item found brings its latest revision and a revision its datasets
// into the service data (never into the output records). Failures become error stacks: a bad
// input object one without a key and no output for it, a failure while expanding an object one
// keyed by that object.
//
// The outputs of one call list at most kMaxOutputEntries entries (see there); a call that would
// list more fails as a whole, before it lists them, with a ServiceException (215066) that names
// the ceiling.
class SOACAD_API ExpandImpl {
 public:
  using DataManagement = Korvane::Soa::Cad::_2007_01::DataManagement;
  using ServiceData = Korvane::Soa::Server::ServiceData;

  // The most entries the outputs of one call may list: each list of related objects (a data
  // record: one per object and filter that gives one) and each object listed in one; in a
  // folder expansion each sub-folder, item, revision and dataset listed. Expanding tens of
  // thousands of objects of a real CAD batch, with a few filters and their datasets, lists some
  // hundreds of thousands; the ceiling lies ten times above that, and keeps a small request
  // that names the same object and filter thousands of times each (millions of lists) from
  // costing gigabytes. A call of more objects times filters than this is refused before any
  // work, since each pair may give a list.
  static constexpr std::size_t kMaxOutputEntries = 3000000;

  ExpandImpl() = default;
  // An expansion whose calls list at most `maxOutputEntries` entries (tests reach the ceiling
  // with small stores).
  explicit ExpandImpl(std::size_t maxOutputEntries) : maxOutputEntries_(maxOutputEntries) {}

  // For each valid input object, one output with a data record per filter that worked: the
  // secondary objects over the filter's relation type (every type for an empty name) whose type
  // name is one of the filter's (any type for an empty list). No filters: an unkeyed error
  // stack (215060) per object, and each valid object gets an output without data records.
  DataManagement::ExpandGRMRelationsResponse expandGRMRelations(
      const std::vector<Tag>& objects, const DataManagement::ExpandGRMRelationsPref& pref);
  // For each valid input object, one output with a data record per filter that names an
  // object-list property of the object's type and finds values in it: the values whose type
  // name is exactly one of the filter's. A property of another kind gives an empty data
  // record; a property the type lacks, or one without values, gives none. No filters: one
  // unkeyed error stack (215060) for the call.
  DataManagement::ExpandPrimaryObjectsResponse expandPrimaryObjects(
      const std::vector<Tag>& objects, const DataManagement::ExpandPrimaryObjectsPref& pref);
  // One level of each valid folder: its sub-folders (listed, not expanded), its items with
  // their latest `latestNRevs` revisions (all for a negative number or more than there are;
  // none for 0), and its revisions; with `expItemRev`, each revision with its datasets (those
  // the filters reach, or all without filters), a revision without any being left out, and an
  // item none of whose revisions qualifies with it. Datasets and other objects in the folder
  // are passed over.
  DataManagement::ExpandFoldersForCADResponse expandFoldersForCAD(
      const std::vector<POMRef<Folder>>& folders,
      const DataManagement::ExpandFolderForCADPref& pref);

  // Appends to `datasets` every secondary object of `revision`, over every relation type,
  // whose class is Dataset or derives from it, in the host's order. Never raises: a failure
  // ends the step, keeping the datasets appended so far, and becomes an unkeyed error stack on
  // `serviceData` when one is given (it may be null); without one the failure is dropped and
  // the error store emptied.
  void getAllRevDatasets(const Tag& revision, std::vector<unsigned int>& datasets,
                         ServiceData* serviceData) const;

 private:
  using ItemRevOutput = DataManagement::ExpandFoldersForCADItemRevOutput;

  // The kind of the object by its exact class (a class derived from Folder, Item, ItemRevision
  // or Dataset is Others); Others for the null tag and when the host cannot answer (the
  // failure is dropped).
  DataManagement::objectType askObjectType(const Tag& object) const;
  // The name of the object's type into `typeName`, a buffer of the host's type-name size; the
  // null tag leaves it as it is. Raises IFail when the host cannot answer.
  void askObjectTypeName(const Tag& object, char (&typeName)[ZOLTTYPE_name_size_c + 1]) const;
  // Adds what the object brings along to the service data: an item its latest revision and,
  // with `expItemRev`, that revision's datasets; a revision, with `expItemRev`, its datasets.
  // Never raises: a failure is an error stack keyed by the object.
  void expandFurther(const Tag& object, const bool& expItemRev, ServiceData* serviceData) const;
  // Fills `out` with the revision's datasets: all of them without filters, else those each
  // filter reaches (a dataset reached twice is listed twice). `found` becomes true when there
  // are no filters or a filter reached a dataset, and then `out` names the revision. Never
  // raises: a failing filter is an unkeyed error stack when `serviceData` is given.
  void expandItemRev(const Tag& revision, const DataManagement::ExpandFolderForCADPref& pref,
                     bool& found, ItemRevOutput& out, ServiceData* serviceData) const;
  // The item steps of a folder expansion: appends the item's output to `folderOutput` when
  // the item qualifies. Raises IFail when its revisions cannot be listed.
  void expandItem(const Tag& item, const DataManagement::ExpandFolderForCADPref& pref,
                  DataManagement::ExpandFoldersForCADOutput& folderOutput,
                  ServiceData& serviceData) const;

  std::size_t maxOutputEntries_ = kMaxOutputEntries;
};

}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
