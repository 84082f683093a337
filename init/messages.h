// The messages of kivo --init: its stops and its console lines, the
// warnings among them.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_INIT_MESSAGES(X) \
  X(no_name, stop, "kivo --init needs the name of a data file") \
  X(line_end, stop, "a data file name with a line end cannot stand in \"kivo.in\"") \
  X(params_exists, stop, "parameters file \"kivo.in\" already exists") \
  X(not_found, stop, "cannot find data file \"<data file name>\"") \
  X(cannot_open, stop, "cannot open \"<file name>\"") \
  X(cannot_read, stop, "cannot read \"<file name>\"") \
  X(no_definitions, stop, "no column definitions in \"<definition file name>\"") \
  X(no_row, stop, "no row of values in \"<data file name>\" to count its columns") \
  X(cannot_write, stop, "error writing parameters file \"kivo.in\"") \
  X(summary, console, "kivo --init: \"<data file name>\" has <n> columns; <names from>.") \
  X(summary_one, console, "kivo --init: \"<data file name>\" has <n> column; <names from>.") \
  X(wrote, console, "Wrote \"kivo.in\": <kinds> columns.") \
  X(wrote_one, console, "Wrote \"kivo.in\": <kinds> column.") \
  X(null_line, console, "Null line \"<null line>\": <values and where they come from>.") \
  X(fill_in, console, "Fill in every \"?\" in \"kivo.in\", then run kivo:") \
  X(header_file_unusable, console, \
    "Warning: \"<header file name>\" holds no field table that kivo can use: its names are not " \
    "used.") \
  X(header_file_unusable_why, console, \
    "Warning: \"<header file name>\" holds no field table that kivo can use (<problem>): its " \
    "names are not used.") \
  X(header_file_count, console, \
    "Warning: \"<header file name>\" lists <fields>, but the first row (line <L>) holds " \
    "<values>: its names are not used.") \
  X(dfn_count, console, \
    "Warning: \"<definition file name>\" defines <columns>, but the first row (line <L>) holds " \
    "<values>: fields that fill their width touch, with no blank between them, and kivo reads " \
    "the values of a row by their blanks; kivo.in is written for the columns of the .dfn.") \
  X(not_a_header, console, \
    "Warning: line <L> names the columns, but not every word of it is a name (a word that reads " \
    "as a number, such as 380Q or 475, is none), so kivo reads it as a row: begin it with \"/\".") \
  X(names_count, console, \
    "Warning: the header line holds <names>, but the first row (line <L>) holds <values>, and no " \
    "cut of it (at blanks, tabs, commas or gaps of two blanks) gives as many names: kivo.in is " \
    "written for the values.") \
  X(names_untrusted, console, \
    "Warning: the header line holds <names>, but the first row (line <L>) holds <values>, and no " \
    "cut of it (at blanks, tabs, commas or gaps of two blanks) gives as many names: kivo.in is " \
    "written for the values; from column <N> on the names cannot be trusted (a name may hold " \
    "blanks), so those columns are written \"ignore\": give their roles by hand.") \
  X(names_untrusted_named, console, \
    "Warning: the header line holds <names>, but the first row (line <L>) holds <values>, and no " \
    "cut of it (at blanks, tabs, commas or gaps of two blanks) gives as many names: kivo.in is " \
    "written for the values; from column <N> (<name>) on the names cannot be trusted (a name may " \
    "hold blanks), so those columns are written \"ignore\": give their roles by hand.") \
  X(no_x, console, \
    "Warning: no column was recognised as the x coordinate: write \"x\" on the column line of " \
    "the easting.") \
  X(no_y, console, \
    "Warning: no column was recognised as the y coordinate: write \"y\" on the column line of " \
    "the northing.") \
  X(no_height, console, \
    "Warning: no column was recognised as the height: write \"z m\" or \"z f\" on the column " \
    "line of the sensor's height above ground.") \
  X(no_data, console, \
    "Warning: no column was recognised as an in-phase or quadrature channel: give the eleven " \
    "words of a data column line to each channel.") \
  X(record_tag, console, \
    "Warning: every row begins with the record tag \"<tag>\" (line <L>), which kivo cannot read " \
    "as a number: take it off first (cut -c<n>- <data file name>) and name the file without it " \
    "on line 1 of kivo.in.") \
  X(nominal_one, console, \
    "Warning: the frequency of column <N> comes from the channel name and is nominal: check it " \
    "against the system's operating frequency.") \
  X(nominal, console, \
    "Warning: frequencies of columns <ranges> come from the channel names and are nominal: check " \
    "them against the system's operating frequencies.") \
  X(text_one, console, \
    "Warning: column <N> holds text (<example>), which kivo cannot read as a number: kivo reads " \
    "every column, ignored ones too; drop or convert them.") \
  X(text, console, \
    "Warning: columns <ranges> hold text (<example>), which kivo cannot read as a number: kivo " \
    "reads every column, ignored ones too; drop or convert them.")

KIVO_MESSAGE_LIST(InitMsg, kInitMessages, KIVO_INIT_MESSAGES);

}  // namespace kivo
