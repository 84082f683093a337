#include "look/look.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "look/messages.h"
#include "look/obsfile.h"
#include "look/page.h"
#include "os/os.h"
#include "params/messages.h"
#include "params/params.h"
#include "textio/reader.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// The output file that "kivo.in" names.
std::string named_by_params() {
  const std::string name = kParamsName;
  if (!name_exists(name)) estop(text(ParamsMsg::missing));
  ReadFile f;
  if (open_read(f, name) != 0) estop(text(ParamsMsg::cannot_open));
  Params p;
  read_file_names(f, p);
  return p.output_file;
}

constexpr std::string_view kLinePattern = "{line}";

// Whether `name` is `pattern` with each "{line}" standing for one or more
// characters.
bool matches(std::string_view pattern, std::string_view name) {
  const std::size_t at = pattern.find(kLinePattern);
  if (at == std::string_view::npos) return pattern == name;
  if (name.substr(0, at) != pattern.substr(0, at)) return false;
  const std::string_view rest = pattern.substr(at + kLinePattern.size());
  for (std::size_t i = at + 1; i <= name.size(); ++i) {
    if (matches(rest, name.substr(i))) return true;
  }
  return false;
}

// The observations files that an output file name stands for: the name
// itself, or, with "{line}" in it (one file per flight line), every file
// that the name gives with each "{line}" standing for some text, in the
// order of their names. "{line}" may stand in a folder part too. Pages are
// not observations files.
std::vector<std::string> files_of(const std::string& output) {
  if (output.find(kLinePattern) == std::string::npos) return {output};
  std::vector<std::string> found = {""};  // the paths matched so far
  std::size_t from = 0;
  while (from <= output.size()) {
    std::size_t end = output.find_first_of("/\\", from);
    if (end == std::string::npos) end = output.size();
    const std::string part = output.substr(from, end - from);
    const bool last = end == output.size();
    const std::string sep = last ? "" : output.substr(end, 1);
    std::vector<std::string> next;
    for (const std::string& dir : found) {
      std::vector<std::string> names;
      if (part.find(kLinePattern) == std::string::npos) {
        next.push_back(dir + part + sep);
      } else if (os::list_directory(dir, names)) {
        for (const std::string& n : names) {
          const bool page = n.size() >= 5 && n.compare(n.size() - 5, 5, ".html") == 0;
          if (!(last && page) && matches(part, n)) next.push_back(dir + n + sep);
        }
      }
    }
    found = std::move(next);
    from = end + 1;
  }
  std::vector<std::string> files;
  for (const std::string& f : found) {
    if (os::exists(f)) files.push_back(f);
  }
  if (files.empty()) estop(text(LookMsg::no_match, {output}));
  std::sort(files.begin(), files.end());
  return files;
}

// The page of observations file `name` takes its name only once it is
// complete.
void write_page(const std::string& name, const std::string& html) {
  os::Replacement r;
  if (!os::create_replacement(name + ".html", r)) estop(text(LookMsg::cannot_write_page, {name}));
  if (!os::write_all(r.handle, html.data(), html.size()) || !os::commit_replacement(r)) {
    os::discard_replacement(r);
    estop(text(LookMsg::cannot_write_page, {name}));
  }
}

void look_at(const std::string& name, std::FILE* console) {
  const ObsFile o = read_observations(name);
  write_page(name, page_html(o, name));
  progress_line(console, text(LookMsg::wrote,
                              {name, std::to_string(o.blocks), std::to_string(o.freqs.size())}));
}

}  // namespace

int look(const std::vector<std::string>& names, std::FILE* console, std::FILE* errors) {
  try {
    if (names.empty()) {
      for (const std::string& name : files_of(named_by_params())) look_at(name, console);
    } else {
      for (const std::string& name : names) look_at(name, console);
    }
  } catch (const Stop& stop) {
    show_stop(console, errors, stop);
    std::fflush(console);
    return 1;
  }
  std::fflush(console);
  return 0;
}

}  // namespace kivo
