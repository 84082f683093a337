// Field writer: integer, general real, one-character and skip fields, records
// in a file (ended by CR LF), console records and inserted number texts.
//
// The put_* functions render one field at p and return the position after it;
// a field always takes exactly its width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace kivo {

// Integer field of width w (1..11): right-aligned digits, a minus sign for a
// negative value; w asterisks when the text does not fit. A width below 1
// renders nothing.
char* put_int(char* p, int w, std::int32_t v);

// General real field of width w with d significant digits (d 1..9, w >= d+6):
// fixed-point with 4 trailing blanks for 0.1 <= |v| < 10^d after rounding,
// exponent form otherwise; "NaN"/"Inf" at the left. Ties round away from 0.
// In a field narrower than w = d+6 the leading "0" of "0.ddd" is dropped when
// that makes the text fit, and the field is w asterisks when it still does
// not. A d outside 1..9 is a fatal stop.
char* put_general(char* p, int w, int d, float v);

inline char* put_char(char* p, char c) {
  *p = c;
  return p + 1;
}
inline char* put_skip(char* p, int n) {
  for (int i = 0; i < n; ++i) *p++ = ' ';
  return p;
}
// Character field without width: the characters of s, unchanged.
inline char* put_chars(char* p, std::string_view s) {
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  return p + s.size();
}

// Writes a record into a text variable of length len: the variable is filled
// with blanks and the record placed at its start. A record longer than the
// variable is a fatal stop.
void put_text_var(char* var, std::size_t len, std::string_view record);

// The decimal text of a number put into a message: v written right-aligned
// into an integer field of width w, then stripped of its blanks.
std::string number_text(std::int32_t v, int w = 9);

// Console records. The first character of a console record is line control
// and is not shown; a blank starts a new line. Lines end with the system's
// console line end (os::console_line_end: "\n", or "\r\n" on Windows).
void console_record(std::FILE* console, std::string_view record);
// A top-level line: the text shown from the first column.
void top_line(std::FILE* console, std::string_view text);
// A progress line: the text shown after one blank.
void progress_line(std::FILE* console, std::string_view text);
// A line on standard error (`errors`) that helps a person: where a stop
// comes from, a note on suspicious values. What the console holds is written
// out first, so that on a terminal the lines come in order.
void error_line(std::FILE* console, std::FILE* errors, std::string_view text);

// A text file open for writing, buffered in large chunks. Records are
// assembled in place: record_begin() gives room for max_len characters, the
// caller renders fields there, and record_end() appends CR LF.
//
// Movable, not copyable; the destructor of a file still open writes what it
// can of the buffer and closes it (close_write is the way to learn whether
// every write succeeded).
struct WriteFile {
  int fd = -1;
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t len = 0;
  bool failed = false;  // a write of the file system has failed

  WriteFile() = default;
  WriteFile(WriteFile&& other) noexcept;
  WriteFile& operator=(WriteFile&& other) noexcept;
  WriteFile(const WriteFile&) = delete;
  WriteFile& operator=(const WriteFile&) = delete;
  ~WriteFile();
};

// Creates or truncates `name`. Returns 0, or a positive status. A file still
// open in f is closed first.
int open_write(WriteFile& f, const std::string& name);
// Writes into a file already open for writing (a handle of the system
// layer), which f then owns.
void attach_write(WriteFile& f, int handle);
// Closes the file without writing what is buffered: a file being discarded.
void abandon_write(WriteFile& f);
// Room for a record of at most max_len characters (plus its CR LF).
char* record_begin(WriteFile& f, std::size_t max_len);
// Ends the record that runs to `end`; returns the write status (0, or
// positive when writing buffered records to the file has failed).
int record_end(WriteFile& f, char* end);
// Writes what is buffered, then puts `n` bytes over the first bytes of the
// file (a count known only once the rest is written). Only a regular file
// takes it, and only just before close_write. Returns 0 or a positive status.
int write_head(WriteFile& f, const char* data, std::size_t n);
// Writes what is buffered and closes the file; 0 or a positive status (also
// when an earlier write of the file failed).
int close_write(WriteFile& f);

namespace detail {
// The general real field through std::to_chars alone: the routine put_general
// falls back to outside its integer fast path, kept callable for the tests.
char* put_general_tochars(char* p, int w, int d, float v);
}  // namespace detail

}  // namespace kivo
