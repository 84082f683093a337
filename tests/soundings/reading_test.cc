#include <gtest/gtest.h>

#include <array>
#include <charconv>
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

// Hand-made column descriptors for `ncols` columns: every column ignored
// until a role is given.
struct Survey {
  Params p;
  Arrays a;
  Sounding stored;
  explicit Survey(std::int32_t ncols) {
    p.ncols = ncols;
    p.ndecimate = 1;
    p.data_file = "survey.dat";
    const std::size_t n = static_cast<std::size_t>(ncols);
    a.usecol_a = std::make_unique<std::int32_t[]>(n);
    a.feetmetres_a = std::make_unique<char[]>(n);
    a.inqu_a = std::make_unique<char[]>(n);
    a.iqpoint_a = std::make_unique<std::int32_t[]>(n);
    a.dum_a = std::make_unique<float[]>(n);
    a.perr_a = std::make_unique<float[]>(n);
    a.terr_a = std::make_unique<float[]>(n);
    a.dat_a = std::make_unique<Cplx[]>(n);
    a.err_a = std::make_unique<Cplx[]>(n);
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
  void store() { store_row(plan_row(p, a), p, a, stored); }
  Cplx dat(std::int32_t c) const { return a.dat_a[c - 1]; }
  Cplx err(std::int32_t c) const { return a.err_a[c - 1]; }
};

void expect_cplx(Cplx got, float re, float im) {
  EXPECT_EQ(got.re, re);
  EXPECT_EQ(got.im, im);
}

std::string stop_message(Survey& sv) {
  try {
    sv.store();
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
    Survey sv(4);
    sv.coords(2, 1, 4, c.fm);  // x in column 2, y in column 1
    sv.row({7123456.25f, 6543210.55f, 99, c.h});
    sv.store();
    EXPECT_EQ(sv.stored.x, 6543210.5f);
    EXPECT_EQ(sv.stored.y, 7123456.25f);
    EXPECT_EQ(sv.stored.z, c.z);
  }
}

TEST(StoreRow, UnpairedAndPairedColumns) {
  // Columns: x y z, 4 "I" unpaired, 5 "q" unpaired, 6 "i" lead of 7 "Q",
  // 8 "q" lead of 9 "I".
  Survey sv(9);
  sv.coords(1, 2, 3, 'm');
  sv.data(4, 'I', 5, 0.5f);
  sv.data(5, 'q', 0, 0.2f);
  sv.data(6, 'i', 10, 0, 7);
  sv.data(7, 'Q', 5, 0.5f);
  sv.data(8, 'q', 10, 0, 9);  // a = -20 in the lead, b = 30 in the partner
  sv.data(9, 'I', 5, 0.5f);
  sv.row({0, 0, 0, -20, 7, 40, -20, -20, 30});
  sv.store();
  expect_cplx(sv.dat(4), -20, 0);
  expect_cplx(sv.err(4), 1, 0);
  expect_cplx(sv.dat(5), 0, 7);
  expect_cplx(sv.err(5), 0, 0.2f);
  expect_cplx(sv.dat(6), 40, -20);
  expect_cplx(sv.err(6), 4, 1);  // each part with its own column's uncertainty
  expect_cplx(sv.dat(8), 30, -20);
  expect_cplx(sv.err(8), 1.5f, 2);
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
    Survey sv(6);
    sv.coords(1, 2, 6, 'm');
    sv.data(3, 'i', 1, 1);
    sv.data(4, c.lead, 1, 1, 5);
    sv.data(5, c.partner, 1, 1);
    sv.row({11, 22, 3, 4, 5, 66});
    EXPECT_EQ(stop_message(sv), c.message);
    EXPECT_EQ(sv.stored.x, 11);  // stored before the failing column
    expect_cplx(sv.dat(3), 3, 0);
    EXPECT_EQ(sv.stored.z, 0);  // column 6 comes after it: not stored
  }
  Survey sv(4);
  sv.coords(1, 2, 3, 'm');
  sv.data(4, 'x', 1, 1);
  EXPECT_EQ(stop_message(sv), "inconsistent inqu value (column 4)");
}

