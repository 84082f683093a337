// Integer and real tokens: their syntax, the 10 kept digits, rounding to
// single precision, the range limits, and the fast path of the row reader.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"
#include "textio/reader.h"

namespace kivo {
namespace {

using namespace read_status;

std::uint32_t bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

TEST(ReaderNumbers, IntegerTokens) {
  struct Case {
    const char* token;
    int status;
    std::int32_t value;
  };
  const Case cases[] = {
      {"7", 0, 7},
      {"+7", 0, 7},
      {"007", 0, 7},
      {"-0", 0, 0},
      {"+-0-5", 0, -5},  // signs and zeros in any order before the first digit
      {"--5", 0, -5},
      {"+", 0, 0},
      {"000", 0, 0},
      {"2147483647", 0, 2147483647},
      {"-2147483648", 0, std::numeric_limits<std::int32_t>::min()},
      {"0000000000002147483647", 0, 2147483647},
      {"2147483648", integer_overflow, 0},
      {"-2147483649", integer_overflow, 0},
      {"12345678901", integer_overflow, 0},
      {"99999999999999999999", integer_overflow, 0},
      {"1.5", bad_integer, 0},
      {"1E3", bad_integer, 0},
      {"5-", bad_integer, 0},
      {"1+2", bad_integer, 0},
      {"x", bad_integer, 0},
      {".5", bad_integer, 0},
  };
  for (const auto& c : cases) {
    std::int32_t v = 12345;
    EXPECT_EQ(convert_integer(c.token, v), c.status) << c.token;
    EXPECT_EQ(v, c.status == 0 ? c.value : 12345) << c.token;
  }
}

struct RealCase {
  const char* token;
  int status;
  float value;
};

void check_reals(const std::vector<RealCase>& cases) {
  for (const auto& c : cases) {
    float v = 12345.0f;
    EXPECT_EQ(convert_real(c.token, v), c.status) << c.token;
    if (c.status != 0) {
      EXPECT_EQ(v, 12345.0f) << c.token;
    } else if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(v)) << c.token;
      EXPECT_EQ(std::signbit(v), std::signbit(c.value)) << c.token;
    } else {
      EXPECT_EQ(bits(v), bits(c.value)) << c.token << " gave " << v;
    }
  }
}

TEST(ReaderNumbers, RealSyntax) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  check_reals({
      {"1.5", 0, 1.5f},         {"-1.5", 0, -1.5f},     {"+1.5", 0, 1.5f},
      {".5", 0, 0.5f},          {"5.", 0, 5.0f},        {"5", 0, 5.0f},
      {"1.5E3", 0, 1500.0f},    {"1.5e3", 0, 1500.0f},  {"1.5D3", 0, 1500.0f},
      {"1.5d-3", 0, 0.0015f},   {"1.5Q2", 0, 150.0f},   {"1.5q+2", 0, 150.0f},
      {"1.5-3", 0, 0.0015f},    {"2+2", 0, 200.0f},     {"1.5E", 0, 1.5f},
      {"1.5e+", 0, 1.5f},       {"0012.50", 0, 12.5f},  {"--2", 0, -2.0f},
      {"E5", 0, 0.0f},          {".", 0, 0.0f},         {"+", 0, 0.0f},
      {"-", 0, -0.0f},          {"-0.0", 0, -0.0f},     {"0E99999999999999999999", 0, 0.0f},
      {"inf", 0, inf},          {"-INF", 0, -inf},      {"+iNf", 0, inf},
      {"NaN", 0, nan},          {"-nan", 0, -nan},      {"INFINITY", bad_real, 0},
      {"INFX", bad_real, 0},    {"NA", bad_real, 0},    {"1.2.3", bad_real, 0},
      {"1.5e3.2", bad_real, 0}, {"1.5x", bad_real, 0},  {"1e5e5", bad_real, 0},
      {"1.5E+-3", bad_real, 0}, {"--inf", bad_real, 0}, {"1-+2", bad_real, 0},
  });
}

