#include "report/report.h"

#include <cmath>
#include <cstdint>

#include "cli/cli.h"
#include "thermistor/thermistor.h"

namespace thermtab {

namespace {

const char* const version = "2.2";

// The label as comment text: a line break inside it starts a new comment
// line, so that no part of a label can become an assembler statement (such as
// a DB line inside the table's file).
std::string comment_text(const std::string& label) {
    std::string text;
    for (std::size_t i = 0; i < label.size(); ++i) {
        char c = label[i];
        if (c == '\r' && i + 1 < label.size() && label[i + 1] == '\n') continue;
        if (c == '\r' || c == '\n')
            text += "\n; ";
        else
            text += c;
    }
    return text;
}

void write_header(run_settings& s) {
    emit<"; %s v.%s\n;\n">(s, OUT_ALL, comment_text(s.program_name), version);
    if (s.label) emit<"; %s\n">(s, OUT_ALL, comment_text(*s.label));
    emit<"; For use with %.0f ohm bias resistor installed at R4.\n">(s, OUT_IAT, s.bias);
    emit<"; For use with %.0f ohm bias resistor installed at R7.\n">(s, OUT_CTS, s.bias);
    emit<";\n; %s Steinhart-Hart coefficients: A=%g  B=%g  C=%g\n">(s, OUT_ALL, s.measured ? "Computed" : "Known", s.A, s.B, s.C);
    if (s.measured) {
        emit<";\n; Input data confirmation (2nd and 3rd columns had better be the same):\n;\n">(s, OUT_ALL);
        emit<";    Resistance    Input Temp     Computed\n">(s, OUT_ALL);
        for (const calibration_point& p : s.points)
            emit<";    % 10.2f    % 10.2f   % 10.2f\n">(s, OUT_ALL, p.resistance, kelvin_to_fahrenheit(p.temperature), resistance_to_fahrenheit(s, p.resistance));
    }
    emit<"\n">(s, OUT_ALL);
    emit<"AIRDENFACTOR:\n\t\t\t; ADC - Temp (dF)\n">(s, OUT_IAT);
    emit<"THERMFACTOR:\n\t\t\t; ADC - Temp (dF)\n">(s, OUT_CTS);
    emit<"ADC -        Res       Temp    Density\n">(s, OUT_CONSOLE);
}

void write_rows(run_settings& s) {
    for (int adc = 0; adc <= 255; ++adc) {
        if (adc == 0 || adc == 255) {
            emit<"\tDB\t210T\t; %3d - sensor failure.\n">(s, OUT_CTS, adc);
            emit<"\tDB\t100T\t; %3d - sensor failure.\n">(s, OUT_IAT, adc);
            emit<"%3d - sensor failure.\n">(s, OUT_CONSOLE, adc);
            continue;
        }
        double r = adc_to_resistance(s, adc);
        double t = resistance_to_fahrenheit(s, r);
        double d = density_factor(t);
        emit<"\tDB\t%3dT\t; %3d - % 5.1f\n">(s, OUT_CTS, coolant_byte(t), adc, t);
        emit<"\tDB\t%3dT\t; %3d - % 5.1f\n">(s, OUT_IAT, table_integer(d), adc, t);
        emit<"%3d - %10.2f   % 8.2f   % 8.2f\n">(s, OUT_CONSOLE, adc, r, t, d);
    }
}

}  // namespace

int table_integer(double value) {
    if (!(std::fabs(value) < 9223372036854775808.0)) return 0;  // 2^63; also NaN
    auto wide = static_cast<std::int64_t>(value);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

int coolant_byte(double fahrenheit) {
    double v = fahrenheit;
    if (fahrenheit > 215.0) v = 215.0;
    if (!(fahrenheit >= -40.0)) v = -40.0;  // NaN lands here too
    return table_integer(v - (-40.0));
}

double density_factor(double fahrenheit) {
    // 24055.809477988936 is the double nearest 1 / 0.00004157.
    return 37.943 / ((fahrenheit - (-459.7)) * 1728.0) * 24055.809477988936 * 100.0;
}

double adc_to_resistance(const run_settings& s, int adc) { return s.bias / (255.0 / adc - 1.0); }

void write_tables(run_settings& s) {
    write_header(s);
    write_rows(s);
    flush_channels(s);
}

int write_report(int argc, const char* const* argv, run_settings& s) {
    if (argc > 0 && argv[0]) s.program_name = argv[0];
    int status = parse_command_line(argc, argv, s);
    if (status != parse_accepted) return status;
    solve_coefficients(s);
    write_tables(s);
    return finish_outputs(s);
}

}  // namespace thermtab
