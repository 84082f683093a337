// Checks of the columns as a set: the three coordinate columns exist, every
// pair of data columns of one geometry is an in-phase/quadrature pair (folded
// into its lower-numbered lead column), and the frequencies are numbered in
// order of first appearance.
#include <cmath>
#include <cstdint>
#include <vector>

#include "params/messages.h"
#include "params/params.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

constexpr float kSameTolerance = 0.001f;

// Strict comparison of stored singles; false when either is a NaN.
bool same_value(float a, float b) {
  return std::fabs(a - b) < kSameTolerance;
}

bool same_geometry(const Arrays& a, std::size_t i, std::size_t j) {
  return same_value(a.freqs_a[i], a.freqs_a[j]) && a.ot_a[i] == a.ot_a[j] &&
         a.momt_a[i] == a.momt_a[j] && a.or_a[i] == a.or_a[j] &&
         same_value(a.trx_a[i], a.trx_a[j]) && same_value(a.try_a[i], a.try_a[j]);
}

}  // namespace

void check_column_set(Params& p, Arrays& a) {
  if (p.xcol == 0) {
    estop(text(ParamsMsg::no_x), params_place(0, 0, text(ParamsMsg::no_x_line)));
  }
  if (p.ycol == 0) {
    estop(text(ParamsMsg::no_y), params_place(0, 0, text(ParamsMsg::no_y_line)));
  }
  if (p.zcol == 0) {
    estop(text(ParamsMsg::no_height), params_place(0, 0, text(ParamsMsg::no_height_line)));
  }

  const std::size_t n = static_cast<std::size_t>(p.ncols);
  auto is_coordinate = [&](std::size_t i) {
    const std::int64_t k = static_cast<std::int64_t>(i) + 1;
    return k == p.xcol || k == p.ycol || k == p.zcol;
  };

  // The data columns in ascending order; a column that becomes a partner
  // drops out through its usecol_a entry.
  std::vector<std::size_t> data;
  for (std::size_t i = 0; i < n; ++i) {
    a.iqpoint_a[i] = 0;
    a.ifreqs_a[i] = 0;
    if (a.usecol_a[i] != 0 && !is_coordinate(i)) data.push_back(i);
  }

  for (std::size_t u = 0; u < data.size(); ++u) {
    const std::size_t i = data[u];
    if (a.usecol_a[i] == 0) continue;
    for (std::size_t v = u + 1; v < data.size(); ++v) {
      const std::size_t j = data[v];
      if (a.usecol_a[j] == 0 || !same_geometry(a, i, j)) continue;
      const auto ci = static_cast<std::int32_t>(i + 1);
      const auto cj = static_cast<std::int32_t>(j + 1);
      if (a.inqu_a[i] == a.inqu_a[j]) {
        estop(text(ParamsMsg::same_columns, {number_text(ci, 8), number_text(cj, 9)}),
              column_place(p, cj,
                           text(ParamsMsg::same_datum,
                                {number_text(cj), std::string(1, a.inqu_a[j]), number_text(ci)})));
      }
      if (a.iqpoint_a[i] != 0) {
        estop(text(ParamsMsg::screw_up),
              column_place(p, cj,
                           text(ParamsMsg::paired_already,
                                {number_text(cj), number_text(ci), number_text(a.iqpoint_a[i])})));
      }
      a.iqpoint_a[i] = static_cast<std::int32_t>(j + 1);
      a.usecol_a[j] = 0;
    }
  }

  // Each new frequency takes the next number; later columns are compared
  // with the first column of that number only, so the grouping never chains.
  std::int32_t nfreqs = 0;
  for (std::size_t u = 0; u < data.size(); ++u) {
    const std::size_t i = data[u];
    if (a.usecol_a[i] == 0 || a.ifreqs_a[i] != 0) continue;
    a.ifreqs_a[i] = ++nfreqs;
    for (std::size_t v = u + 1; v < data.size(); ++v) {
      const std::size_t j = data[v];
      if (a.usecol_a[j] == 0 || a.ifreqs_a[j] != 0) continue;
      if (same_value(a.freqs_a[i], a.freqs_a[j])) a.ifreqs_a[j] = nfreqs;
    }
  }
  p.nfreqs = nfreqs;
}

}  // namespace kivo
