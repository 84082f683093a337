// A whole conversion in-process. The input is split at its first 0xFF byte:
// the bytes before it become the body of "kivo.in" (everything after the two
// file names: the number of columns, the column lines, the averaging line),
// the bytes after it the data file. The first byte chooses the two file names
// of the head, so that runs also meet an output file that is an input, or
// lies in a missing directory; the names are fixed, so a run can never touch
// a file outside its own temporary directory.
//
// Every run must end either in "Done." with status 0 and a complete
// observations file whose count line counts its blocks, or in exactly one
// "Stop: <message>." line with status 1; standard error holds notes only,
// and after a stop at most one line more, the last, that says where;
// a run that stops leaves no file behind (no observations file, no unfinished
// one under another name), and the inputs are never changed. Each input runs
// twice, with the reading pass on one thread (KIVO_THREADS=1) and on two
// (KIVO_THREADS=2, with small chunks of conversion): standard output, standard error, the exit
// status and the observations file must be the same, byte for byte.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <string_view>

#include "driver/run.h"
#include "textio/reader.h"

namespace {

constexpr std::string_view kBanner = "Converting to QUINSA observations format.\n";

struct Head {
  const char* text;      // items 1 and 2 of "kivo.in"
  const char* output;    // the output file name as kivo uses it
  bool output_is_input;  // the output name names "kivo.in" or the data file
};

// Most runs use the plain head; the others stress the checks on the output.
constexpr Head kHeads[] = {
    {"data.txt\nout.txt\n", "out.txt", false},
    {"data.txt ! data file\n'out.txt' , output\n", "out.txt", false},
    {"\"  data.txt  \"\n  out.txt\n", "out.txt", false},
    {"data.txt\nout.txt\n", "out.txt", false},
    {"data.txt\nkivo.in\n", "kivo.in", true},
    {"data.txt\ndata.txt\n", "data.txt", true},
    // Quoted: unquoted, the slash would end the name at "sub".
    {"data.txt\n'sub/out.txt'\n", "sub/out.txt", false},
    {"data.txt\nout.txt\n", "out.txt", false},
};

[[noreturn]] void fail(const char* what, const std::string& console) {
  std::fprintf(stderr, "fuzz_run: %s\n--- console ---\n%s--- end ---\n", what, console.c_str());
  std::abort();
}

void write_all(const char* name, const std::string& bytes) {
  std::FILE* f = std::fopen(name, "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  if (std::fclose(f) != 0) std::abort();
}

bool read_all(const char* name, std::string& out) {
  std::FILE* f = std::fopen(name, "rb");
  if (!f) return false;
  out.clear();
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return true;
}

// The number of columns the body gives, as kivo will read it (0 when it
// gives none), and an upper bound of the number of soundings.
std::int64_t columns_of(const char* params_name) {
  kivo::ReadFile f;
  if (kivo::open_read(f, params_name) != 0) return 0;
  char name[99];
  std::int32_t n = 0;
  kivo::Item item = kivo::char_item(name, sizeof name);
  if (kivo::read_list(f, {&item, 1}) == 0 && kivo::read_list(f, {&item, 1}) == 0) {
    item = kivo::int_item(n);
    if (kivo::read_list(f, {&item, 1}) != 0) n = 0;
  }
  kivo::close_read(f);
  return n;
}

std::int64_t lines_of(std::string_view data) {
  std::int64_t n = 1;
  for (char c : data) n += c == '\n' || c == '\r';
  return n;
}

std::set<int> open_fds() {
  std::set<int> fds;
  DIR* d = opendir("/proc/self/fd");
  if (!d) return fds;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] >= '0' && e->d_name[0] <= '9') fds.insert(std::atoi(e->d_name));
  }
  fds.erase(dirfd(d));
  closedir(d);
  return fds;
}

// Checks the console of a finished run against the promise.
void check_console(const std::string& c, int status) {
  if (c.substr(0, kBanner.size()) != kBanner) fail("console does not start with the banner", c);
  if (c.back() != '\n') fail("console does not end with a line end", c);
  std::size_t stops = 0, dones = 0;
  std::string_view last;
  for (std::size_t pos = 0; pos < c.size();) {
    std::size_t nl = c.find('\n', pos);
    std::string_view line(c.data() + pos, nl - pos);
    if (line.substr(0, 6) == "Stop: ") ++stops;
    if (line == "Done.") ++dones;
    last = line;
    pos = nl + 1;
  }
  if (status == 0) {
    if (last != "Done." || dones != 1 || stops != 0) fail("status 0 without a clean Done.", c);
  } else if (status == 1) {
    if (stops != 1 || dones != 0 || last.substr(0, 6) != "Stop: " || last.back() != '.')
      fail("status 1 without exactly one final Stop line", c);
  } else {
    fail("exit status neither 0 nor 1", c);
  }
}

