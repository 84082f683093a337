// Messages as data. Each subsystem keeps the texts it prints in one list of
// its own: a macro that applies X to each message in turn, as
// X(id, channel, "template"), with the message's id, where its text goes (a
// Channel) and its template as the user documentation writes it, with
// placeholders such as <N> or <data file name>. KIVO_MESSAGE_LIST makes of
// the list the enum of the ids and the table of the messages, in the same
// order, so that an id is its entry's index (driver/messages.h is the
// shortest list). The code prints by id, through `text`, which fills the
// placeholders in order. The tests check the union of the tables against the
// documentation, so that adding a message is one entry in its list and its
// line in the docs.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <iterator>
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

#define KIVO_MESSAGE_ID(id, channel, templ) id,
#define KIVO_MESSAGE_ENTRY(id, channel, templ) {Channel::channel, templ},

// The enum `Enum` of the ids of a list, the table `table` of its messages in
// the order of the ids, and `messages(Enum)`, which names the table for
// `text`. The static_assert at the end takes the semicolon after the use.
#define KIVO_MESSAGE_LIST(Enum, table, LIST) \
  enum class Enum { LIST(KIVO_MESSAGE_ID) }; \
  inline constexpr Message table[] = {LIST(KIVO_MESSAGE_ENTRY)}; \
  constexpr const auto& messages(Enum) { \
    return table; \
  } \
  static_assert(std::size(table) > 0)

// The text of message `id`, from the list that `messages(id)` names for its
// enum (found by argument-dependent lookup in the subsystem's namespace).
template <typename Id>
std::string text(Id id, std::initializer_list<std::string_view> parts = {}) {
  return fill(messages(id)[static_cast<std::size_t>(id)].text, parts);
}

}  // namespace kivo
