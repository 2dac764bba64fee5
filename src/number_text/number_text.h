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
    std::string_view view() const { return {data_.get(), size_}; }
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
    bool copy16 = false;            // 16 bytes may be read from literal_begin: copy them whole
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

// A format checked and split into pieces when the program is compiled, so
// that formatting a line does not read its format character by character.
class text_format {
public:
    static constexpr std::size_t max_pieces = 8;

    template <std::size_t N>
    consteval text_format(const char (&literal)[N]) : text_(literal) {
        std::string_view format(literal, N - 1);
        std::size_t at = 0;
        while (at < format.size()) {
            if (count_ == max_pieces) throw "format has too many pieces";
            format_piece& piece = pieces_[count_++];
            at = parse_piece(format, at, piece);
            for (std::size_t k = piece.literal_begin; k < piece.literal_begin + piece.literal_length; ++k)
                if (format[k] == '%' && !(k + 1 == piece.literal_begin + piece.literal_length && piece.spec_length == 1))
                    throw "format has a '%' that is not a conversion";
            if (piece.literal_length > 4096) throw "format too long";
            piece.copy16 = piece.literal_length <= 16 && std::size_t{piece.literal_begin} + 16 <= N;
            room_ += piece.literal_length + piece.width + (piece.kind != 0 ? conversion_room : 0);
        }
    }

    const char* text() const { return text_; }
    std::span<const format_piece> pieces() const { return {pieces_, count_}; }
    // Bytes a formatted line can need, besides the text of its %s arguments.
    std::size_t room() const { return room_; }

    // Room for one number conversion, and for the whole-word copies that
    // formatting makes past the end of what it writes.
    static constexpr std::size_t conversion_room = 64;

private:
    const char* text_;
    format_piece pieces_[max_pieces] = {};
    std::size_t count_ = 0;
    std::size_t room_ = conversion_room;
};

// Appends `format` with each conversion replaced by the next argument. Text
// for %s is copied literally, whatever it contains.
void format_into(text_buffer& out, const text_format& format, std::span<const text_arg> args);

// The same for a format known only at run time. A conversion without a
// matching argument is written as it stands.
void format_text(std::string& out, std::string_view format, std::span<const text_arg> args);

}  // namespace thermtab
