#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>

#include "params/messages.h"
#include "soundings/convert_ahead.h"
#include "soundings/messages.h"
#include "soundings/soundings.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/text.h"
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

// The stop for a lead column and its partner that are not one in-phase and
// one quadrature column, at the partner's column line.
[[noreturn]] void stop_pair(const Params& p, const Arrays& a, const ColumnStore& c) {
  const std::string message = text(SoundingsMsg::bad_pair, {number_text(c.j + 1, 8)});
  if (c.k < 0 || c.k >= p.ncols) estop(message);
  estop(message, column_place(p, c.k + 1,
                              text(SoundingsMsg::bad_flags,
                                   {number_text(c.k + 1), std::string(1, a.inqu_a[c.k]),
                                    std::string(1, a.inqu_a[c.j]), number_text(c.j + 1)})));
}

// Stores the row in dum_a column by column: the coordinates and the height
// into `row`, the datum and uncertainty of each data column (the entry c of
// the plan) through put(c, j, dat, err).
template <class Put>
void store_columns(const std::vector<ColumnStore>& plan, const Params& p, const Arrays& a,
                   const float* dum, Sounding& row, Put&& put) {
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
        estop(text(SoundingsMsg::bad_inqu, {number_text(c.j + 1, 8)}));
      case StoreKind::bad_pair:
        stop_pair(p, a, c);
    }
  }
}

}  // namespace

void store_row(const std::vector<ColumnStore>& plan, const Params& p, Arrays& a, Sounding& row) {
  store_columns(plan, p, a, a.dum_a.get(), row,
                [&a](std::size_t, std::int32_t j, Cplx dat, Cplx err) {
                  a.dat_a[j] = dat;
                  a.err_a[j] = err;
                });
}

const char* null_marker(float v) {
  // Typed as 9999, 9999.9 or 9999.99 (and so on), with either sign. A form
  // whose single-precision value is another integer (9999999.9 is stored as
  // 10000000) is left out: it cannot be told from that integer.
  struct Marker {
    float value;
    const char* text;
  };
  static constexpr Marker kMarkers[] = {
      {9999.0f, "9999"},       {9999.9f, "9999.9"},     {9999.99f, "9999.99"},
      {99999.0f, "99999"},     {99999.9f, "99999.9"},   {99999.99f, "99999.99"},
      {999999.0f, "999999"},   {999999.9f, "999999.9"}, {999999.99f, "999999.99"},
      {9999999.0f, "9999999"},
  };
  static constexpr Marker kNegative[] = {
      {-9999.0f, "-9999"},       {-9999.9f, "-9999.9"},     {-9999.99f, "-9999.99"},
      {-99999.0f, "-99999"},     {-99999.9f, "-99999.9"},   {-99999.99f, "-99999.99"},
      {-999999.0f, "-999999"},   {-999999.9f, "-999999.9"}, {-999999.99f, "-999999.99"},
      {-9999999.0f, "-9999999"},
  };
  if (v == -999.0f) return "-999";
  if (v == -999.9f) return "-999.9";
  const float a = std::fabs(v);
  if (!(a >= 9999.0f && a < 10000000.0f)) return nullptr;
  const Marker* table = v < 0 ? kNegative : kMarkers;
  for (std::size_t i = 0; i < std::size(kMarkers); ++i) {
    if (table[i].value == v) return table[i].text;
  }
  return nullptr;
}

namespace {

std::string soundings_text(std::int64_t n) {
  return std::to_string(n) + (n == 1 ? " sounding" : " soundings");
}

// A null marker as typed, NaN, Inf or -Inf, or the shortest text of a float
// dummy (-1e+32).
std::string value_text(float v) {
  if (const char* marker = null_marker(v)) return marker;
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, v);
  return std::string(text, r.ptr);
}

// The note on a value of column number `column` (from 1) that looks like a
// null marker, and what it suggests: a null line, or the value added to it.
std::string marker_note(const Params& p, std::int32_t column, float v, const NoteCount& n) {
  const bool one = n.count == 1;
  const SoundingsMsg id =
      p.nulls.any() ? (one ? SoundingsMsg::marker_here_add : SoundingsMsg::marker_first_add)
                    : (one ? SoundingsMsg::marker_here : SoundingsMsg::marker_first);
  const std::string value = value_text(v);
  return text(id, {number_text(column), value, soundings_text(n.count), value});
}

