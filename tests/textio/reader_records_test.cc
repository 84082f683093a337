// Cutting files into records, the character field read, counting, and the
// step back and rewind over block boundaries.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "os/os.h"
#include "tests/support/testutil.h"
#include "textio/reader.h"

namespace kivo {
namespace {

using test::TempDir;

// The records of a whole file, cut the obvious way: up to the first CR or LF
// or the max-th character, then past the next LF.
std::vector<std::string> model_records(const std::string& data, std::size_t max) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t j = i;
    while (j < data.size() && data[j] != '\r' && data[j] != '\n' && (max == 0 || j - i < max)) ++j;
    out.push_back(data.substr(i, j - i));
    const std::size_t lf = data.find('\n', j);
    i = lf == std::string::npos ? data.size() : lf + 1;
  }
  return out;
}

std::vector<std::string> all_records(ReadFile& f) {
  std::vector<std::string> out;
  std::string_view rec;
  int st;
  while ((st = next_record(f, std::string_view::npos, rec)) == 0) out.emplace_back(rec);
  EXPECT_EQ(st, -1);
  return out;
}

struct RecordCase {
  std::string data;
  std::size_t max;
  std::vector<std::string> records;
};

TEST(ReaderRecords, CutAtLineEnds) {
  const std::string l1200 = std::string(1200, 'a') + "\nnext\n";
  const RecordCase cases[] = {
      {"", 0, {}},
      {"\n", 0, {""}},
      {"a\nb\n", 0, {"a", "b"}},
      {"a\r\nb\r\n", 0, {"a", "b"}},
      {"a\r\nb", 0, {"a", "b"}},        // last line without a line end
      {"a\rlost\nb\n", 0, {"a", "b"}},  // lone CR: the rest of its line is lost
      {"a\r\rx\r\nb", 0, {"a", "b"}},
      {"a\r", 0, {"a"}},
      {"\n\n \n", 0, {"", "", " "}},
      {"abcdef\ngh\n", 3, {"abc", "gh"}},  // cut after the max-th character
      {"abc\ndef", 3, {"abc", "def"}},
      {"abc\r\nd", 3, {"abc", "d"}},
      {l1200, 999, {std::string(999, 'a'), "next"}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    for (std::size_t block :
         {std::size_t{1}, std::size_t{2}, std::size_t{5}, ReadFile::default_block}) {
      test::write_file(dir.file("f"), c.data);
      ReadFile f;
      ASSERT_EQ(open_read(f, dir.file("f"), c.max, block), 0);
      EXPECT_EQ(all_records(f), c.records) << "block " << block;
      EXPECT_EQ(all_records(f), std::vector<std::string>{});  // the end stays the end
    }
  }
}

TEST(ReaderRecords, CharFieldReadsFirstCharactersBlankPadded) {
  TempDir dir;
  test::write_file(dir.file("f"),
                   std::string("\nabcdef\r\nxy\n").append(1200, 'z').append("\nlast"));
  ReadFile f;
  ASSERT_EQ(open_read(f, dir.file("f"), 999), 0);
  char c = '?';
  EXPECT_EQ(read_char_field(f, &c, 1), 0);
  EXPECT_EQ(c, ' ');  // an empty record
  char four[4];
  EXPECT_EQ(read_char_field(f, four, 4), 0);
  EXPECT_EQ(std::string(four, 4), "abcd");
  EXPECT_EQ(read_char_field(f, four, 4), 0);
  EXPECT_EQ(std::string(four, 4), "xy  ");
  std::string line(999, '?');
  EXPECT_EQ(read_char_field(f, line.data(), 999), 0);
  EXPECT_EQ(line, std::string(999, 'z'));
  EXPECT_EQ(read_char_field(f, line.data(), 999), 0);
  EXPECT_EQ(line, std::string("last").append(995, ' '));
  c = '?';
  EXPECT_EQ(read_char_field(f, &c, 1), -1);
  EXPECT_EQ(c, '?');
}

// Random files of short lines with CR, LF and CR LF, read with tiny blocks
// by a random mix of reads, step backs and rewinds, against the model.
TEST(ReaderRecords, PositioningAgreesWithModelAcrossBlocks) {
  std::mt19937 rng(7);
  TempDir dir;
  const char alphabet[] = {'a', '/', ' ', '\r', '\n', '\n'};
  for (int round = 0; round < 200; ++round) {
    std::string data;
    const int len = static_cast<int>(rng() % 80);
    for (int i = 0; i < len; ++i) data += alphabet[rng() % sizeof alphabet];
    const std::size_t max = std::vector<std::size_t>{0, 1, 3, 7}[rng() % 4];
    const std::size_t block = 1 + rng() % 9;
    const std::vector<std::string> recs = model_records(data, max);
    test::write_file(dir.file("f"), data);
    ReadFile f;
    ASSERT_EQ(open_read(f, dir.file("f"), max, block), 0);
    std::size_t k = 0, last = 0;  // model: next record, record of the last request
    for (int op = 0; op < 40; ++op) {
      const unsigned what = rng() % 10;
      if (what < 6) {
        char field[5];
        const int st = read_char_field(f, field, sizeof field);
        last = k;
        if (k == recs.size()) {
          ASSERT_EQ(st, -1);
          continue;
        }
        ASSERT_EQ(st, 0);
        std::string want = recs[k++].substr(0, sizeof field);
        want.resize(sizeof field, ' ');
        ASSERT_EQ(std::string(field, sizeof field), want) << "round " << round << " op " << op;
      } else if (what < 8) {
        step_back(f);
        k = last;
      } else {
        rewind_read(f);
        k = 0;
      }
    }
  }
}

TEST(ReaderRecords, StepBackRereadsWholeRequestStart) {
  TempDir dir;
  test::write_file(dir.file("f"), "/c\n1 2\n3\n4\n");
  ReadFile f;
  ASSERT_EQ(open_read(f, dir.file("f"), 999, 2), 0);
  char c;
  ASSERT_EQ(read_char_field(f, &c, 1), 0);
  ASSERT_EQ(read_char_field(f, &c, 1), 0);
  step_back(f);
  float v[3] = {};
  ASSERT_EQ(read_reals(f, v, 3), 0);  // spans two records
  EXPECT_EQ(v[2], 3.0f);
  step_back(f);  // back to the record the request began on
  ASSERT_EQ(read_reals(f, v, 1), 0);
  EXPECT_EQ(v[0], 1.0f);
  ASSERT_EQ(read_reals(f, v, 1), 0);
  EXPECT_EQ(v[0], 3.0f);
}

TEST(ReaderRecords, LongLines) {
  TempDir dir;
  // A parameters-file record of 10 MB is read whole.
  test::write_file(dir.file("p"), std::string(10'000'000, ' ') + "42\n7\n");
  ReadFile p;
  ASSERT_EQ(open_read(p, dir.file("p")), 0);
  std::int32_t n = 0;
  const Item item = int_item(n);
  ASSERT_EQ(read_list(p, {&item, 1}), 0);
  EXPECT_EQ(n, 42);
  ASSERT_EQ(read_list(p, {&item, 1}), 0);
  EXPECT_EQ(n, 7);
  // A data-file line of 50 MB is passed over without being held.
  test::write_file(dir.file("d"), std::string("1 ").append(50'000'000, 'x').append("\n5\n"));
  ReadFile d;
  ASSERT_EQ(open_read(d, dir.file("d"), 999), 0);
  float v = 0;
  ASSERT_EQ(read_reals(d, &v, 1), 0);
  EXPECT_EQ(v, 1.0f);
  ASSERT_EQ(read_reals(d, &v, 1), 0);
  EXPECT_EQ(v, 5.0f);
  EXPECT_LE(d.cap, 2 * ReadFile::default_block);
}

TEST(ReaderRecords, OpenFailures) {
  TempDir dir;
  ReadFile f;
  EXPECT_EQ(open_read(f, dir.path()), read_status::not_a_file);
  EXPECT_EQ(open_read(f, dir.file("missing")), read_status::cannot_open);
  EXPECT_EQ(open_read(f, ""), read_status::cannot_open);
  {
    test::NamedPipe pipe(dir);
    EXPECT_EQ(open_read(f, pipe.name()), read_status::not_a_file);  // and does not hang
  }
  // A device never ends (/dev/zero would make the counting pass run forever)
  // and cannot be read twice.
  for (const std::string& dev : test::device_names()) {
    EXPECT_EQ(open_read(f, dev, 999), read_status::not_a_file) << dev;
    EXPECT_EQ(open_read(f, dev), read_status::not_a_file) << dev;
  }
  char c;
  EXPECT_GT(read_char_field(f, &c, 1), 0);  // never opened
}

TEST(ReaderRecords, ReadErrorIsPositiveAndSticky) {
  TempDir dir;
  test::write_file(dir.file("f"), "1\n2\n");
  ReadFile f;
  ASSERT_EQ(open_read(f, dir.file("f")), 0);
  os::close(f.fd);
  ASSERT_TRUE(os::create(dir.file("f"), f.fd));  // open for writing only: reads fail
  char c;
  EXPECT_EQ(read_char_field(f, &c, 1), read_status::io_error);
  rewind_read(f);
  EXPECT_EQ(read_char_field(f, &c, 1), read_status::io_error);
}

TEST(ReaderRecords, OwnsItsDescriptor) {
  TempDir dir;
  test::write_file(dir.file("f"), "a\nb\n");
  int fd = -1;
  {
    ReadFile a;
    ASSERT_EQ(open_read(a, dir.file("f")), 0);
    char c;
    ASSERT_EQ(read_char_field(a, &c, 1), 0);
    ReadFile b(std::move(a));
    EXPECT_EQ(a.fd, -1);
    ASSERT_EQ(read_char_field(b, &c, 1), 0);
    EXPECT_EQ(c, 'b');  // the position moves along
    ReadFile d;
    d = std::move(b);
    fd = d.fd;
    EXPECT_TRUE(test::handle_is_open(fd));
  }
  EXPECT_FALSE(test::handle_is_open(fd));  // closed by the destructor
}

}  // namespace
}  // namespace kivo
