#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "os/os.h"
#include "output/messages.h"
#include "output/output.h"
#include "soundings/soundings.h"
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

std::string sounding_text(std::int32_t s) {
  return number_text(s + 1);
}

// What stays the same in every block: the frequency groups with their
// columns, and the number of frequencies as text.
struct Layout {
  std::vector<FreqGroup> groups;
  std::vector<ColumnLines> columns;
  char nfreqs_text[5];
};

Layout layout_of(const Params& p, const Arrays& a) {
  Layout l;
  build_groups(p, a, l.groups, l.columns);
  put_int(l.nfreqs_text, 5, p.nfreqs);
  return l;
}

// The name of the file being written, for a message: the output name, or
// with "{line}" the file of the flight line being written.
const std::string& output_name(const Observations& o, const Params& p) {
  if (o.mode == Observations::Mode::per_line && o.open) return o.files[o.current].name;
  return p.output_file;
}

// A failure of the file. While the data file is still being read it is held,
// the first one only, and the writing goes no further; once the data file is
// known to be sound it stops the run at once.
void fail(Observations& o, std::string message, std::string where = {}) {
  if (o.stop_at_once) estop(std::move(message), std::move(where));
  if (o.failure.message.empty()) o.failure = Stop{std::move(message), std::move(where)};
}

// The stop for more sounding blocks than the count line can count, with the
// line that points at the averaging line that kept them.
void fail_count(Observations& o, const Params& p, std::int64_t count, const std::string& name) {
  const LinePlace at = p.averaging_place;
  fail(
      o, text(OutputMsg::too_many, {name}),
      params_place(at.line, at.column,
                   text(OutputMsg::keeps, {quoted_text(p.averaging_word), std::to_string(count)})));
}

// The stop for a survey whose every sounding holds a null value, with the
// line that points at the null line.
void fail_all_null(Observations& o, const Params& p, std::int32_t nread) {
  const LinePlace at = p.null_place;
  fail(o, text(OutputMsg::all_null, {p.output_file}),
       params_place(at.line, at.column,
                    text(OutputMsg::all_null_line, {number_text(nread), p.data_file})));
}

// The records of the file, for the message of a failure to write one.
enum class Record : std::uint8_t { count, position, frequency, transmitter, data };

// The failure to write a record of the kept sounding s (frequency number
// freq), with its message. The text is built only here, off the hot path.
void fail_record(Observations& o, Record what, const Params& p, std::int32_t freq, std::int32_t s) {
  switch (what) {
    case Record::count:
      fail(o, text(OutputMsg::count_record, {output_name(o, p)}));
      break;
    case Record::position:
      fail(o, text(OutputMsg::position_record, {sounding_text(s)}));
      break;
    case Record::frequency:
      fail(o, text(OutputMsg::frequency_record, {number_text(freq, 8), sounding_text(s)}));
      break;
    case Record::transmitter:
      fail(o, text(OutputMsg::transmitter_record, {sounding_text(s)}));
      break;
    case Record::data:
      fail(o, text(OutputMsg::data_record, {number_text(freq, 8), sounding_text(s)}));
      break;
  }
}

// Ends a record; false, after the failure, when writing the file has failed.
bool record_failed(Observations& o, char* end, Record what, const Params& p, std::int32_t freq = 0,
                   std::int32_t s = 0) {
  if (record_end(o.file, end) == 0) return false;
  fail_record(o, what, p, freq, s);
  return true;
}

// Writes the block of one kept sounding; false after a failure.
bool write_block(Observations& o, const Params& p, const Arrays& a, const Layout& l,
                 const KeptSounding& k) {
  WriteFile& f = o.file;
  char* r = record_begin(f, kPositionLen);
  r = put_general(r, 17, 9, k.x);
  r = put_general(r, 17, 9, k.y);
  std::memcpy(r, l.nfreqs_text, 5);
  if (record_failed(o, r + 5, Record::position, p, 0, k.s)) {
    return false;
  }

  char height[kHeightWidth];
  put_general(height, 13, 5, k.z);

  for (std::size_t g = 0; g < l.groups.size(); ++g) {
    const FreqGroup& group = l.groups[g];
    const auto freq = static_cast<std::int32_t>(g + 1);
    r = record_begin(f, kFreqLen);
    std::memcpy(r, group.line, kFreqLen);
    if (record_failed(o, r + kFreqLen, Record::frequency, p, freq, k.s)) {
      return false;
    }
    for (std::size_t c = group.begin; c < group.end; ++c) {
      const ColumnLines& col = l.columns[c];
      r = record_begin(f, kTxLen);
      std::memcpy(r, col.tx, kTxLen);
      std::memcpy(r + kTxHeight, height, kHeightWidth);
      if (record_failed(o, r + kTxLen, Record::transmitter, p, freq, k.s)) {
        return false;
      }
      if (col.form == Form::unknown) {
        fail(o, text(OutputMsg::bad_inqu, {sounding_text(k.s)}));
        return false;
      }
      r = record_begin(f, col.data_len);
      std::memcpy(r, col.data, col.data_len);
      std::memcpy(r + kDataHeight, height, kHeightWidth);
      const Cplx dat = a.dat_a[col.j];
      const Cplx err = a.err_a[col.j];
      switch (col.form) {
        case Form::paired: {
          char* q = put_general(r + kValue, 15, 7, dat.re);
          put_general(q, 15, 7, dat.im);
          q = put_general(r + kPairedError, 15, 7, err.re);
          put_general(q, 15, 7, err.im);
          break;
        }
        case Form::inphase:
          put_general(r + kValue, 15, 7, dat.re);
          put_general(r + kSingleError, 15, 7, err.re);
          break;
        case Form::quadrature:
        case Form::unknown:
          put_general(r + kValue, 15, 7, dat.im);
          put_general(r + kSingleError, 15, 7, err.im);
          break;
      }
      if (record_failed(o, r + col.data_len, Record::data, p, freq, k.s)) {
        return false;
      }
    }
  }
  return true;
}

