// A deliberately slow and simple twin of the number text, for checking the
// fast one: it writes out every digit of the exact binary value, then applies
// the two rounding steps to that digit string by hand, following the printf
// definitions to the letter.
#pragma once

#include <string>

#include "number_text/number_text.h"

namespace thermtab::reference {

// The first 17 significant digits of |value| (finite), rounded half away from
// zero from the exact value, and the decimal exponent of the first: the digits
// of 0.1 are "10000000000000001" with exponent -1. Zero gives 17 '0' and 0.
std::string seventeen_digit_string(double value, int& exponent);

// The text `conv` makes of `value`, padded to its width.
std::string format_number(double value, const conversion& conv);

}  // namespace thermtab::reference
