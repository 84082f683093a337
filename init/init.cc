#include "init/init.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>
#include <vector>

#include "init/dfn.h"
#include "init/file_start.h"
#include "init/names.h"
#include "params/params.h"
#include "textio/os.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"

namespace kivo {

namespace {

struct Column {
  std::string name;  // as the file names it, or "column <k>"
  std::string unit;
  std::string null;
  std::string long_name;
  bool text = false;  // a text field by the .dfn
  Guess guess;
  Role role = Role::ignore;
  std::string words;  // what kivo reads of the column line
  std::string about;  // what the name says of the column
  std::string note;   // the choice made among columns of one role
};

struct Survey {
  std::string data_file;
  std::string names_from;  // where the names came from, for the console and kivo.in
  std::vector<Column> columns;
  std::vector<std::string> warnings;
};

std::string num(std::size_t v) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
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

bool is_number(std::string_view w) {
  float v = 0;
  return !w.empty() && convert_real(w, v) == 0;
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

// The names of the columns: from the .dfn, or the header line, or the last
// comment record before the first row that has a word for every value.
void name_columns(Survey& s, const FileStart& fs, const std::optional<Dfn>& dfn,
                  const std::string& dfn_name, bool tagged) {
  const std::size_t values = fs.has_row ? row_values(fs, tagged) : 0;
  if (dfn) {
    for (const DfnField& f : dfn->fields) {
      for (int k = 1; k <= f.count; ++k) {
        Column c;
        c.name = f.count == 1 ? f.name : f.name + "[" + num(static_cast<std::size_t>(k)) + "]";
        c.unit = f.unit;
        c.null = f.null;
        c.long_name = f.long_name;
        c.text = f.type == 'A';
        s.columns.push_back(std::move(c));
      }
    }
    s.names_from = "names from \"" + dfn_name + "\"";
    if (fs.has_row && values != s.columns.size()) {
      s.warnings.push_back("\"" + dfn_name + "\" defines " + num(s.columns.size()) +
                           " columns, but the first row (line " + num(fs.row_line) + ") holds " +
                           num(values) +
                           " values: fields that fill their width touch, with no blank between "
                           "them, and kivo reads the values of a row by their blanks; kivo.in "
                           "is written for the columns of the .dfn");
    }
    return;
  }
  const NameRecord* names = nullptr;
  if (fs.header) {
    names = &*fs.header;
    s.names_from = "names from the header line (line " + num(names->line) + ")";
  } else {
    for (auto it = fs.comments.rbegin(); it != fs.comments.rend(); ++it) {
      if (it->words.size() == values && std::any_of(it->words.begin(), it->words.end(), is_name)) {
        names = &*it;
        s.names_from =
            std::string("names from the \"") + it->lead + "\" comment on line " + num(it->line);
        break;
      }
    }
  }
  const std::size_t n = fs.has_row ? values : names ? names->words.size() : 0;
  if (n == 0) estop("no row of values in \"" + s.data_file + "\" to count its columns");
  if (!names) s.names_from = "no header line or comment names them";
  if (fs.header_not_a_header) {
    s.warnings.push_back("line " + num(names->line) +
                         " names the columns, but not every word of it is a name (one that "
                         "begins with a letter or \"_\"), so kivo reads it as a row: begin it "
                         "with \"/\"");
  }
  if (names && fs.has_row && names->words.size() != values) {
    s.warnings.push_back("the header line names " + num(names->words.size()) +
                         " columns, but the first row (line " + num(fs.row_line) + ") holds " +
                         num(values) + " values: kivo.in is written for the values");
  }
  for (std::size_t k = 0; k < n; ++k) {
    Column c;
    if (names && k < names->words.size()) c.name = names->words[k];
    if (c.name.empty()) c.name = "column " + num(k + 1);
    s.columns.push_back(std::move(c));
  }
}

// Columns that kivo would stop on: text by the .dfn, or a word of the first
// row that is not a number.
void warn_of_text(Survey& s, const FileStart& fs, bool tagged) {
  std::vector<std::size_t> ks;
  std::string example;
  const std::size_t first = tagged ? 1 : 0;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const std::size_t at = first + k;
    const bool text_value =
        fs.has_row && at < fs.row.size() && !fs.row[at].empty() && !is_number(fs.row[at]);
    if (!s.columns[k].text && !text_value) continue;
    if (ks.empty()) {
      example = s.columns[k].name + (text_value ? ": \"" + fs.row[at] + "\"" : ": text");
    }
    ks.push_back(k + 1);
  }
  if (ks.empty()) return;
  s.warnings.push_back(column_word(ks) + ranges(ks) + " hold text (" + example +
                       "), which kivo cannot read as a number: kivo reads every column, ignored "
                       "ones too; drop or convert them");
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

std::optional<double> value_of(std::string_view w) {
  double v = 0;
  const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), v);
  if (ec != std::errc() || end != w.data() + w.size()) return std::nullopt;
  return v;
}

// The place of a channel in the keyword header's lists: its pair number, or
// where its frequency stands in "/FREQUENCY".
std::optional<std::size_t> keyword_slot(const Guess& g, const Keywords& kw) {
  if (g.pair > 0) return static_cast<std::size_t>(g.pair - 1);
  const std::optional<double> f = value_of(g.frequency);
  for (std::size_t i = 0; f && i < kw.frequencies.size(); ++i) {
    const std::optional<double> v = value_of(kw.frequencies[i]);
    if (v && std::fabs(*v - *f) < 1e-3) return i;
  }
  return std::nullopt;
}

std::string keyword_value(const std::vector<std::string>& list, std::optional<std::size_t> slot) {
  if (!slot || *slot >= list.size() || !value_of(list[*slot])) return {};
  return list[*slot];
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

void describe_channel(Column& c, const Keywords& kw) {
  const Guess& g = c.guess;
  const std::optional<std::size_t> slot = keyword_slot(g, kw);
  std::string freq = g.frequency;
  c.about.clear();
  if (g.pair > 0) {
    freq = keyword_value(kw.frequencies, slot);
    c.about = "pair " + num(static_cast<std::size_t>(g.pair)) + ", ";
    c.about += freq.empty() ? "frequency unknown" : freq + " Hz by /FREQUENCY";
  } else {
    c.about = freq + " Hz";
  }
  c.about += std::string(", ") + geometry_name(g.orientation) +
             (g.component == 'i' ? ", in-phase" : ", quadrature");
  const std::string sep = keyword_value(kw.separations, slot);
  if (!sep.empty()) c.about += ", separation " + sep + " m by the keyword header";
  const std::string o = g.orientation != 0 ? std::string(1, g.orientation) : "?";
  c.words = (freq.empty() ? "?" : freq) + " " + o + " ? " + o + " m " +
            (sep.empty() ? "? ?" : sep + " 0") + " ? " + g.component + " ? ?";
}

void assign_roles(Survey& s, const Keywords& kw) {
  for (Column& c : s.columns) c.guess = guess_column(c.name);
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
  // Channels of one descriptor: the one without a processing stage after
  // the frequency is used, else the first.
  std::map<std::string, std::vector<std::size_t>> channels;
  std::vector<std::string> order;
  for (std::size_t k : of_role(s, Role::data)) {
    auto& ks = channels[channel_key(s.columns[k].guess)];
    if (ks.empty()) order.push_back(channel_key(s.columns[k].guess));
    ks.push_back(k);
  }
  for (const std::string& key : order) {
    std::vector<std::size_t>& ks = channels[key];
    const auto plain = std::find_if(ks.begin(), ks.end(),
                                    [&](std::size_t k) { return !s.columns[k].guess.suffix; });
    if (plain != ks.end()) std::rotate(ks.begin(), plain, plain + 1);
    choose(s, ks, Role::data, "this channel");
  }
  static constexpr const char* kRoleWords[] = {"ignore", "line", "x", "y"};
  for (Column& c : s.columns) {
    if (c.role == Role::data) {
      describe_channel(c, kw);
    } else if (c.role == Role::height) {
      const char u = height_units(c);
      c.words = u != 0 ? std::string("z ") + u : "z ?";
    } else {
      c.words = kRoleWords[static_cast<int>(c.role)];
    }
  }
}

void warn_of_missing_roles(Survey& s) {
  static constexpr std::pair<Role, const char*> roles[] = {
      {Role::x, "the x coordinate: write \"x\" on the column line of the easting"},
      {Role::y, "the y coordinate: write \"y\" on the column line of the northing"},
      {Role::height,
       "the height: write \"z m\" or \"z f\" on the column line of the sensor's height above "
       "ground"},
      {Role::data,
       "an in-phase or quadrature channel: give the eleven words of a data column line to each "
       "channel"}};
  for (const auto& [role, what] : roles) {
    const bool found = std::any_of(s.columns.begin(), s.columns.end(),
                                   [&](const Column& c) { return c.role == role; });
    if (!found) s.warnings.push_back(std::string("no column was recognised as ") + what);
  }
}

void warn_of_nulls(Survey& s) {
  std::vector<std::size_t> ks;
  std::string example;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    if (c.null.empty() || c.role == Role::ignore) continue;
    if (ks.empty()) example = c.name + ": " + c.null;
    ks.push_back(k + 1);
  }
  if (ks.empty()) return;
  s.warnings.push_back("the .dfn gives null values for " + column_word(ks) + ranges(ks) + " (" +
                       example +
                       "): kivo converts a null as a value, so mend or drop the rows that hold "
                       "one");
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
    "Written by kivo --init. Nothing after the averaging line above is read.\n"
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
  return t + kWordsHelp;
}

std::string console_text(const Survey& s) {
  std::size_t width = 4;
  for (const Column& c : s.columns)
    width = std::max(width, std::min<std::size_t>(c.name.size(), 24));
  const std::size_t digits = num(s.columns.size()).size();
  std::string t = "kivo --init: \"" + clean(s.data_file) + "\" has " + num(s.columns.size()) +
                  (s.columns.size() == 1 ? " column; " : " columns; ") + clean(s.names_from) +
                  ".\n";
  std::size_t counts[6] = {};
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    ++counts[static_cast<int>(c.role)];
    const std::string n = num(k + 1);
    t += std::string(2 + digits - n.size(), ' ') + n + "  " + padded(clean(c.name), width) + " " +
         c.words + (c.note.empty() ? "" : "  (" + clean(c.note) + ")") + "\n";
  }
  t += "Wrote \"" + std::string(kParamsName) + "\": ";
  static constexpr std::pair<Role, const char*> kinds[] = {
      {Role::line, "line"},     {Role::x, "x"},       {Role::y, "y"},
      {Role::height, "height"}, {Role::data, "data"}, {Role::ignore, "ignored"}};
  std::string sep;
  for (const auto& [role, what] : kinds) {
    const std::size_t n = counts[static_cast<int>(role)];
    if (n == 0) continue;
    t += sep + (role == Role::data || role == Role::ignore ? num(n) + " " + what : what);
    sep = ", ";
  }
  t += " columns.\n";
  // What is left to fill in, field by field.
  std::vector<std::size_t> data, freq, orient, seps, units;
  for (std::size_t k = 0; k < s.columns.size(); ++k) {
    const Column& c = s.columns[k];
    if (c.role == Role::height && c.words == "z ?") units.push_back(k + 1);
    if (c.role != Role::data) continue;
    data.push_back(k + 1);
    if (c.words.rfind("? ", 0) == 0) freq.push_back(k + 1);
    if (c.guess.orientation == 0) orient.push_back(k + 1);
    if (c.words.find(" m ? ? ") != std::string::npos) seps.push_back(k + 1);
  }
  if (!data.empty() || !units.empty()) {
    t += "Fill in every \"?\" in \"" + std::string(kParamsName) + "\", then run kivo:\n";
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
  for (const std::string& w : s.warnings) t += "Warning: " + clean(w) + ".\n";
  return t;
}

// kivo.in whole or not at all: a new file that takes the name only once it
// is complete, and only if no kivo.in has appeared meanwhile.
void write_params_file(const std::string& text) {
  const std::string failed = std::string("error writing parameters file \"") + kParamsName + "\"";
  os::Replacement r;
  if (!os::create_replacement(kParamsName, r)) estop(failed);
  const bool written = os::write_all(r.handle, text.data(), text.size());
  bool taken = false;
  if (!written || !os::commit_new(r, taken)) {
    os::discard_replacement(r);
    if (taken) estop(std::string("parameters file \"") + kParamsName + "\" already exists");
    estop(failed);
  }
}

std::string init(std::string_view data_file) {
  if (data_file.empty()) estop("kivo --init needs the name of a data file");
  if (data_file.find_first_of("\r\n") != std::string_view::npos) {
    estop(std::string("a data file name with a line end cannot stand in \"") + kParamsName + "\"");
  }
  if (os::name_taken(kParamsName)) {
    estop(std::string("parameters file \"") + kParamsName + "\" already exists");
  }
  Survey s;
  s.data_file = data_file;
  const FileStart fs = read_file_start(s.data_file);
  const FileName name = split_name(s.data_file);
  const std::optional<std::string> dfn_name = find_dfn(name);
  std::optional<Dfn> dfn;
  if (dfn_name) {
    dfn = parse_dfn(read_whole(*dfn_name));
    if (dfn->fields.empty()) estop("no column definitions in \"" + *dfn_name + "\"");
  }
  // Rows of typed records begin with their tag (ASEG-GDF2 "DATA").
  const std::string first = fs.has_row ? upper(fs.row[0]) : std::string();
  const bool tagged = fs.has_row && !is_number(fs.row[0]) &&
                      ((dfn && first == dfn->record_type) || first == "DATA");
  name_columns(s, fs, dfn, dfn_name.value_or(""), tagged);
  assign_roles(s, fs.keywords);
  warn_of_missing_roles(s);
  if (tagged) {
    s.warnings.push_back("every row begins with the record tag \"" + fs.row[0] + "\" (line " +
                         num(fs.row_line) +
                         "), which kivo cannot read as a number: take it off first (cut -c" +
                         num(fs.row[0].size() + 1) + "- " + s.data_file +
                         ") and name the file without it on line 1 of kivo.in");
  }
  warn_of_text(s, fs, tagged);
  warn_of_nulls(s);
  write_params_file(params_text(s, output_name(name)));
  return console_text(s);
}

}  // namespace

InitResult init_params(std::string_view data_file) {
  try {
    return {init(data_file), 0};
  } catch (const Stop& stop) {
    return {"Stop: " + stop.message + ".\n", 1};
  }
}

}  // namespace kivo
