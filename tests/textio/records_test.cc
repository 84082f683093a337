// The kinds of record of a data file, told from their text, and the counting
// pass over them: which records are soundings and which begin a flight line.
#include <gtest/gtest.h>

#include <string>

#include "os/os.h"
#include "tests/support/testutil.h"
#include "textio/records.h"

namespace kivo {
namespace {

const char* kind_name(RecordKind k) {
  switch (k) {
    case RecordKind::comment:
      return "comment";
    case RecordKind::header:
      return "header";
    case RecordKind::line:
      return "line";
    case RecordKind::row:
      return "row";
  }
  return "?";
}

TEST(Records, KindsAndTheirNearMisses) {
  struct Case {
    const char* rec;
    bool first;  // the first record that is not a comment
    RecordKind kind;
  };
  using K = RecordKind;
  const Case cases[] = {
      {"/ X Y ALT", true, K::comment},
      {"# line, x, y", true, K::comment},
      {" # blank first: a row", false, K::row},
      {"//FLIGHT 3", false, K::comment},
      {"Line fid Easting Northing", true, K::header},  // not "Line" and one name
      {"line,x,y,alt,p1,q1,", true, K::header},        // a comma at the end adds no word
      {"E5 q1 D2 _t", true, K::header},                // names, though E5 reads as a number
      {"\"X\" 'Y'", true, K::header},
      {"X Y 110Hz_I 880HzQ 1st 2x", true, K::header},  // a letter and no number: names
      {"x 1e5", true, K::row},
      {"x 2.5D-3", true, K::row},
      {"x -nan", true, K::row},
      {"x 380Q", true, K::row},  // 380Q reads as 380 (Q begins an exponent)
      {"x 12-", true, K::row},   // no letter
      {"x y 1", true, K::row},
      {"x,,y", true, K::row},  // an empty word is no name
      {"NaN Inf", true, K::row},
      {"x infinity", true, K::row},
      {"", true, K::row},
      {"x y z", false, K::row},  // a later line of names is a row
      {"Line 10010", false, K::line},
      {"TIE 19010", false, K::line},
      {"  line\tL100.2", false, K::line},
      {"Line,7", false, K::line},
      {"Line 5,", false, K::line},
      {"Line L1", true, K::line},  // both a line record and a header: a line record
      {"Line", false, K::row},
      {"Line", true, K::header},
      {"Line 3 4", false, K::row},
      {"Line,,5", false, K::row},  // an empty word in between
      {"Lines 5", false, K::row},
      {"Tie", false, K::row},
      {"10010 Line", false, K::row},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(kind_name(record_kind(c.rec, c.first)), kind_name(c.kind))
        << "\"" << c.rec << "\"" << (c.first ? " first" : "");
  }
}

TEST(Records, CountingPassesOverAllButRows) {
  struct Case {
    std::string data;
    std::int64_t rows;
  };
  const Case cases[] = {
      {"", 0},
      {"1 2\n\n3 4", 3},  // an empty line is a row
      {"# a\n/ b\nx y\n1 2\n", 1},
      {"\nx y\n1 2\n", 3},  // after an empty row, names are a row
      {"Line 1\n1 2\nLine 2\nLine 3\n3 4\nLine 4\n", 2},
      {"/ x y\nLine 1\nx y\n1 2\n", 1},                       // names right after a line record
      {"x y\nLine 1\n/ c\nx y\n1 2\nLine 2\nx y\n3 4\n", 2},  // repeated per line
      {"Line 1\n1 2\nx y\n", 2},                              // names after a row are a row
      {"1 2\r\nLine 3 4\r\n", 2},
      {"\r\nx y\r\n", 2},                           // an empty first row
      {"  Line 1\r\n  x\ty\n1 2\n", 1},             // blanks before the words
      {"1 2\n# c\nLine 9\n# c\n  a b\n5 6", 2},     // comments between
      {"Tie T1\nLine L2\nq i\nLine 3\n1\n2\n", 2},  // line records in a row
      {"x y\rLine 1\n1 2\n", 1},                    // a CR ends the header
  };
  test::TempDir dir;
  for (const Case& c : cases) {
    test::write_file(dir.file("f"), c.data);
    for (std::size_t block : {std::size_t{1}, std::size_t{3}, ReadFile::default_block}) {
      ReadFile f;
      ASSERT_EQ(open_read(f, dir.file("f"), 0, block), 0);
      RecordCount count;
      ASSERT_EQ(count_rows(f, count), 0);
      EXPECT_EQ(count.rows, c.rows) << c.data;
    }
    // Counted in two or three stretches that end at every byte, added up in
    // order: the same rows.
    os::Handle h = os::kNoHandle;
    ASSERT_EQ(os::open_read(dir.file("f"), h), os::OpenStatus::ok);
    const auto size = static_cast<std::int64_t>(c.data.size());
    for (std::int64_t cut = 0; cut <= size; ++cut) {
      for (const std::int64_t second : {cut, (cut + size + 1) / 2}) {
        const std::int64_t ends[] = {cut, second, INT64_MAX};
        std::int64_t rows = 0;
        bool after_line = true;
        std::int64_t begin = 0;
        for (const std::int64_t end : ends) {
          StretchCount stretch;
          ASSERT_EQ(count_stretch(h, begin, end, stretch), 0);
          add_stretch(stretch, rows, after_line);
          begin = end;
        }
        EXPECT_EQ(rows, c.rows) << c.data << " cut at " << cut << " and " << second;
      }
    }
    os::close(h);
  }
}

}  // namespace
}  // namespace kivo
