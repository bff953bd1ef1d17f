#include "host/object/absocc.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "host/object/bom.h"
#include "host/object/grm.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
#include "host/object/ps.h"
#include "host/object/store.h"
#include "host/object/structure_support.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::WriteMode;

const host::BaseFixturePart kAbsoluteOccurrenceClasses("absocc", R"(<fixture>
  <class name="AbsOccurrence" parent="POM_object">
    <property name="context_bvr" type="reference"/>
    <property name="occurrence_path" type="reference" array="true"/>
  </class>
  <class name="AbsOccDataQualifier" parent="POM_object">
    <property name="context_bvr" type="reference"/>
    <property name="arrangement" type="reference"/>
  </class>
  <class name="AbsOccData" parent="POM_object">
    <property name="abs_occurrence" type="reference"/>
    <property name="qualifier" type="reference"/>
    <property name="attribute_name" type="string"/>
    <property name="attribute_value" type="string"/>
    <property name="transform" type="double" array="true"/>
  </class>
  <class name="AbsOccRelation" parent="ImanRelation">
    <property name="qualifier" type="reference"/>
  </class>
  <type name="AbsOccurrence" class="AbsOccurrence"/>
  <type name="AbsOccDataQualifier" class="AbsOccDataQualifier"/>
  <type name="AbsOccData" class="AbsOccData"/>
</fixture>)");

constexpr const char* kAbsOccurrence = "AbsOccurrence";
constexpr const char* kQualifier = "AbsOccDataQualifier";
constexpr const char* kData = "AbsOccData";
constexpr const char* kRelation = "AbsOccRelation";
// The attribute name of the datum that overrides the transform.
constexpr const char* kTransformDatum = "#transform";

using Key = host::KeyedIndex::Key;

Key pairKey(Tag first, Tag second) {
  return first == NULLTAG ? Key() : Key{first, second};
}

// The key of the one reference `name` of `object`; empty (left out) when it is null.
Key referenceKey(Tag object, const char* name) {
  const Tag reference = host::referenceOf(object, name);
  return reference == NULLTAG ? Key() : Key{reference};
}

host::KeyedIndex& absOccurrencesByPath() {
  static host::KeyedIndex index(kAbsOccurrence, [](Tag absOcc) -> Key {
    const Tag bvr = host::referenceOf(absOcc, "context_bvr");
    if (bvr == NULLTAG) {
      return Key();
    }
    Key key{bvr};
    const std::vector<Tag> path = host::referencesOf(absOcc, "occurrence_path");
    key.insert(key.end(), path.begin(), path.end());
    return key;
  });
  return index;
}

host::ElementIndex& absOccurrencesByElement() {
  static host::ElementIndex index(kAbsOccurrence, "occurrence_path");
  return index;
}

host::KeyedIndex& dataByAbsOccurrence() {
  static host::KeyedIndex index(kData,
                                [](Tag datum) { return referenceKey(datum, "abs_occurrence"); });
  return index;
}

host::KeyedIndex& relationsByPrimary() {
  static host::KeyedIndex index(
      kRelation, [](Tag relation) { return referenceKey(relation, "primary_object"); });
  return index;
}

host::KeyedIndex& qualifiersByBvr() {
  static host::KeyedIndex index(
      kQualifier, [](Tag qualifier) { return referenceKey(qualifier, "context_bvr"); });
  return index;
}

// Qualifiers by (context view revision, arrangement): each arrangement's qualifier is found
// without reading the other arrangements' (the view revision's own has a null arrangement).
host::KeyedIndex& qualifiersByArrangement() {
  static host::KeyedIndex index(kQualifier, [](Tag qualifier) {
    return pairKey(host::referenceOf(qualifier, "context_bvr"),
                   host::referenceOf(qualifier, "arrangement"));
  });
  return index;
}

host::KeyedIndex& dataByOccurrence() {
  static host::KeyedIndex index(kData, [](Tag datum) {
    return pairKey(host::referenceOf(datum, "abs_occurrence"),
                   host::referenceOf(datum, "qualifier"));
  });
  return index;
}

