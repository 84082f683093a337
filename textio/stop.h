// The fatal stop. Every failure of every phase of a run ends here: `estop`
// throws a Stop carrying the message, and the run driver turns it into the
// console line "Stop: <message>." and exit status 1. Throwing (rather than
// exiting) lets each phase be driven and checked in-process by the tests.
//
// A stop caused by what a file holds also carries the line that says where:
// "<file>:<line>:<column>: <what was found>", the form that editors and
// terminals jump to, which the driver shows on standard error first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kivo {

struct Stop {
  std::string message;  // lower case, no final period
  std::string where;    // the line that points at the cause, or empty
};

[[noreturn]] void estop(std::string message);
[[noreturn]] void estop(std::string message, std::string where);

// The lines of a stop: the line on standard error that says where, if any,
// then "Stop: <message>." on the console.
void show_stop(std::FILE* console, std::FILE* errors, const Stop& stop);

// "<file>:<line>:<column>: <what>"; the column is left out, with its colon,
// when it is 0, and the line too when it is 0.
std::string place(std::string_view file, std::int64_t line, std::size_t column,
                  std::string_view what);

// A text put into such a line: between quotation marks, its first 40
// characters, with a control character shown as \xNN so that it cannot
// upset the terminal.
std::string quoted_text(std::string_view text);

}  // namespace kivo
