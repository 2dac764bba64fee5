#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include "number_text/number_text.h"

namespace thermtab {
namespace {

std::string format(const char* fmt, double v) {
    std::string out;
    text_arg args[] = {v};
    format_text(out, fmt, args);
    return out;
}

struct number_case {
    const char* format;
    double value;
    const char* expected;
};

void PrintTo(const number_case& c, std::ostream* os) { *os << '"' << c.format << "\" of " << c.value; }

class NumberText : public ::testing::TestWithParam<number_case> {};

TEST_P(NumberText, PrintsExactDigits) {
    const number_case& c = GetParam();
    EXPECT_EQ(format(c.format, c.value), c.expected) << c.format << " of " << c.value;
}

const double inf = std::numeric_limits<double>::infinity();

// Expected text worked out by hand from each double's exact decimal value.
INSTANTIATE_TEST_SUITE_P(
    Cases, NumberText,
    ::testing::Values(
        // Exact ties round away from zero.
        number_case{"%.2f", 155.625, "155.63"},
        number_case{"%10.2f", 155.625, "    155.63"},
        number_case{"%.2f", -155.625, "-155.63"},
        number_case{"%.2f", 0.125, "0.13"},
        number_case{"%.0f", 2490.5, "2491"},
        number_case{"%.0f", 0.5, "1"},
        number_case{"%.0f", -0.5, "-1"},
        number_case{"%g", 123456.5, "123457"},
        // Just below a tie, but the 17-digit form is the tie: 393.25499999999999545...
        number_case{"%.2f", 393.255, "393.26"},
        number_case{"%.2f", 130.005, "130.01"},
        // Below a tie and not a tie at 17 digits either: 0.49999999999999994449...
        number_case{"%.0f", 0.49999999999999994, "0"},
        // A tie at the 18th digit itself: 1234567890123456.25 has exactly 18.
        number_case{"%.1f", 1234567890123456.25, "1234567890123456.3"},
        number_case{"%.2f", 1234567890123456.25, "1234567890123456.30"},
        // Carries that add a digit.
        number_case{"%.2f", 99.996, "100.00"},
        number_case{"%8.2f", 999.999, " 1000.00"},
        number_case{"%g", 999999.5, "1e+006"},
        number_case{"%g", 99999.96, "100000"},
        number_case{"%g", 9.999995e-5, "0.0001"},
        // Signs: negative values and negative zero, space flag, widths.
        number_case{"%.2f", -0.0, "-0.00"},
        number_case{"%.2f", -0.001, "-0.00"},
        number_case{"%g", -0.0, "-0"},
        number_case{"%g", 0.0, "0"},
        number_case{"% 8.2f", 81.41, "   81.41"},
        number_case{"% 8.2f", -85.14, "  -85.14"},
        number_case{"% 5.1f", 5.0, "  5.0"},
        number_case{"% 5.1f", -85.14, "-85.1"},
        number_case{"% 5.1f", 435.44, " 435.4"},
        number_case{"% 10.2f", 32.0, "     32.00"},
        number_case{"% 10.2f", 632460.0, " 632460.00"},
        number_case{"%10.2f", 1234567890.0, "1234567890.00"},
        number_case{"% .2f", 0.0, " 0.00"},
        // %g between fixed and exponent form, three exponent digits.
        number_case{"%g", 1e-5, "1e-005"},
        number_case{"%g", 0.0001, "0.0001"},
        number_case{"%g", 0.00012345678, "0.000123457"},
        number_case{"%g", 999999.0, "999999"},
        number_case{"%g", 1e6, "1e+006"},
        number_case{"%g", 1234567.0, "1.23457e+006"},
        number_case{"%g", 1.1639e-07, "1.1639e-007"},
        number_case{"%g", -2.5e-10, "-2.5e-010"},
        number_case{"%g", 0.00149031826, "0.00149032"},
        number_case{"%g", 0.00022745952, "0.00022746"},
        number_case{"%g", 1e100, "1e+100"},
        number_case{"%g", 5e-324, "4.94066e-324"},
        number_case{"%g", 0.1 + 0.2, "0.3"},
        // Digits past the 17th print as 0: 2^70 = 1180591620717411303424.
        number_case{"%.2f", 1180591620717411303424.0, "1180591620717411300000.00"},
        number_case{"%.0f", 1e23, "99999999999999992000000"},  // 1e23 is 99999999999999991611392
        // Non-finite values.
        number_case{"% 8.2f", inf, "     inf"},
        number_case{"%g", -inf, "-inf"},
        number_case{"% 5.1f", std::nan(""), "  nan"},
        number_case{"%g", -std::nan(""), "nan"}));

TEST(FormatText, IntegersTextAndPercent) {
    std::string out;
    text_arg args[] = {5, 255, -5, 1760705, "%d%s", 7};
    format_text(out, "[%3d][%3d][%3d][%3d][%s][%%][%d]", args);
    EXPECT_EQ(out, "[  5][255][ -5][1760705][%d%s][%][7]");
}

TEST(FormatText, TextOfAnyLength) {
    std::string label(5000, 'x');
    std::string out;
    text_arg args[] = {label};
    format_text(out, "; %s\n", args);
    EXPECT_EQ(out, "; " + label + "\n");
}

TEST(FormatText, MissingArgumentLeavesConversion) {
    std::string out;
    format_text(out, "a %d b %", {});
    EXPECT_EQ(out, "a %d b %");
}

TEST(Decimal17, RoundsExactValueHalfAwayFromZero) {
    struct {
        double value;
        const char* digits;
        int exponent;
    } cases[] = {
        {393.255, "39325500000000000", 2},           // 393.25499999999999545...
        {1234567890123456.25, "12345678901234563", 15},  // exact tie at digit 18
        {0.1, "10000000000000001", -1},              // 0.1000000000000000055511...
        {5e-324, "49406564584124654", -324},
        {1.7976931348623157e308, "17976931348623157", 308},
    };
    for (const auto& c : cases) {
        decimal17 d = to_decimal17(c.value);
        EXPECT_EQ(std::string(d.digits, 17), c.digits) << c.value;
        EXPECT_EQ(d.exponent, c.exponent) << c.value;
    }
}

}  // namespace
}  // namespace thermtab