host::KeyedIndex& dataByQualifier() {
  static host::KeyedIndex index(kData, [](Tag datum) { return referenceKey(datum, "qualifier"); });
  return index;
}

host::KeyedIndex& relationsByOccurrence() {
  static host::KeyedIndex index(kRelation, [](Tag relation) {
    return pairKey(host::referenceOf(relation, "primary_object"),
                   host::referenceOf(relation, "qualifier"));
  });
  return index;
}

host::KeyedIndex& relationsByQualifier() {
  static host::KeyedIndex index(kRelation,
                                [](Tag relation) { return referenceKey(relation, "qualifier"); });
  return index;
}

// Brought up to date after every load, so that the first lookup costs what it finds.
const host::LoadHook kFollowAbsoluteStructure([] {
  absOccurrencesByPath().refresh();
  absOccurrencesByElement().refresh();
  dataByAbsOccurrence().refresh();
  relationsByPrimary().refresh();
  qualifiersByBvr().refresh();
  qualifiersByArrangement().refresh();
  dataByOccurrence().refresh();
  dataByQualifier().refresh();
  relationsByOccurrence().refresh();
  relationsByQualifier().refresh();
});

Tag contextLineOf(Tag window) {
  const Tag line = host::referenceOf(window, "context_line");
  return Store::instance().find(line) != nullptr ? line : host::topLineOf(window);
}

// The datum of `name` of the occurrence under the qualifier that the window has not marked for
// deletion; null when none.
Tag findDatum(Tag window, Tag absOccurrence, Tag qualifier, const std::string& name) {
  for (Tag datum : dataByOccurrence().find(pairKey(absOccurrence, qualifier))) {
    if (host::textOf(datum, "attribute_name") == name && !host::deletedInWindow(window, datum)) {
      return datum;
    }
  }
  return NULLTAG;
}

// The datum the line's window reads: the current qualifier's, else the view revision's.
Tag effectiveDatum(Tag line, const std::string& name) {
  host::AbsoluteContext context;
  if (!host::absoluteContextOf(line, NULLTAG, &context)) {
    return NULLTAG;
  }
  const Tag absOccurrence = host::findAbsOccurrence(context.bvr, context.path);
  if (absOccurrence == NULLTAG) {
    return NULLTAG;
  }
  std::vector<Tag> arrangements;
  if (context.arrangement != NULLTAG) {
    arrangements.push_back(context.arrangement);
  }
  arrangements.push_back(NULLTAG);
  for (Tag arrangement : arrangements) {
    const Tag qualifier = host::findQualifier(context.bvr, arrangement);
    const Tag datum =
        qualifier == NULLTAG ? NULLTAG : findDatum(context.window, absOccurrence, qualifier, name);
    if (datum != NULLTAG) {
      return datum;
    }
  }
  return NULLTAG;
}

int absOccurrenceIn(const host::AbsoluteContext& context, Tag* absOccurrence) {
  *absOccurrence = host::findAbsOccurrence(context.bvr, context.path);
  if (*absOccurrence != NULLTAG) {
    return 0;
  }
  if (const int status = host::createObjectOfClass(kAbsOccurrence, absOccurrence)) {
    return status;
  }
  host::writeReference(*absOccurrence, "context_bvr", context.bvr, WriteMode::initial);
  host::writeReferences(*absOccurrence, "occurrence_path", context.path, WriteMode::initial);
  host::windowMade(context.window, *absOccurrence);
  return 0;
}

int qualifierIn(const host::AbsoluteContext& context, Tag* qualifier) {
  *qualifier = host::findQualifier(context.bvr, context.arrangement);
  if (*qualifier != NULLTAG) {
    return 0;
  }
  if (const int status = host::createObjectOfClass(kQualifier, qualifier)) {
    return status;
  }
  host::writeReference(*qualifier, "context_bvr", context.bvr, WriteMode::initial);
  host::writeReference(*qualifier, "arrangement", context.arrangement, WriteMode::initial);
  host::windowMade(context.window, *qualifier);
  return 0;
}

