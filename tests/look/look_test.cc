// kivo --look: the observations file read back, the stops on files that are
// not observations files, and the page drawn from it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "look/look.h"
#include "look/obsfile.h"
#include "look/page.h"
#include "tests/support/obs_text.h"
#include "tests/support/testutil.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {
namespace {

using test::read_file;
using test::TempDir;
using test::write_file;

const std::string kSource = KIVO_SOURCE_DIR;

struct Looked {
  int status = -1;
  std::string console;
  std::string errors;
};

// kivo --look in `dir` with these names.
Looked look_in(const std::string& dir, const std::vector<std::string>& names) {
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  test::Console console;
  test::Console errors;
  Looked r;
  r.status = look(names, console.file(), errors.file());
  r.console = console.text();
  r.errors = errors.text();
  std::filesystem::current_path(old);
  return r;
}

// Every observations file the tests hold, and one that the converter writes
// here from values at the edges of the fields: read back and written again,
// it is the same file, byte for byte.
TEST(LookReader, ReadsBackEveryObservationsFileExactly) {
  std::vector<std::string> files;
  for (const auto& ex : std::filesystem::directory_iterator(kSource + "/examples")) {
    for (const auto& f : std::filesystem::directory_iterator(ex.path())) {
      const std::string name = f.path().filename().string();
      if (name.rfind("expected", 0) == 0 && f.path().extension() == ".obs") {
        files.push_back(f.path().string());
      }
    }
  }
  ASSERT_GE(files.size(), 5u);
  for (const auto& g : std::filesystem::directory_iterator(kSource + "/tests/output/golden")) {
    files.push_back(g.path().string());
  }
  TempDir dir;
  write_file(dir.file("kivo.in"),
             "edges.dat\nedges.obs\n8\nx\ny\nz m\n"
             "900 Z 1 Z m 6.5 0 1 I 5 0.5\n"
             "900 Z 1 Z m 6.5 0 1 Q 5 0.5\n"
             "900 x 2.5 x m 99999.7 -0.001 4 q 5 0.5\n"
             "3.0E38 y 1 y f 1E-5 0 2 i 0 1\n"
             "3.0E38 y 1 y f 1E-5 0 2 q 0 1\n"
             "al\n");
  write_file(dir.file("edges.dat"),
             "512345.6 7123456 30 NaN 123.4 0.09999 -0 1\n"
             "-Inf 0.1 99999.7 -2.5 Inf -NaN 1E-5 3.0E38\n"
             "0 0 -30 1000 0.001 123456.7 -123456.7 99999\n");
  ASSERT_EQ(test::run_in_process(dir.path()).status, 0);
  files.push_back(dir.file("edges.obs"));
  for (const std::string& name : files) {
    const std::string bytes = read_file(name);
    const ObsFile o = read_observations(name);
    EXPECT_EQ(test::obs_text(o), bytes) << name;
  }
  const ObsFile e = read_observations(dir.file("edges.obs"));
  ASSERT_EQ(e.columns.size(), 3u);
  EXPECT_EQ(e.freqs[0].end - e.freqs[0].begin, 2u);  // two geometries at 900 Hz
  EXPECT_EQ(e.columns[0].form, DataForm::paired);
  EXPECT_EQ(e.columns[1].letter, 'q');
  EXPECT_EQ(e.columns[1].form, DataForm::quadrature);
  EXPECT_TRUE(std::isnan(e.datum(0, 0).re));
  EXPECT_FLOAT_EQ(e.z[0], -30);
}

// A file changed in one place, and what the stop says of it.
struct Bad {
  const char* what;
  std::string bytes;
  std::string where;  // the line on standard error, after "bad.obs:"
};

std::string replaced(std::string s, const std::string& from, const std::string& to,
                     std::size_t nth = 0) {
  std::size_t at = s.find(from);
  for (std::size_t i = 0; i < nth && at != std::string::npos; ++i) at = s.find(from, at + 1);
  if (at == std::string::npos) ADD_FAILURE() << "no " << from;
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

TEST(LookReader, StopsOnWhatIsNotAnObservationsFile) {
  // 4 blocks of 2 frequencies: 29 lines.
  const std::string good = read_file(kSource + "/examples/lines/expected.obs");
  const std::string paired =
      "   1.0000       7.9000       0.0000      -32.414     z  1 b    32.13600";
  const Bad cases[] = {
      {"empty", "", "1: expected the count line, found an empty file"},
      {"count not a number", replaced(good, "    4\r", "four \r"),
       "1:1: expected the number of sounding blocks (an integer of at least 0) in characters 1 "
       "to 5, found \"four \""},
      {"count negative", replaced(good, "    4\r", "   -4\r"),
       "1:1: expected the number of sounding blocks (an integer of at least 0) in characters 1 "
       "to 5, found \"   -4\""},
      {"count line too long", replaced(good, "    4\r", "     4\r"),
       "1:6: expected the count line of 5 characters, found 6"},
      {"fewer blocks than counted", replaced(good, "    4\r", "    5\r"),
       "30: expected a position line, found the end of the file (4 of 5 sounding blocks read)"},
      {"more blocks than counted", replaced(good, "    4\r", "    3\r"),
       "23:1: expected the end of the file after the 3 sounding blocks that the count line "
       "counts, found another line"},
      {"frequency count above its lines",
       replaced(good, "   900.00        1", "   900.00        2"),
       "6:19: expected a transmitter line of 31 characters, found 18"},
      {"frequency count below its lines",
       replaced(good, "   900.00        1", "   900.00        0"),
       "4:19: expected a frequency line of 18 characters, found 31"},
      {"line feed alone", replaced(good, "2\r\n   900", "2\n   900"),
       "2:40: expected the line end CR LF"},
      {"no line end at the end", good.substr(0, good.size() - 2),
       "29:124: expected the line end CR LF"},
      {"a value the writer cannot have written", replaced(good, "32.13600", "32.136  "),
       "5:61: expected the in-phase value (a real number) in characters 61 to 75, found "
       "\"   32.136      \""},
      {"a value that is no number", replaced(good, "32.13600", "32.1x600"),
       "5:61: expected the in-phase value (a real number) in characters 61 to 75, found "
       "\"   32.1x600    \""},
      {"the letter of a paired line", replaced(good, paired, replaced(paired, " b ", " i ")),
       "5:59: expected the letter b (both components, 123 characters) in characters 59 to 59, "
       "found \"i\""},
      {"a data line cut short", replaced(good, "2.005100    \r", "2.005100\r"),
       "5:120: expected a data line of 123 characters (both components) or 93 (one), found 119"},
      {"a later block's frequency", replaced(good, "   900.00        1", "   901.00        1", 1),
       "10:6: expected \"0.00        1\" as in the first block, found \"1.00        1\""},
      {"a later block's number of frequencies",
       replaced(good, "   431587.500       6781200.50        2",
                "   431587.500       6781200.50        3"),
       "9:39: expected \"2\" as in the first block, found \"3\""},
      {"a height that differs within a block",
       replaced(good, "   1.0000      -32.414     z  1\r", "   1.0000      -32.415     z  1\r", 1),
       "7:14: expected the height of the block's first transmitter line, \"  -32.414    \", found "
       "\"  -32.415    \""},
      {"an orientation",
       replaced(good, "   1.0000      -32.414     z  1\r", "   1.0000      -32.414     w  1\r"),
       "4:28: expected the transmitter orientation (x, y or z) in characters 28 to 28, found "
       "\"w\""},
      {"a control character",
       replaced(good, "-32.414     z  1", std::string("-32.414    \0z  1", 16)),
       "4:27: expected a blank in characters 27 to 27, found \"\\x00\""},
      {"a line longer than any record", "    1\r\n" + std::string(5000, '7'),
       "2:1: expected a line of at most 123 characters, found a longer one"},
  };
  for (const Bad& c : cases) {
    TempDir dir;
    write_file(dir.file("bad.obs"), c.bytes);
    const Looked r = look_in(dir.path(), {"bad.obs"});
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.console, "Stop: \"bad.obs\" is not an observations file.\n") << c.what;
    EXPECT_EQ(r.errors, "bad.obs:" + c.where + "\n") << c.what;
    EXPECT_FALSE(test::file_exists(dir.file("bad.obs.html"))) << c.what;
    EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "bad.obs")
        << c.what << ": nothing is left beside it";
  }
}

