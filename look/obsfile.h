// Reading an observations file back: the count line, then the sounding
// blocks, into the values they hold.
//
// The reader accepts exactly what the observations writer writes: every
// field must be the text that its value renders to, every record its length,
// every line end CR LF, and every block the frequencies and columns of the
// first one. So a file read and written again gives the same bytes; anything
// else is a stop that names the file, with the line on standard error that
// points at the first character that differs from what was expected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "params/params.h"

namespace kivo {

// The data line of a column: both components, or one of them.
enum class DataForm : std::uint8_t { paired, inphase, quadrature };

// One data column of a frequency: its transmitter line and the fixed part
// of its data line.
struct ObsColumn {
  float moment = 0;
  char tx_orientation = ' ';
  float sep_x = 0;  // transmitter-receiver separations, metres
  float sep_y = 0;
  char rx_orientation = ' ';
  std::int32_t normalization = 0;
  char letter = 'b';  // "b", or the in-phase/quadrature letter as written
  DataForm form = DataForm::paired;
};

struct ObsFrequency {
  float hz = 0;
  std::size_t begin = 0;  // its columns in ObsFile::columns
  std::size_t end = 0;
};

struct ObsFile {
  std::vector<ObsFrequency> freqs;
  std::vector<ObsColumn> columns;  // the columns of every frequency, in file order
  std::size_t blocks = 0;
  // Per block: the position, and the height field of its transmitter and
  // data lines (the negated height in metres; 0 in a block without lines).
  std::vector<float> x, y, z;
  // Per block and column (block * columns.size() + column): the data and the
  // uncertainties. A single-component column holds its value in re
  // (in-phase) or im (quadrature), the other part 0.
  std::vector<Cplx> dat, err;

  const Cplx& datum(std::size_t block, std::size_t column) const {
    return dat[block * columns.size() + column];
  }
  const Cplx& error(std::size_t block, std::size_t column) const {
    return err[block * columns.size() + column];
  }
};

// Reads the observations file `name`; stops when it cannot be read or is not
// an observations file.
ObsFile read_observations(const std::string& name);

}  // namespace kivo
