// Messages as data. Each subsystem keeps the texts it prints in one list of
// its own, the file messages.def: one entry a message, as
// X(id, channel, "template"), with the message's id, where its text goes (a
// Channel) and its template as the user documentation writes it, with
// placeholders such as <N> or <data file name>. textio/message_list.inc
// makes of a list the enum of the ids and the table of the messages, in the
// same order, so that an id is its entry's index (driver/messages.def is the
// shortest list). The code prints by id, through `text`, which fills the
// placeholders in order. The tests check the union of the tables against the
// documentation, so that adding a message is one entry in its list and its
// line in the docs.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kivo {

enum class Channel {
  stop,            // the message of a fatal stop, shown as "Stop: <message>."
  console,         // a line on standard output
  standard_error,  // the part after "<file>:<line>:<column>: " of a line on standard error
};

struct Message {
  Channel channel;
  std::string_view text;  // the template
};

// The template with its placeholders replaced, in order, by the parts. A
// placeholder is "<", a letter, and everything up to the next ">"; a "<"
// before anything else ("<= 0", "< 0") is text. A placeholder without a
// part is left as it stands.
std::string fill(std::string_view templ, std::initializer_list<std::string_view> parts);

// The text of message `id`, from the list that `messages(id)` names for its
// enum (found by argument-dependent lookup in the subsystem's namespace).
template <typename Id>
std::string text(Id id, std::initializer_list<std::string_view> parts = {}) {
  return fill(messages(id)[static_cast<std::size_t>(id)].text, parts);
}

}  // namespace kivo
