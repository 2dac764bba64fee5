// Run-wide state: the one settings record with the built-in sensor, and the
// output channels through which every line of the report is written.
#pragma once

#include <array>
#include <cstdio>
#include <optional>
#include <string>

#include "number_text/number_text.h"

namespace thermtab {

struct calibration_point {
    double temperature;  // kelvin once the command line has been read
    double resistance;   // ohms
};

// Channel bits for emit.
enum : unsigned {
    OUT_CTS = 1,      // thermfactor.inc, the coolant table
    OUT_IAT = 2,      // airdenfactor.inc, the manifold-air table
    OUT_CONSOLE = 4,  // standard output, while console_enabled is on
    OUT_ALL = 7,
};

// An include file being written. The table goes to a temporary file beside the
// real one and replaces it only once complete, so a failed run never leaves a
// partial or emptied table behind.
struct include_file {
    explicit include_file(const char* final_name) : name(final_name) {}
    const char* name;                 // final file name
    std::FILE* stream = nullptr;      // open while the table is being written
    std::string temp_name;            // where `stream` writes
    text_buffer pending;              // text not yet handed to `stream`
    int error = 0;                    // first errno of a failed write
};

struct run_settings {
    double A = 0.00149031826;
    double B = 0.00022745952;
    double C = 1.1639e-07;
    // Empty text: user data without -l; no value: -l given last with nothing after it.
    std::optional<std::string> label = std::string("GM 121 463 12 sensor data.");
    bool console_enabled = true;
    double bias = 2490.0;
    std::array<calibration_point, 3> points{{
        {253.14999999999998, 28681.0},
        {303.15000000000003, 2238.0},
        {372.03888888888895, 177.0},
    }};
    bool measured = false;
    bool label_given = false;
    include_file cts_file{"thermfactor.inc"};
    include_file iat_file{"airdenfactor.inc"};

    // Where the console and the error messages go; tests point them elsewhere.
    std::FILE* console = stdout;
    std::FILE* errors = stderr;
    text_buffer console_pending;  // text not yet handed to `console`
    int console_error = 0;  // first errno of a failed console write
    bool output_failed = false;  // some output could not be written; the run exits 1
    std::string program_name = "thermtab";
};

// The channels a mask selects, in writing order: air file, coolant file,
// console, each only when open or enabled.
struct channel_selection {
    text_buffer* pending[3];
    int count = 0;
};

// A channel writes out what it has collected once it holds this much.
inline constexpr std::size_t drain_size = 16384;

// Copies the text emitted into the first selected channel from `start` on to
// the others, and writes out channels that have collected enough.
void complete_emit(run_settings& s, const channel_selection& channels, std::size_t start);

// Formats one piece of text (number text as in number_text.h) and writes it to
// the air file, the coolant file and the console, in that order, each only when
// selected by `mask` and open or enabled:
//     emit<"%3d - %10.2f\n">(s, OUT_CONSOLE, adc, r);
template <format_string Format, typename... Args>
void emit(run_settings& s, unsigned mask, const Args&... args) {
    channel_selection channels;
    if ((mask & OUT_IAT) && s.iat_file.stream) channels.pending[channels.count++] = &s.iat_file.pending;
    if ((mask & OUT_CTS) && s.cts_file.stream) channels.pending[channels.count++] = &s.cts_file.pending;
    if ((mask & OUT_CONSOLE) && s.console_enabled) channels.pending[channels.count++] = &s.console_pending;
    if (channels.count == 0) return;  // nobody would read it
    // Formatted once, into the first channel, and copied to the others.
    text_buffer& first = *channels.pending[0];
    std::size_t start = first.size();
    format_into<Format>(first, args...);
    if (channels.count > 1 || first.size() >= drain_size) complete_emit(s, channels, start);
}

// Hands all text emitted so far to the streams. Needed only before reading a
// stream back; finish_outputs does it too.
void flush_channels(run_settings& s);

// Starts writing `file` under a temporary name. Returns false, after saying
// why on the error stream, when it cannot be created.
bool open_include_file(run_settings& s, include_file& file);

// Completes `file`: flushes it and moves it into place, or, when anything
// failed, removes the temporary file and reports why.
void commit_include_file(run_settings& s, include_file& file);

// Drops `file` unwritten; an earlier file of that name stays as it was.
void discard_include_file(include_file& file);

// Commits both include files and flushes the console. Returns the exit status:
// 0, or 1 when any output could not be written.
int finish_outputs(run_settings& s);

// Writes "<program>: <what> <name>: <reason>" on the error stream.
void report_failure(run_settings& s, const char* what, const char* name, int error);

}  // namespace thermtab
