#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output/output.h"
#include "soundings/soundings.h"
#include "tests/support/testutil.h"
#include "textio/stop.h"

namespace kivo {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

// One data column as the parameters phases leave it.
struct Column {
  float freq;
  char ot;
  float moment;
  char orient;
  float trx, try_;
  std::int32_t ontype;
  char inqu;
  std::int32_t partner;  // column number, 0 unpaired
  std::int32_t freqno;
  float perr = 0;
  float terr = 0;
};

// A hand-made run state: x, y and the height (metres) in columns 1 to 3,
// then the data columns (a partner column is given as a data column with
// freqno 0), and the rows of its data file.
struct Survey {
  TempDir data_dir;
  Params p;
  Arrays a;
  std::string rows;
  Survey(const std::vector<Column>& cols, const std::string& out) {
    const std::int32_t n = 3 + static_cast<std::int32_t>(cols.size());
    p.ncols = n;
    p.xcol = 1;
    p.ycol = 2;
    p.zcol = 3;
    p.ndecimate = 1;
    p.data_file = data_dir.file("rows.dat");
    p.output_file = out;
    const auto un = static_cast<std::size_t>(n);
    a.usecol_a = std::make_unique<std::int32_t[]>(un);
    a.feetmetres_a = std::make_unique<char[]>(un);
    a.inqu_a = std::make_unique<char[]>(un);
    a.iqpoint_a = std::make_unique<std::int32_t[]>(un);
    a.dum_a = std::make_unique<float[]>(un);
    a.freqs_a = std::make_unique<float[]>(un);
    a.ifreqs_a = std::make_unique<std::int32_t[]>(un);
    a.ot_a = std::make_unique<char[]>(un);
    a.momt_a = std::make_unique<float[]>(un);
    a.or_a = std::make_unique<char[]>(un);
    a.trx_a = std::make_unique<float[]>(un);
    a.try_a = std::make_unique<float[]>(un);
    a.ontype_a = std::make_unique<std::int32_t[]>(un);
    a.perr_a = std::make_unique<float[]>(un);
    a.terr_a = std::make_unique<float[]>(un);
    a.dat_a = std::make_unique<Cplx[]>(un);
    a.err_a = std::make_unique<Cplx[]>(un);
    for (std::int32_t j = 0; j < 3; ++j) a.usecol_a[j] = 1;
    a.feetmetres_a[2] = 'm';
    for (std::size_t i = 0; i < cols.size(); ++i) {
      const Column& c = cols[i];
      const std::size_t j = i + 3;
      a.usecol_a[j] = c.freqno != 0;
      a.freqs_a[j] = c.freq;
      a.ot_a[j] = c.ot;
      a.momt_a[j] = c.moment;
      a.or_a[j] = c.orient;
      a.trx_a[j] = c.trx;
      a.try_a[j] = c.try_;
      a.ontype_a[j] = c.ontype;
      a.inqu_a[j] = c.inqu;
      a.iqpoint_a[j] = c.partner;
      a.ifreqs_a[j] = c.freqno;
      a.perr_a[j] = c.perr;
      a.terr_a[j] = c.terr;
      p.nfreqs = std::max(p.nfreqs, c.freqno);
    }
  }
};

// The notice that a run with no soundings always shows.
const std::string kNoSoundings = " Averaging number too large: changed to 0.\n";

struct Written {
  std::string console;
  std::string stop;  // "" when the writing ended normally
};

// The phases from the reading pass to the end of the writing, for a count
// of `ns` soundings.
Written write(Survey& sv, std::int32_t ns) {
  if (!test::file_exists(sv.p.data_file)) write_file(sv.p.data_file, sv.rows);
  test::Console console;
  Written w;
  {
    Params p = sv.p;
    ReadFile f;
    Observations o;
    try {
      if (open_read(f, p.data_file, 999) != 0) estop("cannot open the data file");
      prepare_observations(o, p);
      stream_observations(o, f, p, sv.a, ns);
      check_averaging(p, ns, console.file());
      write_observations(o, f, p, sv.a, ns, console.file());
    } catch (const Stop& stop) {
      w.stop = stop.message;
    }
  }
  w.console = console.text();
  return w;
}

std::vector<std::string> split_records(const std::string& file) {
  std::vector<std::string> v;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t end = file.find("\r\n", at);
    if (end == std::string::npos) {
      v.push_back("(unterminated) " + file.substr(at));
      break;
    }
    v.push_back(file.substr(at, end - at));
    at = end + 2;
  }
  return v;
}

// A lead column at 900 Hz (columns 4 and 5) and an unpaired quadrature
// column at 7200 Hz (column 6).
const std::vector<Column> kTwoFrequencies = {
    {900, 'z', 1.0f, 'z', 6.5f, 0, 1, 'i', 5, 1, 5, 0},
    {900, 'z', 1.0f, 'z', 6.5f, 0, 1, 'q', 0, 0, 5, 0},
    {7200, 'x', 2.5f, 'X', 8, -1.25f, 2, 'Q', 0, 2, 0, 0.5f},
};

