// Runs of the kivo binary on parameters files that stop in the head of the
// file, the column lines, the averaging line or the column-set checks; the
// whole console and the exit status are compared.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::found;
using test::kReadingData;
using test::kReadingParams;
using test::run_binary;
using test::shown;
using test::stop;
using test::TempDir;
using test::write_file;

const std::string kThree = found(3);
const std::string kThreeRows = "1 2 3 4 5 6 7 8\n/ comment\n1 2 3 4 5 6 7 8\n1 2 3 4 5 6 7 8\n";

// The head of a parameters file naming data.txt and out.obs.
std::string head(const std::string& ncols) {
  return "data.txt\nout.obs\n" + ncols + "\n";
}

// A parameters file with the given column lines and averaging line.
std::string with_columns(const std::vector<std::string>& cols, const std::string& averaging) {
  std::string s = head(std::to_string(cols.size()));
  for (const auto& c : cols) s += c + "\n";
  return s + averaging + "\n";
}

struct Case {
  std::string name;
  std::string kivo_in;
  std::vector<std::string> console;  // the lines after the banner
  std::optional<std::string> data = kThreeRows;
};

void expect_stop_run(const Case& c) {
  TempDir dir;
  write_file(dir.file("kivo.in"), c.kivo_in);
  if (c.data) write_file(dir.file("data.txt"), *c.data);
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console, shown(c.console)) << c.name;
  EXPECT_EQ(r.status, 1) << c.name;
  EXPECT_FALSE(test::file_exists(dir.file("out.obs"))) << c.name;
}

TEST(ParamsRun, MissingParametersFile) {
  TempDir dir;
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console, shown({stop("parameters file \"kivo.in\" does not exist")}));
  EXPECT_EQ(r.status, 1);
}

TEST(ParamsRun, ParametersFileThatCannotBeOpened) {
  TempDir dir;
  ASSERT_TRUE(test::make_dir(dir.file("kivo.in")));
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console, shown({stop("error opening parameters file \"kivo.in\"")}));
  EXPECT_EQ(r.status, 1);
}

TEST(ParamsRun, HeadOfTheFile) {
  const std::string long_name(120, 'd');
  const std::vector<Case> cases = {
      {"empty file",
       "",
       {kReadingParams, stop("error reading data file name from file \"kivo.in\"")}},
      {"blank lines only",
       "\n  \n\t\n",
       {kReadingParams, stop("error reading data file name from file \"kivo.in\"")}},
      {"only the data file name, data file not looked at",
       "nowhere.txt\n",
       {kReadingParams, stop("error reading name for the output file from \"kivo.in\"")}},
      {"data file looked for before the number of columns",
       "nowhere.txt\nout.obs\nabc\n",
       {kReadingParams, stop("data file \"nowhere.txt\" does not exist")}},
      {"unquoted name ends at the slash",
       "data/run1.txt\nout.obs\n1\n",
       {kReadingParams, stop("data file \"data\" does not exist")}},
      {"quoted name read whole",
       "\"data/run1.txt\" comment\nout.obs\n1\n",
       {kReadingParams, stop("data file \"data/run1.txt\" does not exist")}},
      {"blanks inside quotes dropped at both ends",
       "'   my data.txt   '\nout.obs\n1\n",
       {kReadingParams, stop("data file \"my data.txt\" does not exist")}},
      {"a name of 120 characters read whole",
       long_name + "\nout.obs\n1\n",
       {kReadingParams, stop("data file \"" + long_name + "\" does not exist")}},
      {"number of columns not an integer",
       head("abc"),
       {kReadingParams, kReadingData, kThree,
        stop("error reading number of columns from \"kivo.in\"")}},
      {"number of columns missing",
       "data.txt\nout.obs\n",
       {kReadingParams, kReadingData, kThree,
        stop("error reading number of columns from \"kivo.in\"")}},
      {"number of columns 2.5",
       head("2.5"),
       {kReadingParams, kReadingData, kThree,
        stop("error reading number of columns from \"kivo.in\"")}},
      {"number of columns 0, after the counting lines",
       head("0"),
       {kReadingParams, kReadingData, kThree,
        stop("number of columns read from \"kivo.in\" <= 0")}},
      {"number of columns -3",
       head("-3"),
       {kReadingParams, kReadingData, kThree,
        stop("number of columns read from \"kivo.in\" <= 0")}},
      {"null number of columns",
       head(","),
       {kReadingParams, kReadingData, kThree,
        stop("number of columns read from \"kivo.in\" <= 0")}},
  };
  for (const auto& c : cases) expect_stop_run(c);
}

