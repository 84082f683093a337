// The averaging line of "kivo.in": no thinning ("al"), averaging over the
// neighbouring soundings ("av <n>") or decimation ("de <n>"). It is the last
// line read; the parameters file is closed after it.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "params/messages.h"
#include "params/params.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/text.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// The text after the option word: from its first blank on, left-adjusted.
// Empty when the line buffer holds no blank at all.
std::string_view number_part(std::string_view adjusted) {
  const std::size_t blank = adjusted.find(' ');
  return blank == std::string_view::npos ? std::string_view()
                                         : left_adjusted(adjusted.substr(blank));
}

bool is_word_separator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// The averaging line being read: as read, and where it stands.
struct AveragingLine {
  const std::string& text;
  std::int64_t line;
};

// The line that points at `word` of the averaging line (an empty word: at
// no position), saying `id` of it, with the word quoted and the reason.
std::string line_place(const AveragingLine& l, std::string_view word, ParamsMsg id,
                       std::string_view reason = {}) {
  const std::size_t column =
      word.empty() ? 0 : static_cast<std::size_t>(word.data() - l.text.data()) + 1;
  return params_place(l.line, column, text(id, {quoted_text(word), reason}));
}

// The first value of a text, as the free-format read would take it: up to a
// blank, tab, comma or slash (a comma or slash alone when it stands first).
std::string_view first_token(std::string_view text) {
  const std::size_t end = text.find_first_of(" \t,/");
  return text.substr(0, end == 0 ? 1 : end);
}

// One integer from the number text; a null value or a slash leaves 0.
// `missing` is the line for an option without its number.
std::int32_t read_number(const AveragingLine& l, std::string_view option, std::string_view text,
                         ParamsMsg missing, const std::string& message, bool& assigned) {
  std::int32_t n = 0;
  const Item item = int_item(n);
  const int status = read_one(text, item, assigned);
  const std::string_view token = first_token(trimmed(text));
  if (status < 0) {
    estop(message, line_place(l, option, missing));
  }
  if (status > 0) {
    estop(message,
          line_place(l, token, ParamsMsg::averaging_bad, fault_reason(status, ItemKind::integer)));
  }
  return n;
}

// The number an option takes, and its messages: the stop when it cannot be
// read and the line for an option without it, the stop when it is below
// `least` and the lines for a number below it and for a value that gives no
// number (which reads as 0).
struct OptionNumber {
  ParamsMsg unread;
  ParamsMsg missing;
  std::int32_t least;
  ParamsMsg low;
  ParamsMsg below;
  ParamsMsg no_value;
};

constexpr OptionNumber kAveragingNumber{
    ParamsMsg::averaging_number, ParamsMsg::no_averaging_number, 0,
    ParamsMsg::averaging_low,    ParamsMsg::averaging_below_0,   ParamsMsg::averaging_below_0};
constexpr OptionNumber kDecimatingNumber{
    ParamsMsg::decimating_number, ParamsMsg::no_decimating_number, 1,
    ParamsMsg::decimating_low,    ParamsMsg::decimating_below_1,   ParamsMsg::decimating_no_value};

// The number after the option of the averaging line, at least `o.least`.
std::int32_t option_number(const AveragingLine& l, std::string_view option,
                           std::string_view adjusted, const OptionNumber& o) {
  const std::string_view number = number_part(adjusted);
  bool assigned = false;
  const std::int32_t n = read_number(l, option, number, o.missing, text(o.unread), assigned);
  if (n < o.least) {
    estop(text(o.low), line_place(l, first_token(number), assigned ? o.below : o.no_value));
  }
  return n;
}

}  // namespace

void read_averaging_line(ReadFile& f, Params& p, std::FILE* console) {
  std::string line(kLineLength, ' ');
  if (const int status = read_char_field(f, line.data(), kLineLength)) {
    const std::string message = text(ParamsMsg::averaging_line);
    if (status > 0) estop(message);  // the file system failed
    estop(message,
          params_place(f.line + 1, 0, text(ParamsMsg::ends_averaging, {number_text(p.ncols)})));
  }
  const AveragingLine l{line, f.line};
  const std::string_view adjusted = left_adjusted(line);
  const std::string_view option = adjusted.substr(0, adjusted.find(' '));
  p.averaging_place = {
      f.line, option.empty() ? 0 : static_cast<std::size_t>(option.data() - line.data()) + 1};
  p.averaging_word.assign(option);
  // The option letters are compared as typed: all lower or all upper case.
  const std::string_view letters = adjusted.substr(0, 2);

  if (letters == "al" || letters == "AL") {
    p.naverage = 0;
    p.ndecimate = 1;
    progress_line(console, text(ParamsMsg::no_thinning));
  } else if (letters == "av" || letters == "AV") {
    const std::int32_t n = option_number(l, option, adjusted, kAveragingNumber);
    p.naverage = n;
    p.ndecimate = 1;
    progress_line(console, text(n == 1 ? ParamsMsg::averaging_one : ParamsMsg::averaging,
                                {number_text(n, 9)}));
  } else if (letters == "de" || letters == "DE") {
    const std::int32_t n = option_number(l, option, adjusted, kDecimatingNumber);
    p.naverage = 0;
    p.ndecimate = n;
    progress_line(console, text(ParamsMsg::decimating, {number_text(n, 9)}));
  } else {
    estop(
        text(ParamsMsg::averaging_option),
        line_place(l, option,
                   option.empty() ? ParamsMsg::averaging_blank : ParamsMsg::averaging_not_option));
  }
  // The record after the averaging line may name the null markers; at the
  // end of the file, or when the file cannot be read, there is none.
  p.nulls = Nulls{};
  p.null_place = {};
  std::string_view rec;
  if (next_record(f, std::string_view::npos, rec) == 0) read_null_line(rec, f.line, p);
  close_read(f);
}

void read_null_line(std::string_view record, std::int64_t line, Params& p) {
  p.nulls = Nulls{};
  p.null_place = {};
  std::size_t i = 0;
  while (i < record.size() && (record[i] == ' ' || record[i] == '\t')) ++i;
  const std::size_t start = i;
  // "null" or "nulls" in any case, then a separator or the record's end.
  std::size_t word = 0;
  while (word < 4 && start + word < record.size() &&
         to_lower(record[start + word]) == "null"[word]) {
    ++word;
  }
  if (word < 4) return;
  if (start + word < record.size() && to_lower(record[start + word]) == 's') ++word;
  const std::size_t after = start + word;
  const bool ends = after == record.size();
  if (!ends && !is_word_separator(record[after])) return;  // "nullx": a comment
  Nulls& n = p.nulls;
  const std::string_view markers = ends ? std::string_view() : record.substr(after + 1);
  for (const std::string& w : record_words(markers)) {
    if (w.empty()) continue;
    // A number needs a digit, or is NaN or an infinity: "-" and "--" read
    // as 0 under the free-format rules, but they are words, not zeros.
    float v = 0.0f;
    const bool digit = w.find_first_of("0123456789") != std::string::npos;
    if (convert_real(w, v) != 0 || !(digit || std::isnan(v) || std::isinf(v))) {
      n.texts.push_back(w);
    } else if (std::isnan(v)) {
      if (!n.nan) n.nan_typed = w;
      n.nan = true;
    } else {
      n.values.push_back(v);
      n.typed.push_back(w);
    }
  }
  p.null_place = {line, start + 1};
  if (!n.any()) {
    estop(text(ParamsMsg::no_nulls),
          params_place(line, start + 1,
                       text(ParamsMsg::null_no_value, {quoted_text(record.substr(start, word))})));
  }
}

}  // namespace kivo
