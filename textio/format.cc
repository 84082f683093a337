// Rendering of fields: integer, general real, inserted number texts and text
// variables.
//
// A general real field needs the value rounded to d significant digits, with
// a value exactly halfway between two roundings going away from zero. Two
// routines produce those digits:
//  - put_general_tochars takes them from std::to_chars, which rounds ties to
//    even, and mends the ties itself with an exact test on the float's binary
//    mantissa and exponent;
//  - put_general computes them with exact integer arithmetic on the mantissa
//    for every value whose scaled mantissa fits 128 bits (from about 1e-20 to
//    1.8e19, which is every value real data holds), and hands the rest
//    (subnormals, huge and tiny magnitudes) to put_general_tochars.
// Both end in the same layout of digits and decimal exponent into the field.
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "textio/messages.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kTrail = 4;  // blanks after a fixed-point text

constexpr std::uint64_t kPow10[20] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL,
                                      10000000000000000000ULL};

constexpr std::uint32_t kPow5[11] = {1,     5,     25,     125,     625,    3125,
                                     15625, 78125, 390625, 1953125, 9765625};

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* stars(char* p, int w) {
  if (w > 0) std::memset(p, '*', static_cast<std::size_t>(w));
  return p + (w > 0 ? w : 0);
}

char* blanks(char* p, int n) {
  if (n > 0) std::memset(p, ' ', static_cast<std::size_t>(n));
  return p + (n > 0 ? n : 0);
}

// The d digits of n (10^(d-1) <= n < 10^d) at dig.
void put_digits(char* dig, int d, std::uint32_t n) {
  char* q = dig + d;
  while (q - dig >= 2) {
    const std::uint32_t r = n % 100;
    n /= 100;
    q -= 2;
    std::memcpy(q, kPairs + 2 * r, 2);
  }
  if (q > dig) *--q = static_cast<char>('0' + n);
}

// Lays out a rounded non-zero magnitude 0.D1...Dd x 10^e (the d digits at
// dig) with its sign into a field of width w.
char* layout(char* p, int w, int d, bool neg, const char* dig, int e) {
  if (e >= 0 && e <= d) {
    // Fixed point, right-aligned in the first w - 4 positions.
    const int room = w - kTrail;
    bool zero = e == 0;  // the "0" of "0.ddd"
    int len = (neg ? 1 : 0) + d + 1 + (zero ? 1 : 0);
    if (len > room && zero) {
      zero = false;
      --len;
    }
    if (len > room) return stars(p, w);
    p = blanks(p, room - len);
    if (neg) *p++ = '-';
    if (zero) *p++ = '0';
    std::memcpy(p, dig, static_cast<std::size_t>(e));
    p += e;
    *p++ = '.';
    std::memcpy(p, dig + e, static_cast<std::size_t>(d - e));
    p += d - e;
    return blanks(p, kTrail);
  }
  // Exponent form "0.ddddE+ee", right-aligned in the whole field.
  bool zero = true;
  int len = (neg ? 1 : 0) + 1 + 1 + d + 4;
  if (len > w) {
    zero = false;
    --len;
  }
  if (len > w) return stars(p, w);
  p = blanks(p, w - len);
  if (neg) *p++ = '-';
  if (zero) *p++ = '0';
  *p++ = '.';
  std::memcpy(p, dig, static_cast<std::size_t>(d));
  p += d;
  *p++ = 'E';
  *p++ = e < 0 ? '-' : '+';
  const int a = e < 0 ? -e : e;  // at most 45 for a single-precision value
  std::memcpy(p, kPairs + 2 * a, 2);
  return p + 2;
}

// Zero of either sign: "0." and d - 1 zeros, as a fixed-point text.
char* put_zero(char* p, int w, int d) {
  char dig[16];
  std::memset(dig, '0', sizeof dig);
  return layout(p, w, d, false, dig, 1);
}

// "NaN" or "Inf", with a minus sign when the sign bit is set, at the left.
char* put_nonfinite(char* p, int w, bool neg, bool nan) {
  const int len = neg ? 4 : 3;
  if (len > w) return stars(p, w);
  char* q = p;
  if (neg) *q++ = '-';
  std::memcpy(q, nan ? "NaN" : "Inf", 3);
  q += 3;
  return blanks(q, w - len);
}

void check_digits(int d) {
  if (d < 1 || d > 9) estop(text(TextioMsg::digits, {std::to_string(d)}));
}

// Whether std::to_chars rounded the finite non-zero float with these bits
// down from a tie, with 10^s the unit of the last digit it kept.
//
// |v| = m 2^k (m odd) lies halfway between the multiples j 10^s and
// (j + 1) 10^s when 2|v| / 10^s = 2j + 1 is an odd integer. That needs
// k = s - 1, and for s > 0 also 5^s dividing m; 2j + 1 is then m 5^-s or
// m / 5^s, which equals m modulo 4 (5 = 1 modulo 4). Ties go to the even
// neighbour, so the tie went down exactly when j is even, when m = 1 mod 4.
bool tie_rounded_down(std::uint32_t bits, int s) {
  const std::uint32_t ex = (bits >> 23) & 0xff;
  std::uint32_t m = bits & 0x7fffff;
  int k = ex == 0 ? -149 : static_cast<int>(ex) - 150;
  if (ex != 0) m |= 0x800000;
  const int z = std::countr_zero(m);
  m >>= z;
  k += z;
  if (k != s - 1 || (m & 3) != 1) return false;
  if (s <= 0) return true;
  return s <= 10 && m % kPow5[s] == 0;
}

}  // namespace

