// The messages of the observations file: its stops, its console lines,
// and the lines on standard error that point at the line of kivo.in to act on.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "output/messages.def"
#define KIVO_LIST_ENUM OutputMsg
#define KIVO_LIST_TABLE kOutputMessages
#include "textio/message_list.inc"

}  // namespace kivo