// One reading pass with S soundings and the checked averaging number n. When
// the file is being written, the count line goes first and every kept
// sounding's block follows as soon as its window has been read; after a
// failure of the file the rest of the data file is only read. Returns the
// number of soundings read.
std::int32_t pass(Observations& o, ReadFile& f, const Params& p, Arrays& a, std::int32_t nsoundings,
                  std::int32_t naverage, bool writing, ReadingNotes* notes = nullptr,
                  std::int32_t known = -1) {
  ReadingPass r;
  begin_reading(r, f, p, a, nsoundings, naverage);
  // The count line goes first. Flight lines make the count known only once
  // the file has been read: until then the count without them stands there
  // (5 asterisks when it is too wide), and is written over at the end.
  const std::int32_t head = known >= 0 ? known : r.kept.count;
  char count[kCountLen];
  put_int(count, 5, head);
  if (writing) {
    char* c = record_begin(o.file, kCountLen);
    std::memcpy(c, count, kCountLen);
    writing = !record_failed(o, c + kCountLen, Record::count, p);
  }
  const bool wrote_head = writing;
  if (writing) {
    const Layout l = layout_of(p, a);
    KeptSounding k;
    while (next_kept(r, k)) {
      // Past what the count line can count, the run is going to stop.
      if (r.nkept > kMostBlocks || !write_block(o, p, a, l, k)) break;
    }
  }
  read_to_end(r);
  o.kept = r.nkept;
  o.all_null = r.nread > 0 && r.notes.left_out == r.nread;
  if (wrote_head && o.all_null) {
    fail_all_null(o, p, r.nread);
  } else if (wrote_head && r.nkept > kMostBlocks) {
    // The count line would fail first: its stop stands before any other.
    o.failure = Stop{};
    fail_count(o, p, r.nkept, output_name(o, p));
  } else if (wrote_head && r.nkept != head && o.failure.message.empty()) {
    put_int(count, 5, r.nkept);
    if (write_head(o.file, count, kCountLen) != 0) fail_record(o, Record::count, p, 0, 0);
  }
  if (notes) *notes = std::move(r.notes);
  return r.nread;
}

// Starts the new file that replaces the output name; when the directory does
// not allow one, the name is written in place once the data file is known to
// be sound.
void start_replacement(Observations& o, const Params& p) {
  if (os::create_replacement(p.output_file, o.replacement)) {
    attach_write(o.file, o.replacement.handle);
    o.replacement.handle = os::kNoHandle;  // the file owns it now
    o.mode = Observations::Mode::replace;
  } else {
    o.mode = Observations::Mode::in_place;
  }
}

// --- One file per flight line ----------------------------------------------

// Holds the first refusal or failed open of a file of the pattern; from then
// on nothing more is written.
void fail_early(Observations& o, std::string message) {
  if (o.early.message.empty()) o.early = Stop{std::move(message), {}};
}

// Ends the file being written: its count line takes the blocks it holds so
// far (a name that comes again reopens it and writes the count again).
bool close_line_file(Observations& o, const Params& p) {
  if (!o.open) return true;
  LineFile& lf = o.files[o.current];
  char count[kCountLen];
  put_int(count, 5, static_cast<std::int32_t>(std::min<std::int64_t>(lf.blocks, kMostBlocks)));
  const bool headed = o.failure.message.empty() && write_head(o.file, count, kCountLen) == 0;
  const bool closed = close_write(o.file) == 0;
  if (headed && !closed) fail(o, text(OutputMsg::cannot_close, {output_name(o, p)}));
  if (!headed && o.failure.message.empty()) fail_record(o, Record::count, p, 0, 0);
  o.open = false;
  return headed && closed;
}

