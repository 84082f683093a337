// floor: the least work any conversion of a data file must do. It reads the
// file with read(2) in large blocks, finds line ends with memchr, and turns
// every blank-, tab- or comma-separated token of every row that does not
// begin with "/" into a float with std::from_chars. The values are summed so
// that the conversions cannot be optimised away; nothing else is done.
//
//   floor DATA
//   floor --write BYTES FILE
//
// Prints the rows, comment rows, numbers converted, tokens that did not
// convert, and the sum. bench/run times kivo against it on the same file.
//
// With --write it is the write floor instead: it creates FILE and writes
// BYTES bytes of record-like text into it in writes of 1 MiB, the least work
// of writing an observations file of that size.
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
  // Comments, and the line records of a survey with flight lines.
  if (p < end && (*p == '/' || *p == '#' || *p == 'L' || *p == 'T')) {
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

int write_floor(const char* bytes_text, const char* name) {
  long long bytes = 0;
  const char* end = bytes_text + std::strlen(bytes_text);
  if (std::from_chars(bytes_text, end, bytes).ptr != end || bytes < 0) {
    std::fprintf(stderr, "floor: not a byte count: %s\n", bytes_text);
    return 2;
  }
  const int fd = ::open(name, O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) {
    std::fprintf(stderr, "floor: cannot create %s: %s\n", name, std::strerror(errno));
    return 2;
  }
  const std::size_t block = std::size_t{1} << 20;
  auto buf = std::make_unique<char[]>(block);
  for (std::size_t i = 0; i < block; ++i)
    buf[i] = i % 124 == 122 ? '\r' : i % 124 == 123 ? '\n' : ' ';
  long long left = bytes;
  while (left > 0) {
    const std::size_t want =
        left < static_cast<long long>(block) ? static_cast<std::size_t>(left) : block;
    const ssize_t n = ::write(fd, buf.get(), want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::fprintf(stderr, "floor: write failed: %s\n", std::strerror(errno));
      return 2;
    }
    left -= n;
  }
  if (::close(fd) != 0) {
    std::fprintf(stderr, "floor: close failed: %s\n", std::strerror(errno));
    return 2;
  }
  std::printf("written %lld\n", bytes);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write") == 0) return write_floor(argv[2], argv[3]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: floor DATA\n       floor --write BYTES FILE\n");
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
