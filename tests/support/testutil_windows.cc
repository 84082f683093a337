// The test helpers that call the system, on Windows (and under Wine). The
// test programs carry kivo's manifest, so that names reach the system as
// UTF-8 here as they do in kivo.exe.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs:
#include <psapi.h>

#include <gtest/gtest.h>
#include <io.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "tests/support/testutil.h"

namespace kivo::test {

namespace {

std::atomic<unsigned> counter{0};

// A name of this process's own: the process id and a running number.
std::string unique_suffix() {
  return std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(counter++) + "-" +
         std::to_string(::GetTickCount());
}

struct Child {
  std::string console;
  HANDLE process = nullptr;
  double seconds = 0;
};

// Starts the kivo binary in `dir` with its standard output going to `out`
// (inherited) and waits for its end.
HANDLE start(const std::string& dir, const std::string& args, HANDLE out) {
  std::string cmd = "\"" KIVO_BINARY "\"";
  if (!args.empty()) cmd += " " + args;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION pi{};
  // Under Wine a start now and then fails for no reason of the test's; a
  // few more tries, a moment apart, tell that from a real failure.
  DWORD error = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    if (::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &si,
                         &pi)) {
      error = 0;
      break;
    }
    error = ::GetLastError();
    ::Sleep(100);
  }
  if (error != 0) {
    throw std::runtime_error("cannot start " + cmd + " (error " + std::to_string(error) + ")");
  }
  ::CloseHandle(pi.hThread);
  return pi.hProcess;
}

// Runs the kivo binary in `dir` and collects its standard output; the
// process handle is left open for the caller to ask about.
Child run_child(const std::string& dir, const std::string& args) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read_end;
  HANDLE write_end;
  if (!::CreatePipe(&read_end, &write_end, &sa, 0)) throw std::runtime_error("CreatePipe failed");
  ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  const auto t0 = std::chrono::steady_clock::now();
  Child c;
  try {
    c.process = start(dir, args, write_end);
  } catch (...) {
    ::CloseHandle(read_end);
    ::CloseHandle(write_end);
    throw;
  }
  ::CloseHandle(write_end);
  char buf[65536];
  DWORD n;
  while (::ReadFile(read_end, buf, sizeof buf, &n, nullptr) && n > 0) c.console.append(buf, n);
  ::CloseHandle(read_end);
  ::WaitForSingleObject(c.process, INFINITE);
  c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  return c;
}

int exit_status(HANDLE process) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(process, &code)) return -1;
  return static_cast<int>(code);
}

}  // namespace

TempDir::TempDir() {
  const std::string base = std::filesystem::temp_directory_path().string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = base + "\\kivo-test-" + unique_suffix();
    if (::CreateDirectoryA(path.c_str(), nullptr)) {
      path_ = path;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary directory in " + base);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

bool file_exists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool make_hard_link(const std::string& existing, const std::string& link) {
  return ::CreateHardLinkA(link.c_str(), existing.c_str(), nullptr) != 0;
}

bool make_symlink(const std::string& target, const std::string& link) {
  // Wine reports success without making the link: it must be there after.
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  if (!::CreateSymbolicLinkA(link.c_str(), target.c_str(), kUnprivileged)) return false;
  const DWORD attributes = ::GetFileAttributesA(link.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void set_env(const std::string& name, const char* value) {
  ::_putenv_s(name.c_str(), value ? value : "");  // an empty value removes it
}

bool handle_is_open(int handle) {
  return ::_get_osfhandle(handle) != -1;
}

std::vector<std::string> device_names() {
  return {"NUL", "nul"};
}

std::string full_device() {
  return "";
}

NamedPipe::NamedPipe(const TempDir&) : name_("\\\\.\\pipe\\kivo-test-" + unique_suffix()) {
  const HANDLE h = ::CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096,
                                      4096, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("CreateNamedPipe failed");
  server_ = h;
}

NamedPipe::~NamedPipe() {
  ::CloseHandle(static_cast<HANDLE>(server_));
}

// The console is a file in a directory of its own, read back whole.
Console::Console() : dir_(std::make_unique<TempDir>()) {
  f_ = std::fopen(dir_->file("console").c_str(), "w+b");
  if (!f_) throw std::runtime_error("cannot make a console file");
}

Console::~Console() {
  std::fclose(f_);
}

std::string Console::text() {
  std::fflush(f_);
  return from_console(read_file(dir_->file("console")));
}

std::string from_console(const std::string& text) {
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
      ADD_FAILURE() << "a console line ends in LF without CR:\n" << text;
    }
    s += text[i];
  }
  return s;
}

RunResult run_binary(const std::string& dir, const std::string& args) {
  Child c = run_child(dir, args);
  RunResult r;
  r.console = from_console(c.console);
  r.status = exit_status(c.process);
  ::CloseHandle(c.process);
  return r;
}

// Windows has no device that refuses writes; a pipe whose reading end is
// closed does: every write to it fails (there is no signal for it).
int run_binary_with_failing_output(const std::string& dir, const std::string& args) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read_end;
  HANDLE write_end;
  if (!::CreatePipe(&read_end, &write_end, &sa, 0)) throw std::runtime_error("CreatePipe failed");
  ::CloseHandle(read_end);
  const HANDLE process = start(dir, args, write_end);
  ::CloseHandle(write_end);
  ::WaitForSingleObject(process, INFINITE);
  const int status = exit_status(process);
  ::CloseHandle(process);
  return status;
}

Measured run_binary_measured(const std::string& dir, std::uint64_t) {
  Child c = run_child(dir, "");
  Measured m;
  m.console = from_console(c.console);
  m.status = exit_status(c.process);
  m.seconds = c.seconds;
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof pmc;
  if (::K32GetProcessMemoryInfo(c.process, &pmc, sizeof pmc)) {
    m.peak_kib = static_cast<long>(pmc.PeakWorkingSetSize / 1024);
  }
  ::CloseHandle(c.process);
  return m;
}

}  // namespace kivo::test
