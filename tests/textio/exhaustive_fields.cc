// Every non-negative float bit pattern (0x00000000 to 0x7fffffff: zeros,
// subnormals, normals, Inf and the NaNs) through the general real field in
// the sizes 13.5, 15.7 and 17.9, against the exact reference. Negative
// patterns differ only by the sign, which the random test covers.
//
//   exhaustive_fields [--tochars] [first last]
//
// checks the patterns first..last (hexadecimal, default the whole range) on
// two threads; --tochars checks the to_chars routine instead of put_general.
// Prints the patterns checked, the mismatches (the first 20 in full) and the
// time taken; exits 1 on any mismatch.
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/exact_reference.h"
#include "textio/writer.h"

namespace {

using Put = char* (*)(char*, int, int, float);

struct Shared {
  Put put = kivo::put_general;
  std::uint64_t first = 0, last = 0x7fffffff;
  std::atomic<std::uint64_t> next{0};  // first pattern of the next block
  std::atomic<std::uint64_t> checked{0};
  std::atomic<std::uint64_t> mismatches{0};
  std::mutex print;
};

constexpr std::uint64_t kBlock = 1 << 16;
constexpr struct { int w, d; } kSizes[] = {{13, 5}, {15, 7}, {17, 9}};

void work(Shared& s) {
  char buf[64];
  for (;;) {
    const std::uint64_t begin = s.next.fetch_add(kBlock);
    if (begin > s.last) return;
    const std::uint64_t end = begin + kBlock - 1 < s.last ? begin + kBlock - 1 : s.last;
    for (std::uint64_t b = begin; b <= end; ++b) {
      const auto bits = static_cast<std::uint32_t>(b);
      const float v = std::bit_cast<float>(bits);
      const kivo::test::ExactDigits x = kivo::test::exact_digits(v, 10);
      for (const auto size : kSizes) {
        char* e = s.put(buf, size.w, size.d, v);
        const std::string want = kivo::test::reference_field(size.w, size.d, x);
        if (want.size() == static_cast<std::size_t>(e - buf) &&
            std::memcmp(want.data(), buf, want.size()) == 0)
          continue;
        if (s.mismatches.fetch_add(1) < 20) {
          std::lock_guard lock(s.print);
          std::printf("mismatch 0x%08x %d.%d: got \"%.*s\", want \"%s\"\n", bits, size.w, size.d,
                      static_cast<int>(e - buf), buf, want.c_str());
        }
      }
    }
    const std::uint64_t done = s.checked.fetch_add(end - begin + 1) + (end - begin + 1);
    if ((done / kBlock) % 2048 == 0) {
      std::lock_guard lock(s.print);
      std::printf("  %llu patterns checked\n", static_cast<unsigned long long>(done));
      std::fflush(stdout);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Shared s;
  std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--tochars") {
    s.put = kivo::detail::put_general_tochars;
    args.erase(args.begin());
  }
  if (args.size() == 2) {
    s.first = std::strtoull(args[0].c_str(), nullptr, 16);
    s.last = std::strtoull(args[1].c_str(), nullptr, 16);
  } else if (!args.empty()) {
    std::fprintf(stderr, "usage: exhaustive_fields [--tochars] [first last]\n");
    return 2;
  }
  if (s.last > 0x7fffffff) s.last = 0x7fffffff;
  s.next = s.first;

  const auto t0 = std::chrono::steady_clock::now();
  std::thread other([&] { work(s); });
  work(s);
  other.join();
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  std::printf(
      "%s: %llu patterns checked (0x%08llx..0x%08llx), 3 field sizes each, %llu "
      "mismatches, %.1f s on 2 threads\n",
      s.put == kivo::put_general ? "put_general" : "put_general_tochars",
      static_cast<unsigned long long>(s.checked.load()), static_cast<unsigned long long>(s.first),
      static_cast<unsigned long long>(s.last), static_cast<unsigned long long>(s.mismatches.load()),
      secs);
  return s.mismatches.load() == 0 ? 0 : 1;
}
