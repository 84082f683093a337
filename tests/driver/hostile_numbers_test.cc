// Hostile numbers: integers at and past the 32-bit limits, reals at and past
// the single-precision range, exponents without a letter, INF and NAN in
// data columns and how the observations file shows them, and mantissas of
// more digits than are kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::found;
using test::kNoThinning;
using test::kReadingData;
using test::kReadingParams;
using test::read_file;
using test::run_binary;
using test::shown;
using test::stop;
using test::TempDir;
using test::write_file;

const std::string kPairI = "900 z 1 z m 6.5 0 1 i 5 0.5";
const std::string kPairQ = "900 z 1 z m 6.5 0 1 q 5 0.5";
const std::string kRow = "512345.6 7123456.0 30 123.4 56.7\n";

// "kivo.in" naming data.txt and out.obs, with the given number of columns
// (the count of the lines when empty), column lines and averaging line.
std::string params(const std::vector<std::string>& cols, const std::string& averaging,
                   const std::string& ncols = "") {
  std::string s =
      "data.txt\nout.obs\n" + (ncols.empty() ? std::to_string(cols.size()) : ncols) + "\n";
  for (const auto& c : cols) s += c + "\n";
  return s + averaging + "\n";
}

struct Case {
  std::string name;
  std::string kivo_in;
  std::string data;
  std::vector<std::string> console;  // after the banner
};

void expect_stops(const std::vector<Case>& cases) {
  for (const auto& c : cases) {
    TempDir dir;
    write_file(dir.file("kivo.in"), c.kivo_in);
    write_file(dir.file("data.txt"), c.data);
    const auto r = run_binary(dir.path());
    EXPECT_EQ(r.console, shown(c.console)) << c.name;
    EXPECT_EQ(r.status, 1) << c.name;
    EXPECT_FALSE(test::file_exists(dir.file("out.obs"))) << c.name;
  }
}

// A run that must end in "Done." with the given observations file.
void expect_done(const std::string& kivo_in, const std::string& data, int nsoundings,
                 const std::string& observations) {
  TempDir dir;
  write_file(dir.file("kivo.in"), kivo_in);
  write_file(dir.file("data.txt"), data);
  const auto r = run_binary(dir.path());
  EXPECT_EQ(r.console, shown({kReadingParams, kReadingData, found(nsoundings), kNoThinning,
                              " Writing data to \"out.obs\".", "Done."}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(dir.file("out.obs")), observations);
}

const std::vector<std::string> kCoords = {"x", "y", "z m"};

std::vector<std::string> with(std::vector<std::string> cols) {
  cols.insert(cols.begin(), kCoords.begin(), kCoords.end());
  return cols;
}

TEST(HostileNumbers, IntegersAtAndPastTheLimits) {
  const std::string data = kRow;
  auto norm = [](const std::string& t) { return "900 z 1 z m 6.5 0 " + t + " i 5 0.5"; };
  const std::vector<Case> cases = {
      {"N 2147483648",
       params({}, "al", "2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error reading number of columns from \"kivo.in\"")}},
      {"N -2147483648",
       params({}, "al", "-2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("number of columns read from \"kivo.in\" <= 0")}},
      {"N -2147483649",
       params({}, "al", "-2147483649"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error reading number of columns from \"kivo.in\"")}},
      {"N of 11 digits",
       params({}, "al", "10000000000"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error reading number of columns from \"kivo.in\"")}},
      {"type 2147483647",
       params(with({norm("2147483647")}), "al"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("invalid option for normalization type for column 4")}},
      {"type -2147483648",
       params(with({norm("-2147483648")}), "al"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("invalid option for normalization type for column 4")}},
      {"type 2147483648",
       params(with({norm("2147483648")}), "al"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error during read of normalization type for column 4")}},
      {"type 4294967297",
       params(with({norm("4294967297")}), "al"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error during read of normalization type for column 4")}},
      {"av -2147483648",
       params(with({kPairI, kPairQ}), "av -2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("averaging number read from \"kivo.in\" < 0")}},
      {"av 2147483648",
       params(with({kPairI, kPairQ}), "av 2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error reading averaging number from \"kivo.in\"")}},
      {"de -2147483648",
       params(with({kPairI, kPairQ}), "de -2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("decimating number read from \"kivo.in\" < 1")}},
      {"de 2147483648",
       params(with({kPairI, kPairQ}), "de 2147483648"),
       data,
       {kReadingParams, kReadingData, found(1),
        stop("error reading decimating number from \"kivo.in\"")}},
  };
  expect_stops(cases);
}

