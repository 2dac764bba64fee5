#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "report/report.h"
#include "thermistor/thermistor.h"

namespace thermtab {
namespace {

std::string read_all(std::FILE* f) {
    std::fflush(f);
    std::rewind(f);
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    return text;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The three channels captured in temporary files.
class Report : public ::testing::Test {
protected:
    void SetUp() override {
        s.console = std::tmpfile();
        s.program_name = "thermtab";
    }
    void TearDown() override {
        for (std::FILE* f : {s.console, s.cts_file.stream, s.iat_file.stream})
            if (f) std::fclose(f);
    }
    void open_files() {
        s.cts_file.stream = std::tmpfile();
        s.iat_file.stream = std::tmpfile();
        s.console_enabled = false;
    }
    std::vector<std::string> console() { return lines_of(read_all(s.console)); }
    std::vector<std::string> coolant() { return lines_of(read_all(s.cts_file.stream)); }
    std::vector<std::string> air() { return lines_of(read_all(s.iat_file.stream)); }

    run_settings s;
};

TEST_F(Report, BuiltInSensorOnConsole) {
    write_tables(s);
    std::vector<std::string> out = console();
    ASSERT_EQ(out.size(), 263u);
    std::vector<std::string> head(out.begin(), out.begin() + 8);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "; thermtab v.2.2",
                        ";",
                        "; GM 121 463 12 sensor data.",
                        ";",
                        "; Known Steinhart-Hart coefficients: A=0.00149032  B=0.00022746  C=1.1639e-007",
                        "",
                        "ADC -        Res       Temp    Density",
                        "  0 - sensor failure.",
                    }));
    // The console's row for count n is line 7 + n.
    EXPECT_EQ(out[7 + 1], "  1 -       9.80     435.44      59.01");
    EXPECT_EQ(out[7 + 15], " 15 -     155.63     218.71      77.86");  // R is exactly 155.625
    EXPECT_EQ(out[7 + 85], " 85 -    1245.00     111.12      92.54");
    EXPECT_EQ(out[7 + 128], "128 -    2509.61      81.41      97.62");
    EXPECT_EQ(out[7 + 170], "170 -    4980.00      54.83     102.66");
    EXPECT_EQ(out[7 + 254], "254 -  632460.00     -85.14     141.02");
    EXPECT_EQ(out[7 + 255], "255 - sensor failure.");
}

TEST_F(Report, BuiltInSensorIncludeFiles) {
    open_files();
    write_tables(s);
    EXPECT_EQ(read_all(s.console), "");
    std::vector<std::string> cts = coolant(), iat = air();
    ASSERT_EQ(cts.size(), 265u);
    ASSERT_EQ(iat.size(), 265u);
    EXPECT_EQ(cts[3], "; For use with 2490 ohm bias resistor installed at R7.");
    EXPECT_EQ(iat[3], "; For use with 2490 ohm bias resistor installed at R4.");
    EXPECT_EQ(cts[7], "THERMFACTOR:");
    EXPECT_EQ(iat[7], "AIRDENFACTOR:");
    EXPECT_EQ(cts[8], "\t\t\t; ADC - Temp (dF)");
    // The DB line for count n is line 9 + n.
    struct {
        int adc;
        const char* coolant;
        const char* air;
    } rows[] = {
        {0, "\tDB\t210T\t;   0 - sensor failure.", "\tDB\t100T\t;   0 - sensor failure."},
        {1, "\tDB\t255T\t;   1 -  435.4", "\tDB\t 59T\t;   1 -  435.4"},
        {253, "\tDB\t  0T\t; 253 - -68.9", "\tDB\t135T\t; 253 - -68.9"},
        {254, "\tDB\t  0T\t; 254 - -85.1", "\tDB\t141T\t; 254 - -85.1"},
        {255, "\tDB\t210T\t; 255 - sensor failure.", "\tDB\t100T\t; 255 - sensor failure."},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(cts[9 + r.adc], r.coolant);
        EXPECT_EQ(iat[9 + r.adc], r.air);
    }
}

TEST_F(Report, FileOpenWhileConsoleOnGetsEverything) {
    s.cts_file.stream = std::tmpfile();
    write_tables(s);
    EXPECT_EQ(console().size(), 263u);
    EXPECT_EQ(coolant().size(), 265u);
}