const std::string kXYZ[] = {"x", "y", "z m"};
const std::string kGood = "900 z 1 z m 6.3 0 1 i 5 1";

// Column 4 after the three coordinate columns, then "al".
Case fourth(const std::string& line, const std::string& message) {
  return {"column 4: " + line,
          with_columns({kXYZ[0], kXYZ[1], kXYZ[2], line}, "al"),
          {kReadingParams, kReadingData, kThree, stop(message)}};
}

TEST(ParamsRun, DataColumnFields) {
  const std::vector<Case> cases = {
      fourth("", "error reading frequency for column 4"),
      fourth("Ignore", "error reading frequency for column 4"),
      fourth("iGnOrE 1", "error reading frequency for column 4"),
      fourth("abc z 1 z m 0 0 1 i 5 1", "error reading frequency for column 4"),
      fourth(", z 1 z m 0 0 1 i 5 1", "error reading frequency for column 4"),
      fourth("/ z 1 z m 0 0 1 i 5 1", "error reading frequency for column 4"),
      fourth("2* z 1 z m 0 0 1 i 5 1", "error reading frequency for column 4"),
      fourth("0 z 1 z m 0 0 1 i 5 1", "frequency read in for column 4 <= 0"),
      fourth("-100 z 1 z m 0 0 1 i 5 1", "frequency read in for column 4 <= 0"),
      fourth("NaN z 1 z m 0 0 1 i 5 1", "frequency read in for column 4 <= 0"),
      fourth("900", "error reading transmitter orientation for column 4"),
      fourth("900 , 1 z m 0 0 1 i 5 1", "error reading transmitter orientation for column 4"),
      fourth("900 w 1 z m 0 0 1 i 5 1", "invalid transmitter orientation for column 4"),
      fourth("900 z", "error reading transmitter moment for column 4"),
      fourth("900 z one z m 0 0 1 i 5 1", "error reading transmitter moment for column 4"),
      fourth("900 z 1", "error reading receiver orientation for column 4"),
      fourth("900 z 1 q m 0 0 1 i 5 1", "invalid receiver orientation for column 4"),
      fourth("900 z 1 z", "error reading feet-or-metres flag for column 4"),
      fourth("900 z 1 z yards 0 0 1 i 5 1", "invalid feet-or-metres flag for column 4"),
      fourth("900 z 1 z m", "error reading Tx-Rx x separation for column 4"),
      fourth("900 z 1 z m 1.2.3 0 1 i 5 1", "error reading Tx-Rx x separation for column 4"),
      fourth("900 z 1 z m 0", "error reading Tx-Rx y separation for column 4"),
      fourth("900 z 1 z m 0 / 1 i 5 1", "error reading Tx-Rx y separation for column 4"),
      fourth("900 z 1 z m 0 0", "error during read of normalization type for column 4"),
      fourth("900 z 1 z m 0 0 1.5 i 5 1", "error during read of normalization type for column 4"),
      fourth("900 z 1 z m 0 0 0 i 5 1", "invalid option for normalization type for column 4"),
      fourth("900 z 1 z m 0 0 5 i 5 1", "invalid option for normalization type for column 4"),
      fourth("900 z 1 z m 0 0 1", "error reading inph/quad flag for column 4"),
      fourth("900 z 1 z m 0 0 1 x 5 1", "invalid inphase/quadrature flag for column 4"),
      fourth("900 z 1 z m 0 0 1 i", "error reading percentage uncertainty for column 4"),
      fourth("900 z 1 z m 0 0 1 i 5%", "error reading percentage uncertainty for column 4"),
      fourth("900 z 1 z m 0 0 1 i -1 1", "percentage error for colum 4 < 0"),
      fourth("900 z 1 z m 0 0 1 i nan 1", "percentage error for colum 4 < 0"),
      fourth("900 z 1 z m 0 0 1 i 5", "error reading threshold uncertainty for column 4"),
      fourth("900 z 1 z m 0 0 1 i 5 ,", "error reading threshold uncertainty for column 4"),
      fourth("900 z 1 z m 0 0 1 i 5 -0.5", "threshold error for column 4 < 0"),
      fourth("900 z 1 z m 0 0 1 i 5 NAN", "threshold error for column 4 < 0"),
      fourth("900 z 1 z m 0 0 1 i 0 0",
             "both percentage and threshold uncertainties are zero for column 4"),
  };
  for (const auto& c : cases) expect_stop_run(c);
}

