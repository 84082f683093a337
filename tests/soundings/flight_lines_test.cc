// Thinning by flight line: the blocks of a survey of several flight lines are
// the blocks of each flight line converted as a file of its own, in order,
// and the count line is their sum. Flight lines shorter than the window give
// no block (converted alone they would, with a lowered averaging number).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/flight_rows.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::read_file;
using test::TempDir;

using test::flight_row;
using test::kFlightData;

std::string params(bool line_column, const std::string& averaging) {
  return std::string("data.txt\nout.obs\n") + (line_column ? "7\nline number\n" : "6\n") +
         "x\ny\nz m\n" + kFlightData + averaging + "\n";
}

struct Converted {
  std::string count;   // the count line
  std::string blocks;  // the rest
  std::string errors;
};

Converted convert(const std::string& kivo_in, const std::string& data) {
  TempDir dir;
  test::set_up(dir, kivo_in, data);
  const test::RunResult r = test::run_in_process(dir.path());
  EXPECT_EQ(r.status, 0) << r.console;
  const std::string obs = read_file(dir.file("out.obs"));
  return {obs.substr(0, 7), obs.substr(7), r.errors};
}

TEST(FlightLines, BlocksAreThoseOfEachLineAlone) {
  // Lengths around the windows of 1, 3 and 5 soundings and the step of 3.
  const std::vector<int> lengths = {4, 5, 1, 12, 3, 7, 2, 11};
  for (const std::string averaging : {"al", "av 1", "av 2", "de 3"}) {
    const int window = averaging == "av 1" ? 3 : averaging == "av 2" ? 5 : 1;
    for (const bool line_column : {false, true}) {
      SCOPED_TRACE(averaging + (line_column ? ", line column" : ", line records"));
      std::string whole = "/ survey of " + std::to_string(lengths.size()) + " flight lines\n";
      std::string blocks;
      long count = 0, short_lines = 0, short_soundings = 0;
      int s = 0;
      for (std::size_t line = 0; line < lengths.size(); ++line) {
        if (!line_column) whole += "Line " + std::to_string(1000 + 10 * line) + "\n";
        std::string alone;
        for (int k = 0; k < lengths[line]; ++k, ++s) {
          whole += flight_row(static_cast<int>(line), s, line_column);
          alone += flight_row(static_cast<int>(line), s, line_column);
        }
        if (lengths[line] < window) {
          ++short_lines;
          short_soundings += lengths[line];
          continue;
        }
        const Converted c = convert(params(line_column, averaging), alone);
        count += std::stol(c.count);
        blocks += c.blocks;
      }
      const Converted all = convert(params(line_column, averaging), whole);
      EXPECT_EQ(std::stol(all.count), count);
      EXPECT_EQ(all.blocks, blocks);
      EXPECT_EQ(all.errors.find("note: " + std::to_string(short_lines) + " flight line"),
                short_lines > 0 ? all.errors.find("note: ") : std::string::npos)
          << all.errors;
      if (short_lines > 0) {
        EXPECT_NE(all.errors.find("gave no block (" + std::to_string(short_soundings) +
                                  " soundings; the first begins here)"),
                  std::string::npos)
            << all.errors;
      }
    }
  }
}

// One flight line: the file of the same data without line records, and with
// the line column ignored.
TEST(FlightLines, OneLineIsTheFileWithoutLines) {
  std::string plain, records, column;
  for (int s = 0; s < 23; ++s) {
    plain += flight_row(0, s, false);
    column += flight_row(0, s, true);
  }
  records = "Line 10\n" + plain;
  for (const std::string averaging : {"al", "av 2", "de 4"}) {
    const Converted a = convert(params(false, averaging), plain);
    const Converted b = convert(params(false, averaging), records);
    const Converted c = convert(params(true, averaging), column);
    const Converted d = convert(
        "data.txt\nout.obs\n7\nignore\nx\ny\nz m\n" + kFlightData + averaging + "\n", column);
    EXPECT_EQ(b.count + b.blocks, a.count + a.blocks) << averaging;
    EXPECT_EQ(c.count + c.blocks, d.count + d.blocks) << averaging;
    EXPECT_EQ(c.blocks, a.blocks) << averaging;
  }
}

}  // namespace
}  // namespace kivo
