// Small text helpers shared by the readers of kivo --init: ASCII case,
// blanks, and whether a word reads as a number under the data file's rules.
#pragma once

#include <string>
#include <string_view>

#include "textio/reader.h"

namespace kivo::init_text {

inline bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

inline std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

// Without blanks, tabs and carriage returns at either end.
inline std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

inline bool is_number(std::string_view w) {
  float v = 0;
  return !w.empty() && convert_real(w, v) == 0;
}

}  // namespace kivo::init_text
