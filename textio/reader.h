// Record reader: cutting text files into records, and the free-format and
// character-field reads of values from them or from a text in memory.
//
// Every read request returns a status: 0 success, -1 end of file (a record
// was needed and none was left), a positive number for an error (malformed
// value, out-of-range number, failure of the file system).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

enum class ItemKind { integer, real, character, text };

// One item of a read request: where its value goes. Storage is changed only
// when a value (not a null value) is assigned to the item.
struct Item {
  ItemKind kind;
  void* dest;          // std::int32_t*, float*, char[length], or std::string*
  std::size_t length;  // character items: the fixed length L
};

inline Item int_item(std::int32_t& v) {
  return {ItemKind::integer, &v, 0};
}
inline Item real_item(float& v) {
  return {ItemKind::real, &v, 0};
}
inline Item char_item(char* buf, std::size_t len) {
  return {ItemKind::character, buf, len};
}
// A character value of any length: read as a character item is, and stored
// whole.
inline Item text_item(std::string& v) {
  return {ItemKind::text, &v, 0};
}

// Status numbers of the reader. Callers only test the sign; the numbers
// themselves tell the cause apart in tests.
namespace read_status {
inline constexpr int ok = 0;
inline constexpr int end_of_file = -1;
inline constexpr int io_error = 1;      // a read or seek of the file failed
inline constexpr int cannot_open = 2;   // no such file, no permission, ...
inline constexpr int not_a_file = 3;    // a directory, a pipe, a socket, a block device
inline constexpr int no_memory = 4;     // a record too long for the memory left
inline constexpr int bad_integer = 10;  // a character that no integer may hold
inline constexpr int integer_overflow = 11;
inline constexpr int bad_real = 12;  // a character that no real may hold
inline constexpr int real_overflow = 13;
inline constexpr int real_underflow = 14;
inline constexpr int bad_repeat = 15;        // a repeat count that is not an integer above 0
inline constexpr int quote_for_number = 16;  // a quote or "(" starting an integer or real value
}  // namespace read_status

// Where a read request failed, for the message that points at it: filled by
// a request on a file only when it fails.
struct ReadFault {
  std::int64_t line = 0;        // physical line of the text at fault, or where the request began
  std::size_t column = 0;       // 1-based position where that text begins; 0: no text is at fault
  std::string text;             // the text at fault (the unquoted token, or a quote's opening)
  std::size_t item = 0;         // the item at fault, from 0: the items before it were dealt with
  std::int64_t first_line = 0;  // the line on which the request began
};

// A text file open for sequential reading, read in large blocks. The fields
// belong to the reader; callers only pass the struct to the functions below.
// It owns its file descriptor: moving hands it over, destruction closes it.
struct ReadFile {
  static constexpr std::size_t default_block = std::size_t{1} << 20;

  int fd = -1;
  std::size_t max_record = 0;         // 0: records of any length
  std::size_t block = default_block;  // bytes asked of each read(2)
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;          // bytes allocated in buf
  std::size_t begin = 0;        // next unread byte in buf
  std::size_t end = 0;          // bytes of buf holding file data
  std::int64_t buf_offset = 0;  // file offset of buf[0]
  std::int64_t rec_start = 0;   // file offset of the record obtained last
  std::int64_t last_start = 0;  // file offset where the last request began
  bool skip_line = false;       // the rest of a physical line at begin is still to be passed over
  bool at_eof = false;          // the file has no bytes beyond buf[end]
  bool io_error = false;        // sticky: every later request fails
  std::int64_t line = 0;        // physical lines obtained so far: the line of the last record
  std::int64_t last_line = 0;   // lines before the record where the last request began
  ReadFault fault;              // where the last failed request failed

  ReadFile() = default;
  ~ReadFile();
  ReadFile(ReadFile&& other) noexcept;
  ReadFile& operator=(ReadFile&& other) noexcept;
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;
};

// Opens `name` for reading; max_record 0 means no maximum record length.
// Returns 0, or a positive status when the file cannot be opened (a directory
// cannot be opened as a text file).
int open_read(ReadFile& f, const std::string& name, std::size_t max_record = 0);
// The same with the size of each read of the file (at least 1), so that tests
// can put record ends and block ends anywhere.
int open_read(ReadFile& f, const std::string& name, std::size_t max_record, std::size_t block);
void close_read(ReadFile& f);

// The next record of the file, or its first `want` characters when it is
// longer (the rest of its physical line is passed over all the same). `rec`
// stays valid until the next call on the file. Returns 0, -1 at the end of the
// file, or a positive status.
int next_record(ReadFile& f, std::size_t want, std::string_view& rec);

