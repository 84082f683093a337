#include "textio/stop.h"

#include <utility>

namespace kivo {

void estop(std::string message) {
  throw Stop{std::move(message)};
}

}  // namespace kivo
