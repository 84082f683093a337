// Helpers shared by the tests: temporary directories, whole files, and runs
// of kivo, either as the real binary or in-process.
#pragma once

#include <string>

namespace kivo::test {

// A fresh directory under $TMPDIR (or /tmp), removed with its contents.
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

struct RunResult {
  std::string console;  // everything kivo wrote to standard output
  int status = -1;      // exit status
};

// Runs the kivo binary with `dir` as its working directory.
RunResult run_binary(const std::string& dir, const std::string& args = "");
// Runs a conversion in-process with `dir` as the working directory (in the
// testrun library).
RunResult run_in_process(const std::string& dir);

// The console text of a run: the banner, then the given lines, each with "\n".
std::string lines(std::initializer_list<std::string> ls);

}  // namespace kivo::test
