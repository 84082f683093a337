#include "driver/run.h"

#include <string>

#include "driver/messages.h"
#include "output/output.h"
#include "soundings/soundings.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

void convert(RunState& st) {
  top_line(st.console, text(DriverMsg::converting));
  open_params_file(st.params_file, st.console);
  read_file_names(st.params_file, st.params);
  st.nsoundings = count_soundings(st.data_file, st.params, st.console);
  read_column_count(st.params_file, st.params);
  allocate_arrays(st.arrays, st.params.ncols);
  read_column_lines(st.params_file, st.params, st.arrays);
  read_averaging_line(st.params_file, st.params, st.console);
  check_column_set(st.params, st.arrays);
  prepare_observations(st.output, st.params);
  stream_observations(st.output, st.data_file, st.params, st.arrays, st.nsoundings, &st.notes);
  report_notes(st.notes, st.params, st.console, st.errors);
  check_averaging(st.params, st.nsoundings, st.console);
  write_observations(st.output, st.data_file, st.params, st.arrays, st.nsoundings, st.console);
  if (const std::int64_t k = st.notes.left_out; k > 0) {
    progress_line(st.console, text(k == 1 ? DriverMsg::left_out_one : DriverMsg::left_out,
                                   {std::to_string(k)}));
  }
  report_line_files(st.output, st.console);
  top_line(st.console, text(DriverMsg::done));
}

}  // namespace

int run(RunState& st) {
  int status = 0;
  try {
    convert(st);
  } catch (const Stop& stop) {
    // Whatever the stop, the output name is left as it was.
    discard_observations(st.output);
    show_stop(st.console, st.errors, stop);
    status = 1;
  }
  std::fflush(st.console);
  return status;
}

}  // namespace kivo
