// Request text of any shape to every operation of the DataManagement service, through the
// registered skeleton's invokeMethod, on a freshly seeded store for every input (so nothing one
// input changed reaches the next). After each request:
// - every host allocation the request received has been released (no leak, no double or
//   foreign free);
// - a request that returned a reply left the host's error store empty (everything on it went
//   into an error stack or was cleared), and the reply is a well-formed document;
// - a request whose exception escaped the handler is the dispatcher's to answer; the store is
//   cleared for the next request, as the dispatcher does.
// The text also goes through every DataManagement wire record: what a record writes must read
// back into the same record. Any breach aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

#include "framework/iiop_skeleton.h"
#include "framework/sax_to_node_parser.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/error_store.h"
#include "host/object/host_call.h"
#include "host/object/memory.h"
#include "host/object/store.h"
#include "skeletons/datamanagement/datamanagement_records.h"

namespace {

using Korvane::Soa::Internal::Server::IiopSkeleton;

// A small world the requests can name: a user with folders, items with revisions, master forms,
// datasets, relations, units of measure and alternate-id types.
const char* const kStore = R"(<fixture>
  <type name="ZOLT_master_form" class="ImanRelation"/>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <object uid="u.1" class="User" type="User">
    <prop name="user_id" value="fuzz"/>
    <prop name="home_folder" value="f.home"/>
    <prop name="newstuff_folder" value="f.new"/>
  </object>
  <object uid="f.home" class="Folder" type="Folder">
    <prop name="object_name" value="Home"/>
    <prop name="contents"><v value="i.1"/><v value="f.new"/><v value="d.1"/></prop>
  </object>
  <object uid="f.new" class="Folder" type="Folder"><prop name="object_name" value="New"/></object>
  <object uid="i.1" class="Item" type="Item">
    <prop name="object_name" value="Bracket"/>
    <prop name="item_id" value="000001"/>
  </object>
  <object uid="r.1.A" class="ItemRevision" type="ItemRevision">
    <prop name="item_revision_id" value="A"/>
    <prop name="items_tag" value="i.1"/>
  </object>
  <object uid="fm.1" class="Form" type="Form"/>
  <object uid="fm.1.A" class="Form" type="Form"/>
  <object uid="dt.1" class="DatasetType" type="DatasetType">
    <prop name="datasettype_name" value="CADModel"/>
  </object>
  <object uid="d.1" class="Dataset" type="CADModel">
    <prop name="object_name" value="Bracket model"/>
    <prop name="dataset_type" value="dt.1"/>
  </object>
  <object uid="gone" class="Folder" type="Folder"/>
  <relation uid="rel.1" type="ZOLT_master_form" primary="i.1" secondary="fm.1"/>
  <relation uid="rel.2" type="ZOLT_master_form" primary="r.1.A" secondary="fm.1.A"/>
  <relation uid="rel.3" type="ZOLT_specification" primary="r.1.A" secondary="d.1"/>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>
  <session currentUser="u.1"/>
  <preferences>
    <preference name="SOACAD_checkout_required" scope="site"><v value="false"/></preference>
  </preferences>
</fixture>)";

[[noreturn]] void breach(const std::string& operation, const std::string& what,
                         const std::string& request) {
  std::cerr << "datamanagement_fuzz: " << operation << ": " << what << "\nrequest:\n"
            << request << "\n";
  std::abort();
}

IiopSkeleton& dataManagement() {
  static IiopSkeleton* skeleton = [] {
    auto* found = dynamic_cast<IiopSkeleton*>(
        KvServiceManager::instance().find("Cad-2007-01-DataManagement"));
    if (found == nullptr) {
      std::cerr << "datamanagement_fuzz: the service is not registered\n";
      std::abort();
    }
    found->initialize();
    host::callLog().setEnabled(false);
    return found;
  }();
  return *skeleton;
}

// Parsing must succeed or raise XmlParseError; what a record writes must read back the same.
void checkRecords(const std::string& request) {
  using Korvane::Soa::Common::Xml::WireRecordType;
  using Korvane::Soa::Common::Xml::XmlParseError;
  static Korvane::Soa::Common::Xml::SAXToNodeParser parser;
  const Korvane::Soa::Common::Xml::XMLNode* root = nullptr;
  try {
    root = &parser.parseString(request);
  } catch (const XmlParseError&) {
    return;
  }
  for (const WireRecordType& type :
       Korvane::Schemas::Cad::_2007_01::Datamanagement::recordTypes()) {
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

void seedStore() {
  host::Store& store = host::Store::instance();
  store.reset();
  store.loadFixture(kStore);
  // A deleted object: its UID names a tag that is no longer valid.
  store.remove(store.tagOfUid("gone"));
  host::errorStore().clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IiopSkeleton& skeleton = dataManagement();
  const std::string request(reinterpret_cast<const char*>(data), size);
  checkRecords(request);
  seedStore();
  for (const auto& entry : skeleton.operationTable()) {
    const std::string& operation = entry.first;
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
  return 0;
}
