// Whether a reply tells the truth about the host store, and whether a request left the host
// settled. Header-only and free of any test framework, so that unit tests and fuzz targets share
// it: each check lists its breaches as sentences, empty when there is none.
//
// Use: take `savedStore()` and `HostSnapshot::take()` before a request, then after it
// `requestBreaches(before, snapshot, reply)` (or the single checks below).
//
// What a reply promises:
// - a fault document: the request changed nothing; the saved store reads exactly as before;
// - a response: every object in createdObj and updatedObj exists, none in deletedObj does, and
//   every other object the reply names (outputs, dataObject, plainObj) exists.
// What every request leaves: no object locked, no mark point, no trace scope open, an empty
// error store, every host
// allocation it received released and nothing freed twice or freed that is not the host's; and
// a store that holds to its invariant (storeBreaches) wherever it did before the request.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_node.h"
#include "host/object/cfm.h"
#include "host/object/error_store.h"
#include "host/object/journal.h"
#include "host/object/memory.h"
#include "host/object/ps.h"
#include "host/object/store.h"
#include "host/object/structure_support.h"
#include "host/soaserver/dispatcher.h"

namespace reply_checks {

// The store as it would be saved (the fixture format), without its id counters: counters never
// go back, also when a mark point is rolled back, so that an id handed out is never handed out
// again. Everything else must read the same after a fault as before the request.
inline std::string savedStore() {
  std::istringstream saved(host::Store::instance().saveFixture());
  std::string kept;
  for (std::string line; std::getline(saved, line);) {
    if (line.find("<counter ") == std::string::npos) {
      kept += line;
      kept += '\n';
    }
  }
  return kept;
}

// Every reference of a live object that names no live object: in the value the session reads
// and in the saved value beneath an unsaved one, of every reference property, relation ends
// included. One sentence per reference; each object's references are read once.
inline std::vector<std::string> danglingReferences() {
  host::Store& store = host::Store::instance();
  std::vector<std::string> breaches;
  // Only reference values hold tags, so the states are read without their definitions, which
  // name a property only for a breach.
  const auto check = [&](const host::ObjectRecord& object, host::PropertyId id,
                         const host::TagList& tags, const char* which) {
    for (Tag named : tags) {
      if (named == NULLTAG || store.isLive(named)) {
        continue;
      }
      std::string property;
      for (const host::PropertyDefinition* definition : store.properties(object.classId)) {
        if (definition->id == id) {
          property = definition->name;
        }
      }
      const std::string uid = store.uidOfTag(named);
      breaches.push_back(store.uidOfTag(object.tag) + " " + property + which + " names " +
                         (uid.empty() ? "a tag never handed out" : uid) +
                         ", which is no live object");
    }
  };
  for (Tag classId : store.classIds()) {
    if (store.classRecord(classId)->parent != NULLTAG) {
      continue;
    }
    for (Tag tag : store.objectsOfClass(classId)) {
      const host::ObjectRecord& object = *store.find(tag);
      for (std::size_t i = 0; i < object.properties.size(); ++i) {
        const host::PropertyState& state = object.properties.stateAt(i);
        const host::PropertyId id = object.properties.idAt(i);
        check(object, id, state.saved.tags, state.hasWorking() ? " (saved)" : "");
        if (state.hasWorking()) {
          check(object, id, state.working().tags, " (unsaved)");
        }
      }
    }
  }
  return breaches;
}

// Every BOM view revision that contains itself as a window would show it that is configured by
// the default revision rule (a precise view revision: by its occurrences' own revisions), with
// the view type of each view type's windows and of windows on no view (whose structures are of
// the default view type). One sentence per view revision met again below itself. A walk of its
// own per view type, each view revision's occurrences read once: linear in the structures.
inline std::vector<std::string> structuresContainingThemselves() {
  host::Store& store = host::Store::instance();
  std::vector<std::string> breaches;
  const std::vector<Tag> bvrs = store.objectsOfClass(store.classId("PSBOMViewRevision"));
  if (bvrs.empty()) {
    return breaches;
  }
  const Tag rule = host::defaultRevisionRule();
  std::vector<Tag> viewTypes = store.objectsOfClass(store.classId("PSViewType"));
  viewTypes.push_back(NULLTAG);
  std::vector<Tag> reported;
  for (Tag viewType : viewTypes) {
    const auto below = [&](Tag bvr) {
      std::vector<Tag> structures;
      const bool precise = host::flagOf(bvr, "is_precise");
      for (Tag occurrence : host::occurrencesOf(bvr)) {
        if (!store.isInstanceOf(occurrence, "PSOccurrence")) {
          continue;
        }
        const Tag revision = host::referenceOf(occurrence, "child_revision");
        Tag item = host::referenceOf(occurrence, "child_item");
        if (store.isInstanceOf(item, "GDE")) {
          continue;
        }
        if (item == NULLTAG) {
          item = host::referenceOf(revision, "items_tag");
        }
        const Tag shown = precise && revision != NULLTAG
                              ? revision
                              : (item == NULLTAG ? NULLTAG : host::configuredRevision(rule, item));
        if (shown == NULLTAG) {
          continue;
        }
        const Tag view = host::referenceOf(occurrence, "child_bom_view");
        Tag structure = view != NULLTAG ? host::bomViewRevisionOfView(shown, view) : NULLTAG;
        if (structure == NULLTAG) {
          structure = host::bomViewRevisionFor(shown, viewType);
        }
        if (structure != NULLTAG) {
          structures.push_back(structure);
        }
      }
      return structures;
    };
    // Depth first with a stack of its own: 1 while a view revision is on the walk's path, 2 once
    // everything below it was walked.
    std::unordered_map<Tag, char> state;
    struct Frame {
      Tag bvr;
      std::vector<Tag> children;
      std::size_t next = 0;
    };
    for (Tag start : bvrs) {
      if (state[start] != 0) {
        continue;
      }
      std::vector<Frame> path{Frame{start, below(start)}};
      state[start] = 1;
      while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.children.size()) {
          state[frame.bvr] = 2;
          path.pop_back();
          continue;
        }
        const Tag child = frame.children[frame.next++];
        char& seen = state[child];
        if (seen == 1) {
          if (std::find(reported.begin(), reported.end(), child) == reported.end()) {
            reported.push_back(child);
            breaches.push_back(store.uidOfTag(child) + " contains itself");
          }
        } else if (seen == 0) {
          seen = 1;
          path.push_back(Frame{child, below(child)});
        }
      }
    }
  }
  return breaches;
}

