// Rendering ahead: the blocks of the observations file rendered into text on
// other threads, in batches, and handed back in the order of the file.
//
// The pass adds each kept sounding with the values its block shows; a batch
// of them, once full, is rendered by whichever thread is free, the pass's
// own included when the batch it needs next is not rendered yet. The pass
// takes the rendered blocks in order and puts them into the file itself, so
// that a write that fails fails at the same record as when the pass renders
// every block itself. Memory is a fixed ring of batches.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "params/params.h"
#include "soundings/soundings.h"

namespace kivo {

class RenderAhead {
 public:
  // Renders the block of sounding k, with its values (`nvalues` of them),
  // into `out`, which has room for exactly the block's bytes.
  using Render = void (*)(const void* context, char* out, const KeptSounding& k,
                          const Cplx* values);

  // Starts `workers` threads besides the pass's own. Throws std::bad_alloc or
  // std::system_error when it cannot have its memory or threads.
  RenderAhead(Render render, const void* context, std::size_t nvalues, std::size_t block_bytes,
              std::int32_t workers);
  ~RenderAhead();
  RenderAhead(const RenderAhead&) = delete;
  RenderAhead& operator=(const RenderAhead&) = delete;

  // The block of sounding k with its values, after the blocks before it.
  void add(const KeptSounding& k, const Cplx* values);
  // The next block in order that is rendered, without waiting: its text and
  // its sounding; null when there is none yet. With `all`, every block added
  // so far is rendered first (here when no other thread has it).
  const char* next(bool all, std::int32_t& s);

 private:
  enum class State : std::uint8_t { free, filling, waiting, rendering, rendered };
  struct Batch {
    State state = State::free;
    std::size_t count = 0;  // blocks added
    std::size_t taken = 0;  // blocks handed back
    std::unique_ptr<KeptSounding[]> soundings;
    std::unique_ptr<Cplx[]> values;
    std::unique_ptr<char[]> text;
  };

  void work();
  void render(Batch& b);
  // Under the lock: the next batch waiting to be rendered, claimed; or null.
  Batch* claim();

  Render render_;
  const void* context_;
  std::size_t nvalues_;
  std::size_t block_bytes_;
  std::size_t per_batch_;
  std::vector<Batch> ring_;
  std::size_t filling_ = 0;  // the batch being filled (ring index)
  std::size_t oldest_ = 0;   // the oldest batch not yet handed back whole
  std::size_t claimed_ = 0;  // batches claimed for rendering, from the first
  std::size_t submitted_ = 0;
  std::mutex mutex_;
  std::condition_variable work_cv_;      // a batch waits, or cancelled
  std::condition_variable rendered_cv_;  // a batch is rendered
  bool cancelled_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace kivo
