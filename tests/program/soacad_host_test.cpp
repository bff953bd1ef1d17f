// The host program as a user runs it: command line in, reply documents on standard output, a
// one-line reason on standard error and the exit status out. Runs the built program beside this
// test program against the built library and the example requests.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::string kService = "Cad-2007-01-DataManagement";

std::string folderOfThisProgram() {
  std::vector<char> self(4096);
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  const std::string path(self.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
  return path.substr(0, path.find_last_of('/'));
}

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    result.push_back(line);
  }
  return result;
}

// The most bytes a request may have (the parser's limit, which the program reads no further
// than).
constexpr std::int64_t kMaxRequestBytes = 128 * 1024 * 1024;

// A request that makes a part of its own, with a new item.
const char* const kNewPart =
    "<CreateOrUpdatePartsInput><info clientId=\"spacer\"><itemInput name=\"Spacer\" "
    "itemType=\"Part\"><item uid=\"\"/><folder uid=\"\"/></itemInput><itemRevInput>"
    "<itemRevision uid=\"\"/></itemRevInput></info></CreateOrUpdatePartsInput>";

// The exit status and the peak resident memory (bytes) of a shell command: the shell's own and
// that of every process it waited for, the program among them.
std::pair<int, std::int64_t> statusAndPeakOf(const std::string& command) {
  const pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int raw = 0;
  struct rusage usage {};
  if (child < 0 || wait4(child, &raw, 0, &usage) != child) {
    return {-1, 0};
  }
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1,
          static_cast<std::int64_t>(usage.ru_maxrss) * 1024};
}

