// The stops of kivo --init.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class InitMsg {
  no_name,
  line_end,
  params_exists,
  not_found,
  cannot_open,
  cannot_read,
  no_definitions,
  no_row,
  cannot_write,
};

inline constexpr Message<InitMsg> kInitMessages[] = {
    {InitMsg::no_name, Channel::stop, "kivo --init needs the name of a data file"},
    {InitMsg::line_end, Channel::stop,
     "a data file name with a line end cannot stand in \"kivo.in\""},
    {InitMsg::params_exists, Channel::stop, "parameters file \"kivo.in\" already exists"},
    {InitMsg::not_found, Channel::stop, "cannot find data file \"<data file name>\""},
    {InitMsg::cannot_open, Channel::stop, "cannot open \"<file name>\""},
    {InitMsg::cannot_read, Channel::stop, "cannot read \"<file name>\""},
    {InitMsg::no_definitions, Channel::stop, "no column definitions in \"<definition file name>\""},
    {InitMsg::no_row, Channel::stop,
     "no row of values in \"<data file name>\" to count its columns"},
    {InitMsg::cannot_write, Channel::stop, "error writing parameters file \"kivo.in\""},
};
static_assert(in_id_order(kInitMessages));

constexpr const auto& messages(InitMsg) {
  return kInitMessages;
}

}  // namespace kivo