TEST(Look, WritesAPageBesideEachFileOrTheOneThatKivoInNames) {
  TempDir dir;
  const std::string obs = read_file(kSource + "/examples/lines/expected.obs");
  write_file(dir.file("a.obs"), obs);
  write_file(dir.file("b.obs"), obs);
  write_file(dir.file("b.obs.html"), "an older page");
  Looked r = look_in(dir.path(), {"a.obs", "b.obs", "missing.obs", "a.obs"});
  EXPECT_EQ(r.console,
            " Wrote \"a.obs.html\": 4 soundings, 2 frequencies.\n"
            " Wrote \"b.obs.html\": 4 soundings, 2 frequencies.\n"
            "Stop: cannot find observations file \"missing.obs\".\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read_file(dir.file("b.obs.html")).rfind("<!DOCTYPE html>", 0), 0u) << "replaced";

  r = look_in(dir.path(), {});
  EXPECT_EQ(r.console, "Stop: parameters file \"kivo.in\" does not exist.\n");
  write_file(dir.file("kivo.in"), "data.xyz\n'b.obs'\n");
  r = look_in(dir.path(), {});
  EXPECT_EQ(r.console, " Wrote \"b.obs.html\": 4 soundings, 2 frequencies.\n");
  EXPECT_EQ(r.status, 0);
  r = look_in(dir.path(), {"."});
  EXPECT_EQ(r.console, "Stop: cannot open observations file \".\".\n");

  // One observations file per flight line: every file that the name gives.
  write_file(dir.file("kivo.in"), "data.xyz\nline_{line}.obs\n");
  write_file(dir.file("line_20020.obs"), obs);
  write_file(dir.file("line_20010.obs"), obs);
  write_file(dir.file("line_20010.obs.html"), "an older page");
  r = look_in(dir.path(), {});
  EXPECT_EQ(r.console,
            " Wrote \"line_20010.obs.html\": 4 soundings, 2 frequencies.\n"
            " Wrote \"line_20020.obs.html\": 4 soundings, 2 frequencies.\n");
  ASSERT_TRUE(test::make_dir(dir.file("L7")));
  write_file(dir.file("L7/b.obs"), obs);
  write_file(dir.file("kivo.in"), "data.xyz\n'L{line}/b.obs'\n");
  r = look_in(dir.path(), {});
  EXPECT_EQ(r.console, " Wrote \"L7/b.obs.html\": 4 soundings, 2 frequencies.\n");
  write_file(dir.file("kivo.in"), "data.xyz\nblock_{line}.obs\n");
  r = look_in(dir.path(), {});
  EXPECT_EQ(r.console, "Stop: no observations file matches \"block_{line}.obs\".\n");
}

// The points of a path's "d", written as x,y pairs.
std::vector<std::pair<double, double>> points(const std::string& d) {
  std::vector<std::pair<double, double>> out;
  const auto number_char = [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == '-'; };
  for (std::size_t comma = d.find(','); comma != std::string::npos;
       comma = d.find(',', comma + 1)) {
    std::size_t a = comma;
    while (a > 0 && number_char(d[a - 1])) --a;
    std::size_t b = comma + 1;
    while (b < d.size() && number_char(d[b])) ++b;
    out.emplace_back(std::stod(d.substr(a, comma - a)),
                     std::stod(d.substr(comma + 1, b - comma - 1)));
  }
  return out;
}

// The svg elements of a page, each with its text.
std::vector<std::string> panels(const std::string& page) {
  std::vector<std::string> out;
  for (std::size_t a = page.find("<svg"); a != std::string::npos; a = page.find("<svg", a + 1)) {
    out.push_back(page.substr(a, page.find("</svg>", a) - a));
  }
  return out;
}

std::vector<double> numbers(const std::string& panel, const std::string& attr) {
  const std::size_t a = panel.find(attr + "=\"") + attr.size() + 2;
  std::vector<double> out;
  std::string s = panel.substr(a, panel.find('"', a) - a);
  for (std::size_t i = 0; i <= s.size();) {
    const std::size_t j = std::min(s.find(',', i), s.size());
    out.push_back(std::stod(s.substr(i, j - i)));
    i = j + 1;
  }
  return out;
}

std::vector<std::string> paths(const std::string& panel, const std::string& cls) {
  std::vector<std::string> out;
  const std::string head = "<path class=\"" + cls + "\"";
  for (std::size_t a = panel.find(head); a != std::string::npos; a = panel.find(head, a + 1)) {
    const std::size_t d = panel.find(" d=\"", a) + 4;
    out.push_back(panel.substr(d, panel.find('"', d) - d));
  }
  return out;
}

ObsFile survey(std::size_t blocks, std::vector<DataForm> forms) {
  ObsFile o;
  o.blocks = blocks;
  for (std::size_t c = 0; c < forms.size(); ++c) {
    o.freqs.push_back({900.0f * static_cast<float>(c + 1), c, c + 1});
    o.columns.push_back(
        {1, 'z', 7.9f, 0, 'z', 3, forms[c] == DataForm::paired ? 'b' : 'q', forms[c]});
  }
  for (std::size_t b = 0; b < blocks; ++b) {
    const auto t = static_cast<float>(b);
    o.x.push_back(500000 + 3 * t);
    o.y.push_back(7000000 + 200 * static_cast<float>(b / 2000));
    o.z.push_back(-30 - std::sin(t / 50));
    for (std::size_t c = 0; c < forms.size(); ++c) {
      const float v = 100 + 50 * std::sin(t / 300 + static_cast<float>(c)) + (b * 7919 % 13);
      o.dat.push_back({v, v / 2});
      o.err.push_back({v / 20, v / 40});
    }
  }
  return o;
}

TEST(LookPage, DrawsEveryValueInItsPlace) {
  // Three soundings along x, 10 m apart: distances 0, 10, 20.
  ObsFile o = survey(3, {DataForm::paired, DataForm::quadrature});
  o.x = {100, 110, 120};
  o.y = {50, 50, 50};
  o.dat = {{1, 2}, {0, -4}, {3, 6}, {0, 5}, {-1, 0.5f}, {0, 7}};
  o.err = {{0.5f, 1}, {0, 1}, {0.5f, 1}, {0, 1}, {0.5f, 1}, {0, 1}};
  const std::string page = page_html(o, "tiny.obs");
  const auto ps = panels(page);
  ASSERT_EQ(ps.size(), 4u);  // the map, the height, two columns
  // The in-phase line of the first column, then its quadrature line.
  const double want[2][3] = {{1, 3, -1}, {2, 6, 0.5}};
  const auto lines = paths(ps[2], "line");
  ASSERT_EQ(lines.size(), 2u);
  const auto xa = numbers(ps[2], "data-x");  // left, width, first, last
  const auto ya = numbers(ps[2], "data-y");  // top, height, bottom, top value
  for (std::size_t l = 0; l < 2; ++l) {
    const auto pts = points(lines[l]);
    ASSERT_EQ(pts.size(), 3u) << l;
    for (std::size_t b = 0; b < 3; ++b) {
      const double d = xa[2] + (pts[b].first - xa[0]) / xa[1] * (xa[3] - xa[2]);
      const double v = ya[3] - (pts[b].second - ya[0]) / ya[1] * (ya[3] - ya[2]);
      EXPECT_NEAR(d, 10.0 * static_cast<double>(b), 0.1 * (xa[3] - xa[2]) / xa[1]) << l << b;
      EXPECT_NEAR(v, want[l][b], 0.1 * (ya[3] - ya[2]) / ya[1]) << l << b;
    }
  }
  // The band of the in-phase values runs from v - e to v + e.
  const auto band = points(paths(ps[2], "band")[0]);
  ASSERT_EQ(band.size(), 6u);
  EXPECT_NEAR(ya[3] - (band[0].second - ya[0]) / ya[1] * (ya[3] - ya[2]), 1.5, 0.05);
  EXPECT_NEAR(ya[3] - (band[5].second - ya[0]) / ya[1] * (ya[3] - ya[2]), 0.5, 0.05);
  // A quadrature-only column: one line.
  EXPECT_EQ(paths(ps[3], "line").size(), 1u);
  for (const auto& p : ps) {
    EXPECT_NE(p.find("class=\"frame\""), std::string::npos);
    EXPECT_NE(p.find("class=\"xl\""), std::string::npos) << "an axis label";
  }
  for (const char* outside : {"src=", "href", "url(", "@import"}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << "nothing from outside: " << outside;
  }
}

TEST(LookPage, StaysSmallAndKeepsSpikesForTheLargestFile) {
  ObsFile o = survey(99999, std::vector<DataForm>(6, DataForm::paired));
  o.dat[50000 * 6 + 2].re = 5000;  // one spike in column 3
  const std::string page = page_html(o, "big.obs");
  EXPECT_LT(page.size(), 3000000u);
  const auto ps = panels(page);
  ASSERT_EQ(ps.size(), 8u);
  // The map: at most one point per pixel of its plot.
  const auto xa = numbers(ps[0], "data-x");
  const auto ya = numbers(ps[0], "data-y");
  const std::string map = paths(ps[0], "pts")[0];
  EXPECT_LE(static_cast<double>(std::count(map.begin(), map.end(), 'h')),
            (xa[1] + 1) * (ya[1] + 1));
  // A profile: at most the two extremes of each pixel column, and of the
  // column that two flight lines share.
  const std::size_t lines = track_of(o).starts.size();
  ASSERT_EQ(lines, 50u);
  for (std::size_t p = 1; p < ps.size(); ++p) {
    for (const std::string& d : paths(ps[p], "line")) {
      EXPECT_LE(points(d).size(), 2 * (kPlotWidth + 1 + lines)) << "panel " << p;
    }
    for (const std::string& d : paths(ps[p], "band")) {
      EXPECT_LE(points(d).size(), 2 * (kPlotWidth + 1 + lines)) << "panel " << p;
    }
  }
  // The spike is drawn: the top of the in-phase line of column 3 is 5000.
  const auto ys = numbers(ps[4], "data-y");
  double top = 1e9;
  for (const auto& [x, y] : points(paths(ps[4], "line")[0])) top = std::min(top, y);
  EXPECT_NEAR(ys[3] - (top - ys[0]) / ys[1] * (ys[3] - ys[2]), 5000, 50);
}

TEST(LookPage, FlightLinesApartAndNoSoundingAtAll) {
  const Track t = track_of(survey(6000, {}));
  EXPECT_EQ(t.starts, (std::vector<std::size_t>{0, 2000, 4000}));
  EXPECT_NEAR(t.distance[1999], 3 * 1999, 0.5);

  const std::string empty = page_html(survey(0, {DataForm::paired}), "none.obs");
  EXPECT_TRUE(panels(empty).empty());
  EXPECT_NE(empty.find("0 soundings"), std::string::npos);
}

}  // namespace
}  // namespace kivo
