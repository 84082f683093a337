#include "init/names.h"
#include "textio/text.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <vector>

namespace kivo {

namespace {

// The parts of a name, in lower case: runs of letters and digits, cut at
// every other character.
std::vector<std::string> parts_of(std::string_view name) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : name) {
    c = to_lower(c);
    if (is_lower(c) || is_digit(c)) {
      cur.push_back(c);
    } else if (!cur.empty()) {
      parts.push_back(std::move(cur));
      cur.clear();
    }
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string s;
  for (const std::string& p : parts) s += p;
  return s;
}

bool one_of(std::string_view s, std::initializer_list<std::string_view> words) {
  return std::find(words.begin(), words.end(), s) != words.end();
}

bool starts_with_one_of(std::string_view s, std::initializer_list<std::string_view> words) {
  for (std::string_view w : words) {
    if (s.substr(0, w.size()) == w) return true;
  }
  return false;
}

bool has_part(const std::vector<std::string>& parts, std::initializer_list<std::string_view> w) {
  for (const std::string& p : parts) {
    if (one_of(p, w)) return true;
  }
  return false;
}

// ---- Coordinates ----------------------------------------------------------

// A part that names a coordinate system, a datum, a projection or a zone:
// utm, wgs84, gda94, utmz15n, nad83, zone54, ... A root, then nothing, digits
// with at most one letter after them (a zone's hemisphere), or another such
// part.
bool is_projection(std::string_view p) {
  static constexpr std::string_view roots[] = {
      "utm", "wgs",     "nad",    "gda",  "mga",  "etrs", "ed",   "agd",  "amg",  "sad", "sirgas",
      "lcc", "lambert", "albers", "tm",   "ntm",  "nztm", "gk",   "rd",   "osgb", "bng", "itm",
      "mtm", "spcs",    "local",  "grid", "proj", "crs",  "epsg", "zone", "z"};
  for (std::string_view r : roots) {
    if (p.substr(0, r.size()) != r) continue;
    std::string_view tail = p.substr(r.size());
    if (tail.empty()) {
      if (r != "z") return true;  // "z" alone is a height, not a zone
      continue;
    }
    std::size_t d = 0;
    while (d < tail.size() && is_digit(tail[d])) ++d;
    if (d > 0 && (d == tail.size() || (d + 1 == tail.size() && is_lower(tail[d])))) return true;
    if (is_projection(tail)) return true;
  }
  return false;
}

// A part that names an antenna or a platform whose position a coordinate
// gives: the bird's (the sensor's) or the helicopter's, a GPS antenna, the
// centre of the system.
bool is_antenna_part(std::string_view p) {
  return one_of(p, {"bird", "tx", "rx", "em", "sensor", "heli", "helo", "ctr", "center", "centre",
                    "gps", "ant", "antenna", "plane", "aircraft"});
}

bool is_sensor_part(std::string_view p) {
  return one_of(p, {"bird", "tx", "em", "sensor"});
}

bool is_unit_part(std::string_view p) {
  return one_of(p, {"m", "metres", "meters", "metre", "meter", "ft", "feet"});
}

// The axis a part names as a coordinate ('x', 'y'), or 0: x, e, east,
// easting; y, n, north, northing; also run into a projection (utmx, mgae,
// xutm).
char axis_of(std::string_view p) {
  static constexpr std::string_view xs[] = {"easting", "eastings", "east", "x", "e"};
  static constexpr std::string_view ys[] = {"northing", "northings", "north", "y", "n"};
  for (const auto& [words, axis] : {std::pair{&xs, 'x'}, std::pair{&ys, 'y'}}) {
    for (std::string_view w : *words) {
      if (p == w) return axis;
    }
    for (std::string_view w : *words) {
      if (p.size() <= w.size()) continue;
      if (p.substr(0, w.size()) == w && is_projection(p.substr(w.size()))) return axis;
      if (p.substr(p.size() - w.size()) == w && is_projection(p.substr(0, p.size() - w.size())))
        return axis;
    }
  }
  return 0;
}

// x or y when exactly one part names the axis and every other part names a
// coordinate system, a unit or an antenna: X, EASTING, x_WGS84_UTMZ15N,
// UTM_X, MGA_E, UTME_BIRD, X_CTR. Field components (X_PrimaryField) and
// degrees (LON, LAT) are no coordinates.
char coordinate_of(const std::vector<std::string>& parts) {
  char axis = 0;
  for (const std::string& p : parts) {
    // utmz15n is a zone, not a northing
    if (is_projection(p) || is_unit_part(p) || is_antenna_part(p)) continue;
    const char a = axis_of(p);
    if (a == 0 || axis != 0) return 0;
    axis = a;
  }
  return axis;
}

// ---- The flight line and the height ---------------------------------------

bool is_line(const std::vector<std::string>& parts) {
  return one_of(joined(parts), {"line", "lineno", "linenumber", "linenum", "lineid", "linename",
                                "flightline", "flightlineno", "fltline", "fline"});
}

// Heights that are not the sensor's: the helicopter's, GPS heights, terrain.
bool is_other_height(const std::vector<std::string>& parts) {
  for (const std::string& p : parts) {
    if (starts_with_one_of(p, {"heli", "helo", "gps", "dem", "dtm", "topo", "terrain", "elev",
                               "msl", "ellips", "geoid", "baro"})) {
      return true;
    }
  }
  return false;
}

int height_rank(const std::vector<std::string>& parts) {
  if (is_other_height(parts)) return 0;
  std::vector<std::string> named;  // the parts without units
  for (const std::string& p : parts) {
    if (!is_unit_part(p)) named.push_back(p);
  }
  const std::string s = joined(named);
  const bool height_part = has_part(named, {"alt", "h", "height", "ht"});
  if (s.find("laser") != std::string::npos || starts_with_one_of(s, {"altlas", "lasalt", "hlas"}) ||
      (has_part(named, {"las"}) && height_part)) {
    return kLaserRank;
  }
  if (s.find("radar") != std::string::npos || starts_with_one_of(s, {"altrad", "radalt", "hrad"}) ||
      (has_part(named, {"rad"}) && height_part)) {
    return kRadarRank;
  }
  if (starts_with_one_of(s, {"bheight", "birdheight", "birdalt", "birdht", "bht", "balt", "hbird",
                             "emheight", "emalt", "sensorheight", "sensoralt", "txheight", "txalt",
                             "txht", "rxheight", "rxalt", "rxht"})) {
    return kBirdRank;
  }
  if (one_of(s, {"height", "alt", "altitude", "ht", "hgt", "agl", "heightagl", "altagl",
                 "clearance"})) {
    return kOtherHeightRank;
  }
  return 0;
}

char units_of(const std::vector<std::string>& parts) {
  if (has_part(parts, {"ft", "feet"})) return 'f';
  if (has_part(parts, {"m", "metres", "meters", "metre", "meter"})) return 'm';
  return 0;
}

// ---- Data channels --------------------------------------------------------

struct GeometryComponent {
  bool ok = false;
  char orientation = 0;
  char component = 0;
};

// A run of letters read as a geometry, a component, or a geometry followed by
// a component: cp, hcp, cpi, vcpq, cxi, i, ip, qp, quad, real.
GeometryComponent geometry_component(std::string_view s) {
  static constexpr std::pair<std::string_view, char> geometries[] = {
      {"coplanar", 'z'}, {"coaxial", 'x'}, {"coax", 'x'}, {"hcp", 'z'}, {"vcp", 'y'},
      {"vca", 'x'},      {"cp", 'z'},      {"cx", 'x'},   {"", 0}};
  static constexpr std::pair<std::string_view, char> components[] = {
      {"inphase", 'i'}, {"inph", 'i'},      {"inp", 'i'},  {"in", 'i'}, {"ip", 'i'},
      {"i", 'i'},       {"real", 'i'},      {"re", 'i'},   {"p", 'i'},  {"quadrature", 'q'},
      {"quadr", 'q'},   {"quad", 'q'},      {"qu", 'q'},   {"qd", 'q'}, {"qp", 'q'},
      {"q", 'q'},       {"imaginary", 'q'}, {"imag", 'q'}, {"im", 'q'}, {"", 0}};
  for (const auto& [g, orientation] : geometries) {
    if (s.substr(0, g.size()) != g) continue;
    const std::string_view rest = s.substr(g.size());
    for (const auto& [c, component] : components) {
      if (rest == c && (orientation != 0 || component != 0)) return {true, orientation, component};
    }
  }
  return {};
}

struct Token {
  std::string text;
  bool digits;
};

// The name as runs of letters and runs of digits; separators only cut.
std::vector<Token> tokens_of(const std::vector<std::string>& parts) {
  std::vector<Token> out;
  for (const std::string& p : parts) {
    std::size_t i = 0;
    while (i < p.size()) {
      const bool d = is_digit(p[i]);
      std::size_t j = i;
      while (j < p.size() && is_digit(p[j]) == d) ++j;
      out.push_back({p.substr(i, j - i), d});
      i = j;
    }
  }
  return out;
}

// A data channel: [geometry][component] frequency [k|khz|hz][geometry]
// [component] [processing stage ...], the component given once: CPI900,
// HCP900I, I_380, 380I, cpi140k_filt, REAL_1, P1. A number below 100 without
// "k" numbers a pair whose frequency stands elsewhere.
bool read_channel(const std::vector<std::string>& parts, Guess& g) {
  for (const std::string& p : parts) {
    if (p.find("flag") != std::string::npos) return false;
  }
  const std::vector<Token> toks = tokens_of(parts);
  std::size_t d = 0;
  while (d < toks.size() && !toks[d].digits) ++d;
  if (d == toks.size() || toks[d].text.size() > 9) return false;
  std::string before;
  for (std::size_t i = 0; i < d; ++i) before += toks[i].text;
  GeometryComponent head;
  if (!before.empty()) {
    head = geometry_component(before);
    if (!head.ok) return false;
  }
  std::size_t next = d + 1;
  bool kilo = false;
  bool hertz = false;  // a unit follows the number: a frequency, however low
  std::string_view after;
  if (next < toks.size()) {
    after = toks[next].text;
    ++next;
    static constexpr std::pair<std::string_view, bool> units[] = {
        {"khz", true}, {"k", true}, {"hz", false}};
    for (const auto& [unit, k] : units) {
      if (after.substr(0, unit.size()) == unit) {
        kilo = k;
        hertz = true;
        after.remove_prefix(unit.size());
        break;
      }
    }
    // A unit cut from the component: 110Hz_I, 1.5kHz_Q.
    if (hertz && after.empty() && before.empty() && next < toks.size() && !toks[next].digits) {
      after = toks[next].text;
      ++next;
    }
  }
  g.orientation = head.orientation;
  g.component = head.component;
  g.suffix = next < toks.size();
  if (!after.empty()) {
    const GeometryComponent tail = geometry_component(after);
    if (head.component == 0 && tail.ok && tail.component != 0 &&
        (head.orientation == 0 || tail.orientation == 0)) {
      g.component = tail.component;
      if (g.orientation == 0) g.orientation = tail.orientation;
    } else {
      g.suffix = true;
    }
  }
  if (g.component == 0) return false;
  std::uint64_t value = 0;
  std::from_chars(toks[d].text.data(), toks[d].text.data() + toks[d].text.size(), value);
  if (kilo) value *= 1000;
  if (value == 0) return false;
  if (!hertz && value < 100) {
    g.pair = static_cast<int>(value);
  } else {
    char text[24];
    g.frequency.assign(text, std::to_chars(text, text + sizeof text, value).ptr);
  }
  g.role = Role::data;
  return true;
}

}  // namespace

