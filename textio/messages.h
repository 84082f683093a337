// The messages of the text records: internal checks of the writers, and
// the line of a stop.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class TextioMsg {
  digits,
  record_too_long,
  record_too_large,
  stop_line,
};

inline constexpr Message<TextioMsg> kTextioMessages[] = {
    {TextioMsg::digits, Channel::stop, "general real field with <d> digits"},
    {TextioMsg::record_too_long, Channel::stop,
     "record of <n> characters written into a text of <length>"},
    {TextioMsg::record_too_large, Channel::stop, "record of more than 2^40 characters"},
    {TextioMsg::stop_line, Channel::console, "Stop: <message>."},
};
static_assert(in_id_order(kTextioMessages));

constexpr const auto& messages(TextioMsg) {
  return kTextioMessages;
}

}  // namespace kivo
