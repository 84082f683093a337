#include "look/look.h"

#include "look/obsfile.h"
#include "look/page.h"
#include "params/params.h"
#include "textio/os.h"
#include "textio/reader.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// The output file that "kivo.in" names.
std::string named_by_params() {
  const std::string name = kParamsName;
  if (!name_exists(name)) estop("parameters file \"" + name + "\" does not exist");
  ReadFile f;
  if (open_read(f, name) != 0) estop("error opening parameters file \"" + name + "\"");
  Params p;
  read_file_names(f, p);
  return p.output_file;
}

// The page takes its name only once it is complete.
void write_page(const std::string& name, const std::string& text) {
  os::Replacement r;
  if (!os::create_replacement(name, r)) estop("error writing page \"" + name + "\"");
  if (!os::write_all(r.handle, text.data(), text.size()) || !os::commit_replacement(r)) {
    os::discard_replacement(r);
    estop("error writing page \"" + name + "\"");
  }
}

void look_at(const std::string& name, std::FILE* console) {
  const ObsFile o = read_observations(name);
  const std::string page = name + ".html";
  write_page(page, page_html(o, name));
  progress_line(console, "Wrote \"" + page + "\": " + std::to_string(o.blocks) + " soundings, " +
                             std::to_string(o.freqs.size()) + " frequencies.");
}

}  // namespace

int look(const std::vector<std::string>& names, std::FILE* console, std::FILE* errors) {
  try {
    if (names.empty()) {
      look_at(named_by_params(), console);
    } else {
      for (const std::string& name : names) look_at(name, console);
    }
  } catch (const Stop& stop) {
    if (!stop.where.empty()) error_line(console, errors, stop.where);
    top_line(console, "Stop: " + stop.message + ".");
    std::fflush(console);
    return 1;
  }
  std::fflush(console);
  return 0;
}

}  // namespace kivo
