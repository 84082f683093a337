// Fields of records: integer, general real, character and skip fields, text
// variables and inserted number texts.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {
namespace {

// Renders one field into a guarded buffer and checks that it took exactly
// its width and touched nothing beyond it.
template <typename Put>
std::string field(int w, Put put) {
  char buf[64];
  std::memset(buf, '#', sizeof buf);
  char* end = put(buf + 8);
  EXPECT_EQ(end - (buf + 8), w) << "field must take exactly its width";
  for (int i = 0; i < 8; ++i) EXPECT_EQ(buf[i], '#') << "wrote before the field";
  for (char* q = buf + 8 + w; q < buf + sizeof buf; ++q) EXPECT_EQ(*q, '#') << "wrote past it";
  return std::string(buf + 8, static_cast<std::size_t>(w > 0 ? w : 0));
}

std::string general(int w, int d, float v) {
  return field(w, [&](char* p) { return put_general(p, w, d, v); });
}
std::string general_tochars(int w, int d, float v) {
  return field(w, [&](char* p) { return detail::put_general_tochars(p, w, d, v); });
}
std::string integer(int w, std::int32_t v) {
  return field(w, [&](char* p) { return put_int(p, w, v); });
}
float from_bits(std::uint32_t b) {
  return std::bit_cast<float>(b);
}

struct GeneralCase {
  float v;
  int w, d;
  const char* want;
  const char* why;
};

// Every case goes through both the fast routine and the to_chars routine.
void check_general(const GeneralCase& c) {
  EXPECT_EQ(general(c.w, c.d, c.v), c.want) << c.why << " (value " << c.v << ")";
  EXPECT_EQ(general_tochars(c.w, c.d, c.v), c.want) << c.why << " (to_chars, " << c.v << ")";
}

TEST(GeneralField, WorkedExamples) {
  const GeneralCase cases[] = {
      {1.0f, 13, 5, "   1.0000    ", "fixed point, 4 trailing blanks"},
      {0.3048f, 13, 5, "  0.30480    ", "e = 0 writes 0. and all d digits"},
      {0.1f, 13, 5, "  0.10000    ", "0.1f is just below 0.1 but rounds to it: fixed"},
      {100.0f, 13, 5, "   100.00    ", ""},
      {99999.0f, 13, 5, "   99999.    ", "e = d: the point comes last"},
      {99999.7f, 13, 5, "  0.10000E+06", "rounds up to 10^5: e taken after rounding"},
      {123456.7f, 13, 5, "  0.12346E+06", "e > d: exponent form"},
      {0.01f, 13, 5, "  0.10000E-01", "e < 0: exponent form"},
      {1.0E-5f, 13, 5, "  0.10000E-04", ""},
      {-2.5f, 15, 7, "  -2.500000    ", "minus sign before the digits"},
      {1000.0f, 15, 7, "   1000.000    ", ""},
      {0.001f, 15, 7, "  0.1000000E-02", ""},
      {123456.7f, 17, 9, "   123456.703    ", "nine digits show the float's own error"},
      {512345.6f, 17, 9, "   512345.594    ", ""},
      {7123456.0f, 17, 9, "   7123456.00    ", ""},
  };
  for (const auto& c : cases) check_general(c);
}

TEST(GeneralField, EdgeCases) {
  const GeneralCase cases[] = {
      {0.0f, 13, 5, "   0.0000    ", "zero: 0. and d - 1 zeros"},
      {-0.0f, 13, 5, "   0.0000    ", "negative zero shows no sign"},
      {0.0f, 15, 7, "   0.000000    ", ""},
      {-0.0f, 17, 9, "   0.00000000    ", ""},
      {from_bits(0x7fc00000), 13, 5, "NaN          ", "quiet NaN at the left"},
      {from_bits(0xffc00000), 13, 5, "-NaN         ", "x86 default NaN has its sign bit set"},
      {from_bits(0x7f800001), 15, 7, "NaN            ", "signalling NaN"},
      {std::numeric_limits<float>::infinity(), 13, 5, "Inf          ", ""},
      {-std::numeric_limits<float>::infinity(), 13, 5, "-Inf         ", ""},
      {from_bits(1), 13, 5, "  0.14013E-44", "smallest subnormal"},
      {-from_bits(1), 13, 5, " -0.14013E-44", ""},
      {from_bits(0x007fffff), 17, 9, "  0.117549421E-37", "largest subnormal"},
      {3.0E38f, 13, 5, "  0.30000E+39", "two-digit exponent suffices"},
      {std::numeric_limits<float>::max(), 17, 9, "  0.340282347E+39", ""},
      {-std::numeric_limits<float>::max(), 17, 9, " -0.340282347E+39", ""},
      {0.09999f, 13, 5, "  0.99990E-01", "just under 0.1 stays in exponent form"},
      {std::nextafter(0.1f, 0.0f), 13, 5, "  0.10000    ",
       "rounds up to 0.1: fixed form after all"},
      {9.99999e-6f, 13, 5, "  0.10000E-04", "rounding carries into the exponent"},
      {-0.5f, 13, 5, " -0.50000    ", "negative with e = 0"},
      {-123456.7f, 13, 5, " -0.12346E+06", "negative exponent form"},
      {-99999.7f, 13, 5, " -0.10000E+06", ""},
      {999999999.0f, 17, 9, "  0.100000000E+10", "float 1e9 is not below 10^9"},
      {99999992.0f, 17, 9, "   99999992.0    ", "largest float below 10^8"},
      {16777216.0f, 17, 9, "   16777216.0    ", "2^24: integer mantissa shifted"},
      {1.8446744e19f, 13, 5, "  0.18447E+20", "2^64: beyond the integer path"},
      {1.0e-20f, 15, 7, "  0.1000000E-19", "tiny but normal"},
      {-30.48f, 13, 5, "  -30.480    ", ""},
      {0.0123f, 17, 9, "  0.122999996E-01", "float error shows at 9 digits"},
  };
  for (const auto& c : cases) check_general(c);
}

// A value exactly halfway between two d-digit roundings rounds away from
// zero; std::to_chars alone would round it to even.
TEST(GeneralField, TiesRoundAwayFromZero) {
  const GeneralCase cases[] = {
      {1.03125f, 13, 5, "   1.0313    ", "tie whose even neighbour is below"},
      {-1.03125f, 13, 5, "  -1.0313    ", "away from zero, not up"},
      {1.09375f, 13, 5, "   1.0938    ", "tie whose even neighbour is above"},
      {512370.3125f, 17, 9, "   512370.313    ", "coordinate tie at 9 digits"},
      {-512370.3125f, 17, 9, "  -512370.313    ", ""},
      {7123456.25f, 13, 5, "  0.71235E+07", "not a tie at 5 digits (the rest is 6.25)"},
      {7123456.25f, 15, 7, "   7123456.    ", "e = d: fixed point"},
      {12345665.0f, 15, 7, "  0.1234567E+08", "integer tie"},
      {1050.0f, 10, 2, "  0.11E+04", "tie of an integer with a trailing zero"},
      {0.0625f, 9, 2, " 0.63E-01", "tie in exponent form"},
      {0.125f, 9, 2, " 0.13    ", ""},
      {2.5f, 8, 1, "  3.    ", "one digit"},
      {99999.5f, 13, 5, "  0.10000E+06", "tie that carries into the next power of ten"},
      {std::nextafter(1.03125f, 0.0f), 13, 5, "   1.0312    ", "just below a tie: down"},
      {std::nextafter(1.03125f, 2.0f), 13, 5, "   1.0313    ", "just above a tie: up"},
      {std::nextafter(512370.3125f, 0.0f), 17, 9, "   512370.281    ", "neighbour float"},
  };
  for (const auto& c : cases) check_general(c);
}

TEST(GeneralField, OtherSizesAndNarrowFields) {
  const GeneralCase cases[] = {
      {7.0f, 7, 1, " 7.    ", "d = 1: a single digit and the point"},
      {0.7f, 7, 1, "0.7    ", ""},
      {75.0f, 7, 1, "0.8E+02", "d = 1 exponent form"},
      {3.14159265f, 20, 9, "      3.14159274    ", "wider field: more leading blanks"},
      {-0.5f, 11, 5, "-.50000    ", "w = d + 6: the leading 0 is dropped"},
      {-123456.7f, 11, 5, "-.12346E+06", ""},
      {0.5f, 11, 5, "0.50000    ", "fits with its 0"},
      {-0.5f, 10, 5, "**********", "does not fit even without its 0"},
      {-123456.7f, 10, 5, "**********", ""},
      {-12345.0f, 10, 5, "**********", "fixed text wider than w - 4"},
      {1.0f, 3, 1, "***", "narrower than the 4 trailing blanks"},
      {0.0f, 5, 1, "*****", "zero too wide as well"},
      {from_bits(0xffc00000), 3, 5, "***", "-NaN does not fit 3"},
      {from_bits(0x7fc00000), 3, 5, "NaN", ""},
  };
  for (const auto& c : cases) check_general(c);
}

TEST(GeneralField, DigitsOutsideOneToNineStop) {
  char buf[32];
  for (int d : {0, 10, -1}) {
    EXPECT_THROW(put_general(buf, 20, d, 1.0f), Stop) << d;
    EXPECT_THROW(detail::put_general_tochars(buf, 20, d, 1.0f), Stop) << d;
  }
}

TEST(IntegerField, RightAlignedOrAsterisks) {
  const struct {
    std::int32_t v;
    int w;
    const char* want;
  } cases[] = {
      {7, 5, "    7"},
      {7, 9, "        7"},
      {1, 2, " 1"},
      {-5, 9, "       -5"},
      {0, 1, "0"},                   // zero is the digit 0
      {123456, 5, "*****"},          // overfull
      {-99999999, 9, "-99999999"},   // the sign fills the field exactly
      {-100000000, 9, "*********"},  // one more digit does not fit
      {-1, 1, "*"},                  // the sign counts
      {2147483647, 10, "2147483647"},
      {2147483647, 9, "*********"},
      {INT32_MIN, 11, "-2147483648"},  // magnitude not representable as int32
      {INT32_MIN, 10, "**********"},
  };
  for (const auto& c : cases) EXPECT_EQ(integer(c.w, c.v), c.want) << c.v << " in " << c.w;
  EXPECT_EQ(integer(0, 5), "");
}

TEST(CharacterFields, WrittenUnchanged) {
  char buf[16];
  char* p = put_skip(buf, 2);
  p = put_char(p, 'x');
  p = put_chars(p, " ab ");
  p = put_chars(p, "");
  p = put_skip(p, 1);
  EXPECT_EQ(std::string(buf, static_cast<std::size_t>(p - buf)), "  x ab  ");
}

TEST(TextVariable, FilledWithBlanksThenRecord) {
  char var[8];
  std::memset(var, '#', sizeof var);
  put_text_var(var, sizeof var, "abc");
  EXPECT_EQ(std::string(var, sizeof var), "abc     ");
  put_text_var(var, sizeof var, "");
  EXPECT_EQ(std::string(var, sizeof var), "        ");
  EXPECT_THROW(put_text_var(var, sizeof var, "123456789"), Stop) << "longer than the variable";
}

TEST(NumberText, IntegerFieldWithoutBlanks) {
  const struct {
    std::int32_t v;
    int w;
    const char* want;
  } cases[] = {
      {7, 9, "7"},
      {12, 9, "12"},
      {-5, 9, "-5"},
      {0, 9, "0"},
      {99999999, 8, "99999999"},
      {100000000, 8, "********"},  // column numbers use width 8
      {999999999, 9, "999999999"},
      {1000000000, 9, "*********"},  // ten digits do not fit nine
      {2147483647, 9, "*********"},
      {-2147483648, 9, "*********"},
      {-99999999, 9, "-99999999"},
  };
  for (const auto& c : cases) EXPECT_EQ(number_text(c.v, c.w), c.want) << c.v;
  EXPECT_EQ(number_text(42), "42") << "width 9 by default";
}

}  // namespace
}  // namespace kivo