// Free-format read of a list of items; starts at the next record of the file.
int read_list(ReadFile& f, std::span<const Item> items);
// Free-format read from a text in memory, which is the only record.
int read_list(std::string_view text, std::span<const Item> items);
// Free-format read of one item from a text in memory. `assigned` tells
// whether a value reached the item (false after a null value, a slash, a bare
// repeat count such as "2*", or the end of the text).
int read_one(std::string_view text, const Item& item, bool& assigned);
// Free-format read of n real items into dest[0..n) (same rules as read_list,
// with a fast path for plain decimal numbers).
int read_reals(ReadFile& f, float* dest, std::size_t n);

// What a row of reals holds beside its values. The marks, when given, get for
// each item left without a value kNullValue (a null value, a bare repeat
// count, the items after a slash) or kTextNull + t when its token is exactly
// the text null marker t of `text_nulls` (the later ones of more than
// kTextNullsMarked share the last mark); a text null marker is never a read
// error. The items that got a value are not touched.
inline constexpr unsigned char kNullValue = 1;
inline constexpr unsigned char kTextNull = 2;
inline constexpr std::size_t kTextNullsMarked = 255 - kTextNull;
struct RowMarks {
  unsigned char* marks = nullptr;
  const std::vector<std::string>* text_nulls = nullptr;
  // A record that ends in a comma ends in an empty field: a null value for
  // the next item (a CSV row whose last value is missing), rather than the
  // end of the record with the next item still to come.
  bool trailing_nulls = false;
  bool any = false;       // some item got a mark
  bool more = false;      // the row's last record holds more values after the n items
  std::string_view rest;  // that record's text after the n items, until the next request
};
int read_reals(ReadFile& f, float* dest, std::size_t n, RowMarks& row);
// The same for a row held whole by one record in memory: -1 when the record
// ends before the n items have their values (the row would go on in the next
// record of a file).
int read_reals(std::string_view rec, float* dest, std::size_t n, RowMarks& row);

// The number of values in a text (the rest of a row after its last value),
// by the free-format rules: "3*1" counts 3, a value between two commas 1; a
// slash ends the text.
std::size_t count_values(std::string_view text);

// Reads again the request on which the last one began, as n real items (with
// the null markers of `row`, when given), to find where item `item` took its
// value or its null value: the line and the
// 1-based position (of the value, of the comma of a null value, of the slash
// that ended the request). Leaves the file where the last request left it.
// False when that item got neither (the request failed before it).
bool locate_item(ReadFile& f, std::size_t n, std::size_t item, std::int64_t& line,
                 std::size_t& column, const RowMarks* row = nullptr);
// The same for a row held whole by the record `rec` in memory: the 1-based
// position in it.
bool locate_item(std::string_view rec, std::size_t n, std::size_t item, std::size_t& column,
                 const RowMarks* row = nullptr);

// Character field read with w = L = len: the first len characters of the next
// record, blank-padded when the record is shorter.
int read_char_field(ReadFile& f, char* dest, std::size_t len);

// The first character of the next record (a blank when the record is empty)
// without reading the record: the next request, and a step back, start at
// it. Returns 0, -1 at the end of the file, or a positive status.
int peek_char(ReadFile& f, char& first);

// peek_char, and also the record's first character that is not a blank or
// a tab (a blank when there is none), so that a row of numbers is told from a
// record of words without reading it whole.
int peek_lead(ReadFile& f, char& first, char& lead);

// Passes over comment records ("/" or "#" first) and, unless `first`, over
// records that cannot be line records (their first character that is not a
// blank or a tab is no "L" or "T" in either case), adding those to `rows`;
// stops before the next record that needs its words looked at. Returns 0
// there, -1 at the end of the file, or a positive status.
int next_row_start(ReadFile& f, bool first, std::int64_t& rows);

// What a positive status of a read says of the text at fault, for a message
// that quotes that text: "is not a number", "is not an integer", ...
std::string fault_reason(int status, ItemKind kind);

// Conversion of one unquoted token by the integer and the real value rules.
// The target is changed only on success; returns 0 or a positive status.
int convert_integer(std::string_view token, std::int32_t& value);
int convert_real(std::string_view token, float& value);

// The next request begins at the file offset `offset`, the start of a record
// with `lines` physical lines before it. Returns 0, or a positive status
// when the file cannot be positioned there.
int seek_record(ReadFile& f, std::int64_t offset, std::int64_t lines);
// The file offset where the next request will begin (the rest of the line
// that the last record was cut from passed over first). Returns 0, or a
// positive status.
int record_offset(ReadFile& f, std::int64_t& offset);

// The next request reads the first record again.
void rewind_read(ReadFile& f);
// The next request reads again the record on which the last request began.
void step_back(ReadFile& f);

}  // namespace kivo
