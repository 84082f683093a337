// The messages of the parameters file kivo.in: its stops, its console
// lines, and the lines on standard error that say where in kivo.in a stop
// comes from.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "params/messages.def"
#define KIVO_LIST_ENUM ParamsMsg
#define KIVO_LIST_TABLE kParamsMessages
#include "textio/message_list.inc"

}  // namespace kivo
