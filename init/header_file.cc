#include "init/header_file.h"

#include <algorithm>
#include <charconv>

#include "textio/reader.h"
#include "textio/text.h"

namespace kivo {

namespace {

// The parts of s up to each place where `separates(j)` says a separator
// begins, each without the blanks, tabs and CRs around it; empty parts are
// dropped.
template <typename Separates>
std::vector<std::string_view> split(std::string_view s, Separates separates) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && is_space(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !separates(j)) ++j;
    const std::string_view part = trim_space(s.substr(i, j - i));
    if (!part.empty()) out.push_back(part);
    i = j;
  }
  return out;
}

// Words separated by blanks and tabs.
std::vector<std::string_view> words_of(std::string_view s) {
  return split(s, [s](std::size_t j) { return is_space(s[j]); });
}

// The pieces of a table row: separated by a tab or by two or more blanks, so
// that a name with single blanks in it (LASER ALT RAW) stays whole.
std::vector<std::string_view> pieces_of(std::string_view s) {
  return split(s, [s](std::size_t j) {
    return s[j] == '\t' || s[j] == '\r' || (s[j] == ' ' && j + 1 < s.size() && is_space(s[j + 1]));
  });
}

// A decimal text multiplied by 1000: 130.1 gives 130100, 0.5 gives 500.
std::string times_thousand(std::string_view v) {
  const std::size_t dot = v.find('.');
  std::string whole(v.substr(0, dot));
  std::string decimals = dot == std::string_view::npos ? "" : std::string(v.substr(dot + 1));
  decimals.resize(std::max<std::size_t>(decimals.size(), 3), '0');
  std::string out = whole + decimals.substr(0, 3);
  const std::size_t lead = std::min(out.find_first_not_of('0'), out.size() - 1);
  out = out.substr(lead);
  if (decimals.find_first_not_of('0', 3) != std::string::npos) {
    out.push_back('.');
    out.append(decimals, 3, std::string::npos);
  }
  return out;
}

bool unsigned_decimal(std::string_view w) {
  return !w.empty() && is_digit(w.front()) &&
         std::all_of(w.begin(), w.end(), [](char c) { return is_digit(c) || c == '.'; }) &&
         std::count(w.begin(), w.end(), '.') <= 1;
}

// The stage a description names by one of its words (runs of letters):
// FINAL, RAW, ZERO (LEVEL), FILTERED.
Stage stage_of(std::string_view description) {
  std::string u = upper(description);
  for (char& c : u) {
    if (c < 'A' || c > 'Z') c = ' ';
  }
  const std::vector<std::string_view> words = words_of(u);
  const auto has = [&](std::string_view w) {
    return std::any_of(words.begin(), words.end(),
                       [&](std::string_view x) { return x.substr(0, w.size()) == w; });
  };
  if (has("FINAL")) return Stage::final;
  if (std::find(words.begin(), words.end(), "RAW") != words.end()) return Stage::raw;
  if (has("ZERO")) return Stage::zero_level;
  if (has("FILTER")) return Stage::filtered;
  return Stage::none;
}

// The field number and the rest of a row of the field table: a number, then
// the character columns (82- 91, 1-5, and typos such as 82 91 or 82-9l),
// then the name, units and description. False for any other row.
bool field_row(std::string_view line, int& number, std::string_view& rest) {
  std::size_t i = 0;
  while (i < line.size() && is_space(line[i])) ++i;
  const std::size_t start = i;
  while (i < line.size() && is_digit(line[i])) ++i;
  if (i == start || i - start > 6 || i == line.size() || !is_space(line[i])) return false;
  std::from_chars(line.data() + start, line.data() + i, number);
  while (i < line.size() && is_space(line[i])) ++i;
  const std::size_t from = i;
  while (i < line.size() && is_digit(line[i])) ++i;
  if (i == from) return false;
  while (i < line.size() && line[i] == ' ') ++i;
  // A dash, or a typist's blank in its place: 82-91, 82 - 91, 82 91.
  if (i < line.size() && line[i] == '-') {
    ++i;
    while (i < line.size() && line[i] == ' ') ++i;
  } else if (i == line.size() || !is_digit(line[i])) {
    return false;
  }
  while (i < line.size() && !is_space(line[i])) ++i;  // the last column, typos and all
  rest = line.substr(i);
  return true;
}

// A sample rate: a number, with or without a short unit (10, 10 Hz, 0.1 s).
bool is_rate(std::string_view piece) {
  const std::vector<std::string_view> w = words_of(piece);
  return !w.empty() && w.size() <= 2 && reads_as_number(w[0]) &&
         (w.size() == 1 || w[1].size() <= 3);
}

HeaderField read_field(std::string_view rest) {
  HeaderField f;
  std::vector<std::string_view> p = pieces_of(rest);
  if (p.empty()) return f;
  f.name = p[0];
  std::size_t k = 1;
  while (k < p.size() && is_rate(p[k])) ++k;
  // Units: a short piece without blanks, before the description.
  if (k < p.size() && p[k].find(' ') == std::string_view::npos &&
      (k + 1 < p.size() || p[k].size() <= 5)) {
    if (p[k] != "-") f.unit = p[k];
    ++k;
  }
  std::size_t end = p.size();
  while (end > k && reads_as_number(p[end - 1])) --end;  // width and decimals
  for (; k < end; ++k) {
    if (!f.description.empty()) f.description.push_back(' ');
    f.description.append(p[k]);
  }
  f.frequency = stated_frequency(f.description);
  f.stage = stage_of(f.description);
  return f;
}

