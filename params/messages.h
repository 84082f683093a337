// The messages of the parameters file kivo.in: its stops, its console
// lines, and the lines on standard error that say where in kivo.in a stop
// comes from.
#pragma once

#include "textio/message.h"

namespace kivo {

#define KIVO_PARAMS_MESSAGES(X) \
  X(missing, stop, "parameters file \"kivo.in\" does not exist") \
  X(cannot_open, stop, "error opening parameters file \"kivo.in\"") \
  X(data_name, stop, "error reading data file name from file \"kivo.in\"") \
  X(output_name, stop, "error reading name for the output file from \"kivo.in\"") \
  X(column_count, stop, "error reading number of columns from \"kivo.in\"") \
  X(column_count_low, stop, "number of columns read from \"kivo.in\" <= 0") \
  X(no_memory, stop, "error allocating space for arrays") \
  X(column_line, stop, "error reading parameters for column <N> from \"kivo.in\"") \
  X(both_x, stop, "columns <I> & <J> are both the x-coordinate") \
  X(both_y, stop, "columns <I> & <J> are both the y-coordinate") \
  X(both_line, stop, "columns <I> & <J> are both the line") \
  X(both_height, stop, "columns <I> & <J> are both the height") \
  X(height_units, stop, "error reading units for Tx-Rx height for column <N>") \
  X(height_flag, stop, "invalid feet-or-metres flag for Tx-Rx height (column <N>)") \
  X(frequency, stop, "error reading frequency for column <N>") \
  X(frequency_low, stop, "frequency read in for column <N> <= 0") \
  X(tx_orientation, stop, "error reading transmitter orientation for column <N>") \
  X(tx_orientation_bad, stop, "invalid transmitter orientation for column <N>") \
  X(moment, stop, "error reading transmitter moment for column <N>") \
  X(rx_orientation, stop, "error reading receiver orientation for column <N>") \
  X(rx_orientation_bad, stop, "invalid receiver orientation for column <N>") \
  X(flag, stop, "error reading feet-or-metres flag for column <N>") \
  X(flag_bad, stop, "invalid feet-or-metres flag for column <N>") \
  X(x_separation, stop, "error reading Tx-Rx x separation for column <N>") \
  X(y_separation, stop, "error reading Tx-Rx y separation for column <N>") \
  X(normalization, stop, "error during read of normalization type for column <N>") \
  X(normalization_bad, stop, "invalid option for normalization type for column <N>") \
  X(inqu, stop, "error reading inph/quad flag for column <N>") \
  X(inqu_bad, stop, "invalid inphase/quadrature flag for column <N>") \
  X(percentage, stop, "error reading percentage uncertainty for column <N>") \
  X(percentage_low, stop, "percentage error for colum <N> < 0") \
  X(threshold, stop, "error reading threshold uncertainty for column <N>") \
  X(threshold_low, stop, "threshold error for column <N> < 0") \
  X(both_zero, stop, "both percentage and threshold uncertainties are zero for column <N>") \
  X(averaging_line, stop, "error reading averaging/decimating info from \"kivo.in\"") \
  X(averaging_option, stop, "inappropriate averaging/decimating option read from \"kivo.in\"") \
  X(averaging_number, stop, "error reading averaging number from \"kivo.in\"") \
  X(averaging_low, stop, "averaging number read from \"kivo.in\" < 0") \
  X(decimating_number, stop, "error reading decimating number from \"kivo.in\"") \
  X(decimating_low, stop, "decimating number read from \"kivo.in\" < 1") \
  X(no_nulls, stop, "no null values on the null line of \"kivo.in\"") \
  X(no_x, stop, "no column is the x-coordinate") \
  X(no_y, stop, "no column is the y-coordinate") \
  X(no_height, stop, "no column is the height") \
  X(same_columns, stop, "parameters for columns <I> & <J> are the same") \
  X(screw_up, stop, "screw-up during combination of inphase & quadrature") \
  X(reading, console, "Reading column parameters from \"kivo.in\".") \
  X(no_thinning, console, "No averaging nor decimation to be applied.") \
  X(averaging_one, console, "Averaging over <n> neighbouring sounding (on each side).") \
  X(averaging, console, "Averaging over <n> neighbouring soundings (on each side).") \
  X(decimating, console, "Decimating to 1 in <n> soundings.") \
  X(ends_data_name, standard_error, "the file ends before the data file name") \
  X(ends_output_name, standard_error, "the file ends before the output file name") \
  X(ends_column_count, standard_error, "the file ends before the number of columns") \
  X(data_name_bad, standard_error, "data file name: <text> <reason>") \
  X(output_name_bad, standard_error, "output file name: <text> <reason>") \
  X(data_name_unclosed, standard_error, \
    "data file name: the quotation mark <text> is not closed before the end of the file") \
  X(output_name_unclosed, standard_error, \
    "output file name: the quotation mark <text> is not closed before the end of the file") \
  X(column_count_bad, standard_error, "number of columns: <text> <reason>") \
  X(column_count_not_above, standard_error, \
    "number of columns: <n> is not above 0 (one column line follows for each column)") \
  X(ends_column_line, standard_error, \
    "column <N>: the file ends before its column line (<n> columns need as many column lines, " \
    "then the averaging line)") \
  X(second_x, standard_error, \
    "column <N>: a second x-coordinate column (column <I> is one already)") \
  X(second_y, standard_error, \
    "column <N>: a second y-coordinate column (column <I> is one already)") \
  X(second_height, standard_error, \
    "column <N>: a second height column (column <I> is one already)") \
  X(second_line, standard_error, "column <N>: a second line column (column <I> is one already)") \
  X(word_missing, standard_error, "column <N>, word <w> (<field>): missing") \
  X(word_bad, standard_error, "column <N>, word <w> (<field>): <text> <reason>") \
  X(word_no_value, standard_error, "column <N>, word <w> (<field>): <text> gives no value") \
  X(word_not_above_0, standard_error, "column <N>, word <w> (<field>): <text> is not above 0") \
  X(word_not_xyz, standard_error, "column <N>, word <w> (<field>): <text> is not x, y or z") \
  X(word_not_fm, standard_error, \
    "column <N>, word <w> (<field>): <text> is not f (feet) or m (metres)") \
  X(word_not_1234, standard_error, "column <N>, word <w> (<field>): <text> is not 1, 2, 3 or 4") \
  X(word_not_iq, standard_error, \
    "column <N>, word <w> (<field>): <text> is not i (in-phase) or q (quadrature)") \
  X(word_below_0, standard_error, "column <N>, word <w> (<field>): <text> is below 0") \
  X(word_both_zero, standard_error, \
    "column <N>, word <w> (<field>): <text> is 0, and so is the percentage uncertainty: a datum " \
    "needs one of them") \
  X(ends_averaging, standard_error, \
    "the file ends before the averaging line (al, av or de, after the <n> column lines)") \
  X(averaging_blank, standard_error, "averaging line: blank, where al, av or de was expected") \
  X(averaging_not_option, standard_error, \
    "averaging line: <text> is not al, av or de (all lower or all upper case)") \
  X(no_averaging_number, standard_error, "averaging line: no averaging number after <text>") \
  X(no_decimating_number, standard_error, "averaging line: no decimating number after <text>") \
  X(averaging_bad, standard_error, "averaging line: <text> <reason>") \
  X(averaging_below_0, standard_error, "averaging line: <text> is below 0") \
  X(decimating_below_1, standard_error, \
    "averaging line: <text> is below 1 (de 1 keeps every sounding)") \
  X(decimating_no_value, standard_error, "averaging line: <text> gives no decimating number") \
  X(null_no_value, standard_error, \
    "null line: no null value after <text> (null values such as -9999, * or NA, after a blank, " \
    "tab or comma)") \
  X(no_x_line, standard_error, \
    "no column line is the x-coordinate (a line that begins with \"x\")") \
  X(no_y_line, standard_error, \
    "no column line is the y-coordinate (a line that begins with \"y\")") \
  X(no_height_line, standard_error, "no column line is the height (a line \"z f\" or \"z m\")") \
  X(same_datum, standard_error, \
    "column <J>: the same frequency, geometry and flag \"<c>\" as column <I> (one datum given " \
    "twice?)") \
  X(paired_already, standard_error, \
    "column <J>: the same frequency and geometry as column <I>, which is paired with column <K> " \
    "already")

KIVO_MESSAGE_LIST(ParamsMsg, kParamsMessages, KIVO_PARAMS_MESSAGES);

}  // namespace kivo