// Leading zeros and signs are not significant digits: 13 characters that
// read as 1 are a valid normalization type.
TEST(HostileNumbers, LeadingZerosOfAnInteger) {
  expect_done(params(with({"900 z 1 z m 6.5 0 +000000000001 i 5 0.5", kPairQ}), "al"), kRow, 1,
              "    1\r\n"
              "   512345.594       7123456.00        1\r\n"
              "   900.00        1\r\n"
              "   1.0000      -30.000     z  1\r\n"
              "   1.0000       6.5000       0.0000      -30.000     z  1 b    123.4000       "
              "56.70000     v    6.170000       2.835000    \r\n");
}

TEST(HostileNumbers, RealsPastTheSinglePrecisionRange) {
  auto col = [](const std::string& f, const std::string& m, const std::string& p,
                const std::string& t) {
    return with({f + " z " + m + " z m 6.5 0 1 i " + p + " " + t});
  };
  const std::vector<std::string> start = {kReadingParams, kReadingData, found(1)};
  auto at = [&](const std::string& message) {
    std::vector<std::string> v = start;
    v.push_back(stop(message));
    return v;
  };
  const std::vector<Case> cases = {
      {"frequency 3.5E38", params(col("3.5E38", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("error reading frequency for column 4")},
      {"frequency 1E39", params(col("1E39", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("error reading frequency for column 4")},
      {"frequency 1E-400", params(col("1E-400", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("error reading frequency for column 4")},
      {"frequency 1E-50 is 0", params(col("1E-50", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("frequency read in for column 4 <= 0")},
      {"frequency NAN", params(col("NAN", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("frequency read in for column 4 <= 0")},
      {"frequency -INF", params(col("-INF", "1", "5", "0.5"), "al"), "1 2 3 4\n",
       at("frequency read in for column 4 <= 0")},
      {"moment -3.5E38", params(col("900", "-3.5E38", "5", "0.5"), "al"), "1 2 3 4\n",
       at("error reading transmitter moment for column 4")},
      {"percentage 1D39", params(col("900", "1", "1D39", "0.5"), "al"), "1 2 3 4\n",
       at("error reading percentage uncertainty for column 4")},
      {"percentage NaN", params(col("900", "1", "NaN", "0.5"), "al"), "1 2 3 4\n",
       at("percentage error for colum 4 < 0")},
      {"threshold nan", params(col("900", "1", "5", "nan"), "al"), "1 2 3 4\n",
       at("threshold error for column 4 < 0")},
      {"threshold 1E-46 is 0", params(col("900", "1", "0", "1E-46"), "al"), "1 2 3 4\n",
       at("both percentage and threshold uncertainties are zero for column 4")},
      {"threshold -1Q-400", params(col("900", "1", "5", "-1Q-400"), "al"), "1 2 3 4\n",
       at("error reading threshold uncertainty for column 4")},
      {"threshold INFINITY", params(col("900", "1", "5", "INFINITY"), "al"), "1 2 3 4\n",
       at("error reading threshold uncertainty for column 4")},
  };
  expect_stops(cases);
}

// A data value that is not a single-precision number stops the row, whatever
// the column is used for.
TEST(HostileNumbers, BadDataValues) {
  const std::string kivo_in = params(with({kPairI, kPairQ, "ignore"}), "al");
  const std::vector<std::string> tokens = {"3.5E38",   "-3.5E38", "1e-400", "1.2.3", "1.5e3.2",
                                           "INFINITY", "0x10",    "++1e1.", "NaN1"};
  std::vector<Case> cases;
  for (const auto& t : tokens) {
    // The bad token in the ignored column of the second sounding.
    cases.push_back({t,
                     kivo_in,
                     "1 2 30 4 5 6\n/ comment\n1 2 30 4 5 " + t + "\n",
                     {kReadingParams, kReadingData, found(2), kNoThinning,
                      stop("error reading data for sounding 2 from \"data.txt\"")}});
  }
  expect_stops(cases);
}

// The largest single, the smallest subnormal, a value that underflows to 0
// without error, and their renderings.
TEST(HostileNumbers, SinglePrecisionExtremes) {
  expect_done(params(with({"3.4028235E38 z -3.4028235E38 z m 1E-50 -1.4E-45 1 i 5 0.5",
                           "3.4028235E38 z -3.4028235E38 z m 1E-50 -1.4E-45 1 q 5 0.5"}),
                     "al"),
              "3.4028235E38 -1.4E-45 30 1e-50 -3.4028235E38\n", 1,
              "    1\r\n"
              "  0.340282347E+39 -0.140129846E-44    1\r\n"
              "  0.34028E+39    1\r\n"
              " -0.34028E+39  -30.000     z  1\r\n"
              "   1.0000       0.0000     -0.14013E-44  -30.000     z  1 b    0.000000    "
              " -0.3402823E+39 v   0.5000000      0.1701412E+38\r\n");
}

// Exponents with a sign and no letter, the letters D and Q, and an exponent
// letter with nothing after it, in the column lines and in the data.
TEST(HostileNumbers, ExponentForms) {
  expect_done(
      params(with({"9+2 z 1E z m 65-1 0 1 i 5D0 .5", "900 z 1. z m 6.5Q0 0 1 q 5 5-1"}), "al"),
      "512345.6 7123456.0 3+1 2+2 1.5-3\n", 1,
      "    1\r\n"
      "   512345.594       7123456.00        1\r\n"
      "   900.00        1\r\n"
      "   1.0000      -30.000     z  1\r\n"
      "   1.0000       6.5000       0.0000      -30.000     z  1 b    200.0000    "
      "  0.1500000E-02 v    10.00000      0.5000000    \r\n");
}

// INF and NAN in every kind of data column: the coordinates, the height, an
// in-phase and a quadrature value. A NaN's uncertainty is the percentage
// term (NaN), an infinity's is infinite; the height is negated, sign bit and
// all.
TEST(HostileNumbers, InfinityAndNanInData) {
  expect_done(params(with({kPairI, kPairQ}), "al"), "INF -inf 30 inf NaN\n-NAN 1 nan -INF 0\n", 2,
              "    2\r\n"
              "Inf              -Inf                 1\r\n"
              "   900.00        1\r\n"
              "   1.0000      -30.000     z  1\r\n"
              "   1.0000       6.5000       0.0000      -30.000     z  1 b Inf            NaN"
              "             v Inf            NaN            \r\n"
              "-NaN                1.00000000        1\r\n"
              "   900.00        1\r\n"
              "   1.0000    -NaN          z  1\r\n"
              "   1.0000       6.5000       0.0000    -NaN          z  1 b -Inf              "
              "0.000000     v Inf              0.5000000    \r\n");
}

// A NaN moment never equals itself, so two columns that would pair stay
// unpaired data columns of one frequency.
TEST(HostileNumbers, NanMomentNeverPairs) {
  expect_done(
      params(with({"900 z NaN z m 6.5 0 1 i 5 0.5", "900 z NaN z m 6.5 0 1 q 5 0.5"}), "al"), kRow,
      1,
      "    1\r\n"
      "   512345.594       7123456.00        1\r\n"
      "   900.00        2\r\n"
      "NaN            -30.000     z  1\r\n"
      "   1.0000       6.5000       0.0000      -30.000     z  1 i    123.4000     v"
      "    6.170000    \r\n"
      "NaN            -30.000     z  1\r\n"
      "   1.0000       6.5000       0.0000      -30.000     z  1 q    56.70000     v"
      "    2.835000    \r\n");
}

// Only the first 10 significant digits count; later ones give the magnitude
// only. 1.00000005961 lies above the midpoint between 1 and the next single,
// but its first 10 digits do not, so it reads as 1.
TEST(HostileNumbers, MantissasOfTwelveDigits) {
  expect_done(params(with({kPairI, kPairQ}), "al"),
              "1.00000005961 123456789012 30.0000000001 123.400000049 0056.7000000000\n", 1,
              "    1\r\n"
              "   1.00000000      0.123456791E+12    1\r\n"
              "   900.00        1\r\n"
              "   1.0000      -30.000     z  1\r\n"
              "   1.0000       6.5000       0.0000      -30.000     z  1 b    123.4000       "
              "56.70000     v    6.170000       2.835000    \r\n");
}

}  // namespace
}  // namespace kivo
