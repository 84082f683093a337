#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::file_exists;
using test::lines;
using test::read_file;
using test::run_binary;
using test::run_in_process;
using test::TempDir;
using test::write_file;

const std::string kSource = KIVO_SOURCE_DIR;

// A value given in tenths as decimal text: -123 is "-12.3".
std::string tenths(long v) {
  const std::string sign = v < 0 ? "-" : "";
  const long m = std::labs(v);
  return sign + std::to_string(m / 10) + "." + std::to_string(m % 10);
}

// x, y, height in feet, an ignored column, and the in-phase and quadrature
// columns of two frequencies.
const char* const kTypicalParams =
    "typical.dat   data file\n"
    "typical.obs   output file\n"
    "8             columns\n"
    "x\n"
    "y\n"
    "z f\n"
    "ignore        fiducial\n"
    "900 z 1 z m 6.5 0 1 i 5 0.5\n"
    "900 z 1 z m 6.5 0 1 q 5 0.5\n"
    "7200 z 1 z m 6.5 0 1 i 2 1\n"
    "7200 z 1 z m 6.5 0 1 q 2 1\n"
    "av 2\n";

std::string typical_data() {
  std::string s = "/ typical survey, 100 soundings\n";
  for (long i = 0; i < 100; ++i) {
    s += tenths(5000000 + 125 * i) + " " + tenths(70000000 + 20 * i) + " " +
         tenths(1000 + (i * 7) % 230) + " " + std::to_string(i) + " " +
         tenths((i * 37) % 1000 - 200) + " " + tenths((i * 53) % 700) + " " +
         tenths((i * 61) % 1500 - 300) + " " + tenths((i * 29) % 900) + "\n";
  }
  return s;
}

TEST(EndToEnd, TypicalRun) {
  TempDir dir;
  write_file(dir.file("kivo.in"), kTypicalParams);
  write_file(dir.file("typical.dat"), typical_data());
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console, lines({" Reading column parameters from \"kivo.in\".",
                              " Reading data from \"typical.dat\".",
                              " 100 soundings found in \"typical.dat\".",
                              " Averaging over 2 neighbouring soundings (on each side).",
                              " Writing data to \"typical.obs\".", "Done."}));
  EXPECT_EQ(r.status, 0);
  const std::string out = read_file(dir.file("typical.obs"));
  EXPECT_EQ(out.substr(0, 7), "   20\r\n");
  EXPECT_EQ(out, read_file(kSource + "/tests/output/golden/typical.obs"));
}

