// The observations file: a count line, then one block per kept sounding of
// fixed-width records ended by CR LF.
//
// The file is written while the data file is read: each kept sounding's
// block as soon as its window has been read. A regular file (or a new name)
// is replaced whole: the records go to a new file beside it, which takes the
// name only once it is complete, so a run that stops leaves the name as it
// was. Any other name (a device, a pipe) is written in place, and only after
// the data file has been read through without error.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "os/os.h"
#include "params/params.h"
#include "soundings/soundings.h"
#include "textio/reader.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

// One observations file of an output name with "{line}": the flight lines
// whose names give this file name, written aside until the run succeeds.
struct LineFile {
  std::string name;
  os::Replacement replacement;
  std::int64_t blocks = 0;
};

struct Observations {
  enum class Mode : std::uint8_t {
    none,            // not prepared
    replace,         // a new file is being written beside the output name
    in_place,        // the name is written once the data file is sound
    refused_data,    // the output name names the data file
    refused_params,  // the output name names the parameters file
    per_line,        // one new file per flight-line name, beside each name
    done,            // complete and in place
  };
  Mode mode = Mode::none;
  os::Replacement replacement;
  WriteFile file;
  // The first failure of the file met while the data file was still being
  // read: reported once the data file is known to be sound.
  Stop failure;
  bool stop_at_once = false;  // failures stop the run at once
  std::int32_t kept = 0;      // the sounding blocks of the last pass
  bool all_null = false;      // every sounding of the last pass was left out for nulls
  // With "{line}" in the output name: the files in the order of their first
  // flight line, the one being written, and the first refusal or failed open
  // of one of them (reported before "Writing data to").
  std::vector<LineFile> files;
  std::size_t current = 0;
  bool open = false;
  Stop early;

  Observations() = default;
  Observations(const Observations&) = delete;
  Observations& operator=(const Observations&) = delete;
  ~Observations();
};

// Before the reading pass: holds the refusal of an output name that names an
// input file, or starts the new file that will replace the output name.
void prepare_observations(Observations& o, const Params& p);

// The most sounding blocks that the count line of 5 characters can count.
inline constexpr std::int32_t kMostBlocks = 99999;

// The reading pass, with the records of every kept sounding written as they
// come when a new file is being written. When the rows were fewer than
// counted, nsoundings is lowered and the file read again. The data file is
// closed, unless the output is to be written in place. `notes` gets what the
// pass noticed for the notes on standard error.
void stream_observations(Observations& o, ReadFile& f, const Params& p, Arrays& a,
                         std::int32_t& nsoundings, ReadingNotes* notes = nullptr);

// After the reading pass and the check of the averaging number: the messages
// of the output in their order, the writing in place, the close, and the
// replacement of the output name by the new file.
void write_observations(Observations& o, ReadFile& f, const Params& p, Arrays& a,
                        std::int32_t nsoundings, std::FILE* console);

// On a stop: removes the new file, leaving the output name as it was.
void discard_observations(Observations& o);

// Whether the output name holds "{line}": one observations file per
// flight-line name.
bool per_line_name(const std::string& output_file);
// The output name with every "{line}" replaced by a flight line's name.
std::string line_file_name(const std::string& pattern, const std::string& line);

// After a run of one file per flight line, before "Done.": one line per file
// written, in the order of its first flight line.
void report_line_files(const Observations& o, std::FILE* console);

}  // namespace kivo