// The line's context for an edit of its absolute occurrence: it must lie below the context
// line, and the context's view revision must be editable.
int editContext(Tag line, Tag contextLine, host::AbsoluteContext* context) {
  if (!host::absoluteContextOf(line, contextLine, context)) {
    return host::storeError(BOM_line_has_no_occurrence, {tagText(line)});
  }
  return host::requireStructureEditable(context->bvr);
}

// Writes the datum `name` of the line's absolute occurrence: `value` is its attribute value,
// or, with `matrix`, its transform.
int writeDatum(Tag line, const std::string& name, const std::string& value,
               const std::vector<double>* matrix) {
  host::AbsoluteContext context;
  if (const int status = editContext(line, NULLTAG, &context)) {
    return status;
  }
  Tag absOccurrence;
  Tag qualifier;
  if (const int status = absOccurrenceIn(context, &absOccurrence)) {
    return status;
  }
  if (const int status = qualifierIn(context, &qualifier)) {
    return status;
  }
  Tag datum = findDatum(context.window, absOccurrence, qualifier, name);
  WriteMode mode = WriteMode::host;
  if (datum == NULLTAG) {
    if (const int status = host::createObjectOfClass(kData, &datum)) {
      return status;
    }
    mode = WriteMode::initial;
    host::writeReference(datum, "abs_occurrence", absOccurrence, mode);
    host::writeReference(datum, "qualifier", qualifier, mode);
    host::writeText(datum, "attribute_name", name, mode);
    host::windowMade(context.window, datum);
  } else {
    host::windowChanged(context.window, datum);
  }
  if (matrix != nullptr) {
    return host::writeReals(datum, "transform", *matrix, mode);
  }
  return host::writeText(datum, "attribute_value", value, mode);
}

// The attachments of the line's absolute occurrence under the current qualifier that the
// window has not marked for deletion.
std::vector<Tag> attachments(const host::AbsoluteContext& context) {
  const Tag absOccurrence = host::findAbsOccurrence(context.bvr, context.path);
  const Tag qualifier = host::findQualifier(context.bvr, context.arrangement);
  std::vector<Tag> live;
  if (absOccurrence == NULLTAG || qualifier == NULLTAG) {
    return live;
  }
  for (Tag relation : relationsByOccurrence().find(pairKey(absOccurrence, qualifier))) {
    if (!host::deletedInWindow(context.window, relation)) {
      live.push_back(relation);
    }
  }
  return live;
}

int requireContextLine(Tag contextLine) {
  return contextLine == NULLTAG ? 0 : host::requireObject(contextLine, "BOMLine");
}

}  // namespace

