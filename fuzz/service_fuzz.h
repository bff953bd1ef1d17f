// What the service fuzz targets check, shared by them: request text of any shape goes to every
// operation of registered skeletons through invokeMethod, each time on the seeded store
// (fuzz/seed_store.h). After each request:
// - every host allocation the request received has been released (no leak, no double or
//   foreign free);
// - the host's error store is empty (everything on it went into an error stack or was cleared),
//   no object is locked and no mark point is left;
// - a fault (a fault document, or an exception escaping the handler, which the dispatcher
//   answers with one) left every object as it was;
// - a response is a well-formed document; every object in createdObj and updatedObj exists,
//   none in deletedObj does, and every other object the response names exists.
// The text also goes through the wire records: what a record writes must read back into the
// same record. Any breach aborts with the target's name, the operation and the text.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/monitor.h"
#include "framework/sax_to_node_parser.h"
#include "framework/wire_support.h"
#include "fuzz/seed_store.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "host/soaserver/dispatcher.h"
#include "tests/support/reply_checks.h"

namespace service_fuzz {

using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Internal::Server::IiopSkeleton;

// The fuzz target's name, for the reports.
extern const char* const kTarget;

[[noreturn]] inline void breach(const std::string& operation, const std::string& what,
                                const std::string& text) {
  std::cerr << kTarget << ": " << operation << ": " << what << "\ntext:\n" << text << "\n";
  std::abort();
}

// The registered skeletons of `names`, prepared as the host prepares them; the call log is off
// (millions of calls).
inline std::vector<IiopSkeleton*> registeredSkeletons(std::initializer_list<const char*> names) {
  std::vector<IiopSkeleton*> found;
  for (const char* name : names) {
    auto* skeleton = dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find(name));
    if (skeleton == nullptr) {
      breach(name, "the service is not registered", std::string());
    }
    skeleton->initialize();
    found.push_back(skeleton);
  }
  host::callLog().setEnabled(false);
  return found;
}

// Parsing must succeed or raise XmlParseError; what a record writes must read back the same.
inline void checkRecords(const std::string& request,
                         std::initializer_list<const std::vector<WireRecordType>*> typeLists) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  Korvane::Soa::Common::Xml::SAXToNodeParser parser;
  const Korvane::Soa::Common::Xml::XMLNode* root = nullptr;
  try {
    root = &parser.parseString(request);
  } catch (const XmlParseError&) {
    return;
  }
  for (const std::vector<WireRecordType>* types : typeLists) {
    for (const WireRecordType& type : *types) {
      std::string written;
      try {
        written = type.reparse(*root, type.name);
      } catch (const XmlParseError&) {
        continue;  // A value that does not fit its field.
      }
      Korvane::Soa::Common::Xml::SAXToNodeParser again;
      if (type.reparse(again.parseString(written), type.name) != written) {
        breach(type.name, "the record does not read back what it wrote", written);
      }
    }
  }
}

// The seeded store's snapshot, taken on first use.
inline const host::Store::Snapshot& seed() {
  static const host::Store::Snapshot snapshot = [] {
    seedSession();
    return host::Store::instance().snapshot();
  }();
  return snapshot;
}

// Why the store breaks an invariant that holds between requests; empty when it does not.
// `marks` is the number of mark points the harness itself holds.
inline std::string storeBreach(std::size_t marks) {
  host::Store& store = host::Store::instance();
  if (!host::errorStore().empty()) {
    std::string codes;
    for (const host::ErrorEntry& entry : host::errorStore().entries()) {
      codes += " " + std::to_string(entry.code) + " " + entry.message + ";";
    }
    return "entries left on the error store:" + codes;
  }
  if (store.markPointCount() != marks) {
    return "a mark point left";
  }
  const Tag locked = store.firstLockedObject();
  if (locked != NULLTAG) {
    return "the object " + store.uidOfTag(locked) + " left locked";
  }
  return std::string();
}

// The request's reply; an escaped exception, which the dispatcher answers with a fault
// document, gives an empty text.
inline std::string invoke(IiopSkeleton& skeleton, const std::string& operation,
                          const std::string& request) {
  try {
    return skeleton.invokeMethod(operation, request);
  } catch (...) {
    host::errorStore().clear();  // As the dispatcher does.
    return std::string();
  }
}

// Checks a request on the seeded store. `dirty`: whether the store may differ from the seed;
// it is restored first then, and set again when the request changed what a mark point does
// not take back.
//
// The request runs under a mark point of the harness, so that undoing it costs what it changed
// rather than what the store holds; only a fault that changed objects (which may be no more than
// a window made and closed) is run again on a restored store, to compare every object with
// the seed.
inline void checkRequest(IiopSkeleton& skeleton, const std::string& operation,
                         const std::string& request, bool& dirty) {
  host::Store& store = host::Store::instance();
  if (dirty) {
    store.restore(seed());
  }
  host::Allocator& allocator = host::allocator();
  const std::size_t outstanding = allocator.outstanding();
  const host::AllocatorCounts before = allocator.counts();
  int mark = 0;
  store.placeMarkPoint(&mark);
  const std::string reply = invoke(skeleton, operation, request);
  const bool fault = reply.empty() || host::isFaultDocument(reply);
  if (allocator.outstanding() != outstanding) {
    breach(operation, "host allocations left outstanding", request);
  }
  if (allocator.counts().doubleFrees != before.doubleFrees ||
      allocator.counts().foreignFrees != before.foreignFrees) {
    breach(operation, "a double or foreign free", request);
  }
  const std::string left = storeBreach(1);
  if (!left.empty()) {
    breach(operation, left, request);
  }
  if (!fault) {
    const std::vector<std::string> wrong = reply_checks::responseBreaches(reply);
    if (!wrong.empty()) {
      breach(operation, wrong.front(), request + "\nreply:\n" + reply);
    }
  }
  bool changed = false;
  store.rollToMarkPoint(mark, &changed);
  dirty = changed || store.outgrew(seed());
  if (fault && changed) {
    store.restore(seed());
    invoke(skeleton, operation, request);
    const Tag object = store.firstChangedObject(seed());
    if (object != NULLTAG) {
      breach(operation, "a fault changed the object " + store.uidOfTag(object),
             request + "\nreply:\n" + reply);
    }
    dirty = true;
  }
}

// Every operation of every skeleton, each on the seeded store.
inline void checkEveryOperation(const std::vector<IiopSkeleton*>& skeletons,
                                const std::string& request) {
  static bool dirty = true;
  for (IiopSkeleton* skeleton : skeletons) {
    for (const auto& entry : skeleton->operationTable()) {
      checkRequest(*skeleton, entry.first, request, dirty);
    }
  }
  // Back to the seed before the input ends, logs of host modules and the timing monitor's
  // marks included: what the input allocated is then released within it, which is what
  // libFuzzer's leak detection expects (otherwise it scans the heap after every input).
  host::Store::instance().restore(seed());
  Korvane::Soa::Internal::Common::Monitor::clear();
  dirty = false;
}

}  // namespace service_fuzz
