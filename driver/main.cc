// kivo: converts a column-oriented text file of airborne frequency-domain EM
// soundings into a QUINSA observations file, as "kivo.in" describes.
//
// The conversion takes no arguments. Only "--help", "--version",
// "--init DATAFILE" or "--look [OBSFILE ...]" as the first argument changes
// what kivo does; any other
// arguments are ignored, so scripts that pass something keep converting as
// before.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"
#include "init/init.h"
#include "look/look.h"
#include "os/os.h"

#ifndef KIVO_VERSION
#define KIVO_VERSION "unknown"
#endif

namespace {

constexpr const char* kUsage =
    "Usage: kivo\n"
    "       kivo --init DATAFILE\n"
    "       kivo --look [OBSFILE ...]\n"
    "       kivo --help | --version\n"
    "\n"
    "Converts airborne frequency-domain electromagnetic soundings into an\n"
    "observations file for the 1-D inversion program QUINSA.\n"
    "\n"
    "kivo takes no arguments. It reads the parameters file \"kivo.in\" in the\n"
    "current directory, which names the data file and the output file,\n"
    "describes every column of the data file and chooses averaging or\n"
    "decimation. It reads the data file (one row of numbers per sounding;\n"
    "lines starting with \"/\" or \"#\" are comments; a first line of column\n"
    "names, or one right after a line record, is a header line and is passed\n"
    "over; \"Line <name>\" and \"Tie <name>\" records begin flight lines) and\n"
    "writes the observations file (fixed-width records, CR LF line ends): one\n"
    "per flight line when its name holds \"{line}\". A \"null\" line after the\n"
    "averaging line names the values that stand for no measurement; a\n"
    "sounding that holds one is left out.\n"
    "\n"
    "Progress goes to standard output. A run ends with \"Done.\" and exit\n"
    "status 0, or with one line \"Stop: <message>.\" and exit status 1; the\n"
    "place in kivo.in or the data file that caused a stop, and notes on what\n"
    "converted but may be wrong, go to standard error as file:line:column.\n"
    "\n"
    "  --init DATAFILE  write a kivo.in for DATAFILE into the current directory,\n"
    "                   from the column names it comes with, in this order: an\n"
    "                   ASEG-GDF2 .dfn beside it, its header line, the comment\n"
    "                   record that names the columns, or the field table of a\n"
    "                   flat-ASCII header file beside it (.hdr, .HDR, .hdr.txt,\n"
    "                   .txt). What the names and headers do not tell is written\n"
    "                   \"?\" to be filled in; frequencies are the operating ones\n"
    "                   where the header states them. An existing kivo.in is\n"
    "                   left alone. Names such as CPI900, I_380, 110Hz_I,\n"
    "                   cpi140k_filt, REAL_1, altlas, BIRD_HEIGHT, UTME_BIRD or\n"
    "                   x_WGS84_UTMZ15N get their roles.\n"
    "  --look [OBSFILE ...]\n"
    "                   draw each observations file as a page OBSFILE.html beside\n"
    "                   it (a map of the soundings, the height and every data\n"
    "                   column along the distance flown, with the uncertainties);\n"
    "                   with no name, the output file that kivo.in names.\n"
    "  --help           show this text and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "The manual: man kivo. The parameters file, the data file, the\n"
    "observations file and every message are described there and in\n"
    "docs/parameters.md of the source tree.\n";

// Shows a text of "\n"-ended lines as console lines, with the system's line
// end. 0, or 1 when the console could not take it.
int show(std::string_view text) {
  const std::string_view end = kivo::os::console_line_end();
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite(end.data(), 1, end.size(), stdout);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  kivo::os::binary_stdout();
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) return show(kUsage);
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) return show("kivo " KIVO_VERSION "\n");
  if (argc > 1 && std::strcmp(argv[1], "--init") == 0) {
    const kivo::InitResult r = kivo::init_params(argc > 2 ? argv[2] : "");
    const int shown = show(r.console);
    return r.status != 0 ? r.status : shown;
  }
  if (argc > 1 && std::strcmp(argv[1], "--look") == 0) {
    return kivo::look(std::vector<std::string>(argv + 2, argv + argc), stdout, stderr);
  }
  kivo::RunState st;
  return kivo::run(st);
}
