// The fast number text against its slow exact twin.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "number_text/number_text.h"
#include "number_text/number_text_reference.h"

namespace thermtab {
namespace {

// Every conversion the report uses.
const conversion report_conversions[] = {
    {'f', 0, 0, false, false, false},   // %.0f
    {'f', 1, 5, true, false, false},    // % 5.1f
    {'f', 2, 10, false, false, false},  // %10.2f
    {'f', 2, 8, true, false, false},    // % 8.2f
    {'f', 2, 10, true, false, false},   // % 10.2f
    {'g', 6, 0, false, false, false},   // %g
};

int mismatches(double value) {
    int count = 0;
    if (std::isfinite(value)) {
        int exponent = 0;
        std::string slow = reference::seventeen_digit_string(value, exponent);
        decimal17 fast = to_decimal17(value);
        if (std::string(fast.digits, 17) != slow || fast.exponent != exponent) {
            ADD_FAILURE() << "value " << std::bit_cast<std::uint64_t>(value) << ": 17 digits " << std::string(fast.digits, 17)
                          << "e" << fast.exponent << ", exactly " << slow << "e" << exponent;
            ++count;
        }
    }
    for (const conversion& conv : report_conversions) {
        std::string fast;
        append_number(fast, value, conv);
        std::string slow = reference::format_number(value, conv);
        if (fast != slow) {
            ADD_FAILURE() << "value " << std::bit_cast<std::uint64_t>(value) << " (" << value << ") conversion '"
                          << conv.kind << "' precision " << conv.precision << ": fast «" << fast << "» exact «"
                          << slow << "»";
            ++count;
        }
    }
    return count;
}

TEST(NumberTextTwin, ReferenceAgreesWithHandWorkedCases) {
    conversion f2{'f', 2, 0, false, false, false};
    conversion g{'g', 6, 0, false, false, false};
    EXPECT_EQ(reference::format_number(155.625, f2), "155.63");
    EXPECT_EQ(reference::format_number(393.255, f2), "393.26");
    EXPECT_EQ(reference::format_number(99.996, f2), "100.00");
    EXPECT_EQ(reference::format_number(-0.0, f2), "-0.00");
    EXPECT_EQ(reference::format_number(999999.5, g), "1e+006");
    EXPECT_EQ(reference::format_number(1.1639e-07, g), "1.1639e-007");
    EXPECT_EQ(reference::format_number(1234567890123456.25, conversion{'f', 1, 0, false, false, false}),
              "1234567890123456.3");
}

TEST(NumberTextTwin, HardValues) {
    const double inf = std::numeric_limits<double>::infinity();
    const double hard[] = {
        0.0, -0.0, 155.625, 0.125, 2490.5, 0.5, 1.5, 2.5, 123456.5, 999999.5, 99999.95, 99999.96, 9.999995e-5,
        393.255, 130.005, 99.996, 999.995, 0.005, 0.015, 0.045, 0.49999999999999994, 1234567890123456.25,
        1e-5, 1e-4, 0.0001, 0.00009999995, 999999.0, 1e6, 1e15, 1e16, 1e17, 1e22, 1e23, 1e300,
        1.7976931348623157e308, 2.2250738585072014e-308, 2.2250738585072009e-308, 5e-324, 1e-320,
        9007199254740993.0, 4503599627370495.5, 0.30000000000000004, 1.1639e-07, 0.00149031826,
        0.00022745952, 632460.0, -459.67, -85.14, inf, -inf, std::nan(""),
    };
    for (double v : hard) {
        mismatches(v);
        mismatches(-v);
        mismatches(std::nextafter(v, inf));
        mismatches(std::nextafter(v, -inf));
    }
}

TEST(NumberTextTwin, RandomBitPatterns) {
    std::mt19937_64 random(20261211);
    int failed = 0;
    for (int i = 0; i < 4000 && failed < 10; ++i) failed += mismatches(std::bit_cast<double>(random()));
}

TEST(NumberTextTwin, RandomTableValues) {
    // Values of a table's size, and short decimals that sit on or next to ties.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> span(-1000.0, 1000000.0);
    std::uniform_int_distribution<int> thousandths(-1000000, 1000000);
    int failed = 0;
    for (int i = 0; i < 4000 && failed < 10; ++i) {
        failed += mismatches(span(random));
        failed += mismatches(thousandths(random) / 1000.0);
        failed += mismatches(thousandths(random) / 8.0);
    }
}

TEST(NumberTextTwin, DoublesAroundPrintedTies) {
    // Near a tie at the printed digit, only the 17-digit rounding decides the
    // last digit. Check the doubles around ties in every decade the table
    // uses, including the low end of each decade, where a value's binary
    // exponent suggests one decimal digit fewer than it has.
    std::mt19937_64 random(42);
    int failed = 0;
    for (int precision = 0; precision <= 2 && failed < 10; ++precision) {
        conversion conv{'f', precision, 0, false, false, false};
        double unit = std::pow(10.0, -precision);
        for (int decade = -3; decade <= 11 && failed < 10; ++decade) {
            double low = std::pow(10.0, decade);
            double high = low * 10;
            double edge = std::exp2(std::ceil(std::log2(low)));  // first power of two above the decade's start
            std::uniform_real_distribution<double> anywhere(low, high), start(low, edge);
            for (int i = 0; i < 200 && failed < 10; ++i) {
                double x = i % 2 ? anywhere(random) : start(random);
                double tie = (std::floor(x / unit) + 0.5) * unit;
                double v = tie;
                for (int step = 0; step < 12; ++step) v = std::nextafter(v, 0.0);
                for (int step = 0; step < 25 && failed < 10; ++step, v = std::nextafter(v, high)) {
                    std::string fast;
                    append_number(fast, v, conv);
                    std::string slow = reference::format_number(v, conv);
                    if (fast != slow) {
                        ADD_FAILURE() << "value " << std::bit_cast<std::uint64_t>(v) << " %." << precision
                                      << "f: fast «" << fast << "» exact «" << slow << "»";
                        ++failed;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace thermtab
