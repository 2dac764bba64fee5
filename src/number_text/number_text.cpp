#include "number_text/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace thermtab {

namespace {

// ---- Fast path -------------------------------------------------------------
// For the magnitudes a table holds, the 17-digit rounding and the rounding to
// the printed digits are done in exact integer arithmetic on the double's
// significand: |v| x 10^s = m x 5^s x 2^(e+s), with m x 5^s held in 128 bits.

struct u128 {
    std::uint64_t hi, lo;
};

u128 multiply(std::uint64_t a, std::uint64_t b) {
    std::uint64_t a_lo = a & 0xffffffffu, a_hi = a >> 32;
    std::uint64_t b_lo = b & 0xffffffffu, b_hi = b >> 32;
    std::uint64_t lo_lo = a_lo * b_lo;
    std::uint64_t hi_lo = a_hi * b_lo;
    std::uint64_t lo_hi = a_lo * b_hi;
    std::uint64_t hi_hi = a_hi * b_hi;
    std::uint64_t middle = (lo_lo >> 32) + (hi_lo & 0xffffffffu) + lo_hi;
    return {hi_hi + (hi_lo >> 32) + (middle >> 32), (middle << 32) | (lo_lo & 0xffffffffu)};
}

// x >> k for 0 < k < 128.
std::uint64_t shift_right(u128 x, int k) {
    if (k >= 64) return x.hi >> (k - 64);
    return (x.lo >> k) | (x.hi << (64 - k));
}

// x + 2^(k-1), for rounding half up on a shift by k.
u128 add_half(u128 x, int k) {
    u128 half = k - 1 >= 64 ? u128{std::uint64_t{1} << (k - 65), 0} : u128{0, std::uint64_t{1} << (k - 1)};
    std::uint64_t lo = x.lo + half.lo;
    return {x.hi + half.hi + (lo < x.lo ? 1 : 0), lo};
}

constexpr std::uint64_t pow10_table[] = {
    1ull,
    10ull,
    100ull,
    1000ull,
    10000ull,
    100000ull,
    1000000ull,
    10000000ull,
    100000000ull,
    1000000000ull,
    10000000000ull,
    100000000000ull,
    1000000000000ull,
    10000000000000ull,
    100000000000000ull,
    1000000000000000ull,
    10000000000000000ull,
    100000000000000000ull,
};

constexpr std::uint64_t pow5(int s) {
    std::uint64_t r = 1;
    for (int i = 0; i < s; ++i) r *= 5;
    return r;
}

constexpr std::uint64_t pow5_table[] = {
    pow5(0),  pow5(1),  pow5(2),  pow5(3),  pow5(4),  pow5(5),  pow5(6),  pow5(7),
    pow5(8),  pow5(9),  pow5(10), pow5(11), pow5(12), pow5(13), pow5(14), pow5(15),
    pow5(16), pow5(17), pow5(18), pow5(19), pow5(20), pow5(21), pow5(22), pow5(23),
};

// The fast path covers 10^-5 <= |v| < 10^12 and up to 3 fraction digits.
constexpr int fast_min_exponent = -5;
constexpr int fast_max_exponent = 11;
constexpr int fast_max_precision = 3;

// round(|v| x 10^(16 - E)) half away from zero, for v = m x 2^e with decimal
// exponent E; `truncated` receives the value before rounding.
void scaled(std::uint64_t m, int e, int decimal_exponent, std::uint64_t& rounded, std::uint64_t& truncated) {
    int s = 16 - decimal_exponent;
    u128 n = multiply(m, pow5_table[s]);
    int k = -(e + s);
    truncated = shift_right(n, k);
    rounded = shift_right(add_half(n, k), k);
}

// Writes |value| in fixed notation with `precision` fraction digits after the
// sign, or returns nullptr when the value lies outside the fast path's range.
char* fast_fixed(char* p, double value, int precision) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0 || biased == 0x7ff || precision > fast_max_precision) return nullptr;
    std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    int e = biased - 1075;
    int binary_exponent = biased - 1023;
    // floor(binary_exponent x log10 2); the true decimal exponent is this or one more.
    int estimate = (binary_exponent * 78913) >> 18;
    if (estimate < fast_min_exponent || estimate > fast_max_exponent) return nullptr;
    std::uint64_t q, truncated;
    scaled(m, e, estimate, q, truncated);
    int exponent = estimate;
    if (truncated >= pow10_table[17]) {
        ++exponent;
        scaled(m, e, exponent, q, truncated);
    }
    if (q == pow10_table[17]) {  // 99999999999999999.5 and up carry into a new digit
        q = pow10_table[16];
        ++exponent;
    }
    // q holds 17 digits, the first at 10^exponent. Round it half away from
    // zero to the digit at 10^-precision.
    int drop = 16 - exponent - precision;
    std::uint64_t t;
    if (drop <= 0)
        t = q * pow10_table[-drop];
    else if (drop > 17)
        t = 0;
    else if (drop == 17)
        t = q >= 5 * pow10_table[16] ? 1 : 0;
    else
        t = q / pow10_table[drop] + (q % pow10_table[drop] >= 5 * pow10_table[drop - 1] ? 1 : 0);
    // t is |v| x 10^precision, rounded.
    std::uint64_t whole = t / pow10_table[precision];
    std::uint64_t fraction = t % pow10_table[precision];
    char digits[24];
    char* d = digits + sizeof digits;
    do {
        *--d = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole != 0);
    std::size_t length = static_cast<std::size_t>(digits + sizeof digits - d);
    std::memcpy(p, d, length);
    p += length;
    if (precision > 0) {
        *p++ = '.';
        for (int i = precision - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        p += precision;
    }
    return p;
}

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

