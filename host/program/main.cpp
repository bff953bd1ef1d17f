// soacad-host: the host's dispatcher as a command-line program. It loads the service library as
// the platform does (dlopen, so that the library's static initialisers register its services),
// prepares every registered service, and answers request documents with the reply documents of
// one operation.
//
//   soacad-host [--store FILE] SERVICE OPERATION [REQUEST-FILE|-]...
//
// See usage() for the contract. Exit status: 0 when every request got a response, 1 when any got
// a fault (or the store or library could not be used), 2 for a command line it cannot read.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/xml_parse_error.h"
#include "host/gateway/kv_service_manager.h"
#include "host/object/store.h"
#include "host/program/demo_store.h"
#include "host/soaserver/dispatcher.h"

namespace {

const char* const kProgram = "soacad-host";
const char* const kLibraryName = "libsoacad.so";

void usage(std::ostream& out) {
  out << "Usage: " << kProgram << " [--store FILE] SERVICE OPERATION [REQUEST-FILE|-]...\n"
      << "       " << kProgram << " --help\n"
      << "\n"
      << "Loads the service library, sends each request document (a file, or '-' for standard\n"
      << "input; standard input when none is given) to OPERATION of the service registered as\n"
      << "SERVICE (e.g. Cad-2007-01-DataManagement) and writes each reply document to standard\n"
      << "output, one per line.\n"
      << "\n"
      << "The host's object store starts from the built-in demo store. With --store FILE it is\n"
      << "loaded from FILE instead (from the demo store when FILE does not exist yet) and saved\n"
      << "back to FILE at the end, so that successive runs work as one session.\n"
      << "\n"
      << "A fault reply gives a one-line reason on standard error and exit status 1.\n"
      << "The library is $SOACAD_LIBRARY, or " << kLibraryName
      << " in the lib folder beside the program's.\n";
}

struct Options {
  std::string storeFile;  // Empty: the demo store, not saved.
  std::string service;
  std::string operation;
  std::vector<std::string> requests;  // "-" is standard input.
};

// False (after saying why) for a command line that does not fit the usage; `help` is set for
// --help.
bool parseOptions(int argc, char** argv, Options& options, bool& help) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      help = true;
      return true;
    }
    if (argument == "--store") {
      if (i + 1 >= argc || std::string(argv[i + 1]).empty()) {
        std::cerr << kProgram << ": --store needs a file name\n";
        return false;
      }
      options.storeFile = argv[++i];
    } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
      std::cerr << kProgram << ": unknown option " << argument << "\n";
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (positional.size() < 2) {
    std::cerr << kProgram << ": SERVICE and OPERATION are required\n";
    return false;
  }
  options.service = positional[0];
  options.operation = positional[1];
  options.requests.assign(positional.begin() + 2, positional.end());
  if (options.requests.empty()) {
    options.requests.push_back("-");
  }
  return true;
}

bool fileExists(const std::string& path) {
  std::ifstream file(path);
  return static_cast<bool>(file);
}

// Reads a request. A text longer than the parser accepts is read only as far as needed for the
// parser to refuse it, so an endless input cannot exhaust memory here.
bool readRequest(const std::string& source, std::string& text) {
  const std::size_t limit = Korvane::Soa::Common::Xml::SAXToNodeParser::kMaxDocumentBytes + 1;
  std::ifstream file;
  std::istream* in = &std::cin;
  if (source != "-") {
    file.open(source, std::ios::binary);
    if (!file) {
      std::cerr << kProgram << ": cannot read " << source << "\n";
      return false;
    }
    in = &file;
  }
  text.clear();
  char buffer[65536];
  while (text.size() < limit && in->read(buffer, sizeof buffer).gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in->gcount()));
  }
  if (in->bad()) {
    std::cerr << kProgram << ": cannot read " << source << "\n";
    return false;
  }
  return true;
}

