// The request road against the XML library underneath it, measured side by side in one process
// on the same bytes.
//
// Reading (generateAlternateIds with many inputs, count 0 and count 1, 1.2 MB and 7.9 MB of
// request), in bytes of request per second:
//   sax      the XML library's SAX2 scan with a handler that does nothing (the floor);
//   tree     SAXToNodeParser::parseString;
//   record   parseString plus the input record's parse;
//   handler  the whole handler through the registered skeleton's invokeMethod;
//   pugixml  pugixml's parse of the same bytes (for comparison only).
// Writing (the reply of generateAlternateIds count 1, expandPSAllLevels of 10,100 lines and
// expandFoldersForCAD of 10,000 items), in bytes of reply per second:
//   write    the response record's outputXML into an XmlStream, the text handed out;
//   save     pugixml's save of the same document (parsed from the reply) into a string.
//
// At the end the ratios are printed from the medians of the repetitions (5 by default; change
// with --benchmark_repetitions): tree, record, handler and pugixml against sax, and write against
// save. Targets: tree >= 0.85, record >= 0.8, handler >= 0.7 (count 0) and 0.6 (count 1),
// write >= 1.0.
#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/kv_str_x.h"
#include "framework/monitor.h"
#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/bom.h"
#include "host/object/host_call.h"
#include "host/object/store.h"
#include "host/soaserver/dispatcher.h"
#include "skeletons/datamanagement/datamanagement_records.h"
#include "skeletons/structuremanagement/structuremanagement_2007_01_records.h"

namespace {

namespace DataWire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
namespace StructureWire = Korvane::Schemas::Cad::_2007_01::Structuremanagement;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XMLNode;
using Korvane::Soa::Common::Xml::XmlStream;
using Korvane::Soa::Internal::Server::IiopSkeleton;

const char* const kDataManagement = "Cad-2007-01-DataManagement";
const char* const kStructureManagement = "Cad-2007-01-StructureManagement";

constexpr int kAssemblies = 100;         // Subassemblies under the top ...
constexpr int kLeavesPerAssembly = 100;  // ... each with this many leaves: 10,100 lines.
constexpr int kFolderItems = 10000;

// The store: alternate-id types and an item for the ids' context; an assembly of 10,100 lines;
// a folder of 10,000 items, each with one revision.
std::string storeFixture() {
  std::string text = R"(<fixture>
  <class name="Document" parent="Item"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <type name="ZOLT_specification" class="ImanRelation" parent="ImanRelation"/>
  <object uid="i.1" class="Item"><prop name="item_id" value="000001"/></object>
  <object uid="vt.view" class="PSViewType"><prop name="view_type_name" value="view"/></object>
  <object uid="rr.latest" class="RevisionRule"><prop name="object_name" value="Latest Working"/>
    <prop name="entries"><v value="rre.latest"/></prop></object>
  <object uid="rre.latest" class="RevisionRuleEntry"><prop name="entry_type" value="1"/></object>
)";
  // An item with one revision; `occurrences` non-empty makes it an assembly.
  const auto item = [&text](const std::string& id, const std::string& occurrences) {
    text += "<object uid=\"i." + id + "\" class=\"Item\"><prop name=\"item_id\" value=\"" + id +
            "\"/></object><object uid=\"r." + id +
            "\" class=\"ItemRevision\"><prop name=\"items_tag\" value=\"i." + id +
            "\"/><prop name=\"item_revision_id\" value=\"A\"/></object>\n";
    if (!occurrences.empty()) {
      text += "<object uid=\"bv." + id +
              "\" class=\"PSBOMView\"><prop name=\"bom_view_type\" value=\"vt.view\"/>"
              "<prop name=\"parent_item\" value=\"i." +
              id + "\"/></object><object uid=\"bvr." + id +
              "\" class=\"PSBOMViewRevision\"><prop name=\"bom_view\" value=\"bv." + id +
              "\"/><prop name=\"parent_revision\" value=\"r." + id +
              "\"/><prop name=\"occurrences\">" + occurrences + "</prop></object>\n";
    }
  };
  const auto occurrence = [&text](const std::string& id, const std::string& child) {
    text += "<object uid=\"occ." + id + "\" class=\"PSOccurrence\"><prop name=\"child_item\" " +
            "value=\"i." + child + "\"/></object>\n";
    return "<v value=\"occ." + id + "\"/>";
  };
  std::string top;
  for (int a = 0; a < kAssemblies; ++a) {
    const std::string assembly = "A" + std::to_string(a);
    std::string leaves;
    for (int l = 0; l < kLeavesPerAssembly; ++l) {
      const std::string leaf = assembly + "L" + std::to_string(l);
      item(leaf, "");
      leaves += occurrence(leaf, leaf);
    }
    item(assembly, leaves);
    top += occurrence(assembly, assembly);
  }
  item("TOP", top);
  std::string contents;
  for (int i = 0; i < kFolderItems; ++i) {
    const std::string id = "F" + std::to_string(i);
    item(id, "");
    contents += "<v value=\"i." + id + "\"/>";
  }
  text +=
      "<object uid=\"f.big\" class=\"Folder\"><prop name=\"object_name\" value=\"Big\"/>"
      "<prop name=\"contents\">" +
      contents + "</prop></object>\n</fixture>";
  return text;
}

