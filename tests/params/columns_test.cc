// What the column lines store: roles, coordinate column numbers and the
// fields of data columns, separations in feet turned into metres.
#include <gtest/gtest.h>

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

struct Read {
  Params p;
  Arrays a;
  std::string stop;
};

// Reads the given column lines as columns 1 to n.
void read_columns(const std::string& text, std::int32_t n, Read& r) {
  TempDir dir;
  write_file(dir.file("kivo.in"), text);
  ReadFile f;
  ASSERT_EQ(open_read(f, dir.file("kivo.in")), 0);
  r.p.ncols = n;
  allocate_arrays(r.a, n);
  try {
    read_column_lines(f, r.p, r.a);
  } catch (const Stop& s) {
    r.stop = s.message;
  }
  close_read(f);
}

TEST(ColumnLines, Roles) {
  Read r;
  read_columns(
      "ignored\n"
      "IGNORE-ME 1 2 3\n"
      "  xcoord whatever\n"
      "Y\n"
      "Z ft and a comment\n",
      5, r);
  ASSERT_EQ(r.stop, "");
  EXPECT_EQ(r.a.usecol_a[0], 0);
  EXPECT_EQ(r.a.usecol_a[1], 0);
  for (int i = 2; i < 5; ++i) EXPECT_EQ(r.a.usecol_a[i], 1) << i;
  EXPECT_EQ(r.p.xcol, 3);
  EXPECT_EQ(r.p.ycol, 4);
  EXPECT_EQ(r.p.zcol, 5);
  EXPECT_EQ(r.a.feetmetres_a[4], 'f');
}

TEST(ColumnLines, HeightFlagIsTheFirstLetterOfItsWord) {
  Read r;
  read_columns("x\ny\nz metres\n", 3, r);
  ASSERT_EQ(r.stop, "");
  EXPECT_EQ(r.p.zcol, 3);
  EXPECT_EQ(r.a.feetmetres_a[2], 'm');
}

TEST(ColumnLines, DataFieldsStored) {
  Read r;
  read_columns(
      "900 z 1 z F 100 -50 1 i 5 1\n"
      "   7000   X  -2.5e3  y   m  100  -50  4  Q  0  0.5  twelfth word\n"
      "1E3 z 0 Z f 1 0.1 2 q 0.25 0\n",
      3, r);
  ASSERT_EQ(r.stop, "");
  const Arrays& a = r.a;
  EXPECT_EQ(a.freqs_a[0], 900.0f);
  EXPECT_EQ(a.ot_a[0], 'z');
  EXPECT_EQ(a.momt_a[0], 1.0f);
  EXPECT_EQ(a.or_a[0], 'z');
  EXPECT_EQ(a.feetmetres_a[0], 'F');
  EXPECT_EQ(a.trx_a[0], 100.0f * 0.3048f);
  EXPECT_EQ(a.try_a[0], -50.0f * 0.3048f);
  EXPECT_EQ(a.ontype_a[0], 1);
  EXPECT_EQ(a.inqu_a[0], 'i');
  EXPECT_EQ(a.perr_a[0], 5.0f);
  EXPECT_EQ(a.terr_a[0], 1.0f);

  EXPECT_EQ(a.freqs_a[1], 7000.0f);
  EXPECT_EQ(a.ot_a[1], 'X');
  EXPECT_EQ(a.momt_a[1], -2500.0f);  // any moment is accepted
  EXPECT_EQ(a.or_a[1], 'y');
  EXPECT_EQ(a.trx_a[1], 100.0f);  // metres are stored as read
  EXPECT_EQ(a.try_a[1], -50.0f);
  EXPECT_EQ(a.ontype_a[1], 4);
  EXPECT_EQ(a.inqu_a[1], 'Q');
  EXPECT_EQ(a.perr_a[1], 0.0f);
  EXPECT_EQ(a.terr_a[1], 0.5f);

  EXPECT_EQ(a.freqs_a[2], 1000.0f);
  EXPECT_EQ(a.momt_a[2], 0.0f);
  EXPECT_EQ(a.trx_a[2], 0.3048f);
  EXPECT_EQ(a.try_a[2], 0.1f * 0.3048f);  // the product of two singles
  EXPECT_EQ(a.terr_a[2], 0.0f);
  EXPECT_EQ(r.p.xcol + r.p.ycol + r.p.zcol, 0);
}

TEST(ColumnLines, TabBelongsToItsWord) {
  // "900\tz" is one word: the frequency reads as 900 and the next word, "1",
  // is then the transmitter orientation.
  Read r;
  read_columns("900\tz 1 z m 0 0 1 i 5 1\n", 1, r);
  EXPECT_EQ(r.stop, "invalid transmitter orientation for column 1");
}

}  // namespace
}  // namespace kivo
