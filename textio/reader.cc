// Opening, cutting into records, positioning and counting of text files.
//
// The file is read in blocks into one buffer. A record is handed out as a view
// into that buffer, so a record must lie whole in it: when a record runs past
// the data held, what is left of the buffer is moved to its front and more is
// read behind it; only a record longer than the buffer makes it grow. The
// operating system's file position is always buf_offset + end.
//
// A record ends at the first CR or LF, or after its max_record-th character;
// the rest of that physical line, up to and including its LF, is passed over.
// That passing over is done lazily, at the next request, so that the record
// just handed out stays in the buffer and a step back is usually a move of
// `begin` within it.
#include "textio/reader.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "os/os.h"
#include "textio/records.h"

namespace kivo {

namespace {

// Reads once more from the file into the buffer, after dropping its first
// `drop` bytes. Grows the buffer when less than half a block is free.
int fill(ReadFile& f, std::size_t drop) {
  if (f.fd < 0) {
    f.io_error = true;
    return read_status::io_error;
  }
  if (drop > 0) {
    const std::size_t kept = f.end - drop;
    if (kept > 0) std::memmove(f.buf.get(), f.buf.get() + drop, kept);
    f.buf_offset += static_cast<std::int64_t>(drop);
    f.end = kept;
    f.begin = f.begin > drop ? f.begin - drop : 0;
  }
  if (f.cap - f.end < f.block / 2 + 1) {
    if (f.cap > std::numeric_limits<std::size_t>::max() / 4) return read_status::no_memory;
    std::size_t cap = f.cap * 2;
    if (cap < f.end + f.block) cap = f.end + f.block;
    std::unique_ptr<char[]> grown(new (std::nothrow) char[cap]);
    if (!grown) return read_status::no_memory;
    if (f.end > 0) std::memcpy(grown.get(), f.buf.get(), f.end);
    f.buf = std::move(grown);
    f.cap = cap;
  }
  const std::size_t want = f.cap - f.end < f.block ? f.cap - f.end : f.block;
  const std::int64_t n = os::read(f.fd, f.buf.get() + f.end, want);
  if (n < 0) {
    f.io_error = true;
    return read_status::io_error;
  }
  if (n == 0) f.at_eof = true;
  f.end += static_cast<std::size_t>(n);
  return 0;
}

// Passes over the rest of the physical line at `begin`, up to and including
// its LF, reading and dropping blocks as needed.
int pass_line(ReadFile& f) {
  for (;;) {
    const char* base = f.buf.get();
    if (f.begin < f.end) {
      const void* lf = std::memchr(base + f.begin, '\n', f.end - f.begin);
      if (lf) {
        f.begin = static_cast<std::size_t>(static_cast<const char*>(lf) - base) + 1;
        return 0;
      }
    }
    if (f.at_eof) {
      f.begin = f.end;
      return 0;
    }
    if (const int st = fill(f, f.end)) return st;
  }
}

// Before a request: a failed file fails again, and the rest of the line that
// the last record was cut from is passed over now.
int to_record_start(ReadFile& f) {
  if (f.io_error) return read_status::io_error;
  if (f.skip_line) {
    if (const int st = pass_line(f)) return st;
    f.skip_line = false;
  }
  return 0;
}

// The first character that is not a blank or a tab of the record at
// `begin` (a blank when there is none: an empty record, or blanks up to the
// end of the file), reading more of the file as needed.
int lead_of_record(ReadFile& f, char& lead) {
  std::size_t off = 0;  // from begin: characters known to be blanks or tabs
  for (;;) {
    const char* s = f.buf.get() + f.begin;
    const std::size_t avail = f.end - f.begin;
    while (off < avail && (s[off] == ' ' || s[off] == '\t')) ++off;
    if (off < avail) {
      const char c = s[off];
      lead = c == '\r' || c == '\n' ? ' ' : c;
      return 0;
    }
    if (f.at_eof) {
      lead = ' ';
      return 0;
    }
    if (const int st = fill(f, f.begin)) return st;
  }
}

// Moves to the file offset `off`: within the buffer when it holds it, else by
// a seek that empties the buffer.
void seek_to(ReadFile& f, std::int64_t off) {
  f.skip_line = false;
  if (f.io_error) return;
  if (f.buf && off >= f.buf_offset && off <= f.buf_offset + static_cast<std::int64_t>(f.end)) {
    f.begin = static_cast<std::size_t>(off - f.buf_offset);
    return;
  }
  if (f.fd < 0 || !os::seek(f.fd, off)) {
    f.io_error = true;
    return;
  }
  f.buf_offset = off;
  f.begin = f.end = 0;
  f.at_eof = false;
}

}  // namespace

ReadFile::~ReadFile() {
  close_read(*this);
}

ReadFile::ReadFile(ReadFile&& other) noexcept {
  *this = std::move(other);
}

ReadFile& ReadFile::operator=(ReadFile&& other) noexcept {
  if (this != &other) {
    close_read(*this);
    fd = std::exchange(other.fd, -1);
    max_record = other.max_record;
    block = other.block;
    buf = std::move(other.buf);
    cap = std::exchange(other.cap, 0);
    begin = std::exchange(other.begin, 0);
    end = std::exchange(other.end, 0);
    buf_offset = std::exchange(other.buf_offset, 0);
    rec_start = std::exchange(other.rec_start, 0);
    last_start = std::exchange(other.last_start, 0);
    skip_line = std::exchange(other.skip_line, false);
    at_eof = std::exchange(other.at_eof, false);
    io_error = std::exchange(other.io_error, false);
    line = std::exchange(other.line, 0);
    last_line = std::exchange(other.last_line, 0);
    fault = std::move(other.fault);
  }
  return *this;
}

int open_read(ReadFile& f, const std::string& name, std::size_t max_record) {
  return open_read(f, name, max_record, ReadFile::default_block);
}

int open_read(ReadFile& f, const std::string& name, std::size_t max_record, std::size_t block) {
  close_read(f);
  int fd = os::kNoHandle;
  switch (os::open_read(name, fd)) {
    case os::OpenStatus::ok:
      break;
    case os::OpenStatus::cannot_open:
      return read_status::cannot_open;
    // Only regular files read as text files: both passes over a data file
    // need a file that can be rewound and that ends. A directory, a pipe or
    // a socket cannot be rewound, and a device such as /dev/zero never ends.
    case os::OpenStatus::not_a_file:
      return read_status::not_a_file;
  }
  f.block = block > 0 ? block : 1;
  f.buf.reset(new (std::nothrow) char[f.block]);
  if (!f.buf) {
    os::close(fd);
    return read_status::no_memory;
  }
  f.fd = fd;
  f.cap = f.block;
  f.max_record = max_record;
  return 0;
}

void close_read(ReadFile& f) {
  if (f.fd >= 0) os::close(f.fd);
  f.fd = -1;
  f.buf.reset();
  f.cap = f.begin = f.end = 0;
  f.buf_offset = f.rec_start = f.last_start = 0;
  f.skip_line = f.at_eof = f.io_error = false;
  f.line = f.last_line = 0;
  f.fault = ReadFault{};
}

int next_record(ReadFile& f, std::size_t want, std::string_view& rec) {
  if (const int st = to_record_start(f)) return st;
  const std::size_t limit = f.max_record > 0 && f.max_record < want ? f.max_record : want;
  std::size_t scanned = 0;  // characters of the record known to hold no CR or LF
  for (;;) {
    const std::size_t avail = f.end - f.begin;
    if (avail == 0) {
      if (f.at_eof) {
        f.rec_start = f.buf_offset + static_cast<std::int64_t>(f.begin);
        return read_status::end_of_file;
      }
      if (const int st = fill(f, f.begin)) return st;
      continue;
    }
    const char* s = f.buf.get() + f.begin;
    const std::size_t span = avail < limit ? avail : limit;
    std::size_t len = span;
    bool ended = false;  // the record ends at s[len], at a CR or LF
    if (span > scanned) {
      const void* lf = std::memchr(s + scanned, '\n', span - scanned);
      const std::size_t stop =
          lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - s) : span;
      const void* cr = std::memchr(s + scanned, '\r', stop - scanned);
      if (cr || lf) {
        len = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - s) : stop;
        ended = true;
      }
      scanned = span;
    }
    if (!ended && span < limit && !f.at_eof) {
      if (const int st = fill(f, f.begin)) return st;
      continue;
    }
    // The record is s[0, len): ended by a CR or LF, cut at the limit, or the
    // last line of the file without a line end.
    rec = std::string_view(s, len);
    f.rec_start = f.buf_offset + static_cast<std::int64_t>(f.begin);
    std::size_t next = len;
    if (next < avail && s[next] == '\r') ++next;
    if (next < avail && s[next] == '\n') {
      f.begin += next + 1;
    } else if (!ended && span == avail && f.at_eof) {
      f.begin = f.end;  // the last line, without a line end
    } else {
      f.begin += next;
      f.skip_line = true;
    }
    ++f.line;
    return 0;
  }
}

