// Rows of generated surveys of several flight lines, shared by the tests of
// thinning by flight line and of one file per flight line: x, y, the height
// and three data columns (a 900 Hz pair and an unpaired 7200 Hz in-phase),
// after the line column when there is one.
#pragma once

#include <string>

namespace kivo::test {

// The column lines of the three data columns.
inline const std::string kFlightData =
    "900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\n7200 z 1 z m 6.5 0 1 i 2 1\n";

// Row s of flight line `line`: values that differ from row to row, so that a
// window over the wrong rows shows.
inline std::string flight_row(int line, int s, bool line_column) {
  std::string r = line_column ? std::to_string(100 + line) + " " : "";
  r += std::to_string(500000 + 10 * s) + " " + std::to_string(7000000 + 100 * line) + " " +
       std::to_string(30 + (s * 7) % 11) + " " + std::to_string((s * 37) % 101 - 50) + ".5 " +
       std::to_string((s * 53) % 97) + " " + std::to_string((s * 29) % 89 - 40) + "\n";
  return r;
}

}  // namespace kivo::test
