// Replays fuzz inputs through LLVMFuzzerTestOneInput without libFuzzer, so that the seed corpus
// runs as an ordinary test with any compiler. Each argument is a file or a directory (all regular
// files in it, in name order). A crash is the failure; a path that cannot be read exits 1.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::cerr << "replay: cannot read " << path << "\n";
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path argument(argv[i]);
    std::error_code error;
    std::vector<std::filesystem::path> files;
    if (std::filesystem::is_directory(argument, error)) {
      for (const auto& entry : std::filesystem::directory_iterator(argument, error)) {
        if (entry.is_regular_file()) {
          files.push_back(entry.path());
        }
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(argument);
    }
    if (error) {
      std::cerr << "replay: cannot list " << argument << ": " << error.message() << "\n";
      return 1;
    }
    for (const auto& file : files) {
      if (!replay(file)) {
        return 1;
      }
      ++count;
    }
  }
  std::cout << "replay: " << count << " inputs replayed\n";
  return 0;
}
