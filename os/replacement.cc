// The new file that replaces an output file whole: its commit and its
// discard, the same on both systems over the calls of os_side.h.
#include "os/os.h"
#include "os/os_side.h"

namespace kivo::os {

void detail::release(Replacement& r) {
  const bool left = disarm_name(r.temp);
  r.temp.clear();
  if (!left) restore_interrupts();
}

namespace {

// Closes the new file before it takes a name (a file open without delete
// sharing cannot be renamed on Windows); false when there is none or the
// close fails.
bool close_new(Replacement& r) {
  if (r.temp.empty()) return false;
  if (r.handle == kNoHandle) return true;
  const bool closed = close(r.handle);
  r.handle = kNoHandle;
  return closed;
}

}  // namespace

bool commit_replacement(Replacement& r) {
  if (!close_new(r)) return false;
  if (!detail::move_over(r.temp, r.target)) return false;
  // After the move the name is gone; an interrupt now removes nothing.
  detail::release(r);
  return true;
}

bool commit_new(Replacement& r, bool& taken) {
  taken = false;
  if (!close_new(r)) return false;
  if (!detail::move_new(r.temp, r.target, taken)) return false;
  detail::release(r);
  return true;
}

void discard_replacement(Replacement& r) {
  // Closed first: on Windows an open file is only marked for deletion, and
  // its name would stay until the last handle goes.
  if (r.handle != kNoHandle) close(r.handle);
  r.handle = kNoHandle;
  if (!r.temp.empty()) detail::remove_file(r.temp);
  detail::release(r);
}

}  // namespace kivo::os
