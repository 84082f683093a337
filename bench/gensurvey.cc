// gensurvey: writes a realistic airborne EM survey data file and the matching
// kivo.in, deterministically from a seed.
//
//   gensurvey [-s SOUNDINGS] [-f FREQS] [--seed N] [-o DATA] [--params PATH]
//             [--average LINE] [--params-only | --data-only] [--lines] [--nulls]
//             [--per-line]
//
// The data file has a few "/" comment lines at the top and two in the middle.
// Each row holds a fiducial (ignored), x, y, the height in feet, a magnetics
// reading (ignored), then the in-phase and quadrature values in ppm of FREQS
// frequencies. Values are right-aligned in fixed-width columns, so the number
// of blanks between them varies with their length. Numbers are formed as
// integer counts of tenths or hundredths and written with std::to_chars, so
// the text is exact and a million rows take a second or two.
//
// kivo.in (default: beside the data file) names the data file by its base
// name and "<stem>.obs" as the output file, describes the 5 + 2 * FREQS
// columns and ends with the averaging line (default "al").
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "gensurvey: %s\n", what.c_str());
  std::exit(2);
}

// splitmix64: small, fast and the same sequence on every platform.
struct Rng {
  std::uint64_t state;
  std::uint64_t next() {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [-1, 1).
  double sym() { return static_cast<double>(next() >> 11) * 0x1.0p-52 - 1.0; }
};

// One frequency of the system: its geometry as kivo.in states it and the
// typical size of its response in ppm.
struct Freq {
  const char* hz;
  char orient;      // 'z' coplanar (z z), 'x' coaxial (x x)
  const char* sep;  // Tx-Rx x separation in metres
  const char* threshold;
  double scale;  // typical response in ppm
};

// The first five are the usual helicopter system; the others extend it to
// ten frequencies for the linearity runs.
constexpr Freq kFreqs[20] = {
    {"380", 'z', "7.98", "1.0", 40.0},
    {"1500", 'x', "7.98", "1.0", 90.0},
    {"6200", 'z', "7.98", "2.0", 260.0},
    {"25000", 'z', "7.98", "3.0", 1100.0},
    {"100000", 'z', "6.025", "5.0", 2600.0},
    {"900", 'x', "7.98", "1.0", 60.0},
    {"3300", 'z', "7.98", "1.5", 170.0},
    {"11000", 'x', "7.98", "2.0", 420.0},
    {"40000", 'z', "7.98", "4.0", 950.0},
    {"140000", 'z', "6.025", "6.0", 2900.0},
    // A second system, for surveys of many channels (F up to 20).
    {"400", 'z', "4.0", "1.0", 45.0},
    {"1800", 'x', "4.0", "1.0", 95.0},
    {"7000", 'z', "4.0", "2.0", 280.0},
    {"28000", 'z', "4.0", "3.0", 1150.0},
    {"115000", 'z', "4.0", "5.0", 2700.0},
    {"1000", 'x', "4.0", "1.0", 65.0},
    {"3600", 'z', "4.0", "1.5", 180.0},
    {"12500", 'x', "4.0", "2.0", 440.0},
    {"45000", 'z', "4.0", "4.0", 980.0},
    {"160000", 'z', "4.0", "6.0", 2950.0},
};

// Column widths of the data file.
constexpr int kFidWidth = 11;
constexpr int kXWidth = 12;
constexpr int kYWidth = 12;
constexpr int kZWidth = 7;
constexpr int kMagWidth = 10;
constexpr int kDataWidth = 10;

// Appends `v` / 10^dec right-aligned in a field of `width` (at least one blank
// before the number, so that columns never run together).
char* put_fixed(char* p, int width, std::int64_t v, int dec) {
  char tmp[32];
  char* t = tmp;
  std::uint64_t mag = v < 0 ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
  if (v < 0) *t++ = '-';
  std::uint64_t scale = dec == 1 ? 10 : 100;
  t = std::to_chars(t, tmp + sizeof tmp, mag / scale).ptr;
  *t++ = '.';
  std::uint64_t frac = mag % scale;
  if (dec == 2) *t++ = static_cast<char>('0' + frac / 10);
  *t++ = static_cast<char>('0' + frac % 10);
  int len = static_cast<int>(t - tmp);
  int pad = width - len;
  if (pad < 1) pad = 1;
  std::memset(p, ' ', static_cast<std::size_t>(pad));
  p += pad;
  std::memcpy(p, tmp, static_cast<std::size_t>(len));
  return p + len;
}

std::int64_t hundredths(double v) {
  return std::llround(v * 100.0);
}

// A value in ppm with its magnitude held to 0.5 .. 3000 and its sign kept.
std::int64_t ppm(double v) {
  double mag = std::fabs(v);
  if (mag < 0.5) mag = 0.5 + std::fabs(v);
  if (mag > 3000.0) mag = 3000.0;
  return hundredths(v < 0 ? -mag : mag);
}

struct Options {
  std::int64_t soundings = 10000;
  int freqs = 5;
  std::uint64_t seed = 1;
  std::string data = "survey.dat";
  std::string params;  // empty: kivo.in beside the data file
  std::string average = "al";
  bool params_only = false;
  bool data_only = false;
  bool lines = false;     // a flight-line column, and a line record before each flight line
  bool nulls = false;     // -9999 in the first data column of 1 row in 100, and a null line
  bool per_line = false;  // an output name with "{line}": one file per flight line
};

std::int64_t parse_int(std::string_view s, const char* what) {
  std::int64_t v = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) fail(std::string("bad ") + what);
  return v;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc) fail(std::string("missing value after ") + argv[i]);
      return argv[++i];
    };
    if (a == "-s") {
      o.soundings = parse_int(value(), "sounding count");
    } else if (a == "-f") {
      o.freqs = static_cast<int>(parse_int(value(), "frequency count"));
    } else if (a == "--seed") {
      o.seed = static_cast<std::uint64_t>(parse_int(value(), "seed"));
    } else if (a == "-o") {
      o.data = value();
    } else if (a == "--params") {
      o.params = value();
    } else if (a == "--average") {
      o.average = value();
    } else if (a == "--params-only") {
      o.params_only = true;
    } else if (a == "--data-only") {
      o.data_only = true;
    } else if (a == "--lines") {
      o.lines = true;
    } else if (a == "--nulls") {
      o.nulls = true;
    } else if (a == "--per-line") {
      o.per_line = true;
    } else {
      fail(
          "usage: gensurvey [-s SOUNDINGS] [-f FREQS] [--seed N] [-o DATA] [--params PATH] "
          "[--average LINE] [--params-only | --data-only] [--lines] [--nulls] [--per-line]");
    }
  }
  if (o.soundings < 0 || o.soundings > 2147483647) fail("sounding count out of range");
  if (o.freqs < 1 || o.freqs > 20) fail("frequency count must be 1 to 20");
  return o;
}

