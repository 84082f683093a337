// The messages of kivo --init: its stops and its console lines, the
// warnings among them.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "init/messages.def"
#define KIVO_LIST_ENUM InitMsg
#define KIVO_LIST_TABLE kInitMessages
#include "textio/message_list.inc"

}  // namespace kivo
