// One observations file per flight line: an output name with "{line}". The
// names the flight lines give, and the proof that each file is what
// converting its flight lines alone gives, while the blocks in order are
// those of the single file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "output/output.h"
#include "soundings/soundings.h"
#include "tests/support/console.h"
#include "tests/support/flight_rows.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::read_file;
using test::TempDir;

TEST(LineFiles, Names) {
  struct Case {
    const char* why;
    std::string record;  // the line record's name, or empty
    bool column;
    float value;
    std::int64_t number;
    std::string name;
  };
  const Case cases[] = {
      {"a line record", "10010", true, 7.0f, 3, "10010"},
      {"the record wins over the column", "L2", true, 5.0f, 1, "L2"},
      {"a column value, shortest", "", true, 10010.0f, 2, "10010"},
      {"a column value with a fraction", "", true, 10010.5f, 2, "10010.5"},
      // 0.1 needs 1 digit; 1e-07 comes as %g writes it.
      {"a small value", "", true, 0.1f, 2, "0.1"},
      {"%g exponent form, sanitised", "", true, 1e-7f, 2, "1e-07"},
      {"a value that needs 9 digits", "", true, 16777217.0f, 2, "16777216"},
      {"negative", "", true, -3.25f, 2, "-3.25"},
      {"no record, no column: the number", "", false, 0.0f, 4, "4"},
      {"blanks and quotes", "A 1", false, 0.0f, 1, "A_1"},
      {"a slash", "10/2", false, 0.0f, 1, "10_2"},
      {"what a name keeps", "a.B-c_d+9", false, 0.0f, 1, "a.B-c_d+9"},
      {"bytes beyond ASCII", "L\xc3\xa9", false, 0.0f, 1, "L__"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(flight_line_name(c.record, c.column, c.value, c.number), c.name) << c.why;
  }
  EXPECT_EQ(line_file_name("block_c_{line}.obs", "10010"), "block_c_10010.obs");
  EXPECT_EQ(line_file_name("{line}/{line}.obs", "7"), "7/7.obs");
  EXPECT_EQ(line_file_name("{Line}_{line", "7"), "{Line}_{line");
  EXPECT_TRUE(per_line_name("lines/{line}.obs"));
  EXPECT_FALSE(per_line_name("lines/{LINE}.obs"));
}

using test::flight_row;
using test::kFlightData;

std::string params(const std::string& output, bool line_column, const std::string& averaging) {
  return "data.txt\n" + output + "\n" + (line_column ? "7\nline\n" : "6\n") + "x\ny\nz m\n" +
         kFlightData + averaging + "\n";
}

// The files a conversion leaves, by name, without the inputs.
std::map<std::string, std::string> outputs(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = e.path().filename().string();
    if (name != "kivo.in" && name != "data.txt") files[name] = read_file(e.path().string());
  }
  return files;
}

// A count line for n blocks.
std::string count_line(long n) {
  std::string c = std::to_string(n);
  return std::string(5 - c.size(), ' ') + c + "\r\n";
}

TEST(LineFiles, EachFileIsItsLinesConvertedAlone) {
  // Line 5 has the name of line 1: both go into one file, in file order.
  // Line 3 is shorter than every window but one: it gives no file then.
  const std::vector<int> lengths = {6, 5, 11, 2, 7, 9};
  const auto name_of = [](std::size_t line) { return line == 5 ? 1 : static_cast<int>(line); };
  for (const std::string averaging : {"al", "av 1", "av 2", "de 3"}) {
    const int window = averaging == "av 1" ? 3 : averaging == "av 2" ? 5 : 1;
    for (const bool line_column : {false, true}) {
      SCOPED_TRACE(averaging + (line_column ? ", line column" : ", line records"));
      std::string whole, single_blocks, console;
      long single_count = 0;
      std::map<std::string, std::pair<long, std::string>> files;  // count and blocks
      std::vector<std::string> order;
      int s = 0;
      for (std::size_t line = 0; line < lengths.size(); ++line) {
        const int name = name_of(line);
        std::string rows = line_column ? "" : "Line " + std::to_string(100 + name) + "\n";
        for (int k = 0; k < lengths[line]; ++k, ++s) rows += flight_row(name, s, line_column);
        whole += rows;
        if (lengths[line] < window) continue;
        TempDir one;
        test::set_up(one, params("out.obs", line_column, averaging), rows);
        ASSERT_EQ(test::run_in_process(one.path()).status, 0);
        const std::string obs = read_file(one.file("out.obs"));
        const long n = std::stol(obs.substr(0, 5));
        const std::string file = "out_" + std::to_string(100 + name) + ".obs";
        if (files.find(file) == files.end()) order.push_back(file);
        files[file].first += n;
        files[file].second += obs.substr(7);
        single_count += n;
        single_blocks += obs.substr(7);
      }
      std::map<std::string, std::string> expected;
      for (const std::string& file : order) {
        expected[file] = count_line(files[file].first) + files[file].second;
        // Built in steps: GCC 12 warns wrongly about " " + a temporary.
        console += ' ';
        console += std::to_string(files[file].first);
        console += files[file].first == 1 ? " sounding" : " soundings";
        console += " written to \"" + file + "\".\n";
      }
      TempDir all;
      test::set_up(all, params("out_{line}.obs", line_column, averaging), whole);
      const test::RunResult r = test::run_in_process(all.path());
      ASSERT_EQ(r.status, 0) << r.console;
      EXPECT_EQ(outputs(all), expected);
      EXPECT_NE(r.console.find(" Writing data to \"out_{line}.obs\".\n" + console + "Done.\n"),
                std::string::npos)
          << r.console;
      TempDir single;
      test::set_up(single, params("out.obs", line_column, averaging), whole);
      ASSERT_EQ(test::run_in_process(single.path()).status, 0);
      EXPECT_EQ(read_file(single.file("out.obs")), count_line(single_count) + single_blocks);
    }
  }
}

// Stops of a run with "{line}": no file gets a block, and a file over the
// limit, named.
TEST(LineFiles, StopsAfterTheDataFileIsRead) {
  struct Case {
    const char* why;
    std::string averaging;
    std::string data;
    std::string stop;
  };
  std::string big;
  for (int s = 0; s < 100001; ++s) big += flight_row(0, s, false);
  const Case cases[] = {
      {"every line shorter than the window", "av 2",
       "Line 1\n" + flight_row(1, 0, false) + flight_row(1, 1, false) + "Line 2\n" +
           flight_row(2, 2, false) + flight_row(2, 3, false),
       "no sounding to write to \"out_{line}.obs\""},
      {"the limit applies to each file, and its stop names it", "al",
       "Line 7\n" + flight_row(7, 0, false) + "Line 8\n" + big,
       "more than 99999 soundings to write to \"out_8.obs\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempDir dir;
    test::set_up(dir, params("out_{line}.obs", false, c.averaging), c.data);
    const test::RunResult r = test::run_in_process(dir.path());
    EXPECT_EQ(r.status, 1);
    const std::string tail = " Writing data to \"out_{line}.obs\".\n" + test::stop(c.stop) + "\n";
    ASSERT_GE(r.console.size(), tail.size());
    EXPECT_EQ(r.console.substr(r.console.size() - tail.size()), tail) << r.console;
    EXPECT_TRUE(outputs(dir).empty());
  }
}

}  // namespace
}  // namespace kivo
