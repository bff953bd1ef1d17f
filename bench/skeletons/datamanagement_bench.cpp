// Throughput of the DataManagement request road for requests of more than 1 MB to operations
// whose own work is light next to their text, in bytes of request (or response) per second:
//   bare_parse      (a) the XML library's SAX2 parser over the request with an empty handler;
//   parse_record    (b) SAXToNodeParser::parseString plus the input record's parse;
//   handler         (c) the whole handler through the registered skeleton's invokeMethod;
//   write_response  (d) the response record's outputXML into an XmlStream (bytes of response).
// At the end the ratios (b)/(a) and (c)/(a) are printed per request. Targets: (c) at least half
// of (a); (d) at least 500 MB/s.
#include <benchmark/benchmark.h>

#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/iiop_skeleton.h"
#include "framework/monitor.h"
#include "framework/sax_to_node_parser.h"
#include "framework/xml_stream.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/host_call.h"
#include "host/object/store.h"
#include "skeletons/datamanagement/datamanagement_records.h"

namespace {

namespace Wire = Korvane::Schemas::Cad::_2007_01::Datamanagement;
using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XmlStream;
using Korvane::Soa::Internal::Server::IiopSkeleton;

constexpr std::size_t kRequestBytes = 1200 * 1024;

const char* const kStore = R"(<fixture>
  <class name="Document" parent="Item"/>
  <type name="Part" class="Item" parent="Item"/>
  <type name="Document" class="Document" parent="Item"/>
  <type name="CADModel" class="Dataset" parent="Dataset"/>
  <type name="Text" class="Dataset" parent="Dataset"/>
  <type name="CADAltId" class="Identifier" parent="Identifier"/>
  <object uid="i.1" class="Item" type="Part"><prop name="item_id" value="000001"/></object>
  <object uid="uom.mm" class="UnitOfMeasure"><prop name="symbol" value="mm"/></object>
  <object uid="uom.kg" class="UnitOfMeasure"><prop name="symbol" value="kg"/></object>
</fixture>)";

IiopSkeleton& dataManagement() {
  static IiopSkeleton* skeleton = [] {
    host::Store::instance().reset();
    host::Store::instance().loadFixture(kStore);
    host::callLog().setEnabled(false);
    auto* found = dynamic_cast<IiopSkeleton*>(
        KvServiceManager::instance().find("Cad-2007-01-DataManagement"));
    if (found == nullptr) {
      std::fprintf(stderr, "the DataManagement service is not registered\n");
      std::exit(1);
    }
    found->initialize();
    return found;
  }();
  return *skeleton;
}

// getAvailableTypes for class names cycling through a few classes: per name one type lookup.
std::string availableTypesRequest() {
  const char* const classes[] = {"Item", "Dataset", "Form", "UnitOfMeasure", "Folder"};
  std::string text = "<GetAvailableTypesInput>";
  for (std::size_t i = 0; text.size() < kRequestBytes; ++i) {
    text += "<classe>";
    text += classes[i % 5];
    text += "</classe>";
  }
  return text + "</GetAvailableTypesInput>";
}

// generateAlternateIds with many inputs of `count` ids each: per input one type lookup and
// `count` new ids.
std::string alternateIdsRequest(int count) {
  std::string text = "<GenerateAlternateIdsInput>";
  for (std::size_t i = 0; text.size() < kRequestBytes; ++i) {
    text += "<input altIdType=\"CADAltId\" count=\"" + std::to_string(count) + "\" pattern=\"GBX-" +
            std::to_string(i % 97) +
            "-######\"><idContext uid=\"i.1\"/><parentAltId uid=\"\"/></input>";
  }
  return text + "</GenerateAlternateIdsInput>";
}

struct Request {
  const char* operation;
  const char* label;
  std::string text;
};

constexpr int kRequests = 3;

