// The operating-system layer on Windows. File names are bytes, as kivo reads
// them from "kivo.in": they go to the "A" functions of the system, which take
// them in the active code page (UTF-8, by the program's manifest, on Windows
// 10 version 1903 and later). Handles are C runtime descriptors in binary
// mode, so that every byte is read and written as it is.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "os/os.h"
#include "os/os_side.h"

namespace kivo::os {

namespace {

// A name holding a NUL byte cannot name a file: the system would see only
// the part before it.
bool usable(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos;
}

// Every other opener may read, write or delete the file meanwhile, as on
// POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens what a name names (following symbolic links) to ask about it:
// directories too, which need FILE_FLAG_BACKUP_SEMANTICS.
HANDLE open_query(const std::string& name, DWORD access) {
  if (!usable(name)) return INVALID_HANDLE_VALUE;
  return ::CreateFileA(name.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Whether an open handle is a regular file: a file on a disk, not a
// directory. Devices (NUL, CON, COM1), pipes and consoles are not.
bool is_regular(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) {
  BY_HANDLE_FILE_INFORMATION own;
  if (!info) info = &own;
  return ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, info) &&
         (info->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A descriptor of the C runtime that owns the handle; kNoHandle (and the
// handle closed) when none can be had.
Handle adopt(HANDLE h, int flags) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) ::CloseHandle(h);
  return fd < 0 ? kNoHandle : fd;
}

// The largest count one _read or _write call takes.
constexpr std::size_t kMaxChunk = std::size_t{1} << 30;

}  // namespace

OpenStatus open_read(const std::string& name, Handle& h) {
  h = kNoHandle;
  const HANDLE file = open_query(name, GENERIC_READ);
  if (file == INVALID_HANDLE_VALUE) return OpenStatus::cannot_open;
  if (!is_regular(file, nullptr)) {
    ::CloseHandle(file);
    return OpenStatus::not_a_file;
  }
  h = adopt(file, _O_RDONLY);
  return h == kNoHandle ? OpenStatus::cannot_open : OpenStatus::ok;
}

std::int64_t read(Handle h, char* buf, std::size_t n) {
  const int got = ::_read(h, buf, static_cast<unsigned>(n < kMaxChunk ? n : kMaxChunk));
  return got < 0 ? -1 : static_cast<std::int64_t>(got);
}

bool seek(Handle h, std::int64_t offset) {
  return ::_lseeki64(h, offset, SEEK_SET) >= 0;
}

bool size(Handle h, std::int64_t& bytes) {
  const __int64 n = ::_filelengthi64(h);
  if (n < 0) return false;
  bytes = n;
  return true;
}

bool close(Handle h) {
  if (h == kNoHandle) return true;
  return ::_close(h) == 0;
}

bool create(const std::string& name, Handle& h) {
  h = kNoHandle;
  if (!usable(name)) return false;
  // Truncating the file that is there keeps its attributes and its links,
  // as O_TRUNC does; CREATE_ALWAYS would reset the attributes.
  const HANDLE file = ::CreateFileA(name.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (::GetFileType(file) == FILE_TYPE_DISK && !::SetEndOfFile(file)) {
    ::CloseHandle(file);
    return false;
  }
  h = adopt(file, _O_WRONLY);
  return h != kNoHandle;
}

bool write_all(Handle h, const char* buf, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    const std::size_t chunk = n - done < kMaxChunk ? n - done : kMaxChunk;
    const int got = ::_write(h, buf + done, static_cast<unsigned>(chunk));
    if (got <= 0) return false;  // an error, or a write that took nothing
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool name_taken(const std::string& name) {
  // The attributes are those of a link itself, not of its target.
  return usable(name) && ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool exists(const std::string& name) {
  if (!usable(name)) return false;
  if (::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // Devices such as NUL have no attributes, but can be opened.
  const HANDLE h = open_query(name, FILE_READ_ATTRIBUTES);
  if (h == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(h);
  return true;
}

bool list_directory(const std::string& dir, std::vector<std::string>& names) {
  names.clear();
  if (dir.find('\0') != std::string::npos) return false;
  const std::string pattern = (dir.empty() ? std::string(".") : dir) + "\\*";
  WIN32_FIND_DATAA found;
  const HANDLE h = ::FindFirstFileA(pattern.c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(h, &found));
  ::FindClose(h);
  return true;
}

// Windows has no inode numbers (the C library's st_ino is always 0): a file
// is known by the serial number of its volume and its index on the volume.
bool same_file(const std::string& a, const std::string& b) {
  const HANDLE ha = open_query(a, FILE_READ_ATTRIBUTES);
  if (ha == INVALID_HANDLE_VALUE) return false;
  const HANDLE hb = open_query(b, FILE_READ_ATTRIBUTES);
  BY_HANDLE_FILE_INFORMATION ia;
  BY_HANDLE_FILE_INFORMATION ib;
  const bool same = hb != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(ha, &ia) &&
                    ::GetFileInformationByHandle(hb, &ib) &&
                    ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
                    ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  ::CloseHandle(ha);
  if (hb != INVALID_HANDLE_VALUE) ::CloseHandle(hb);
  return same;
}

// --- Interrupts ------------------------------------------------------------
//
// Ctrl-C, Ctrl-Break and closing the console call the handler on a thread of
// its own, while the run goes on writing. The names to remove live in the
// list of os_armed.h, which the handler reads without allocating; a new file is
// opened with delete sharing, so it can be deleted while it is open (the
// name goes when the process ends and its handle is closed).

namespace {

bool installed = false;

BOOL WINAPI on_interrupt(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      detail::remove_armed([](const char* name) { ::DeleteFileA(name); });
      break;
    default:
      break;
  }
  // Not handled: the system's own handler ends the process as the event
  // would have ended it without this one (exit status 0xC000013A).
  return FALSE;
}

void install_handler() {
  if (!installed) installed = ::SetConsoleCtrlHandler(on_interrupt, TRUE) != 0;
}

void restore_handler() {
  if (installed) ::SetConsoleCtrlHandler(on_interrupt, FALSE);
  installed = false;
}

}  // namespace

bool create_replacement(const std::string& name, Replacement& r) {
  r = Replacement{};
  if (!usable(name)) return false;
  r.target = name;
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const HANDLE h = open_query(name, FILE_READ_ATTRIBUTES);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = is_regular(h, nullptr);
    if (ok && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      // The file a symbolic link names is replaced; the link stays a link.
      char final[MAX_PATH * 4];
      const DWORD n = ::GetFinalPathNameByHandleA(h, final, sizeof final, FILE_NAME_NORMALIZED);
      ok = n > 0 && n < sizeof final;
      if (ok) r.target.assign(final, n);
    }
    ::CloseHandle(h);
    // A read-only file is not replaced, as it could not be written in place
    // either: the rename over it would be refused.
    if (!ok || (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
      r.target.clear();
      return false;
    }
  }

  const std::size_t sep = r.target.find_last_of("/\\:");
  const std::string dir = sep == std::string::npos ? std::string() : r.target.substr(0, sep + 1);
  const std::string base = sep == std::string::npos ? r.target : r.target.substr(sep + 1);
  // A name of the run's own beside the target: process id, a clock reading
  // and a try number make it new; CREATE_NEW makes sure of it. The handle
  // lets others delete the file while it is open: the interrupt handler
  // removes it from another thread without closing it first.
  // The interrupt handler knows the name before the file exists, so that no
  // interrupt can leave it.
  install_handler();
  const auto stamp = static_cast<unsigned long>(::GetTickCount());
  for (int attempt = 0; attempt < 100; ++attempt) {
    r.temp = dir + "." + base + ".kivo-" + std::to_string(::GetCurrentProcessId()) + "-" +
             std::to_string(stamp) + "-" + std::to_string(attempt);
    if (!detail::arm_name(r.temp)) break;
    const HANDLE file =
        ::CreateFileA(r.temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      r.handle = adopt(file, _O_WRONLY);
      if (r.handle == kNoHandle) {
        ::DeleteFileA(r.temp.c_str());
        break;
      }
      return true;
    }
    if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
    detail::disarm_name(r.temp);
  }
  detail::release(r);
  return false;
}

bool reopen_replacement(Replacement& r) {
  if (r.temp.empty() || r.handle != kNoHandle) return false;
  const HANDLE file =
      ::CreateFileA(r.temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER zero{};
  if (!::SetFilePointerEx(file, zero, nullptr, FILE_END)) {
    ::CloseHandle(file);
    return false;
  }
  r.handle = adopt(file, _O_WRONLY);
  return r.handle != kNoHandle;
}

void binary_stdout() {
  std::fflush(stdout);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
}

std::string_view console_line_end() {
  return "\r\n";
}

namespace detail {

bool move_over(const std::string& from, const std::string& to) {
  // The handle was closed first (a file open without delete sharing cannot
  // be renamed); the move replaces the target in one step.
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool move_new(const std::string& from, const std::string& to, bool& taken) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails where a file is.
  if (::MoveFileExA(from.c_str(), to.c_str(), 0)) return true;
  const DWORD e = ::GetLastError();
  taken = e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS;
  return false;
}

void remove_file(const std::string& name) {
  ::DeleteFileA(name.c_str());
}

void restore_interrupts() {
  restore_handler();
}

}  // namespace detail

}  // namespace kivo::os
