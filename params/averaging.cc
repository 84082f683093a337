// The averaging line of "kivo.in": no thinning ("al"), averaging over the
// neighbouring soundings ("av <n>") or decimation ("de <n>"). It is the last
// line read; the parameters file is closed after it.
#include <cstdint>
#include <string>
#include <string_view>

#include "params/params.h"
#include "textio/reader.h"
#include "textio/stop.h"
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

// One integer from the number text; a null value or a slash leaves 0.
std::int32_t read_number(std::string_view text, const std::string& message) {
  std::int32_t n = 0;
  const Item item = int_item(n);
  if (read_list(text, {&item, 1}) != 0) estop(message);
  return n;
}

std::string params_quoted() {
  return std::string("\"") + kParamsName + "\"";
}

}  // namespace

void read_averaging_line(ReadFile& f, Params& p, std::FILE* console) {
  std::string line(kLineLength, ' ');
  if (read_char_field(f, line.data(), kLineLength) != 0) {
    estop("error reading averaging/decimating info from " + params_quoted());
  }
  const std::string_view adjusted = left_adjusted(line);
  // The option letters are compared as typed: all lower or all upper case.
  const std::string_view letters = adjusted.substr(0, 2);

  if (letters == "al" || letters == "AL") {
    p.naverage = 0;
    p.ndecimate = 1;
    progress_line(console, "No averaging nor decimation to be applied.");
  } else if (letters == "av" || letters == "AV") {
    const std::int32_t n = read_number(number_part(adjusted),
                                       "error reading averaging number from " + params_quoted());
    if (n < 0) estop("averaging number read from " + params_quoted() + " < 0");
    p.naverage = n;
    p.ndecimate = 1;
    progress_line(console, "Averaging over " + number_text(n, 9) + " neighbouring sounding" +
                               (n == 1 ? "" : "s") + " (on each side).");
  } else if (letters == "de" || letters == "DE") {
    const std::int32_t n = read_number(number_part(adjusted),
                                       "error reading decimating number from " + params_quoted());
    if (n < 1) estop("decimating number read from " + params_quoted() + " < 1");
    p.naverage = 0;
    p.ndecimate = n;
    progress_line(console, "Decimating to 1 in " + number_text(n, 9) + " soundings.");
  } else {
    estop("inappropriate averaging/decimating option read from " + params_quoted());
  }
  close_read(f);
}

}  // namespace kivo
