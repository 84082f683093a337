// The fast paths of the reader and of the general real field against the
// plain ones, on generated survey rows: a row of reals read by read_reals
// must give what the general read_list gives, bit for bit and status for
// status; the first character seen by peek_char must be the one that
// read_char_field reads; every value read must render through put_general
// exactly as through the to_chars routine and the exact reference.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/exact_reference.h"
#include "tests/support/testutil.h"
#include "textio/reader.h"
#include "textio/writer.h"

namespace kivo {
namespace {

using test::TempDir;
using test::write_file;

constexpr std::size_t kColumns = 9;

struct Lcg {
  std::uint64_t state;
  std::uint32_t next() {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 33);
  }
  std::uint32_t below(std::uint32_t n) { return next() % n; }
};

// a followed by b (built by appending: GCC 12 warns wrongly on some
// concatenations of a literal and a string).
std::string join(std::string a, const std::string& b) {
  a += b;
  return a;
}

// Tokens of the kinds a data row holds, and the ones beside them that leave
// the fast path: long digit strings, exponents of other letters, repeat
// counts, values at the edges of the range.
std::string token(Lcg& r) {
  const std::uint32_t cents = r.next() % 100000000;
  const std::string plain =
      std::to_string(cents / 100) + "." + std::to_string(100 + cents % 100).substr(1);
  switch (r.below(24)) {
    case 0:
      return join("-", plain);
    case 1:
      return join("+", plain);
    case 2:
      return join(".", std::to_string(cents % 1000));
    case 3:
      return std::to_string(cents) + ".";
    case 4:
      return "1234567.891234";  // 13 digits: past the 9-digit shortcut
    case 5:
      return "0.000000001234567891";  // leading zeros do not count
    case 6:
      return "123456789012345";  // more than 10 significant digits
    case 7:
      return plain + "e" + std::to_string(r.below(30));
    case 8:
      return plain + "E-" + std::to_string(r.below(30));
    case 9:
      return plain + "d2";
    case 10:
      return join("2*", plain);
    case 11:
      return "1e39";  // overflow
    case 12:
      return "1e-50";  // underflow
    case 13:
      return "12345";
    case 14:
      return "1.2.3";  // not a number
    case 15:
      return "0.00";
    default:
      return plain;
  }
}

std::string separator(Lcg& r) {
  switch (r.below(12)) {
    case 0:
      return "\t";
    case 1:
      return ",";
    case 2:
      return " , ";
    case 3:
      return std::string(1 + r.below(20), ' ');  // a long run of blanks
    default:
      return std::string(1 + r.below(6), ' ');
  }
}

// Rows of kColumns values with comment records, empty records and CR LF ends
// among them; some rows hold values the reader refuses.
std::string generated_rows(std::uint64_t seed, int rows) {
  Lcg r{seed};
  std::string s = "/ survey head\n";
  for (int i = 0; i < rows; ++i) {
    const std::uint32_t kind = r.below(40);
    if (kind == 0) {
      s += "/ comment " + std::to_string(i) + "\n";
      continue;
    }
    if (kind == 1) {
      s += "\n";
      continue;
    }
    std::string row = std::string(r.below(3), ' ');
    for (std::size_t j = 0; j < kColumns; ++j) {
      if (j > 0) row += separator(r);
      row += token(r);
    }
    if (kind == 2) row += " / trailing comment";
    s += row + (kind == 3 ? "\r\n" : "\n");
  }
  return s;
}

std::uint32_t bits(float v) {
  return std::bit_cast<std::uint32_t>(v);
}

TEST(Identity, RowsReadByReadRealsAsByReadList) {
  for (const std::uint64_t seed : {1u, 2u, 3u}) {
    TempDir dir;
    const std::string name = dir.file("rows.dat");
    write_file(name, generated_rows(seed, 3000));
    // Small blocks put block ends inside tokens and records.
    for (const std::size_t block : {std::size_t{97}, ReadFile::default_block}) {
      ReadFile fast, plain;
      ASSERT_EQ(open_read(fast, name, 0, block), 0);
      ASSERT_EQ(open_read(plain, name, 0, block), 0);
      for (int row = 0;; ++row) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", block " + std::to_string(block) +
                     ", request " + std::to_string(row));
        float got[kColumns], want[kColumns];
        for (std::size_t j = 0; j < kColumns; ++j) got[j] = want[j] = -7.0f;
        std::vector<Item> items;
        for (float& v : want) items.push_back(real_item(v));
        const int st_fast = read_reals(fast, got, kColumns);
        const int st_plain = read_list(plain, items);
        ASSERT_EQ(st_fast, st_plain);
        if (st_plain < 0) break;
        if (st_plain > 0) continue;  // the next request starts at the next record
        for (std::size_t j = 0; j < kColumns; ++j) EXPECT_EQ(bits(got[j]), bits(want[j])) << j;
      }
    }
  }
}

TEST(Identity, PeekSeesWhatReadCharFieldReads) {
  TempDir dir;
  const std::string name = dir.file("rows.dat");
  write_file(name, generated_rows(7, 2000) + "last line without an end");
  for (const std::size_t block : {std::size_t{1}, std::size_t{13}, ReadFile::default_block}) {
    ReadFile peeked, read;
    ASSERT_EQ(open_read(peeked, name, 0, block), 0);
    ASSERT_EQ(open_read(read, name, 0, block), 0);
    for (int rec = 0;; ++rec) {
      char seen = '?', first = '?';
      const int st_peek = peek_char(peeked, seen);
      // Peeking twice moves nothing.
      char again = '?';
      ASSERT_EQ(peek_char(peeked, again), st_peek);
      const int st_read = read_char_field(read, &first, 1);
      ASSERT_EQ(st_peek, st_read) << rec;
      if (st_read != 0) break;
      ASSERT_EQ(seen, first) << rec;
      ASSERT_EQ(again, first) << rec;
      // The peeked record is read whole by the next request.
      std::string_view a, b;
      step_back(read);
      ASSERT_EQ(next_record(peeked, std::string_view::npos, a), 0);
      ASSERT_EQ(next_record(read, std::string_view::npos, b), 0);
      ASSERT_EQ(a, b) << rec;
    }
  }
}

// x and y in 17.9, heights in 13.5, data and uncertainties in 15.7.
TEST(Identity, EveryValueReadRendersAsTheExactReference) {
  TempDir dir;
  const std::string name = dir.file("rows.dat");
  write_file(name, generated_rows(11, 4000));
  ReadFile f;
  ASSERT_EQ(open_read(f, name), 0);
  struct Size {
    int w, d;
  };
  const Size sizes[] = {{13, 5}, {15, 7}, {17, 9}};
  int checked = 0;
  for (;;) {
    float v[kColumns] = {};
    const int st = read_reals(f, v, kColumns);
    if (st < 0) break;
    if (st > 0) continue;
    for (float x : v) {
      // The value, its negation and a percentage of it, as uncertainties are.
      for (const float y : {x, -x, 0.05f * x}) {
        for (const Size& s : sizes) {
          char fast[32], plain[32];
          const std::string a(fast, put_general(fast, s.w, s.d, y));
          const std::string b(plain, detail::put_general_tochars(plain, s.w, s.d, y));
          ASSERT_EQ(a, b) << bits(y) << " " << s.w << "." << s.d;
          ASSERT_EQ(a, test::reference_general(s.w, s.d, y)) << bits(y);
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 100000);
}

}  // namespace
}  // namespace kivo
