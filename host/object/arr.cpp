#include "host/object/arr.h"

#include <algorithm>
#include <string>
#include <vector>

#include "host/object/absocc.h"
#include "host/object/bom.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/ps.h"
#include "host/object/sizes.h"
#include "host/object/store.h"
#include "host/object/structure_support.h"

namespace {

using host::missingArgument;
using host::Store;
using host::tagText;
using host::WriteMode;

const host::BaseFixturePart kArrangementClasses("arr", R"(<fixture>
  <class name="AssemblyArrangement" parent="WorkspaceObject">
    <property name="external_uid" type="string"/>
    <property name="context_bvr" type="reference"/>
    <property name="anchor" type="reference"/>
    <property name="used_path_nodes" type="reference" array="true"/>
    <property name="used_anchors" type="reference" array="true"/>
    <property name="used_occurrences" type="reference" array="true"/>
  </class>
  <class name="ArrangementAnchor" parent="POM_object"/>
  <class name="MEAppearancePathNode" parent="POM_object">
    <property name="context_bvr" type="reference"/>
    <property name="occurrence_path" type="reference" array="true"/>
  </class>
  <type name="AssemblyArrangement" class="AssemblyArrangement"/>
  <type name="ArrangementAnchor" class="ArrangementAnchor"/>
  <type name="MEAppearancePathNode" class="MEAppearancePathNode"/>
  <message code="42001" text="The assembly arrangement %2$ is not an arrangement of %1$."/>
</fixture>)");

constexpr const char* kArrangement = "AssemblyArrangement";
constexpr const char* kBvr = "PSBOMViewRevision";

host::KeyedIndex& pathNodesByPath() {
  static host::KeyedIndex index("MEAppearancePathNode", [](Tag node) -> host::KeyedIndex::Key {
    const Tag bvr = host::referenceOf(node, "context_bvr");
    if (bvr == NULLTAG) {
      return {};
    }
    host::KeyedIndex::Key key{bvr};
    const std::vector<Tag> path = host::referencesOf(node, "occurrence_path");
    key.insert(key.end(), path.begin(), path.end());
    return key;
  });
  return index;
}

host::ElementIndex& pathNodesByElement() {
  static host::ElementIndex index("MEAppearancePathNode", "occurrence_path");
  return index;
}

host::KeyedIndex& arrangementsByBvr() {
  static host::KeyedIndex index(kArrangement, [](Tag arrangement) -> host::KeyedIndex::Key {
    const Tag bvr = host::referenceOf(arrangement, "context_bvr");
    return bvr == NULLTAG ? host::KeyedIndex::Key() : host::KeyedIndex::Key{bvr};
  });
  return index;
}

const host::LoadHook kFollowPathNodes([] {
  pathNodesByPath().refresh();
  pathNodesByElement().refresh();
  arrangementsByBvr().refresh();
});

int requireArrangementOf(Tag bvr, Tag arrangement) {
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  if (const int status = host::requireObject(arrangement, kArrangement)) {
    return status;
  }
  if (host::referenceOf(arrangement, "context_bvr") != bvr) {
    return host::storeError(ARR_not_of_bvr, {tagText(bvr), tagText(arrangement)});
  }
  return 0;
}

}  // namespace

namespace host {

void forgetPathNodesOf(Tag occurrence) {
  Store& store = Store::instance();
  for (Tag node : pathNodesByElement().find(occurrence)) {
    for (Tag arrangement : arrangementsByBvr().find({referenceOf(node, "context_bvr")})) {
      std::vector<Tag> nodes = referencesOf(arrangement, "used_path_nodes");
      std::vector<Tag> anchors = referencesOf(arrangement, "used_anchors");
      std::vector<Tag> occurrences = referencesOf(arrangement, "used_occurrences");
      anchors.resize(nodes.size());
      occurrences.resize(nodes.size());
      auto at = std::find(nodes.begin(), nodes.end(), node);
      if (at == nodes.end()) {
        continue;
      }
      const auto index = at - nodes.begin();
      nodes.erase(at);
      anchors.erase(anchors.begin() + index);
      occurrences.erase(occurrences.begin() + index);
      writeReferences(arrangement, "used_path_nodes", nodes, WriteMode::initial);
      writeReferences(arrangement, "used_anchors", anchors, WriteMode::initial);
      writeReferences(arrangement, "used_occurrences", occurrences, WriteMode::initial);
    }
    store.remove(node);
  }
}

}  // namespace host