TEST(Observations, WorkedLinesAndBlockShape) {
  TempDir dir;
  Survey sv(kTwoFrequencies, dir.file("out.obs"));
  sv.rows =
      "512345.6 7123456.0 30 123.4 56.7 -4.25\n"
      "512355.6 7123456.0 30.5 1 2 3\n"
      "512365.6 7123456.0 30.5 1 2 3\n";
  const Written w = write(sv, 3);
  EXPECT_EQ(w.stop, "");
  EXPECT_EQ(w.console, " Writing data to \"" + sv.p.output_file + "\".\n");
  const std::vector<std::string> r = split_records(read_file(sv.p.output_file));
  ASSERT_EQ(r.size(), 22u);
  EXPECT_EQ(r[0], "    3");
  EXPECT_EQ(r[1], "   512345.594       7123456.00        2");
  EXPECT_EQ(r[2], "   900.00        1");
  EXPECT_EQ(r[3], "   1.0000      -30.000     z  1");
  EXPECT_EQ(r[4],
            "   1.0000       6.5000       0.0000      -30.000     z  1 b    123.4000       "
            "56.70000     v    6.170000       2.835000    ");
  EXPECT_EQ(r[5], "   7200.0        1");
  EXPECT_EQ(r[6], "   2.5000      -30.000     x  1");
  EXPECT_EQ(r[7],
            "   1.0000       8.0000      -1.2500      -30.000     X  2 Q   -4.250000     v   "
            "0.5000000    ");
  // Every block: position, 900 Hz frequency, transmitter, paired data line,
  // 7200 Hz frequency, transmitter, quadrature data line.
  const std::size_t lengths[] = {39, 18, 31, 123, 18, 31, 93};
  for (std::size_t b = 0; b < 3; ++b) {
    for (std::size_t i = 0; i < 7; ++i) {
      EXPECT_EQ(r[1 + 7 * b + i].size(), lengths[i]) << "block " << b << " line " << i;
    }
  }
  EXPECT_EQ(r[8], "   512355.594       7123456.00        2");
  EXPECT_EQ(r[17], "   1.0000      -30.500     z  1");
}

TEST(Observations, InphaseFormKeepsTheLetterAsTyped) {
  TempDir dir;
  Survey sv({{450, 'Z', 1.0f, 'y', 0, 0, 4, 'I', 0, 1, 0, 1000}}, dir.file("out.obs"));
  sv.rows = "1 2 3 -2.5\n";
  EXPECT_EQ(write(sv, 1).stop, "");
  const std::vector<std::string> r = split_records(read_file(sv.p.output_file));
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[3], "   1.0000      -3.0000     Z  1");
  EXPECT_EQ(r[4],
            "   1.0000       0.0000       0.0000      -3.0000     y  4 I   -2.500000     v    "
            "1000.000    ");
}

TEST(Observations, ColumnsOfOneFrequency) {
  // Two columns share frequency 1 (different receiver orientation); the
  // frequency line shows the higher-numbered column's frequency and M = 2.
  // Column 6 has a frequency of its own, written between them in the file
  // order of frequency numbers.
  TempDir dir;
  Survey sv({{1.234f, 'z', 1, 'z', 0, 0, 1, 'q', 0, 1},
             {5000, 'z', 1, 'z', 0, 0, 1, 'q', 0, 2},
             {1.2348f, 'z', 1, 'x', 0, 0, 3, 'i', 0, 1}},
            dir.file("out.obs"));
  sv.rows = "0 0 10 0 0 0\n";
  EXPECT_EQ(write(sv, 1).stop, "");
  const std::vector<std::string> r = split_records(read_file(sv.p.output_file));
  ASSERT_EQ(r.size(), 1u + 1 + 1 + 4 + 1 + 2);
  EXPECT_EQ(r[2], "   1.2348        2");
  EXPECT_EQ(r[4].substr(52, 7), " z  1 q");
  EXPECT_EQ(r[6].substr(52, 7), " x  3 i");
  EXPECT_EQ(r[7], "   5000.0        1");
}

TEST(Observations, NoDataColumnsAndNoSoundings) {
  TempDir dir;
  Survey none({}, dir.file("coords.obs"));
  none.rows = "0.5 -0.25 1\n1e10 0 1\n";
  EXPECT_EQ(write(none, 2).stop, "");
  EXPECT_EQ(read_file(none.p.output_file),
            "    2\r\n"
            "  0.500000000     -0.250000000        0\r\n"
            "  0.100000000E+11   0.00000000        0\r\n");

  Survey empty(kTwoFrequencies, dir.file("empty.obs"));
  EXPECT_EQ(write(empty, 0).stop, "");
  EXPECT_EQ(read_file(empty.p.output_file), "    0\r\n");
}

