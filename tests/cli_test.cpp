#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "usage_text.h"

namespace thermtab {
namespace {

using testing::usage_screen;
using testing::usage_with_error;

TEST(ValueList, ReadsUpToTheFirstElementThatIsNotANumber) {
    struct {
        const char* text;
        int count;
        std::vector<double> values;  // the stored ones
    } cases[] = {
        {"6000,450,190", 3, {6000, 450, 190}},
        {"6000,450,190,", 3, {6000, 450, 190}},
        {"1, 2, 3", 1, {1}},
        {"+1,2,3", 0, {}},
        {".5,1,2", 0, {}},
        {"1;2;3", 1, {1}},
        {"1e3,2,3", 3, {1000, 2, 3}},
        {"6000,450,190ohm", 3, {6000, 450, 190}},
        {"1,2,3,4", 4, {1, 2, 3}},
        {"1,2,3,4,5,6,7", 7, {1, 2, 3}},  // nothing is stored past the third
        {"-1.5,-0,2", 3, {-1.5, -0.0, 2}},
        {"", 0, {}},
        {"1,,2", 1, {1}},
        {"1,2,-", 2, {1, 2}},  // a lone '-' does not convert: the list ends there
        {"-x,1,2", 0, {}},
    };
    for (const auto& c : cases) {
        double buffer[3] = {-7, -7, -7};
        int count = -1;
        parse_value_list(c.text, buffer, count);
        EXPECT_EQ(count, c.count) << c.text;
        for (std::size_t k = 0; k < c.values.size(); ++k) EXPECT_EQ(buffer[k], c.values[k]) << c.text << " #" << k;
        for (std::size_t k = c.values.size(); k < 3; ++k) EXPECT_EQ(buffer[k], -7) << c.text << " #" << k;
    }
}

struct parse_case {
    std::vector<const char*> args;  // after the program name
    int status;                     // parse_accepted, or the exit status
    std::string errors;             // what the error stream receives
    std::function<void(const run_settings&)> check;
};

void PrintTo(const parse_case& c, std::ostream* os) {
    for (const char* a : c.args) *os << '[' << a << ']';
}

class ParseCommandLine : public ::testing::TestWithParam<parse_case> {};

TEST_P(ParseCommandLine, SettingsOrUsage) {
    const parse_case& c = GetParam();
    std::vector<const char*> argv = {"thermtab"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    argv.push_back(nullptr);
    run_settings s;
    s.errors = std::tmpfile();
    int status = parse_command_line(static_cast<int>(argv.size()) - 1, argv.data(), s);
    std::rewind(s.errors);
    std::string errors;
    for (int ch; (ch = std::fgetc(s.errors)) != EOF;) errors += static_cast<char>(ch);
    std::fclose(s.errors);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(errors, c.errors);
    EXPECT_EQ(s.cts_file.stream, nullptr);
    EXPECT_EQ(s.iat_file.stream, nullptr);
    if (c.check) c.check(s);
}

const run_settings builtin;

void expect_points(const run_settings& s, double t1, double t2, double t3) {
    EXPECT_DOUBLE_EQ(s.points[0].temperature, t1);
    EXPECT_DOUBLE_EQ(s.points[1].temperature, t2);
    EXPECT_DOUBLE_EQ(s.points[2].temperature, t3);
}

const std::string fahrenheit_set = "Temperature already set to Fahrenheit.";
const std::string celsius_set = "Temperature already set to Celsius";
const std::string wrong_r = "Wrong number of resistance values (should be 3)";
const std::string wrong_s = "Wrong number of Steinhart-Hart coefficients (should be 3)";
const std::string wrong_t = "Wrong number of temperature values (should be 3)";
const std::string bad_bias = "Invalid bias resistor value.";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseCommandLine,
    ::testing::Values(
        parse_case{{}, parse_accepted, "",
                   [](const run_settings& s) {
                       EXPECT_EQ(s.label, builtin.label);
                       EXPECT_FALSE(s.measured);
                       EXPECT_TRUE(s.console_enabled);
                       expect_points(s, 253.14999999999998, 303.15000000000003, 372.03888888888895);
                   }},
        // Rejections: the ERROR line quotes the value, attached or not.
        parse_case{{"-r1,2"}, exit_rejected, usage_with_error(wrong_r, "1,2"), nullptr},
        parse_case{{"-r", "1,2"}, exit_rejected, usage_with_error(wrong_r, "1,2"), nullptr},
        parse_case{{"-r", ""}, exit_rejected, usage_with_error(wrong_r, ""), nullptr},
        parse_case{{"-r"}, exit_rejected, usage_with_error(wrong_r, ""), nullptr},  // nothing after it
        parse_case{{"-s1,2,3,4"}, exit_rejected, usage_with_error(wrong_s, "1,2,3,4"), nullptr},
        parse_case{{"-t", "1, 2, 3"}, exit_rejected, usage_with_error(wrong_t, "1, 2, 3"), nullptr},
        parse_case{{"-t1,2,-"}, exit_rejected, usage_with_error(wrong_t, "1,2,-"), nullptr},
        parse_case{{"foo"}, exit_rejected, usage_with_error("Invalid argument.", "foo"), nullptr},
        parse_case{{"-c", "-x"}, exit_rejected, usage_screen, nullptr},
        parse_case{{"-x"}, exit_rejected, usage_screen, nullptr},
        parse_case{{"-"}, exit_rejected, usage_screen, nullptr},
        parse_case{{"--version"}, exit_rejected, usage_screen, nullptr},
        parse_case{{"-h"}, 0, usage_screen, nullptr},
        parse_case{{"-?"}, 0, usage_screen, nullptr},
        parse_case{{"--help"}, 0, usage_screen, nullptr},
        parse_case{{"-F", "-C"}, exit_rejected, usage_with_error(fahrenheit_set, "-C"), nullptr},
        parse_case{{"-C", "-Fahrenheit"}, exit_rejected, usage_with_error(celsius_set, "-Fahrenheit"), nullptr},
        parse_case{{"-bfoo"}, exit_rejected, usage_with_error(bad_bias, "foo"), nullptr},
        parse_case{{"-b2.2k"}, exit_rejected, usage_with_error(bad_bias, "2.2k"), nullptr},
        parse_case{{"-b", ""}, exit_rejected, usage_with_error(bad_bias, ""), nullptr},
        parse_case{{"-b"}, exit_rejected, usage_with_error(bad_bias, ""), nullptr},
        parse_case{{"-b", " 2490"}, exit_rejected, usage_with_error(bad_bias, " 2490"), nullptr},
        parse_case{{"-binf"}, exit_rejected, usage_with_error(bad_bias, "inf"), nullptr},
        // Values attached or in the next argument, whatever it looks like.
        parse_case{{"-b", "-5"}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.bias, -5.0); }},
        parse_case{{"-b2490.5", "-b0"}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.bias, 0.0); }},
        parse_case{{"-b1e3"}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.bias, 1000.0); }},
        parse_case{{"-l", "-i"}, parse_accepted, "",
                   [](const run_settings& s) {
                       EXPECT_EQ(s.label, "-i");
                       EXPECT_TRUE(s.console_enabled);
                   }},
        parse_case{{"-l"}, parse_accepted, "",
                   [](const run_settings& s) {
                       EXPECT_EQ(s.label, std::nullopt);
                       EXPECT_TRUE(s.label_given);
                   }},
        parse_case{{"-l", ""}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.label, ""); }},
        // Label rule: sensor data clears the built-in label; -l wins wherever it stands.
        parse_case{{"-s0.0015,0.00023,1.2e-7"}, parse_accepted, "",
                   [](const run_settings& s) {
                       EXPECT_EQ(s.label, "");
                       EXPECT_FALSE(s.measured);
                       EXPECT_EQ(s.A, 0.0015);
                       EXPECT_EQ(s.B, 0.00023);
                       EXPECT_EQ(s.C, 1.2e-7);
                   }},
        parse_case{{"-lMine", "-s1,2,3"}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.label, "Mine"); }},
        parse_case{{"-s1,2,3", "-lMine"}, parse_accepted, "", [](const run_settings& s) { EXPECT_EQ(s.label, "Mine"); }},
        parse_case{{"-s1,2,3", "-r6000,450,190"}, parse_accepted, "",
                   [](const run_settings& s) {
                       EXPECT_TRUE(s.measured);
                       EXPECT_EQ(s.points[0].resistance, 6000.0);
                       EXPECT_EQ(s.points[1].resistance, 450.0);
                       EXPECT_EQ(s.points[2].resistance, 190.0);
                       expect_points(s, 253.14999999999998, 303.15000000000003, 372.03888888888895);
                   }},
        parse_case{{"-r1,2,3", "-r4,5,6"}, parse_accepted, "",
                   [](const run_settings& s) { EXPECT_EQ(s.points[2].resistance, 6.0); }},
        // Units apply after the last argument, in either order, to all three points.
        parse_case{{"-t0,70,100", "-C"}, parse_accepted, "",
                   [](const run_settings& s) { expect_points(s, 273.15, 343.15, 373.15); }},
        parse_case{{"-C", "-t0,70,100"}, parse_accepted, "",
                   [](const run_settings& s) { expect_points(s, 273.15, 343.15, 373.15); }},
        parse_case{{"-Celsius", "-t", "0,70,100"}, parse_accepted, "",
                   [](const run_settings& s) { expect_points(s, 273.15, 343.15, 373.15); }},
        parse_case{{"-F", "-t32,212,-40"}, parse_accepted, "",
                   [](const run_settings& s) { expect_points(s, 273.15, 373.15, 233.15); }},
        parse_case{{"-F"}, parse_accepted, "",
                   [](const run_settings& s) {
                       // Without -t the built-in kelvin values are read as Fahrenheit.
                       expect_points(s, (253.14999999999998 + 459.67) * 5 / 9, (303.15000000000003 + 459.67) * 5 / 9,
                                     (372.03888888888895 + 459.67) * 5 / 9);
                   }},
        parse_case{{"-C", "-C"}, parse_accepted, "",
                   [](const run_settings& s) {
                       expect_points(s, 253.14999999999998 + 273.15, 303.15000000000003 + 273.15, 372.03888888888895 + 273.15);
                       EXPECT_FALSE(s.measured);
                   }},
        parse_case{{"-t1,2,3"}, parse_accepted, "",
                   [](const run_settings& s) {
                       expect_points(s, 1, 2, 3);  // kelvin without a unit option
                       EXPECT_EQ(s.points[0].resistance, 28681.0);
                   }}));

}  // namespace
}  // namespace thermtab
