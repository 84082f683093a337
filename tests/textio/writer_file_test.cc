// Records written to files and to the console.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "tests/support/testutil.h"
#include "textio/writer.h"

namespace kivo {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

// One record of the kind the observations file holds: an integer field and
// a general real field in fixed-point form.
int write_record(WriteFile& f, std::int32_t n, float v) {
  char* p = record_begin(f, 40);
  p = put_int(p, 5, n);
  p = put_skip(p, 1);
  p = put_general(p, 13, 5, v);
  return record_end(f, p);
}

TEST(WriteFile, RecordsEndWithCrLfIncludingTheLast) {
  TempDir dir;
  WriteFile f;
  ASSERT_EQ(open_write(f, dir.file("out")), 0);
  EXPECT_EQ(write_record(f, 1, 1.0f), 0);
  EXPECT_EQ(write_record(f, 20, -2.5f), 0);
  char* p = record_begin(f, 0);
  EXPECT_EQ(record_end(f, p), 0);  // an empty record is just its line end
  ASSERT_EQ(close_write(f), 0);
  EXPECT_EQ(read_file(dir.file("out")),
            "    1    1.0000    \r\n"
            "   20   -2.5000    \r\n"
            "\r\n");
}

TEST(WriteFile, LongerExistingFileIsCutAfterTheLastRecord) {
  TempDir dir;
  write_file(dir.file("out"), std::string(5000, 'x'));
  WriteFile f;
  ASSERT_EQ(open_write(f, dir.file("out")), 0);
  write_record(f, 7, 0.1f);
  ASSERT_EQ(close_write(f), 0);
  EXPECT_EQ(read_file(dir.file("out")), "    7   0.10000    \r\n");
}

// Several times the buffer, so that records straddle the chunks written.
TEST(WriteFile, ManyRecordsArriveInOrder) {
  TempDir dir;
  WriteFile f;
  ASSERT_EQ(open_write(f, dir.file("out")), 0);
  std::string want;
  for (int i = 0; i < 200000; ++i) {
    char* p = record_begin(f, 20);
    p = put_int(p, 9, i);
    ASSERT_EQ(record_end(f, p), 0);
    want += std::string(9 - std::to_string(i).size(), ' ') + std::to_string(i) + "\r\n";
  }
  ASSERT_EQ(close_write(f), 0);
  EXPECT_EQ(read_file(dir.file("out")), want);
}

TEST(WriteFile, RecordLongerThanTheBuffer) {
  TempDir dir;
  WriteFile f;
  ASSERT_EQ(open_write(f, dir.file("out")), 0);
  write_record(f, 1, 1.0f);
  const std::string big(3 << 20, 'a');
  char* p = record_begin(f, big.size());
  ASSERT_EQ(record_end(f, put_chars(p, big)), 0);
  write_record(f, 2, 1.0f);
  ASSERT_EQ(close_write(f), 0);
  EXPECT_EQ(read_file(dir.file("out")),
            "    1    1.0000    \r\n" + big + "\r\n" + "    2    1.0000    \r\n");
}

TEST(WriteFile, OpenFailsWithPositiveStatus) {
  TempDir dir;
  WriteFile f;
  EXPECT_GT(open_write(f, dir.file("missing/out")), 0) << "missing directory";
  EXPECT_GT(open_write(f, dir.path()), 0) << "a directory";
  EXPECT_GT(open_write(f, ""), 0) << "empty name";
  EXPECT_GT(open_write(f, dir.file(std::string("a\0b", 3))), 0) << "name with a NUL";
  EXPECT_FALSE(test::file_exists(dir.file("a"))) << "must not create the cut-off name";
}

// /dev/full accepts the open and refuses every write: the failure shows at
// the latest when the file is closed, and as soon as a chunk was written.
TEST(WriteFile, FullDeviceFailureSurfaces) {
  const std::string full = test::full_device();
  if (full.empty()) GTEST_SKIP() << "no device that refuses every write on this system";
  {
    WriteFile f;
    ASSERT_EQ(open_write(f, full), 0);
    write_record(f, 1, 1.0f);
    EXPECT_GT(close_write(f), 0) << "a buffered record that could not be written";
  }
  {
    WriteFile f;
    ASSERT_EQ(open_write(f, full), 0);
    int status = 0;
    for (int i = 0; i < 200000 && status == 0; ++i) status = write_record(f, i, 1.0f);
    EXPECT_GT(status, 0) << "record_end reports the failure of an earlier chunk";
    EXPECT_GT(close_write(f), 0);
  }
}

TEST(WriteFile, MovedFileKeepsWritingAndDestructorFlushes) {
  TempDir dir;
  {
    WriteFile a;
    ASSERT_EQ(open_write(a, dir.file("out")), 0);
    write_record(a, 1, 1.0f);
    WriteFile b(std::move(a));
    EXPECT_EQ(a.fd, -1);
    write_record(b, 2, 1.0f);
    WriteFile c;
    c = std::move(b);
    write_record(c, 3, 1.0f);
  }  // c closes the file here, writing its buffer
  EXPECT_EQ(read_file(dir.file("out")),
            "    1    1.0000    \r\n    2    1.0000    \r\n    3    1.0000    \r\n");
}

TEST(WriteFile, ReopeningClosesTheFirstFile) {
  TempDir dir;
  WriteFile f;
  ASSERT_EQ(open_write(f, dir.file("one")), 0);
  write_record(f, 1, 1.0f);
  ASSERT_EQ(open_write(f, dir.file("two")), 0);
  write_record(f, 2, 1.0f);
  ASSERT_EQ(close_write(f), 0);
  EXPECT_EQ(read_file(dir.file("one")), "    1    1.0000    \r\n");
  EXPECT_EQ(read_file(dir.file("two")), "    2    1.0000    \r\n");
}

TEST(ConsoleRecords, ControlCharacterLeavesNoByte) {
  test::Console c;
  console_record(c.file(), " Done.");          // skip 1: from the first column
  console_record(c.file(), "  Reading data");  // skip 2: after one blank
  console_record(c.file(), " ");               // only the control character: an empty line
  console_record(c.file(), "");
  top_line(c.file(), "Converting to QUINSA observations format.");
  progress_line(c.file(), "Averaging number too large: changed to 3.");
  top_line(c.file(), "");
  EXPECT_EQ(c.text(),
            "Done.\n"
            " Reading data\n"
            "\n"
            "\n"
            "Converting to QUINSA observations format.\n"
            " Averaging number too large: changed to 3.\n"
            "\n");
}

}  // namespace
}  // namespace kivo
