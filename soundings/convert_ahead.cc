#include "soundings/convert_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "soundings/threads.h"
#include "textio/text.h"

namespace kivo {

namespace {

// Read at once beyond the chunk, for the line that runs over its end.
constexpr std::size_t kSlack = 4096;
// The longest line that runs over a chunk's end and is still converted.
constexpr std::size_t kLongest = std::size_t{1} << 16;
// Lines and values a chunk holds at most: the lines after them are read by
// the pass from the file (lines of a few characters, repeat counts).
constexpr std::size_t kMaxLines = 16384;
// The largest chunk asked for that is taken: its lines' places fit 32 bits.
constexpr std::int64_t kMostChunk = std::int64_t{1} << 26;
constexpr std::size_t kMaxValues = std::size_t{1} << 16;

// Reads up to n bytes at `offset`: the number read, fewer only at the end of
// the file, or -1.
std::int64_t read_at(os::Handle h, std::int64_t offset, char* buf, std::size_t n) {
  if (!os::seek(h, offset)) return -1;
  std::size_t got = 0;
  while (got < n) {
    const std::int64_t r = os::read(h, buf + got, n - got);
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return static_cast<std::int64_t>(got);
}

}  // namespace

bool ConvertAhead::fits(std::size_t ncols) {
  return ncols > 0 && ncols * 64 <= kMaxValues;
}

ConvertAhead::ConvertAhead(const std::string& name, std::size_t ncols, const RowMarks& marks,
                           std::int32_t workers, std::int64_t chunk)
    : ncols_(ncols),
      values_cap_(kMaxValues),
      chunk_(chunk > 0 ? std::min(chunk, kMostChunk) : kChunk),
      text_cap_(1 + static_cast<std::size_t>(chunk_) + kLongest) {
  const auto nworkers = static_cast<std::size_t>(std::max(workers, 1));
  // Enough chunks that every thread has one to convert while the pass takes
  // others, and few enough that eight threads stay within a few MiB.
  ring_.resize(std::max<std::size_t>(8, nworkers + 6));
  for (Chunk& c : ring_) {
    // Not touched until used: the memory of a ring that holds short rows
    // stays small.
    c.text.reset(new char[text_cap_]);
    c.values.reset(new float[values_cap_]);
    c.lines.reserve(kMaxLines);
  }
  converters_.resize(nworkers + 1);
  try {
    for (Converter& c : converters_) {
      if (os::open_read(name, c.file) != os::OpenStatus::ok) {
        c.file = os::kNoHandle;
        throw std::system_error(std::make_error_code(std::errc::io_error));
      }
      c.marks.reset(new unsigned char[ncols]());
      c.row.marks = c.marks.get();
      c.row.text_nulls = marks.text_nulls;
      c.row.trailing_nulls = marks.trailing_nulls;
    }
    for (std::size_t i = 1; i < converters_.size(); ++i) {
      threads_.emplace_back([this, i] { work(converters_[i]); });
    }
  } catch (...) {
    stop();
    throw;
  }
}

ConvertAhead::~ConvertAhead() {
  stop();
}

void ConvertAhead::stop() {
  end_threads(mutex_, cancelled_, freed_cv_, threads_);
  for (Converter& c : converters_) {
    if (c.file != os::kNoHandle) os::close(c.file);
    c.file = os::kNoHandle;
  }
}

bool ConvertAhead::claim(std::uint64_t& number) {
  if (cancelled_ || claimed_ >= end_ || claimed_ >= released_ + ring_.size()) return false;
  number = claimed_++;
  ring_[number % ring_.size()].ready = false;
  return true;
}

void ConvertAhead::publish(Chunk& chunk) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    chunk.ready = true;
    if (chunk.last && chunk.number + 1 < end_) end_ = chunk.number + 1;
    wake = pass_waits_;
  }
  if (wake) ready_cv_.notify_one();
}

void ConvertAhead::work(Converter& c) {
  for (;;) {
    std::uint64_t number = 0;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      freed_cv_.wait(lock, [&] { return cancelled_ || claim(number); });
      if (cancelled_) return;
    }
    Chunk& chunk = ring_[number % ring_.size()];
    convert(c, chunk, number);
    publish(chunk);
  }
}

void ConvertAhead::convert(Converter& c, Chunk& chunk, std::uint64_t number) {
  try {
    fill(c, chunk, number);
  } catch (...) {
    // Out of memory for a quoted value: no lines, which the pass reads from
    // the file instead.
    chunk.lines.clear();
    chunk.nvalues = 0;
    chunk.last = false;
    chunk.lines_end = chunk.offset;
  }
}

