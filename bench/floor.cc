// floor: the least work any conversion of a data file must do. It reads the
// file with read(2) in large blocks, finds line ends with memchr, and turns
// every blank-, tab- or comma-separated token of every row that does not
// begin with "/" into a float with std::from_chars. The values are summed so
// that the conversions cannot be optimised away; nothing else is done.
//
//   floor DATA
//
// Prints the rows, comment rows, numbers converted, tokens that did not
// convert, and the sum. bench/run times kivo against it on the same file.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct Tally {
  std::int64_t rows = 0;
  std::int64_t comments = 0;
  std::int64_t numbers = 0;
  std::int64_t bad = 0;
  double sum = 0.0;
};

bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

void convert_row(const char* p, const char* end, Tally& t) {
  if (p < end && *p == '/') {
    ++t.comments;
    return;
  }
  ++t.rows;
  while (true) {
    while (p < end && is_separator(*p)) ++p;
    if (p == end) return;
    const char* start = p;
    while (p < end && !is_separator(*p)) ++p;
    float v = 0.0f;
    auto r = std::from_chars(start, p, v);
    if (r.ec == std::errc() && r.ptr == p) {
      t.sum += v;
      ++t.numbers;
    } else {
      ++t.bad;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: floor DATA\n");
    return 2;
  }
  int fd = ::open(argv[1], O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "floor: cannot open %s: %s\n", argv[1], std::strerror(errno));
    return 2;
  }
  std::size_t cap = std::size_t{1} << 20;
  auto buf = std::make_unique<char[]>(cap);
  std::size_t len = 0;  // bytes held; a partial last line stays at the front
  Tally t;
  while (true) {
    if (len == cap) {  // one line longer than the buffer: grow it
      auto bigger = std::make_unique<char[]>(cap * 2);
      std::memcpy(bigger.get(), buf.get(), len);
      buf = std::move(bigger);
      cap *= 2;
    }
    ssize_t n = ::read(fd, buf.get() + len, cap - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "floor: read failed: %s\n", std::strerror(errno));
      return 2;
    }
    if (n == 0) {
      if (len > 0) convert_row(buf.get(), buf.get() + len, t);  // last line, no line end
      break;
    }
    len += static_cast<std::size_t>(n);
    const char* p = buf.get();
    const char* end = p + len;
    while (const char* nl =
               static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) {
      convert_row(p, nl, t);
      p = nl + 1;
    }
    len = static_cast<std::size_t>(end - p);
    std::memmove(buf.get(), p, len);
  }
  ::close(fd);
  std::printf("rows %lld, comments %lld, numbers %lld, bad %lld, sum %.6e\n",
              static_cast<long long>(t.rows), static_cast<long long>(t.comments),
              static_cast<long long>(t.numbers), static_cast<long long>(t.bad), t.sum);
  return 0;
}
