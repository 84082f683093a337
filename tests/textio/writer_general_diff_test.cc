// The general real field against the slow exact reference, over random bit
// patterns of every kind (both signs, subnormals, NaN and Inf) and over
// patterns dense in exact short decimals, where ties live.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "tests/support/exact_reference.h"
#include "textio/writer.h"

namespace kivo {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct Size {
  int w, d;
};
constexpr Size kSizes[] = {{13, 5}, {15, 7}, {17, 9}};

std::string render(char* (*put)(char*, int, int, float), int w, int d, float v) {
  char buf[64];
  char* end = put(buf, w, d, v);
  return std::string(buf, static_cast<std::size_t>(end - buf));
}

// Checks the three program sizes for n patterns drawn by next(); returns the
// number of mismatches and reports the first few.
template <typename Next>
int differ(long n, Next next, char* (*put)(char*, int, int, float)) {
  int bad = 0;
  for (long i = 0; i < n; ++i) {
    const std::uint32_t bits = next();
    const float v = std::bit_cast<float>(bits);
    const test::ExactDigits x = test::exact_digits(v, 10);
    for (const Size s : kSizes) {
      const std::string got = render(put, s.w, s.d, v);
      const std::string want = test::reference_field(s.w, s.d, x);
      if (got != want && ++bad <= 10)
        ADD_FAILURE() << "bits 0x" << std::hex << bits << std::dec << " " << s.w << "." << s.d
                      << ": got \"" << got << "\", want \"" << want << "\"";
    }
  }
  return bad;
}

TEST(GeneralFieldDiff, RandomBitPatterns) {
  // Ten million in a plain build; the sanitized build runs a share of them.
  const long n = kSanitized ? 1'000'000 : 10'000'000;
  std::mt19937 gen(20240611);
  EXPECT_EQ(differ(
                n, [&] { return static_cast<std::uint32_t>(gen()); }, put_general),
            0);
}

// Mantissas with many low zero bits are exact decimals of few digits: the
// values that can be ties, or round exactly to d digits.
TEST(GeneralFieldDiff, ShortMantissas) {
  const long n = kSanitized ? 200'000 : 2'000'000;
  std::mt19937 gen(7);
  auto next = [&] {
    const std::uint32_t r = static_cast<std::uint32_t>(gen());
    const int zeros = static_cast<int>(gen() % 24);
    return r & ~((1u << zeros) - 1);
  };
  EXPECT_EQ(differ(n, next, put_general), 0);
}

// Values near realistic data: coordinates, heights, ppm values.
TEST(GeneralFieldDiff, RealisticRanges) {
  const long n = kSanitized ? 100'000 : 1'000'000;
  std::mt19937 gen(11);
  std::uniform_real_distribution<float> coord(100000.0f, 9000000.0f);
  std::uniform_real_distribution<float> ppm(-3000.0f, 3000.0f);
  long i = 0;
  auto next = [&]() -> std::uint32_t {
    ++i;
    float v = (i & 1) ? coord(gen) : ppm(gen);
    if (i % 3 == 0) v = static_cast<float>(static_cast<int>(v * 100.0f)) / 100.0f;
    return std::bit_cast<std::uint32_t>(v);
  };
  EXPECT_EQ(differ(n, next, put_general), 0);
}

// The to_chars routine is the fallback of put_general, so it is checked on
// its own over every range too.
TEST(GeneralFieldDiff, ToCharsRoutine) {
  const long n = kSanitized ? 100'000 : 1'000'000;
  std::mt19937 gen(3);
  auto next = [&] {
    const std::uint32_t r = static_cast<std::uint32_t>(gen());
    return (gen() & 1) ? r : r & ~((1u << (gen() % 24)) - 1);
  };
  EXPECT_EQ(differ(n, next, detail::put_general_tochars), 0);
}

// Any width and any d from 1 to 9, including fields too narrow for the text.
TEST(GeneralFieldDiff, OtherWidthsAndDigits) {
  const long n = kSanitized ? 30'000 : 300'000;
  std::mt19937 gen(5);
  int bad = 0;
  for (long i = 0; i < n; ++i) {
    std::uint32_t bits = static_cast<std::uint32_t>(gen());
    if (gen() & 1) bits &= ~((1u << (gen() % 24)) - 1);
    const float v = std::bit_cast<float>(bits);
    const int d = 1 + static_cast<int>(gen() % 9);
    const int w = 1 + static_cast<int>(gen() % (d + 12));
    const std::string want = test::reference_general(w, d, v);
    for (auto put : {put_general, detail::put_general_tochars}) {
      const std::string got = render(put, w, d, v);
      if (got != want && ++bad <= 10)
        ADD_FAILURE() << "bits 0x" << std::hex << bits << std::dec << " " << w << "." << d
                      << ": got \"" << got << "\", want \"" << want << "\"";
    }
  }
  EXPECT_EQ(bad, 0);
}

// The reference itself, on values whose exact digits are known.
TEST(ExactReference, KnownDigits) {
  const test::ExactDigits x = test::exact_digits(0.1f, 20);
  EXPECT_EQ(x.digits, "10000000149011611938");
  EXPECT_EQ(x.exp, 0);
  // 1.03125 is exact: its extra digits are all zeros, so the full expansion
  // decides.
  const test::ExactDigits t = test::exact_digits(1.03125f, 10);
  EXPECT_EQ(t.digits, "1031250000");
  EXPECT_EQ(t.exp, 1);
  EXPECT_EQ(test::exact_digits(std::bit_cast<float>(1u), 6).digits, "140129");
  EXPECT_EQ(test::exact_digits(std::bit_cast<float>(1u), 6).exp, -44);
  EXPECT_EQ(test::reference_general(13, 5, 1.03125f), "   1.0313    ");
}

}  // namespace
}  // namespace kivo