// Every name in the working directory but "." and "..".
std::set<std::string> listing() {
  std::set<std::string> names;
  DIR* d = opendir(".");
  if (!d) std::abort();
  while (dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  closedir(d);
  return names;
}

void check_output(const Head& head, const std::string& console, int status,
                  const std::string& params, const std::string& data) {
  // A stopped run leaves nothing new behind: no output file, no unfinished
  // one under another name. A finished one leaves its output only.
  std::set<std::string> expected = {"kivo.in", "data.txt"};
  if (status == 0 && !head.output_is_input && std::strchr(head.output, '/') == nullptr) {
    expected.insert(head.output);
  }
  if (listing() != expected) fail("a run left a file behind", console);
  std::string now;
  if (!read_all("kivo.in", now) || now != params) fail("kivo.in was changed", console);
  if (!read_all("data.txt", now) || now != data) fail("the data file was changed", console);
  if (head.output_is_input) {
    if (status == 0) fail("a run wrote over one of its inputs", console);
    return;
  }
  std::string out;
  bool exists = read_all(head.output, out);
  if (status == 0) {
    if (!exists) fail("Done. without an output file", console);
    if (out.size() < 7 || out.compare(out.size() - 2, 2, "\r\n") != 0)
      fail("the output file does not end in a complete record", console);
    if (out.find('\n') != 6 || out[5] != '\r') fail("the count line is not 5 characters", console);
    // Position lines are the only records of 39 characters.
    long blocks = 0;
    for (std::size_t pos = 7; pos < out.size();) {
      const std::size_t end = out.find("\r\n", pos);
      if (end == std::string::npos) break;
      blocks += end - pos == 39;
      pos = end + 2;
    }
    if (std::strtol(out.substr(0, 5).c_str(), nullptr, 10) != blocks)
      fail("the count line does not count the blocks", console);
  }
}

// Standard error: lines "<file>:...: ...", notes but for one last line after
// a stop.
void check_errors(const std::string& e, int status, const std::string& console) {
  std::size_t others = 0;
  bool last_other = false;
  for (std::size_t pos = 0; pos < e.size();) {
    const std::size_t nl = e.find('\n', pos);
    if (nl == std::string::npos) fail("standard error does not end with a line end", console + e);
    const std::string_view line(e.data() + pos, nl - pos);
    if (line.substr(0, 8) != "kivo.in:" && line.substr(0, 9) != "data.txt:")
      fail("a line on standard error names no input file", console + e);
    last_other = line.find(": note: ") == std::string_view::npos;
    others += last_other;
    pos = nl + 1;
  }
  if (others > (status == 0 ? 0u : 1u) || (others == 1 && !last_other))
    fail("standard error holds more than the notes and one line of where", console + e);
}

struct Outcome {
  std::string console;
  std::string errors;
  int status = -1;
  bool has_output = false;
  std::string output;
};

// One run in the current directory with KIVO_THREADS set to `threads`.
Outcome run_once(const char* threads, const Head& head) {
  ::setenv("KIVO_THREADS", threads, 1);
  std::set<int> before = open_fds();
  char* text = nullptr;
  std::size_t len = 0;
  std::FILE* console = ::open_memstream(&text, &len);
  char* etext = nullptr;
  std::size_t elen = 0;
  std::FILE* errors = ::open_memstream(&etext, &elen);
  int status;
  {
    kivo::RunState st;
    st.console = console;
    st.errors = errors;
    status = kivo::run(st);
    // The process would end here; an in-process run must release its inputs.
    if (st.params_file.fd >= 0) kivo::close_read(st.params_file);
    if (st.data_file.fd >= 0) kivo::close_read(st.data_file);
  }
  std::fclose(console);
  Outcome o;
  o.console.assign(text, len);
  std::free(text);
  std::fclose(errors);
  o.errors.assign(etext, elen);
  std::free(etext);
  o.status = status;
  o.has_output = read_all(head.output, o.output);

  // Descriptors a stopped run leaves open are the process's business in the
  // real program; here they would pile up, so they are closed (and reported
  // once, as they are worth knowing about).
  static bool leak_reported = false;
  for (int fd : open_fds()) {
    if (before.count(fd)) continue;
    if (!leak_reported) {
      std::fprintf(stderr, "fuzz_run: note: a run left descriptor %d open; console:\n%s", fd,
                   o.console.c_str());
      leak_reported = true;
    }
    ::close(fd);
  }

  return o;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char templ[] = "/tmp/kivo-fuzz-run-XXXXXX";
  if (!mkdtemp(templ) || chdir(templ) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Head& head = kHeads[data[0] % (sizeof kHeads / sizeof kHeads[0])];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t cut = rest.find('\xff');
  std::string params = std::string(head.text) + std::string(rest.substr(0, cut));
  std::string datafile = cut == std::string_view::npos ? "" : std::string(rest.substr(cut + 1));

  write_all("kivo.in", params);
  write_all("data.txt", datafile);
  ::unlink("out.txt");

  // Arrays of gigabytes are the business of the end-to-end tests: the
  // sanitizer's bookkeeping for them would exceed the memory limit here.
  std::int64_t ncols = columns_of("kivo.in");
  if (ncols > (1 << 16) || ncols * lines_of(datafile) > (1 << 22)) return -1;

  // Once on one thread, then on two, with chunks of conversion of 1 to 37
  // bytes so that chunks end everywhere in a small file: the same run, byte
  // for byte. The checks below are made on the second.
  const Outcome one = run_once("1", head);
  ::unlink("out.txt");
  const std::string chunk = std::to_string(1 + datafile.size() % 37);
  ::setenv("KIVO_CHUNK_BYTES", chunk.c_str(), 1);
  const Outcome two = run_once("2", head);
  ::unsetenv("KIVO_CHUNK_BYTES");
  if (two.status != one.status || two.console != one.console || two.errors != one.errors ||
      two.has_output != one.has_output || two.output != one.output) {
    fail("one thread and two give different runs",
         one.console + "--- two threads ---\n" + two.console + one.errors + two.errors);
  }
  const std::string& c = two.console;
  const std::string& e = two.errors;
  const int status = two.status;

  check_console(c, status);
  check_output(head, c, status, params, datafile);
  check_errors(e, status, c);
  return 0;
}
