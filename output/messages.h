// The messages of the observations file: its stops, its console lines,
// and the lines on standard error that point at the line of kivo.in to act on.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_OUTPUT_MESSAGES(X) \
  X(is_data, stop, "output file \"<output file name>\" is the data file") \
  X(is_params, stop, "output file \"<output file name>\" is the parameters file") \
  X(cannot_open, stop, "error opening output file \"<output file name>\"") \
  X(count_record, stop, "error writing number of soundings to file \"<output file name>\"") \
  X(position_record, stop, "error writing x & y for sounding <s>") \
  X(frequency_record, stop, "error writing freq. <k> for sound. <s>") \
  X(transmitter_record, stop, "error writing transmitter data for sounding <s>") \
  X(bad_inqu, stop, "inconsistent inqu while writing out sounding <s>") \
  X(too_many, stop, "more than 99999 soundings to write to \"<output file name>\"") \
  X(all_null, stop, \
    "every sounding holds a null value: nothing to write to \"<output file name>\"") \
  X(no_block, stop, "no sounding to write to \"<output file name>\"") \
  X(data_record, stop, "error writing data for freq. <k>, sound. <s>") \
  X(cannot_close, stop, "error closing output file \"<output file name>\"") \
  X(writing, console, "Writing data to \"<output file name>\".") \
  X(written, console, "<n> soundings written to \"<file name>\".") \
  X(written_one, console, "<n> sounding written to \"<file name>\".") \
  X(keeps, standard_error, \
    "averaging line: <text> keeps <n> soundings, more than the 99999 that an observations file " \
    "can count (average with \"av\", decimate with \"de\", or split the survey)") \
  X(all_null_line, standard_error, \
    "null line: each of the <n> soundings of \"<data file name>\" holds one of these values in a " \
    "used column") \
  X(no_block_line, standard_error, "averaging line: <text> leaves no block in any flight line")

KIVO_MESSAGE_LIST(OutputMsg, kOutputMessages, KIVO_OUTPUT_MESSAGES);

}  // namespace kivo
