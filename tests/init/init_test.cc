// kivo --init on an export of each form: the kivo.in it writes refuses to
// convert until its "?" are filled in, and then converts the file exactly as
// the kivo.in a user writes by hand converts the same soundings as bare rows.
// And it never harms a file.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

namespace kivo::test {
namespace {

struct Form {
  std::vector<std::pair<std::string, std::string>> files;  // the export: name, bytes
  std::string data_file;                                   // the argument of --init
  std::string first_line;                                  // what kivo --init prints first
  std::string rows;                                        // the same soundings, rows only
  std::string columns;  // the column lines written by hand (a line column ignored)
};

// A data column line as fill() completes it, and both components of one
// channel.
std::string data(const std::string& freq, char o, char iq, const std::string& sep = "6.5") {
  return freq + " " + o + " 1.0 " + o + " m " + sep + " 0 1 " + iq + " 5 0.5\n";
}
std::string both(const std::string& freq, char o, const std::string& sep = "6.5") {
  return data(freq, o, 'i', sep) + data(freq, o, 'q', sep);
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::size_t a = 0;
  for (std::size_t b = s.find(sep); b != std::string::npos; b = s.find(sep, a)) {
    out.push_back(s.substr(a, b - a));
    a = b + 1;
  }
  out.push_back(s.substr(a));
  return out;
}

// The "?" of a kivo.in filled in as the user of these tests does: z m for a
// height, and for a data column the orientation z, moment 1.0, separations
// 6.5 and 0, normalization type 1, uncertainties 5 % and 0.5.
std::string fill(const std::string& kivo_in) {
  static const char* const fills[] = {nullptr, "z", "1.0",   "z", nullptr, "6.5",
                                      "0",     "1", nullptr, "5", "0.5"};
  std::vector<std::string> ls = split(kivo_in, '\n');
  const std::size_t n = std::stoul(ls.at(2));
  for (std::size_t i = 3; i < 3 + n; ++i) {
    std::vector<std::string> w;
    for (std::string& x : split(ls[i], ' ')) {
      if (!x.empty()) w.push_back(std::move(x));
    }
    if (w[0] == "z" && w[1] == "?") w[1] = "m";
    for (std::size_t j = 0; w.size() >= 11 && j < 11; ++j) {
      if (w[j] != "?") continue;
      EXPECT_NE(fills[j], nullptr) << "word " << j + 1 << " of: " << ls[i];
      w[j] = fills[j] ? fills[j] : "?";
    }
    std::string line;
    for (const std::string& x : w) line += (line.empty() ? "" : " ") + x;
    ls[i] = line;
  }
  std::string out;
  for (const std::string& l : ls) out += l + "\n";
  return out;
}

std::string entries(const TempDir& dir) {
  std::string s;
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    names.insert(e.path().filename().string());
  }
  for (const auto& n : names) s += n + " ";
  return s;
}

// `kivo_in`, when given, gets the kivo.in that kivo --init wrote.
void converts_as_written_by_hand(const Form& f, const std::string& obs_name,
                                 std::string* kivo_in = nullptr) {
  TempDir dir;
  for (const auto& [name, bytes] : f.files) write_file(dir.file(name), bytes);
  const RunResult init = run_binary(dir.path(), "--init " + f.data_file);
  ASSERT_EQ(init.status, 0) << init.console;
  EXPECT_EQ(init.console.substr(0, init.console.find('\n') + 1), f.first_line + "\n")
      << init.console;
  const std::string written = read_file(dir.file("kivo.in"));
  if (kivo_in) *kivo_in = written;

  const RunResult unfilled = run_in_process(dir.path());
  EXPECT_EQ(unfilled.status, 1) << "a \"?\" converts:\n" << written;
  EXPECT_FALSE(file_exists(dir.file(obs_name)));

  write_file(dir.file("kivo.in"), fill(written));
  const RunResult filled = run_in_process(dir.path());
  ASSERT_EQ(filled.status, 0) << filled.console << fill(written);

  TempDir hand;
  const std::size_t n = split(f.columns, '\n').size() - 1;
  // The null line kivo --init wrote, if any, stands in the hand-written one
  // too: the soundings it leaves out are left out of both.
  const std::string al = "every sounding is written\n";
  std::string null_line;
  if (const std::size_t at = written.find(al + "null "); at != std::string::npos) {
    const std::size_t from = at + al.size();
    null_line = written.substr(from, written.find('\n', from) + 1 - from);
  }
  write_file(hand.file("kivo.in"),
             "rows.txt\nout.obs\n" + std::to_string(n) + "\n" + f.columns + "al\n" + null_line);
  write_file(hand.file("rows.txt"), f.rows);
  const RunResult by_hand = run_in_process(hand.path());
  ASSERT_EQ(by_hand.status, 0) << by_hand.console;
  EXPECT_EQ(read_file(dir.file(obs_name)), read_file(hand.file("out.obs"))) << fill(written);
}

const std::string kXyzRows =
    "1001.0 430100.00 6650200.00 60.5 31.0 44.31 132.62 55.1 26.05 101.2 88.3 12.1 44.0 57001.2\n"
    "1001.2 430106.50 6650200.12 61.0 31.8 46.66 132.61 56.0 27.64 102.0 87.9 12.4 46.0 57001.5\n"
    "1001.4 430113.00 6650200.24 61.2 32.5 45.83 132.12 57.2 26.23 101.7 88.0 12.2 45.1 57001.9\n";

TEST(Init, GeosoftXyzWithAKeywordHeader) {
  const Form f{
      {{"survey.xyz",
        "/ block A\r\n//FLIGHT 3\r\n/FREQUENCY\r\n/  900.00  7200.00  56000.00\r\n"
        "/COILSEPERATION\r\n/  7.98  7.98  6.30\r\n/DUMMY\r\n/ *\r\n"
        "/  FID  X  Y  ALTRAD  ALTLAS  CPI900  CPQ900  CPQ7200  CPI7200  "
        "CPI56K  CPQ56K  CXI5500  CPI900_FILT  MAG\r\n" +
            kXyzRows}},
      "survey.xyz",
      "kivo --init: \"survey.xyz\" has 14 columns; names from the \"/\" comment on line 9.",
      kXyzRows,
      "ignore\nx\ny\nignore\nz m\n" + both("900", 'z', "7.98") + data("7200", 'z', 'q', "7.98") +
          data("7200", 'z', 'i', "7.98") + both("56000", 'z', "6.30") + data("5500", 'x', 'i') +
          "ignore\nignore\n"};
  std::string written;
  converts_as_written_by_hand(f, "survey.obs", &written);
  EXPECT_NE(written.find("every sounding is written\nnull *\n"), std::string::npos) << written;
}

// Where names do not tell case apart (Windows), "em.dfn", looked for first,
// is found as the ".DFN" file.
#ifdef _WIN32
const char* const kDfnFound = "em.dfn";
#else
const char* const kDfnFound = "em.DFN";
#endif

TEST(Init, AsegGdf2DatWithItsDfn) {
  const std::string rows =
      "  3  1001.0   430100.00  6650200.00  31.00    44.31   132.62  1.00  2.00  3.00  55.10\n"
      "  3  1001.1   430106.50  6650200.12  31.80    46.66   132.61  1.00  2.00  3.00  56.00\n";
  const Form f{
      {{"em.dat", rows},
       {"em.DFN",
        "DEFN   ST=RECD,RT=COMM;RT:A4;COMMENTS:A76\n"
        "DEFN 1 ST=RECD,RT=;FLIGHT:I3\n"
        "DEFN 2 ST=RECD,RT=;FIDUCIAL:F10.1:UNIT=s\n"
        "DEFN 3 ST=RECD,RT=; Easting : F12.2 : UNIT=m, NULL=-9999.99\n"
        "DEFN 4 ST=RECD,RT=;NORTHING:F12.2:UNIT=m,NULL=-9999.99\n"
        "DEFN 5 ST=RECD,RT=;LASER:F8.2:UNITS=ft:NULL=-99.99\n"
        "DEFN 6 ST=RECD,RT=;CPI900:F9.2:UNIT=ppm,NAME=coplanar in-phase 912 Hz\n"
        "DEFN 7 ST=RECD,RT=;CPQ900:F9.2:UNIT=ppm,NAME=coplanar quadrature 912 Hz\n"
        "DEFN 8 ST=RECD,RT=;RES:3F6.2:UNIT=ohm.m\n"
        "DEFN 9 ST=RECD,RT=;CXQ5500:F10.2:UNIT=ppm ;END DEFN\n"}},
      "em.dat",
      std::string("kivo --init: \"em.dat\" has 11 columns; names from \"") + kDfnFound + "\".",
      rows,
      "ignore\nignore\nx\ny\nz f\n" + both("912", 'z') + "ignore\nignore\nignore\n" +
          data("5500", 'x', 'q')};
  converts_as_written_by_hand(f, "em.obs");
}

const std::string kBlankRows =
    "20310.0 430100.0 6650200.0 31.0 32.0 44.3 132.6 26.0 55.1 10.1 11.2\n"
    "20310.2 430106.5 6650200.1 31.8 32.5 46.6 132.6 27.6 56.0 10.3 11.0\n";
const std::string kBlankColumns =
    "ignore\nx\ny\nz m\nignore\n" + both("380", 'z') + both("1800", 'z') + both("3300", 'x');
const std::string kBlankNames =
    "fid mga_e mga_n laser_alt_m radar I_380 Q_380 cpi1800 cpq1800 cxi3300 cxq3300";

TEST(Init, BlankSeparatedWithItsNamesInAComment) {
  const Form f{
      {{"resolve.txt", "/ RESOLVE, block 2\n/ " + kBlankNames + "\n" + kBlankRows}},
      "resolve.txt",
      "kivo --init: \"resolve.txt\" has 11 columns; names from the \"/\" comment on line 2.",
      kBlankRows,
      kBlankColumns};
  converts_as_written_by_hand(f, "resolve.obs");
}

// The forms below rest on the conversion passing over a header line, "#"
// comments and line records, and knowing the line role.

TEST(Init, BlankSeparatedWithAHeaderLine) {
  const Form f{{{"resolve.txt", kBlankNames + "\n" + kBlankRows}},
               "resolve.txt",
               "kivo --init: \"resolve.txt\" has 11 columns; names from the header line (line 1).",
               kBlankRows,
               kBlankColumns};
  converts_as_written_by_hand(f, "resolve.obs");
}

TEST(Init, CsvWithAHeaderLine) {
  const std::string rows =
      "10010,1,20180302,192031.8,512345.6,5123456.0,-93.1,46.2,30.1,60.2,10.1,20.2,5.5,6.6,110.2,"
      "120.3,110.0,120.0,0.1,0,\n"
      "10010,2,20180302,192031.9,512350.6,5123456.5,-93.1,46.2,30.5,60.5,10.2,20.3,5.6,6.7,110.3,"
      "120.4,110.1,120.1,0.1,0,\n";
  const Form f{{{"map.csv",
                 "Line,fid,DATE,TIME,x_WGS84_UTMZ15N,y_WGS84_UTMZ15N,lon,lat,altlas,altrad_heli,"
                 "cpi400,cpq400,cxi3300,cxq3300,cpi140k,cpq140k,cpi140k_filt,cpq140k_filt,pli,"
                 "qflag,\n" +
                     rows}},
               "map.csv",
               "kivo --init: \"map.csv\" has 20 columns; names from the header line (line 1).",
               rows,
               "ignore\nignore\nignore\nignore\nx\ny\nignore\nignore\nz m\nignore\n" +
                   both("400", 'z') + both("3300", 'x') + both("140000", 'z') +
                   "ignore\nignore\nignore\nignore\n"};
  converts_as_written_by_hand(f, "map.obs");
}

TEST(Init, HashHeader) {
  const std::string rows =
      "101, 1, 620000.5, 820000.2, 61.2, 60.1, 101.1, 202.2, 303.3, 404.4, 0.1\n"
      "101, 2, 620010.5, 820000.4, 61.0, 59.8, 101.0, 202.0, 303.0, 404.0, 0.1\n";
  const Form f{
      {{"tellus.txt",
        "# Tellus AEM05\n# units: ppm, metres\n"
        "# line, fid, easting, northing, radar, laser_alt, i_912, q_912, "
        "i_3005, q_3005, powerline\n" +
            rows}},
      "tellus.txt",
      "kivo --init: \"tellus.txt\" has 11 columns; names from the \"#\" comment on line 3.",
      rows,
      "ignore\nignore\nx\ny\nignore\nz m\n" + both("912", 'z') + both("3005", 'z') + "ignore\n"};
  converts_as_written_by_hand(f, "tellus.obs");
}

TEST(Init, GeosoftLineRecordsAndNumberedPairs) {
  const std::string rows =
      "10010 430100.0 6650200.0 30.0 44.3 132.6 26.0 55.1\n"
      "10010 430106.5 6650200.1 30.8 46.6 132.6 27.6 56.0\n";
  const Form f{{{"pairs.xyz",
                 "/FREQUENCY\n/ 900.0 5500.0\n/COILSEPARATION\n/ 7.98 6.30\n"
                 "/ LINE X Y BHEIGHT REAL_1 QUAD_1 REAL_2 QUAD_2\nLine 10010\n" +
                     rows}},
               "pairs.xyz",
               "kivo --init: \"pairs.xyz\" has 8 columns; names from the \"/\" comment on line 5.",
               rows,
               "ignore\nx\ny\nz m\n" + both("900.0", 'z', "7.98") + both("5500.0", 'z', "6.30")};
  converts_as_written_by_hand(f, "pairs.obs");
}

// A flat-ASCII delivery: unnamed columns, and a header file beside them with
// a field table (names with blanks, channels at several processing stages),
// a system table of six coils and a sentence on dummies. The final channels
// are used, at the operating frequencies and with the orientations and
// separations of the system table; the bird's position and height.
TEST(Init, FlatAsciiWithAHeaderFile) {
  const std::string hdr =
      "RESOLVE SURVEY, BLOCK 7: FINAL DATA\r\n"
      "\r\n"
      "COIL                          1       2       3       4       5       6\r\n"
      "NOMINAL FREQUENCY (Hz)      400    1800    3300    8200   40000  140000\r\n"
      "OPERATING FREQUENCY (Hz)    382    1822    3258    7970   35920  130100\r\n"
      "COIL ORIENTATION             CP      CP      CX      CP      CP     VCP\r\n"
      "TX-RX COIL SEPARATION (m)  7.86    7.86    8.99    7.86    7.86    7.86\r\n"
      "\r\n"
      "All dummy values have been replaced with -999.0.\r\n"
      "\r\n"
      "FIELD  COLUMNS  CHANNEL         UNITS  DESCRIPTION\r\n"
      "  1     1-  8   LINE            -      FLIGHT LINE NUMBER\r\n"
      "  2     9- 18   UTME HELI       m      HELICOPTER EASTING\r\n"
      "  3    19- 28   UTME BIRD       m      BIRD EASTING\r\n"
      "  4    29- 38   UTMN BIRD       m      BIRD NORTHING\r\n"
      "  5    39- 46   LASER ALT RAW   m      RAW LASER ALTIMETER\r\n"
      "  6    47- 54   BIRD HEIGHT     m      CORRECTED BIRD HEIGHT\r\n"
      "  7    55- 62   RCPI400         ppm    RAW INPHASE-COPLANAR 400 HZ\r\n"
      "  8    63- 70   ZCPI400         ppm    ZERO LEVEL INPHASE-COPLANAR 382 HZ\r\n"
      "  9    71- 78   CPI400          ppm    FINAL INPHASE-COPLANAR 382 HZ\r\n"
      " 10    79- 86   CPQ400          ppm    FINAL QUADRATURE-COPLANAR 382 HZ\r\n"
      " 11    87- 94   CXI3300         ppm    FINAL INPHASE-COAXIAL 3258 HZ\r\n"
      " 12    95-102   CXQ3300         ppm    FINAL QUADRATURE-COAXIAL\r\n"
      " 13   103-110   140000HzI       ppm    FINAL INPHASE 130.1 kHZ\r\n"
      " 14   111-118   140000HzQ       ppm    FINAL QUADRATURE\r\n"
      " 15   119-126   MAG             nT     MAGNETIC FIELD\r\n";
  const std::string rows =
      "    1070  430090.0  430100.0 6650200.0    36.0    30.2   101.1   102.2   103.3   104.4"
      "   105.5   106.6   107.7   108.8 57001.2\n"
      "    1070  430096.5  430106.5 6650200.1    36.1    30.3   111.1   112.2   113.3   114.4"
      "   115.5   116.6   117.7   118.8 57001.3\n";
  const Form f{{{"BLOCK7.XYZ", rows}, {"BLOCK7.hdr", hdr}},
               "BLOCK7.XYZ",
               "kivo --init: \"BLOCK7.XYZ\" has 15 columns; names from the field table of "
               "\"BLOCK7.hdr\".",
               rows,
               "ignore\nignore\nx\ny\nignore\nz m\nignore\nignore\n" + both("382", 'z', "7.86") +
                   both("3258", 'x', "8.99") + both("130100", 'y', "7.86") + "ignore\n"};
  std::string written;
  converts_as_written_by_hand(f, "BLOCK7.obs", &written);
  EXPECT_NE(written.find("every sounding is written\nnull -999.0\n"), std::string::npos) << written;
  EXPECT_NE(written.find("operating 382 Hz, nominal 400"), std::string::npos) << written;
}

// Names that hold blanks: cut at tabs when that gives the row's count; else
// no name is trusted past where the names run together, and no column gets
// a shifted role.
TEST(Init, NamesWithBlanks) {
  const std::string rows =
      "1\t430100.0\t6650200.0\t30.5\t44.3\t132.6\t26.0\t55.1\n"
      "2\t430106.5\t6650200.1\t30.8\t46.6\t132.6\t27.6\t56.0\n";
  const Form f{{{"profile.txt",
                 "Station\tX Rx(m)\tY Rx(m)\tTx height (m)\tInPhase 912Hz\tQuad 912Hz\t"
                 "InPhase 3005Hz\tQuad 3005Hz\n" +
                     rows}},
               "profile.txt",
               "kivo --init: \"profile.txt\" has 8 columns; names from the header line (line 1).",
               rows,
               "ignore\nx\ny\nz m\n" + both("912", 'z') + both("3005", 'z')};
  converts_as_written_by_hand(f, "profile.obs");

  TempDir dir;
  write_file(dir.file("profile.txt"),
             "Station X Rx(m) Y Rx(m) Tx height (m) InPhase 912Hz Quad 912Hz\n" + rows);
  const RunResult r = run_binary(dir.path(), "--init profile.txt");
  ASSERT_EQ(r.status, 0) << r.console;
  EXPECT_NE(r.console.find("from column 1 (Station) on the names cannot be trusted"),
            std::string::npos)
      << r.console;
  EXPECT_NE(r.console.find("Wrote \"kivo.in\": 8 ignored columns."), std::string::npos)
      << r.console;
}

// A ground loop-loop profile: names that begin with the frequency, after the
// line record at the top of the file and again after the next one; a dummy
// in a row read gives the null line.
TEST(Init, NamesThatBeginWithTheFrequency) {
  const std::string line1 =
      "1000.0 2000.0 1.5 10.1 11.2 20.1 21.2\n"
      "1005.0 2000.0 1.5 10.3 11.0 20.3 21.0\n";
  const std::string line2 =
      "1010.0 2000.0 1.5 10.5 11.4 20.5 21.4\n"
      "1015.0 2000.0 1.5 -9999 11.6 20.7 21.6\n";
  const std::string names = "X Y tx_height 110Hz_I 110Hz_Q 1.76kHz_I 1.76kHz_Q\n";
  const Form f{{{"eml50.txt", "LINE EML50\n" + names + line1 + "LINE EML51\n" + names + line2}},
               "eml50.txt",
               "kivo --init: \"eml50.txt\" has 7 columns; names from the header line (line 2).",
               line1 + line2,
               "x\ny\nz m\n" + both("110", 'z') + both("1760", 'z')};
  std::string written;
  converts_as_written_by_hand(f, "eml50.obs", &written);
  EXPECT_NE(written.find("every sounding is written\nnull -9999\n"), std::string::npos) << written;
}

TEST(Init, NeverHarmsAFile) {
  struct Case {
    const char* what;
    std::vector<std::pair<std::string, std::string>> files;  // a name ending in "/" is a directory
    std::string args;
    std::string console;
  };
  const Case cases[] = {
      {"an existing kivo.in",
       {{"kivo.in", "mine\n"}, {"d.xyz", "1 2 3\n"}},
       "--init d.xyz",
       "Stop: parameters file \"kivo.in\" already exists.\n"},
      {"no data file name", {}, "--init", "Stop: kivo --init needs the name of a data file.\n"},
      {"a missing data file", {}, "--init none.xyz", "Stop: cannot find data file \"none.xyz\".\n"},
      {"a directory", {{"d.xyz/", ""}}, "--init d.xyz", "Stop: cannot open \"d.xyz\".\n"},
      {"a .dfn that cannot be read",
       {{"d.dat", "1 2\n"}, {"d.dfn/", ""}},
       "--init d.dat",
       "Stop: cannot open \"d.dfn\".\n"},
      {"a .dfn without fields",
       {{"d.dat", "1 2\n"}, {"d.dfn", "DEFN ST=RECD,RT=COMM;RT:A4;COMMENTS:A76\n"}},
       "--init d.dat",
       "Stop: no column definitions in \"d.dfn\".\n"},
      {"no row of values",
       {{"d.xyz", "/ nothing yet\n\n"}},
       "--init d.xyz",
       "Stop: no row of values in \"d.xyz\" to count its columns.\n"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    for (const auto& [name, bytes] : c.files) {
      if (name.back() == '/') {
        make_dir(dir.file(name.substr(0, name.size() - 1)));
      } else {
        write_file(dir.file(name), bytes);
      }
    }
    const std::string before = entries(dir);
    const RunResult r = run_binary(dir.path(), c.args);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.console, c.console) << c.what;
    EXPECT_EQ(entries(dir), before) << c.what;
    if (file_exists(dir.file("kivo.in"))) {
      EXPECT_EQ(read_file(dir.file("kivo.in")), "mine\n") << c.what;
    }
  }
}

// A kivo.in that is a symbolic link to nothing yet is a kivo.in all the same:
// the new file never takes its name, so the link's target is not created.
TEST(Init, ADanglingLinkIsAKivoIn) {
  TempDir dir;
  write_file(dir.file("d.xyz"), "x y z\n1 2 3\n");
  if (!make_symlink("elsewhere.in", dir.file("kivo.in"))) GTEST_SKIP() << "no symbolic links here";
  const RunResult r = run_binary(dir.path(), "--init d.xyz");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.console, "Stop: parameters file \"kivo.in\" already exists.\n");
  EXPECT_FALSE(file_exists(dir.file("elsewhere.in")));
}

}  // namespace
}  // namespace kivo::test
