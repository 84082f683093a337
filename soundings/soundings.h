// Soundings: the data file's counting and reading passes, and the thinning
// (averaging over neighbours or decimation) of the soundings read.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "params/params.h"
#include "textio/reader.h"

namespace kivo {

// Existence check and opening of the data file, its progress line, the
// counting pass, the rewind and the count line. Returns S.
std::int32_t count_soundings(ReadFile& f, const Params& p, std::FILE* console);

// --- Storing one row -------------------------------------------------------

// The uncertainty of the value v of a column: the larger of perr % of |v| and
// the threshold terr. The percentage term is the product 0.01 * perr * |v| of
// the three singles, formed in double and rounded once; the threshold wins
// only when strictly greater, so a NaN gives the percentage term.
float uncertainty(float perr, float terr, float v);

// How one used column of a row is stored, decided once for the whole pass
// from the column descriptors.
enum class StoreKind : std::uint8_t {
  x,            // the sounding's x
  y,            // the sounding's y
  height_feet,  // z = -(0.3048 * v)
  height,       // z = -v
  inphase,      // unpaired "i"/"I": (v, 0)
  quadrature,   // unpaired "q"/"Q": (0, v)
  pair_iq,      // lead "i"/"I" with partner "q"/"Q": (v, w)
  pair_qi,      // lead "q"/"Q" with partner "i"/"I": (w, v)
  bad_inqu,     // unpaired with any other flag: fatal when stored
  bad_pair,     // a lead and partner that are not one of each: fatal when stored
};

struct ColumnStore {
  StoreKind kind;
  std::int32_t j;      // column index (from 0)
  std::int32_t k;      // partner column index for the pair kinds
  double pct_j = 0.0;  // 0.01 * perr of column j, exact in double
  float terr_j = 0.0f;
  double pct_k = 0.0;  // the same for the partner
  float terr_k = 0.0f;
};

// The used columns in ascending order, with how each is stored.
std::vector<ColumnStore> plan_row(const Params& p, const Arrays& a);

// One row of the data file as stored: its own coordinates and negated
// height here, its data and uncertainties in dat_a / err_a at the index of
// each lead or unpaired data column.
struct Sounding {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;  // negated height in metres
};

// Stores the row in dum_a column by column; stops on a column whose flags
// cannot be stored, after the columns before it.
void store_row(const std::vector<ColumnStore>& plan, const Params& p, Arrays& a, Sounding& row);

// --- Thinning --------------------------------------------------------------

// Lowers the averaging number when its window 2n + 1 is longer than S, with
// the notice "Averaging number too large: changed to <n>.". With S = 0 the
// notice is always given, with n = 0.
void check_averaging(Params& p, std::int32_t nsoundings, std::FILE* console);

// The kept soundings: indices first, first + step, ... (from 0), count of
// them, and the window W = 2n + 1 around each. Needs the checked averaging
// number (W <= S, or S = 0).
struct Kept {
  std::int32_t first = 0;
  std::int64_t step = 1;
  std::int32_t count = 0;
  std::int32_t window = 1;
};
Kept kept_soundings(std::int32_t nsoundings, std::int32_t naverage, std::int32_t ndecimate);

// Index (from 0) of the i-th kept sounding, i from 0.
inline std::int32_t kept_index(const Kept& kept, std::int32_t i) {
  return static_cast<std::int32_t>(kept.first + kept.step * i);
}

// The averaging number that check_averaging leaves, without its notice.
std::int32_t checked_averaging(std::int32_t naverage, std::int32_t nsoundings);

// --- The reading pass ------------------------------------------------------
//
// The pass reads the data file row by row and folds every row into what the
// observations file needs: it hands out each kept sounding, with the window
// averages of its height, data and uncertainties, as soon as the last row of
// its window has been read. Nothing is held but the window's running sums.

// The running sums of one data column over the window being read.
struct WindowSum {
  double dat_re, dat_im, err_re, err_im;
};

// What the pass noticed that converts but is likely wrong: values of a used
// column that are plainly null markers, or that a null value left to the
// value before, and rows that took their values from more than one line.
// Each kind is counted per column, with its first place, for one note each
// on standard error once the data file has been read.
enum class NoteKind : std::uint8_t { marker, nan, infinity, empty };
inline constexpr std::size_t kNoteKinds = 4;

struct NoteCount {
  std::int64_t count = 0;     // soundings
  std::int32_t sounding = 0;  // the first, from 1
  std::int64_t line = 0;      // and its place in the data file
  std::size_t column = 0;
  float value = 0.0f;  // the first value of a marker, NaN or infinity
};

// A marker value of one column, counted on its own: -9999 and -99999 in one
// column make two notes.
struct MarkerNote {
  std::int32_t column = 0;  // index from 0
  float value = 0.0f;
  NoteCount n;
};

// The soundings that one column's null values left out, per null marker:
// kEmptyNull for a null value of the free-format rules, else the index of a
// numeric marker, then NaN, then the text markers (see null_marker_text).
inline constexpr std::int32_t kEmptyNull = -1;
struct NullNote {
  std::int32_t column = 0;  // index from 0
  std::int32_t marker = kEmptyNull;
  NoteCount n;
};

struct ReadingNotes {
  std::vector<std::array<NoteCount, kNoteKinds>> columns;  // per column of the file
  std::vector<MarkerNote> markers;                         // NoteKind::marker, per value
  std::vector<NullNote> nulls;                             // soundings left out, per column
  std::int64_t left_out = 0;                               // soundings left out for null values
  NoteCount wide;                  // rows with more values than the columns of "kivo.in"
  std::size_t wide_values = 0;     // the values of the first of them
  NoteCount low;                   // heights of 0 or below
  std::int64_t spans = 0;          // rows over more than one line
  std::int32_t span_sounding = 0;  // the first of them
  std::int64_t span_first = 0, span_last = 0;  // its lines
  std::int32_t counted = 0;                    // S of the counting pass
  std::int32_t read = 0;                       // soundings read
  std::int64_t short_flights = 0;              // flight lines shorter than the window: no block
  std::int64_t short_soundings = 0;            // the soundings they held
  std::int64_t short_first_file_line = 0;      // the line of the file where the first begins
  std::int32_t window = 1;                     // W
};

// The null markers that a note names: -9999, -99999, -999999, -9999999, their
// positive forms, and the same with ".9" or ".99" after them, and -999 and
// -999.9; the text of the one that v is, or null. Values of magnitude 1e30
// or more are noted too (a float dummy), by their own text.
const char* null_marker(float v);

// The notes on standard error, one line each, after the console has been
// written out; nothing when there is nothing to note.
void report_notes(const ReadingNotes& notes, const Params& p, std::FILE* console,
                  std::FILE* errors);

// What a row read is, beside its values.
struct RowInfo {
  std::int64_t file_line = 0;  // the line of the file where the row begins
  bool null = false;           // it holds a null value: left out
  bool flight_begins = false;  // a flight line begins here, or at the next row that is not left out
  // With names asked for, where a flight line begins after a line record:
  // the record's name (empty on every other row, so that no row allocates).
  std::string record_name;
};

class ConvertAhead;

// The row-level half of the reading pass: records, values, notes on values
// and null values, the places of rows and flight lines. It is all that looks
// at the data file; its rows may come converted ahead on other threads (see
// ConvertAhead).
struct RowReader {
  ReadFile* file = nullptr;
  const Params* params = nullptr;
  std::int32_t nsoundings = 0;  // S: the pass ends after the S-th row
  std::int32_t nread = 0;       // rows read so far
  std::int64_t file_line = 0;   // L: records whose first character was read
  std::vector<float> dum;  // the row read last; a value it leaves unassigned keeps the last one
  RowInfo info;            // and what it is
  std::vector<std::int32_t> checked;      // the columns whose values are looked at for notes
  std::vector<unsigned char> unassigned;  // the columns of the row that got no value
  ReadingNotes notes;                     // the notes on rows and values; the pass adds the rest
  // Flight lines: a line record, or a change of the line column's value,
  // begins a new one at the next row, and the thinning starts afresh there.
  bool first_record = true;                // no record but comments read yet
  bool flight_pending = false;             // the next row begins a new flight line
  std::uint32_t flight_bits = 0;           // the line column's value in the row before
  bool have_flight_bits = false;           // a row not left out gave flight_bits
  bool nulls_on = false;                   // a null line: null values leave soundings out
  std::vector<std::int32_t> null_columns;  // the used columns, the line column included
  RowMarks marks;
  bool want_names = false;  // the names of line records travel with the rows
  std::string record_name;  // the name of the line record read last, not handed on yet
  // With rows converted ahead: where the next record begins, the physical
  // lines before it, and whether the file stands there; and whether the row
  // read last came converted, from the record `row_text`.
  ConvertAhead* ahead = nullptr;
  std::int64_t offset = 0;
  std::int64_t lines = 0;
  bool file_at_offset = true;
  bool converted = false;
  std::string_view row_text;
};

// Reads the next sounding row into rr.dum and rr.info. False at the end of
// the pass: the end of the file, or a row beyond the count. A row that cannot
// be read stops the run.
bool read_row(RowReader& rr);

// The number of threads a reading pass uses: KIVO_THREADS in the environment
// when it is a number of at least 1, else the cores there are. With 1 the
// rows are read and converted on the thread of the pass itself; a pass uses
// at most 8.
std::int32_t reading_threads();
// The bytes of the file that a thread converts at a time: KIVO_CHUNK_BYTES
// in the environment when it is a number of at least 1 (for tests, which
// take small ones), else 0 for the default.
std::int64_t reading_chunk_bytes();

struct ReadingPass {
  ReadingPass();
  ~ReadingPass();
  ReadingPass(const ReadingPass&) = delete;
  ReadingPass& operator=(const ReadingPass&) = delete;

