// The output name is replaced whole or not at all: a run that stops, or is
// interrupted, while the observations file is being written leaves an
// existing file byte for byte as it was and no file of its own behind; names
// that are not regular files are written in place.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::found;
using test::kNoThinning;
using test::kReadingData;
using test::kReadingParams;
using test::kWritingOut;
using test::read_file;
using test::set_up;
using test::shown;
using test::stop;
using test::TempDir;

const std::string kParams =
    "data.txt\nout.obs\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\n";
const std::string kOld = "an observations file of an earlier run\r\n";

// n rows of the five columns; a block of the file takes 213 bytes.
std::string rows(long n) {
  std::string s;
  for (long i = 0; i < n; ++i) {
    s += std::to_string(500000 + i);
    s += " 7123456.5 30 123.4 56.7\n";
  }
  return s;
}

std::set<std::string> listing(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.insert(e.path().filename().string());
  }
  return names;
}

#ifndef _WIN32
struct Child {
  std::string console;
  int status = -1;  // exit status, or -1 after a signal
  int signal = 0;   // the signal that ended it
};

// Runs kivo in dir. A positive file_size limits the size of every file it
// writes (a write beyond it fails, as on a full disk); interrupt_when, when
// given, is a file name whose appearance in dir makes the test send SIGINT.
Child run_child(const TempDir& dir, rlim_t file_size = 0, const std::string& interrupt_when = "") {
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    if (file_size > 0) {
      ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
      const struct rlimit limit = {file_size, file_size};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(125);
    }
    ::signal(SIGINT, SIG_DFL);
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    ::execl(KIVO_BINARY, KIVO_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  if (!interrupt_when.empty()) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
      bool seen = false;
      for (const auto& name : listing(dir)) seen = seen || name.find(interrupt_when) == 0;
      if (seen || std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(pid, SIGINT);
  }
  Child c;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) c.console.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int st = 0;
  ::waitpid(pid, &st, 0);
  if (WIFEXITED(st)) c.status = WEXITSTATUS(st);
  if (WIFSIGNALED(st)) c.signal = WTERMSIG(st);
  return c;
}

#endif

// A write that fails while the data file is still being read is reported
// where a failure of the file always is, after "Writing data to"; the old
// file is left as it was, and a new name is left free.
TEST(Replacement, FailedWriteLeavesTheOldFileAndNoOther) {
#ifdef _WIN32
  GTEST_SKIP() << "a file size limit makes the writes fail; Windows has none";
#else
  for (const bool existing : {true, false}) {
    SCOPED_TRACE(existing ? "existing output" : "new output");
    TempDir dir;
    set_up(dir, kParams + "al\n", rows(20000));  // about 4 MB of records
    if (existing) test::write_file(dir.file("out.obs"), kOld);
    const Child c = run_child(dir, rlim_t{64} << 10);
    const std::string head = shown({kReadingParams, kReadingData, found(20000), kNoThinning,
                                    kWritingOut, stop("error writing ")});
    EXPECT_EQ(c.console.substr(0, head.size() - 2), head.substr(0, head.size() - 2)) << c.console;
    EXPECT_EQ(c.status, 1);
    if (existing) {
      EXPECT_EQ(read_file(dir.file("out.obs")), kOld);
      EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "out.obs"}));
    } else {
      EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt"}));
    }
  }
#endif
}

// An error of the data file comes before any failure of the output file,
// however early that failure was met; and a stop after megabytes of records
// have gone to the new file still leaves the old file as it was. (Windows
// sets no limit on the file size: there the writes all succeed.)
TEST(Replacement, DataErrorsComeBeforeWriteFailures) {
  TempDir dir;
  set_up(dir, kParams + "al\n", rows(20000) + "1 2 3 4 x\n");
  test::write_file(dir.file("out.obs"), kOld);
#ifdef _WIN32
  const std::string console = test::run_binary(dir.path()).console;
#else
  const std::string console = run_child(dir, rlim_t{64} << 10).console;
#endif
  EXPECT_EQ(console, shown({kReadingParams, kReadingData, found(20001), kNoThinning,
                            stop("error reading data for sounding 20001 from \"data.txt\"")}));
  EXPECT_EQ(read_file(dir.file("out.obs")), kOld);
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "out.obs"}));
}

// Ctrl-C while the new file is being written: the process ends by the
// signal, the new file is gone, the old one untouched.
TEST(Replacement, InterruptLeavesTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals; the Windows console control handler is tested by hand";
#else
  TempDir dir;
  set_up(dir, kParams + "al\n", rows(400000));
  test::write_file(dir.file("out.obs"), kOld);
  const Child c = run_child(dir, 0, ".out.obs.kivo-");
  EXPECT_EQ(c.signal, SIGINT) << c.console;
  EXPECT_EQ(read_file(dir.file("out.obs")), kOld);
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "out.obs"}));
#endif
}

