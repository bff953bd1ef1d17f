#include "host/object/attrmap.h"

#include <string>
#include <vector>

#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/property.h"
#include "host/object/store.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;

constexpr const char* kMappingClass = "CadAttrMappingDefinition";
constexpr const char* kResolutionClass = "CadAttrMappingResolution";

// The classes, and the message texts of the codes that the attribute-mapping operations of the
// service library raise.
const host::BaseFixturePart kMappingClasses("attrmap", R"(<fixture>
  <class name="CadAttrMappingDefinition" parent="POM_object">
    <property name="attr_title" type="string"/>
    <property name="mapping_string" type="string"/>
    <property name="dataset_type" type="reference"/>
    <property name="item_type" type="reference"/>
    <property name="cad_master" type="logical"/>
    <property name="zolt_master" type="logical"/>
    <property name="allow_null_value" type="logical"/>
    <property name="write_once" type="logical"/>
    <property name="property_descriptor" type="reference"/>
  </class>
  <class name="CadAttrMappingResolution" parent="POM_object">
    <property name="mapping" type="reference"/>
    <property name="dataset" type="reference"/>
    <property name="item_revision" type="reference"/>
    <property name="status" type="int"/>
    <property name="mapping_type" type="int"/>
    <property name="resolved_object" type="reference"/>
    <property name="resolved_property" type="string"/>
  </class>
  <type name="CadAttrMappingResolution" class="CadAttrMappingResolution"/>
  <message code="215070" text="The dataset type %1$ was not found."/>
  <message code="215071" text="The item type was not found (dataset type, item type, exact: %1$)."/>
  <message code="215072" text="The attribute mappings could not be listed (status %1$)."/>
  <message code="215073" text="The attribute mappings could not be listed (%1$)."/>
  <message code="215074" text="The object is not a dataset."/>
  <message code="215075" text="The object is not an item revision."/>
  <message code="215076" text="The attribute mapping is not valid."/>
  <message code="215077" text="The attribute title of a mapping could not be read (status %1$)."/>
  <message code="215078" text="The dataset type of a mapping could not be read (status %1$)."/>
  <message code="215079" text="The name of a mapping's dataset type could not be read (status %1$)."/>
  <message code="215080" text="The item type of a mapping could not be read (status %1$)."/>
  <message code="215081" text="The name of a mapping's item type could not be read (status %1$)."/>
  <message code="215082" text="The map string of a mapping could not be read (status %1$)."/>
  <message code="215083" text="The map string of a mapping is empty."/>
  <message code="215084" text="The dataset to resolve a mapping against could not be found (status %1$)."/>
  <message code="215085" text="The mapping could not be resolved for the dataset (status %1$)."/>
  <message code="215086" text="The mapping could not be resolved for the dataset and item revision (%1$)."/>
  <message code="215087" text="The mapping resolved to no object."/>
  <message code="215088" text="The mapping resolved to no property."/>
  <message code="215089" text="The name of the mapped property could not be read (status %1$)."/>
  <message code="215090" text="The name of the mapped property is empty."/>
  <message code="215091" text="The mapping type %1$ is unknown."/>
  <message code="215092" text="The item type of the item revision could not be found (%1$: status %2$)."/>
  <message code="215093" text="The attribute at position %1$ has no name."/>
  <message code="215096" text="Whether the mapping is CAD mastered could not be read (status %1$)."/>
  <message code="215097" text="Whether the mapped property may be changed could not be read (status %1$)."/>
  <message code="215098" text="The mapped object could not be locked (status %1$)."/>
  <message code="215099" text="The mapped property could not be set (status %1$)."/>
  <message code="215100" text="The dataset could not be saved (status %1$)."/>
  <message code="215101" text="The mapped object could not be saved (status %1$)."/>
  <message code="215102" text="Mappings of type %1$ (constant or preference) cannot be written."/>
  <message code="215103" text="Constant mappings are not supported."/>
  <message code="215104" text="Preference mappings are not supported."/>
  <message code="215117" text="The property descriptor of a mapping could not be read (status %1$)."/>
</fixture>)");

const host::Value& valueOf(Tag object, const char* name) {
  const host::Value* value = nullptr;
  Store::instance().read(object, name, &value);
  return *value;
}

Tag referenceOf(Tag object, const char* name) {
  const host::Value& value = valueOf(object, name);
  return value.tags.empty() ? NULLTAG : value.tags.front();
}

int integerOf(Tag object, const char* name) {
  const host::Value& value = valueOf(object, name);
  int number = 0;
  if (!value.texts.empty()) {
    host::parseInteger(value.texts.front(), &number);
  }
  return number;
}

bool isMapping(Tag tag) {
  return Store::instance().isInstanceOf(tag, kMappingClass);
}

