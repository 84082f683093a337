// Small text helpers that every subsystem uses: ASCII character classes and
// case, trimming, and whether a word reads as a number under the data file's
// rules. Names and words of these files are ASCII where it matters; other
// bytes pass through unchanged.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "textio/reader.h"

namespace kivo {

// A blank or a tab: what separates the values of a row.
inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}
// A blank, a tab or a carriage return: what pads a line of a header file
// that may come with CR LF line ends.
inline bool is_space(char c) {
  return is_blank(c) || c == '\r';
}
inline bool is_digit(char c) {
  return c >= '0' && c <= '9';
}
inline bool is_lower(char c) {
  return c >= 'a' && c <= 'z';
}
inline bool is_upper(char c) {
  return c >= 'A' && c <= 'Z';
}
inline bool is_letter(char c) {
  return is_lower(c) || is_upper(c);
}
inline char to_lower(char c) {
  return is_upper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}
inline char to_upper(char c) {
  return is_lower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}
inline std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = to_lower(c);
  return out;
}
inline std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = to_upper(c);
  return out;
}

// Without blanks, tabs and carriage returns at either end.
inline std::string_view trim_space(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

// The value of a word that reads as a number under the data file's rules
// (1.5D3 and 2+2 included), or none.
inline std::optional<float> number_value(std::string_view w) {
  float v = 0.0f;
  if (w.empty() || convert_real(w, v) != 0) return std::nullopt;
  return v;
}
inline bool reads_as_number(std::string_view w) {
  return number_value(w).has_value();
}

}  // namespace kivo
