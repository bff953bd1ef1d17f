// soacad-host: the host's dispatcher as a command-line program. It loads the service library as
// the platform does (dlopen, so that the library's static initialisers register its services),
// prepares every registered service, and answers request documents with the reply documents of
// one operation.
//
//   soacad-host [--store FILE] SERVICE OPERATION [REQUEST-FILE|-]...
//
// See writeHelp() for the contract. Exit status: 0 when every request got a response (partial
// errors included), 1 when any got a fault or a reply could not be written (or a request file,
// the store or the library could not be used), 2 for a command line it cannot read.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <thread>
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

// How long a run waits for another run to finish with its store before it gives up.
constexpr int kStoreWaitSeconds = 60;

// The two forms of the command line.
std::string synopsis() {
  return std::string("Usage: ") + kProgram +
         " [--store FILE] SERVICE OPERATION [REQUEST-FILE|-]...\n" + "       " + kProgram +
         " --help | -h\n";
}

// Writes all of `text` to `fd`. False, with errno set, when any of it could not be written.
bool writeAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t wrote = write(fd, text.data() + written, text.size() - written);
    if (wrote < 0 && errno == EINTR) {
      continue;
    }
    if (wrote <= 0) {
      if (wrote == 0) {
        errno = EIO;
      }
      return false;
    }
    written += static_cast<std::size_t>(wrote);
  }
  return true;
}

// `words` joined by ", " into lines that start with `indent` and stay within 80 columns.
std::string wrapped(const std::vector<std::string>& words, const std::string& indent) {
  std::string text;
  std::string line = indent;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string word = words[i] + (i + 1 < words.size() ? "," : "");
    if (line.size() > indent.size() && line.size() + 1 + word.size() > 80) {
      text += line + "\n";
      line = indent;
    }
    line += (line.size() > indent.size() ? " " : "") + word;
  }
  return text + line + "\n";
}

