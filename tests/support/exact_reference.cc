#include "tests/support/exact_reference.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace kivo::test {

namespace {

// printf "%.*e" of the double: "D.DDD...e+XX". Splits it into its digits and
// the exponent of the form 0.DDD x 10^exp.
void split_e(const char* text, std::string& digits, int& exp) {
  digits.clear();
  const char* p = text;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  exp = std::atoi(p + 1) + 1;
}

}  // namespace

ExactDigits exact_digits(float v, int count) {
  if (count < 1 || count > 40) throw std::invalid_argument("exact_digits count");
  ExactDigits x;
  x.neg = std::signbit(v);
  if (std::isnan(v)) {
    x.kind = ExactDigits::nan;
    return x;
  }
  if (std::isinf(v)) {
    x.kind = ExactDigits::inf;
    return x;
  }
  if (v == 0) return x;
  x.kind = ExactDigits::finite;
  const double a = std::fabs(static_cast<double>(v));

  // With 8 digits more than needed, glibc's correctly rounded output has the
  // exact leading digits unless a carry ran from the extra digits into them,
  // which leaves only zeros among the extra digits.
  char buf[200];
  std::snprintf(buf, sizeof buf, "%.*e", count + 8 - 1, a);
  std::string digits;
  int exp = 0;
  split_e(buf, digits, exp);
  if (digits.find_first_not_of('0', static_cast<std::size_t>(count)) == std::string::npos) {
    // Every float has at most 113 significant digits: 140 are exact.
    std::snprintf(buf, sizeof buf, "%.*e", 140 - 1, a);
    split_e(buf, digits, exp);
    if (digits.find_first_not_of('0', 120) != std::string::npos)
      throw std::logic_error("float with more than 120 digits");
  }
  x.digits = digits.substr(0, static_cast<std::size_t>(count));
  x.exp = exp;
  return x;
}

std::string reference_field(int w, int d, const ExactDigits& x) {
  const auto width = static_cast<std::size_t>(w);
  const std::string stars(width, '*');
  auto right = [&](const std::string& text, std::size_t room) {
    return text.size() > room ? std::string() : std::string(room - text.size(), ' ') + text;
  };

  if (x.kind == ExactDigits::nan || x.kind == ExactDigits::inf) {
    std::string text = std::string(x.neg ? "-" : "") + (x.kind == ExactDigits::nan ? "NaN" : "Inf");
    return text.size() > width ? stars : text + std::string(width - text.size(), ' ');
  }
  if (x.kind == ExactDigits::zero) {
    const std::string f = w >= 4 ? right("0." + std::string(d - 1, '0'), width - 4) : "";
    return f.empty() ? stars : f + "    ";
  }
  if (static_cast<int>(x.digits.size()) <= d) throw std::invalid_argument("too few digits");

  // Round half away from zero on the cut digits.
  std::string digs = x.digits.substr(0, static_cast<std::size_t>(d));
  int e = x.exp;
  if (x.digits[static_cast<std::size_t>(d)] >= '5') {
    int i = d - 1;
    while (i >= 0 && digs[static_cast<std::size_t>(i)] == '9')
      digs[static_cast<std::size_t>(i--)] = '0';
    if (i < 0) {
      digs[0] = '1';  // 99..9 became 100..0
      ++e;
    } else {
      ++digs[static_cast<std::size_t>(i)];
    }
  }

  const std::string sign = x.neg ? "-" : "";
  if (0 <= e && e <= d) {
    const std::string text = e == 0 ? "0." + digs
                                    : digs.substr(0, static_cast<std::size_t>(e)) + "." +
                                          digs.substr(static_cast<std::size_t>(e));
    if (w < 4) return stars;
    std::string f = right(sign + text, width - 4);
    if (f.empty() && e == 0) f = right(sign + text.substr(1), width - 4);
    return f.empty() ? stars : f + "    ";
  }
  char ex[16];
  std::snprintf(ex, sizeof ex, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
  std::string f = right(sign + "0." + digs + ex, width);
  if (f.empty()) f = right(sign + "." + digs + ex, width);
  return f.empty() ? stars : f;
}

std::string reference_general(int w, int d, float v) {
  return reference_field(w, d, exact_digits(v, d + 1));
}

}  // namespace kivo::test
