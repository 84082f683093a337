#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "soundings/soundings.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// The single-precision constant of the percentage term, as a factor.
constexpr float kPercent = 0.01f;
constexpr float kFootInMetres = 0.3048f;

bool is_inphase(char c) {
  return c == 'i' || c == 'I';
}
bool is_quadrature(char c) {
  return c == 'q' || c == 'Q';
}

// `pct` is 0.01 * perr formed in double: the product of two singles is exact
// there, so multiplying it by |v| gives the product of the three singles,
// rounded once.
float pct_uncertainty(double pct, float terr, float v) {
  const float p = static_cast<float>(pct * std::fabs(static_cast<double>(v)));
  return terr > p ? terr : p;
}

double pct_factor(float perr) {
  return static_cast<double>(kPercent) * perr;
}

// A line number for a message. Comment records make L run past the 32-bit
// sounding count; such a number is too wide for the 9-character field anyway.
std::int32_t message_number(std::int64_t v) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(v, INT32_MAX));
}

}  // namespace

float uncertainty(float perr, float terr, float v) {
  return pct_uncertainty(pct_factor(perr), terr, v);
}

std::vector<ColumnStore> plan_row(const Params& p, const Arrays& a) {
  std::vector<ColumnStore> plan;
  for (std::int32_t j = 0; j < p.ncols; ++j) {
    if (a.usecol_a[j] == 0) continue;
    const std::int32_t number = j + 1;
    ColumnStore c{};
    c.j = j;
    if (number == p.xcol) {
      c.kind = StoreKind::x;
    } else if (number == p.ycol) {
      c.kind = StoreKind::y;
    } else if (number == p.zcol) {
      const char fm = a.feetmetres_a[j];
      c.kind = (fm == 'f' || fm == 'F') ? StoreKind::height_feet : StoreKind::height;
    } else {
      c.pct_j = pct_factor(a.perr_a[j]);
      c.terr_j = a.terr_a[j];
      const char fj = a.inqu_a[j];
      const std::int32_t partner = a.iqpoint_a[j];
      if (partner == 0) {
        c.kind = is_inphase(fj)      ? StoreKind::inphase
                 : is_quadrature(fj) ? StoreKind::quadrature
                                     : StoreKind::bad_inqu;
      } else if (partner < 1 || partner > p.ncols) {
        c.kind = StoreKind::bad_pair;
      } else {
        c.k = partner - 1;
        c.pct_k = pct_factor(a.perr_a[c.k]);
        c.terr_k = a.terr_a[c.k];
        const char fk = a.inqu_a[c.k];
        c.kind = (is_inphase(fj) && is_quadrature(fk))   ? StoreKind::pair_iq
                 : (is_quadrature(fj) && is_inphase(fk)) ? StoreKind::pair_qi
                                                         : StoreKind::bad_pair;
      }
    }
    plan.push_back(c);
  }
  return plan;
}

namespace {

// Stores the row in dum_a column by column: the coordinates and the height
// into `row`, the datum and uncertainty of each data column (the entry c of
// the plan) through put(c, j, dat, err).
template <class Put>
void store_columns(const std::vector<ColumnStore>& plan, const float* dum, Sounding& row,
                   Put&& put) {
  for (std::size_t i = 0; i < plan.size(); ++i) {
    const ColumnStore& c = plan[i];
    const float v = dum[c.j];
    switch (c.kind) {
      case StoreKind::x:
        row.x = v;
        break;
      case StoreKind::y:
        row.y = v;
        break;
      case StoreKind::height_feet:
        row.z = -(kFootInMetres * v);
        break;
      case StoreKind::height:
        row.z = -v;
        break;
      case StoreKind::inphase:
        put(i, c.j, Cplx{v, 0.0f}, Cplx{pct_uncertainty(c.pct_j, c.terr_j, v), 0.0f});
        break;
      case StoreKind::quadrature:
        put(i, c.j, Cplx{0.0f, v}, Cplx{0.0f, pct_uncertainty(c.pct_j, c.terr_j, v)});
        break;
      case StoreKind::pair_iq: {
        const float w = dum[c.k];
        put(i, c.j, Cplx{v, w},
            Cplx{pct_uncertainty(c.pct_j, c.terr_j, v), pct_uncertainty(c.pct_k, c.terr_k, w)});
        break;
      }
      case StoreKind::pair_qi: {
        const float w = dum[c.k];
        put(i, c.j, Cplx{w, v},
            Cplx{pct_uncertainty(c.pct_k, c.terr_k, w), pct_uncertainty(c.pct_j, c.terr_j, v)});
        break;
      }
      case StoreKind::bad_inqu:
        estop("inconsistent inqu value (column " + number_text(c.j + 1, 8) + ")");
      case StoreKind::bad_pair:
        estop("inconsistent pairing of inphase & quadrature values (col " +
              number_text(c.j + 1, 8) + ")");
    }
  }
}

}  // namespace

void store_row(const std::vector<ColumnStore>& plan, Arrays& a, Sounding& row) {
  store_columns(plan, a.dum_a.get(), row, [&a](std::size_t, std::int32_t j, Cplx dat, Cplx err) {
    a.dat_a[j] = dat;
    a.err_a[j] = err;
  });
}

