#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "number_text/number_text.h"
#include "thermistor/thermistor.h"

namespace thermtab {
namespace {

TEST(Model, BuiltInCoefficients) {
    run_settings s;
    EXPECT_NEAR(resistance_to_kelvin(s, 2238.0), 303.19542, 5e-6);
    EXPECT_NEAR(resistance_to_fahrenheit(s, 2238.0), 86.08175, 5e-6);
    EXPECT_NEAR(resistance_to_fahrenheit(s, 10000.0), 29.96134, 5e-6);
}

TEST(Model, ResistanceBelowOneOhmGivesNegativeCubeNotError) {
    run_settings s;
    // ln R < 0 lowers the sum below A, so the temperature rises above 1/A.
    double t = resistance_to_kelvin(s, 0.5);
    EXPECT_TRUE(std::isfinite(t));
    EXPECT_GT(t, 1.0 / s.A);
}

TEST(Model, ZeroResistanceFlowsThroughInfinity) {
    run_settings s;
    // ln 0 = -inf, so the sum is -inf and the temperature -0 K: -459.67 °F.
    EXPECT_EQ(resistance_to_fahrenheit(s, 0.0), -459.67);
}

TEST(Units, Conversions) {
    EXPECT_EQ(celsius_to_kelvin(0.0), 273.15);
    EXPECT_EQ(celsius_to_kelvin(-273.15), 0.0);
    EXPECT_DOUBLE_EQ(kelvin_to_fahrenheit(373.15), 212.0);
    // (32 + 459.67) times the double nearest 5/9 lands one step above 273.15;
    // dividing by 1.8 would land on it.
    EXPECT_EQ(fahrenheit_to_kelvin(32.0), std::nextafter(273.15, 1000.0));
    EXPECT_EQ(fahrenheit_to_kelvin(-40.0), 233.15);
}

std::string coefficient_text(const run_settings& s) {
    std::string out;
    text_arg args[] = {s.A, s.B, s.C};
    format_text(out, "A=%g  B=%g  C=%g", args);
    return out;
}

run_settings measured_points(double t1, double r1, double t2, double r2, double t3, double r3) {
    run_settings s;
    s.points = {{{t1, r1}, {t2, r2}, {t3, r3}}};
    s.measured = true;
    return s;
}

TEST(Solve, ThreeCelsiusPointsComeBack) {
    run_settings s = measured_points(celsius_to_kelvin(0.0), 6000.0, celsius_to_kelvin(70.0), 450.0,
                                     celsius_to_kelvin(100.0), 190.0);
    solve_coefficients(s);
    EXPECT_EQ(coefficient_text(s), "A=0.00134133  B=0.000248512  C=2.39564e-007");
    EXPECT_NEAR(resistance_to_fahrenheit(s, 6000.0), 32.0, 1e-12);
    EXPECT_NEAR(resistance_to_fahrenheit(s, 450.0), 158.0, 1e-12);
    EXPECT_NEAR(resistance_to_fahrenheit(s, 190.0), 212.0, 1e-12);
}

TEST(Solve, BuiltInPoints) {
    run_settings s;
    s.measured = true;
    solve_coefficients(s);
    EXPECT_EQ(coefficient_text(s), "A=0.00150598  B=0.000224997  C=1.24747e-007");
}

TEST(Solve, EqualResistancesGiveNonFiniteCoefficients) {
    // Points 1 and 3 equal: d31 is zero and everything is NaN.
    run_settings s = measured_points(273.15, 6000.0, 343.15, 450.0, 373.15, 6000.0);
    solve_coefficients(s);
    EXPECT_TRUE(std::isnan(s.A));
    EXPECT_TRUE(std::isnan(s.B));
    EXPECT_TRUE(std::isnan(s.C));

    // Points 1 and 2 equal: C's denominator is exactly zero.
    s = measured_points(273.15, 6000.0, 343.15, 6000.0, 373.15, 190.0);
    solve_coefficients(s);
    EXPECT_TRUE(std::isinf(s.C));
    EXPECT_TRUE(std::isinf(s.B));
    EXPECT_NE(std::signbit(s.B), std::signbit(s.C));
    EXPECT_TRUE(std::isnan(s.A));

    // ...and with equal temperatures as well, 0/0.
    s = measured_points(273.15, 6000.0, 273.15, 6000.0, 373.15, 190.0);
    solve_coefficients(s);
    EXPECT_TRUE(std::isnan(s.C));
    EXPECT_TRUE(std::isnan(s.B));
    EXPECT_TRUE(std::isnan(s.A));
}

TEST(Solve, NotMeasuredLeavesCoefficientsBitForBit) {
    run_settings s;
    s.A = -0.0;
    s.B = std::nan("0x5");
    s.C = 1e-300;
    s.points[0] = {300.0, 1000.0};  // changed points must not matter
    const double before[3] = {s.A, s.B, s.C};
    solve_coefficients(s);
    EXPECT_EQ(std::memcmp(&s.A, &before[0], sizeof s.A), 0);
    EXPECT_EQ(std::memcmp(&s.B, &before[1], sizeof s.B), 0);
    EXPECT_EQ(std::memcmp(&s.C, &before[2], sizeof s.C), 0);
}

}  // namespace
}  // namespace thermtab
