#include "datamanagement/diagnostics.h"

#include <cstdio>
#include <ctime>
#include <memory>

namespace Korvane {
namespace Soa {
namespace Cad {
namespace Diagnostics {

namespace {

constexpr int kBannerWidth = 81;
const char* const kIndent = "   ";
// "HH:MM:SS\n" and its terminator fit with room to spare.
constexpr std::size_t kTimeTextSize = 31;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// One write per line, so that the lines of a dump stay whole when other output interleaves.
void writeLine(int level, const std::string& text) {
  std::string line;
  line.reserve(static_cast<std::size_t>(level > 0 ? level : 0) * 3 + text.size() + 1);
  for (int i = 0; i < level; ++i) {
    line += kIndent;
  }
  line += text;
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace

void printText(int level, const std::string& text) {
  writeLine(level, text);
}

void printTexts(int level, const std::string& first, const std::string& second) {
  writeLine(level, first + second);
}

void printNumber(int level, const std::string& label, std::uint64_t number) {
  writeLine(level, label + std::to_string(number));
}

void printFour(int level, const std::string& first, const std::string& second,
               const std::string& third, const std::string& fourth) {
  writeLine(level, first + second + third + fourth);
}

void printBanner() {
  writeLine(0, std::string(kBannerWidth, '*'));
}

void appendTimeStamp(const std::string& fileName, const std::string& label,
                     const std::string& phase) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  char timeText[kTimeTextSize] = "";
  if (gmtime_r(&now, &utc) != nullptr) {
    std::strftime(timeText, sizeof timeText, "%H:%M:%S\n", &utc);
  }
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "a"));
  if (!file) {
    return;
  }
  std::fputs(label.c_str(), file.get());
  std::fputs(phase.c_str(), file.get());
  std::fputs(timeText, file.get());
}

}  // namespace Diagnostics
}  // namespace Cad
}  // namespace Soa
}  // namespace Korvane
