#include "init/init.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "init/dfn.h"
#include "init/file_start.h"
#include "init/header_file.h"
#include "init/messages.h"
#include "init/names.h"
#include "os/os.h"
#include "params/params.h"
#include "textio/messages.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/text.h"

namespace kivo {

namespace {

struct Column {
  std::string name;  // as the file names it, or "column <k>"
  std::string unit;
  std::string null;
  std::string long_name;  // or the description of a header file
  std::string stated;     // the frequency in Hz that a description states
  Stage stage = Stage::none;
  bool text = false;          // a text field by the .dfn
  bool untrusted = false;     // its name may be another column's: no role
  bool nominal_only = false;  // data: its frequency is the nominal one of its name
  Guess guess;
  Role role = Role::ignore;
  std::string words;  // what kivo reads of the column line
  // What the names did not tell, written "?" in words and listed for the
  // user to fill in.
  bool unknown_frequency = false;
  bool unknown_separation = false;
  bool unknown_units = false;  // the height's
  std::string about;           // what the name says of the column
  std::string note;            // the choice made among columns of one role
};

// A null marker for the null line of kivo.in, and where it was found.
struct NullMarker {
  std::string text;
  std::string from;
};

struct Survey {
  std::string data_file;
  std::string names_from;  // where the names came from, for the console and kivo.in
  std::vector<Column> columns;
  std::vector<std::string> warnings;
  std::optional<HeaderFile> header_file;  // the flat-ASCII header file read, if any
  std::string header_file_name;
  std::vector<NullMarker> nulls;  // for the null line
  bool line_records = false;      // the data file holds line records
};

std::string num(std::size_t v) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

// Text from a file, fit for a comment of kivo.in and for the console: no
// control characters, which would end or hide a line.
std::string clean(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  }
  return out;
}

// A file name as kivo.in holds it: between apostrophes, a doubled one
// standing for one, so that any name reads back whole.
std::string quoted(std::string_view name) {
  std::string out = "'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

// The column numbers as runs: "6-11, 14".
std::string ranges(const std::vector<std::size_t>& ks) {
  std::string out;
  for (std::size_t i = 0; i < ks.size();) {
    std::size_t j = i;
    while (j + 1 < ks.size() && ks[j + 1] == ks[j] + 1) ++j;
    if (!out.empty()) out += ", ";
    out += num(ks[i]);
    if (j > i) out += "-" + num(ks[j]);
    i = j + 1;
  }
  return out;
}

std::string column_word(const std::vector<std::size_t>& ks) {
  return ks.size() == 1 ? "column " : "columns ";
}

// ---- Names ------------------------------------------------------------------

struct FileName {
  std::string dir_and_stem;  // the name without its extension
  std::string stem;          // the last part of the name without its extension
  std::string extension;     // from its last ".", or empty
};

FileName split_name(const std::string& name) {
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot <= base) dot = name.size();
  return {name.substr(0, dot), name.substr(base, dot - base), name.substr(dot)};
}

// The observations file: the data file's stem with ".obs", in the current
// directory.
std::string output_name(const FileName& n) {
  if (upper(n.extension) == ".OBS") return n.stem + ".kivo.obs";
  return (n.stem.empty() ? n.extension : n.stem) + ".obs";
}

std::optional<std::string> find_dfn(const FileName& n) {
  for (const char* ext : {".dfn", ".DFN"}) {
    const std::string name = n.dir_and_stem + ext;
    if (os::exists(name)) return name;
  }
  return std::nullopt;
}

std::string read_whole(const std::string& name) {
  ReadFile f;
  open_input(f, name);
  std::string text;
  std::string_view rec;
  while (next_input_record(f, name, rec)) {
    text += rec;
    text += '\n';
  }
  return text;
}

std::size_t row_values(const FileStart& fs, bool tagged) {
  return fs.row.size() - (tagged ? 1 : 0);
}

// "1 column", "2 columns".
std::string count_of(std::size_t n, const std::string& noun) {
  return num(n) + " " + noun + (n == 1 ? "" : "s");
}

// The flat-ASCII header file beside a data file: the same name with .hdr,
// .HDR, .hdr.txt or .txt, never the data file itself (survey.TXT is
// survey.txt where names do not tell case apart).
std::optional<std::string> find_header_file(const FileName& n, const std::string& data_file) {
  for (const char* ext : {".hdr", ".HDR", ".hdr.txt", ".txt"}) {
    const std::string name = n.dir_and_stem + ext;
    if (upper(name) != upper(data_file) && os::exists(name)) return name;
  }
  return std::nullopt;
}

// The cuts of a record other than its words: at tabs, at commas, or (' ') at
// gaps of two or more blanks; none when the record holds no such separator.
constexpr char kCuts[] = {'\t', ',', ' '};

std::optional<std::vector<std::string>> cut_at(std::string_view text, char sep) {
  if (text.find(sep == ' ' ? std::string_view("  ") : std::string_view(&sep, 1)) ==
      std::string_view::npos) {
    return std::nullopt;
  }
  std::vector<std::string> out;
  std::size_t i = 0;
  for (;;) {
    std::size_t j = i;
    while (j < text.size() && text[j] != sep &&
           !(sep == ' ' &&
             (text[j] == '\t' || (text[j] == ' ' && j + 1 < text.size() && text[j + 1] == ' ')))) {
      ++j;
    }
    std::string_view piece = text.substr(i, j - i);
    while (!piece.empty() && (piece.front() == ' ' || piece.front() == '\r'))
      piece.remove_prefix(1);
    while (!piece.empty() && (piece.back() == ' ' || piece.back() == '\r')) piece.remove_suffix(1);
    // An empty piece between two separators is an unnamed column; one before
    // the first or after the last is no column.
    if (!piece.empty() || (sep != ' ' && i > 0 && j < text.size())) out.emplace_back(piece);
    if (j == text.size()) break;
    i = j + 1;
    while (sep == ' ' && i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  }
  return out;
}

// The names of a record cut so that they are as many as the first row's
// values: as values are cut (at blanks, tabs and commas), else at tabs or at
// commas (names keep their inner blanks), else at gaps of two or more
// blanks. Empty when no cut fits.
std::vector<std::string> fitting_names(const NameRecord& r, std::size_t values) {
  if (r.words.size() == values) return r.words;
  for (const char sep : kCuts) {
    std::optional<std::vector<std::string>> names = cut_at(r.text, sep);
    if (names && names->size() == values) return std::move(*names);
  }
  return {};
}

// How many of a record's names, cut as values are, can be trusted when no
// cut fits the row: those before the first place where another cut sees
// another name, and never more than the row's values; none when there are
// more names than values and no other cut tells where names run together.
std::size_t trusted_names(const NameRecord& r, std::size_t values) {
  std::optional<std::size_t> differs;
  for (const char sep : kCuts) {
    const std::optional<std::vector<std::string>> other = cut_at(r.text, sep);
    if (!other) continue;
    std::size_t i = 0;
    while (i < other->size() && i < r.words.size() && (*other)[i] == r.words[i]) ++i;
    if (i < std::max(other->size(), r.words.size())) differs = std::min(differs.value_or(i), i);
  }
  const std::size_t trusted = differs.value_or(r.words.size() > values ? 0 : r.words.size());
  return std::min(trusted, values);
}

// Columns from the field table of a flat-ASCII header file, when it fits the
// row; else says why it does not.
bool name_from_header_file(Survey& s, const HeaderFile& h, const std::string& hdr_name,
                           const FileStart& fs, std::size_t values) {
  if (!h.problem.empty() || h.fields.empty()) {
    s.warnings.push_back(h.problem.empty()
                             ? text(InitMsg::header_file_unusable, {hdr_name})
                             : text(InitMsg::header_file_unusable_why, {hdr_name, h.problem}));
    return false;
  }
  if (fs.has_row && h.fields.size() != values) {
    s.warnings.push_back(
        text(InitMsg::header_file_count, {hdr_name, count_of(h.fields.size(), "field"),
                                          num(fs.row_line), count_of(values, "value")}));
    return false;
  }
  for (const HeaderField& f : h.fields) {
    Column c;
    c.name = f.name.empty() ? "column " + num(s.columns.size() + 1) : f.name;
    c.unit = f.unit;
    c.long_name = f.description;
    c.stated = f.frequency;
    c.stage = f.stage;
    s.columns.push_back(std::move(c));
  }
  s.names_from = "names from the field table of \"" + hdr_name + "\"";
  return true;
}

// Columns from the fields of the .dfn, one for each element of an array
// field.
void name_from_dfn(Survey& s, const FileStart& fs, const Dfn& dfn, const std::string& dfn_name,
                   std::size_t values) {
  for (const DfnField& f : dfn.fields) {
    for (int k = 1; k <= f.count; ++k) {
      Column c;
      c.name = f.count == 1 ? f.name : f.name + "[" + num(static_cast<std::size_t>(k)) + "]";
      c.unit = f.unit;
      c.null = f.null;
      c.long_name = f.long_name;
      c.stated = stated_frequency(f.long_name);  // NAME=Coplanar in-phase 912 Hz
      c.text = f.type == 'A';
      s.columns.push_back(std::move(c));
    }
  }
  s.names_from = "names from \"" + dfn_name + "\"";
  if (fs.has_row && values != s.columns.size()) {
    s.warnings.push_back(text(InitMsg::dfn_count, {dfn_name, count_of(s.columns.size(), "column"),
                                                   num(fs.row_line), count_of(values, "value")}));
  }
}

// The record that names the columns: the header line, or else the last
// comment record before the first row that has a word for every value.
// `words` are its names cut to fit the row, or none when no cut fits.
const NameRecord* find_names(Survey& s, const FileStart& fs, std::size_t values,
                             std::vector<std::string>& words) {
  if (fs.header) {
    s.names_from = "names from the header line (line " + num(fs.header->line) + ")";
    words = fitting_names(*fs.header, values);
    return &*fs.header;
  }
  for (auto it = fs.comments.rbegin(); it != fs.comments.rend(); ++it) {
    std::vector<std::string> fit = fitting_names(*it, values);
    if (!fit.empty() && std::any_of(fit.begin(), fit.end(), is_name)) {
      words = std::move(fit);
      s.names_from =
          std::string("names from the \"") + it->lead + "\" comment on line " + num(it->line);
      return &*it;
    }
  }
  return nullptr;
}

// How many of the names of a record that no cut fits to the row can be
// trusted, with the warning that says so.
std::size_t trust_unfit_names(Survey& s, const NameRecord& names, const FileStart& fs,
                              std::size_t values) {
  const std::size_t trusted = trusted_names(names, values);
  const std::string held = count_of(names.words.size(), "name");
  const std::string row_line = num(fs.row_line);
  const std::string held_values = count_of(values, "value");
  if (trusted >= values) {
    s.warnings.push_back(text(InitMsg::names_count, {held, row_line, held_values}));
  } else if (trusted < names.words.size()) {
    s.warnings.push_back(
        text(InitMsg::names_untrusted_named,
             {held, row_line, held_values, num(trusted + 1), names.words[trusted]}));
  } else {
    s.warnings.push_back(
        text(InitMsg::names_untrusted, {held, row_line, held_values, num(trusted + 1)}));
  }
  return trusted;
}

// The names of the columns: from the .dfn, or the header line, or the last
// comment record before the first row that has a word for every value, or
// the field table of a header file beside the data file.
void name_columns(Survey& s, const FileStart& fs, const std::optional<Dfn>& dfn,
                  const std::string& dfn_name, bool tagged, const FileName& file_name) {
  const std::size_t values = fs.has_row ? row_values(fs, tagged) : 0;
  if (dfn) {
    name_from_dfn(s, fs, *dfn, dfn_name, values);
    return;
  }
  std::vector<std::string> words;
  const NameRecord* names = find_names(s, fs, values, words);
  const std::size_t n = fs.has_row ? values : names ? names->words.size() : 0;
  if (n == 0) estop(text(InitMsg::no_row, {s.data_file}));
  if (!names) {
    s.names_from = "no header line or comment names them";
    if (const std::optional<std::string> hdr = find_header_file(file_name, s.data_file)) {
      s.header_file = parse_header_file(read_whole(*hdr));
      s.header_file_name = *hdr;
      if (name_from_header_file(s, *s.header_file, *hdr, fs, values)) return;
    }
  }
  if (fs.header_not_a_header) {
    s.warnings.push_back(text(InitMsg::not_a_header, {num(names->line)}));
  }
  std::size_t trusted = n;
  if (names && words.empty()) {
    words = names->words;
    if (fs.has_row) trusted = trust_unfit_names(s, *names, fs, values);
  }
  for (std::size_t k = 0; k < n; ++k) {
    Column c;
    if (k < words.size()) c.name = words[k];
    if (c.name.empty()) c.name = "column " + num(k + 1);
    c.untrusted = k >= trusted;
    s.columns.push_back(std::move(c));
  }
}

// Columns that kivo would stop on: text by the .dfn, or a word of the first
// row that is neither a number nor a marker of the null line.
void warn_of_text(Survey& s, const FileStart& fs, bool tagged) {
  std::vector<std::size_t> ks;
  std::string example;
  const std::size_t first = tagged ? 1 : 0;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const std::size_t at = first + k;
    // A text marker of the null line ("*") is no read error.
    const bool text_value = fs.has_row && at < fs.row.size() && !fs.row[at].empty() &&
                            !reads_as_number(fs.row[at]) &&
                            std::none_of(s.nulls.begin(), s.nulls.end(),
                                         [&](const NullMarker& m) { return m.text == fs.row[at]; });
    if (!s.columns[k].text && !text_value) continue;
    if (ks.empty()) {
      example = s.columns[k].name + (text_value ? ": \"" + fs.row[at] + "\"" : ": text");
    }
    ks.push_back(k + 1);
  }
  if (ks.empty()) return;
  s.warnings.push_back(
      text(ks.size() == 1 ? InitMsg::text_one : InitMsg::text, {ranges(ks), example}));
}

// ---- Roles ------------------------------------------------------------------

// Gives `role` to the first of the columns `ks`, and "ignore" to the others,
// each with a note that names the column used.
void choose(Survey& s, const std::vector<std::size_t>& ks, Role role, const std::string& what) {
  if (ks.empty()) return;
  Column& used = s.columns[ks[0]];
  used.role = role;
  std::string also;
  for (std::size_t i = 1; i < ks.size(); ++i) {
    Column& c = s.columns[ks[i]];
    c.role = Role::ignore;
    c.note = what + " too: column " + num(ks[0] + 1) + " (" + used.name + ") is used";
    if (!also.empty()) also += ", ";
    also += c.name + " (column " + num(ks[i] + 1) + ")";
  }
  if (!also.empty()) used.note = "also " + what + ": " + also;
}

std::vector<std::size_t> of_role(const Survey& s, Role role) {
  std::vector<std::size_t> ks;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    if (s.columns[k].guess.role == role) ks.push_back(k);
  }
  return ks;
}

