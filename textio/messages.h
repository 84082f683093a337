// The messages of the text records: internal checks of the writers, and
// the line of a stop.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_TEXTIO_MESSAGES(X) \
  X(digits, stop, "general real field with <d> digits") \
  X(record_too_long, stop, "record of <n> characters written into a text of <length>") \
  X(record_too_large, stop, "record of more than 2^40 characters") \
  X(stop_line, console, "Stop: <message>.")

KIVO_MESSAGE_LIST(TextioMsg, kTextioMessages, KIVO_TEXTIO_MESSAGES);

}  // namespace kivo
