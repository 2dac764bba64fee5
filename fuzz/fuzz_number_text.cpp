// Every 8 bytes of input are a double's bit pattern; each conversion the
// report uses must print it exactly as the slow exact twin does.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "number_text/number_text.h"
#include "number_text/number_text_reference.h"

namespace {

const thermtab::conversion conversions[] = {
    {'f', 0, 0, false, false, false}, {'f', 1, 5, true, false, false}, {'f', 2, 10, false, false, false},
    {'f', 2, 8, true, false, false},  {'f', 2, 10, true, false, false}, {'g', 6, 0, false, false, false},
};

[[noreturn]] void mismatch(double value, const std::string& fast, const std::string& exact) {
    std::fprintf(stderr, "mismatch for bits %016llx: fast \"%s\", exact \"%s\"\n",
                 static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)), fast.c_str(), exact.c_str());
    std::abort();
}

void check(double value) {
    if (std::isfinite(value)) {
        int exponent = 0;
        std::string exact = thermtab::reference::seventeen_digit_string(value, exponent);
        thermtab::decimal17 fast = thermtab::to_decimal17(value);
        if (std::string(fast.digits, 17) != exact || fast.exponent != exponent)
            mismatch(value, std::string(fast.digits, 17) + "e" + std::to_string(fast.exponent),
                     exact + "e" + std::to_string(exponent));
    }
    for (const thermtab::conversion& conv : conversions) {
        std::string fast;
        thermtab::append_number(fast, value, conv);
        std::string exact = thermtab::reference::format_number(value, conv);
        if (fast != exact) mismatch(value, fast, exact);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::uint64_t bits;
        std::memcpy(&bits, data + i, 8);
        check(std::bit_cast<double>(bits));
    }
    return 0;
}