std::string channel_key(const Guess& g) {
  return (g.pair > 0 ? "#" + num(static_cast<std::size_t>(g.pair)) : g.frequency) + " " +
         g.orientation + g.component;
}

char height_units(const Column& c) {
  const std::string u = upper(c.unit);
  if (u == "M" || u == "METRES" || u == "METERS" || u == "METRE" || u == "METER") return 'm';
  if (u == "FT" || u == "FEET" || u == "FOOT") return 'f';
  return c.guess.units;
}

// The place of a channel in the keyword header's lists: its pair number, or
// where its frequency stands in "/FREQUENCY": that frequency, else the one
// nearest it within 10 % (the names are nominal, the keyword header may give
// the operating frequencies).
std::optional<std::size_t> keyword_slot(const Guess& g, const Keywords& kw) {
  if (g.pair > 0) return static_cast<std::size_t>(g.pair - 1);
  const std::optional<double> f = number_value(g.frequency);
  std::optional<std::size_t> nearest;
  double best = 0;
  for (std::size_t i = 0; f && i < kw.frequencies.size(); ++i) {
    const std::optional<double> v = number_value(kw.frequencies[i]);
    if (!v) continue;
    const double off = std::fabs(*v - *f);
    if (off < 1e-3) return i;
    if (off <= 0.1 * *f && (!nearest || off < best)) {
      nearest = i;
      best = off;
    }
  }
  return nearest;
}

