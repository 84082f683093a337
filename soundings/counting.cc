// The counting pass over the data file: every record is one sounding but
// comment records ("/" or "#" first), a header record of names and line
// records. The file is then rewound for the reading pass,
// so that every array can be allocated at its final size beforehand.
#include <cstdint>
#include <limits>
#include <string>

#include "params/params.h"
#include "soundings/messages.h"
#include "soundings/soundings.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

std::int32_t count_soundings(ReadFile& f, const Params& p, std::FILE* console) {
  const std::string& name = p.data_file;
  if (!name_exists(name)) estop(text(SoundingsMsg::data_missing, {name}));
  if (open_read(f, name) != 0) estop(text(SoundingsMsg::data_cannot_open, {name}));
  progress_line(console, text(SoundingsMsg::reading_data, {name}));

  RecordCount records;
  if (count_rows(f, records) > 0) estop(text(SoundingsMsg::counting, {name}));
  const std::int64_t count = records.rows;
  if (count > std::numeric_limits<std::int32_t>::max()) estop(text(SoundingsMsg::too_many, {name}));
  rewind_read(f);

  const auto s = static_cast<std::int32_t>(count);
  progress_line(console, text(SoundingsMsg::found, {number_text(s, 9), name}));
  return s;
}

}  // namespace kivo
