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

Outcome run_with(const std::string& threads, const std::string& kivo_in, const std::string& data) {
  TempDir dir;
  test::set_up(dir, kivo_in, data);
  test::set_env("KIVO_THREADS", threads.c_str());
  Outcome o;
  o.run = test::run_in_process(dir.path());
  test::set_env("KIVO_THREADS", nullptr);
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

}  // namespace
}  // namespace kivo
