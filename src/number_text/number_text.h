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
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "number_text/number_text_fast.h"

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

// One argument of a format: an int, a double or a piece of text.
struct text_arg {
    enum class kind : unsigned char { integer, real, text };
    kind type;
    std::size_t length = 0;  // of the text
    union {
        std::int64_t integer;
        double real;
        const char* text_data;
    };

    text_arg(int v) : type(kind::integer), integer(v) {}
    text_arg(double v) : type(kind::real), real(v) {}
    text_arg(const char* v) : type(kind::text), length(std::strlen(v)), text_data(v) {}
    text_arg(std::string_view v) : type(kind::text), length(v.size()), text_data(v.data()) {}
    text_arg(const std::string& v) : type(kind::text), length(v.size()), text_data(v.data()) {}

    std::string_view text() const { return type == kind::text ? std::string_view(text_data, length) : std::string_view(); }
    std::int64_t as_integer() const { return type == kind::integer ? integer : 0; }
    double as_real() const { return type == kind::real ? real : type == kind::integer ? static_cast<double>(integer) : 0.0; }
};

// A growable output buffer that, unlike std::string, does not clear the room
// it reserves: text is written straight into it.
class text_buffer {
public:
    // At least `n` writable bytes after the current end.
    char* room(std::size_t n) {
        if (capacity_ - size_ < n) grow(n);
        return data_.get() + size_;
    }
    void advance(std::size_t n) { size_ += n; }
    void append(const char* text, std::size_t n) {
        std::memcpy(room(n), text, n);
        size_ += n;
    }
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    void clear() { size_ = 0; }

private:
    void grow(std::size_t n);
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// One step of a format: literal text, then at most one conversion.
struct format_piece {
    std::uint16_t literal_begin = 0;
    std::uint16_t literal_length = 0;
    std::uint16_t spec_length = 0;  // characters of the conversion, from its '%'
    char kind = 0;                  // 'd', 'f', 'g', 's'; 0 for literal text only
    bool space_flag = false;
    bool plus_flag = false;
    bool left_justify = false;
    bool have_precision = false;
    std::uint16_t width = 0;
    std::uint16_t precision = 6;
};

// Reads the piece of `format` that starts at `at`; returns where the next one
// starts. A '%' that does not begin a known conversion (d f g s, with flags
// ' ' '+' '-', width and precision) is literal text, and "%%" is a '%'.
constexpr std::size_t parse_piece(std::string_view format, std::size_t at, format_piece& piece) {
    piece = format_piece{};
    piece.literal_begin = static_cast<std::uint16_t>(at);
    std::size_t i = at;
    while (i < format.size()) {
        if (format[i] != '%') {
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            // The literal runs through the first '%'; the second is skipped.
            piece.literal_length = static_cast<std::uint16_t>(i + 1 - at);
            piece.spec_length = 1;
            return i + 2;
        }
        std::size_t j = i + 1;
        format_piece spec;
        for (; j < format.size(); ++j) {
            if (format[j] == ' ')
                spec.space_flag = true;
            else if (format[j] == '+')
                spec.plus_flag = true;
            else if (format[j] == '-')
                spec.left_justify = true;
            else
                break;
        }
        unsigned width = 0;
        for (; j < format.size() && format[j] >= '0' && format[j] <= '9' && width < 1000; ++j)
            width = width * 10 + static_cast<unsigned>(format[j] - '0');
        unsigned precision = 6;
        if (j < format.size() && format[j] == '.') {
            spec.have_precision = true;
            precision = 0;
            for (++j; j < format.size() && format[j] >= '0' && format[j] <= '9' && precision < 1000; ++j)
                precision = precision * 10 + static_cast<unsigned>(format[j] - '0');
        }
        char kind = j < format.size() ? format[j] : '\0';
        if (kind == 'd' || kind == 'f' || kind == 'g' || kind == 's') {
            spec.literal_begin = piece.literal_begin;
            spec.literal_length = static_cast<std::uint16_t>(i - at);
            spec.spec_length = static_cast<std::uint16_t>(j + 1 - i);
            spec.kind = kind;
            spec.width = static_cast<std::uint16_t>(width);
            spec.precision = static_cast<std::uint16_t>(precision);
            piece = spec;
            return j + 1;
        }
        ++i;  // not a conversion: an ordinary character
    }
    piece.literal_length = static_cast<std::uint16_t>(i - at);
    return i;
}

// Appends `value` through the exact path, padded to the piece's width.
void append_exact_number(text_buffer& out, double value, const format_piece& piece);

// Appends `format` with each conversion replaced by the next argument. Text
// for %s is copied literally, whatever it contains. For a format known only
// at run time; a conversion without a matching argument is written as it
// stands.
void format_text(std::string& out, std::string_view format, std::span<const text_arg> args);

// ---- Formats known when the program is compiled ---------------------------
// The format is checked and split into pieces by the compiler, and every
// piece is written with its widths and flags as constants: a table line costs
// little more than its digits.

template <std::size_t N>
struct format_string {
    char text[N] = {};
    consteval format_string(const char (&literal)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = literal[i];
    }
};

template <std::size_t N>
struct parsed_format {
    format_piece pieces[N] = {};
    std::size_t count = 0;
    std::size_t conversions = 0;
    std::size_t room = 0;  // bytes a line can need besides its %s texts
};

// Room for one number conversion, and for the whole-word copies that
// formatting makes past the end of what it writes.
inline constexpr std::size_t conversion_room = 96;

template <format_string F>
consteval auto parse_format() {
    constexpr std::size_t N = sizeof F.text;
    parsed_format<N> result;
    std::string_view format(F.text, N - 1);
    result.room = conversion_room;
    for (std::size_t at = 0; at < format.size();) {
        format_piece& piece = result.pieces[result.count++];
        at = parse_piece(format, at, piece);
        for (std::size_t k = piece.literal_begin; k < std::size_t{piece.literal_begin} + piece.literal_length; ++k)
            if (format[k] == '%' && !(k + 1 == std::size_t{piece.literal_begin} + piece.literal_length && piece.spec_length == 1))
                throw "format has a '%' that is not a conversion";
        if (piece.kind != 0) ++result.conversions;
        result.room += piece.literal_length + piece.width + (piece.kind != 0 ? conversion_room : 0);
    }
    return result;
}

template <format_string F>
inline constexpr auto compiled_format = parse_format<F>();

// Which argument piece I converts.
template <format_string F>
consteval std::size_t argument_of(std::size_t piece) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < piece; ++i)
        if (compiled_format<F>.pieces[i].kind != 0) ++n;
    return n;
}

