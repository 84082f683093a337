#include "textio/stop.h"

#include <utility>

#include "textio/messages.h"
#include "textio/writer.h"

namespace kivo {

void estop(std::string message) {
  throw Stop{std::move(message), {}};
}

void estop(std::string message, std::string where) {
  throw Stop{std::move(message), std::move(where)};
}

void show_stop(std::FILE* console, std::FILE* errors, const Stop& stop) {
  if (!stop.where.empty()) error_line(console, errors, stop.where);
  top_line(console, text(TextioMsg::stop_line, {stop.message}));
}

std::string place(std::string_view file, std::int64_t line, std::size_t column,
                  std::string_view what) {
  std::string s(file);
  if (line > 0) {
    s += ':';
    s += std::to_string(line);
    if (column > 0) {
      s += ':';
      s += std::to_string(column);
    }
  }
  s += ": ";
  s += what;
  return s;
}

std::string quoted_text(std::string_view text) {
  constexpr std::size_t kMost = 40;
  constexpr const char* kHex = "0123456789ABCDEF";
  std::string s = "\"";
  for (std::size_t i = 0; i < text.size() && i < kMost; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) {
      s += "\\x";
      s += kHex[c >> 4];
      s += kHex[c & 15];
    } else {
      s += static_cast<char>(c);
    }
  }
  s += '"';
  return s;
}

}  // namespace kivo
