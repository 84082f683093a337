// The observations file: a count line, then one block per kept sounding of
// fixed-width records ended by CR LF.
#pragma once

#include <cstdint>
#include <cstdio>

#include "params/params.h"

namespace kivo {

// Opens (after refusing to overwrite the data file or "kivo.in"), prints the
// progress line, writes every record and closes the observations file.
void write_observations(const Params& p, const Arrays& a, std::int32_t nsoundings,
                        std::FILE* console);

}  // namespace kivo
