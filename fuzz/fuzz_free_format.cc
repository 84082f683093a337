// Free-format reads from a text in memory.
//
// Two kinds of input, chosen by the first byte:
// - an item list and a text: the next bytes give the number of items and
//   the kind (and length) of each, the rest is the text. The read of the
//   whole list is checked against reads of every prefix of the list and
//   against read_one of the first item;
// - a number: the bytes give an integer or a single-precision value, which
//   is written out in one of the forms the reader accepts (exponent letters
//   E, D, Q, a sign exponent without a letter, leading zeros and signs,
//   more than 10 significant digits) and must read back as the exact value.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textio/reader.h"

namespace {

constexpr std::size_t kLengths[] = {1, 2, 3, 5, 8, 16, 99, 999};

struct Storage {
  std::vector<kivo::ItemKind> kinds;
  std::vector<std::size_t> lengths;
  std::vector<std::int32_t> ints;
  std::vector<float> reals;
  // One allocation per character item, of exactly its length, so that the
  // address sanitizer sees any write past its end.
  std::vector<std::unique_ptr<char[]>> chars;
  std::vector<kivo::Item> items;

  Storage(const std::vector<kivo::ItemKind>& k, const std::vector<std::size_t>& l)
      : kinds(k), lengths(l), ints(k.size()), reals(k.size()) {
    for (std::size_t len : lengths) chars.push_back(std::make_unique<char[]>(len));
    reset();
  }

  void reset() {
    items.clear();
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      ints[i] = 0x5a5a5a5a;
      reals[i] = std::bit_cast<float>(0x7fa5a5a5u);  // a signalling NaN: never a read result
      std::memset(chars[i].get(), 0x01, lengths[i]);
      switch (kinds[i]) {
        case kivo::ItemKind::integer:
          items.push_back(kivo::int_item(ints[i]));
          break;
        case kivo::ItemKind::real:
          items.push_back(kivo::real_item(reals[i]));
          break;
        case kivo::ItemKind::character:
          items.push_back(kivo::char_item(chars[i].get(), lengths[i]));
          break;
      }
    }
  }
  bool same_item(std::size_t i, const Storage& o) const {
    switch (kinds[i]) {
      case kivo::ItemKind::integer:
        return ints[i] == o.ints[i];
      case kivo::ItemKind::real:
        return std::bit_cast<std::uint32_t>(reals[i]) == std::bit_cast<std::uint32_t>(o.reals[i]);
      case kivo::ItemKind::character:
        return std::memcmp(chars[i].get(), o.chars[i].get(), lengths[i]) == 0;
    }
    return false;
  }
};

[[noreturn]] void fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "fuzz_free_format: %s\n--- text ---\n%.*s\n--- end ---\n", what,
               static_cast<int>(text.size()), text.data());
  std::abort();
}

void check_status(int status, std::string_view text) {
  if (status < -1) fail("status below -1", text);
}

void item_lists(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  std::size_t n = 1 + data[0] % 12;
  if (size < 1 + n) return;
  std::vector<kivo::ItemKind> kinds;
  std::vector<std::size_t> lengths;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t k = data[1 + i];
    kinds.push_back(k % 3 == 0   ? kivo::ItemKind::integer
                    : k % 3 == 1 ? kivo::ItemKind::real
                                 : kivo::ItemKind::character);
    lengths.push_back(kLengths[(k / 3) % 8]);
  }
  Storage a(kinds, lengths), b(kinds, lengths), c(kinds, lengths), fresh(kinds, lengths);
  std::string_view text(reinterpret_cast<const char*>(data) + 1 + n, size - 1 - n);

  int full = kivo::read_list(text, a.items);
  check_status(full, text);

  // A shorter list reads the same values into its items; it can only fail
  // where the whole list failed, and succeeds wherever the whole list did.
  for (std::size_t k = 1; k < n; ++k) {
    b.reset();
    int part = kivo::read_list(text, std::span<const kivo::Item>(b.items.data(), k));
    check_status(part, text);
    if (full == 0 && part != 0) fail("a prefix of a successful list failed", text);
    if (part != 0 && part != full) fail("a prefix failed differently from the whole list", text);
    for (std::size_t i = 0; i < k; ++i)
      if (!a.same_item(i, b)) fail("a prefix read a different value", text);
  }

  // read_one is the one-item list, and says whether a value was assigned.
  b.reset();
  bool assigned = true;
  int one = kivo::read_one(text, b.items[0], assigned);
  check_status(one, text);
  int listed = kivo::read_list(text, std::span<const kivo::Item>(c.items.data(), 1));
  if (one != listed) fail("read_one and a one-item read_list differ in status", text);
  if (!b.same_item(0, c)) fail("read_one and a one-item read_list differ in value", text);
  if (!assigned && !b.same_item(0, fresh)) fail("read_one changed an item it did not assign", text);
  if (assigned && one != 0) fail("read_one assigned a value and reported a failure", text);
  if (assigned && b.same_item(0, fresh) && b.kinds[0] == kivo::ItemKind::real)
    fail("read_one assigned a signalling NaN", text);
}

