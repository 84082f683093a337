#include <algorithm>
#include <string>

#include "soundings/soundings.h"
#include "textio/writer.h"

namespace kivo {

void check_averaging(Params& p, std::int32_t nsoundings, std::FILE* console) {
  // 2n + 1 in 64 bits: an averaging number near the top of the 32-bit range
  // must be lowered, not wrap around to a small window.
  const std::int64_t window = 2 * static_cast<std::int64_t>(p.naverage) + 1;
  if (window <= nsoundings) return;
  // Truncation toward zero: S = 0 gives 0, like S = 1.
  p.naverage = (nsoundings - 1) / 2;
  progress_line(console, "Averaging number too large: changed to " + number_text(p.naverage) + ".");
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

float average_height(const float* z_a, std::int32_t s, std::int32_t n, double reciprocal) {
  double sum = 0.0;
  for (std::int32_t k = s - n; k <= s + n; ++k) sum += z_a[k];
  return static_cast<float>(sum * reciprocal);
}

float average_re(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s,
                 std::int32_t n) {
  double sum = 0.0;
  for (std::int32_t k = s - n; k <= s + n; ++k) sum += a[cell(ncols, j, k)].re;
  return static_cast<float>(sum / (2.0 * n + 1.0));
}

float average_im(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s,
                 std::int32_t n) {
  double sum = 0.0;
  for (std::int32_t k = s - n; k <= s + n; ++k) sum += a[cell(ncols, j, k)].im;
  return static_cast<float>(sum / (2.0 * n + 1.0));
}

}  // namespace kivo
