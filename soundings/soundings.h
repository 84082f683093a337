// Soundings: the data file's counting and reading passes, and the thinning
// (averaging over neighbours or decimation) of the soundings read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

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

// --- Storing one row -------------------------------------------------------

// The uncertainty of the value v of a column: the larger of perr % of |v| and
// the threshold terr. The percentage term is the product 0.01 * perr * |v| of
// the three singles, formed in double and rounded once; the threshold wins
// only when strictly greater, so a NaN gives the percentage term.
float uncertainty(float perr, float terr, float v);

// How one used column of a row is stored, decided once for the whole pass
// from the column descriptors.
enum class StoreKind : std::uint8_t {
  x,            // x_a
  y,            // y_a
  height_feet,  // z_a = -(0.3048 * v)
  height,       // z_a = -v
  inphase,      // unpaired "i"/"I": (v, 0)
  quadrature,   // unpaired "q"/"Q": (0, v)
  pair_iq,      // lead "i"/"I" with partner "q"/"Q": (v, w)
  pair_qi,      // lead "q"/"Q" with partner "i"/"I": (w, v)
  bad_inqu,     // unpaired with any other flag: fatal when stored
  bad_pair,     // a lead and partner that are not one of each: fatal when stored
};

struct ColumnStore {
  StoreKind kind;
  std::int32_t j;      // column index (from 0)
  std::int32_t k;      // partner column index for the pair kinds
  double pct_j = 0.0;  // 0.01 * perr of column j, exact in double
  float terr_j = 0.0f;
  double pct_k = 0.0;  // the same for the partner
  float terr_k = 0.0f;
};

// The used columns in ascending order, with how each is stored.
std::vector<ColumnStore> plan_row(const Params& p, const Arrays& a);

// Stores the row in dum_a as the sounding of index s (from 0), column by
// column; stops on a column whose flags cannot be stored.
void store_row(const std::vector<ColumnStore>& plan, std::int32_t ncols, Arrays& a, std::int32_t s);

// --- Thinning --------------------------------------------------------------

// Lowers the averaging number when its window 2n + 1 is longer than S, with
// the notice "Averaging number too large: changed to <n>.". With S = 0 the
// notice is always given, with n = 0.
void check_averaging(Params& p, std::int32_t nsoundings, std::FILE* console);

// The kept soundings: indices first, first + step, ... (from 0), count of
// them, and the window W = 2n + 1 around each. Needs the checked averaging
// number (W <= S, or S = 0).
struct Kept {
  std::int32_t first = 0;
  std::int64_t step = 1;
  std::int32_t count = 0;
  std::int32_t window = 1;
};
Kept kept_soundings(std::int32_t nsoundings, std::int32_t naverage, std::int32_t ndecimate);

// Index (from 0) of the i-th kept sounding, i from 0.
inline std::int32_t kept_index(const Kept& kept, std::int32_t i) {
  return static_cast<std::int32_t>(kept.first + kept.step * i);
}

// Window averages for the kept sounding of index s (from 0) with averaging
// number n: double-precision sums in sounding order, then rounded to single.
// The height sum is multiplied by `reciprocal`, formed once by the caller as
// 1.0 / W; the sums of the data and uncertainties are divided by W.
float average_height(const float* z_a, std::int32_t s, std::int32_t n, double reciprocal);
float average_re(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s, std::int32_t n);
float average_im(const Cplx* a, std::int32_t ncols, std::int32_t j, std::int32_t s, std::int32_t n);

}  // namespace kivo
