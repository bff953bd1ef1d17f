#include "host/object/arr.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/object/absocc.h"
#include "host/object/bom.h"
#include "host/object/host_call.h"
#include "host/object/ifail.h"
#include "host/object/memory.h"
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

// The arrangements by each anchor their used-arrangement entries have named, so that deleting an
// arrangement finds the entries that use it without reading every arrangement. Unlike a path,
// an arrangement's entries change after it is made: ARR__set_used_arrangement files each one it
// writes. A superset (an entry replaced or removed stays filed): a caller checks the
// arrangement's own list.
class AnchorUsers {
 public:
  // The live arrangements filed under `anchor`, in tag order.
  std::vector<Tag> usersOf(Tag anchor) {
    refresh();
    std::vector<Tag> users;
    auto found = byAnchor_.find(anchor);
    if (found != byAnchor_.end()) {
      for (Tag arrangement : found->second) {
        if (Store::instance().find(arrangement) != nullptr) {
          users.push_back(arrangement);
        }
      }
    }
    return users;
  }

  void file(Tag anchor, Tag arrangement) { byAnchor_[anchor].insert(arrangement); }

  void refresh() {
    host::refreshIndex(
        version_, {kArrangement}, [this] { byAnchor_.clear(); },
        [this](Tag object) {
          if (Store::instance().isInstanceOf(object, kArrangement)) {
            for (Tag anchor : host::referencesOf(object, "used_anchors")) {
              file(anchor, object);
            }
          }
        });
  }

 private:
  std::unordered_map<Tag, std::set<Tag>> byAnchor_;
  std::uint64_t version_ = 0;
};

AnchorUsers& anchorUsers() {
  static AnchorUsers index;
  return index;
}

const host::LoadHook kFollowPathNodes([] {
  pathNodesByPath().refresh();
  pathNodesByElement().refresh();
  arrangementsByBvr().refresh();
  anchorUsers().refresh();
});

// Takes out of the arrangement's used-arrangement entries (a path node, an anchor and an
// occurrence at one position of three parallel lists) those for which `drop(node, anchor)`
// holds. Host bookkeeping of a deletion: written at once, like the arrangement's other changes.
template <class Drop>
void removeUsedEntries(Tag arrangement, Drop&& drop) {
  const std::vector<Tag> nodes = host::referencesOf(arrangement, "used_path_nodes");
  std::vector<Tag> anchors = host::referencesOf(arrangement, "used_anchors");
  std::vector<Tag> occurrences = host::referencesOf(arrangement, "used_occurrences");
  anchors.resize(nodes.size());
  occurrences.resize(nodes.size());
  std::vector<Tag> keptNodes;
  std::vector<Tag> keptAnchors;
  std::vector<Tag> keptOccurrences;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (!drop(nodes[i], anchors[i])) {
      keptNodes.push_back(nodes[i]);
      keptAnchors.push_back(anchors[i]);
      keptOccurrences.push_back(occurrences[i]);
    }
  }
  if (keptNodes.size() == nodes.size()) {
    return;
  }
  host::writeReferences(arrangement, "used_path_nodes", keptNodes, WriteMode::initial);
  host::writeReferences(arrangement, "used_anchors", keptAnchors, WriteMode::initial);
  host::writeReferences(arrangement, "used_occurrences", keptOccurrences, WriteMode::initial);
}

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

int requirePathNodesDeletable(Tag occurrence) {
  for (Tag node : pathNodesByElement().find(occurrence)) {
    if (const int status = requireModifiable(node)) {
      return status;
    }
  }
  return 0;
}

void forgetPathNodesOf(Tag occurrence) {
  Store& store = Store::instance();
  for (Tag node : pathNodesByElement().find(occurrence)) {
    for (Tag arrangement : arrangementsByBvr().find({referenceOf(node, "context_bvr")})) {
      removeUsedEntries(arrangement, [node](Tag usedNode, Tag) { return usedNode == node; });
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
  anchorUsers().file(anchor, arrangement);
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
  // Everything the deletion removes may be removed, or nothing is: the arrangement, its anchor
  // and qualifier here, the qualifier's data and attachments in destroyAllForQual, which
  // checks them all before it removes any.
  const Tag qualifier = host::findQualifier(bvr, arrangement);
  const Tag anchor = host::referenceOf(arrangement, "anchor");
  for (Tag object : {arrangement, anchor, qualifier}) {
    if (const int status = host::requireModifiable(object)) {
      return status;
    }
  }
  Store& store = Store::instance();
  if (qualifier != NULLTAG) {
    if (const int status = AbsOccData::destroyAllForQual(qualifier)) {
      return status;
    }
    store.remove(qualifier);
  }
  if (host::referenceOf(bvr, "default_arrangement") == arrangement) {
    host::writeReference(bvr, "default_arrangement", NULLTAG, WriteMode::initial);
  }
  host::forgetActiveArrangement(arrangement);
  if (store.isLive(anchor)) {
    // Arrangements that use this one lose those entries, as they do when the subassembly's
    // occurrence is deleted, so that no arrangement names the deleted anchor.
    for (Tag user : anchorUsers().usersOf(anchor)) {
      removeUsedEntries(user, [anchor](Tag, Tag usedAnchor) { return usedAnchor == anchor; });
    }
    store.remove(anchor);
  }
  return store.remove(arrangement);
}

int ARR__ask_arrangements_using_arrangement(Tag arrangement, int* count, Tag** arrangements) {
  if (count == nullptr || arrangements == nullptr) {
    return missingArgument("ARR__ask_arrangements_using_arrangement");
  }
  *count = 0;
  *arrangements = nullptr;
  HOST_CALL("ARR__ask_arrangements_using_arrangement", arrangement);
  if (const int status = host::requireObject(arrangement, kArrangement)) {
    return status;
  }
  // The users that ARR_delete_arrangement_from_bvr would change.
  const Tag anchor = host::referenceOf(arrangement, "anchor");
  std::vector<Tag> found;
  if (Store::instance().isLive(anchor)) {
    for (Tag user : anchorUsers().usersOf(anchor)) {
      const std::vector<Tag> anchors = host::referencesOf(user, "used_anchors");
      if (user != arrangement &&
          std::find(anchors.begin(), anchors.end(), anchor) != anchors.end()) {
        found.push_back(user);
      }
    }
  }
  return host::handOutTags(found, count, arrangements);
}

int ARR__ask_arrangements_using_occurrence(Tag occurrence, int* count, Tag** arrangements) {
  if (count == nullptr || arrangements == nullptr) {
    return missingArgument("ARR__ask_arrangements_using_occurrence");
  }
  *count = 0;
  *arrangements = nullptr;
  HOST_CALL("ARR__ask_arrangements_using_occurrence", occurrence);
  if (const int status = host::requireObject(occurrence, "PSOccurrence")) {
    return status;
  }
  // The arrangements that forgetPathNodesOf would change.
  std::set<Tag> users;
  for (Tag node : pathNodesByElement().find(occurrence)) {
    for (Tag arrangement : arrangementsByBvr().find({host::referenceOf(node, "context_bvr")})) {
      const std::vector<Tag> nodes = host::referencesOf(arrangement, "used_path_nodes");
      if (std::find(nodes.begin(), nodes.end(), node) != nodes.end()) {
        users.insert(arrangement);
      }
    }
  }
  const std::vector<Tag> found(users.begin(), users.end());
  return host::handOutTags(found, count, arrangements);
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
