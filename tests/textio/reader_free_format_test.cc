// The free-format read: blanks, separators and null values, the slash, repeat
// counts, quoted values and values spread over records.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"
#include "textio/reader.h"

namespace kivo {
namespace {

constexpr std::int32_t kIntMark = -777;
constexpr float kRealMark = -777.0f;

// The items of one request, described as "i r c5" (integer, real, character
// of length 5), each holding a mark until a value reaches it.
struct List {
  std::vector<std::int32_t> ints;
  std::vector<float> reals;
  std::vector<std::string> chars;
  std::vector<Item> items;

  explicit List(const std::string& kinds) {
    std::vector<std::string> ks;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      if (kinds[i] == ' ') continue;
      const std::size_t j = kinds.find(' ', i);
      ks.push_back(kinds.substr(i, j - i));
      if (j == std::string::npos) break;
      i = j;
    }
    ints.reserve(ks.size());
    reals.reserve(ks.size());
    chars.reserve(ks.size());
    for (const auto& k : ks) {
      if (k == "i") {
        items.push_back(int_item(ints.emplace_back(kIntMark)));
      } else if (k == "r") {
        items.push_back(real_item(reals.emplace_back(kRealMark)));
      } else {
        std::string& c = chars.emplace_back(std::stoul(k.substr(1)), '#');
        items.push_back(char_item(c.data(), c.size()));
      }
    }
  }