int read_char_field(ReadFile& f, char* dest, std::size_t len) {
  std::string_view rec;
  f.last_line = f.line;
  const int st = next_record(f, len, rec);
  f.last_start = f.rec_start;
  if (st != 0 || len == 0) return st;
  std::memcpy(dest, rec.data(), rec.size());
  std::memset(dest + rec.size(), ' ', len - rec.size());
  return 0;
}

int peek_char(ReadFile& f, char& first) {
  if (const int st = to_record_start(f)) return st;
  while (f.begin == f.end) {
    if (f.at_eof) {
      f.rec_start = f.last_start = f.buf_offset + static_cast<std::int64_t>(f.begin);
      f.last_line = f.line;
      return read_status::end_of_file;
    }
    if (const int st = fill(f, f.begin)) return st;
  }
  const char c = f.buf[f.begin];
  first = c == '\r' || c == '\n' ? ' ' : c;
  f.rec_start = f.last_start = f.buf_offset + static_cast<std::int64_t>(f.begin);
  f.last_line = f.line;
  return 0;
}

int peek_lead(ReadFile& f, char& first, char& lead) {
  if (const int st = peek_char(f, first)) return st;
  if (first != ' ' && first != '\t') {
    lead = first;
    return 0;
  }
  return lead_of_record(f, lead);
}