namespace host {

bool absoluteContextOf(Tag line, Tag contextLine, AbsoluteContext* context) {
  *context = AbsoluteContext();
  const Tag window = windowOfLine(line);
  if (Store::instance().find(window) == nullptr) {
    return false;
  }
  const Tag from = contextLine != NULLTAG ? contextLine : contextLineOf(window);
  if (!occurrencePathBelow(line, from, &context->path)) {
    return false;
  }
  context->bvr = structureOfLine(from);
  if (context->bvr == NULLTAG) {
    return false;
  }
  context->window = window;
  const Tag arrangement = referenceOf(window, "active_arrangement");
  if (!flagOf(window, "ignore_arrangements") &&
      Store::instance().isInstanceOf(arrangement, "AssemblyArrangement")) {
    context->arrangement = arrangement;
  }
  return true;
}

bool absoluteEditApplies(Tag line) {
  AbsoluteContext context;
  return flagOf(windowOfLine(line), "abs_occ_edit_mode") &&
         absoluteContextOf(line, NULLTAG, &context);
}

Tag findAbsOccurrence(Tag bvr, const std::vector<Tag>& path) {
  if (bvr == NULLTAG || path.empty()) {
    return NULLTAG;
  }
  KeyedIndex::Key key{bvr};
  key.insert(key.end(), path.begin(), path.end());
  return absOccurrencesByPath().findFirst(key);
}

Tag findQualifier(Tag bvr, Tag arrangement) {
  return bvr == NULLTAG ? NULLTAG : qualifiersByArrangement().findFirst(pairKey(bvr, arrangement));
}

bool findOverride(Tag line, const std::string& name, std::string* value) {
  const Tag datum = effectiveDatum(line, name);
  if (datum == NULLTAG) {
    return false;
  }
  *value = textOf(datum, "attribute_value");
  return true;
}

bool findTransformOverride(Tag line, std::vector<double>* matrix) {
  const Tag datum = effectiveDatum(line, kTransformDatum);
  if (datum == NULLTAG) {
    return false;
  }
  *matrix = realsOf(datum, "transform");
  return true;
}

int writeOverride(Tag line, const std::string& name, const std::string& value) {
  return writeDatum(line, name, value, nullptr);
}

int writeTransformOverride(Tag line, const std::vector<double>& matrix) {
  return writeDatum(line, kTransformDatum, std::string(), &matrix);
}

int ensureAbsOccurrence(Tag line, Tag* absOccurrence) {
  *absOccurrence = NULLTAG;
  AbsoluteContext context;
  if (const int status = editContext(line, NULLTAG, &context)) {
    return status;
  }
  return absOccurrenceIn(context, absOccurrence);
}

// The absolute occurrences whose path holds `occurrence`, each after its data and attachments.
std::vector<Tag> absOccurrencesWithWhatTheyHold(Tag occurrence) {
  std::vector<Tag> objects;
  for (Tag absOcc : absOccurrencesByElement().find(occurrence)) {
    const std::vector<Tag> data = dataByAbsOccurrence().find({absOcc});
    const std::vector<Tag> relations = relationsByPrimary().find({absOcc});
    objects.insert(objects.end(), data.begin(), data.end());
    objects.insert(objects.end(), relations.begin(), relations.end());
    objects.push_back(absOcc);
  }
  return objects;
}

int requireAbsOccurrencesDeletable(Tag occurrence) {
  for (Tag object : absOccurrencesWithWhatTheyHold(occurrence)) {
    if (const int status = requireModifiable(object)) {
      return status;
    }
  }
  return 0;
}

void forgetAbsOccurrencesOf(Tag occurrence) {
  Store& store = Store::instance();
  for (Tag object : absOccurrencesWithWhatTheyHold(occurrence)) {
    store.remove(object);
  }
}

std::string absOccurrenceUidInTopLineContext(Tag line) {
  const Tag top = topLineOf(windowOfLine(line));
  std::vector<Tag> path;
  if (top == NULLTAG || !occurrencePathBelow(line, top, &path)) {
    return std::string();
  }
  return Store::instance().uidOfTag(findAbsOccurrence(structureOfLine(top), path));
}

}  // namespace host

int AbsOccDataQualifier::findByBvr(Tag bvr, std::vector<Tag>* qualifiers) {
  if (qualifiers == nullptr) {
    return missingArgument("AbsOccDataQualifier::findByBvr");
  }
  qualifiers->clear();
  HOST_CALL("AbsOccDataQualifier::findByBvr", bvr);
  if (const int status = host::requireObject(bvr, "PSBOMViewRevision")) {
    return status;
  }
  *qualifiers = qualifiersByBvr().find({bvr});
  return 0;
}

int AbsOccDataQualifier::findByArrangement(Tag bvr, Tag arrangement, Tag* qualifier) {
  if (qualifier == nullptr) {
    return missingArgument("AbsOccDataQualifier::findByArrangement");
  }
  *qualifier = NULLTAG;
  HOST_CALL("AbsOccDataQualifier::findByArrangement", bvr);
  if (const int status = host::requireObject(bvr, "PSBOMViewRevision")) {
    return status;
  }
  *qualifier = host::findQualifier(bvr, arrangement);
  return 0;
}

int AbsOccData::destroyAllForQual(Tag qualifier) {
  HOST_CALL("AbsOccData::destroyAllForQual", qualifier);
  if (const int status = host::requireObject(qualifier, kQualifier)) {
    return status;
  }
  std::vector<Tag> doomed = dataByQualifier().find({qualifier});
  const std::vector<Tag> relations = relationsByQualifier().find({qualifier});
  doomed.insert(doomed.end(), relations.begin(), relations.end());
  Store& store = Store::instance();
  // All or nothing: one object that may not be deleted keeps every other one.
  for (Tag object : doomed) {
    if (const int status = host::requireModifiable(object)) {
      return status;
    }
  }
  for (Tag object : doomed) {
    store.remove(object);
  }
  return 0;
}