TEST(Observations, WindowAveragesExceptCoordinates) {
  TempDir dir;
  std::vector<Column> cols = kTwoFrequencies;
  cols[0].perr = 10;  // uncertainties s
  cols[1].perr = 0;
  cols[1].terr = 0.5f;
  cols[2].perr = 12.5f;  // 0.25 s
  cols[2].terr = 0;
  Survey sv(cols, dir.file("avg.obs"));
  sv.p.naverage = 1;
  for (std::int32_t s = 0; s < 7; ++s) {
    sv.rows += std::to_string(100 + s) + " " + std::to_string(200 + s) + " " +
               std::to_string(30 + s) + " " + std::to_string(10 * s) + " " + std::to_string(-s) +
               " " + std::to_string(2 * s) + "\n";
  }
  EXPECT_EQ(write(sv, 7).stop, "");
  const std::vector<std::string> r = split_records(read_file(sv.p.output_file));
  ASSERT_EQ(r.size(), 1u + 2 * 7);
  EXPECT_EQ(r[0], "    2");
  // Kept soundings 2 and 5 (windows 1-3 and 4-6); sounding 7 is dropped.
  EXPECT_EQ(r[1], "   101.000000       201.000000        2");
  EXPECT_EQ(r[3], "   1.0000      -31.000     z  1");
  EXPECT_EQ(r[4].substr(58), "b    10.00000      -1.000000     v    1.000000      0.5000000    ");
  EXPECT_EQ(r[7].substr(58), "Q    2.000000     v   0.2500000    ");
  EXPECT_EQ(r[8], "   104.000000       204.000000        2");
  EXPECT_EQ(r[10], "   1.0000      -34.000     z  1");
  EXPECT_EQ(r[11].substr(58), "b    40.00000      -4.000000     v    4.000000      0.5000000    ");

  // Decimation keeps single soundings unchanged.
  sv.p.naverage = 0;
  sv.p.ndecimate = 3;
  EXPECT_EQ(write(sv, 7).stop, "");
  const std::vector<std::string> d = split_records(read_file(sv.p.output_file));
  ASSERT_EQ(d.size(), 1u + 3 * 7);
  EXPECT_EQ(d[0], "    3");
  EXPECT_EQ(d[15], "   106.000000       206.000000        2");
  EXPECT_EQ(d[17], "   1.0000      -36.000     z  1");
}

TEST(Observations, FailedWritesNeverPassForSuccess) {
  // A small file fails when it is flushed at the close; a large one while a
  // record is written, with that record's message.
  const std::string full = test::full_device();
  if (full.empty()) GTEST_SKIP() << "no device that refuses every write on this system";
  Survey small(kTwoFrequencies, full);
  small.rows = "1 2 3 4 5 6\n";
  EXPECT_EQ(write(small, 1).stop, "error closing output file \"" + full + "\"");

  const std::int32_t ns = 99999;  // about 20 MB of records, as many blocks as a file can count
  Survey large(kTwoFrequencies, full);
  for (std::int32_t s = 0; s < ns; ++s) large.rows += "1 2 3 4 5 6\n";
  const Written w = write(large, ns);
  EXPECT_EQ(w.stop.rfind("error writing ", 0), 0u) << w.stop;
  EXPECT_EQ(w.console, " Writing data to \"" + full + "\".\n");
}

TEST(Observations, OpenFailureAndTruncation) {
  TempDir dir;
  Survey bad(kTwoFrequencies, dir.file("missing/out.obs"));
  const Written w = write(bad, 0);
  EXPECT_EQ(w.stop, "error opening output file \"" + bad.p.output_file + "\"");
  EXPECT_EQ(w.console, kNoSoundings);

  Survey sv(kTwoFrequencies, dir.file("old.obs"));
  write_file(sv.p.output_file, std::string(5000, 'x') + "\r\n");
  EXPECT_EQ(write(sv, 0).stop, "");
  EXPECT_EQ(read_file(sv.p.output_file), "    0\r\n");
}

TEST(Observations, RefusesToOverwriteTheDataFile) {
  TempDir dir;
  const std::string data = dir.file("survey.dat");
  const std::string bytes = "1 2 3 4 5 6\n";
  write_file(data, bytes);
  ASSERT_TRUE(test::make_hard_link(data, dir.file("hard.obs")));
  // Where the system makes no symbolic links, their cases are left out.
  const bool symlinks = test::make_symlink("survey.dat", dir.file("soft.obs"));
  for (const std::string& out :
       {data, dir.file("hard.obs"), dir.file("soft.obs"), dir.path() + "/./survey.dat"}) {
    if (!symlinks && out == dir.file("soft.obs")) continue;
    Survey sv(kTwoFrequencies, out);
    sv.p.data_file = data;
    const Written w = write(sv, 0);
    EXPECT_EQ(w.stop, "output file \"" + out + "\" is the data file");
    EXPECT_EQ(w.console, kNoSoundings);
  }
  EXPECT_EQ(read_file(data), bytes);
  // A dangling symbolic link names no existing file: it is written through.
  if (!symlinks) return;
  ASSERT_TRUE(test::make_symlink("new.obs", dir.file("dangling.obs")));
  Survey sv(kTwoFrequencies, dir.file("dangling.obs"));
  sv.p.data_file = data;
  EXPECT_EQ(write(sv, 0).stop, "");
  EXPECT_EQ(read_file(dir.file("new.obs")), "    0\r\n");
}

}  // namespace
}  // namespace kivo
