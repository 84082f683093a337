// The command line: --help and --version as the first argument print and
// exit 0 without converting; every other argument is ignored, so a run with
// arguments converts exactly as a run without.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

namespace kivo::test {
namespace {

const std::string kNoParams = lines({"Stop: parameters file \"kivo.in\" does not exist."});

// A valid survey: x, y, height and one in-phase column, two soundings.
const std::string kParams = "data\nout\n4\nx\ny\nz m\n900 z 1.0 z m 6.5 0 1 i 5 0.1\nal\n";
const std::string kData = "512345.6 7123456.0 30 123.4\n512355.6 7123456.0 31 120.0\n";

// The version of the CMake project, from the top CMakeLists.txt.
std::string project_version() {
  const std::string cm = read_file(std::string(KIVO_SOURCE_DIR) + "/CMakeLists.txt");
  const std::string key = "project(kivo VERSION ";
  const std::size_t a = cm.find(key);
  if (a == std::string::npos) return {};
  const std::size_t b = cm.find_first_of(" )", a + key.size());
  return cm.substr(a + key.size(), b - a - key.size());
}

TEST(Cli, HelpPrintsUsageAndExitsZeroWithoutConverting) {
  TempDir dir;
  const RunResult r = run_binary(dir.path(), "--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.console.rfind("Usage: kivo\n", 0), 0u) << r.console;
  for (const char* must :
       {"kivo.in", "observations file", "Done.", "Stop: ", "man kivo", "--version"}) {
    EXPECT_NE(r.console.find(must), std::string::npos) << must;
  }
  EXPECT_EQ(r.console.find("Converting to QUINSA"), std::string::npos);
  EXPECT_EQ(r.console.back(), '\n');
  // Readable in an 80-column terminal.
  std::size_t start = 0;
  for (std::size_t nl = r.console.find('\n'); nl != std::string::npos;
       nl = r.console.find('\n', start)) {
    EXPECT_LE(nl - start, 79u) << r.console.substr(start, nl - start);
    start = nl + 1;
  }
}

TEST(Cli, VersionIsTheProjectVersion) {
  TempDir dir;
  const RunResult r = run_binary(dir.path(), "--version");
  EXPECT_EQ(r.status, 0);
  const std::string version = project_version();
  ASSERT_FALSE(version.empty());
  EXPECT_EQ(r.console, "kivo " + version + "\n");
  // The manual page names the same version in its title line.
  const std::string man = read_file(std::string(KIVO_SOURCE_DIR) + "/docs/kivo.1");
  EXPECT_NE(man.find("\"kivo " + version + "\""), std::string::npos);
}

TEST(Cli, HelpAndVersionDoNotTouchTheWorkingDirectory) {
  for (const char* arg : {"--help", "--version"}) {
    TempDir dir;
    write_file(dir.file("kivo.in"), kParams);
    write_file(dir.file("data"), kData);
    const RunResult r = run_binary(dir.path(), arg);
    EXPECT_EQ(r.status, 0) << arg;
    EXPECT_EQ(r.console.find("Converting"), std::string::npos) << arg;
    EXPECT_FALSE(file_exists(dir.file("out"))) << arg;
  }
}

TEST(Cli, AFailedWriteOfTheHelpIsAFailure) {
  TempDir dir;
  for (const char* arg : {"--help", "--version"}) {
    EXPECT_EQ(run_binary_with_failing_output(dir.path(), arg), 1) << arg;
  }
}

TEST(Cli, OtherArgumentsAreIgnored) {
  // Only the first argument is looked at, and only for the exact words.
  for (const char* args : {"foo", "foo --help", "-h", "--HELP", "--help=1", "-v", "--",
                           "--versions", "help", "'' --version"}) {
    TempDir dir;
    const RunResult r = run_binary(dir.path(), args);
    EXPECT_EQ(r.console, kNoParams) << args;
    EXPECT_EQ(r.status, 1) << args;
  }
}

TEST(Cli, ARunWithArgumentsConvertsLikeOneWithout) {
  std::string expected_out;
  std::string expected_console;
  for (const char* args : {"", "foo bar", "-x --help"}) {
    TempDir dir;
    write_file(dir.file("kivo.in"), kParams);
    write_file(dir.file("data"), kData);
    const RunResult r = run_binary(dir.path(), args);
    EXPECT_EQ(r.status, 0) << args;
    EXPECT_EQ(r.console.substr(r.console.size() - 6), "Done.\n") << args;
    ASSERT_TRUE(file_exists(dir.file("out"))) << args;
    const std::string out = read_file(dir.file("out"));
    if (expected_out.empty()) {
      expected_out = out;
      expected_console = r.console;
    }
    EXPECT_EQ(out, expected_out) << args;
    EXPECT_EQ(r.console, expected_console) << args;
  }
}

// Every example under examples/ converts to its expected.obs, as its README
// shows a user doing it: all its files copied into a fresh directory. An
// example that writes several files holds "expected-<name>" for each.
TEST(Examples, EachConvertsToItsExpectedOutput) {
  namespace fs = std::filesystem;
  int examples = 0;
  for (const auto& ex : fs::directory_iterator(fs::path(KIVO_SOURCE_DIR) / "examples")) {
    if (!fs::exists(ex.path() / "kivo.in")) continue;
    int expected_files = 0;
    for (const auto& f : fs::directory_iterator(ex.path())) {
      const std::string n = f.path().filename().string();
      if (n == "expected.obs" || n.rfind("expected-", 0) == 0) ++expected_files;
    }
    if (expected_files == 0) continue;
    ++examples;
    const std::string name = ex.path().filename().string();
    TempDir dir;
    for (const auto& f : fs::directory_iterator(ex.path())) {
      fs::copy_file(f.path(), fs::path(dir.path()) / f.path().filename());
    }
    const RunResult r = run_binary(dir.path());
    EXPECT_EQ(r.status, 0) << name << "\n" << r.console;
    int outputs = 0;
    for (const auto& f : fs::directory_iterator(dir.path())) {
      if (fs::exists(ex.path() / f.path().filename())) continue;  // an input
      ++outputs;
      fs::path expected = ex.path() / "expected.obs";
      if (!fs::exists(expected))
        expected = ex.path() / ("expected-" + f.path().filename().string());
      EXPECT_EQ(read_file(f.path().string()), read_file(expected.string()))
          << name << ": " << f.path().filename();
    }
    EXPECT_EQ(outputs, expected_files) << name << ": the run writes its observations files";
  }
  EXPECT_GE(examples, 2);
}

}  // namespace
}  // namespace kivo::test
