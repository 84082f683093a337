#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "output/output.h"
#include "soundings/soundings.h"
#include "textio/os.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// Record lengths, and where the per-sounding fields stand in each record
// (positions from 0).
constexpr std::size_t kCountLen = 5;
constexpr std::size_t kPositionLen = 39;
constexpr std::size_t kFreqLen = 18;
constexpr std::size_t kTxLen = 31;
constexpr std::size_t kTxHeight = 13;
constexpr std::size_t kPairedLen = 123;
constexpr std::size_t kSingleLen = 93;
constexpr std::size_t kDataHeight = 39;
constexpr std::size_t kValue = 60;        // first value of a data line
constexpr std::size_t kPairedError = 93;  // first uncertainty of a paired line
constexpr std::size_t kSingleError = 78;  // the uncertainty of a single line
constexpr std::size_t kHeightWidth = 13;

enum class Form : std::uint8_t { paired, inphase, quadrature, unknown };

// One data column of a frequency, with the text of its transmitter line and
// data line rendered once: only the height, the data and the uncertainties
// change from sounding to sounding, and they are put into their places.
struct ColumnLines {
  std::int32_t j;
  Form form;
  std::size_t data_len;
  char tx[kTxLen];
  char data[kPairedLen];
};

struct FreqGroup {
  char line[kFreqLen];
  std::size_t begin;  // its columns in the column list
  std::size_t end;
};

Form form_of(const Arrays& a, std::int32_t j) {
  if (a.iqpoint_a[j] != 0) return Form::paired;
  const char c = a.inqu_a[j];
  if (c == 'i' || c == 'I') return Form::inphase;
  if (c == 'q' || c == 'Q') return Form::quadrature;
  return Form::unknown;
}

ColumnLines column_lines(const Arrays& a, std::int32_t j) {
  ColumnLines c;
  c.j = j;
  c.form = form_of(a, j);
  char* p = put_general(c.tx, 13, 5, a.momt_a[j]);
  p = put_skip(p, static_cast<int>(kHeightWidth));
  p = put_skip(p, 1);
  p = put_char(p, a.ot_a[j]);
  p = put_skip(p, 1);
  put_int(p, 2, 1);

  p = put_general(c.data, 13, 5, 1.0f);
  p = put_general(p, 13, 5, a.trx_a[j]);
  p = put_general(p, 13, 5, a.try_a[j]);
  p = put_skip(p, static_cast<int>(kHeightWidth));
  p = put_skip(p, 1);
  p = put_char(p, a.or_a[j]);
  p = put_skip(p, 1);
  p = put_int(p, 2, a.ontype_a[j]);
  p = put_skip(p, 1);
  if (c.form == Form::paired) {
    p = put_char(p, 'b');
    p = put_skip(p, 1 + 15 + 15 + 1);
    p = put_char(p, 'v');
    put_skip(p, 1 + 15 + 15);
    c.data_len = kPairedLen;
  } else {
    p = put_char(p, a.inqu_a[j]);
    p = put_skip(p, 1 + 15 + 1);
    p = put_char(p, 'v');
    put_skip(p, 1 + 15);
    c.data_len = kSingleLen;
  }
  return c;
}

// The frequency groups in frequency-number order, each with its columns in
// increasing column order; the frequency shown is that of the group's
// highest-numbered column. The columns are sorted into their groups by
// counting, so that many frequencies over many columns stay linear.
void build_groups(const Params& p, const Arrays& a, std::vector<FreqGroup>& groups,
                  std::vector<ColumnLines>& columns) {
  const auto nfreqs = static_cast<std::size_t>(std::max(p.nfreqs, 0));
  std::vector<std::size_t> next(nfreqs + 1, 0);  // next[k]: columns of numbers below k
  for (std::int32_t j = 0; j < p.ncols; ++j) {
    const std::int32_t k = a.ifreqs_a[j];
    if (k >= 1 && static_cast<std::size_t>(k) <= nfreqs) ++next[static_cast<std::size_t>(k)];
  }
  groups.resize(nfreqs);
  std::size_t total = 0;
  for (std::size_t k = 1; k <= nfreqs; ++k) {
    groups[k - 1].begin = total;
    total += next[k];
    groups[k - 1].end = total;
    next[k] = groups[k - 1].begin;
  }
  columns.resize(total);
  for (std::int32_t j = 0; j < p.ncols; ++j) {
    const std::int32_t k = a.ifreqs_a[j];
    if (k < 1 || static_cast<std::size_t>(k) > nfreqs) continue;
    columns[next[static_cast<std::size_t>(k)]++] = column_lines(a, j);
  }
  for (FreqGroup& g : groups) {
    const float freq = g.end > g.begin ? a.freqs_a[columns[g.end - 1].j] : 0.0f;
    char* q = put_general(g.line, 13, 5, freq);
    put_int(q, 5, static_cast<std::int32_t>(g.end - g.begin));
  }
}

// Refuses an output name that is another name of an input file (the same
// name, a hard link or a symbolic link), which opening for writing would
// truncate before a single value is written.
void refuse_inputs(const Params& p) {
  if (os::same_file(p.output_file, p.data_file)) {
    estop("output file \"" + p.output_file + "\" is the data file");
  }
  if (os::same_file(p.output_file, kParamsName)) {
    estop("output file \"" + p.output_file + "\" is the parameters file");
  }
}