// The text of a null marker of a NullNote, as written on the null line.
std::string null_marker_text(const Nulls& nulls, std::int32_t marker) {
  const auto k = static_cast<std::size_t>(marker);
  if (k < nulls.values.size()) return nulls.typed[k];
  if (k == nulls.values.size()) return nulls.nan_typed;
  return nulls.texts[k - nulls.values.size() - 1];
}

}  // namespace

void report_notes(const ReadingNotes& notes, const Params& p, std::FILE* console,
                  std::FILE* errors) {
  // Each note at its first place, in the order of the file.
  struct Line {
    std::int64_t line;
    std::size_t column;
    std::string text;
  };
  std::vector<Line> lines;
  const std::string& file = p.data_file;
  for (std::size_t j = 0; j < notes.columns.size(); ++j) {
    const auto column = static_cast<std::int32_t>(j + 1);
    for (std::size_t k = 0; k < kNoteKinds; ++k) {
      const NoteCount& n = notes.columns[j][k];
      if (n.count == 0) continue;
      if (static_cast<NoteKind>(k) == NoteKind::empty) {
        const SoundingsMsg id =
            n.sounding == 1 ? SoundingsMsg::empty_zero : SoundingsMsg::empty_before;
        lines.push_back({n.line, n.column,
                         place(file, n.line, n.column,
                               text(id, {number_text(column), number_text(n.sounding),
                                         soundings_text(n.count)}))});
        continue;
      }
      lines.push_back(
          {n.line, n.column, place(file, n.line, n.column, marker_note(p, column, n.value, n))});
    }
  }
  for (const MarkerNote& m : notes.markers) {
    const NoteCount& n = m.n;
    lines.push_back({n.line, n.column,
                     place(file, n.line, n.column, marker_note(p, m.column + 1, m.value, n))});
  }
  for (const NullNote& u : notes.nulls) {
    const NoteCount& n = u.n;
    const bool one = n.count == 1;
    const std::string column = number_text(u.column + 1);
    const std::string what =
        u.marker == kEmptyNull
            ? text(one ? SoundingsMsg::empty_null_here : SoundingsMsg::empty_null_first,
                   {column, soundings_text(n.count)})
            : text(one ? SoundingsMsg::null_here : SoundingsMsg::null_first,
                   {column, quoted_text(null_marker_text(p.nulls, u.marker)),
                    soundings_text(n.count)});
    lines.push_back({n.line, n.column, place(file, n.line, n.column, what)});
  }
  if (notes.wide.count > 0) {
    const NoteCount& n = notes.wide;
    const std::string ncols = number_text(p.ncols);
    const SoundingsMsg id =
        p.ncols == 1 ? (n.count == 1 ? SoundingsMsg::wide_one_each : SoundingsMsg::wide_one_column)
                     : (n.count == 1 ? SoundingsMsg::wide_one_row : SoundingsMsg::wide);
    lines.push_back({n.line, 0,
                     place(file, n.line, 0,
                           text(id, {ncols, std::to_string(notes.wide_values),
                                     std::to_string(n.count), ncols}))});
  }
  if (notes.low.count > 0) {
    const NoteCount& n = notes.low;
    lines.push_back({n.line, n.column,
                     place(file, n.line, n.column,
                           text(n.count == 1 ? SoundingsMsg::low_here : SoundingsMsg::low_first,
                                {number_text(p.zcol), soundings_text(n.count)}))});
  }
  if (notes.spans > 0) {
    lines.push_back({notes.span_first, 0,
                     place(file, notes.span_first, 0,
                           text(notes.spans == 1 ? SoundingsMsg::spans_one : SoundingsMsg::spans,
                                {number_text(notes.span_sounding), std::to_string(notes.span_first),
                                 std::to_string(notes.span_last), soundings_text(notes.spans),
                                 number_text(notes.read), number_text(notes.counted)}))});
  }
  if (notes.short_flights > 0) {
    lines.push_back({notes.short_first_file_line, 0,
                     place(file, notes.short_first_file_line, 0,
                           text(notes.short_flights == 1 ? SoundingsMsg::short_flight
                                                         : SoundingsMsg::short_flights,
                                {std::to_string(notes.short_flights), number_text(notes.window),
                                 soundings_text(notes.short_soundings)}))});
  }
  std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    return std::tie(a.line, a.column) < std::tie(b.line, b.column);
  });
  for (const Line& l : lines) error_line(console, errors, l.text);
}