// The whole contract of the program; `services` lists the registered services and their
// operations (or says why they cannot be listed).
std::string helpText(const std::string& services) {
  std::ostringstream out;
  out << synopsis() << "\n"
      << "Loads the service library, sends each request document (a file, or '-' for standard\n"
      << "input; standard input when none is given) to OPERATION of the service registered as\n"
      << "SERVICE and writes each reply document to standard output, one per line.\n"
      << "\n"
      << services << "\n"
      << "The host's object store starts from the built-in demo store. With --store FILE it is\n"
      << "loaded from FILE instead (from the demo store when FILE does not exist yet) and saved\n"
      << "back to FILE before the replies are written, so that successive runs work as one\n"
      << "session. FILE must be a regular file (or a link to one). A FILE that exists but cannot\n"
      << "be read fails the run and is left alone; a store that cannot be saved fails the run,\n"
      << "and each response is then replaced by a fault saying so. A store file may hold at\n"
      << "most " << host::Store::kMaxFixtureBytes << " bytes.\n"
      << "\n"
      << "One run at a time uses a store: a run holds the folder of FILE locked from its start\n"
      << "to its end. Another run on a store in that folder waits for it, at most "
      << kStoreWaitSeconds << " seconds,\n"
      << "and is then refused without touching the store.\n"
      << "\n"
      << "Options:\n"
      << "  --store FILE  load the store from FILE and save it back there\n"
      << "  -h, --help    show this help and exit\n"
      << "\n"
      << "Exit status:\n"
      << "  0  every request was answered with a response; a response whose service data\n"
      << "     carries partial errors (inputs that failed) is still an answer\n"
      << "  1  a request was answered with a fault (a one-line reason goes to standard error),\n"
      << "     or a request file, the store, the service library or standard output could not\n"
      << "     be used (a reply that cannot be written is lost, and the run says so)\n"
      << "  2  the command line cannot be read\n"
      << "\n"
      << "The library is $SOACAD_LIBRARY, or " << kLibraryName
      << " in the lib folder beside the program's.\n";
  return out.str();
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

// The system's text for `error` (an errno value).
std::string systemError(int error) {
  return std::strerror(error);
}

// Reads a request. A text longer than the parser accepts is read only as far as needed for the
// parser to refuse it, so an endless input cannot exhaust memory here. A request in a file is
// read into a buffer of its size, never into one that doubles and copies itself on the way.
// False, after giving the system's reason, when the source cannot be opened or read.
bool readRequest(const std::string& source, std::string& text) {
  const std::size_t limit = Korvane::Soa::Common::Xml::SAXToNodeParser::kMaxDocumentBytes + 1;
  const int fd = source == "-" ? STDIN_FILENO : open(source.c_str(), O_RDONLY | O_CLOEXEC);
  int error = errno;
  if (fd >= 0) {
    text.clear();
    text.reserve(std::min(regularFileSize(source), limit));
    char buffer[65536];
    error = 0;
    while (text.size() < limit) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got <= 0) {
        error = got < 0 ? errno : 0;
        break;
      }
      text.append(buffer, static_cast<std::size_t>(got));
    }
    if (fd != STDIN_FILENO) {
      close(fd);
    }
  }
  if (error != 0) {
    std::cerr << kProgram << ": cannot read "
              << (source == "-" ? std::string("standard input") : source) << ": "
              << systemError(error) << "\n";
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

// Reads the whole store file. False with `missing` set when there is no such file; false with
// the reason in `failure` for any other failure to read it (permissions, a folder or anything
// else that is not a regular file, an I/O error, a file past the store limit). The file is
// opened without blocking, so that a FIFO is refused like a folder instead of waiting for a
// writer.
bool readStoreFile(const std::string& path, std::string& text, bool& missing,
                   std::string& failure) {
  missing = false;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    missing = errno == ENOENT;
    failure = systemError(errno);
    return false;
  }
  struct stat status;
  bool read = fstat(fd, &status) == 0;
  int error = errno;
  if (read && !S_ISREG(status.st_mode)) {
    close(fd);
    failure = S_ISDIR(status.st_mode) ? systemError(EISDIR) : "it is not a regular file";
    return false;
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

// The folder that holds `target`, with its closing slash ("." for a bare name).
std::string folderOf(const std::string& target) {
  const std::size_t slash = target.find_last_of('/');
  return slash == std::string::npos ? "." : target.substr(0, slash + 1);
}

// Locks the folder of a store (flock, exclusive) for the rest of the run, so that one run at a
// time reads, changes and saves a store: two runs that loaded the same file would otherwise both
// save it, and the later save would drop the earlier run's work. The folder is locked rather
// than the file because saving puts a new file in the old one's place (a lock on the old file
// would not keep out a run that opens the new one) and because a store that does not exist yet
// has no file to lock; stores in one folder therefore take turns. The lock is released when the
// process ends, however it ends. A run that finds the folder locked waits for it, at most
// kStoreWaitSeconds. False, after saying why, when the lock cannot be had. A folder that does not
// exist is not locked: nothing can be read or saved there, and reading and saving say so.
bool lockStoreFolder(const std::string& storeFile, const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      return true;
    }
    std::cerr << kProgram << ": cannot lock the store " << storeFile << ": cannot open its folder "
              << folder << ": " << systemError(errno) << "\n";
    return false;
  }
  // `fd` stays open, and the folder locked, until the process ends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kStoreWaitSeconds);
  bool told = false;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) {
      continue;
    }
    if (errno != EWOULDBLOCK) {
      std::cerr << kProgram << ": cannot lock the store " << storeFile << ": " << systemError(errno)
                << "\n";
      close(fd);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cerr << kProgram << ": the store " << storeFile
                << " is in use by another run, which has not finished within " << kStoreWaitSeconds
                << " seconds; nothing was done, try again when it has finished\n";
      close(fd);
      return false;
    }
    if (!told) {
      std::cerr << kProgram << ": the store " << storeFile
                << " is in use by another run; waiting for it to finish (at most "
                << kStoreWaitSeconds << " seconds)\n";
      told = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
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
  const std::string folder = folderOf(target);
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

// Loads the service library and prepares every service it registered. False, after saying why,
// when it cannot be loaded.
bool loadServices(ServiceLibrary& library, const std::string& path) {
  if (!library.loaded()) {
    std::cerr << kProgram << ": cannot load the service library " << path << ": " << dlerror()
              << "\n";
    return false;
  }
  KvServiceManager& registry = KvServiceManager::instance();
  for (const std::string& name : registry.serviceNames()) {
    registry.find(name)->initialize();
  }
  return true;
}

// Writes the help with the services that the library registers. 1 when the library cannot be
// loaded (the help is written all the same) or the help cannot be written.
int help() {
  const std::string path = libraryPath();
  ServiceLibrary library(path);
  std::string services;
  int status = 0;
  if (loadServices(library, path)) {
    services = "Services and their operations:\n";
    for (const std::string& name : KvServiceManager::instance().serviceNames()) {
      services += "  " + name + "\n" + wrapped(host::operationsOf(name), "    ");
    }
  } else {
    services =
        "The services cannot be listed: the service library " + path + " cannot be loaded.\n";
    status = 1;
  }
  if (!writeAll(STDOUT_FILENO, helpText(services))) {
    std::cerr << kProgram << ": cannot write the help to standard output: " << systemError(errno)
              << "\n";
    status = 1;
  }
  return status;
}

int run(const Options& options) {
  if (!options.storeFile.empty()) {
    std::string failure;
    const std::string target = storeTarget(options.storeFile, failure);
    if (target.empty()) {
      std::cerr << kProgram << ": cannot read the store " << options.storeFile << ": " << failure
                << "\n";
      return 1;
    }
    if (!lockStoreFolder(options.storeFile, folderOf(target))) {
      return 1;
    }
  }
  if (!seedStore(options)) {
    return 1;
  }
  const std::string path = libraryPath();
  ServiceLibrary library(path);
  if (!loadServices(library, path)) {
    return 1;
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
  const bool saved = !options.storeFile.empty() && saveStore(options.storeFile, failure);
  if (!options.storeFile.empty() && !saved) {
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
  // Every write is checked: a reply that does not reach standard output (a full disk, a closed
  // output, a reader that went away) is a failure of the run, never an answer.
  for (std::size_t i = 0; i < replies.size(); ++i) {
    if (!writeAll(STDOUT_FILENO, replies[i].text + "\n")) {
      const std::string why = systemError(errno);
      const std::size_t after = replies.size() - i - 1;
      const std::string lost =
          after == 0 ? "the reply was lost"
                     : "the reply and the " + std::to_string(after) + " after it were lost";
      std::cerr << kProgram << ": " << options.operation << " (" << sources[i]
                << "): cannot write the reply to standard output: " << why << "; "
                << (saved ? "the session was saved to " + options.storeFile + ", but " : "") << lost
                << "\n";
      return 1;
    }
    if (replies[i].fault) {
      std::cerr << kProgram << ": " << options.operation << " (" << sources[i]
                << "): " << faultReason(replies[i]) << "\n";
      status = 1;
    }
  }
  return status;
}

// Puts /dev/null, opened for reading only, in place of a standard descriptor that the program
// was started without, so that no file the run opens later (the store, its temporary file) takes
// its number: a reply is never written into a file, and writing to a closed standard output
// still fails (EBADF) as the run must see it fail.
void occupyClosedStandardDescriptors() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) {
      const int opened = open("/dev/null", O_RDONLY);
      if (opened >= 0 && opened != fd) {
        dup2(opened, fd);
        close(opened);
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  occupyClosedStandardDescriptors();
  // A reader that goes away is a failed write that the run reports, not a silent end.
  std::signal(SIGPIPE, SIG_IGN);
  Options options;
  bool wantsHelp = false;
  if (!parseOptions(argc, argv, options, wantsHelp)) {
    std::cerr << synopsis() << "Run '" << kProgram
              << " --help' for the services, their operations and the exit statuses.\n";
    return 2;
  }
  try {
    return wantsHelp ? help() : run(options);
  } catch (const std::bad_alloc&) {
    std::fputs("soacad-host: out of memory\n", stderr);
    return 1;
  }
}