int AbsOccData::findAbsOccsForQual(Tag qualifier, std::vector<Tag>* absOccs) {
  if (absOccs == nullptr) {
    return missingArgument("AbsOccData::findAbsOccsForQual");
  }
  absOccs->clear();
  HOST_CALL("AbsOccData::findAbsOccsForQual", qualifier);
  if (const int status = host::requireObject(qualifier, kQualifier)) {
    return status;
  }
  std::set<Tag> found;
  for (Tag datum : dataByQualifier().find({qualifier})) {
    found.insert(host::referenceOf(datum, "abs_occurrence"));
  }
  for (Tag relation : relationsByQualifier().find({qualifier})) {
    found.insert(host::referenceOf(relation, "primary_object"));
  }
  for (Tag absOcc : found) {
    if (Store::instance().find(absOcc) != nullptr) {
      absOccs->push_back(absOcc);
    }
  }
  return 0;
}

int BOM__occurrence_ask_absoccs(Tag occurrence, int* count, Tag** absOccs) {
  if (count == nullptr || absOccs == nullptr) {
    return missingArgument("BOM__occurrence_ask_absoccs");
  }
  *count = 0;
  *absOccs = nullptr;
  HOST_CALL("BOM__occurrence_ask_absoccs", occurrence);
  if (const int status = host::requireObject(occurrence, "PSOccurrence")) {
    return status;
  }
  std::vector<Tag> found = absOccurrencesByElement().find(occurrence);
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return host::handOutTags(found, count, absOccs);
}

int BOM__line_add_absocc_relation(Tag line, Tag relationType, Tag secondary) {
  HOST_CALL("BOM__line_add_absocc_relation", line);
  if (const int status = host::requireObject(line, "BOMLine")) {
    return status;
  }
  Store& store = Store::instance();
  const std::string typeClass = store.typeClassName(relationType);
  if (typeClass.empty() ||
      !store.isDescendant(store.classId("ImanRelation"), store.classId(typeClass))) {
    return host::storeError(GRM_invalid_relation_type, {tagText(relationType)});
  }
  if (store.find(secondary) == nullptr) {
    return host::storeError(POM_invalid_tag, {tagText(secondary)});
  }
  host::AbsoluteContext context;
  if (const int status = editContext(line, NULLTAG, &context)) {
    return status;
  }
  for (Tag relation : attachments(context)) {
    if (store.find(relation)->type == relationType &&
        host::referenceOf(relation, "secondary_object") == secondary) {
      return 0;
    }
  }
  Tag absOccurrence;
  Tag qualifier;
  if (const int status = absOccurrenceIn(context, &absOccurrence)) {
    return status;
  }
  if (const int status = qualifierIn(context, &qualifier)) {
    return status;
  }
  Tag relation;
  if (const int status = store.createObject(store.classId(kRelation), relationType, &relation)) {
    return status;
  }
  host::writeReference(relation, "primary_object", absOccurrence, WriteMode::initial);
  host::writeReference(relation, "secondary_object", secondary, WriteMode::initial);
  host::writeReference(relation, "qualifier", qualifier, WriteMode::initial);
  host::windowMade(context.window, relation);
  return 0;
}

int BOM__line_ask_absocc_relation(Tag line, Tag contextLine, const char* relationTypeName,
                                  Tag secondary, int* count, Tag** relations) {
  if (count == nullptr || relations == nullptr) {
    return missingArgument("BOM__line_ask_absocc_relation");
  }
  *count = 0;
  *relations = nullptr;
  HOST_CALL("BOM__line_ask_absocc_relation", line);
  if (const int status = host::requireObject(line, "BOMLine")) {
    return status;
  }
  if (const int status = requireContextLine(contextLine)) {
    return status;
  }
  host::AbsoluteContext context;
  if (!host::absoluteContextOf(line, contextLine, &context)) {
    return 0;
  }
  const Store& store = Store::instance();
  const std::string typeName = relationTypeName != nullptr ? relationTypeName : "";
  std::vector<Tag> found;
  for (Tag relation : attachments(context)) {
    if ((typeName.empty() || store.typeName(store.find(relation)->type) == typeName) &&
        (secondary == NULLTAG || host::referenceOf(relation, "secondary_object") == secondary)) {
      found.push_back(relation);
    }
  }
  return host::handOutTags(found, count, relations);
}

