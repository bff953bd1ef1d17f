// soacad-host: the host's dispatcher as a command-line program. It loads the service library as
// the platform does (dlopen, so that the library's static initialisers register its services),
// prepares every registered service, and answers request documents with the reply documents of
// one operation.
//
//   soacad-host [--store FILE] SERVICE OPERATION [REQUEST-FILE|-]...
//
// See helpText() for the contract. Exit status: 0 when every request got a response (partial
// errors included), 1 when any got a fault or a reply could not be written (or a request file,
// the store or the library could not be used), 2 for a command line it cannot use (an unknown
// option, service or operation; '-' or --store given twice), refused before anything is read.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
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

// The most bytes a request may have: the parser refuses a longer text, so the program reads no
// further than that.
constexpr std::size_t kMaxRequestBytes =
    Korvane::Soa::Common::Xml::SAXToNodeParser::kMaxDocumentBytes;

// An open file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return fd_; }
  // Hands the descriptor over to the caller, who closes it.
  int release() { return std::exchange(fd_, -1); }
  // Closes the descriptor held (if any) and holds `fd` instead.
  void reset(int fd = -1) {
    if (fd_ >= 0) {
      close(fd_);
    }
    fd_ = fd;
  }

 private:
  int fd_;
};

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

// Writes a reply document and the line end after it to `fd`, without copying the document.
// False, with errno set, when any of it could not be written.
bool writeReply(int fd, const std::string& text) {
  return writeAll(fd, text) && writeAll(fd, "\n");
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
      << "SERVICE and writes each reply document to standard output, one per line. Every\n"
      << "request is read before the first is sent: when one cannot be read, or has more than\n"
      << kMaxRequestBytes << " bytes, none is sent and the store is left alone.\n"
      << "\n"
      << services << "\n"
      << "The host's object store starts from the built-in demo store. With --store FILE it is\n"
      << "loaded from FILE instead (from the demo store when FILE does not exist yet) and saved\n"
      << "back to FILE before the replies are written, so that successive runs work as one\n"
      << "session. FILE must be a regular file (or a link to one, followed once, when the run\n"
      << "starts). A FILE that exists but cannot be read, or that cannot be saved (a read-only\n"
      << "file, a folder that cannot be written), fails the run before any request is sent and\n"
      << "is left alone; a store that still cannot be saved after the requests fails the run,\n"
      << "and each response is then replaced by a fault saying so. A store file may hold at\n"
      << "most " << host::Store::kMaxFixtureBytes << " bytes.\n"
      << "\n"
      << "One run at a time uses a store: a run holds the folder of FILE locked from its start\n"
      << "to its end. Another run on a store in that folder waits for it, at most "
      << kStoreWaitSeconds << " seconds,\n"
      << "and is then refused without touching the store.\n"
      << "\n"
      << "With DEBUG_SOACAD set, the operations' diagnostic dumps go to standard error, so that\n"
      << "standard output holds only the replies.\n"
      << "\n"
      << "Options:\n"
      << "  --store FILE  load the store from FILE and save it back there (at most once)\n"
      << "  -h, --help    show this help and exit\n"
      << "\n"
      << "Exit status:\n"
      << "  0  every request was answered with a response; a response whose service data\n"
      << "     carries partial errors (inputs that failed) is still an answer\n"
      << "  1  a request was answered with a fault (a one-line reason goes to standard error),\n"
      << "     or a request file, the store, the service library or standard output could not\n"
      << "     be used (a reply that cannot be written is lost, and the run says so)\n"
      << "  2  the command line cannot be used: an unknown option, service or operation, or '-'\n"
      << "     or --store given twice; nothing is read\n"
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
// --help. Standard input can be a request once only: the first '-' reads it to its end.
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
      if (!options.storeFile.empty()) {
        std::cerr << kProgram << ": --store is given twice (" << options.storeFile << " and "
                  << argv[i + 1] << "); a run uses one store\n";
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
  if (std::count(options.requests.begin(), options.requests.end(), "-") > 1) {
    std::cerr << kProgram
              << ": '-' is given more than once, but standard input is read only once: the "
                 "first '-' reads it to its end\n";
    return false;
  }
  return true;
}

bool fileExists(const std::string& path) {
  std::ifstream file(path);
  return static_cast<bool>(file);
}

// The system's text for `error` (an errno value).
std::string systemError(int error) {
  return std::strerror(error);
}

// How the program names a request source.
std::string sourceName(const std::string& source) {
  return source == "-" ? std::string("standard input") : source;
}

// Makes room in `text` for `more` bytes, doubling its buffer (from 64 KiB) but never past
// kMaxRequestBytes. The new buffer is made with exactly that capacity: one that doubled past the
// limit would hold up to twice the largest request.
// REQUIRES: text.size() + more <= kMaxRequestBytes.
void makeRoom(std::string& text, std::size_t more) {
  if (text.capacity() - text.size() >= more) {
    return;
  }
  const std::size_t doubled = std::max<std::size_t>(2 * text.capacity(), 64 * 1024);
  std::string larger;
  larger.reserve(std::max(text.size() + more, std::min(doubled, kMaxRequestBytes)));
  larger.append(text);
  text.swap(larger);
}

// Reads the request at `source` ("-": standard input) into `text`. A request may have at most
// kMaxRequestBytes, so that a run never holds more of one: a regular file that has more is
// refused by its size before a byte is read, anything else (a pipe, a terminal, a device) as
// soon as a byte past the limit arrives. A regular file is read into a buffer of its size. When
// standard input is a terminal, the run says that it waits for the request there. False, with
// the reason in `failure`, when the source cannot be opened or read or holds more than the
// limit.
bool readRequest(const std::string& source, std::string& text, std::string& failure) {
  const bool standardInput = source == "-";
  const int fd = standardInput ? STDIN_FILENO : open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    failure = systemError(errno);
    return false;
  }
  const Descriptor opened(standardInput ? -1 : fd);
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    failure = systemError(errno);
    return false;
  }
  const bool regular = S_ISREG(status.st_mode);
  if (regular && static_cast<std::uint64_t>(status.st_size) > kMaxRequestBytes) {
    failure = "it has " + std::to_string(status.st_size) + " bytes, more than the " +
              std::to_string(kMaxRequestBytes) + " a request may have";
    return false;
  }
  if (standardInput && isatty(fd) != 0) {
    std::cerr << kProgram
              << ": reading the request from standard input (end it with Ctrl-D on a line of "
                 "its own)\n";
  }
  text.clear();
  if (regular) {
    text.reserve(static_cast<std::size_t>(status.st_size));
  }
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      failure = systemError(errno);
      return false;
    }
    if (got == 0) {
      return true;
    }
    const std::size_t bytes = static_cast<std::size_t>(got);
    if (bytes > kMaxRequestBytes - text.size()) {
      std::string().swap(text);
      failure =
          "it has more than the " + std::to_string(kMaxRequestBytes) + " bytes a request may have";
      return false;
    }
    makeRoom(text, bytes);
    text.append(buffer, bytes);
  }
}

