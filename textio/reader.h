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

namespace kivo {

enum class ItemKind { integer, real, character };

// One item of a read request: where its value goes. Storage is changed only
// when a value (not a null value) is assigned to the item.
struct Item {
  ItemKind kind;
  void* dest;           // std::int32_t*, float*, or char[length]
  std::size_t length;   // character items: the fixed length L
};

inline Item int_item(std::int32_t& v) { return {ItemKind::integer, &v, 0}; }
inline Item real_item(float& v) { return {ItemKind::real, &v, 0}; }
inline Item char_item(char* buf, std::size_t len) { return {ItemKind::character, buf, len}; }

// A text file open for sequential reading, read in large blocks. The fields
// belong to the reader; callers only pass the struct to the functions below.
struct ReadFile {
  int fd = -1;
  std::size_t max_record = 0;  // 0: records of any length
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;         // bytes allocated in buf
  std::size_t begin = 0;       // next unread byte in buf
  std::size_t end = 0;         // bytes of buf holding file data
  std::int64_t buf_offset = 0; // file offset of buf[0]
  std::int64_t last_start = 0; // file offset where the last request began
  bool at_eof = false;         // the file has no bytes beyond buf[end]
  bool io_error = false;
};

// Opens `name` for reading; max_record 0 means no maximum record length.
// Returns 0, or a positive status when the file cannot be opened (a directory
// cannot be opened as a text file).
int open_read(ReadFile& f, const std::string& name, std::size_t max_record = 0);
void close_read(ReadFile& f);

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

// Character field read with w = L = len: the first len characters of the next
// record, blank-padded when the record is shorter.
int read_char_field(ReadFile& f, char* dest, std::size_t len);

// Counts the records left in the file whose first character is not `lead`
// (an empty record counts: its first character reads as a blank). Leaves the
// file at its end. Returns 0 at the end of the file or a positive status on
// a failure of the file system; `count` holds the records counted so far.
int count_records(ReadFile& f, char lead, std::int64_t& count);

// The next request reads the first record again.
void rewind_read(ReadFile& f);
// The next request reads again the record on which the last request began.
void step_back(ReadFile& f);

}  // namespace kivo
