// The usage screen as a user sees it, for a program invoked as "thermtab".
#pragma once

#include <string>

namespace thermtab::testing {

inline const std::string usage_screen =
    "usage: thermtab -l<label> -i -c -b<biasValue>\n"
    "          -r<resistances> -t<temperatures> [-F|-C]\n"
    "          -s<coefficents>\n"
    "   as in\n"
    "      thermtab -t0,70,100 -r6000,450,190 -C -i -c\n"
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

inline std::string usage_with_error(const std::string& message, const std::string& argument) {
    return "ERROR: " + message + " \"" + argument + "\"\n\n" + usage_screen;
}

}  // namespace thermtab::testing