// Reads every request before any is sent, so that a request that cannot be read leaves the run
// with nothing done: no reply that a script would pair with the wrong input, no change to the
// store. Stops at the first that cannot be read (after saying why): reading on (standard input
// above all) would be for nothing. Each text is as long as its request: a run holds all of them
// at once.
bool readRequests(const Options& options, std::vector<std::string>& texts) {
  texts.assign(options.requests.size(), std::string());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    std::string failure;
    if (!readRequest(options.requests[i], texts[i], failure)) {
      std::cerr << kProgram << ": cannot read " << sourceName(options.requests[i]) << ": "
                << failure << "; no request was sent\n";
      return false;
    }
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

// A file's permission bits as "0644".
std::string modeText(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

// The store file of a run (--store FILE). The path is resolved once, when the run starts: a
// symbolic link (or a chain of them) is followed to the file it names, whose folder is opened
// and locked, and the run reads and saves that one file through that folder's descriptor. A
// link changed or replaced during the run, or a folder renamed, cannot make the run read one
// file and save another, or save into a folder it never locked.
class StoreFile {
 public:
  explicit StoreFile(std::string path) : path_(std::move(path)) {}

  // Resolves the path, opens and locks the folder, and reads the file into `text` (`missing`
  // set, `text` empty, when there is no such file yet). Refuses a store that could not be
  // saved: a file without write permission (a read-only store would be replaced by the rename
  // all the same) or a folder that does not exist or cannot be written; saving it would fail
  // only after the requests ran. False, after saying why, when the store cannot be used.
  bool open(std::string& text, bool& missing);

  // Saves `text` so that a crash or a failure at any point leaves either the old or the new
  // store: the text goes to a new file in the same folder (a fresh name, made with O_EXCL, so no
  // file or link planted there is followed), which takes the store's mode, is synced, and is
  // renamed over the store; the folder is then synced so that the rename itself lasts. False,
  // with the reason in `failure`, when any step fails; the new file is then removed and the
  // store left as it was.
  // REQUIRES: open() succeeded.
  bool save(const std::string& text, std::string& failure);

  const std::string& path() const { return path_; }

 private:
  bool say(const std::string& what, const std::string& why) const {
    std::cerr << kProgram << ": " << what << " the store " << path_ << ": " << why << "\n";
    return false;
  }
  bool lockFolder();
  bool readFile(std::string& text, bool& missing);
  int createTemporary(std::string& name) const;

  std::string path_;    // As given.
  std::string folder_;  // The folder of the file the path names, with its closing slash.
  std::string name_;    // The file's name in that folder.
  Descriptor folderFd_;
  mode_t mode_ = 0;  // What the saved file gets: the store's mode, or the default for a new one.
};

bool StoreFile::open(std::string& text, bool& missing) {
  std::string failure;
  const std::string target = storeTarget(path_, failure);
  if (target.empty()) {
    return say("cannot read", failure);
  }
  const std::size_t slash = target.find_last_of('/');
  folder_ = slash == std::string::npos ? "./" : target.substr(0, slash + 1);
  name_ = slash == std::string::npos ? target : target.substr(slash + 1);
  folderFd_.reset(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd_.get() < 0) {
    return errno == ENOENT ? say("cannot save", "its folder " + folder_ + " does not exist")
                           : say("cannot read", systemError(errno));
  }
  if (!lockFolder() || !readFile(text, missing)) {
    return false;
  }
  if (faccessat(folderFd_.get(), ".", W_OK | X_OK, AT_EACCESS) != 0) {
    return say("cannot save",
               "its folder " + folder_ + " cannot be written: " + systemError(errno));
  }
  return true;
}

// Locks the folder (flock, exclusive) for the rest of the run, so that one run at a time reads,
// changes and saves a store: two runs that loaded the same file would otherwise both save it,
// and the later save would drop the earlier run's work. The folder is locked rather than the
// file because saving puts a new file in the old one's place (a lock on the old file would not
// keep out a run that opens the new one) and because a store that does not exist yet has no
// file to lock; stores in one folder therefore take turns. The lock goes with the folder's
// descriptor, when the run ends, however it ends. A run that finds the folder locked waits for
// it, at most kStoreWaitSeconds.
bool StoreFile::lockFolder() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kStoreWaitSeconds);
  bool told = false;
  while (flock(folderFd_.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) {
      continue;
    }
    if (errno != EWOULDBLOCK) {
      return say("cannot lock", systemError(errno));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      std::cerr << kProgram << ": the store " << path_
                << " is in use by another run, which has not finished within " << kStoreWaitSeconds
                << " seconds; nothing was done, try again when it has finished\n";
      return false;
    }
    if (!told) {
      std::cerr << kProgram << ": the store " << path_
                << " is in use by another run; waiting for it to finish (at most "
                << kStoreWaitSeconds << " seconds)\n";
      told = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Reads the whole file. The file is opened without blocking, so that a FIFO is refused like a
// folder instead of waiting for a writer, and without following a link: the name was resolved
// when the run started.
bool StoreFile::readFile(std::string& text, bool& missing) {
  text.clear();
  missing = false;
  const Descriptor file(
      openat(folderFd_.get(), name_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
  if (file.get() < 0) {
    if (errno != ENOENT) {
      return say("cannot read", systemError(errno));
    }
    missing = true;
    const mode_t mask = umask(0);
    umask(mask);
    mode_ = 0666 & ~mask;
    return true;
  }
  struct stat status;
  if (fstat(file.get(), &status) != 0) {
    return say("cannot read", systemError(errno));
  }
  if (!S_ISREG(status.st_mode)) {
    return say("cannot read",
               S_ISDIR(status.st_mode) ? systemError(EISDIR) : "it is not a regular file");
  }
  if (static_cast<std::uint64_t>(status.st_size) > host::Store::kMaxFixtureBytes) {
    return say("cannot read",
               "the file has " + std::to_string(status.st_size) + " bytes, more than the " +
                   std::to_string(host::Store::kMaxFixtureBytes) + " a store may have");
  }
  mode_ = status.st_mode & 07777;
  if ((mode_ & 0222) == 0) {
    return say("cannot save", "it is read-only (mode " + modeText(mode_) + ")");
  }
  if (faccessat(folderFd_.get(), name_.c_str(), W_OK, AT_EACCESS) != 0) {
    return say("cannot save", systemError(errno));
  }
  text.reserve(static_cast<std::size_t>(status.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got < 0) {
      return say("cannot read", systemError(errno));
    }
    if (got == 0) {
      return true;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
}

// A new, empty file in the folder, named "." + the store's name + "." + six random letters and
// digits, opened for writing; -1 with errno set when none can be made.
int StoreFile::createTemporary(std::string& name) const {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device device;
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = "." + name_ + ".";
    for (int i = 0; i < 6; ++i) {
      name += kLetters[pick(device)];
    }
    const int fd = openat(folderFd_.get(), name.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 || errno != EEXIST) {
      return fd;
    }
  }
  errno = EEXIST;
  return -1;
}

bool StoreFile::save(const std::string& text, std::string& failure) {
  if (text.size() > host::Store::kMaxFixtureBytes) {
    failure = "the store has " + std::to_string(text.size()) + " bytes, more than the " +
              std::to_string(host::Store::kMaxFixtureBytes) + " a store file may have";
    return false;
  }
  std::string temporary;
  Descriptor file(createTemporary(temporary));
  if (file.get() < 0) {
    failure = "cannot create a temporary file in " + folder_ + ": " + systemError(errno);
    return false;
  }
  bool saved =
      fchmod(file.get(), mode_) == 0 && writeAll(file.get(), text) && fsync(file.get()) == 0;
  int error = errno;
  if (close(file.release()) != 0 && saved) {
    saved = false;
    error = errno;
  }
  if (saved && renameat(folderFd_.get(), temporary.c_str(), folderFd_.get(), name_.c_str()) != 0) {
    saved = false;
    error = errno;
  }
  if (!saved) {
    unlinkat(folderFd_.get(), temporary.c_str(), 0);
    failure = systemError(error);
    return false;
  }
  if (fsync(folderFd_.get()) != 0) {
    failure = "saved, but the folder " + folder_ + " cannot be synced: " + systemError(errno);
    return false;
  }
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

// Loads the store: `text`, read from the store file, or the demo store without a store file or
// when the file does not exist yet (`missing`). The store instance is fresh already (built on
// first use); it is not reset again. False, after saying why, when the text cannot be loaded.
bool seedStore(const std::string& storeFile, const std::string& text, bool missing) {
  try {
    host::Store::instance().loadFixture(missing ? std::string(host::kDemoStore) : text);
  } catch (const std::exception& error) {
    std::cerr << kProgram << ": cannot load the store" << (storeFile.empty() ? "" : " " + storeFile)
              << ": " << error.what() << "\n";
    return false;
  }
  return true;
}

// Points the process's standard output at standard error and returns a new descriptor of the
// standard output the program was given, for the replies alone: the operations write their
// diagnostic dumps (DEBUG_SOACAD) to standard output, where they would come between the replies
// and break "one reply per line". -1, with errno set, when the descriptors cannot be arranged.
int divertDiagnostics() {
  std::fflush(stdout);
  const int replies = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (replies < 0) {
    return -1;
  }
  if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    const int error = errno;
    close(replies);
    errno = error;
    return -1;
  }
  return replies;
}

int run(const Options& options) {
  const std::string path = libraryPath();
  ServiceLibrary library(path);
  if (!loadServices(library, path)) {
    return 1;
  }
  // A command line that names no operation of a registered service cannot be used; it is
  // refused before anything is read.
  const std::string unknown = host::unknownNameMessage(options.service, options.operation);
  if (!unknown.empty()) {
    std::cerr << kProgram << ": " << unknown << "\nRun '" << kProgram
              << " --help' for the services, their operations and the exit statuses.\n";
    return 2;
  }
  const Descriptor output(divertDiagnostics());
  if (output.get() < 0) {
    std::cerr << kProgram
              << ": cannot set standard output apart for the replies: " << systemError(errno)
              << "\n";
    return 1;
  }
  std::vector<std::string> requests;
  if (!readRequests(options, requests)) {
    return 1;
  }
  std::unique_ptr<StoreFile> storeFile;
  {
    std::string text;
    bool missing = true;
    if (!options.storeFile.empty()) {
      storeFile = std::make_unique<StoreFile>(options.storeFile);
      if (!storeFile->open(text, missing)) {
        return 1;
      }
    }
    if (!seedStore(options.storeFile, text, missing)) {
      return 1;
    }
  }

  int status = 0;
  std::vector<host::Reply> replies;
  std::vector<std::string> sources;
  bool saved = false;
  // Writes reply `i` and releases its text. Every write is checked: a reply that does not reach
  // standard output (a full disk, a closed output, a reader that went away) is a failure of the
  // run, never an answer; false, after saying so, when it could not be written (`after` more
  // replies are then lost with it).
  const auto deliver = [&](std::size_t i, std::size_t after) {
    const std::string text = std::move(replies[i].text);
    if (!writeReply(output.get(), text)) {
      const std::string why = systemError(errno);
      const std::string lost =
          after == 0 ? "the reply was lost"
                     : "the reply and the " + std::to_string(after) + " after it were lost";
      std::cerr << kProgram << ": " << options.operation << " (" << sources[i]
                << "): cannot write the reply to standard output: " << why << "; "
                << (saved ? "the session was saved to " + options.storeFile + ", but " : "") << lost
                << "\n";
      return false;
    }
    if (replies[i].fault) {
      std::cerr << kProgram << ": " << options.operation << " (" << sources[i]
                << "): " << faultReason(replies[i]) << "\n";
      status = 1;
    }
    return true;
  };
  // Without a store nothing is saved, so each reply is written as soon as it is answered and is
  // not held; with a store every reply waits for the save, the cheapest way for a reply never
  // to hand out what was not kept: each is held once (moved, never copied) until then.
  const bool holdReplies = storeFile != nullptr;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    replies.push_back(host::dispatch(options.service, options.operation, requests[i]));
    std::string().swap(requests[i]);
    sources.push_back(sourceName(options.requests[i]));
    if (!holdReplies && !deliver(i, requests.size() - i - 1)) {
      return 1;
    }
  }
  if (!holdReplies) {
    return status;
  }
  // Saved before any reply is written, so that no reply hands out what was not kept.
  std::string failure;
  saved = storeFile->save(host::Store::instance().saveFixture(), failure);
  if (!saved) {
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
    if (!deliver(i, replies.size() - i - 1)) {
      return 1;
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
  // A reader that goes away, or a store past the file size limit (ulimit -f), is a failed write
  // that the run reports, not a silent end.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
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