namespace {

bool is_data(StoreKind k) {
  return k != StoreKind::x && k != StoreKind::y && k != StoreKind::height_feet &&
         k != StoreKind::height;
}

// The hint that follows what a row's value is, for the texts that suggest
// what the row may be.
std::string row_hint(const RowReader& r, const ReadFault& fault) {
  const std::string_view text = fault.text;
  if (!text.empty() && text.front() == '#') {
    return " (comment lines begin with \"/\" or \"#\" in the first column)";
  }
  if (r.nread == 1 && fault.item == 0 && is_name(text))
    return " (a line of column names? begin it with \"/\")";
  return {};
}

// The stop for a row whose values cannot be read, with the line that points
// at the value, or at the row that the file ends in.
[[noreturn, gnu::cold]] void stop_row(const RowReader& r, int status) {
  const Params& p = *r.params;
  const std::string message =
      text(SoundingsMsg::read_sounding, {number_text(r.nread), p.data_file});
  const ReadFault& fault = r.file->fault;
  if (status > 0 && fault.column == 0) estop(message);  // the file system failed
  const std::string sounding = number_text(r.nread);
  if (status < 0) {
    estop(message, place(p.data_file, fault.first_line, 0,
                         text(fault.item == 0 ? SoundingsMsg::ends_empty : SoundingsMsg::ends_short,
                              {sounding, std::to_string(fault.item), number_text(p.ncols)})));
  }
  estop(message, place(p.data_file, fault.line, fault.column,
                       text(fault.text == "*" ? SoundingsMsg::value_dummy : SoundingsMsg::value_bad,
                            {sounding, number_text(static_cast<std::int32_t>(fault.item + 1)),
                             quoted_text(fault.text),
                             fault_reason(status, ItemKind::real) + row_hint(r, fault)})));
}

// Where item j of the row read last stands: its line and column.
void locate(RowReader& r, std::int32_t j, NoteCount& n) {
  const auto ncols = static_cast<std::size_t>(r.params->ncols);
  if (r.converted) {
    n.line = r.info.file_line;
    locate_item(r.row_text, ncols, static_cast<std::size_t>(j), n.column, &r.marks);
    return;
  }
  locate_item(*r.file, ncols, static_cast<std::size_t>(j), n.line, n.column, &r.marks);
}

// Counts one more sounding for a note; the first is located.
void count_note(RowReader& r, std::int32_t j, NoteCount& n) {
  if (n.count++ > 0) return;
  n.sounding = r.nread;
  locate(r, j, n);
}

// Counts a value of a used column that is a null marker, a NaN or an
// infinity, with the place of the first; each marker value of a column is
// counted on its own.
[[gnu::cold]] void note_value(RowReader& r, std::int32_t j, float v) {
  if (!std::isnan(v) && !std::isinf(v)) {
    if (!null_marker(v) && !(std::fabs(v) >= 1e30f)) return;
    std::vector<MarkerNote>& markers = r.notes.markers;
    auto it = std::find_if(markers.begin(), markers.end(),
                           [&](const MarkerNote& m) { return m.column == j && m.value == v; });
    if (it == markers.end()) it = markers.insert(markers.end(), MarkerNote{j, v, {}});
    if (it->n.count == 0) it->n.value = v;
    count_note(r, j, it->n);
    return;
  }
  const NoteKind kind = std::isnan(v) ? NoteKind::nan : NoteKind::infinity;
  NoteCount& n = r.notes.columns[static_cast<std::size_t>(j)][static_cast<std::size_t>(kind)];
  if (n.count == 0) n.value = v;
  count_note(r, j, n);
}

// Counts the used columns that the row left without a value.
[[gnu::cold]] void note_unassigned(RowReader& r) {
  for (const std::int32_t j : r.checked) {
    if (!r.marks.marks[static_cast<std::size_t>(j)]) continue;
    count_note(
        r, j,
        r.notes.columns[static_cast<std::size_t>(j)][static_cast<std::size_t>(NoteKind::empty)]);
  }
}

// Counts a sounding that column j leaves out with the null marker `marker`.
[[gnu::cold]] void note_null(RowReader& r, std::int32_t j, std::int32_t marker) {
  std::vector<NullNote>& nulls = r.notes.nulls;
  auto it = std::find_if(nulls.begin(), nulls.end(),
                         [&](const NullNote& u) { return u.column == j && u.marker == marker; });
  if (it == nulls.end()) it = nulls.insert(nulls.end(), NullNote{j, marker, {}});
  count_note(r, j, it->n);
}

// Whether the row just read holds a null value in a used column: a null
// value of the free-format rules, a text marker, or a numeric marker. Each
// such column counts the sounding.
bool null_row(RowReader& r, const float* dum) {
  const Nulls& nulls = r.params->nulls;
  const unsigned char* marks = r.marks.marks;
  const std::size_t nvalues = nulls.values.size();
  bool null = false;
  for (const std::int32_t j : r.null_columns) {
    const auto jj = static_cast<std::size_t>(j);
    if (r.marks.any && marks[jj]) {
      const unsigned char m = marks[jj];
      note_null(
          r, j,
          m == kNullValue ? kEmptyNull : static_cast<std::int32_t>(nvalues + 1 + (m - kTextNull)));
      null = true;
      continue;
    }
    const float v = dum[jj];
    for (std::size_t k = 0; k < nvalues; ++k) {
      if (v == nulls.values[k]) {
        note_null(r, j, static_cast<std::int32_t>(k));
        null = true;
        break;
      }
    }
    if (nulls.nan && v != v) {
      note_null(r, j, static_cast<std::int32_t>(nvalues));
      null = true;
    }
  }
  return null;
}

// A row with more values than "kivo.in" describes: counted, with the number
// of values of the first.
// `line` is the row's last line, which holds the values beyond.
[[gnu::cold]] void note_wide(RowReader& r, std::int64_t line) {
  NoteCount& n = r.notes.wide;
  if (n.count++ > 0) return;
  n.sounding = r.nread;
  n.line = line;
  r.notes.wide_values = static_cast<std::size_t>(r.params->ncols) + count_values(r.marks.rest);
}

void clear_marks(RowReader& r) {
  if (!r.marks.any) return;
  std::memset(r.marks.marks, 0, static_cast<std::size_t>(r.params->ncols));
  r.marks.any = false;
}

// The values of a kept row that a note may name: null markers, NaN and
// infinities in used columns, and a height of 0 or below. Only values of
// magnitude 999 or more, NaNs and infinities can be null markers: a few
// comparisons per used value keep the test off the hot path (coordinates of
// 500000 pass them).
void note_values(RowReader& r, const float* dum) {
  for (const std::int32_t j : r.checked) {
    const float a = std::fabs(dum[j]);
    if (a < 999.0f) continue;
    if (a < 1000.0f || (a >= 9999.0f && a < 10000.0f) || (a >= 99999.0f && a < 100000.0f) ||
        (a >= 999999.0f && a < 1000000.0f) || (a >= 9999999.0f && a < 10000000.0f) ||
        !(a < 1e30f)) {
      note_value(r, j, dum[j]);
    }
  }
  const std::int32_t z = r.params->zcol;
  if (z > 0 && dum[z - 1] <= 0.0f) count_note(r, z - 1, r.notes.low);
}

[[noreturn, gnu::cold]] void stop_line(const RowReader& r) {
  estop(text(SoundingsMsg::read_line,
             {number_text(message_number(r.file_line)), r.params->data_file}));
}

// Marks the row just read as the start of a flight line when one is
// pending, with the name of the line record that began it.
void hand_on_line_begin(RowReader& r) {
  r.info.flight_begins = r.flight_pending;
  r.flight_pending = false;
  if (!r.want_names) return;
  if (r.info.flight_begins) {
    r.info.record_name = r.record_name;
    r.record_name.clear();
  } else if (!r.info.record_name.empty()) {
    r.info.record_name.clear();
  }
}

// What a row says beside its values: whether it holds a null value, where
// a flight line begins, and the notes on its values.
void check_row(RowReader& r) {
  const Params& p = *r.params;
  const float* dum = r.dum.data();
  r.info.null = r.nulls_on && null_row(r, dum);
  if (r.info.null) {
    // Left out: its values are not noted, and a flight line that begins
    // here begins at the next row that is not left out.
    clear_marks(r);
    hand_on_line_begin(r);
    return;
  }
  if (p.linecol > 0) {
    std::uint32_t bits;
    std::memcpy(&bits, dum + (p.linecol - 1), sizeof bits);
    if (r.have_flight_bits && bits != r.flight_bits) r.flight_pending = true;
    r.flight_bits = bits;
    r.have_flight_bits = true;
  }
  if (r.marks.any) {
    note_unassigned(r);
    clear_marks(r);
  }
  note_values(r, dum);
  hand_on_line_begin(r);
}

// A record of words where a header or a line record may stand: true when it
// is one of them, which is passed over.
bool words_record(RowReader& r, std::string_view rec) {
  const bool was_first = r.first_record;
  r.first_record = false;
  const RecordKind kind = record_kind(rec, was_first);
  if (kind == RecordKind::line) {
    r.flight_pending = true;
    if (r.want_names) is_line_record(rec, &r.record_name);
    r.first_record = true;  // names right after it are a header too
    return true;
  }
  return kind == RecordKind::header;
}

// Whether a record must have its words looked at: the first record that is
// not a comment or the one after a line record (a header of names?), and a
// record that begins with a word (a line record?). A row of numbers goes
// straight to its values.
bool needs_words(const RowReader& r, char lead) {
  return r.first_record || is_line_lead(lead);
}

// The row that begins at the file's position: its values, read from the
// file, and what they say. False when it is beyond the count.
bool read_row_values(RowReader& r) {
  // A sounding row beyond the count (only when S = 0 here, or when the
  // file grew after it was counted) belongs to no sounding: the pass ends.
  if (r.nread == r.nsoundings) return false;
  ++r.nread;
  ReadFile& f = *r.file;
  const std::int64_t first_line = f.line + 1;
  const int st = read_reals(f, r.dum.data(), static_cast<std::size_t>(r.params->ncols), r.marks);
  if (st != 0) stop_row(r, st);
  r.converted = false;
  if (r.marks.more) note_wide(r, f.line);
  r.info.file_line = first_line;
  if (f.line > first_line) {
    ReadingNotes& n = r.notes;
    if (n.spans++ == 0) {
      n.span_sounding = r.nread;
      n.span_first = first_line;
      n.span_last = f.line;
    }
  }
  check_row(r);
  return true;
}

// The next row read from the file alone.
bool read_row_from_file(RowReader& r) {
  ReadFile& f = *r.file;
  for (;;) {
    if (r.nread == r.nsoundings && r.nsoundings != 0) return false;
    ++r.file_line;
    // The first character decides between a comment record, passed over
    // whole, and a sounding row, read from its start.
    char first = ' ';
    char lead = ' ';
    int status = peek_lead(f, first, lead);
    const bool comment = first == '/' || first == '#';
    if (status == 0 && comment) status = read_char_field(f, &first, 1);
    if (status > 0) stop_line(r);
    if (status < 0) return false;
    if (comment) continue;
    if (needs_words(r, lead)) {
      std::string_view rec;
      status = next_record(f, std::string_view::npos, rec);
      if (status > 0) stop_line(r);
      if (status < 0) return false;
      if (words_record(r, rec)) continue;
      step_back(f);
    }
    return read_row_values(r);
  }
}

// The file brought to the next record, when the rows before it came
// converted.
void file_to_offset(RowReader& r) {
  if (r.file_at_offset) return;
  seek_record(*r.file, r.offset, r.lines);
  r.file_at_offset = true;
}

// After a row read from the file: the converted lines are taken up again
// where the file stands. When the file cannot tell where (it failed), the
// rest of the pass reads the file alone, which stops at the failure.
bool from_file(RowReader& r, bool read) {
  if (read) {
    r.lines = r.file->line;
    if (record_offset(*r.file, r.offset) != 0) r.ahead = nullptr;
  }
  return read;
}

// The next row from the converted lines, each as the file would give it,
// and from the file where they hold nothing.
bool read_row_converted(RowReader& r) {
  ConvertAhead& ahead = *r.ahead;
  for (;;) {
    const ConvertAhead::Line* line = ahead.line_at(r.offset);
    if (!line) {
      file_to_offset(r);
      return from_file(r, read_row_from_file(r));
    }
    if (r.nread == r.nsoundings && r.nsoundings != 0) return false;
    ++r.file_line;
    const std::string_view rec = ahead.text(*line);
    if (line->kind != ConvertAhead::LineKind::comment) {
      if (needs_words(r, line->lead) && words_record(r, rec)) {
        r.offset = ahead.next_offset(*line);
        ++r.lines;
        r.file_at_offset = false;
        continue;
      }
      if (line->kind != ConvertAhead::LineKind::row) {
        file_to_offset(r);
        return from_file(r, read_row_values(r));
      }
      if (r.nread == r.nsoundings) return false;
      ++r.nread;
      const auto ncols = static_cast<std::size_t>(r.params->ncols);
      std::memcpy(r.dum.data(), ahead.values(*line), ncols * sizeof(float));
      r.converted = true;
      r.row_text = rec;
      r.info.file_line = r.lines + 1;
      r.offset = ahead.next_offset(*line);
      ++r.lines;
      r.file_at_offset = false;
      r.marks.more = line->more;
      if (line->more) {
        r.marks.rest = rec.substr(line->rest);
        note_wide(r, r.info.file_line);
      }
      check_row(r);
      return true;
    }
    r.offset = ahead.next_offset(*line);
    ++r.lines;
    r.file_at_offset = false;
  }
}

}  // namespace