// Where a line is being written: room reserved in `out` from `start`.
struct format_cursor {
    text_buffer& out;
    std::size_t room;
    char* start;
    char* p;
};

template <typename Arg>
constexpr std::size_t text_length(const Arg& arg) {
    if constexpr (std::is_convertible_v<const Arg&, std::string_view>)
        return std::string_view(arg).size();
    else
        return 0;
}

template <format_piece P, typename Arg>
inline void write_conversion(format_cursor& c, const Arg& arg) {
    if constexpr (P.kind == 'd') {
        static_assert(std::is_integral_v<Arg>, "%d takes an integer");
        c.p = fast::write_integer(c.p, static_cast<std::int64_t>(arg), P);
    } else if constexpr (P.kind == 's') {
        static_assert(std::is_convertible_v<const Arg&, std::string_view>, "%s takes text");
        c.p = fast::write_text(c.p, std::string_view(arg), P);
    } else {
        static_assert(std::is_floating_point_v<Arg>, "%f and %g take a double");
        double v = arg;
        if constexpr (P.kind == 'f' && P.precision <= fast::fast_max_precision) {
            if (char* end = fast::write_fixed<P.precision>(c.p, v, P)) {
                c.p = end;
                return;
            }
        }
        // The exact path: hand over what is written and go on with fresh room.
        c.out.advance(static_cast<std::size_t>(c.p - c.start));
        append_exact_number(c.out, v, P);
        c.start = c.p = c.out.room(c.room);
    }
}

template <format_string F, std::size_t I, typename Tuple>
inline void write_compiled_piece(format_cursor& c, const Tuple& args) {
    constexpr format_piece P = compiled_format<F>.pieces[I];
    std::memcpy(c.p, F.text + P.literal_begin, P.literal_length);
    c.p += P.literal_length;
    if constexpr (P.kind != 0) write_conversion<P>(c, std::get<argument_of<F>(I)>(args));
}

template <format_string F, std::size_t... I, typename... Args>
inline void format_compiled(text_buffer& out, std::index_sequence<I...>, const Args&... args) {
    std::size_t room = compiled_format<F>.room + (std::size_t{0} + ... + text_length(args));
    char* start = out.room(room);
    format_cursor c{out, room, start, start};
    std::tuple<const Args&...> tuple(args...);
    (write_compiled_piece<F, I>(c, tuple), ...);
    out.advance(static_cast<std::size_t>(c.p - c.start));
}

// Appends the format F with its conversions replaced by `args`, which the
// compiler checks against them.
template <format_string F, typename... Args>
inline void format_into(text_buffer& out, const Args&... args) {
    static_assert(sizeof...(Args) == compiled_format<F>.conversions, "one argument per conversion");
    format_compiled<F>(out, std::make_index_sequence<compiled_format<F>.count>{}, args...);
}

}  // namespace thermtab
