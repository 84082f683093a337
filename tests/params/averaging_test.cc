// The averaging line: option letters, the number after them, the console
// line, and the stops.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "params/params.h"
#include "tests/support/testutil.h"
#include "textio/reader.h"
#include "textio/stop.h"

namespace kivo {
namespace {

using test::TempDir;
using test::write_file;

struct Outcome {
  std::string console;
  std::string stop;
  std::int32_t naverage = -1;
  std::int32_t ndecimate = -1;
};

// Reads the averaging line from a file holding `text`, as the file's first line.
Outcome read_line_of(const std::string& text) {
  TempDir dir;
  write_file(dir.file("kivo.in"), text);
  ReadFile f;
  EXPECT_EQ(open_read(f, dir.file("kivo.in")), 0);
  test::Console console;
  Params p;
  Outcome out;
  try {
    read_averaging_line(f, p, console.file());
    out.naverage = p.naverage;
    out.ndecimate = p.ndecimate;
  } catch (const Stop& s) {
    out.stop = s.message;
    close_read(f);
  }
  out.console = console.text();
  return out;
}

const std::string kNone = " No averaging nor decimation to be applied.\n";

TEST(AveragingLine, Accepted) {
  struct Case {
    std::string line;
    std::string console;
    std::int32_t naverage, ndecimate;
  };
  const std::string past_999 = "de" + std::string(kLineLength - 2, 'x') + " 5";
  const std::vector<Case> cases = {
      {"AL\n", kNone, 0, 1},
      {"al\n", kNone, 0, 1},
      {"   all\n", kNone, 0, 1},
      {"ALL whatever 7 follows\n", kNone, 0, 1},
      {"al", kNone, 0, 1},  // no line end
      {"av 0\n", " Averaging over 0 neighbouring soundings (on each side).\n", 0, 1},
      {"av 1\n", " Averaging over 1 neighbouring sounding (on each side).\n", 1, 1},
      {"AV 2\r\n", " Averaging over 2 neighbouring soundings (on each side).\n", 2, 1},
      {"average   5 soundings\n", " Averaging over 5 neighbouring soundings (on each side).\n", 5,
       1},
      {"av +007\n", " Averaging over 7 neighbouring soundings (on each side).\n", 7, 1},
      {"av ,3\n", " Averaging over 0 neighbouring soundings (on each side).\n", 0, 1},
      {"av /\n", " Averaging over 0 neighbouring soundings (on each side).\n", 0, 1},
      {"av 4,9\n", " Averaging over 4 neighbouring soundings (on each side).\n", 4, 1},
      {"av 1234567890\n", " Averaging over ********* neighbouring soundings (on each side).\n",
       1234567890, 1},
      {"de 1\n", " Decimating to 1 in 1 soundings.\n", 0, 1},
      {"  decimate 10\n", " Decimating to 1 in 10 soundings.\n", 0, 10},
      {"DE 3 and more\n", " Decimating to 1 in 3 soundings.\n", 0, 3},
      {"al\n" + past_999 + "\n", kNone, 0, 1},  // nothing after the line is read
  };
  for (const auto& c : cases) {
    const Outcome out = read_line_of(c.line);
    EXPECT_EQ(out.stop, "") << c.line;
    EXPECT_EQ(out.console, c.console) << c.line;
    EXPECT_EQ(out.naverage, c.naverage) << c.line;
    EXPECT_EQ(out.ndecimate, c.ndecimate) << c.line;
  }
}

TEST(AveragingLine, Stops) {
  const std::string bad_option = "inappropriate averaging/decimating option read from \"kivo.in\"";
  const std::string bad_av = "error reading averaging number from \"kivo.in\"";
  const std::string bad_de = "error reading decimating number from \"kivo.in\"";
  struct Case {
    std::string line;
    std::string stop;
  };
  const std::vector<Case> cases = {
      {"", "error reading averaging/decimating info from \"kivo.in\""},
      {"\n", bad_option},
      {"     \n", bad_option},
      {"Al\n", bad_option},
      {"aL\n", bad_option},
      {"Av 2\n", bad_option},
      {"dE 2\n", bad_option},
      {"\tav 2\n", bad_option},
      {"a\n", bad_option},
      {"none\n", bad_option},
      {"av3\n", bad_av},
      {"av\t5\n", bad_av},
      {"av\n", bad_av},
      {"av 2.5\n", bad_av},
      {"av two\n", bad_av},
      {"av 2147483648\n", bad_av},
      {"av -1\n", "averaging number read from \"kivo.in\" < 0"},
      {"de 2.5\n", bad_de},
      {"de\n", bad_de},
      {"de" + std::string(kLineLength - 2, 'x') + " 5\n", bad_de},
      {"de 0\n", "decimating number read from \"kivo.in\" < 1"},
      {"de -4\n", "decimating number read from \"kivo.in\" < 1"},
      {"de ,\n", "decimating number read from \"kivo.in\" < 1"},
  };
  for (const auto& c : cases) {
    const Outcome out = read_line_of(c.line);
    EXPECT_EQ(out.stop, c.stop) << c.line;
    EXPECT_EQ(out.console, "") << c.line;
  }
}

}  // namespace
}  // namespace kivo
