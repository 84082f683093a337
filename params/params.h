// Run parameters: what "kivo.in" says of the files, of every column and of
// the thinning, and the per-column arrays the columns and soundings live in.
//
// Column and sounding numbers count from 1 in messages and in the values
// stored below (coordinate column numbers, iqpoint_a, ifreqs_a); the arrays
// themselves are indexed from 0, so column number k lives at index k - 1.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textio/reader.h"

namespace kivo {

inline constexpr const char* kParamsName = "kivo.in";
inline constexpr std::size_t kLineLength = 999;  // column and averaging lines

// Where a line of "kivo.in" stands: its line number and the position of its
// first word (0 for a blank line), for the lines that point at it.
struct LinePlace {
  std::int64_t line = 0;
  std::size_t column = 0;
};

// The null markers of the null line: a value of a used column that is one
// of them stands for no measurement, and its sounding is left out.
struct Nulls {
  std::vector<float> values;       // numeric markers, as single reals (no NaN)
  std::vector<std::string> typed;  // each numeric marker as written on the line
  bool nan = false;                // a NaN marker: every NaN is null
  std::string nan_typed;           // as written
  std::vector<std::string> texts;  // text markers: a value's text exactly
  bool any() const { return !values.empty() || nan || !texts.empty(); }
};

struct Params {
  std::string data_file;    // without trailing blanks
  std::string output_file;  // without trailing blanks
  std::int32_t ncols = 0;   // N, at least 1 once read
  std::int32_t xcol = 0;    // column numbers of the coordinates, 0 = none
  std::int32_t ycol = 0;
  std::int32_t zcol = 0;
  std::int32_t linecol = 0;              // the flight-line column, 0 = none
  std::int32_t naverage = 0;             // averaging number
  std::int32_t ndecimate = 0;            // decimating number
  std::int32_t nfreqs = 0;               // number of frequencies
  std::vector<LinePlace> column_places;  // the column line of each column
  LinePlace averaging_place;             // the averaging line
  std::string averaging_word;            // its option word, as typed
  Nulls nulls;                           // empty without a null line
  LinePlace null_place;                  // the null line, when there is one
};

// A complex single: in-phase in re, quadrature in im.
struct Cplx {
  float re;
  float im;
};

template <class T>
using Array = std::unique_ptr<T[]>;

// The per-column arrays, N entries each, allocated together; no entry has an
// initial value. dat_a and err_a hold the data and uncertainties of one
// sounding (as read, or as averaged over its window) at the index of each
// lead or unpaired data column. Nothing is kept per sounding.
struct Arrays {
  Array<std::int32_t> usecol_a;  // 0 not used, 1 used
  Array<char> feetmetres_a;
  Array<char> inqu_a;
  Array<std::int32_t> iqpoint_a;  // partner column number of a lead column, else 0
  Array<float> dum_a;             // scratch row
  Array<float> freqs_a;
  Array<std::int32_t> ifreqs_a;  // frequency number, else 0
  Array<char> ot_a;
  Array<float> momt_a;
  Array<char> or_a;
  Array<float> trx_a;
  Array<float> try_a;
  Array<std::int32_t> ontype_a;
  Array<float> perr_a;
  Array<float> terr_a;
  Array<Cplx> dat_a;
  Array<Cplx> err_a;
};

// Existence check and opening of "kivo.in", and its progress line.
void open_params_file(ReadFile& f, std::FILE* console);
// The data file name and the output file name (items 1 and 2).
void read_file_names(ReadFile& f, Params& p);
// The number of columns (item 3), at least 1.
void read_column_count(ReadFile& f, Params& p);
// Allocates the per-column arrays for N columns, or stops with "error
// allocating space for arrays".
void allocate_arrays(Arrays& a, std::int32_t ncols);
// The N column lines.
void read_column_lines(ReadFile& f, Params& p, Arrays& a);
// The averaging line, its progress line, the null line that may follow it,
// and the closing of the file.
void read_averaging_line(ReadFile& f, Params& p, std::FILE* console);
// The record after the averaging line, line `line` of "kivo.in": a null line
// ("null" or "nulls" in any case after blanks and tabs, a blank, tab or
// comma, then its markers) fills p.nulls and p.null_place; any other record
// is a comment and leaves them empty. Stops on a null line without markers.
void read_null_line(std::string_view record, std::int64_t line, Params& p);
// Coordinate columns present, pairing of in-phase and quadrature columns,
// and the frequency numbers.
void check_column_set(Params& p, Arrays& a);

// The line on standard error that points at a place of "kivo.in".
std::string params_place(std::int64_t line, std::size_t column, std::string_view what);
// The same at the column line of column number k (from 1); `what` begins
// with "column <k>: ".
std::string column_place(const Params& p, std::int32_t k, std::string_view what);

// Whether a file (or a directory) of this name exists.
bool name_exists(const std::string& name);
// The text without its leading blanks (blanks only; a tab is kept).
std::string_view left_adjusted(std::string_view s);
// The text without its leading and trailing blanks.
std::string_view trimmed(std::string_view s);
// Takes the next word off `rest`, the left-adjusted remainder of a line
// buffer of kLineLength characters (its blank padding may be left off). A
// word runs up to the next blank; only the blank separates words. A buffer
// whose kLineLength characters hold no blank gives an empty word and stays as
// it is. Otherwise `rest` becomes the left-adjusted text after the word.
std::string_view next_word(std::string_view& rest);

}  // namespace kivo