TEST(ParamsRun, ColumnRolesAndLines) {
  const std::vector<std::string> ok = {kReadingParams, kReadingData, kThree};
  auto run_of = [&](const std::string& name, const std::vector<std::string>& cols,
                    const std::string& message) {
    std::vector<std::string> console = ok;
    console.push_back(stop(message));
    return Case{name, with_columns(cols, "al"), console};
  };
  std::vector<std::string> twelve(11, "ignore");
  twelve.push_back("900 z 1 z m 0 0 1 i 5 -1");
  const std::vector<Case> cases = {
      run_of("height without flag", {"x", "y", "z"},
             "error reading units for Tx-Rx height for column 3"),
      run_of("height flag of 999 characters without a blank",
             {"x", "y", "z" + std::string(998, 'm')},
             "error reading units for Tx-Rx height for column 3"),
      run_of("height in yards", {"x", "y", "z yards"},
             "invalid feet-or-metres flag for Tx-Rx height (column 3)"),
      run_of("x twice", {"x", "y", "X"}, "columns 1 & 3 are both the x-coordinate"),
      run_of("y twice", {"ycoord", "x", "Y"}, "columns 1 & 3 are both the y-coordinate"),
      run_of("height twice, stopped before its flag", {"Z f", "x", "y", "z"},
             "columns 1 & 4 are both the height"),
      run_of("two-digit column number", twelve, "threshold error for column 12 < 0"),
      {"a column line missing",
       head("2") + "x\n",
       {kReadingParams, kReadingData, kThree,
        stop("error reading parameters for column 2 from \"kivo.in\"")}},
      {"no column lines at all",
       head("1"),
       {kReadingParams, kReadingData, kThree,
        stop("error reading parameters for column 1 from \"kivo.in\"")}},
  };
  for (const auto& c : cases) expect_stop_run(c);
}

TEST(ParamsRun, FirstBadFieldOfFirstBadColumnWins) {
  const std::vector<Case> cases = {
      fourth("0 w 1 q yards 0 0 9 x -1 -1", "frequency read in for column 4 <= 0"),
      fourth("-1 , 1 z m 0 0 1 i 5 1", "frequency read in for column 4 <= 0"),
      fourth("900 w 1 z m 0 0 9 i -1 1", "invalid transmitter orientation for column 4"),
      fourth("900 z 1 z F 0 0 9 x -1 1", "invalid option for normalization type for column 4"),
      {"column 4 before column 5",
       with_columns({"x", "y", "z m", "900 z 1 z m 0 0 1 Q 0 0", "abc"}, "al"),
       {kReadingParams, kReadingData, kThree,
        stop("both percentage and threshold uncertainties are zero for column 4")}},
      {"column lines before the averaging line",
       with_columns({"x", "y", "z m", "900 z 1 z m 0 0 1 i -1 0"}, "bad"),
       {kReadingParams, kReadingData, kThree, stop("percentage error for colum 4 < 0")}},
      {"averaging line before the column-set checks",
       with_columns({"x", "y", kGood, kGood}, "Av"),
       {kReadingParams, kReadingData, kThree,
        stop("inappropriate averaging/decimating option read from \"kivo.in\"")}},
  };
  for (const auto& c : cases) expect_stop_run(c);
}

