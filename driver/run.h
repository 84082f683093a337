// The run driver: the fixed order of the phases of a conversion.
#pragma once

#include <cstdint>
#include <cstdio>

#include "output/output.h"
#include "params/params.h"
#include "textio/reader.h"

namespace kivo {

// Everything one run holds, from its start to its end.
struct RunState {
  std::FILE* console = stdout;
  std::FILE* errors = stderr;  // where a stop comes from, notes on suspicious values
  Params params;
  Arrays arrays;
  ReadFile params_file;
  ReadFile data_file;
  Observations output;
  std::int32_t nsoundings = 0;  // S
  ReadingNotes notes;           // what the reading pass noticed
};

// Runs the conversion in the current directory. Returns the exit status:
// 0 after "Done.", 1 after a fatal stop.
int run(RunState& st);

}  // namespace kivo
