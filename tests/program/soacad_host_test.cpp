// The host program as a user runs it: command line in, reply documents on standard output, a
// one-line reason on standard error and the exit status out. Runs the built program beside this
// test program against the built library and the example requests.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
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
  // `output` redirects its standard output (by default to a file that `out` is read from). The
  // run is stopped after a minute, so a run that blocks fails instead of hanging the test.
  Outcome run(const std::string& arguments, const std::string& input = "",
              const std::string& output = "") {
    const std::string in = folder_ + "/stdin";
    writeFile(in, input);
    writeFile(folder_ + "/stdout", "");
    const std::string command = "timeout 60 " + hostCommand(arguments) + " <'" + in + "' " +
                                (output.empty() ? ">'" + folder_ + "/stdout'" : output) + " 2>'" +
                                folder_ + "/stderr'";
    Outcome result;
    const int raw = std::system(command.c_str());
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
      {kService + " fetchEverything", "<x/>", 1, "<ServiceException",
       "soacad-host: fetchEverything (standard input): ServiceException: The operation "
       "\"fetchEverything\" is not part of the service \"Cad-2007-01-DataManagement\"; its "
       "operations are \"createOrUpdateParts\", \"createOrUpdateRelations\", "
       "\"expandFoldersForCAD\", \"expandGRMRelations\", \"expandPrimaryObjects\", "
       "\"generateAlternateIds\", \"getAllAttrMappings\", \"getAttrMappingsForDatasetType\", "
       "\"getAvailableTypes\" and \"resolveAttrMappingsForDataset\".\n"},
      {"Cad-2007-06-StructureManagement expandPSOneLevel", "<x/>", 1, "<ServiceException",
       "is not part of the service \"Cad-2007-06-StructureManagement\"; its operations are "
       "\"getConfiguredItemRevision\".\n"},
      {"Cad-1999-01-Nothing getAvailableTypes", "<x/>", 1, "<ServiceException",
       "ServiceException: The service \"Cad-1999-01-Nothing\" is not registered; the registered "
       "services are \"Cad-2007-01-DataManagement\", \"Cad-2007-01-StructureManagement\" and "
       "\"Cad-2007-06-StructureManagement\".\n"},
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
       "soacad-host: cannot read " + path("missing.xml") + ": No such file or directory\n"},
      {kService + " getAvailableTypes '" + folder_ + "'", "", 1, "",
       "soacad-host: cannot read " + folder_ + ": Is a directory\n"},
      {"--store '" + path("broken.xml") + "' " + kService + " getAvailableTypes", "<x/>", 1, "",
       "cannot load the store"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.arguments);
    const Outcome result = run(test.arguments, test.input);
    EXPECT_EQ(result.status, test.status);
    EXPECT_EQ(result.out.rfind(test.out, 0), 0u) << result.out;
    EXPECT_EQ(result.out.empty(), *test.out == '\0') << result.out;
    EXPECT_NE(result.err.find(test.err), std::string::npos) << result.err;
    if (test.status == 1) {
      EXPECT_EQ(lines(result.err).size(), 1u) << result.err;  // A fault's reason is one line.
    }
  }
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
  for (const char* text : {"-h, --help", "Exit status:", "  0  every request was answered",
                           "partial errors", "  1  a request was answered with a fault",
                           "  2  the command line cannot be read", "--store FILE"}) {
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
      run(kService + " getAvailableTypes - -", "<GetAvailableTypesInput/>", ">/dev/full");
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
// the run with the system's reason and is left as it was. A store that cannot be saved fails the
// run with the system's reason, and no response is written as if its changes had been kept.
TEST_F(HostProgramTest, StoreThatCannotBeReadOrSavedFailsTheRunAndIsLeftAlone) {
  ASSERT_EQ(mkdir(path("folder.xml").c_str(), 0755), 0);
  writeFile(path("plain"), "not a folder");
  const struct {
    std::string store;
    const char* failed;
    const char* reason;  // The system's.
    const char* out;
  } cases[] = {
      {path("folder.xml"), "cannot read the store ", ": Is a directory", ""},
      {path("plain") + "/store.xml", "cannot read the store ", ": Not a directory", ""},
      {path("missing/store.xml"), "cannot save the store ", "No such file or directory",
       "<ServiceException"},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.store);
    const Outcome result = run("--store '" + test.store + "' " + kService + " generateAlternateIds",
                               readFile(example("generateAlternateIds")));
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(test.failed + test.store), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(test.reason), std::string::npos) << result.err;
    EXPECT_EQ(result.out.rfind(test.out, 0), 0u) << result.out;
    EXPECT_EQ(result.out.find("GenerateAlternateIdsResponse"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("The session was not saved") != std::string::npos, *test.out != 0);
  }
  struct stat folder;
  ASSERT_EQ(stat(path("folder.xml").c_str(), &folder), 0);
  EXPECT_TRUE(S_ISDIR(folder.st_mode));
  EXPECT_EQ(readFile(path("plain")), "not a folder");
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
  const auto edited = [](const std::string& operation, const std::string& folder,
                         const std::string& from, const std::string& to) {
    std::string request = readFile(example(operation, folder));
    const std::size_t at = request.find(from);
    EXPECT_NE(at, std::string::npos) << operation << ": " << from;
    return at == std::string::npos ? request : request.replace(at, from.size(), to);
  };
  const auto relative = [&](const std::string& from, const std::string& to) {
    return edited("createOrUpdateRelativeStructure", "structuremanagement", from, to);
  };
  const auto window = [&](const std::string& props) {
    return edited("createBOMWindows", "structuremanagement",
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
       edited("expandPrimaryObjects", "datamanagement", "<object uid=\"r.000103.A\"/>",
              "<object>i.000102</object>"),
       "line 3, column 11: text \"i.000102\" in ModelObject, which holds no text"},
      // XML 1.1 would let a control character reach the store.
      {kService, "createOrUpdateParts",
       "<?xml version=\"1.1\"?>" +
           edited("createOrUpdateParts", "datamanagement", "Cover", "Cover&#1;"),
       "line 1, column 16: XML version \"1.1\" refused"},
      {kService, "getAvailableTypes",
       edited("getAvailableTypes", "datamanagement", "<classe>Form</classe>",
              "<classe name=\"x\">Form</classe>"),
       "unknown attribute \"name\" in GetAvailableTypesInput.classe"},
      {kService, "getAvailableTypes",
       edited("getAvailableTypes", "datamanagement", "Form", "Form<b/>"),
       "unknown element \"b\" in GetAvailableTypesInput.classe"},
      {structure, "createOrUpdateAbsoluteStructure",
       edited("createOrUpdateAbsoluteStructure", "structuremanagement",
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