void ConvertAhead::fill(Converter& c, Chunk& chunk, std::uint64_t number) {
  const std::int64_t start = static_cast<std::int64_t>(number) * chunk_;
  // From the byte before the chunk, which tells whether a line begins at
  // its first byte.
  const std::int64_t from = number == 0 ? 0 : start - 1;
  const auto chunk_end = static_cast<std::size_t>(start + chunk_ - from);
  chunk.number = number;
  chunk.offset = from;
  chunk.lines.clear();
  chunk.nvalues = 0;
  chunk.last = false;
  chunk.lines_end = start;
  char* t = chunk.text.get();
  std::size_t want = chunk_end + kSlack;
  std::int64_t got = read_at(c.file, from, t, want);
  if (got < 0) return;  // no lines: the pass reads them from the file
  std::size_t n = static_cast<std::size_t>(got);
  chunk.last = n < want;
  std::size_t s = 0;  // where the next line begins
  if (number > 0) {
    const void* lf = std::memchr(t, '\n', std::min(n, chunk_end));
    if (!lf) {
      chunk.lines_end = from + static_cast<std::int64_t>(std::min(n, chunk_end));
      chunk.last = chunk.last && n <= chunk_end;
      return;
    }
    s = static_cast<std::size_t>(static_cast<const char*>(lf) - t) + 1;
  }
  RowMarks& row = c.row;
  while (s < chunk_end && s < n) {
    const void* lf = std::memchr(t + s, '\n', n - s);
    if (!lf && !chunk.last) {
      // The line runs on beyond what was read: read on, up to the longest
      // line converted.
      if (n == text_cap_) break;
      want = text_cap_ - n;
      got = read_at(c.file, from + static_cast<std::int64_t>(n), t + n, want);
      if (got < 0) break;
      n += static_cast<std::size_t>(got);
      chunk.last = static_cast<std::size_t>(got) < want;
      continue;
    }
    const std::size_t le = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - t) : n;
    const void* cr = std::memchr(t + s, '\r', le - s);
    const std::size_t re = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - t) : le;
    Line line;
    line.begin = static_cast<std::uint32_t>(s);
    line.size = static_cast<std::uint32_t>(re - s);
    line.end = static_cast<std::uint32_t>(lf ? le + 1 : le);
    const std::string_view rec(t + s, re - s);
    const char first = rec.empty() ? ' ' : rec[0];
    if (first == '/' || first == '#') {
      line.kind = LineKind::comment;
    } else {
      std::size_t i = 0;
      while (i < rec.size() && is_blank(rec[i])) ++i;
      line.lead = i < rec.size() ? rec[i] : ' ';
      float* dest = chunk.values.get() + chunk.nvalues;
      const int st = read_reals(rec, dest, ncols_, row);
      if (st == 0 && !row.any) {
        line.kind = LineKind::row;
        line.values = static_cast<std::uint32_t>(chunk.nvalues);
        line.more = row.more;
        line.rest = static_cast<std::uint32_t>(row.rest.data() - rec.data());
        chunk.nvalues += ncols_;
      }
      if (row.any) {
        std::memset(row.marks, 0, ncols_);
        row.any = false;
      }
    }
    chunk.lines.push_back(line);
    s = line.end;
    if (chunk.lines.size() == kMaxLines || chunk.nvalues + ncols_ > values_cap_) break;
  }
  chunk.lines_end = from + static_cast<std::int64_t>(s);
  // The file ends in this chunk only when every byte read is in its lines.
  chunk.last = chunk.last && s >= n;
}

const ConvertAhead::Line* ConvertAhead::line_at(std::int64_t offset) {
  for (;;) {
    if (!current_) {
      std::unique_lock<std::mutex> lock(mutex_);
      for (;;) {
        Chunk& slot = ring_[current_number_ % ring_.size()];
        if (slot.ready && slot.number == current_number_) {
          current_ = &slot;
          break;
        }
        if (current_number_ >= end_) return nullptr;
        // Rather than wait: convert a chunk here, the one needed or a later one.
        std::uint64_t number = 0;
        if (claim(number)) {
          lock.unlock();
          Chunk& chunk = ring_[number % ring_.size()];
          convert(converters_[0], chunk, number);
          publish(chunk);
          lock.lock();
          continue;
        }
        pass_waits_ = true;
        ready_cv_.wait(lock);
        pass_waits_ = false;
      }
      next_line_ = 0;
    }
    const Chunk& c = *current_;
    if (offset >= c.lines_end && !c.last) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        current_->ready = false;
        released_ = current_number_ + 1;
      }
      freed_cv_.notify_all();
      current_ = nullptr;
      ++current_number_;
      continue;
    }
    while (next_line_ < c.lines.size() &&
           c.offset + static_cast<std::int64_t>(c.lines[next_line_].begin) < offset) {
      ++next_line_;
    }
    if (next_line_ < c.lines.size() &&
        c.offset + static_cast<std::int64_t>(c.lines[next_line_].begin) == offset) {
      return &c.lines[next_line_];
    }
    return nullptr;
  }
}

std::string_view ConvertAhead::text(const Line& line) const {
  return {current_->text.get() + line.begin, line.size};
}

const float* ConvertAhead::values(const Line& line) const {
  return current_->values.get() + line.values;
}

std::int64_t ConvertAhead::next_offset(const Line& line) const {
  return current_->offset + static_cast<std::int64_t>(line.end);
}

}  // namespace kivo
