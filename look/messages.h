// The messages of kivo --look: its stops, its console line, and the lines
// on standard error that say where an observations file is not as kivo
// writes it.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "look/messages.def"
#define KIVO_LIST_ENUM LookMsg
#define KIVO_LIST_TABLE kLookMessages
#include "textio/message_list.inc"

}  // namespace kivo