std::string keyword_value(const std::vector<std::string>& list, std::optional<std::size_t> slot) {
  if (!slot || *slot >= list.size() || !number_value(list[*slot])) return {};
  return list[*slot];
}

bool same_frequency(std::string_view a, std::string_view b) {
  const std::optional<double> x = number_value(a);
  const std::optional<double> y = number_value(b);
  return x && y && std::fabs(*x - *y) < 1e-3;
}

// The coil of a header file's system table that a channel belongs to: the
// one whose nominal or operating frequency is the channel's.
const Coil* coil_of(const Column& c, const Survey& s) {
  if (!s.header_file) return nullptr;
  for (const Coil& coil : s.header_file->coils) {
    if (same_frequency(coil.nominal, c.guess.frequency) ||
        same_frequency(coil.operating, c.guess.frequency) ||
        same_frequency(coil.operating, c.stated)) {
      return &coil;
    }
  }
  return nullptr;
}

const char* geometry_name(char orientation) {
  switch (orientation) {
    case 'z':
      return "coplanar";
    case 'x':
      return "coaxial";
    case 'y':
      return "vertical coplanar";
    default:
      return "geometry unknown";
  }
}

// The words of a data column line and its comment. The frequency written is
// the operating one where the file states it (the channel's description, the
// system table, the keyword header), else the nominal one of the name.
void describe_channel(Column& c, const Survey& s, const Keywords& kw) {
  Guess& g = c.guess;
  const std::optional<std::size_t> slot = keyword_slot(g, kw);
  const Coil* coil = coil_of(c, s);
  std::string freq = c.stated;
  if (freq.empty() && coil) freq = coil->operating;
  if (freq.empty()) freq = keyword_value(kw.frequencies, slot);
  if (g.orientation == 0 && coil) g.orientation = coil->orientation;
  c.about.clear();
  c.nominal_only = false;
  if (g.pair > 0) {
    c.about = "pair " + num(static_cast<std::size_t>(g.pair)) + ", ";
    c.about += freq.empty() ? "frequency unknown" : freq + " Hz by /FREQUENCY";
  } else if (!freq.empty() && !same_frequency(freq, g.frequency)) {
    c.about = "operating " + freq + " Hz, nominal " + g.frequency;
  } else {
    c.nominal_only = freq.empty();
    freq = g.frequency;
    c.about = freq + " Hz";
  }
  c.about += std::string(", ") + geometry_name(g.orientation) +
             (g.component == 'i' ? ", in-phase" : ", quadrature");
  std::string sep;
  char sep_unit = 'm';
  if (coil && !coil->separation.empty()) {
    sep = coil->separation;
    sep_unit = coil->separation_unit;
    c.about += ", separation " + sep + (sep_unit == 'f' ? " ft" : " m") + " by the system table";
  } else {
    sep = keyword_value(kw.separations, slot);
    if (!sep.empty()) c.about += ", separation " + sep + " m by the keyword header";
  }
  const std::string o = g.orientation != 0 ? std::string(1, g.orientation) : "?";
  c.unknown_frequency = freq.empty();
  c.unknown_separation = sep.empty();
  c.words = (freq.empty() ? "?" : freq) + " " + o + " ? " + o + " " + sep_unit + " " +
            (sep.empty() ? "? ?" : sep + " 0") + " ? " + g.component + " ? ?";
}

