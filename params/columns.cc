// The column lines of "kivo.in": one line per column of the data file, giving
// its role and, for a data column, the eleven fields of its descriptor. Every
// field is read and checked before the next word is looked at, so the first
// bad field of the first bad column is the one reported.
#include <cstdint>
#include <string>
#include <string_view>

#include "params/params.h"
#include "textio/reader.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

std::string_view next_word(std::string_view& rest) {
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) {
    // The padding of a shorter buffer supplies the blank that ends the word.
    if (rest.size() >= kLineLength) return {};
    const std::string_view word = rest;
    rest = {};
    return word;
  }
  const std::string_view word = rest.substr(0, blank);
  rest = left_adjusted(rest.substr(blank + 1));
  return word;
}

namespace {

constexpr float kFeetToMetres = 0.3048f;

bool one_of(char c, std::string_view letters) {
  return c != '\0' && letters.find(c) != std::string_view::npos;
}

// Reads the next word into the item. A word that gives no value (empty, a
// lone comma or slash, a bare repeat count) is a failure like a malformed one.
void read_word(std::string_view& rest, const Item& item, const std::string& message) {
  const std::string_view word = next_word(rest);
  bool assigned = false;
  if (read_one(word, item, assigned) != 0 || !assigned) estop(message);
}

char read_letter(std::string_view& rest, const std::string& message) {
  char c = ' ';
  read_word(rest, char_item(&c, 1), message);
  return c;
}

float read_real(std::string_view& rest, const std::string& message) {
  float v = 0;
  read_word(rest, real_item(v), message);
  return v;
}

std::int32_t read_integer(std::string_view& rest, const std::string& message) {
  std::int32_t v = 0;
  read_word(rest, int_item(v), message);
  return v;
}

// The eleven fields of data column index i, whose number text is `num`.
void read_data_column(std::string_view rest, const std::string& num, std::size_t i, Arrays& a) {
  const std::string col = " for column " + num;

  const float freq = read_real(rest, "error reading frequency" + col);
  // Written so that a NaN fails as well.
  if (!(freq > 0)) estop("frequency read in" + col + " <= 0");
  a.freqs_a[i] = freq;

  const char ot = read_letter(rest, "error reading transmitter orientation" + col);
  if (!one_of(ot, "xXyYzZ")) estop("invalid transmitter orientation" + col);
  a.ot_a[i] = ot;

  a.momt_a[i] = read_real(rest, "error reading transmitter moment" + col);

  const char orr = read_letter(rest, "error reading receiver orientation" + col);
  if (!one_of(orr, "xXyYzZ")) estop("invalid receiver orientation" + col);
  a.or_a[i] = orr;

  const char fm = read_letter(rest, "error reading feet-or-metres flag" + col);
  if (!one_of(fm, "fFmM")) estop("invalid feet-or-metres flag" + col);
  a.feetmetres_a[i] = fm;
  const bool feet = fm == 'f' || fm == 'F';

  float trx = read_real(rest, "error reading Tx-Rx x separation" + col);
  if (feet) trx *= kFeetToMetres;
  a.trx_a[i] = trx;

  float try_ = read_real(rest, "error reading Tx-Rx y separation" + col);
  if (feet) try_ *= kFeetToMetres;
  a.try_a[i] = try_;

  const std::int32_t ontype = read_integer(rest, "error during read of normalization type" + col);
  if (ontype < 1 || ontype > 4) estop("invalid option for normalization type" + col);
  a.ontype_a[i] = ontype;

  const char iq = read_letter(rest, "error reading inph/quad flag" + col);
  if (!one_of(iq, "iIqQ")) estop("invalid inphase/quadrature flag" + col);
  a.inqu_a[i] = iq;

  const float perr = read_real(rest, "error reading percentage uncertainty" + col);
  if (!(perr >= 0)) estop("percentage error for colum " + num + " < 0");
  a.perr_a[i] = perr;

  const float terr = read_real(rest, "error reading threshold uncertainty" + col);
  if (!(terr >= 0)) estop("threshold error" + col + " < 0");
  if (perr == 0 && terr == 0) {
    estop("both percentage and threshold uncertainties are zero" + col);
  }
  a.terr_a[i] = terr;
}

// Gives column k a coordinate role; a role given by an earlier line is an
// error, since that column would be left a data column without its fields.
void set_coordinate(std::int32_t& role_col, std::int32_t k, const char* what) {
  if (role_col != 0) {
    estop("columns " + number_text(role_col, 8) + " & " + number_text(k, 9) + " are both the " +
          what);
  }
  role_col = k;
}

}  // namespace

void read_column_lines(ReadFile& f, Params& p, Arrays& a) {
  std::string line(kLineLength, ' ');
  p.xcol = p.ycol = p.zcol = 0;
  for (std::int32_t i = 0; i < p.ncols; ++i) {
    const std::int32_t k = i + 1;
    const std::string num = number_text(k, 9);
    if (read_char_field(f, line.data(), kLineLength) != 0) {
      estop("error reading parameters for column " + num + " from \"" + kParamsName + "\"");
    }
    std::string_view rest = left_adjusted(line);
    const char first = rest.empty() ? ' ' : rest.front();
    const std::size_t ii = static_cast<std::size_t>(i);

    if (rest.substr(0, 6) == "ignore" || rest.substr(0, 6) == "IGNORE") {
      a.usecol_a[ii] = 0;
      continue;
    }
    a.usecol_a[ii] = 1;
    if (first == 'x' || first == 'X') {
      set_coordinate(p.xcol, k, "x-coordinate");
    } else if (first == 'y' || first == 'Y') {
      set_coordinate(p.ycol, k, "y-coordinate");
    } else if (first == 'z' || first == 'Z') {
      set_coordinate(p.zcol, k, "height");
      next_word(rest);  // the word that chose the role
      const char fm = read_letter(rest, "error reading units for Tx-Rx height for column " + num);
      if (!one_of(fm, "fFmM")) {
        estop("invalid feet-or-metres flag for Tx-Rx height (column " + num + ")");
      }
      a.feetmetres_a[ii] = fm;
    } else {
      read_data_column(rest, num, ii, a);
    }
  }
}

}  // namespace kivo
