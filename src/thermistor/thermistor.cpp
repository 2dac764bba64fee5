#include "thermistor/thermistor.h"

#include <cmath>

namespace thermtab {

double resistance_to_kelvin(const run_settings& s, double ohms) {
    double l = std::log(ohms);
    double l3 = std::pow(l, 3.0);  // keeps the sign of l
    double sum = (s.C * l3 + s.B * l) + s.A;
    return 1.0 / sum;
}

double kelvin_to_fahrenheit(double kelvin) { return kelvin * 1.8 - 459.67; }

double resistance_to_fahrenheit(const run_settings& s, double ohms) {
    return kelvin_to_fahrenheit(resistance_to_kelvin(s, ohms));
}

double celsius_to_kelvin(double celsius) { return celsius - (-273.15); }

// Multiplies by the double nearest 5/9 rather than dividing by 1.8: the two
// differ in the last bit for some inputs.
double fahrenheit_to_kelvin(double fahrenheit) { return (fahrenheit - (-459.67)) * 0.5555555555555556; }

void solve_coefficients(run_settings& s) {
    if (!s.measured) return;
    double l[3], p[3], y[3];
    for (int k = 0; k < 3; ++k) {
        l[k] = std::log(s.points[k].resistance);
        p[k] = std::pow(l[k], 3.0);
        y[k] = 1.0 / s.points[k].temperature;
    }
    // Elimination with point 1 as the reference; each product is formed
    // before it is divided by d31.
    double d21 = l[1] - l[0];
    double d31 = l[2] - l[0];
    double c = ((y[1] - y[0]) - ((y[2] - y[0]) * d21) / d31) / ((p[1] - p[0]) - ((p[2] - p[0]) * d21) / d31);
    double b = ((y[2] - y[0]) - c * (p[2] - p[0])) / d31;
    double a = (y[0] - l[0] * b) - p[0] * c;
    s.A = a;
    s.B = b;
    s.C = c;
}

}  // namespace thermtab
