// The messages of the observations file: its stops, its console lines,
// and the lines on standard error that point at the line of kivo.in to act on.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class OutputMsg {
  is_data,
  is_params,
  cannot_open,
  count_record,
  position_record,
  frequency_record,
  transmitter_record,
  bad_inqu,
  too_many,
  all_null,
  no_block,
  data_record,
  cannot_close,
  writing,
  written,
  written_one,
  keeps,
  all_null_line,
  no_block_line,
};

inline constexpr Message<OutputMsg> kOutputMessages[] = {
    {OutputMsg::is_data, Channel::stop, "output file \"<output file name>\" is the data file"},
    {OutputMsg::is_params, Channel::stop,
     "output file \"<output file name>\" is the parameters file"},
    {OutputMsg::cannot_open, Channel::stop, "error opening output file \"<output file name>\""},
    {OutputMsg::count_record, Channel::stop,
     "error writing number of soundings to file \"<output file name>\""},
    {OutputMsg::position_record, Channel::stop, "error writing x & y for sounding <s>"},
    {OutputMsg::frequency_record, Channel::stop, "error writing freq. <k> for sound. <s>"},
    {OutputMsg::transmitter_record, Channel::stop,
     "error writing transmitter data for sounding <s>"},
    {OutputMsg::bad_inqu, Channel::stop, "inconsistent inqu while writing out sounding <s>"},
    {OutputMsg::too_many, Channel::stop,
     "more than 99999 soundings to write to \"<output file name>\""},
    {OutputMsg::all_null, Channel::stop,
     "every sounding holds a null value: nothing to write to \"<output file name>\""},
    {OutputMsg::no_block, Channel::stop, "no sounding to write to \"<output file name>\""},
    {OutputMsg::data_record, Channel::stop, "error writing data for freq. <k>, sound. <s>"},
    {OutputMsg::cannot_close, Channel::stop, "error closing output file \"<output file name>\""},
    {OutputMsg::writing, Channel::console, "Writing data to \"<output file name>\"."},
    {OutputMsg::written, Channel::console, "<n> soundings written to \"<file name>\"."},
    {OutputMsg::written_one, Channel::console, "<n> sounding written to \"<file name>\"."},
    {OutputMsg::keeps, Channel::standard_error,
     "averaging line: <text> keeps <n> soundings, more than the 99999 that an observations file "
     "can count (average with \"av\", decimate with \"de\", or split the survey)"},
    {OutputMsg::all_null_line, Channel::standard_error,
     "null line: each of the <n> soundings of \"<data file name>\" holds one of these values in a "
     "used column"},
    {OutputMsg::no_block_line, Channel::standard_error,
     "averaging line: <text> leaves no block in any flight line"},
};
static_assert(in_id_order(kOutputMessages));

constexpr const auto& messages(OutputMsg) {
  return kOutputMessages;
}

}  // namespace kivo
