#include "number_text/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace thermtab {

namespace {

// ---- Exact path ------------------------------------------------------------

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

void text_buffer::grow(std::size_t n) {
    std::size_t capacity = std::max({capacity_ * 2, size_ + n, std::size_t{256}});
    std::unique_ptr<char[]> data(new char[capacity]);
    if (size_ != 0) std::memcpy(data.get(), data_.get(), size_);
    data_ = std::move(data);
    capacity_ = capacity;
}

namespace {

conversion conversion_of(const format_piece& piece) {
    conversion conv;
    conv.kind = piece.kind;
    conv.precision = piece.precision;
    conv.width = piece.width;
    conv.space_flag = piece.space_flag;
    conv.plus_flag = piece.plus_flag;
    conv.left_justify = piece.left_justify;
    return conv;
}

}  // namespace

void append_exact_number(text_buffer& out, double v, const format_piece& piece) {
    std::string text;
    append_body(text, v, conversion_of(piece));
    std::size_t pad = piece.width > text.size() ? piece.width - text.size() : 0;
    if (!piece.left_justify) std::memset(out.room(pad), ' ', pad), out.advance(pad);
    out.append(text.data(), text.size());
    if (piece.left_justify) std::memset(out.room(pad), ' ', pad), out.advance(pad);
}

namespace {

// Writes one piece into the room reserved at `p`, which must exceed the
// piece's text by conversion_room. Returns the new end, or nullptr when the
// number needs the exact path (the caller then starts the piece again).
inline char* write_piece(char* p, const char* format, const format_piece& piece, const text_arg* arg) {
    const char* literal = format + piece.literal_begin;
    std::memcpy(p, literal, piece.literal_length);
    char* q = p + piece.literal_length;
    if (piece.kind == 0) return q;
    if (!arg) {
        std::memcpy(q, literal + piece.literal_length, piece.spec_length);
        return q + piece.spec_length;
    }
    switch (piece.kind) {
    case 'd':
        return fast::write_integer(q, arg->as_integer(), piece);
    case 's':
        return fast::write_text(q, arg->text(), piece);
    default:
        return piece.kind == 'f' ? fast::write_fixed(q, arg->as_real(), piece) : nullptr;
    }
}

// Reserves room for one piece and writes it, taking the exact path when needed.
void append_piece(text_buffer& out, const char* format, const format_piece& piece, const text_arg* arg,
                  std::size_t room) {
    char* start = out.room(room);
    if (char* end = write_piece(start, format, piece, arg)) {
        out.advance(static_cast<std::size_t>(end - start));
        return;
    }
    out.append(format + piece.literal_begin, piece.literal_length);
    append_exact_number(out, arg->as_real(), piece);
}

std::size_t text_room(const format_piece& piece, const text_arg* arg) {
    return piece.kind == 's' && arg ? arg->text().size() : 0;
}

}  // namespace

void format_text(std::string& out, std::string_view format, std::span<const text_arg> args) {
    text_buffer buffer;
    std::size_t next = 0;
    for (std::size_t at = 0; at < format.size();) {
        // Offsets in a piece are 16 bits: read the format in windows. The
        // program's formats are far shorter than one.
        std::string_view window = format.substr(at, 0x8000);
        format_piece piece;
        std::size_t length = parse_piece(window, 0, piece);
        const text_arg* arg = nullptr;
        if (piece.kind != 0 && next < args.size()) arg = &args[next++];
        std::size_t room = piece.literal_length + piece.spec_length + piece.width + conversion_room;
        append_piece(buffer, window.data(), piece, arg, room + text_room(piece, arg));
        at += length;
    }
    out.append(buffer.data(), buffer.size());
}

void append_number(std::string& out, double value, const conversion& conv) {
    char format[24];
    char* p = format;
    *p++ = '%';
    if (conv.left_justify) *p++ = '-';
    if (conv.plus_flag) *p++ = '+';
    if (conv.space_flag) *p++ = ' ';
    p = std::to_chars(p, format + 10, conv.width).ptr;
    *p++ = '.';
    p = std::to_chars(p, format + 20, conv.precision).ptr;
    *p++ = conv.kind;
    text_arg args[] = {value};
    format_text(out, std::string_view(format, static_cast<std::size_t>(p - format)), args);
}

}  // namespace thermtab
