// The entries of the message tables of docs/parameters.md and of the lists
// of the manual page docs/kivo.1, as plain text.
#pragma once

#include <string>
#include <vector>

namespace kivo::test {

// One documented entry: its text (the code span of the first cell), the
// phase heading it stands under, and its explanation in plain words.
struct Entry {
  std::string text;
  std::string phase;
  std::string explanation;
};

// A section of a Markdown file: from "## <title>" to the next "## ".
std::string md_section(const std::string& md, const std::string& title);

// The entries of the tables of a Markdown section, under their "### " phases.
std::vector<Entry> md_entries(const std::string& section);

// The entries of a manual-page section ".SH <title>": each ".TP" tag line
// with the text that follows it, under its ".SS" heading.
std::vector<Entry> man_entries(const std::string& man, const std::string& title);

}  // namespace kivo::test