TEST_F(Report, ConfirmationBlockAfterSolve) {
    open_files();
    s.console_enabled = true;
    s.label = "";
    s.measured = true;
    s.points = {{{celsius_to_kelvin(0.0), 6000.0}, {celsius_to_kelvin(70.0), 450.0}, {celsius_to_kelvin(100.0), 190.0}}};
    solve_coefficients(s);
    write_tables(s);
    std::vector<std::string> out = console(), cts = coolant(), iat = air();
    ASSERT_EQ(out.size(), 270u);
    ASSERT_EQ(cts.size(), 272u);
    ASSERT_EQ(iat.size(), 272u);
    std::vector<std::string> expected_head = {
        "; thermtab v.2.2",
        ";",
        "; ",
        ";",
        "; Computed Steinhart-Hart coefficients: A=0.00134133  B=0.000248512  C=2.39564e-007",
        ";",
        "; Input data confirmation (2nd and 3rd columns had better be the same):",
        ";",
        ";    Resistance    Input Temp     Computed",
        ";       6000.00         32.00        32.00",
        ";        450.00        158.00       158.00",
        ";        190.00        212.00       212.00",
        "",
        "ADC -        Res       Temp    Density",
    };
    EXPECT_EQ(std::vector<std::string>(out.begin(), out.begin() + 14), expected_head);
    EXPECT_EQ(cts[14], "THERMFACTOR:");
    EXPECT_EQ(cts[16 + 128], "\tDB\t109T\t; 128 -  69.5");
    EXPECT_EQ(iat[16 + 128], "\tDB\t 99T\t; 128 -  69.5");
    EXPECT_EQ(cts[16 + 85], "\tDB\t142T\t;  85 -  103.0");
    EXPECT_EQ(iat[16 + 85], "\tDB\t 93T\t;  85 -  103.0");
    EXPECT_EQ(out[14 + 85].substr(0, 17), " 85 -    1245.00 ");
}

TEST_F(Report, LabelIsCopiedLiterally) {
    open_files();
    s.console_enabled = true;
    s.label = "50% %d %s %%";
    write_tables(s);
    EXPECT_EQ(console()[2], "; 50% %d %s %%");
    EXPECT_EQ(coolant()[2], "; 50% %d %s %%");
    EXPECT_EQ(air()[2], "; 50% %d %s %%");
}

TEST_F(Report, LineBreaksInLabelStayInsideComments) {
    // Found by fuzzing: a label with line breaks put its later lines, a DB
    // directive among them, into the table file as assembler statements.
    open_files();
    s.label = "first\n\tDB\t99T\r\nthird\rfourth\n";
    s.program_name = "therm\ntab";
    write_tables(s);
    std::vector<std::string> cts = coolant();
    std::vector<std::string> expected = {"; therm", "; tab v.2.2", ";", "; first", "; \tDB\t99T", "; third", "; fourth", "; "};
    EXPECT_EQ(std::vector<std::string>(cts.begin(), cts.begin() + 8), expected);
    EXPECT_EQ(cts.size(), 265u + 1u + 4u);  // one break in the name, four in the label
    int db_lines = 0;
    for (const std::string& line : cts) db_lines += line.rfind("\tDB\t", 0) == 0;
    EXPECT_EQ(db_lines, 256);
}

TEST_F(Report, NoLabelLine) {
    open_files();
    s.console_enabled = true;
    s.label.reset();
    write_tables(s);
    std::vector<std::string> out = console();
    EXPECT_EQ(out.size(), 262u);
    EXPECT_EQ(coolant().size(), 264u);
    EXPECT_EQ(air().size(), 264u);
    EXPECT_EQ(out[2], ";");
}

TEST_F(Report, ZeroBiasGivesUnclampedDensity) {
    open_files();
    s.bias = 0.0;
    write_tables(s);
    std::vector<std::string> cts = coolant(), iat = air();
    EXPECT_EQ(cts[3], "; For use with 0 ohm bias resistor installed at R7.");
    for (int adc = 1; adc <= 254; ++adc) {
        std::string n = std::to_string(adc);
        n.insert(0, 3 - n.size(), ' ');
        EXPECT_EQ(cts[9 + adc], "\tDB\t  0T\t; " + n + " - -459.7");
        EXPECT_EQ(iat[9 + adc], "\tDB\t1760705T\t; " + n + " - -459.7");
    }
}

TEST_F(Report, EmitSelectsChannels) {
    emit<"once %d\n">(s, OUT_ALL, 1);
    emit<"nowhere\n">(s, OUT_IAT);
    emit<"nowhere\n">(s, OUT_CTS);
    flush_channels(s);
    EXPECT_EQ(read_all(s.console), "once 1\n");
}

TEST(TableInteger, TruncatesAndKeepsLow32Bits) {
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        double value;
        int expected;
    } cases[] = {
        {141.99, 141},
        {-1.9, -1},
        {1760705.3, 1760705},
        {4294967301.0, 5},                  // 2^32 + 5
        {2147483648.0, -2147483648},        // 2^31 wraps to the sign bit
        {9223372036854774784.0, -1024},     // largest double below 2^63: low bits 2^32 - 1024
        {9223372036854775808.0, 0},         // 2^63
        {-9223372036854775808.0, 0},
        {inf, 0},
        {-inf, 0},
        {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(table_integer(c.value), c.expected) << c.value;
}

TEST(CoolantByte, HeldToTableRange) {
    const double inf = std::numeric_limits<double>::infinity();
    struct {
        double fahrenheit;
        int expected;
    } cases[] = {
        {215.0, 255}, {215.1, 255}, {inf, 255}, {81.41, 121}, {-39.5, 0},
        {-40.0, 0},   {-40.1, 0},   {-inf, 0},  {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(coolant_byte(c.fahrenheit), c.expected) << c.fahrenheit;
}

TEST(DensityFactor, HundredPercentNearSixtyEightAndAHalf) {
    EXPECT_NEAR(density_factor(68.51), 100.0, 0.01);
    EXPECT_GT(density_factor(0.0), density_factor(100.0));
}

}  // namespace
}  // namespace thermtab