int ARR_create_assembly_arrangement(Tag bvr, bool isDefault, const char* name,
                                    const char* description, const char* externalUid,
                                    Tag* arrangement) {
  if (arrangement == nullptr) {
    return missingArgument("ARR_create_assembly_arrangement");
  }
  *arrangement = NULLTAG;
  HOST_CALL("ARR_create_assembly_arrangement", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  Store& store = Store::instance();
  Tag anchor;
  Tag created;
  if (const int status = host::createObjectOfClass("ArrangementAnchor", &anchor)) {
    return status;
  }
  if (const int status = host::createObjectOfClass(kArrangement, &created)) {
    store.remove(anchor);
    return status;
  }
  const std::string given = name != nullptr ? name : "";
  host::writeText(created, "object_name", host::cutName(given, WSO_name_size_c),
                  WriteMode::initial);
  host::writeText(created, "object_desc", description != nullptr ? description : "",
                  WriteMode::initial);
  host::writeText(created, "external_uid", externalUid != nullptr ? externalUid : "",
                  WriteMode::initial);
  host::writeReference(created, "owning_user", store.currentUser(), WriteMode::initial);
  host::writeReference(created, "context_bvr", bvr, WriteMode::initial);
  host::writeReference(created, "anchor", anchor, WriteMode::initial);
  store.save(anchor);
  store.save(created);
  if (isDefault) {
    host::writeReference(bvr, "default_arrangement", created, WriteMode::initial);
  }
  *arrangement = created;
  return 0;
}

int ARR_ask_bvr_default_arrangement(Tag bvr, Tag* arrangement) {
  if (arrangement == nullptr) {
    return missingArgument("ARR_ask_bvr_default_arrangement");
  }
  *arrangement = NULLTAG;
  HOST_CALL("ARR_ask_bvr_default_arrangement", bvr);
  if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  const Tag found = host::referenceOf(bvr, "default_arrangement");
  *arrangement = Store::instance().find(found) != nullptr ? found : NULLTAG;
  return 0;
}

int ARR__set_default_arrangement(Tag bvr, Tag arrangement, bool save) {
  HOST_CALL("ARR__set_default_arrangement", bvr);
  if (arrangement != NULLTAG) {
    if (const int status = requireArrangementOf(bvr, arrangement)) {
      return status;
    }
  } else if (const int status = host::requireObject(bvr, kBvr)) {
    return status;
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  return host::writeReference(bvr, "default_arrangement", arrangement,
                              save ? WriteMode::initial : WriteMode::host);
}

int ARR__ask_arrangement_anchor(Tag arrangement, Tag* anchor) {
  if (anchor == nullptr) {
    return missingArgument("ARR__ask_arrangement_anchor");
  }
  *anchor = NULLTAG;
  HOST_CALL("ARR__ask_arrangement_anchor", arrangement);
  if (const int status = host::requireObject(arrangement, kArrangement)) {
    return status;
  }
  *anchor = host::referenceOf(arrangement, "anchor");
  return 0;
}

int ARR__set_used_arrangement(Tag bvr, Tag arrangement, Tag pathNode, Tag anchor, Tag occurrence) {
  HOST_CALL("ARR__set_used_arrangement", bvr);
  if (const int status = requireArrangementOf(bvr, arrangement)) {
    return status;
  }
  if (const int status = host::requireObject(pathNode, "MEAppearancePathNode")) {
    return status;
  }
  if (const int status = host::requireObject(anchor, "ArrangementAnchor")) {
    return status;
  }
  if (occurrence != NULLTAG) {
    if (const int status = host::requireObject(occurrence, "PSOccurrence")) {
      return status;
    }
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  std::vector<Tag> nodes = host::referencesOf(arrangement, "used_path_nodes");
  std::vector<Tag> anchors = host::referencesOf(arrangement, "used_anchors");
  std::vector<Tag> occurrences = host::referencesOf(arrangement, "used_occurrences");
  anchors.resize(nodes.size());
  occurrences.resize(nodes.size());
  std::size_t at = 0;
  while (at < nodes.size() && nodes[at] != pathNode) {
    ++at;
  }
  if (at == nodes.size()) {
    nodes.push_back(pathNode);
    anchors.emplace_back();
    occurrences.emplace_back();
  }
  anchors[at] = anchor;
  occurrences[at] = occurrence;
  host::writeReferences(arrangement, "used_path_nodes", nodes, WriteMode::initial);
  host::writeReferences(arrangement, "used_anchors", anchors, WriteMode::initial);
  return host::writeReferences(arrangement, "used_occurrences", occurrences, WriteMode::initial);
}

int ARR_delete_arrangement_from_bvr(Tag bvr, Tag arrangement) {
  HOST_CALL("ARR_delete_arrangement_from_bvr", bvr);
  if (const int status = requireArrangementOf(bvr, arrangement)) {
    return status;
  }
  if (const int status = host::requireStructureEditable(bvr)) {
    return status;
  }
  Store& store = Store::instance();
  const host::ObjectRecord* found = store.find(arrangement);
  if (!found->modifiable) {
    return host::storeError(POM_not_modifiable, {tagText(arrangement)});
  }
  const Tag qualifier = host::findQualifier(bvr, arrangement);
  if (qualifier != NULLTAG) {
    if (const int status = AbsOccData::destroyAllForQual(qualifier)) {
      return status;
    }
    store.remove(qualifier);
  }
  if (host::referenceOf(bvr, "default_arrangement") == arrangement) {
    host::writeReference(bvr, "default_arrangement", NULLTAG, WriteMode::initial);
  }
  const Tag anchor = host::referenceOf(arrangement, "anchor");
  if (store.find(anchor) != nullptr) {
    store.remove(anchor);
  }
  return store.remove(arrangement);
}

int ME_create_meapprpathnode_from_bomline(Tag line, Tag* pathNode) {
  if (pathNode == nullptr) {
    return missingArgument("ME_create_meapprpathnode_from_bomline");
  }
  *pathNode = NULLTAG;
  HOST_CALL("ME_create_meapprpathnode_from_bomline", line);
  if (const int status = host::requireObject(line, "BOMLine")) {
    return status;
  }
  const Tag top = host::topLineOf(host::windowOfLine(line));
  const Tag bvr = host::structureOfLine(top);
  std::vector<Tag> path;
  if (bvr == NULLTAG || !host::occurrencePathBelow(line, top, &path)) {
    return host::storeError(BOM_line_has_no_occurrence, {tagText(line)});
  }
  host::KeyedIndex::Key key{bvr};
  key.insert(key.end(), path.begin(), path.end());
  Tag node = pathNodesByPath().findFirst(key);
  if (node == NULLTAG) {
    if (const int status = host::createObjectOfClass("MEAppearancePathNode", &node)) {
      return status;
    }
    host::writeReference(node, "context_bvr", bvr, WriteMode::initial);
    host::writeReferences(node, "occurrence_path", path, WriteMode::initial);
    Store::instance().save(node);
  }
  *pathNode = node;
  return 0;
}
