// The message tables of docs/parameters.md and the lists of docs/kivo.1,
// read as entries.
#include "tests/support/doc_entries.h"

namespace kivo::test {
namespace {

std::vector<std::string> split_lines(const std::string& s) {
  std::vector<std::string> out;
  std::size_t a = 0;
  while (a <= s.size()) {
    std::size_t b = s.find('\n', a);
    if (b == std::string::npos) b = s.size();
    out.push_back(s.substr(a, b - a));
    a = b + 1;
  }
  return out;
}

std::string squeeze(const std::string& s) {
  std::string out;
  for (char c : s) {
    const bool blank = c == ' ' || c == '\t' || c == '\n';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// Markdown inline text as plain text: no code spans, emphasis or links.
std::string md_plain(std::string s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '`') continue;
    if (s[i] == '*' && i + 1 < s.size() && s[i + 1] == '*') {
      ++i;
      continue;
    }
    if (s[i] == '[') {
      const std::size_t close = s.find("](", i);
      const std::size_t end = close == std::string::npos ? close : s.find(')', close);
      if (end != std::string::npos) {
        out += s.substr(i + 1, close - i - 1);
        i = end;
        continue;
      }
    }
    out += s[i];
  }
  return squeeze(out);
}

// The cells of a Markdown table row "| a | b |", or nothing.
std::vector<std::string> md_cells(const std::string& line) {
  if (line.size() < 2 || line.front() != '|' || line.back() != '|') return {};
  std::vector<std::string> out;
  std::size_t a = 1;
  for (std::size_t b = line.find('|', a); b != std::string::npos; b = line.find('|', a)) {
    std::string cell = line.substr(a, b - a);
    out.push_back(squeeze(cell));
    a = b + 1;
  }
  return out;
}

// roff text as plain text: font changes and the few escapes the page uses.
std::string roff_plain(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 >= s.size()) {
      out += s[i];
      continue;
    }
    const char e = s[i + 1];
    if (e == 'f' && i + 2 < s.size()) {
      i += 2;  // \fB \fI \fR \fP
    } else if (e == '&') {
      ++i;
    } else if (e == '-') {
      out += '-';
      ++i;
    } else if (e == 'e') {
      out += '\\';
      ++i;
    } else if (e == '(' && i + 3 < s.size()) {
      const std::string name = s.substr(i + 2, 2);
      out += name == "dq" ? "\"" : name == "aq" ? "'" : "?";
      i += 3;
    } else {
      out += e;
      ++i;
    }
  }
  return out;
}

}  // namespace

// A section of a Markdown file: from "## <title>" to the next "## ".
std::string md_section(const std::string& md, const std::string& title) {
  const std::string head = "\n## " + title + "\n";
  const std::size_t a = md.find(head);
  if (a == std::string::npos) return {};
  const std::size_t b = md.find("\n## ", a + head.size());
  return md.substr(a + head.size(),
                   b == std::string::npos ? std::string::npos : b - a - head.size());
}

std::vector<Entry> md_entries(const std::string& section) {
  std::vector<Entry> out;
  std::string phase;
  for (const std::string& line : split_lines(section)) {
    if (line.rfind("### ", 0) == 0) phase = line.substr(4);
    const auto cells = md_cells(line);
    if (cells.size() < 2 || cells[0].size() < 2 || cells[0].front() != '`' ||
        cells[0].back() != '`') {
      continue;
    }
    std::string explanation;
    for (std::size_t i = 1; i < cells.size(); ++i) explanation += " " + cells[i];
    out.push_back({cells[0].substr(1, cells[0].size() - 2), phase, md_plain(explanation)});
  }
  return out;
}

// The entries of a manual-page section ".SH <title>": each ".TP" tag line
// with the text that follows it, under its ".SS" heading.
std::vector<Entry> man_entries(const std::string& man, const std::string& title) {
  std::vector<Entry> out;
  bool inside = false;
  std::string phase;
  Entry* cur = nullptr;
  bool want_tag = false;
  for (const std::string& line : split_lines(man)) {
    if (line.rfind(".SH", 0) == 0) {
      inside = squeeze(line.substr(3)) == title;
      cur = nullptr;
      continue;
    }
    if (!inside) continue;
    if (line.rfind(".SS", 0) == 0) {
      phase = squeeze(line.substr(3));
      cur = nullptr;
    } else if (line.rfind(".TP", 0) == 0) {
      want_tag = true;
    } else if (want_tag) {
      out.push_back({squeeze(roff_plain(line)), phase, {}});
      cur = &out.back();
      want_tag = false;
    } else if (line.rfind(".\\\"", 0) == 0 || line.rfind(".br", 0) == 0) {
      continue;
    } else if (cur && !line.empty() && line[0] == '.') {
      cur = nullptr;  // another request ends the entry's text
    } else if (cur) {
      cur->explanation = squeeze(cur->explanation + " " + roff_plain(line));
    }
  }
  return out;
}

}  // namespace kivo::test
