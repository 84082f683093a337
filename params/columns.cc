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
#include "textio/text.h"
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

// A column line being read: the line as read, where it stands in "kivo.in",
// the column's number text, and the word being read with its place.
struct ColumnLine {
  const std::string& text;
  std::int64_t line;
  std::string num;
  std::string_view word;   // the word read last
  int word_no = 0;         // its number among the words that kivo reads
  const char* field = "";  // the field it holds
};

// The line that points at the word read last, saying `what` of it.
std::string word_place(const ColumnLine& c, std::string_view what) {
  const std::size_t column =
      c.word.empty() ? 0 : static_cast<std::size_t>(c.word.data() - c.text.data()) + 1;
  return params_place(c.line, column,
                      "column " + c.num + ", word " + std::to_string(c.word_no) + " (" + c.field +
                          "): " + std::string(what));
}

// The word read last, quoted, followed by `what`.
std::string word_is(const ColumnLine& c, std::string_view what) {
  return word_place(c, quoted_text(c.word) + " " + std::string(what));
}

// Reads the next word, field number `word_no`, into the item. A word that
// gives no value (empty, a lone comma or slash, a bare repeat count) is a
// failure like a malformed one.
void read_word(std::string_view& rest, ColumnLine& c, int word_no, const char* field,
               const Item& item, const std::string& message) {
  c.word = next_word(rest);
  c.word_no = word_no;
  c.field = field;
  if (c.word.empty()) estop(message, word_place(c, "missing"));
  bool assigned = false;
  const int status = read_one(c.word, item, assigned);
  if (status != 0) estop(message, word_is(c, fault_reason(status, item.kind)));
  if (!assigned) estop(message, word_is(c, "gives no value"));
}

char read_letter(std::string_view& rest, ColumnLine& c, int word_no, const char* field,
                 const std::string& message) {
  char v = ' ';
  read_word(rest, c, word_no, field, char_item(&v, 1), message);
  return v;
}

float read_real(std::string_view& rest, ColumnLine& c, int word_no, const char* field,
                const std::string& message) {
  float v = 0;
  read_word(rest, c, word_no, field, real_item(v), message);
  return v;
}

std::int32_t read_integer(std::string_view& rest, ColumnLine& c, int word_no, const char* field,
                          const std::string& message) {
  std::int32_t v = 0;
  read_word(rest, c, word_no, field, int_item(v), message);
  return v;
}

// The eleven fields of data column index i.
void read_data_column(std::string_view rest, ColumnLine& c, std::size_t i, Arrays& a) {
  const std::string col = " for column " + c.num;

  const float freq = read_real(rest, c, 1, "frequency", "error reading frequency" + col);
  // Written so that a NaN fails as well.
  if (!(freq > 0)) estop("frequency read in" + col + " <= 0", word_is(c, "is not above 0"));
  a.freqs_a[i] = freq;

  const char ot = read_letter(rest, c, 2, "transmitter orientation",
                              "error reading transmitter orientation" + col);
  if (!one_of(ot, "xXyYzZ")) {
    estop("invalid transmitter orientation" + col, word_is(c, "is not x, y or z"));
  }
  a.ot_a[i] = ot;

  a.momt_a[i] =
      read_real(rest, c, 3, "transmitter moment", "error reading transmitter moment" + col);

  const char orr =
      read_letter(rest, c, 4, "receiver orientation", "error reading receiver orientation" + col);
  if (!one_of(orr, "xXyYzZ")) {
    estop("invalid receiver orientation" + col, word_is(c, "is not x, y or z"));
  }
  a.or_a[i] = orr;

  const char fm =
      read_letter(rest, c, 5, "feet-or-metres flag", "error reading feet-or-metres flag" + col);
  if (!one_of(fm, "fFmM")) {
    estop("invalid feet-or-metres flag" + col, word_is(c, "is not f (feet) or m (metres)"));
  }
  a.feetmetres_a[i] = fm;
  const bool feet = fm == 'f' || fm == 'F';

  float trx = read_real(rest, c, 6, "Tx-Rx x separation", "error reading Tx-Rx x separation" + col);
  if (feet) trx *= kFeetToMetres;
  a.trx_a[i] = trx;

  float try_ =
      read_real(rest, c, 7, "Tx-Rx y separation", "error reading Tx-Rx y separation" + col);
  if (feet) try_ *= kFeetToMetres;
  a.try_a[i] = try_;

  const std::int32_t ontype = read_integer(rest, c, 8, "normalization type",
                                           "error during read of normalization type" + col);
  if (ontype < 1 || ontype > 4) {
    estop("invalid option for normalization type" + col, word_is(c, "is not 1, 2, 3 or 4"));
  }
  a.ontype_a[i] = ontype;

  const char iq =
      read_letter(rest, c, 9, "in-phase/quadrature flag", "error reading inph/quad flag" + col);
  if (!one_of(iq, "iIqQ")) {
    estop("invalid inphase/quadrature flag" + col,
          word_is(c, "is not i (in-phase) or q (quadrature)"));
  }
  a.inqu_a[i] = iq;

  const float perr = read_real(rest, c, 10, "percentage uncertainty",
                               "error reading percentage uncertainty" + col);
  if (!(perr >= 0)) estop("percentage error for colum " + c.num + " < 0", word_is(c, "is below 0"));
  a.perr_a[i] = perr;

  const float terr =
      read_real(rest, c, 11, "threshold uncertainty", "error reading threshold uncertainty" + col);
  if (!(terr >= 0)) estop("threshold error" + col + " < 0", word_is(c, "is below 0"));
  if (perr == 0 && terr == 0) {
    estop("both percentage and threshold uncertainties are zero" + col,
          word_is(c, "is 0, and so is the percentage uncertainty: a datum needs one of them"));
  }
  a.terr_a[i] = terr;
}

