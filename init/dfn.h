// The ASEG-GDF2 definition file (".dfn") beside a ".dat": one DEFN record
// per field, with its name, format and attributes (unit, null value, long
// name). Array fields such as 5E12.4 stand for five columns.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo {

struct DfnField {
  std::string name;
  int count = 1;          // columns: the leading count of the format, 1 when none
  char type = 0;          // 'A' text, 'I' integer, 'R' real, 0 when the format is not read
  std::string unit;       // UNIT= or UNITS=
  std::string null;       // NULL=
  std::string long_name;  // NAME=
};

struct Dfn {
  std::vector<DfnField> fields;  // the fields of the data records, in order
  std::string record_type;       // the RT of the data records ("DATA"), empty when none
};

// The field definitions of a ".dfn" text; comment, projection and
// transformation records are not fields, and nothing after END DEFN is read.
Dfn parse_dfn(std::string_view text);

// The number of columns the fields stand for, array fields expanded.
std::size_t dfn_columns(const Dfn& dfn);

}  // namespace kivo