// What holds of the store between requests: every reference names a live object or none, and no
// structure contains itself.
inline std::vector<std::string> storeBreaches() {
  std::vector<std::string> breaches = danglingReferences();
  for (std::string& breach : structuresContainingThemselves()) {
    breaches.push_back(std::move(breach));
  }
  return breaches;
}

// The allocator's counts before a request, to tell whether it released what it received, and
// the store's breaches then (a test may have put some there on purpose: a request is answerable
// only for those it adds).
struct HostSnapshot {
  std::size_t outstanding = 0;
  std::uint64_t doubleFrees = 0;
  std::uint64_t foreignFrees = 0;
  std::vector<std::string> storeBreaches;

  static HostSnapshot take() {
    const host::Allocator& allocator = host::allocator();
    return HostSnapshot{allocator.outstanding(), allocator.counts().doubleFrees,
                        allocator.counts().foreignFrees, reply_checks::storeBreaches()};
  }
};

// What every request must leave behind, whatever it answered (see the file comment).
inline std::vector<std::string> settledBreaches(const HostSnapshot& before) {
  std::vector<std::string> breaches;
  host::Store& store = host::Store::instance();
  const host::Allocator& allocator = host::allocator();
  if (allocator.outstanding() != before.outstanding) {
    breaches.push_back(
        "host allocations left outstanding: " + std::to_string(allocator.outstanding()) +
        " instead of " + std::to_string(before.outstanding));
  }
  if (allocator.counts().doubleFrees != before.doubleFrees) {
    breaches.push_back("a host block freed twice");
  }
  if (allocator.counts().foreignFrees != before.foreignFrees) {
    breaches.push_back("memory freed that the host never handed out");
  }
  if (!host::errorStore().empty()) {
    breaches.push_back("entries left on the error store (newest code " +
                       std::to_string(host::errorStore().entries().back().code) + ")");
  }
  if (host::journal().openScopes() != 0) {
    breaches.push_back("a trace scope left open");
  }
  if (store.markPointCount() != 0) {
    breaches.push_back(std::to_string(store.markPointCount()) + " mark point(s) left");
  }
  for (Tag object : store.objectsOfClass(store.classId("POM_object"))) {
    if (store.find(object)->locked) {
      breaches.push_back(store.uidOfTag(object) + " stays locked");
    }
  }
  return breaches;
}