IiopSkeleton& skeleton(const char* service) {
  static const bool prepared = [] {
    host::Store::instance().reset();
    host::Store::instance().loadFixture(storeFixture());
    host::callLog().setEnabled(false);
    for (const char* name : {kDataManagement, kStructureManagement}) {
      auto* found = dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find(name));
      if (found == nullptr) {
        std::fprintf(stderr, "%s is not registered\n", name);
        std::exit(1);
      }
      found->initialize();
    }
    return true;
  }();
  static_cast<void>(prepared);
  return *dynamic_cast<IiopSkeleton*>(KvServiceManager::instance().find(service));
}

std::string invoke(const char* service, const char* operation, const std::string& request) {
  std::string reply = skeleton(service).invokeMethod(operation, request);
  // The monitor keeps its newest marks only; clearing keeps its bookkeeping out of the loops.
  Korvane::Soa::Internal::Common::Monitor::clear();
  return reply;
}

// generateAlternateIds with inputs of `count` ids each, up to `bytes` of text: per input one
// type lookup and `count` new ids.
std::string alternateIdsRequest(int count, std::size_t bytes) {
  std::string text = "<GenerateAlternateIdsInput>";
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    text += "<input altIdType=\"CADAltId\" count=\"" + std::to_string(count) + "\" pattern=\"GBX-" +
            std::to_string(i % 97) +
            "-######\"><idContext uid=\"i.1\"/><parentAltId uid=\"\"/></input>";
  }
  return text + "</GenerateAlternateIdsInput>";
}

struct Request {
  const char* label;
  std::string text;
};

constexpr int kRequests = 4;

const Request& request(int which) {
  static const Request requests[kRequests] = {
      {"generateAlternateIds count 0, 1.2 MB", alternateIdsRequest(0, 1200 * 1024)},
      {"generateAlternateIds count 1, 1.2 MB", alternateIdsRequest(1, 1200 * 1024)},
      {"generateAlternateIds count 0, 7.9 MB", alternateIdsRequest(0, 7900 * 1024)},
      {"generateAlternateIds count 1, 7.9 MB", alternateIdsRequest(1, 7900 * 1024)}};
  return requests[which];
}

template <class Step>
void readingStep(benchmark::State& state, Step step) {
  const Request& subject = request(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    step(subject.text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * subject.text.size()));
  state.SetLabel(subject.label);
}

class EmptyHandler : public xercesc::DefaultHandler {};

// The reader is set up as the parser front sets up its own.
void sax(benchmark::State& state) {
  Korvane::Soa::Common::Xml::initializeXmlLibrary();
  std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpacePrefixes, false);
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
  reader->setFeature(xercesc::XMLUni::fgXercesLoadExternalDTD, false);
  EmptyHandler handler;
  reader->setContentHandler(&handler);
  reader->setErrorHandler(&handler);
  reader->setLexicalHandler(&handler);
  readingStep(state, [&reader](const std::string& text) {
    xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                      "request");
    source.setCopyBufToStream(false);
    reader->parse(source);
  });
}

void tree(benchmark::State& state) {
  readingStep(state, [](const std::string& text) {
    SAXToNodeParser parser;
    benchmark::DoNotOptimize(&parser.parseString(text));
  });
}

void record(benchmark::State& state) {
  readingStep(state, [](const std::string& text) {
    SAXToNodeParser parser;
    DataWire::GenerateAlternateIdsInput input;
    input.parse(parser.parseString(text));
    benchmark::DoNotOptimize(input);
  });
}

void handler(benchmark::State& state) {
  readingStep(state, [](const std::string& text) {
    benchmark::DoNotOptimize(invoke(kDataManagement, "generateAlternateIds", text));
  });
}

void pugixmlParse(benchmark::State& state) {
  readingStep(state, [](const std::string& text) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_buffer(text.data(), text.size()));
  });
}

// The UID of the top line of a window on the assembly, for expandPSAllLevels.
std::string topLineUid() {
  skeleton(kStructureManagement);
  host::Store& store = host::Store::instance();
  Tag window = NULLTAG;
  Tag top = NULLTAG;
  if (BOM_create_window(&window) != 0 ||
      BOM_set_window_config_rule(window, store.tagOfUid("rr.latest")) != 0 ||
      BOM_set_window_top_line(window, NULLTAG, store.tagOfUid("r.TOP"), NULLTAG, &top) != 0) {
    std::fprintf(stderr, "cannot open a window on the assembly\n");
    std::exit(1);
  }
  return store.uidOfTag(top);
}

struct Response {
  const char* label;
  std::string reply;
};

constexpr int kResponses = 3;

