// The fatal stop. Every failure of every phase of a run ends here: `estop`
// throws a Stop carrying the message, and the run driver turns it into the
// console line "Stop: <message>." and exit status 1. Throwing (rather than
// exiting) lets each phase be driven and checked in-process by the tests.
#pragma once

#include <string>

namespace kivo {

struct Stop {
  std::string message;  // lower case, no final period
};

[[noreturn]] void estop(std::string message);

}  // namespace kivo