// Starts writing file i: a new one beside its name, after the checks that it
// is not an input file, or the one begun before, reopened.
bool open_line_file(Observations& o, const Params& p, std::size_t i, bool added) {
  LineFile& lf = o.files[i];
  if (added) {
    if (os::same_file(lf.name, p.data_file)) {
      fail_early(o, text(OutputMsg::is_data, {lf.name}));
      return false;
    }
    if (os::same_file(lf.name, kParamsName)) {
      fail_early(o, text(OutputMsg::is_params, {lf.name}));
      return false;
    }
    // Every file is replaced whole: a name that cannot take a new file
    // beside it (a device, a directory that refuses one) is not written.
    if (!os::create_replacement(lf.name, lf.replacement)) {
      fail_early(o, text(OutputMsg::cannot_open, {lf.name}));
      return false;
    }
  } else if (!os::reopen_replacement(lf.replacement)) {
    fail_early(o, text(OutputMsg::cannot_open, {lf.name}));
    return false;
  }
  attach_write(o.file, lf.replacement.handle);
  lf.replacement.handle = os::kNoHandle;  // the file owns it now
  o.current = i;
  o.open = true;
  if (!added) return true;
  // The count line, written again when the file is closed.
  char* c = record_begin(o.file, kCountLen);
  put_int(c, 5, 0);
  return !record_failed(o, c + kCountLen, Record::count, p);
}

// The reading pass of a run with "{line}" in the output name: each kept
// sounding's block goes into the file of its flight line's name. Returns the
// number of soundings read.
std::int32_t pass_lines(Observations& o, ReadFile& f, const Params& p, Arrays& a,
                        std::int32_t nsoundings, std::int32_t naverage, ReadingNotes* notes) {
  ReadingPass r;
  r.want_names = true;
  begin_reading(r, f, p, a, nsoundings, naverage);
  const Layout l = layout_of(p, a);
  std::unordered_map<std::string, std::size_t> index;
  std::int64_t flight = 0;
  std::size_t file = 0;
  bool writing = true;
  KeptSounding k;
  while (next_kept(r, k)) {
    if (k.flight != flight) {
      flight = k.flight;
      const auto [it, added] =
          index.try_emplace(line_file_name(p.output_file, r.flight_name), o.files.size());
      if (added) o.files.push_back(LineFile{it->first, {}, 0});
      if (it->second != file || added) {
        if (writing) writing = close_line_file(o, p);
        file = it->second;
        if (writing) writing = open_line_file(o, p, file, added);
      }
    }
    // Past what the count line can count, the run is going to stop.
    if (++o.files[file].blocks > kMostBlocks) writing = false;
    if (writing) writing = write_block(o, p, a, l, k);
  }
  if (writing) close_line_file(o, p);
  o.kept = r.nkept;
  o.all_null = r.nread > 0 && r.notes.left_out == r.nread;
  if (notes) *notes = std::move(r.notes);
  return r.nread;
}

void discard_line_files(Observations& o) {
  abandon_write(o.file);
  o.open = false;
  for (LineFile& lf : o.files) os::discard_replacement(lf.replacement);
  o.files.clear();
  o.early = Stop{};
  o.failure = Stop{};
}

// After the data file was read without error: the stops in their order, then
// every file put in place.
void commit_line_files(Observations& o, const Params& p, std::int32_t nsoundings,
                       std::FILE* console) {
  if (!o.early.message.empty()) throw o.early;
  progress_line(console, text(OutputMsg::writing, {p.output_file}));
  if (o.all_null) {
    o.failure = Stop{};
    o.stop_at_once = true;
    fail_all_null(o, p, nsoundings);
  }
  if (o.files.empty()) {
    const LinePlace at = p.averaging_place;
    estop(text(OutputMsg::no_block, {p.output_file}),
          params_place(at.line, at.column,
                       text(OutputMsg::no_block_line, {quoted_text(p.averaging_word)})));
  }
  for (const LineFile& lf : o.files) {
    if (lf.blocks > kMostBlocks) {
      o.stop_at_once = true;
      fail_count(o, p, lf.blocks, lf.name);
    }
  }
  if (!o.failure.message.empty()) throw o.failure;
  for (LineFile& lf : o.files) {
    if (!os::commit_replacement(lf.replacement)) {
      estop(text(OutputMsg::cannot_close, {lf.name}));
    }
  }
  o.mode = Observations::Mode::done;
}

}  // namespace

bool per_line_name(const std::string& output_file) {
  return output_file.find("{line}") != std::string::npos;
}

