#include "cli/cli.h"

#include <cstdlib>
#include <cstring>

#include "thermistor/thermistor.h"

namespace thermtab {

namespace {

enum class temp_unit { kelvin, celsius, fahrenheit };

const char* const help_text =
    "\n"
    "   -i = Generate the manifold AIRDENFACTOR table in airdenfactor.inc.\n"
    "   -c = Generate the coolant THERMFACTOR table in thermfactor.inc.\n"
    "   -l = Supply an optional label, which is written to comments at the top\n"
    "        of the output files.\n"
    "   -b = Specifies the bias resistor value (R4 for MAT, R7 for CTS).\n"
    "\n"
    "   If you already have the three Steinhart-Hart coefficent values:\n"
    "   -s = Comma separated list of three coefficient values, A, B, C.\n"
    "\n"
    "   If you don't know them, then you must supply three measurements:\n"
    "   -r = Comma separated list of three resistance values.\n"
    "   -t = Comma separated list of three temperature values (default Kelvins).\n"
    "   -F = Above temperatures are in Fahrenheit.\n"
    "   -C = Above temperatures are in Celsius.\n";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Plain decimal syntax in full: optional sign, digits with an optional
// fraction, optional exponent; nothing before or after.
bool is_decimal_number(const char* p) {
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    for (; is_digit(*p); ++p) digits = true;
    if (*p == '.')
        for (++p; is_digit(*p); ++p) digits = true;
    if (!digits) return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (!is_digit(*p)) return false;
        while (is_digit(*p)) ++p;
    }
    return *p == '\0';
}

int reject(run_settings& s, std::string_view message, std::string_view argument) {
    show_usage(s, message, argument);
    return exit_rejected;
}

// -c and -i: a second one after a successful open is refused; the last file
// option decides whether the console still gets the report.
bool open_table(run_settings& s, include_file& file) {
    bool opened = open_include_file(s, file);
    s.console_enabled = !opened;
    return opened;
}

}  // namespace

void parse_value_list(const char* text, double (&buffer)[3], int& count) {
    count = 0;
    const char* p = text;
    while (is_digit(*p) || *p == '-') {
        char* end = nullptr;
        double value = std::strtod(p, &end);
        if (end == p) break;  // "-" alone or "-x": nothing converts, so the list ends here
        if (count < 3) buffer[count] = value;
        p = end;
        if (*p == ',') ++p;
        ++count;
    }
}

void show_usage(run_settings& s, std::string_view message, std::string_view argument) {
    std::string text;
    const std::string& name = s.program_name;
    if (!message.empty()) {
        text_arg args[] = {message, argument};
        format_text(text, "ERROR: %s \"%s\"\n\n", args);
    }
    text_arg usage_args[] = {name};
    format_text(text,
                "usage: %s -l<label> -i -c -b<biasValue>\n"
                "          -r<resistances> -t<temperatures> [-F|-C]\n"
                "          -s<coefficents>\n",
                usage_args);
    text += "   as in\n";
    format_text(text, "      %s -t0,70,100 -r6000,450,190 -C -i -c\n", usage_args);
    text += help_text;
    std::fwrite(text.data(), 1, text.size(), s.errors);
    std::fflush(s.errors);
}

namespace {

int parse_arguments(int argc, const char* const* argv, run_settings& s) {
    temp_unit unit = temp_unit::kelvin;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') return reject(s, "Invalid argument.", arg);
        if (std::strcmp(arg, "--help") == 0) {
            show_usage(s, "", "");
            return 0;
        }
        char option = arg[1];
        switch (option) {
        case 'C':
            if (unit == temp_unit::fahrenheit) return reject(s, "Temperature already set to Fahrenheit.", arg);
            unit = temp_unit::celsius;
            continue;
        case 'F':
            if (unit == temp_unit::celsius) return reject(s, "Temperature already set to Celsius", arg);
            unit = temp_unit::fahrenheit;
            continue;
        case 'c':
            if (s.cts_file.stream) return reject(s, "CTS file already opened.", arg);
            open_table(s, s.cts_file);
            continue;
        case 'i':
            if (s.iat_file.stream) return reject(s, "IAT file already opened.", arg);
            open_table(s, s.iat_file);
            continue;
        case 'b':
        case 'l':
        case 'r':
        case 's':
        case 't':
            break;
        case 'h':
        case '?':
            show_usage(s, "", "");
            return 0;
        default:
            show_usage(s, "", "");
            return exit_rejected;
        }

        // Options with a value: attached, or else the whole next argument,
        // whatever it looks like. Given last with nothing attached, there is
        // no value at all.
        const char* value = nullptr;
        if (arg[2] != '\0')
            value = arg + 2;
        else if (i + 1 < argc)
            value = argv[++i];

        if (option == 'l') {
            if (value)
                s.label = std::string(value);
            else
                s.label.reset();
            s.label_given = true;
            continue;
        }
        if (!value) value = "";
        if (option == 'b') {
            if (!is_decimal_number(value)) return reject(s, "Invalid bias resistor value.", value);
            s.bias = std::strtod(value, nullptr);
            continue;
        }

        double values[3];
        int count = 0;
        parse_value_list(value, values, count);
        if (option == 'r') {
            if (count != 3) return reject(s, "Wrong number of resistance values (should be 3)", value);
            for (int k = 0; k < 3; ++k) s.points[k].resistance = values[k];
            s.measured = true;
        } else if (option == 's') {
            if (count != 3) return reject(s, "Wrong number of Steinhart-Hart coefficients (should be 3)", value);
            s.A = values[0];
            s.B = values[1];
            s.C = values[2];
        } else {
            if (count != 3) return reject(s, "Wrong number of temperature values (should be 3)", value);
            for (int k = 0; k < 3; ++k) s.points[k].temperature = values[k];
            s.measured = true;
        }
        // Sensor data without a label of its own must not carry the built-in one.
        if (!s.label_given) s.label = std::string();
    }

    // The unit applies to all three temperatures, wherever they came from.
    for (calibration_point& p : s.points) {
        if (unit == temp_unit::celsius)
            p.temperature = celsius_to_kelvin(p.temperature);
        else if (unit == temp_unit::fahrenheit)
            p.temperature = fahrenheit_to_kelvin(p.temperature);
    }
    return parse_accepted;
}

}  // namespace

int parse_command_line(int argc, const char* const* argv, run_settings& s) {
    int status = parse_arguments(argc, argv, s);
    if (status != parse_accepted) {
        // A run that ends here writes no table and leaves earlier ones as they were.
        discard_include_file(s.cts_file);
        discard_include_file(s.iat_file);
    }
    return status;
}

}  // namespace thermtab
