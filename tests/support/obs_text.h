// An observations file as text, from what the reader of kivo --look gives:
// the records of the observations writer, in its order, rendered with the
// field writer. Reading a file and writing it again with this gives the
// same bytes, which the tests and the fuzzer of the reader check.
#pragma once

#include <string>

#include "look/obsfile.h"

namespace kivo::test {

std::string obs_text(const ObsFile& o);

}  // namespace kivo::test