namespace {

bool is_data(StoreKind k) {
  return k != StoreKind::x && k != StoreKind::y && k != StoreKind::height_feet &&
         k != StoreKind::height;
}

// Reads the next sounding row into dum_a. False at the end of the pass: the
// end of the file, or a row beyond the count.
bool read_row(ReadingPass& r) {
  ReadFile& f = *r.file;
  const Params& p = *r.params;
  for (;;) {
    if (r.nread == r.nsoundings && r.nsoundings != 0) return false;
    ++r.line;
    // The first character decides between a comment record, passed over
    // whole, and a sounding row, read from its start.
    char first = ' ';
    int status = peek_char(f, first);
    if (status == 0 && first == '/') status = read_char_field(f, &first, 1);
    if (status > 0) {
      estop("error reading line " + number_text(message_number(r.line)) + " from \"" + p.data_file +
            "\"");
    }
    if (status < 0) return false;
    if (first == '/') continue;
    // A sounding row beyond the count (only when S = 0 here, or when the
    // file grew after it was counted) belongs to no sounding: the pass ends.
    if (r.nread == r.nsoundings) return false;
    ++r.nread;
    if (read_reals(f, r.arrays->dum_a.get(), static_cast<std::size_t>(p.ncols)) != 0) {
      estop("error reading data for sounding " + number_text(r.nread) + " from \"" + p.data_file +
            "\"");
    }
    return true;
  }
}

}  // namespace

void begin_reading(ReadingPass& r, ReadFile& f, const Params& p, Arrays& a, std::int32_t nsoundings,
                   std::int32_t naverage) {
  r.file = &f;
  r.params = &p;
  r.arrays = &a;
  r.plan = plan_row(p, a);
  r.sums.reset(new (std::nothrow) WindowSum[r.plan.size()]);
  if (!r.sums) estop("error allocating space for arrays");
  r.nsoundings = nsoundings;
  r.naverage = naverage;
  r.kept = kept_soundings(nsoundings, naverage, p.ndecimate);
  r.reciprocal = 1.0 / r.kept.window;
  r.nread = 0;
  r.line = 0;
  r.step_index = 0;
  r.step_pos = 0;
  r.ended = false;
  // Values that the first row leaves unassigned (a slash among its values)
  // read as 0 rather than as whatever the allocation held.
  std::fill(a.dum_a.get(), a.dum_a.get() + p.ncols, 0.0f);
}

bool next_kept(ReadingPass& r, KeptSounding& k) {
  if (r.ended) return false;
  Arrays& a = *r.arrays;
  const std::int32_t n = r.naverage;
  const double window = 2.0 * n + 1.0;
  for (;;) {
    if (!read_row(r)) {
      r.ended = true;
      return false;
    }
    // The row of index t lies in the window of kept sounding i (t / step),
    // at position pos (t - i * step), when that position is inside the
    // window; both are counted along rather than divided out.
    const std::int64_t t = r.nread - 1;
    const std::int64_t i = r.step_index;
    const std::int64_t pos = r.step_pos;
    if (++r.step_pos == r.kept.step) {
      r.step_pos = 0;
      ++r.step_index;
    }
    if (i >= r.kept.count || pos >= r.kept.window) {
      // Between kept soundings (decimation) or after the last window: read
      // and checked, not stored. The first row always lies in a window, so
      // a column that cannot be stored has stopped the run already.
      continue;
    }
    Sounding row;
    if (n == 0) {
      // A window of one sounding: its own values, as they are.
      store_row(r.plan, a, row);
      k = {static_cast<std::int32_t>(t), row.x, row.y, row.z};
      return true;
    }
    if (pos == 0) {
      r.zsum = 0.0;
      std::fill(r.sums.get(), r.sums.get() + r.plan.size(), WindowSum{0.0, 0.0, 0.0, 0.0});
    }
    WindowSum* sums = r.sums.get();
    store_columns(r.plan, a.dum_a.get(), row,
                  [sums](std::size_t c, std::int32_t, Cplx dat, Cplx err) {
                    WindowSum& sum = sums[c];
                    sum.dat_re += dat.re;
                    sum.dat_im += dat.im;
                    sum.err_re += err.re;
                    sum.err_im += err.im;
                  });
    if (pos == n) r.centre = row;
    r.zsum += row.z;
    if (pos + 1 < r.kept.window) continue;
    // The window is complete: its averages, in double, rounded to single.
    for (std::size_t c = 0; c < r.plan.size(); ++c) {
      const ColumnStore& col = r.plan[c];
      if (!is_data(col.kind)) continue;
      const WindowSum& sum = r.sums[c];
      a.dat_a[col.j] = {static_cast<float>(sum.dat_re / window),
                        static_cast<float>(sum.dat_im / window)};
      a.err_a[col.j] = {static_cast<float>(sum.err_re / window),
                        static_cast<float>(sum.err_im / window)};
    }
    k = {static_cast<std::int32_t>(t - n), r.centre.x, r.centre.y,
         static_cast<float>(r.zsum * r.reciprocal)};
    return true;
  }
}

void read_to_end(ReadingPass& r) {
  KeptSounding k;
  while (next_kept(r, k)) {
  }
}

}  // namespace kivo
