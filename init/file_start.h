// The first records of a data file, up to and including its first row of
// values: the names they give the columns (a header line, or comment
// records) and the keyword header of a Geosoft export. Nothing after the
// first row is read, so a file of any size takes no time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "textio/reader.h"

namespace kivo {

// Opens a file that kivo --init reads. Stops when it cannot be found or
// opened.
void open_input(ReadFile& f, const std::string& name);
// The next record of a file opened by open_input: false at its end. Stops
// when the file cannot be read.
bool next_input_record(ReadFile& f, const std::string& name, std::string_view& rec);

// A record that may name the columns: the header line, or a comment record
// with its "/" or "#" taken off.
struct NameRecord {
  std::vector<std::string> words;
  std::string text;       // the record, after the lead of a comment record
  std::int64_t line = 0;  // physical line, from 1
  char lead = 0;          // '/' or '#' for a comment record, 0 for the header line
};

// Values of a Geosoft keyword header: "/FREQUENCY" and "/COILSEPARATION" (or
// the common "/COILSEPERATION") records, each followed by a comment record of
// values, one per numbered pair; and "/DUMMY" followed by the dummy values.
struct Keywords {
  std::vector<std::string> frequencies;
  std::vector<std::string> separations;  // metres
  std::vector<std::string> dummies;
  std::int64_t dummy_line = 0;  // the line of the dummy values
};

struct FileStart {
  std::optional<NameRecord> header;  // the header line
  // The first record names the columns, but not every word of it is a name
  // (380I begins with a digit), so kivo reads it as a row.
  bool header_not_a_header = false;
  std::vector<NameRecord> comments;  // comment records before the first row, keyword records aside
  Keywords keywords;
  bool has_row = false;
  bool line_records = false;  // a line record (Line, Tie) before the first rows end
  std::int64_t row_line = 0;
  std::vector<std::string> row;  // the words of the first row
  // The first rows as records, the first row included, and their lines:
  // where null markers are looked for.
  std::vector<std::string> rows;
  std::vector<std::int64_t> row_lines;
};

// The rows read_file_start keeps: enough to meet the markers of a survey's
// gaps, few enough to take no time.
inline constexpr std::size_t kRowsRead = 2000;

// Reads the data file up to its first row, and its first kRowsRead rows.
// Stops when the file cannot be found, opened or read.
FileStart read_file_start(const std::string& name);

}  // namespace kivo
