// What a record of a data file is, told from its text: a comment record, a
// header record of column names, a line record that begins a flight line, or
// a row of values. Shared by the passes over the data file and by the
// writing of a "kivo.in" from a data file's header.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/os.h"
#include "textio/reader.h"
#include "textio/text.h"

namespace kivo {

// A record whose first character is "/" or "#".
bool is_comment_record(std::string_view rec);

// The words of a record, separated as the values of a row are: by blanks and
// tabs, or by one comma with any blanks around it. A comma at the start of
// the record or right after another comma makes an empty word; a comma at
// the end of the record adds no word. A word may stand between apostrophes
// or quotation marks (a doubled one stands for one); the quotes are not part
// of the word.
std::vector<std::string> record_words(std::string_view rec);

// A column name: a word that begins with an ASCII letter or "_" and is not
// NaN, Inf or Infinity in any case (E5, q1 and D2 are names); or a word that
// begins otherwise, holds an ASCII letter and does not read as a number
// (110Hz_I, 1st and 2x are names; 1e5, 2.5D-3 and -nan are not).
bool is_name(std::string_view word);

// A record of at least one word, every word of it a name. Only the first
// record of a data file that is not a comment record, and the record right
// after a line record, can be a header.
bool is_header_record(std::string_view rec);

// A record whose first word is "Line" or "Tie" in any case, followed by
// exactly one more word (the line's name) and nothing else. `name` gets that
// word when given.
bool is_line_record(std::string_view rec, std::string* name = nullptr);

// Whether a record whose first character that is not a blank or a tab is c
// could be a line record at all: c is an "L" or a "T" in either case. A cheap
// test that spares the rows of numbers the whole one.
inline bool is_line_lead(char c) {
  return c == 'L' || c == 'l' || c == 'T' || c == 't';
}
inline bool may_be_line_record(std::string_view rec) {
  std::size_t i = 0;
  while (i < rec.size() && is_blank(rec[i])) ++i;
  return i < rec.size() && is_line_lead(rec[i]);
}

// The kinds of record of a data file. Only a record that may be a header
// (`first` true: the first record that is not a comment record, or the first
// such record after a line record) can be a header; when it is both a line
// record and a header by their rules, it is a line record.
enum class RecordKind : std::uint8_t { comment, header, line, row };
RecordKind record_kind(std::string_view rec, bool first);

// What the counting pass finds in the records left in a data file: the
// rows (soundings); comments, a header of names and line records are passed
// over. Leaves the file at its end. Returns 0, or a positive status on a
// failure of the file system.
struct RecordCount {
  std::int64_t rows = 0;
};
int count_rows(ReadFile& f, RecordCount& count);

// The count of the rows of one stretch of a data file, so that the stretches
// can be counted on several threads and added up in order: the records that
// begin at offsets from `begin` (a record begins at the file's start or right
// after a line feed) up to `end`, each read whole. A record after a line
// record can be a header, and where a stretch begins right after one is
// known only from the stretch before: the stretch is counted as if it did
// not, with what its first record that is not a comment would count
// otherwise.
struct StretchCount {
  std::int64_t rows = 0;
  bool any = false;           // a record that is not a comment begins in the stretch
  std::int64_t header = 0;    // 1 when that first one is a row, but a header after a line record
  bool ends_in_line = false;  // the last record that is not a comment is a line record
};
// Counts the stretch of the file open as `file` (its position is the
// function's). Returns 0, or a positive status on a failure of the file
// system.
int count_stretch(os::Handle file, std::int64_t begin, std::int64_t end, StretchCount& count);
// Adds the count of the next stretch, in the order of the file, to `rows`;
// `after_line` tells whether the record before it (that is not a comment)
// was a line record, true at the file's start, where a header may stand too.
void add_stretch(const StretchCount& stretch, std::int64_t& rows, bool& after_line);

}  // namespace kivo