// POM_invalid_tag unless `tag` is null or a live object of `className`.
int requireNullOr(Tag tag, const char* className) {
  if (tag != NULLTAG && !Store::instance().isInstanceOf(tag, className)) {
    return host::storeError(POM_invalid_tag, {tagText(tag)});
  }
  return 0;
}

int requireMapping(Tag mapping) {
  return isMapping(mapping) ? 0 : host::storeError(POM_invalid_tag, {tagText(mapping)});
}

int askText(Tag mapping, const char* property, char** text) {
  if (const int status = requireMapping(mapping)) {
    return status;
  }
  const host::Value& value = valueOf(mapping, property);
  if (!value.texts.empty()) {
    *text = SM_string_copy(value.texts.front().c_str());
  }
  return 0;
}

int askReference(Tag mapping, const char* property, Tag* reference) {
  if (const int status = requireMapping(mapping)) {
    return status;
  }
  *reference = referenceOf(mapping, property);
  return 0;
}

int askFlag(Tag mapping, const char* property, bool* flag) {
  if (const int status = requireMapping(mapping)) {
    return status;
  }
  const host::Value& value = valueOf(mapping, property);
  if (!value.texts.empty()) {
    host::parseLogical(value.texts.front(), flag);
  }
  return 0;
}

// Whether a mapping for `mappingType` applies to `wanted` (see ATTRMAP_list_mappings).
// `withAncestors`: an item type also takes its ancestor types' mappings.
bool typeMatches(Tag mappingType, Tag wanted, bool exact, bool withAncestors) {
  if (exact) {
    return mappingType == wanted;
  }
  if (mappingType == NULLTAG || wanted == NULLTAG) {
    return true;
  }
  for (Tag type = wanted; type != NULLTAG;
       type = withAncestors ? Store::instance().parentType(type) : NULLTAG) {
    if (type == mappingType) {
      return true;
    }
  }
  return false;
}

int resolve(Tag dataset, Tag mapping, bool withItemRevision, Tag itemRevision, int* mappingType,
            Tag* object, Tag* property) {
  if (!isMapping(mapping) ||
      (dataset != NULLTAG && !Store::instance().isInstanceOf(dataset, "Dataset"))) {
    return host::storeError(POM_invalid_tag, {tagText(isMapping(mapping) ? dataset : mapping)});
  }
  if (const int status = requireNullOr(itemRevision, "ItemRevision")) {
    return status;
  }
  Store& store = Store::instance();
  for (Tag row : store.objectsOfClass(store.classId(kResolutionClass))) {
    const Tag rowDataset = referenceOf(row, "dataset");
    const Tag rowRevision = referenceOf(row, "item_revision");
    if (referenceOf(row, "mapping") != mapping ||
        (rowDataset != NULLTAG && rowDataset != dataset) ||
        (withItemRevision ? rowRevision != NULLTAG && rowRevision != itemRevision
                          : rowRevision != NULLTAG)) {
      continue;
    }
    if (const int status = integerOf(row, "status")) {
      return host::storeError(status, {tagText(mapping), tagText(dataset)});
    }
    // The platform resolves a map string from the dataset through live objects only, so it
    // never answers a deleted one: a row whose object is gone yields no property.
    const Tag resolved = referenceOf(row, "resolved_object");
    if (resolved != NULLTAG && store.find(resolved) == nullptr) {
      return host::storeError(POM_invalid_tag, {tagText(resolved)});
    }
    *mappingType = integerOf(row, "mapping_type");
    *object = resolved;
    const host::Value& name = valueOf(row, "resolved_property");
    if (!name.texts.empty()) {
      *property = host::propertyTag(*object, name.texts.front());
    }
    return 0;
  }
  return host::storeError(POM_invalid_tag, {tagText(mapping), tagText(dataset)});
}

}  // namespace

int ATTRMAP_list_all_mappings(int* count, Tag** mappings) {
  if (count == nullptr || mappings == nullptr) {
    return missingArgument("ATTRMAP_list_all_mappings");
  }
  *count = 0;
  *mappings = nullptr;
  HOST_CALL("ATTRMAP_list_all_mappings", NULLTAG);
  Store& store = Store::instance();
  const std::vector<Tag> list = store.objectsOfClass(store.classId(kMappingClass));
  return host::handOutTags(list, count, mappings);
}

