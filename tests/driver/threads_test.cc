// The reading pass on one thread and on two: the same run, byte for byte.
// Each survey runs with KIVO_THREADS=1 and with KIVO_THREADS=2; standard
// output, standard error, the exit status and every file left in the
// directory must be the same. The surveys are long enough for the reading
// thread to run several blocks of rows ahead of the pass when it meets what
// stops it or what makes the file be read again.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::RunResult;
using test::TempDir;

// A line column, x, y, the height and one in-phase/quadrature pair.
const std::string kColumns =
    "6\nline\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\n";
constexpr int kRows = 30000;

// Row s (from 1) of a survey: flight line s / 1000, values that change.
std::string row(int s) {
  return std::to_string(s / 1000) + " " + std::to_string(1000 + s) + " " + std::to_string(s % 97) +
         ".5 " + std::to_string(30 + s % 11) + " " + std::to_string(s % 13) + ".25 -" +
         std::to_string(s % 7) + "\n";
}

// The survey with row s replaced by special(s) where that is not empty, a
// comment every 7000 rows and a line record every 5000.
template <class Special>
std::string survey(int rows, Special special) {
  std::string d = "/ a survey\n";
  for (int s = 1; s <= rows; ++s) {
    if (s % 7000 == 0) d += "/ a comment\n";
    if (s % 5000 == 0) d += "Line " + std::to_string(s) + "\n";
    const std::string r = special(s);
    d += r.empty() ? row(s) : r;
  }
  return d;
}

struct Outcome {
  RunResult run;
  std::map<std::string, std::string> files;  // every file of the directory
};

// One run with KIVO_THREADS set to `threads` and, unless empty, the bytes
// of a chunk of conversion set to `chunk`.
Outcome run_with(const std::string& threads, const std::string& kivo_in, const std::string& data,
                 const std::string& chunk = "") {
  TempDir dir;
  test::set_up(dir, kivo_in, data);
  test::set_env("KIVO_THREADS", threads.c_str());
  if (!chunk.empty()) test::set_env("KIVO_CHUNK_BYTES", chunk.c_str());
  Outcome o;
  o.run = test::run_in_process(dir.path());
  test::set_env("KIVO_THREADS", nullptr);
  if (!chunk.empty()) test::set_env("KIVO_CHUNK_BYTES", nullptr);
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    o.files[e.path().filename().string()] = test::read_file(e.path().string());
  }
  return o;
}

struct Case {
  const char* why;
  std::string averaging;  // the averaging line and what follows it in kivo.in
  std::string data;
  int status;  // the exit status both runs must have
};

TEST(Threads, OneThreadAndTwoGiveTheSameRun) {
  const Case cases[] = {
      {"a value that does not convert, late, after values that the notes a stop leaves out name",
       "av 2\n",
       survey(kRows,
              [](int s) -> std::string {
                if (s == 120) return "0 1120 5.5 31 -9999 -1\n";  // a null marker
                if (s == 900) return "0 1900 5.5 0 1.25 -1\n";    // a height of 0
                if (s == 24000) return "24 25000 5.5 31 4x5 -1\n";
                return {};
              }),
       1},
      {"a row over two lines, late: the file is read again with the lower count", "de 3\n",
       survey(kRows,
              [](int s) -> std::string {
                if (s == 21000) return "21 22000 5.5\n31 2.25 -1\n";
                return {};
              }),
       0},
      {"null values left out, and a flight line shorter than the window", "av 3\nnull -9999\n",
       survey(kRows,
              [](int s) -> std::string {
                if (s % 100 == 7) return row(s).substr(0, row(s).rfind(' ')) + " -9999\n";
                if (s >= 12000 && s < 12003) return "77 1 2 30 1 -1\n";
                return {};
              }),
       0},
      {"the file ends in a short last row", "al\n",
       survey(kRows, [](int s) -> std::string { return s == kRows ? "29 31000\n" : ""; }), 1},
      {"every row left out", "al\nnull -9999\n",
       survey(kRows, [](int) -> std::string { return "1 2 3 30 1 -9999\n"; }), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string kivo_in = "data.txt\nout.obs\n" + kColumns + c.averaging;
    const Outcome one = run_with("1", kivo_in, c.data);
    const Outcome two = run_with("2", kivo_in, c.data);
    EXPECT_EQ(one.run.status, c.status) << one.run.console << one.run.errors;
    EXPECT_EQ(two.run.status, one.run.status);
    EXPECT_EQ(two.run.console, one.run.console);
    EXPECT_EQ(two.run.errors, one.run.errors);
    EXPECT_EQ(two.files.size(), one.files.size());
    EXPECT_TRUE(two.files == one.files);
    EXPECT_EQ(one.files.count("out.obs"), c.status == 0 ? 1u : 0u);
  }
}

// Records whose reading depends on what comes before them or after them in
// the file, so that a thread that converts a chunk alone cannot tell what
// they are: each must come out as one thread reads it, wherever a chunk
// ends, down to chunks of one byte.
TEST(Threads, ChunksMayEndAnywhere) {
  const std::string tricky =
      "/ a survey\n"
      "line x y height inphase quad\n"  // a header, as the first record
      "1 100 200 30 1.5 -2\n"
      "1 101 200 30 1.5\t-2\r\n"  // a tab, CR LF
      "1 102 200\n30 1.5 -2\n"    // a row over two lines
      "# a comment\n"
      "\n"  // an empty line: the next row starts there
      "1 103 200 30 1.5 -2\n"
      "Line 2\n"  // a line record, then a header again
      "line x y z i q\n"
      "2 104 200 30 1.5 -2 77 88\n"  // wider than kivo.in
      "2 105 200 30 -9999 -2\n"      // a null marker: noted, or left out
      "2 106 200 30 1.5 -2 / after a slash\n"
      "2 107 200 30 1.5 /\n"          // the last value left to the row before
      "2 108 200 30 2*1.5\n"          // a repeat count
      "2 109 200 30 NA -2\n"          // a text null marker (else a stop)
      "2 110,200,30,1.5,\n"           // an empty last field
      "2 111 200 30 1.5 -2\r1 2 3\n"  // a CR ends the record
      "2 112 200 30 1.5" +
      std::string(70000, ' ') + "-2\n" +  // longer than a chunk holds
      "Line 3\n"
      "3 113 200 30 1.5 -2\n"
      "3 114 200 30 1.5 -2";  // no line end
  const std::string broken = tricky + "\n3 115 200 30 x -2\n3 116 200 30 1 2\n";
  struct Variant {
    const char* why;
    std::string averaging;
    const std::string* data;
  };
  const Variant variants[] = {
      {"without a null line: NA stops the run", "al\n", &tricky},
      {"with text and numeric null markers", "av 1\nnull -9999 NA\n", &tricky},
      {"a value that does not convert after them", "al\nnull NA\n", &broken},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.why);
    const std::string kivo_in = "data.txt\nout.obs\n" + kColumns + v.averaging;
    const Outcome one = run_with("1", kivo_in, *v.data);
    for (const char* chunk : {"1", "2", "3", "7", "16", "97", "256", "4096", "100000", "0"}) {
      SCOPED_TRACE(std::string("chunks of ") + chunk + " bytes");
      const Outcome two = run_with("2", kivo_in, *v.data, chunk);
      EXPECT_EQ(two.run.status, one.run.status);
      EXPECT_EQ(two.run.console, one.run.console);
      EXPECT_EQ(two.run.errors, one.run.errors);
      EXPECT_TRUE(two.files == one.files);
    }
  }
}

}  // namespace
}  // namespace kivo