bool read_row(RowReader& r) {
  return r.ahead ? read_row_converted(r) : read_row_from_file(r);
}

namespace {

// Threads beyond these bring no more: the pass itself, which takes the rows
// in order, is then the slowest part.
constexpr std::int32_t kMaxThreads = 8;

}  // namespace

ReadingPass::ReadingPass() = default;
ReadingPass::~ReadingPass() = default;

namespace {

// The number that the environment variable `name` holds, when it is one of
// at least 1; else 0.
std::int64_t count_in_environment(const char* name) {
  const char* v = std::getenv(name);
  if (!v) return 0;
  std::int64_t n = 0;
  const char* end = v + std::strlen(v);
  const auto r = std::from_chars(v, end, n);
  return r.ec == std::errc() && r.ptr == end && n >= 1 ? n : 0;
}

}  // namespace

std::int32_t reading_threads() {
  if (const std::int64_t n = count_in_environment("KIVO_THREADS")) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(n, INT32_MAX));
  }
  const unsigned cores = std::thread::hardware_concurrency();
  return cores >= 1 ? static_cast<std::int32_t>(std::min<unsigned>(cores, kMaxThreads)) : 1;
}

std::int64_t reading_chunk_bytes() {
  return count_in_environment("KIVO_CHUNK_BYTES");
}

