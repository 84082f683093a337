#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "soundings/soundings.h"
#include "textio/os.h"
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

// The per-sounding arrays are filled once, front to back, by this pass.
// Asking for transparent huge pages for them spares the page faults of
// first touch (one per 4 KiB otherwise), which cost more than storing the
// values. A hint only: where it is refused, nothing changes.
void prefer_huge_pages(const void* p, std::size_t bytes) {
  constexpr std::uintptr_t kPage = 4096;
  const auto begin = (reinterpret_cast<std::uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(p) + bytes;
  if (end <= begin + (std::uintptr_t{2} << 20)) return;  // less than one huge page
  os::advise_huge_pages(reinterpret_cast<void*>(begin), end - begin);
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

void store_row(const std::vector<ColumnStore>& plan, std::int32_t ncols, Arrays& a,
               std::int32_t s) {
  const float* dum = a.dum_a.get();
  for (const ColumnStore& c : plan) {
    const float v = dum[c.j];
    Cplx* dat = &a.dat_a[cell(ncols, c.j, s)];
    Cplx* err = &a.err_a[cell(ncols, c.j, s)];
    switch (c.kind) {
      case StoreKind::x:
        a.x_a[s] = v;
        break;
      case StoreKind::y:
        a.y_a[s] = v;
        break;
      case StoreKind::height_feet:
        a.z_a[s] = -(kFootInMetres * v);
        break;
      case StoreKind::height:
        a.z_a[s] = -v;
        break;
      case StoreKind::inphase:
        *dat = {v, 0.0f};
        *err = {pct_uncertainty(c.pct_j, c.terr_j, v), 0.0f};
        break;
      case StoreKind::quadrature:
        *dat = {0.0f, v};
        *err = {0.0f, pct_uncertainty(c.pct_j, c.terr_j, v)};
        break;
      case StoreKind::pair_iq: {
        const float w = dum[c.k];
        *dat = {v, w};
        *err = {pct_uncertainty(c.pct_j, c.terr_j, v), pct_uncertainty(c.pct_k, c.terr_k, w)};
        break;
      }
      case StoreKind::pair_qi: {
        const float w = dum[c.k];
        *dat = {w, v};
        *err = {pct_uncertainty(c.pct_k, c.terr_k, w), pct_uncertainty(c.pct_j, c.terr_j, v)};
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

void read_soundings(ReadFile& f, const Params& p, Arrays& a, std::int32_t& nsoundings) {
  const std::vector<ColumnStore> plan = plan_row(p, a);
  const std::size_t ncols = static_cast<std::size_t>(p.ncols);
  // Values that the first row leaves unassigned (a slash among its values)
  // read as 0 rather than as whatever the allocation held.
  std::fill(a.dum_a.get(), a.dum_a.get() + ncols, 0.0f);
  const auto ns = static_cast<std::size_t>(nsoundings);
  prefer_huge_pages(a.dat_a.get(), ncols * ns * sizeof(Cplx));
  prefer_huge_pages(a.err_a.get(), ncols * ns * sizeof(Cplx));
  for (const float* v : {a.x_a.get(), a.y_a.get(), a.z_a.get()}) {
    prefer_huge_pages(v, ns * sizeof(float));
  }

  std::int64_t line = 0;  // L: every record whose first character was read
  std::int32_t s = 0;     // soundings read
  while (s < nsoundings || nsoundings == 0) {
    ++line;
    // The first character decides between a comment record, passed over
    // whole, and a sounding row, read from its start.
    char first = ' ';
    int status = peek_char(f, first);
    if (status == 0 && first == '/') status = read_char_field(f, &first, 1);
    if (status > 0) {
      estop("error reading line " + number_text(message_number(line)) + " from \"" + p.data_file +
            "\"");
    }
    if (status < 0) break;
    if (first == '/') continue;
    // A sounding row beyond the count (only when S = 0 here, or when the
    // file grew after it was counted) has no storage: the pass ends.
    if (s == nsoundings) break;
    ++s;
    if (read_reals(f, a.dum_a.get(), ncols) != 0) {
      estop("error reading data for sounding " + number_text(s) + " from \"" + p.data_file + "\"");
    }
    store_row(plan, p.ncols, a, s - 1);
  }
  close_read(f);
  // Rows that took values from more than one line leave fewer soundings than
  // counted; only the soundings actually read are thinned and written.
  nsoundings = s;
}

}  // namespace kivo