std::string sounding_text(std::int32_t s) {
  return number_text(s + 1);
}

// The window averages of one kept sounding. A window of one sounding gives
// the sounding's own values (a sum of one value divided by 1 changes nothing
// the fields show), so they are taken as they are.
struct Averager {
  const Arrays& a;
  std::int32_t ncols;
  std::int32_t n;
  double reciprocal;

  float height(std::int32_t s) const {
    return n == 0 ? a.z_a[s] : average_height(a.z_a.get(), s, n, reciprocal);
  }
  float re(const Cplx* v, std::int32_t j, std::int32_t s) const {
    return n == 0 ? v[cell(ncols, j, s)].re : average_re(v, ncols, j, s, n);
  }
  float im(const Cplx* v, std::int32_t j, std::int32_t s) const {
    return n == 0 ? v[cell(ncols, j, s)].im : average_im(v, ncols, j, s, n);
  }
};

void write_block(WriteFile& f, const Arrays& a, const Averager& avg,
                 const std::vector<FreqGroup>& groups, const std::vector<ColumnLines>& columns,
                 const char* nfreqs_text, std::int32_t s) {
  char* r = record_begin(f, kPositionLen);
  r = put_general(r, 17, 9, a.x_a[s]);
  r = put_general(r, 17, 9, a.y_a[s]);
  std::memcpy(r, nfreqs_text, 5);
  if (record_end(f, r + 5) != 0) {
    estop("error writing x & y for sounding " + sounding_text(s));
  }

  char height[kHeightWidth];
  put_general(height, 13, 5, avg.height(s));

  const Cplx* dat = a.dat_a.get();
  const Cplx* err = a.err_a.get();
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const FreqGroup& group = groups[g];
    const auto k = static_cast<std::int32_t>(g + 1);
    r = record_begin(f, kFreqLen);
    std::memcpy(r, group.line, kFreqLen);
    if (record_end(f, r + kFreqLen) != 0) {
      estop("error writing freq. " + number_text(k, 8) + " for sound. " + sounding_text(s));
    }
    for (std::size_t c = group.begin; c < group.end; ++c) {
      const ColumnLines& col = columns[c];
      r = record_begin(f, kTxLen);
      std::memcpy(r, col.tx, kTxLen);
      std::memcpy(r + kTxHeight, height, kHeightWidth);
      if (record_end(f, r + kTxLen) != 0) {
        estop("error writing transmitter data for sounding " + sounding_text(s));
      }
      if (col.form == Form::unknown) {
        estop("inconsistent inqu while writing out sounding " + sounding_text(s));
      }
      r = record_begin(f, col.data_len);
      std::memcpy(r, col.data, col.data_len);
      std::memcpy(r + kDataHeight, height, kHeightWidth);
      const std::int32_t j = col.j;
      switch (col.form) {
        case Form::paired: {
          char* q = put_general(r + kValue, 15, 7, avg.re(dat, j, s));
          put_general(q, 15, 7, avg.im(dat, j, s));
          q = put_general(r + kPairedError, 15, 7, avg.re(err, j, s));
          put_general(q, 15, 7, avg.im(err, j, s));
          break;
        }
        case Form::inphase:
          put_general(r + kValue, 15, 7, avg.re(dat, j, s));
          put_general(r + kSingleError, 15, 7, avg.re(err, j, s));
          break;
        case Form::quadrature:
        case Form::unknown:
          put_general(r + kValue, 15, 7, avg.im(dat, j, s));
          put_general(r + kSingleError, 15, 7, avg.im(err, j, s));
          break;
      }
      if (record_end(f, r + col.data_len) != 0) {
        estop("error writing data for freq. " + number_text(k, 8) + ", sound. " + sounding_text(s));
      }
    }
  }
}

}  // namespace

void write_observations(const Params& p, const Arrays& a, std::int32_t nsoundings,
                        std::FILE* console) {
  refuse_inputs(p);
  const std::string quoted = "\"" + p.output_file + "\"";
  // A stop while writing leaves f to its destructor, which writes out what
  // is buffered, so the file holds every record written before the stop.
  WriteFile f;
  if (open_write(f, p.output_file) != 0) estop("error opening output file " + quoted);
  progress_line(console, "Writing data to " + quoted + ".");

  const Kept kept = kept_soundings(nsoundings, p.naverage, p.ndecimate);
  char* r = record_begin(f, kCountLen);
  r = put_int(r, 5, kept.count);
  if (record_end(f, r) != 0) {
    estop("error writing number of soundings to file " + quoted);
  }

  std::vector<FreqGroup> groups;
  std::vector<ColumnLines> columns;
  build_groups(p, a, groups, columns);
  char nfreqs_text[5];
  put_int(nfreqs_text, 5, p.nfreqs);
  const Averager avg{a, p.ncols, p.naverage, 1.0 / kept.window};

  for (std::int32_t i = 0; i < kept.count; ++i) {
    write_block(f, a, avg, groups, columns, nfreqs_text, kept_index(kept, i));
  }

  if (close_write(f) != 0) estop("error closing output file " + quoted);
}

}  // namespace kivo
