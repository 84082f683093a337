// The console lines of the run driver.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "driver/messages.def"
#define KIVO_LIST_ENUM DriverMsg
#define KIVO_LIST_TABLE kDriverMessages
#include "textio/message_list.inc"

}  // namespace kivo
