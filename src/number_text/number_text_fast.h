// The fast path of the number text, kept inline so that a format whose
// pieces are known when the program is compiled formats with constant widths.
// Only number_text.h includes this.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace thermtab::fast {

// For the magnitudes a table holds, the 17-digit rounding and the rounding to
// the printed digits are done in exact integer arithmetic on the double's
// significand: |v| x 10^s = m x 5^s x 2^(e+s), with m x 5^s held in 128 bits.

constexpr char two_digit_table[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `v` so that they end just before `end`;
// returns where they start.
inline char* decimal_digits(char* end, std::uint64_t v) {
    char* d = end;
    while (v >= 100) {
        d -= 2;
        std::memcpy(d, two_digit_table + 2 * (v % 100), 2);
        v /= 100;
    }
    if (v >= 10) {
        d -= 2;
        std::memcpy(d, two_digit_table + 2 * v, 2);
    } else {
        *--d = static_cast<char>('0' + v);
    }
    return d;
}

struct u128 {
    std::uint64_t hi, lo;
};

inline u128 multiply(std::uint64_t a, std::uint64_t b) {
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
inline std::uint64_t shift_right(u128 x, int k) {
    if (k >= 64) return x.hi >> (k - 64);
    return (x.lo >> k) | (x.hi << (64 - k));
}

// x + 2^(k-1), for rounding half up on a shift by k.
inline u128 add_half(u128 x, int k) {
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

// Writes |value| in fixed notation with `Precision` fraction digits, or
// returns nullptr when the value lies outside the fast path's range.
template <int Precision>
[[gnu::always_inline]] inline char* fixed_digits(char* p, double value) {
    static_assert(Precision >= 0 && Precision <= fast_max_precision);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7ff);
    if (biased == 0 || biased == 0x7ff) return nullptr;
    std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    int e = biased - 1075;
    // floor(binary exponent x log10 2): the decimal exponent, or one less.
    int exponent = ((biased - 1023) * 78913) >> 18;
    if (exponent < fast_min_exponent || exponent > fast_max_exponent) return nullptr;
    // |v| x 10^s exactly, as n / 2^k, with s chosen for 17 digits.
    int s = 16 - exponent;
    u128 n = multiply(m, pow5_table[s]);
    int k = -(e + s);
    std::uint64_t truncated = shift_right(n, k);
    std::uint64_t q;  // 17 digits, rounded half away from zero
    if (truncated >= pow10_table[17]) {
        // One digit more than wanted: the value has the higher exponent. With
        // 0 <= fraction < 1, floor((t + fraction) / 10 + 1/2) = (t + 5) / 10.
        ++exponent;
        q = (truncated + 5) / 10;
    } else {
        q = shift_right(add_half(n, k), k);
    }
    if (q == pow10_table[17]) {  // 99999999999999999.5 and up carry into a new digit
        q = pow10_table[16];
        ++exponent;
    }
    // q holds 17 digits, the first at 10^exponent. Round it half away from
    // zero to the digit at 10^-Precision.
    int drop = 16 - exponent - Precision;
    std::uint64_t t;
    if (drop <= 0)
        t = q * pow10_table[-drop];
    else if (drop > 17)
        t = 0;
    else if (drop == 17)
        t = q >= 5 * pow10_table[16] ? 1 : 0;
    else
        t = q / pow10_table[drop] + (q % pow10_table[drop] >= 5 * pow10_table[drop - 1] ? 1 : 0);
    // t is |v| x 10^Precision, rounded.
    std::uint64_t whole = t / pow10_table[Precision];
    std::uint64_t fraction = t % pow10_table[Precision];
    char digits[32];
    char* end = digits + 16;
    char* d = decimal_digits(end, whole);
    std::memcpy(p, d, 16);  // at most 12 digits, and 16 bytes are readable from any d
    p += end - d;
    if constexpr (Precision > 0) {
        *p++ = '.';
        for (int i = Precision - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        p += Precision;
    }
    return p;
}

// The same with the precision known only at run time.
inline char* fast_fixed(char* p, double value, int precision) {
    switch (precision) {
    case 0: return fixed_digits<0>(p, value);
    case 1: return fixed_digits<1>(p, value);
    case 2: return fixed_digits<2>(p, value);
    case 3: return fixed_digits<3>(p, value);
    default: return nullptr;
    }
}

constexpr char spaces[] = "                ";  // 16

// The sign character a conversion writes, or 0 for none.
template <typename Piece>
inline char sign_char(bool negative, const Piece& piece) {
    if (negative) return '-';
    if (piece.plus_flag) return '+';
    if (piece.space_flag) return ' ';
    return 0;
}

// Writes `count` spaces; short runs as one whole-word copy.
inline char* write_spaces(char* p, std::size_t count) {
    if (count <= 16)
        std::memcpy(p, spaces, 16);
    else
        std::memset(p, ' ', count);
    return p + count;
}

// Writes the `length` (at most 32) bytes at `body`, padded to the piece's
// width. Reads 32 bytes from `body` and writes up to 32 bytes past the end.
template <typename Piece>
inline char* write_field(char* p, const char* body, std::size_t length, const Piece& piece) {
    std::size_t pad = piece.width > length ? piece.width - length : 0;
    if (!piece.left_justify) p = write_spaces(p, pad);
    std::memcpy(p, body, 32);
    p += length;
    if (piece.left_justify) p = write_spaces(p, pad);
    return p;
}

// %s: the text, cut to the precision when one is given, padded to the width.
// Writes up to 16 bytes past the end.
template <typename Piece>
inline char* write_text(char* p, std::string_view text, const Piece& piece) {
    if (piece.have_precision && text.size() > piece.precision) text = text.substr(0, piece.precision);
    std::size_t pad = piece.width > text.size() ? piece.width - text.size() : 0;
    if (!piece.left_justify) p = write_spaces(p, pad);
    std::memcpy(p, text.data(), text.size());
    p += text.size();
    if (piece.left_justify) p = write_spaces(p, pad);
    return p;
}

template <typename Piece>
inline char* write_integer(char* p, std::int64_t v, const Piece& piece) {
    char buffer[64];
    char* end = buffer + 32;
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    char* d = decimal_digits(end, m);
    if (char sign = sign_char(v < 0, piece)) *--d = sign;
    return write_field(p, d, static_cast<std::size_t>(end - d), piece);
}

// An f conversion through the fast path; nullptr when the value needs the
// exact one. `Precision` is the piece's, or -1 when known only at run time.
template <int Precision = -1, typename Piece>
inline char* write_fixed(char* p, double v, const Piece& piece) {
    char body[64];
    char* b = body;
    if (char sign = sign_char(std::signbit(v), piece)) *b++ = sign;
    if constexpr (Precision >= 0)
        b = fixed_digits<Precision>(b, v);
    else
        b = fast_fixed(b, v, piece.precision);
    if (!b) return nullptr;
    return write_field(p, body, static_cast<std::size_t>(b - body), piece);
}

}  // namespace thermtab::fast
