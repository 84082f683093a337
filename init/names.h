// What the name of a column says of it, by the conventions of airborne FDEM
// exports: the flight line, a coordinate, the height of the sensor, or an
// in-phase or quadrature channel with its geometry and frequency.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo {

enum class Role : std::uint8_t { ignore, line, x, y, height, data };

// The ranks of height columns, best first: when several columns name a
// height, the one named the sensor's (BIRD_HEIGHT, TX_HEIGHT) is taken, then
// a laser altimeter, which may be the bird's or the helicopter's, then a
// radar altimeter.
inline constexpr int kBirdRank = 1;
inline constexpr int kLaserRank = 2;
inline constexpr int kRadarRank = 3;
inline constexpr int kOtherHeightRank = 4;

struct Guess {
  Role role = Role::ignore;
  int rank = 0;           // height: one of the ranks above; x, y: 0 the sensor's, 1 another's
  bool raw = false;       // height: a raw channel ("raw" in the name), taken last
  char units = 0;         // height: 'm', 'f', or 0 when the name does not say
  char orientation = 0;   // data: 'z' coplanar, 'x' coaxial, 'y' vertical coplanar, 0 unknown
  char component = 0;     // data: 'i' in-phase or 'q' quadrature
  std::string frequency;  // data: in Hz as text, empty when the name gives a pair number
  int pair = 0;           // data: the number of a numbered pair (REAL_1, P1), else 0
  bool suffix = false;    // data: a processing stage follows the frequency (_filt, _raw)
};

// The role of a column of this name, case-insensitive; "_", "-", "." and any
// other character that is not a letter or a digit separate its parts, but
// for the decimal point of a frequency in kHz (1.5kHz_I).
Guess guess_column(std::string_view name);

}  // namespace kivo