const Request& request(int which) {
  static const Request requests[kRequests] = {
      {"getAvailableTypes", "getAvailableTypes, 5 classes repeated", availableTypesRequest()},
      {"generateAlternateIds", "generateAlternateIds, count 0", alternateIdsRequest(0)},
      {"generateAlternateIds", "generateAlternateIds, count 1", alternateIdsRequest(1)}};
  return requests[which];
}

class EmptyHandler : public xercesc::DefaultHandler {};

void bareParse(benchmark::State& state) {
  const Request& subject = request(static_cast<int>(state.range(0)));
  xercesc::XMLPlatformUtils::Initialize();  // Counted: the parser front keeps its own.
  {
    std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
    EmptyHandler handler;
    reader->setContentHandler(&handler);
    reader->setErrorHandler(&handler);
    for (auto _ : state) {
      xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(subject.text.data()),
                                        subject.text.size(), "request");
      reader->parse(source);
    }
  }
  xercesc::XMLPlatformUtils::Terminate();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * subject.text.size()));
  state.SetLabel(subject.label);
}

template <class Input>
void parseRecord(benchmark::State& state) {
  const Request& subject = request(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SAXToNodeParser parser;
    Input input;
    input.parse(parser.parseString(subject.text));
    benchmark::DoNotOptimize(input);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * subject.text.size()));
  state.SetLabel(subject.label);
}

void handler(benchmark::State& state) {
  const Request& subject = request(static_cast<int>(state.range(0)));
  IiopSkeleton& skeleton = dataManagement();
  std::size_t replyBytes = 0;
  for (auto _ : state) {
    const std::string reply = skeleton.invokeMethod(subject.operation, subject.text);
    replyBytes = reply.size();
    // The monitor keeps its newest marks only; clearing keeps its bookkeeping out of the loop.
    Korvane::Soa::Internal::Common::Monitor::clear();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * subject.text.size()));
  state.counters["reply_bytes"] = static_cast<double>(replyBytes);
  state.SetLabel(subject.label);
}

template <class Response>
void writeResponse(benchmark::State& state) {
  const Request& subject = request(static_cast<int>(state.range(0)));
  const std::string reply = dataManagement().invokeMethod(subject.operation, subject.text);
  SAXToNodeParser parser;
  const Korvane::Soa::Common::Xml::XMLNode& node = parser.parseString(reply);
  const std::string root = node.name();
  Response response;
  response.parse(node);
  std::size_t written = 0;
  for (auto _ : state) {
    XmlStream stream;
    response.outputXML(stream, root);
    written = static_cast<std::size_t>(stream.tellp());
    benchmark::DoNotOptimize(written);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * written));
  state.SetLabel(subject.label);
}

BENCHMARK(bareParse)
    ->Name("bare_parse")
    ->DenseRange(0, kRequests - 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(parseRecord, Wire::GetAvailableTypesInput)
    ->Name("parse_record")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(parseRecord, Wire::GenerateAlternateIdsInput)
    ->Name("parse_record")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(handler)->Name("handler")->DenseRange(0, kRequests - 1)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(writeResponse, Wire::GetAvailableTypesResponse)
    ->Name("write_response")
    ->Arg(0)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(writeResponse, Wire::GenerateAlternateIdsResponse)
    ->Name("write_response")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

// The console report, then the ratios against the bare parse of the same request.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) {
        continue;
      }
      const auto found = run.counters.find("bytes_per_second");
      if (found != run.counters.end()) {
        rates_[run.benchmark_name()] = found->second.value;
      }
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    for (int which = 0; which < kRequests; ++which) {
      const std::string arg = "/" + std::to_string(which);
      const double bare = rate("bare_parse" + arg);
      if (bare <= 0) {
        continue;
      }
      std::printf("%s: (b)/(a) = %.2f, (c)/(a) = %.2f, (d) = %.0f MB/s\n", request(which).label,
                  rate("parse_record" + arg) / bare, rate("handler" + arg) / bare,
                  rate("write_response" + arg) / 1e6);
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
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
