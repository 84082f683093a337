// The stops of kivo --init.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_INIT_MESSAGES(X) \
  X(no_name, stop, "kivo --init needs the name of a data file") \
  X(line_end, stop, "a data file name with a line end cannot stand in \"kivo.in\"") \
  X(params_exists, stop, "parameters file \"kivo.in\" already exists") \
  X(not_found, stop, "cannot find data file \"<data file name>\"") \
  X(cannot_open, stop, "cannot open \"<file name>\"") \
  X(cannot_read, stop, "cannot read \"<file name>\"") \
  X(no_definitions, stop, "no column definitions in \"<definition file name>\"") \
  X(no_row, stop, "no row of values in \"<data file name>\" to count its columns") \
  X(cannot_write, stop, "error writing parameters file \"kivo.in\"")

KIVO_MESSAGE_LIST(InitMsg, kInitMessages, KIVO_INIT_MESSAGES);

}  // namespace kivo
