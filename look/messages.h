// The messages of kivo --look: its stops, its console line, and the lines
// on standard error that say where an observations file is not as kivo
// writes it.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class LookMsg {
  not_found,
  cannot_open,
  cannot_read,
  not_observations,
  no_match,
  cannot_write_page,
  wrote,
  empty_file,
  field,
  length,
  data_length,
  file_ends,
  lines_after,
  line_end,
  too_long,
  as_in_first,
  length_as_in_first,
  height,
};

inline constexpr Message<LookMsg> kLookMessages[] = {
    {LookMsg::not_found, Channel::stop,
     "cannot find observations file \"<observations file name>\""},
    {LookMsg::cannot_open, Channel::stop,
     "cannot open observations file \"<observations file name>\""},
    {LookMsg::cannot_read, Channel::stop,
     "error reading observations file \"<observations file name>\""},
    {LookMsg::not_observations, Channel::stop,
     "\"<observations file name>\" is not an observations file"},
    {LookMsg::no_match, Channel::stop, "no observations file matches \"<output file name>\""},
    {LookMsg::cannot_write_page, Channel::stop,
     "error writing page \"<observations file name>.html\""},
    {LookMsg::wrote, Channel::console,
     "Wrote \"<observations file name>.html\": <S> soundings, <n> frequencies."},
    {LookMsg::empty_file, Channel::standard_error, "expected the count line, found an empty file"},
    {LookMsg::field, Channel::standard_error,
     "expected <field> in characters <a> to <b>, found <text>"},
    {LookMsg::length, Channel::standard_error, "expected <record> of <n> characters, found <m>"},
    {LookMsg::data_length, Channel::standard_error,
     "expected a data line of 123 characters (both components) or 93 (one), found <m>"},
    {LookMsg::file_ends, Channel::standard_error,
     "expected <record>, found the end of the file (<n> of <m> sounding blocks read)"},
    {LookMsg::lines_after, Channel::standard_error,
     "expected the end of the file after the <n> sounding blocks that the count line counts, "
     "found another line"},
    {LookMsg::line_end, Channel::standard_error, "expected the line end CR LF"},
    {LookMsg::too_long, Channel::standard_error,
     "expected a line of at most 123 characters, found a longer one"},
    {LookMsg::as_in_first, Channel::standard_error,
     "expected <text> as in the first block, found <text>"},
    {LookMsg::length_as_in_first, Channel::standard_error,
     "expected a line of <n> characters as in the first block, found <m>"},
    {LookMsg::height, Channel::standard_error,
     "expected the height of the block's first transmitter line, <text>, found <text>"},
};
static_assert(in_id_order(kLookMessages));

constexpr const auto& messages(LookMsg) {
  return kLookMessages;
}

}  // namespace kivo
