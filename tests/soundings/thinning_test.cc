#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "soundings/soundings.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

// The console text that check_averaging prints, and the averaging number it
// leaves.
struct Checked {
  std::int32_t naverage;
  std::string console;
};

Checked check(std::int32_t naverage, std::int32_t nsoundings) {
  test::Console console;
  Params p;
  p.naverage = naverage;
  p.ndecimate = 1;
  check_averaging(p, nsoundings, console.file());
  return Checked{p.naverage, console.text()};
}

TEST(CheckAveraging, LowersTooLongWindowsWithNotice) {
  struct Case {
    std::int32_t n, S, lowered;
    std::string notice;  // the number the notice shows, "" for none
  };
  const Case cases[] = {
      {2, 10, 2, ""},  // window 5 fits
      {2, 5, 2, ""},   // exactly fits
      {2, 4, 1, "1"},  // S even: window S - 1
      {3, 4, 1, "1"},
      {1, 1, 0, "0"},  // one sounding: passed on unchanged
      {0, 1, 0, ""},
      {0, 0, 0, "0"},  // S = 0 always gives the notice
      {5, 0, 0, "0"},
      {2147483647, 5, 2, "2"},                   // 2n + 1 does not fit in 32 bits
      {1073741823, 2147483647, 1073741823, ""},  // 2n + 1 = 2147483647
      // Ten digits do not fit the 9-character field of inserted numbers.
      {1073741824, 2147483647, 1073741823, "*********"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("n=" + std::to_string(c.n) + " S=" + std::to_string(c.S));
    const Checked got = check(c.n, c.S);
    EXPECT_EQ(got.naverage, c.lowered);
    EXPECT_EQ(got.console, c.notice.empty()
                               ? ""
                               : " Averaging number too large: changed to " + c.notice + ".\n");
  }
}

// The kept soundings, numbered from 1.
std::vector<std::int64_t> kept_numbers(const Kept& k) {
  std::vector<std::int64_t> v;
  for (std::int32_t i = 0; i < k.count && i < 100; ++i) v.push_back(kept_index(k, i) + 1);
  return v;
}

TEST(KeptSoundings, CountsAndPositions) {
  struct Case {
    std::int32_t S, n, m;
    std::vector<std::int64_t> kept;
    std::int32_t window;
  };
  const Case cases[] = {
      {10, 2, 1, {3, 8}, 5},  // windows 1-5 and 6-10
      {11, 2, 1, {3, 8}, 5},  // sounding 11 dropped
      {4, 1, 1, {2}, 3},      // after lowering 3 to 1; sounding 4 dropped
      {1, 0, 1, {1}, 1},
      {10, 0, 3, {1, 4, 7, 10}, 1},
      {10, 0, 20, {1}, 1},
      {10, 0, 2147483647, {1}, 1},
      {5, 0, 1, {1, 2, 3, 4, 5}, 1},
      {0, 0, 1, {}, 1},
      {0, 0, 2147483647, {}, 1},
      {100,
       2,
       1,
       {3, 8, 13, 18, 23, 28, 33, 38, 43, 48, 53, 58, 63, 68, 73, 78, 83, 88, 93, 98},
       5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("S=" + std::to_string(c.S) + " n=" + std::to_string(c.n) +
                 " m=" + std::to_string(c.m));
    const Kept k = kept_soundings(c.S, c.n, c.m);
    EXPECT_EQ(k.count, static_cast<std::int32_t>(c.kept.size()));
    EXPECT_EQ(kept_numbers(k), c.kept);
    EXPECT_EQ(k.window, c.window);
  }
}

TEST(KeptSoundings, NoOverflowAtTheTopOfTheRange) {
  const std::int32_t big = 2147483647;
  EXPECT_EQ(kept_soundings(big, 0, big).count, 1);
  EXPECT_EQ(kept_soundings(big, 0, 1).count, big);
  const Kept two = kept_soundings(big, 0, big - 1);
  ASSERT_EQ(two.count, 2);
  EXPECT_EQ(kept_index(two, 1), big - 1);
  const Kept wide = kept_soundings(big, 1073741823, 1);  // one window of every sounding
  EXPECT_EQ(wide.count, 1);
  EXPECT_EQ(kept_index(wide, 0), 1073741823);
}

}  // namespace
}  // namespace kivo