char orientation_of(std::string_view w) {
  const std::string u = upper(w);
  if (u == "CP" || u == "HCP" || u == "COPLANAR") return 'z';
  if (u == "CX" || u == "VCA" || u == "COAX" || u == "COAXIAL") return 'x';
  if (u == "VCP") return 'y';
  return 0;
}

// A row of the system table: a label, then one value per coil.
void read_system_row(std::string_view line, HeaderFile& h) {
  const std::string u = upper(line);
  const bool frequency = u.find("FREQ") != std::string::npos;
  const bool orientation = u.find("ORIENTATION") != std::string::npos;
  const bool separation =
      u.find("SEPARATION") != std::string::npos || u.find("SEPERATION") != std::string::npos;
  if (frequency + orientation + separation != 1) return;
  const std::vector<std::string_view> w = words_of(line);
  std::size_t first = w.size();
  while (first > 0 &&
         (orientation ? orientation_of(w[first - 1]) != 0 : unsigned_decimal(w[first - 1]))) {
    --first;
  }
  if (first == w.size() || first == 0) return;
  const std::size_t n = w.size() - first;
  if (h.coils.size() < n) h.coils.resize(n);
  const bool nominal = u.find("NOMINAL") != std::string::npos;
  const bool feet = u.find("(FT)") != std::string::npos || u.find("FEET") != std::string::npos;
  for (std::size_t i = 0; i < n; ++i) {
    Coil& c = h.coils[i];
    const std::string_view v = w[first + i];
    if (orientation) {
      c.orientation = orientation_of(v);
    } else if (separation) {
      c.separation = v;
      c.separation_unit = feet ? 'f' : 'm';
    } else if (nominal) {
      c.nominal = v;
    } else {
      c.operating = v;
    }
  }
}

// The value a sentence on dummies names: "All dummy values have been
// replaced with -999.0."
bool read_dummy(std::string_view line, HeaderFile& h) {
  const std::string u = upper(line);
  const std::size_t at = u.find("DUMM");
  if (at == std::string::npos) return false;
  for (std::string_view w : words_of(line.substr(at))) {
    while (!w.empty() && (w.back() == '.' || w.back() == ',' || w.back() == ';' ||
                          w.back() == ')' || w.back() == '"')) {
      w.remove_suffix(1);
    }
    while (!w.empty() && (w.front() == '(' || w.front() == '"')) w.remove_prefix(1);
    if (reads_as_number(w) && w.find_first_of("0123456789") != std::string_view::npos) {
      h.dummy = w;
      return true;
    }
  }
  return false;
}

std::string num(std::int64_t v) {
  char text[24];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

}  // namespace

std::string stated_frequency(std::string_view text) {
  const std::vector<std::string_view> w = words_of(text);
  for (std::size_t i = 0; i < w.size(); ++i) {
    std::string_view value = w[i];
    std::string unit;
    std::size_t d = 0;
    while (d < value.size() && (is_digit(value[d]) || value[d] == '.')) ++d;
    if (d == 0) continue;
    if (d < value.size()) {
      unit = upper(value.substr(d));
      value = value.substr(0, d);
    } else if (i + 1 < w.size()) {
      unit = upper(w[i + 1]);
    }
    while (!unit.empty() && (unit.back() == ',' || unit.back() == '.' || unit.back() == ')')) {
      unit.pop_back();
    }
    if (!unsigned_decimal(value) || (unit != "HZ" && unit != "KHZ")) continue;
    std::string hz = unit == "KHZ" ? times_thousand(value) : std::string(value);
    if (hz.find_first_not_of("0.") == std::string::npos) continue;
    return hz;
  }
  return {};
}

HeaderFile parse_header_file(std::string_view text) {
  HeaderFile h;
  std::int64_t line_no = 0;
  int expected = 1;
  bool dummy = false;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    ++line_no;
    int number = 0;
    std::string_view rest;
    if (field_row(line, number, rest)) {
      if (!h.problem.empty()) continue;
      if (number == 1 && expected > 1) {
        // Another table that numbers its rows from 1 (one row per coil)
        // came first: the field table starts here.
        h.fields.clear();
        expected = 1;
      }
      if (number != expected) {
        h.problem = expected == 1 ? "the field table begins with field " + num(number) + " (line " +
                                        num(line_no) + ")"
                                  : "the field numbers run 1 to " + num(expected - 1) + ", then " +
                                        num(number) + " (line " + num(line_no) + ")";
        continue;
      }
      ++expected;
      HeaderField f = read_field(rest);
      f.line = line_no;
      h.fields.push_back(std::move(f));
      continue;
    }
    const std::string_view t = trim_space(line);
    if (!t.empty() && is_digit(t.front())) continue;
    if (!dummy && read_dummy(line, h)) {
      dummy = true;
      h.dummy_line = line_no;
      continue;
    }
    read_system_row(line, h);
  }
  if (!h.problem.empty()) h.fields.clear();
  return h;
}

}  // namespace kivo