// The fault's name and message on one line.
std::string faultReason(const host::Reply& reply) {
  std::string reason = reply.reason;
  for (char& c : reason) {
    if (c == '\n' || c == '\r' || c == '\t') {
      c = ' ';
    }
  }
  return reason;
}

// The library to load: $SOACAD_LIBRARY, else beside the program in ../lib (build tree and
// default install) or ../<install libdir>.
std::string libraryPath() {
  if (const char* path = std::getenv("SOACAD_LIBRARY")) {
    if (*path != '\0') {
      return path;
    }
  }
  std::vector<char> self(4096);
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0) {
    return kLibraryName;  // The dynamic loader's own search.
  }
  std::string folder(self.data(), static_cast<std::size_t>(length));
  folder = folder.substr(0, folder.find_last_of('/'));
  const std::string prefix = folder.substr(0, folder.find_last_of('/'));
  std::vector<std::string> candidates = {prefix + "/lib/" + kLibraryName};
#ifdef SOACAD_INSTALL_LIBDIR
  candidates.push_back(prefix + "/" + SOACAD_INSTALL_LIBDIR + "/" + kLibraryName);
#endif
  for (const std::string& candidate : candidates) {
    if (fileExists(candidate)) {
      return candidate;
    }
  }
  return candidates.front();
}

// Loads the store: FILE when it exists, else the demo store.
bool seedStore(const Options& options) {
  host::Store& store = host::Store::instance();
  store.reset();
  try {
    if (!options.storeFile.empty() && fileExists(options.storeFile)) {
      store.loadFixtureFile(options.storeFile);
    } else {
      store.loadFixture(host::kDemoStore);
    }
  } catch (const std::exception& error) {
    std::cerr << kProgram << ": cannot load the store"
              << (options.storeFile.empty() ? "" : " " + options.storeFile) << ": " << error.what()
              << "\n";
    return false;
  }
  return true;
}

// Writes the store to FILE through a temporary file, so that a failed write never leaves half a
// store behind.
bool saveStore(const std::string& path) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << host::Store::instance().saveFixture();
    if (!file.flush()) {
      std::cerr << kProgram << ": cannot write the store " << temporary << "\n";
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::cerr << kProgram << ": cannot replace the store " << path << "\n";
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// The loaded service library; unloading it withdraws its services from the registries.
class ServiceLibrary {
 public:
  explicit ServiceLibrary(const std::string& path)
      : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
  ~ServiceLibrary() {
    if (handle_ != nullptr) {
      dlclose(handle_);
    }
  }
  ServiceLibrary(const ServiceLibrary&) = delete;
  ServiceLibrary& operator=(const ServiceLibrary&) = delete;

  bool loaded() const { return handle_ != nullptr; }

 private:
  void* handle_;
};

int run(const Options& options) {
  if (!seedStore(options)) {
    return 1;
  }
  const std::string path = libraryPath();
  ServiceLibrary library(path);
  if (!library.loaded()) {
    std::cerr << kProgram << ": cannot load the service library " << path << ": " << dlerror()
              << "\n";
    return 1;
  }
  KvServiceManager& registry = KvServiceManager::instance();
  for (const std::string& name : registry.serviceNames()) {
    registry.find(name)->initialize();
  }

  int status = 0;
  for (const std::string& source : options.requests) {
    std::string request;
    if (!readRequest(source, request)) {
      status = 1;
      continue;
    }
    const host::Reply reply = host::dispatch(options.service, options.operation, request);
    std::cout << reply.text << "\n" << std::flush;
    if (reply.fault) {
      std::cerr << kProgram << ": " << options.operation << " ("
                << (source == "-" ? "standard input" : source) << "): " << faultReason(reply)
                << "\n";
      status = 1;
    }
  }
  if (!options.storeFile.empty() && !saveStore(options.storeFile)) {
    status = 1;
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  if (!parseOptions(argc, argv, options, help)) {
    usage(std::cerr);
    return 2;
  }
  if (help) {
    usage(std::cout);
    return 0;
  }
  return run(options);
}