  // Each item's value, "~" while it still holds its mark.
  std::vector<std::string> shown() const {
    std::vector<std::string> out;
    for (const Item& it : items) {
      if (it.kind == ItemKind::integer) {
        const auto v = *static_cast<const std::int32_t*>(it.dest);
        out.push_back(v == kIntMark ? "~" : std::to_string(v));
      } else if (it.kind == ItemKind::real) {
        const float v = *static_cast<const float*>(it.dest);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
        out.push_back(std::memcmp(&v, &kRealMark, sizeof v) == 0 ? "~" : buf);
      } else {
        const std::string s(static_cast<const char*>(it.dest), it.length);
        out.push_back(s == std::string(it.length, '#') ? "~" : s);
      }
    }
    return out;
  }
};

struct TextCase {
  std::string text;
  std::string kinds;
  int status;
  std::vector<std::string> values;
};

TEST(ReaderFreeFormat, TextInMemory) {
  using namespace read_status;
  const TextCase cases[] = {
      // blanks, tabs, separators and null values
      {"12 3.5,7", "i r i", 0, {"12", "3.5", "7"}},
      {"12,,7", "i i i", 0, {"12", "~", "7"}},
      {",5", "i i", 0, {"~", "5"}},
      {" \t, \t5", "i i", 0, {"~", "5"}},
      {"1 , , 2", "i i i", 0, {"1", "~", "2"}},
      {",,,", "i i i", 0, {"~", "~", "~"}},
      {"\t1\t2\t", "i i", 0, {"1", "2"}},
      {"1,2,3 4", "i i", 0, {"1", "2"}},
      // the slash and the end of the only record
      {"1 2 / 3", "i i i", 0, {"1", "2", "~"}},
      {"1/2", "i i", 0, {"1", "~"}},
      {"/", "i", 0, {"~"}},
      {"   ", "i", -1, {"~"}},
      {"", "r", -1, {"~"}},
      {"1 2", "i i i", -1, {"1", "2", "~"}},
      {"x", "i", bad_integer, {"~"}},
      {"1 x 3", "i i i", bad_integer, {"1", "~", "~"}},
      // repeat counts
      {"3*2.5 7", "r r r r", 0, {"2.5", "2.5", "2.5", "7"}},
      {"2* 7", "i i i", 0, {"~", "~", "7"}},
      {"2*,7", "i i i", 0, {"~", "~", "7"}},
      {"2*", "i i", 0, {"~", "~"}},
      {"2*/ 7", "i i i", 0, {"~", "~", "~"}},
      {"3*5", "i i", 0, {"5", "5"}},
      {"+2*5", "i i", 0, {"5", "5"}},
      {"2*5", "i i i", -1, {"5", "5", "~"}},
      {"2*5", "i r", 0, {"5", "5"}},
      {"0*5", "i", bad_repeat, {"~"}},
      {"*5", "r", bad_repeat, {"~"}},
      {"-2*5", "i", bad_repeat, {"~"}},
      {"1.5*2", "r", bad_repeat, {"~"}},
      {"99999999999*2", "r", bad_repeat, {"~"}},
      {"2*x", "i", bad_integer, {"~"}},
      {"2*3*4", "r", bad_real, {"~"}},
      {"2*'a'", "i", quote_for_number, {"~"}},
      {"2*(1", "r", quote_for_number, {"~"}},
      {"2*abc", "c3 c3", 0, {"abc", "abc"}},
      {"2*ab", "c3 i", bad_integer, {"ab ", "~"}},
      {"2*'a b'", "c3 c3", 0, {"a b", "a b"}},
      {"2* x", "c1 c1 c1", 0, {"~", "~", "x"}},
      {"ab*c", "c4", 0, {"ab*c"}},
      {"*ab", "c3", 0, {"*ab"}},
      {"0*ab", "c4", 0, {"0*ab"}},
      {"+2*ab", "c5", 0, {"+2*ab"}},
      // character values, quoted and unquoted
      {"data/run1.txt", "c20", 0, {"data                "}},
      {"my file.txt", "c11", 0, {"my         "}},
      {"'data/run1.txt'", "c13", 0, {"data/run1.txt"}},
      {"\"my file.txt\"", "c11", 0, {"my file.txt"}},
      {"'it''s'", "c5", 0, {"it's "}},
      {"\"say \"\"hi\"\"\"", "c8", 0, {"say \"hi\""}},
      {"'a,b' \"c'd\"", "c3 c3", 0, {"a,b", "c'd"}},
      {"''", "c2", 0, {"  "}},
      {"'x'y", "c1 c1", 0, {"x", "y"}},
      {"'abc", "c3", -1, {"~"}},
      {"AbCdEf", "c3", 0, {"AbC"}},
      {"(a", "c2", 0, {"(a"}},
      {"'1'", "i", quote_for_number, {"~"}},
      {"\"1\"", "r", quote_for_number, {"~"}},
      {"(1,2)", "r r", quote_for_number, {"~", "~"}},
      {"1'2", "i", bad_integer, {"~"}},
  };
  for (const auto& c : cases) {
    List l(c.kinds);
    EXPECT_EQ(read_list(c.text, l.items), c.status) << c.text;
    EXPECT_EQ(l.shown(), c.values) << c.text;
  }
}

TEST(ReaderFreeFormat, ReadOneTellsWhetherAssigned) {
  struct Case {
    std::string text;
    int status;
    bool assigned;
  };
  const Case cases[] = {
      {"5", 0, true},   {",", 0, false}, {"/", 0, false},
      {"2*", 0, false}, {"", -1, false}, {"x", read_status::bad_integer, false},
      {"2*7", 0, true},
  };
  for (const auto& c : cases) {
    std::int32_t v = 0;
    bool assigned = !c.assigned;
    EXPECT_EQ(read_one(c.text, int_item(v), assigned), c.status) << c.text;
    EXPECT_EQ(assigned, c.assigned) << c.text;
  }
}

struct FileCase {
  std::string data;
  std::vector<std::string> requests;  // the kinds of each request, in turn
  std::vector<int> statuses;
  std::vector<std::vector<std::string>> values;
};

TEST(ReaderFreeFormat, FileRequestsOverRecords) {
  const std::string cut = std::string(998, ' ') + "12\n7\n";  // the 2 lies past 999
  const FileCase cases[] = {
      {"1\n\n  \n2\n", {"i i", "i"}, {0, -1}, {{"1", "2"}, {"~"}}},
      {"1 2 3\n4\n", {"i", "i"}, {0, 0}, {{"1"}, {"4"}}},
      {"1\n2 3\n", {"i i i"}, {0}, {{"1", "2", "3"}}},
      {"1 2\n", {"i i i"}, {-1}, {{"1", "2", "~"}}},
      {"1 / 2\n3\n", {"i i", "i"}, {0, 0}, {{"1", "~"}, {"3"}}},
      {"5,\n,6\n", {"i i i"}, {0}, {{"5", "~", "6"}}},
      {"2*\n7\n", {"i i i"}, {0}, {{"~", "~", "7"}}},
      {"'ab\ncd' x\ny\n", {"c6", "c1"}, {0, 0}, {{"abcd  "}, {"y"}}},
      {"'ab\r\n''cd'\n", {"c6"}, {0}, {{"ab'cd "}}},
      {"'ab\n", {"c4"}, {-1}, {{"~"}}},
      {"1\r2\n3\n", {"i", "i"}, {0, 0}, {{"1"}, {"3"}}},
      {"1 2\r\n3\r\n", {"i", "i"}, {0, 0}, {{"1"}, {"3"}}},
      {"x\n4\n", {"i", "i"}, {read_status::bad_integer, 0}, {{"~"}, {"4"}}},
      {cut, {"i", "i"}, {0, 0}, {{"1"}, {"7"}}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    for (std::size_t block : {std::size_t{1}, std::size_t{4}, ReadFile::default_block}) {
      test::write_file(dir.file("f"), c.data);
      ReadFile f;
      ASSERT_EQ(open_read(f, dir.file("f"), c.data == cut ? 999 : 0, block), 0);
      for (std::size_t r = 0; r < c.requests.size(); ++r) {
        List l(c.requests[r]);
        EXPECT_EQ(read_list(f, l.items), c.statuses[r]) << c.data << " request " << r;
        EXPECT_EQ(l.shown(), c.values[r]) << c.data << " request " << r << " block " << block;
      }
    }
  }
}

}  // namespace
}  // namespace kivo

// The values left on a row after its last one, for the note on rows wider
// than "kivo.in": counted by the free-format rules, without a request.
namespace kivo {
namespace {

TEST(CountValues, TheRestOfARow) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},
      {"   \t ", 0},
      {" 7 8", 2},
      {", 7", 1},      // the comma after the row's last value only separates
      {",", 0},        // a trailing comma adds no value
      {"7,,8", 3},     // a null value between two commas counts
      {"3*1 2", 4},    // a repeat count
      {"2* x", 3},     // r* alone: r null values
      {"*x 1", 2},     // not a repeat count: one value
      {"'a b' c", 2},  // quotes group
      {"1 / 2 3", 1},  // a slash ends the row
      {"x garbage \xff", 3},
  };
  for (const auto& [text, n] : cases) EXPECT_EQ(count_values(text), n) << '"' << text << '"';
}

}  // namespace
}  // namespace kivo