TEST(ReaderNumbers, RealDigitsAndRange) {
  const float max = std::numeric_limits<float>::max();
  check_reals({
      // Nine digits go straight to single precision; through double they
      // would round twice and land one unit off.
      {"5.44629066e-17", 0, std::strtof("5.44629066e-17", nullptr)},
      {"9.31379990e-33", 0, std::strtof("9.31379990e-33", nullptr)},
      {"4.13588030e+34", 0, std::strtof("4.13588030e+34", nullptr)},
      {"544629066D-25", 0, std::strtof("5.44629066e-17", nullptr)},
      // Ten digits are formed in double precision, then rounded.
      {"4.673544739e+33", 0, static_cast<float>(4.673544739e+33)},
      {"2.925264865e21", 0, static_cast<float>(2.925264865e21)},
      // Digits past the tenth are dropped, not rounded: this is just above
      // the halfway point between 1 and the next single, its 10 digits below.
      {"1.0000000596046448", 0, 1.0f},
      {"1.2345678900000000009", 0, std::strtof("1.23456789", nullptr)},
      {"123456789012345", 0, std::strtof("1.23456789e14", nullptr)},
      {"0.00000000001234567891999", 0, static_cast<float>(1.234567891e-11)},
      // Overflow: what rounds to infinity in single precision.
      {"3.4028235E38", 0, max},
      {"3.402823567E38", 0, max},
      {"340282356779733661637539395458142568447", 0, max},
      {"3.40282357E38", real_overflow, 0},
      {"3.402823568E38", real_overflow, 0},
      {"3.5E38", real_overflow, 0},
      {"-3.5E38", real_overflow, 0},
      {"1E39", real_overflow, 0},
      {"1E99999999999999999999", real_overflow, 0},
      // Underflow: only when double precision holds no value either.
      {"1.4E-45", 0, std::numeric_limits<float>::denorm_min()},
      {"1E-40", 0, std::strtof("1E-40", nullptr)},
      {"1E-46", 0, 0.0f},
      {"1E-50", 0, 0.0f},
      {"-1E-50", 0, -0.0f},
      {"1E-320", 0, 0.0f},
      {"1.000000001E-320", 0, 0.0f},
      {"2E-324", real_underflow, 0},
      {"1E-400", real_underflow, 0},
      {"1E-99999999999999999999", real_underflow, 0},
  });
}

// Random 9-digit values in every spelling the rules allow, against the C
// library's correctly rounded conversion of the plain spelling.
TEST(ReaderNumbers, NineDigitsRoundCorrectlyInAnySpelling) {
  std::mt19937_64 rng(11);
  for (int i = 0; i < 200000; ++i) {
    const std::uint64_t m = 100000000 + rng() % 900000000;  // 9 digits
    const int e = static_cast<int>(rng() % 84) - 46;        // value m * 10^e
    char plain[40], spelled[40];
    std::snprintf(plain, sizeof plain, "%llue%d", static_cast<unsigned long long>(m), e);
    const std::string d = std::to_string(m);
    switch (i % 4) {
      case 0:
        std::snprintf(spelled, sizeof spelled, "%s.%sD%d", d.substr(0, 1).c_str(),
                      d.substr(1).c_str(), e + 8);
        break;
      case 1:
        std::snprintf(spelled, sizeof spelled, "-00.%s%+d", d.c_str(), e + 9);
        break;
      case 2:
        std::snprintf(spelled, sizeof spelled, "%s000q%d", d.c_str(), e - 3);
        break;
      default:
        std::snprintf(spelled, sizeof spelled, "%s.%s0E%d", d.substr(0, 4).c_str(),
                      d.substr(4).c_str(), e + 5);
        break;
    }
    float want = std::strtof(plain, nullptr);
    if (i % 4 == 1) want = -want;
    float got = 0;
    const int st = convert_real(spelled, got);
    if (std::isinf(want)) {
      ASSERT_EQ(st, real_overflow) << spelled;
    } else {
      ASSERT_EQ(st, 0) << spelled;
      ASSERT_EQ(bits(got), bits(want)) << spelled;
    }
  }
}

