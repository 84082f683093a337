// The counting pass over the data file: every record is one sounding but
// comment records ("/" or "#" first), a header record of names and line
// records. The file is then rewound for the reading pass,
// so that every array can be allocated at its final size beforehand.
#include <cstdint>
#include <limits>
#include <string>

#include "params/params.h"
#include "soundings/soundings.h"
#include "textio/reader.h"
#include "textio/records.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

std::int32_t count_soundings(ReadFile& f, const Params& p, std::FILE* console) {
  const std::string quoted = "\"" + p.data_file + "\"";
  if (!name_exists(p.data_file)) estop("data file " + quoted + " does not exist");
  if (open_read(f, p.data_file) != 0) estop("error opening data file " + quoted);
  progress_line(console, "Reading data from " + quoted + ".");

  RecordCount records;
  if (count_rows(f, records) > 0) estop("error counting soundings in " + quoted);
  const std::int64_t count = records.rows;
  if (count > std::numeric_limits<std::int32_t>::max()) estop("too many soundings in " + quoted);
  rewind_read(f);

  const auto s = static_cast<std::int32_t>(count);
  progress_line(console, number_text(s, 9) + " soundings found in " + quoted + ".");
  return s;
}

}  // namespace kivo
