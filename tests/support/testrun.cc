#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "driver/run.h"
#include "tests/support/testutil.h"

namespace kivo::test {

RunResult run_in_process(const std::string& dir) {
  std::string old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* console = ::open_memstream(&text, &size);
  RunResult r;
  {
    RunState st;
    st.console = console;
    r.status = run(st);
  }
  std::fclose(console);
  r.console.assign(text, size);
  std::free(text);
  std::filesystem::current_path(old);
  return r;
}

}  // namespace kivo::test
