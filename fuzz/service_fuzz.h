// What the service fuzz targets check, shared by them: request text of any shape goes to every
// operation of registered skeletons through invokeMethod, on a freshly seeded store for every
// input. After each request:
// - every host allocation the request received has been released (no leak, no double or
//   foreign free);
// - a request that returned a reply left the host's error store empty (everything on it went
//   into an error stack or was cleared), and the reply is a well-formed document;
// - a request whose exception escaped the handler is the dispatcher's to answer; the store is
//   cleared for the next request, as the dispatcher does.
// The text also goes through the wire records: what a record writes must read back into the
// same record. Any breach aborts with the target's name, the operation and the text.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/sax_to_node_parser.h"
#include "framework/wire_support.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/memory.h"
#include "host/object/store.h"

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

// A fresh store holding `fixture`, with the object "gone" deleted: its UID names a tag that is
// no longer valid.
inline void seedStore(const char* fixture) {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(fixture);
  store.remove(store.tagOfUid("gone"));
  host::errorStore().clear();
}

// Parsing must succeed or raise XmlParseError; what a record writes must read back the same.
inline void checkRecords(const std::string& request,
                         std::initializer_list<const std::vector<WireRecordType>*> typeLists) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  static Korvane::Soa::Common::Xml::SAXToNodeParser parser;
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

inline void checkRequest(IiopSkeleton& skeleton, const std::string& operation,
                         const std::string& request) {
  host::Allocator& allocator = host::allocator();
  const std::size_t outstanding = allocator.outstanding();
  const host::AllocatorCounts before = allocator.counts();
  bool replied = false;
  std::string reply;
  try {
    reply = skeleton.invokeMethod(operation, request);
    replied = true;
  } catch (...) {
    // The dispatcher turns it into a fault document and clears the store.
    host::errorStore().clear();
  }
  if (allocator.outstanding() != outstanding) {
    breach(operation, "host allocations left outstanding", request);
  }
  if (allocator.counts().doubleFrees != before.doubleFrees ||
      allocator.counts().foreignFrees != before.foreignFrees) {
    breach(operation, "a double or foreign free", request);
  }
  if (replied) {
    if (!host::errorStore().empty()) {
      breach(operation, "entries left on the error store", request);
    }
    try {
      Korvane::Soa::Common::Xml::SAXToNodeParser parser;
      parser.parseString(reply);
    } catch (const std::exception& error) {
      breach(operation, std::string("the reply does not parse: ") + error.what(), reply);
    }
  }
}

// Every operation of every skeleton, each on a fresh store.
inline void checkEveryOperation(const std::vector<IiopSkeleton*>& skeletons, const char* fixture,
                                const std::string& request) {
  for (IiopSkeleton* skeleton : skeletons) {
    for (const auto& entry : skeleton->operationTable()) {
      seedStore(fixture);
      checkRequest(*skeleton, entry.first, request);
    }
  }
}

}  // namespace service_fuzz