TEST(EndToEnd, ExampleSurvey) {
  TempDir dir;
  const std::string ex = kSource + "/examples/survey/";
  write_file(dir.file("kivo.in"), read_file(ex + "kivo.in"));
  write_file(dir.file("survey.dat"), read_file(ex + "survey.dat"));
  const test::RunResult r = run_binary(dir.path());
  EXPECT_EQ(r.console,
            lines({" Reading column parameters from \"kivo.in\".",
                   " Reading data from \"survey.dat\".", " 203 soundings found in \"survey.dat\".",
                   " Averaging over 2 neighbouring soundings (on each side).",
                   " Writing data to \"survey.obs\".", "Done."}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(dir.file("survey.obs")), read_file(ex + "expected.obs"));
}

// x, y, z in metres and a 900 Hz pair, with the given averaging line. The
// output name is quoted, so that it may hold a slash.
struct SmallRun {
  TempDir dir;
  SmallRun(const std::string& data, const std::string& averaging = "al",
           const std::string& out = "d.obs", const std::string& pair = "i q") {
    write_file(dir.file("kivo.in"), "d.dat\n'" + out + "'\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 " +
                                        pair.substr(0, 1) + " 5 0.5\n900 z 1 z m 6.5 0 1 " +
                                        pair.substr(2, 1) + " 5 0.5\n" + averaging + "\n");
    write_file(dir.file("d.dat"), data);
  }
  test::RunResult run() { return run_in_process(dir.path()); }
  static std::string head(const std::string& count, const std::string& averaging) {
    return lines({" Reading column parameters from \"kivo.in\".", " Reading data from \"d.dat\".",
                  " " + count + " soundings found in \"d.dat\".", averaging});
  }
};

const char* const kNone = " No averaging nor decimation to be applied.";

TEST(EndToEnd, BlankLineBetweenRowsLowersTheCount) {
  SmallRun run("1 2 3 4 5\n\n6 7 8 9 10\n11 12 13 14 15\n");
  const test::RunResult r = run.run();
  EXPECT_EQ(r.console, SmallRun::head("4", kNone) + " Writing data to \"d.obs\".\nDone.\n");
  EXPECT_EQ(r.status, 0);
  const std::string out = read_file(run.dir.file("d.obs"));
  EXPECT_EQ(out.substr(0, 7), "    3\r\n");
  EXPECT_NE(out.find("   11.0000000       12.0000000        1\r\n"), std::string::npos);
}

TEST(EndToEnd, ReadingStops) {
  struct Case {
    std::string data, count, message;
  };
  const Case cases[] = {
      // Comment lines count as lines but not as soundings.
      {"/ a\n1 2 3 4 5\n/ b\n/ c\n6 7 x 9 10\n", "2",
       "error reading data for sounding 2 from \"d.dat\""},
      {"1 2 3 4 5\n6 7 8 9 10\n\n", "3", "error reading data for sounding 3 from \"d.dat\""},
      {"1 2 3 4 5\n6 7 8 9\n", "2", "error reading data for sounding 2 from \"d.dat\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    SmallRun run(c.data);
    const test::RunResult r = run.run();
    EXPECT_EQ(r.console, SmallRun::head(c.count, kNone) + "Stop: " + c.message + ".\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(file_exists(run.dir.file("d.obs")));
  }
}

TEST(EndToEnd, PairOfOneKindStopsOnTheFirstRow) {
  SmallRun run("1 2 3 4 5\n", "al", "d.obs", "q Q");
  const test::RunResult r = run.run();
  EXPECT_EQ(r.console, SmallRun::head("1", kNone) +
                           "Stop: inconsistent pairing of inphase & quadrature values (col 4).\n");
  EXPECT_EQ(r.status, 1);
  SmallRun none("/ nothing\n", "al", "d.obs", "q Q");  // no row, no stop
  EXPECT_EQ(none.run().status, 0);
}

TEST(EndToEnd, NoSoundings) {
  SmallRun run("/ only a comment\n");
  const test::RunResult r = run.run();
  EXPECT_EQ(r.console, SmallRun::head("0", kNone) +
                           " Averaging number too large: changed to 0.\n"
                           " Writing data to \"d.obs\".\nDone.\n");
  EXPECT_EQ(read_file(run.dir.file("d.obs")), "    0\r\n");
}

TEST(EndToEnd, AveragingNumberLowered) {
  SmallRun run("1 2 3 4 5\n2 2 4 6 5\n3 2 5 8 5\n4 2 6 10 5\n", "av 3");
  const test::RunResult r = run.run();
  EXPECT_EQ(r.console,
            SmallRun::head("4", " Averaging over 3 neighbouring soundings (on each side).") +
                " Averaging number too large: changed to 1.\n"
                " Writing data to \"d.obs\".\nDone.\n");
  EXPECT_EQ(read_file(run.dir.file("d.obs")),
            "    1\r\n"
            "   2.00000000       2.00000000        1\r\n"
            "   900.00        1\r\n"
            "   1.0000      -4.0000     z  1\r\n"
            "   1.0000       6.5000       0.0000      -4.0000     z  1 b    6.000000       "
            "5.000000     v   0.5000000      0.5000000    \r\n");
}

TEST(EndToEnd, FullDiskIsNoSuccess) {
  const std::string full = test::full_device();
  if (full.empty()) GTEST_SKIP() << "no device that refuses every write on this system";
  SmallRun run("1 2 3 4 5\n", "al", full);
  const test::RunResult r = run_binary(run.dir.path());
  EXPECT_EQ(r.console, SmallRun::head("1", kNone) + " Writing data to \"" + full + "\".\n" +
                           "Stop: error closing output file \"" + full + "\".\n");
  EXPECT_EQ(r.status, 1);
}

TEST(EndToEnd, InputsAreNeverOverwritten) {
  const std::string data = "1 2 3 4 5\n";
  {
    SmallRun run(data, "al", "kivo.in");
    const std::string params = read_file(run.dir.file("kivo.in"));
    const test::RunResult r = run.run();
    EXPECT_EQ(r.console, SmallRun::head("1", kNone) +
                             "Stop: output file \"kivo.in\" is the parameters file.\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(run.dir.file("kivo.in")), params);
  }
  for (const std::string out : {"d.dat", "soft.dat"}) {
    SmallRun run(data, "al", out);
    if (!test::make_symlink("d.dat", run.dir.file("soft.dat")) && out == "soft.dat") continue;
    const test::RunResult r = run.run();
    EXPECT_EQ(r.console,
              SmallRun::head("1", kNone) + "Stop: output file \"" + out + "\" is the data file.\n");
    EXPECT_EQ(read_file(run.dir.file("d.dat")), data);
  }
}

TEST(EndToEnd, LongerOldOutputIsCut) {
  SmallRun run("1 2 3 4 5\n");
  write_file(run.dir.file("d.obs"), std::string(100000, '#'));
  EXPECT_EQ(run.run().status, 0);
  const std::string out = read_file(run.dir.file("d.obs"));
  EXPECT_EQ(out.size(), 7u + 41 + 20 + 33 + 125);
  EXPECT_EQ(out.find('#'), std::string::npos);
}

}  // namespace
}  // namespace kivo
