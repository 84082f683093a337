#include "init/file_start.h"
#include "textio/text.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "init/messages.h"
#include "os/os.h"
#include "textio/records.h"
#include "textio/stop.h"

namespace kivo {

namespace {

enum class Keyword { none, frequency, separation, dummy };

Keyword keyword_of(const std::vector<std::string>& words) {
  if (words.size() != 1) return Keyword::none;
  const std::string w = upper(words[0]);
  if (w == "FREQUENCY" || w == "FREQUENCIES") return Keyword::frequency;
  if (w == "COILSEPARATION" || w == "COILSEPERATION") return Keyword::separation;
  if (w == "DUMMY") return Keyword::dummy;
  return Keyword::none;
}

// The text of a comment record after its lead: "/" once, "#" as often as
// it stands.
std::string_view comment_text(std::string_view rec) {
  const char lead = rec.front();
  rec.remove_prefix(1);
  while (lead == '#' && !rec.empty() && rec.front() == '#') rec.remove_prefix(1);
  return rec;
}

// A record that is mostly names, not values: it names columns even when
// kivo's rule for a header line refuses a word such as 380I, or 380Q, which
// reads as a number (Q starts an exponent).
bool mostly_names(const std::vector<std::string>& words) {
  const auto names =
      std::count_if(words.begin(), words.end(), [](const std::string& w) { return is_name(w); });
  return static_cast<std::size_t>(names) * 2 > words.size();
}

}  // namespace

void open_input(ReadFile& f, const std::string& name) {
  if (open_read(f, name) == 0) return;
  if (!os::exists(name)) estop(text(InitMsg::not_found, {name}));
  estop(text(InitMsg::cannot_open, {name}));
}

bool next_input_record(ReadFile& f, const std::string& name, std::string_view& rec) {
  const int st = next_record(f, std::numeric_limits<std::size_t>::max(), rec);
  if (st > 0) estop(text(InitMsg::cannot_read, {name}));
  return st == 0;
}

FileStart read_file_start(const std::string& name) {
  FileStart fs;
  ReadFile f;
  open_input(f, name);
  std::string_view rec;
  std::int64_t line = 0;
  bool first = true;  // the next record that is not a comment may be a header
  Keyword pending = Keyword::none;
  while (fs.rows.size() < kRowsRead && next_input_record(f, name, rec)) {
    ++line;
    if (is_comment_record(rec)) {
      if (fs.has_row || rec.substr(0, 2) == "//") continue;  // a directive: //FLIGHT 3
      const std::string_view text = comment_text(rec);
      std::vector<std::string> words = record_words(text);
      // A keyword's values hold numbers; a record without any is no values
      // record, whatever stands before it.
      const Keyword values_of = mostly_names(words) ? Keyword::none : pending;
      pending = keyword_of(words);
      if (values_of == Keyword::frequency) {
        fs.keywords.frequencies = std::move(words);
      } else if (values_of == Keyword::separation) {
        fs.keywords.separations = std::move(words);
      } else if (values_of == Keyword::dummy) {
        fs.keywords.dummies = std::move(words);
        fs.keywords.dummy_line = line;
      } else if (values_of == Keyword::none && pending == Keyword::none) {
        fs.comments.push_back({std::move(words), std::string(text), line, rec.front()});
      }
      continue;
    }
    pending = Keyword::none;
    const bool may_be_header = first;
    first = is_line_record(rec);  // names right after a line record are a header too
    fs.line_records = fs.line_records || first;
    if (first) continue;
    std::vector<std::string> words = record_words(rec);
    if (words.empty() && !fs.has_row) continue;  // an empty line before the first row
    if (may_be_header && (is_header_record(rec) || (!fs.has_row && mostly_names(words)))) {
      if (fs.has_row) continue;  // names repeated after a line record
      fs.header_not_a_header = !is_header_record(rec);
      fs.header = NameRecord{std::move(words), std::string(rec), line, 0};
      continue;
    }
    if (!fs.has_row) {
      fs.has_row = true;
      fs.row_line = line;
      fs.row = std::move(words);
    }
    fs.rows.emplace_back(rec);
    fs.row_lines.push_back(line);
  }
  return fs;
}

}  // namespace kivo
