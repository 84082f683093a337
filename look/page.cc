#include "look/page.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>

namespace kivo {

namespace {

constexpr int kProfileTop = 30;  // the plot area of a profile panel
constexpr int kProfileHeight = 130;
constexpr int kProfileBottom = 46;
constexpr int kMapTop = 30;
constexpr int kMapBottom = 46;
constexpr int kMapMostHeight = 560;
// Above this many panels, the profiles take the extremes of a few pixel
// columns together, so that the page stays small whatever the columns.
constexpr std::size_t kPanelsAtFullWidth = 14;

const char* const kInphaseColour = "#1f5fbf";
const char* const kQuadratureColour = "#d2560f";
const char* const kHeightColour = "#1d8a3a";

void add_fixed(std::string& s, double v, int decimals) {
  char b[64];
  const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, decimals);
  s.append(b, r.ec == std::errc() ? r.ptr : b);
}

// A value in a text: at most `digits` significant digits, no trailing zeros.
std::string number(double v, int digits = 6) {
  if (v == 0) return "0";  // and no "-0"
  char b[64];
  const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::general, digits);
  return std::string(b, r.ec == std::errc() ? r.ptr : b);
}

std::string escaped(std::string_view s) {
  std::string out;
  for (const char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// A linear map of values onto pixels.
struct Scale {
  double v0, v1;  // values at p0 and p1
  double p0, p1;
  double operator()(double v) const { return p0 + (v - v0) / (v1 - v0) * (p1 - p0); }
};

// The range of finite values, widened where it is a single value, padded by
// a twentieth on either side.
struct Range {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void add(double v) {
    if (!std::isfinite(v)) return;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool empty() const { return lo > hi; }
};

Range padded(Range r) {
  if (r.empty()) return {0, 1};
  if (r.hi - r.lo <= std::abs(r.hi) * 1e-6) {
    const double d = r.hi != 0 ? std::abs(r.hi) * 0.05 : 1;
    return {r.lo - d, r.hi + d};
  }
  const double d = (r.hi - r.lo) * 0.05;
  return {r.lo - d, r.hi + d};
}

double nice(double raw) {
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  const double f = raw / p;
  return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * p;
}

// Round values from lo to hi, about n of them.
std::vector<double> ticks(double lo, double hi, int n) {
  std::vector<double> out;
  if (!(hi > lo) || !std::isfinite(hi - lo)) return out;
  const double step = nice((hi - lo) / n);
  const double first = std::ceil(lo / step - 1e-9);
  const double last = std::floor(hi / step + 1e-9);
  for (double i = first; i <= last && out.size() < 40; ++i) {
    const double t = i * step;
    out.push_back(std::abs(t) < step * 1e-9 ? 0 : t);
  }
  return out;
}

std::string tick_label(double t) {
  return number(t, 10);
}

// The head of a panel: the <svg>, its title and its plot frame. `xs` and
// `ys` map the values onto the plot area.
void panel_head(std::string& s, int height, const Scale& xs, const Scale& ys,
                std::string_view xname, std::string_view yname, const std::string& title) {
  const int left = static_cast<int>(xs.p0);
  const int top = static_cast<int>(ys.p1);
  const int width = static_cast<int>(xs.p1 - xs.p0);
  const int h = static_cast<int>(ys.p0 - ys.p1);
  s += "<svg class=\"panel\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
       std::to_string(kPanelWidth) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
       std::to_string(kPanelWidth) + " " + std::to_string(height) + "\" data-x=\"" +
       std::to_string(left) + "," + std::to_string(width) + "," + number(xs.v0, 12) + "," +
       number(xs.v1, 12) + "\" data-y=\"" + std::to_string(top) + "," + std::to_string(h) + "," +
       number(ys.v0, 12) + "," + number(ys.v1, 12) + "\" data-xn=\"" + std::string(xname) +
       "\" data-yn=\"" + std::string(yname) + "\">\n";
  s += "<text class=\"title\" x=\"" + std::to_string(left) + "\" y=\"18\">" + title + "</text>\n";
  s += "<text class=\"ro\" x=\"" + std::to_string(left + width) + "\" y=\"18\"></text>\n";
}

// The end of a panel: the frame of its plot area, over what is drawn there.
void panel_end(std::string& s, const Scale& xs, const Scale& ys) {
  const int left = static_cast<int>(xs.p0);
  const int top = static_cast<int>(ys.p1);
  const int width = static_cast<int>(xs.p1 - xs.p0);
  const int h = static_cast<int>(ys.p0 - ys.p1);
  s += "<rect class=\"frame\" x=\"" + std::to_string(left) + ".5\" y=\"" + std::to_string(top) +
       ".5\" width=\"" + std::to_string(width - 1) + "\" height=\"" + std::to_string(h - 1) +
       "\"/>\n</svg>\n";
}

// Ticks, grid lines and labels of both axes.
void axes(std::string& s, const Scale& xs, const Scale& ys, std::string_view xlabel,
          std::string_view ylabel) {
  const double left = xs.p0;
  const double right = xs.p1;
  const double top = ys.p1;
  const double bottom = ys.p0;
  std::string grid;
  std::string marks;
  std::string labels;
  // About one tick per 110 pixels across and per 45 pixels up, so that
  // labels of seven digits keep apart.
  const int nx = std::max(2, static_cast<int>((right - left) / 110));
  const int ny = std::max(3, static_cast<int>((bottom - top) / 45));
  for (const double t : ticks(xs.v0, xs.v1, nx)) {
    const double x = std::round(xs(t)) + 0.5;
    std::string xt;
    add_fixed(xt, x, 1);
    grid += "M" + xt + " " + std::to_string(static_cast<int>(top) + 1) + "V" +
            std::to_string(static_cast<int>(bottom) - 1);
    marks += "M" + xt + " " + std::to_string(static_cast<int>(bottom)) + "v5";
    labels += "<text class=\"xt\" x=\"" + xt + "\" y=\"" +
              std::to_string(static_cast<int>(bottom) + 17) + "\">" + tick_label(t) + "</text>";
  }
  for (const double t : ticks(ys.v1 < ys.v0 ? ys.v1 : ys.v0, ys.v1 < ys.v0 ? ys.v0 : ys.v1, ny)) {
    const double y = std::round(ys(t)) + 0.5;
    std::string yt;
    add_fixed(yt, y, 1);
    grid += "M" + std::to_string(static_cast<int>(left) + 1) + " " + yt + "H" +
            std::to_string(static_cast<int>(right) - 1);
    marks += "M" + std::to_string(static_cast<int>(left) - 5) + " " + yt + "h5";
    labels += "<text class=\"yt\" x=\"" + std::to_string(static_cast<int>(left) - 8) + "\" y=\"" +
              yt + "\">" + tick_label(t) + "</text>";
  }
  s += "<path class=\"grid\" d=\"" + grid + "\"/>\n<path class=\"tick\" d=\"" + marks + "\"/>\n" +
       labels + "\n";
  std::string mid;
  add_fixed(mid, (left + right) / 2, 1);
  s += "<text class=\"xl\" x=\"" + mid + "\" y=\"" + std::to_string(static_cast<int>(bottom) + 38) +
       "\">" + std::string(xlabel) + "</text>\n";
  std::string ymid;
  add_fixed(ymid, (top + bottom) / 2, 1);
  s += "<text class=\"yl\" transform=\"translate(14 " + ymid + ") rotate(-90)\">" +
       std::string(ylabel) + "</text>\n";
}

// The points of one pixel column (or group of columns) of a line: their
// extremes in the order they came, or the point itself when alone.
struct Bin {
  long col = std::numeric_limits<long>::min();
  std::size_t n = 0;
  double x = 0;  // the point's own x when alone
  double lo = 0, hi = 0;
  std::size_t lo_at = 0, hi_at = 0;  // which point of the bin gave each extreme
};

using Value = std::function<double(std::size_t)>;

// The line of `value` along the track, one subpath per segment (and per run
// of finite values), each pixel column drawn as its extremes.
std::string line_path(const Track& t, const Scale& xs, const Scale& ys, int group,
                      const Value& value) {
  std::string d;
  bool open = false;  // a subpath is under way
  Bin bin;
  const auto point = [&](double x, double v) {
    d += open ? " " : "M";
    add_fixed(d, x, 1);
    d += ',';
    add_fixed(d, ys(v), 1);
    open = true;
  };
  const auto flush = [&] {
    if (bin.n == 0) return;
    if (bin.n == 1) {
      point(bin.x, bin.lo);
    } else {
      const double x = (static_cast<double>(bin.col) + 0.5) * group;
      const bool lo_first = bin.lo_at <= bin.hi_at;
      point(x, lo_first ? bin.lo : bin.hi);
      point(x, lo_first ? bin.hi : bin.lo);
    }
    bin.n = 0;
  };
  const std::size_t nblocks = t.distance.size();
  for (std::size_t s = 0; s < t.starts.size(); ++s) {
    const std::size_t end = s + 1 < t.starts.size() ? t.starts[s + 1] : nblocks;
    for (std::size_t b = t.starts[s]; b < end; ++b) {
      const double v = value(b);
      if (!std::isfinite(v)) {
        flush();
        if (open) d += "h0";  // a lone point stays visible
        open = false;
        bin.col = std::numeric_limits<long>::min();
        continue;
      }
      const double x = xs(t.distance[b]);
      const long col = static_cast<long>(std::floor(x / group));
      if (col != bin.col || bin.n == 0) {
        flush();
        bin = Bin{col, 1, x, v, v, 0, 0};
      } else {
        if (v < bin.lo) {
          bin.lo = v;
          bin.lo_at = bin.n;
        }
        if (v > bin.hi) {
          bin.hi = v;
          bin.hi_at = bin.n;
        }
        ++bin.n;
      }
    }
    flush();
    if (open) d += "h0";
    open = false;
    bin.col = std::numeric_limits<long>::min();
  }
  return d;
}

// The band from lo(b) to hi(b) along the track: per pixel column the lowest
// lo and the highest hi, one closed shape per segment and run of finite
// values.
std::string band_path(const Track& t, const Scale& xs, const Scale& ys, int group, const Value& lo,
                      const Value& hi) {
  std::string d;
  struct Edge {
    double x, lo, hi;
  };
  std::vector<Edge> run;
  long last_col = std::numeric_limits<long>::min();
  std::size_t in_col = 0;
  const auto close_run = [&] {
    if (run.size() >= 2) {
      d += 'M';
      for (std::size_t i = 0; i < run.size(); ++i) {
        if (i > 0) d += ' ';
        add_fixed(d, run[i].x, 1);
        d += ',';
        add_fixed(d, ys(run[i].hi), 1);
      }
      for (std::size_t i = run.size(); i-- > 0;) {
        d += ' ';
        add_fixed(d, run[i].x, 1);
        d += ',';
        add_fixed(d, ys(run[i].lo), 1);
      }
      d += 'Z';
    }
    run.clear();
    last_col = std::numeric_limits<long>::min();
  };
  const std::size_t nblocks = t.distance.size();
  for (std::size_t s = 0; s < t.starts.size(); ++s) {
    const std::size_t end = s + 1 < t.starts.size() ? t.starts[s + 1] : nblocks;
    for (std::size_t b = t.starts[s]; b < end; ++b) {
      const double l = lo(b);
      const double h = hi(b);
      if (!std::isfinite(l) || !std::isfinite(h)) {
        close_run();
        continue;
      }
      const double x = xs(t.distance[b]);
      const long col = static_cast<long>(std::floor(x / group));
      if (col == last_col) {
        Edge& e = run.back();
        e.lo = std::min(e.lo, l);
        e.hi = std::max(e.hi, h);
        if (++in_col == 2) e.x = (static_cast<double>(col) + 0.5) * group;
      } else {
        run.push_back({x, l, h});
        last_col = col;
        in_col = 1;
      }
    }
    close_run();
  }
  return d;
}

struct Series {
  const char* colour;
  const char* name;
  Value value;
  Value error;  // none for a line without uncertainties
};

const char* orientation_name(char c) {
  switch (c) {
    case 'x':
    case 'X':
      return "x";
    case 'y':
    case 'Y':
      return "y";
    default:
      return "z";
  }
}

std::string geometry(const ObsColumn& c) {
  return std::string("Tx ") + orientation_name(c.tx_orientation) + ", Rx " +
         orientation_name(c.rx_orientation) + ", separation " + number(c.sep_x) + " m (x), " +
         number(c.sep_y) + " m (y)";
}

const char* form_name(DataForm f) {
  switch (f) {
    case DataForm::paired:
      return "in-phase and quadrature";
    case DataForm::inphase:
      return "in-phase only";
    case DataForm::quadrature:
      return "quadrature only";
  }
  return "";
}

std::string legend(const std::vector<Series>& series) {
  std::string s;
  for (const Series& se : series) {
    s += std::string(" <tspan class=\"key\" fill=\"") + se.colour + "\">\u2014 " + se.name +
         (se.error ? " \u00b1 uncertainty" : "") + "</tspan>";
  }
  return s;
}

void profile_panel(std::string& s, const ObsFile& o, const Track& t, const Range& distance,
                   int group, const std::string& title, std::string_view ylabel,
                   std::string_view yname, const std::vector<Series>& series) {
  Range r;
  for (std::size_t b = 0; b < o.blocks; ++b) {
    for (const Series& se : series) {
      const double v = se.value(b);
      r.add(v);
      if (se.error) {
        const double e = se.error(b);
        r.add(v - e);
        r.add(v + e);
      }
    }
  }
  const Range vr = padded(r);
  const Scale xs{distance.lo, distance.hi, kPlotLeft, kPlotLeft + kPlotWidth};
  const Scale ys{vr.lo, vr.hi, kProfileTop + kProfileHeight, kProfileTop};
  const int height = kProfileTop + kProfileHeight + kProfileBottom;
  panel_head(s, height, xs, ys, "distance", yname, escaped(title) + legend(series));
  axes(s, xs, ys, "distance along the soundings (m)", ylabel);
  for (const Series& se : series) {
    if (!se.error) continue;
    const Value lo = [&](std::size_t b) { return se.value(b) - se.error(b); };
    const Value hi = [&](std::size_t b) { return se.value(b) + se.error(b); };
    s += std::string("<path class=\"band\" fill=\"") + se.colour + "\" d=\"" +
         band_path(t, xs, ys, group, lo, hi) + "\"/>\n";
  }
  for (const Series& se : series) {
    s += std::string("<path class=\"line\" stroke=\"") + se.colour + "\" d=\"" +
         line_path(t, xs, ys, group, se.value) + "\"/>\n";
  }
  if (r.empty()) {
    s += "<text class=\"none\" x=\"" + std::to_string(kPlotLeft + kPlotWidth / 2) + "\" y=\"" +
         std::to_string(kProfileTop + kProfileHeight / 2) + "\">no finite value</text>\n";
  }
  panel_end(s, xs, ys);
}

// The map: the positions at equal scale, at most one point per pixel.
void map_panel(std::string& s, const ObsFile& o) {
  Range xr, yr;
  for (std::size_t b = 0; b < o.blocks; ++b) {
    if (std::isfinite(o.x[b]) && std::isfinite(o.y[b])) {
      xr.add(o.x[b]);
      yr.add(o.y[b]);
    }
  }
  if (xr.empty()) xr = yr = Range{0, 0};
  // Extents: never far thinner one way than the other, so that a single
  // line still has room around it; the scale is the same both ways.
  double ex = xr.hi - xr.lo;
  double ey = yr.hi - yr.lo;
  const double least = std::max({ex, ey, 1.0}) * 0.25;
  ex = std::max(ex, least) * 1.1;
  ey = std::max(ey, least) * 1.1;
  const double m = std::min(kPlotWidth / ex, kMapMostHeight / ey);  // pixels per metre
  const int pw = std::max(1, static_cast<int>(ex * m));
  const int ph = std::max(1, static_cast<int>(ey * m));
  const double cx = (xr.lo + xr.hi) / 2;
  const double cy = (yr.lo + yr.hi) / 2;
  const int left = kPlotLeft;
  const Scale xs{cx - pw / m / 2, cx + pw / m / 2, static_cast<double>(left),
                 static_cast<double>(left + pw)};
  const Scale ys{cy - ph / m / 2, cy + ph / m / 2, static_cast<double>(kMapTop + ph),
                 static_cast<double>(kMapTop)};
  const int height = kMapTop + ph + kMapBottom;
  panel_head(s, height, xs, ys, "x", "y",
             "Positions (x, y), " + std::to_string(o.blocks) +
                 " soundings <tspan class=\"key\" fill=\"#1d8a3a\">\u25cf first</tspan> "
                 "<tspan class=\"key\" fill=\"#c0262d\">\u25a0 last</tspan>");
  axes(s, xs, ys, "x (m)", "y (m)");

  // One point per pixel, as short moves from one to the next.
  std::vector<std::uint8_t> taken(
      static_cast<std::size_t>(pw + 1) * static_cast<std::size_t>(ph + 1), 0);
  std::string d;
  long px = 0, py = 0;
  bool any = false;
  for (std::size_t b = 0; b < o.blocks; ++b) {
    if (!std::isfinite(o.x[b]) || !std::isfinite(o.y[b])) continue;
    const long ix = std::lround(xs(o.x[b]));
    const long iy = std::lround(ys(o.y[b]));
    const long cxp = std::clamp(ix - left, 0L, static_cast<long>(pw));
    const long cyp = std::clamp(iy - kMapTop, 0L, static_cast<long>(ph));
    std::uint8_t& cell = taken[static_cast<std::size_t>(cyp) * static_cast<std::size_t>(pw + 1) +
                               static_cast<std::size_t>(cxp)];
    if (cell) continue;
    cell = 1;
    if (!any) {
      d += "M" + std::to_string(ix) + " " + std::to_string(iy) + "h0";
    } else {
      d += "m" + std::to_string(ix - px) + " " + std::to_string(iy - py) + "h0";
    }
    px = ix;
    py = iy;
    any = true;
  }
  s += "<path class=\"pts\" d=\"" + d + "\"/>\n";
  // The first and the last sounding.
  std::size_t first = o.blocks, last = o.blocks;
  for (std::size_t b = 0; b < o.blocks; ++b) {
    if (!std::isfinite(o.x[b]) || !std::isfinite(o.y[b])) continue;
    if (first == o.blocks) first = b;
    last = b;
  }
  if (first < o.blocks) {
    std::string x, y;
    add_fixed(x, xs(o.x[last]), 1);
    add_fixed(y, ys(o.y[last]), 1);
    s += "<rect class=\"last\" x=\"" + x + "\" y=\"" + y +
         "\" width=\"9\" height=\"9\" transform=\"translate(-4.5 -4.5)\"/>\n";
    x.clear();
    y.clear();
    add_fixed(x, xs(o.x[first]), 1);
    add_fixed(y, ys(o.y[first]), 1);
    s += "<circle class=\"first\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"5\"/>\n";
  }
  // The scale bar, at the lower left of the plot.
  const double bar = nice(ex / 6) > ex / 3 ? nice(ex / 12) : nice(ex / 6);
  const double bar_px = bar * m;
  const int bx = left + 12;
  const int by = kMapTop + ph - 12;
  std::string w;
  add_fixed(w, bar_px, 1);
  s += "<path class=\"bar\" d=\"M" + std::to_string(bx) + " " + std::to_string(by - 4) + "v4h" + w +
       "v-4\"/>\n";
  s += "<text class=\"bartext\" x=\"" + std::to_string(bx) + "\" y=\"" + std::to_string(by - 8) +
       "\">" + (bar >= 1000 ? number(bar / 1000) + " km" : number(bar) + " m") + "</text>\n";
  panel_end(s, xs, ys);
}

// The range of err / |value| over the blocks, as a text of percentages.
std::string relative_range(const ObsFile& o, std::size_t c, bool quadrature) {
  Range r;
  for (std::size_t b = 0; b < o.blocks; ++b) {
    const Cplx& v = o.datum(b, c);
    const Cplx& e = o.error(b, c);
    const double value = quadrature ? v.im : v.re;
    const double error = quadrature ? e.im : e.re;
    if (value != 0) r.add(error / std::abs(value));
  }
  if (r.empty()) return "\u2013";
  return number(r.lo * 100, 3) + " to " + number(r.hi * 100, 3) + " %";
}

void heading(std::string& s, const ObsFile& o, std::string_view title) {
  s += "<h1>" + escaped(title) + "</h1>\n<p class=\"sum\">" + std::to_string(o.blocks) +
       " soundings, " + std::to_string(o.freqs.size()) + " frequencies, " +
       std::to_string(o.columns.size()) + " data columns.</p>\n";
  if (o.columns.empty()) return;
  s += "<table>\n<tr><th>frequency (Hz)</th><th>column</th><th>Tx</th><th>Rx</th><th>separation "
       "x (m)</th><th>separation y (m)</th><th>moment</th><th>normalization</th><th>data</th>"
       "<th>in-phase uncertainty / |value|</th><th>quadrature uncertainty / |value|</th></tr>\n";
  for (const ObsFrequency& f : o.freqs) {
    for (std::size_t c = f.begin; c < f.end; ++c) {
      const ObsColumn& col = o.columns[c];
      s += "<tr><td>" + number(f.hz) + "</td><td>" + std::to_string(c - f.begin + 1) + " of " +
           std::to_string(f.end - f.begin) + "</td><td>" + orientation_name(col.tx_orientation) +
           "</td><td>" + orientation_name(col.rx_orientation) + "</td><td>" + number(col.sep_x) +
           "</td><td>" + number(col.sep_y) + "</td><td>" + number(col.moment) + "</td><td>" +
           std::to_string(col.normalization) + "</td><td>" + form_name(col.form) + "</td><td>" +
           (col.form != DataForm::quadrature ? relative_range(o, c, false) : "\u2013") +
           "</td><td>" + (col.form != DataForm::inphase ? relative_range(o, c, true) : "\u2013") +
           "</td></tr>\n";
    }
  }
  s += "</table>\n";
}

constexpr const char* kStyle =
    "body{font:13px/1.35 sans-serif;color:#111;margin:20px;background:#fff}"
    "h1{font-size:20px;margin:0 0 4px}p{margin:4px 0 10px}"
    "table{border-collapse:collapse;margin:0 0 14px}th,td{border:1px solid #bbb;padding:2px 7px;"
    "text-align:right}th{background:#f2f2f2;font-weight:normal}"
    "svg.panel{display:block;margin:0 0 8px;max-width:100%;height:auto;overflow:hidden}"
    "svg text{font:12px sans-serif;fill:#222}"
    ".title{font-weight:bold}.ro{text-anchor:end}.key{font-weight:normal}"
    ".frame{fill:none;stroke:#202020;stroke-width:1}"
    ".grid{stroke:#e6e6e6;stroke-width:1;fill:none;shape-rendering:crispEdges}"
    ".tick{stroke:#444;stroke-width:1;fill:none;shape-rendering:crispEdges}"
    ".xt,.xl,.none{text-anchor:middle}.yt{text-anchor:end;dominant-baseline:middle}"
    ".yl{text-anchor:middle}"
    ".line{fill:none;stroke-width:1.3;stroke-linejoin:round;stroke-linecap:round}"
    ".band{fill-opacity:.22;stroke:none}"
    ".pts{stroke:#3f6fb5;stroke-width:3;stroke-linecap:square;fill:none}"
    ".first{fill:#1d8a3a}.last{fill:#c0262d}.bar{stroke:#111;stroke-width:2;fill:none}"
    ".bartext{paint-order:stroke;stroke:#fff;stroke-width:3px}"
    "@media print{body{margin:0}svg.panel{break-inside:avoid}.ro{display:none}}";

// Read-outs on hover: the values under the pointer, from the panel's data-x
// and data-y; the page reads the same without it.
constexpr const char* kScript =
    "function f(v){return Math.abs(v)>=1e6||(v!=0&&Math.abs(v)<1e-3)?v.toExponential(4):"
    "String(+v.toPrecision(6))}"
    "document.querySelectorAll('svg[data-x]').forEach(function(s){"
    "var a=s.dataset.x.split(',').map(Number),b=s.dataset.y.split(',').map(Number),"
    "t=s.querySelector('.ro');"
    "s.addEventListener('mousemove',function(e){var r=s.getBoundingClientRect(),"
    "k=s.viewBox.baseVal.width/r.width,x=(e.clientX-r.left)*k,y=(e.clientY-r.top)*k;"
    "if(x<a[0]||x>a[0]+a[1]||y<b[0]||y>b[0]+b[1]){t.textContent='';return}"
    "t.textContent=s.dataset.xn+' '+f(a[2]+(x-a[0])/a[1]*(a[3]-a[2]))+', '+s.dataset.yn+' '+"
    "f(b[3]-(y-b[0])/b[1]*(b[3]-b[2]))});"
    "s.addEventListener('mouseleave',function(){t.textContent=''})})";

}  // namespace

Track track_of(const ObsFile& o) {
  Track t;
  t.distance.resize(o.blocks);
  std::vector<double> steps;
  steps.reserve(o.blocks);
  std::vector<double> moving;
  for (std::size_t b = 1; b < o.blocks; ++b) {
    const double d = std::hypot(static_cast<double>(o.x[b]) - o.x[b - 1],
                                static_cast<double>(o.y[b]) - o.y[b - 1]);
    steps.push_back(std::isfinite(d) ? d : 0);
    if (std::isfinite(d) && d > 0) moving.push_back(d);
  }
  double median = 0;
  if (!moving.empty()) {
    auto mid = moving.begin() + static_cast<std::ptrdiff_t>(moving.size() / 2);
    std::nth_element(moving.begin(), mid, moving.end());
    median = *mid;
  }
  if (o.blocks > 0) t.starts.push_back(0);
  double sum = 0;
  for (std::size_t b = 1; b < o.blocks; ++b) {
    const double step = steps[b - 1];
    sum += step;
    t.distance[b] = sum;
    if (median > 0 && step > 10 * median) t.starts.push_back(b);
  }
  return t;
}

std::string page_html(const ObsFile& o, std::string_view title) {
  std::string s;
  s.reserve(std::size_t{1} << 20);
  s += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
       escaped(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  heading(s, o, title);
  if (o.blocks == 0) {
    s += "<p>The file holds no sounding block: there is nothing to draw.</p>\n</body>\n</html>\n";
    return s;
  }
  map_panel(s, o);

  const Track t = track_of(o);
  Range distance;
  distance.add(0);
  distance.add(t.distance.back());
  if (distance.hi <= distance.lo) distance = Range{-0.5, 0.5};
  const std::size_t panels = 1 + o.columns.size();
  const int group = static_cast<int>((panels + kPanelsAtFullWidth - 1) / kPanelsAtFullWidth);

  profile_panel(s, o, t, distance, group, "Height above ground (m) ", "height (m)", "height",
                {Series{kHeightColour, "height",
                        [&](std::size_t b) { return -static_cast<double>(o.z[b]); }, nullptr}});
  for (const ObsFrequency& f : o.freqs) {
    for (std::size_t c = f.begin; c < f.end; ++c) {
      const ObsColumn& col = o.columns[c];
      std::vector<Series> series;
      if (col.form != DataForm::quadrature) {
        series.push_back(
            {kInphaseColour, "in-phase",
             [&o, c](std::size_t b) { return static_cast<double>(o.datum(b, c).re); },
             [&o, c](std::size_t b) { return static_cast<double>(o.error(b, c).re); }});
      }
      if (col.form != DataForm::inphase) {
        series.push_back(
            {kQuadratureColour, "quadrature",
             [&o, c](std::size_t b) { return static_cast<double>(o.datum(b, c).im); },
             [&o, c](std::size_t b) { return static_cast<double>(o.error(b, c).im); }});
      }
      const std::string title_text = number(f.hz) + " Hz, column " +
                                     std::to_string(c - f.begin + 1) + " of " +
                                     std::to_string(f.end - f.begin) + ": " + geometry(col) +
                                     ", normalization " + std::to_string(col.normalization) + " ";
      profile_panel(s, o, t, distance, group, title_text, "data units", "value", series);
    }
  }
  s += "<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return s;
}

}  // namespace kivo
