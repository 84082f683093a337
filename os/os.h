// The operating system, behind a few calls: files by handle for block reads
// and writes, what a name names, and the new file that replaces an output
// file whole, with its removal when the run is interrupted. Everything else
// of kivo is the same on every system; os_posix.cc and os_windows.cc are the
// two sides of this layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::os {

// A file open for reading or writing; kNoHandle when none.
using Handle = int;
inline constexpr Handle kNoHandle = -1;

enum class OpenStatus { ok, cannot_open, not_a_file };

// Opens a regular file for reading. Anything else (a directory, a device, a
// pipe, a socket) is not_a_file: a text file must be rewindable and end.
OpenStatus open_read(const std::string& name, Handle& h);
// Reads up to n bytes; the number read (0 at the end of the file), or -1.
std::int64_t read(Handle h, char* buf, std::size_t n);
// Moves to an offset from the start of the file.
bool seek(Handle h, std::int64_t offset);
// The size of the file in bytes; false when the system cannot tell.
bool size(Handle h, std::int64_t& bytes);
// Closes the file; false when the system reports a failure of the close.
bool close(Handle h);

// Creates `name`, or truncates it, for writing.
bool create(const std::string& name, Handle& h);
// Writes all n bytes; false on a failure or a write that takes nothing.
bool write_all(Handle h, const char* buf, std::size_t n);

// Whether anything (a directory too) goes by this name.
bool exists(const std::string& name);
// Whether the name itself is taken, by anything: a symbolic link that
// leads nowhere too.
bool name_taken(const std::string& name);
// Whether two names name the same file (hard and symbolic links included).
bool same_file(const std::string& a, const std::string& b);
// The names in a directory ("" for the current one), without "." and "..",
// in no particular order. False when it cannot be read.
bool list_directory(const std::string& dir, std::vector<std::string>& names);

// A new file that is to replace a regular file (or take a new name) whole.
// From its creation until it is committed or discarded, an interrupt of the
// run (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break or closing the console)
// removes it before the process ends as the interrupt would end it.
struct Replacement {
  std::string target;  // the file replaced: a symbolic link's final target
  std::string temp;    // the new file, in the target's directory
  Handle handle = kNoHandle;
};
// Creates the new file beside the file that `name` names, with that file's
// permission bits when it exists. False when the directory does not allow a
// new file there (or `name` is not new and not a regular file).
bool create_replacement(const std::string& name, Replacement& r);
// Puts the closed new file in the target's place. False when it cannot.
bool commit_replacement(Replacement& r);
// Puts the closed new file under the target's name only if nothing goes by
// that name (a dangling symbolic link does): false, with `taken` set, when
// something does, and false when the system cannot. The new file is then
// still there, for discard_replacement.
bool commit_new(Replacement& r, bool& taken);
// Closes and removes the new file, if any; the target is left as it was.
void discard_replacement(Replacement& r);
// Opens the new file again, after its handle was closed, for writing on
// after its last byte. False when it cannot.
bool reopen_replacement(Replacement& r);
//
// Several new files may be open aside at once (one per flight line); an
// interrupt removes them all.

// Standard output and standard error take the bytes written to them as they
// are: no line end is translated on the way. Called once, before anything is
// written to them.
void binary_stdout();
// The line end of console text on this system ("\n", or "\r\n" on Windows):
// console lines are written as bytes, with this end.
std::string_view console_line_end();

}  // namespace kivo::os
