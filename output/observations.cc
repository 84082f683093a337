#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "os/os.h"
#include "output/messages.h"
#include "output/output.h"
#include "output/render_ahead.h"
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
  // Every block has the same records, each as long as its room: the bytes of
  // a block with their CR LF, and whether a column cannot be written.
  std::size_t block_bytes = 0;
  bool unknown = false;
};

Layout layout_of(const Params& p, const Arrays& a) {
  Layout l;
  build_groups(p, a, l.groups, l.columns);
  put_int(l.nfreqs_text, 5, p.nfreqs);
  l.block_bytes = kPositionLen + 2 + l.groups.size() * (kFreqLen + 2);
  for (const ColumnLines& c : l.columns) {
    l.block_bytes += kTxLen + 2 + c.data_len + 2;
    if (c.form == Form::unknown) l.unknown = true;
  }
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

// The values a block shows, per column of the layout: its data and its
// uncertainty.
void gather_values(const Layout& l, const Arrays& a, Cplx* values) {
  for (std::size_t c = 0; c < l.columns.size(); ++c) {
    const std::int32_t j = l.columns[c].j;
    values[2 * c] = a.dat_a[j];
    values[2 * c + 1] = a.err_a[j];
  }
}

char* end_line(char* r) {
  r[0] = '\r';
  r[1] = '\n';
  return r + 2;
}

// Renders the block of one kept sounding into `out` (l.block_bytes long):
// its records, each with its CR LF.
void render_block(const Layout& l, char* out, const KeptSounding& k, const Cplx* values) {
  char* r = put_general(out, 17, 9, k.x);
  r = put_general(r, 17, 9, k.y);
  std::memcpy(r, l.nfreqs_text, 5);
  r = end_line(r + 5);
  char height[kHeightWidth];
  put_general(height, 13, 5, k.z);
  for (const FreqGroup& group : l.groups) {
    std::memcpy(r, group.line, kFreqLen);
    r = end_line(r + kFreqLen);
    for (std::size_t c = group.begin; c < group.end; ++c) {
      const ColumnLines& col = l.columns[c];
      std::memcpy(r, col.tx, kTxLen);
      std::memcpy(r + kTxHeight, height, kHeightWidth);
      r = end_line(r + kTxLen);
      std::memcpy(r, col.data, col.data_len);
      std::memcpy(r + kDataHeight, height, kHeightWidth);
      const Cplx dat = values[2 * c];
      const Cplx err = values[2 * c + 1];
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
      r = end_line(r + col.data_len);
    }
  }
}

void render_into(const void* layout, char* out, const KeptSounding& k, const Cplx* values) {
  render_block(*static_cast<const Layout*>(layout), out, k, values);
}

// Puts one record of a rendered block into the file; false, after the
// failure, when writing the file has failed.
bool put_record(Observations& o, const Params& p, const char*& block, std::size_t len, Record what,
                std::int32_t freq, std::int32_t s) {
  char* r = record_begin(o.file, len);
  std::memcpy(r, block, len);
  block += len + 2;
  return !record_failed(o, r + len, what, p, freq, s);
}

// Puts the rendered block of kept sounding s into the file, record by
// record, where the file's buffer may be written out within it: a write
// that fails fails at the record it would fail at when rendered in place.
// False after a failure.
bool put_block(Observations& o, const Params& p, const Layout& l, const char* block,
               std::int32_t s) {
  WriteFile& f = o.file;
  if (!l.unknown && f.cap - f.len >= l.block_bytes) {
    std::memcpy(f.buf.get() + f.len, block, l.block_bytes);
    f.len += l.block_bytes;
    return true;
  }
  if (!put_record(o, p, block, kPositionLen, Record::position, 0, s)) return false;
  for (std::size_t g = 0; g < l.groups.size(); ++g) {
    const FreqGroup& group = l.groups[g];
    const auto freq = static_cast<std::int32_t>(g + 1);
    if (!put_record(o, p, block, kFreqLen, Record::frequency, freq, s)) return false;
    for (std::size_t c = group.begin; c < group.end; ++c) {
      const ColumnLines& col = l.columns[c];
      if (!put_record(o, p, block, kTxLen, Record::transmitter, freq, s)) return false;
      if (col.form == Form::unknown) {
        fail(o, text(OutputMsg::bad_inqu, {sounding_text(s)}));
        return false;
      }
      if (!put_record(o, p, block, col.data_len, Record::data, freq, s)) return false;
    }
  }
  return true;
}

// What a pass needs to write blocks: the layout, room for one block's values
// and text, and the threads that render blocks ahead, when there are.
struct BlockWriter {
  const Layout* layout = nullptr;
  std::vector<Cplx> values;
  std::unique_ptr<char[]> block;
  std::unique_ptr<RenderAhead> ahead;
};

void begin_blocks(BlockWriter& w, const Layout& l, bool threads) {
  w.layout = &l;
  w.values.resize(2 * l.columns.size());
  w.block.reset(new char[std::max<std::size_t>(l.block_bytes, 1)]);
  const std::int32_t n = reading_threads();
  if (!threads || n < 2) return;
  try {
    w.ahead = std::make_unique<RenderAhead>(render_into, &l, w.values.size(), l.block_bytes,
                                            std::min(n, 8) - 1);
  } catch (const std::system_error&) {
    w.ahead.reset();
  } catch (const std::bad_alloc&) {
    w.ahead.reset();
  }
}

// Writes the block of one kept sounding, or hands it to the threads that
// render ahead and writes the blocks they have rendered; false after a
// failure.
bool write_block(Observations& o, const Params& p, const Arrays& a, BlockWriter& w,
                 const KeptSounding& k) {
  const Layout& l = *w.layout;
  if (!w.ahead) {
    gather_values(l, a, w.values.data());
    WriteFile& f = o.file;
    if (!l.unknown && f.cap - f.len >= l.block_bytes) {
      // Room for the whole block: rendered in place.
      render_block(l, f.buf.get() + f.len, k, w.values.data());
      f.len += l.block_bytes;
      return true;
    }
    render_block(l, w.block.get(), k, w.values.data());
    return put_block(o, p, l, w.block.get(), k.s);
  }
  gather_values(l, a, w.values.data());
  w.ahead->add(k, w.values.data());
  std::int32_t s = 0;
  while (const char* block = w.ahead->next(false, s)) {
    if (!put_block(o, p, l, block, s)) return false;
  }
  return true;
}

// Writes every block handed to the threads that render ahead; false after a
// failure.
bool end_blocks(Observations& o, const Params& p, BlockWriter& w) {
  if (!w.ahead) return true;
  std::int32_t s = 0;
  while (const char* block = w.ahead->next(true, s)) {
    if (!put_block(o, p, *w.layout, block, s)) return false;
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
    BlockWriter w;
    begin_blocks(w, l, true);
    KeptSounding k;
    bool failed = false;  // writing the file has failed
    try {
      while (next_kept(r, k)) {
        // Past what the count line can count, the run is going to stop.
        if (r.nkept > kMostBlocks) break;
        if (!write_block(o, p, a, w, k)) {
          failed = true;
          break;
        }
      }
    } catch (const Stop&) {
      // The blocks before the row that stops the run are written first, as
      // they would be without threads: a failure of the file among them
      // comes first.
      end_blocks(o, p, w);
      throw;
    }
    // Every block handed on is written, as without threads, unless writing
    // has failed.
    if (!failed) end_blocks(o, p, w);
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
  // The blocks go into one file after another: rendered here.
  BlockWriter w;
  begin_blocks(w, l, false);
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
    if (writing) writing = write_block(o, p, a, w, k);
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
