#include "init/dfn.h"

#include <charconv>

#include "textio/text.h"

namespace kivo {

namespace {

// Where "END DEFN" (any blanks between, any case) begins in s, or npos.
std::size_t end_defn_at(std::string_view s) {
  const std::string u = upper(s);
  for (std::size_t at = u.find("END"); at != std::string::npos; at = u.find("END", at + 1)) {
    std::size_t k = at + 3;
    while (k < u.size() && is_space(u[k])) ++k;
    if (u.compare(k, 4, "DEFN") == 0) return at;
  }
  return std::string::npos;
}

// The largest count of an array field taken as it stands: no survey has
// more channels than this in one field, and a larger count is a broken file.
constexpr int kMaxCount = 99999;

// A format: [count] letter(s) [width[.decimals]]: A8, I10, F12.2, 5E12.4,
// ES15.6, in either case.
void read_format(std::string_view f, DfnField& field) {
  const std::string u = upper(trim_space(f));
  std::size_t i = 0;
  while (i < u.size() && is_digit(u[i])) ++i;
  if (i > 0) {
    int count = 0;
    const auto [end, ec] = std::from_chars(u.data(), u.data() + i, count);
    if (ec == std::errc() && count > 0 && count <= kMaxCount) field.count = count;
  }
  if (i == u.size()) return;
  switch (u[i]) {
    case 'A':
      field.type = 'A';
      break;
    case 'I':
      field.type = 'I';
      break;
    case 'F':
    case 'E':
    case 'D':
    case 'G':
      field.type = 'R';
      break;
    default:
      break;
  }
}

// Attributes separated by commas or colons: UNIT=m, NULL=-9999.99, NAME=...;
// free text among them is passed over.
void read_attributes(std::string_view a, DfnField& field) {
  while (!a.empty()) {
    const std::size_t cut = a.find_first_of(",:");
    const std::string_view piece = a.substr(0, cut);
    a = cut == std::string_view::npos ? std::string_view() : a.substr(cut + 1);
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key = upper(trim_space(piece.substr(0, eq)));
    const std::string_view value = trim_space(piece.substr(eq + 1));
    if (key == "UNIT" || key == "UNITS") {
      field.unit = value;
    } else if (key == "NULL") {
      field.null = value;
    } else if (key == "NAME") {
      field.long_name = value;
    }
  }
}

// The record type named in the head of a definition ("ST=RECD,RT=DATA"),
// upper case; empty when none.
std::string record_type_of(std::string_view head) {
  const std::string u = upper(head);
  const std::size_t at = u.find("RT");
  if (at == std::string::npos) return {};
  std::size_t k = at + 2;
  while (k < u.size() && is_space(u[k])) ++k;
  if (k == u.size() || u[k] != '=') return {};
  const std::size_t end = u.find(',', k + 1);
  return std::string(trim_space(std::string_view(u).substr(k + 1, end - (k + 1))));
}

}  // namespace

Dfn parse_dfn(std::string_view text) {
  Dfn dfn;
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    std::string_view line = trim_space(text.substr(0, nl));
    text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    if (upper(line.substr(0, 4)) != "DEFN") continue;
    line.remove_prefix(4);  // then a sequence number, run in or not
    const std::size_t semi = line.find(';');
    if (semi == std::string_view::npos) continue;
    const std::string rt = record_type_of(line.substr(0, semi));
    if (rt == "COMM" || rt == "PROJ" || rt == "TRNS") continue;
    std::string_view def = line.substr(semi + 1);
    const std::size_t end = end_defn_at(def);
    if (end != std::string_view::npos) def = def.substr(0, end);
    while (!def.empty() && (is_space(def.back()) || def.back() == ';')) def.remove_suffix(1);
    const std::size_t colon = def.find(':');
    DfnField field;
    field.name = trim_space(def.substr(0, colon));
    if (!field.name.empty() && colon != std::string_view::npos) {
      const std::string_view rest = def.substr(colon + 1);
      const std::size_t colon2 = rest.find(':');
      read_format(rest.substr(0, colon2), field);
      if (colon2 != std::string_view::npos) read_attributes(rest.substr(colon2 + 1), field);
    }
    // The tag of typed data records may be defined as a field of its own.
    const bool tag = !rt.empty() && upper(field.name) == "RT" && field.type == 'A';
    if (!field.name.empty() && !tag) {
      dfn.fields.push_back(std::move(field));
      if (!rt.empty()) dfn.record_type = rt;
    }
    if (end != std::string_view::npos) break;
  }
  return dfn;
}

std::size_t dfn_columns(const Dfn& dfn) {
  std::size_t n = 0;
  for (const DfnField& f : dfn.fields) n += static_cast<std::size_t>(f.count);
  return n;
}

}  // namespace kivo
