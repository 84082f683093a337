// Conversion of one unquoted free-format token to an integer or to a real.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "textio/reader.h"
#include "textio/text.h"

namespace kivo {

namespace {

bool is_sign(char c) {
  return c == '+' || c == '-';
}

bool is_exponent_letter(char c) {
  const char l = to_lower(c);
  return l == 'e' || l == 'd' || l == 'q';
}

// Exponent magnitudes at or beyond this give overflow or underflow whatever
// the mantissa, so longer exponent digit strings saturate here.
constexpr std::int64_t kExponentCap = 1'000'000'000'000'000;

// INF or NAN in any mix of case, optionally after one sign.
bool special_real(std::string_view t, float& value) {
  bool neg = false;
  if (!t.empty() && is_sign(t[0])) {
    neg = t[0] == '-';
    t.remove_prefix(1);
  }
  if (t.size() != 3) return false;
  const char a = to_lower(t[0]), b = to_lower(t[1]), c = to_lower(t[2]);
  float v;
  if (a == 'i' && b == 'n' && c == 'f') {
    v = std::numeric_limits<float>::infinity();
  } else if (a == 'n' && b == 'a' && c == 'n') {
    v = std::numeric_limits<float>::quiet_NaN();
  } else {
    return false;
  }
  value = neg ? -v : v;
  return true;
}

}  // namespace

int convert_integer(std::string_view t, std::int32_t& value) {
  std::size_t i = 0;
  bool neg = false;
  while (i < t.size() && (is_sign(t[i]) || t[i] == '0' || t[i] == ' ')) {
    if (t[i] == '-') neg = true;
    ++i;
  }
  if (i == t.size()) {
    value = 0;
    return 0;
  }
  const std::size_t first = i;
  for (; i < t.size(); ++i) {
    if (!is_digit(t[i])) return read_status::bad_integer;
  }
  if (t.size() - first > 10) return read_status::integer_overflow;
  std::int64_t v = 0;
  std::from_chars(t.data() + first, t.data() + t.size(), v);
  if (neg) v = -v;
  if (v < std::numeric_limits<std::int32_t>::min() ||
      v > std::numeric_limits<std::int32_t>::max()) {
    return read_status::integer_overflow;
  }
  value = static_cast<std::int32_t>(v);
  return 0;
}

int convert_real(std::string_view t, float& value) {
  if (special_real(t, value)) return 0;
  const std::size_t n = t.size();
  std::size_t i = 0;
  bool neg = false;
  while (i < n && is_sign(t[i])) {
    if (t[i] == '-') neg = true;
    ++i;
  }

  // Mantissa. The value is 0.d1d2d3... times 10 to the power `point`; only
  // the first 10 significant digits are kept, the later ones only move the
  // point.
  char digits[10];
  int kept = 0;             // digits kept, without trailing zeros
  std::int64_t sig = 0;     // significant digits seen
  std::int64_t before = 0;  // of them, before the decimal point
  std::int64_t zeros = 0;   // zeros after the point before the first significant digit
  bool point = false;
  for (; i < n; ++i) {
    const char c = t[i];
    if (is_digit(c)) {
      if (sig == 0 && c == '0') {
        if (point) ++zeros;
        continue;
      }
      ++sig;
      if (!point) ++before;
      if (sig <= 10) {
        digits[sig - 1] = c;
        if (c != '0') kept = static_cast<int>(sig);
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }

  // Exponent: a letter with an optional sign, or a sign alone; digits that
  // are missing count as 0.
  std::int64_t exponent = 0;
  if (i < n) {
    bool eneg = false;
    if (is_exponent_letter(t[i])) {
      ++i;
      if (i < n && is_sign(t[i])) eneg = t[i++] == '-';
    } else if (is_sign(t[i])) {
      eneg = t[i++] == '-';
    } else {
      return read_status::bad_real;
    }
    while (i < n && t[i] == '0') ++i;
    const std::size_t first = i;
    while (i < n && is_digit(t[i])) ++i;
    if (i != n) return read_status::bad_real;
    if (i - first > 15) {
      exponent = kExponentCap;
    } else if (i > first) {
      std::from_chars(t.data() + first, t.data() + i, exponent);
    }
    if (eneg) exponent = -exponent;
  }

  if (sig == 0) {
    value = neg ? -0.0f : 0.0f;
    return 0;
  }
  // value = K * 10^scale, K the kept digits as an integer; it lies in
  // [10^(magnitude - 1), 10^magnitude).
  const std::int64_t point_at = before > 0 ? before : -zeros;
  const std::int64_t scale = point_at - kept + exponent;
  const std::int64_t magnitude = scale + kept;
  if (magnitude > 40) return read_status::real_overflow;     // above 1E39
  if (magnitude < -400) return read_status::real_underflow;  // 0 even in double precision

  char text[32];
  char* p = text;
  for (int k = 0; k < kept; ++k) *p++ = digits[k];
  *p++ = 'e';
  p = std::to_chars(p, text + sizeof text, scale).ptr;

  float v = 0;
  if (kept <= 9) {
    // Straight into single precision: correctly rounded.
    const auto r = std::from_chars(text, p, v);
    if (r.ec == std::errc::result_out_of_range) {
      if (magnitude > 0) return read_status::real_overflow;
      // Below the single-precision range: 0, unless double precision loses
      // the value too.
      double d = 0;
      if (std::from_chars(text, p, d).ec != std::errc()) return read_status::real_underflow;
      v = 0.0f;
    }
  } else {
    // Ten digits: formed in double precision, then rounded to single.
    double d = 0;
    const auto r = std::from_chars(text, p, d);
    if (r.ec == std::errc::result_out_of_range) {
      return magnitude > 0 ? read_status::real_overflow : read_status::real_underflow;
    }
    v = static_cast<float>(d);
    if (std::isinf(v)) return read_status::real_overflow;
  }
  value = neg ? -v : v;
  return 0;
}

}  // namespace kivo

namespace kivo {

std::string fault_reason(int status, ItemKind kind) {
  switch (status) {
    case read_status::bad_integer:
      return "is not an integer";
    case read_status::integer_overflow:
      return "is beyond the range of a 32-bit integer";
    case read_status::real_overflow:
      return "is too large for a single-precision number";
    case read_status::real_underflow:
      return "is too small for a single-precision number";
    case read_status::bad_repeat:
      return "is not a value (a repeat count before \"*\" must be an integer above 0)";
    case read_status::quote_for_number:
      return kind == ItemKind::integer ? "is not an integer (a quoted text)"
                                       : "is not a number (a quoted text)";
    default:
      return kind == ItemKind::integer ? "is not an integer" : "is not a number";
  }
}

}  // namespace kivo
