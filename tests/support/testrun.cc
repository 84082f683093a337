#include <filesystem>

#include "driver/run.h"
#include "tests/support/testutil.h"

namespace kivo::test {

RunResult run_in_process(const std::string& dir) {
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  Console console;
  Console errors;
  RunResult r;
  {
    RunState st;
    st.console = console.file();
    st.errors = errors.file();
    r.status = run(st);
  }
  r.console = console.text();
  r.errors = errors.text();
  std::filesystem::current_path(old);
  return r;
}

}  // namespace kivo::test
