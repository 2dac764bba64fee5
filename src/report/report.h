// The main sequence and all report text: header, confirmation block and the
// 256-row table in its three views (coolant file, air file, console).
#pragma once

#include "settings/settings.h"

namespace thermtab {

// Reads the command line into `s`, solves the coefficients when measured
// points were given, writes the report and completes the outputs. Returns the
// exit status: 0 success or help, 1 an output could not be written, 2 the
// command line was rejected.
int write_report(int argc, const char* const* argv, run_settings& s);

// Writes the header, the confirmation block (when `measured` is on) and the
// 256 rows through emit, from the settings as they stand.
void write_tables(run_settings& s);

// Truncation toward zero into 64 bits, of which the low 32 are kept as a
// signed int; NaN, infinities and magnitudes of 2^63 or more give 0.
int table_integer(double value);

// The coolant byte: °F plus 40, held to 0…255 (NaN gives 0).
int coolant_byte(double fahrenheit);

// The air-density factor in percent at `fahrenheit`.
double density_factor(double fahrenheit);

// The sensor resistance at an ADC count from 1 to 254.
double adc_to_resistance(const run_settings& s, int adc);

}  // namespace thermtab
