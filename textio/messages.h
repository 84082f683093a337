// The messages of the text records: internal checks of the writers, and
// the line of a stop.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "textio/messages.def"
#define KIVO_LIST_ENUM TextioMsg
#define KIVO_LIST_TABLE kTextioMessages
#include "textio/message_list.inc"

}  // namespace kivo