namespace {

void begin_rows(RowReader& r, ReadFile& f, const Params& p, const std::vector<ColumnStore>& plan,
                std::int32_t nsoundings) {
  r.file = &f;
  r.params = &p;
  r.nsoundings = nsoundings;
  r.nread = 0;
  r.file_line = 0;
  r.checked.clear();
  for (const ColumnStore& c : plan) {
    r.checked.push_back(c.j);
    if (c.kind == StoreKind::pair_iq || c.kind == StoreKind::pair_qi ||
        c.kind == StoreKind::bad_pair) {
      if (c.k >= 0 && c.k < p.ncols && c.k != c.j) r.checked.push_back(c.k);
    }
  }
  r.unassigned.assign(static_cast<std::size_t>(p.ncols), 0);
  r.marks = RowMarks{};
  r.marks.marks = r.unassigned.data();
  r.nulls_on = p.nulls.any();
  r.marks.text_nulls = p.nulls.texts.empty() ? nullptr : &p.nulls.texts;
  r.marks.trailing_nulls = r.nulls_on;
  r.info = RowInfo{};
  r.record_name.clear();
  r.null_columns = r.checked;
  if (p.linecol > 0 &&
      std::find(r.checked.begin(), r.checked.end(), p.linecol - 1) == r.checked.end()) {
    r.null_columns.push_back(p.linecol - 1);
  }
  r.have_flight_bits = false;
  r.notes = ReadingNotes{};
  r.notes.columns.resize(static_cast<std::size_t>(p.ncols));
  r.first_record = true;
  r.flight_pending = false;
  r.flight_bits = 0;
  // Values that the first row leaves unassigned (a slash among its values)
  // read as 0 rather than as whatever was there before.
  r.dum.assign(static_cast<std::size_t>(p.ncols), 0.0f);
}

}  // namespace

