// Rendering of fields: the general real field on realistic survey values
// (coordinates, heights, ppm data, uncertainties), through the writer's fast
// routine and through its to_chars routine, and the integer field.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "textio/writer.h"

namespace {

// Values of the kind an observations file holds, with their digits varied.
std::vector<float> realistic_values() {
  const float base[] = {512345.6f, 7123456.25f, -30.48f, 123.45f, 6.17f, 0.0123f};
  std::mt19937 gen(1);
  std::uniform_real_distribution<float> jitter(0.9f, 1.1f);
  std::vector<float> v;
  for (int i = 0; i < 4096; ++i) {
    float x = base[i % 6] * jitter(gen);
    if (i % 4 == 0) x = static_cast<float>(static_cast<std::int64_t>(x * 100.0f)) / 100.0f;
    v.push_back(x);
  }
  return v;
}

template <char* (*Put)(char*, int, int, float)>
void general(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0));
  const int d = static_cast<int>(state.range(1));
  const std::vector<float> values = realistic_values();
  std::vector<char> out(values.size() * static_cast<std::size_t>(w));
  for (auto _ : state) {
    char* p = out.data();
    for (const float x : values) p = Put(p, w, d, x);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}

void BM_General(benchmark::State& state) {
  general<kivo::put_general>(state);
}
void BM_GeneralToChars(benchmark::State& state) {
  general<kivo::detail::put_general_tochars>(state);
}
BENCHMARK(BM_General)->Args({13, 5})->Args({15, 7})->Args({17, 9});
BENCHMARK(BM_GeneralToChars)->Args({13, 5})->Args({15, 7})->Args({17, 9});

void BM_Int(benchmark::State& state) {
  std::vector<std::int32_t> values(4096);
  std::mt19937 gen(2);
  for (auto& v : values) v = static_cast<std::int32_t>(gen() % 2000000);
  std::vector<char> out(values.size() * 9);
  for (auto _ : state) {
    char* p = out.data();
    for (const std::int32_t x : values) p = kivo::put_int(p, 9, x);
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}
BENCHMARK(BM_Int);

}  // namespace
