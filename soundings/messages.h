// The messages of the data file's counting and reading passes: their
// stops, their console lines, the lines on standard error that say where in
// the data file a stop comes from, and the notes on suspicious values.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class SoundingsMsg {
  data_missing,
  data_cannot_open,
  counting,
  too_many,
  read_line,
  read_sounding,
  bad_inqu,
  bad_pair,
  reading_data,
  found,
  window_lowered,
  bad_flags,
  value_bad,
  value_dummy,
  ends_empty,
  ends_short,
  marker_first,
  marker_here,
  marker_first_add,
  marker_here_add,
  empty_before,
  empty_zero,
  spans,
  spans_one,
  short_flights,
  short_flight,
  null_first,
  null_here,
  empty_null_first,
  empty_null_here,
  wide,
  wide_one_row,
  wide_one_column,
  wide_one_each,
  low_first,
  low_here,
};

inline constexpr Message<SoundingsMsg> kSoundingsMessages[] = {
    {SoundingsMsg::data_missing, Channel::stop, "data file \"<data file name>\" does not exist"},
    {SoundingsMsg::data_cannot_open, Channel::stop, "error opening data file \"<data file name>\""},
    {SoundingsMsg::counting, Channel::stop, "error counting soundings in \"<data file name>\""},
    {SoundingsMsg::too_many, Channel::stop, "too many soundings in \"<data file name>\""},
    {SoundingsMsg::read_line, Channel::stop, "error reading line <L> from \"<data file name>\""},
    {SoundingsMsg::read_sounding, Channel::stop,
     "error reading data for sounding <s> from \"<data file name>\""},
    {SoundingsMsg::bad_inqu, Channel::stop, "inconsistent inqu value (column <N>)"},
    {SoundingsMsg::bad_pair, Channel::stop,
     "inconsistent pairing of inphase & quadrature values (col <N>)"},
    {SoundingsMsg::reading_data, Channel::console, "Reading data from \"<data file name>\"."},
    {SoundingsMsg::found, Channel::console, "<S> soundings found in \"<data file name>\"."},
    {SoundingsMsg::window_lowered, Channel::console, "Averaging number too large: changed to <n>."},
    {SoundingsMsg::bad_flags, Channel::standard_error,
     "column <K>: its flag \"<c>\" and the flag \"<c>\" of column <J> make no in-phase/quadrature "
     "pair (one i, the other q)"},
    {SoundingsMsg::value_bad, Channel::standard_error, "sounding <s>, column <N>: <text> <reason>"},
    {SoundingsMsg::value_dummy, Channel::standard_error,
     "sounding <s>, column <N>: <text> is not a number (a dummy value? kivo needs a number in "
     "every column)"},
    {SoundingsMsg::ends_empty, Channel::standard_error,
     "sounding <s>: the file ends after <n> of <m> values (an empty last line?)"},
    {SoundingsMsg::ends_short, Channel::standard_error,
     "sounding <s>: the file ends after <n> of <m> values (a short last row?)"},
    {SoundingsMsg::marker_first, Channel::standard_error,
     "note: column <N> holds <value> in <count> (the first here); kivo converts it as a value (a "
     "null line \"null <value>\" leaves such soundings out)"},
    {SoundingsMsg::marker_here, Channel::standard_error,
     "note: column <N> holds <value> in <count> (here); kivo converts it as a value (a null line "
     "\"null <value>\" leaves such soundings out)"},
    {SoundingsMsg::marker_first_add, Channel::standard_error,
     "note: column <N> holds <value> in <count> (the first here); kivo converts it as a value (add "
     "<value> to the null line to leave such soundings out)"},
    {SoundingsMsg::marker_here_add, Channel::standard_error,
     "note: column <N> holds <value> in <count> (here); kivo converts it as a value (add <value> "
     "to the null line to leave such soundings out)"},
    {SoundingsMsg::empty_before, Channel::standard_error,
     "note: column <N> of sounding <s> is empty and keeps the value of the sounding before "
     "(<count>)"},
    {SoundingsMsg::empty_zero, Channel::standard_error,
     "note: column <N> of sounding <s> is empty and reads as 0 (<count>)"},
    {SoundingsMsg::spans, Channel::standard_error,
     "note: sounding <s> takes its values from lines <a> to <b> (<count> do); <r> soundings read "
     "where <c> were counted"},
    {SoundingsMsg::spans_one, Channel::standard_error,
     "note: sounding <s> takes its values from lines <a> to <b> (<count> does); <r> soundings read "
     "where <c> were counted"},
    {SoundingsMsg::short_flights, Channel::standard_error,
     "note: <n> flight lines shorter than the window of <W> soundings gave no block (<count>; the "
     "first begins here)"},
    {SoundingsMsg::short_flight, Channel::standard_error,
     "note: <n> flight line shorter than the window of <W> soundings gave no block (<count>; the "
     "first begins here)"},
    {SoundingsMsg::null_first, Channel::standard_error,
     "note: column <N> (null <text>) left out <count> (the first here)"},
    {SoundingsMsg::null_here, Channel::standard_error,
     "note: column <N> (null <text>) left out <count> (here)"},
    {SoundingsMsg::empty_null_first, Channel::standard_error,
     "note: column <N> (an empty value) left out <count> (the first here)"},
    {SoundingsMsg::empty_null_here, Channel::standard_error,
     "note: column <N> (an empty value) left out <count> (here)"},
    {SoundingsMsg::wide, Channel::standard_error,
     "note: rows hold more values than the <n> columns of \"kivo.in\" (<m> here; <count> rows do): "
     "values past column <n> are not read"},
    {SoundingsMsg::wide_one_row, Channel::standard_error,
     "note: rows hold more values than the <n> columns of \"kivo.in\" (<m> here; <count> row "
     "does): values past column <n> are not read"},
    {SoundingsMsg::wide_one_column, Channel::standard_error,
     "note: rows hold more values than the <n> column of \"kivo.in\" (<m> here; <count> rows do): "
     "values past column <n> are not read"},
    {SoundingsMsg::wide_one_each, Channel::standard_error,
     "note: rows hold more values than the <n> column of \"kivo.in\" (<m> here; <count> row does): "
     "values past column <n> are not read"},
    {SoundingsMsg::low_first, Channel::standard_error,
     "note: the height (column <N>) is 0 or below in <count> (the first here)"},
    {SoundingsMsg::low_here, Channel::standard_error,
     "note: the height (column <N>) is 0 or below in <count> (here)"},
};
static_assert(in_id_order(kSoundingsMessages));

constexpr const auto& messages(SoundingsMsg) {
  return kSoundingsMessages;
}

}  // namespace kivo