void begin_reading(ReadingPass& r, ReadFile& f, const Params& p, Arrays& a, std::int32_t nsoundings,
                   std::int32_t naverage, std::int32_t threads) {
  r.ahead.reset();
  r.params = &p;
  r.arrays = &a;
  r.plan = plan_row(p, a);
  r.sums.reset(new (std::nothrow) WindowSum[r.plan.size()]);
  if (!r.sums) estop(text(ParamsMsg::no_memory));
  r.naverage = naverage;
  r.kept = kept_soundings(nsoundings, naverage, p.ndecimate);
  r.reciprocal = 1.0 / r.kept.window;
  r.nread = 0;
  r.centre_s = 0;
  r.notes = ReadingNotes{};
  r.notes.counted = nsoundings;
  r.notes.window = r.kept.window;
  r.nkept = 0;
  r.flight_pending = false;
  r.flight_rows = r.flight_blocks = r.flight_first_file_line = 0;
  r.step_pos = 0;
  r.ended = false;
  r.flight = 0;
  r.flight_name.clear();
  r.record_name.clear();
  begin_rows(r.rows, f, p, r.plan, nsoundings);
  r.rows.want_names = r.want_names;
  const std::int32_t nthreads = threads > 0 ? threads : reading_threads();
  RowReader& rows = r.rows;
  rows.ahead = nullptr;
  rows.converted = false;
  rows.file_at_offset = true;
  rows.lines = f.line;
  if (nthreads >= 2 && ConvertAhead::fits(rows.dum.size()) && record_offset(f, rows.offset) == 0) {
    // Where the system gives no other thread, no memory for the chunks or
    // no second look at the file, the rows are read here alone.
    try {
      r.ahead = std::make_unique<ConvertAhead>(p.data_file, rows.dum.size(), rows.marks,
                                               std::min(nthreads, kMaxThreads) - 1,
                                               reading_chunk_bytes());
      rows.ahead = r.ahead.get();
    } catch (const std::system_error&) {
      r.ahead.reset();
    } catch (const std::bad_alloc&) {
      r.ahead.reset();
    }
  }
}

