// The lines on standard error: where in which file a stop comes from, and
// the notes on values that convert but are likely wrong. Standard output and
// the exit status are those of the same run without these lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "soundings/soundings.h"
#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::read_file;
using test::RunResult;
using test::TempDir;

// Five columns: x, y, the height and one in-phase/quadrature pair.
const std::string kPairI = "900 z 1 z m 6.5 0 1 i 5 0.5";
const std::string kPairQ = "900 z 1 z m 6.5 0 1 q 5 0.5";
const std::string kColumns = "5\nx\ny\nz m\n" + kPairI + "\n" + kPairQ + "\n";
const std::string kParams = "data.txt\nout.obs\n" + kColumns + "al\n";
const std::string kRow = "1 2 3 4 5\n";

RunResult run(const std::string& kivo_in, const std::string& data) {
  TempDir dir;
  test::set_up(dir, kivo_in, data);
  return test::run_in_process(dir.path());
}

struct Case {
  const char* why;  // the kind of fault, and what makes it a trap
  std::string kivo_in;
  std::string data;
  std::string where;  // the one line on standard error
};

// Every stop that what a file holds causes is preceded by exactly one line
// that names the file, the physical line and the column of the word at
// fault. Lines count every line of the file, comments and blank lines too.
TEST(Where, EachStopOfAFileSaysWhere) {
  const std::string head = "data.txt\nout.obs\n";
  const std::string n5 = "5\nx\ny\nz m\n";
  const Case cases[] = {
      {"an empty kivo.in", "", kRow, "kivo.in:1: the file ends before the data file name"},
      {"names only after blank lines", "\n\n  \ndata.txt\n", kRow,
       "kivo.in:5: the file ends before the output file name"},
      {"a quote left open runs to the end", "'data.txt\nout.obs\n", kRow,
       "kivo.in:1:1: data file name: the quotation mark \"'\" is not closed before the end of "
       "the file"},
      {"the number of columns, after a blank line", head + "\n  abc\n", kRow,
       "kivo.in:4:3: number of columns: \"abc\" is not an integer"},
      {"a count of 0 is read and then checked", head + "0\n", kRow,
       "kivo.in:3:1: number of columns: 0 is not above 0 (one column line follows for each "
       "column)"},
      {"no count at all", head, kRow, "kivo.in:3: the file ends before the number of columns"},
      {"a word of a data line, after blanks", head + n5 + "    900 z 1 z m 7.9m 0 1 i 5 0.5\n",
       kRow, "kivo.in:7:17: column 4, word 6 (Tx-Rx x separation): \"7.9m\" is not a number"},
      {"a data line of ten words", head + n5 + "900 z 1 z m 6.5 0 1 i 5\n", kRow,
       "kivo.in:7: column 4, word 11 (threshold uncertainty): missing"},
      {"a check after the read", head + n5 + "0 z 1 z m 6.5 0 1 i 5 0.5\n", kRow,
       "kivo.in:7:1: column 4, word 1 (frequency): \"0\" is not above 0"},
      {"a letter field", head + n5 + "900 z 1 w m 6.5 0 1 i 5 0.5\n", kRow,
       "kivo.in:7:9: column 4, word 4 (receiver orientation): \"w\" is not x, y or z"},
      {"an integer field", head + n5 + "900 z 1 z m 6.5 0 1.0 i 5 0.5\n", kRow,
       "kivo.in:7:19: column 4, word 8 (normalization type): \"1.0\" is not an integer"},
      {"both uncertainties 0", head + n5 + "900 z 1 z m 6.5 0 1 i 0 0\n", kRow,
       "kivo.in:7:25: column 4, word 11 (threshold uncertainty): \"0\" is 0, and so is the "
       "percentage uncertainty: a datum needs one of them"},
      {"the height's flag", head + "5\nx\ny\nz yards\n", kRow,
       "kivo.in:6:3: column 3, word 2 (feet-or-metres flag of the height): \"yards\" is not f "
       "(feet) or m (metres)"},
      {"a second x", head + "5\nx\ny\nz m\nxx\n", kRow,
       "kivo.in:7:1: column 4: a second x-coordinate column (column 1 is one already)"},
      {"a second line column, in any case", head + "7\nline\nx\ny\nz m\nLINE_NO\n", kRow,
       "kivo.in:8:1: column 5: a second line column (column 1 is one already)"},
      {"too few column lines", head + n5, kRow,
       "kivo.in:7: column 4: the file ends before its column line (5 columns need as many "
       "column lines, then the averaging line)"},
      {"mixed case option", head + kColumns + "Av 2\n", kRow,
       "kivo.in:9:1: averaging line: \"Av\" is not al, av or de (all lower or all upper case)"},
      {"an averaging number that is not whole", head + kColumns + "av  2.5\n", kRow,
       "kivo.in:9:5: averaging line: \"2.5\" is not an integer"},
      {"no averaging number", head + kColumns + "av\n", kRow,
       "kivo.in:9:1: averaging line: no averaging number after \"av\""},
      {"a decimating number below 1", head + kColumns + "de 0\n", kRow,
       "kivo.in:9:4: averaging line: \"0\" is below 1 (de 1 keeps every sounding)"},
      {"no averaging line", head + kColumns, kRow,
       "kivo.in:9: the file ends before the averaging line (al, av or de, after the 5 column "
       "lines)"},
      {"a set check that names no column", head + "3\nignore\ny\nz m\nal\n", "1 2 3\n",
       "kivo.in: no column line is the x-coordinate (a line that begins with \"x\")"},
      {"a set check points at the later column", head + n5 + kPairI + "\n" + kPairI + "\nal\n",
       kRow,
       "kivo.in:8:1: column 5: the same frequency, geometry and flag \"i\" as column 4 (one datum "
       "given twice?)"},
      {"a pair of one component in two cases",
       head + n5 + kPairI + "\n" + "900 z 1 z m 6.5 0 1 I 5 0.5\nal\n", kRow,
       "kivo.in:8:1: column 5: its flag \"I\" and the flag \"i\" of column 4 make no "
       "in-phase/quadrature pair (one i, the other q)"},
      {"a value in the middle of a row", kParams, kRow + "1 2 3 4x 5\n",
       "data.txt:2:7: sounding 2, column 4: \"4x\" is not a number"},
      {"lines count comments, soundings do not", kParams, "/ a\n/ b\n" + kRow + "1 2 NA 4 5\n",
       "data.txt:4:5: sounding 2, column 3: \"NA\" is not a number"},
      {"a first row of names and numbers", kParams, "line 2 3 4 5\n",
       "data.txt:1:1: sounding 1, column 1: \"line\" is not a number (a line of column names? "
       "begin it with \"/\")"},
      {"a dummy value", kParams, "1 2 * 4 5\n",
       "data.txt:1:5: sounding 1, column 3: \"*\" is not a number (a dummy value? kivo needs a "
       "number in every column)"},
      {"a comment sign inside a row", kParams, "1 2 3 # 4 5\n",
       "data.txt:1:7: sounding 1, column 4: \"#\" is not a number (comment lines begin with \"/\" "
       "or \"#\" in the first column)"},
      {"a value past the 999th character", kParams, "1 2 3 4" + std::string(1000, ' ') + "five\n",
       "data.txt:1:1008: sounding 1, column 5: \"five\" is not a number"},
      {"a row that runs on into the next line", kParams, "1 2\n3 x 5\n",
       "data.txt:2:3: sounding 1, column 4: \"x\" is not a number"},
      {"a value too large, with CR LF line ends", kParams, "1 2 3 4 5\r\n1 2 3 4 1e39\r\n",
       "data.txt:2:9: sounding 2, column 5: \"1e39\" is too large for a single-precision number"},
      {"a long text is quoted to 40 characters", kParams, "1 2 3 4 " + std::string(60, 'z') + "\n",
       "data.txt:1:9: sounding 1, column 5: \"" + std::string(40, 'z') + "\" is not a number"},
      {"an empty last line", kParams, kRow + kRow + "\n",
       "data.txt:3: sounding 3: the file ends after 0 of 5 values (an empty last line?)"},
      {"a short last row", kParams, kRow + "1 2\n",
       "data.txt:2: sounding 2: the file ends after 2 of 5 values (a short last row?)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const RunResult r = run(c.kivo_in, c.data);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.errors, c.where + "\n");
    // Standard output still ends with the stop line.
    EXPECT_EQ(r.console.substr(r.console.rfind('\n', r.console.size() - 2) + 1, 6), "Stop: ")
        << r.console;
  }
}

// A stop of the file system, or one that no file's content causes, writes
// nothing to standard error.
TEST(Where, OtherStopsSayNothingMore) {
  TempDir dir;
  test::write_file(dir.file("kivo.in"), kParams);  // no data file
  const RunResult r = test::run_in_process(dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.errors, "");
}

TEST(Notes, NullMarkers) {
  struct Marker {
    float value;
    const char* text;  // null: not a marker
  };
  const Marker cases[] = {
      {-9999.0f, "-9999"},
      {9999.0f, "9999"},
      {-99999.0f, "-99999"},
      {-999999.0f, "-999999"},
      {-9999999.0f, "-9999999"},
      {-9999.99f, "-9999.99"},
      {99999.9f, "99999.9"},
      {-999999.99f, "-999999.99"},
      {-9998.0f, nullptr},
      {-9999.5f, nullptr},
      {-10000.0f, nullptr},
      {999.0f, nullptr},
      // 9999999.9 is held as 10000000, a northing that a survey may hold.
      {10000000.0f, nullptr},
      {-10000000.0f, nullptr},
  };
  for (const Marker& m : cases) {
    const char* got = null_marker(m.value);
    EXPECT_EQ(got ? std::string(got) : "(none)", m.text ? std::string(m.text) : "(none)")
        << m.value;
  }
}

// Values that convert but are likely wrong: one note per kind and column,
// with a count and the first place, once the data file has been read.
// Neither standard output nor the observations file changes.
TEST(Notes, OneNotePerKindAndColumnAtItsFirstPlace) {
  struct NoteCase {
    const char* why;
    std::string kivo_in;
    std::string data;
    std::vector<std::string> notes;
  };
  const std::string ignored_4 = "data.txt\nout.obs\n5\nx\ny\nz m\nignore\n" + kPairQ + "\nal\n";
  const NoteCase cases[] = {
      {"a marker in a data column, twice",
       kParams,
       kRow + "1 2 3 -9999 5\n1 2 3 -9999 5\n",
       {"data.txt:2:7: note: column 4 holds -9999 in 2 soundings (the first here); kivo converts "
        "it as a value (a null line \"null -9999\" leaves such soundings out)"}},
      {"a marker in the partner of a pair, and NaN in the height",
       kParams,
       "1 2 3 4 -99999.99\n1 2 nan 4 5\n",
       {"data.txt:1:9: note: column 5 holds -99999.99 in 1 sounding (here); kivo converts it as a "
        "value (a null line \"null -99999.99\" leaves such soundings out)",
        "data.txt:2:5: note: column 3 holds NaN in 1 sounding (here); kivo converts it as a "
        "value (a null line \"null NaN\" leaves such soundings out)"}},
      {"an infinity in x",
       kParams,
       "-inf 2 3 4 5\n",
       {"data.txt:1:1: note: column 1 holds -Inf in 1 sounding (here); kivo converts it as a "
        "value (a null line \"null -Inf\" leaves such soundings out)"}},
      {"markers in an ignored column are not noted", ignored_4, "1 2 3 -9999 5\n1,2,3,,5\n", {}},
      {"an empty field keeps the value before",
       kParams,
       kRow + "1,2,,4,5\n1,2,,4,5\n",
       {"data.txt:2:5: note: column 3 of sounding 2 is empty and keeps the value of the sounding "
        "before (2 soundings)"}},
      {"a slash ends a row early; a repeat count without value",
       kParams,
       "1 2 3 / 9\n2* 3 4 5\n",
       {"data.txt:1:7: note: column 4 of sounding 1 is empty and reads as 0 (1 sounding)",
        "data.txt:1:7: note: column 5 of sounding 1 is empty and reads as 0 (1 sounding)",
        "data.txt:2:1: note: column 1 of sounding 2 is empty and keeps the value of the sounding "
        "before (1 sounding)",
        "data.txt:2:1: note: column 2 of sounding 2 is empty and keeps the value of the sounding "
        "before (1 sounding)"}},
      {"rows over two lines, past a comment",
       kParams,
       kRow + "/ c\n1 2 3\n4 5\n1 2\n3 4 5\n",
       {"data.txt:3: note: sounding 2 takes its values from lines 3 to 4 (2 soundings do); 3 "
        "soundings read where 5 were counted"}},
      {"plain values near the markers", kParams, "-9998 9999.5 1e7 999 -1000\n", {}},
      {"-999 and a float dummy; with a null line, the hint says to add them",
       kParams + "null -9999\n",
       "1 2 3 -999 -1e32\n",
       {"data.txt:1:7: note: column 4 holds -999 in 1 sounding (here); kivo converts it as a value "
        "(add -999 to the null line to leave such soundings out)",
        "data.txt:1:12: note: column 5 holds -1e+32 in 1 sounding (here); kivo converts it as a "
        "value (add -1e+32 to the null line to leave such soundings out)"}},
      {"two markers in one column: a note each, with its own count",
       kParams,
       "1 2 3 -9999 5\n1 2 3 -99999 5\n1 2 3 -99999 5\n",
       {"data.txt:1:7: note: column 4 holds -9999 in 1 sounding (here); kivo converts it as a "
        "value "
        "(a null line \"null -9999\" leaves such soundings out)",
        "data.txt:2:7: note: column 4 holds -99999 in 2 soundings (the first here); kivo converts "
        "it as a value (a null line \"null -99999\" leaves such soundings out)"}},
      {"rows wider than kivo.in: a column line deleted, or a file wider on purpose",
       kParams,
       kRow + "1 2 3 4 5 6\n1 2 3 4 5 6 7\n1 2 3 4 5 /6\n1 2 3 4 5,\n",
       {"data.txt:2: note: rows hold more values than the 5 columns of \"kivo.in\" (6 here; 2 rows "
        "do): values past column 5 are not read"}},
      {"a height of 0 or below, before the sign change",
       kParams,
       "1 2 30 4 5\n1 2 0 4 5\n1 2 -3 4 5\n",
       {"data.txt:2:5: note: the height (column 3) is 0 or below in 2 soundings (the first here)"}},
      {"null values leave soundings out, one note per column and marker",
       kParams + "null -9999 *\n",
       "1 2 3 4 5\n1 2 3 -9999.0 5\n1 2 * -9999 5\n1,2,3,,5\n",
       {"data.txt:2:7: note: column 4 (null \"-9999\") left out 2 soundings (the first here)",
        "data.txt:3:5: note: column 3 (null \"*\") left out 1 sounding (here)",
        "data.txt:4:7: note: column 4 (an empty value) left out 1 sounding (here)"}},
  };
  for (const NoteCase& c : cases) {
    SCOPED_TRACE(c.why);
    const RunResult r = run(c.kivo_in, c.data);
    std::string expected;
    for (const auto& n : c.notes) expected += n + "\n";
    EXPECT_EQ(r.errors, expected);
    EXPECT_EQ(r.status, 0) << r.console;
    EXPECT_EQ(r.console.substr(r.console.size() - 6), "Done.\n");
  }
}

// A row read whole: values past the 999th character come from their own
// row, and the file is that of the same rows with the values close together.
TEST(Lines, ARowLongerThan999CharactersIsReadWhole) {
  const std::string gap(400, ' ');
  std::string spread, close;
  for (int s = 0; s < 3; ++s) {
    const std::string v = std::to_string(s);
    spread += "1" + v + gap + "2" + v + gap + "3" + v + gap + "4" + v + gap + "5" + v + "\n";
    close += "1" + v + " 2" + v + " 3" + v + " 4" + v + " 5" + v + "\n";
  }
  TempDir a, b;
  test::set_up(a, kParams, spread);
  test::set_up(b, kParams, close);
  const RunResult ra = test::run_in_process(a.path());
  const RunResult rb = test::run_in_process(b.path());
  EXPECT_EQ(ra.console, rb.console);
  EXPECT_EQ(ra.errors, "");
  EXPECT_EQ(read_file(a.file("out.obs")), read_file(b.file("out.obs")));
  EXPECT_EQ(read_file(a.file("out.obs")).substr(0, 7), "    3\r\n");
}

// An output name of 300 characters is used whole, in the file system and in
// every message (200 on Windows, whose paths end at 260 characters).
TEST(Lines, AnOutputNameOf300Characters) {
  TempDir dir;
#ifdef _WIN32
  const std::string part(90, 'n');
  const std::size_t least = 200;
#else
  const std::string part(140, 'n');
  const std::size_t least = 300;
#endif
  ASSERT_TRUE(test::make_dir(dir.file(part)));
  ASSERT_TRUE(test::make_dir(dir.file(part + "/" + part)));
  const std::string name = part + "/" + part + "/block_B_lines_1020_1030_v2026_1.obs";
  ASSERT_GE(name.size(), least);
  test::set_up(dir, "data.txt\n'" + name + "'\n" + kColumns + "al\n", kRow);
  const RunResult r = test::run_in_process(dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.console.find(" Writing data to \"" + name + "\".\n"), std::string::npos);
  EXPECT_EQ(read_file(dir.file(name)).substr(0, 7), "    1\r\n");
}

}  // namespace
}  // namespace kivo