// The replaced file keeps its permission bits; a symbolic link stays a link
// and the file it names is replaced.
TEST(Replacement, KeepsPermissionsAndLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX permission bits and symbolic links";
#else
  TempDir dir;
  set_up(dir,
         "data.txt\nlink.obs\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n"
         "900 z 1 z m 6.5 0 1 q 5 0.5\nal\n",
         rows(3));
  test::write_file(dir.file("real.obs"), kOld);
  ASSERT_EQ(::chmod(dir.file("real.obs").c_str(), 0640), 0);
  ASSERT_EQ(::symlink("real.obs", dir.file("link.obs").c_str()), 0);
  const Child c = run_child(dir);
  EXPECT_EQ(c.status, 0) << c.console;
  struct stat link;
  ASSERT_EQ(::lstat(dir.file("link.obs").c_str(), &link), 0);
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  struct stat real;
  ASSERT_EQ(::stat(dir.file("real.obs").c_str(), &real), 0);
  EXPECT_EQ(real.st_mode & 07777, 0640u);
  EXPECT_EQ(read_file(dir.file("real.obs")).substr(0, 7), "    3\r\n");
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "link.obs", "real.obs"}));
#endif
}

// A name that is not a regular file (the null device) is written in place.
TEST(Replacement, DevicesAreWrittenInPlace) {
  TempDir dir;
  const std::string null_device = test::device_names()[1];
  set_up(dir,
         "data.txt\n'" + null_device +
             "'\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n"
             "900 z 1 z m 6.5 0 1 q 5 0.5\nav 1\n",
         rows(10));
  const test::RunResult r = test::run_binary(dir.path());
  EXPECT_EQ(r.console, shown({kReadingParams, kReadingData, found(10),
                              " Averaging over 1 neighbouring sounding (on each side).",
                              " Writing data to \"" + null_device + "\".", "Done."}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt"}));
}

// /dev/stdout names the console, even when the console is a regular file: it
// is opened and written in place (from its start, as any output name), never
// replaced by a new file that the console would no longer reach.
TEST(Replacement, StandardOutputIsWrittenInPlaceEvenIntoAFile) {
#ifdef _WIN32
  GTEST_SKIP() << "/dev/stdout";
#else
  TempDir dir;
  set_up(dir,
         "data.txt\n'/dev/stdout'\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n"
         "900 z 1 z m 6.5 0 1 q 5 0.5\nal\n",
         rows(2));
  const std::string cmd = "cd '" + dir.path() + "' && '" KIVO_BINARY "' > console.txt";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // Both the records and the console lines reached the one file; a file put
  // in its place would hold the records alone.
  const std::string both = read_file(dir.file("console.txt"));
  EXPECT_EQ(both.substr(0, 7), "    2\r\n");
  EXPECT_NE(both.find("Done.\n"), std::string::npos) << both;
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "console.txt"}));
#endif
}

// More kept soundings than the count line of 5 characters can count: the
// run stops where the count line would be written, after the data file has
// been read, and leaves the old file as it was and nothing new; written in
// place, the name receives nothing. 99999 blocks still convert.
TEST(Replacement, MoreThan99999SoundingsStopAndLeaveNothing) {
  TempDir dir;
  set_up(dir, kParams + "al\n", rows(100000));
  test::write_file(dir.file("out.obs"), kOld);
  const test::RunResult r = test::run_in_process(dir.path());
  EXPECT_EQ(r.console, shown({kReadingParams, kReadingData, found(100000), kNoThinning, kWritingOut,
                              stop("more than 99999 soundings to write to \"out.obs\"")}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors,
            "kivo.in:9:1: averaging line: \"al\" keeps 100000 soundings, more than the 99999 that "
            "an observations file can count (average with \"av\", decimate with \"de\", or split "
            "the survey)\n");
  EXPECT_EQ(read_file(dir.file("out.obs")), kOld);
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "out.obs"}));

  TempDir fits;
  set_up(fits, kParams + "de 2\n", rows(199997));
  ASSERT_EQ(test::run_in_process(fits.path()).status, 0);
  EXPECT_EQ(read_file(fits.file("out.obs")).substr(0, 7), "99999\r\n");