// The text of a file of the source tree, every run of white space made one blank, so that a
// statement of a document is found however its lines are wrapped.
std::string sourceText(const std::string& relative) {
  std::string text;
  for (const char c : readFile(std::string(SOACAD_SOURCE_DIR) + "/" + relative)) {
    const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (!blank) {
      text += c;
    } else if (!text.empty() && text.back() != ' ') {
      text += ' ';
    }
  }
  return text;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

class HostProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/soacad-host-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

  // Runs soacad-host with `arguments` (already quoted where needed) and `input` on stdin;
  // `output` redirects its standard output (by default to a file that `out` is read from);
  // `before` is shell text put in front of the command (a variable, a ulimit). The run is
  // stopped after a minute, so a run that blocks fails instead of hanging the test.
  Outcome run(const std::string& arguments, const std::string& input = "",
              const std::string& output = "", const std::string& before = "") {
    const std::string in = folder_ + "/stdin";
    writeFile(in, input);
    return runCommand(before + "timeout 60 " + hostCommand(arguments) + " <'" + in + "' " +
                      (output.empty() ? ">'" + folder_ + "/stdout'" : output));
  }
  // Runs the shell command, which writes to the file that `out` is read from, with its standard
  // error in the file that `err` is read from.
  Outcome runCommand(const std::string& command) {
    writeFile(folder_ + "/stdout", "");
    Outcome result;
    const int raw = std::system((command + " 2>'" + folder_ + "/stderr'").c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(folder_ + "/stdout");
    result.err = readFile(folder_ + "/stderr");
    return result;
  }
  static std::string hostCommand(const std::string& arguments) {
    return "'" + folderOfThisProgram() + "/soacad-host' " + arguments;
  }

  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  static std::string example(const std::string& operation,
                             const std::string& folder = "datamanagement") {
    return std::string(SOACAD_SOURCE_DIR) + "/examples/" + folder + "/" + operation + ".xml";
  }
  // The example request of `operation` with the first `from` replaced by `to`.
  static std::string editedExample(const std::string& operation, const std::string& folder,
                                   const std::string& from, const std::string& to) {
    std::string request = readFile(example(operation, folder));
    const std::size_t at = request.find(from);
    EXPECT_NE(at, std::string::npos) << operation << ": " << from;
    return at == std::string::npos ? request : request.replace(at, from.size(), to);
  }
  static std::string responseRoot(const std::string& operation) {
    return std::string(1, static_cast<char>(std::toupper(operation[0]))) + operation.substr(1) +
           "Response";
  }

  std::string folder_;
};

// Each request, from a file or from standard input ("-"), is answered on a line of its own
// against the demo store.
TEST_F(HostProgramTest, AnswersEveryRequestOnALineOfItsOwn) {
  const Outcome result =
      run(kService + " getAvailableTypes - '" + example("getAvailableTypes") + "'",
          "<GetAvailableTypesInput><classe>UnitOfMeasure</classe></GetAvailableTypesInput>");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_TRUE(result.err.empty()) << result.err;
  const std::vector<std::string> replies = lines(result.out);
  ASSERT_EQ(replies.size(), 2u) << result.out;
  EXPECT_EQ(replies[0].rfind("<GetAvailableTypesResponse>", 0), 0u) << replies[0];
  EXPECT_NE(replies[0].find("<value>each</value><value>mm</value><value>kg</value>"),
            std::string::npos)
      << replies[0];
  EXPECT_NE(replies[1].find("<inputClassToType key=\"Form\">"), std::string::npos) << replies[1];
}

// What a run that answers no request, or only with a fault, gives: its status, the start of its
// standard output and a piece of its one-line reason on standard error.
TEST_F(HostProgramTest, CommandLinesThatAnswerNoRequest) {
  writeFile(path("broken.xml"), "<fixture><object class=\"NoSuchClass\"/></fixture>");
  const struct {
    std::string arguments;
    const char* input;
    int status;
    const char* out;  // How standard output starts.
    std::string err;
  } cases[] = {
      {"--help", "", 0, "Usage:", ""},
      {"", "", 2, "", "Usage:"},
      {"Cad-2007-01-DataManagement", "", 2, "", "Usage:"},
      {"--store", "", 2, "", "Usage:"},
      {"--frobnicate a b", "", 2, "", "Usage:"},
      {"-h", "", 0, "Usage:", ""},
      // A service or operation that is not there is a command line that cannot be used: it is
      // refused before anything is read (a request file that does not exist included).
      {kService + " fetchEverything", "<x/>", 2, "",
       "soacad-host: The operation "
       "\"fetchEverything\" is not part of the service \"Cad-2007-01-DataManagement\"; its "
       "operations are \"createOrUpdateParts\", \"createOrUpdateRelations\", "
       "\"expandFoldersForCAD\", \"expandGRMRelations\", \"expandPrimaryObjects\", "
       "\"generateAlternateIds\", \"getAllAttrMappings\", \"getAttrMappingsForDatasetType\", "
       "\"getAvailableTypes\" and \"resolveAttrMappingsForDataset\".\nRun 'soacad-host --help'"},
      {"Cad-2007-06-StructureManagement expandPSOneLevel '" + path("missing.xml") + "'", "", 2, "",
       "is not part of the service \"Cad-2007-06-StructureManagement\"; its operations are "
       "\"getConfiguredItemRevision\".\n"},
      {"--store '" + path("plain/store.xml") + "' Cad-1999-01-Nothing getAvailableTypes", "<x/>", 2,
       "",
       "soacad-host: The service \"Cad-1999-01-Nothing\" is not registered; the registered "
       "services are \"Cad-2007-01-DataManagement\", \"Cad-2007-01-StructureManagement\" and "
       "\"Cad-2007-06-StructureManagement\".\n"},
      // A run uses one store, and standard input is read once.
      {"--store '" + path("a.xml") + "' --store '" + path("b.xml") + "' " + kService +
           " getAvailableTypes",
       "", 2, "",
       "soacad-host: --store is given twice (" + path("a.xml") + " and " + path("b.xml") +
           "); a run uses one store\nUsage:"},
      {kService + " getAvailableTypes - -", "<GetAvailableTypesInput/>", 2, "",
       "soacad-host: '-' is given more than once, but standard input is read only once: the "
       "first '-' reads it to its end\nUsage:"},
      {kService + " getAvailableTypes", "<GetAvailableTypesInput>", 1, "<ServiceException",
       "cannot be read"},
      // A fault whose message is only the failing input's client id says why through its detail.
      {"Cad-2007-01-StructureManagement createOrUpdateRelativeStructure",
       "<CreateOrUpdateRelativeStructureInput bomViewTypeName=\"view\"><input>"
       "<parent uid=\"r.000100.B\"/><childInfo clientId=\"spacer-1\"><child uid=\"r.999.A\"/>"
       "</childInfo></input></CreateOrUpdateRelativeStructureInput>",
       1, "<ServiceException",
       "createOrUpdateRelativeStructure (standard input): ServiceException: spacer-1: Not a valid "
       "object: r.999.A.\n"},
      {kService + " getAvailableTypes '" + path("missing.xml") + "'", "", 1, "",
       "soacad-host: cannot read " + path("missing.xml") +
           ": No such file or directory; no request was sent\n"},
      {kService + " getAvailableTypes '" + folder_ + "'", "", 1, "",
       "soacad-host: cannot read " + folder_ + ": Is a directory; no request was sent\n"},
      {"--store '" + path("broken.xml") + "' " + kService + " getAvailableTypes", "<x/>", 1, "",
       "cannot load the store"},
  };
  writeFile(path("plain"), "not a folder");
  for (const auto& test : cases) {
    SCOPED_TRACE(test.arguments);
    const Outcome result = run(test.arguments, test.input);
    EXPECT_EQ(result.status, test.status) << result.err;
    EXPECT_EQ(result.out.rfind(test.out, 0), 0u) << result.out;
    EXPECT_EQ(result.out.empty(), *test.out == '\0') << result.out;
    EXPECT_NE(result.err.find(test.err), std::string::npos) << result.err;
    if (test.status == 1) {
      EXPECT_EQ(lines(result.err).size(), 1u) << result.err;  // A fault's reason is one line.
    }
  }
  EXPECT_FALSE(std::ifstream(path("b.xml"))) << "a refused command line saved a store";
}

// The help is the whole contract: every service with its operations, the exit statuses (a
// response with partial errors still exits 0) and both spellings of the help option.
TEST_F(HostProgramTest, HelpListsServicesOperationsAndExitStatuses) {
  const Outcome result = run("--help");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(run("-h").out, result.out);
  const std::string help = result.out;
  const std::vector<std::pair<std::string, std::vector<std::string>>> services = {
      {"Cad-2007-01-DataManagement",
       {"getAvailableTypes", "generateAlternateIds", "createOrUpdateParts", "expandGRMRelations",
        "expandPrimaryObjects", "expandFoldersForCAD", "createOrUpdateRelations",
        "getAllAttrMappings", "getAttrMappingsForDatasetType", "resolveAttrMappingsForDataset"}},
      {"Cad-2007-01-StructureManagement",
       {"createOrUpdateRelativeStructure", "deleteRelativeStructure",
        "createOrUpdateAbsoluteStructure", "expandPSOneLevel", "expandPSAllLevels",
        "createBOMWindows", "closeBOMWindows", "deleteAssemblyArrangements", "getRevisionRules",
        "getVariantRules"}},
      {"Cad-2007-06-StructureManagement", {"getConfiguredItemRevision"}}};
  std::size_t from = 0;
  for (const auto& [service, operations] : services) {
    const std::size_t at = help.find("\n  " + service + "\n", from);
    ASSERT_NE(at, std::string::npos) << service << " in order\n" << help;
    // The service's operations follow it, before the next service or the end of the list.
    const std::size_t end = help.find("\n  C", at + 1);
    const std::string listed = help.substr(at, end == std::string::npos ? end : end - at);
    for (const std::string& operation : operations) {
      EXPECT_NE(listed.find(" " + operation), std::string::npos) << service << " " << operation;
    }
    from = at + 1;
  }
  for (const char* text :
       {"-h, --help", "Exit status:", "  0  every request was answered", "partial errors",
        "  1  a request was answered with a fault", "  2  the command line cannot be used",
        "--store FILE", "DEBUG_SOACAD"}) {
    EXPECT_NE(help.find(text), std::string::npos) << text << "\n" << help;
  }
  // A usage error points to the help instead of repeating it.
  const Outcome wrong = run("--frobnicate");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("soacad-host --help"), std::string::npos) << wrong.err;
}