// Where the stage of a channel ranks: the final one first, then a channel of
// no stated stage, then the filtered, zero-level and raw ones.
int stage_rank(Stage stage) {
  switch (stage) {
    case Stage::final:
      return 0;
    case Stage::none:
      return 1;
    case Stage::filtered:
      return 2;
    case Stage::zero_level:
      return 3;
    case Stage::raw:
      return 4;
  }
  return 1;
}

const char* stage_name(Stage stage) {
  switch (stage) {
    case Stage::final:
      return "the final";
    case Stage::filtered:
      return "a filtered";
    case Stage::zero_level:
      return "a zero-level";
    case Stage::raw:
      return "a raw";
    case Stage::none:
      break;
  }
  return "another";
}

void assign_roles(Survey& s, const Keywords& kw) {
  for (Column& c : s.columns) {
    c.guess = c.untrusted ? Guess{} : guess_column(c.name);
    // A stage letter before the name of a channel: RCPI400, ZCPI400.
    const bool staged = c.stage == Stage::raw || c.stage == Stage::zero_level;
    if (staged && c.guess.role == Role::ignore && c.name.size() > 1 &&
        (upper(c.name.substr(0, 1)) == "R" || upper(c.name.substr(0, 1)) == "Z")) {
      const Guess g = guess_column(std::string_view(c.name).substr(1));
      if (g.role == Role::data) c.guess = g;
    }
    if (c.guess.role == Role::height && c.stage == Stage::raw) c.guess.raw = true;
    if (c.untrusted) c.note = "its name cannot be trusted";
  }
  choose(s, of_role(s, Role::line), Role::line, "a flight line column");
  // The sensor's coordinates before another antenna's; a corrected height
  // before a raw one, then by the kind of height; else the first.
  const auto best_first = [&](Role role) {
    std::vector<std::size_t> ks = of_role(s, role);
    std::stable_sort(ks.begin(), ks.end(), [&](std::size_t a, std::size_t b) {
      const Guess& ga = s.columns[a].guess;
      const Guess& gb = s.columns[b].guess;
      return std::pair(ga.raw, ga.rank) < std::pair(gb.raw, gb.rank);
    });
    return ks;
  };
  choose(s, best_first(Role::x), Role::x, "an x coordinate");
  choose(s, best_first(Role::y), Role::y, "a y coordinate");
  choose(s, best_first(Role::height), Role::height, "a height");
  // Channels of one descriptor: where descriptions name the processing
  // stages, the final one is used; else the one without a processing stage
  // after the frequency, else the first.
  std::map<std::string, std::vector<std::size_t>> channels;
  std::vector<std::string> order;
  for (std::size_t k : of_role(s, Role::data)) {
    auto& ks = channels[channel_key(s.columns[k].guess)];
    if (ks.empty()) order.push_back(channel_key(s.columns[k].guess));
    ks.push_back(k);
  }
  for (const std::string& key : order) {
    std::vector<std::size_t>& ks = channels[key];
    const bool staged = std::any_of(
        ks.begin(), ks.end(), [&](std::size_t k) { return s.columns[k].stage != Stage::none; });
    if (staged) {
      std::stable_sort(ks.begin(), ks.end(), [&](std::size_t a, std::size_t b) {
        return stage_rank(s.columns[a].stage) < stage_rank(s.columns[b].stage);
      });
    } else {
      const auto plain = std::find_if(ks.begin(), ks.end(),
                                      [&](std::size_t k) { return !s.columns[k].guess.suffix; });
      if (plain != ks.end()) std::rotate(ks.begin(), plain, plain + 1);
    }
    choose(s, ks, Role::data, "this channel");
    for (std::size_t i = 1; staged && i < ks.size(); ++i) {
      Column& c = s.columns[ks[i]];
      c.note = std::string(stage_name(c.stage)) + " stage of this channel: column " +
               num(ks[0] + 1) + " (" + s.columns[ks[0]].name + ") is used";
    }
  }
  static constexpr const char* kRoleWords[] = {"ignore", "line", "x", "y"};
  for (Column& c : s.columns) {
    if (c.role == Role::data) {
      describe_channel(c, s, kw);
    } else if (c.role == Role::height) {
      const char u = height_units(c);
      c.unknown_units = u == 0;
      c.words = u != 0 ? std::string("z ") + u : "z ?";
    } else {
      c.words = kRoleWords[static_cast<int>(c.role)];
    }
  }
}

