// Microbenchmark of the reading pass and the observations writer together:
// sounding blocks of a survey of 15 columns (fiducial, x, y, height,
// magnetics, five paired frequencies), with the parameters set up by hand and
// a data file of kSoundings rows in the page cache. Each iteration reads the
// whole data file and writes every kept block, to /dev/null (in place) or to
// a new file that replaces the output (rendering and the page cache); the
// rate is reported per block written.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "output/output.h"
#include "params/params.h"
#include "soundings/soundings.h"
#include "textio/stop.h"

namespace {

constexpr std::int32_t kSoundings = 20000;
constexpr std::int32_t kFreqs = 5;
constexpr std::int32_t kColumns = 5 + 2 * kFreqs;

template <class T>
kivo::Array<T> array(std::size_t n) {
  return std::make_unique_for_overwrite<T[]>(n);
}

// Columns as kivo.in would give them: 1 fiducial (ignored), 2 x, 3 y,
// 4 height in feet, 5 magnetics (ignored), then 6/7, 8/9, ... the in-phase
// and quadrature columns of one frequency each, paired (the in-phase column
// leads). The arrays are indexed from 0; column numbers stored count from 1.
std::string set_up(kivo::Params& p, kivo::Arrays& a) {
  static constexpr float kHz[kFreqs] = {380.0f, 1500.0f, 6200.0f, 25000.0f, 100000.0f};
  static constexpr char kOrient[kFreqs] = {'z', 'x', 'z', 'z', 'z'};
  static constexpr float kSep[kFreqs] = {7.98f, 7.98f, 7.98f, 7.98f, 6.025f};
  static constexpr float kScale[kFreqs] = {40.0f, 90.0f, 260.0f, 1100.0f, 2600.0f};
  const auto n = static_cast<std::size_t>(kColumns);
  a.usecol_a = array<std::int32_t>(n);
  a.feetmetres_a = array<char>(n);
  a.inqu_a = array<char>(n);
  a.iqpoint_a = array<std::int32_t>(n);
  a.dum_a = array<float>(n);
  a.freqs_a = array<float>(n);
  a.ifreqs_a = array<std::int32_t>(n);
  a.ot_a = array<char>(n);
  a.momt_a = array<float>(n);
  a.or_a = array<char>(n);
  a.trx_a = array<float>(n);
  a.try_a = array<float>(n);
  a.ontype_a = array<std::int32_t>(n);
  a.perr_a = array<float>(n);
  a.terr_a = array<float>(n);
  a.dat_a = array<kivo::Cplx>(n);
  a.err_a = array<kivo::Cplx>(n);

  p.data_file = "survey.dat";
  p.ncols = kColumns;
  p.xcol = 2;
  p.ycol = 3;
  p.zcol = 4;
  p.nfreqs = kFreqs;
  for (std::int32_t j = 0; j < kColumns; ++j) {
    a.usecol_a[j] = j == 0 || j == 4 ? 0 : 1;
    a.iqpoint_a[j] = 0;
    a.ifreqs_a[j] = 0;
  }
  a.feetmetres_a[3] = 'f';
  for (std::int32_t k = 0; k < kFreqs; ++k) {
    for (std::int32_t part = 0; part < 2; ++part) {
      const std::int32_t j = 5 + 2 * k + part;
      a.freqs_a[j] = kHz[k];
      a.ot_a[j] = kOrient[k];
      a.or_a[j] = kOrient[k];
      a.momt_a[j] = 1.0f;
      a.feetmetres_a[j] = 'm';
      a.trx_a[j] = kSep[k];
      a.try_a[j] = 0.0f;
      a.ontype_a[j] = 3;
      a.inqu_a[j] = part == 0 ? 'i' : 'q';
      a.perr_a[j] = 5.0f;
      a.terr_a[j] = 1.0f + static_cast<float>(k);
    }
    const std::int32_t lead = 5 + 2 * k;
    a.iqpoint_a[lead] = lead + 2;  // the partner's column number
    a.usecol_a[lead + 1] = 0;
    a.ifreqs_a[lead] = k + 1;
  }

  // Rows as a survey gives them: fiducial, coordinates, height in feet,
  // magnetics and ppm data with two decimals.
  std::uint64_t seed = 99;
  auto noise = [&seed]() {  // uniform in [0, 1)
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(seed >> 11) * 0x1.0p-53;
  };
  std::string rows;
  auto put = [&rows](double v, int decimals) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    rows.append(buf, r.ptr);
    rows += ' ';
  };
  for (std::int32_t s = 0; s < kSoundings; ++s) {
    put(1234567.0 + s, 1);
    put(512345.60 + 3.2 * s + 0.05 * noise(), 2);
    put(7123456.25 + 0.05 * noise(), 2);
    put(98.4 + 81.6 * noise(), 1);
    put(53012.0 + noise(), 2);
    for (std::int32_t k = 0; k < kFreqs; ++k) {
      put(kScale[k] * (noise() - 0.1), 2);
      put(kScale[k] * (0.2 + 0.8 * noise()), 2);
    }
    rows += '\n';
  }
  return rows;
}

void write_file(const std::string& name, const std::string& bytes) {
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// One conversion from the reading pass on: the data file is read and the
// observations written.
void convert(kivo::Params p, kivo::Arrays& a, std::FILE* console) {
  kivo::ReadFile f;
  if (kivo::open_read(f, p.data_file, 999) != 0) kivo::estop("cannot open the data file");
  kivo::Observations o;
  std::int32_t ns = kSoundings;
  kivo::prepare_observations(o, p);
  kivo::stream_observations(o, f, p, a, ns);
  kivo::check_averaging(p, ns, console);
  kivo::write_observations(o, f, p, a, ns, console);
}

// Args: 0 to /dev/null or 1 to a file; averaging number; decimating number.
void BM_WriteBlocks(benchmark::State& state) {
  kivo::Params p;
  kivo::Arrays a;
  const std::string rows = set_up(p, a);
  p.naverage = static_cast<std::int32_t>(state.range(1));
  p.ndecimate = static_cast<std::int32_t>(state.range(2));
  const kivo::Kept kept = kivo::kept_soundings(kSoundings, p.naverage, p.ndecimate);

  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/kivo-bench-XXXXXX";
  if (!::mkdtemp(dir.data())) {
    state.SkipWithError("cannot make a temporary directory");
    return;
  }
  const std::string file = dir + "/survey.obs";
  p.data_file = dir + "/survey.dat";
  write_file(p.data_file, rows);
  std::FILE* console = std::fopen("/dev/null", "w");
  if (!console) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }

  // One untimed run into the file gives the bytes per iteration.
  std::int64_t bytes = 0;
  try {
    p.output_file = file;
    convert(p, a, console);
    struct stat st;
    if (::stat(file.c_str(), &st) == 0) bytes = st.st_size;
    p.output_file = state.range(0) == 0 ? "/dev/null" : file;
    for (auto _ : state) convert(p, a, console);
  } catch (const kivo::Stop& stop) {
    state.SkipWithError(("Stop: " + stop.message).c_str());
  }
  std::fclose(console);
  ::unlink(file.c_str());
  ::unlink(p.data_file.c_str());
  ::rmdir(dir.c_str());
  state.SetItemsProcessed(state.iterations() * kept.count);
  state.SetBytesProcessed(state.iterations() * bytes);
  state.counters["blocks"] = kept.count;
}
BENCHMARK(BM_WriteBlocks)
    ->ArgNames({"file", "av", "de"})
    ->Args({0, 0, 1})
    ->Args({0, 2, 1})
    ->Args({0, 0, 5})
    ->Args({1, 0, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