// The name with a decimal frequency in kHz written in Hz: 1.5kHz_I becomes
// 1500Hz_I, CPI1.5k becomes CPI1500Hz, so that the point does not cut it.
std::string decimal_kilohertz(std::string_view name) {
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!is_digit(out[i]) || (i > 0 && (is_digit(out[i - 1]) || out[i - 1] == '.'))) continue;
    std::size_t j = i;
    while (j < out.size() && is_digit(out[j])) ++j;
    if (j + 1 >= out.size() || out[j] != '.' || !is_digit(out[j + 1])) continue;
    std::size_t k = j + 1;
    while (k < out.size() && is_digit(out[k])) ++k;
    if (k == out.size() || (out[k] != 'k' && out[k] != 'K') || k - j - 1 > 3) continue;
    std::string hz = out.substr(i, j - i) + out.substr(j + 1, k - j - 1);
    hz.append(3 - (k - j - 1), '0');
    const bool unit_follows = k + 1 < out.size() && (out[k + 1] == 'h' || out[k + 1] == 'H');
    out.replace(i, k + 1 - i, hz + (unit_follows ? "" : "Hz"));
  }
  return out;
}

Guess guess_column(std::string_view name) {
  const std::vector<std::string> parts = parts_of(decimal_kilohertz(name));
  Guess g;
  if (parts.empty()) return g;
  if (is_line(parts)) {
    g.role = Role::line;
  } else if (const char axis = coordinate_of(parts)) {
    g.role = axis == 'x' ? Role::x : Role::y;
    g.rank = std::any_of(parts.begin(), parts.end(), is_sensor_part) ? 0 : 1;
  } else if (const int rank = height_rank(parts)) {
    g.role = Role::height;
    g.rank = rank;
    g.raw = has_part(parts, {"raw"});
    g.units = units_of(parts);
  } else if (!read_channel(parts, g)) {
    g = Guess{};
  }
  return g;
}

}  // namespace kivo