void warn_of_missing_roles(Survey& s) {
  static constexpr std::pair<Role, InitMsg> roles[] = {{Role::x, InitMsg::no_x},
                                                       {Role::y, InitMsg::no_y},
                                                       {Role::height, InitMsg::no_height},
                                                       {Role::data, InitMsg::no_data}};
  for (const auto& [role, warning] : roles) {
    const bool found = std::any_of(s.columns.begin(), s.columns.end(),
                                   [&](const Column& c) { return c.role == role; });
    if (!found) s.warnings.push_back(text(warning));
  }
}

// Whether a word of a row is a common dummy of exports: "*", -9999, -99999,
// -999, -999.9, or a value of magnitude 1e30 or more (Geosoft's -1e32).
bool is_common_dummy(std::string_view w) {
  if (w == "*") return true;
  float v = 0;
  if (w.empty() || convert_real(w, v) != 0) return false;
  return v == -9999.0f || v == -99999.0f || v == -999.0f || v == -999.9f || std::fabs(v) >= 1e30f;
}

// A marker not yet on the list: the same text, or the same value.
void add_marker(std::vector<NullMarker>& nulls, const std::string& text, std::string from) {
  float v = 0;
  const bool numeric = convert_real(text, v) == 0;
  for (const NullMarker& m : nulls) {
    float w = 0;
    if (m.text == text) return;
    if (numeric && convert_real(m.text, w) == 0 && (w == v || (std::isnan(w) && std::isnan(v))))
      return;
  }
  nulls.push_back({text, std::move(from)});
}

