// Request text of any shape to every operation of both StructureManagement services (2007-01 and
// 2007-06), through the registered skeletons' invokeMethod, on a freshly seeded store for every
// input (so nothing one input changed reaches the next). After each request:
// - every host allocation the request received has been released (no leak, no double or
//   foreign free);
// - a request that returned a reply (a response or a fault document) left the host's error
//   store empty, and the reply is a well-formed document;
// - a request whose exception escaped the handler is the dispatcher's to answer; the store is
//   cleared for the next request, as the dispatcher does.
// The text also goes through every StructureManagement wire record: what a record writes must
// read back into the same record. Any breach aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/sax_to_node_parser.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_06_records.h"

namespace {

using Korvane::Soa::Common::Xml::WireRecordType;
using Korvane::Soa::Internal::Server::IiopSkeleton;

// A small world the requests can name: a user with folders, an assembly item with a revision,
// two component items, a dataset and a deleted object.
const char* const kStore = R"(<fixture>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <object uid="u.1" class="User" type="User">
    <prop name="user_id" value="fuzz"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.new"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="contents"><v value="i.asm"/><v value="f.new"/></prop>
  </object>
  <object uid="f.new" class="Folder" type="Folder"><prop name="object_name" value="New"/></object>
  <object uid="i.asm" class="Item" type="Item">
    <prop name="object_name" value="Assembly"/>
    <prop name="item_id" value="000001"/>
  </object>
  <object uid="r.asm.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.asm"/>
  </object>
  <object uid="i.part" class="Item" type="Item">
    <prop name="object_name" value="Part"/>
    <prop name="item_id" value="000002"/>
  </object>
  <object uid="r.part.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.part"/>
  </object>
  <object uid="dt.1" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
  </object>
  <object uid="d.1" class="Dataset" type="CADModel">
    <prop name="object_name" value="Assembly model"/>
    <prop name="dataset_type" value="dt.1"/>
  </object>
  <object uid="gone" class="Folder" type="Folder"/>
  <relation uid="rel.1" type="ZOLT_specification" primary="r.asm.A" secondary="d.1"/>
  <session currentUser="u.1"/>
  <preferences>
    <preference name="SOACAD_checkout_required" scope="site"><v value="false"/></preference>
  </preferences>
</fixture>)";

[[noreturn]] void breach(const std::string& operation, const std::string& what,
                         const std::string& request) {
  std::cerr << "structuremanagement_fuzz: " << operation << ": " << what << "\nrequest:\n"
            << request << "\n";
  std::abort();
}

// The two registered skeletons, prepared as the host prepares them.
const std::vector<IiopSkeleton*>& structureManagement() {
  static const std::vector<IiopSkeleton*> skeletons = [] {
    std::vector<IiopSkeleton*> found;
    for (const char* name :
         {"Cad-2007-01-StructureManagement", "Cad-2007-06-StructureManagement"}) {
      auto* skeleton = dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find(name));
      if (skeleton == nullptr) {
        std::cerr << "structuremanagement_fuzz: " << name << " is not registered\n";
        std::abort();
      }
      skeleton->initialize();
      found.push_back(skeleton);
    }
    host::callLog().setEnabled(false);
    return found;
  }();
  return skeletons;
}

// Parsing must succeed or raise XmlParseError; what a record writes must read back the same.
void checkRecords(const std::string& request) {
  using Korvane::Soa::Common::Xml::XmlParseError;
  static Korvane::Soa::Common::Xml::SAXToNodeParser parser;
  const Korvane::Soa::Common::Xml::XMLNode* root = nullptr;
  try {
    root = &parser.parseString(request);
  } catch (const XmlParseError&) {
    return;
  }
  for (const std::vector<WireRecordType>* types :
       {&Korvane::Schemas::Cad::_2007_01::Structuremanagement::recordTypes(),
        &Korvane::Schemas::Cad::_2007_06::Structuremanagement::recordTypes()}) {
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

void seedStore() {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(kStore);
  // A deleted object: its UID names a tag that is no longer valid.
  store.remove(store.tagOfUid("gone"));
  host::errorStore().clear();
}

void checkRequest(IiopSkeleton& skeleton, const std::string& operation,
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<IiopSkeleton*>& skeletons = structureManagement();
  const std::string request(reinterpret_cast<const char*>(data), size);
  checkRecords(request);
  seedStore();
  for (IiopSkeleton* skeleton : skeletons) {
    for (const auto& entry : skeleton->operationTable()) {
      checkRequest(*skeleton, entry.first, request);
    }
  }
  return 0;
}
