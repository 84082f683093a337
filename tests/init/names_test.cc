// Column names of real exports and the role each gets, by the conventions of
// airborne FDEM data: one table, grown from the names met in the field.
#include <string>

#include <gtest/gtest.h>

#include "init/names.h"

namespace kivo {
namespace {

// A guess in a few words: "data 900 z i", "data pair 1 ? q", "height laser m",
// "x", "ignore".
std::string said(const Guess& g) {
  static const char* const roles[] = {"ignore", "line", "x", "y", "height", "data"};
  std::string s = roles[static_cast<int>(g.role)];
  if (g.role == Role::height) {
    static const char* const ranks[] = {"", "bird", "laser", "radar", "other"};
    s += std::string(" ") + ranks[g.rank];
    if (g.units != 0) s += std::string(" ") + g.units;
    if (g.raw) s += " raw";
  }
  if ((g.role == Role::x || g.role == Role::y) && g.rank == 0) s += " sensor";
  if (g.role == Role::data) {
    s += g.pair > 0 ? " pair " + std::to_string(g.pair) : " " + g.frequency;
    s += std::string(" ") + (g.orientation != 0 ? g.orientation : '?') + " " + g.component;
    if (g.suffix) s += " suffix";
  }
  return s;
}

TEST(ColumnNames, TheConventionsOfFdemExports) {
  struct Case {
    const char* name;
    const char* guess;
  };
  const Case cases[] = {
      // The flight line; the flight number and power-line words are not it.
      {"LINE", "line"},
      {"Line_No", "line"},
      {"flight_line", "line"},
      {"FLTLINE", "line"},
      {"FLIGHT", "ignore"},
      {"powerline", "ignore"},
      // Coordinates, alone or with a coordinate system or a unit; never
      // degrees, nor field components.
      {"X", "x"},
      {"e", "x"},
      {"Easting", "x"},
      {"utm_x", "x"},
      {"MGA_E", "x"},
      {"x_WGS84_UTMZ15N", "x"},
      {"EASTING_GDA94_M", "x"},
      {"UTMX", "x"},
      {"y", "y"},
      {"N", "y"},
      {"NORTHING", "y"},
      {"y_WGS84_UTMZ15N", "y"},
      {"mga_n", "y"},
      {"UTME", "x"},
      {"UTMN", "y"},
      {"UTM_E", "x"},
      {"utm_n", "y"},
      {"UTMY", "y"},
      {"E_MGA", "x"},
      {"UTME_BIRD", "x sensor"},
      {"UTMN_BIRD", "y sensor"},
      {"UTME_HELI", "x"},
      {"UTMN_CTR", "y"},
      {"X_CTR", "x"},
      {"X Tx(m)", "x sensor"},
      {"Y Rx(m)", "y"},
      {"MGA_N_EM", "y sensor"},
      {"Z Tx(m)", "ignore"},  // the transmitter's elevation, not its height
      {"LON", "ignore"},
      {"Longitude", "ignore"},
      {"lat", "ignore"},
      {"X_PrimaryField", "ignore"},
      {"X_Sferics", "ignore"},
      {"x_y", "ignore"},
      {"E5", "ignore"},
      // The sensor's height, the one named the bird's ranked first; the helicopter's
      // heights, GPS heights and the terrain are not it.
      {"altlas", "height laser"},
      {"LASER", "height laser"},
      {"H_LASER", "height laser"},
      {"laser_alt_m", "height laser m"},
      {"ALT_LAS", "height laser"},
      {"ALTRAD", "height radar"},
      {"RADAR_FT", "height radar f"},
      {"BHEIGHT", "height bird"},
      {"BIRD_HEIGHT", "height bird"},
      {"height", "height other"},
      {"ALT", "height other"},
      {"tx_height", "height bird"},
      {"rx_height", "height bird"},
      {"em_height", "height bird"},
      {"sensor_height", "height bird"},
      {"BIRD HEIGHT", "height bird"},
      {"LASER ALT RAW", "height laser raw"},
      {"LASER ALT EDIT", "height laser"},
      {"altrad_heli", "ignore"},
      {"LASER_HELO", "ignore"},
      {"GPS_Z", "ignore"},
      {"ALT_GPS", "ignore"},
      {"DEM", "ignore"},
      {"ELEVATION", "ignore"},
      // Data: geometry, component and frequency; "k" for kHz.
      {"CPI900", "data 900 z i"},
      {"CPQ900", "data 900 z q"},
      {"CXI3300", "data 3300 x i"},
      {"cxq3300", "data 3300 x q"},
      {"VCPI5500", "data 5500 y i"},
      {"HCP900I", "data 900 z i"},
      {"HCP_900_Q", "data 900 z q"},
      {"VCA1000Q", "data 1000 x q"},
      {"CPI56K", "data 56000 z i"},
      {"cpi140k", "data 140000 z i"},
      {"cpi140k_filt", "data 140000 z i suffix"},
      {"cpq140k_phg", "data 140000 z q suffix"},
      {"CPI900_RAW", "data 900 z i suffix"},
      {"I_380", "data 380 ? i"},
      {"Q_380", "data 380 ? q"},
      {"380I", "data 380 ? i"},
      {"380Q", "data 380 ? q"},
      {"IP900", "data 900 ? i"},
      {"QD900", "data 900 ? q"},
      {"INPH_900", "data 900 ? i"},
      {"QUAD_900", "data 900 ? q"},
      {"RE900", "data 900 ? i"},
      {"IM900", "data 900 ? q"},
      {"QP 475Hz", "data 475 ? q"},
      {"I380Hz", "data 380 ? i"},
      // The frequency first, its unit, then the component.
      {"110Hz_I", "data 110 ? i"},
      {"880HzQ", "data 880 ? q"},
      {"3300Hz_Q", "data 3300 ? q"},
      {"1.5kHz_I", "data 1500 ? i"},
      {"56kHz_Q", "data 56000 ? q"},
      {"50Hz_I", "data 50 ? i"},  // a unit: a frequency, not a pair
      {"CPI1.5k", "data 1500 z i"},
      {"110Hz", "ignore"},
      {"110Hz_I_raw", "data 110 ? i suffix"},
      // Numbered pairs: the frequency stands elsewhere.
      {"REAL_1", "data pair 1 ? i"},
      {"QUAD_1", "data pair 1 ? q"},
      {"P1", "data pair 1 ? i"},
      {"q2", "data pair 2 ? q"},
      {"IP3", "data pair 3 ? i"},
      {"INPHASE[2]", "data pair 2 ? i"},
      // Not data: flags, power-line monitors, other quantities, no component.
      {"qflag", "ignore"},
      {"pflag", "ignore"},
      {"Q1_flag", "ignore"},
      {"pli", "ignore"},
      {"PLM", "ignore"},
      {"HCP900", "ignore"},
      {"RES900", "ignore"},
      {"DEP900", "ignore"},
      {"CPI0", "ignore"},
      {"CPI1234567890", "ignore"},
      {"MAG", "ignore"},
      {"FID", "ignore"},
      {"TIME", "ignore"},
      {"DATE", "ignore"},
      {"column 7", "ignore"},
      {"", "ignore"},
      {"_", "ignore"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(said(guess_column(c.name)), c.guess) << c.name;
  }
}

}  // namespace
}  // namespace kivo
