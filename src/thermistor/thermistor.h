// The Steinhart-Hart thermistor model, 1/T = A + B ln R + C (ln R)^3, and the
// temperature unit conversions. Every step is one double operation in the
// order written: the report truncates some results, so the last bit matters.
// Nothing is checked; infinities and NaNs flow through.
#pragma once

#include "settings/settings.h"

namespace thermtab {

double resistance_to_kelvin(const run_settings& s, double ohms);
double kelvin_to_fahrenheit(double kelvin);
double resistance_to_fahrenheit(const run_settings& s, double ohms);
double celsius_to_kelvin(double celsius);
double fahrenheit_to_kelvin(double fahrenheit);

// When `measured` is on, replaces A, B and C by the exact solution through the
// three calibration points; otherwise leaves them alone.
void solve_coefficients(run_settings& s);

}  // namespace thermtab