// Writes the kept digits (at most 10 significant) of a digit string with a
// decimal exponent and converts them as the reader must: with at most 9
// significant digits straight to single precision, with 10 through double.
// Returns 0 and the value, 1 for overflow or underflow, or -1 when either
// result is acceptable (a 10-digit text whose last kept digit is 0).
int reference_real(bool negative, const std::string& digits, int exp10, float& out) {
  std::string kept = digits.substr(0, 10);
  std::size_t first = kept.find_first_not_of('0');
  if (first == std::string::npos) {
    out = 0.0f;
    return 0;
  }
  bool ambiguous = kept.size() == 10 && kept.back() == '0';
  while (kept.size() > 1 && kept.back() == '0') kept.pop_back();
  // The value is 0.<digits> x 10^exp10; the kept digits stand for the first ones.
  std::string text = (negative ? "-0." : "0.") + kept + "e" + std::to_string(exp10);
  const char* b = text.data();
  const char* e = text.data() + text.size();
  double d = 0;
  auto rd = std::from_chars(b, e, d);
  if (rd.ec == std::errc::result_out_of_range) return 1;  // beyond double, either end
  if (d == 0) return 1;                                   // underflow
  float f;
  if (kept.size() <= 9) {
    auto rf = std::from_chars(b, e, f);
    if (rf.ec == std::errc::result_out_of_range) {
      if (std::fabs(d) > 1) return 1;  // overflow
      f = negative ? -0.0f : 0.0f;     // below the subnormals: rounds to zero
    }
  } else {
    f = static_cast<float>(d);
  }
  if (std::isinf(f)) return 1;
  out = f;
  return ambiguous ? -1 : 0;
}

void numbers(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return;
  std::uint32_t bits;
  std::memcpy(&bits, data, 4);
  std::uint8_t form = data[4];
  std::uint8_t extra = data[5];

  std::string text;
  if (form % 4 == 0) {
    // An integer, with optional leading signs, zeros and blanks.
    std::int32_t v = static_cast<std::int32_t>(bits);
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, v < 0 ? -static_cast<std::int64_t>(v) : v);
    std::string digits(buf, r.ptr);
    std::string lead = v < 0 ? "-" : (extra & 1 ? "+" : "");
    if (extra & 2) lead += "00";
    if (extra & 4) lead = "+" + lead;
    text = lead + digits;
    if (extra & 8) text = " \t" + text + " ,";
    std::int32_t got = 12345;
    bool assigned = false;
    int st = kivo::read_one(text, kivo::int_item(got), assigned);
    if (st != 0 || !assigned || got != v) fail("an integer did not read back", text);
    return;
  }

  // A real number: the digits of its exact shortest form, or of a longer
  // form with up to 20 significant digits, in various spellings.
  float v = std::bit_cast<float>(bits);
  if (!std::isfinite(v)) return;
  std::string digits;
  int exp10 = 0;  // value = 0.<digits> x 10^exp10
  {
    char buf[64];
    std::to_chars_result r;
    int prec = (form / 4) % 3 == 0 ? -1 : 8 + (extra % 13);
    if (prec < 0)
      r = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific);
    else
      r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(std::fabs(v)),
                        std::chars_format::scientific, prec);
    std::string s(buf, r.ptr);  // d.ddde[+-]xx
    std::size_t epos = s.find('e');
    digits = s.substr(0, 1) + (epos > 2 ? s.substr(2, epos - 2) : "");
    exp10 = std::atoi(s.c_str() + epos + 1) + 1;
  }
  bool negative = std::signbit(v);
  float want = 0;
  int ref = reference_real(negative, digits, exp10, want);

  // Spell it: point position, exponent letter or bare sign, case.
  int point = static_cast<int>(data[6] % (digits.size() + 1));
  std::string mant = digits.substr(0, point) + "." + digits.substr(point);
  if (point == static_cast<int>(digits.size()) && (data[6] & 0x80)) mant.pop_back();  // "123"
  int exp_written = exp10 - point;
  static const char* letters[] = {"E", "e", "D", "d", "Q", "q", ""};
  const char* letter = letters[data[7] % 7];
  std::string exps = std::to_string(exp_written);
  if (*letter == 0 && exp_written >= 0) exps = "+" + exps;  // a bare exponent needs its sign
  text = (negative ? "-" : (extra & 0x80 ? "+" : "")) + mant;
  if (exp_written != 0 || *letter) text += letter + exps;

  float got = 123.0f;
  bool assigned = false;
  int st = kivo::read_one(text, kivo::real_item(got), assigned);
  if (ref == 1) {
    if (st <= 0) fail("an out-of-range real was accepted", text);
    return;
  }
  if (st != 0 || !assigned) fail("a real in range did not read", text);
  if (ref == -1) return;
  if (want == 0 ? got != 0
                : std::bit_cast<std::uint32_t>(got) != std::bit_cast<std::uint32_t>(want))
    fail("a real read back as a different value", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  if (data[0] & 1)
    item_lists(data + 1, size - 1);
  else
    numbers(data + 1, size - 1);
  return 0;
}
