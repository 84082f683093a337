#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "soundings/soundings.h"
#include "tests/support/testutil.h"
#include "textio/stop.h"

namespace kivo {
namespace {

using test::TempDir;
using test::write_file;

TEST(Uncertainty, LargerOfPercentageAndThreshold) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float perr, terr, v, u;
  };
  const Case cases[] = {
      {5, 0.5f, -20, 1.0f},  // exactly 1, not 0.99999994
      {5, 0.5f, 2, 0.5f},   {0, 0.2f, 1234.5f, 0.2f},
      {0, 0.2f, 0, 0.2f},   {10, 0, 0, 0},
      {10, 0, -50, 5.0f},   {10, 0, 3, static_cast<float>(static_cast<double>(0.01f) * 10 * 3)},
      {2, 1, 50, 1.0f},     // equal: the percentage term, the same value
      {5, nan, -20, 1.0f},  // a NaN threshold is never strictly greater
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.perr) + "% " + std::to_string(c.terr) + " of " +
                 std::to_string(c.v));
    EXPECT_EQ(uncertainty(c.perr, c.terr, c.v), c.u);
  }
  EXPECT_TRUE(std::isnan(uncertainty(5, 0.5f, nan)));
}

// Hand-made column descriptors for `ncols` columns and `ns` soundings: every
// column ignored until a role is given.
struct Survey {
  Params p;
  Arrays a;
  Survey(std::int32_t ncols, std::int32_t ns) {
    p.ncols = ncols;
    p.data_file = "survey.dat";
    const std::size_t n = static_cast<std::size_t>(ncols);
    const std::size_t cells = n * static_cast<std::size_t>(ns);
    a.usecol_a = std::make_unique<std::int32_t[]>(n);
    a.feetmetres_a = std::make_unique<char[]>(n);
    a.inqu_a = std::make_unique<char[]>(n);
    a.iqpoint_a = std::make_unique<std::int32_t[]>(n);
    a.dum_a = std::make_unique<float[]>(n);
    a.perr_a = std::make_unique<float[]>(n);
    a.terr_a = std::make_unique<float[]>(n);
    a.x_a = std::make_unique<float[]>(ns);
    a.y_a = std::make_unique<float[]>(ns);
    a.z_a = std::make_unique<float[]>(ns);
    a.dat_a = std::make_unique<Cplx[]>(cells);
    a.err_a = std::make_unique<Cplx[]>(cells);
  }
  // Column numbers from 1.
  void coords(std::int32_t x, std::int32_t y, std::int32_t z, char fm) {
    p.xcol = x;
    p.ycol = y;
    p.zcol = z;
    for (std::int32_t c : {x, y, z}) a.usecol_a[c - 1] = 1;
    a.feetmetres_a[z - 1] = fm;
  }
  void data(std::int32_t c, char inqu, float perr, float terr, std::int32_t partner = 0) {
    a.usecol_a[c - 1] = 1;
    a.inqu_a[c - 1] = inqu;
    a.perr_a[c - 1] = perr;
    a.terr_a[c - 1] = terr;
    a.iqpoint_a[c - 1] = partner;
    if (partner != 0) a.usecol_a[partner - 1] = 0;
  }
  void row(std::initializer_list<float> values) {
    std::size_t j = 0;
    for (float v : values) a.dum_a[j++] = v;
  }
  void store(std::int32_t s) { store_row(plan_row(p, a), p.ncols, a, s); }
  Cplx dat(std::int32_t c, std::int32_t s) const { return a.dat_a[cell(p.ncols, c - 1, s)]; }
  Cplx err(std::int32_t c, std::int32_t s) const { return a.err_a[cell(p.ncols, c - 1, s)]; }
};

void expect_cplx(Cplx got, float re, float im) {
  EXPECT_EQ(got.re, re);
  EXPECT_EQ(got.im, im);
}

std::string stop_message(Survey& sv, std::int32_t s) {
  try {
    sv.store(s);
  } catch (const Stop& stop) {
    return stop.message;
  }
  return "(no stop)";
}

TEST(StoreRow, CoordinatesAndHeight) {
  struct Case {
    char fm;
    float h, z;
  };
  const Case cases[] = {
      {'f', 100, -(0.3048f * 100)}, {'F', 100, -30.48f}, {'m', 30, -30}, {'M', 30, -30},
      {'m', -12.5f, 12.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.fm) + " " + std::to_string(c.h));
    Survey sv(4, 2);
    sv.coords(2, 1, 4, c.fm);  // x in column 2, y in column 1
    sv.row({7123456.25f, 6543210.55f, 99, c.h});
    sv.store(1);
    EXPECT_EQ(sv.a.x_a[1], 6543210.5f);
    EXPECT_EQ(sv.a.y_a[1], 7123456.25f);
    EXPECT_EQ(sv.a.z_a[1], c.z);
  }
}

