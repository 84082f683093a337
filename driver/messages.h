// The console lines of the run driver.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_DRIVER_MESSAGES(X) \
  X(converting, console, "Converting to QUINSA observations format.") \
  X(left_out, console, "<k> soundings left out for null values.") \
  X(left_out_one, console, "<k> sounding left out for null values.") \
  X(done, console, "Done.")

KIVO_MESSAGE_LIST(DriverMsg, kDriverMessages, KIVO_DRIVER_MESSAGES);

}  // namespace kivo
