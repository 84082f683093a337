// Reading ahead: the rows of a reading pass read and converted on a thread of
// their own, handed to the pass in blocks of rows through a ring of a few
// buffers, so that reading the data file and converting its numbers take one
// core while the windows, the rendering and the writing take another.
//
// Everything the rows tell travels with them, in order: the values, what
// each row is (RowInfo), the end of the pass, and a stop met while reading,
// which the pass raises when it reaches the place of the stop, after the
// rows before it, as if it had read them itself. The notes on rows and values
// are the reading thread's until the pass has ended. Memory is a fixed ring
// whatever the size of the file.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "soundings/soundings.h"

namespace kivo {

class ReadAhead {
 public:
  // Whether the rows are narrow enough for blocks of at least 16 of them:
  // the ring stays within its 1 MiB, and a wider row is read on the pass's
  // own thread.
  static bool fits(const RowReader& rows);

  // Starts the thread that reads the rows of `rows`, which is its own until
  // this is destroyed. Throws std::bad_alloc when the ring cannot be
  // allocated, std::system_error when the thread cannot be started.
  explicit ReadAhead(RowReader& rows);
  // Ends the thread, after the block it is reading, and waits for it.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next row: its values (valid until the next call) and what it is.
  // False at the end of the pass; a stop of the reading thread is raised at
  // its place.
  bool next(const float*& values, RowInfo& info);

 private:
  // Each side, once it waits, waits for half the ring: few wake-ups of a
  // thread that sleeps, whichever side is the faster.
  static constexpr std::size_t kBlocks = 8;
  struct Block {
    std::unique_ptr<float[]> values;
    std::unique_ptr<RowInfo[]> info;
    std::size_t count = 0;    // rows held
    bool last = false;        // the pass ends after them
    std::exception_ptr stop;  // a stop after them
  };

  void produce();
  void publish(bool last);

  RowReader& rows_;
  std::size_t ncols_;
  std::size_t per_block_;  // rows per block
  std::array<Block, kBlocks> ring_;
  std::mutex mutex_;
  std::condition_variable filled_cv_;  // a block was filled
  std::condition_variable freed_cv_;   // a block was freed, or the pass is cancelled
  std::uint64_t filled_ = 0;           // blocks filled so far
  std::uint64_t freed_ = 0;            // blocks handed back so far
  bool cancelled_ = false;
  bool reader_done_ = false;   // the last block is filled
  bool reader_waits_ = false;  // the reading thread waits for free blocks
  bool pass_waits_ = false;    // the pass waits for filled blocks
  // The pass's side: the block being handed out, and its next row.
  Block* current_ = nullptr;
  std::size_t pos_ = 0;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace kivo
