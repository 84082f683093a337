#include "soundings/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace kivo {

namespace {

// The values of a block: about 128 KiB whatever the width of a row (1 MiB
// for the ring), so that a block is still in a cache when the other core
// takes it.
constexpr std::size_t kBlockBytes = std::size_t{1} << 17;

}  // namespace

bool ReadAhead::fits(const RowReader& rows) {
  return rows.dum.size() * sizeof(float) * 16 <= kBlockBytes;
}

ReadAhead::ReadAhead(RowReader& rows)
    : rows_(rows), ncols_(std::max<std::size_t>(rows.dum.size(), 1)) {
  per_block_ = std::max<std::size_t>(kBlockBytes / (ncols_ * sizeof(float)), 1);
  for (Block& b : ring_) {
    b.values = std::make_unique<float[]>(per_block_ * ncols_);
    b.info = std::make_unique<RowInfo[]>(per_block_);
  }
  thread_ = std::thread([this] { produce(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
  }
  freed_cv_.notify_one();
  thread_.join();
}

void ReadAhead::publish(bool last) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++filled_;
    reader_done_ = last;
    wake = pass_waits_ && (last || filled_ - freed_ >= kBlocks / 2);
  }
  if (wake) filled_cv_.notify_one();
}

void ReadAhead::produce() {
  const std::size_t row_bytes = rows_.dum.size() * sizeof(float);
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!cancelled_ && filled_ - freed_ == kBlocks) {
        reader_waits_ = true;
        freed_cv_.wait(lock, [this] { return cancelled_ || filled_ - freed_ <= kBlocks / 2; });
        reader_waits_ = false;
      }
      if (cancelled_) return;
    }
    // The block is the reading thread's until it is published.
    Block& b = ring_[filled_ % kBlocks];
    b.count = 0;
    b.last = false;
    b.stop = nullptr;
    try {
      while (b.count < per_block_) {
        if (!read_row(rows_)) {
          b.last = true;
          break;
        }
        if (row_bytes > 0)
          std::memcpy(b.values.get() + b.count * ncols_, rows_.dum.data(), row_bytes);
        b.info[b.count++] = rows_.info;
      }
    } catch (...) {
      b.stop = std::current_exception();
      b.last = true;
    }
    const bool last = b.last;
    publish(last);
    if (last) return;
  }
}

bool ReadAhead::next(const float*& values, RowInfo& info) {
  while (!current_ || pos_ == current_->count) {
    if (done_) return false;
    if (current_) {
      if (current_->last) {
        done_ = true;
        if (current_->stop) std::rethrow_exception(current_->stop);
        return false;
      }
      bool wake = false;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        ++freed_;
        wake = reader_waits_ && filled_ - freed_ <= kBlocks / 2;
      }
      if (wake) freed_cv_.notify_one();
      current_ = nullptr;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    if (filled_ == freed_) {
      pass_waits_ = true;
      filled_cv_.wait(lock, [this] { return reader_done_ || filled_ - freed_ >= kBlocks / 2; });
      pass_waits_ = false;
    }
    current_ = &ring_[freed_ % kBlocks];
    pos_ = 0;
  }
  values = current_->values.get() + pos_ * ncols_;
  info = current_->info[pos_++];
  return true;
}

}  // namespace kivo
