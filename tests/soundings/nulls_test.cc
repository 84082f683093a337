// Null values: a sounding that holds one of the null line's markers in a
// used column (x, y, height, line or data) is read and counted but left out,
// so that a survey converts as the same survey with those rows deleted.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::read_file;
using test::RunResult;
using test::TempDir;

struct Converted {
  RunResult result;
  std::string obs;
};

Converted convert(const std::string& kivo_in, const std::string& data) {
  TempDir dir;
  test::set_up(dir, kivo_in, data);
  Converted r{test::run_in_process(dir.path()), {}};
  if (test::file_exists(dir.file("out.obs"))) r.obs = read_file(dir.file("out.obs"));
  return r;
}

// x, y, the height, an ignored column and an in-phase/quadrature pair.
const std::string kColumns =
    "6\nx\ny\nz m\nignore\n900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\nal\n";

std::string params(const std::string& null_line) {
  return "data.txt\nout.obs\n" + kColumns + null_line + "\n";
}

// What is null, and what is not: each case converts three rows, the second
// of which holds the value under test in the column under test.
TEST(Nulls, WhatIsNull) {
  struct Case {
    const char* why;
    const char* null_line;
    const char* row;  // the second row
    int left_out;
  };
  const Case cases[] = {
      {"the marker's single value: -9999.00 is -9999", "null -9999", "2 2 30 4 -9999.00 6", 1},
      {"in x", "null -9999", "-9999 2 30 4 5 6", 1},
      {"in y, as -9999.0", "null -9999", "2 -9999.0 30 4 5 6", 1},
      {"in the height", "null -999", "2 2 -999 4 5 6", 1},
      {"in the partner of a pair", "null -9999", "2 2 30 4 5 -9999", 1},
      {"in an ignored column it leaves nothing out", "null -9999", "2 2 30 -9999 5 6", 0},
      {"a text marker, exactly", "null *", "2 2 30 4 * 6", 1},
      {"a text marker in an ignored column is no read error", "null *", "2 2 30 * 5 6", 0},
      {"the second text marker", "null * NA", "2 2 30 4 5 NA", 1},
      {"a NaN marker takes every NaN", "null NaN", "2 2 30 4 -nan 6", 1},
      {"an empty field under a null line", "null -9999", "2,2,30,4,,6", 1},
      {"a bare repeat count under a null line", "null -9999", "2 2 30 4 2*", 1},
      {"a row ended by a slash under a null line", "null -9999", "2 2 30 4 / 6", 1},
      {"the slash after the last value leaves nothing", "null -9999", "2 2 30 4 5 6 / 9", 0},
      {"an empty ignored field", "null -9999", "2,2,30,,5,6", 0},
      // A CSV row without its last value: the record ends in an empty
      // field rather than running on into the next row.
      {"an empty last field", "null -9999", "2,2,30,4,5,", 1},
      {"two empty last fields", "null -9999", "2,2,30,4,,", 1},
      {"near a marker is no marker", "null -9999", "2 2 30 4 -9999.1 6", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Converted r =
        convert(params(c.null_line), std::string("1 1 30 4 5 6\n") + c.row + "\n3 3 30 4 5 6\n");
    ASSERT_EQ(r.result.status, 0) << r.result.console;
    const std::string left = c.left_out == 0 ? ""
                                             : " " + std::to_string(c.left_out) +
                                                   " sounding left out for null values.\n";
    EXPECT_EQ(r.result.console.substr(r.result.console.find(test::kWritingOut)),
              test::kWritingOut + "\n" + left + "Done.\n");
    EXPECT_EQ(r.obs.substr(0, 7), "    " + std::to_string(3 - c.left_out) + "\r\n");
  }
}

// Without a null line a "*" stops the run, as it always has; with one that
// does not name it exactly, too.
TEST(Nulls, AnUnnamedTextStillStops) {
  for (const std::string null_line : {"", "null -9999", "null **"}) {
    const Converted r = convert(params(null_line), "1 1 30 4 5 6\n2 2 30 4 * 6\n");
    EXPECT_EQ(r.result.status, 1);
    EXPECT_NE(r.result.console.find("Stop: error reading data for sounding 2"), std::string::npos);
  }
}

TEST(Nulls, EverySoundingLeftOutStopsAndWritesNothing) {
  const Converted r = convert(params("null -9999 *"), "1 1 30 4 * 6\n2 2 30 4 5 -9999\n");
  EXPECT_EQ(r.result.status, 1);
  EXPECT_EQ(r.result.console,
            test::shown({test::kReadingParams, test::kReadingData, test::found(2),
                         test::kNoThinning, test::kWritingOut,
                         test::stop("every sounding holds a null value: nothing to write to "
                                    "\"out.obs\"")}));
  EXPECT_EQ(r.obs, "");
  EXPECT_NE(r.result.errors.find("kivo.in:11:1: null line: "), std::string::npos)
      << r.result.errors;
}

// --- The proof: left out is deleted ------------------------------------------

// A survey of flight lines in which some rows hold a null in one role. The
// same survey with those rows deleted is the reference.
struct Survey {
  std::string with_nulls;
  std::string deleted;
};

// Columns: [line], x, y, z, ignored, i, q, unpaired i (7200 Hz).
std::string survey_params(bool line_column, const std::string& averaging,
                          const std::string& null_line) {
  return std::string("data.txt\nout.obs\n") + (line_column ? "8\nline\n" : "7\n") +
         "x\ny\nz m\nignore\n900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\n"
         "7200 z 1 z m 6.5 0 1 i 2 1\n" +
         averaging + "\n" + null_line + "\n";
}

Survey make_survey(bool line_column, std::uint32_t seed) {
  std::uint32_t state = seed;
  const auto next = [&state](std::uint32_t n) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % n;
  };
  // The null forms and where they stand: role 0 is the line column.
  const char* forms[] = {"-9999", "-9999.0", "*", "nan", "", "NA"};
  Survey s;
  const int nlines = 5;
  for (int line = 0; line < nlines; ++line) {
    if (!line_column) {
      const std::string rec = "Line " + std::to_string(1000 + line) + "\n";
      s.with_nulls += rec;
      s.deleted += rec;
    }
    const int length = 3 + static_cast<int>(next(12));
    for (int k = 0; k < length; ++k) {
      std::vector<std::string> v;
      if (line_column) v.push_back(std::to_string(1000 + line));
      v.push_back(std::to_string(500000 + 10 * k));
      v.push_back(std::to_string(7000000 + 100 * line));
      v.push_back(std::to_string(30 + (k * 7) % 11));
      v.push_back(std::to_string(k % 5));  // ignored
      v.push_back(std::to_string((k * 37) % 101 - 50) + ".5");
      v.push_back(std::to_string((k * 53) % 97));
      v.push_back(std::to_string((k * 29) % 89 - 40));
      std::string clean;
      for (std::size_t i = 0; i < v.size(); ++i) clean += (i ? "," : "") + v[i];
      // A null in the ignored column never leaves a row out.
      if (next(6) == 0) {
        v[line_column ? 4 : 3] = forms[next(6)];
        std::string kept;
        for (std::size_t i = 0; i < v.size(); ++i) kept += (i ? "," : "") + v[i];
        s.with_nulls += kept + "\n";
        s.deleted += clean + "\n";
        continue;
      }
      if (next(4) == 0) {
        std::size_t role = next(static_cast<std::uint32_t>(v.size()));
        if (role == (line_column ? 4u : 3u)) role = 0;
        // An empty last field would end the record: the row would take its
        // last value from the next line.
        v[role] = forms[next(role + 1 == v.size() ? 4 : 6)];
        std::string nulled;
        for (std::size_t i = 0; i < v.size(); ++i) nulled += (i ? "," : "") + v[i];
        s.with_nulls += nulled + "\n";
        continue;
      }
      s.with_nulls += clean + "\n";
      s.deleted += clean + "\n";
    }
  }
  return s;
}

TEST(Nulls, LeftOutIsDeleted) {
  for (const std::string averaging : {"al", "av 1", "av 2", "de 3"}) {
    for (const bool line_column : {false, true}) {
      for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(averaging + (line_column ? ", line column, seed " : ", line records, seed ") +
                     std::to_string(seed));
        const Survey s = make_survey(line_column, seed);
        const Converted with =
            convert(survey_params(line_column, averaging, "null -9999 * NA NaN"), s.with_nulls);
        const Converted without = convert(survey_params(line_column, averaging, ""), s.deleted);
        ASSERT_EQ(with.result.status, 0) << with.result.console << with.result.errors;
        ASSERT_EQ(without.result.status, 0) << without.result.console;
        EXPECT_NE(with.result.console.find("left out for null values."), std::string::npos);
        EXPECT_TRUE(with.obs == without.obs) << with.obs.substr(0, 7) << without.obs.substr(0, 7);
      }
    }
  }
}

}  // namespace
}  // namespace kivo
