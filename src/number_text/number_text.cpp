#include "number_text/number_text.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace thermtab {

namespace {

// Reads the decimal exponent that std::to_chars writes after 'e'.
int parse_exponent(const char* p, const char* end) {
    bool negative = *p == '-';
    ++p;  // to_chars always writes a sign
    int e = 0;
    for (; p < end; ++p) e = e * 10 + (*p - '0');
    return negative ? -e : e;
}

// Adds one unit in the last of `count` digits; returns true when the carry
// runs out of the first digit (all were '9', now all '0').
bool increment(char* digits, int count) {
    for (int i = count - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    return true;
}

// Takes the first 17 of `available` exact significant digits and rounds half
// away from zero on the rest.
void round_to_17(decimal17& d, const char* exact, int available) {
    std::memcpy(d.digits, exact, 17);
    if (available > 17 && exact[17] >= '5' && increment(d.digits, 17)) {
        d.digits[0] = '1';
        ++d.exponent;
    }
}

// The exact decimal expansion of |value|: every double has at most 767
// significant digits, so scientific notation with 766 fraction digits is exact.
decimal17 exact_decimal17(double value) {
    char buf[800];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 766);
    const char* e = static_cast<const char*>(std::memchr(buf, 'e', static_cast<std::size_t>(res.ptr - buf)));
    char digits[767];
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 766);
    decimal17 d;
    d.negative = std::signbit(value);
    d.exponent = parse_exponent(e + 1, res.ptr);
    round_to_17(d, digits, 767);
    return d;
}

// The digits of a finite value, rounded and laid out for printing. Index 0 is
// a guard digit (initially '0') that absorbs a carry out of the leading digit;
// index i stands for the decimal position top_position - i.
struct digit_layout {
    bool negative = false;
    char digits[18] = {};
    int top_position = 0;  // decimal position of index 0
    int kept = 18;         // indices at or past this print as '0'

    char at(int position) const {
        int i = top_position - position;
        return (i >= 0 && i < kept) ? digits[i] : '0';
    }
    // Position of the most significant nonzero digit; 0 for zero.
    int leading_position() const {
        for (int i = 0; i < kept; ++i)
            if (digits[i] != '0') return top_position - i;
        return 0;
    }
    bool is_zero() const {
        for (int i = 0; i < kept; ++i)
            if (digits[i] != '0') return false;
        return true;
    }
    // Keeps the digits down to decimal position `last`, rounding half away
    // from zero on the digit that follows.
    void round_at(int last) {
        int keep = top_position - last + 1;
        if (keep >= kept) return;
        if (keep <= 0) {
            kept = 0;  // every digit lies below half a unit of `last`
            return;
        }
        if (digits[keep] >= '5') increment(digits, keep);  // the guard '0' takes any carry
        kept = keep;
    }
};

digit_layout layout_of(const decimal17& d) {
    digit_layout l;
    l.negative = d.negative;
    l.digits[0] = '0';
    std::memcpy(l.digits + 1, d.digits, 17);
    l.top_position = d.exponent + 1;
    return l;
}

void append_sign(std::string& out, bool negative, const conversion& conv) {
    if (negative)
        out += '-';
    else if (conv.plus_flag)
        out += '+';
    else if (conv.space_flag)
        out += ' ';
}

// Integer part and `precision` fraction digits of an already rounded layout.
void append_fixed_digits(std::string& out, const digit_layout& l, int precision) {
    int top = l.leading_position();
    for (int p = top > 0 ? top : 0; p >= 0; --p) out += l.at(p);
    if (precision > 0) {
        out += '.';
        for (int p = -1; p >= -precision; --p) out += l.at(p);
    }
}

void strip_fraction_zeros(std::string& out, std::size_t from) {
    if (out.find('.', from) == std::string::npos) return;
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
}

