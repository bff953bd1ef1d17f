// CAD attribute mappings: definitions and their resolution for a dataset.
//
// A mapping definition is a store object of class "CadAttrMappingDefinition" with the
// properties
//   attr_title (string)          the CAD attribute title
//   mapping_string (string)      the whole map string, e.g. "ItemRevision.object_desc"
//   dataset_type (reference)     a DatasetType object; null: every dataset type
//   item_type (reference)        an item type (a ZoltType); null: every item type
//   cad_master, zolt_master, allow_null_value, write_once (logical, null reads false)
//   property_descriptor (reference)  a PropertyDescriptor object (see property.h), or null.
//
// What a mapping resolves to is a table of store objects of class "CadAttrMappingResolution",
// one row each:
//   mapping (reference)          the mapping definition
//   dataset (reference)          the dataset it resolves for; null: any dataset
//   item_revision (reference)    the item revision (resolutions with one); null: any
//   status (int)                 non-zero: the resolution fails with this status (7007: the
//                                mapping yields no property); null reads 0
//   mapping_type (int)           1 or 2 property, 3 constant, 4 preference, or anything else
//   resolved_object (reference)  the object that holds the value
//   resolved_property (string)   the property's name (answered as a property handle); null:
//                                the null property tag.
// A resolution takes the first row (in creation order) that matches; a mapping without a
// matching row yields no property (7007). Rows of ATTRMAP_resolve_mapping have no
// item revision.
//
// Every call returns a status (0 = success; on failure the code is also on the error store),
// sets its out-arguments to their null values first and starts with HOST_CALL. Arrays and
// strings handed out are host allocations (SM_free).
#pragma once

#include "framework/visibility.h"
#include "host/object/tag.h"

SOACAD_API_BEGIN

// Every mapping definition, in creation order (host array).
int ATTRMAP_list_all_mappings(int* count, Tag** mappings);
// The mappings that apply to a dataset type and an item type (host array, creation order).
// `dataset` (may be null) must be a dataset; its type stands in for a null `datasetType`.
// exact: a mapping's dataset type and item type must equal the ones given (null included).
// Otherwise a null type given, or a mapping's null type, matches any; an item type also
// matches the mappings of its ancestor types. POM_invalid_tag for a dataset, dataset type or
// item type that is not one.
int ATTRMAP_list_mappings(Tag dataset, Tag datasetType, Tag itemType, bool exact, int* count,
                          Tag** mappings);
// The property descriptor of the mapping; null when it has none. `context` is not used.
int ATTRMAP_ask_propdesc(Tag context, Tag mapping, Tag* descriptor);

// Queries of one mapping; POM_invalid_tag unless `mapping` is a live mapping definition.
// The title and the map string are host strings, null when the definition has none.
int ATTRMAP_ask_mapping_attr_title(Tag mapping, char** title);
int ATTRMAP_ask_mapping_whole_string(Tag mapping, char** mapString);
int ATTRMAP_ask_mapping_dataset_type(Tag mapping, Tag* datasetType);
int ATTRMAP_ask_mapping_item_type(Tag mapping, Tag* itemType);
int ATTRMAP_ask_mapping_cad_master(Tag mapping, bool* cadMaster);
int ATTRMAP_ask_mapping_zolt_master(Tag mapping, bool* zoltMaster);
int ATTRMAP_ask_mapping_allow_null_value(Tag mapping, bool* allowNull);
int ATTRMAP_ask_mapping_write_once(Tag mapping, bool* writeOnce);

// Resolves the mapping for a dataset (see the file comment): the mapping type, the object and
// the property handle. POM_invalid_tag (the host's "no property" answer) when no row matches
// or the mapping or dataset is not one; a row's own status otherwise.
int ATTRMAP_resolve_mapping(Tag dataset, Tag mapping, int* mappingType, Tag* object, Tag* property);
// The same for a dataset in the context of an item revision.
int ATTRMAP_resolve_mapping_with_ir(Tag dataset, Tag mapping, Tag itemRevision, int* mappingType,
                                    Tag* object, Tag* property);

SOACAD_API_END
