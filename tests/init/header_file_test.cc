// The header file of a flat-ASCII delivery, as contractors type it: the
// frequency a description states, fields whose names hold blanks among
// sample rates, units and widths, a system table, a dummy sentence, and
// field numbers that do not run on.
#include <string>

#include <gtest/gtest.h>

#include "init/header_file.h"

namespace kivo {
namespace {

TEST(HeaderFile, TheFrequencyADescriptionStates) {
  const std::pair<const char*, const char*> cases[] = {
      {"FINAL INPHASE-COPLANAR 7970 HZ", "7970"},
      {"FINAL QUADRATURE 130.1 kHZ", "130100"},
      {"ZERO LEVEL 382HZ", "382"},
      {"coaxial, 35.92 kHz, final", "35920"},
      {"0.5 KHZ", "500"},
      {"1.2345 kHz", "1234.5"},
      {"RAW LASER ALTIMETER", ""},
      {"UTM ZONE 13N", ""},
      {"0 HZ", ""},
      {"400 Hertz", ""},
  };
  for (const auto& [text, hz] : cases) EXPECT_EQ(stated_frequency(text), hz) << text;
}

TEST(HeaderFile, FieldsSystemTableAndDummies) {
  const HeaderFile h = parse_header_file(
      "NOMINAL FREQUENCY (Hz)        900    7200   56000\r\n"
      "OPERATING FREQUENCY (Hz)      912    7001   56100\r\n"
      "COIL ORIENTATION               CP      CX     VCP\r\n"
      "COIL SEPARATION (ft)         26.2    26.2    20.7\r\n"
      "Dummy values are given as (-99999).\r\n"
      "  1   1- 10  LINE             10 Hz   -      FLIGHT LINE        10  0\r\n"
      "  2  11 -20  LASER ALT EDIT   10 Hz   m      EDITED LASER ALT   8   2\r\n"
      "  3  21 3O   CPI900\tppm\tFINAL INPHASE 912 HZ\r\n");
  ASSERT_EQ(h.problem, "");
  ASSERT_EQ(h.fields.size(), 3u);
  EXPECT_EQ(h.fields[0].name, "LINE");
  EXPECT_EQ(h.fields[0].unit, "");
  EXPECT_EQ(h.fields[1].name, "LASER ALT EDIT");
  EXPECT_EQ(h.fields[1].unit, "m");
  EXPECT_EQ(h.fields[1].description, "EDITED LASER ALT");
  EXPECT_EQ(h.fields[2].name, "CPI900");  // a typo in its columns, tabs between
  EXPECT_EQ(h.fields[2].frequency, "912");
  EXPECT_EQ(h.fields[2].stage, Stage::final);
  EXPECT_EQ(h.fields[2].line, 8);
  ASSERT_EQ(h.coils.size(), 3u);
  EXPECT_EQ(h.coils[1].nominal, "7200");
  EXPECT_EQ(h.coils[1].operating, "7001");
  EXPECT_EQ(h.coils[1].orientation, 'x');
  EXPECT_EQ(h.coils[2].orientation, 'y');
  EXPECT_EQ(h.coils[2].separation, "20.7");
  EXPECT_EQ(h.coils[2].separation_unit, 'f');
  EXPECT_EQ(h.dummy, "-99999");
  EXPECT_EQ(h.dummy_line, 5);

  const HeaderFile skipped = parse_header_file(
      "  1   900 912  CP  7.98\n"  // a table of coils, numbered too
      "  2  7200 7001 CX  7.98\n"
      "  1   1- 10  LINE  -  FLIGHT LINE\n"
      "  2  11- 20  X     m  EASTING\n"
      "  4  21- 30  Y     m  NORTHING\n");
  EXPECT_EQ(skipped.problem, "the field numbers run 1 to 2, then 4 (line 5)");
  EXPECT_TRUE(skipped.fields.empty());
}

}  // namespace
}  // namespace kivo
