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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "framework/sax_to_node_parser.h"
#include "framework/soa_exceptions.h"
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
      << "back to FILE before the replies are written, so that successive runs work as one\n"
      << "session. A FILE that exists but cannot be read fails the run and is left alone; a\n"
      << "store that cannot be saved fails the run, and each response is then replaced by a\n"
      << "fault saying so. A store file may hold at most " << host::Store::kMaxFixtureBytes
      << " bytes.\n"
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

// The size of the regular file at `path` ("-": standard input), 0 when it is not one.
std::size_t regularFileSize(const std::string& path) {
  struct stat status {};
  const int result = path == "-" ? ::fstat(STDIN_FILENO, &status) : ::stat(path.c_str(), &status);
  return result == 0 && S_ISREG(status.st_mode) ? static_cast<std::size_t>(status.st_size) : 0;
}

// Reads a request. A text longer than the parser accepts is read only as far as needed for the
// parser to refuse it, so an endless input cannot exhaust memory here. A request in a file is
// read into a buffer of its size, never into one that doubles and copies itself on the way.
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
  text.reserve(std::min(regularFileSize(source), limit));
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

// The system's text for `error` (an errno value).
std::string systemError(int error) {
  return std::strerror(error);
}

// Reads the whole store file. False with `missing` set when there is no such file; false with
// the reason in `failure` for any other failure to read it (permissions, a folder, an I/O error,
// a file past the store limit).
bool readStoreFile(const std::string& path, std::string& text, bool& missing,
                   std::string& failure) {
  missing = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT;
    failure = systemError(errno);
    return false;
  }
  struct stat status;
  bool read = fstat(fd, &status) == 0;
  int error = errno;
  if (read && !S_ISREG(status.st_mode)) {
    read = false;
    error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
  }
  if (read && static_cast<std::uint64_t>(status.st_size) > host::Store::kMaxFixtureBytes) {
    close(fd);
    failure = "the file has " + std::to_string(status.st_size) + " bytes, more than the " +
              std::to_string(host::Store::kMaxFixtureBytes) + " a store may have";
    return false;
  }
  text.clear();
  char buffer[65536];
  while (read) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      read = false;
      error = errno;
    } else if (got == 0) {
      break;
    } else {
      text.append(buffer, static_cast<std::size_t>(got));
    }
  }
  close(fd);
  if (!read) {
    failure = systemError(error);
  }
  return read;
}

// Loads the store: FILE when it exists, the demo store when there is no such file. The store
// instance is fresh already (built on first use); it is not reset again.
bool seedStore(const Options& options) {
  host::Store& store = host::Store::instance();
  std::string text;
  bool missing = true;
  std::string failure;
  if (!options.storeFile.empty() && !readStoreFile(options.storeFile, text, missing, failure) &&
      !missing) {
    std::cerr << kProgram << ": cannot read the store " << options.storeFile << ": " << failure
              << "\n";
    return false;
  }
  try {
    store.loadFixture(missing ? std::string(host::kDemoStore) : text);
  } catch (const std::exception& error) {
    std::cerr << kProgram << ": cannot load the store"
              << (options.storeFile.empty() ? "" : " " + options.storeFile) << ": " << error.what()
              << "\n";
    return false;
  }
  return true;
}

// The file a store path names: a symbolic link is followed to its target (which need not exist
// yet), so that saving replaces the target and keeps the link. Empty, with the reason in
// `failure`, for a chain of links that does not end.
std::string storeTarget(const std::string& path, std::string& failure) {
  std::string target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat status;
    if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
      return target;
    }
    std::vector<char> link(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1);
    const ssize_t length = readlink(target.c_str(), link.data(), link.size());
    if (length < 0) {
      failure = systemError(errno);
      return std::string();
    }
    const std::string next(link.data(), static_cast<std::size_t>(length));
    const std::size_t slash = target.find_last_of('/');
    target =
        next[0] == '/' || slash == std::string::npos ? next : target.substr(0, slash + 1) + next;
  }
  failure = systemError(ELOOP);
  return std::string();
}