TEST(StoreRow, UnpairedAndPairedColumns) {
  // Columns: x y z, 4 "I" unpaired, 5 "q" unpaired, 6 "i" lead of 7 "Q",
  // 8 "q" lead of 9 "I".
  Survey sv(9, 1);
  sv.coords(1, 2, 3, 'm');
  sv.data(4, 'I', 5, 0.5f);
  sv.data(5, 'q', 0, 0.2f);
  sv.data(6, 'i', 10, 0, 7);
  sv.data(7, 'Q', 5, 0.5f);
  sv.data(8, 'q', 10, 0, 9);  // a = -20 in the lead, b = 30 in the partner
  sv.data(9, 'I', 5, 0.5f);
  sv.row({0, 0, 0, -20, 7, 40, -20, -20, 30});
  sv.store(0);
  expect_cplx(sv.dat(4, 0), -20, 0);
  expect_cplx(sv.err(4, 0), 1, 0);
  expect_cplx(sv.dat(5, 0), 0, 7);
  expect_cplx(sv.err(5, 0), 0, 0.2f);
  expect_cplx(sv.dat(6, 0), 40, -20);
  expect_cplx(sv.err(6, 0), 4, 1);  // each part with its own column's uncertainty
  expect_cplx(sv.dat(8, 0), 30, -20);
  expect_cplx(sv.err(8, 0), 1.5f, 2);
}

TEST(StoreRow, InconsistentFlagsStopAfterEarlierColumns) {
  struct Case {
    char lead, partner;
    std::string message;
  };
  const Case cases[] = {
      {'q', 'Q', "inconsistent pairing of inphase & quadrature values (col 4)"},
      {'i', 'I', "inconsistent pairing of inphase & quadrature values (col 4)"},
      {'Q', 'q', "inconsistent pairing of inphase & quadrature values (col 4)"},
  };
  for (const Case& c : cases) {
    Survey sv(6, 1);
    sv.coords(1, 2, 6, 'm');
    sv.data(3, 'i', 1, 1);
    sv.data(4, c.lead, 1, 1, 5);
    sv.data(5, c.partner, 1, 1);
    sv.row({11, 22, 3, 4, 5, 66});
    EXPECT_EQ(stop_message(sv, 0), c.message);
    EXPECT_EQ(sv.a.x_a[0], 11);  // stored before the failing column
    expect_cplx(sv.dat(3, 0), 3, 0);
    EXPECT_EQ(sv.a.z_a[0], 0);  // column 6 comes after it: not stored
  }
  Survey sv(4, 1);
  sv.coords(1, 2, 3, 'm');
  sv.data(4, 'x', 1, 1);
  EXPECT_EQ(stop_message(sv, 0), "inconsistent inqu value (column 4)");
}

// read_soundings on a data file, with x, y, z (metres) and one unpaired "i"
// column.
struct Pass {
  TempDir dir;
  Survey sv;
  std::int32_t counted;
  Pass(const std::string& text, std::int32_t s) : sv(4, s), counted(s) {
    sv.coords(1, 2, 3, 'm');
    sv.data(4, 'i', 0, 1);
    sv.p.data_file = dir.file("survey.dat");
    write_file(sv.p.data_file, text);
  }
  // The stop message, or "" after a pass without one; `counted` becomes the
  // number of soundings read.
  std::string run() {
    ReadFile f;
    if (open_read(f, sv.p.data_file, 999) != 0) return "(cannot open)";
    try {
      read_soundings(f, sv.p, sv.a, counted);
    } catch (const Stop& stop) {
      return stop.message;
    }
    return "";
  }
  std::string quoted() const { return " from \"" + sv.p.data_file + "\""; }
};

TEST(ReadingPass, StoresEveryRowAndSkipsComments) {
  Pass pass("/ survey line 7\n1 2 3 4\n/ turn\n/ again\n5,6,7,8\r\n 9 10 11 12", 3);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 3);
  EXPECT_EQ(pass.sv.a.x_a[1], 5);
  EXPECT_EQ(pass.sv.a.z_a[2], -11);
  expect_cplx(pass.sv.dat(4, 2), 12, 0);
}

TEST(ReadingPass, RowsOverSeveralLinesLowerTheCount) {
  // A blank line between rows is counted, but the row after it fills it.
  Pass pass("1 2 3 4\n\n5 6 7 8\n9 10 11 12\n", 4);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 3);
  EXPECT_EQ(pass.sv.a.x_a[1], 5);
  EXPECT_EQ(pass.sv.a.x_a[2], 9);
  // A short row takes its last value from the next line.
  Pass short_row("1 2 3\n4\n5 6 7 8\n", 3);
  EXPECT_EQ(short_row.run(), "");
  EXPECT_EQ(short_row.counted, 2);
  expect_cplx(short_row.sv.dat(4, 0), 4, 0);
  EXPECT_EQ(short_row.sv.a.x_a[1], 5);
}

TEST(ReadingPass, StopsAtTheCountedRow) {
  // Whatever follows the counted rows is never read.
  Pass pass("1 2 3 4\n5 6 7 8\nnot a row\n", 2);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 2);
}

TEST(ReadingPass, NoSoundings) {
  Pass pass("/ only\n/ comments\n", 0);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 0);
}

TEST(ReadingPass, SlashKeepsThePreviousRowAndZeroForTheFirst) {
  Pass pass(" / first row holds no value\n1 2 /\n", 2);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.sv.a.x_a[0], 0);
  EXPECT_EQ(pass.sv.a.z_a[0], -0.0f);
  expect_cplx(pass.sv.dat(4, 0), 0, 0);
  expect_cplx(pass.sv.err(4, 0), 1, 0);
  EXPECT_EQ(pass.sv.a.x_a[1], 1);
  EXPECT_EQ(pass.sv.a.y_a[1], 2);
  EXPECT_EQ(pass.sv.a.z_a[1], -0.0f);
}

}  // namespace
}  // namespace kivo
