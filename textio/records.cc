#include "textio/records.h"
#include "textio/text.h"

#include <algorithm>

namespace kivo {

namespace {}  // namespace

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

}  // namespace kivo
