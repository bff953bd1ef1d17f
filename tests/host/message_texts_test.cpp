// Every code the library raises has a text in the host's message store, so that no reply tells
// a client only "Error <code>". The codes are found in the library's sources rather than listed
// here, so that a code added anywhere is held to the same rule.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/object/store.h"
#include "tests/support/host_fixture.h"

namespace {

namespace fs = std::filesystem;

const char* const kLibraryFolders[] = {"datamanagement", "structuremanagement", "skeletons",
                                       "framework"};

// The text of a source file without its comments (a code a comment names is not raised).
std::string codeOf(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream text;
  text << in.rdbuf();
  static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
  return std::regex_replace(text.str(), comment, " ");
}

std::vector<std::string> sourcesIn(const fs::path& folder) {
  std::vector<std::string> texts;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && (extension == ".cpp" || extension == ".h")) {
      texts.push_back(codeOf(entry.path()));
    }
  }
  return texts;
}

// Named numbers: the library's constants (kName = 215022) and the host's codes
// (POM_invalid_tag = 7007), each name with every value it is given somewhere.
std::map<std::string, std::set<long>> namedNumbers(const std::vector<std::string>& texts) {
  static const std::regex definition(R"(\b(k[A-Z]\w*|[A-Z][A-Z0-9]*_\w+)\s*=\s*(\d+)\b)");
  std::map<std::string, std::set<long>> names;
  for (const std::string& text : texts) {
    for (std::sregex_iterator it(text.begin(), text.end(), definition), end; it != end; ++it) {
      names[(*it)[1]].insert(std::stol((*it)[2]));
    }
  }
  return names;
}

// The codes the library raises: every number in its own ranges, and every code, written out
// or named, that it stores on the error store, raises, or assigns to a status.
std::set<long> raisedCodes() {
  std::vector<std::string> library;
  for (const char* folder : kLibraryFolders) {
    const std::vector<std::string> texts = sourcesIn(fs::path(SOACAD_SOURCE_DIR) / folder);
    library.insert(library.end(), texts.begin(), texts.end());
  }
  std::vector<std::string> everything = library;
  const std::vector<std::string> host = sourcesIn(fs::path(SOACAD_SOURCE_DIR) / "host" / "object");
  everything.insert(everything.end(), host.begin(), host.end());
  const std::map<std::string, std::set<long>> names = namedNumbers(everything);

  static const std::regex ownRange(R"(\b(2150\d\d|2151[0-4]\d|215150|71004[34])\b)");
  static const std::regex raised(
      R"(\b(?:raiseError|storeError|raiseErrorWithTexts|storeErrorWithTexts|IFail)\s*\(\s*(\w+))"
      R"(|\bERROR_store\s*\(\s*[^,()]+,\s*(\w+))"
      R"(|\bstatus\s*=\s*(\w+)\s*;)");
  std::set<long> codes;
  for (const std::string& text : library) {
    for (std::sregex_iterator it(text.begin(), text.end(), ownRange), end; it != end; ++it) {
      codes.insert(std::stol((*it)[1]));
    }
    for (std::sregex_iterator it(text.begin(), text.end(), raised), end; it != end; ++it) {
      const std::string code = (*it)[1].matched ? (*it)[1] : (*it)[2].matched ? (*it)[2] : (*it)[3];
      if (std::isdigit(static_cast<unsigned char>(code[0]))) {
        codes.insert(std::stol(code));
      } else if (const auto found = names.find(code); found != names.end()) {
        codes.insert(found->second.begin(), found->second.end());
      }
    }
  }
  codes.erase(0);
  return codes;
}

class MessageTextsTest : public soacad_test::HostTest {};

TEST_F(MessageTextsTest, EveryCodeTheLibraryRaisesHasAText) {
  const std::set<long> codes = raisedCodes();
  // The scan finds the codes of every kind: own ones of both services, a host code the
  // library raises itself, and one given by name only.
  for (long code : {215022L, 215055L, 215131L, 215000L, 710044L, 26003L, 7007L}) {
    EXPECT_EQ(codes.count(code), 1u) << code;
  }
  std::vector<long> without;
  for (long code : codes) {
    if (store().messageTemplate(static_cast<int>(code)) == nullptr) {
      without.push_back(code);
    }
  }
  EXPECT_EQ(without, std::vector<long>{});
}

}  // namespace
