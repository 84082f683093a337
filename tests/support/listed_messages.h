// The union of the message lists of the subsystems.
#pragma once

#include <string>
#include <vector>

#include "driver/messages.h"
#include "init/messages.h"
#include "look/messages.h"
#include "output/messages.h"
#include "params/messages.h"
#include "soundings/messages.h"
#include "textio/messages.h"

namespace kivo::test {

struct Listed {
  Channel channel;
  std::string text;
};

template <std::size_t N>
void add_listed(std::vector<Listed>& out, const Message (&list)[N]) {
  for (const auto& m : list) out.push_back({m.channel, std::string(m.text)});
}

inline std::vector<Listed> listed_messages() {
  std::vector<Listed> out;
  add_listed(out, kTextioMessages);
  add_listed(out, kParamsMessages);
  add_listed(out, kSoundingsMessages);
  add_listed(out, kOutputMessages);
  add_listed(out, kInitMessages);
  add_listed(out, kLookMessages);
  add_listed(out, kDriverMessages);
  return out;
}

}  // namespace kivo::test