// The null markers the files give: the NULL= values of the .dfn for used
// columns, the /DUMMY keyword of a Geosoft header, the dummy sentence of a
// header file, and the common dummies seen in used columns of the rows read.
std::vector<NullMarker> null_markers(const Survey& s, const FileStart& fs, bool tagged) {
  std::vector<NullMarker> nulls;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    if (c.null.empty() || c.role == Role::ignore ||
        c.null.find_first_of(" \t,'\"") != std::string::npos) {
      continue;
    }
    add_marker(nulls, c.null,
               "from NULL= of column " + num(k + 1) + " (" + c.name + ") in the .dfn");
  }
  for (const std::string& d : fs.keywords.dummies) {
    if (d == "*" || reads_as_number(d)) {
      add_marker(
          nulls, d,
          "from /DUMMY (line " + num(static_cast<std::size_t>(fs.keywords.dummy_line)) + ")");
    }
  }
  if (s.header_file && !s.header_file->dummy.empty()) {
    add_marker(nulls, s.header_file->dummy,
               "from the dummy sentence of \"" + s.header_file_name + "\" (line " +
                   num(static_cast<std::size_t>(s.header_file->dummy_line)) + ")");
  }
  const std::size_t first = tagged ? 1 : 0;
  for (std::size_t r = 0; r < fs.rows.size(); ++r) {
    const std::vector<std::string> words = record_words(fs.rows[r]);
    for (std::size_t k = 0; k < s.columns.size(); ++k) {
      const std::size_t at = first + k;
      if (s.columns[k].role == Role::ignore || at >= words.size()) continue;
      const std::string& w = words[at];
      if (!is_common_dummy(w)) continue;
      add_marker(nulls, w,
                 "seen in column " + num(k + 1) + " (" + s.columns[k].name + ") on line " +
                     num(static_cast<std::size_t>(fs.row_lines[r])));
    }
  }
  return nulls;
}

// One warning for the channels whose frequency only their names give.
void warn_of_nominal_frequencies(Survey& s) {
  std::vector<std::size_t> ks;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    if (s.columns[k].role == Role::data && s.columns[k].nominal_only) ks.push_back(k + 1);
  }
  if (ks.empty()) return;
  s.warnings.push_back(
      text(ks.size() == 1 ? InitMsg::nominal_one : InitMsg::nominal, {ranges(ks)}));
}

