// What the service fuzz targets check, shared by them: request text of any shape goes through
// invokeMethod to the operation whose input element is the document's root element (a document
// meant for no operation, or text that does not parse, goes to one operation picked from the
// text, which must refuse it), on the seeded store (fuzz/seed_store.h). One operation per input
// keeps an input's cost to what that operation does: every other operation would only refuse the
// root element. After each request:
// - every host allocation the request received has been released (no leak, no double or
//   foreign free);
// - the host's error store is empty (everything on it went into an error stack or was cleared),
//   no object is locked and no mark point is left;
// - a fault (a fault document, or an exception escaping the handler, which the dispatcher
//   answers with one) left every object as it was;
// - a response is a well-formed document; every object in createdObj and updatedObj exists,
//   none in deletedObj does, and every other object the response names exists;
// - the store holds to its invariant (reply_checks::storeBreaches): every reference names a live
//   object or none, and no structure contains itself. The seed holds to it, so a breach is the
//   request's; a fault changed nothing, so only a response is checked.
// The text also goes through the wire record of its root element: what the record writes must
// read back into the same record. Any breach aborts with the target's name, the operation and
// the text.
#pragma once

#include <cctype>
#include <cstdlib>
#include <functional>
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

// One operation of a registered skeleton and the root element its requests carry.
struct Operation {
  IiopSkeleton* skeleton;
  std::string name;
  std::string inputElement;  // "getAvailableTypes": "GetAvailableTypesInput".
};

// The operations of the registered skeletons of `names`, prepared as the host prepares them;
// the call log is off (millions of calls).
inline std::vector<Operation> registeredOperations(std::initializer_list<const char*> names) {
  std::vector<Operation> found;
  for (const char* name : names) {
    auto* skeleton = dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find(name));
    if (skeleton == nullptr) {
      breach(name, "the service is not registered", std::string());
    }
    skeleton->initialize();
    for (const auto& entry : skeleton->operationTable()) {
      std::string element = entry.first + "Input";
      element[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(element[0])));
      found.push_back(Operation{skeleton, entry.first, element});
    }
  }
  host::callLog().setEnabled(false);
  return found;
}

// A value picked from the text, for a choice among `count` that the root element does not make;
// `salt` keeps choices of one text apart.
inline std::size_t pick(const std::string& text, std::size_t count, std::size_t salt = 0) {
  return (std::hash<std::string>{}(text) >> (8 * salt)) % count;
}

// The harness's own parsers, made once: a parser's set-up costs more than parsing a short
// request. `which` tells them apart (the request, a record written, a reply).
inline Korvane::Soa::Common::Xml::SAXToNodeParser& harnessParser(int which) {
  static Korvane::Soa::Common::Xml::SAXToNodeParser parsers[3];
  return parsers[which];
}

// The name of the document's first element as the text shows it (declarations, comments and
// processing instructions before it skipped); empty when there is none. It only routes the
// text, so it need not agree with a parser on malformed text: the operation judges that.
inline std::string rootName(const std::string& text) {
  std::size_t at = 0;
  while ((at = text.find('<', at)) != std::string::npos) {
    ++at;
    if (at < text.size() && text[at] != '?' && text[at] != '!' && text[at] != '/') {
      const std::size_t end = text.find_first_of(" \t\r\n/>", at);
      return text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    }
  }
  return std::string();
}

// The operation whose input element is the root element; otherwise one picked from the text.
inline const Operation& route(const std::vector<Operation>& operations, const std::string& root,
                              const std::string& request) {
  for (const Operation& operation : operations) {
    if (operation.inputElement == root) {
      return operation;
    }
  }
  return operations[pick(request, operations.size())];
}

