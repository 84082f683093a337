// The free-format read: scanning records for the values of a list of items.
//
// One scanner serves every kind of list; it is a template over the place the
// values go (a list of items, or a run of reals), so that the run of reals of
// a data-file row gets a fast path for plain decimal numbers while every other
// token goes through the same general rules as in any other list.
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <system_error>

#include "textio/reader.h"

namespace kivo {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
bool ends_token(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '/';
}
bool is_quote(char c) {
  return c == '\'' || c == '"';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// The state of one request: the current record and the position in it.
struct Scan {
  ReadFile* file;  // null: the text in memory is the only record
  const char* p;
  const char* e;
  bool separator_seen = true;
};

int next_record(Scan& s) {
  if (!s.file) return read_status::end_of_file;
  std::string_view rec;
  if (const int st = next_record(*s.file, std::string_view::npos, rec)) return st;
  s.p = rec.data();
  s.e = rec.data() + rec.size();
  return 0;
}

// Bytes of a word that are not equal to the byte repeated in `pattern`: the
// high bit of each such byte is set, every other bit is clear. Exact per
// byte, as no sum carries into the next byte.
std::uint64_t bytes_unequal(std::uint64_t word, std::uint64_t pattern) {
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fULL;
  const std::uint64_t y = word ^ pattern;
  return (((y & kLow7) + kLow7) | y) & ~kLow7;
}

constexpr std::uint64_t kDigitHigh = 0x3030303030303030ULL;

// The index in memory order of the first byte of a word loaded from memory
// whose high bit is set (at least one is): the lowest byte on a
// little-endian machine, the highest on a big-endian one.
int first_marked(std::uint64_t marks) {
  const int bit = std::endian::native == std::endian::little ? std::countr_zero(marks)
                                                             : std::countl_zero(marks);
  return bit / 8;
}

// The first character at or after p that is neither a blank nor a tab, or e.
// Data rows pad their columns with runs of blanks, so eight characters are
// tested at a time while a whole word lies within the record.
const char* skip_blanks(const char* p, const char* e) {
  constexpr std::uint64_t kBlanks = 0x2020202020202020ULL;
  constexpr std::uint64_t kTabs = 0x0909090909090909ULL;
  while (e - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    const std::uint64_t other = bytes_unequal(word, kBlanks) & bytes_unequal(word, kTabs);
    if (other != 0) {
      return p + first_marked(other);
    }
    p += 8;
  }
  while (p < e && is_blank(*p)) ++p;
  return p;
}

// Moves to the next character that is neither a blank nor a tab, over as
// many record ends as needed.
int skip_space(Scan& s) {
  for (;;) {
    s.p = skip_blanks(s.p, s.e);
    if (s.p < s.e) return 0;
    if (const int st = next_record(s)) return st;
  }
}

// The unquoted value at the position: up to a blank, tab, comma, slash or the
// end of the record, none of which is consumed.
std::string_view take_token(Scan& s) {
  const char* start = s.p;
  while (s.p < s.e && !ends_token(*s.p)) ++s.p;
  return {start, static_cast<std::size_t>(s.p - start)};
}

// The quoted value at the position, without its delimiters; a doubled
// delimiter is one character of the value, and a record end adds nothing.
int take_quoted(Scan& s, std::string& value) {
  const char d = *s.p++;
  for (;;) {
    const void* q = std::memchr(s.p, d, static_cast<std::size_t>(s.e - s.p));
    if (!q) {
      value.append(s.p, s.e);
      if (const int st = next_record(s)) return st;
      continue;
    }
    const char* close = static_cast<const char*>(q);
    value.append(s.p, close);
    s.p = close + 1;
    if (s.p < s.e && *s.p == d) {
      value.push_back(d);
      ++s.p;
      continue;
    }
    return 0;
  }
}

void store_chars(const Item& item, std::string_view v) {
  char* dest = static_cast<char*>(item.dest);
  const std::size_t n = v.size() < item.length ? v.size() : item.length;
  if (n > 0) std::memcpy(dest, v.data(), n);
  if (item.length > n) std::memset(dest + n, ' ', item.length - n);
}

// Where the values of a list of items go.
struct ListSink {
  static constexpr bool reals_only = false;
  std::span<const Item> items;
  bool assigned = false;

  std::size_t size() const { return items.size(); }
  ItemKind kind(std::size_t i) const { return items[i].kind; }
  int assign(std::size_t i, std::string_view v, bool quoted) {
    const Item& item = items[i];
    int st = 0;
    if (item.kind == ItemKind::character) {
      store_chars(item, v);
    } else if (quoted || (!v.empty() && (is_quote(v[0]) || v[0] == '('))) {
      st = read_status::quote_for_number;
    } else if (item.kind == ItemKind::integer) {
      st = convert_integer(v, *static_cast<std::int32_t*>(item.dest));
    } else {
      st = convert_real(v, *static_cast<float*>(item.dest));
    }
    if (st == 0) assigned = true;
    return st;
  }
};

// Where the values of a run of reals go.
struct RealSink {
  static constexpr bool reals_only = true;
  float* dest;
  std::size_t n;

  std::size_t size() const { return n; }
  ItemKind kind(std::size_t) const { return ItemKind::real; }
  int assign(std::size_t i, std::string_view v, bool quoted) {
    if (quoted || (!v.empty() && (is_quote(v[0]) || v[0] == '('))) {
      return read_status::quote_for_number;
    }
    return convert_real(v, dest[i]);
  }
};

// The value at the position, with its repeat count if it has one, for the
// items from i on; i moves past the items dealt with.
template <class Sink>
int take_value(Scan& s, Sink& sink, std::size_t& i) {
  const std::size_t n = sink.size();
  const bool character = sink.kind(i) == ItemKind::character;
  if (is_quote(*s.p) || (!character && *s.p == '(')) {
    if (!character) return read_status::quote_for_number;
    std::string v;
    if (const int st = take_quoted(s, v)) return st;
    return sink.assign(i++, v, true);
  }

  // A repeat count: the characters before an asterisk in the token.
  const char* start = s.p;
  const char* star = start;
  while (star < s.e && !ends_token(*star) && *star != '*') ++star;
  std::size_t repeat = 1;
  bool counted = false;
  if (star < s.e && *star == '*') {
    const std::string_view prefix(start, static_cast<std::size_t>(star - start));
    if (character) {
      // Only digits with a value above 0 make a repeat count of a character
      // value; otherwise the asterisk belongs to the value.
      bool digits = !prefix.empty();
      bool nonzero = false;
      for (char c : prefix) {
        digits = digits && is_digit(c);
        nonzero = nonzero || (c != '0');
      }
      counted = digits && nonzero;
    } else {
      counted = true;
    }
    if (counted) {
      std::int32_t r = 0;
      if (prefix.empty() || convert_integer(prefix, r) != 0 || r <= 0) {
        return read_status::bad_repeat;
      }
      repeat = static_cast<std::size_t>(r);
      s.p = star + 1;
      // "r*" alone: r null values.
      if (s.p == s.e || ends_token(*s.p)) {
        i += repeat < n - i ? repeat : n - i;
        return 0;
      }
    }
  }

  std::string quoted_value;
  std::string_view v;
  const bool quoted = counted && is_quote(*s.p);
  if (quoted) {
    if (!character) return read_status::quote_for_number;
    if (const int st = take_quoted(s, quoted_value)) return st;
    v = quoted_value;
  } else {
    v = take_token(s);
  }
  for (std::size_t k = 0; k < repeat && i < n; ++k, ++i) {
    if (const int st = sink.assign(i, v, quoted)) return st;
  }
  return 0;
}

// The significant digits of the digit run [p, e) (a point may stand among
// them) up to its last non-zero one: leading zeros and trailing zeros do not
// count.
int kept_digits(const char* p, const char* e) {
  int sig = 0;
  int kept = 0;
  for (; p < e; ++p) {
    if (*p == '.') continue;
    if (sig > 0 || *p != '0') {
      ++sig;
      if (*p != '0') kept = sig;
    }
  }
  return kept;
}

// The first character at or after p that is not a decimal digit, or e;
// eight characters at a time while a whole word lies within the record.
const char* skip_digits(const char* p, const char* e) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  while (e - p >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    // A digit is 0x30 to 0x39: its high nibble is 3 and its low nibble plus
    // 6 stays below 16.
    const std::uint64_t high_not_3 = bytes_unequal(word & 0xf0f0f0f0f0f0f0f0ULL, kDigitHigh);
    const std::uint64_t low_above_9 =
        (((word & 0x0f0f0f0f0f0f0f0fULL) + 0x0606060606060606ULL) << 3) & kHigh;
    const std::uint64_t other = high_not_3 | low_above_9;
    if (other != 0) return p + first_marked(other);
    p += 8;
  }
  while (p < e && is_digit(*p)) ++p;
  return p;
}

// A plain decimal number at p (p < e): an optional sign, digits with at most
// one point, an optional exponent of e or E, an optional sign and 1 to 4
// digits, then the end of the token. Converted as the general rules would
// convert it; anything else (or a result at the edges of the range) is left
// to them. A number of at most 9 digits needs no count of its significant
// digits: it cannot have more than 9 of them.
bool fast_real(const char* p, const char* e, float& out, const char*& after) {
  const char* first = p + ((*p == '+' || *p == '-') ? 1 : 0);
  const char* q = skip_digits(first, e);
  std::ptrdiff_t ndigits = q - first;
  if (q < e && *q == '.') {
    const char* frac = q + 1;
    q = skip_digits(frac, e);
    ndigits += q - frac;
  }
  if (ndigits == 0) return false;
  const int kept = ndigits <= 9 ? 0 : kept_digits(first, q);
  if (kept > 10) return false;
  if (q < e && (*q == 'e' || *q == 'E')) {
    ++q;
    if (q < e && (*q == '+' || *q == '-')) ++q;
    const char* exp = q;
    while (q < e && is_digit(*q) && q - exp < 5) ++q;
    if (q == exp || q - exp > 4) return false;
  }
  if (q < e && !ends_token(*q)) return false;
  const char* from = *p == '+' ? p + 1 : p;
  if (kept <= 9) {
    float v;
    const auto r = std::from_chars(from, q, v);
    if (r.ec != std::errc() || r.ptr != q) return false;
    out = v;
  } else {
    double d;
    const auto r = std::from_chars(from, q, d);
    if (r.ec != std::errc() || r.ptr != q) return false;
    const float v = static_cast<float>(d);
    if (std::isinf(v)) return false;
    out = v;
  }
  after = q;
  return true;
}

template <class Sink>
int scan_list(Scan& s, Sink& sink) {
  const std::size_t n = sink.size();
  std::size_t i = 0;
  while (i < n) {
    s.p = skip_blanks(s.p, s.e);
    if (s.p == s.e) {
      if (const int st = skip_space(s)) return st;
    }
    const char c = *s.p;
    if (c == ',') {
      ++s.p;
      if (s.separator_seen) {
        ++i;  // a null value
      } else {
        s.separator_seen = true;
      }
      continue;
    }
    if (c == '/') return 0;
    if constexpr (Sink::reals_only) {
      if (is_digit(c) || c == '-' || c == '+' || c == '.') {
        if (fast_real(s.p, s.e, sink.dest[i], s.p)) {
          ++i;
          s.separator_seen = false;
          continue;
        }
      }
    }
    if (const int st = take_value(s, sink, i)) return st;
    s.separator_seen = false;
  }
  return 0;
}

// A request on a file: starts at its next record, which is where a step back
// returns to.
template <class Sink>
int read_file_list(ReadFile& f, Sink& sink) {
  Scan s{&f, nullptr, nullptr};
  const int st = next_record(s);
  f.last_start = f.rec_start;
  if (st != 0) return st;
  return scan_list(s, sink);
}

}  // namespace

int read_list(ReadFile& f, std::span<const Item> items) {
  ListSink sink{items};
  return read_file_list(f, sink);
}

int read_list(std::string_view text, std::span<const Item> items) {
  ListSink sink{items};
  Scan s{nullptr, text.data(), text.data() + text.size()};
  return scan_list(s, sink);
}

int read_one(std::string_view text, const Item& item, bool& assigned) {
  ListSink sink{{&item, 1}};
  Scan s{nullptr, text.data(), text.data() + text.size()};
  const int st = scan_list(s, sink);
  assigned = sink.assigned;
  return st;
}

int read_reals(ReadFile& f, float* dest, std::size_t n) {
  RealSink sink{dest, n};
  return read_file_list(f, sink);
}

}  // namespace kivo
