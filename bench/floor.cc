// floor: the least work any conversion of a data file must do. It reads the
// file in large blocks, finds line ends with memchr, and converts every
// blank-, tab- or comma-separated token of every row that does not begin
// with "/" (or another record mark) into a float with one std::from_chars
// call at the token's start, then looks at the one character after the
// number: a separator or the line's end, or else the token does not convert
// and is passed over. The values are summed so that the conversions cannot be
// optimised away; nothing else is done.
//
//   floor [--block BYTES] [--mmap] DATA
//   floor --write BYTES FILE
//
// Prints the rows, comment rows, numbers converted, tokens that did not
// convert, and the sum. bench/run times kivo against it on the same file.
// The default, read(2) in blocks of 256 KiB, was as fast as the fastest of
// the variations measured (blocks of 64 KiB to 4 MiB, and the whole file
// mapped with mmap(2), --mmap): 9 interleaved runs each on the survey of 1
// million soundings, the same within the noise of the shared machine.
//
// With --write it is the write floor instead: it creates FILE and writes
// BYTES bytes of record-like text into it in writes of 1 MiB, the least work
// of writing an observations file of that size.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
    float v = 0.0f;
    const auto r = std::from_chars(p, end, v);
    if (r.ec == std::errc() && (r.ptr == end || is_separator(*r.ptr))) {
      t.sum += v;
      ++t.numbers;
      p = r.ptr;
    } else {
      ++t.bad;
      while (p < end && !is_separator(*p)) ++p;
    }
  }
}

// Every line of [p, end) but an unfinished last one; returns where that
// one begins.
const char* convert_lines(const char* p, const char* end, Tally& t) {
  while (const char* nl =
             static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)))) {
    convert_row(p, nl, t);
    p = nl + 1;
  }
  return p;
}

int read_floor(int fd, std::size_t cap, Tally& t) {
  auto buf = std::make_unique<char[]>(cap);
  std::size_t len = 0;  // bytes held; a partial last line stays at the front
  while (true) {
    if (len == cap) {  // one line longer than the buffer: grow it
      auto bigger = std::make_unique<char[]>(cap * 2);
      std::memcpy(bigger.get(), buf.get(), len);
      buf = std::move(bigger);
      cap *= 2;
    }
    const ssize_t n = ::read(fd, buf.get() + len, cap - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "floor: read failed: %s\n", std::strerror(errno));
      return 2;
    }
    if (n == 0) {
      if (len > 0) convert_row(buf.get(), buf.get() + len, t);  // last line, no line end
      return 0;
    }
    len += static_cast<std::size_t>(n);
    const char* end = buf.get() + len;
    const char* p = convert_lines(buf.get(), end, t);
    len = static_cast<std::size_t>(end - p);
    std::memmove(buf.get(), p, len);
  }
}

int mmap_floor(int fd, Tally& t) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return 2;
  const auto size = static_cast<std::size_t>(st.st_size);
  if (size == 0) return 0;
  void* m = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (m == MAP_FAILED) {
    std::fprintf(stderr, "floor: mmap failed: %s\n", std::strerror(errno));
    return 2;
  }
  ::madvise(m, size, MADV_SEQUENTIAL);
  const char* begin = static_cast<const char*>(m);
  const char* p = convert_lines(begin, begin + size, t);
  if (p < begin + size) convert_row(p, begin + size, t);
  ::munmap(m, size);
  return 0;
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
  std::size_t block = std::size_t{1} << 18;
  bool use_mmap = false;
  int i = 1;
  for (; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--mmap") == 0) {
      use_mmap = true;
    } else if (std::strcmp(argv[i], "--block") == 0 && i + 2 < argc) {
      block = std::strtoull(argv[++i], nullptr, 10);
      if (block == 0) block = 1;
    } else {
      break;
    }
  }
  if (i + 1 != argc) {
    std::fprintf(stderr,
                 "usage: floor [--block BYTES] [--mmap] DATA\n       floor --write BYTES FILE\n");
    return 2;
  }
  const int fd = ::open(argv[i], O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "floor: cannot open %s: %s\n", argv[i], std::strerror(errno));
    return 2;
  }
  Tally t;
  const int status = use_mmap ? mmap_floor(fd, t) : read_floor(fd, block, t);
  ::close(fd);
  if (status != 0) return status;
  std::printf("rows %lld, comments %lld, numbers %lld, bad %lld, sum %.6e\n",
              static_cast<long long>(t.rows), static_cast<long long>(t.comments),
              static_cast<long long>(t.numbers), static_cast<long long>(t.bad), t.sum);
  return 0;
}
