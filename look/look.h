// kivo --look [OBSFILE ...]: a page beside each observations file,
// "<OBSFILE>.html", that draws what it holds. Without a name, the
// observations file that "kivo.in" in the current directory names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kivo {

// Writes the pages, one console line for each, and returns the exit status:
// 0, or 1 after a stop (its line on the console, and the line that says
// where on `errors`). Each page is replaced whole or not at all.
int look(const std::vector<std::string>& names, std::FILE* console, std::FILE* errors);

}  // namespace kivo
