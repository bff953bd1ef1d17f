// Every code the library raises has a text in the host's message store, so that no reply tells
// a client only "Error <code>". The codes are found in the library's sources rather than listed
// here, so that a code added anywhere is held to the same rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
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
// String literals are kept whole, so that "//" inside one starts no comment.
std::string codeOf(const fs::path& file) {
  std::ifstream in(file);
  std::ostringstream read;
  read << in.rdbuf();
  const std::string text = read.str();
  std::string code;
  std::size_t at = 0;
  auto copyUpTo = [&](std::size_t end) {
    end = std::min(end, text.size());
    code.append(text, at, end - at);
    at = end;
  };
  while (at < text.size()) {
    if (text.compare(at, 2, "//") == 0) {
      at = std::min(text.find('\n', at), text.size());
    } else if (text.compare(at, 2, "/*") == 0) {
      const std::size_t end = text.find("*/", at + 2);
      at = end == std::string::npos ? text.size() : end + 2;
      code += ' ';
    } else if (text.compare(at, 2, "R\"") == 0) {
      const std::size_t open = text.find('(', at);
      const std::string close = ")" + text.substr(at + 2, open - at - 2) + "\"";
      const std::size_t end = text.find(close, open);
      copyUpTo(end == std::string::npos ? text.size() : end + close.size());
    } else if (text[at] == '"' || text[at] == '\'') {
      std::size_t end = at + 1;
      while (end < text.size() && text[end] != text[at]) {
        end += text[end] == '\\' ? 2 : 1;
      }
      copyUpTo(end + 1);
    } else {
      copyUpTo(at + 1);
    }
  }
  return code;
}

// The words of a source text without its comments: identifiers, numbers and single marks.
std::vector<std::string> wordsOf(const std::string& code) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < code.size();) {
    const auto isWord = [&](std::size_t i) {
      return std::isalnum(static_cast<unsigned char>(code[i])) != 0 || code[i] == '_';
    };
    if (std::isspace(static_cast<unsigned char>(code[at])) != 0) {
      ++at;
    } else if (isWord(at)) {
      const std::size_t start = at;
      while (at < code.size() && isWord(at)) {
        ++at;
      }
      words.push_back(code.substr(start, at - start));
    } else {
      words.push_back(code.substr(at++, 1));
    }
  }
  return words;
}

std::vector<std::vector<std::string>> sourcesIn(const fs::path& folder) {
  std::vector<std::vector<std::string>> sources;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && (extension == ".cpp" || extension == ".h")) {
      sources.push_back(wordsOf(codeOf(entry.path())));
    }
  }
  return sources;
}

bool isNumber(const std::string& word) {
  return std::all_of(word.begin(), word.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// A name that holds a code: a constant of the library (kTypeNotFound) or a host code
// (POM_invalid_tag).
bool isCodeName(const std::string& word) {
  return (word.size() > 1 && word[0] == 'k' && std::isupper(static_cast<unsigned char>(word[1]))) ||
         (std::isupper(static_cast<unsigned char>(word[0])) && word.find('_') != std::string::npos);
}

// Every code name with every value it is given somewhere ("kTypeNotFound = 215022").
std::map<std::string, std::set<long>> namedCodes(
    const std::vector<std::vector<std::string>>& sources) {
  std::map<std::string, std::set<long>> names;
  for (const std::vector<std::string>& words : sources) {
    for (std::size_t i = 0; i + 2 < words.size(); ++i) {
      if (isCodeName(words[i]) && words[i + 1] == "=" && isNumber(words[i + 2])) {
        names[words[i]].insert(std::stol(words[i + 2]));
      }
    }
  }
  return names;
}

// The codes the library raises: every number in its own ranges (215000 to 215150, 710043 and
// 710044), and every code, written out or named, that it stores on the error store, raises, or
// assigns to a status.
std::set<long> raisedCodes() {
  std::vector<std::vector<std::string>> library;
  for (const char* folder : kLibraryFolders) {
    const auto sources = sourcesIn(fs::path(SOACAD_SOURCE_DIR) / folder);
    library.insert(library.end(), sources.begin(), sources.end());
  }
  auto everything = library;
  const auto host = sourcesIn(fs::path(SOACAD_SOURCE_DIR) / "host" / "object");
  everything.insert(everything.end(), host.begin(), host.end());
  const std::map<std::string, std::set<long>> names = namedCodes(everything);

  const std::set<std::string> raisers = {"raiseError", "storeError", "raiseErrorWithTexts",
                                         "storeErrorWithTexts", "IFail"};
  std::set<long> codes;
  const auto take = [&](const std::string& word) {
    if (isNumber(word)) {
      codes.insert(std::stol(word));
    } else if (const auto found = names.find(word); found != names.end()) {
      codes.insert(found->second.begin(), found->second.end());
    }
  };
  for (const std::vector<std::string>& words : library) {
    for (std::size_t i = 0; i < words.size(); ++i) {
      const std::string& word = words[i];
      if (isNumber(word)) {
        const long number = std::stol(word);
        if ((number >= 215000 && number <= 215150) || number == 710043 || number == 710044) {
          codes.insert(number);
        }
      }
      if (i + 2 >= words.size()) {
        continue;
      }
      if (raisers.count(word) != 0 && words[i + 1] == "(") {
        take(words[i + 2]);
      } else if (word == "ERROR_store" && words[i + 1] == "(") {
        std::size_t comma = i + 2;
        while (comma + 1 < words.size() && words[comma] != "," && words[comma] != ")") {
          ++comma;
        }
        if (words[comma] == ",") {
          take(words[comma + 1]);
        }
      } else if (word == "status" && words[i + 1] == "=" && i + 3 < words.size() &&
                 words[i + 3] == ";") {
        take(words[i + 2]);
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