std::string line_file_name(const std::string& pattern, const std::string& line) {
  std::string name;
  std::size_t from = 0;
  for (std::size_t at; (at = pattern.find("{line}", from)) != std::string::npos; from = at + 6) {
    name.append(pattern, from, at - from);
    name += line;
  }
  name.append(pattern, from, std::string::npos);
  return name;
}

void report_line_files(const Observations& o, std::FILE* console) {
  for (const LineFile& lf : o.files) {
    progress_line(console, text(lf.blocks == 1 ? OutputMsg::written_one : OutputMsg::written,
                                {std::to_string(lf.blocks), lf.name}));
  }
}

Observations::~Observations() {
  discard_observations(*this);
}

void discard_observations(Observations& o) {
  if (o.mode == Observations::Mode::per_line) {
    discard_line_files(o);
    o.mode = Observations::Mode::none;
    return;
  }
  if (o.mode != Observations::Mode::replace) return;
  abandon_write(o.file);
  os::discard_replacement(o.replacement);
  o.mode = Observations::Mode::none;
}

void prepare_observations(Observations& o, const Params& p) {
  o.failure = Stop{};
  o.stop_at_once = false;
  o.files.clear();
  o.open = false;
  o.early = Stop{};
  if (per_line_name(p.output_file)) {
    // The files are begun one by one as their flight lines come.
    o.mode = Observations::Mode::per_line;
    return;
  }
  // An output name that is another name of an input file (the same name, a
  // hard link or a symbolic link) is refused once the data file has been
  // read; nothing is created for it.
  if (os::same_file(p.output_file, p.data_file)) {
    o.mode = Observations::Mode::refused_data;
  } else if (os::same_file(p.output_file, kParamsName)) {
    o.mode = Observations::Mode::refused_params;
  } else {
    start_replacement(o, p);
  }
}

void stream_observations(Observations& o, ReadFile& f, const Params& p, Arrays& a,
                         std::int32_t& nsoundings, ReadingNotes* notes) {
  const std::int32_t counted = nsoundings;
  const bool per_line = o.mode == Observations::Mode::per_line;
  for (;;) {
    const bool writing = o.mode == Observations::Mode::replace;
    const std::int32_t naverage = checked_averaging(p.naverage, nsoundings);
    const std::int32_t nread = per_line ? pass_lines(o, f, p, a, nsoundings, naverage, notes)
                                        : pass(o, f, p, a, nsoundings, naverage, writing, notes);
    if (notes) notes->counted = counted;
    if (nread >= nsoundings) break;
    // Rows that took values from more than one line leave fewer soundings
    // than counted. Only the soundings read are thinned and written, which
    // changes the kept soundings: the file is read again with the lower count.
    nsoundings = nread;
    rewind_read(f);
    if (per_line) discard_line_files(o);
    if (writing) {
      discard_observations(o);
      o.failure = Stop{};
      start_replacement(o, p);
    }
  }
  // Written in place, the data file is read once more while writing.
  if (o.mode != Observations::Mode::in_place) close_read(f);
}

void write_observations(Observations& o, ReadFile& f, const Params& p, Arrays& a,
                        std::int32_t nsoundings, std::FILE* console) {
  if (o.mode == Observations::Mode::per_line) {
    commit_line_files(o, p, nsoundings, console);
    return;
  }
  const std::string& name = output_name(o, p);
  if (o.mode == Observations::Mode::refused_data) estop(text(OutputMsg::is_data, {name}));
  if (o.mode == Observations::Mode::refused_params) estop(text(OutputMsg::is_params, {name}));
  if (o.mode == Observations::Mode::in_place) {
    // Not a regular file (a device, a pipe), or a directory that takes no new
    // file: the name itself is written, now that the data file is sound. A
    // count that the count line cannot hold stops before the name is even
    // opened, so that it receives nothing.
    if (o.all_null || o.kept > kMostBlocks) {
      progress_line(console, text(OutputMsg::writing, {name}));
      o.stop_at_once = true;
      if (o.all_null) fail_all_null(o, p, nsoundings);
      fail_count(o, p, o.kept, output_name(o, p));
    }
    if (open_write(o.file, p.output_file) != 0) estop(text(OutputMsg::cannot_open, {name}));
    progress_line(console, text(OutputMsg::writing, {name}));
    o.stop_at_once = true;
    rewind_read(f);
    pass(o, f, p, a, nsoundings, p.naverage, true, nullptr, o.kept);
    close_read(f);
    if (close_write(o.file) != 0) estop(text(OutputMsg::cannot_close, {name}));
    return;
  }
  progress_line(console, text(OutputMsg::writing, {name}));
  // The held failure, with the message it was met with.
  if (!o.failure.message.empty()) throw o.failure;
  if (close_write(o.file) != 0 || !os::commit_replacement(o.replacement)) {
    estop(text(OutputMsg::cannot_close, {name}));
  }
  o.mode = Observations::Mode::done;
}

}  // namespace kivo
