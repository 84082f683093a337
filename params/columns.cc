// The column lines of "kivo.in": one line per column of the data file, giving
// its role and, for a data column, the eleven fields of its descriptor. Every
// field is read and checked before the next word is looked at, so the first
// bad field of the first bad column is the one reported.
#include <cstdint>
#include <string>
#include <string_view>

#include "params/messages.h"
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

// The line that points at the word read last, saying `id` of it: the
// column, the word's number and field, the word quoted, and the reason.
std::string word_is(const ColumnLine& c, ParamsMsg id, std::string_view reason = {}) {
  const std::size_t column =
      c.word.empty() ? 0 : static_cast<std::size_t>(c.word.data() - c.text.data()) + 1;
  return params_place(
      c.line, column,
      text(id, {c.num, std::to_string(c.word_no), c.field, quoted_text(c.word), reason}));
}

// Reads the next word, field number `word_no`, into the item. A word that
// gives no value (empty, a lone comma or slash, a bare repeat count) is a
// failure like a malformed one.
void read_word(std::string_view& rest, ColumnLine& c, int word_no, const char* field,
               const Item& item, const std::string& message) {
  c.word = next_word(rest);
  c.word_no = word_no;
  c.field = field;
  if (c.word.empty()) estop(message, word_is(c, ParamsMsg::word_missing));
  bool assigned = false;
  const int status = read_one(c.word, item, assigned);
  if (status != 0) estop(message, word_is(c, ParamsMsg::word_bad, fault_reason(status, item.kind)));
  if (!assigned) estop(message, word_is(c, ParamsMsg::word_no_value));
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

// The stop `id` for the column of column line c.
std::string stop_text(const ColumnLine& c, ParamsMsg id) {
  return text(id, {c.num});
}

// The eleven fields of data column index i.
void read_data_column(std::string_view rest, ColumnLine& c, std::size_t i, Arrays& a) {
  const float freq = read_real(rest, c, 1, "frequency", stop_text(c, ParamsMsg::frequency));
  // Written so that a NaN fails as well.
  if (!(freq > 0))
    estop(stop_text(c, ParamsMsg::frequency_low), word_is(c, ParamsMsg::word_not_above_0));
  a.freqs_a[i] = freq;

  const char ot =
      read_letter(rest, c, 2, "transmitter orientation", stop_text(c, ParamsMsg::tx_orientation));
  if (!one_of(ot, "xXyYzZ")) {
    estop(stop_text(c, ParamsMsg::tx_orientation_bad), word_is(c, ParamsMsg::word_not_xyz));
  }
  a.ot_a[i] = ot;

  a.momt_a[i] = read_real(rest, c, 3, "transmitter moment", stop_text(c, ParamsMsg::moment));

  const char orr =
      read_letter(rest, c, 4, "receiver orientation", stop_text(c, ParamsMsg::rx_orientation));
  if (!one_of(orr, "xXyYzZ")) {
    estop(stop_text(c, ParamsMsg::rx_orientation_bad), word_is(c, ParamsMsg::word_not_xyz));
  }
  a.or_a[i] = orr;

  const char fm = read_letter(rest, c, 5, "feet-or-metres flag", stop_text(c, ParamsMsg::flag));
  if (!one_of(fm, "fFmM"))
    estop(stop_text(c, ParamsMsg::flag_bad), word_is(c, ParamsMsg::word_not_fm));
  a.feetmetres_a[i] = fm;
  const bool feet = fm == 'f' || fm == 'F';

  float trx = read_real(rest, c, 6, "Tx-Rx x separation", stop_text(c, ParamsMsg::x_separation));
  if (feet) trx *= kFeetToMetres;
  a.trx_a[i] = trx;

  float try_ = read_real(rest, c, 7, "Tx-Rx y separation", stop_text(c, ParamsMsg::y_separation));
  if (feet) try_ *= kFeetToMetres;
  a.try_a[i] = try_;

  const std::int32_t ontype =
      read_integer(rest, c, 8, "normalization type", stop_text(c, ParamsMsg::normalization));
  if (ontype < 1 || ontype > 4) {
    estop(stop_text(c, ParamsMsg::normalization_bad), word_is(c, ParamsMsg::word_not_1234));
  }
  a.ontype_a[i] = ontype;

  const char iq =
      read_letter(rest, c, 9, "in-phase/quadrature flag", stop_text(c, ParamsMsg::inqu));
  if (!one_of(iq, "iIqQ"))
    estop(stop_text(c, ParamsMsg::inqu_bad), word_is(c, ParamsMsg::word_not_iq));
  a.inqu_a[i] = iq;

  const float perr =
      read_real(rest, c, 10, "percentage uncertainty", stop_text(c, ParamsMsg::percentage));
  if (!(perr >= 0))
    estop(stop_text(c, ParamsMsg::percentage_low), word_is(c, ParamsMsg::word_below_0));
  a.perr_a[i] = perr;

  const float terr =
      read_real(rest, c, 11, "threshold uncertainty", stop_text(c, ParamsMsg::threshold));
  if (!(terr >= 0))
    estop(stop_text(c, ParamsMsg::threshold_low), word_is(c, ParamsMsg::word_below_0));
  if (perr == 0 && terr == 0) {
    estop(stop_text(c, ParamsMsg::both_zero), word_is(c, ParamsMsg::word_both_zero));
  }
  a.terr_a[i] = terr;
}

// Gives column k a coordinate role; a role given by an earlier line is an
// error, since that column would be left a data column without its fields.
// `both` is the stop, `second` the line at the second column.
void set_coordinate(const Params& p, std::int32_t& role_col, std::int32_t k, ParamsMsg both,
                    ParamsMsg second) {
  if (role_col != 0) {
    estop(text(both, {number_text(role_col, 8), number_text(k, 9)}),
          column_place(p, k, text(second, {number_text(k), number_text(role_col)})));
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
      const std::string message = text(ParamsMsg::column_line, {num});
      if (status > 0) estop(message);  // the file system failed
      estop(message, params_place(f.line + 1, 0,
                                  text(ParamsMsg::ends_column_line, {num, number_text(p.ncols)})));
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
      set_coordinate(p, p.linecol, k, ParamsMsg::both_line, ParamsMsg::second_line);
      continue;
    }
    a.usecol_a[ii] = 1;
    if (first == 'x' || first == 'X') {
      set_coordinate(p, p.xcol, k, ParamsMsg::both_x, ParamsMsg::second_x);
    } else if (first == 'y' || first == 'Y') {
      set_coordinate(p, p.ycol, k, ParamsMsg::both_y, ParamsMsg::second_y);
    } else if (first == 'z' || first == 'Z') {
      set_coordinate(p, p.zcol, k, ParamsMsg::both_height, ParamsMsg::second_height);
      next_word(rest);  // the word that chose the role
      const char fm = read_letter(rest, c, 2, "feet-or-metres flag of the height",
                                  text(ParamsMsg::height_units, {num}));
      if (!one_of(fm, "fFmM")) {
        estop(text(ParamsMsg::height_flag, {num}), word_is(c, ParamsMsg::word_not_fm));
      }
      a.feetmetres_a[ii] = fm;
    } else {
      read_data_column(rest, c, ii, a);
    }
  }
}

}  // namespace kivo
