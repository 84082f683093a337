// The messages of kivo --look: its stops, its console line, and the lines
// on standard error that say where an observations file is not as kivo
// writes it.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_LOOK_MESSAGES(X) \
  X(not_found, stop, "cannot find observations file \"<observations file name>\"") \
  X(cannot_open, stop, "cannot open observations file \"<observations file name>\"") \
  X(cannot_read, stop, "error reading observations file \"<observations file name>\"") \
  X(not_observations, stop, "\"<observations file name>\" is not an observations file") \
  X(no_match, stop, "no observations file matches \"<output file name>\"") \
  X(cannot_write_page, stop, "error writing page \"<observations file name>.html\"") \
  X(wrote, console, "Wrote \"<observations file name>.html\": <S> soundings, <n> frequencies.") \
  X(empty_file, standard_error, "expected the count line, found an empty file") \
  X(field, standard_error, "expected <field> in characters <a> to <b>, found <text>") \
  X(length, standard_error, "expected <record> of <n> characters, found <m>") \
  X(data_length, standard_error, \
    "expected a data line of 123 characters (both components) or 93 (one), found <m>") \
  X(file_ends, standard_error, \
    "expected <record>, found the end of the file (<n> of <m> sounding blocks read)") \
  X(lines_after, standard_error, \
    "expected the end of the file after the <n> sounding blocks that the count line counts, " \
    "found another line") \
  X(line_end, standard_error, "expected the line end CR LF") \
  X(too_long, standard_error, "expected a line of at most 123 characters, found a longer one") \
  X(as_in_first, standard_error, "expected <text> as in the first block, found <text>") \
  X(length_as_in_first, standard_error, \
    "expected a line of <n> characters as in the first block, found <m>") \
  X(height, standard_error, \
    "expected the height of the block's first transmitter line, <text>, found <text>")

KIVO_MESSAGE_LIST(LookMsg, kLookMessages, KIVO_LOOK_MESSAGES);

}  // namespace kivo
