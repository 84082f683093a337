// Whole conversions of generated surveys through the fast paths, with every
// kind of averaging line, against values read and rendered the plain way:
// each row read by the general read_list, each field rendered by the exact
// reference. The rows vary their blanks, tabs and commas and hold numbers of
// every plain form, so that the fast paths and their fallbacks both run.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "soundings/soundings.h"
#include "tests/support/exact_reference.h"
#include "tests/support/testutil.h"
#include "textio/reader.h"

namespace kivo {
namespace {

using test::read_file;
using test::reference_general;
using test::run_in_process;
using test::TempDir;
using test::write_file;

constexpr int kColumns = 8;
constexpr int kSoundings = 700;

std::string params(const std::string& averaging) {
  return "survey.dat    data file\n"
         "survey.obs    output file\n"
         "8             columns\n"
         "x\n"
         "y\n"
         "z f\n"
         "ignore        fiducial\n"
         "900 z 1 z m 6.5 0 1 i 5 0.5\n"
         "900 z 1 z m 6.5 0 1 q 5 0.5\n"
         "7200 z 1 z m 6.5 0 1 i 2 1\n"
         "7200 z 1 z m 6.5 0 1 q 2 1\n" +
         averaging + "\n";
}

// A value in hundredths as decimal text, in one of the forms a row may give
// it: 12345 is "123.45", "+123.45", "123.450", "1.2345e2" or "12345e-2".
std::string hundredths(std::int64_t v, std::uint32_t form) {
  const std::string sign = v < 0 ? "-" : (form % 7 == 1 ? "+" : "");
  const std::int64_t m = v < 0 ? -v : v;
  const std::string cents = std::to_string(100 + m % 100).substr(1);
  switch (form % 7) {
    case 2:
      return sign + std::to_string(m / 100) + "." + cents + "0";
    case 3:
      return sign + std::to_string(m) + "e-2";
    case 4:
      return sign + std::to_string(m) + "E-02";
    default:
      return sign + std::to_string(m / 100) + "." + cents;
  }
}

std::string survey() {
  std::uint64_t state = 12345;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state >> 33);
  };
  const char* const gaps[] = {" ", "   ", "\t", " , ", "          ", ",", "  \t "};
  std::string s = "/ generated survey\n/ x y z fiducial data\n";
  for (int i = 0; i < kSoundings; ++i) {
    if (i % 97 == 50) s += "/ turn of the flight line\n";
    const std::int64_t values[kColumns] = {51234560 + 1250 * i,
                                           712345625 - 2000 * i,
                                           9840 + static_cast<std::int64_t>(next() % 8160),
                                           i,
                                           static_cast<std::int64_t>(next() % 200000) - 50000,
                                           static_cast<std::int64_t>(next() % 150000),
                                           static_cast<std::int64_t>(next() % 9000000) - 300,
                                           static_cast<std::int64_t>(next() % 400)};
    std::string row(next() % 3, ' ');
    for (int j = 0; j < kColumns; ++j) {
      if (j > 0) row += gaps[next() % 7];
      row += hundredths(values[j], next());
    }
    s += row + (i % 5 == 0 ? "\r\n" : "\n");
  }
  return s;
}

// The rows as the general free-format read gives them.
std::vector<std::vector<float>> plain_rows(const std::string& name) {
  ReadFile f;
  EXPECT_EQ(open_read(f, name), 0);
  std::vector<std::vector<float>> rows;
  for (;;) {
    char first = ' ';
    if (read_char_field(f, &first, 1) != 0) break;
    if (first == '/') continue;
    step_back(f);
    std::vector<float> row(kColumns, 0.0f);
    std::vector<Item> items;
    for (float& v : row) items.push_back(real_item(v));
    EXPECT_EQ(read_list(f, items), 0);
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> records(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    out.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

TEST(Identity, GeneratedSurveysConvertAsReadAndRenderedPlainly) {
  struct Case {
    std::string averaging;
    std::int32_t naverage, ndecimate;
  };
  const Case cases[] = {{"al", 0, 1}, {"av 2", 2, 1}, {"de 5", 0, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.averaging);
    TempDir dir;
    write_file(dir.file("kivo.in"), params(c.averaging));
    write_file(dir.file("survey.dat"), survey());
    const auto rows = plain_rows(dir.file("survey.dat"));
    ASSERT_EQ(rows.size(), std::size_t{kSoundings});
    ASSERT_EQ(run_in_process(dir.path()).status, 0);

    const auto out = records(read_file(dir.file("survey.obs")));
    ASSERT_FALSE(out.empty());
    const std::int32_t count = std::stoi(out[0]);
    ASSERT_EQ(out.size(), 1 + 7 * static_cast<std::size_t>(count));
    // Which soundings are kept depends on the averaging line only; the
    // thinning tests check that choice.
    const Kept kept = kept_soundings(kSoundings, c.naverage, c.ndecimate);
    ASSERT_EQ(count, kept.count);
    for (std::int32_t i = 0; i < count; ++i) {
      const auto& row = rows[static_cast<std::size_t>(kept_index(kept, i))];
      const std::string& position = out[1 + 7 * static_cast<std::size_t>(i)];
      ASSERT_EQ(position.substr(0, 34),
                reference_general(17, 9, row[0]) + reference_general(17, 9, row[1]))
          << "sounding " << i;
      if (c.naverage != 0) continue;  // averaged values: the thinning tests
      // One paired data line per frequency: in-phase then quadrature value.
      for (std::size_t g = 0; g < 2; ++g) {
        const std::string& data = out[1 + 7 * static_cast<std::size_t>(i) + 3 + 3 * g];
        ASSERT_EQ(data.substr(60, 30), reference_general(15, 7, row[4 + 2 * g]) +
                                           reference_general(15, 7, row[5 + 2 * g]))
            << "sounding " << i << ", frequency " << g + 1;
      }
    }
  }
}

}  // namespace
}  // namespace kivo