namespace {

// Ends the flight line being read: one that gave no block was shorter than
// the window, and is counted for the note.
void end_flight_line(ReadingPass& r) {
  if (r.flight_rows > 0 && r.flight_blocks == 0) {
    ReadingNotes& n = r.notes;
    if (n.short_flights++ == 0) n.short_first_file_line = r.flight_first_file_line;
    n.short_soundings += r.flight_rows;
  }
  r.flight_rows = r.flight_blocks = 0;
}

// The next row: its values and what it is. False at the end of the pass; a
// row that cannot be read stops the run here, after the rows before it.
bool next_row(ReadingPass& r, const float*& dum, const RowInfo*& info) {
  if (!read_row(r.rows)) return false;
  dum = r.rows.dum.data();
  info = &r.rows.info;
  return true;
}

// The pass has ended: the notes of the rows join those of the windows.
void end_pass(ReadingPass& r) {
  end_flight_line(r);
  r.rows.ahead = nullptr;
  r.ahead.reset();
  ReadingNotes& from = r.rows.notes;
  ReadingNotes& n = r.notes;
  n.columns = std::move(from.columns);
  n.markers = std::move(from.markers);
  n.nulls = std::move(from.nulls);
  n.wide = from.wide;
  n.wide_values = from.wide_values;
  n.low = from.low;
  n.spans = from.spans;
  n.span_sounding = from.span_sounding;
  n.span_first = from.span_first;
  n.span_last = from.span_last;
  n.read = r.nread;
  r.ended = true;
}

}  // namespace

std::string flight_line_name(const std::string& record_name, bool line_column, float value,
                             std::int64_t number) {
  std::string name;
  if (!record_name.empty()) {
    name = record_name;
  } else if (line_column) {
    // Of the texts that read back to the value, the shortest: 10010 rather
    // than 1.001e+04, which has fewer digits.
    char text[64];
    for (int precision = 1; precision <= 9; ++precision) {
      const auto r =
          std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
      float back = 0.0f;
      const auto b = std::from_chars(text, r.ptr, back);
      const auto size = static_cast<std::size_t>(r.ptr - text);
      const bool exact = b.ec == std::errc() && b.ptr == r.ptr && back == value;
      if ((exact && (name.empty() || size < name.size())) || (precision == 9 && name.empty())) {
        name.assign(text, size);
      }
    }
  } else {
    name = std::to_string(number);
  }
  for (char& c : name) {
    const bool keep = is_letter(c) || is_digit(c) || c == '.' || c == '-' || c == '_' || c == '+';
    if (!keep) c = '_';
  }
  return name;
}

namespace {

// The name of the flight line that begins at the row `dum`.
void begin_flight_name(ReadingPass& r, const float* dum) {
  const std::int32_t linecol = r.params->linecol;
  const float value = linecol > 0 ? dum[linecol - 1] : 0.0f;
  r.flight_name = flight_line_name(r.record_name, linecol > 0, value, r.flight);
  r.record_name.clear();
}

}  // namespace