// A service library that cannot be loaded fails every run: a request is not answered, and the
// help says why it cannot list the services.
TEST_F(HostProgramTest, LibraryThatCannotBeLoadedFailsTheRun) {
  const char* const variable = "SOACAD_LIBRARY";
  const char* const kept = std::getenv(variable);
  const std::string library = kept == nullptr ? std::string() : kept;
  ASSERT_EQ(setenv(variable, path("missing/libsoacad.so").c_str(), 1), 0);
  const Outcome request =
      run(kService + " getAvailableTypes", readFile(example("getAvailableTypes")));
  const Outcome help = run("--help");
  if (kept == nullptr) {
    unsetenv(variable);
  } else {
    setenv(variable, library.c_str(), 1);
  }
  EXPECT_EQ(request.status, 1);
  EXPECT_TRUE(request.out.empty()) << request.out;
  EXPECT_EQ(
      request.err.rfind(
          "soacad-host: cannot load the service library " + path("missing/libsoacad.so") + ": ", 0),
      0u)
      << request.err;
  EXPECT_EQ(help.status, 1);
  EXPECT_NE(help.out.find("The services cannot be listed: the service library " +
                          path("missing/libsoacad.so") + " cannot be loaded."),
            std::string::npos)
      << help.out;
  EXPECT_NE(help.out.find("Exit status:"), std::string::npos) << help.out;
}

// A reply that cannot be written is a failure of the run, never an answer: with standard output
// full or closed, the run exits 1 and says that the session was saved but the reply was lost.
TEST_F(HostProgramTest, ReplyThatCannotBeWrittenFailsTheRun) {
  const std::string store = path("store.xml");
  const struct {
    const char* output;
    const char* reason;
  } cases[] = {{">/dev/full", "No space left on device"}, {">&-", "Bad file descriptor"}};
  for (const auto& test : cases) {
    SCOPED_TRACE(test.output);
    std::remove(store.c_str());
    const Outcome result = run("--store '" + store + "' " + kService + " createOrUpdateParts",
                               readFile(example("createOrUpdateParts")), test.output);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "soacad-host: createOrUpdateParts (standard input): cannot write the "
              "reply to standard output: " +
                  std::string(test.reason) + "; the session was saved to " + store +
                  ", but the reply was lost\n");
    EXPECT_NE(readFile(store).find("Bearing cover"), std::string::npos) << "the session is saved";
  }
  // Without a store nothing is saved, and the run says only that the replies are lost.
  const Outcome result =
      run(kService + " getAvailableTypes - '" + example("getAvailableTypes") + "'",
          "<GetAvailableTypesInput/>", ">/dev/full");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("No space left on device; the reply and the 1 after it were lost\n"),
            std::string::npos)
      << result.err;
}