constexpr char two_digits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";
constexpr char spaces[] = "                ";  // 16

char sign_char(bool negative, const format_piece& piece) {
    if (negative) return '-';
    if (piece.plus_flag) return '+';
    if (piece.space_flag) return ' ';
    return 0;
}

// Writes `count` spaces; short runs as one whole-word copy.
char* write_spaces(char* p, std::size_t count) {
    if (count <= 16)
        std::memcpy(p, spaces, 16);
    else
        std::memset(p, ' ', count);
    return p + count;
}

// Writes the `length` bytes at `body`, padded to the piece's width. Reads up
// to 32 bytes from `body` and writes up to 16 bytes past the end.
char* write_field(char* p, const char* body, std::size_t length, const format_piece& piece) {
    std::size_t pad = piece.width > length ? piece.width - length : 0;
    if (!piece.left_justify) p = write_spaces(p, pad);
    std::memcpy(p, body, 32);
    p += length;
    if (piece.left_justify) p = write_spaces(p, pad);
    return p;
}

char* write_integer(char* p, std::int64_t v, const format_piece& piece) {
    char buffer[64];
    char* end = buffer + 32;
    char* d = end;
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m >= 100) {
        d -= 2;
        std::memcpy(d, two_digits + 2 * (m % 100), 2);
        m /= 100;
    }
    if (m >= 10) {
        d -= 2;
        std::memcpy(d, two_digits + 2 * m, 2);
    } else {
        *--d = static_cast<char>('0' + m);
    }
    if (char sign = sign_char(v < 0, piece)) *--d = sign;
    return write_field(p, d, static_cast<std::size_t>(end - d), piece);
}

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

// A number through the fast path; nullptr when it needs the exact one.
char* write_fast_number(char* p, double v, const format_piece& piece) {
    if (piece.kind != 'f') return nullptr;
    char body[64];
    char* b = body;
    if (char sign = sign_char(std::signbit(v), piece)) *b++ = sign;
    b = fast_fixed(b, v, piece.precision);
    if (!b) return nullptr;
    return write_field(p, body, static_cast<std::size_t>(b - body), piece);
}

// Appends a number through the exact path.
void append_exact_number(text_buffer& out, double v, const format_piece& piece) {
    std::string text;
    append_body(text, v, conversion_of(piece));
    std::size_t pad = piece.width > text.size() ? piece.width - text.size() : 0;
    if (!piece.left_justify) std::memset(out.room(pad), ' ', pad), out.advance(pad);
    out.append(text.data(), text.size());
    if (piece.left_justify) std::memset(out.room(pad), ' ', pad), out.advance(pad);
}

double real_of(const text_arg& arg) {
    return arg.type == text_arg::kind::real ? arg.real : static_cast<double>(arg.integer);
}

// Writes one piece whose literal text and conversion fit in the room
// reserved at `p`, which must exceed them by text_format::conversion_room;
// returns the new end, or nullptr (having written nothing) when the number
// needs the exact path.
char* write_piece(char* p, const char* format, const format_piece& piece, const text_arg* arg) {
    const char* literal = format + piece.literal_begin;
    if (piece.copy16)
        std::memcpy(p, literal, 16);
    else
        std::memcpy(p, literal, piece.literal_length);
    char* q = p + piece.literal_length;
    if (piece.kind == 0) return q;
    if (!arg) {
        std::memcpy(q, literal + piece.literal_length, piece.spec_length);
        return q + piece.spec_length;
    }
    switch (piece.kind) {
    case 'd':
        return write_integer(q, arg->type == text_arg::kind::integer ? arg->integer : 0, piece);
    case 's': {
        std::string_view text = arg->type == text_arg::kind::text ? arg->text : std::string_view();
        if (piece.have_precision && text.size() > piece.precision) text = text.substr(0, piece.precision);
        std::size_t pad = piece.width > text.size() ? piece.width - text.size() : 0;
        if (!piece.left_justify) q = write_spaces(q, pad);
        std::memcpy(q, text.data(), text.size());
        q += text.size();
        if (piece.left_justify) q = write_spaces(q, pad);
        return q;
    }
    default:
        if (char* end = write_fast_number(q, real_of(*arg), piece)) return end;
        return nullptr;
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
    append_exact_number(out, real_of(*arg), piece);
}

std::size_t text_room(const format_piece& piece, const text_arg* arg) {
    return piece.kind == 's' && arg && arg->type == text_arg::kind::text ? arg->text.size() : 0;
}

}  // namespace

void format_into(text_buffer& out, const text_format& format, std::span<const text_arg> args) {
    std::size_t room = format.room();
    for (const text_arg& arg : args)
        if (arg.type == text_arg::kind::text) room += arg.text.size();
    char* start = out.room(room);
    char* p = start;
    std::size_t next = 0;
    for (const format_piece& piece : format.pieces()) {
        const text_arg* arg = nullptr;
        if (piece.kind != 0 && next < args.size()) arg = &args[next++];
        if (char* end = write_piece(p, format.text(), piece, arg)) {
            p = end;
            continue;
        }
        // A number for the exact path: hand over what is written and go on
        // with fresh room.
        out.advance(static_cast<std::size_t>(p - start));
        out.append(format.text() + piece.literal_begin, piece.literal_length);
        append_exact_number(out, real_of(*arg), piece);
        start = p = out.room(room);
    }
    out.advance(static_cast<std::size_t>(p - start));
}

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
        std::size_t room = piece.literal_length + piece.spec_length + piece.width + text_format::conversion_room;
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