// Gives column k a coordinate role; a role given by an earlier line is an
// error, since that column would be left a data column without its fields.
void set_coordinate(const Params& p, std::int32_t& role_col, std::int32_t k, const char* what) {
  if (role_col != 0) {
    estop(
        "columns " + number_text(role_col, 8) + " & " + number_text(k, 9) + " are both the " + what,
        column_place(p, k,
                     std::string("a second ") + what + " column (column " + number_text(role_col) +
                         " is one already)"));
  }
  role_col = k;
}

// A column line whose first four characters are "line" in any case.
bool is_line_role(std::string_view rest) {
  return rest.size() >= 4 && lower(rest.substr(0, 4)) == "line";
}

}  // namespace

void read_column_lines(ReadFile& f, Params& p, Arrays& a) {
  std::string line(kLineLength, ' ');
  p.xcol = p.ycol = p.zcol = p.linecol = 0;
  p.column_places.clear();
  for (std::int32_t i = 0; i < p.ncols; ++i) {
    const std::int32_t k = i + 1;
    const std::string num = number_text(k, 9);
    if (const int status = read_char_field(f, line.data(), kLineLength)) {
      const std::string message =
          "error reading parameters for column " + num + " from \"" + kParamsName + "\"";
      if (status > 0) estop(message);  // the file system failed
      estop(message, params_place(f.line + 1, 0,
                                  "column " + num + ": the file ends before its column line (" +
                                      number_text(p.ncols) +
                                      " columns need as many column lines, then the averaging "
                                      "line)"));
    }
    std::string_view rest = left_adjusted(line);
    const char first = rest.empty() ? ' ' : rest.front();
    const std::size_t ii = static_cast<std::size_t>(i);
    const std::size_t start =
        rest.empty() || first == ' ' ? 0 : static_cast<std::size_t>(rest.data() - line.data()) + 1;
    p.column_places.push_back({f.line, start});
    ColumnLine c{line, f.line, num, {}, 0, ""};

    if (rest.substr(0, 6) == "ignore" || rest.substr(0, 6) == "IGNORE") {
      a.usecol_a[ii] = 0;
      continue;
    }
    // The flight-line column: read in every row, used only to tell where a
    // flight line begins; nothing more is read on its line.
    if (is_line_role(rest)) {
      a.usecol_a[ii] = 0;
      set_coordinate(p, p.linecol, k, "line");
      continue;
    }
    a.usecol_a[ii] = 1;
    if (first == 'x' || first == 'X') {
      set_coordinate(p, p.xcol, k, "x-coordinate");
    } else if (first == 'y' || first == 'Y') {
      set_coordinate(p, p.ycol, k, "y-coordinate");
    } else if (first == 'z' || first == 'Z') {
      set_coordinate(p, p.zcol, k, "height");
      next_word(rest);  // the word that chose the role
      const char fm = read_letter(rest, c, 2, "feet-or-metres flag of the height",
                                  "error reading units for Tx-Rx height for column " + num);
      if (!one_of(fm, "fFmM")) {
        estop("invalid feet-or-metres flag for Tx-Rx height (column " + num + ")",
              word_is(c, "is not f (feet) or m (metres)"));
      }
      a.feetmetres_a[ii] = fm;
    } else {
      read_data_column(rest, c, ii, a);
    }
  }
}

}  // namespace kivo
