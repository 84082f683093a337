// The reader of kivo --look on any bytes, and the page of what it accepts.
//
// Every input must either stop with `"<file>" is not an observations file`
// and the line that says where, or be read; a file read must give the same
// bytes when written again, and its page must be a whole HTML document.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "look/obsfile.h"
#include "look/page.h"
#include "tests/support/obs_text.h"
#include "textio/stop.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz_look: %s\n%s\n", what, detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char templ[] = "/tmp/kivo-fuzz-look-XXXXXX";
  if (!mkdtemp(templ) || chdir(templ) != 0) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen("in.obs", "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::abort();
  }
  kivo::ObsFile o;
  try {
    o = kivo::read_observations("in.obs");
  } catch (const kivo::Stop& stop) {
    if (stop.message != "\"in.obs\" is not an observations file")
      fail("another stop", stop.message);
    if (stop.where.rfind("in.obs:", 0) != 0) fail("no line that says where", stop.where);
    return 0;
  }
  if (kivo::test::obs_text(o) != bytes) fail("read and written again, the file differs", bytes);
  const std::string page = kivo::page_html(o, "in.obs");
  if (page.rfind("<!DOCTYPE html>", 0) != 0 || page.find("</html>\n") != page.size() - 8)
    fail("not a whole page", page.substr(0, 200));
  return 0;
}