namespace {

// The row begins a new flight line: the window being summed is dropped, and
// the steps start again at this row, as at the start of a file.
void begin_flight(ReadingPass& r, const float* dum) {
  r.flight_pending = false;
  end_flight_line(r);
  r.step_pos = 0;
  ++r.flight;
  if (r.want_names) begin_flight_name(r, dum);
}

// The row at position `pos` of a window of more than one sounding, added to
// its sums; true once it is the window's last row.
bool add_to_window(ReadingPass& r, const float* dum, std::int64_t pos, std::int64_t t) {
  if (pos == 0) {
    r.zsum = 0.0;
    std::fill(r.sums.get(), r.sums.get() + r.plan.size(), WindowSum{0.0, 0.0, 0.0, 0.0});
  }
  WindowSum* sums = r.sums.get();
  Sounding row;
  store_columns(r.plan, *r.params, *r.arrays, dum, row,
                [sums](std::size_t c, std::int32_t, Cplx dat, Cplx err) {
                  WindowSum& sum = sums[c];
                  sum.dat_re += dat.re;
                  sum.dat_im += dat.im;
                  sum.err_re += err.re;
                  sum.err_im += err.im;
                });
  if (pos == r.naverage) {
    r.centre = row;
    r.centre_s = static_cast<std::int32_t>(t);
  }
  r.zsum += row.z;
  return pos + 1 == r.kept.window;
}

// The kept sounding of a complete window: its averages, in double, rounded
// to single.
void window_average(ReadingPass& r, KeptSounding& k) {
  Arrays& a = *r.arrays;
  const double window = 2.0 * r.naverage + 1.0;
  for (std::size_t c = 0; c < r.plan.size(); ++c) {
    const ColumnStore& col = r.plan[c];
    if (!is_data(col.kind)) continue;
    const WindowSum& sum = r.sums[c];
    a.dat_a[col.j] = {static_cast<float>(sum.dat_re / window),
                      static_cast<float>(sum.dat_im / window)};
    a.err_a[col.j] = {static_cast<float>(sum.err_re / window),
                      static_cast<float>(sum.err_im / window)};
  }
  k = {r.flight, r.centre_s, r.centre.x, r.centre.y, static_cast<float>(r.zsum * r.reciprocal)};
}

}  // namespace

bool next_kept(ReadingPass& r, KeptSounding& k) {
  if (r.ended) return false;
  Arrays& a = *r.arrays;
  for (;;) {
    const float* dum = nullptr;
    const RowInfo* got = nullptr;
    if (!next_row(r, dum, got)) {
      end_pass(r);
      return false;
    }
    ++r.nread;
    const RowInfo& info = *got;
    if (info.flight_begins) {
      r.flight_pending = true;
      // Of several line records before the flight line's first sounding,
      // the last names it.
      if (r.want_names) r.record_name = info.record_name;
    }
    if (info.null) {
      // Read and counted, but in no flight line and no window.
      ++r.notes.left_out;
      continue;
    }
    if (r.flight_pending || r.flight == 0) begin_flight(r, dum);
    if (r.flight_rows++ == 0) r.flight_first_file_line = info.file_line;
    // The row of index t lies at position pos of its step; it is in the
    // window of a kept sounding when pos is inside the window, and that
    // window gives a block once its last row has been read (the last rows
    // of a flight line, fewer than a window, give none).
    const std::int64_t t = r.nread - 1;
    const std::int64_t pos = r.step_pos;
    if (++r.step_pos == r.kept.step) r.step_pos = 0;
    if (pos >= r.kept.window) {
      // Between kept soundings (decimation): read and checked, not stored.
      // The first row always lies in a window, so a column that cannot be
      // stored has stopped the run already.
      continue;
    }
    if (r.naverage == 0) {
      // A window of one sounding: its own values, as they are.
      Sounding row;
      store_columns(r.plan, *r.params, a, dum, row,
                    [&a](std::size_t, std::int32_t j, Cplx dat, Cplx err) {
                      a.dat_a[j] = dat;
                      a.err_a[j] = err;
                    });
      k = {r.flight, static_cast<std::int32_t>(t), row.x, row.y, row.z};
    } else {
      if (!add_to_window(r, dum, pos, t)) continue;
      window_average(r, k);
    }
    ++r.nkept;
    ++r.flight_blocks;
    return true;
  }
}

void read_to_end(ReadingPass& r) {
  KeptSounding k;
  while (next_kept(r, k)) {
  }
}

}  // namespace kivo
