// The operating-system layer on Linux and other POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "os/os.h"
#include "os/os_side.h"

namespace kivo::os {

namespace {

// A name holding a NUL byte cannot name a file: the system would see only
// the part before it.
bool usable(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos;
}

}  // namespace

OpenStatus open_read(const std::string& name, Handle& h) {
  h = kNoHandle;
  if (!usable(name)) return OpenStatus::cannot_open;
  // Not blocking on open: a named pipe without a writer must not hang the run.
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return OpenStatus::cannot_open;
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return OpenStatus::cannot_open;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return OpenStatus::not_a_file;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    ::close(fd);
    return OpenStatus::cannot_open;
  }
  h = fd;
  return OpenStatus::ok;
}

std::int64_t read(Handle h, char* buf, std::size_t n) {
  for (;;) {
    const ssize_t got = ::read(h, buf, n);
    if (got < 0 && errno == EINTR) continue;
    return got < 0 ? -1 : static_cast<std::int64_t>(got);
  }
}

bool seek(Handle h, std::int64_t offset) {
  return ::lseek(h, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool size(Handle h, std::int64_t& bytes) {
  struct stat st {};
  if (::fstat(h, &st) != 0) return false;
  bytes = static_cast<std::int64_t>(st.st_size);
  return true;
}

bool close(Handle h) {
  if (h == kNoHandle) return true;
  // After EINTR the descriptor is gone on Linux; nothing was lost.
  return ::close(h) == 0 || errno == EINTR;
}

bool create(const std::string& name, Handle& h) {
  h = kNoHandle;
  if (!usable(name)) return false;
  int fd;
  do {
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  h = fd;
  return true;
}

bool write_all(Handle h, const char* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const ssize_t got = ::write(h, buf + done, n - done);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      return false;  // an error, or a write that took nothing
    }
  }
  return true;
}

bool exists(const std::string& name) {
  struct stat st;
  return usable(name) && ::stat(name.c_str(), &st) == 0;
}

bool name_taken(const std::string& name) {
  struct stat st;
  return usable(name) && ::lstat(name.c_str(), &st) == 0;
}

bool list_directory(const std::string& dir, std::vector<std::string>& names) {
  names.clear();
  if (dir.find('\0') != std::string::npos) return false;
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(d);
  return true;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa;
  struct stat sb;
  return usable(a) && usable(b) && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void binary_stdout() {}

std::string_view console_line_end() {
  return "\n";
}

// --- Interrupts ------------------------------------------------------------
//
// A signal handler can only reach state of the process itself, so the names
// to remove live in the list of os_armed.h, which the handler reads without
// allocating.

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction saved[3];
bool installed[3] = {false, false, false};

extern "C" void on_interrupt(int sig) {
  detail::remove_armed([](const char* name) { ::unlink(name); });
  // End as the signal would have ended the process without the handler.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void install_handlers() {
  for (int i = 0; i < 3; ++i) {
    if (installed[i]) continue;
    struct sigaction old;
    if (::sigaction(kSignals[i], nullptr, &old) != 0) continue;
    // A signal the caller ignores (nohup, a background job) stays ignored.
    if (old.sa_handler == SIG_IGN) continue;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) sigaddset(&sa.sa_mask, s);
    if (::sigaction(kSignals[i], &sa, &saved[i]) == 0) installed[i] = true;
  }
}

void restore_handlers() {
  for (int i = 0; i < 3; ++i) {
    if (installed[i]) ::sigaction(kSignals[i], &saved[i], nullptr);
    installed[i] = false;
  }
}

}  // namespace

bool create_replacement(const std::string& name, Replacement& r) {
  r = Replacement{};
  if (!usable(name)) return false;
  struct stat link;
  if (::lstat(name.c_str(), &link) != 0) {
    if (errno != ENOENT) return false;
    r.target = name;  // a new name
  } else if (S_ISLNK(link.st_mode)) {
    // The file a symbolic link names is replaced; the link stays a link. A
    // link to nothing is left to be written through in place.
    char* resolved = ::realpath(name.c_str(), nullptr);
    if (!resolved) return false;
    r.target = resolved;
    std::free(resolved);
  } else {
    r.target = name;
  }
  // The system's own names (/dev/stdout, /proc/self/fd/1) stand for open
  // files of the process: they are written in place even when they lead to a
  // regular file, which a rename would take away from the process.
  for (const std::string& n : {name, r.target}) {
    if (n.rfind("/dev/", 0) == 0 || n.rfind("/proc/", 0) == 0) return false;
  }
  struct stat old;
  const bool existing = ::stat(r.target.c_str(), &old) == 0;
  if (existing && !S_ISREG(old.st_mode)) return false;
  // A file that may not be written keeps its refusal: it is opened in place,
  // which fails as it always has.
  if (existing && ::access(r.target.c_str(), W_OK) != 0) return false;

  const std::size_t slash = r.target.rfind('/');
  const std::string dir =
      slash == std::string::npos ? std::string() : r.target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? r.target : r.target.substr(slash + 1);
  // A hidden name of the run's own: process id, a clock reading and a try
  // number make it new; O_EXCL makes sure of it. The interrupt handler knows
  // the name before the file exists, so that no interrupt can leave it.
  install_handlers();
  const auto stamp = static_cast<unsigned long>(std::time(nullptr));
  for (int attempt = 0; attempt < 100; ++attempt) {
    r.temp = dir + "." + base + ".kivo-" + std::to_string(::getpid()) + "-" +
             std::to_string(stamp) + "-" + std::to_string(attempt);
    if (!detail::arm_name(r.temp)) break;
    int fd;
    do {
      fd = ::open(r.temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      // The replaced file's permission bits are kept; a new file gets what
      // the umask leaves of 0666, as a file created under its name would.
      if (existing) (void)::fchmod(fd, old.st_mode & 07777);
      r.handle = fd;
      return true;
    }
    if (errno != EEXIST) break;
    detail::disarm_name(r.temp);
  }
  detail::release(r);
  return false;
}

bool reopen_replacement(Replacement& r) {
  if (r.temp.empty() || r.handle != kNoHandle) return false;
  int fd;
  do {
    fd = ::open(r.temp.c_str(), O_WRONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  if (::lseek(fd, 0, SEEK_END) < 0) {
    ::close(fd);
    return false;
  }
  r.handle = fd;
  return true;
}

namespace detail {

bool move_over(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool move_new(const std::string& from, const std::string& to, bool& taken) {
  // A hard link under the target's name is made only where no name is.
  if (::link(from.c_str(), to.c_str()) != 0) {
    taken = errno == EEXIST;
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

void remove_file(const std::string& name) {
  ::unlink(name.c_str());
}

void restore_interrupts() {
  restore_handlers();
}

}  // namespace detail

}  // namespace kivo::os
