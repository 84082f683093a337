// The messages of the parameters file kivo.in: its stops, its console
// lines, and the lines on standard error that say where in kivo.in a stop
// comes from.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class ParamsMsg {
  missing,
  cannot_open,
  reading,
};

inline constexpr Message<ParamsMsg> kParamsMessages[] = {
    {ParamsMsg::missing, Channel::stop, "parameters file \"kivo.in\" does not exist"},
    {ParamsMsg::cannot_open, Channel::stop, "error opening parameters file \"kivo.in\""},
    {ParamsMsg::reading, Channel::console, "Reading column parameters from \"kivo.in\"."},
};
static_assert(in_id_order(kParamsMessages));

constexpr const auto& messages(ParamsMsg) {
  return kParamsMessages;
}

}  // namespace kivo