#ifndef _WIN32
  TempDir in_place;
  set_up(in_place, "data.txt\n'/dev/stdout'\n" + kParams.substr(17) + "al\n", rows(100000));
  const std::string cmd = "cd '" + in_place.path() + "' && '" KIVO_BINARY "' > console.txt 2>&1";
  EXPECT_NE(std::system(cmd.c_str()), 0);
  const std::string console = read_file(in_place.file("console.txt"));
  EXPECT_EQ(console.find("\r\n"), std::string::npos) << "no record reached /dev/stdout";
  EXPECT_NE(console.find("Stop: more than 99999"), std::string::npos) << console;
#endif
}

// Rows over several lines leave fewer soundings than counted; the kept
// soundings are those of the lower count, as if the file had no extra line.
TEST(Replacement, FewerSoundingsThanCountedGiveTheFileOfTheLowerCount) {
  // Nine rows with averaging number 2: counted as ten, one window only.
  const std::string plain = rows(9);
  const std::string spread = rows(1) + "\n" + rows(9).substr(rows(1).size());
  TempDir a;
  set_up(a, kParams + "av 2\n", plain);
  TempDir b;
  set_up(b, kParams + "av 2\n", spread);
  ASSERT_EQ(test::run_binary(a.path()).status, 0);
  const test::RunResult r = test::run_binary(b.path());
  EXPECT_EQ(r.status, 0) << r.console;
  EXPECT_EQ(read_file(b.file("out.obs")), read_file(a.file("out.obs")));
  EXPECT_EQ(read_file(b.file("out.obs")).substr(0, 7), "    1\r\n");
}

// A directory that takes no new file, with a writable file in it: the file
// is written in place, after the data file has been read through.
TEST(Replacement, ReadOnlyDirectoryWritesInPlace) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX directory permissions";
#else
  TempDir dir;
  set_up(dir, kParams + "al\n", rows(3));
  const std::string out = dir.file("out");
  ASSERT_TRUE(test::make_dir(out));
  test::write_file(out + "/out.obs", kOld);
  // Permissions do not bind root; the immutable attribute does, where the
  // file system has it.
  const std::string lock =
      ::geteuid() == 0 ? "chattr +i '" + out + "' 2>/dev/null" : "chmod 555 '" + out + "'";
  const std::string unlock =
      ::geteuid() == 0 ? "chattr -i '" + out + "' 2>/dev/null" : "chmod 755 '" + out + "'";
  if (std::system(lock.c_str()) != 0) GTEST_SKIP() << "no directory here refuses new files";
  test::write_file(dir.file("kivo.in"),
                   "data.txt\n'out/out.obs'" + kParams.substr(kParams.find("\n5\n")) + "al\n");
  const Child c = run_child(dir);
  (void)std::system(unlock.c_str());
  EXPECT_EQ(c.status, 0) << c.console;
  EXPECT_EQ(read_file(out + "/out.obs").substr(0, 7), "    3\r\n");
  EXPECT_EQ(listing(dir), (std::set<std::string>{"kivo.in", "data.txt", "out"}));
#endif
}

// One file per flight line: a stop, or an interrupt, while the third file
// is being written leaves no new file and every existing one as it was.
TEST(Replacement, LineFilesAllOrNothing) {
  const std::string head = "data.txt\n'out_{line}.obs'" + kParams.substr(kParams.find("\n5\n"));
  std::string data;
  for (int line = 1; line <= 4; ++line) data += "Line " + std::to_string(line) + "\n" + rows(60000);
  struct Case {
    const char* why;
    std::string data;
    bool interrupt;
  };
  const Case cases[] = {
      {"a bad value in the third line",
       data.substr(0, data.find("Line 3\n") + 7) + rows(10) + "1 2 3 4 x\n" +
           data.substr(data.find("Line 4\n")),
       false},
#ifndef _WIN32
      {"Ctrl-C while the third file is written", data, true},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    set_up(dir, head + "al\n", c.data);
    test::write_file(dir.file("out_1.obs"), kOld);
    test::write_file(dir.file("out_3.obs"), kOld + kOld);
    const std::set<std::string> before = listing(dir);
#ifdef _WIN32
    const test::RunResult r = test::run_binary(dir.path());
    EXPECT_EQ(r.status, 1);
#else
    const Child r = run_child(dir, 0, c.interrupt ? ".out_3.obs.kivo-" : "");
    if (c.interrupt) {
      EXPECT_EQ(r.signal, SIGINT) << r.console;
    } else {
      EXPECT_EQ(r.status, 1) << r.console;
    }
#endif
    EXPECT_EQ(read_file(dir.file("out_1.obs")), kOld);
    EXPECT_EQ(read_file(dir.file("out_3.obs")), kOld + kOld);
    EXPECT_EQ(listing(dir), before);
  }
}

}  // namespace
}  // namespace kivo
