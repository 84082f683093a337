// The test helpers that call the system, on Linux and other POSIX systems.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "tests/support/testutil.h"

namespace kivo::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/kivo-test-XXXXXX";
  if (!mkdtemp(templ.data())) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool make_hard_link(const std::string& existing, const std::string& link) {
  return ::link(existing.c_str(), link.c_str()) == 0;
}

bool make_symlink(const std::string& target, const std::string& link) {
  return ::symlink(target.c_str(), link.c_str()) == 0;
}

void set_env(const std::string& name, const char* value) {
  if (value) {
    ::setenv(name.c_str(), value, 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

bool handle_is_open(int handle) {
  return ::fcntl(handle, F_GETFD) != -1;
}

std::vector<std::string> device_names() {
  return {"/dev/zero", "/dev/null", "/dev/urandom"};
}

std::string full_device() {
  return ::access("/dev/full", W_OK) == 0 ? "/dev/full" : "";
}

NamedPipe::NamedPipe(const TempDir& dir) : name_(dir.file("fifo")) {
  if (::mkfifo(name_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
}

NamedPipe::~NamedPipe() = default;

Console::Console() : f_(::open_memstream(&data_, &size_)) {
  if (!f_) throw std::runtime_error("open_memstream failed");
}

Console::~Console() {
  std::fclose(f_);
  std::free(data_);
}

std::string Console::text() {
  std::fflush(f_);
  return std::string(data_, size_);
}

std::string from_console(const std::string& text) {
  return text;
}

RunResult run_binary(const std::string& dir, const std::string& args) {
  std::string cmd = "cd '" + dir + "' && '" KIVO_BINARY "' " + args;
  RunResult r;
  std::FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.console.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

int run_binary_with_failing_output(const std::string& dir, const std::string& args) {
  return run_binary(dir, args + " >/dev/full").status;
}

Measured run_binary_measured(const std::string& dir, std::uint64_t address_space) {
  const char* old = std::getenv("ASAN_OPTIONS");
  std::string asan = std::string("ASAN_OPTIONS=") + (old ? old : "") +
                     ":allocator_may_return_null=1:max_allocation_size_mb=4096";
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    ::putenv(asan.data());
#if defined(__SANITIZE_ADDRESS__)
    address_space = 0;
#endif
    if (address_space > 0) {
      const struct rlimit limit = {static_cast<rlim_t>(address_space),
                                   static_cast<rlim_t>(address_space)};
      if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(125);
    }
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::execl(KIVO_BINARY, KIVO_BINARY, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  Measured m;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(out[0], buf, sizeof buf)) > 0) m.console.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int st = 0;
  struct rusage ru {};
  ::wait4(pid, &st, 0, &ru);
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  m.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  m.peak_kib = ru.ru_maxrss;
  return m;
}

}  // namespace kivo::test
