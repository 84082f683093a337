#include <filesystem>

#include "driver/run.h"
#include "tests/support/testutil.h"

namespace kivo::test {

RunResult run_in_process(const std::string& dir) {
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  Console console;
  RunResult r;
  {
    RunState st;
    st.console = console.file();
    r.status = run(st);
  }
  r.console = console.text();
  std::filesystem::current_path(old);
  return r;
}

}  // namespace kivo::test
