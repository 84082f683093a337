// The header file of a flat-ASCII delivery: a data file of unnamed columns
// and, beside it, a text that lists the fields in a table (field number,
// character columns, channel name, units, description), a system table of
// one value per coil (frequencies, orientations, separations) and a sentence
// on the dummy value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo {

// The processing stage a description names, the final one best.
enum class Stage : std::uint8_t { none, final, filtered, zero_level, raw };

struct HeaderField {
  std::string name;         // may hold blanks: LASER ALT RAW
  std::string unit;         // empty when none
  std::string description;  // empty when none
  std::string frequency;    // in Hz as text, from the description (7970 HZ, 130.1 kHZ)
  Stage stage = Stage::none;
  std::int64_t line = 0;
};

// One coil of the system table; a value is empty when no row gives it.
struct Coil {
  std::string nominal;     // Hz
  std::string operating;   // Hz
  char orientation = 0;    // 'z' coplanar, 'x' coaxial, 'y' vertical coplanar
  std::string separation;  // in the units below
  char separation_unit = 'm';
};

struct HeaderFile {
  std::vector<HeaderField> fields;  // the field table, field 1 first
  std::string problem;              // why the field table cannot be used, empty when it can
  std::vector<Coil> coils;
  std::string dummy;  // the dummy value the text names, empty when none
  std::int64_t dummy_line = 0;
};

// Reads the text of a header file. A field table whose field numbers do not
// run 1, 2, 3 ... leaves `fields` empty and says why in `problem`.
HeaderFile parse_header_file(std::string_view text);

// The frequency a text states, in Hz as text: "7970 HZ" gives 7970, "130.1
// kHZ" 130100, "FINAL INPHASE 382HZ" 382; empty when it states none.
std::string stated_frequency(std::string_view text);

}  // namespace kivo
