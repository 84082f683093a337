// The counting pass over the data file: every record is one sounding but
// comment records ("/" or "#" first), a header record of names and line
// records. The file is then rewound for the reading pass,
// so that every array can be allocated at its final size beforehand.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "os/os.h"

#include "params/params.h"
#include "soundings/messages.h"
#include "soundings/soundings.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

// Below this size a file is counted on one thread: starting others costs
// more than they save. With chunks of conversion set for tests, every file
// is counted in stretches, so that the tests' small files are too.
std::int64_t stretches_from() {
  return reading_chunk_bytes() > 0 ? 1 : std::int64_t{1} << 23;
}

// Counts the rows of a large data file on several threads, a stretch each,
// where there are cores for them: the counting pass is a read of the whole
// file before any value is converted, which the threads of the conversion
// cannot share. False when the file is counted on one thread instead; stops
// when the file cannot be read.
bool count_in_stretches(const std::string& name, ReadFile& f, std::int64_t& rows) {
  const std::int32_t threads = std::min(reading_threads(), 8);
  std::int64_t size = 0;
  if (threads < 2 || !os::size(f.fd, size) || size < stretches_from()) return false;
  const auto n = static_cast<std::size_t>(threads);
  std::vector<os::Handle> files(n, os::kNoHandle);
  std::vector<StretchCount> counts(n);
  std::vector<int> status(n, 0);
  const auto close_all = [&files] {
    for (os::Handle& h : files) {
      if (h != os::kNoHandle) os::close(h);
      h = os::kNoHandle;
    }
  };
  for (os::Handle& h : files) {
    if (os::open_read(name, h) != os::OpenStatus::ok) {
      h = os::kNoHandle;
      close_all();
      return false;
    }
  }
  // Stretch i runs from i / n of the file to (i + 1) / n; the last one to its
  // end, wherever that is by now.
  const auto stretch = [&](std::size_t i) {
    const std::int64_t begin = size / threads * static_cast<std::int64_t>(i);
    const std::int64_t end =
        i + 1 == n ? INT64_MAX : size / threads * static_cast<std::int64_t>(i + 1);
    status[i] = count_stretch(files[i], begin, end, counts[i]);
  };
  std::vector<std::thread> others;
  bool started = true;
  try {
    for (std::size_t i = 1; i < n; ++i) others.emplace_back(stretch, i);
  } catch (const std::system_error&) {
    started = false;
  }
  if (started) stretch(0);
  for (std::thread& t : others) t.join();
  close_all();
  if (!started) return false;
  bool after_line = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (status[i] > 0) estop(text(SoundingsMsg::counting, {name}));
    add_stretch(counts[i], rows, after_line);
  }
  return true;
}

}  // namespace

std::int32_t count_soundings(ReadFile& f, const Params& p, std::FILE* console) {
  const std::string& name = p.data_file;
  if (!name_exists(name)) estop(text(SoundingsMsg::data_missing, {name}));
  if (open_read(f, name) != 0) estop(text(SoundingsMsg::data_cannot_open, {name}));
  progress_line(console, text(SoundingsMsg::reading_data, {name}));

  std::int64_t count = 0;
  if (!count_in_stretches(name, f, count)) {
    RecordCount records;
    if (count_rows(f, records) > 0) estop(text(SoundingsMsg::counting, {name}));
    count = records.rows;
  }
  if (count > std::numeric_limits<std::int32_t>::max()) estop(text(SoundingsMsg::too_many, {name}));
  rewind_read(f);

  const auto s = static_cast<std::int32_t>(count);
  progress_line(console, text(SoundingsMsg::found, {number_text(s, 9), name}));
  return s;
}

}  // namespace kivo