// The reading pass over a data file, with x, y, z (metres) and one unpaired
// "i" column; every kept sounding as handed out.
struct Kept1 {
  KeptSounding k;
  Cplx dat, err;
};

struct Pass {
  TempDir dir;
  Survey sv{4};
  std::int32_t counted;
  std::vector<Kept1> kept;
  Pass(const std::string& text, std::int32_t s, std::int32_t naverage = 0,
       std::int32_t ndecimate = 1)
      : counted(s) {
    sv.coords(1, 2, 3, 'm');
    sv.data(4, 'i', 0, 1);
    sv.p.naverage = naverage;
    sv.p.ndecimate = ndecimate;
    sv.p.data_file = dir.file("survey.dat");
    write_file(sv.p.data_file, text);
  }
  // The stop message, or "" after a pass without one; `counted` becomes the
  // number of soundings read.
  std::string run() {
    ReadFile f;
    if (open_read(f, sv.p.data_file, 999) != 0) return "(cannot open)";
    kept.clear();
    try {
      ReadingPass r;
      begin_reading(r, f, sv.p, sv.a, counted, sv.p.naverage);
      KeptSounding k;
      while (next_kept(r, k)) kept.push_back({k, sv.dat(4), sv.err(4)});
      counted = r.nread;
    } catch (const Stop& stop) {
      return stop.message;
    }
    return "";
  }
  std::string quoted() const { return " from \"" + sv.p.data_file + "\""; }
};

TEST(ReadingPass, HandsOutEveryRowAndSkipsComments) {
  Pass pass("/ survey line 7\n1 2 3 4\n/ turn\n/ again\n5,6,7,8\r\n 9 10 11 12", 3);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 3);
  ASSERT_EQ(pass.kept.size(), 3u);
  EXPECT_EQ(pass.kept[1].k.s, 1);
  EXPECT_EQ(pass.kept[1].k.x, 5);
  EXPECT_EQ(pass.kept[2].k.z, -11);
  expect_cplx(pass.kept[2].dat, 12, 0);
}

TEST(ReadingPass, RowsOverSeveralLinesEndThePassEarly) {
  // A blank line between rows is counted, but the row after it fills it.
  Pass pass("1 2 3 4\n\n5 6 7 8\n9 10 11 12\n", 4);
  EXPECT_EQ(pass.run(), "");
  EXPECT_EQ(pass.counted, 3);
  ASSERT_EQ(pass.kept.size(), 3u);
  EXPECT_EQ(pass.kept[1].k.x, 5);
  EXPECT_EQ(pass.kept[2].k.x, 9);
  // A short row takes its last value from the next line.
  Pass short_row("1 2 3\n4\n5 6 7 8\n", 3);
  EXPECT_EQ(short_row.run(), "");
  EXPECT_EQ(short_row.counted, 2);
  expect_cplx(short_row.kept[0].dat, 4, 0);
  EXPECT_EQ(short_row.kept[1].k.x, 5);
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
  EXPECT_TRUE(pass.kept.empty());
}

TEST(ReadingPass, SlashKeepsThePreviousRowAndZeroForTheFirst) {
  Pass pass(" / first row holds no value\n1 2 /\n", 2);
  EXPECT_EQ(pass.run(), "");
  ASSERT_EQ(pass.kept.size(), 2u);
  EXPECT_EQ(pass.kept[0].k.x, 0);
  EXPECT_EQ(pass.kept[0].k.z, -0.0f);
  expect_cplx(pass.kept[0].dat, 0, 0);
  expect_cplx(pass.kept[0].err, 1, 0);
  EXPECT_EQ(pass.kept[1].k.x, 1);
  EXPECT_EQ(pass.kept[1].k.y, 2);
  EXPECT_EQ(pass.kept[1].k.z, -0.0f);
}