// What the record of the root element (a record picked from the text when no record is so
// named) writes must read back the same; a value that does not fit its field is refused with
// XmlParseError. Parsing the request again costs as much as the operation's own parse, so one
// input in four, picked from the text (a replay checks the same ones), is checked.
inline void checkRecords(const std::string& request, const std::string& root,
                         std::initializer_list<const std::vector<WireRecordType>*> typeLists) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  if (pick(request, 4, 1) != 0) {
    return;
  }
  const Korvane::Soa::Common::Xml::XMLNode* parsed = nullptr;
  try {
    parsed = &harnessParser(0).parseString(request);
  } catch (const XmlParseError&) {
    return;
  }
  std::vector<const WireRecordType*> all;
  const WireRecordType* chosen = nullptr;
  for (const std::vector<WireRecordType>* types : typeLists) {
    for (const WireRecordType& type : *types) {
      all.push_back(&type);
      if (root == type.name) {
        chosen = &type;
      }
    }
  }
  if (chosen == nullptr) {
    chosen = all[pick(request, all.size(), 2)];
  }
  std::string written;
  try {
    written = chosen->reparse(*parsed, chosen->name);
  } catch (const XmlParseError&) {
    return;
  }
  if (chosen->reparse(harnessParser(1).parseString(written), chosen->name) != written) {
    breach(chosen->name, "the record does not read back what it wrote", written);
  }
}

// The seeded store's snapshot, taken on first use.
inline const host::Store::Snapshot& seed() {
  static const host::Store::Snapshot snapshot = [] {
    seedSession();
    const std::vector<std::string> broken = reply_checks::storeBreaches();
    if (!broken.empty()) {
      breach("seed", "the seeded store breaks its invariant: " + broken.front(), std::string());
    }
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
// rather than what the store holds. The store is as seeded when the request starts, so a fault
// changed nothing exactly when every object the harness mark's journal names is as seeded.
inline void checkRequest(const Operation& operation, const std::string& request, bool& dirty) {
  host::Store& store = host::Store::instance();
  if (dirty) {
    store.restore(seed());
  }
  host::Allocator& allocator = host::allocator();
  const std::size_t outstanding = allocator.outstanding();
  const host::AllocatorCounts before = allocator.counts();
  int mark = 0;
  store.placeMarkPoint(&mark);
  const std::string reply = invoke(*operation.skeleton, operation.name, request);
  const bool fault = reply.empty() || host::isFaultDocument(reply);
  if (allocator.outstanding() != outstanding) {
    breach(operation.name, "host allocations left outstanding", request);
  }
  if (allocator.counts().doubleFrees != before.doubleFrees ||
      allocator.counts().foreignFrees != before.foreignFrees) {
    breach(operation.name, "a double or foreign free", request);
  }
  const std::string left = storeBreach(1);
  if (!left.empty()) {
    breach(operation.name, left, request);
  }
  if (fault) {
    const Tag object = store.firstChangedUnderNewestMark(seed());
    if (object != NULLTAG) {
      breach(operation.name, "a fault changed the object " + store.uidOfTag(object),
             request + "\nreply:\n" + reply);
    }
  } else {
    const std::vector<std::string> wrong = reply_checks::responseBreaches(reply, harnessParser(2));
    if (!wrong.empty()) {
      breach(operation.name, wrong.front(), request + "\nreply:\n" + reply);
    }
    const std::vector<std::string> broken = reply_checks::storeBreaches();
    if (!broken.empty()) {
      breach(operation.name, "the store breaks its invariant: " + broken.front(),
             request + "\nreply:\n" + reply);
    }
  }
  bool changed = false;
  store.rollToMarkPoint(mark, &changed);
  dirty = changed || store.outgrew(seed());
}

// One input: its operation on the seeded store, then the store back to the seed when the
// request left more than a rollback takes back. Every 64th input that left the store clean is
// also compared with the seed object by object: a change that escaped the journal would
// otherwise go unseen by the fault check and stay for every later input.
inline void checkInput(const Operation& operation, const std::string& request) {
  static bool dirty = true;
  static std::size_t inputs = 0;
  checkRequest(operation, request, dirty);
  host::Store& store = host::Store::instance();
  if (!dirty && ++inputs % 64 == 0) {
    const Tag object = store.firstChangedObject(seed());
    if (object != NULLTAG) {
      breach(operation.name,
             "the object " + store.uidOfTag(object) +
                 " changed without a record a rollback could undo",
             request);
    }
  }
  // Logs of host modules and the timing monitor's marks go with the input, so that what it
  // allocated is released within it (libFuzzer runs a leak check after an input that
  // allocated more than it released).
  if (dirty) {
    store.restore(seed());
    dirty = false;
  }
  Korvane::Soa::Internal::Common::Monitor::clear();
}

}  // namespace service_fuzz
