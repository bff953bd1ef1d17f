// Writing datasets: creation with an id, versions, tools and formats, named references.
//
// Model (properties added to the base classes, see host/README.md):
// - A dataset type ("DatasetType") lists the tools that may work on its datasets
//   ("list_of_tools") and names the one that new datasets get ("default_tool").
// - A tool ("Tool", named by "tool_name") lists the file formats it writes ("output_formats").
// - A dataset keeps its id and revision ("dataset_id", "dataset_rev"), the tool and format it
//   was last given ("tool_used", "format_used"), its anchor ("rev_chain_anchor": an object of
//   class "RevisionAnchor" whose "highest_revision" is the number of its newest version; a new
//   dataset is version 1) and its named references: three parallel lists of the reference
//   names, reference types and referenced objects ("ref_names", "ref_types", "ref_list"), in
//   the order they were added. A name may occur more than once.
//
// Changes of a dataset are session writes: they need the lock (AOM_refresh(dataset, true)) and
// last once the dataset is saved (AE_save_myself or AOM_save).
#pragma once

#include <string>

#include "framework/visibility.h"
#include "host/object/extensions.h"
#include "host/object/tag.h"
#include "host/object/zolt_object.h"

SOACAD_API_BEGIN

enum : int {
  // Named-reference names (AE_find_dataset_named_ref fills a buffer of this size + 1).
  AE_reference_size_c = 32,
  // File format names.
  AE_format_name_size_c = 32,
};

enum : int {
  // The kinds of named reference.
  AE_reference_association = 1,
  AE_reference_part_of = 2,
};

enum : int {
  // AE_find_dataset_named_ref: no reference at that index.
  AE_invalid_reference_index = 51001,
  // AE_remove_dataset_named_ref_by_tag: no reference of that name to that object.
  AE_reference_not_found = 51002,
  // A tag that is not a live tool.
  AE_invalid_tool = 51003,
  // A tag that is not a live dataset type.
  AE_invalid_datasettype = 51004,
  // A reference or format name longer than its size above.
  AE_name_too_long = 51005,
  // AE_add_dataset_named_ref: the dataset has a reference of that name to that object already.
  AE_reference_exists = 51006,
};

// A new dataset of `datasetType` with the given name, description, id and revision (null or
// empty texts leave the property null), owned by the session's user, with a new anchor at
// version 1. The dataset is newly created and unlocked (AOM_save / AE_save_myself saves it); its
// object type is the type named like the dataset type when that is a dataset type of class
// "Dataset" (or derived), else "Dataset". Fails with AE_invalid_datasettype.
int AE_create_dataset_with_id(Tag datasetType, const char* name, const char* description,
                              const char* id, const char* revision, Tag* dataset);

// The dataset's anchor; null for a dataset that has none (a fixture may leave it out).
int AE_ask_dataset_anchor(Tag dataset, Tag* anchor);
// The number of the anchor's newest version. POM_invalid_tag for a tag that is not an anchor.
int AE_ask_anchor_highest_revision(Tag anchor, int* revision);

// The formats the tool writes, in its order (host array of strings, one block).
int AE_ask_tool_output_formats(Tag tool, int* count, char*** formats);
// Sets the dataset's format. AE_name_too_long for a name of more than AE_format_name_size_c.
int AE_set_dataset_format(Tag dataset, const char* format);

// The number of named references.
int AE_ask_dataset_ref_count(Tag dataset, int* count);
// The reference at `index` (0-based): its name into `name` (AE_reference_size_c + 1
// characters), its kind and its object. AE_invalid_reference_index outside the list.
int AE_find_dataset_named_ref(Tag dataset, int index, char* name, int* referenceType, Tag* object);
// The first reference named `name`: its kind and object; a dataset without such a reference
// answers status 0, kind 0 and the null object.
int AE_ask_dataset_named_ref(Tag dataset, const char* name, int* referenceType, Tag* object);
// Adds a reference named `name` of kind `referenceType` to the live object `object` at the end
// of the list. AE_name_too_long for a name of more than AE_reference_size_c characters;
// AE_reference_exists when the dataset refers to the object under that name already (a name
// may repeat, and an object may be referred to under several names, but not the same pair).
int AE_add_dataset_named_ref(Tag dataset, const char* name, int referenceType, Tag object);
// Removes the first reference named `name` to `object`. AE_reference_not_found when there is
// none.
int AE_remove_dataset_named_ref_by_tag(Tag dataset, const char* name, Tag object);

// A tool, named by "tool_name".
class Tool : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "Tool";
  using ZoltObject::ZoltObject;

  // The live tool named `name`; status 0 and null when there is none.
  static int find(const char* name, Tag* tool);
};

// A dataset type, named by "datasettype_name".
class DatasetType : public ZoltObject {
 public:
  static constexpr const char* kHostClassName = "DatasetType";
  using ZoltObject::ZoltObject;

  // The tools of the type, in its order (host array, null when it has none).
  int listOfTool(int* count, Tag** tools) const;
  // The tool that new datasets of the type get; null when it has none.
  Tag defaultToolTag() const;
};

namespace host {

// The live dataset type named `name` (the oldest one when several are); null when there is
// none. AE_find_datasettype answers through it.
Tag findDatasetType(const std::string& name);

}  // namespace host

SOACAD_API_END
