// What hostile request text costs before it is refused: the parser front must refuse it in a
// time linear in its size, well under a second for the documents below.
//   attributes  one element with 100,000 namespace declarations and 100,000 prefixed attributes
//               (3.7 MB): refused by the attribute bound before the XML library's pairwise
//               check of the element's attributes (which took minutes). Target: < 10 ms.
//   elements    a flood of <a/> (16 MB): refused by the memory bound once the tree
//               reaches eight times the request's size. Target: < 1 s.
// bench/hostile_requests.py measures these and the other hostile requests through the release
// host program: peak memory per request byte and processor seconds.
#include <benchmark/benchmark.h>

#include <string>

#include "framework/sax_to_node_parser.h"

namespace {

using Korvane::Soa::Common::Xml::SAXToNodeParser;
using Korvane::Soa::Common::Xml::XmlParseError;

std::string attributeFlood() {
  std::string text = "<GetAvailableTypesInput";
  for (int i = 0; i < 100000; ++i) {
    text += " xmlns:p" + std::to_string(i) + "=\"u\"";
  }
  for (int i = 0; i < 100000; ++i) {
    text += " p" + std::to_string(i) + ":a=\"\"";
  }
  return text + "/>";
}

std::string elementFlood() {
  std::string text = "<GetAvailableTypesInput>";
  while (text.size() < 16u * 1024u * 1024u) {
    text += "<a/>";
  }
  return text + "</GetAvailableTypesInput>";
}

void refuse(benchmark::State& state, const std::string& text) {
  SAXToNodeParser parser;
  for (auto _ : state) {
    try {
      parser.parseString(text);
      state.SkipWithError("accepted");
      return;
    } catch (const XmlParseError&) {
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

void BM_RefuseAttributeFlood(benchmark::State& state) {
  static const std::string text = attributeFlood();
  refuse(state, text);
}
BENCHMARK(BM_RefuseAttributeFlood)->Unit(benchmark::kMillisecond);

void BM_RefuseElementFlood(benchmark::State& state) {
  static const std::string text = elementFlood();
  refuse(state, text);
}
BENCHMARK(BM_RefuseElementFlood)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