// One random token for a data row: mostly plain numbers, some in the other
// spellings, some repeat counts, nulls, odd or bad tokens.
std::string random_token(std::mt19937& rng) {
  static const char* const odd[] = {
      "1.5E",  "2+2",   "1.5-3", "3*2.5", "2*",  ",",      ",,",     "1D5",    "-.5q-2",
      "inf",   "-NaN",  ".",     "-",     "E5",  "1E39",   "1E-50",  "1E-400", "3.4028235E38",
      "x",     "1.2.3", "'1'",   "(1",    "0*1", "1e-45",  "+.0e0",  "-0",     "1.5e99999",
      "00000", "1e",    "7e-46", "\t",    "/",   "3.5E38", "2*-1.25"};
  const unsigned pick = rng() % 100;
  if (pick < 4) return odd[rng() % (sizeof odd / sizeof *odd)];
  std::string t;
  if (pick < 30) t += "-+"[rng() % 2];
  const int ndig = 1 + static_cast<int>(rng() % 13);
  const int point = static_cast<int>(rng() % (ndig + 2)) - 1;  // -1: no point
  for (int k = 0; k < ndig; ++k) {
    if (k == point) t += '.';
    t += static_cast<char>('0' + (k < 2 && rng() % 3 == 0 ? 0 : rng() % 10));
  }
  if (point == ndig) t += '.';
  if (pick > 80) t += "eE"[rng() % 2] + std::to_string(static_cast<int>(rng() % 90) - 45);
  return t;
}

// The row reader's fast path must give what the general rules give, status
// and bits, row after row of the same file.
TEST(ReaderNumbers, RowFastPathAgreesWithGeneralRead) {
  std::mt19937 rng(5);
  // Tokens at the edges of the one-conversion shortcut: 9 characters after
  // the sign and 10, exponents of 4 digits and of 5 (leading zeros), a sign
  // before a word, a hexadecimal prefix, a point alone.
  std::string data;
  for (const char* t :
       {"123456.78",  "-123456.78", "1234567.89", "+1234.5678", "1e00005",  "1e-0005",
        "1E+00005",   "12e0005",    "1.5e+0012",  "1234567",    "12345678", "123456789",
        "1234567890", "-.5",        ".5e1",       "-inf",       "+nan",     "0x1p3",
        ".",          "-.",         "1e",         "1e+"}) {
    data += std::string(t) + " 1 2 3 4 5\n";
  }
  for (int row = 0; row < 20000; ++row) {
    const int ntok = static_cast<int>(rng() % 18);
    for (int k = 0; k < ntok; ++k) data += std::string(1 + rng() % 3, ' ') + random_token(rng);
    data += rng() % 10 == 0 ? "\r\n" : "\n";
  }
  test::TempDir dir;
  test::write_file(dir.file("rows"), data);
  ReadFile fast, general;
  ASSERT_EQ(open_read(fast, dir.file("rows"), 999, 4096), 0);
  ASSERT_EQ(open_read(general, dir.file("rows"), 999, 777), 0);
  constexpr std::size_t n = 6;
  float a[n] = {}, b[n] = {};
  std::vector<Item> items;
  for (float& v : b) items.push_back(real_item(v));
  for (int req = 0;; ++req) {
    const int sa = read_reals(fast, a, n);
    const int sb = read_list(general, items);
    ASSERT_EQ(sa, sb) << "request " << req;
    for (std::size_t k = 0; k < n; ++k) {
      ASSERT_EQ(bits(a[k]), bits(b[k])) << "request " << req << " item " << k;
    }
    if (sa < 0) break;
  }
}

}  // namespace
}  // namespace kivo
