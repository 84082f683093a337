// The messages of the data file's counting and reading passes: their
// stops, their console lines, the lines on standard error that say where in
// the data file a stop comes from, and the notes on suspicious values.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_SOUNDINGS_MESSAGES(X) \
  X(data_missing, stop, "data file \"<data file name>\" does not exist") \
  X(data_cannot_open, stop, "error opening data file \"<data file name>\"") \
  X(counting, stop, "error counting soundings in \"<data file name>\"") \
  X(too_many, stop, "too many soundings in \"<data file name>\"") \
  X(read_line, stop, "error reading line <L> from \"<data file name>\"") \
  X(read_sounding, stop, "error reading data for sounding <s> from \"<data file name>\"") \
  X(bad_inqu, stop, "inconsistent inqu value (column <N>)") \
  X(bad_pair, stop, "inconsistent pairing of inphase & quadrature values (col <N>)") \
  X(reading_data, console, "Reading data from \"<data file name>\".") \
  X(found, console, "<S> soundings found in \"<data file name>\".") \
  X(window_lowered, console, "Averaging number too large: changed to <n>.") \
  X(bad_flags, standard_error, \
    "column <K>: its flag \"<c>\" and the flag \"<c>\" of column <J> make no in-phase/quadrature " \
    "pair (one i, the other q)") \
  X(value_bad, standard_error, "sounding <s>, column <N>: <text> <reason>") \
  X(value_dummy, standard_error, \
    "sounding <s>, column <N>: <text> is not a number (a dummy value? kivo needs a number in " \
    "every column)") \
  X(ends_empty, standard_error, \
    "sounding <s>: the file ends after <n> of <m> values (an empty last line?)") \
  X(ends_short, standard_error, \
    "sounding <s>: the file ends after <n> of <m> values (a short last row?)") \
  X(marker_first, standard_error, \
    "note: column <N> holds <value> in <count> (the first here); kivo converts it as a value (a " \
    "null line \"null <value>\" leaves such soundings out)") \
  X(marker_here, standard_error, \
    "note: column <N> holds <value> in <count> (here); kivo converts it as a value (a null line " \
    "\"null <value>\" leaves such soundings out)") \
  X(marker_first_add, standard_error, \
    "note: column <N> holds <value> in <count> (the first here); kivo converts it as a value " \
    "(add <value> to the null line to leave such soundings out)") \
  X(marker_here_add, standard_error, \
    "note: column <N> holds <value> in <count> (here); kivo converts it as a value (add <value> " \
    "to the null line to leave such soundings out)") \
  X(empty_before, standard_error, \
    "note: column <N> of sounding <s> is empty and keeps the value of the sounding before " \
    "(<count>)") \
  X(empty_zero, standard_error, \
    "note: column <N> of sounding <s> is empty and reads as 0 (<count>)") \
  X(spans, standard_error, \
    "note: sounding <s> takes its values from lines <a> to <b> (<count> do); <r> soundings read " \
    "where <c> were counted") \
  X(spans_one, standard_error, \
    "note: sounding <s> takes its values from lines <a> to <b> (<count> does); <r> soundings " \
    "read where <c> were counted") \
  X(short_flights, standard_error, \
    "note: <n> flight lines shorter than the window of <W> soundings gave no block (<count>; the " \
    "first begins here)") \
  X(short_flight, standard_error, \
    "note: <n> flight line shorter than the window of <W> soundings gave no block (<count>; the " \
    "first begins here)") \
  X(null_first, standard_error, \
    "note: column <N> (null <text>) left out <count> (the first here)") \
  X(null_here, standard_error, "note: column <N> (null <text>) left out <count> (here)") \
  X(empty_null_first, standard_error, \
    "note: column <N> (an empty value) left out <count> (the first here)") \
  X(empty_null_here, standard_error, "note: column <N> (an empty value) left out <count> (here)") \
  X(wide, standard_error, \
    "note: rows hold more values than the <n> columns of \"kivo.in\" (<m> here; <count> rows " \
    "do): values past column <n> are not read") \
  X(wide_one_row, standard_error, \
    "note: rows hold more values than the <n> columns of \"kivo.in\" (<m> here; <count> row " \
    "does): values past column <n> are not read") \
  X(wide_one_column, standard_error, \
    "note: rows hold more values than the <n> column of \"kivo.in\" (<m> here; <count> rows do): " \
    "values past column <n> are not read") \
  X(wide_one_each, standard_error, \
    "note: rows hold more values than the <n> column of \"kivo.in\" (<m> here; <count> row " \
    "does): values past column <n> are not read") \
  X(low_first, standard_error, \
    "note: the height (column <N>) is 0 or below in <count> (the first here)") \
  X(low_here, standard_error, "note: the height (column <N>) is 0 or below in <count> (here)")

KIVO_MESSAGE_LIST(SoundingsMsg, kSoundingsMessages, KIVO_SOUNDINGS_MESSAGES);

}  // namespace kivo
