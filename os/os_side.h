// What the two sides of the system layer share: the names of the new files
// that an interrupt removes, and the few calls of its own that each side
// gives the shared code of replacement.cc.
//
// The names: one for each new file that is neither committed nor discarded
// yet (a run that writes one file per flight line has many).
//
// The interrupt handler reads the list at any moment (on Windows from a
// thread of its own), so it only reads atomics and never allocates. Entries
// are never freed while the process lives: a name that is disarmed leaves
// its entry to the next name that fits, so the list grows only with the
// number of files open aside at one time.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "os/os.h"

namespace kivo::os::detail {

struct ArmedName {
  std::atomic<bool> live{false};
  std::atomic<ArmedName*> next{nullptr};
  std::size_t cap = 0;  // bytes of name
  char* name = nullptr;
};

inline std::atomic<ArmedName*>& armed_head() {
  static std::atomic<ArmedName*> head{nullptr};
  return head;
}

// Adds `temp` to the names an interrupt removes. False when there is no
// memory for it.
inline bool arm_name(const std::string& temp) {
  const std::size_t need = temp.size() + 1;
  for (ArmedName* a = armed_head().load(); a; a = a->next.load()) {
    if (a->live.load() || a->cap < need) continue;
    std::memcpy(a->name, temp.c_str(), need);
    a->live.store(true);
    return true;
  }
  ArmedName* a = new (std::nothrow) ArmedName;
  char* name = new (std::nothrow) char[need];
  if (!a || !name) {
    delete a;
    delete[] name;
    return false;
  }
  std::memcpy(name, temp.c_str(), need);
  a->cap = need;
  a->name = name;
  a->live.store(true);
  a->next.store(armed_head().load());
  armed_head().store(a);
  return true;
}

// Takes `temp` off the list; whether any name is left on it.
inline bool disarm_name(const std::string& temp) {
  bool left = false;
  for (ArmedName* a = armed_head().load(); a; a = a->next.load()) {
    if (!a->live.load()) continue;
    if (std::strcmp(a->name, temp.c_str()) == 0) {
      a->live.store(false);
    } else {
      left = true;
    }
  }
  return left;
}

// In the interrupt handler: removes every name on the list, once.
template <class Remove>
void remove_armed(Remove remove) {
  for (ArmedName* a = armed_head().load(); a; a = a->next.load()) {
    if (a->live.exchange(false)) remove(a->name);
  }
}

// Takes the new file's name off the list; with no name left, the interrupt
// handling goes back to what it was (replacement.cc).
void release(Replacement& r);

// Each side's own, for replacement.cc:
// Puts `from` under the name `to`, replacing what goes by it, in one step.
bool move_over(const std::string& from, const std::string& to);
// Puts `from` under the name `to` only where nothing goes by it: false, with
// `taken` set, when something does; `from` is then still there.
bool move_new(const std::string& from, const std::string& to, bool& taken);
// Removes the file of this name.
void remove_file(const std::string& name);
// Puts the interrupt handling back as it was before the first new file.
void restore_interrupts();

}  // namespace kivo::os::detail