  RowReader rows;
  std::unique_ptr<ConvertAhead> ahead;  // the rows converted on several threads, when they are
  const Params* params = nullptr;
  Arrays* arrays = nullptr;
  std::vector<ColumnStore> plan;
  std::unique_ptr<WindowSum[]> sums;  // one per entry of plan
  Kept kept;
  std::int32_t naverage = 0;
  double reciprocal = 1.0;    // 1 / W, formed once
  std::int32_t nread = 0;     // rows handed to the windows so far
  std::int64_t step_pos = 0;  // the next row's position from the start of its step
  double zsum = 0.0;
  Sounding centre;  // the row at the centre of the window
  bool ended = false;
  ReadingNotes notes;                       // complete once the pass has ended
  std::int32_t nkept = 0;                   // kept soundings handed out
  bool flight_pending = false;              // the next row not left out begins a new flight line
  std::int64_t flight_rows = 0;             // rows of the flight line being read
  std::int64_t flight_blocks = 0;           // and the kept soundings it gave
  std::int64_t flight_first_file_line = 0;  // the line of the file of its first row
  std::int32_t centre_s = 0;                // the index of the row at the centre of the window
  // The flight line of the kept soundings handed out: its number in file
  // order (from 1, counting the lines that hold a sounding) and, when names
  // are asked for (set before begin_reading), its name.
  bool want_names = false;
  std::int64_t flight = 0;
  std::string flight_name;
  std::string record_name;  // the name of the line record that begins the next flight line
};

// The name of a flight line: the name of the line record that began it, else
// the line column's value in its first sounding as the shortest "%.<p>g"
// text (p 1 to 9) that reads back to the same single, else its number in
// file order; every character but an ASCII letter, a digit, ".", "-", "_"
// or "+" made "_".
std::string flight_line_name(const std::string& record_name, bool line_column, float value,
                             std::int64_t number);

// The kept sounding handed out: its index s (from 0), its own x and y, and
// the window average of its height; the averages of its data and
// uncertainties are in dat_a / err_a.
struct KeptSounding {
  std::int64_t flight = 0;  // the flight line, as ReadingPass::flight
  std::int32_t s = 0;
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

// Starts a pass over the data file from where it stands (its start), for S
// soundings and the averaging number n (checked against S), on `threads`
// threads (reading_threads() when 0): with two or more, the rows are read and
// converted on a thread of their own, ahead of the windows. Either way the
// pass hands out the same soundings and notes, and stops at the same row
// with the same message.
void begin_reading(ReadingPass& r, ReadFile& f, const Params& p, Arrays& a, std::int32_t nsoundings,
                   std::int32_t naverage, std::int32_t threads = 0);
// Reads on to the end of the next kept sounding's window. False when the
// pass has ended: S rows read, or the end of the file.
bool next_kept(ReadingPass& r, KeptSounding& k);
// Reads the rest of the pass, handing out nothing.
void read_to_end(ReadingPass& r);

}  // namespace kivo
