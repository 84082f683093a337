#include <algorithm>
#include <string>

#include "soundings/messages.h"
#include "soundings/soundings.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// Whether the window 2n + 1 fits in S soundings. In 64 bits: an averaging
// number near the top of the 32-bit range must be lowered, not wrap around
// to a small window.
bool window_fits(std::int32_t naverage, std::int32_t nsoundings) {
  return 2 * static_cast<std::int64_t>(naverage) + 1 <= nsoundings;
}

}  // namespace

std::int32_t checked_averaging(std::int32_t naverage, std::int32_t nsoundings) {
  // Truncation toward zero: S = 0 gives 0, like S = 1.
  return window_fits(naverage, nsoundings) ? naverage : (nsoundings - 1) / 2;
}

void check_averaging(Params& p, std::int32_t nsoundings, std::FILE* console) {
  if (window_fits(p.naverage, nsoundings)) return;
  p.naverage = checked_averaging(p.naverage, nsoundings);
  progress_line(console, text(SoundingsMsg::window_lowered, {number_text(p.naverage)}));
}

Kept kept_soundings(std::int32_t nsoundings, std::int32_t naverage, std::int32_t ndecimate) {
  const std::int64_t window = 2 * static_cast<std::int64_t>(naverage) + 1;
  Kept kept;
  kept.first = naverage;
  kept.step = std::max<std::int64_t>({window, ndecimate, 1});
  kept.window = static_cast<std::int32_t>(std::min<std::int64_t>(window, INT32_MAX));
  // In 64 bits, so that a decimating number of 2147483647 cannot overflow.
  if (nsoundings >= 1 && window <= nsoundings) {
    kept.count = static_cast<std::int32_t>((nsoundings - window) / kept.step + 1);
  }
  return kept;
}

}  // namespace kivo
