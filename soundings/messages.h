// The messages of the data file's counting and reading passes: their
// stops, their console lines, the lines on standard error that say where in
// the data file a stop comes from, and the notes on suspicious values.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LIST_FILE "soundings/messages.def"
#define KIVO_LIST_ENUM SoundingsMsg
#define KIVO_LIST_TABLE kSoundingsMessages
#include "textio/message_list.inc"

}  // namespace kivo
