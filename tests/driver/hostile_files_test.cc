// Hostile file-system situations: the data file is a directory, the output
// file cannot be created or written, the output name is another name of an
// input file; and the safety of an existing observations file when a run
// stops before its writing step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/console.h"
#include "tests/support/testutil.h"

namespace kivo {
namespace {

using test::file_exists;
using test::read_file;
using test::run_binary;
using test::shown;
using test::stop;
using test::TempDir;
using test::write_file;

// Five columns (x, y, height in metres, one in-phase/quadrature pair at 900)
// and no thinning, after the two file names.
const std::string kColumns =
    "5\nx\ny\nz m\n900 z 1 z m 6.5 0 1 i 5 0.5\n900 z 1 z m 6.5 0 1 q 5 0.5\nal\n";
const std::string kRow = "512345.6 7123456.0 30 123.4 56.7\n";
// The observations file of kRow.
const std::string kObservations =
    "    1\r\n"
    "   512345.594       7123456.00        1\r\n"
    "   900.00        1\r\n"
    "   1.0000      -30.000     z  1\r\n"
    "   1.0000       6.5000       0.0000      -30.000     z  1 b    123.4000       56.70000     v"
    "    6.170000       2.835000    \r\n";

// The output name is quoted, so that it may hold slashes.
std::string params(const std::string& data, const std::string& output) {
  return data + "\n'" + output + "'\n" + kColumns;
}

// The console of a run that reads everything and stops at or after the
// opening of the output file.
std::string up_to_writing(const std::vector<std::string>& end) {
  std::string s = test::lines(
      {" Reading column parameters from \"kivo.in\".", " Reading data from \"data.txt\".",
       " 1 soundings found in \"data.txt\".", " No averaging nor decimation to be applied."});
  for (const auto& l : end) s += l + "\n";
  return s;
}

TEST(HostileFiles, DataFileIsADirectory) {
  TempDir dir;
  ASSERT_TRUE(test::make_dir(dir.file("sub")));
  write_file(dir.file("kivo.in"), params("sub", "out.obs"));
  const auto r = run_binary(dir.path());
  EXPECT_EQ(r.console, test::lines({" Reading column parameters from \"kivo.in\".",
                                    stop("error opening data file \"sub\"")}));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(file_exists(dir.file("out.obs")));
}

// Output names that cannot be opened for writing, or whose writing fails.
TEST(HostileFiles, OutputThatCannotBeWritten) {
  struct Case {
    std::string output;
    std::vector<std::string> end;
  };
  std::vector<Case> cases = {
      {"outdir", {stop("error opening output file \"outdir\"")}},
      {"missing/out.obs", {stop("error opening output file \"missing/out.obs\"")}},
  };
  if (const std::string full = test::full_device(); !full.empty()) {
    cases.push_back({full,
                     {" Writing data to \"" + full + "\".",
                      stop("error closing output file \"" + full + "\"")}});
  }
  for (const auto& c : cases) {
    TempDir dir;
    ASSERT_TRUE(test::make_dir(dir.file("outdir")));
    write_file(dir.file("kivo.in"), params("data.txt", c.output));
    write_file(dir.file("data.txt"), kRow);
    const auto r = run_binary(dir.path());
    EXPECT_EQ(r.console, up_to_writing(c.end)) << c.output;
    EXPECT_EQ(r.status, 1) << c.output;
    EXPECT_FALSE(file_exists(dir.file("missing"))) << c.output;
  }
}

// An output name that is the data file or "kivo.in" by its own name, through
// a symbolic link or through a hard link is refused before anything is
// opened for writing, and both inputs stay as they were.
TEST(HostileFiles, OutputNamesAnInput) {
  struct Case {
    std::string output;
    std::string what;  // "data" or "parameters"
  };
  const std::vector<Case> cases = {
      {"data.txt", "data"},          {"kivo.in", "parameters"},    {"./data.txt", "data"},
      {"sym-data", "data"},          {"sym-params", "parameters"}, {"hard-data", "data"},
      {"hard-params", "parameters"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string kivo_in = params("data.txt", c.output);
    write_file(dir.file("kivo.in"), kivo_in);
    write_file(dir.file("data.txt"), kRow);
    // Where the system makes no symbolic links, only their cases are left out.
    if (!test::make_symlink("data.txt", dir.file("sym-data")) ||
        !test::make_symlink("kivo.in", dir.file("sym-params"))) {
      if (c.output.rfind("sym-", 0) == 0) continue;
    }
    ASSERT_TRUE(test::make_hard_link(dir.file("data.txt"), dir.file("hard-data")));
    ASSERT_TRUE(test::make_hard_link(dir.file("kivo.in"), dir.file("hard-params")));
    const auto r = run_binary(dir.path());
    EXPECT_EQ(r.console,
              up_to_writing({stop("output file \"" + c.output + "\" is the " + c.what + " file")}))
        << c.output;
    EXPECT_EQ(r.status, 1) << c.output;
    EXPECT_EQ(read_file(dir.file("data.txt")), kRow) << c.output;
    EXPECT_EQ(read_file(dir.file("kivo.in")), kivo_in) << c.output;
  }
}

// A symbolic link to a file that is not an input is followed and written
// through, as any output name is.
TEST(HostileFiles, OutputThroughASymbolicLinkToAnotherFile) {
  TempDir dir;
  write_file(dir.file("kivo.in"), params("data.txt", "link.obs"));
  write_file(dir.file("data.txt"), kRow);
  write_file(dir.file("real.obs"), "an older, longer file\r\n" + std::string(500, 'x') + "\r\n");
  if (!test::make_symlink("real.obs", dir.file("link.obs"))) {
    GTEST_SKIP() << "no symbolic links on this system";
  }
  const auto r = run_binary(dir.path());
  EXPECT_EQ(r.console, up_to_writing({" Writing data to \"link.obs\".", "Done."}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(read_file(dir.file("real.obs")), kObservations);
}

// Every run that stops before the writing step creates no observations file,
// and leaves an existing one byte for byte as it was.
TEST(HostileFiles, StopBeforeWritingLeavesTheOutputAlone) {
  const std::string head = " Reading column parameters from \"kivo.in\".";
  const std::string data = " Reading data from \"data.txt\".";
  const std::string one = " 1 soundings found in \"data.txt\".";
  const std::string none = " No averaging nor decimation to be applied.";
  struct Case {
    std::string name;
    std::string kivo_in;
    std::string rows;  // empty: no data file
    std::vector<std::string> console;
  };
  const std::string pair_i = "900 z 1 z m 6.5 0 1 i 5 0.5\n";
  const std::vector<Case> cases = {
      {"no data file",
       "data.txt\nout.obs\n" + kColumns,
       "",
       {head, stop("data file \"data.txt\" does not exist")}},
      {"bad number of columns",
       "data.txt\nout.obs\n-3\n",
       kRow,
       {head, data, one, stop("number of columns read from \"kivo.in\" <= 0")}},
      {"bad column line",
       "data.txt\nout.obs\n5\nx\ny\nz m\n900 z 1 z m 6.5 0 9 i 5 0.5\n",
       kRow,
       {head, data, one, stop("invalid option for normalization type for column 4")}},
      {"bad averaging line",
       "data.txt\nout.obs\n5\nx\ny\nz m\n" + pair_i + pair_i + "Av 2\n",
       kRow,
       {head, data, one, stop("inappropriate averaging/decimating option read from \"kivo.in\"")}},
      {"repeated column",
       "data.txt\nout.obs\n5\nx\ny\nz m\n" + pair_i + pair_i + "al\n",
       kRow,
       {head, data, one, none, stop("parameters for columns 4 & 5 are the same")}},
      {"no height",
       "data.txt\nout.obs\n5\nx\ny\nignore\n" + pair_i + pair_i + "al\n",
       kRow,
       {head, data, one, none, stop("no column is the height")}},
      {"bad row",
       "data.txt\nout.obs\n" + kColumns,
       "512345.6 7123456.0 30 1x 56.7\n",
       {head, data, one, none, stop("error reading data for sounding 1 from \"data.txt\"")}},
      {"inconsistent pair",
       "data.txt\nout.obs\n5\nx\ny\nz m\n" + pair_i + "900 z 1 z m 6.5 0 1 I 5 0.5\nal\n",
       kRow,
       {head, data, one, none,
        stop("inconsistent pairing of inphase & quadrature values (col 4)")}},
      {"output is the data file",
       params("data.txt", "data.txt"),
       kRow,
       {head, data, one, none, stop("output file \"data.txt\" is the data file")}},
  };
  const std::string precious("precious\r\nbytes\n\0 kept\n", 23);
  for (const auto& c : cases) {
    for (bool existing : {false, true}) {
      TempDir dir;
      write_file(dir.file("kivo.in"), c.kivo_in);
      if (!c.rows.empty()) write_file(dir.file("data.txt"), c.rows);
      if (existing) write_file(dir.file("out.obs"), precious);
      const auto r = run_binary(dir.path());
      EXPECT_EQ(r.console, shown(c.console)) << c.name;
      EXPECT_EQ(r.status, 1) << c.name;
      if (existing) {
        EXPECT_EQ(read_file(dir.file("out.obs")), precious) << c.name;
      } else {
        EXPECT_FALSE(file_exists(dir.file("out.obs"))) << c.name;
      }
    }
  }
}

}  // namespace
}  // namespace kivo