// A response's objects against the store (see the file comment). A reply that is not a
// well-formed document is a breach; a fault document is not checked here. `parser` reads the
// reply (a caller checking many replies keeps one).
inline std::vector<std::string> responseBreaches(
    const std::string& reply, Korvane::Soa::Common::Xml::SAXToNodeParser& parser) {
  using Korvane::Soa::Common::Xml::XMLNode;
  std::vector<std::string> breaches;
  const XMLNode* root = nullptr;
  try {
    root = &parser.parseString(reply);
  } catch (const std::exception& error) {
    breaches.push_back(std::string("the reply does not parse: ") + error.what());
    return breaches;
  }
  host::Store& store = host::Store::instance();
  // A UID the store never knew gets a tag that names no object, so it is reported as missing.
  const auto exists = [&store](const std::string& uid) {
    return store.find(store.tagOfUid(uid)) != nullptr;
  };
  // Depth-first without recursion: the reply of a deep structure may nest deeply.
  std::vector<const XMLNode*> pending{root};
  while (!pending.empty()) {
    const XMLNode* node = pending.back();
    pending.pop_back();
    // An error stack's uid names the object that failed, which need not exist.
    if (node->name() == "partialError") {
      continue;
    }
    const std::string_view* given = node->attr("uid");
    const std::string uid = given == nullptr ? std::string() : std::string(*given);
    if (!uid.empty()) {
      if (node->name() == "deletedObj") {
        if (exists(uid)) {
          breaches.push_back("deletedObj " + uid + " still exists");
        }
      } else if (!exists(uid)) {
        breaches.push_back(node->name() + " " + uid + " does not exist");
      }
    }
    for (auto child = node->children().rbegin(); child != node->children().rend(); ++child) {
      pending.push_back(*child);
    }
  }
  return breaches;
}

inline std::vector<std::string> responseBreaches(const std::string& reply) {
  Korvane::Soa::Common::Xml::SAXToNodeParser parser;
  return responseBreaches(reply, parser);
}

// Everything one request must hold to: `savedBefore` is savedStore() and `before` the snapshot
// taken before it; `reply` what it answered (a response or a fault document).
inline std::vector<std::string> requestBreaches(const std::string& savedBefore,
                                                const HostSnapshot& before,
                                                const std::string& reply) {
  std::vector<std::string> breaches = settledBreaches(before);
  if (host::isFaultDocument(reply)) {
    if (savedStore() != savedBefore) {
      breaches.push_back("a fault reply, but the saved store changed");
    }
  } else {
    for (std::string& breach : responseBreaches(reply)) {
      breaches.push_back(std::move(breach));
    }
  }
  for (std::string& breach : storeBreaches()) {
    if (std::find(before.storeBreaches.begin(), before.storeBreaches.end(), breach) ==
        before.storeBreaches.end()) {
      breaches.push_back("the store breaks its invariant: " + std::move(breach));
    }
  }
  return breaches;
}

}  // namespace reply_checks
