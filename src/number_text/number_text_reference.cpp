#include "number_text/number_text_reference.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace thermtab::reference {

namespace {

// A nonnegative decimal: value = 0.digits x 10^point, i.e. `point` digits
// stand before the decimal point (point may be negative or exceed the length).
struct decimal {
    std::string digits;
    int point = 0;
};

// Every significant digit of |value|: no double needs more than 767.
decimal exact(double value) {
    char buf[1024];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 766);
    std::string text(buf, res.ptr);
    std::size_t e = text.find('e');
    decimal d;
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.point = std::atoi(text.c_str() + e + 1) + 1;
    return d;
}

// Keeps the first `keep` digits, rounding half away from zero: a next digit of
// 5 or more rounds up, whatever follows it. `keep` may be 0 or negative.
decimal round_digits(decimal d, int keep) {
    if (keep >= static_cast<int>(d.digits.size())) return d;
    if (keep < 0) return decimal{"0", d.point};
    bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    d.digits.insert(d.digits.begin(), '0');  // room for a carry
    d.point += 1;
    if (up) {
        std::size_t i = d.digits.size() - 1;
        while (d.digits[i] == '9') d.digits[i--] = '0';
        d.digits[i] += 1;
    }
    return d;
}

decimal seventeen_digits(double value) { return round_digits(exact(value), 17); }

bool all_zero(const decimal& d) { return d.digits.find_first_not_of('0') == std::string::npos; }

// The decimal exponent of the leading nonzero digit.
int leading_exponent(const decimal& d) {
    std::size_t first = d.digits.find_first_not_of('0');
    return d.point - 1 - static_cast<int>(first);
}

// Plain "ddd.ddd" text with `precision` fraction digits.
std::string fixed(const decimal& value17, int precision) {
    decimal d = round_digits(value17, value17.point + precision);
    // Lay the digits out on a line of positions from 10^(point-1) down to 10^-precision.
    std::string line = d.digits;
    int point = d.point;
    if (point <= 0) {
        line.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    }
    int wanted = point + precision;
    if (static_cast<int>(line.size()) < wanted) line.append(static_cast<std::size_t>(wanted) - line.size(), '0');
    line.resize(static_cast<std::size_t>(wanted));
    std::string whole = line.substr(0, static_cast<std::size_t>(point));
    std::size_t first = whole.find_first_not_of('0');
    whole = first == std::string::npos ? "0" : whole.substr(first);
    if (precision == 0) return whole;
    return whole + "." + line.substr(static_cast<std::size_t>(point));
}

std::string strip_zeros(std::string text) {
    if (text.find('.') == std::string::npos) return text;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string general(const decimal& value17, int precision) {
    int p = precision == 0 ? 1 : precision;
    if (all_zero(value17)) return strip_zeros(fixed(value17, p - 1));
    // X is the exponent the e style would print after rounding to P digits.
    int first_digit = static_cast<int>(value17.digits.find_first_not_of('0'));
    decimal e_style = round_digits(value17, first_digit + p);
    int x = leading_exponent(e_style);
    if (x < p && x >= -4) return strip_zeros(fixed(value17, p - 1 - x));
    std::size_t first = e_style.digits.find_first_not_of('0');
    std::string mantissa = e_style.digits.substr(first, 1) + "." + e_style.digits.substr(first + 1);
    mantissa.resize(static_cast<std::size_t>(p) + 1, '0');
    std::string exponent = std::to_string(std::abs(x));
    if (exponent.size() < 3) exponent = std::string(3 - exponent.size(), '0') + exponent;
    return strip_zeros(mantissa) + (x < 0 ? "e-" : "e+") + exponent;
}

}  // namespace

std::string seventeen_digit_string(double value, int& exponent) {
    decimal d = seventeen_digits(value);
    if (all_zero(d)) {
        exponent = 0;
        return std::string(17, '0');
    }
    std::size_t first = d.digits.find_first_not_of('0');
    exponent = leading_exponent(d);
    std::string digits = d.digits.substr(first, 17);
    digits.resize(17, '0');
    return digits;
}

std::string format_number(double value, const conversion& conv) {
    std::string sign;
    bool negative = std::signbit(value) && !std::isnan(value);
    if (negative)
        sign = "-";
    else if (conv.plus_flag)
        sign = "+";
    else if (conv.space_flag)
        sign = " ";
    std::string body;
    if (std::isnan(value))
        body = "nan";
    else if (std::isinf(value))
        body = "inf";
    else if (conv.kind == 'f')
        body = fixed(seventeen_digits(value), conv.precision);
    else
        body = general(seventeen_digits(value), conv.precision);
    std::string text = sign + body;
    if (static_cast<int>(text.size()) < conv.width) {
        std::string fill(static_cast<std::size_t>(conv.width) - text.size(), ' ');
        text = conv.left_justify ? text + fill : fill + text;
    }
    return text;
}

}  // namespace thermtab::reference