char* put_int(char* p, int w, std::int32_t v) {
  if (w <= 0) return p;
  char tmp[12];
  char* q = tmp + sizeof tmp;
  std::uint32_t a = v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
  do {
    *--q = static_cast<char>('0' + a % 10);
    a /= 10;
  } while (a != 0);
  if (v < 0) *--q = '-';
  const int len = static_cast<int>(tmp + sizeof tmp - q);
  if (len > w) return stars(p, w);
  p = blanks(p, w - len);
  std::memcpy(p, q, static_cast<std::size_t>(len));
  return p + len;
}

namespace detail {

char* put_general_tochars(char* p, int w, int d, float v) {
  check_digits(d);
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
  const bool neg = (bits >> 31) != 0;
  const std::uint32_t mag = bits & 0x7fffffff;
  if (mag == 0) return put_zero(p, w, d);
  if (mag >= 0x7f800000) return put_nonfinite(p, w, neg, mag > 0x7f800000);

  // "D.DDDDe+XX": d digits rounded to nearest, ties to even.
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::bit_cast<float>(mag),
                                 std::chars_format::scientific, d - 1);
  char dig[16];
  dig[0] = buf[0];
  if (d > 1) std::memcpy(dig + 1, buf + 2, static_cast<std::size_t>(d - 1));
  const char* q = buf + (d == 1 ? 1 : d + 1);  // at the 'e'
  int x = 0;
  std::from_chars(q + 2, res.ptr, x);
  if (q[1] == '-') x = -x;

  // A tie rounded down steps up one unit of the last digit. (Rounding down
  // never changes x, so x - d + 1 is the unit's exponent for such a tie; for a
  // value that rounded up to a power of ten it is one too high, and then the
  // test is false, as that value cannot be a tie at this unit.)
  if (tie_rounded_down(bits, x - d + 1)) {
    int i = d - 1;
    while (i >= 0 && dig[i] == '9') dig[i--] = '0';
    if (i >= 0) {
      ++dig[i];
    } else {
      dig[0] = '1';
      ++x;
    }
  }
  return layout(p, w, d, neg, dig, x + 1);
}

}  // namespace detail

char* put_general(char* p, int w, int d, float v) {
  check_digits(d);
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(v);
  const std::uint32_t ex = (bits >> 23) & 0xff;
  if (ex == 0 || ex == 255) return detail::put_general_tochars(p, w, d, v);
  const bool neg = (bits >> 31) != 0;

  // |v| = mant 2^e2 with 2^23 <= mant < 2^24; its decimal exponent
  // floor(log10 |v|) is x0 or x0 + 1, x0 = floor((e2 + 23) log10 2).
  const std::uint64_t mant = (bits & 0x7fffff) | 0x800000;
  const int e2 = static_cast<int>(ex) - 150;
  const int x0 = ((e2 + 23) * 315653) >> 20;

  // q = floor(|v| 10^t) and whether its fraction is at least 1/2, for
  // t = d - 1 - x0: q has d digits, or d + 1 when the exponent is x0 + 1.
  const int t = d - 1 - x0;
  std::uint64_t q;
  bool half;
  if (t >= 0) {
    if (e2 >= 0) {
      q = (mant << e2) * kPow10[t];  // |v| < 10^(d+1) here, so no overflow
      half = false;
    } else {
      const int sh = -e2;
      if (t <= 12 && sh <= 63) {
        const std::uint64_t a = mant * kPow10[t];
        q = a >> sh;
        half = ((a >> (sh - 1)) & 1) != 0;
      } else if (t <= 28 && sh <= 120) {
        u128 a = mant;
        for (int i = t; i > 0; i -= 19) a *= kPow10[i < 19 ? i : 19];
        q = static_cast<std::uint64_t>(a >> sh);
        half = ((a >> (sh - 1)) & 1) != 0;
      } else {
        return detail::put_general_tochars(p, w, d, v);
      }
    }
  } else {
    std::uint64_t a, b;
    if (e2 >= 0) {
      if (e2 > 40) return detail::put_general_tochars(p, w, d, v);
      a = mant << e2;
      b = kPow10[-t];
    } else {
      a = mant;
      b = kPow10[-t] << -e2;
    }
    q = a / b;
    const std::uint64_t r = a - q * b;
    half = r >= b - r;
  }

  int x = x0;
  std::uint64_t n;
  if (q >= kPow10[d]) {
    ++x;
    n = q / 10 + (q % 10 >= 5 ? 1 : 0);
  } else {
    n = q + (half ? 1 : 0);
  }
  if (n == kPow10[d]) {  // rounded up to the next power of ten
    n = kPow10[d - 1];
    ++x;
  }
  char dig[16];
  put_digits(dig, d, static_cast<std::uint32_t>(n));
  return layout(p, w, d, neg, dig, x + 1);
}

void put_text_var(char* var, std::size_t len, std::string_view record) {
  if (record.size() > len)
    estop(text(TextioMsg::record_too_long, {std::to_string(record.size()), std::to_string(len)}));
  std::memset(var, ' ', len);
  if (!record.empty()) std::memcpy(var, record.data(), record.size());
}

std::string number_text(std::int32_t v, int w) {
  // The text variable has the field's length; widths beyond 16 only add
  // blanks, which are stripped anyway.
  const int width = w < 1 ? 1 : (w > 16 ? 16 : w);
  char field[16];
  char* end = put_int(field, width, v);
  char var[16];
  const auto len = static_cast<std::size_t>(width);
  put_text_var(var, len, std::string_view(field, static_cast<std::size_t>(end - field)));
  const std::string_view text(var, len);
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace kivo
