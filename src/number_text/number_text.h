// Number text: the printf conversions the report uses, rendered from exact
// digits so that every C library and platform prints the same bytes.
//
// Two rules of their own apply to the f and g conversions:
//  1. The exact binary value is first rounded half away from zero to 17
//     significant decimal digits; that digit string is then rounded half away
//     from zero to the digits printed. Positions past the 17th significant
//     digit print as 0.
//  2. "%g" in exponent form writes a sign and at least three exponent digits
//     ("1.1639e-007").
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace thermtab {

// A value's first 17 significant decimal digits, rounded half away from zero
// from its exact binary value. For a nonzero value the first digit is not '0'
// and the value is d0.d1d2...d16 x 10^exponent; zero has all digits '0' and
// exponent 0.
struct decimal17 {
    bool negative = false;
    char digits[17] = {};
    int exponent = 0;
};

// `value` must be finite.
decimal17 to_decimal17(double value);

// printf-style conversions. The flags honoured are ' ' and '+' (sign slot) and
// '-' (left-justify); width pads with spaces.
struct conversion {
    char kind = 'f';       // 'f' or 'g'
    int precision = 6;
    int width = 0;
    bool space_flag = false;
    bool plus_flag = false;
    bool left_justify = false;
};

void append_number(std::string& out, double value, const conversion& conv);

// One argument of format_text: an int, a double or a piece of text.
struct text_arg {
    enum class kind { integer, real, text };
    kind type;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string_view text;

    text_arg(int v) : type(kind::integer), integer(v) {}
    text_arg(double v) : type(kind::real), real(v) {}
    text_arg(const char* v) : type(kind::text), text(v) {}
    text_arg(std::string_view v) : type(kind::text), text(v) {}
    text_arg(const std::string& v) : type(kind::text), text(v) {}
};

// Appends `format` to `out` with each conversion (%d, %f, %g, %s, %%) replaced
// by the next argument. Text for %s is copied literally, whatever it contains.
// The formats are the program's own; a conversion without a matching argument
// is written as it stands.
void format_text(std::string& out, std::string_view format, std::span<const text_arg> args);

}  // namespace thermtab
