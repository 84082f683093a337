// The null line after the averaging line: which records are one, the markers
// they give (numeric by their single-precision value, text exactly), and the
// stop of a null line without markers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "params/params.h"
#include "textio/stop.h"

namespace kivo {
namespace {

struct Case {
  const char* record;
  bool null_line;                  // false: a comment
  std::vector<float> values;       // numeric markers
  std::vector<std::string> typed;  // as written
  bool nan;
  std::vector<std::string> texts;  // text markers
  std::size_t column;              // where the word "null" stands
};

TEST(NullLine, RecordsAfterTheAveragingLine) {
  const Case cases[] = {
      {"null -9999", true, {-9999.0f}, {"-9999"}, false, {}, 1},
      // Case folded, "nulls", leading tabs and blanks, a comma after the word.
      {" \tNULLS,-999.0", true, {-999.0f}, {"-999.0"}, false, {}, 3},
      // Words as in a header line: blanks, tabs or commas, quotes group.
      {"Null -99999\tNaN, '*' \"N A\"", true, {-99999.0f}, {"-99999"}, true, {"*", "N A"}, 1},
      // Numbers under the data file's rules: 1e30, a D exponent, +Inf.
      {"null 1e30 2.5D1 +inf",
       true,
       {1e30f, 25.0f, INFINITY},
       {"1e30", "2.5D1", "+inf"},
       false,
       {},
       1},
      // Past the single range, or not a number at all: a text marker.
      {"null 1e40 -- NA", true, {}, {}, false, {"1e40", "--", "NA"}, 1},
      // Near misses: comments, as any record there was before.
      {"nullx -9999", false, {}, {}, false, {}, 0},
      {"nul -9999", false, {}, {}, false, {}, 0},
      {"null-9999", false, {}, {}, false, {}, 0},
      {"/ null -9999", false, {}, {}, false, {}, 0},
      {"", false, {}, {}, false, {}, 0},
      {"Run with kivo after the ? are filled in", false, {}, {}, false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    Params p;
    read_null_line(c.record, 12, p);
    EXPECT_EQ(p.nulls.any(), c.null_line);
    EXPECT_EQ(p.nulls.values, c.values);
    EXPECT_EQ(p.nulls.typed, c.typed);
    EXPECT_EQ(p.nulls.nan, c.nan);
    EXPECT_EQ(p.nulls.texts, c.texts);
    EXPECT_EQ(p.null_place.line, c.null_line ? 12 : 0);
    EXPECT_EQ(p.null_place.column, c.column);
  }
}

TEST(NullLine, NoMarkerStops) {
  for (const std::string record : {"null", "  nulls   ", "NULL,", "null , ,"}) {
    SCOPED_TRACE(record);
    Params p;
    try {
      read_null_line(record, 9, p);
      ADD_FAILURE() << "no stop";
    } catch (const Stop& s) {
      EXPECT_EQ(s.message, "no null values on the null line of \"kivo.in\"");
      EXPECT_EQ(s.where.substr(0, 10), "kivo.in:9:");
    }
  }
}

}  // namespace
}  // namespace kivo