TEST(ParamsRun, AveragingLine) {
  const std::vector<std::string> cols = {"x", "y", "z m", kGood};
  auto run_of = [&](const std::string& averaging, const std::string& message) {
    return Case{"averaging line \"" + averaging + "\"",
                with_columns(cols, averaging),
                {kReadingParams, kReadingData, kThree, stop(message)}};
  };
  const std::vector<Case> cases = {
      {"no averaging line",
       head("4") + "x\ny\nz m\n" + kGood + "\n",
       {kReadingParams, kReadingData, kThree,
        stop("error reading averaging/decimating info from \"kivo.in\"")}},
      run_of("", "inappropriate averaging/decimating option read from \"kivo.in\""),
      run_of("\tav 2", "inappropriate averaging/decimating option read from \"kivo.in\""),
      run_of("av3", "error reading averaging number from \"kivo.in\""),
      run_of("av -1", "averaging number read from \"kivo.in\" < 0"),
      run_of("de 2.5", "error reading decimating number from \"kivo.in\""),
      run_of("de 0", "decimating number read from \"kivo.in\" < 1"),
  };
  for (const auto& c : cases) expect_stop_run(c);
}

// Parameters that pass every check of the file, with the line each averaging
// option prints: the column-set stops come after it.
TEST(ParamsRun, ColumnSetChecks) {
  const std::string none = " No averaging nor decimation to be applied.";
  auto run_of = [&](const std::string& name, const std::vector<std::string>& cols,
                    const std::string& averaging, const std::string& line,
                    const std::string& message) {
    return Case{name,
                with_columns(cols, averaging),
                {kReadingParams, kReadingData, kThree, line, stop(message)}};
  };
  const std::vector<Case> cases = {
      run_of("only a y column", {"y"}, "al", none, "no column is the x-coordinate"),
      run_of("no y column", {"x", "z m", kGood}, "AL", none, "no column is the y-coordinate"),
      run_of("no height column", {"x", "y", kGood}, "av 1",
             " Averaging over 1 neighbouring sounding (on each side).", "no column is the height"),
      run_of("two in-phase columns of one geometry", {"x", "y", "z m", kGood, "ignore", kGood},
             "de 1", " Decimating to 1 in 1 soundings.",
             "parameters for columns 4 & 6 are the same"),
      run_of("in-phase, quadrature and quadrature",
             {"x", "y", "z m", kGood, "900 z 1 z m 6.3 0 1 q 5 1", "900 z 1 z m 6.3 0 1 Q 5 1"},
             "av 1234567890", " Averaging over ********* neighbouring soundings (on each side).",
             "screw-up during combination of inphase & quadrature"),
      run_of("separations in feet and metres agree",
             {"x", "y", "z f", "900 z 1 z F 100 0 1 q 5 1", "900 z 1 z m 30.48 0 2 q 0 1"}, "de 3",
             " Decimating to 1 in 3 soundings.", "parameters for columns 4 & 5 are the same"),
      // "i" and "I" pair here; the reading pass then rejects the pair.
      run_of("i with I", {"x", "y", "z m", kGood, "900 z 1 z m 6.3 0 1 I 5 1"}, "al", none,
             "inconsistent pairing of inphase & quadrature values (col 4)"),
  };
  for (const auto& c : cases) expect_stop_run(c);
}

// The typical run: 8 columns (x, y, height in feet, an ignored column, two
// frequencies as in-phase/quadrature pairs), averaging over 2, 100 soundings.
TEST(ParamsRun, TypicalRun) {
  TempDir dir;
  write_file(dir.file("kivo.in"),
             with_columns({"x", "y", "z f", "ignore this column", "900 z 1 z m 6.3 0 1 i 5 1",
                           "900 z 1 z m 6.3 0 1 q 5 1", "7000 x 1 x m 8 0 1 i 5 1",
                           "7000 x 1 x m 8 0 1 q 5 1"},
                          "av 2") +
                 "anything after the averaging line is never read\n");
  std::string rows;
  for (int s = 1; s <= 100; ++s) rows += std::to_string(s) + " 0 100 0 1 2 3 4\n";
  write_file(dir.file("data.txt"), rows);
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console, shown({kReadingParams, kReadingData, " 100 soundings found in \"data.txt\".",
                              " Averaging over 2 neighbouring soundings (on each side).",
                              " Writing data to \"out.obs\".", "Done."}));
  EXPECT_EQ(r.status, 0);
}

}  // namespace
}  // namespace kivo
