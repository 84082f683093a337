// Soundings: the data file's counting and reading passes, and the thinning
// (averaging over neighbours or decimation) of the soundings read.
#pragma once

#include <cstdint>
#include <cstdio>

#include "params/params.h"
#include "textio/reader.h"

namespace kivo {

// Existence check and opening of the data file, its progress line, the
// counting pass, the rewind and the count line. Returns S.
std::int32_t count_soundings(ReadFile& f, const Params& p, std::FILE* console);

// The reading pass: stores every sounding and closes the file. When the file
// ends with fewer soundings than counted, nsoundings is lowered to the number
// read.
void read_soundings(ReadFile& f, const Params& p, Arrays& a, std::int32_t& nsoundings);

// Lowers the averaging number when its window is longer than S, with the
// notice "Averaging number too large: changed to <n>.".
void check_averaging(Params& p, std::int32_t nsoundings, std::FILE* console);

// The kept soundings: indices first, first + step, ... (from 0), count of them.
struct Kept {
  std::int32_t first = 0;
  std::int64_t step = 1;
  std::int32_t count = 0;
  std::int32_t window = 1;  // W = 2n + 1
};
Kept kept_soundings(std::int32_t nsoundings, std::int32_t naverage, std::int32_t ndecimate);

// Window averages for the kept sounding of index s (from 0) with averaging
// number n: double-precision sums in sounding order, then rounded to single.
// The height is multiplied by the reciprocal of W, formed once by the caller
// as 1.0 / W; the data and uncertainties are divided by W.
float average_height(const float* z_a, std::int32_t s, std::int32_t n, double reciprocal);
// Averages of one column's cells: the re or im parts of a[cell(N, j, k)] for
// the soundings k of the window.
double window_sum_re(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s,
                     std::int32_t n);
double window_sum_im(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s,
                     std::int32_t n);

}  // namespace kivo
