// Pairing of in-phase and quadrature columns, repetition checks and the
// frequency numbering, on column sets built directly in the arrays.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "params/params.h"
#include "textio/stop.h"

namespace kivo {
namespace {

// One column: a coordinate role ('x', 'y', 'z'), ignored ('-') or data ('d').
struct Col {
  char role = 'd';
  float freq = 900;
  char ot = 'z';
  float momt = 1;
  char orr = 'z';
  float trx = 6.3f;
  float try_ = 0;
  char iq = 'i';
};

Col coord(char role) {
  return {role};
}
Col ignored() {
  return {'-'};
}
Col data(float freq, char iq) {
  return {'d', freq, 'z', 1, 'z', 6.3f, 0, iq};
}
Col geom(float freq, char ot, float momt, char orr, float trx, float try_, char iq) {
  return {'d', freq, ot, momt, orr, trx, try_, iq};
}

struct Outcome {
  std::string stop;  // empty when the checks pass
  std::vector<int> iqpoint, usecol, ifreqs;
  int nfreqs = -1;
};

Outcome check(const std::vector<Col>& cols) {
  Params p;
  p.ncols = static_cast<std::int32_t>(cols.size());
  Arrays a;
  allocate_arrays(a, p.ncols);
  for (std::size_t i = 0; i < cols.size(); ++i) {
    const Col& c = cols[i];
    const auto k = static_cast<std::int32_t>(i + 1);
    a.usecol_a[i] = c.role == '-' ? 0 : 1;
    if (c.role == 'x') p.xcol = k;
    if (c.role == 'y') p.ycol = k;
    if (c.role == 'z') p.zcol = k;
    // Coordinate columns get fields too: they must be passed over all the same.
    a.freqs_a[i] = c.freq;
    a.ot_a[i] = c.ot;
    a.momt_a[i] = c.momt;
    a.or_a[i] = c.orr;
    a.trx_a[i] = c.trx;
    a.try_a[i] = c.try_;
    a.inqu_a[i] = c.iq;
  }
  Outcome out;
  try {
    check_column_set(p, a);
  } catch (const Stop& s) {
    out.stop = s.message;
    return out;
  }
  for (std::size_t i = 0; i < cols.size(); ++i) {
    out.iqpoint.push_back(a.iqpoint_a[i]);
    out.usecol.push_back(a.usecol_a[i]);
    out.ifreqs.push_back(a.ifreqs_a[i]);
  }
  out.nfreqs = p.nfreqs;
  return out;
}

struct PassCase {
  const char* name;
  std::vector<Col> cols;
  std::vector<int> iqpoint, usecol, ifreqs;
  int nfreqs;
};

TEST(ColumnSet, PairsAndFrequencyNumbers) {
  const Col X = coord('x'), Y = coord('y'), Z = coord('z'), I = ignored();
  const float m1 = 1.0f, m1next = std::nextafter(1.0f, 2.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<PassCase> cases = {
      {"in-phase then quadrature",
       {X, data(900, 'i'), data(900, 'q'), Y, Z},
       {0, 3, 0, 0, 0},
       {1, 1, 0, 1, 1},
       {0, 1, 0, 0, 0},
       1},
      {"quadrature then in-phase, lead is the lower column",
       {X, data(900, 'q'), data(900, 'i'), Y, Z},
       {0, 3, 0, 0, 0},
       {1, 1, 0, 1, 1},
       {0, 1, 0, 0, 0},
       1},
      {"i with I pairs here",
       {X, data(900, 'i'), data(900, 'I'), Y, Z},
       {0, 3, 0, 0, 0},
       {1, 1, 0, 1, 1},
       {0, 1, 0, 0, 0},
       1},
      {"pair across an ignored and a coordinate column",
       {data(900, 'q'), I, X, Y, Z, data(900, 'i')},
       {6, 0, 0, 0, 0, 0},
       {1, 0, 1, 1, 1, 0},
       {1, 0, 0, 0, 0, 0},
       1},
      {"z against Z is another geometry, one frequency",
       {X, Y, Z, geom(900, 'z', 1, 'z', 6.3f, 0, 'i'), geom(900, 'Z', 1, 'z', 6.3f, 0, 'i')},
       {0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1},
       {0, 0, 0, 1, 1},
       1},
      {"100 and 100.001 are one frequency",
       {X, Y, Z, data(100.0f, 'i'), data(100.001f, 'q')},
       {0, 0, 0, 5, 0},
       {1, 1, 1, 1, 0},
       {0, 0, 0, 1, 0},
       1},
      {"10 and 10.001 are two frequencies",
       {X, Y, Z, data(10.0f, 'i'), data(10.001f, 'q')},
       {0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1},
       {0, 0, 0, 1, 2},
       2},
      {"moments one bit apart are two geometries",
       {X, Y, Z, geom(900, 'z', m1, 'z', 6.3f, 0, 'i'), geom(900, 'z', m1next, 'z', 6.3f, 0, 'i')},
       {0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1},
       {0, 0, 0, 1, 1},
       1},
      {"separations within 0.001 pair",
       {X, Y, Z, geom(900, 'z', 1, 'z', 30.48f, -15.24f, 'q'),
        geom(900, 'z', 1, 'z', 30.4805f, -15.2405f, 'i')},
       {0, 0, 0, 5, 0},
       {1, 1, 1, 1, 0},
       {0, 0, 0, 1, 0},
       1},
      {"receiver orientation x against y is another geometry",
       {X, Y, Z, geom(900, 'z', 1, 'x', 6.3f, 0, 'i'), geom(900, 'z', 1, 'y', 6.3f, 0, 'i')},
       {0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1},
       {0, 0, 0, 1, 1},
       1},
      {"numbering does not chain: 100, 100.0008, 100.0016",
       {X, Y, Z, geom(100.0f, 'x', 1, 'z', 0, 0, 'i'), geom(100.0008f, 'y', 1, 'z', 0, 0, 'i'),
        geom(100.0016f, 'z', 1, 'z', 0, 0, 'i')},
       {0, 0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1, 1},
       {0, 0, 0, 1, 1, 2},
       2},
      {"frequencies 10, 20, 10, 30 in order of first appearance",
       {X, Y, Z, geom(10, 'x', 1, 'z', 0, 0, 'i'), geom(20, 'y', 1, 'z', 0, 0, 'i'),
        geom(10, 'z', 1, 'z', 0, 0, 'i'), geom(30, 'X', 1, 'z', 0, 0, 'i')},
       {0, 0, 0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1, 1, 1},
       {0, 0, 0, 1, 2, 1, 3},
       3},
      {"a partner takes no frequency number of its own",
       {X, Y, Z, data(900, 'i'), data(7000, 'i'), data(900, 'q'), data(7000, 'q')},
       {0, 0, 0, 6, 7, 0, 0},
       {1, 1, 1, 1, 1, 0, 0},
       {0, 0, 0, 1, 2, 0, 0},
       2},
      {"only coordinate columns: no frequency",
       {I, Z, Y, X},
       {0, 0, 0, 0},
       {0, 1, 1, 1},
       {0, 0, 0, 0},
       0},
      {"a NaN frequency matches nothing, itself included",
       {X, Y, Z, data(nan, 'i'), data(nan, 'i')},
       {0, 0, 0, 0, 0},
       {1, 1, 1, 1, 1},
       {0, 0, 0, 1, 2},
       2},
  };
  for (const auto& c : cases) {
    const Outcome out = check(c.cols);
    EXPECT_EQ(out.stop, "") << c.name;
    EXPECT_EQ(out.iqpoint, c.iqpoint) << c.name;
    EXPECT_EQ(out.usecol, c.usecol) << c.name;
    EXPECT_EQ(out.ifreqs, c.ifreqs) << c.name;
    EXPECT_EQ(out.nfreqs, c.nfreqs) << c.name;
  }
}

struct StopCase {
  const char* name;
  std::vector<Col> cols;
  const char* stop;
};

TEST(ColumnSet, Stops) {
  const Col X = coord('x'), Y = coord('y'), Z = coord('z'), I = ignored();
  std::vector<Col> many(9, I);
  many.insert(many.end(), {data(900, 'q'), X, data(900, 'q'), Y, Z});
  const std::vector<StopCase> cases = {
      {"no coordinate at all: x first",
       {data(900, 'i'), data(900, 'i')},
       "no column is the x-coordinate"},
      {"no y", {X, Z, data(900, 'i')}, "no column is the y-coordinate"},
      {"no height", {X, Y, data(900, 'i')}, "no column is the height"},
      {"coordinates before repetitions",
       {X, Y, data(900, 'i'), data(900, 'i')},
       "no column is the height"},
      {"one geometry, one letter",
       {X, data(900, 'i'), data(900, 'i'), Y, Z},
       "parameters for columns 2 & 3 are the same"},
      {"i, q, i: the pair forms, then 2 and 4 are the same",
       {X, data(900, 'i'), data(900, 'q'), data(900, 'i'), Y, Z},
       "parameters for columns 2 & 4 are the same"},
      {"i, q, Q",
       {X, data(900, 'i'), data(900, 'q'), data(900, 'Q'), Y, Z},
       "screw-up during combination of inphase & quadrature"},
      {"lower i wins over a lower j of a later i",
       {X, Y, Z, data(900, 'i'), data(7000, 'q'), data(7000, 'q'), data(900, 'i')},
       "parameters for columns 4 & 7 are the same"},
      {"only geometry counts: 100 and 100.001, moment -0 and 0",
       {X, Y, Z, geom(100.0f, 'z', 0.0f, 'z', 0, 0, 'q'),
        geom(100.001f, 'z', -0.0f, 'z', 0, 0, 'q')},
       "parameters for columns 4 & 5 are the same"},
      {"two-digit column numbers", many, "parameters for columns 10 & 12 are the same"},
  };
  for (const auto& c : cases) EXPECT_EQ(check(c.cols).stop, c.stop) << c.name;
}

}  // namespace
}  // namespace kivo