int ATTRMAP_list_mappings(Tag dataset, Tag datasetType, Tag itemType, bool exact, int* count,
                          Tag** mappings) {
  if (count == nullptr || mappings == nullptr) {
    return missingArgument("ATTRMAP_list_mappings");
  }
  *count = 0;
  *mappings = nullptr;
  HOST_CALL("ATTRMAP_list_mappings", dataset);
  if (const int status = requireNullOr(dataset, "Dataset")) {
    return status;
  }
  if (const int status = requireNullOr(datasetType, "DatasetType")) {
    return status;
  }
  if (const int status = requireNullOr(itemType, "ZoltType")) {
    return status;
  }
  if (datasetType == NULLTAG && dataset != NULLTAG) {
    datasetType = referenceOf(dataset, "dataset_type");
  }
  Store& store = Store::instance();
  std::vector<Tag> list;
  for (Tag mapping : store.objectsOfClass(store.classId(kMappingClass))) {
    if (typeMatches(referenceOf(mapping, "dataset_type"), datasetType, exact, false) &&
        typeMatches(referenceOf(mapping, "item_type"), itemType, exact, true)) {
      list.push_back(mapping);
    }
  }
  return host::handOutTags(list, count, mappings);
}

int ATTRMAP_ask_propdesc(Tag context, Tag mapping, Tag* descriptor) {
  if (descriptor == nullptr) {
    return missingArgument("ATTRMAP_ask_propdesc");
  }
  *descriptor = NULLTAG;
  (void)context;
  HOST_CALL("ATTRMAP_ask_propdesc", mapping);
  return askReference(mapping, "property_descriptor", descriptor);
}

int ATTRMAP_ask_mapping_attr_title(Tag mapping, char** title) {
  if (title == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_attr_title");
  }
  *title = nullptr;
  HOST_CALL("ATTRMAP_ask_mapping_attr_title", mapping);
  return askText(mapping, "attr_title", title);
}

int ATTRMAP_ask_mapping_whole_string(Tag mapping, char** mapString) {
  if (mapString == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_whole_string");
  }
  *mapString = nullptr;
  HOST_CALL("ATTRMAP_ask_mapping_whole_string", mapping);
  return askText(mapping, "mapping_string", mapString);
}

int ATTRMAP_ask_mapping_dataset_type(Tag mapping, Tag* datasetType) {
  if (datasetType == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_dataset_type");
  }
  *datasetType = NULLTAG;
  HOST_CALL("ATTRMAP_ask_mapping_dataset_type", mapping);
  return askReference(mapping, "dataset_type", datasetType);
}

int ATTRMAP_ask_mapping_item_type(Tag mapping, Tag* itemType) {
  if (itemType == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_item_type");
  }
  *itemType = NULLTAG;
  HOST_CALL("ATTRMAP_ask_mapping_item_type", mapping);
  return askReference(mapping, "item_type", itemType);
}

int ATTRMAP_ask_mapping_cad_master(Tag mapping, bool* cadMaster) {
  if (cadMaster == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_cad_master");
  }
  *cadMaster = false;
  HOST_CALL("ATTRMAP_ask_mapping_cad_master", mapping);
  return askFlag(mapping, "cad_master", cadMaster);
}

int ATTRMAP_ask_mapping_zolt_master(Tag mapping, bool* zoltMaster) {
  if (zoltMaster == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_zolt_master");
  }
  *zoltMaster = false;
  HOST_CALL("ATTRMAP_ask_mapping_zolt_master", mapping);
  return askFlag(mapping, "zolt_master", zoltMaster);
}

int ATTRMAP_ask_mapping_allow_null_value(Tag mapping, bool* allowNull) {
  if (allowNull == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_allow_null_value");
  }
  *allowNull = false;
  HOST_CALL("ATTRMAP_ask_mapping_allow_null_value", mapping);
  return askFlag(mapping, "allow_null_value", allowNull);
}

int ATTRMAP_ask_mapping_write_once(Tag mapping, bool* writeOnce) {
  if (writeOnce == nullptr) {
    return missingArgument("ATTRMAP_ask_mapping_write_once");
  }
  *writeOnce = false;
  HOST_CALL("ATTRMAP_ask_mapping_write_once", mapping);
  return askFlag(mapping, "write_once", writeOnce);
}

int ATTRMAP_resolve_mapping(Tag dataset, Tag mapping, int* mappingType, Tag* object,
                            Tag* property) {
  if (mappingType == nullptr || object == nullptr || property == nullptr) {
    return missingArgument("ATTRMAP_resolve_mapping");
  }
  *mappingType = 0;
  *object = NULLTAG;
  *property = NULLTAG;
  HOST_CALL("ATTRMAP_resolve_mapping", mapping);
  return resolve(dataset, mapping, false, NULLTAG, mappingType, object, property);
}

int ATTRMAP_resolve_mapping_with_ir(Tag dataset, Tag mapping, Tag itemRevision, int* mappingType,
                                    Tag* object, Tag* property) {
  if (mappingType == nullptr || object == nullptr || property == nullptr) {
    return missingArgument("ATTRMAP_resolve_mapping_with_ir");
  }
  *mappingType = 0;
  *object = NULLTAG;
  *property = NULLTAG;
  HOST_CALL("ATTRMAP_resolve_mapping_with_ir", mapping);
  return resolve(dataset, mapping, true, itemRevision, mappingType, object, property);
}
