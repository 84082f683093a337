// Converting ahead: the rows of the data file converted into values on
// several threads at once, ahead of the reading pass that takes them in the
// order of the file.
//
// The file is cut into chunks of a fixed size by byte offset; a chunk holds
// the physical lines that begin in it, whole. A thread converts a chunk on
// its own, taking every line for a record of its own: a comment, or a row
// whose values the line holds whole. What a line cannot say alone (a row
// that goes on in the next line, a null value or a value that does not
// read, a line too long to hold) it leaves to the pass, which reads that
// row from the file itself by the same rules. The records that depend on
// what came before them (a header, a line record) are told apart by the pass
// too, from the line's text. So the pass hands out exactly the rows, values,
// stops and notes it would read from the file alone.
//
// The pass's own thread converts chunks too whenever the chunk it needs is
// not ready, so that two threads keep two cores busy. Memory is a fixed ring
// of chunks whatever the size of the file.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "os/os.h"
#include "textio/reader.h"

namespace kivo {

class ConvertAhead {
 public:
  enum class LineKind : std::uint8_t {
    comment,  // "/" or "#" first
    row,      // a row of values that the line holds whole
    other,    // anything else: a record of words, or a row read from the file
  };
  struct Line {
    std::uint32_t begin = 0;   // in the chunk's text
    std::uint32_t size = 0;    // of the record: up to the line's first CR or LF
    std::uint32_t end = 0;     // where the next line begins (after the LF)
    std::uint32_t rest = 0;    // row: where the text after its values begins, from begin
    std::uint32_t values = 0;  // row: its first value in the chunk's values
    char lead = ' ';           // the first character that is not a blank or a tab, or a blank
    LineKind kind = LineKind::other;
    bool more = false;  // row: values after the row's own
  };

  // Whether rows of `ncols` values are narrow enough for a chunk to hold
  // many of them.
  static bool fits(std::size_t ncols);

  // The bytes of a chunk: 128 KiB of the file, about 850 rows of 15 values;
  // small enough to stay in a cache between the core that converts it and
  // the one that takes it, large enough that handing it over is rare.
  static constexpr std::int64_t kChunk = std::int64_t{1} << 17;

  // Opens the data file once more for each thread that converts, and starts
  // `workers` threads besides the pass's own. `marks` gives the text null
  // markers and the reading of an empty last field; `chunk` the bytes of a
  // chunk (kChunk when 0; tests take small ones, so that small files cross
  // many chunk ends). Throws std::bad_alloc or std::system_error when it
  // cannot have its memory, threads or files.
  ConvertAhead(const std::string& name, std::size_t ncols, const RowMarks& marks,
               std::int32_t workers, std::int64_t chunk = 0);
  // Ends the threads, after the chunks they convert, and waits for them.
  ~ConvertAhead();
  ConvertAhead(const ConvertAhead&) = delete;
  ConvertAhead& operator=(const ConvertAhead&) = delete;

  // The line that begins at file offset `offset`, converted, or null when the
  // chunks hold none there (the pass reads the file there instead). Offsets
  // asked for never decrease; what a call hands out is valid until the next.
  const Line* line_at(std::int64_t offset);
  // The record's text and, for a row, its values, of the line handed out last.
  std::string_view text(const Line& line) const;
  const float* values(const Line& line) const;
  // The file offset where the line after it begins.
  std::int64_t next_offset(const Line& line) const;

 private:
  struct Chunk {
    std::uint64_t number = 0;  // which chunk it holds, while ready
    bool ready = false;
    std::int64_t offset = 0;  // the file offset of text[0]
    std::unique_ptr<char[]> text;
    std::size_t size = 0;  // bytes of text held
    std::vector<Line> lines;
    std::unique_ptr<float[]> values;
    std::size_t nvalues = 0;
    std::int64_t lines_end = 0;  // the file offset after its last line
    bool last = false;           // the file ends in it
  };
  struct Converter {
    os::Handle file = os::kNoHandle;
    std::unique_ptr<unsigned char[]> marks;
    RowMarks row;
  };

  // Ends the threads and closes the files.
  void stop();
  void work(Converter& c);
  void convert(Converter& c, Chunk& chunk, std::uint64_t number);
  void fill(Converter& c, Chunk& chunk, std::uint64_t number);
  // Under the lock: claims the next chunk when its slot is free.
  bool claim(std::uint64_t& number);
  void publish(Chunk& chunk);

  std::size_t ncols_;
  std::size_t values_cap_;  // values a chunk can hold
  std::int64_t chunk_;      // bytes of the file per chunk
  std::size_t text_cap_;    // bytes a chunk's text can hold
  std::vector<Chunk> ring_;
  std::vector<Converter> converters_;  // [0] is the pass's own
  std::mutex mutex_;
  std::condition_variable ready_cv_;  // a chunk is ready
  std::condition_variable freed_cv_;  // a slot is free, or the end is known, or cancelled
  std::uint64_t claimed_ = 0;         // chunks claimed so far
  std::uint64_t released_ = 0;        // chunks the pass is done with
  std::uint64_t end_ = UINT64_MAX;    // no chunk from here on: the file ends before
  bool cancelled_ = false;
  bool pass_waits_ = false;
  // The pass's side: the chunk it takes lines from, and the next line.
  Chunk* current_ = nullptr;
  std::uint64_t current_number_ = 0;
  std::size_t next_line_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace kivo
