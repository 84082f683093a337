// A slow, plainly exact rendering of the general real field, written apart
// from the writer's own routines so that the two can be checked against each
// other: the digits come from the C library's "%e" of the value widened to
// double (exact for a float, given enough digits), the rounding and the
// layout are done on strings.
#pragma once

#include <string>

namespace kivo::test {

// The leading decimal digits of a float's exact magnitude, cut (not rounded)
// after `digits.size()` places: |v| = 0.D1D2D3... x 10^exp.
struct ExactDigits {
  enum Kind { zero, nan, inf, finite } kind = zero;
  bool neg = false;
  std::string digits;
  int exp = 0;
};

// The first `count` (1..40) exact digits of v.
ExactDigits exact_digits(float v, int count);

// The general real field of width w and d digits (d < the count of digits in
// x), ties rounded away from zero.
std::string reference_field(int w, int d, const ExactDigits& x);
std::string reference_general(int w, int d, float v);

}  // namespace kivo::test
