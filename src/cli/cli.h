// The command line: options, value lists, units and the usage screen.
#pragma once

#include <string_view>

#include "settings/settings.h"

namespace thermtab {

// parse_command_line's result when the run goes on; any other value is the
// exit status of a run that ends at the usage screen.
inline constexpr int parse_accepted = -1;
inline constexpr int exit_rejected = 2;

// Reads the arguments after the program name into `s`, opening the include
// files as their options are met and converting the calibration temperatures
// to kelvin at the end. On an unacceptable argument or a request for help it
// shows the usage screen, drops any include file opened so far and returns
// the exit status (2 or 0).
int parse_command_line(int argc, const char* const* argv, run_settings& s);

// Reads a comma-separated list of numbers. Stores at most three values in
// `buffer`; `count` is the number of values read, which may be more.
void parse_value_list(const char* text, double (&buffer)[3], int& count);

// Writes the usage screen on the error stream, headed by
// ERROR: message "argument" when the message is not empty.
void show_usage(run_settings& s, std::string_view message, std::string_view argument);

}  // namespace thermtab