// Writes all of `text` to `fd`.
bool writeAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t wrote = write(fd, text.data() + written, text.size() - written);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      return false;
    }
    written += static_cast<std::size_t>(wrote);
  }
  return true;
}

// Saves the store to FILE so that a crash or a failure at any point leaves either the old or
// the new store: the text goes to a new temporary file in the same folder (made by mkstemp, so
// no fixed name and no link planted there is followed), which takes the old file's mode, is
// synced, and is renamed over FILE; the folder is then synced so the rename itself lasts. A
// symbolic link is saved to its target. False, with the reason, when any step fails; the
// temporary file is then removed and FILE left as it was.
bool saveStore(const std::string& path, std::string& failure) {
  const std::string text = host::Store::instance().saveFixture();
  if (text.size() > host::Store::kMaxFixtureBytes) {
    failure = "the store has " + std::to_string(text.size()) + " bytes, more than the " +
              std::to_string(host::Store::kMaxFixtureBytes) + " a store file may have";
    return false;
  }
  const std::string target = storeTarget(path, failure);
  if (target.empty()) {
    return false;
  }
  const std::size_t slash = target.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temporary = folder + (slash == std::string::npos ? "/." : ".") + name + ".XXXXXX";
  const int fd = mkstemp(&temporary[0]);
  if (fd < 0) {
    failure = "cannot create a temporary file in " + folder + ": " + systemError(errno);
    return false;
  }
  struct stat old;
  mode_t mode;
  if (stat(target.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  bool saved = fchmod(fd, mode) == 0 && writeAll(fd, text) && fsync(fd) == 0;
  int error = errno;
  if (close(fd) != 0 && saved) {
    saved = false;
    error = errno;
  }
  if (saved && rename(temporary.c_str(), target.c_str()) != 0) {
    saved = false;
    error = errno;
  }
  if (!saved) {
    unlink(temporary.c_str());
    failure = systemError(error);
    return false;
  }
  const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd < 0 || fsync(folderFd) != 0) {
    failure = "saved, but the folder " + folder + " cannot be synced: " + systemError(errno);
    if (folderFd >= 0) {
      close(folderFd);
    }
    return false;
  }
  close(folderFd);
  return true;
}

// The fault that replaces a response whose changes could not be saved.
std::string notSavedFault(const std::string& reason) {
  Korvane::Soa::Server::ServiceException exception(reason);
  std::stringstream text;
  Korvane::Soa::Common::Exceptions::ExceptionMapper::writeSoaException(exception.getWireData(),
                                                                       text);
  return text.str();
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
  std::vector<host::Reply> replies;
  std::vector<std::string> sources;
  for (const std::string& source : options.requests) {
    std::string request;
    if (!readRequest(source, request)) {
      status = 1;
      continue;
    }
    replies.push_back(host::dispatch(options.service, options.operation, request));
    sources.push_back(source == "-" ? "standard input" : source);
  }
  // Saved before any reply is written, so that no reply hands out what was not kept.
  std::string failure;
  if (!options.storeFile.empty() && !saveStore(options.storeFile, failure)) {
    std::cerr << kProgram << ": cannot save the store " << options.storeFile << ": " << failure
              << "\n";
    status = 1;
    for (host::Reply& reply : replies) {
      if (!reply.fault) {
        const std::string reason = "The session was not saved: cannot save the store " +
                                   options.storeFile + ": " + failure;
        reply = host::Reply{notSavedFault(reason), true, "ServiceException: " + reason};
      }
    }
  }
  for (std::size_t i = 0; i < replies.size(); ++i) {
    std::cout << replies[i].text << "\n" << std::flush;
    if (replies[i].fault) {
      std::cerr << kProgram << ": " << options.operation << " (" << sources[i]
                << "): " << faultReason(replies[i]) << "\n";
      status = 1;
    }
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
  try {
    return run(options);
  } catch (const std::bad_alloc&) {
    std::fputs("soacad-host: out of memory\n", stderr);
    return 1;
  }
}
