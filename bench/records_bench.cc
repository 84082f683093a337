// Microbenchmarks of the record reader on realistic survey rows: the counting
// pass over a whole file, and the reading of one row of 15 reals (the plain
// fast-path request, the general item-list request, and the reading pass's
// peek-step-back-read sequence). The file is written to a temporary
// directory first and read once, so every timed pass runs from the page
// cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "textio/reader.h"
#include "textio/records.h"

namespace {

constexpr std::size_t kColumns = 15;
constexpr std::int64_t kRows = 100000;

// Appends v right-aligned, with `decimals` decimals, in a field of `width`.
char* put_value(char* p, int width, double v, int decimals) {
  char tmp[32];
  auto r = std::to_chars(tmp, tmp + sizeof tmp, v, std::chars_format::fixed, decimals);
  int len = static_cast<int>(r.ptr - tmp);
  for (int i = len; i < width; ++i) *p++ = ' ';
  std::memcpy(p, tmp, static_cast<std::size_t>(len));
  return p + len;
}

// A temporary survey file of kRows rows like bench/gensurvey's: fiducial,
// x, y, height in feet, magnetics, then five in-phase/quadrature pairs in ppm
// whose widths vary. With comments, two "/" lines head the file and one
// stands in the middle. Removed with its directory on destruction.
struct SurveyFile {
  std::string dir;
  std::string path;
  std::size_t bytes = 0;

  explicit SurveyFile(bool comments) {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/kivo-bench-XXXXXX";
    std::vector<char> name(templ.begin(), templ.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) std::abort();
    dir = name.data();
    path = dir + "/survey.dat";

    std::string text;
    text.reserve(static_cast<std::size_t>(kRows) * 160);
    if (comments) text += "/ benchmark survey\n/ fid x y height mag ip1 q1 ... ip5 q5\n";
    std::uint64_t seed = 12345;
    auto noise = [&seed]() {  // uniform in [0, 1)
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<double>(seed >> 11) * 0x1.0p-53;
    };
    char row[256];
    for (std::int64_t i = 0; i < kRows; ++i) {
      if (comments && i == kRows / 2) text += "/ tie line\n";
      double t = static_cast<double>(i);
      char* p = row;
      p = put_value(p, 11, 1234567.0 + t, 1);
      p = put_value(p, 12, 512345.60 + 3.2 * static_cast<double>(i % 2000) + 0.1 * noise(), 2);
      p = put_value(p, 12, 7123456.25 + 100.0 * static_cast<double>(i / 2000), 2);
      p = put_value(p, 7, 98.4 + 81.6 * noise(), 1);
      p = put_value(p, 10, 53012.34 + noise(), 2);
      for (int k = 0; k < 5; ++k) {
        double scale = 10.0 * static_cast<double>(1 << (2 * k));  // 10 .. 2560 ppm
        p = put_value(p, 10, scale * (noise() - 0.1), 2);
        p = put_value(p, 10, scale * (0.2 + noise()), 2);
      }
      *p++ = '\n';
      text.append(row, p);
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
        ::close(fd) != 0) {
      std::abort();
    }
    bytes = text.size();
  }
  ~SurveyFile() {
    ::unlink(path.c_str());
    ::rmdir(dir.c_str());
  }
  SurveyFile(const SurveyFile&) = delete;
  SurveyFile& operator=(const SurveyFile&) = delete;
};

// Opens the file as the data file is opened (records of at most 999
// characters) and warms the page cache with one counting pass.
bool open_warm(benchmark::State& state, kivo::ReadFile& f, const SurveyFile& file) {
  if (kivo::open_read(f, file.path, 999) != 0) {
    state.SkipWithError("cannot open the survey");
    return false;
  }
  kivo::RecordCount count;
  kivo::count_rows(f, count);
  kivo::rewind_read(f);
  return true;
}

// The counting pass: every record of the file, comments passed over.
void BM_CountRows(benchmark::State& state) {
  SurveyFile file(true);
  kivo::ReadFile f;
  if (!open_warm(state, f, file)) return;
  for (auto _ : state) {
    kivo::rewind_read(f);
    kivo::RecordCount count;
    const int status = kivo::count_rows(f, count);
    if (status != 0 || count.rows != kRows) {
      state.SkipWithError("count_rows failed or miscounted");
      break;
    }
    benchmark::DoNotOptimize(count.rows);
  }
  kivo::close_read(f);
  state.SetItemsProcessed(state.iterations() * kRows);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.bytes));
}
BENCHMARK(BM_CountRows)->Unit(benchmark::kMillisecond);

// Reads the next row with `read_row`, going back to the top at the end of the
// file (once in kRows rows, so the rewind does not count).
template <class ReadRow>
void read_rows(benchmark::State& state, bool comments, ReadRow read_row) {
  SurveyFile file(comments);
  kivo::ReadFile f;
  if (!open_warm(state, f, file)) return;
  std::array<float, kColumns> row{};
  for (auto _ : state) {
    int status = read_row(f, row.data());
    if (status < 0) {
      kivo::rewind_read(f);
      status = read_row(f, row.data());
    }
    if (status != 0) {
      state.SkipWithError("a row did not read");
      break;
    }
    benchmark::DoNotOptimize(row.data());
    benchmark::ClobberMemory();
  }
  kivo::close_read(f);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.bytes) / kRows);
}

// One row of 15 reals by the dedicated request.
void BM_ReadReals(benchmark::State& state) {
  read_rows(state, false,
            [](kivo::ReadFile& f, float* row) { return kivo::read_reals(f, row, kColumns); });
}
BENCHMARK(BM_ReadReals);

// The same row by the general request of 15 real items: what read_reals
// saves.
void BM_ReadList15(benchmark::State& state) {
  std::array<kivo::Item, kColumns> items{};
  std::array<float, kColumns> values{};
  for (std::size_t j = 0; j < kColumns; ++j) items[j] = kivo::real_item(values[j]);
  read_rows(state, false, [&](kivo::ReadFile& f, float* row) {
    int status = kivo::read_list(f, items);
    std::memcpy(row, values.data(), sizeof values);
    return status;
  });
}
BENCHMARK(BM_ReadList15);

// A row as the reading pass takes it: the first character of the record,
// comments passed over, a step back, then the 15 reals.
void BM_ReadPassRow(benchmark::State& state) {
  read_rows(state, true, [](kivo::ReadFile& f, float* row) {
    char lead = '/';
    while (lead == '/') {
      int status = kivo::read_char_field(f, &lead, 1);
      if (status != 0) return status;
    }
    kivo::step_back(f);
    return kivo::read_reals(f, row, kColumns);
  });
}
BENCHMARK(BM_ReadPassRow);

}  // namespace