// Rows "x y h v" with the exact text of each float.
std::string rows(const std::vector<std::array<float, 4>>& values) {
  std::string text;
  for (const auto& row : values) {
    for (float v : row) {
      char buf[32];
      const auto res = std::to_chars(buf, buf + sizeof buf, v);
      text.append(buf, res.ptr);
      text += ' ';
    }
    text += '\n';
  }
  return text;
}

TEST(ReadingPass, WindowsAverageAllButTheCoordinates) {
  // Seven rows, averaging number 1: kept soundings 2 and 5 (windows 1-3 and
  // 4-6), sounding 7 dropped; x and y are the kept sounding's own.
  std::vector<std::array<float, 4>> v;
  for (int s = 0; s < 7; ++s) {
    v.push_back({100.0f + s, 200.0f + s, 30.0f + s, 10.0f * s});
  }
  Pass pass(rows(v), 7, 1);
  pass.sv.data(4, 'i', 10, 0);  // uncertainties 0, 1, 2, ...: their mean
  EXPECT_EQ(pass.run(), "");
  ASSERT_EQ(pass.kept.size(), 2u);
  EXPECT_EQ(pass.kept[0].k.s, 1);
  EXPECT_EQ(pass.kept[0].k.x, 101);
  EXPECT_EQ(pass.kept[0].k.y, 201);
  EXPECT_EQ(pass.kept[0].k.z, -31);
  expect_cplx(pass.kept[0].dat, 10, 0);
  const double sum = 0.0 + uncertainty(10, 0, 10) + uncertainty(10, 0, 20);
  EXPECT_EQ(pass.kept[0].err.re, static_cast<float>(sum / 3));
  EXPECT_EQ(pass.kept[1].k.s, 4);
  EXPECT_EQ(pass.kept[1].k.x, 104);
  expect_cplx(pass.kept[1].dat, 40, 0);

  // Decimation hands out single rows unchanged.
  Pass dec(rows(v), 7, 0, 3);
  EXPECT_EQ(dec.run(), "");
  ASSERT_EQ(dec.kept.size(), 3u);
  EXPECT_EQ(dec.kept[2].k.s, 6);
  EXPECT_EQ(dec.kept[2].k.z, -36);
}

TEST(ReadingPass, SumsInDoubleInSoundingOrder) {
  // In single precision 1e8 + 1 + 1 ... loses the ones; in double they count.
  Pass pass(
      rows({{0, 0, 1e8f, 1e8f}, {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, -1e8f, -1e8f}}), 5,
      2);
  EXPECT_EQ(pass.run(), "");
  ASSERT_EQ(pass.kept.size(), 1u);
  EXPECT_EQ(pass.kept[0].k.z, static_cast<float>(-3.0 * (1.0 / 5)));
  EXPECT_EQ(pass.kept[0].dat.re, 0.6f);
}

TEST(ReadingPass, HeightUsesTheReciprocalAndDataTheQuotient) {
  // The double sum 3 + 3 * 2^-24 + 2^-51, over three: the quotient lies just
  // above the midpoint between the singles 1 and 1 + 2^-23, the product with
  // the double 1/3 just below it.
  const float a = std::ldexp(1.0f, -51);
  const float b = 3 * std::ldexp(1.0f, -24);
  Pass pass(rows({{0, 0, -a, a}, {0, 0, -b, b}, {0, 0, -3, 3}}), 3, 1);
  EXPECT_EQ(pass.run(), "");
  ASSERT_EQ(pass.kept.size(), 1u);
  EXPECT_EQ(pass.kept[0].k.z, 1.0f);
  EXPECT_EQ(pass.kept[0].dat.re, 1.0f + std::ldexp(1.0f, -23));
}

}  // namespace
}  // namespace kivo