// ---- What is written --------------------------------------------------------

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.resize(width, ' ');
  return s + " ";
}

std::string comment_of(const Column& c, std::size_t k, std::size_t digits) {
  std::string s = num(k);
  s.insert(0, digits - s.size(), ' ');
  s += "  " + c.name;
  if (!c.unit.empty()) s += " (" + c.unit + ")";
  if (!c.null.empty()) s += ", null " + c.null;
  if (!c.long_name.empty()) s += ", \"" + c.long_name + "\"";
  if (!c.about.empty()) s += ": " + c.about;
  if (!c.note.empty()) s += "; " + c.note;
  return clean(s);
}

constexpr const char* kWordsHelp =
    "\n"
    "Fill in every \"?\" above: kivo stops at the first one it meets, with the\n"
    "message of its field. A height line \"z ?\" wants \"z m\" (metres) or \"z f\"\n"
    "(feet). The eleven words of a data column line are:\n"
    "   1  frequency (Hz), greater than 0\n"
    "   2  transmitter orientation: z coplanar, x coaxial, y vertical coplanar\n"
    "   3  transmitter moment (1 when the data are normalized)\n"
    "   4  receiver orientation, as word 2\n"
    "   5  units of the separations: m (metres) or f (feet)\n"
    "   6  Tx-Rx x separation\n"
    "   7  Tx-Rx y separation (often 0)\n"
    "   8  normalization type: 1, 2, 3 or 4\n"
    "   9  i (in-phase) or q (quadrature)\n"
    "  10  percentage uncertainty: percent of each datum's magnitude, 0 or more\n"
    "  11  threshold uncertainty, in the units of the data, 0 or more (10 and 11\n"
    "      not both 0)\n"
    "Words after the eleventh, and after the role of an ignore, x, y, line or\n"
    "height line (its units), are comments. The averaging line: \"al\" writes\n"
    "every sounding, \"av <n>\" averages over n neighbours on each side,\n"
    "\"de <m>\" keeps one sounding in m.\n";

std::string params_text(const Survey& s, const std::string& output) {
  std::size_t width = 2;
  for (const Column& c : s.columns) width = std::max(width, c.words.size());
  width += 2;
  const std::size_t digits = num(s.columns.size()).size();
  std::string t;
  t += padded(quoted(s.data_file), width) + "data file\n";
  t += padded(quoted(output), width) + "observations file, written by kivo\n";
  t += padded(num(s.columns.size()), width) + (s.columns.size() == 1 ? "column; " : "columns; ") +
       clean(s.names_from) + "\n";
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    t += padded(s.columns[k].words, width) + comment_of(s.columns[k], k + 1, digits) + "\n";
  }
  t += padded("al", width) + "every sounding is written\n";
  std::string markers;
  for (const NullMarker& m : s.nulls) markers += " " + m.text;
  if (!markers.empty()) t += "null" + markers + "\n";
  t += markers.empty()
           ? "\nWritten by kivo --init. Nothing after the averaging line above is read.\n"
           : "\nWritten by kivo --init. Nothing after the null line above is read: it\n"
             "lists the values that stand for a missing datum, and a sounding that\n"
             "holds one in a used column is left out.\n";
  t += kWordsHelp;
  const bool flight_lines =
      s.line_records || std::any_of(s.columns.begin(), s.columns.end(),
                                    [](const Column& c) { return c.role == Role::line; });
  if (flight_lines) {
    t += "The file has flight lines: with \"{line}\" in the observations file name\n"
         "(line 2, such as block_{line}.obs) kivo writes one file per flight line,\n"
         "named by its Line record, its line column value or its number.\n";
  }
  return t;
}

