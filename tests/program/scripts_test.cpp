// The scripts a new user runs first, as the user runs them: scripts/session.sh (the main job's
// session, run by scripts/run.sh after its build) with the built host program, and
// scripts/test.sh's summary with stand-ins for cmake and ctest, so that it builds nothing.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& text, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << text;
  chmod(path.c_str(), mode);
}

std::string folderOfThisProgram() {
  std::vector<char> self(4096);
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  const std::string path(self.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
  return path.substr(0, path.find_last_of('/'));
}

// What follows the last line that is exactly `heading`.
std::string after(const std::string& text, const std::string& heading) {
  const std::size_t at = text.rfind("\n" + heading + "\n");
  return at == std::string::npos ? std::string() : text.substr(at + heading.size() + 2);
}

class ScriptsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/soacad-scripts-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

  // Runs the shell command with standard output and standard error in one text; its status.
  int run(const std::string& command, std::string& output) {
    const int raw = std::system(("(" + command + ") >'" + folder_ + "/output' 2>&1").c_str());
    output = readFile(folder_ + "/output");
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string session(const std::string& before, const std::string& examples = "") {
    return before + "'" + std::string(SOACAD_SOURCE_DIR) + "/scripts/session.sh' '" +
           folderOfThisProgram() + "/soacad-host'" +
           (examples.empty() ? std::string() : " '" + examples + "'");
  }

  std::string folder_;
};

// The session ends with a count of its requests by answer, and names each request that was not
// answered with a response with its reason; it fails when there is any.
TEST_F(ScriptsTest, SessionEndsWithASummaryOfItsAnswers) {
  std::string output;
  EXPECT_EQ(run(session(""), output), 0) << output;
  EXPECT_EQ(after(output, "== summary"), "22 requests: 22 responses, 0 faults\n") << output;
  // As the README shows it.
  std::string readme;
  for (const char c : readFile(std::string(SOACAD_SOURCE_DIR) + "/README.md")) {
    readme += c == '\n' ? ' ' : c;
  }
  EXPECT_NE(readme.find("\"22 requests: 22 responses, 0 faults\""), std::string::npos);

  const std::string examples = folder_ + "/examples";
  ASSERT_EQ(
      std::system(
          ("cp -r '" + std::string(SOACAD_SOURCE_DIR) + "/examples' '" + examples + "'").c_str()),
      0);
  writeFile(examples + "/structuremanagement/getVariantRules.xml", "<GetVariantRulesInput/>");
  EXPECT_EQ(run(session("", examples), output), 1);
  EXPECT_EQ(after(output, "== summary"),
            "22 requests: 21 responses, 1 fault\n  fault: getVariantRules (" + examples +
                "/structuremanagement/getVariantRules.xml): ServiceException: The request names no "
                "item revision (itemRev): give at least one whose variant rules are wanted.\n")
      << output;

  EXPECT_EQ(run(session("SOACAD_LIBRARY=/nonexistent/libsoacad.so "), output), 1);
  const std::string summary = after(output, "== summary");
  EXPECT_EQ(summary.rfind("22 requests: 0 responses, 0 faults, 22 not answered\n  not answered: "
                          "getAvailableTypes (",
                          0),
            0u)
      << output;
  EXPECT_NE(summary.find("getAvailableTypes.xml): cannot load the service library "
                         "/nonexistent/libsoacad.so: "),
            std::string::npos)
      << summary;
}

// When a build fails, the test command's summary repeats its first errors and names the folder
// of the logs, which stays after the command: here with a dev build that fails to compile and a
// sanitize build that passes its two tests.
TEST_F(ScriptsTest, TestSummaryRepeatsTheFirstBuildErrorsAndKeepsTheLogs) {
  ASSERT_EQ(mkdir((folder_ + "/scripts").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((folder_ + "/bin").c_str(), 0755), 0);
  writeFile(folder_ + "/scripts/test.sh",
            readFile(std::string(SOACAD_SOURCE_DIR) + "/scripts/test.sh"), 0755);
  writeFile(folder_ + "/scripts/setup.sh", "#!/bin/sh\nexit 0\n", 0755);
  writeFile(folder_ + "/bin/cmake",
            "#!/bin/sh\n"
            "case \"$*\" in\n"
            "  \"--preset \"*) mkdir -p \"build/$2\" ;;\n"
            "  \"--build --preset dev \"*)\n"
            "    echo '[1/2] Building CXX object part.cpp.o'\n"
            "    echo 'FAILED: part.cpp.o'\n"
            "    echo \"part.cpp:3:5: error: 'spacer' was not declared in this scope\"\n"
            "    echo 'ninja: build stopped: subcommand failed.'\n"
            "    exit 1 ;;\n"
            "  *) echo '[2/2] Linking CXX executable tests' ;;\n"
            "esac\n",
            0755);
  writeFile(folder_ + "/bin/ctest",
            "#!/bin/sh\n"
            "if [ \"$1\" = -N ]; then echo '  Test #1: one'; echo '  Test #2: two'; exit 0; fi\n"
            "echo '100% tests passed, 0 tests failed out of 2'\n",
            0755);
  std::string output;
  EXPECT_EQ(run("PATH='" + folder_ + "/bin':\"$PATH\" '" + folder_ + "/scripts/test.sh'", output),
            1);
  EXPECT_EQ(after(output, "== summary of both builds"),
            "FAILED  dev build: did not build, no test run; its first errors "
            "(build/test-logs/dev-build.log):\n"
            "          FAILED: part.cpp.o\n"
            "          part.cpp:3:5: error: 'spacer' was not declared in this scope\n"
            "passed  sanitize build: 2 tests run, none failed\n"
            "Logs of the builds and the tests: build/test-logs/\n"
            "tests: 2 passed, 0 failed\n")
      << output;
  EXPECT_NE(readFile(folder_ + "/build/test-logs/dev-build.log").find("error: 'spacer'"),
            std::string::npos);
  EXPECT_NE(readFile(folder_ + "/build/test-logs/sanitize-tests.log").find("100% tests passed"),
            std::string::npos);
}

}  // namespace