int next_row_start(ReadFile& f, bool first, std::int64_t& rows) {
  if (const int st = to_record_start(f)) return st;
  for (;;) {
    if (f.begin == f.end) {
      if (f.at_eof) return read_status::end_of_file;
      if (const int st = fill(f, f.end)) return st;
      continue;
    }
    const char c = f.buf[f.begin];
    if (c != '/' && c != '#') {
      char lead = ' ';
      if (const int st = lead_of_record(f, lead)) return st;
      if (first || is_line_lead(lead)) return 0;
      ++rows;
    }
    ++f.line;
    if (const int st = pass_line(f)) return st;
  }
}

int seek_record(ReadFile& f, std::int64_t offset, std::int64_t lines) {
  seek_to(f, offset);
  f.line = lines;
  return f.io_error ? read_status::io_error : 0;
}

int record_offset(ReadFile& f, std::int64_t& offset) {
  if (const int st = to_record_start(f)) return st;
  offset = f.buf_offset + static_cast<std::int64_t>(f.begin);
  return 0;
}

void rewind_read(ReadFile& f) {
  seek_to(f, 0);
  f.line = f.last_line = 0;
}

void step_back(ReadFile& f) {
  seek_to(f, f.last_start);
  f.line = f.last_line;
}

}  // namespace kivo
