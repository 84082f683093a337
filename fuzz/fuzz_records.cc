// The record reader over arbitrary file bytes.
//
// The first byte chooses the maximum record length (none, 999, or a short
// one) and the item list of the value reads; the rest is written to a file,
// which is then read in several ways that must agree:
// - the records seen by read_char_field against a small model of how a file
//   is cut into records (CR or LF ends a record, the rest of the physical
//   line is skipped, a maximum length cuts a record);
// - count_rows against the kinds of the model's records (comments, a header,
//   line records, rows);
// - step_back: the record read again is the record read before;
// - read_list from the file against read_list from the record's text, where
//   the read of the text ends inside the record;
// - read_reals against read_list of the same number of real items.
#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "textio/reader.h"
#include "textio/records.h"

namespace {

constexpr std::size_t kWhole = 999;   // the whole-record field width
constexpr std::size_t kChecked = 32;  // records checked one by one (the checks are quadratic)

std::string g_path;

[[noreturn]] void fail(const char* what, std::string_view bytes) {
  std::fprintf(stderr, "fuzz_records: %s (file of %zu bytes)\n", what, bytes.size());
  std::abort();
}

// The records of a file, by the cutting rules.
std::vector<std::string_view> model_records(std::string_view b, std::size_t max_record) {
  std::vector<std::string_view> recs;
  std::size_t pos = 0;
  while (pos < b.size()) {
    std::size_t stop = b.find_first_of("\r\n", pos);
    if (stop == std::string_view::npos) stop = b.size();
    std::size_t len = stop - pos;
    if (max_record && len > max_record) len = max_record;
    recs.push_back(b.substr(pos, len));
    std::size_t lf = b.find('\n', pos + len);
    pos = lf == std::string_view::npos ? b.size() : lf + 1;
  }
  return recs;
}

// The first `w` characters of a record, blank-padded.
std::string field_of(std::string_view rec, std::size_t w) {
  std::string f(rec.substr(0, w));
  f.resize(w, ' ');
  return f;
}

void open_or_die(kivo::ReadFile& f, std::size_t max_record, std::string_view bytes) {
  if (kivo::open_read(f, g_path, max_record) != 0) fail("cannot open the test file", bytes);
}

// Skips k records with one-character reads.
void skip_records(kivo::ReadFile& f, std::size_t k, std::string_view bytes) {
  char c;
  for (std::size_t i = 0; i < k; ++i)
    if (kivo::read_char_field(f, &c, 1) != 0) fail("cannot skip a record", bytes);
}

struct Values {
  std::vector<std::int32_t> ints;
  std::vector<float> reals;
  std::vector<std::string> chars;
  std::vector<kivo::Item> items;
  Values(std::uint8_t code, std::size_t n) : ints(n, 77), reals(n, -7.5f), chars(n) {
    for (std::size_t i = 0; i < n; ++i) {
      int kind = ((code >> (2 * (i % 4))) & 3) % 3;
      if (kind == 0) items.push_back(kivo::int_item(ints[i]));
      if (kind == 1) items.push_back(kivo::real_item(reals[i]));
      if (kind == 2) {
        chars[i].assign(1 + i * 3, '#');
        items.push_back(kivo::char_item(chars[i].data(), chars[i].size()));
      }
    }
  }
  bool operator==(const Values& o) const {
    for (std::size_t i = 0; i < reals.size(); ++i)
      if (std::bit_cast<std::uint32_t>(reals[i]) != std::bit_cast<std::uint32_t>(o.reals[i]))
        return false;
    return ints == o.ints && chars == o.chars;
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char templ[] = "/tmp/kivo-fuzz-records-XXXXXX";
  if (!mkdtemp(templ)) std::abort();
  g_path = std::string(templ) + "/records.txt";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static constexpr std::size_t kMax[] = {0, 999, 0, 999, 1, 2, 7, 999};
  std::size_t max_record = kMax[data[0] % 8];
  std::size_t nitems = 1 + (data[0] >> 3) % 6;
  std::uint8_t kinds = data[1];
  std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

  int fd = ::open(g_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    std::abort();
  ::close(fd);

  std::vector<std::string_view> recs = model_records(bytes, max_record);
  kivo::ReadFile f;
  open_or_die(f, max_record, bytes);

  // Every record, whole, then the end of the file; step back repeats a record.
  char buf[kWhole];
  for (std::size_t i = 0; i < recs.size(); ++i) {
    if (kivo::read_char_field(f, buf, kWhole) != 0) fail("a record is missing", bytes);
    if (field_of(recs[i], kWhole) != std::string_view(buf, kWhole))
      fail("a record differs from the cutting rules", bytes);
    if (i < kChecked) {
      kivo::step_back(f);
      char c = 0;
      if (kivo::read_char_field(f, &c, 1) != 0 || c != field_of(recs[i], 1)[0])
        fail("step back did not read the same record again", bytes);
    }
  }
  if (kivo::read_char_field(f, buf, kWhole) != -1)
    fail("no end of file after the last record", bytes);
  if (kivo::read_char_field(f, buf, 1) != -1) fail("the end of file did not persist", bytes);

  // The counting pass of a data file agrees with the kinds of the records.
  {
    kivo::RecordCount want_rows;
    bool first = true;
    for (auto r : recs) {
      const kivo::RecordKind kind = kivo::record_kind(r, first);
      if (kind == kivo::RecordKind::comment) continue;
      first = kind == kivo::RecordKind::line;
      want_rows.rows += kind == kivo::RecordKind::row;
    }
    kivo::rewind_read(f);
    kivo::RecordCount got;
    if (kivo::count_rows(f, got) != 0 || got.rows != want_rows.rows)
      fail("count_rows disagrees with the kinds of the records", bytes);
  }

  // Free-format reads, one starting at every record: from the file and from
  // the record's text they agree when the text alone settles the read.
  for (std::size_t i = 0; i < recs.size() && i < kChecked; ++i) {
    kivo::rewind_read(f);
    skip_records(f, i, bytes);
    Values from_file(kinds, nitems), from_text(kinds, nitems);
    int sf = kivo::read_list(f, from_file.items);
    int st = kivo::read_list(recs[i], from_text.items);
    if (sf < -1 || st < -1) fail("a status below -1", bytes);
    if (st != -1) {
      if (sf != st) fail("file and text reads differ in status", bytes);
      if (!(from_file == from_text)) fail("file and text reads differ in values", bytes);
      // The next request starts at the next record.
      if (i + 1 < recs.size()) {
        if (kivo::read_char_field(f, buf, kWhole) != 0 ||
            field_of(recs[i + 1], kWhole) != std::string_view(buf, kWhole))
          fail("a read did not end at the end of its record", bytes);
      }
    }
    // Step back returns to the record the request began on.
    kivo::rewind_read(f);
    skip_records(f, i, bytes);
    Values again(kinds, nitems);
    kivo::read_list(f, again.items);
    kivo::step_back(f);
    if (kivo::read_char_field(f, buf, kWhole) != 0 ||
        field_of(recs[i], kWhole) != std::string_view(buf, kWhole))
      fail("step back after a list read missed its first record", bytes);

    // read_reals and a list of real items agree, values and position.
    std::vector<float> fast(nitems, 3.25f);
    Values slow(0x55, nitems);  // all real items
    kivo::rewind_read(f);
    skip_records(f, i, bytes);
    int s1 = kivo::read_reals(f, fast.data(), nitems);
    char after1[kWhole];
    int a1 = kivo::read_char_field(f, after1, kWhole);
    for (auto& v : slow.reals) v = 3.25f;
    kivo::rewind_read(f);
    skip_records(f, i, bytes);
    int s2 = kivo::read_list(f, slow.items);
    char after2[kWhole];
    int a2 = kivo::read_char_field(f, after2, kWhole);
    if (s1 != s2) fail("read_reals and read_list differ in status", bytes);
    for (std::size_t k = 0; k < nitems; ++k)
      if (std::bit_cast<std::uint32_t>(fast[k]) != std::bit_cast<std::uint32_t>(slow.reals[k]))
        fail("read_reals and read_list differ in values", bytes);
    if (s1 == 0 && (a1 != a2 || (a1 == 0 && std::memcmp(after1, after2, kWhole) != 0)))
      fail("read_reals and read_list end at different records", bytes);
  }
  kivo::close_read(f);
  return 0;
}
