#include "output/render_ahead.h"

#include <algorithm>

#include "soundings/threads.h"

namespace kivo {

namespace {

// A batch's text: about 256 KiB, 70 blocks of 20 frequencies or 250 of 5.
constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
constexpr std::size_t kMostPerBatch = 256;

}  // namespace

RenderAhead::RenderAhead(Render render, const void* context, std::size_t nvalues,
                         std::size_t block_bytes, std::int32_t workers)
    : render_(render),
      context_(context),
      nvalues_(nvalues),
      block_bytes_(std::max<std::size_t>(block_bytes, 1)),
      per_batch_(std::clamp<std::size_t>(kBatchBytes / block_bytes_, 1, kMostPerBatch)) {
  const auto nworkers = static_cast<std::size_t>(std::max(workers, 1));
  // Enough batches that every thread has one to render while the pass fills
  // and takes others, and few enough that eight threads stay within a few MiB.
  ring_.resize(std::max<std::size_t>(6, nworkers + 4));
  for (Batch& b : ring_) {
    b.soundings.reset(new KeptSounding[per_batch_]);
    b.values.reset(new Cplx[per_batch_ * std::max<std::size_t>(nvalues_, 1)]);
    b.text.reset(new char[per_batch_ * block_bytes_]);
  }
  ring_[0].state = State::filling;
  try {
    for (std::size_t i = 0; i < nworkers; ++i) threads_.emplace_back([this] { work(); });
  } catch (...) {
    end_threads(mutex_, cancelled_, work_cv_, threads_);
    throw;
  }
}

RenderAhead::~RenderAhead() {
  end_threads(mutex_, cancelled_, work_cv_, threads_);
}

RenderAhead::Batch* RenderAhead::claim() {
  if (cancelled_ || claimed_ == submitted_) return nullptr;
  Batch& b = ring_[claimed_++ % ring_.size()];
  b.state = State::rendering;
  return &b;
}

void RenderAhead::render(Batch& b) {
  for (std::size_t i = 0; i < b.count; ++i) {
    render_(context_, b.text.get() + i * block_bytes_, b.soundings[i],
            b.values.get() + i * nvalues_);
  }
}

void RenderAhead::work() {
  for (;;) {
    Batch* b = nullptr;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_cv_.wait(lock, [&] { return cancelled_ || (b = claim()) != nullptr; });
      if (cancelled_) return;
    }
    render(*b);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      b->state = State::rendered;
    }
    rendered_cv_.notify_one();
  }
}

void RenderAhead::add(const KeptSounding& k, const Cplx* values) {
  // The caller takes the rendered blocks after each add, so the batch being
  // filled always has its slot.
  Batch& b = ring_[submitted_ % ring_.size()];
  if (b.state == State::free) {
    b.state = State::filling;
    b.count = b.taken = 0;
  }
  const std::size_t i = b.count++;
  b.soundings[i] = k;
  std::copy(values, values + nvalues_, b.values.get() + i * nvalues_);
  if (b.count == per_batch_) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      b.state = State::waiting;
      ++submitted_;
    }
    work_cv_.notify_one();
  }
}

const char* RenderAhead::next(bool all, std::int32_t& s) {
  Batch& b = ring_[oldest_ % ring_.size()];
  std::unique_lock<std::mutex> lock(mutex_);
  if (oldest_ == submitted_) {
    // The oldest batch is the one being filled.
    if (!all || b.state != State::filling || b.count == 0) return nullptr;
    b.state = State::waiting;
    ++submitted_;
  }
  if (b.state != State::rendered) {
    // Wait only when every block is asked for, or when the batch to be
    // filled next has no slot until this one is taken.
    if (!all && submitted_ < oldest_ + ring_.size()) return nullptr;
    while (b.state != State::rendered) {
      // Rather than wait: render a batch here, this one or a later one.
      if (Batch* c = claim()) {
        lock.unlock();
        render(*c);
        lock.lock();
        c->state = State::rendered;
        continue;
      }
      rendered_cv_.wait(lock);
    }
  }
  const std::size_t i = b.taken++;
  s = b.soundings[i].s;
  const char* text = b.text.get() + i * block_bytes_;
  if (b.taken == b.count) {
    // Taken whole: free for a batch to come. Its text stays as it is until
    // the caller adds blocks again.
    b.state = State::free;
    ++oldest_;
  }
  return text;
}

}  // namespace kivo
