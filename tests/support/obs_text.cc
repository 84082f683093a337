#include "tests/support/obs_text.h"

#include "textio/writer.h"

namespace kivo::test {

std::string obs_text(const ObsFile& o) {
  std::string s;
  char r[128];
  const auto line = [&](char* end) {
    s.append(r, static_cast<std::size_t>(end - r));
    s += "\r\n";
  };
  line(put_int(r, 5, static_cast<std::int32_t>(o.blocks)));
  for (std::size_t b = 0; b < o.blocks; ++b) {
    char* p = put_general(r, 17, 9, o.x[b]);
    p = put_general(p, 17, 9, o.y[b]);
    line(put_int(p, 5, static_cast<std::int32_t>(o.freqs.size())));
    for (const ObsFrequency& f : o.freqs) {
      line(put_int(put_general(r, 13, 5, f.hz), 5, static_cast<std::int32_t>(f.end - f.begin)));
      for (std::size_t c = f.begin; c < f.end; ++c) {
        const ObsColumn& col = o.columns[c];
        p = put_general(put_general(r, 13, 5, col.moment), 13, 5, o.z[b]);
        p = put_char(put_skip(p, 1), col.tx_orientation);
        line(put_int(put_skip(p, 1), 2, 1));
        p = put_general(r, 13, 5, 1.0f);
        p = put_general(p, 13, 5, col.sep_x);
        p = put_general(p, 13, 5, col.sep_y);
        p = put_general(p, 13, 5, o.z[b]);
        p = put_char(put_skip(p, 1), col.rx_orientation);
        p = put_int(put_skip(p, 1), 2, col.normalization);
        p = put_char(put_skip(p, 1), col.letter);
        p = put_skip(p, 1);
        const Cplx d = o.datum(b, c);
        const Cplx e = o.error(b, c);
        const bool q = col.form == DataForm::quadrature;
        if (col.form == DataForm::paired) {
          p = put_general(put_general(p, 15, 7, d.re), 15, 7, d.im);
          p = put_skip(put_char(put_skip(p, 1), 'v'), 1);
          p = put_general(put_general(p, 15, 7, e.re), 15, 7, e.im);
        } else {
          p = put_general(p, 15, 7, q ? d.im : d.re);
          p = put_skip(put_char(put_skip(p, 1), 'v'), 1);
          p = put_general(p, 15, 7, q ? e.im : e.re);
        }
        line(p);
      }
    }
  }
  return s;
}

}  // namespace kivo::test
