// Messages as data. Each subsystem keeps the texts it prints in one list of
// its own: an enum of message ids and, for each, where the text goes and its
// template as the user documentation writes it, with placeholders such as
// <N> or <data file name>. The code prints by id, through `text`, which
// fills the placeholders in order. The tests check the union of the lists
// against the documentation, so that adding a message is one entry here and
// its line in the docs.
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

template <typename Id>
struct Message {
  Id id;
  Channel channel;
  std::string_view text;  // the template
};

// The template with its placeholders replaced, in order, by the parts. A
// placeholder is "<", a letter, and everything up to the next ">"; a "<"
// before anything else ("<= 0", "< 0") is text. A placeholder without a
// part is left as it stands.
std::string fill(std::string_view templ, std::initializer_list<std::string_view> parts);

// A list is in the order of its ids, so that an id is its entry's index.
template <typename Id, std::size_t N>
constexpr bool in_id_order(const Message<Id> (&list)[N]) {
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(list[i].id) != i) return false;
  }
  return true;
}

// The text of message `id`, from the list that `messages(id)` names for its
// enum (found by argument-dependent lookup in the subsystem's namespace).
template <typename Id>
std::string text(Id id, std::initializer_list<std::string_view> parts = {}) {
  return fill(messages(id)[static_cast<std::size_t>(id)].text, parts);
}

}  // namespace kivo