std::string base_name(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string dir_name(const std::string& path) {
  auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Output to a file descriptor in large chunks.
struct Out {
  int fd;
  std::vector<char> buf = std::vector<char>(1 << 22);
  std::size_t len = 0;
  void flush() {
    std::size_t done = 0;
    while (done < len) {
      ssize_t n = ::write(fd, buf.data() + done, len - done);
      if (n < 0) fail(std::string("write failed: ") + std::strerror(errno));
      done += static_cast<std::size_t>(n);
    }
    len = 0;
  }
  // Room for at least `n` more bytes.
  char* room(std::size_t n) {
    if (buf.size() - len < n) flush();
    return buf.data() + len;
  }
  void commit(char* end) { len = static_cast<std::size_t>(end - buf.data()); }
  void text(std::string_view s) {
    char* p = room(s.size());
    std::memcpy(p, s.data(), s.size());
    commit(p + s.size());
  }
};

int create(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) fail("cannot create " + path + ": " + std::strerror(errno));
  return fd;
}

void write_params(const Options& o) {
  std::string path = o.params.empty() ? dir_name(o.data) + "/kivo.in" : o.params;
  std::string name = base_name(o.data);
  std::string stem = name.substr(0, name.rfind('.'));
  std::string t;
  t += name + "                data file\n";
  t += stem + (o.per_line ? "_{line}.obs" : ".obs") + "                observations file\n";
  t += std::to_string(5 + 2 * o.freqs + (o.lines ? 1 : 0)) + "                number of columns\n";
  if (o.lines) t += "line number\n";
  t += "ignore fiducial\n";
  t += "x easting\n";
  t += "y northing\n";
  t += "z feet (radar altimeter)\n";
  t += "ignore magnetics\n";
  for (int k = 0; k < o.freqs; ++k) {
    const Freq& f = kFreqs[k];
    for (char flag : {'i', 'q'}) {
      // frequency, Tx orientation, moment, Rx orientation, units, x and y
      // separations, normalisation type, flag, percentage and threshold.
      t += f.hz;
      t += ' ';
      t += f.orient;
      t += " 1.0 ";
      t += f.orient;
      t += " m ";
      t += f.sep;
      t += " 0.0 3 ";
      t += flag;
      t += " 5.0 ";
      t += f.threshold;
      t += f.orient == 'z' ? "   coplanar\n" : "   coaxial\n";
    }
  }
  t += o.average + "\n";
  if (o.nulls) t += "null -9999\n";
  Out out{create(path)};
  out.text(t);
  out.flush();
  if (::close(out.fd) != 0) fail("cannot close " + path);
}

void write_data(const Options& o) {
  Out out{create(o.data)};
  Rng rng{o.seed * 0x2545f4914f6cdd1dULL + 1};
  char head[256];
  std::snprintf(head, sizeof head,
                "/ Helicopter FDEM survey, %lld soundings, %d frequencies, seed %llu\n"
                "/ fid x y height_ft mag then in-phase and quadrature (ppm) per frequency\n"
                "/ coordinates in metres, height in feet\n",
                static_cast<long long>(o.soundings), o.freqs,
                static_cast<unsigned long long>(o.seed));
  out.text(head);

  const std::int64_t line_len = 2000;  // soundings per flight line
  const double spacing = 3.2;          // metres between soundings
  double height = 139.2;               // feet, 98.4 .. 180.0
  double conductance = 0.5;            // ground response, 0.02 .. 1
  const std::size_t row_max = 64 + kDataWidth * 2 * 20;

  for (std::int64_t i = 0; i < o.soundings; ++i) {
    if (o.soundings >= 3 && (i == o.soundings / 3 || i == 2 * o.soundings / 3)) {
      out.text("/ line break: tie line crossing\n");
    }
    std::int64_t line = i / line_len;
    std::int64_t along = i % line_len;
    if (o.lines && along == 0) out.text("Line " + std::to_string(10010 + 10 * line) + "\n");
    if (line % 2 == 1) along = line_len - 1 - along;  // lines flown both ways
    double x = 512345.60 + static_cast<double>(along) * spacing +
               3.0 * std::sin(static_cast<double>(i) * 0.003) + 0.05 * rng.sym();
    double y = 7123456.25 + 100.0 * static_cast<double>(line) +
               2.0 * std::sin(static_cast<double>(along) * 0.002) + 0.05 * rng.sym();
    // Terrain clearance: a slow swell over hills plus pilot's wander.
    double t = static_cast<double>(i);
    double target = 139.2 + 36.0 * std::sin(t * 0.0013) * std::cos(t * 0.00041);
    height += 0.5 * rng.sym() + 0.05 * (target - height);
    if (height < 98.4) height = 98.4;
    if (height > 180.0) height = 180.0;
    // Ground response: conductive zones come and go along the line.
    double ground = 0.52 + 0.46 * std::sin(t * 0.0021) * std::sin(t * 0.00037 + 1.0);
    conductance += 0.004 * rng.sym() + 0.05 * (ground - conductance);
    if (conductance < 0.02) conductance = 0.02;
    if (conductance > 1.0) conductance = 1.0;
    double mag = 53012.34 + 40.0 * std::sin(t * 0.0007) + 0.3 * rng.sym();
    double decay = std::exp(-(height - 98.4) / 90.0);

    char* p = out.room(row_max);
    if (o.lines) p = put_fixed(p, 9, (10010 + 10 * line) * 10, 1);
    p = put_fixed(p, kFidWidth, 12345670 + 10 * i, 1);
    p = put_fixed(p, kXWidth, hundredths(x), 2);
    p = put_fixed(p, kYWidth, hundredths(y), 2);
    p = put_fixed(p, kZWidth, std::llround(height * 10.0), 1);
    p = put_fixed(p, kMagWidth, hundredths(mag), 2);
    for (int k = 0; k < o.freqs; ++k) {
      double s = kFreqs[k].scale * decay;
      // The in-phase part of the lowest frequencies crosses zero over
      // resistive ground; the quadrature part stays mostly positive.
      double ip = s * (conductance - 0.15 + 0.02 * rng.sym()) * (0.4 + 0.15 * k);
      double q = s * (0.6 - 0.3 * conductance + 0.02 * rng.sym());
      // A dummy where the system recorded nothing: 1 row in 100.
      const bool dummy = o.nulls && k == 0 && i % 100 == 37;
      p = put_fixed(p, kDataWidth, dummy ? -999900 : ppm(ip), 2);
      p = put_fixed(p, kDataWidth, ppm(q), 2);
    }
    *p++ = '\n';
    out.commit(p);
  }
  out.flush();
  if (::close(out.fd) != 0) fail("cannot close " + o.data);
}

}  // namespace

int main(int argc, char** argv) {
  Options o = parse(argc, argv);
  if (!o.params_only) write_data(o);
  if (!o.data_only) write_params(o);
  return 0;
}
