// The field writer against plain references: the general real field (and
// its std::to_chars fallback) against the exact reference of the tests, the
// integer field against printf. The input is read six bytes at a time: four
// for the bit pattern of the value, one for the digits, one for the width.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/exact_reference.h"
#include "textio/writer.h"

namespace {

constexpr int kRoom = 64;
constexpr char kGuard = '\x7f';

[[noreturn]] void fail(const char* what, std::uint32_t bits, int w, int d, const std::string& got,
                       const std::string& want) {
  std::fprintf(stderr, "fuzz_fields: %s: bits 0x%08x w %d d %d\n  got  \"%s\"\n  want \"%s\"\n",
               what, bits, w, d, got.c_str(), want.c_str());
  std::abort();
}

// Renders one field into a guarded buffer; checks that it takes exactly w.
template <class Put>
std::string render(Put put, int w, std::uint32_t bits, int d) {
  char buf[kRoom + 8];
  std::memset(buf, kGuard, sizeof buf);
  char* end = put(buf + 4);
  std::string text(buf + 4, static_cast<std::size_t>(w));
  if (end != buf + 4 + w) fail("the field does not take its width", bits, w, d, text, "");
  for (int i = 0; i < 4; ++i)
    if (buf[i] != kGuard) fail("a write before the field", bits, w, d, text, "");
  for (int i = 4 + w; i < kRoom + 8; ++i)
    if (buf[i] != kGuard) fail("a write past the field", bits, w, d, text, "");
  return text;
}

std::string reference_int(int w, std::int32_t v) {
  char buf[32];
  int n = std::snprintf(buf, sizeof buf, "%d", v);
  if (n > w) return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w - n), ' ') + buf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (std::size_t at = 0; at + 6 <= size; at += 6) {
    std::uint32_t bits;
    std::memcpy(&bits, data + at, 4);
    const float v = std::bit_cast<float>(bits);
    const int d = 1 + data[at + 4] % 9;
    const std::uint8_t wb = data[at + 5];
    // Mostly the fields the program uses and wider ones; now and then a
    // field too narrow for the exponent form.
    const int w = (wb & 0x80) ? 1 + wb % (d + 6) : d + 6 + wb % 24;

    const std::string want = kivo::test::reference_general(w, d, v);
    std::string got = render([&](char* p) { return kivo::put_general(p, w, d, v); }, w, bits, d);
    if (got != want) fail("put_general differs from the exact reference", bits, w, d, got, want);
    got =
        render([&](char* p) { return kivo::detail::put_general_tochars(p, w, d, v); }, w, bits, d);
    if (got != want)
      fail("put_general_tochars differs from the exact reference", bits, w, d, got, want);

    const int wi = 1 + wb % 11;
    const auto iv = static_cast<std::int32_t>(bits);
    got = render([&](char* p) { return kivo::put_int(p, wi, iv); }, wi, bits, 0);
    if (got != reference_int(wi, iv))
      fail("put_int differs", bits, wi, 0, got, reference_int(wi, iv));
  }
  return 0;
}