int BOM__line_remove_absocc_relation(Tag line, Tag contextLine, Tag relation) {
  HOST_CALL("BOM__line_remove_absocc_relation", line);
  if (const int status = host::requireObject(line, "BOMLine")) {
    return status;
  }
  if (const int status = requireContextLine(contextLine)) {
    return status;
  }
  host::AbsoluteContext context;
  if (const int status = editContext(line, contextLine, &context)) {
    return status;
  }
  for (Tag attached : attachments(context)) {
    if (attached == relation) {
      host::windowDeletes(context.window, relation);
      return 0;
    }
  }
  return host::storeError(POM_invalid_tag, {tagText(relation)});
}

int BOM__line_remove_absocc_property(Tag line, const char* name, Tag contextLine) {
  if (name == nullptr) {
    return missingArgument("BOM__line_remove_absocc_property");
  }
  HOST_CALL("BOM__line_remove_absocc_property", line);
  if (const int status = host::requireObject(line, "BOMLine")) {
    return status;
  }
  if (const int status = requireContextLine(contextLine)) {
    return status;
  }
  host::AbsoluteContext context;
  if (const int status = editContext(line, contextLine, &context)) {
    return status;
  }
  const Tag absOccurrence = host::findAbsOccurrence(context.bvr, context.path);
  const Tag qualifier = host::findQualifier(context.bvr, context.arrangement);
  if (absOccurrence == NULLTAG || qualifier == NULLTAG) {
    return 0;
  }
  const Tag datum = findDatum(context.window, absOccurrence, qualifier, name);
  if (datum != NULLTAG) {
    host::windowDeletes(context.window, datum);
  }
  return 0;
}

int BOM__window_get_bomlines_from_absOcc(Tag window, Tag absOcc, int* count, Tag** lines) {
  if (count == nullptr || lines == nullptr) {
    return missingArgument("BOM__window_get_bomlines_from_absOcc");
  }
  *count = 0;
  *lines = nullptr;
  HOST_CALL("BOM__window_get_bomlines_from_absOcc", window);
  if (const int status = host::requireObject(window, "BOMWindow")) {
    return status;
  }
  if (const int status = host::requireObject(absOcc, kAbsOccurrence)) {
    return status;
  }
  const Tag top = host::topLineOf(window);
  const Tag context = host::referenceOf(absOcc, "context_bvr");
  if (top == NULLTAG || context == NULLTAG) {
    return 0;
  }
  // The lines that show the context structure: the top line when it does; otherwise every line
  // below it that does, so that a subassembly used in several places shows an absolute
  // occurrence of its own context once per use. Finding them walks the window's lines (with a
  // stack of its own); the usual case, the top line's own context, walks only the path.
  std::vector<Tag> contextLines;
  if (host::structureOfLine(top) == context) {
    contextLines.push_back(top);
  } else {
    std::vector<Tag> pending = host::allChildLines(top);
    while (!pending.empty()) {
      const Tag line = pending.back();
      pending.pop_back();
      if (host::structureOfLine(line) == context) {
        contextLines.push_back(line);
        continue;  // A structure never contains itself.
      }
      for (Tag child : host::allChildLines(line)) {
        pending.push_back(child);
      }
    }
  }
  const std::vector<Tag> path = host::referencesOf(absOcc, "occurrence_path");
  std::vector<Tag> found;
  for (Tag line : contextLines) {
    for (Tag occurrence : path) {
      line = host::childLineOf(line, occurrence);
      if (line == NULLTAG) {
        break;
      }
    }
    if (line != NULLTAG) {
      found.push_back(line);
    }
  }
  if (!found.empty()) {
    std::sort(found.begin(), found.end());
    *lines = host::allocateTags(found);
    *count = static_cast<int>(found.size());
  }
  return 0;
}
