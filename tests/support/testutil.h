// Helpers shared by the tests: temporary directories, whole files, and runs
// of kivo, either as the real binary or in-process; and the file-system
// objects that the tests make, on POSIX systems and on Windows alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kivo::test {

// A fresh directory under the system's directory of temporary files,
// removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);
// Creates a directory; false when it cannot.
bool make_dir(const std::string& path);
// Makes `link` another name of the file `existing`.
bool make_hard_link(const std::string& existing, const std::string& link);
// Makes `link` a symbolic link to `target`. False where the system does not
// let the tests make one (Windows without the privilege, Wine): a test of
// symbolic links then skips those cases.
bool make_symlink(const std::string& target, const std::string& link);
// Sets a variable of this process's environment, or removes it (null).
void set_env(const std::string& name, const char* value);
// Whether the handle of the system layer is open.
bool handle_is_open(int handle);

// Names of devices that open for reading but never end or cannot be rewound:
// /dev/zero, /dev/null, /dev/urandom; NUL on Windows.
std::vector<std::string> device_names();
// A device that accepts the open for writing and refuses every write:
// "/dev/full", or "" where there is none (Windows).
std::string full_device();

// A pipe that has a name in the file system, open at its other end for as
// long as the object lives: a FIFO in `dir`, or a named pipe on Windows.
class NamedPipe {
 public:
  explicit NamedPipe(const TempDir& dir);
  ~NamedPipe();
  NamedPipe(const NamedPipe&) = delete;
  NamedPipe& operator=(const NamedPipe&) = delete;
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  void* server_ = nullptr;
};

// A console for the code that writes to a FILE*: what was written, with each
// line end made "\n" (on Windows every line must end in "\r\n", else the
// test fails).
class Console {
 public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  std::FILE* file() const { return f_; }
  // Everything written so far.
  std::string text();

 private:
  std::FILE* f_ = nullptr;
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::unique_ptr<TempDir> dir_;
};

// Console text of the system as the tests write it: lines ended by "\n".
std::string from_console(const std::string& text);

struct RunResult {
  std::string console;  // everything kivo wrote to standard output
  int status = -1;      // exit status
  std::string errors;   // what it wrote to standard error (runs in-process only)
};

// Runs the kivo binary with `dir` as its working directory.
RunResult run_binary(const std::string& dir, const std::string& args = "");
// The exit status of the kivo binary run with arguments `args` whose
// standard output refuses every write.
int run_binary_with_failing_output(const std::string& dir, const std::string& args);

struct Measured {
  std::string console;
  int status = -1;
  long peak_kib = 0;  // the child's peak resident memory
  double seconds = 0;
};
// Runs the kivo binary in dir as a child of its own and measures it. Under
// the address sanitizer an allocation that cannot be made returns null as it
// does without it, rather than abort; and a huge one is refused outright,
// since the sanitizer would spend minutes mapping shadow memory for arrays
// that the run never touches. A positive `address_space` limits the child's
// address space to that many bytes, where the system can (not on Windows, and
// not under the address sanitizer, whose shadow memory needs more).
Measured run_binary_measured(const std::string& dir, std::uint64_t address_space = 0);

// Runs a conversion in-process with `dir` as the working directory (in the
// testrun library).
RunResult run_in_process(const std::string& dir);

// The console text of a run: the banner, then the given lines, each with "\n".
std::string lines(std::initializer_list<std::string> ls);

}  // namespace kivo::test