std::string console_text(const Survey& s) {
  std::size_t width = 4;
  for (const Column& c : s.columns)
    width = std::max(width, std::min<std::size_t>(c.name.size(), 24));
  const std::size_t digits = num(s.columns.size()).size();
  std::string t = text(s.columns.size() == 1 ? InitMsg::summary_one : InitMsg::summary,
                       {clean(s.data_file), num(s.columns.size()), clean(s.names_from)}) +
                  "\n";
  std::size_t counts[6] = {};
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    ++counts[static_cast<int>(c.role)];
    const std::string n = num(k + 1);
    t += std::string(2 + digits - n.size(), ' ') + n + "  " + padded(clean(c.name), width) + " " +
         c.words + (c.note.empty() ? "" : "  (" + clean(c.note) + ")") + "\n";
  }
  static constexpr std::pair<Role, const char*> kinds[] = {
      {Role::line, "line"},     {Role::x, "x"},       {Role::y, "y"},
      {Role::height, "height"}, {Role::data, "data"}, {Role::ignore, "ignored"}};
  std::string listed, sep;
  std::size_t last = 0;  // the last number listed, which the noun agrees with
  for (const auto& [role, what] : kinds) {
    const std::size_t n = counts[static_cast<int>(role)];
    if (n == 0) continue;
    const bool counted = role == Role::data || role == Role::ignore;
    listed += sep + (counted ? num(n) + " " + what : what);
    last = counted ? n : 0;
    sep = ", ";
  }
  t += text(last == 1 ? InitMsg::wrote_one : InitMsg::wrote, {listed}) + "\n";
  if (!s.nulls.empty()) {
    std::string line = "null";
    std::string from;
    for (const NullMarker& m : s.nulls) {
      line += " " + m.text;
      from += (from.empty() ? "" : "; ") + m.text + " " + m.from;
    }
    t += text(InitMsg::null_line, {clean(line), clean(from)}) + "\n";
  }
  // What is left to fill in, field by field.
  std::vector<std::size_t> data, freq, orient, seps, units;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    if (c.role == Role::height && c.unknown_units) units.push_back(k + 1);
    if (c.role != Role::data) continue;
    data.push_back(k + 1);
    if (c.unknown_frequency) freq.push_back(k + 1);
    if (c.guess.orientation == 0) orient.push_back(k + 1);
    if (c.unknown_separation) seps.push_back(k + 1);
  }
  if (!data.empty() || !units.empty()) {
    t += text(InitMsg::fill_in) + "\n";
    const std::pair<const char*, const std::vector<std::size_t>*> left[] = {
        {"frequency", &freq},
        {"transmitter and receiver orientations", &orient},
        {"Tx-Rx x and y separations", &seps},
        {"transmitter moment, normalization type, percentage and threshold uncertainty", &data},
        {"height units (z m or z f)", &units}};
    for (const auto& [what, ks] : left) {
      if (!ks->empty())
        t += "  " + std::string(what) + ": " + column_word(*ks) + ranges(*ks) + "\n";
    }
  }
  for (const std::string& w : s.warnings) t += clean(w) + "\n";
  return t;
}

// kivo.in whole or not at all: a new file that takes the name only once it
// is complete, and only if no kivo.in has appeared meanwhile.
void write_params_file(const std::string& contents) {
  os::Replacement r;
  if (!os::create_replacement(kParamsName, r)) estop(text(InitMsg::cannot_write));
  const bool written = os::write_all(r.handle, contents.data(), contents.size());
  bool taken = false;
  if (!written || !os::commit_new(r, taken)) {
    os::discard_replacement(r);
    if (taken) estop(text(InitMsg::params_exists));
    estop(text(InitMsg::cannot_write));
  }
}

std::string init(std::string_view data_file) {
  if (data_file.empty()) estop(text(InitMsg::no_name));
  if (data_file.find_first_of("\r\n") != std::string_view::npos) estop(text(InitMsg::line_end));
  if (os::name_taken(kParamsName)) estop(text(InitMsg::params_exists));
  Survey s;
  s.data_file = data_file;
  const FileStart fs = read_file_start(s.data_file);
  const FileName name = split_name(s.data_file);
  const std::optional<std::string> dfn_name = find_dfn(name);
  std::optional<Dfn> dfn;
  if (dfn_name) {
    dfn = parse_dfn(read_whole(*dfn_name));
    if (dfn->fields.empty()) estop(text(InitMsg::no_definitions, {*dfn_name}));
  }
  // Rows of typed records begin with their tag (ASEG-GDF2 "DATA").
  const std::string first = fs.has_row ? upper(fs.row[0]) : std::string();
  const bool tagged = fs.has_row && !reads_as_number(fs.row[0]) &&
                      ((dfn && first == dfn->record_type) || first == "DATA");
  name_columns(s, fs, dfn, dfn_name.value_or(""), tagged, name);
  assign_roles(s, fs.keywords);
  warn_of_missing_roles(s);
  if (tagged) {
    s.warnings.push_back(text(InitMsg::record_tag, {fs.row[0], num(fs.row_line),
                                                    num(fs.row[0].size() + 1), s.data_file}));
  }
  s.nulls = null_markers(s, fs, tagged);
  s.line_records = fs.line_records;
  warn_of_nominal_frequencies(s);
  warn_of_text(s, fs, tagged);
  write_params_file(params_text(s, output_name(name)));
  return console_text(s);
}

}  // namespace

InitResult init_params(std::string_view data_file) {
  try {
    return {init(data_file), 0};
  } catch (const Stop& stop) {
    return {text(TextioMsg::stop_line, {stop.message}) + "\n", 1};
  }
}

}  // namespace kivo
