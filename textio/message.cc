#include "textio/message.h"

#include "textio/text.h"

namespace kivo {

std::string fill(std::string_view templ, std::initializer_list<std::string_view> parts) {
  std::string out;
  out.reserve(templ.size());
  const std::string_view* part = parts.begin();
  for (std::size_t i = 0; i < templ.size(); ++i) {
    const bool opens = templ[i] == '<' && i + 1 < templ.size() && is_letter(templ[i + 1]);
    const std::size_t close = opens ? templ.find('>', i) : std::string_view::npos;
    if (close != std::string_view::npos && part != parts.end()) {
      out += *part++;
      i = close;
    } else {
      out += templ[i];
    }
  }
  return out;
}

}  // namespace kivo
