#include "textio/records.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "textio/text.h"

namespace kivo {

bool is_comment_record(std::string_view rec) {
  return !rec.empty() && (rec.front() == '/' || rec.front() == '#');
}

std::vector<std::string> record_words(std::string_view rec) {
  std::vector<std::string> words;
  bool separator_seen = true;  // a comma first makes an empty word
  std::size_t i = 0;
  const std::size_t n = rec.size();
  while (i < n) {
    const char c = rec[i];
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == ',') {
      ++i;
      if (separator_seen) {
        words.emplace_back();
      } else {
        separator_seen = true;
      }
      continue;
    }
    std::string w;
    if (c == '\'' || c == '"') {
      ++i;
      while (i < n) {
        if (rec[i] == c) {
          if (i + 1 < n && rec[i + 1] == c) {
            w.push_back(c);
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        w.push_back(rec[i++]);
      }
    } else {
      while (i < n && !is_blank(rec[i]) && rec[i] != ',') w.push_back(rec[i++]);
    }
    words.push_back(std::move(w));
    separator_seen = false;
  }
  return words;
}

bool is_name(std::string_view word) {
  if (word.empty()) return false;
  if (!is_letter(word.front()) && word.front() != '_') {
    float v = 0;
    return std::any_of(word.begin(), word.end(), is_letter) && convert_real(word, v) != 0;
  }
  const std::string l = lower(word);
  return l != "nan" && l != "inf" && l != "infinity";
}

bool is_header_record(std::string_view rec) {
  const std::vector<std::string> words = record_words(rec);
  if (words.empty()) return false;
  for (const std::string& w : words) {
    if (!is_name(w)) return false;
  }
  return true;
}

bool is_line_record(std::string_view rec, std::string* name) {
  if (!may_be_line_record(rec)) return false;
  const std::vector<std::string> words = record_words(rec);
  if (words.size() != 2 || words[1].empty()) return false;
  const std::string first = lower(words[0]);
  if (first != "line" && first != "tie") return false;
  if (name) *name = words[1];
  return true;
}

RecordKind record_kind(std::string_view rec, bool first) {
  if (is_comment_record(rec)) return RecordKind::comment;
  if (is_line_record(rec)) return RecordKind::line;
  if (first && is_header_record(rec)) return RecordKind::header;
  return RecordKind::row;
}

int count_rows(ReadFile& f, RecordCount& count) {
  count = RecordCount{};
  bool first = true;  // the next record that is not a comment may be a header
  for (;;) {
    // Most records are rows of numbers, told from their first characters
    // and passed over; only a first record, or one that begins with a word,
    // needs its words looked at.
    const int st = next_row_start(f, first, count.rows);
    if (st < 0) return 0;
    if (st > 0) return st;
    std::string_view rec;
    if (const int rs = next_record(f, std::string_view::npos, rec)) return rs > 0 ? rs : 0;
    const RecordKind kind = record_kind(rec, first);
    if (kind == RecordKind::row) ++count.rows;
    first = kind == RecordKind::line;
  }
}

namespace {

// A file read forward in blocks from an offset, a byte at a time where the
// bytes matter and a line at a time where they do not.
struct ForwardBytes {
  os::Handle file;
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t len = 0;
  std::size_t pos = 0;
  std::int64_t offset = 0;  // the file offset of buf[0]
  bool failed = false;

  // The byte at the position, or -1 at the end of the file or after a
  // failure.
  int peek() {
    if (pos == len) {
      if (failed) return -1;
      offset += static_cast<std::int64_t>(len);
      pos = len = 0;
      const std::int64_t n = os::read(file, buf.get(), cap);
      if (n < 0) failed = true;
      if (n <= 0) return -1;
      len = static_cast<std::size_t>(n);
    }
    return static_cast<unsigned char>(buf[pos]);
  }
  std::int64_t at() const { return offset + static_cast<std::int64_t>(pos); }
  // To the start of the next line.
  void pass_line() {
    for (;;) {
      if (const void* lf = std::memchr(buf.get() + pos, '\n', len - pos)) {
        pos = static_cast<std::size_t>(static_cast<const char*>(lf) - buf.get()) + 1;
        return;
      }
      pos = len;
      if (peek() < 0) return;
    }
  }
};

}  // namespace

int count_stretch(os::Handle file, std::int64_t begin, std::int64_t end, StretchCount& count) {
  count = StretchCount{};
  const std::int64_t from = begin > 0 ? begin - 1 : 0;
  if (!os::seek(file, from)) return read_status::io_error;
  // A quarter of the reader's block: as fast, and eight threads counting at
  // once hold 2 MiB.
  constexpr std::size_t kBlock = ReadFile::default_block / 4;
  ForwardBytes b{file, std::make_unique<char[]>(kBlock), kBlock};
  b.offset = from;
  // The first record begins after the first line feed from the byte before
  // the stretch.
  if (begin > 0) {
    const int c = b.peek();
    if (c >= 0) {
      ++b.pos;
      if (c != '\n') b.pass_line();
    }
  }
  bool after_line = false;
  std::string rec;
  for (;;) {
    if (b.at() >= end) break;
    const int c = b.peek();
    if (c < 0) break;
    if (c == '/' || c == '#') {
      b.pass_line();
      continue;
    }
    // The record up to its CR or LF: whole where its words are looked at,
    // else only up to its first character that is not a blank or a tab.
    const bool words = !count.any || after_line;
    rec.clear();
    char lead = ' ';
    for (int d = b.peek(); d >= 0 && d != '\r' && d != '\n'; d = b.peek()) {
      const char ch = static_cast<char>(d);
      if (lead == ' ' && !is_blank(ch)) {
        lead = ch;
        if (!words && !is_line_lead(lead)) break;
      }
      rec.push_back(ch);
      ++b.pos;
    }
    b.pass_line();
    bool counted = true;
    bool line = false;
    if (after_line || is_line_lead(lead)) {
      const RecordKind kind = record_kind(rec, after_line);
      counted = kind == RecordKind::row;
      line = kind == RecordKind::line;
    }
    if (!count.any) {
      count.any = true;
      count.header = counted && record_kind(rec, true) != RecordKind::row ? 1 : 0;
    }
    if (counted) ++count.rows;
    after_line = line;
  }
  count.ends_in_line = after_line;
  return b.failed ? read_status::io_error : 0;
}

void add_stretch(const StretchCount& stretch, std::int64_t& rows, bool& after_line) {
  rows += stretch.rows - (after_line ? stretch.header : 0);
  if (stretch.any) after_line = stretch.ends_in_line;
}

}  // namespace kivo
