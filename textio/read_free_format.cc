// The free-format read: scanning records for the values of a list of items.
//
// One scanner serves every kind of list; it is a template over the place the
// values go (a list of items, or a run of reals), so that the run of reals of
// a data-file row gets a fast path for plain decimal numbers while every other
// token goes through the same general rules as in any other list.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "textio/reader.h"
#include "textio/text.h"

namespace kivo {

namespace {

bool ends_token(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '/';
}
bool is_quote(char c) {
  return c == '\'' || c == '"';
}

bool is_chars(ItemKind k) {
  return k == ItemKind::character || k == ItemKind::text;
}

// The state of one request: the current record and the position in it.
struct Scan {
  ReadFile* file;  // null: the text in memory is the only record
  const char* p;
  const char* e;
  const char* b = nullptr;  // the start of the current record
  bool separator_seen = true;
};

int next_record(Scan& s) {
  if (!s.file) return read_status::end_of_file;
  std::string_view rec;
  if (const int st = next_record(*s.file, std::string_view::npos, rec)) return st;
  s.p = s.b = rec.data();
  s.e = rec.data() + rec.size();
  return 0;
}

// The line of the current record (0 for a text in memory).
std::int64_t line_of(const Scan& s) {
  return s.file ? s.file->line : 0;
}

// The first character at or after p that is neither a blank nor a tab, or e.
// A plain loop: the blank runs that pad the columns of a data row are short,
// and testing eight characters at a time costs more than it saves on them.
const char* skip_blanks(const char* p, const char* e) {
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

// Every sink is told of the items [from, to) that a null value leaves
// unchanged (on_null) and of those that the value at `at` reaches (on_value);
// most sinks do nothing with it.
struct NoMarks {
  static constexpr bool text_nulls = false;
  void on_null(const Scan&, const char*, std::size_t, std::size_t) {}
  void on_value(const Scan&, const char*, std::size_t, std::size_t) {}
  void on_text_null(const Scan&, const char*, std::size_t, std::size_t) {}
  const std::vector<std::string>* markers() const { return nullptr; }
  bool trailing_nulls() const { return false; }
};

// Where the values of a list of items go.
struct ListSink : NoMarks {
  static constexpr bool reals_only = false;
  std::span<const Item> items;
  bool assigned = false;

  explicit ListSink(std::span<const Item> it) : items(it) {}
  std::size_t size() const { return items.size(); }
  ItemKind kind(std::size_t i) const { return items[i].kind; }
  int assign(std::size_t i, std::string_view v, bool quoted) {
    const Item& item = items[i];
    int st = 0;
    if (item.kind == ItemKind::character) {
      store_chars(item, v);
    } else if (item.kind == ItemKind::text) {
      static_cast<std::string*>(item.dest)->assign(v);
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

int assign_real(std::string_view v, bool quoted, float& dest) {
  if (quoted || (!v.empty() && (is_quote(v[0]) || v[0] == '('))) {
    return read_status::quote_for_number;
  }
  return convert_real(v, dest);
}

// Where the values of a run of reals go; the items left without a value are
// marked when marks are given.
struct RealSink : NoMarks {
  static constexpr bool reals_only = true;
  static constexpr bool text_nulls = true;
  float* dest;
  std::size_t n;
  RowMarks* row = nullptr;

  RealSink(float* d, std::size_t count, RowMarks* r = nullptr) : dest(d), n(count), row(r) {}
  std::size_t size() const { return n; }
  ItemKind kind(std::size_t) const { return ItemKind::real; }
  int assign(std::size_t i, std::string_view v, bool quoted) {
    return assign_real(v, quoted, dest[i]);
  }
  void on_null(const Scan&, const char*, std::size_t from, std::size_t to) {
    if (!row || !row->marks) return;
    row->any = true;
    for (std::size_t i = from; i < to; ++i) row->marks[i] = kNullValue;
  }
  void on_text_null(const Scan&, const char*, std::size_t i, std::size_t t) {
    if (!row->marks) return;
    row->any = true;
    row->marks[i] =
        static_cast<unsigned char>(kTextNull + (t < kTextNullsMarked ? t : kTextNullsMarked));
  }
  const std::vector<std::string>* markers() const { return row ? row->text_nulls : nullptr; }
  bool trailing_nulls() const { return row && row->trailing_nulls; }
};

// A run of reals read again only to find where one item took its value or
// its null value.
struct LocateSink {
  static constexpr bool reals_only = false;
  static constexpr bool text_nulls = true;
  std::size_t n;
  std::size_t target;
  const std::vector<std::string>* nulls = nullptr;
  bool trailing = false;
  float scratch = 0.0f;
  bool found = false;
  std::int64_t line = 0;
  std::size_t column = 0;

  std::size_t size() const { return n; }
  ItemKind kind(std::size_t) const { return ItemKind::real; }
  int assign(std::size_t, std::string_view v, bool quoted) {
    return assign_real(v, quoted, scratch);
  }
  void on_value(const Scan& s, const char* at, std::size_t from, std::size_t to) {
    if (found || target < from || target >= to) return;
    found = true;
    line = line_of(s);
    column = static_cast<std::size_t>(at - s.b) + 1;
  }
  void on_null(const Scan& s, const char* at, std::size_t from, std::size_t to) {
    on_value(s, at, from, to);
  }
  void on_text_null(const Scan&, const char*, std::size_t, std::size_t) {}
  const std::vector<std::string>* markers() const { return nulls; }
  bool trailing_nulls() const { return trailing; }
};

// The index of the text null marker that the token at the position is, or
// -1. A token runs up to a blank, tab, comma, slash or the record's end.
std::ptrdiff_t text_null_at(const Scan& s, const std::vector<std::string>& markers,
                            const char*& after) {
  const char* q = s.p;
  while (q < s.e && !ends_token(*q)) ++q;
  const std::string_view token(s.p, static_cast<std::size_t>(q - s.p));
  for (std::size_t t = 0; t < markers.size(); ++t) {
    if (token == markers[t]) {
      after = q;
      return static_cast<std::ptrdiff_t>(t);
    }
  }
  return -1;
}

// The value at the position, with its repeat count if it has one, for the
// items from i on; i moves past the items dealt with.
template <class Sink>
int take_value(Scan& s, Sink& sink, std::size_t& i) {
  const std::size_t n = sink.size();
  if constexpr (Sink::text_nulls) {
    // A text null marker stands for no value, whatever it holds.
    if (const std::vector<std::string>* markers = sink.markers()) {
      const char* after = nullptr;
      const std::ptrdiff_t t = text_null_at(s, *markers, after);
      if (t >= 0) {
        sink.on_text_null(s, s.p, i, static_cast<std::size_t>(t));
        s.p = after;
        ++i;
        return 0;
      }
    }
  }
  const bool character = is_chars(sink.kind(i));
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
        const std::size_t to = i + (repeat < n - i ? repeat : n - i);
        sink.on_null(s, start, i, to);
        i = to;
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

// The first character at or after p that is not a decimal digit, or e.
const char* skip_digits(const char* p, const char* e) {
  while (p < e && is_digit(*p)) ++p;
  return p;
}

// Whether the number [p, e) has no exponent of more than 4 digits. Looked at
// from its end: the digits there are few, before a point, in most numbers.
bool short_exponent(const char* p, const char* e) {
  const char* q = e;
  while (q > p && is_digit(q[-1])) --q;
  if (e - q <= 4) return true;
  if (q > p && (q[-1] == '+' || q[-1] == '-')) --q;
  return !(q > p && (q[-1] == 'e' || q[-1] == 'E'));
}

// Whether the number [p, e) has at most 9 digits before its exponent: a
// coordinate such as 7123456.22 has 10 characters but 9 digits.
bool few_digits(const char* p, const char* e) {
  int digits = 0;
  for (; p < e && *p != 'e' && *p != 'E'; ++p) digits += is_digit(*p) ? 1 : 0;
  return digits <= 9;
}

// A plain decimal number at p (p < e): an optional sign, digits with at most
// one point, an optional exponent of e or E, an optional sign and 1 to 4
// digits, then the end of the token. Converted as the general rules would
// convert it; anything else (or a result at the edges of the range) is left
// to them. A number of at most 9 digits needs no count of its significant
// digits: it cannot have more than 9 of them.
[[gnu::always_inline]] inline bool fast_real(const char* p, const char* e, float& out,
                                             const char*& after) {
  const char* first = p + ((*p == '+' || *p == '-') ? 1 : 0);
  const char* from = *p == '+' ? p + 1 : p;
  // Most values of a data file: one conversion at the token's start and a
  // look at the character after the number. At most 9 digits convert
  // straight into single precision as the general rules convert them; an
  // exponent of more than 4 digits is left to the longer way below, which
  // leaves it to the general rules.
  if (first < e && (is_digit(*first) || *first == '.')) {
    float v;
    const auto r = std::from_chars(from, e, v);
    if (r.ec == std::errc() && (r.ptr - first <= 9 || few_digits(first, r.ptr)) &&
        (r.ptr == e || ends_token(*r.ptr)) && (r.ptr - first < 7 || short_exponent(first, r.ptr))) {
      out = v;
      after = r.ptr;
      return true;
    }
  }
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

// Notes where a request on a file failed: at the token that starts at `tok`
// on line `tok_line` (null: no token, the end of the file), for item `item`.
// Off the hot path: only a failed request comes here.
[[gnu::cold]] int fail_at(const Scan& s, int st, std::size_t item, const char* tok,
                          std::int64_t tok_line, std::size_t tok_column) {
  if (!s.file) return st;
  ReadFault& f = s.file->fault;
  f = ReadFault{};
  f.first_line = s.file->last_line + 1;
  f.item = item;
  f.line = tok ? tok_line : f.first_line;
  if (tok) {
    f.column = tok_column;
    // The token is still in view only while the scan is on its record.
    if (s.file->line == tok_line) {
      const char* q = tok;
      while (q < s.e && (q == tok || !ends_token(*q)) && q - tok < 200) ++q;
      f.text.assign(tok, q);
    }
  }
  return st;
}

// Whether the current record's last character that is not a blank or a tab
// is a comma.
bool ends_in_comma(const Scan& s) {
  const char* q = s.e;
  while (q > s.b && is_blank(q[-1])) --q;
  return q > s.b && q[-1] == ',';
}

// Inlined into each request, so that the scan's position stays in registers.
template <class Sink>
[[gnu::always_inline]] inline int scan_list(Scan& s, Sink& sink) {
  const std::size_t n = sink.size();
  std::size_t i = 0;
  const char* trailing_done = nullptr;  // the record whose trailing comma gave its null
  while (i < n) {
    s.p = skip_blanks(s.p, s.e);
    if (s.p == s.e) {
      if constexpr (Sink::text_nulls) {
        // A record that ends in a comma ends in an empty field (a CSV row
        // without its last value): a null value, where the sink asks so.
        if (sink.trailing_nulls() && trailing_done != s.e && ends_in_comma(s)) {
          trailing_done = s.e;
          sink.on_null(s, s.p, i, i + 1);
          ++i;
          continue;
        }
      }
      if (const int st = skip_space(s)) return fail_at(s, st, i, nullptr, 0, 0);
    }
    const char c = *s.p;
    if (c == ',') {
      if (s.separator_seen) {
        sink.on_null(s, s.p, i, i + 1);
        ++i;  // a null value
      } else {
        s.separator_seen = true;
      }
      ++s.p;
      continue;
    }
    if (c == '/') {
      sink.on_null(s, s.p, i, n);
      return 0;
    }
    if constexpr (Sink::reals_only) {
      if (is_digit(c) || c == '-' || c == '+' || c == '.') {
        if (fast_real(s.p, s.e, sink.dest[i], s.p)) {
          ++i;
          s.separator_seen = false;
          continue;
        }
      }
    }
    const char* tok = s.p;
    const std::int64_t tok_line = line_of(s);
    const std::size_t tok_column = static_cast<std::size_t>(tok - s.b) + 1;
    const std::size_t from = i;
    if (const int st = take_value(s, sink, i)) {
      const int failed = fail_at(s, st, from, tok, tok_line, tok_column);
      // A quoted value that ran on past its record is out of view: its
      // opening, up to the end of that record, was not kept by fail_at.
      if (s.file && line_of(s) != tok_line && is_quote(c)) s.file->fault.text = std::string(1, c);
      return failed;
    }
    sink.on_value(s, tok, from, i);
    s.separator_seen = false;
  }
  return 0;
}

// A request on a file: starts at its next record, which is where a step back
// returns to.
template <class Sink>
[[gnu::always_inline]] inline int read_file_list(ReadFile& f, Sink& sink, Scan& s) {
  f.last_line = f.line;
  const int st = next_record(s);
  f.last_start = f.rec_start;
  if (st != 0) return fail_at(s, st, 0, nullptr, 0, 0);
  return scan_list(s, sink);
}

}  // namespace

int read_list(ReadFile& f, std::span<const Item> items) {
  ListSink sink(items);
  Scan s{&f, nullptr, nullptr};
  return read_file_list(f, sink, s);
}

int read_list(std::string_view text, std::span<const Item> items) {
  ListSink sink(items);
  Scan s{nullptr, text.data(), text.data() + text.size(), text.data()};
  return scan_list(s, sink);
}

int read_one(std::string_view text, const Item& item, bool& assigned) {
  ListSink sink({&item, 1});
  Scan s{nullptr, text.data(), text.data() + text.size(), text.data()};
  const int st = scan_list(s, sink);
  assigned = sink.assigned;
  return st;
}

int read_reals(ReadFile& f, float* dest, std::size_t n) {
  RealSink sink{dest, n};
  Scan s{&f, nullptr, nullptr};
  return read_file_list(f, sink, s);
}

namespace {

// What the row's last record holds after its n items: values, when anything
// but blanks and commas comes before a slash or the record's end (a trailing
// comma adds no value).
void end_row(const Scan& s, RowMarks& row) {
  const char* p = s.p;
  while (p < s.e && (is_blank(*p) || *p == ',')) ++p;
  row.more = p < s.e && *p != '/';
  row.rest = std::string_view(s.p, static_cast<std::size_t>(s.e - s.p));
}

}  // namespace

int read_reals(ReadFile& f, float* dest, std::size_t n, RowMarks& row) {
  RealSink sink{dest, n, &row};
  Scan s{&f, nullptr, nullptr};
  if (const int st = read_file_list(f, sink, s)) return st;
  end_row(s, row);
  return 0;
}

int read_reals(std::string_view rec, float* dest, std::size_t n, RowMarks& row) {
  RealSink sink{dest, n, &row};
  Scan s{nullptr, rec.data(), rec.data() + rec.size(), rec.data()};
  if (const int st = scan_list(s, sink)) return st;
  end_row(s, row);
  return 0;
}

std::size_t count_values(std::string_view text) {
  // A plain loop over the characters, not the scan of a request: the rest
  // of a row may be megabytes long. The text follows a value, so a comma
  // right at its start only separates.
  std::size_t count = 0;
  bool separator_seen = false;
  const char* p = text.data();
  const char* e = p + text.size();
  while (p < e) {
    const char c = *p;
    if (is_blank(c)) {
      ++p;
    } else if (c == ',') {
      if (separator_seen) ++count;  // a null value
      separator_seen = true;
      ++p;
    } else if (c == '/') {
      break;
    } else {
      // A value: quoted, or up to the next separator; "r*v" and "r*" count r.
      const char* start = p;
      if (is_quote(c)) {
        const void* close = std::memchr(p + 1, c, static_cast<std::size_t>(e - p - 1));
        p = close ? static_cast<const char*>(close) + 1 : e;
      }
      while (p < e && !ends_token(*p)) ++p;
      const std::string_view token(start, static_cast<std::size_t>(p - start));
      const std::size_t star = token.find('*');
      std::int32_t repeat = 0;
      const bool counted = star != std::string_view::npos && star > 0 &&
                           convert_integer(token.substr(0, star), repeat) == 0 && repeat > 0;
      count += counted ? static_cast<std::size_t>(repeat) : 1;
      separator_seen = false;
    }
  }
  return count;
}

bool locate_item(ReadFile& f, std::size_t n, std::size_t item, std::int64_t& line,
                 std::size_t& column, const RowMarks* row) {
  step_back(f);
  LocateSink sink{n, item, row ? row->text_nulls : nullptr, row && row->trailing_nulls};
  Scan s{&f, nullptr, nullptr};
  read_file_list(f, sink, s);
  line = sink.line;
  column = sink.column;
  return sink.found;
}

bool locate_item(std::string_view rec, std::size_t n, std::size_t item, std::size_t& column,
                 const RowMarks* row) {
  LocateSink sink{n, item, row ? row->text_nulls : nullptr, row && row->trailing_nulls};
  Scan s{nullptr, rec.data(), rec.data() + rec.size(), rec.data()};
  scan_list(s, sink);
  column = sink.column;
  return sink.found;
}

}  // namespace kivo