const Response& response(int which) {
  static const Response responses[kResponses] = {
      {"generateAlternateIds count 1, 1.2 MB request",
       invoke(kDataManagement, "generateAlternateIds", request(1).text)},
      {"expandPSAllLevels, 10,100 lines",
       invoke(kStructureManagement, "expandPSAllLevels",
              "<ExpandPSAllLevelsInput><input excludeFilter=\"None\"><parentBomLine uid=\"" +
                  topLineUid() +
                  "\"/></input><pref expItemRev=\"true\"/></ExpandPSAllLevelsInput>")},
      {"expandFoldersForCAD, 10,000 items",
       invoke(kDataManagement, "expandFoldersForCAD",
              "<ExpandFoldersForCADInput><folder uid=\"f.big\"/><pref expItemRev=\"true\" "
              "latestNRevs=\"1\"/></ExpandFoldersForCADInput>")}};
  return responses[which];
}

template <class Record>
void writeWith(benchmark::State& state, const Response& subject) {
  SAXToNodeParser parser;
  const XMLNode& node = parser.parseString(subject.reply);
  Record record;
  record.parse(node);
  std::size_t written = 0;
  for (auto _ : state) {
    XmlStream stream;
    record.outputXML(stream, node.name());
    const std::string reply = stream.takeText();
    written = reply.size();
    benchmark::DoNotOptimize(reply.data());
  }
  if (written != subject.reply.size()) {
    state.SkipWithError("the record does not write back the reply it was read from");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
  state.SetLabel(subject.label);
}

void write(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  switch (which) {
    case 0:
      writeWith<DataWire::GenerateAlternateIdsResponse>(state, response(which));
      break;
    case 1:
      writeWith<StructureWire::ExpandPSAllLevelsResponse>(state, response(which));
      break;
    default:
      writeWith<DataWire::ExpandFoldersForCADResponse>(state, response(which));
      break;
  }
}

struct StringWriter : pugi::xml_writer {
  std::string text;
  void write(const void* data, size_t size) override {
    text.append(static_cast<const char*>(data), size);
  }
};

void save(benchmark::State& state) {
  const Response& subject = response(static_cast<int>(state.range(0)));
  pugi::xml_document document;
  if (!document.load_buffer(subject.reply.data(), subject.reply.size())) {
    state.SkipWithError("pugixml cannot read the reply");
    return;
  }
  std::size_t written = 0;
  for (auto _ : state) {
    StringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
    written = writer.text.size();
    benchmark::DoNotOptimize(writer.text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
  state.SetLabel(subject.label);
}

void registerAll() {
  const std::pair<const char*, void (*)(benchmark::State&)> reading[] = {{"sax", sax},
                                                                         {"tree", tree},
                                                                         {"record", record},
                                                                         {"handler", handler},
                                                                         {"pugixml", pugixmlParse}};
  for (const auto& [name, function] : reading) {
    benchmark::RegisterBenchmark(name, function)
        ->DenseRange(0, kRequests - 1)
        ->Unit(benchmark::kMillisecond);
  }
  for (const auto& [name, function] :
       {std::make_pair("write", write), std::make_pair("save", save)}) {
    benchmark::RegisterBenchmark(name, function)
        ->DenseRange(0, kResponses - 1)
        ->Unit(benchmark::kMillisecond);
  }
}

// The console report, then the ratios of the medians (or of the single runs when there are no
// repetitions).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) {
        continue;
      }
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      const auto found = run.counters.find("bytes_per_second");
      if ((median || single) && found != run.counters.end()) {
        rates_[run.run_name.str()] = found->second.value;
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf(
        "\nReading, against the bare SAX scan (targets: tree 0.85, record 0.80, "
        "handler 0.70 count 0 / 0.60 count 1):\n");
    for (int which = 0; which < kRequests; ++which) {
      const std::string arg = "/" + std::to_string(which);
      const double floor = rate("sax" + arg);
      if (floor > 0) {
        std::printf("  %-38s sax %7.1f MB/s  tree %.2f  record %.2f  handler %.2f  pugixml %.2f\n",
                    request(which).label, floor / 1e6, rate("tree" + arg) / floor,
                    rate("record" + arg) / floor, rate("handler" + arg) / floor,
                    rate("pugixml" + arg) / floor);
      }
    }
    std::printf("\nWriting, against pugixml's save of the same document (target 1.0):\n");
    for (int which = 0; which < kResponses; ++which) {
      const std::string arg = "/" + std::to_string(which);
      const double saved = rate("save" + arg);
      if (saved > 0) {
        std::printf("  %-46s write %7.1f MB/s  save %7.1f MB/s  ratio %.2f\n",
                    response(which).label, rate("write" + arg) / 1e6, saved / 1e6,
                    rate("write" + arg) / saved);
      }
    }
  }

 private:
  double rate(const std::string& name) const {
    const auto found = rates_.find(name);
    return found == rates_.end() ? 0 : found->second;
  }

  std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> arguments(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=5";
  arguments.insert(arguments.begin() + 1, repetitions.data());
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
    return 1;
  }
  registerAll();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
