// The console lines of the run driver.
#pragma once

#include "textio/message.h"

namespace kivo {

enum class DriverMsg {
  converting,
  left_out,
  left_out_one,
  done,
};

inline constexpr Message<DriverMsg> kDriverMessages[] = {
    {DriverMsg::converting, Channel::console, "Converting to QUINSA observations format."},
    {DriverMsg::left_out, Channel::console, "<k> soundings left out for null values."},
    {DriverMsg::left_out_one, Channel::console, "<k> sounding left out for null values."},
    {DriverMsg::done, Channel::console, "Done."},
};
static_assert(in_id_order(kDriverMessages));

constexpr const auto& messages(DriverMsg) {
  return kDriverMessages;
}

}  // namespace kivo
