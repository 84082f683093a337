// kivo --init DATAFILE: a "kivo.in" written for a data file from what the
// file says of its own columns (an ASEG-GDF2 ".dfn" beside it, its header
// line, or the comment record that names its columns). Every column whose
// name follows the conventions of airborne FDEM exports gets its role; what
// no name tells (the moment, the normalization, the uncertainties, ...) is
// written "?", which kivo refuses, so that nothing converts until it is
// filled in. An existing "kivo.in" is never replaced.
#pragma once

#include <string>
#include <string_view>

namespace kivo {

struct InitResult {
  std::string console;  // "\n"-ended lines: what was found, or the stop line
  int status = 0;       // 0 when "kivo.in" was written, 1 after a stop
};

// Writes "kivo.in" into the current directory for the data file named
// `data_file` (as kivo.in is to name it), whole or not at all.
InitResult init_params(std::string_view data_file);

}  // namespace kivo