// One run at a time works on a store: a run that finds it in use waits for the other to finish,
// so that two runs that each create a part both keep it (the later save never drops the earlier
// run's work).
TEST_F(HostProgramTest, RunsOnOneStoreTakeTurns) {
  ASSERT_EQ(mkdir(path("data").c_str(), 0755), 0);
  const std::string store = path("data/store.xml");
  writeFile(path("part.xml"),
            "<CreateOrUpdatePartsInput><info clientId=\"spacer\"><itemInput name=\"Spacer\" "
            "itemType=\"Part\"><item uid=\"\"/><folder uid=\"\"/></itemInput><itemRevInput>"
            "<itemRevision uid=\"\"/></itemRevInput></info></CreateOrUpdatePartsInput>");
  // The test holds the store in use while both runs start.
  const int folder = open(path("data").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  for (const std::string name : {"a", "b"}) {
    const std::string command = "(timeout 60 " +
                                hostCommand("--store '" + store + "' " + kService +
                                            " createOrUpdateParts '" + path("part.xml") + "'") +
                                " >'" + path(name + ".out") + "' 2>'" + path(name + ".err") +
                                "'; echo $? >'" + path(name + ".status.tmp") + "'; mv '" +
                                path(name + ".status.tmp") + "' '" + path(name + ".status") +
                                "') &";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_FALSE(std::ifstream(path("a.status"))) << "a run went on while the store was in use";
  EXPECT_FALSE(std::ifstream(path("b.status"))) << "a run went on while the store was in use";
  close(folder);
  std::vector<std::string> items;
  for (const std::string name : {"a", "b"}) {
    for (int tries = 0; tries < 600 && !std::ifstream(path(name + ".status")); ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(readFile(path(name + ".status")), "0\n") << readFile(path(name + ".err"));
    EXPECT_NE(readFile(path(name + ".err")).find("is in use by another run; waiting for it"),
              std::string::npos);
    const std::string out = readFile(path(name + ".out"));
    const std::size_t at = out.find("<item uid=\"");
    ASSERT_NE(at, std::string::npos) << out;
    items.push_back(out.substr(at + 11, out.find('"', at + 11) - at - 11));
  }
  EXPECT_NE(items[0], items[1]);
  const std::string saved = readFile(store);
  for (const std::string& item : items) {
    EXPECT_NE(saved.find("uid=\"" + item + "\""), std::string::npos) << item << " was dropped";
  }
}

// What a run refuses to take as its store without blocking: anything but a regular file (or a
// link to one), a FIFO included.
TEST_F(HostProgramTest, StoreThatIsNoRegularFileIsRefusedWithoutBlocking) {
  ASSERT_EQ(mkfifo(path("fifo.xml").c_str(), 0600), 0);
  ASSERT_EQ(symlink("fifo.xml", path("link.xml").c_str()), 0);
  for (const std::string name : {"fifo.xml", "link.xml"}) {
    const Outcome result = run("--store '" + path(name) + "' " + kService + " getAvailableTypes",
                               "<GetAvailableTypesInput/>");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "soacad-host: cannot read the store " + path(name) + ": it is not a regular file\n");
    EXPECT_TRUE(result.out.empty()) << result.out;
  }
  struct stat fifo;
  ASSERT_EQ(lstat(path("fifo.xml").c_str(), &fifo), 0);
  EXPECT_TRUE(S_ISFIFO(fifo.st_mode)) << "the FIFO was replaced";
}

// What is in the store file is what the next run sees and saves again; saving replaces the file
// a link names, keeps the old file's mode and leaves no temporary file behind.
TEST_F(HostProgramTest, StoreFileCarriesTheSessionFromRunToRun) {
  ASSERT_EQ(mkdir(path("data").c_str(), 0755), 0);
  const std::string store = path("data/store.xml");
  Outcome result = run("--store '" + store + "' " + kService + " getAvailableTypes",
                       "<GetAvailableTypesInput/>");
  ASSERT_EQ(result.status, 0) << result.err;
  std::string saved = readFile(store);
  ASSERT_NE(saved.find("f.gearbox"), std::string::npos) << "the demo store was saved";
  EXPECT_EQ(saved.find("<counter"), std::string::npos);
  saved.insert(saved.rfind("</fixture>"),
               "<object uid=\"uom.m\" class=\"UnitOfMeasure\" type=\"UnitOfMeasure\">"
               "<prop name=\"symbol\" value=\"m\"/></object>\n");
  writeFile(store, saved);
  ASSERT_EQ(chmod(store.c_str(), 0600), 0);
  ASSERT_EQ(symlink("data/store.xml", path("link.xml").c_str()), 0);

  result = run("--store '" + path("link.xml") + "' " + kService + " generateAlternateIds",
               readFile(example("generateAlternateIds")));
  ASSERT_EQ(result.status, 0) << result.err;
  saved = readFile(store);
  EXPECT_NE(saved.find("uom.m"), std::string::npos);
  EXPECT_NE(saved.find("<counter"), std::string::npos);
  struct stat link;
  ASSERT_EQ(lstat(path("link.xml").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode)) << "the link was replaced by a file";
  struct stat target;
  ASSERT_EQ(stat(store.c_str(), &target), 0);
  EXPECT_EQ(target.st_mode & 07777, 0600u);
  std::string names;
  for (const std::string& folder : {path("data"), folder_}) {
    const std::string command = "ls -A '" + folder + "' > '" + path("listing") + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    names += readFile(path("listing"));
  }
  EXPECT_EQ(names, "store.xml\ndata\nlink.xml\nlisting\nstderr\nstdin\nstdout\n");
}

// Only "no such file" starts from the demo store: a store that exists but cannot be read fails
// the run with the system's reason and is left as it was; so does a store that could not be
// saved (a folder that does not exist, a read-only file that the rename would replace all the
// same), before any request is sent. A store that cannot be saved after the requests (here:
// past the file size limit) fails the run with the system's reason, and no response is written
// as if its changes had been kept.
TEST_F(HostProgramTest, StoreThatCannotBeReadOrSavedFailsTheRunAndIsLeftAlone) {
  ASSERT_EQ(mkdir(path("folder.xml").c_str(), 0755), 0);
  writeFile(path("plain"), "not a folder");
  ASSERT_EQ(run("--store '" + path("readonly.xml") + "' " + kService + " getAvailableTypes",
                "<GetAvailableTypesInput/>")
                .status,
            0);
  const std::string readOnly = readFile(path("readonly.xml"));
  ASSERT_EQ(chmod(path("readonly.xml").c_str(), 0444), 0);
  const struct {
    std::string store;
    const char* failed;
    std::string reason;  // The system's, or the program's.
    const char* before;
    const char* out;
  } cases[] = {
      {path("folder.xml"), "cannot read the store ", ": Is a directory\n", "", ""},
      {path("plain") + "/store.xml", "cannot read the store ", ": Not a directory\n", "", ""},
      {path("missing/store.xml"), "cannot save the store ",
       ": its folder " + path("missing/") + " does not exist\n", "", ""},
      {path("readonly.xml"), "cannot save the store ", ": it is read-only (mode 0444)\n", "", ""},
      {path("big.xml"), "cannot save the store ", ": File too large\n", "ulimit -f 8; ",
       "<ServiceException"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.store);
    const Outcome result = run("--store '" + test.store + "' " + kService + " generateAlternateIds",
                               readFile(example("generateAlternateIds")), "", test.before);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(lines(result.err).size(), *test.out == 0 ? 1u : 2u) << result.err;
    EXPECT_NE(result.err.find(test.failed + test.store + test.reason), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out.rfind(test.out, 0), 0u) << result.out;
    EXPECT_EQ(result.out.find("GenerateAlternateIdsResponse"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("The session was not saved") != std::string::npos, *test.out != 0);
  }
  struct stat status;
  ASSERT_EQ(stat(path("folder.xml").c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(readFile(path("plain")), "not a folder");
  EXPECT_EQ(readFile(path("readonly.xml")), readOnly);
  ASSERT_EQ(stat(path("readonly.xml").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0444u);
  EXPECT_FALSE(std::ifstream(path("big.xml"))) << "a store that could not be saved was left";
}

// Every request is read before the first is sent: when one cannot be read (there is no such
// file, it is a folder, it has more bytes than a request may have), none is sent, no reply is
// written (a script pairing replies with inputs by position cannot go wrong) and the store is
// left as it was.
TEST_F(HostProgramTest, RequestThatCannotBeReadSendsNone) {
  const std::string store = path("store.xml");
  writeFile(path("part.xml"), kNewPart);
  ASSERT_EQ(
      run("--store '" + store + "' " + kService + " getAvailableTypes", "<GetAvailableTypesInput/>")
          .status,
      0);
  const std::string before = readFile(store);
  // Past the limit by a byte, without the test writing 128 MiB: the file is sparse.
  const int big = open(path("big.xml").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(big, 0);
  ASSERT_EQ(ftruncate(big, kMaxRequestBytes + 1), 0);
  close(big);
  const struct {
    std::string request;
    std::string reason;
  } cases[] = {
      {path("missing.xml"), "No such file or directory"},
      {folder_, "Is a directory"},
      {path("big.xml"), "it has 134217729 bytes, more than the 134217728 a request may have"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.request);
    const Outcome result = run("--store '" + store + "' " + kService + " createOrUpdateParts '" +
                                   path("part.xml") + "' '" + test.request + "' -",
                               readFile(example("createOrUpdateParts")));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "soacad-host: cannot read " + test.request + ": " + test.reason +
                              "; no request was sent\n");
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_EQ(readFile(store), before);
  }
}

// A request read from a pipe (or any source that is not a regular file) is refused as soon as it
// passes the limit, and the run never holds much more than the limit while reading it: the
// buffer that grows towards the limit is never larger than the limit.
TEST_F(HostProgramTest, PipePastTheLimitIsRefusedHoldingNoMoreThanTheLimit) {
  // The sanitizer build keeps freed blocks in quarantine: they are given back at once here, as
  // in a normal build, so that the peak counts what the program holds.
  const std::string command =
      "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=0\" "
      "timeout 60 " +
      hostCommand(kService + " getAvailableTypes");
  const auto [smallStatus, smallPeak] =
      statusAndPeakOf("echo '<GetAvailableTypesInput/>' | " + command + " >/dev/null 2>&1");
  ASSERT_EQ(smallStatus, 0);
  const auto [status, peak] = statusAndPeakOf("cat /dev/zero | " + command + " >'" + path("out") +
                                              "' 2>'" + path("err") + "'");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(readFile(path("err")),
            "soacad-host: cannot read standard input: it has more than the 134217728 bytes a "
            "request may have; no request was sent\n");
  EXPECT_TRUE(readFile(path("out")).empty());
  EXPECT_LE(peak - smallPeak, kMaxRequestBytes + 32 * 1024 * 1024)
      << "peak " << peak << " bytes, a trivial request's " << smallPeak;
}

// The store path is resolved once, when the run starts: a link to the store that is pointed
// elsewhere while the run waits for the store's folder does not make the run read or save
// another file (in a folder it never locked); the run works on the file the link named.
TEST_F(HostProgramTest, StorePathIsResolvedOnceForTheWholeRun) {
  ASSERT_EQ(mkdir(path("data").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(path("other").c_str(), 0755), 0);
  ASSERT_EQ(run("--store '" + path("data/store.xml") + "' " + kService + " getAvailableTypes",
                "<GetAvailableTypesInput/>")
                .status,
            0);
  const std::string other = readFile(path("data/store.xml"));
  writeFile(path("other/store.xml"), other);
  writeFile(path("part.xml"), kNewPart);
  ASSERT_EQ(symlink("data/store.xml", path("link.xml").c_str()), 0);
  const int folder = open(path("data").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0);
  ASSERT_EQ(flock(folder, LOCK_EX), 0);
  const std::string command = "(timeout 60 " +
                              hostCommand("--store '" + path("link.xml") + "' " + kService +
                                          " createOrUpdateParts '" + path("part.xml") + "'") +
                              " >'" + path("run.out") + "' 2>'" + path("run.err") +
                              "'; echo $? >'" + path("status.tmp") + "'; mv '" +
                              path("status.tmp") + "' '" + path("status") + "') &";
  ASSERT_EQ(std::system(command.c_str()), 0);
  // The run has resolved the link and waits for the folder.
  for (int tries = 0; tries < 600 && readFile(path("run.err")).find("waiting") == std::string::npos;
       ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(unlink(path("link.xml").c_str()), 0);
  ASSERT_EQ(symlink("other/store.xml", path("link.xml").c_str()), 0);
  close(folder);
  for (int tries = 0; tries < 600 && !std::ifstream(path("status")); ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(readFile(path("status")), "0\n") << readFile(path("run.err"));
  EXPECT_NE(readFile(path("data/store.xml")).find("Spacer"), std::string::npos)
      << "the part was not saved to the store the link named when the run started";
  EXPECT_EQ(readFile(path("other/store.xml")), other) << "a store in an unlocked folder changed";
}

// A counter hands out numbers up to 2^63 - 1 and then refuses: the input that asks for one past
// it fails with a message naming the counter (its ids already made are dropped), and the counter
// is saved where it stopped, never wrapped. A store holding a counter past the range is refused.
TEST_F(HostProgramTest, CountersRefuseNumbersPastTheirRange) {
  const std::string store = path("store.xml");
  ASSERT_EQ(run("--store '" + store + "' " + kService + " generateAlternateIds",
                readFile(example("generateAlternateIds")))
                .status,
            0);
  const std::string counter = "<counter name=\"alt_id/i.000100/type.CADAltId/GBX-####\" value=\"";
  std::string saved = readFile(store);
  const std::size_t at = saved.find(counter + "3\"/>");
  ASSERT_NE(at, std::string::npos) << saved;
  saved.replace(at, counter.size() + 4, counter + "9223372036854775806\"/>");
  saved.insert(saved.rfind("</fixture>"),
               "<counter name=\"uid\" value=\"9223372036854775807\"/>\n");
  writeFile(store, saved);

  Outcome result = run("--store '" + store + "' " + kService + " generateAlternateIds",
                       readFile(example("generateAlternateIds")));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.find("inputIndexToAltId key=\"0\""), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("<inputIndexToAltId key=\"1\"><value>000002</value>"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("message=\"The counter alt_id/i.000100/type.CADAltId/GBX-#### has "
                            "reached 9223372036854775807, the highest number it hands out; no "
                            "further id or UID can be made from it.\" code=\"7019\""),
            std::string::npos)
      << result.out;
  EXPECT_NE(readFile(store).find(counter + "9223372036854775807\"/>"), std::string::npos);

  writeFile(path("part.xml"), kNewPart);
  result = run("--store '" + store + "' " + kService + " createOrUpdateParts '" + path("part.xml") +
               "'");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("The counter uid has reached 9223372036854775807"), std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("createdObj"), std::string::npos) << result.out;

  saved = readFile(store);
  saved.insert(saved.rfind("</fixture>"),
               "<counter name=\"item_id\" value=\"9223372036854775808\"/>\n");
  writeFile(store, saved);
  result = run("--store '" + store + "' " + kService + " getAvailableTypes",
               "<GetAvailableTypesInput/>");
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("cannot load the store " + store + ": "), std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("counter value \"9223372036854775808\" is past the highest a counter "
                            "reaches, 9223372036854775807"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(readFile(store), saved);
}

// With DEBUG_SOACAD set the operations' dumps go to standard error: standard output holds one
// reply per line and nothing else.
TEST_F(HostProgramTest, DiagnosticDumpsStayOutOfTheReplies) {
  writeFile(path("part.xml"), kNewPart);
  const Outcome result = run(kService + " createOrUpdateParts - '" + path("part.xml") + "'",
                             readFile(example("createOrUpdateParts")), "", "DEBUG_SOACAD=1 ");
  EXPECT_EQ(result.status, 0) << result.err;
  const std::vector<std::string> replies = lines(result.out);
  ASSERT_EQ(replies.size(), 2u) << result.out;
  for (const std::string& reply : replies) {
    EXPECT_EQ(reply.rfind("<CreateOrUpdatePartsResponse>", 0), 0u) << reply;
  }
  EXPECT_NE(result.err.find("Start of data dump from createOrUpdateParts"), std::string::npos)
      << result.err;
}

// A run that reads its request from a terminal says so on standard error, instead of waiting
// without a word.
TEST_F(HostProgramTest, StandardInputOnATerminalIsAnnounced) {
  const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  ASSERT_EQ(grantpt(terminal), 0);
  ASSERT_EQ(unlockpt(terminal), 0);
  const std::string name = ptsname(terminal);
  // The line and an end of input (Ctrl-D) wait in the terminal until the program reads them.
  const std::string typed = "<GetAvailableTypesInput/>\n\x04";
  ASSERT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  const Outcome result = runCommand("timeout 60 " + hostCommand(kService + " getAvailableTypes") +
                                    " <'" + name + "' >'" + path("stdout") + "'");
  close(terminal);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err,
            "soacad-host: reading the request from standard input (end it with Ctrl-D on a line "
            "of its own)\n");
  EXPECT_EQ(result.out.rfind("<GetAvailableTypesResponse", 0), 0u) << result.out;
}

// Messages say what to fix: the value that was wrong and the field it came in.
TEST_F(HostProgramTest, MessagesNameTheValueAndTheField) {
  const std::string structure = "Cad-2007-01-StructureManagement";
  const std::string unknownType =
      "message=\"&quot;NoSuchType&quot; is not a valid value of the "
      "property altIdType.\" code=\"7013\"";
  const struct {
    std::string service;
    std::string operation;
    std::string request;
    int status;
    std::string shown;  // In the reason line (status 1) or the reply (status 0).
  } cases[] = {
      {structure, "getVariantRules", "<GetVariantRulesInput/>", 1,
       "getVariantRules (standard input): ServiceException: The request names no item revision "
       "(itemRev): give at least one whose variant rules are wanted.\n"},
      {structure, "createOrUpdateRelativeStructure",
       editedExample("createOrUpdateRelativeStructure", "structuremanagement",
                     "bomViewTypeName=\"view\"", "bomViewTypeName=\"nosuchview\""),
       1, "ServiceException: There is no BOM view type \"nosuchview\" (bomViewTypeName).\n"},
      // The parent's fault, and the error behind it as its next sentence.
      {structure, "deleteRelativeStructure",
       editedExample("deleteRelativeStructure", "structuremanagement", "uid=\"r.000100.B\"",
                     "uid=\"i.000100\""),
       1,
       "ServiceException: The parent i.000100 is not an item revision. i.000100 is not of class "
       "ItemRevision.\n"},
      {kService, "generateAlternateIds",
       editedExample("generateAlternateIds", "datamanagement", "altIdType=\"CADAltId\"",
                     "altIdType=\"NoSuchType\""),
       0, unknownType},
      {kService, "generateAlternateIds",
       editedExample("generateAlternateIds", "datamanagement", "altIdType=\"CADAltId\" count=\"3\"",
                     "altIdType=\"NoSuchType\" count=\"0\""),
       0, unknownType},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.operation + ": " + test.shown);
    const Outcome result = run(test.service + " " + test.operation, test.request);
    EXPECT_EQ(result.status, test.status) << result.err;
    if (test.status == 1) {
      EXPECT_EQ(result.err.size() - std::min(result.err.size(), test.shown.size()),
                result.err.find(test.shown))
          << result.err;
    } else {
      EXPECT_NE(result.out.find(test.shown), std::string::npos) << result.out;
      EXPECT_EQ(result.out.find("inputIndexToAltId key=\"0\""), std::string::npos) << result.out;
    }
  }
}

// What docs/operations.md says of the program's answers is what the program answers.
TEST_F(HostProgramTest, DocumentedAnswersAreTheProgramsAnswers) {
  const std::string operations = sourceText("docs/operations.md");
  const auto documented = [&](const std::string& statement) {
    EXPECT_NE(operations.find(statement), std::string::npos) << statement;
  };
  const auto alternateIds = [](const std::vector<std::string>& inputs) {
    std::string request = "<GenerateAlternateIdsInput>";
    for (const std::string& input : inputs) {
      request += "<input " + input +
                 " pattern=\"A-######\"><idContext uid=\"i.000100\"/><parentAltId uid=\"\"/>"
                 "</input>";
    }
    return request + "</GenerateAlternateIdsInput>";
  };
  // The cap of 100,000 ids counts across the inputs of a request.
  Outcome result = run(kService + " generateAlternateIds",
                       alternateIds({"altIdType=\"CADAltId\" count=\"60000\"",
                                     "altIdType=\"CADAltId\" count=\"60000\""}));
  EXPECT_NE(result.out.find("<inputIndexToAltId key=\"0\">"), std::string::npos);
  EXPECT_EQ(result.out.find("<inputIndexToAltId key=\"1\">"), std::string::npos);
  EXPECT_NE(result.out.find("a request makes at most 100000 ids; 60000 were made before this "
                            "input).\" code=\"7013\""),
            std::string::npos);
  documented("A request makes at most 100,000 ids, counted across its inputs");
  documented("Two inputs of 60,000 give the first its ids and fail the second.");
  // An unknown identifier type fails also with count 0.
  result = run(kService + " generateAlternateIds",
               alternateIds({"altIdType=\"NoSuchType\" count=\"0\""}));
  EXPECT_EQ(result.out.find("<inputIndexToAltId"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("message=\"&quot;NoSuchType&quot; is not a valid value of the "
                            "property altIdType.\" code=\"7013\""),
            std::string::npos)
      << result.out;
  documented(
      "an `altIdType` that names no identifier type, whatever the `count`, 0 included "
      "(7013, \"\\\"X\\\" is not a valid value of the property altIdType.\")");
  // The codes of an item without the view and of a revision without the view revision.
  for (const auto& [parent, code] :
       {std::make_pair("r.000101.A", "215044"), std::make_pair("r.000100.A", "215043")}) {
    result = run("Cad-2007-01-StructureManagement deleteRelativeStructure",
                 editedExample("deleteRelativeStructure", "structuremanagement",
                               "uid=\"r.000100.B\"", std::string("uid=\"") + parent + "\""));
    EXPECT_NE(result.out.find(std::string("code=\"") + code + "\""), std::string::npos)
        << result.out;
  }
  documented("no view (215044) or no view revision (215043), a structure");
  documented("no view, 215044, or no view revision, 215043; not checked out");
  // Mapped attributes are keyed by the UIDs of the dataset and the revision.
  result = run(kService + " createOrUpdateParts",
               editedExample("createOrUpdateParts-existing", "datamanagement", "<datasetFileInfo",
                             "<mappingAttribute name=\"\" value=\"1\"/><datasetFileInfo"));
  EXPECT_NE(result.out.find("<partialError clientId=\"d.000101.A.model,r.000101.A\"><errorValue "
                            "message=\"The attribute at position 0 has no name.\" "
                            "code=\"215093\""),
            std::string::npos)
      << result.out;
  documented(
      "Mapped CAD attributes are keyed by UIDs, as in the attribute-mapping operations, "
      "not by client ids");
  documented("one without a name under the two UIDs (215093)");
}

// The READMEs say what a new user needs: the benchmarks' configure needs pugixml, which the
// set-up installs; the by-hand run of examples/README.md works as written, with the store in a
// folder of its own.
TEST_F(HostProgramTest, ReadmesMatchTheBuildAndTheProgram) {
  EXPECT_NE(sourceText("bench/CMakeLists.txt").find("find_package(pugixml REQUIRED)"),
            std::string::npos);
  EXPECT_NE(sourceText("scripts/setup.sh").find(" libpugixml-dev"), std::string::npos);
  EXPECT_NE(sourceText("README.md").find("pugixml (`libpugixml-dev`"), std::string::npos);

  const std::string examples = readFile(std::string(SOACAD_SOURCE_DIR) + "/examples/README.md");
  const std::size_t block = examples.find("```sh\n", examples.find("by hand"));
  ASSERT_NE(block, std::string::npos);
  std::string commands = examples.substr(block + 6, examples.find("```", block + 6) - block - 6);
  for (const auto& [from, to] :
       {std::make_pair(std::string("build/release/bin/soacad-host "), hostCommand("")),
        std::make_pair(std::string(" examples/"),
                       " " + std::string(SOACAD_SOURCE_DIR) + "/examples/")}) {
    for (std::size_t at = 0; (at = commands.find(from, at)) != std::string::npos; at += to.size()) {
      commands.replace(at, from.size(), to);
    }
  }
  EXPECT_EQ(commands.find("/tmp"), std::string::npos) << commands;
  const Outcome result =
      runCommand("cd '" + folder_ + "' && (" + commands + ") >'" + path("stdout") + "'");
  EXPECT_EQ(result.status, 0) << commands << "\n" << result.err;
  EXPECT_EQ(result.out.rfind("<ExpandFoldersForCADResponse>", 0), 0u) << result.out;
  EXPECT_NE(readFile(path("session/store.xml")).find("f.gearbox"), std::string::npos);
}

// Every example in the order of a session, each answered without an error: an example named
// "<operation>-<what>" is a further request to that operation (updating the demo store's own
// part, dataset and named reference, for one). The window examples name the window that
// createBOMWindows opens, so the session takes its UIDs from that reply.
TEST_F(HostProgramTest, EveryExampleIsAnsweredWithItsResponse) {
  const std::string store = "--store '" + path("session.xml") + "' ";
  const std::string structure = "Cad-2007-01-StructureManagement";
  std::string window;
  std::string topLine;
  const std::vector<std::pair<std::string, std::string>> session = {
      {kService, "getAvailableTypes"},
      {kService, "generateAlternateIds"},
      {kService, "getAllAttrMappings"},
      {kService, "getAttrMappingsForDatasetType"},
      {kService, "resolveAttrMappingsForDataset"},
      {kService, "createOrUpdateParts"},
      {kService, "createOrUpdateParts-existing"},
      {kService, "createOrUpdateRelations"},
      {kService, "expandGRMRelations"},
      {kService, "expandPrimaryObjects"},
      {kService, "expandFoldersForCAD"},
      {structure, "getRevisionRules"},
      {structure, "getVariantRules"},
      {"Cad-2007-06-StructureManagement", "getConfiguredItemRevision"},
      {structure, "createBOMWindows"},
      {structure, "expandPSOneLevel"},
      {structure, "expandPSAllLevels"},
      {structure, "closeBOMWindows"},
      {structure, "createOrUpdateRelativeStructure"},
      {structure, "createOrUpdateAbsoluteStructure"},
      {structure, "deleteAssemblyArrangements"},
      {structure, "deleteRelativeStructure"}};
  for (const auto& [service, name] : session) {
    const std::string operation = name.substr(0, name.find('-'));
    std::string request =
        readFile(example(name, service == kService ? "datamanagement" : "structuremanagement"));
    for (const auto& [placeholder, uid] : {std::make_pair(std::string("\"bw.1\""), window),
                                           std::make_pair(std::string("\"bl.1.top\""), topLine)}) {
      for (std::size_t at; (at = request.find(placeholder)) != std::string::npos;) {
        request.replace(at, placeholder.size(), "\"" + uid + "\"");
      }
    }
    const Outcome result = run(store + service + " " + operation, request);
    ASSERT_EQ(result.status, 0) << operation << ": " << result.err;
    EXPECT_EQ(result.out.rfind("<" + responseRoot(operation), 0), 0u) << result.out;
    EXPECT_EQ(result.out.find("partialError"), std::string::npos) << operation << result.out;
    if (operation == "createBOMWindows") {
      auto uidAfter = [&](const std::string& element) {
        const std::size_t at = result.out.find("<" + element + " uid=\"");
        const std::size_t start = at + element.size() + 7;
        return at == std::string::npos
                   ? std::string()
                   : result.out.substr(start, result.out.find('"', start) - start);
      };
      window = uidAfter("bomWindow");
      topLine = uidAfter("bomLine");
      ASSERT_FALSE(window.empty() || topLine.empty()) << result.out;
    }
  }
}

}  // namespace

// Requests a user may send by mistake or on purpose, each refused as a whole with a fault that
// names what is wrong and where, before the service is called (so nothing in the store changes).
TEST_F(HostProgramTest, RequestsThatDoNotFitTheirRecordsAreRefused) {
  const std::string structure = "Cad-2007-01-StructureManagement";
  const auto relative = [&](const std::string& from, const std::string& to) {
    return editedExample("createOrUpdateRelativeStructure", "structuremanagement", from, to);
  };
  const auto window = [&](const std::string& props) {
    return editedExample("createBOMWindows", "structuremanagement",
                         "<props today=\"false\" unitNo=\"-1\"/>", props);
  };
  std::string misspelt = relative("complete=\"false\"", "complete=\"true\"");
  for (std::size_t at; (at = misspelt.find("childInfo")) != std::string::npos;) {
    misspelt.replace(at, 9, "childinfo");
  }
  const struct {
    std::string service;
    std::string operation;
    std::string request;
    std::string fault;
  } cases[] = {
      {structure, "createOrUpdateRelativeStructure", misspelt,
       "line 4, column 61: unknown element \"childinfo\" in CreateOrUpdateRelativeStructureInfo"},
      {structure, "closeBOMWindows", readFile(example("createBOMWindows", "structuremanagement")),
       "line 1, column 24: root element \"CreateBOMWindowsInput\" is not \"CloseBOMWindowsInput\""},
      // A root name of any length is quoted in part, as every value is.
      {kService, "getAvailableTypes", "<" + std::string(1 << 20, 'R') + "/>",
       "root element \"" + std::string(64, 'R') +
           "\"... (1048576 bytes) is not "
           "\"GetAvailableTypesInput\""},
      // A UID written as text is refused, not dropped for an empty object.
      {kService, "expandPrimaryObjects",
       editedExample("expandPrimaryObjects", "datamanagement", "<object uid=\"r.000103.A\"/>",
                     "<object>i.000102</object>"),
       "line 3, column 11: text \"i.000102\" in ModelObject, which holds no text"},
      // XML 1.1 would let a control character reach the store.
      {kService, "createOrUpdateParts",
       "<?xml version=\"1.1\"?>" +
           editedExample("createOrUpdateParts", "datamanagement", "Cover", "Cover&#1;"),
       "line 1, column 16: XML version \"1.1\" refused"},
      {kService, "getAvailableTypes",
       editedExample("getAvailableTypes", "datamanagement", "<classe>Form</classe>",
                     "<classe name=\"x\">Form</classe>"),
       "unknown attribute \"name\" in GetAvailableTypesInput.classe"},
      {kService, "getAvailableTypes",
       editedExample("getAvailableTypes", "datamanagement", "Form", "Form<b/>"),
       "unknown element \"b\" in GetAvailableTypesInput.classe"},
      {structure, "createOrUpdateAbsoluteStructure",
       editedExample("createOrUpdateAbsoluteStructure", "structuremanagement",
                     "<occTransform>1</occTransform>", "<occTransform u=\"1\">1</occTransform>"),
       "unknown attribute \"u\" in AbsOccDataInfo.occTransform"},
      {kService, "getAvailableTypes",
       std::string("<GetAvailableTypesInput/>\0<classe>Item</classe>", 47),
       "line 1, column 26: NUL character refused"},
      {structure, "createOrUpdateRelativeStructure",
       relative("<occTransform>0.025<", "<occTransform>nan<"),
       "RelOccInfo.occTransform: \"nan\" is not a finite number"},
      {structure, "createOrUpdateRelativeStructure",
       relative("<occTransform>0.025<", "<occTransform> -INF <"), "is not a finite number"},
      {structure, "createOrUpdateRelativeStructure",
       relative("<occTransform>0.025<", "<occTransform>1e999<"), "is out of the range of a double"},
      {structure, "createBOMWindows", window("<props date=\"2023-02-30T00:00:00\"/>"),
       "RevisionRuleEntryProps.date: \"2023-02-30T00:00:00\" is not a date that exists"},
      {structure, "createBOMWindows", window("<props date=\"2023-04-31T12:00:00\"/>"),
       "is not a date that exists"},
      {structure, "createBOMWindows", window("<props date=\"2023-02-29T12:00:00\"/>"),
       "is not a date that exists"},
      {structure, "createBOMWindows", window("<props date=\"1900-02-29T12:00:00\"/>"),
       "is not a date that exists"},
  };
  for (const auto& c : cases) {
    const Outcome result = run(c.service + " " + c.operation, c.request);
    EXPECT_EQ(result.status, 1) << c.fault << "\n" << result.out;
    EXPECT_EQ(result.out.rfind("<ServiceException", 0), 0u) << result.out;
    EXPECT_NE(result.err.find("The request cannot be read: "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.fault), std::string::npos) << result.err;
  }
}

// What a field that the request leaves out, or spells in a way that is still its value, means.
TEST_F(HostProgramTest, OmittedFieldsTakeTheirMeaningAndValidSpellingsAreRead) {
  const std::string structure = "Cad-2007-01-StructureManagement";
  const std::string bomWindow = readFile(example("createBOMWindows", "structuremanagement"));
  const std::string props = "<props today=\"false\" unitNo=\"-1\"/>";
  const auto window = [&](const std::string& replacement) {
    std::string request = bomWindow;
    return request.replace(request.find(props), props.size(), replacement);
  };
  std::string alternateIds = readFile(example("generateAlternateIds"));
  alternateIds.replace(alternateIds.find("count=\"3\""), 9, "count=\"-0\"");
  // A date the rule has no entry for is the rule's own error (710044), not the request's.
  const std::string noDateEntry = "code=\"710044\"";
  const struct {
    std::string service;
    std::string operation;
    std::string request;
    std::string error;  // The one error the reply carries, empty for none.
  } cases[] = {
      // No unit given: the rule is used as it is, with no error for a unit it lacks.
      {structure, "createBOMWindows", window(""), ""},
      {structure, "createBOMWindows", window("<props/>"), ""},
      {structure, "createBOMWindows", window("<props date=\"2024-02-29T23:59:59\"/>"), noDateEntry},
      {structure, "createBOMWindows", window("<props date=\"2000-02-29T00:00:00\"/>"), noDateEntry},
      {kService, "generateAlternateIds", alternateIds, ""},
      {kService, "getAvailableTypes",
       "<p:GetAvailableTypesInput xmlns:p=\"urn:p\" xmlns=\"urn:d\">"
       "<classe>Item</classe></p:GetAvailableTypesInput>",
       ""},
  };
  for (const auto& c : cases) {
    const Outcome result = run(c.service + " " + c.operation, c.request);
    EXPECT_EQ(result.status, 0) << c.request << "\n" << result.err;
    EXPECT_EQ(result.out.rfind("<" + responseRoot(c.operation), 0), 0u) << result.out;
    if (c.error.empty()) {
      EXPECT_EQ(result.out.find("partialError"), std::string::npos) << c.request << result.out;
    } else {
      EXPECT_NE(result.out.find(c.error), std::string::npos) << c.request << result.out;
    }
  }
}