void append_body(std::string& out, double value, const conversion& conv) {
    if (std::isnan(value)) {
        // The sign of a NaN depends on the processor, not on the data.
        append_sign(out, false, conv);
        out += "nan";
        return;
    }
    if (std::isinf(value)) {
        append_sign(out, value < 0, conv);
        out += "inf";
        return;
    }
    digit_layout l = layout_of(to_decimal17(value));
    append_sign(out, l.negative, conv);
    if (conv.kind == 'f') {
        l.round_at(-conv.precision);
        append_fixed_digits(out, l, conv.precision);
        return;
    }
    // 'g': round to P significant digits, then pick the form from the
    // exponent that rounding produced.
    int significant = conv.precision == 0 ? 1 : conv.precision;
    int exponent = 0;
    if (!l.is_zero()) {
        l.round_at(l.leading_position() - significant + 1);
        exponent = l.leading_position();
    }
    std::size_t body = out.size();
    if (exponent < significant && exponent >= -4) {
        append_fixed_digits(out, l, significant - 1 - exponent);
        strip_fraction_zeros(out, body);
        return;
    }
    out += l.at(exponent);
    out += '.';
    for (int i = 1; i < significant; ++i) out += l.at(exponent - i);
    strip_fraction_zeros(out, body);
    out += 'e';
    out += exponent < 0 ? '-' : '+';
    int magnitude = exponent < 0 ? -exponent : exponent;
    char e[8];
    auto res = std::to_chars(e, e + sizeof e, magnitude);
    for (std::ptrdiff_t n = res.ptr - e; n < 3; ++n) out += '0';
    out.append(e, res.ptr);
}

void pad_into(std::string& out, std::size_t start, int width, bool left_justify) {
    std::size_t length = out.size() - start;
    if (width <= 0 || length >= static_cast<std::size_t>(width)) return;
    std::size_t fill = static_cast<std::size_t>(width) - length;
    if (left_justify)
        out.append(fill, ' ');
    else
        out.insert(start, fill, ' ');
}

}  // namespace

decimal17 to_decimal17(double value) {
    decimal17 d;
    d.negative = std::signbit(value);
    if (value == 0.0) {
        std::memset(d.digits, '0', sizeof d.digits);
        return d;
    }
    // 18 correctly rounded digits decide the 17-digit rounding except when
    // the 18th is '5': then the exact value may sit on the tie, or just either
    // side of it, and only the exact expansion can tell.
    char buf[40];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 17);
    char digits[18];
    digits[0] = buf[0];
    std::memcpy(digits + 1, buf + 2, 17);
    if (digits[17] == '5') return exact_decimal17(value);
    d.exponent = parse_exponent(buf + 20, res.ptr);
    round_to_17(d, digits, 18);
    return d;
}

void append_number(std::string& out, double value, const conversion& conv) {
    std::size_t start = out.size();
    append_body(out, value, conv);
    pad_into(out, start, conv.width, conv.left_justify);
}

void format_text(std::string& out, std::string_view format, std::span<const text_arg> args) {
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        std::size_t pct = format.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(format.substr(i));
            return;
        }
        out.append(format.substr(i, pct - i));
        std::size_t j = pct + 1;
        conversion conv;
        bool have_precision = false;
        for (; j < format.size(); ++j) {
            char c = format[j];
            if (c == ' ')
                conv.space_flag = true;
            else if (c == '+')
                conv.plus_flag = true;
            else if (c == '-')
                conv.left_justify = true;
            else
                break;
        }
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
            conv.width = conv.width * 10 + (format[j] - '0');
        if (j < format.size() && format[j] == '.') {
            have_precision = true;
            conv.precision = 0;
            for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9'; ++j)
                conv.precision = conv.precision * 10 + (format[j] - '0');
        }
        if (j >= format.size()) {
            out.append(format.substr(pct));
            return;
        }
        char kind = format[j];
        i = j + 1;
        if (kind == '%') {
            out += '%';
            continue;
        }
        if ((kind != 'd' && kind != 'f' && kind != 'g' && kind != 's') || next >= args.size()) {
            out.append(format.substr(pct, i - pct));
            continue;
        }
        const text_arg& arg = args[next++];
        std::size_t start = out.size();
        if (kind == 's') {
            std::string_view text = arg.type == text_arg::kind::text ? arg.text : std::string_view();
            if (have_precision && text.size() > static_cast<std::size_t>(conv.precision))
                text = text.substr(0, static_cast<std::size_t>(conv.precision));
            out.append(text);
        } else if (kind == 'd') {
            std::int64_t v = arg.type == text_arg::kind::integer ? arg.integer : 0;
            append_sign(out, v < 0, conv);
            char digits[24];
            std::uint64_t magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
            auto res = std::to_chars(digits, digits + sizeof digits, magnitude);
            out.append(digits, res.ptr);
        } else {
            conv.kind = kind;
            double v = arg.type == text_arg::kind::real ? arg.real : static_cast<double>(arg.integer);
            append_body(out, v, conv);
        }
        pad_into(out, start, conv.width, conv.left_justify);
    }
}

}  // namespace thermtab
